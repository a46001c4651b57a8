#include "registers/block0/uh5registroefd0500.h"

#include <fmt/format.h>

#include <map>

#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

constexpr const char* kSituacaoAtiva = "1";
// ORICODCTACTB: the files carry the account's short code.
constexpr const char* kOrigemCodigoReduzido = "2";
// Natures climb at most this many synthetic levels (a cycle stops there).
constexpr int kNiveisDeNatureza = 64;

// The company's accounting parameters (alias D) in force over the whole
// period.
constexpr const char* kParametrosDoPeriodo =
    "WHERE D.DATAINICIAL <= :DATA_INI AND D.DATAFINAL >= :DATA_FIM "
    "AND D.IDF_EMPRESA = :EMPRESA AND D.SITUACAO = :SITUACAO ";

TParametros ParametrosDoPeriodo(const TxbCabecalhoEFD& cabecalho) {
  return {{"DATA_INI", cabecalho.inicio.DateOf()},
          {"DATA_FIM", cabecalho.fim.DateOf()},
          {"EMPRESA", cabecalho.empresa},
          {"SITUACAO", kSituacaoAtiva}};
}

bool OrigemCodigoReduzido(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho) {
  TxbResultado r = sessao.Consultar(
      "SELECT A.ORICODCTACTB FROM Z8_PEMPGERAL A "
      "  INNER JOIN Z8_PAREMP B "
      " ON B.ID = A.IDA "
      "WHERE B.IDF_EMPRESA = :EMPRESA "
      "  AND B.DATAINICIAL <= :DATA "
      "  AND B.DATAFINAL >= :DATA "
      "  AND B.SITUACAO = :SITUACAO",
      {{"EMPRESA", cabecalho.empresa},
       {"DATA", cabecalho.inicio.DateOf()},
       {"SITUACAO", kSituacaoAtiva}});
  return !r.Vazio() && Trim(r.linhas[0][0].AsString()) == kOrigemCodigoReduzido;
}

// The ERP nature digit of each synthetic entry of the visual charts: its
// own, or the nearest one up its line of parents.
std::map<int64_t, std::string> NaturezasDosSinteticos(TxbSession& sessao) {
  TxbResultado r = sessao.Consultar(
      "SELECT A.ID, A.IDF_SINTETICO, B.NATUREZACTCTB FROM KLVG_SINTETICO A"
      " LEFT JOIN Z8_NCCTBSPED B "
      "ON A.ID = B.IDF_SINTETICO ");
  std::map<int64_t, std::pair<int64_t, std::string>> sinteticos;  // id -> parent, nature
  for (const auto& l : r.linhas) {
    auto& s = sinteticos[l[0].AsInt64()];
    s.first = l[1].AsInt64();
    if (s.second.empty()) s.second = Trim(l[2].AsString());
  }
  std::map<int64_t, std::string> naturezas;
  for (const auto& [id, s] : sinteticos) {
    std::string natureza = s.second;
    int64_t pai = s.first;
    for (int nivel = 0; natureza.empty() && pai != 0 && nivel < kNiveisDeNatureza; ++nivel) {
      auto it = sinteticos.find(pai);
      if (it == sinteticos.end()) break;
      natureza = it->second.second;
      pai = it->second.first;
    }
    naturezas[id] = natureza;
  }
  return naturezas;
}

}  // namespace

std::string NaturezaDaConta(const std::string& digito) {
  static const std::map<std::string, std::string> kNaturezas = {
      {"1", "01"}, {"2", "02"}, {"3", "03"}, {"4", "04"}, {"5", "05"}, {"9", "99"}};
  auto it = kNaturezas.find(Trim(digito));
  return it == kNaturezas.end() ? Trim(digito) : it->second;
}

Th5RegistroEFD0500::TGeracao& Th5RegistroEFD0500::Geracao(int id_efd) {
  if (geracao_.cabecalho.id == id_efd) return geracao_;
  geracao_ = TGeracao();
  geracao_.cabecalho = LerCabecalhoEFD(GetSession(), id_efd);
  geracao_.codigo_reduzido = OrigemCodigoReduzido(GetSession(), geracao_.cabecalho);
  GetDados().GetCDS().Close();
  return geracao_;
}

