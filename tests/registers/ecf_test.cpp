// Fiscal-printer sales of block C (the C400 family): printers and their
// closings, the totalizers with their items, coupons (a cancelled one
// among them), the analytic totals with the printer's rounding, and the
// configurations whose absence stops a generation, on every engine.
#include <array>

#include "control/linhaefd.h"
#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "registers/blockC/uh5registroefdc400.h"
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

// An item of a test coupon: product 70 (UN) or 71, the ERP's tax type,
// rate, CST and value; its PIS/COFINS CST (01 at the basic rates) and, for
// a revenue without them, its nature.
struct TItemCupomTeste {
  int produto = 70;
  std::string tipo = "0";
  double aliquota = 18;
  std::string cst = "000";
  double valor = 100;
  std::string cst_pis = "01";
  std::string natureza = "";
};

struct TCupomTeste {
  int id = 0;
  std::string serie = "ECF-A";
  std::string dia = "2024-03-04";
  int coo = 1;
  bool cancelado = false;
  std::vector<TItemCupomTeste> itens{TItemCupomTeste{}};
};

// A closing of printer serie on a day: its ICMS totalizers (rate, sales,
// tax) and its exempt sales.
struct TReducaoTeste {
  int id = 0;
  std::string serie = "ECF-A";
  std::string dia = "2024-03-04";
  std::vector<std::array<double, 3>> icms{{18, 100, 18}};
  double isento = 0, cancelado = 0;
};

