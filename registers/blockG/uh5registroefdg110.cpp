#include "registers/blockG/uh5registroefdg110.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "control/linharegistroefd.h"
#include "framework/pbbd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0190.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/block0/uh5registroefd0300.h"
#include "registers/block0/uh5registroefd0305.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/block0/uh5registroefd0600.h"
#include "registers/blockC/documentosc100.h"
#include "registers/blockC/uh5registroefdc100.h"
#include "registers/blockG/geracaog.h"

namespace efd {
namespace {

// The credits are appropriated over 48 months whatever their number of
// instalments.
constexpr double kMesesDeApropriacao = 48;

// The period's figures of the branch's ICMS assessment: the values of its
// document's part, total outputs ("A") and taxed and export outputs ("B").
constexpr const char* kFaturamento =
    "SELECT A.PERINICIAL, A.PERFINAL, "
    "(SELECT SUM(V.VALOR) FROM Z8_PTDFAIVLRS V WHERE V.IDF_PARTEDFAPU = P.ID "
    " AND V.TIPOCAMPO = :TPCAMPOFAT), "
    "(SELECT SUM(V.VALOR) FROM Z8_PTDFAIVLRS V WHERE V.IDF_PARTEDFAPU = P.ID "
    " AND V.TIPOCAMPO = :TPCAMPOVENDAS) "
    "FROM Z8_APUIMPOSTO A "
    "INNER JOIN Z8_IMPOSTO F ON F.ID = A.IDF_IMPOSTO "
    "INNER JOIN Z8_PARTEDOCTO D ON D.IDF_DOCTO = A.IDF_DOCTO "
    "INNER JOIN Z8_PARTEDFAPU P ON P.IDA = D.ID "
    "WHERE A.PERINICIAL = :DATAI AND A.PERFINAL = :DATAF AND F.TIPO = :ICMS "
    "AND A.IDF_FILIAL = :FILIAL";

// The ICMS instalments of the period of the assets whose credits are
// controlled, asset by asset; the branch column is completed by the
// company's asset parameters.
constexpr const char* kParcelas =
    "SELECT C.ID, C.IDF_PROPAPPTR, C.NRPARCELAS, C.ICMSNORMAL, C.ICMSSIMPLESNAC, "
    "C.ICMSSUBSTTRIB, C.ICMSFRETE, C.ICMSDIFALIQ, A.DATAREFERENCIA, A.DATACREDITO, "
    "A.NRPARCELA, A.VLRCREPARCELA, A.VLRCREUTIPARCELA "
    "FROM Z8_CREAPIPARC A "
    "INNER JOIN Z8_CREAPIMP C ON C.ID = A.IDF_CREAPIMP "
    "INNER JOIN Z8_PROPAPPTR B ON B.ID = C.IDF_PROPAPPTR "
    "INNER JOIN Z8_IMPOSTO I ON I.ID = C.IDF_IMPOSTO "
    "WHERE B.CONTROLECREDITOS = 'T' AND A.VLRCREUTIPARCELA > 0 AND I.TIPO = :ICMS "
    "AND A.DATAREFERENCIA BETWEEN :INICIO AND :FIM AND {} = :FILIAL "
    "ORDER BY C.ID, C.IDF_PROPAPPTR, A.DATAREFERENCIA, A.NRPARCELA, A.ID";
enum TColunaParcela {
  kColunaCredito,
  kColunaBem,
  kColunaParcelas,
  kColunaICMSNormal,
  kColunaICMSSimples,
  kColunaICMSST,
  kColunaICMSFrete,
  kColunaICMSDifAliq,
  kColunaReferencia,
  kColunaDataCredito,
  kColunaNumero,
  kColunaValor,
  kColunaValorUtilizado
};

constexpr const char* kBem =
    "SELECT B.NUMITEM, B.TIPOMOV, B.DATAAQUISICAO, B.IDF_DOCTONFCOMPRA, B.TIPOMERC, B.FUNCAO, "
    "B.VIDAUTIL, B.IDF_PROD, P.NMPROD, B.IDF_PROPRINC, CC.CODIGO, CC.NOME, CC.DTINCLUSAO "
    "FROM Z8_PROPAPPTR B "
    "INNER JOIN Z8_PROD P ON P.ID = B.IDF_PROD "
    "LEFT JOIN Z8_CCUSTO CC ON CC.ID = B.IDF_CENTROCUSTO "
    "WHERE B.ID = :ID";

// The share of taxed outputs as the file carries it.
constexpr const char* kIndice = "0.00000000";

const char* const kTiposDoERP[] = {"SI", "IM", "IA", "CI", "MC"};

}  // namespace

bool NaLista(const std::string& lista, const std::string& codigo) {
  return lista.empty() || lista.find("Registro " + codigo) != std::string::npos;
}

std::string TipoMovimentoCIAP(const std::string& tipo_erp, TDateTime aquisicao, TDateTime inicio) {
  const std::string codigo = Trim(tipo_erp);
  std::string tipo;
  if (codigo.size() == 1 && codigo[0] >= '1' && codigo[0] <= '5')
    tipo = kTiposDoERP[codigo[0] - '1'];
  else if (std::find(std::begin(kTiposDoERP), std::end(kTiposDoERP), codigo) !=
           std::end(kTiposDoERP))
    tipo = codigo;
  if (tipo.empty() || tipo == "IM" || tipo == "IA") {
    if (!aquisicao.EhDataZero() && aquisicao.DateOf() < inicio.DateOf())
      tipo = "SI";
    else if (tipo.empty() && !aquisicao.EhDataZero() && aquisicao.Ano() == inicio.Ano() &&
             aquisicao.Mes() == inicio.Mes())
      tipo = "IM";
  }
  return tipo;
}

double IcmsEm48Parcelas(double valor, int parcelas) {
  return parcelas > 0 ? valor / parcelas * kMesesDeApropriacao : valor;
}

void Th5RegistroEFDG110::InicializarBlocoG(TGeracao& g, const std::string& lista) {
  TxbSession& sessao = GetSession();
  g.com_g126 = NaLista(lista, "G126");
  g.com_g130 = NaLista(lista, "G130");
  g.com_g140 = g.com_g130 && NaLista(lista, "G140");
  g.r0150 = NaLista(lista, "0150");
  g.r0300 = NaLista(lista, "0300");
  g.r0305 = g.r0300 && NaLista(lista, "0305");
  g.tipo_g125 = IdTipoRegistro(sessao, g.bloco, "G125");
  g.tipo_g126 = IdTipoRegistro(sessao, g.bloco, "G126");
  g.tipo_g130 = IdTipoRegistro(sessao, g.bloco, "G130");
  g.tipo_g140 = IdTipoRegistro(sessao, g.bloco, "G140");
  g.bloco0 = IdBloco0(sessao, g.cabecalho.id);
  for (auto [tipo, codigo] : {std::pair{&g.tipo_0190, "0190"}, std::pair{&g.tipo_0300, "0300"},
                              std::pair{&g.tipo_0305, "0305"}, std::pair{&g.tipo_0500, "0500"},
                              std::pair{&g.tipo_0600, "0600"}})
    *tipo = IdTipoRegistro(sessao, g.bloco0, codigo);

  auto& app = Aplicacao();
  auto criar = [&](const char* familia) {
    auto o = app.Criar(familia, sessao);
    o->GetDados().Isolar(0, "VsEDC01");
    return o;
  };
  g.g125 = criar("RegistroEFDG125");
  g.g126 = criar("RegistroEFDG126");
  g.g130 = criar("RegistroEFDG130");
  g.g140 = criar("RegistroEFDG140");
  g.o0150 = app.CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", sessao);
  g.o0190 = app.CriarComo<Th5RegistroEFD0190>("RegistroEFD0190", sessao);
  g.o0200 = app.CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", sessao);
  g.o0300 = app.CriarComo<Th5RegistroEFD0300>("RegistroEFD0300", sessao);
  g.o0305 = app.CriarComo<Th5RegistroEFD0305>("RegistroEFD0305", sessao);
  g.o0500 = app.CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", sessao);
  g.o0600 = app.CriarComo<Th5RegistroEFD0600>("RegistroEFD0600", sessao);
  g.sem_prefixo =
      g.o0200->GerarProdSemPrefixo(g.cabecalho.empresa, g.cabecalho.inicio, g.cabecalho.fim);
}

bool Th5RegistroEFDG110::IniciarGeracao(TGeracao& g, int id_efd, int bloco) {
  if (!Aplicacao().ChecarFamiliaRegistrada("ApuracaoCIAP")) return false;
  AtualizarMensagem(id_efd, "RegistroEFD [G110]");
  ExcluirRegistroEFD(id_efd);
  g.cabecalho = LerCabecalhoEFD(GetSession(), id_efd);
  g.bloco = bloco;
  return Trim(g.cabecalho.modelo) == "1";
}

Th5RegistroEFDG110::TFaturamento Th5RegistroEFDG110::LerFaturamento(const TGeracao& g) {
  TxbResultado r = GetSession().Consultar(kFaturamento, {{"TPCAMPOFAT", "A"},
                                                         {"TPCAMPOVENDAS", "B"},
                                                         {"DATAI", g.cabecalho.inicio.DateOf()},
                                                         {"DATAF", g.cabecalho.fim.DateOf()},
                                                         {"ICMS", "0"},
                                                         {"FILIAL", g.cabecalho.filial}});
  TFaturamento f;
  if (r.Vazio()) return f;
  f.existe = true;
  f.total = r.linhas[0][2].AsFloat();
  f.tributadas = r.linhas[0][3].AsFloat();
  return f;
}

void Th5RegistroEFDG110::IncluirG110(TGeracao& g, int tipo, const TFaturamento& f) {
  GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo, g.bloco, "G110");
  Campo("RegEFDG110_DataInicio").SetAsString(FormatarData(g.cabecalho.inicio.DateOf()));
  Campo("RegEFDG110_DataFim").SetAsString(FormatarData(g.cabecalho.fim.DateOf()));
  Campo("RegEFDG110_ValorTribExp").SetAsFloat(f.tributadas > 0 ? f.tributadas : f.total);
  Campo("RegEFDG110_ValTotSai").SetAsFloat(f.total);
  for (const char* a :
       {"RegEFDG110_SaldoIniICMS", "RegEFDG110_SomaParcel", "RegEFDG110_IndicePerSaida",
        "RegEFDG110_ICMSAprop", "RegEFDG110_ICMSOutCred"})
    Campo(a).SetAsFloat(0);
  ConfirmarRegistro();
  g.id_g110 = Campo("RegEFDG110_ID").AsInteger();
}

