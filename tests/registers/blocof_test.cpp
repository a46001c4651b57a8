// Block F of the PIS/COFINS file: the branch's operations outside fiscal
// documents (F100 with F111), the credits of its fixed assets (F120 with
// F129, F130), the withholdings at source (F600) and the other deductions
// (F700) under the establishment, and block M taking their credits,
// contributions, revenues without the contribution and deductions; on every
// engine.
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
         "NATBCCRED": "04", "DESCRICAO": "Aluguel de galpão",
         "NUMPROCESSO": "10880.720001/2023", "INDPROCESSO": "3"},
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

  // A revenue of CST 01 at the basic rates, and 6,50 of PIS and 30,00 of
  // COFINS withheld at source.
  void CarregarReceitaRetida(int valor) {
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(fmt::format(
        R"({{
      "Z8_OPEPISCOF": [
        {{"ID": 7002, "IDF_FILIAL": 10, "DATA": "2024-03-20", "INDOPER": "1",
         "VALOR": {0}, "CLATRIBPIS": "A", "PISBASE": {0}, "PISALIQ": 1.65, "PISVALOR": {1},
         "CLATRIBCOFINS": "A", "COFINSBASE": {0}, "COFINSALIQ": 7.6, "COFINSVALOR": {2}}}],
      "Z8_RETPISCOF": [
        {{"ID": 7101, "IDF_FILIAL": 10, "DATA": "2024-03-15", "NATUREZA": "1", "BASE": 1000,
         "VALOR": 36.5, "CODRECEITA": "6147", "NATRECEITA": "0", "CNPJFONTE": "394460000141",
         "VALORPIS": 6.5, "VALORCOFINS": 30, "INDDECLARANTE": "0"}}]
    }})",
        valor, valor * 165 / 10000.0, valor * 760 / 10000.0));
  }

  // Two assets of the branch, the second imported, with their cost centre;
  // and a month's revenue with the contribution.
  void CarregarBens(const std::string& creditos, const std::string& deducoes = "[]") {
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
      "Z8_CCUSTO": [{"ID": 7301, "CODIGO": "CC01", "NOME": "Produção", "DTINCLUSAO": "2020-01-02"}],
      "Z8_PROPAPPTR": [
        {"ID": 7201, "IDF_PROD": 70, "IDF_FILIAL": 10, "NUMITEM": "BEM01",
         "DATAAQUISICAO": "2023-11-14", "IDF_CENTROCUSTO": 7301},
        {"ID": 7202, "IDF_FILIAL": 10, "NUMITEM": "BEM02", "DATAAQUISICAO": "2022-05-03"}],
      "Z8_OPEPISCOF": [
        {"ID": 7002, "IDF_FILIAL": 10, "DATA": "2024-03-20", "INDOPER": "1",
         "VALOR": 10000, "CLATRIBPIS": "A", "PISBASE": 10000, "PISALIQ": 1.65, "PISVALOR": 165,
         "CLATRIBCOFINS": "A", "COFINSBASE": 10000, "COFINSALIQ": 7.6, "COFINSVALOR": 760}],
      "Z8_CREPCBEM": )" + creditos + R"(,
      "Z8_DEDPISCOF": )" + deducoes + "}");
  }

  // A credit of a month on an asset: on depreciation (base "1") or on
  // acquisition ("2"), at the basic rates of CST 50.
  static std::string Credito(int id, int bem, const char* base, const char* natureza, double valor,
                             double base_credito, const char* extra = "",
                             const char* data = "2024-03-01") {
    return fmt::format(
        R"({{"ID": {}, "IDF_PROPAPPTR": {}, "DATA": "{}", "BASE": "{}", "NATBCCRED": "{}",
        "IDENTBEM": "04", "ORIGCRED": "0", "UTILIZACAO": "1", "VALOR": {}, "PARCNAOCRED": 0,
        "CLATRIBPIS": "K", "PISBASE": {}, "PISALIQ": 1.65, "PISVALOR": {},
        "CLATRIBCOFINS": "K", "COFINSBASE": {}, "COFINSALIQ": 7.6, "COFINSVALOR": {}{}}})",
        id, bem, data, base, natureza, valor, base_credito, base_credito * 165 / 10000,
        base_credito, base_credito * 760 / 10000, extra);
  }

  // Generation that must fail: the message names the record and the field,
  // and no row of block F is left.
  void GerarEsperandoErro(const std::vector<std::string>& trechos) {
    const std::string erro =
        teste::Mensagem<EErro>([&] { app::Gerar(*sessao_, OpcoesDoMes(2, 2024, 3)); });
    for (const std::string& t : trechos) EXPECT_NE(erro.find(t), std::string::npos) << erro;
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDF010"), 0);
  }
};