class CuponsFiscais : public TDocumentos {
 protected:
  void SetUp() override {
    TDocumentos::SetUp();
    if (IsSkipped()) return;
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
      "Z8_IMPOSTO": [{"ID": 8001, "CODIGO": "ICMS", "NOME": "ICMS", "TIPO": "0"}]})");
  }

  // The branch's commercial-automation totalizers: taxed at 18 %, exempt
  // and tax substitution.
  void Totalizadores() {
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({"Z8_TOTAUTCOME": [
      {"ID": 8011, "IDF_FILIAL": 10, "IDF_IMPOSTO": 8001, "TIPO": "1", "ALIQUOTA": 18, "IDF_CFOP": 1401},
      {"ID": 8012, "IDF_FILIAL": 10, "IDF_IMPOSTO": 8001, "TIPO": "2", "IDF_CFOP": 1401},
      {"ID": 8013, "IDF_FILIAL": 10, "IDF_IMPOSTO": 8001, "TIPO": "4", "IDF_CFOP": 1405}]})");
  }

  void Carregar(const std::vector<TReducaoTeste>& reducoes,
                const std::vector<TCupomTeste>& cupons) {
    nlohmann::json f = nlohmann::json::object();
    int proximo = 8500;
    int crz = 100;
    for (const TReducaoTeste& z : reducoes) {
      double bruto = z.isento + z.cancelado;
      for (const auto& t : z.icms) bruto += t[1];
      f["Z8_RDZ"].push_back({{"ID", z.id},
                             {"IDF_FILIAL", 10},
                             {"DATAMOV", z.dia},
                             {"NRSERIEECF", z.serie},
                             {"NUMEROECF", z.serie == "ECF-A" ? "1" : "2"},
                             {"MODELOECF", "MP-4200"},
                             {"CRO", 1},
                             {"CONTREDUCOESZ", ++crz},
                             {"COOREDUCAOZ", 900 + crz},
                             {"TOTALGERAL", 10000 + bruto},
                             {"TOTALVENDABRUTA", bruto},
                             {"TOTALISENTOICMS", z.isento},
                             {"TOTALCANCICMS", z.cancelado}});
      for (const auto& t : z.icms)
        f["Z8_ICMSRDZ"].push_back({{"ID", proximo++},
                                   {"IDF_REDUCAOZ", z.id},
                                   {"ALIQUOTA", t[0]},
                                   {"BASECALCULO", t[1]},
                                   {"TOTALIMPOSTO", t[2]}});
      f["Z8_NAOFISRDZ"].push_back(
          {{"ID", proximo++}, {"IDF_REDUCAOZ", z.id}, {"DESCRICAO", "Recebimento"}, {"VALOR", 30}});
      f["Z8_NAOFISRDZ"].push_back(
          {{"ID", proximo++}, {"IDF_REDUCAOZ", z.id}, {"DESCRICAO", "Sangria"}, {"VALOR", 500}});
    }
    for (const TCupomTeste& c : cupons) {
      double valor = 0;
      for (const auto& i : c.itens) valor += i.valor;
      f["Z8_DOCTO"].push_back({{"ID", c.id},
                               {"FD", "DoctoCupFiscal"},
                               {"IDF_FILIAL", 10},
                               {"NRODOCTO", std::to_string(c.coo)},
                               {"DATAEMI", c.dia},
                               {"SITUACAO", "1"}});
      f["Z8_CUPFISCAL"].push_back({{"ID", c.id},
                                   {"IDA", c.id},
                                   {"NUMSERIEECF", c.serie},
                                   {"COOCUPOM", c.coo},
                                   {"SITUACAOCF", c.cancelado ? "1" : "0"},
                                   {"VALBRUTO", valor},
                                   {"VALLIQUIDO", valor},
                                   {"DATAFINALIMPRESSAO", c.dia + " 10:30:00"}});
      for (const auto& i : c.itens) {
        const double base = i.cst_pis == "01" ? i.valor : 0;
        f["Z8_ITEMCUPFIS"].push_back({{"ID", proximo++},
                                      {"IDF_CUPFISCAL", c.id},
                                      {"IDF_PROD", i.produto},
                                      {"IDF_UNPROD", i.produto == 70 ? 80 : 83},
                                      {"SITUACAOITEM", "0"},
                                      {"TIPOTRIBUTACAO", i.tipo},
                                      {"ALIQUOTA", i.aliquota},
                                      {"CST", i.cst},
                                      {"QUANTIDADE", 2},
                                      {"VALLIQUIDO", i.valor},
                                      {"VALPIS", base * 0.0165},
                                      {"VALCOFINS", base * 0.076},
                                      {"CSTPIS", i.cst_pis},
                                      {"BASEPIS", base},
                                      {"ALIQPIS", base > 0 ? 1.65 : 0},
                                      {"CSTCOFINS", i.cst_pis},
                                      {"BASECOFINS", base},
                                      {"ALIQCOFINS", base > 0 ? 7.6 : 0},
                                      {"NATRECPISCOFINS", i.natureza}});
      }
    }
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(f.dump());
  }

  // The message of the generation that fails.
  std::string Falha() {
    return teste::Mensagem<EErro>([this] { GerarMes(); });
  }

  // The C490 lines under the C405 of that date.
  static std::vector<std::vector<std::string>> AnaliticosDoDia(const TArquivo& a,
                                                               const std::string& data) {
    std::vector<std::vector<std::string>> r;
    bool dentro = false;
    for (const auto& l : a.linhas) {
      if (l.starts_with("|C405|")) dentro = Campos(l)[1] == data;
      if (dentro && l.starts_with("|C490|")) r.push_back(Campos(l));
    }
    return r;
  }
};

