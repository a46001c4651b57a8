// Block F of the PIS/COFINS file: the branch's operations outside fiscal
// documents (F100) and the withholdings at source (F600) under the
// establishment, and block M taking their credits and contributions; on
// every engine.
#include "registers/piscofins/uh5registroefdf010.h"
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

class BlocoF : public TDocumentos {
 protected:
  // An expense that gives credit (CST 50) and a revenue with the
  // contribution (CST 01), both at the basic rates, and a withholding.
  void CarregarMes() {
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
      "Z8_OPEPISCOF": [
        {"ID": 7001, "IDF_FILIAL": 10, "DATA": "2024-03-10", "INDOPER": "0", "IDF_IDENT": 202,
         "VALOR": 2000, "CLATRIBPIS": "K", "PISBASE": 2000, "PISALIQ": 1.65, "PISVALOR": 33,
         "CLATRIBCOFINS": "K", "COFINSBASE": 2000, "COFINSALIQ": 7.6, "COFINSVALOR": 152,
         "NATBCCRED": "04", "DESCRICAO": "Aluguel de galpão"},
        {"ID": 7002, "IDF_FILIAL": 10, "DATA": "2024-03-20", "INDOPER": "1",
         "VALOR": 3000, "CLATRIBPIS": "A", "PISBASE": 3000, "PISALIQ": 1.65, "PISVALOR": 49.5,
         "CLATRIBCOFINS": "A", "COFINSBASE": 3000, "COFINSALIQ": 7.6, "COFINSVALOR": 228,
         "DESCRICAO": "Receita de locação"},
        {"ID": 7003, "IDF_FILIAL": 10, "DATA": "2024-04-01", "INDOPER": "1", "VALOR": 999}],
      "Z8_RETPISCOF": [
        {"ID": 7101, "IDF_FILIAL": 10, "DATA": "2024-03-15", "NATUREZA": "9", "BASE": 1000,
         "VALOR": 36.5, "CODRECEITA": "6147", "NATRECEITA": "0", "CNPJFONTE": "394460000141",
         "VALORPIS": 6.5, "VALORCOFINS": 30, "INDDECLARANTE": "0"}]
    })");
  }

  TArquivo GerarContribuicoes() { return Gerar(2, 2024, 3, nullptr); }
};

TEST_P(BlocoF, OperacoesERetencoesDoMesSobOEstabelecimento) {
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Trecho(a, "F001", {"F010", "F100", "F600", "F990"}),
            (std::vector<std::string>{
                "|F001|0|", "|F010|12345678000195|",
                Latin1("|F100|0|300202||10032024|2000|50|2000|1,65|33|50|2000|7,6|152|04|0|||"
                       "Aluguel de galpão|"),
                Latin1("|F100|1|||20032024|3000|01|3000|1,65|49,5|01|3000|7,6|228|||||"
                       "Receita de locação|"),
                // Nature "9" is written "99"; the paying source's CNPJ zero-filled.
                "|F600|99|15032024|1000|36,5|6147|0|00394460000141|6,5|30|0|", "|F990|6|"}));
  const std::vector<std::string> bloco0 = Trecho(a, "0140", {"0150", "0190", "0200", "0450"});
  EXPECT_EQ(std::count_if(bloco0.begin(), bloco0.end(),
                          [](const std::string& l) { return l.starts_with("|0150|300202|"); }),
            1);
}

TEST_P(BlocoF, BlocoMCreditaADespesaETributaAReceita) {
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  // PIS: 1,65% of 3.000,00 (49,50) less 1,65% of 2.000,00 (33,00): 16,50,
  // of which 6,50 were withheld at source: 10,00 to pay.
  EXPECT_EQ(Linhas(a, "M105"),
            std::vector<std::string>{"|M105|04|50|2000,00||2000,00|2000,00||0,000||"});
  EXPECT_EQ(Linhas(a, "M200"),
            std::vector<std::string>{
                "|M200|49,50|33,00|0,00|16,50|6,50|0,00|10,00|0,00|0,00|0,00|0,00|10,00|"});
  EXPECT_EQ(Campos(Linhas(a, "M210")[0])[2], "3000,00");
  // COFINS: 228,00 less 152,00, less 30,00 withheld.
  EXPECT_EQ(Linhas(a, "M600"),
            std::vector<std::string>{
                "|M600|228,00|152,00|0,00|76,00|30,00|0,00|46,00|0,00|0,00|0,00|0,00|46,00|"});
}

TEST_P(BlocoF, RetencaoMaiorQueAContribuicaoDeduzSoOQueEDevido) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "Z8_OPEPISCOF": [
      {"ID": 7002, "IDF_FILIAL": 10, "DATA": "2024-03-20", "INDOPER": "1",
       "VALOR": 100, "CLATRIBPIS": "A", "PISBASE": 100, "PISALIQ": 1.65, "PISVALOR": 1.65,
       "CLATRIBCOFINS": "A", "COFINSBASE": 100, "COFINSALIQ": 7.6, "COFINSVALOR": 7.6}],
    "Z8_RETPISCOF": [
      {"ID": 7101, "IDF_FILIAL": 10, "DATA": "2024-03-15", "NATUREZA": "1", "BASE": 1000,
       "VALOR": 36.5, "CODRECEITA": "6147", "NATRECEITA": "0", "CNPJFONTE": "394460000141",
       "VALORPIS": 6.5, "VALORCOFINS": 30, "INDDECLARANTE": "0"}]
  })");
  const TArquivo a = GerarContribuicoes();
  EXPECT_EQ(Linhas(a, "M200"),
            std::vector<std::string>{
                "|M200|1,65|0,00|0,00|1,65|1,65|0,00|0,00|0,00|0,00|0,00|0,00|0,00|"});
}

TEST_P(BlocoF, SemOperacoesOBlocoAbreVazio) {
  TDocumentoTeste venda{.id = 4001, .numero = "1"};
  Carregar({venda});
  const TArquivo a = GerarContribuicoes();
  EXPECT_EQ(Linhas(a, "F001"), std::vector<std::string>{"|F001|1|"});
  EXPECT_EQ(Linhas(a, "F990"), std::vector<std::string>{"|F990|2|"});
}

INSTANTIATE_TEST_SUITE_P(Motores, BlocoF, ::testing::ValuesIn(MotoresDeTeste()));

TEST(NaturezaDaRetencao, PrimeiroCaractereComDoisDigitosE9Vira99) {
  EXPECT_EQ(Th5RegistroEFDF010::RetornarIndNatRetencao("1"), "01");
  EXPECT_EQ(Th5RegistroEFDF010::RetornarIndNatRetencao("5 - sociedade"), "05");
  EXPECT_EQ(Th5RegistroEFDF010::RetornarIndNatRetencao("9"), "99");
  EXPECT_EQ(Th5RegistroEFDF010::RetornarIndNatRetencao("7"), "");
}

}  // namespace
}  // namespace efd::teste