// The account by its identifier or by the code the files carry, included up
// to the end of the period. Without "ContaContabil" only the code is known.
const Th5RegistroEFD0500::TContaERP& Th5RegistroEFD0500::LerConta(TGeracao& g, int id_conta,
                                                                  const std::string& codigo) {
  const auto chave = std::make_pair(id_conta, codigo);
  if (auto it = g.contas.find(chave); it != g.contas.end()) return it->second;
  TContaERP conta;
  conta.codigo = conta.codigo_classe = codigo;
  if (Aplicacao().ChecarFamiliaRegistrada("ContaContabil")) {
    auto contas = Aplicacao().Criar("ContaContabil", GetSession());
    TxbObjetoTemporario liberar(contas);
    T2bDados& dados = contas->GetDados();
    if (id_conta > 0) {
      dados.Isolar(id_conta, "VsEDC01");
    } else {
      dados.GetFiltros().Adicionar("Flt").IncluirConstante(
          g.codigo_reduzido ? "CtaCtb_CodReduzido" : "Classe_Codigo", TOperador::Igual, codigo);
      dados.AtivarDataSet("VsEDC01");
    }
    ThbClientDataSet& cds = dados.GetCDS();
    const TDateTime inclusao =
        cds.IsEmpty() ? TDateTime() : cds.FieldByName("Classe_DtInclusao").AsDateTime();
    if (!cds.IsEmpty() && (inclusao.EhDataZero() || inclusao <= g.cabecalho.fim)) {
      conta.codigo_classe = Trim(cds.FieldByName("Classe_Codigo").AsString());
      conta.codigo = g.codigo_reduzido ? Trim(cds.FieldByName("CtaCtb_CodReduzido").AsString())
                                       : conta.codigo_classe;
      conta.nome = cds.FieldByName("Classe_Nome").AsString();
      conta.inclusao = inclusao;
      conta.alteracao = cds.FieldByName("Classe_DtAlteracao").AsDateTime();
    }
  }
  if (Trim(conta.codigo).empty())
    throw EErro(fmt::format(
        "Registro 0500: a conta contábil {} não existe até o fim do período (RegEFD0500_CodConta)",
        id_conta > 0 ? std::to_string(id_conta) : "sem código"));
  return g.contas.emplace(chave, conta).first->second;
}

// The analytic account in the company's visual chart valid for the period,
// loaded once; nullptr without the accounting module or when the chart does
// not have the account.
const Th5RegistroEFD0500::TContaDoPlano* Th5RegistroEFD0500::ContaDoPlano(
    TGeracao& g, const std::string& codigo_classe) {
  if (!Aplicacao().ChecarFamiliaRegistrada("MovCtb")) return nullptr;
  if (!g.plano_carregado) {
    const auto naturezas = NaturezasDosSinteticos(GetSession());
    TxbResultado r = GetSession().Consultar(
        std::string("SELECT G.CODIGO AS CODCTA, E.NIVEL AS NIVEL, F.IDF_SINTETICO, G.NOME ") +
            "FROM Z8_VISCNTCTB A "
            " INNER JOIN KLVG_PLVISUAL B ON B.ID = A.IDA "
            " INNER JOIN Z8_PAREMPCTB C ON C.IDF_VISCNTCTB = A.ID "
            " INNER JOIN Z8_PAREMP D ON D.ID = C.IDA "
            " INNER JOIN KLVG_ClasseVis E ON E.IDF_PLANOVISUAL = B.ID "
            " INNER JOIN Klvg_ANALITICO F ON F.IDA = E.ID "
            " INNER JOIN KLVG_CLASSE G ON G.ID = E.IDF_CLASSE "
            " INNER JOIN Z8_CTACTB H ON H.IDA = G.ID " +
            kParametrosDoPeriodo,
        ParametrosDoPeriodo(g.cabecalho));
    for (const auto& l : r.linhas) {
      auto natureza = naturezas.find(l[2].AsInt64());
      g.plano.emplace(Trim(l[0].AsString()),
                      TContaDoPlano{l[1].AsString(), l[3].AsString(),
                                    natureza == naturezas.end() ? "" : natureza->second});
    }
    g.plano_carregado = true;
  }
  auto it = g.plano.find(codigo_classe);
  return it == g.plano.end() ? nullptr : &it->second;
}

// The account's code in the referential chart of the company's accounting
// parameters (the mask of its entry there); empty when it has none.
std::string Th5RegistroEFD0500::ContaReferencial(const TGeracao& g,
                                                 const std::string& codigo_classe) {
  TParametros parametros = ParametrosDoPeriodo(g.cabecalho);
  parametros.emplace_back("COD_CTA", codigo_classe);
  TxbResultado r = GetSession().Consultar(
      std::string("SELECT E.MASCARA "
                  "FROM Z8_PAREMPCTB C "
                  " INNER JOIN Z8_PAREMP D ON D.ID = C.IDA "
                  " INNER JOIN KLVG_ClasseVis E ON E.IDF_PLANOVISUAL = C.IDF_VISCNTREF "
                  " INNER JOIN KLVG_CLASSE G ON G.ID = E.IDF_CLASSE ") +
          kParametrosDoPeriodo + "AND G.CODIGO = :COD_CTA",
      parametros);
  return r.Vazio() ? "" : Trim(r.linhas[0][0].AsString());
}

std::string Th5RegistroEFD0500::IncluirContaDoTipoDocumento(int id_efd, int bloco, int tipo,
                                                            int64_t tipo_documento) {
  TxbResultado r = GetSession().Consultar(
      "SELECT D.IDF_CTACTB FROM Z8_PARTETPDOC C INNER JOIN Z8_TPDOCTOGER D ON D.IDA = C.ID "
      "WHERE C.IDF_TIPDOC = :TIPO",
      {{"TIPO", tipo_documento}});
  if (r.Vazio() || r.linhas[0][0].IsNull()) return "";
  std::string natureza;
  INTERNO_Incluir(id_efd, bloco, tipo, "", "", "", r.linhas[0][0].AsInteger(), natureza, "A", "",
                  false);
  return Trim(Campo("RegEFD0500_CodConta").AsString());
}

