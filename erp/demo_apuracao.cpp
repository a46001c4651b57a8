#include "erp/demo_apuracao.h"

#include <fmt/format.h>

#include <cmath>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace efd::erp {
namespace {

// Debits are the tax of output CFOPs, credits of input CFOPs; 5.605 and
// 1.605 change sides. {0} is the CFOP's code, {1} the tax's value.
constexpr const char* kDebitosCreditosPorCFOP =
    "SELECT SUM(CASE WHEN (({0} LIKE '5%') AND ({0} <> '5.605')) OR ({0} LIKE '6%') OR ({0} LIKE "
    "'7%') OR ({0} = '1.605') THEN {1} ELSE 0 END), "
    "SUM(CASE WHEN (({0} LIKE '1%') AND ({0} <> '1.605')) OR ({0} LIKE '2%') OR ({0} LIKE '3%') "
    "OR ({0} = '5.605') THEN {1} ELSE 0 END) ";

// The branch's valid documents of the month (E), by their entry date or
// their issue date as their standard has it, but for the electronic
// communication invoices (model 62), whose D730 totals the assessment does
// not take, and the documents of types that post an expense of their own,
// which the books do not take.
constexpr const char* kDocumentosDoMes =
    "INNER JOIN Z8_TIPDOC G ON G.ID = E.IDF_TPDOCTO INNER JOIN Z8_PADRAODOC J ON J.ID = "
    "G.IDF_PADRAODOC "
    "WHERE (E.IDF_FILIAL = :FILIAL) AND (E.SITUACAO = '1') AND (E.SITUACAONF <> '1') "
    "AND (((J.CODINTERNO IN (13, 32, 42, 55, 118, 119, 122, 320)) AND (E.DTENTSAI BETWEEN "
    ":INICIO AND :FIM)) OR ((J.CODINTERNO NOT IN (13, 32, 42, 55, 118, 119, 122, 320)) AND "
    "(E.DATAEMI BETWEEN :INICIO AND :FIM))) AND NOT EXISTS (SELECT M.ID FROM Z8_PARTETPDOC P "
    "INNER JOIN Z8_TPDOCTOGER T ON T.IDA = P.ID INNER JOIN Z8_MODELODOCT M ON M.ID = "
    "COALESCE(E.IDF_MODELODOCTO, T.IDF_MODELODOCT) WHERE (P.IDF_TIPDOC = E.IDF_TPDOCTO) AND "
    "(M.CODMODELO = '62')) AND NOT EXISTS (SELECT X.ID FROM Z8_PARTETPDOC X WHERE "
    "(X.IDF_TIPDOC = E.IDF_TPDOCTO) AND (X.FD = 'TpDocDespesa'))";

// The items of those documents, goods or services ({0}, the taxes' table):
// goods, transport and communication documents alike.
constexpr const char* kItensDoMes =
    "FROM {0} A INNER JOIN Z8_TRIBITEM B ON B.ID = A.IDA "
    "INNER JOIN Z8_DOCTOITEM C ON C.ID = B.IDF_DOCTOITEM "
    "INNER JOIN Z8_PARTEDOCTO D ON D.ID = C.IDA INNER JOIN Z8_DOCTO E ON E.ID = D.IDF_DOCTO "
    "INNER JOIN Z8_CODFISOPE F ON F.ID = C.IDF_CFOP ";

// The ICMS those documents state on their total, as utility bills do.
constexpr const char* kICMSDosDocumentos =
    "FROM Z8_DOCTOTRIB A INNER JOIN Z8_IMPOSTO I ON I.ID = A.IDF_IMPOSTO AND I.TIPO = '0' "
    "INNER JOIN Z8_DOCTO E ON E.ID = A.IDF_DOCTO INNER JOIN Z8_CODFISOPE F ON F.ID = A.IDF_CFOP ";

// The freight bills typed on the branch's goods entries of the month.
constexpr const char* kFretesDoMes =
    "FROM Z8_PARDCCOFRE A INNER JOIN Z8_PARTEDOCTO D ON D.ID = A.IDA "
    "INNER JOIN Z8_DOCTO E ON E.ID = D.IDF_DOCTO INNER JOIN Z8_CODFISOPE F ON F.ID = A.IDF_CFOP "
    "WHERE (E.IDF_FILIAL = :FILIAL) AND (A.DATAENTRADA BETWEEN :INICIO AND :FIM) AND "
    "(A.VALORFRETE > 0)";

// The ICMS that the branch's fiscal printers totalled in the month's
// closings: every coupon is a sale.
constexpr const char* kICMSDasReducoes =
    "SELECT SUM(I.TOTALIMPOSTO) FROM Z8_ICMSRDZ I INNER JOIN Z8_RDZ A ON A.ID = I.IDF_REDUCAOZ "
    "WHERE (A.IDF_FILIAL = :FILIAL) AND (A.DATAMOV BETWEEN :INICIO AND :FIM) AND "
    "(A.TOTALVENDABRUTA > 0)";

// The first analytic account of the visual chart under a synthetic class,
// and that class.
constexpr const char* kContaDasReceitas =
    "SELECT A.ID, A.IDF_SINTETICO FROM KLVG_ANALITICO A INNER JOIN KLVG_CLASSEVIS C "
    "ON C.ID = A.IDA WHERE A.IDF_SINTETICO IS NOT NULL ORDER BY C.MASCARA";

// The head office's adjustments of the month: code, kind of the document
// type, description and values (the first has two lines of one
// description, which the file shows as one adjustment).
struct TRubricaDemo {
  const char* codigo;
  const char* tipo;
  const char* descricao;
  std::vector<double> valores;
  bool processo;
  bool compra;  // the first line names the purchase the rate difference is due on
};
const TRubricaDemo kRubricas[] = {
    {"SP000001",
     "1",
     "Diferencial de alíquota do material de uso e consumo",
     {70.0, 50.0},
     false,
     true},
    {"SP010001", "4", "Estorno de crédito de mercadoria furtada", {20.0}, false, false},
    {"SP020001", "2", "Crédito do ativo imobilizado (CIAP)", {80.0}, false, false},
    {"SP030001", "3", "Estorno de débito de venda cancelada fora do prazo", {50.0}, false, false},
    {"SP040001", "6", "Dedução do incentivo à cultura", {30.0}, true, false}};

void Inserir(TpbBD& bd, const std::string& tabela,
             const std::vector<std::pair<std::string, TVariant>>& v) {
  std::string colunas, valores;
  TParametros parametros;
  for (const auto& [coluna, valor] : v) {
    colunas += (colunas.empty() ? "" : ", ") + coluna;
    valores += (valores.empty() ? ":" : ", :") + coluna;
    parametros.emplace_back(coluna, valor);
  }
  bd.Executar("INSERT INTO " + tabela + " (" + colunas + ") VALUES (" + valores + ")", parametros);
}

int64_t Estado(TpbBD& bd, const char* sigla) {
  return bd.Consultar("SELECT ID FROM KLVG_UF WHERE SIGLA = :SIGLA", {{"SIGLA", sigla}})
      .linhas.at(0)
      .at(0)
      .AsInt64();
}

std::string Sigla(TpbBD& bd, int64_t estado) {
  return bd.Consultar("SELECT SIGLA FROM KLVG_UF WHERE ID = :ID", {{"ID", estado}})
      .linhas.at(0)
      .at(0)
      .AsString();
}

int64_t EstadoDaFilial(TpbBD& bd, int64_t filial) {
  return bd
      .Consultar(
          "SELECT E.IDF_UF FROM Z8_FILIAL A INNER JOIN KLVG_PAPELREL B ON B.ID = A.IDF_PAPELREL "
          "INNER JOIN KLVG_IDENT C ON C.ID = B.IDF_IDENT INNER JOIN KLVG_ENDER D "
          "ON D.ID = C.IDF_ENDER INNER JOIN KLVG_CID E ON E.ID = D.IDF_CID WHERE A.ID = :ID",
          {{"ID", filial}})
      .linhas.at(0)
      .at(0)
      .AsInt64();
}

// The rubric document type of the state's ICMS-ST deductions (code "14" of
// its assessment table), coded "RST" and the state.
void TipoDeRubricaST(TpbBD& bd, int64_t& proximo, int64_t padrao, int64_t estado) {
  const int64_t codigo = proximo++, tipo = proximo++, parte = proximo++;
  const std::string sigla = Sigla(bd, estado);
  Inserir(bd, "Z8_TABAJSALAP",
          {{"ID", codigo},
           {"CODAJUSAPURA", sigla + "140001"},
           {"DESCRICAO", "Dedução do ICMS-ST"},
           {"IDF_UF", estado}});
  Inserir(bd, "Z8_TIPDOC",
          {{"ID", tipo},
           {"CODIGO", "RST" + sigla},
           {"DESCRICAO", "Rubrica do ICMS-ST " + sigla},
           {"IDF_PADRAODOC", padrao}});
  Inserir(bd, "Z8_PARTETPDOC", {{"ID", parte}, {"FD", "TipoDoctoFiscal"}, {"IDF_TIPDOC", tipo}});
  Inserir(bd, "Z8_TPDOCTOFIS",
          {{"ID", parte},
           {"IDA", parte},
           {"IDF_TABELAAJSALAPURA", codigo},
           {"TIPO", "6"},
           {"IDF_UF", estado},
           {"TIPOREGISTRO", "A"}});
}

// The fiscal parameters of the branch's state: its rubric type of the rate
// difference (`difal`), and its table of declaratory values (the employees,
// and the general observation that repeats their description), with the
// branch's 42 employees.
void ParametrosDoEstado(TpbBD& bd, int64_t& proximo, int64_t filial, int64_t estado,
                        int64_t difal) {
  const int64_t parametros = proximo++;
  Inserir(bd, "Z8_PESTESCFIS",
          {{"ID", parametros}, {"IDF_ESTADO", estado}, {"IDF_TPDOCRUBDIFALIQ", difal}});
  const struct {
    const char *codigo, *tipo, *descricao, *observacao;
  } linhas[] = {{"SP990001", "2", "Número de empregados da filial", "T"},
                {"SP990002", "0", "Observação geral da apuração", "F"}};
  for (const auto& l : linhas) {
    const int64_t codigo = proximo++;
    Inserir(bd, "Z8_TABAJSALAP",
            {{"ID", codigo},
             {"CODAJUSAPURA", l.codigo},
             {"DESCRICAO", l.descricao},
             {"IDF_UF", estado}});
    Inserir(bd, "Z8_IADICAPICM",
            {{"ID", proximo++},
             {"IDF_PESTESCFIS", parametros},
             {"IDF_TABAJSALAP", codigo},
             {"TIPOREG", l.tipo},
             {"DESCICAOCOMPL", l.descricao},
             {"ADICREGGERALOBSERV", l.observacao}});
  }
  Inserir(bd, "Z8_FUNCFILIAL",
          {{"ID", proximo++},
           {"IDF_FILIAL", filial},
           {"INICIOVIGENCIA", TDateTime::EncodeDate(2020, 1, 1)},
           {"NUMFUNC", 42.0}});
  // The revenues of the month: the movements of the accounts under the first
  // synthetic class of the visual chart that has analytic accounts.
  TxbResultado conta = bd.Consultar(kContaDasReceitas);
  if (conta.Vazio()) return;
  const int64_t codigo = proximo++;
  Inserir(bd, "Z8_TABAJSALAP",
          {{"ID", codigo},
           {"CODAJUSAPURA", Sigla(bd, estado) + "990003"},
           {"DESCRICAO", "Receitas do mês"},
           {"IDF_UF", estado}});
  Inserir(bd, "Z8_IADICAPICM",
          {{"ID", proximo++},
           {"IDF_PESTESCFIS", parametros},
           {"IDF_TABAJSALAP", codigo},
           {"TIPOREG", "1"},
           {"IDF_CLASSEVIS", conta.linhas[0][1]},
           {"DESCICAOCOMPL", "Receitas do mês"},
           {"ADICREGGERALOBSERV", "F"}});
}

// The state assesses the rate difference of returned goods as a credit
// adjustment of code 02.
void DifalDeDevolucoesDoEstado(TpbBD& bd, int64_t& proximo, int64_t estado) {
  const int64_t codigo = proximo++;
  Inserir(bd, "Z8_TABAJVPRDF",
          {{"ID", codigo},
           {"CODAJUSTE", Sigla(bd, estado) + "020002"},
           {"DESCRICAO", "Diferencial de alíquota de devoluções"},
           {"IDF_UF", estado}});
  Inserir(bd, "Z8_TAJUSTRIBA",
          {{"ID", proximo++},
           {"IDF_ESTADO", estado},
           {"TIPOAJUSTE", "1"},
           {"OPFISCAL", "3"},
           {"IDF_TABAJVPRDF", codigo}});
}

// How the head office pays the ICMS-ST: to its state also by item
// adjustments under a revenue code due on the 9th of the next month; to
// Minas Gerais by collection documents of its treasury, whose obligation
// (999, other) and revenue code the branch's GNRE parameters give.
void PagamentosDaST(TpbBD& bd, int64_t& proximo, int64_t filial, int64_t estado) {
  Inserir(bd, "Z8_TABCODREC",
          {{"ID", proximo++}, {"CODIGO", "063-2"}, {"UF", Sigla(bd, estado)}, {"DIAVENCTO", "9"}});
  const int64_t minas = Estado(bd, "MG"), parametros = proximo++;
  Inserir(bd, "Z8_PARAMFIL",
          {{"ID", parametros},
           {"FD", "DetalhaDespGNRE"},
           {"IDF_FILIAL", filial},
           {"DATAINICIAL", TDateTime::EncodeDate(2020, 1, 1)},
           {"DATAFINAL", TDateTime::EncodeDate(2099, 12, 31)},
           {"SITUACAO", "1"}});
  Inserir(bd, "Z8_DETDESGNRE",
          {{"ID", parametros},
           {"IDA", parametros},
           {"IDF_UF", minas},
           {"TIPODOCDESPESA", "1"},
           {"CODOBRIGREC", 8},
           {"CODRECEITA", "0121"}});
  const int64_t endereco = proximo++;
  Inserir(
      bd, "KLVG_ENDER",
      {{"ID", endereco},
       {"LOGRADOURO", "Rodovia Papa João Paulo II"},
       {"IDF_CID", bd.Consultar("SELECT MIN(ID) FROM KLVG_CID WHERE IDF_UF = :UF", {{"UF", minas}})
                       .linhas.at(0)
                       .at(0)}});
  Inserir(bd, "KLVG_IDENT",
          {{"ID", proximo++},
           {"FD", "Identificacao"},
           {"CODIGO", "SEFMG"},
           {"NOME", "Secretaria de Estado de Fazenda"},
           {"IDF_ENDER", endereco}});
}

struct TDebitosCreditos {
  double debitos = 0, creditos = 0;
};

class TApuracoesDemo {
 public:
  TApuracoesDemo(TpbBD& bd, const ResultadoDemo& demo)
      : bd_(bd), demo_(demo), proximo_(demo.maior_id + 1) {}