TEST_P(CuponsFiscais, ImpressorasReducoesTotalizadoresECupons) {
  Totalizadores();
  const TItemCupomTeste isento{
      .produto = 71, .tipo = "1", .aliquota = 0, .cst = "040", .valor = 10};
  Carregar({{.id = 8101, .icms = {{18, 100, 18}}, .isento = 10, .cancelado = 50},
            {.id = 8102, .dia = "2024-03-05"},
            {.id = 8103, .serie = "ECF-B", .dia = "2024-03-07"}},
           {{.id = 8201, .itens = {TItemCupomTeste{}, isento}},
            {.id = 8202, .coo = 2, .cancelado = true, .itens = {{.valor = 50}}},
            {.id = 8203, .dia = "2024-03-05", .coo = 3},
            {.id = 8204, .serie = "ECF-B", .dia = "2024-03-07", .coo = 7}});
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  ASSERT_EQ(Linhas(a, "C400").size(), 2u);
  EXPECT_EQ(Campos(Linhas(a, "C400")[0]),
            (std::vector<std::string>{"C400", "2D", "MP-4200", "ECF-A", "001"}));
  // The first printer's two closings come under it.
  std::vector<std::string> ordem;
  for (const auto& l : a.linhas)
    if (l.starts_with("|C4")) ordem.push_back(l.substr(1, 4));
  EXPECT_EQ(std::vector<std::string>(ordem.begin(), ordem.begin() + 14),
            (std::vector<std::string>{"C400", "C405", "C420", "C425", "C420", "C420", "C425",
                                      "C420", "C460", "C470", "C470", "C460", "C490", "C490"}));
  const auto c405 = Campos(Linhas(a, "C405")[0]);
  EXPECT_EQ(c405, (std::vector<std::string>{"C405", "04032024", "001", "000101", "001001", "10160",
                                            "160"}));
  std::vector<std::string> totalizadores;
  for (const auto& l : a.linhas) {
    if (l.starts_with("|C405|") && !totalizadores.empty()) break;
    if (l.starts_with("|C420|")) totalizadores.push_back(Campos(l)[1] + "=" + Campos(l)[2]);
  }
  // Withdrawals are no sales: only the receipts make the non-fiscal total.
  EXPECT_EQ(totalizadores,
            (std::vector<std::string>{"01T1800=100", "OPNF=30", "I1=10", "Can-T=50"}));
  // The cancelled coupon: situation 02, no value, no items, nothing in C490.
  const auto c460 = Linhas(a, "C460");
  EXPECT_EQ(Campos(c460[1]), (std::vector<std::string>{"C460", "2D", "02", "000002", "04032024", "",
                                                       "", "", "", ""}));
  const auto c470 = Campos(Linhas(a, "C470")[0]);
  EXPECT_EQ(c470[1], "P10001");
  EXPECT_EQ(c470[6], "000");
  EXPECT_EQ(c470[7], "5102");
  EXPECT_EQ(
      AnaliticosDoDia(a, "04032024"),
      (std::vector<std::vector<std::string>>{{"C490", "000", "5102", "18", "100", "100", "18", ""},
                                             {"C490", "040", "5102", "0", "10", "0", "0", ""}}));
}

// Coupons the user typed as cancelled come under the closing of their
// printer and day with their identification only; those of another
// printer, another day or another register stay out.
TEST_P(CuponsFiscais, CuponsCanceladosDigitadosSobAReducaoDaImpressoraEDoDia) {
  Totalizadores();
  Carregar({{.id = 8141}, {.id = 8142, .dia = "2024-03-05"}},
           {{.id = 8241}, {.id = 8242, .dia = "2024-03-05", .coo = 2}});
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({"Z8_DOCCANSPED": [
    {"ID": 8341, "IDF_FILIAL": 10, "REG": "C460", "NRSERIEECF": "ECF-A", "DT_DOC": "2024-03-04",
     "NUM_DOC": "17", "COD_MOD": "2D", "COD_SIT": "02"},
    {"ID": 8342, "IDF_FILIAL": 10, "REG": "C460", "NRSERIEECF": "ECF-B", "DT_DOC": "2024-03-04",
     "NUM_DOC": "18", "COD_MOD": "2D", "COD_SIT": "02"},
    {"ID": 8343, "IDF_FILIAL": 10, "REG": "C460", "NRSERIEECF": "ECF-A", "DT_DOC": "2024-03-06",
     "NUM_DOC": "19", "COD_MOD": "2D", "COD_SIT": "02"},
    {"ID": 8344, "IDF_FILIAL": 10, "REG": "C100", "DT_DOC": "2024-03-04", "NUM_DOC": "20",
     "COD_MOD": "55", "COD_SIT": "02", "SER": "1"}]})");
  const teste::TModuloOpcional modulo({"DoctoCancelSped"});
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  std::vector<std::string> cupons;
  for (const auto& l : a.linhas) {
    if (l.starts_with("|C405|")) cupons.push_back(Campos(l)[1]);
    if (l.starts_with("|C460|")) cupons.push_back(l);
  }
  EXPECT_EQ(cupons, (std::vector<std::string>{"04032024",
                                              "|C460|2D|00|000001|04032024|100|1,65|7,6||"
                                              "|",
                                              "|C460|2D|02|000017|04032024||||||", "05032024",
                                              "|C460|2D|00|000002|05032024|100|1,65|7,6|||"}));
}