TEST_P(BlocoF, OperacoesERetencoesDoMesSobOEstabelecimento) {
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Trecho(a, "F001", {"F010", "F100", "F111", "F600", "F990"}),
            (std::vector<std::string>{
                "|F001|0|", "|F010|12345678000195|",
                Latin1("|F100|0|300202||10032024|2000|50|2000|1,65|33|50|2000|7,6|152|04|0|||"
                       "Aluguel de galpão|"),
                "|F111|10880.720001/2023|3|",
                Latin1("|F100|1|||20032024|3000|01|3000|1,65|49,5|01|3000|7,6|228|||||"
                       "Receita de locação|"),
                // Nature "9" is written "99"; the paying source's CNPJ zero-filled.
                "|F600|99|15032024|1000|36,5|6147|0|00394460000141|6,5|30|0|", "|F990|7|"}));
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
  CarregarReceitaRetida(100);
  const TArquivo a = GerarContribuicoes();
  EXPECT_EQ(Linhas(a, "M200"),
            std::vector<std::string>{
                "|M200|1,65|0,00|0,00|1,65|1,65|0,00|0,00|0,00|0,00|0,00|0,00|0,00|"});
}

TEST_P(BlocoF, CreditosDosBensEDeducoesSobOEstabelecimento) {
  CarregarBens(
      "[" +
          Credito(7401, 7201, "1", "09", 1000, 1000,
                  R"(, "NUMPROCESSO": "0001234-56.2023", "INDPROCESSO": "1")") +
          "," +
          Credito(7402, 7201, "2", "10", 24000, 2000,
                  R"(, "BASECREDAQUIS": 24000, "NRPARCELAS": "2")") +
          "," + Credito(7403, 7202, "1", "09", 500, 500, R"(, "ORIGCRED": "1")") +
          // April's credit is not March's.
          "," + Credito(7404, 7201, "1", "09", 1000, 1000, "", "2024-04-01") + "]",
      R"([{"ID": 7501, "IDF_FILIAL": 10, "DATA": "2024-03-25", "ORIGEM": "99", "NATUREZA": "0",
           "VALORPIS": 20, "VALORCOFINS": 90, "BASEOPERACAO": 10000, "CNPJ": "394460000141",
           "COMPLEMENTO": "Crédito presumido"}])");
  const TArquivo a = GerarContribuicoes();
  EXPECT_TRUE(a.problemas.empty());
  // The kind of asset is the second field of both; the month of the
  // acquisition "MMYYYY"; the asset's product names it, or its code; the
  // cost centre declared in 0600.
  EXPECT_EQ(Trecho(a, "F120", {"F120", "F129", "F130", "F700"}),
            (std::vector<std::string>{
                "|F120|09|04|0|1|1000|0|50|1000|1,65|16,5|50|1000|7,6|76||CC01|Arroz|",
                "|F129|0001234-56.2023|1|",
                "|F120|09|04|1|1|500|0|50|500|1,65|8,25|50|500|7,6|38|||BEM02|",
                "|F130|10|04|0|1|112023|24000|0|24000|2|50|2000|1,65|33|50|2000|7,6|152||CC01|"
                "Arroz|",
                Latin1("|F700|99|0|20|90|10000|00394460000141|Crédito presumido|")}));
  EXPECT_EQ(Linhas(a, "0600"), std::vector<std::string>{Latin1("|0600|02012020|CC01|Produção|")});
  // The imported asset's credit is an import's.
  std::vector<std::string> codigos;
  for (const std::string& l : Linhas(a, "M100")) codigos.push_back(Campos(l)[1]);
  EXPECT_EQ(codigos, (std::vector<std::string>{"101", "108"}));
}