  int64_t Construir() {
    const int64_t matriz = demo_.filiais.front();
    const TDebitosCreditos icms = Somas(matriz, "ICMSVALOR");
    // The reversals agree with the rubrics of codes 01 and 03.
    Apuracao(matriz, Imposto("0"),
             {{"DEBITOS", Centavos(icms.debitos)},
              {"CREDITOS", Centavos(icms.creditos)},
              {"ESTORNOSCREDITOS", 20.0},
              {"ESTORNOSDEBITOS", 50.0},
              {"SALDOANTERIOR", 1500.0}});
    for (const TRubricaDemo& r : kRubricas) Rubrica(matriz, r);
    RubricaIPI(matriz);
    // ICMS falls due on the 10th of the next month, for every branch.
    Inserir("Z8_VENIMPTRBN", {{"ID", proximo_++},
                              {"IDF_IMPOSTO", Imposto("0")},
                              {"INICIOVIGENCIA", TDateTime::EncodeDate(2010, 1, 1)},
                              {"DIAVENCTO", "A"},
                              {"CODRECEITA", "046-2"}});
    const TDebitosCreditos ipi = Somas(matriz, "IPIVALOR");
    const double saldo = Centavos(ipi.debitos) - Centavos(ipi.creditos);
    Apuracao(matriz, Imposto("1"),
             {{"DEBITOS", Centavos(ipi.debitos)},
              {"CREDITOS", Centavos(ipi.creditos)},
              {"IMPOSTORECOLHER", saldo > 0 ? saldo : 0.0},
              {"IMPOSTOTRANSPORTAR", saldo < 0 ? -saldo : 0.0}});
    ApuracoesST(matriz);
    DifalDasDevolucoes(matriz);
    ValorDeclaratorioContabil(matriz);
    for (size_t i = 1; i < demo_.filiais.size(); ++i) ApuracaoDaFilial(demo_.filiais[i]);
    return proximo_ - 1;
  }