TEST_P(CuponsFiscais, DiferencaDeArredondamentoAteCincoCentavosVaiAoMaiorAnalitico) {
  Totalizadores();
  Carregar({{.id = 8111, .icms = {{18, 100, 18.03}}},
            {.id = 8112, .dia = "2024-03-05", .icms = {{18, 100, 18.06}}}},
           {{.id = 8211}, {.id = 8212, .dia = "2024-03-05", .coo = 2}});
  const TArquivo a = GerarMes();
  EXPECT_EQ(AnaliticosDoDia(a, "04032024")[0][6], "18,03");
  EXPECT_EQ(AnaliticosDoDia(a, "05032024")[0][6], "18");
  EXPECT_DOUBLE_EQ(Th5RegistroEFDC400::AcertoDeArredondamento(18.05, 18), 0.05);
  EXPECT_DOUBLE_EQ(Th5RegistroEFDC400::AcertoDeArredondamento(17.99, 18), -0.01);
  EXPECT_DOUBLE_EQ(Th5RegistroEFDC400::AcertoDeArredondamento(18, 18), 0);
  EXPECT_DOUBLE_EQ(Th5RegistroEFDC400::AcertoDeArredondamento(0.03, 0), 0);
}

// A configuration missing stops the generation with its message and keeps
// nothing of the printers.
TEST_P(CuponsFiscais, SemTotalizadorDaFilialOuDaReducaoAGeracaoPara) {
  Carregar({{.id = 8121}, {.id = 8122, .dia = "2024-03-06"}},
           {{.id = 8221},
            {.id = 8222,
             .dia = "2024-03-06",
             .itens = {TItemCupomTeste{}, {.tipo = "1", .aliquota = 0, .cst = "040"}}}});
  EXPECT_NE(Falha().find("Necessário Configurar o Totalizador Automação Comercial em Parametros "
                         "por Filial para o imposto ICMS!! Alíquota: 18Tipo : Tributado"),
            std::string::npos);
  Totalizadores();
  EXPECT_NE(Falha().find("Não encontrado C420 compativel Isento. NrSerie: [ECF-A] Dia Inicio: "
                         "[06/03/2024] Dia Fim: [06/03/2024]"),
            std::string::npos);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDC400"), 0);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDC405"), 0);
}

TEST(CuponsFiscaisRegras, CodigoDoTotalizadorESituacao) {
  EXPECT_EQ(Th5RegistroEFDC400::SituacaoCupom("1"), "02");
  EXPECT_EQ(Th5RegistroEFDC400::SituacaoCupom("0"), "00");
}