void Th5RegistroEFDG110::FecharG110(const TGeracao& g, const TFaturamento& f, const TSomas& somas) {
  // The closing figures: the index as the file carries it (8 decimals) and
  // the appropriated ICMS from that index.
  const double tributadas_exp = f.tributadas > 0 ? f.tributadas : f.total;
  const double indice = f.total > 0 ? Arredondar(tributadas_exp / f.total, 8) : 0;
  const double soma = Arredondar(somas.passadas, 2);
  GetSession().ExecutarDiretoNoBD(
      "UPDATE Z8_REGEFDG110 SET SOMAPARCEL = :SOMA, INDICEPERSAIDA = :INDICE, "
      "ICMSAPROP = :APROP, ICMSOUTCRED = :OUTROS, SALDOINIICMS = :SALDO WHERE ID = :ID",
      {{"SOMA", soma},
       {"INDICE", indice},
       {"APROP", Arredondar(soma * indice, 2)},
       {"OUTROS", Arredondar(somas.outros_creditos, 2)},
       {"SALDO", Arredondar(somas.saldo_inicial, 2)},
       {"ID", g.id_g110}});
}

int Th5RegistroEFDG110::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco,
                                              const std::string& lista,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 300, "Gerando Registros Bloco G");
  TGeracao g;
  if (!IniciarGeracao(g, id_efd, bloco)) return 0;
  const TFaturamento faturamento = LerFaturamento(g);
  const bool com_parcelas =
      NaLista(lista, "G125") && Aplicacao().ChecarFamiliaRegistrada("CreAPImpParcelas");
  TxbResultado parcelas;
  if (com_parcelas) parcelas = LerParcelas(g);
  if (!faturamento.existe && parcelas.Vazio()) return 0;
  IncluirG110(g, tipo, faturamento);
  if (parcelas.Vazio()) return 1;

  InicializarBlocoG(g, lista);
  TSomas somas;
  for (size_t linha = 0; linha < parcelas.linhas.size();)
    linha = GerarBem(g, parcelas, linha, somas);
  FecharG110(g, faturamento, somas);
  return 1;
}