  // A branch's ICMS assessment: the debits and credits of its documents.
  int64_t ApuracaoDaFilial(int64_t filial) {
    const TDebitosCreditos icms = Somas(filial, "ICMSVALOR");
    Apuracao(filial, Imposto("0"),
             {{"DEBITOS", Centavos(icms.debitos)}, {"CREDITOS", Centavos(icms.creditos)}});
    return proximo_ - 1;
  }

 private:
  // The first purchase of the branch in the month whose items carry an
  // ICMS adjustment of kind "1" (rate difference); null when none does.
  TVariant CompraAjustada(int64_t filial) {
    TxbResultado r = bd_.Consultar(
        "SELECT E.ID FROM Z8_DOCTO E INNER JOIN Z8_PARTEDOCTO D ON D.IDF_DOCTO = E.ID "
        "INNER JOIN Z8_DOCTOITEM C ON C.IDA = D.ID INNER JOIN Z8_TRIBITEM B ON B.IDF_DOCTOITEM = "
        "C.ID INNER JOIN Z8_AJTRIBITDO F ON F.IDF_TRIBITEM = B.ID INNER JOIN Z8_TIPDOC T ON T.ID = "
        "E.IDF_TPDOCTO INNER JOIN Z8_PADRAODOC P ON P.ID = T.IDF_PADRAODOC "
        "WHERE (E.IDF_FILIAL = :FILIAL) AND (P.CODINTERNO = 13) AND (F.TIPOAJUSTE = '1') "
        "AND (F.IDF_IMPOSTO = :ICMS) AND (E.DTENTSAI BETWEEN :INICIO AND :FIM) ORDER BY E.ID",
        {{"FILIAL", filial}, {"ICMS", Imposto("0")}, {"INICIO", demo_.inicio}, {"FIM", demo_.fim}});
    return r.Vazio() ? TVariant() : r.linhas[0][0];
  }