// The PIS/COFINS file: the printers under the establishment, each closing
// with its valid items summed by CST, rate and item; block M worked out by
// hand.
TEST_P(CuponsFiscais, ContribuicoesPorReducaoEItemNoBlocoM) {
  const TItemCupomTeste feijao{.produto = 71, .valor = 200};
  const TItemCupomTeste aliquota_zero{
      .tipo = "1", .aliquota = 0, .cst = "040", .valor = 50, .cst_pis = "6", .natureza = "101"};
  Carregar({{.id = 8121, .icms = {{18, 300, 54}}, .isento = 50, .cancelado = 100},
            {.id = 8122, .dia = "2024-03-05", .icms = {{18, 80, 14.4}}}},
           {{.id = 8221, .itens = {TItemCupomTeste{}, feijao}},
            {.id = 8222, .coo = 2, .itens = {aliquota_zero, TItemCupomTeste{}}},
            {.id = 8223, .coo = 3, .cancelado = true},
            {.id = 8224, .dia = "2024-03-05", .coo = 4, .itens = {{.valor = 80}}}});
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  EXPECT_TRUE(a.problemas.empty());
  // One printer with its two closings; no totalizer, coupon nor ICMS total.
  std::vector<std::string> ordem;
  for (const auto& l : a.linhas)
    if (l.starts_with("|C4")) ordem.push_back(l.substr(1, 4));
  EXPECT_EQ(ordem, (std::vector<std::string>{"C400", "C405", "C481", "C481", "C481", "C485", "C485",
                                             "C485", "C405", "C481", "C485"}));
  EXPECT_EQ(Linhas(a, "C400"), std::vector<std::string>{"|C400|2D|MP-4200|ECF-A|001|"});
  // The cancelled coupon stays out; the zero-rate sale has neither base
  // nor rate, and its one-digit CST is written with two.
  const auto c481 = Linhas(a, "C481");
  ASSERT_EQ(c481.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(c481.begin(), c481.begin() + 3),
            (std::vector<std::string>{"|C481|01|200|200|1,65|||3,3|P10001||",
                                      "|C481|01|200|200|1,65|||3,3|P10002||",
                                      "|C481|06|50|||||0|P10001||"}));
  EXPECT_EQ(Linhas(a, "C485")[0], "|C485|01|200|200|7,6|||15,2|P10001||");
  // The items are declared under the establishment.
  EXPECT_EQ(Linhas(a, "0200").size(), 2u);
  // Taxed sales of 480,00: PIS 1,65 % = 7,92, COFINS 7,6 % = 36,48; the
  // zero-rate 50,00 is a revenue without the contribution, nature 101.
  EXPECT_EQ(Linhas(a, "M210"),
            std::vector<std::string>{"|M210|01|480,00|480,00|0,00|0,00|480,00|1,65|0,000||7,92|"
                                     "0,00|0,00|0,00|0,00|7,92|"});
  EXPECT_EQ(Linhas(a, "M610"),
            std::vector<std::string>{"|M610|01|480,00|480,00|0,00|0,00|480,00|7,60|0,000||36,48|"
                                     "0,00|0,00|0,00|0,00|36,48|"});
  EXPECT_EQ(Linhas(a, "M400"), std::vector<std::string>{"|M400|06|50,00|||"});
  EXPECT_EQ(Linhas(a, "M410"), std::vector<std::string>{"|M410|101|50,00|||"});
  EXPECT_EQ(Linhas(a, "M800"), std::vector<std::string>{"|M800|06|50,00|||"});
}

TEST_P(CuponsFiscais, ReceitaSemContribuicaoSemNaturezaParaAGeracao) {
  Carregar({{.id = 8131, .isento = 50}},
           {{.id = 8231,
             .coo = 12,
             .itens = {{.tipo = "1", .aliquota = 0, .valor = 50, .cst_pis = "06"}}}});
  const std::string mensagem = teste::Mensagem<EErro>([this] { Gerar(2, 2024, 3, nullptr); });
  EXPECT_NE(mensagem.find("cupom 12 do ECF ECF-A"), std::string::npos) << mensagem;
  EXPECT_NE(mensagem.find("ItemCupFis_NatRecPisCofins"), std::string::npos) << mensagem;
}

// A line of a closing's item totals: the product's and the unit's codes,
// the tax type and rate, quantity and value; PIS and COFINS at the basic
// rates, their CST typed with one digit.
struct TItemReducaoTeste {
  int reducao = 8151;
  std::string produto = "10001", unidade = "UN", tipo = "0";
  double aliquota = 18, quantidade = 3, valor = 100;
};

class ItensDaReducao : public CuponsFiscais {
 protected:
  void SetUp() override {
    CuponsFiscais::SetUp();
    if (IsSkipped()) return;
    Totalizadores();
    const TItemCupomTeste isento{
        .produto = 71, .tipo = "1", .aliquota = 0, .cst = "040", .valor = 10};
    // The first closing keeps its item totals, the second has none; the
    // coupons of each sell 2 of each item, the totals say otherwise.
    Carregar({{.id = 8151, .isento = 10}, {.id = 8152, .dia = "2024-03-05"}},
             {{.id = 8251, .itens = {TItemCupomTeste{}, isento}},
              {.id = 8252, .dia = "2024-03-05", .coo = 2}});
  }
  void TearDown() override {
    DefinirLinhasPorJanela(0);
    CuponsFiscais::TearDown();
  }

