#include "registers/blockH/uh5registroefdh005.h"

#include <fmt/format.h>

#include <set>
#include <utility>

#include "control/linharegistroefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/blockH/uh5registroefdh010.h"

namespace efd {
namespace {

// Per product and branch, the last balance transaction on or before the
// inventory date that moved a quantity (the highest transaction of the
// latest such day), with the product's warehouse: its ownership and the
// other party holding or owning the goods. Goods of others come first. The
// branch is the header's, or, for a consolidated inventory (:CONSOLIDADORA
// the header's branch, :IDF_FILIAL none), each branch configured to enter
// it, with the CNPJ of the branch holding the stock.
constexpr const char* kSaldos =
    "SELECT P.ID, P.CODPROD, P.NMPROD, P.CODBARRAS, P.CODIGONCM, P.EXTIPI, P.CODCEST, "
    "P.CODGENERO, P.IDF_FAMILIA, F.TIPOITEM, C.INDPROP, C.IDF_IDENT, "
    "TRANS.SALQTDEFILIAL, TRANS.CUSTOMEDIO, TRANS.SALVALESTFILIAL AS VALORTOTSALDO, EC.CNPJ "
    "FROM Z8_TRANSALDO TRANS "
    "INNER JOIN Z8_PROD P ON P.ID = TRANS.IDF_PROD "
    "LEFT JOIN Z8_FAMILIA F ON F.ID = P.IDF_FAMILIA "
    "LEFT JOIN Z8_ALMPROD AP ON AP.IDF_PROD = P.ID "
    "LEFT JOIN Z8_ALMOX C ON C.ID = AP.IDF_ALMOX "
    "LEFT JOIN Z8_ESTCONSOL EC ON EC.IDF_FILIAL = :CONSOLIDADORA "
    " AND EC.IDF_FILIALEST = TRANS.IDF_FILIAL "
    "WHERE (TRANS.IDF_FILIAL = :IDF_FILIAL OR EC.ID IS NOT NULL) "
    "AND TRANS.ID = (SELECT MAX(DD.ID) FROM Z8_TRANSALDO DD "
    " WHERE DD.IDF_PROD = TRANS.IDF_PROD AND DD.IDF_FILIAL = TRANS.IDF_FILIAL "
    " AND DD.QFISICA <> 0 AND DD.DATATRANSACAO = (SELECT MAX(D2.DATATRANSACAO) "
    "  FROM Z8_TRANSALDO D2 WHERE D2.IDF_PROD = TRANS.IDF_PROD "
    "  AND D2.IDF_FILIAL = TRANS.IDF_FILIAL AND D2.QFISICA <> 0 "
    "  AND D2.DATATRANSACAO <= :DTSALDO)) "
    "ORDER BY P.ID, C.INDPROP DESC, TRANS.IDF_FILIAL";

// The remittances of the branch still open at the inventory date, per
// product: goods of others received (ownership "2") and goods sent to
// others (ownership "1"), each with the party of its document and the
// quantity not yet returned by normal documents up to the date.
constexpr const char* kRemessasAbertas =
    "SELECT R.IDF_PROD, '2' AS INDPROP, D.IDF_IDENT, R.QDADE - COALESCE((SELECT SUM(T.QDADE) "
    " FROM Z8_ITPRORETEN T INNER JOIN Z8_DOCTO P ON P.ID = T.IDF_DOCTO "
    " WHERE T.IDF_ITPROREMEN = R.ID AND (P.SITUACAONF = '0') AND P.DATAEMI <= :DTRET_ENT), 0) "
    " AS DIF_REM_RET "
    "FROM Z8_ITPROREMEN R INNER JOIN Z8_DOCTO D ON D.ID = R.IDF_DOCTO "
    "WHERE D.IDF_FILIAL = :FILIAL_ENT AND (D.SITUACAONF = '0') AND D.DATAEMI <= :DTREM_ENT "
    "UNION ALL "
    "SELECT R.IDF_PROD, '1' AS INDPROP, D.IDF_IDENT, R.QDADE - COALESCE((SELECT SUM(T.QDADE) "
    " FROM Z8_ITPRORETSA T INNER JOIN Z8_DOCTO P ON P.ID = T.IDF_DOCTO "
    " WHERE T.IDF_ITPROREMSA = R.ID AND (P.SITUACAONF = '0') AND P.DATAEMI <= :DTRET_SAI), 0) "
    " AS DIF_REM_RET_SAI "
    "FROM Z8_ITPROREMSA R INNER JOIN Z8_DOCTO D ON D.ID = R.IDF_DOCTO "
    "WHERE D.IDF_FILIAL = :FILIAL_SAI AND (D.SITUACAONF = '0') AND D.DATAEMI <= :DTREM_SAI "
    "ORDER BY 1, 2 DESC, 3";
enum TColunaRemessa { kRemessaProduto, kRemessaIndProp, kRemessaParte, kRemessaAberta };

enum TColunaSaldo {
  kColunaProduto,
  kColunaCodProd,
  kColunaNome,
  kColunaCodBarras,
  kColunaNCM,
  kColunaExTIPI,
  kColunaCEST,
  kColunaGenero,
  kColunaFamilia,
  kColunaTipoItemFamilia,
  kColunaIndProp,
  kColunaDetentor,
  kColunaQuantidade,
  kColunaCustoMedio,
  kColunaValorTotal,
  kColunaCNPJ
};

// A session value for the length of one generation, then back to what it
// was.
class TValorDaGeracao {
 public:
  TValorDaGeracao(TxbSession& sessao, std::string nome, const std::string& valor)
      : sessao_(sessao), nome_(std::move(nome)), anterior_(sessao.Valor(nome_)) {
    sessao_.DefinirValor(nome_, valor);
  }
  ~TValorDaGeracao() { sessao_.DefinirValor(nome_, anterior_); }