  // The ICMS-ST of the month: withheld on sales inside the head office's
  // state (350, less a deduction of 50 by a rubric), paid by a GNRE of 250
  // and, for 50, on a sale's item adjustment under a revenue code of the
  // state; and on sales to Minas Gerais (120), paid by a collection document
  // of its treasury, which the branch's GNRE parameters describe. Rio de
  // Janeiro's assessment has no figure and stays out of the file.
  void ApuracoesST(int64_t matriz) {
    const int64_t casa = EstadoDaFilial(bd_, matriz), minas = Estado(bd_, "MG");
    const int64_t tipo = bd_.Consultar("SELECT ID FROM Z8_TIPDOC WHERE CODIGO = :CODIGO",
                                       {{"CODIGO", "RST" + Sigla(bd_, casa)}})
                             .linhas.at(0)
                             .at(0)
                             .AsInt64();
    const int64_t docto = DocumentoDeRubrica(matriz, tipo), parte = proximo_++;
    Inserir("Z8_PARTEDOCTO", {{"ID", parte}, {"FD", "ParteDoctoFisRub"}, {"IDF_DOCTO", docto}});
    Inserir("Z8_PARDFISRUB", {{"ID", parte},
                              {"IDA", parte},
                              {"IDF_IMPOSTO", Imposto("A")},
                              {"VALORFISCAL", 50.0},
                              {"VALOR", 50.0},
                              {"DESCRICAO", "Dedução do ICMS-ST pago na entrada"}});
    Apuracao(matriz, Imposto("A"), {{"DEBITOS", 350.0}, {"DEDUCOES", 50.0}}, casa);
    const double ajustado = AjusteComReceita(matriz, Sigla(bd_, casa), 50.0);
    GNRE(matriz, casa, 300.0 - ajustado, 2);
    Apuracao(matriz, Imposto("A"), {{"DEBITOS", 120.0}}, minas);
    DocumentoDeArrecadacao(matriz, minas, 120.0);
    Apuracao(matriz, Imposto("A"), {}, Estado(bd_, "RJ"));
  }