  // The closings' item totals, replacing those loaded before.
  void CarregarItens(const std::vector<TItemReducaoTeste>& itens) {
    sessao_->ExecutarDiretoNoBD("DELETE FROM Z8_ITENSRDZ");
    nlohmann::json f = nlohmann::json::object();
    int id = 8600;
    for (const auto& i : itens)
      f["Z8_ITENSRDZ"].push_back({{"ID", id++},
                                  {"IDF_REDUCAOZ", i.reducao},
                                  {"TIPOTRIBUTACAO", i.tipo},
                                  {"ALIQUOTA", i.aliquota},
                                  {"CODPRODUTO", i.produto},
                                  {"CODUNIDADE", i.unidade},
                                  {"QTDEACUM", i.quantidade},
                                  {"VLRACUM", i.valor},
                                  {"VALPIS", i.valor * 0.0165},
                                  {"CSTPIS", "1"},
                                  {"BASEPIS", i.valor},
                                  {"ALIQPIS", 1.65},
                                  {"QTDBASEPIS", i.quantidade},
                                  {"VALCOFINS", i.valor * 0.076},
                                  {"CSTCOFINS", "1"},
                                  {"BASECOFINS", i.valor},
                                  {"ALIQCOFINS", 7.6},
                                  {"QTDBASECOFINS", i.quantidade}});
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(f.dump());
  }

  // The C425 lines of the file, each after the code of its totalizer.
  static std::vector<std::string> Itens(const TArquivo& a) {
    std::vector<std::string> r;
    std::string totalizador;
    for (const auto& l : a.linhas) {
      if (l.starts_with("|C420|")) totalizador = Campos(l)[1];
      if (l.starts_with("|C425|")) r.push_back(totalizador + " " + l);
    }
    return r;
  }
};

// A profile-B declarant takes the C425 of a closing from its item totals,
// where it has them; the other closings, the other profiles and an ERP that
// integrates the totals by its own table keep the coupons. Closings are
// read one per window, so that each finds its own totals.
TEST_P(ItensDaReducao, TotaisDeItemNoPerfilBSenaoOsCupons) {
  CarregarItens({{},
                 {.produto = "10002",
                  .unidade = "un",
                  .tipo = "1",
                  .aliquota = 0,
                  .quantidade = 5,
                  .valor = 20}});
  const std::vector<std::string> dos_cupons = {"01T1800 |C425|P10001|2|UN|100|1,65|7,6|",
                                               "I1 |C425|P10002|2|UN|10|0,17|0,76|",
                                               "01T1800 |C425|P10001|2|UN|100|1,65|7,6|"};
  EXPECT_EQ(Itens(GerarMes()), dos_cupons);

  perfil_ = "B";
  DefinirLinhasPorJanela(1);
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Itens(a), (std::vector<std::string>{"01T1800 |C425|P10001|3|UN|100|1,65|7,6|",
                                                "I1 |C425|P10002|5|UN|20|0,33|1,52|",
                                                "01T1800 |C425|P10001|2|UN|100|1,65|7,6|"}));
  // The coupons are still written, and the unit typed in small letters is
  // the ERP's unit.
  EXPECT_EQ(Linhas(a, "C460").size(), 2u);
  EXPECT_EQ(Linhas(a, "0190").size(), 1u);

  struct TIntegracaoPropria {
    TIntegracaoPropria() {
      Aplicacao().RegistrarClasse("TabelaIntegracaoTotall",
                                  [] { return std::make_shared<ThbObjetoNegocio>(); });
    }
    ~TIntegracaoPropria() { Aplicacao().RemoverClasse("TabelaIntegracaoTotall"); }
  } integracao;
  EXPECT_EQ(Itens(GerarMes()), dos_cupons);
}