TEST_P(BlocoF, BlocoMCreditaOsBensPorNaturezaEDeduzOF700) {
  CarregarBens("[" + Credito(7401, 7201, "1", "09", 1000, 1000) + "," +
                   Credito(7402, 7201, "2", "10", 24000, 2000,
                           R"(, "BASECREDAQUIS": 24000, "NRPARCELAS": "2")") +
                   "]",
               R"([{"ID": 7501, "IDF_FILIAL": 10, "DATA": "2024-03-25", "ORIGEM": "99",
                    "NATUREZA": "0", "VALORPIS": 20, "VALORCOFINS": 90},
                   {"ID": 7502, "IDF_FILIAL": 10, "DATA": "2024-03-26", "ORIGEM": "02",
                    "NATUREZA": "1", "VALORPIS": 5, "VALORCOFINS": 10}])");
  const TArquivo a = GerarContribuicoes();
  // One credit of the basic rate on both bases, told apart by nature.
  EXPECT_EQ(Linhas(a, "M105"),
            (std::vector<std::string>{"|M105|09|50|1000,00||1000,00|1000,00||0,000||",
                                      "|M105|10|50|2000,00||2000,00|2000,00||0,000||"}));
  ASSERT_EQ(Linhas(a, "M100").size(), 1u);
  EXPECT_EQ(Campos(Linhas(a, "M100")[0])[3], "3000,00");
  EXPECT_EQ(Campos(Linhas(a, "M100")[0])[7], "49,50");
  // PIS: 165,00 less the credit of 49,50, less 20,00 of other deductions;
  // nothing cumulative to take the cumulative deduction from.
  EXPECT_EQ(Linhas(a, "M200"),
            std::vector<std::string>{
                "|M200|165,00|49,50|0,00|115,50|0,00|20,00|95,50|0,00|0,00|0,00|0,00|95,50|"});
  EXPECT_EQ(Linhas(a, "M600"),
            std::vector<std::string>{
                "|M600|760,00|228,00|0,00|532,00|0,00|90,00|442,00|0,00|0,00|0,00|0,00|442,00|"});
}

TEST_P(BlocoF, DeducaoMaiorQueOQueSobraDaRetencaoDeduzSoORestante) {
  CarregarReceitaRetida(1000);
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({"Z8_DEDPISCOF": [
      {"ID": 7501, "IDF_FILIAL": 10, "DATA": "2024-03-25", "ORIGEM": "99", "NATUREZA": "0",
       "VALORPIS": 50, "VALORCOFINS": 50}]})");
  const TArquivo a = GerarContribuicoes();
  // The withholding first (6,50 of 16,50), then 10,00 of the 50,00.
  EXPECT_EQ(Linhas(a, "M200"),
            std::vector<std::string>{
                "|M200|16,50|0,00|0,00|16,50|6,50|10,00|0,00|0,00|0,00|0,00|0,00|0,00|"});
  // COFINS: 30,00 of 76,00 withheld, 46,00 of the 50,00 deducted.
  EXPECT_EQ(Campos(Linhas(a, "M600")[0])[6], "46,00");
  EXPECT_EQ(Campos(Linhas(a, "M600")[0])[7], "0,00");
}

TEST_P(BlocoF, ReceitaSemContribuicaoVaiAoM400PelaNatureza) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "Z8_OPEPISCOF": [
      {"ID": 7005, "IDF_FILIAL": 10, "DATA": "2024-03-20", "INDOPER": "2", "VALOR": 820.456,
       "CLATRIBPIS": "E", "CLATRIBCOFINS": "E", "NATRECEITA": "121"},
      {"ID": 7006, "IDF_FILIAL": 10, "DATA": "2024-03-21", "INDOPER": "2", "VALOR": 100,
       "CLATRIBPIS": "E", "CLATRIBCOFINS": "E", "NATRECEITA": "122"}]
  })");
  const TArquivo a = GerarContribuicoes();
  EXPECT_EQ(Linhas(a, "M400"), std::vector<std::string>{"|M400|06|920,46|||"});
  EXPECT_EQ(Linhas(a, "M410"),
            (std::vector<std::string>{"|M410|121|820,46|||", "|M410|122|100,00|||"}));
  EXPECT_EQ(Linhas(a, "M800"), std::vector<std::string>{"|M800|06|920,46|||"});
  EXPECT_EQ(Linhas(a, "M810").size(), 2u);
  EXPECT_TRUE(Linhas(a, "M210").empty());
}

TEST_P(BlocoF, ErrosDosDadosParamComORegistroEOCampo) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "Z8_OPEPISCOF": [
      {"ID": 7005, "IDF_FILIAL": 10, "DATA": "2024-03-20", "INDOPER": "2", "VALOR": 820,
       "CLATRIBPIS": "E", "CLATRIBCOFINS": "E"}]
  })");
  GerarEsperandoErro({"OpePisCof_NatReceita", "operação 7005", "CST 06"});
  sessao_->ExecutarDiretoNoBD("DELETE FROM Z8_OPEPISCOF", {});
  CarregarBens("[" + Credito(7401, 7201, "3", "09", 1000, 1000) + "]");
  GerarEsperandoErro({"CrePCBem_Base", "BEM01", "\"3\""});
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