  // A GNRE of the ICMS-ST paid to the state for the month, on the 9th of the
  // next, and its expense document.
  void GNRE(int64_t filial, int64_t estado, double valor, int obrigacao) {
    const int64_t docto = proximo_++, parte = proximo_++;
    const TDateTime vencimento(demo_.fim.dias + 9);
    Inserir("Z8_DOCTO", {{"ID", docto},
                         {"FD", "DoctoDespesaFiscal"},
                         {"IDF_FILIAL", filial},
                         {"NRODOCTO", "GNRE" + std::to_string(docto)},
                         {"DATAEMI", vencimento},
                         {"DTENTSAI", vencimento}});
    Inserir("Z8_DOCTODEFIS", {{"ID", docto}, {"IDA", docto}, {"VALTOTALNF", valor}});
    Inserir("Z8_PARTEDOCTO", {{"ID", parte}, {"FD", "GNRE"}, {"IDF_DOCTO", docto}});
    Inserir("Z8_GNRE", {{"ID", parte},
                        {"IDA", parte},
                        {"DATAREF", demo_.fim},
                        {"UNFEDFAV", Sigla(bd_, estado)},
                        {"CODRECEITA", "100099"},
                        {"CODOBRIGREC", obrigacao},
                        {"DATAVENCTO", vencimento}});
  }

  // An ICMS-ST adjustment of the first sale item of the month, under a
  // revenue code of the state due on the 9th of the next month.
  double AjusteComReceita(int64_t filial, const std::string& uf, double valor) {
    TxbResultado item = bd_.Consultar(
        "SELECT B.ID FROM Z8_TRIBITEM B INNER JOIN Z8_DOCTOITEM C ON C.ID = B.IDF_DOCTOITEM "
        "INNER JOIN Z8_PARTEDOCTO D ON D.ID = C.IDA INNER JOIN Z8_DOCTO E ON E.ID = D.IDF_DOCTO "
        "INNER JOIN Z8_CODFISOPE F ON F.ID = C.IDF_CFOP WHERE (E.IDF_FILIAL = :FILIAL) "
        "AND (F.CODIGO LIKE '5%') AND (E.DTENTSAI BETWEEN :INICIO AND :FIM) ORDER BY E.DTENTSAI, "
        "B.ID",
        {{"FILIAL", filial}, {"INICIO", demo_.inicio}, {"FIM", demo_.fim}});
    if (item.Vazio()) return 0;  // a month without sales
    const TVariant codigo =
        bd_.Consultar("SELECT MIN(ID) FROM Z8_TABCODREC WHERE UF = :UF", {{"UF", uf}})
            .linhas.at(0)
            .at(0);
    Inserir("Z8_AJTRIBITDO", {{"ID", proximo_++},
                              {"IDF_TRIBITEM", item.linhas.at(0).at(0)},
                              {"IDF_IMPOSTO", Imposto("A")},
                              {"IDF_TABCODREC", codigo},
                              {"TIPOAJUSTE", "6"},
                              {"VALOR", valor}});
    return valor;
  }

  // A collection document of the state's treasury (of the master data) paid
  // for the month on the 9th of the next.
  void DocumentoDeArrecadacao(int64_t filial, int64_t estado, double valor) {
    const TVariant tesouro = bd_.Consultar("SELECT ID FROM KLVG_IDENT WHERE CODIGO = :CODIGO",
                                           {{"CODIGO", "SEF" + Sigla(bd_, estado)}})
                                 .linhas.at(0)
                                 .at(0);
    const int64_t docto = proximo_++, parte = proximo_++;
    const TDateTime pagamento(demo_.fim.dias + 9);
    // Issued in the month, as the file's period reads them.
    const TDateTime emissao = demo_.fim;
    Inserir("Z8_DOCTO", {{"ID", docto},
                         {"FD", "Docto"},
                         {"IDF_FILIAL", filial},
                         {"IDF_IDENT", tesouro},
                         {"NRODOCTO", "DAE" + std::to_string(docto)},
                         {"DATAEMI", emissao},
                         {"DTENTSAI", pagamento},
                         {"SITUACAONF", "0"}});
    Inserir("Z8_PARTEDOCTO",
            {{"ID", parte}, {"FD", "ArrecadacaoReferenciada"}, {"IDF_DOCTO", docto}});
    Inserir("Z8_ARRECREFER", {{"ID", parte},
                              {"IDA", parte},
                              {"CODMOD", "0"},
                              {"NRODOCTO", "DAE" + std::to_string(docto)},
                              {"VLRDOCTO", valor}});
  }