TxbResultado Th5RegistroEFDG110::LerParcelas(const TGeracao& g) {
  TxbSession& sessao = GetSession();
  TxbResultado parametro = sessao.Consultar(
      " SELECT A.UTILIZAFILIALCIAP FROM Z8_PAREMPPATR A    INNER JOIN Z8_PAREMP B ON B.ID = "
      "A.IDA             WHERE (B.IDF_EMPRESA = :EMPRESA)                   AND (:DATA BETWEEN "
      "B.DATAINICIAL AND B.DATAFINAL) ",
      {{"EMPRESA", g.cabecalho.empresa}, {"DATA", g.cabecalho.inicio.DateOf()}});
  const bool filial_do_credito =
      !parametro.Vazio() && UpperCase(Trim(parametro.linhas[0][0].AsString())) == "T";
  return sessao.Consultar(
      fmt::format(kParcelas, filial_do_credito ? "C.IDF_FILIALCREDITO" : "B.IDF_FILIAL"),
      {{"ICMS", "0"},
       {"INICIO", g.cabecalho.inicio.DateOf()},
       {"FIM", g.cabecalho.fim.DateOf()},
       {"FILIAL", g.cabecalho.filial}});
}

const Th5RegistroEFDG110::TBem& Th5RegistroEFDG110::Bem(TGeracao& g, int id) {
  auto achado = g.bens.find(id);
  if (achado != g.bens.end()) return achado->second;
  TxbResultado r = GetSession().Consultar(kBem, {{"ID", id}});
  if (r.Vazio()) throw EErro(fmt::format("Bloco G: o bem {} do crédito de ICMS não existe", id));
  const auto& l = r.linhas[0];
  auto texto = [&l](size_t i) { return Trim(l[i].AsString()); };
  auto inteiro = [&l](size_t i) { return l[i].IsNull() ? 0 : static_cast<int>(l[i].AsInteger()); };
  TBem b;
  b.id = id;
  b.codigo = texto(0);
  if (b.codigo.empty())
    throw EErro(fmt::format("Bloco G: o bem {} não tem código (ProPapPtr_NumItem)", id));
  b.tipo_erp = texto(1);
  b.aquisicao = l[2].IsNull() ? TDateTime() : l[2].AsDateTime();
  b.documento = inteiro(3);
  b.tipo_merc = texto(4) == "2" ? "2" : "1";
  b.funcao = texto(5);
  b.vida_util = inteiro(6);
  b.produto = inteiro(7);
  b.descricao = texto(8);
  b.principal = inteiro(9);
  b.centro = texto(10);
  b.nome_centro = texto(11);
  b.inclusao_centro = l[12].IsNull() ? TDateTime() : l[12].AsDateTime();
  return g.bens.emplace(id, std::move(b)).first->second;
}

