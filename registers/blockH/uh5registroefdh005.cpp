#include "registers/blockH/uh5registroefdh005.h"

#include <fmt/format.h>

#include <set>
#include <utility>

#include "control/linharegistroefd.h"
#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/blockH/uh5registroefdh010.h"

namespace efd {
namespace {

// Every source gives, per product and position, the product, its family,
// the ownership and other party, the quantity, unit cost and value, the CNPJ
// of the branch holding the stock (consolidated inventories), and the
// accounts: the product's own in the branch, for the files, and its
// family's stock account; both as of the period's end.
constexpr const char* kProduto =
    "SELECT P.ID, P.CODPROD, P.NMPROD, P.CODBARRAS, P.CODIGONCM, P.EXTIPI, P.CODCEST, "
    "P.CODGENERO, P.IDF_FAMILIA, F.TIPOITEM, F.CODIGO, ";
constexpr const char* kContas =
    ", (SELECT MAX(CP.IDF_CTACTB) FROM Z8_TPCTCTBPRO CP "
    "  INNER JOIN KLVG_CLASSE CC ON CC.ID = CP.IDF_CTACTB "
    "  WHERE CP.IDF_PROD = P.ID AND CP.IDF_FILIAL = :FILIAL_CONTA "
    "  AND CP.UTILIZADONOSPED = 'T' AND CC.STATUS = '0' "
    "  AND (CC.DTINCLUSAO IS NULL OR CC.DTINCLUSAO <= :DATA_CONTA)), "
    "(SELECT MAX(J.IDF_CTACTB) FROM Z8_CTCTBFAM J "
    "  INNER JOIN KLVG_CLASSE CF ON CF.ID = J.IDF_CTACTB "
    "  WHERE J.IDF_FAMILIA = P.IDF_FAMILIA AND J.DESCRICAOCONTA = 'Conta Familia Produto' "
    "  AND CF.STATUS = '0' AND (CF.DTINCLUSAO IS NULL OR CF.DTINCLUSAO <= :DATA_FAMILIA)) ";

// Per product and branch, the last balance transaction on or before the
// inventory date that moved a quantity (the highest transaction of the
// latest such day), with the product's warehouse: its ownership and the
// other party holding or owning the goods. Goods of others come first. The
// branch is the header's, or, for a consolidated inventory (:CONSOLIDADORA
// the header's branch, :IDF_FILIAL none), each branch configured to enter
// it, with the CNPJ of the branch holding the stock.
constexpr const char* kSaldos =
    "C.INDPROP, C.IDF_IDENT, "
    "TRANS.SALQTDEFILIAL, TRANS.CUSTOMEDIO, TRANS.SALVALESTFILIAL AS VALORTOTSALDO, EC.CNPJ";
constexpr const char* kSaldosOrigem =
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
    "AND P.ID > :ULTIMO "
    "ORDER BY P.ID, C.INDPROP DESC, TRANS.IDF_FILIAL";

// The imported positions of the branch at the inventory date, by product,
// warehouse and branch code.
constexpr const char* kPosicoesImportadas =
    "C.INDPROP, C.IDF_IDENT, I.QUANTIDADE AS SALQTDEFILIAL, I.VALORUNITARIO AS CUSTOMEDIO, "
    "I.QUANTIDADE * I.VALORUNITARIO AS VALORTOTSALDO, CAST(NULL AS VARCHAR(14))";
constexpr const char* kPosicoesImportadasOrigem =
    "FROM Z8_POSESTIMP I "
    "INNER JOIN Z8_FILIAL FI ON FI.CODIGO = I.CODFILIAL "
    "INNER JOIN Z8_PROD P ON P.CODPROD = I.CODPROD AND P.IDF_EMPRESA = FI.IDF_EMPRESA "
    "LEFT JOIN Z8_FAMILIA F ON F.ID = P.IDF_FAMILIA "
    "LEFT JOIN Z8_ALMOX C ON C.CODIGO = I.CODALMOX "
    "WHERE FI.ID = :ID_FILIAL AND I.DATA = :DTSALDO AND P.ID > :ULTIMO "
    "ORDER BY P.ID, C.INDPROP DESC, I.ID";

// The items of the inventory documents of the branch issued on the
// inventory date: own goods held by the branch, as counted.
constexpr const char* kDocumentosDeInventario =
    "'0', CAST(NULL AS INTEGER), I.QUANTIDADE, I.VALORUNIT, I.VALORTOTAL, "
    "CAST(NULL AS VARCHAR(14))";
constexpr const char* kDocumentosDeInventarioOrigem =
    "FROM Z8_ITINVIMP I "
    "INNER JOIN Z8_DOCTO D ON D.ID = I.IDF_DOCTO "
    "INNER JOIN Z8_PROD P ON P.ID = I.IDF_PROD "
    "LEFT JOIN Z8_FAMILIA F ON F.ID = P.IDF_FAMILIA "
    "WHERE D.DATAEMI = :DATAINV AND D.IDF_FILIAL = :ID_FILIAL AND P.ID > :ULTIMO "
    "ORDER BY P.ID, I.ID";

std::string Fonte(const char* colunas, const char* origem) {
  return std::string(kProduto) + colunas + kContas + origem;
}

// The remittances of the branch still open at the inventory date, per
// product of a window: goods of others received (ownership "2") and goods
// sent to others (ownership "1"), each with the party of its document and
// the quantity not yet returned by normal documents up to the date.
constexpr const char* kRemessasAbertas =
    "SELECT R.IDF_PROD, '2' AS INDPROP, D.IDF_IDENT, R.QDADE - COALESCE((SELECT SUM(T.QDADE) "
    " FROM Z8_ITPRORETEN T INNER JOIN Z8_DOCTO P ON P.ID = T.IDF_DOCTO "
    " WHERE T.IDF_ITPROREMEN = R.ID AND (P.SITUACAONF = '0') AND P.DATAEMI <= :DTRET_ENT), 0) "
    " AS DIF_REM_RET "
    "FROM Z8_ITPROREMEN R INNER JOIN Z8_DOCTO D ON D.ID = R.IDF_DOCTO "
    "WHERE D.IDF_FILIAL = :FILIAL_ENT AND (D.SITUACAONF = '0') AND D.DATAEMI <= :DTREM_ENT "
    "AND R.IDF_PROD BETWEEN :DE_ENT AND :ATE_ENT "
    "UNION ALL "
    "SELECT R.IDF_PROD, '1' AS INDPROP, D.IDF_IDENT, R.QDADE - COALESCE((SELECT SUM(T.QDADE) "
    " FROM Z8_ITPRORETSA T INNER JOIN Z8_DOCTO P ON P.ID = T.IDF_DOCTO "
    " WHERE T.IDF_ITPROREMSA = R.ID AND (P.SITUACAONF = '0') AND P.DATAEMI <= :DTRET_SAI), 0) "
    " AS DIF_REM_RET_SAI "
    "FROM Z8_ITPROREMSA R INNER JOIN Z8_DOCTO D ON D.ID = R.IDF_DOCTO "
    "WHERE D.IDF_FILIAL = :FILIAL_SAI AND (D.SITUACAONF = '0') AND D.DATAEMI <= :DTREM_SAI "
    "AND R.IDF_PROD BETWEEN :DE_SAI AND :ATE_SAI "
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
  kColunaCodFamilia,
  kColunaIndProp,
  kColunaDetentor,
  kColunaQuantidade,
  kColunaCustoMedio,
  kColunaValorTotal,
  kColunaCNPJ,
  kColunaContaProduto,
  kColunaContaFamilia
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

// Products one customer keeps out of its inventories.
const std::set<std::string> kProdutosForaDoInventario = {"7153", "8336", "8358", "8388",
                                                         "7355", "9862", "8394"};
// Families whose items the start parameter "/H010DISAPAR" leaves out.
const std::set<std::string> kFamiliasForaComParametro = {"G9999", "G9996", "G9998"};

bool Registrada(const char* familia) {
  return Aplicacao().ChecarFamiliaRegistrada(familia);
}

}  // namespace

struct Th5RegistroEFDH005::TInventario {
  TxbCabecalhoEFD cabecalho;
  TDateTime data;
  std::string motivo;
  int bloco = 0, bloco0 = 0, tipo_h010 = 0, tipo_h011 = 0, tipo_h020 = 0, tipo_0500 = 0;
  int id_h005 = 0;
  bool todos_tipos = false, rateio = false, h020 = false, consolidado = false, sem_prefixo = false;
  bool contas = false;                          // 0500 is generated
  bool mantem_sem_valor = false;                // items without value stay
  bool produtos_fora = false;                   // the customer's fixed products stay out
  bool familias_fora = false;                   // "/H010DISAPAR"
  std::string sql;                              // the source, a window after :ULTIMO
  TParametros parametros;                       // its parameters but :ULTIMO
  std::set<std::string> ncms_h020;              // flagged NCMs; empty: no selection
  double aliquota = -1;                         // the branch's purchase rate, read once
  std::map<int64_t, std::string> contas_lidas;  // ERP account -> code in 0500
  std::shared_ptr<Th5RegistroEFDH010> itens;
  std::shared_ptr<Th5RegistroEFD0200> produtos;
  std::shared_ptr<Th5RegistroEFD0150> participantes;
  std::shared_ptr<Th5RegistroEFD0500> r0500;
  std::unique_ptr<TxbInsercaoRegistro> icms;          // H020
  std::unique_ptr<TxbInsercaoRegistro> consolidado_;  // H011
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
  const TListaRegistros registros(lista);
  inv.h020 = registros.Selecionado("H020") && inv.motivo != "1" && inv.motivo != "6";
  inv.contas = registros.Selecionado("0500");
  inv.consolidado = inv.cabecalho.drcst && Trim(h.linhas[0][3].AsString()) == "D";
  inv.mantem_sem_valor = Registrada("PautaValsMinFreteSefaz");
  inv.produtos_fora = Registrada("PosNavParvint");
  inv.familias_fora = Aplicacao().TestaPresencaParamStr("/H010DISAPAR");
  inv.bloco = bloco;
  inv.bloco0 = IdBloco0(sessao, id_efd);
  inv.tipo_h010 = IdTipoRegistro(sessao, bloco, "H010");
  inv.tipo_h011 = IdTipoRegistro(sessao, bloco, "H011");
  inv.tipo_h020 = IdTipoRegistro(sessao, bloco, "H020");
  inv.tipo_0500 = IdTipoRegistro(sessao, inv.bloco0, "0500");
  EscolherFonte(inv);