  // The state's share of the rate difference of the goods the head office
  // got back (its entries of CFOP 2.202), 2% of their value, booked by the
  // fiscal movements of their documents.
  void DifalDasDevolucoes(int64_t filial) {
    TxbResultado itens = bd_.Consultar(
        "SELECT E.ID, C.IDF_CFOP, E.DTENTSAI, C.VALLIQUIDONF FROM Z8_DOCTOITEM C "
        "INNER JOIN Z8_PARTEDOCTO D ON D.ID = C.IDA INNER JOIN Z8_DOCTO E ON E.ID = D.IDF_DOCTO "
        "INNER JOIN Z8_CODFISOPE F ON F.ID = C.IDF_CFOP WHERE (E.IDF_FILIAL = :FILIAL) "
        "AND (F.CODIGO = '2.202') AND (E.DTENTSAI BETWEEN :INICIO AND :FIM) ORDER BY C.ID",
        {{"FILIAL", filial}, {"INICIO", demo_.inicio}, {"FIM", demo_.fim}});
    for (const auto& l : itens.linhas) {
      const int64_t integracao = proximo_++, movimento = proximo_++;
      Inserir("Z8_INTEGRA", {{"ID", integracao}, {"FD", "Integracao"}, {"IDF_DOCTO", l[0]}});
      Inserir("Z8_MOVFIS", {{"ID", movimento},
                            {"IDF_INTEGRA", integracao},
                            {"IDF_CFOP", l[1]},
                            {"DATAENTSAI", l[2]}});
      Inserir("Z8_MOVFISIMP", {{"ID", proximo_++},
                               {"IDF_MOVFIS", movimento},
                               {"IDF_IMPOSTO", Imposto("0")},
                               {"VALICMSPARTDEST", Centavos(l[3].AsFloat() * 0.02)}});
    }
  }

  // The accounting movements of the month behind the state's declaratory
  // value of revenues: a sale of 1500 and a return of 250 on the first
  // account of the class it names.
  void ValorDeclaratorioContabil(int64_t filial) {
    TxbResultado conta = bd_.Consultar(kContaDasReceitas);
    if (conta.Vazio()) return;
    const struct {
      int dia;
      double valor;
    } movimentos[] = {{10, -1500.0}, {20, 250.0}};
    for (const auto& m : movimentos) {
      const int64_t saldo = proximo_++;
      Inserir("Z8_SLDCTACTBM",
              {{"ID", saldo},
               {"IDF_CTACTB", conta.linhas[0][0]},
               {"IDF_FILIAL", filial},
               {"DATA", TDateTime::EncodeDate(demo_.fim.Ano(), demo_.fim.Mes(), m.dia)},
               {"VALOR", m.valor}});
      Inserir(
          "Z8_SLDCLAMEN",
          {{"ID", proximo_++}, {"IDF_SLDCTACTBM", saldo}, {"IDF_CLASSEVIS", conta.linhas[0][0]}});
    }
  }

  static double Centavos(double v) { return std::round(v * 100.0) / 100.0; }

  int64_t Imposto(const char* tipo) {
    return bd_.Consultar("SELECT ID FROM Z8_IMPOSTO WHERE TIPO = :TIPO", {{"TIPO", tipo}})
        .linhas.at(0)
        .at(0)
        .AsInt64();
  }

  // The month's debits and credits of the tax column of the goods items;
  // for ICMS also of the service items, the freight bills and the printers'
  // closings, as the analytic registers of blocks C and D carry them.
  TDebitosCreditos Somas(int64_t filial, const char* coluna) {
    TDebitosCreditos s = SomaPorCFOP(filial, fmt::format("A.{}", coluna),
                                     fmt::format(kItensDoMes, "Z8_TRIITEMPRO") + kDocumentosDoMes);
    if (std::string_view(coluna) != "ICMSVALOR") return s;
    for (const TDebitosCreditos& outra :
         {SomaPorCFOP(filial, "A.ICMSVALOR",
                      fmt::format(kItensDoMes, "Z8_TRIITEMSER") + kDocumentosDoMes),
          SomaPorCFOP(filial, "A.VALORIMPOSTO", std::string(kICMSDosDocumentos) + kDocumentosDoMes),
          SomaPorCFOP(filial, "A.VALORICMS", kFretesDoMes)}) {
      s.debitos += outra.debitos;
      s.creditos += outra.creditos;
    }
    s.debitos += Consultar(kICMSDasReducoes, filial).linhas.at(0).at(0).AsFloat();
    return s;
  }

  TDebitosCreditos SomaPorCFOP(int64_t filial, const std::string& valor,
                               const std::string& origem) {
    TxbResultado r =
        Consultar(fmt::format(kDebitosCreditosPorCFOP, "F.CODIGO", valor) + origem, filial);
    return {r.linhas.at(0).at(0).AsFloat(), r.linhas.at(0).at(1).AsFloat()};
  }

  TxbResultado Consultar(const std::string& sql, int64_t filial) {
    return bd_.Consultar(sql, {{"FILIAL", filial}, {"INICIO", demo_.inicio}, {"FIM", demo_.fim}});
  }

  void Inserir(const std::string& tabela, const std::vector<std::pair<std::string, TVariant>>& v) {
    erp::Inserir(bd_, tabela, v);
  }