std::string Th5RegistroEFDG110::ContaDoAtivo(TGeracao& g) {
  if (g.conta_lida) return g.conta;
  g.conta_lida = true;
  TxbResultado r = GetSession().Consultar(
      "SELECT A.IDF_CTAATIVOIMOB FROM Z8_PAREMPCTB A INNER JOIN Z8_PAREMP B ON B.ID = A.IDA "
      "WHERE (B.IDF_EMPRESA = :EMPRESA) AND (:DATA BETWEEN B.DATAINICIAL AND B.DATAFINAL)",
      {{"EMPRESA", g.cabecalho.empresa}, {"DATA", g.cabecalho.inicio.DateOf()}});
  if (r.Vazio() || r.linhas[0][0].IsNull()) return g.conta;
  std::string natureza;
  g.o0500->Incluir(g.cabecalho.id, g.bloco0, g.tipo_0500, "", "", "",
                   static_cast<int>(r.linhas[0][0].AsInteger()), natureza, "A", "", false);
  g.conta = Trim(g.o0500->Campo("RegEFD0500_CodConta").AsString());
  return g.conta;
}

void Th5RegistroEFDG110::IncluirBem(TGeracao& g, const TBem& bem) {
  if (!g.r0300 || g.bens_no_0300.count(bem.id)) return;
  AtualizarMensagem(g.cabecalho.id, "Incluindo Registro 0300 - Bem: [" + bem.codigo + "]");
  std::string principal;
  if (bem.tipo_merc == "2" && bem.principal > 0) {
    const TBem& p = Bem(g, bem.principal);
    IncluirBem(g, p);
    principal = p.codigo;
  }
  const int parcelas = [&] {
    TxbResultado r = GetSession().Consultar(
        "SELECT MAX(C.NRPARCELAS) FROM Z8_CREAPIMP C WHERE C.IDF_PROPAPPTR = :BEM",
        {{"BEM", bem.id}});
    return r.Vazio() || r.linhas[0][0].IsNull() ? 0 : static_cast<int>(r.linhas[0][0].AsInteger());
  }();
  const int id_0300 =
      g.o0300->Incluir(g.cabecalho.id, g.bloco0, g.tipo_0300, bem.codigo, bem.tipo_merc,
                       bem.descricao, principal, ContaDoAtivo(g), parcelas);
  g.bens_no_0300[bem.id] = id_0300;
  if (!g.r0305 || bem.centro.empty()) return;
  g.o0600->Incluir(g.cabecalho.id, g.bloco0, g.tipo_0600, bem.inclusao_centro, bem.centro,
                   bem.nome_centro);
  g.o0305->Incluir(g.cabecalho.id, g.bloco0, g.tipo_0305, id_0300, bem.centro,
                   bem.funcao.empty() ? bem.descricao : bem.funcao, bem.vida_util);
}