// The analytic totals of a closing with item totals take the totalizers'
// own CFOPs, whatever the branch's totalizers name; the other closing keeps
// the branch's.
TEST_P(ItensDaReducao, AnaliticosDaReducaoComTotaisPelosCfopsDosTotalizadores) {
  CarregarItens({{}});
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_TOTAUTCOME SET IDF_CFOP = 1405");
  perfil_ = "B";
  DefinirLinhasPorJanela(1);
  const TArquivo a = GerarMes();
  EXPECT_EQ(
      AnaliticosDoDia(a, "04032024"),
      (std::vector<std::vector<std::string>>{{"C490", "000", "5102", "18", "100", "100", "18", ""},
                                             {"C490", "040", "5102", "0", "10", "0", "0", ""}}));
  EXPECT_EQ(AnaliticosDoDia(a, "05032024").at(0).at(2), "5405");
}

// The totals name their product and unit by code: a unit typed in another
// case is found, a product or unit the ERP does not have stops the
// generation naming the field; an item whose totalizer the closing lacks
// stops it as a coupon's does.
TEST_P(ItensDaReducao, ProdutoEUnidadeDosTotaisPeloCodigo) {
  perfil_ = "B";
  CarregarItens({{.unidade = "Un"}});
  EXPECT_EQ(Itens(GerarMes())[0], "01T1800 |C425|P10001|3|UN|100|1,65|7,6|");

  CarregarItens({{.unidade = "XY"}});
  std::string mensagem = Falha();
  EXPECT_NE(mensagem.find("a unidade \"XY\" dos totais de item (ItensRdz_CodUnidade)"),
            std::string::npos)
      << mensagem;
  EXPECT_NE(mensagem.find("ECF ECF-A de 04/03/2024"), std::string::npos) << mensagem;

  CarregarItens({{.produto = "99999"}});
  mensagem = Falha();
  EXPECT_NE(mensagem.find("o produto \"99999\" dos totais de item (ItensRdz_CodProduto)"),
            std::string::npos)
      << mensagem;

  CarregarItens({{.tipo = "2"}});
  EXPECT_NE(Falha().find("Não encontrado C420 compativel. Substituição Tributária NrSerie: "
                         "[ECF-A] Dia Inicio: [04/03/2024] Dia Fim: [04/03/2024]"),
            std::string::npos);
}

// With the layout option "1" each C425 row keeps its item's PIS and COFINS:
// the CST and rates of the item, the bases summed; the line keeps the
// published fields.
TEST_P(ItensDaReducao, LeiauteUmGuardaOPISECOFINSDoItem) {
  const std::string colunas =
      "SELECT CST_PIS, BASEPIS, ALIQPIS, QTDBASEPIS, CST_COFINS, BASECOFINS, ALIQCOFINS, "
      "QTDBASECOFINS FROM Z8_REGEFDC425 WHERE CODIGOITEM = 'P10001' ORDER BY ID";
  GerarMes();
  EXPECT_TRUE(sessao_->Consultar(colunas).linhas[0][0].IsNull());

  leiaute_ = "1";
  perfil_ = "B";
  CarregarItens({{}, {.quantidade = 4, .valor = 60}});
  const TArquivo a = GerarMes();
  EXPECT_EQ(Itens(a)[0], "01T1800 |C425|P10001|7|UN|160|2,64|12,16|");
  const TxbResultado r = sessao_->Consultar(colunas);
  ASSERT_EQ(r.linhas.size(), 2u);
  auto texto = [](const std::vector<TVariant>& l) {
    std::vector<std::string> t;
    for (const TVariant& v : l) t.push_back(TextoDoCampo(v));
    return t;
  };
  EXPECT_EQ(texto(r.linhas[0]),
            (std::vector<std::string>{"01", "160", "1,65", "7", "01", "160", "7,6", "7"}));
  // The second closing's from its coupon: PIS and COFINS in value only.
  EXPECT_EQ(texto(r.linhas[1]),
            (std::vector<std::string>{"01", "100", "1,65", "0", "01", "100", "7,6", "0"}));
}

INSTANTIATE_TEST_SUITE_P(Motores, CuponsFiscais, ::testing::ValuesIn(MotoresDeTeste()));
INSTANTIATE_TEST_SUITE_P(Motores, ItensDaReducao, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