int Th5RegistroEFD0500::INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& conta,
                                        const std::string& nome, const std::string& nivel,
                                        int id_conta, std::string& natureza,
                                        const std::string& indicador,
                                        const std::string& conta_referencial,
                                        bool data_da_alteracao) {
  TGeracao& g = Geracao(id_efd);
  const TContaERP& erp = LerConta(g, id_conta, conta);
  const TContaDoPlano* plano = ContaDoPlano(g, erp.codigo_classe);
  if (plano && !plano->natureza.empty()) natureza = plano->natureza;
  natureza = NaturezaDaConta(natureza);

  TDateTime data = erp.inclusao.EhDataZero() ? g.cabecalho.inicio : erp.inclusao;
  if (data_da_alteracao && !erp.alteracao.EhDataZero() && erp.alteracao <= g.cabecalho.fim)
    data = erp.alteracao;
  const std::string data_texto = FormatarData(data);

  ThbClientDataSet& cds = GetDados().GetCDS();
  if (!cds.Active()) {
    GetDados().GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD",
                                                              TOperador::Igual, bloco);
    GetDados().AtivarDataSet("VsEDC01");
  }
  if (cds.Locate("RegEFD0500_CodConta;RegEFD0500_DataIncAlt",
                 {TVariant(erp.codigo), TVariant(data_texto)}))
    return cds.FieldByName("RegEFD0500_ID").AsInteger();

  std::string referencial = conta_referencial;
  if (g.cabecalho.modelo == "2") {
    const std::string do_plano = ContaReferencial(g, erp.codigo_classe);
    if (!do_plano.empty()) referencial = do_plano;
  }
  IncluirLinha(tipo, bloco, "0500");
  Campo("RegEFD0500_DataIncAlt").SetAsString(data_texto);
  Campo("RegEFD0500_CodNatConta").SetAsString(natureza);
  // The chart lists analytic accounts only.
  Campo("RegEFD0500_IndTpConta").SetAsString(plano ? "A" : indicador);
  Campo("RegEFD0500_NivelConta").SetAsString(plano ? plano->nivel : nivel);
  Campo("RegEFD0500_CodConta").SetAsString(erp.codigo);
  Campo("RegEFD0500_NomeConta")
      .SetAsString(plano               ? plano->nome
                   : !erp.nome.empty() ? erp.nome
                                       : nome);
  Campo("RegEFD0500_CodCtaRef").SetAsString(referencial);
  ConfirmarRegistro();
  return Campo("RegEFD0500_ID").AsInteger();
}

std::string Th5RegistroEFD0500::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0500");
  TxbLinhasEFD linhas(GetSession());
  if (AbrirParaEscrita(id_efd, "Bloco 0")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (!cds.IsEmpty() && LerContador("QtdeLinhasBloco_0") == 0) linhas.AdicionarPronta("|0001|0|");
    const bool pis_cofins = GetSession().Valor("ModeloEFD") == "2";
    for (cds.First(); !cds.Eof(); cds.Next()) {
      AtualizarAvanco(id_efd, "0500", cds.RecNo(), cds.RecordCount());
      std::string linha = "|0500|" + Texto("RegEFD0500_DataIncAlt") + "|" +
                          Texto("RegEFD0500_CodNatConta") + "|" + Texto("RegEFD0500_IndTpConta") +
                          "|" + Texto("RegEFD0500_NivelConta") + "|" +
                          Texto("RegEFD0500_CodConta") + "|" + Texto("RegEFD0500_NomeConta") + "|";
      // The PIS/COFINS layout adds the referenced account and the
      // establishment's CNPJ, left empty.
      if (pis_cofins) linha += Texto("RegEFD0500_CodCtaRef") + "||";
      linhas.AdicionarPronta(linha);
    }
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

TContasDosTiposDocumento::TContasDosTiposDocumento(TxbSession& sessao, int id_efd, int bloco0,
                                                   bool declarar)
    : sessao_(sessao), id_efd_(id_efd), bloco0_(bloco0), declarar_(declarar) {}

TContasDosTiposDocumento::~TContasDosTiposDocumento() {
  if (r0500_) Aplicacao().Destruir(r0500_);
}

std::string TContasDosTiposDocumento::operator()(int64_t tipo_documento) {
  if (tipo_documento == 0 || !declarar_) return "";
  auto [it, nova] = contas_.try_emplace(tipo_documento);
  if (!nova) return it->second;
  if (!r0500_) r0500_ = Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", sessao_);
  return it->second = r0500_->IncluirContaDoTipoDocumento(
             id_efd_, bloco0_, IdTipoRegistro(sessao_, bloco0_, "0500"), tipo_documento);
}

}  // namespace efd