size_t Th5RegistroEFDG110::GerarBem(TGeracao& g, const TxbResultado& parcelas, size_t linha,
                                    TSomas& somas) {
  const auto& primeira = parcelas.linhas[linha];
  const int id_bem = static_cast<int>(primeira[kColunaBem].AsInteger());
  size_t fim = linha;
  while (fim < parcelas.linhas.size() && parcelas.linhas[fim][kColunaBem].AsInteger() == id_bem &&
         parcelas.linhas[fim][kColunaCredito].AsInteger() == primeira[kColunaCredito].AsInteger())
    ++fim;
  // An asset with a second credit record was given its rows by the first.
  if (!g.bens_gerados.insert(id_bem).second) return fim;

  const TBem& bem = Bem(g, id_bem);
  AtualizarMensagem(g.cabecalho.id, "Gerando Registros G110 e Filhos - Bem: [" + bem.codigo + "]");
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 300, "Gerando Registros G110 e Filhos");
  IncluirBem(g, bem);
  const std::string tipo = TipoMovimentoCIAP(bem.tipo_erp, bem.aquisicao, g.cabecalho.inicio);
  for (; linha < fim; ++linha) {
    const auto& p = parcelas.linhas[linha];
    auto valor = [&p](TColunaParcela c) { return p[c].AsFloat(); };
    const int n = static_cast<int>(p[kColunaParcelas].AsInteger());
    const int numero = static_cast<int>(p[kColunaNumero].AsInteger());
    const double icms[4] = {valor(kColunaICMSNormal) + valor(kColunaICMSSimples),
                            valor(kColunaICMSST), valor(kColunaICMSFrete),
                            valor(kColunaICMSDifAliq)};
    const TDateTime referencia = p[kColunaReferencia].AsDateTime();
    const bool com_data_credito =
        !p[kColunaDataCredito].IsNull() && !p[kColunaDataCredito].AsDateTime().EhDataZero();
    int id_g125 = 0;
    if (com_data_credito) {
      // A credit taken on a given day: the asset's entry, its ICMS as
      // recorded, and the credit among the other credits.
      id_g125 = IncluirG125(g, bem.codigo, FormatarData(p[kColunaDataCredito].AsDateTime()), tipo,
                            icms, 0, valor(kColunaValor), valor(kColunaValorUtilizado));
      if (g.com_g126) IncluirG126(g, id_g125, parcelas, linha, somas);
      if (g.com_g130) IncluirDocumento(g, bem, id_g125, icms);
      continue;
    }
    IncluirApropriacao(
        g, bem.codigo, tipo, referencia, icms, numero, n, valor(kColunaValor),
        valor(kColunaValorUtilizado), somas,
        [&](int id_g125, const double(&em_48)[4]) { IncluirDocumento(g, bem, id_g125, em_48); });
  }
  return fim;
}

void Th5RegistroEFDG110::IncluirApropriacao(TGeracao& g, const std::string& codigo,
                                            const std::string& tipo, TDateTime referencia,
                                            const double (&icms)[4], int numero, int parcelas,
                                            double passada, double apropriada, TSomas& somas,
                                            const TDocumentoDoMovimento& documento) {
  const double em_48[4] = {IcmsEm48Parcelas(icms[0], parcelas), IcmsEm48Parcelas(icms[1], parcelas),
                           IcmsEm48Parcelas(icms[2], parcelas),
                           IcmsEm48Parcelas(icms[3], parcelas)};
  somas.passadas += passada;
  const int id_g125 = IncluirG125(g, codigo, FormatarData(PrimeiroDiaDoMes(referencia)), tipo,
                                  em_48, numero, passada, apropriada);
  if (tipo == "SI")
    somas.saldo_inicial += em_48[0] + em_48[1] + em_48[2] + em_48[3];
  else if (g.com_g130 && !tipo.empty())
    documento(id_g125, em_48);
  if (numero == parcelas) {
    // The last instalment ends the appropriation of the asset.
    const double zeros[4] = {0, 0, 0, 0};
    IncluirG125(g, codigo, FormatarData(UltimoDiaDoMes(referencia)), "BA", zeros, 0, 0, 0);
  }
}

int Th5RegistroEFDG110::IncluirG125(TGeracao& g, const std::string& codigo, const std::string& data,
                                    const std::string& tipo_mov, const double (&icms)[4],
                                    int parcela, double passada, double apropriada) {
  ThbObjetoNegocio& o = *g.g125;
  IncluirLinhaDeRegistro(o, g.tipo_g125, g.bloco, "G125");
  o.Campo("RegEFDG125_IDF_RegEFDG110").SetAsInteger(g.id_g110);
  o.Campo("RegEFDG125_CodigoBem").SetAsString(codigo);
  o.Campo("RegEFDG125_DataMov").SetAsString(data);
  o.Campo("RegEFDG125_TipoMov").SetAsString(tipo_mov);
  o.Campo("RegEFDG125_ValICMSOperProp").SetAsFloat(Arredondar(icms[0], 2));
  o.Campo("RegEFDG125_ValICMSSubsTrib").SetAsFloat(Arredondar(icms[1], 2));
  o.Campo("RegEFDG125_ValICMSConFrete").SetAsFloat(Arredondar(icms[2], 2));
  o.Campo("RegEFDG125_ValICMSDifAliq").SetAsFloat(Arredondar(icms[3], 2));
  o.Campo("RegEFDG125_NumParcel").SetAsInteger(parcela);
  o.Campo("RegEFDG125_ValParcelPas").SetAsFloat(Arredondar(passada, 2));
  o.Campo("RegEFDG125_ValParcelAprop").SetAsFloat(Arredondar(apropriada, 2));
  o.ConfirmarRegistro();
  return o.Campo("RegEFDG125_ID").AsInteger();
}