  // The IPI credit of 12.50 whose origin is the head office's first
  // purchase of the month.
  void RubricaIPI(int64_t filial) {
    TxbResultado origem = bd_.Consultar(
        "SELECT D.ID FROM Z8_DOCTO D INNER JOIN Z8_TIPDOC T ON T.ID = D.IDF_TPDOCTO "
        "INNER JOIN Z8_PADRAODOC P ON P.ID = T.IDF_PADRAODOC WHERE (D.IDF_FILIAL = :FILIAL) "
        "AND (P.CODINTERNO = 13) AND (D.DTENTSAI BETWEEN :INICIO AND :FIM) ORDER BY D.ID",
        {{"FILIAL", filial}, {"INICIO", demo_.inicio}, {"FIM", demo_.fim}});
    const int64_t tipo = bd_.Consultar("SELECT ID FROM Z8_TIPDOC WHERE CODIGO = 'RIPI001'")
                             .linhas.at(0)
                             .at(0)
                             .AsInt64();
    const int64_t docto = DocumentoDeRubrica(filial, tipo), parte = proximo_++;
    Inserir("Z8_PARTEDOCTO", {{"ID", parte}, {"FD", "ParteDoctoFisRub"}, {"IDF_DOCTO", docto}});
    Inserir("Z8_PARDFISRUB",
            {{"ID", parte},
             {"IDA", parte},
             {"IDF_IMPOSTO", Imposto("1")},
             {"VALORFISCAL", 12.5},
             {"VALOR", 12.5},
             {"DESCRICAO", "Crédito de IPI de mercadoria devolvida"},
             {"IDF_DOCTOORIGEM", origem.Vazio() ? TVariant() : origem.linhas[0][0]}});
  }

  // A rubric document of the type, of the branch, issued and entered on the
  // 28th of the month.
  int64_t DocumentoDeRubrica(int64_t filial, int64_t tipo) {
    const int64_t docto = proximo_++;
    const TDateTime dia = TDateTime::EncodeDate(demo_.fim.Ano(), demo_.fim.Mes(), 28);
    Inserir("Z8_DOCTO", {{"ID", docto},
                         {"FD", "Docto"},
                         {"IDF_FILIAL", filial},
                         {"IDF_TPDOCTO", tipo},
                         {"NRODOCTO", "RUB" + std::to_string(docto)},
                         {"DATAEMI", dia},
                         {"DTENTSAI", dia}});
    return docto;
  }

  // A rubric document of the code's type, entered on the 28th, with its
  // lines of ICMS and, when asked, a process of the state's courts.
  void Rubrica(int64_t filial, const TRubricaDemo& r) {
    const int64_t tipo =
        bd_.Consultar(
               "SELECT P.IDF_TIPDOC FROM Z8_TPDOCTOFIS F INNER JOIN Z8_PARTETPDOC P ON P.ID = "
               "F.IDA INNER JOIN Z8_TABAJSALAP T ON T.ID = F.IDF_TABELAAJSALAPURA "
               "WHERE T.CODAJUSAPURA = :CODIGO",
               {{"CODIGO", r.codigo}})
            .linhas.at(0)
            .at(0)
            .AsInt64();
    const int64_t docto = DocumentoDeRubrica(filial, tipo);
    for (double valor : r.valores) {
      const int64_t parte = proximo_++;
      const TVariant compra =
          r.compra && valor == r.valores.front() ? CompraAjustada(filial) : TVariant();
      Inserir("Z8_PARTEDOCTO", {{"ID", parte}, {"FD", "ParteDoctoFisRub"}, {"IDF_DOCTO", docto}});
      Inserir("Z8_PARDFISRUB", {{"ID", parte},
                                {"IDA", parte},
                                {"IDF_IMPOSTO", Imposto("0")},
                                {"VALORFISCAL", valor},
                                {"VALOR", valor},
                                {"DESCRICAO", r.descricao},
                                {"IDF_DOCTONFCOMPRA", compra}});
    }
    if (!r.processo) return;
    const int64_t parte = proximo_++;
    Inserir("Z8_PARTEDOCTO", {{"ID", parte}, {"FD", "ParteProcJud"}, {"IDF_DOCTO", docto}});
    Inserir("Z8_PARPROCJUD", {{"ID", parte},
                              {"IDA", parte},
                              {"NROPROC", "0012345-67.2026.8.26.0100"},
                              {"INDPROC", "2"},
                              {"DESCRESPROC", "Mandado de segurança sobre o incentivo"}});
  }