  inv.itens = Aplicacao().CriarComo<Th5RegistroEFDH010>("RegistroEFDH010", sessao);
  inv.produtos = Aplicacao().CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", sessao);
  inv.participantes = Aplicacao().CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", sessao);
  inv.r0500 = Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", sessao);
  TxbObjetoTemporario liberar_itens(inv.itens), liberar_produtos(inv.produtos),
      liberar_participantes(inv.participantes), liberar_contas(inv.r0500);
  if (inv.h020) {
    inv.icms = std::make_unique<TxbInsercaoRegistro>(
        sessao, "H020",
        std::vector<std::string>{"IDF_RegEFDH010", "CST_ICMS", "BC_ICMS", "VL_ICMS"});
    inv.ncms_h020 = RetornaNCMsBlocoH020();
  }
  if (inv.consolidado)
    inv.consolidado_ = std::make_unique<TxbInsercaoRegistro>(
        sessao, "H011", std::vector<std::string>{"IDF_RegEFDH010", "CNPJ"});
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

  double total = 0;
  size_t lidos = 0;
  for (int64_t ultimo = 0;;) {
    const TxbResultado janela = ProximaJanela(inv, ultimo);
    if (janela.Vazio()) break;
    const int64_t primeiro = janela.linhas.front()[kColunaProduto].AsInt64();
    ultimo = janela.linhas.back()[kColunaProduto].AsInt64();
    const TxbResultado remessas =
        inv.rateio ? RemessasDaJanela(inv, primeiro, ultimo) : TxbResultado();
    size_t remessa = 0;
    for (const auto& saldo : janela.linhas)
      for (const TPosicao& p : Posicoes(inv, saldo, remessas, remessa))
        total += IncluirItem(inv, p);
    lidos += janela.linhas.size();
    AtualizarMensagem(id_efd, fmt::format("RegistroEFD [H010] - {}", lidos));
  }
  sessao.ExecutarDiretoNoBD("UPDATE Z8_REGEFDH005 SET VALTOTEST = :TOTAL WHERE ID = :ID",
                            {{"TOTAL", Arredondar(total, 2)}, {"ID", inv.id_h005}});
  return 1;
}

void Th5RegistroEFDH005::EscolherFonte(TInventario& inv) {
  const int filial = inv.cabecalho.filial;
  inv.parametros = {{"FILIAL_CONTA", filial},
                    {"DATA_CONTA", inv.cabecalho.fim.DateOf()},
                    {"DATA_FAMILIA", inv.cabecalho.fim.DateOf()}};
  if (Registrada("LayoutImpCiaValtero")) {
    // The customer's counted stock: goods, raw materials and products only,
    // without ICMS.
    AtualizarMensagem(inv.cabecalho.id, "BLOCO H - Cia Valtero");
    inv.sql = Fonte(kDocumentosDeInventario, kDocumentosDeInventarioOrigem);
    inv.parametros.insert(inv.parametros.end(), {{"DATAINV", inv.data}, {"ID_FILIAL", filial}});
    inv.todos_tipos = inv.rateio = inv.h020 = inv.consolidado = false;
    return;
  }
  if (!inv.consolidado && !Registrada("ParamDespComDRVPneus") &&
      (inv.mantem_sem_valor || Registrada("PrioridadeOlvecor"))) {
    // Each position names its warehouse: nothing to allocate.
    inv.sql = Fonte(kPosicoesImportadas, kPosicoesImportadasOrigem);
    inv.parametros.insert(inv.parametros.end(), {{"ID_FILIAL", filial}, {"DTSALDO", inv.data}});
    inv.rateio = false;
    return;
  }
  if (Registrada("ParamDespComDRVPneus")) inv.rateio = false;
  inv.sql = Fonte(kSaldos, kSaldosOrigem);
  inv.parametros.insert(inv.parametros.end(), {{"CONSOLIDADORA", inv.consolidado ? filial : 0},
                                               {"IDF_FILIAL", inv.consolidado ? 0 : filial},
                                               {"DTSALDO", inv.data}});
}

TxbResultado Th5RegistroEFDH005::ProximaJanela(const TInventario& inv, int64_t ultimo) {
  TParametros parametros = inv.parametros;
  parametros.emplace_back("ULTIMO", ultimo);
  for (size_t limite = LinhasPorJanela();; limite *= 2) {
    TxbResultado r = GetSession().Consultar(
        GetSession().GetBD().LimitarLinhas(inv.sql, static_cast<int>(limite)), parametros);
    if (r.linhas.size() < limite) return r;
    // The window's last product may go on past it: it starts the next one.
    const int64_t seguinte = r.linhas.back()[kColunaProduto].AsInt64();
    auto fim = r.linhas.end();
    while (fim != r.linhas.begin() && (fim - 1)->at(kColunaProduto).AsInt64() == seguinte) --fim;
    if (fim != r.linhas.begin()) {
      r.linhas.erase(fim, r.linhas.end());
      return r;
    }
    // One product fills the window: read it again in a larger one.
  }
}

TxbResultado Th5RegistroEFDH005::RemessasDaJanela(const TInventario& inv, int64_t primeiro,
                                                  int64_t ultimo) {
  const int filial = inv.cabecalho.filial;
  return GetSession().Consultar(kRemessasAbertas, {{"DTRET_ENT", inv.data},
                                                   {"FILIAL_ENT", filial},
                                                   {"DTREM_ENT", inv.data},
                                                   {"DE_ENT", primeiro},
                                                   {"ATE_ENT", ultimo},
                                                   {"DTRET_SAI", inv.data},
                                                   {"FILIAL_SAI", filial},
                                                   {"DTREM_SAI", inv.data},
                                                   {"DE_SAI", primeiro},
                                                   {"ATE_SAI", ultimo}});
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

std::string Th5RegistroEFDH005::ContaDoItem(TInventario& inv, const std::vector<TVariant>& s) {
  const TVariant& conta =
      s[kColunaContaProduto].IsNull() ? s[kColunaContaFamilia] : s[kColunaContaProduto];
  if (conta.IsNull()) return "001";
  if (!inv.contas) return "";
  const int64_t id = conta.AsInt64();
  auto achada = inv.contas_lidas.find(id);
  if (achada != inv.contas_lidas.end()) return achada->second;
  std::string natureza;
  inv.r0500->INTERNO_Incluir(inv.cabecalho.id, inv.bloco0, inv.tipo_0500, "", "", "",
                             static_cast<int>(id), natureza, "A", "", false);
  return inv.contas_lidas[id] = Trim(inv.r0500->Campo("RegEFD0500_CodConta").AsString());
}

double Th5RegistroEFDH005::IncluirItem(TInventario& inv, const TPosicao& p) {
  const auto& s = p.saldo;
  auto texto = [&s](TColunaSaldo c) { return Trim(s[c].AsString()); };
  const bool drcst = inv.cabecalho.drcst;
  const double quantidade = p.quantidade;
  const double valor = p.valor;
  if (!drcst && Arredondar(quantidade, 2) <= 0) return 0;
  if (!drcst && !inv.mantem_sem_valor && valor <= 0) return 0;
  if (inv.produtos_fora && kProdutosForaDoInventario.count(texto(kColunaCodProd))) return 0;
  if (inv.familias_fora && kFamiliasForaComParametro.count(texto(kColunaCodFamilia))) return 0;

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
      s[kColunaCustoMedio].AsFloat(), valor, p.ind_prop, participante, "", ContaDoItem(inv, s));
  if (inv.consolidado)
    inv.consolidado_->Inserir(inv.bloco, inv.tipo_h011, {id_h010, texto(kColunaCNPJ)});
  if (inv.h020 && regra && !regra->origem.empty() && !regra->tributacao.empty()) {
    if (inv.aliquota < 0) inv.aliquota = AliquotaDeCompra(inv);
    const std::string cst = regra->origem + regra->tributacao;
    const bool sem_icms = cst == "090";
    inv.icms->Inserir(inv.bloco, inv.tipo_h020,
                      {id_h010, cst, sem_icms ? 0.0 : valor,
                       sem_icms ? 0.0 : Arredondar(inv.aliquota / 100 * valor, 2)});
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
  // The items a page at a time, each with its CNPJ and its ICMS.
  TxbRegistroFilho h011{"H011", "IDF_RegEFDH010", {"CNPJ"}};
  TxbRegistroFilho h020{"H020", "IDF_RegEFDH010", {"CST_ICMS", "BC_ICMS", "VL_ICMS"}};
  h020.ajustar = [](std::vector<TVariant>& v) {
    v[1] = FormatarMascara(v[1].AsFloat(), "0.00");
    v[2] = FormatarMascara(v[2].AsFloat(), "0.00");
  };
  TxbRegistroFilho h010{"H010",
                        "IDF_RegEFDH005",
                        {"CodItem", "Unidade", "Qtde", "ValUnit", "ValTotItem", "IndProp",
                         "CodPart", "TextoCopl", "CodCtaAna"},
                        {&h011, &h020}};
  h010.ajustar = [com_valor_ir, drcst](std::vector<TVariant>& v) {
    v[2] = FormatarMascara(v[2].AsFloat(), "0.000");
    v[3] = FormatarMascara(v[3].AsFloat(), "0.000000");
    v[4] = FormatarMascara(v[4].AsFloat(), "0.00");
    if (com_valor_ir) v.emplace_back(drcst ? "0" : "");
  };
  size_t escritos = 0;
  for (inventarios.First(); !vazio && !inventarios.Eof(); inventarios.Next()) {
    auto t = [&inventarios](const char* a) { return Trim(inventarios.FieldByName(a).AsString()); };
    linhas.Adicionar(
        "H005",
        {t("RegEFDH005_DataInv"),
         FormatarMascara(inventarios.FieldByName("RegEFDH005_ValTotEst").AsFloat(), "0.00"),
         "0" + t("RegEFDH005_MotivInv")},
        com_motivo ? 3 : 2);
    h010.EscreverPorPaginas(
        sessao, linhas, bloco, inventarios.FieldByName("RegEFDH005_ID").AsInteger(), [&] {
          if (++escritos % 1000 == 0)
            AtualizarMensagem(id_efd, fmt::format("RegistroEFD [H010] - {}", escritos));
        });
  }
  linhas.AdicionarPronta(fmt::format("|H990|{}|", linhas.Quantidade() + 1));
  GravarContador("QtdeLinhasBloco_H", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