void Th5RegistroEFDG110::IncluirG126(TGeracao& g, int id_g125, const TxbResultado& parcelas,
                                     size_t linha, TSomas& somas) {
  const auto& p = parcelas.linhas[linha];
  TxbResultado apuracao = GetSession().Consultar(
      "SELECT A.DATAINI, A.DATAFIN, A.VALVENDASTRIB, A.VALFATURAMENTO FROM Z8_APURACIAP A "
      "INNER JOIN Z8_IMPOSTO I ON I.ID = A.IDF_IMPOSTO "
      "WHERE I.TIPO = :ICMS AND A.DATAINI = :DATA AND (A.IDF_FILIAL IS NULL OR A.IDF_FILIAL = "
      ":FILIAL) ORDER BY A.IDF_FILIAL DESC",
      {{"ICMS", "0"},
       {"DATA", p[kColunaReferencia].AsDateTime().DateOf()},
       {"FILIAL", g.cabecalho.filial}});
  if (apuracao.Vazio()) return;
  const auto& a = apuracao.linhas[0];
  const double parcela = p[kColunaValor].AsFloat();
  const double tributadas = a[2].AsFloat();
  const double total = a[3].AsFloat();
  const double indice = tributadas > 0 && total > 0 ? Arredondar(tributadas / total, 8) : 0;
  somas.outros_creditos += p[kColunaValorUtilizado].AsFloat();
  ThbObjetoNegocio& o = *g.g126;
  IncluirLinhaDeRegistro(o, g.tipo_g126, g.bloco, "G126");
  o.Campo("RegEFDG126_IDF_RegEFDG125").SetAsInteger(id_g125);
  o.Campo("RegEFDG126_DataIni").SetAsString(FormatarData(a[0].AsDateTime()));
  o.Campo("RegEFDG126_DataFin").SetAsString(FormatarData(a[1].AsDateTime()));
  o.Campo("RegEFDG126_NumParc").SetAsInteger(static_cast<int>(p[kColunaNumero].AsInteger()));
  o.Campo("RegEFDG126_ValorParcPass").SetAsFloat(Arredondar(parcela, 2));
  o.Campo("RegEFDG126_ValorSaidaTrib").SetAsFloat(tributadas);
  o.Campo("RegEFDG126_ValorTotalSaida").SetAsFloat(total);
  o.Campo("RegEFDG126_IndiceParSaida").SetAsFloat(indice);
  o.Campo("RegEFDG126_ValICMSAprop").SetAsFloat(Arredondar(indice * parcela, 2));
  o.ConfirmarRegistro();
}

void Th5RegistroEFDG110::IncluirDocumento(TGeracao& g, const TBem& bem, int id_g125,
                                          const double (&icms)[4]) {
  if (bem.documento <= 0) return;
  TxbSession& sessao = GetSession();
  const TPaginaC100 pagina = CarregarPaginaC100(sessao, {bem.documento});
  auto d = pagina.documentos.find(bem.documento);
  if (d == pagina.documentos.end()) return;
  const TDocumentoC100& doc = d->second;

  std::string participante;
  CarregarParticipantesC100(sessao, {doc.ident}, g.participantes);
  auto p = g.participantes.find(doc.ident);
  if (p != g.participantes.end()) {
    participante = CodigoParticipanteC100(p->second.codigo);
    if (g.r0150)
      g.o0150->IncluirNovo(g.cabecalho.id, g.bloco0, "", static_cast<int>(doc.ident), participante,
                           p->second.nome, p->second.pais, p->second.documento, p->second.ie,
                           p->second.municipio, p->second.suframa, p->second.logradouro,
                           p->second.numero, p->second.complemento, p->second.bairro,
                           g.cabecalho.inicio, g.cabecalho.fim, false, 0);
  }
  auto outros = pagina.outros.find(bem.documento);
  ThbObjetoNegocio& o = *g.g130;
  IncluirLinhaDeRegistro(o, g.tipo_g130, g.bloco, "G130");
  o.Campo("RegEFDG130_IDF_RegEFDG125").SetAsInteger(id_g125);
  o.Campo("RegEFDG130_IndEmit")
      .SetAsString(Th5RegistroEFDC100::IndicadorEmitente(doc.tipo_serie, doc.numero));
  o.Campo("RegEFDG130_CodPart").SetAsString(participante);
  o.Campo("RegEFDG130_CodModelo").SetAsString(doc.modelo);
  o.Campo("RegEFDG130_Serie").SetAsString(doc.serie);
  o.Campo("RegEFDG130_NumDocto").SetAsString(doc.numero);
  o.Campo("RegEFDG130_ChaveNFe")
      .SetAsString(outros == pagina.outros.end() ? "" : outros->second.chave);
  o.Campo("RegEFDG130_DataEmi").SetAsString(FormatarData(doc.emissao));
  o.Campo("RegEFDG130_NUM_DA").SetAsString("");
  o.ConfirmarRegistro();
  const int id_g130 = o.Campo("RegEFDG130_ID").AsInteger();
  if (!g.com_g140) return;

  auto itens = pagina.itens.find(bem.documento);
  if (itens == pagina.itens.end()) return;
  for (const TItemDocumentoC100& i : itens->second) {
    if (i.produto != bem.produto) continue;
    const std::string codigo = (g.sem_prefixo ? "" : "P") + Trim(i.cod_prod);
    std::string unidade_produto;
    g.o0200->IncluirNovo(g.cabecalho.id, g.bloco0, codigo, static_cast<int>(i.produto), i.nome_prod,
                         i.cod_barras, "", i.tipo_item, unidade_produto, i.ncm, i.ex_tipi, i.genero,
                         "", i.cest, i.icms_aliq, g.cabecalho.inicio, g.cabecalho.fim, 0,
                         g.cabecalho.filial);
    std::string unidade = SubstituirTodos(i.unidade, " ", "");
    if (unidade.empty()) {
      sessao.Logar("Geração SPED - Bloco G - Item Documento: " + std::to_string(i.id) + ", " +
                   "Numero Item: " + bem.codigo + ", não possui unidade informada.");
      unidade = unidade_produto;
    }
    IncluirG140(g, id_g130, i.seq, codigo, 1, unidade, icms);
  }
}