 private:
  TxbSession& sessao_;
  std::string nome_, anterior_;
};

// Item kinds that only a full inventory reports: use and consumption,
// fixed assets, services.
const std::set<std::string> kTiposSoNoCompleto = {"07", "08", "09"};

}  // namespace

struct Th5RegistroEFDH005::TInventario {
  TxbCabecalhoEFD cabecalho;
  TDateTime data;
  std::string motivo;
  int bloco = 0, bloco0 = 0, tipo_h010 = 0, tipo_h011 = 0, tipo_h020 = 0, id_h005 = 0;
  bool todos_tipos = false, rateio = false, h020 = false, consolidado = false, sem_prefixo = false;
  std::set<std::string> ncms_h020;  // flagged NCMs; empty: no selection
  double aliquota = -1;             // the branch's purchase rate, read once
  std::shared_ptr<Th5RegistroEFDH010> itens;
  std::shared_ptr<Th5RegistroEFD0200> produtos;
  std::shared_ptr<Th5RegistroEFD0150> participantes;
  std::shared_ptr<ThbObjetoNegocio> icms;          // H020
  std::shared_ptr<ThbObjetoNegocio> consolidado_;  // H011
};

std::set<std::string> Th5RegistroEFDH005::RetornaNCMsBlocoH020() {
  std::set<std::string> ncms;
  for (const auto& l :
       GetSession()
           .Consultar("SELECT A.CODIGONBM FROM Z8_CLATIPI A WHERE A.ENVBLOCOH020SPED = 'T' ")
           .linhas)
    ncms.insert(Trim(l[0].AsString()));
  return ncms;
}

void Th5RegistroEFDH005::CarregarRegras(TDateTime data) {
  regras_.clear();
  TxbResultado r = GetSession().Consultar(
      "SELECT X.IDF_FAMILIA, X.DATAVIGENCIA, X.NCM, X.TIPOITEM, G.CODIGO, F.CODIGO "
      "FROM Z8_TRIBFAM X "
      "LEFT JOIN Z8_CLAORIGEM G ON G.ID = X.IDF_CLAORIGEM "
      "LEFT JOIN Z8_CLATRIBUT F ON F.ID = X.IDF_CLATRIBENT "
      "WHERE X.DATAVIGENCIA <= :DATA ORDER BY X.IDF_FAMILIA, X.DATAVIGENCIA, X.ID",
      {{"DATA", data}});
  for (const auto& l : r.linhas)
    regras_[l[0].AsInteger()].push_back({l[1].AsDateTime(), Trim(l[2].AsString()),
                                         Trim(l[3].AsString()), Trim(l[4].AsString()),
                                         Trim(l[5].AsString())});
}

const Th5RegistroEFDH005::TRegraFamilia* Th5RegistroEFDH005::Regra(int familia,
                                                                   const std::string& ncm) const {
  auto it = regras_.find(familia);
  if (it == regras_.end()) return nullptr;
  // The latest rule in force, one for the product's NCM or for every NCM.
  for (auto r = it->second.rbegin(); r != it->second.rend(); ++r)
    if (r->ncm.empty() || r->ncm == ncm) return &*r;
  return nullptr;
}

double Th5RegistroEFDH005::AliquotaDeCompra(const TInventario& inv) {
  TxbResultado r = GetSession().Consultar(
      "SELECT B.ALIQCOMPRA  "
      "FROM Z8_TribUFICMS A "
      "INNER JOIN Z8_ALIQICMS B ON B.IDF_TRIBUFICMS = A.ID "
      "INNER JOIN Z8_FILIAL D ON D.ID = A.IDF_FILIAL "
      "INNER JOIN KLVG_PAPELREL E ON E.ID = D.IDF_PAPELREL "
      "INNER JOIN KLVG_IDENT F ON F.ID = E.IDF_IDENT "
      "INNER JOIN KLVG_ENDER G ON G.ID = F.IDF_ENDER "
      "INNER JOIN KLVG_CID H ON H.ID = G.IDF_CID "
      "WHERE A.IDF_FILIAL = :FILIAL AND A.IDF_UF = H.IDF_UF "
      "AND (A.DATAINICIO IS NULL OR A.DATAINICIO <= :DATAINICIAL) AND A.DATAFINAL >= :DATAFINAL "
      "AND A.INATIVO = 'F' "
      "AND B.IDF_TPALIQICMS = 2 ",
      {{"FILIAL", inv.cabecalho.filial},
       {"DATAINICIAL", inv.cabecalho.inicio.DateOf()},
       {"DATAFINAL", inv.cabecalho.fim.DateOf()}});
  return r.Vazio() ? 0.0 : r.linhas[0][0].AsFloat();
}

int Th5RegistroEFDH005::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco,
                                              const std::string& lista,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 300, "BLOCO H");
  AtualizarMensagem(id_efd, "RegistroEFD [H005]");
  ExcluirRegistroEFD(id_efd);
  TInventario inv;
  inv.cabecalho = LerCabecalhoEFD(sessao, id_efd);
  TxbResultado h = sessao.Consultar(
      "SELECT DATAINVENTEST, MOTIVINVENT, TIPOINVENTARIO, INDPERFILFIS FROM Z8_EFD WHERE ID = :ID",
      {{"ID", id_efd}});
  if (Trim(inv.cabecalho.modelo) != "1" || h.linhas[0][0].IsNull()) return 0;
  inv.data = h.linhas[0][0].AsDateTime().DateOf();
  if (inv.data.EhDataZero()) return 0;
  inv.motivo = Trim(h.linhas[0][1].AsString());
  const std::string tipo_inventario = Trim(h.linhas[0][2].AsString());
  inv.todos_tipos = tipo_inventario == "1" || tipo_inventario == "3";
  inv.rateio = tipo_inventario == "3" || tipo_inventario == "4";
  inv.h020 =
      lista.find("Registro H020") != std::string::npos && inv.motivo != "1" && inv.motivo != "6";
  inv.consolidado = inv.cabecalho.drcst && Trim(h.linhas[0][3].AsString()) == "D";
  inv.bloco = bloco;
  inv.bloco0 = IdBloco0(sessao, id_efd);
  inv.tipo_h010 = IdTipoRegistro(sessao, bloco, "H010");
  inv.tipo_h011 = IdTipoRegistro(sessao, bloco, "H011");
  inv.tipo_h020 = IdTipoRegistro(sessao, bloco, "H020");

  inv.itens = Aplicacao().CriarComo<Th5RegistroEFDH010>("RegistroEFDH010", sessao);
  inv.produtos = Aplicacao().CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", sessao);
  inv.participantes = Aplicacao().CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", sessao);
  TxbObjetoTemporario liberar_itens(inv.itens), liberar_produtos(inv.produtos),
      liberar_participantes(inv.participantes);
  std::shared_ptr<ThbObjetoNegocio> icms;
  if (inv.h020) {
    icms = Aplicacao().Criar("RegistroEFDH020", sessao);
    icms->GetDados().Isolar(0, "VsEDC01");
    inv.ncms_h020 = RetornaNCMsBlocoH020();
  }
  TxbObjetoTemporario liberar_icms(icms);
  inv.icms = icms;
  std::shared_ptr<ThbObjetoNegocio> consolidado;
  if (inv.consolidado) {
    consolidado = Aplicacao().Criar("RegistroEFDH011", sessao);
    consolidado->GetDados().Isolar(0, "VsEDC01");
  }
  TxbObjetoTemporario liberar_consolidado(consolidado);
  inv.consolidado_ = consolidado;
  // Each branch's stock of a product is an item of its own.
  TValorDaGeracao consolidada(sessao, "DRCCONSOLIDADA", inv.consolidado ? "T" : "F");
  inv.sem_prefixo = inv.produtos->GerarProdSemPrefixo(inv.cabecalho.empresa, inv.cabecalho.inicio,
                                                      inv.cabecalho.fim);
  CarregarRegras(inv.cabecalho.fim);

  GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo, bloco, "H005");
  Campo("RegEFDH005_DataInv").SetAsString(FormatarData(inv.data));
  Campo("RegEFDH005_MotivInv").SetAsString(inv.motivo);
  Campo("RegEFDH005_ValTotEst").SetAsFloat(0);
  ConfirmarRegistro();
  inv.id_h005 = Campo("RegEFDH005_ID").AsInteger();

  const int filial = inv.cabecalho.filial;
  TxbResultado saldos = sessao.Consultar(kSaldos, {{"CONSOLIDADORA", inv.consolidado ? filial : 0},
                                                   {"IDF_FILIAL", inv.consolidado ? 0 : filial},
                                                   {"DTSALDO", inv.data}});
  TxbResultado remessas;
  if (inv.rateio)
    remessas = sessao.Consultar(kRemessasAbertas, {{"DTRET_ENT", inv.data},
                                                   {"FILIAL_ENT", filial},
                                                   {"DTREM_ENT", inv.data},
                                                   {"DTRET_SAI", inv.data},
                                                   {"FILIAL_SAI", filial},
                                                   {"DTREM_SAI", inv.data}});
  double total = 0;
  size_t remessa = 0;
  for (size_t i = 0; i < saldos.linhas.size(); ++i) {
    if (i % 100 == 0) AtualizarAvanco(id_efd, "H010", i + 1, saldos.linhas.size());
    for (const TPosicao& p : Posicoes(inv, saldos.linhas[i], remessas, remessa))
      total += IncluirItem(inv, p);
  }
  sessao.ExecutarDiretoNoBD("UPDATE Z8_REGEFDH005 SET VALTOTEST = :TOTAL WHERE ID = :ID",
                            {{"TOTAL", Arredondar(total, 2)}, {"ID", inv.id_h005}});
  return 1;
}