  // The assessment (of the ICMS-ST owed to `estado`), its document (of no type nor situation: it is
  // no invoice, and the invoices' selections leave it out) and the document's part with the
  // figures; figures not given are 0.
  void Apuracao(int64_t filial, int64_t imposto,
                const std::vector<std::pair<std::string, TVariant>>& figuras, int64_t estado = 0) {
    const int64_t docto = proximo_++;
    Inserir("Z8_DOCTO", {{"ID", docto},
                         {"FD", "Docto"},
                         {"IDF_FILIAL", filial},
                         {"NRODOCTO", "APU" + std::to_string(docto)},
                         {"DATAEMI", demo_.fim},
                         {"DTENTSAI", demo_.fim}});
    const int64_t parte = proximo_++;
    Inserir("Z8_PARTEDOCTO", {{"ID", parte}, {"FD", "ParteDocFisApuracao"}, {"IDF_DOCTO", docto}});
    std::vector<std::pair<std::string, TVariant>> valores = {{"ID", parte}, {"IDA", parte}};
    for (const char* coluna :
         {"DEBITOS", "OUTROSDEBITOS", "ESTORNOSCREDITOS", "CREDITOS", "OUTROSCREDITOS",
          "ESTORNOSDEBITOS", "SALDOANTERIOR", "DEDUCOES", "IMPOSTORECOLHERTTD", "VALORDEVOL",
          "VALORRESSARC", "IMPOSTOTRANSPORTAR", "IMPOSTORECOLHER"}) {
      TVariant valor(0.0);
      for (const auto& [nome, v] : figuras)
        if (nome == coluna) valor = v;
      valores.emplace_back(coluna, valor);
    }
    Inserir("Z8_PARTEDFAPU", valores);
    Inserir("Z8_APUIMPOSTO", {{"ID", proximo_++},
                              {"IDF_FILIAL", filial},
                              {"IDF_IMPOSTO", imposto},
                              {"PERINICIAL", demo_.inicio},
                              {"PERFINAL", demo_.fim},
                              {"IDF_DOCTO", docto},
                              {"IDF_UF", estado == 0 ? TVariant() : TVariant(estado)}});
  }

  TpbBD& bd_;
  const ResultadoDemo& demo_;
  int64_t proximo_;
};

}  // namespace

int64_t CadastrosDaApuracaoDemo(TpbBD& bd, int64_t proximo) {
  const int64_t padrao = proximo++;
  Inserir(bd, "Z8_PADRAODOC",
          {{"ID", padrao}, {"CODINTERNO", 132}, {"DESCRICAO", "Rubricas da apuração"}});
  for (const TRubricaDemo& r : kRubricas) {
    const int64_t codigo = proximo++, tipo = proximo++, parte = proximo++;
    Inserir(bd, "Z8_TABAJSALAP",
            {{"ID", codigo}, {"CODAJUSAPURA", r.codigo}, {"DESCRICAO", r.descricao}});
    Inserir(bd, "Z8_TIPDOC",
            {{"ID", tipo},
             {"CODIGO", std::string("R") + r.codigo},
             {"DESCRICAO", std::string("Rubrica ") + r.codigo},
             {"IDF_PADRAODOC", padrao}});
    Inserir(bd, "Z8_PARTETPDOC", {{"ID", parte}, {"FD", "TipoDoctoFiscal"}, {"IDF_TIPDOC", tipo}});
    Inserir(bd, "Z8_TPDOCTOFIS",
            {{"ID", parte}, {"IDA", parte}, {"IDF_TABELAAJSALAPURA", codigo}, {"TIPO", r.tipo}});
  }
  // The IPI adjustment: a credit whose origin is a purchase.
  const int64_t codigo = proximo++, tipo = proximo++, parte = proximo++;
  Inserir(bd, "Z8_TABAJAPIPI",
          {{"ID", codigo}, {"CODIGO", "001"}, {"DESCRICAO", "Crédito de IPI de devolução"}});
  Inserir(bd, "Z8_TIPDOC",
          {{"ID", tipo},
           {"CODIGO", "RIPI001"},
           {"DESCRICAO", "Rubrica de IPI 001"},
           {"IDF_PADRAODOC", padrao}});
  Inserir(bd, "Z8_PARTETPDOC", {{"ID", parte}, {"FD", "TipoDoctoFiscal"}, {"IDF_TIPDOC", tipo}});
  Inserir(bd, "Z8_TPDOCTOFIS",
          {{"ID", parte}, {"IDA", parte}, {"IDF_TABAJAPURIPI", codigo}, {"TIPO", "2"}});
  // The head office (the first branch) and its state.
  const int64_t matriz = bd.Consultar("SELECT MIN(ID) FROM Z8_FILIAL").linhas.at(0).at(0).AsInt64();
  const int64_t estado = EstadoDaFilial(bd, matriz);
  TipoDeRubricaST(bd, proximo, padrao, estado);
  const int64_t difal = bd.Consultar("SELECT ID FROM Z8_TIPDOC WHERE CODIGO = 'RSP000001'")
                            .linhas.at(0)
                            .at(0)
                            .AsInt64();
  ParametrosDoEstado(bd, proximo, matriz, estado, difal);
  DifalDeDevolucoesDoEstado(bd, proximo, estado);
  PagamentosDaST(bd, proximo, matriz, estado);
  return proximo;
}

int64_t ConstruirApuracoesDemo(TpbBD& bd, const ResultadoDemo& demo) {
  return TApuracoesDemo(bd, demo).Construir();
}

int64_t ConstruirApuracaoDaFilialDemo(TpbBD& bd, const ResultadoDemo& demo, int64_t filial) {
  return TApuracoesDemo(bd, demo).ApuracaoDaFilial(filial);
}

}  // namespace efd::erp