void Th5RegistroEFDG110::IncluirG140(TGeracao& g, int id_g130, int item, const std::string& codigo,
                                     double quantidade, const std::string& unidade,
                                     const double (&icms)[4]) {
  if (g.unidades.insert(unidade).second)
    g.o0190->IncluirNovo(g.cabecalho.id, g.bloco0, g.tipo_0190, unidade, unidade, 0);
  ThbObjetoNegocio& o = *g.g140;
  IncluirLinhaDeRegistro(o, g.tipo_g140, g.bloco, "G140");
  o.Campo("RegEFDG140_IDF_RegEFDG130").SetAsInteger(id_g130);
  o.Campo("RegEFDG140_NimItem").SetAsInteger(item);
  o.Campo("RegEFDG140_CodItem").SetAsString(CodigoItemNoArquivo(codigo));
  o.Campo("RegEFDG140_QTDE").SetAsFloat(quantidade);
  o.Campo("RegEFDG140_UNID").SetAsString(unidade);
  o.Campo("RegEFDG140_VL_ICMS_OP_APLICADO").SetAsFloat(Arredondar(icms[0], 2));
  o.Campo("RegEFDG140_VL_ICMS_ST_APLICADO").SetAsFloat(Arredondar(icms[1], 2));
  o.Campo("RegEFDG140_VL_ICMS_FRT_APLICADO").SetAsFloat(Arredondar(icms[2], 2));
  o.Campo("RegEFDG140_VL_ICMS_DIF_APLICADO").SetAsFloat(Arredondar(icms[3], 2));
  o.ConfirmarRegistro();
}

int Th5RegistroEFDG110::INTERNO_RetornarQtdReg(int id_efd) {
  const int bloco = IdBloco(id_efd, "Bloco G");
  if (bloco == 0) return 0;
  AbrirRegistrosDoBloco(bloco, "1");
  return GetDados().GetCDS().RecordCount();
}