std::vector<Th5RegistroEFDH005::TPosicao> Th5RegistroEFDH005::Posicoes(
    const TInventario& inv, const std::vector<TVariant>& s, const TxbResultado& remessas,
    size_t& remessa) const {
  const std::string ind_prop =
      Trim(s[kColunaIndProp].AsString()).empty() ? "0" : Trim(s[kColunaIndProp].AsString());
  const TVariant detentor = ind_prop == "0" ? TVariant() : s[kColunaDetentor];
  if (!inv.rateio)
    return {{s, ind_prop, detentor, Arredondar(s[kColunaQuantidade].AsFloat(), 3),
             Arredondar(s[kColunaValorTotal].AsFloat(), 2)}};
  // Goods of others, then own goods with others, then what stays of the
  // balance; a product's remittances go to its first balance row.
  const double custo = s[kColunaCustoMedio].AsFloat();
  const int64_t produto = s[kColunaProduto].AsInteger();
  std::vector<TPosicao> posicoes;
  double alocado = 0;
  for (; remessa < remessas.linhas.size() &&
         remessas.linhas[remessa][kRemessaProduto].AsInteger() <= produto;
       ++remessa) {
    const auto& r = remessas.linhas[remessa];
    const double aberta = Arredondar(r[kRemessaAberta].AsFloat(), 3);
    if (r[kRemessaProduto].AsInteger() < produto || aberta <= 0) continue;
    alocado += aberta;
    posicoes.push_back({s, Trim(r[kRemessaIndProp].AsString()), r[kRemessaParte], aberta,
                        Arredondar(aberta * custo, 2)});
  }
  const double restante = Arredondar(s[kColunaQuantidade].AsFloat() - alocado, 3);
  if (restante > 0)
    posicoes.push_back({s, ind_prop, detentor, restante, Arredondar(restante * custo, 2)});
  return posicoes;
}

double Th5RegistroEFDH005::IncluirItem(TInventario& inv, const TPosicao& p) {
  const auto& s = p.saldo;
  auto texto = [&s](TColunaSaldo c) { return Trim(s[c].AsString()); };
  const bool drcst = inv.cabecalho.drcst;
  const double quantidade = p.quantidade;
  const double valor = p.valor;
  if (!drcst && (Arredondar(quantidade, 2) <= 0 || valor <= 0)) return 0;

  const std::string ncm = texto(kColunaNCM);
  const TRegraFamilia* regra = Regra(s[kColunaFamilia].AsInteger(), ncm);
  const std::string letra =
      regra && !regra->tipo_item.empty() ? regra->tipo_item : texto(kColunaTipoItemFamilia);
  if (!inv.todos_tipos &&
      kTiposSoNoCompleto.count(Th5RegistroEFD0200::RetornarTipoItemPeloIndice(letra)))
    return 0;
  if (inv.h020 && !inv.ncms_h020.empty() && !inv.ncms_h020.count(ncm)) return 0;

  const std::string codigo = inv.sem_prefixo ? texto(kColunaCodProd) : "P" + texto(kColunaCodProd);
  std::string unidade;
  inv.produtos->IncluirNovo(inv.cabecalho.id, inv.bloco0, codigo, s[kColunaProduto].AsInteger(),
                            texto(kColunaNome), texto(kColunaCodBarras), "", letra, unidade, ncm,
                            texto(kColunaExTIPI), texto(kColunaGenero), "", texto(kColunaCEST), 0,
                            inv.cabecalho.inicio, inv.cabecalho.fim, 0, inv.cabecalho.filial);

  std::string participante;
  if (!drcst && !p.parte.IsNull())
    participante = inv.participantes->IncluirIdentidade(
        inv.cabecalho.id, inv.bloco0, p.parte.AsInteger(), inv.cabecalho.inicio, inv.cabecalho.fim);

  const int id_h010 = inv.itens->Incluir(
      inv.bloco, inv.tipo_h010, inv.id_h005, CodigoItemNoArquivo(codigo), unidade, quantidade,
      s[kColunaCustoMedio].AsFloat(), valor, p.ind_prop, participante, "", "");
  if (inv.consolidado) {
    ThbObjetoNegocio& h011 = *inv.consolidado_;
    IncluirLinhaDeRegistro(h011, inv.tipo_h011, inv.bloco, "H011");
    h011.Campo("RegEFDH011_IDF_RegEFDH010").SetAsInteger(id_h010);
    h011.Campo("RegEFDH011_CNPJ").SetAsString(texto(kColunaCNPJ));
    h011.ConfirmarRegistro();
  }
  if (inv.h020 && regra && !regra->origem.empty() && !regra->tributacao.empty()) {
    if (inv.aliquota < 0) inv.aliquota = AliquotaDeCompra(inv);
    const std::string cst = regra->origem + regra->tributacao;
    const bool sem_icms = cst == "090";
    ThbObjetoNegocio& h020 = *inv.icms;
    IncluirLinhaDeRegistro(h020, inv.tipo_h020, inv.bloco, "H020");
    h020.Campo("RegEFDH020_IDF_RegEFDH010").SetAsInteger(id_h010);
    h020.Campo("RegEFDH020_CST_ICMS").SetAsString(cst);
    h020.Campo("RegEFDH020_BC_ICMS").SetAsFloat(sem_icms ? 0 : valor);
    h020.Campo("RegEFDH020_VL_ICMS")
        .SetAsFloat(sem_icms ? 0 : Arredondar(inv.aliquota / 100 * valor, 2));
    h020.ConfirmarRegistro();
  }
  return valor;
}