std::string Th5RegistroEFDG110::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro G110");
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsESPGeracao");
  ThbClientDataSet& h = cabecalho.GetCDS();
  if (Trim(h.FieldByName("EFD_Modelo").AsString()) != "1" ||
      h.FieldByName("EFD_DataInicio").AsDateTime() < TDateTime::EncodeDate(2011, 1, 1))
    return "";

  TxbLinhasEFD linhas(sessao);
  const int bloco = IdBloco(id_efd, "Bloco G");
  ThbClientDataSet& periodos = GetDados().GetCDS();
  if (bloco > 0) AbrirRegistrosDoBloco(bloco, "1");
  const bool vazio = bloco == 0 || periodos.IsEmpty();
  linhas.AdicionarPronta(vazio ? "|G001|1|" : "|G001|0|");
  if (!vazio) {
    // Each child register's rows of the block, found by its parent.
    std::vector<std::shared_ptr<ThbObjetoNegocio>> filhos;
    for (auto [codigo, pai] : {std::pair{"G125", "G110"}, std::pair{"G126", "G125"},
                               std::pair{"G130", "G125"}, std::pair{"G140", "G130"}}) {
      const std::string prefixo = std::string("RegEFD") + codigo;
      filhos.push_back(Aplicacao().Criar(std::string("RegistroEFD") + codigo, sessao));
      T2bDados& dados = filhos.back()->GetDados();
      dados.GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD", TOperador::Igual,
                                                           bloco);
      dados.AtivarDataSet("VsEDC01");
      dados.GetCDS().SetIndexFieldNames(prefixo + "_IDF_RegEFD" + pai + ";" + prefixo + "_ID");
    }
    struct TLiberar {
      std::vector<std::shared_ptr<ThbObjetoNegocio>>& o;
      ~TLiberar() {
        for (auto& f : o) Aplicacao().Destruir(f);
      }
    } liberar{filhos};
    ThbClientDataSet& g125 = filhos[0]->GetDados().GetCDS();
    ThbClientDataSet& g126 = filhos[1]->GetDados().GetCDS();
    ThbClientDataSet& g130 = filhos[2]->GetDados().GetCDS();
    ThbClientDataSet& g140 = filhos[3]->GetDados().GetCDS();
    auto t = [](ThbClientDataSet& c, const char* a) { return Trim(c.FieldByName(a).AsString()); };
    auto v = [](ThbClientDataSet& c, const char* a, const char* mascara = "0.00") {
      return FormatarMascara(c.FieldByName(a).AsFloat(), mascara);
    };
    // The rows of c under the parent id, in the order they were inserted.
    auto filhos_de = [](ThbClientDataSet& c, const char* ligacao, int id, auto&& escrever) {
      for (bool achou = c.FindKey({TVariant(id)});
           achou && !c.Eof() && c.FieldByName(ligacao).AsInteger() == id; c.Next())
        escrever();
    };
    for (periodos.First(); !periodos.Eof(); periodos.Next()) {
      AtualizarAvanco(id_efd, "G110", periodos.RecNo(), periodos.RecordCount());
      linhas.Adicionar(
          "G110", {t(periodos, "RegEFDG110_DataInicio"), t(periodos, "RegEFDG110_DataFim"),
                   v(periodos, "RegEFDG110_SaldoIniICMS"), v(periodos, "RegEFDG110_SomaParcel"),
                   v(periodos, "RegEFDG110_ValorTribExp"), v(periodos, "RegEFDG110_ValTotSai"),
                   v(periodos, "RegEFDG110_IndicePerSaida", kIndice),
                   v(periodos, "RegEFDG110_ICMSAprop"), v(periodos, "RegEFDG110_ICMSOutCred")});
      filhos_de(
          g125, "RegEFDG125_IDF_RegEFDG110", periodos.FieldByName("RegEFDG110_ID").AsInteger(),
          [&] {
            linhas.Adicionar(
                "G125",
                {t(g125, "RegEFDG125_CodigoBem"), t(g125, "RegEFDG125_DataMov"),
                 t(g125, "RegEFDG125_TipoMov"), v(g125, "RegEFDG125_ValICMSOperProp"),
                 v(g125, "RegEFDG125_ValICMSSubsTrib"), v(g125, "RegEFDG125_ValICMSConFrete"),
                 v(g125, "RegEFDG125_ValICMSDifAliq"), t(g125, "RegEFDG125_NumParcel"),
                 v(g125, "RegEFDG125_ValParcelPas")});
            const int id_g125 = g125.FieldByName("RegEFDG125_ID").AsInteger();
            filhos_de(g126, "RegEFDG126_IDF_RegEFDG125", id_g125, [&] {
              linhas.Adicionar(
                  "G126",
                  {t(g126, "RegEFDG126_DataIni"), t(g126, "RegEFDG126_DataFin"),
                   t(g126, "RegEFDG126_NumParc"), v(g126, "RegEFDG126_ValorParcPass"),
                   v(g126, "RegEFDG126_ValorSaidaTrib"), v(g126, "RegEFDG126_ValorTotalSaida"),
                   v(g126, "RegEFDG126_IndiceParSaida", kIndice),
                   v(g126, "RegEFDG126_ValICMSAprop")});
            });
            filhos_de(g130, "RegEFDG130_IDF_RegEFDG125", id_g125, [&] {
              linhas.Adicionar("G130",
                               {t(g130, "RegEFDG130_IndEmit"), t(g130, "RegEFDG130_CodPart"),
                                t(g130, "RegEFDG130_CodModelo"), t(g130, "RegEFDG130_Serie"),
                                t(g130, "RegEFDG130_NumDocto"), t(g130, "RegEFDG130_ChaveNFe"),
                                t(g130, "RegEFDG130_DataEmi"), t(g130, "RegEFDG130_NUM_DA")});
              filhos_de(g140, "RegEFDG140_IDF_RegEFDG130",
                        g130.FieldByName("RegEFDG130_ID").AsInteger(), [&] {
                          linhas.Adicionar(
                              "G140",
                              {t(g140, "RegEFDG140_NimItem"), t(g140, "RegEFDG140_CodItem"),
                               v(g140, "RegEFDG140_QTDE", "0.00000"), t(g140, "RegEFDG140_UNID"),
                               v(g140, "RegEFDG140_VL_ICMS_OP_APLICADO"),
                               v(g140, "RegEFDG140_VL_ICMS_ST_APLICADO"),
                               v(g140, "RegEFDG140_VL_ICMS_FRT_APLICADO"),
                               v(g140, "RegEFDG140_VL_ICMS_DIF_APLICADO")});
                        });
            });
          });
    }
  }
  linhas.AdicionarPronta(fmt::format("|G990|{}|", linhas.Quantidade() + 1));
  GravarContador("QtdeLinhasBloco_G", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