int Th5RegistroEFDH005::INTERNO_RetornarQtdReg(int id_efd) {
  const int bloco = IdBloco(id_efd, "Bloco H");
  if (bloco == 0) return 0;
  AbrirRegistrosDoBloco(bloco, "1");
  return GetDados().GetCDS().RecordCount();
}

std::string Th5RegistroEFDH005::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro H005");
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsESPGeracao");
  ThbClientDataSet& h = cabecalho.GetCDS();
  TxbLinhasEFD linhas(sessao);
  if (Trim(h.FieldByName("EFD_Modelo").AsString()) != "1") return "";
  const TDateTime inicio = h.FieldByName("EFD_DataInicio").AsDateTime();
  const bool com_motivo = inicio >= TDateTime::EncodeDate(2012, 7, 1);
  const bool com_valor_ir = inicio >= TDateTime::EncodeDate(2015, 1, 1);
  const bool drcst = LerCabecalhoEFD(sessao, id_efd).drcst;

  const int bloco = IdBloco(id_efd, "Bloco H");
  ThbClientDataSet& inventarios = GetDados().GetCDS();
  if (bloco > 0) AbrirRegistrosDoBloco(bloco, "1");
  const bool vazio = bloco == 0 || inventarios.IsEmpty();
  linhas.AdicionarPronta(vazio ? "|H001|1|" : "|H001|0|");
  if (!vazio) {
    // The items and their ICMS, each found by its parent.
    auto itens = Aplicacao().Criar("RegistroEFDH010", sessao);
    auto estabelecimentos = Aplicacao().Criar("RegistroEFDH011", sessao);
    auto icms = Aplicacao().Criar("RegistroEFDH020", sessao);
    TxbObjetoTemporario liberar_itens(itens), liberar_estabelecimentos(estabelecimentos),
        liberar_icms(icms);
    for (auto& [objeto, ligacao] : {std::pair{itens, "RegEFDH010_IDF_RegEFDH005"},
                                    std::pair{estabelecimentos, "RegEFDH011_IDF_RegEFDH010"},
                                    std::pair{icms, "RegEFDH020_IDF_RegEFDH010"}}) {
      T2bDados& dados = objeto->GetDados();
      dados.GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD", TOperador::Igual,
                                                           bloco);
      dados.AtivarDataSet("VsEDC01");
      dados.GetCDS().SetIndexFieldNames(ligacao);
    }
    ThbClientDataSet& h010 = itens->GetDados().GetCDS();
    ThbClientDataSet& h011 = estabelecimentos->GetDados().GetCDS();
    ThbClientDataSet& h020 = icms->GetDados().GetCDS();
    auto t = [](ThbClientDataSet& c, const char* a) { return Trim(c.FieldByName(a).AsString()); };
    auto v = [](ThbClientDataSet& c, const char* a, const char* mascara) {
      return FormatarMascara(c.FieldByName(a).AsFloat(), mascara);
    };
    for (inventarios.First(); !inventarios.Eof(); inventarios.Next()) {
      linhas.Adicionar(
          "H005",
          {t(inventarios, "RegEFDH005_DataInv"), v(inventarios, "RegEFDH005_ValTotEst", "0.00"),
           "0" + t(inventarios, "RegEFDH005_MotivInv")},
          com_motivo ? 3 : 2);
      const int id_h005 = inventarios.FieldByName("RegEFDH005_ID").AsInteger();
      for (bool achou = h010.FindKey({TVariant(id_h005)});
           achou && !h010.Eof() &&
           h010.FieldByName("RegEFDH010_IDF_RegEFDH005").AsInteger() == id_h005;
           h010.Next()) {
        linhas.Adicionar(
            "H010",
            {t(h010, "RegEFDH010_CodItem"), t(h010, "RegEFDH010_Unidade"),
             v(h010, "RegEFDH010_Qtde", "0.000"), v(h010, "RegEFDH010_ValUnit", "0.000000"),
             v(h010, "RegEFDH010_ValTotItem", "0.00"), t(h010, "RegEFDH010_IndProp"),
             t(h010, "RegEFDH010_CodPart"), t(h010, "RegEFDH010_TextoCopl"),
             t(h010, "RegEFDH010_CodCtaAna"), drcst ? "0" : ""},
            com_valor_ir ? 10 : 9);
        const int id_h010 = h010.FieldByName("RegEFDH010_ID").AsInteger();
        for (bool tem = h011.FindKey({TVariant(id_h010)});
             tem && !h011.Eof() &&
             h011.FieldByName("RegEFDH011_IDF_RegEFDH010").AsInteger() == id_h010;
             h011.Next())
          linhas.Adicionar("H011", {t(h011, "RegEFDH011_CNPJ")});
        for (bool tem = h020.FindKey({TVariant(id_h010)});
             tem && !h020.Eof() &&
             h020.FieldByName("RegEFDH020_IDF_RegEFDH010").AsInteger() == id_h010;
             h020.Next())
          linhas.Adicionar("H020",
                           {t(h020, "RegEFDH020_CST_ICMS"), v(h020, "RegEFDH020_BC_ICMS", "0.00"),
                            v(h020, "RegEFDH020_VL_ICMS", "0.00")});
      }
    }
  }
  linhas.AdicionarPronta(fmt::format("|H990|{}|", linhas.Quantidade() + 1));
  GravarContador("QtdeLinhasBloco_H", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
