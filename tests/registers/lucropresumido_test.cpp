// A presumed-profit company taxed by cash: its PIS/COFINS file consolidates
// the revenues received in the month in block F (F500, F510, with F525
// detailing each receipt), itemises no document, and block M assesses the
// cumulative contributions from those consolidations; on every engine.
#include <cstdio>
#include <cstdlib>

#include "registers/blockC/linhasblococ.h"
#include "registers/piscofins/detalhesm.h"
#include "registers/piscofins/receitaspresumidas.h"
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

// Company 2, branch 20, cumulative regime by cash. Document 6001 (February,
// 3.000,00: 2.000,00 taxed at 0,65% and 3% and 1.000,00 exempt) is half
// received in March; document 6002 (March, 1.000,00 at the basic rates and
// 10 units taxed per unit, 300,00) wholly, and a later part of it in April;
// document 6003 (March) is not received.
constexpr const char* kEmpresaPresumida = R"({
  "KLVG_IDENT": [{"ID": 6, "FD": "PessoaJuridica", "CODIGO": "E2", "NOME": "Serviços Presumidos Ltda",
                  "IDF_ENDER": 1, "NUMERO": "2000", "IDF_PAIS": 1, "IDIDENTFIL": 6},
                 {"ID": 9, "FD": "PessoaFisica", "CODIGO": "C2", "NOME": "Clara Contadora",
                  "IDF_ENDER": 1, "NUMERO": "300", "IDF_PAIS": 1}],
  "KLVG_PESJUR": [{"ID": 6, "IDA": 6, "CNPJ": "98.765.432/0001-98", "IE": "ISENTO"}],
  "KLVG_PESFIS": [{"ID": 9, "IDA": 9, "CPF": "529.982.247-25"}],
  "KLVG_PAPELREL": [{"ID": 8, "IDF_IDENT": 6, "PAPEL": "FIL"}],
  "Z8_EMPRESA": [{"ID": 2, "CODIGO": "2", "NOME": "Presumida", "IDF_IDENT": 6}],
  "Z8_FILIAL": [{"ID": 20, "IDF_EMPRESA": 2, "CODIGO": "1", "NOME": "Matriz presumida",
                 "IDF_PAPELREL": 8, "IDF_CONTADOR": 9, "CRCCONTADOR": "1SP123456/O-7"}],
  "Z8_PAREMP": [{"ID": 41, "FD": "ParEmpGeral", "IDF_EMPRESA": 2, "DATAINICIAL": "2010-01-01",
                 "DATAFINAL": "2099-12-31", "SITUACAO": "1"}],
  "Z8_PEMPGERAL": [{"ID": 41, "IDA": 41, "GRUPOEMPRESARIAL": false, "INDPERFISCALPADRAO": "A",
                    "INDTPATIVPADRAO": "0", "GERARPRODSEMPREFIXO": false,
                    "INDINCTRIBPADRAO": "2", "INDTPCONTRIBPADRAO": "1", "REGIMEAPURA": "1"}],
  "Z8_DOCTO": [
    {"ID": 6001, "FD": "Docto", "IDF_FILIAL": 20, "IDF_TPDOCTO": 1101, "IDF_SERIEDOCTO": 1201,
     "IDF_IDENT": 201, "NRODOCTO": "501", "DATAEMI": "2024-02-20", "DTENTSAI": "2024-02-20",
     "SITUACAO": "1", "SITUACAONF": "0", "VALTOTALNF": 3000},
    {"ID": 6002, "FD": "Docto", "IDF_FILIAL": 20, "IDF_TPDOCTO": 1101, "IDF_SERIEDOCTO": 1201,
     "IDF_IDENT": 202, "NRODOCTO": "502", "DATAEMI": "2024-03-02", "DTENTSAI": "2024-03-02",
     "SITUACAO": "1", "SITUACAONF": "0", "VALTOTALNF": 1300},
    {"ID": 6003, "FD": "Docto", "IDF_FILIAL": 20, "IDF_TPDOCTO": 1101, "IDF_SERIEDOCTO": 1201,
     "IDF_IDENT": 201, "NRODOCTO": "503", "DATAEMI": "2024-03-25", "DTENTSAI": "2024-03-25",
     "SITUACAO": "1", "SITUACAONF": "0", "VALTOTALNF": 800}],
  "Z8_PARTEDOCTO": [{"ID": 6101, "FD": "ItemDocto", "IDF_DOCTO": 6001},
                    {"ID": 6102, "FD": "ItemDocto", "IDF_DOCTO": 6001},
                    {"ID": 6103, "FD": "ItemDocto", "IDF_DOCTO": 6002},
                    {"ID": 6104, "FD": "ItemDocto", "IDF_DOCTO": 6002},
                    {"ID": 6105, "FD": "ItemDocto", "IDF_DOCTO": 6003}],
  "Z8_DOCTOITEM": [
    {"ID": 6101, "IDA": 6101, "SEQITEM": 1, "IDF_PROD": 70, "IDF_CFOP": 1401, "QDADE": 20, "VALLIQUIDONF": 2000},
    {"ID": 6102, "IDA": 6102, "SEQITEM": 2, "IDF_PROD": 71, "IDF_CFOP": 1404, "QDADE": 10, "VALLIQUIDONF": 1000},
    {"ID": 6103, "IDA": 6103, "SEQITEM": 1, "IDF_PROD": 70, "IDF_CFOP": 1401, "QDADE": 10, "VALLIQUIDONF": 1000},
    {"ID": 6104, "IDA": 6104, "SEQITEM": 2, "IDF_PROD": 72, "IDF_CFOP": 1401, "QDADE": 10, "VALLIQUIDONF": 300},
    {"ID": 6105, "IDA": 6105, "SEQITEM": 1, "IDF_PROD": 70, "IDF_CFOP": 1401, "QDADE": 8, "VALLIQUIDONF": 800}],
  "Z8_TRIBITEM": [{"ID": 6101, "FD": "TribItemProd", "IDF_DOCTOITEM": 6101},
                  {"ID": 6102, "FD": "TribItemProd", "IDF_DOCTOITEM": 6102},
                  {"ID": 6103, "FD": "TribItemProd", "IDF_DOCTOITEM": 6103},
                  {"ID": 6104, "FD": "TribItemProd", "IDF_DOCTOITEM": 6104},
                  {"ID": 6105, "FD": "TribItemProd", "IDF_DOCTOITEM": 6105}],
  "Z8_TRIITEMPRO": [
    {"ID": 6101, "IDA": 6101, "CLATRIBPIS": "A", "PISALIQ": 0.65, "CLATRIBCOFINS": "A", "COFINSALIQ": 3},
    {"ID": 6102, "IDA": 6102, "CLATRIBPIS": "F", "CLATRIBCOFINS": "F", "NATRECPISCOFINS": "999"},
    {"ID": 6103, "IDA": 6103, "CLATRIBPIS": "A", "PISALIQ": 0.65, "CLATRIBCOFINS": "A", "COFINSALIQ": 3},
    {"ID": 6104, "IDA": 6104, "CLATRIBPIS": "C", "VALFIXOPIS": 0.5, "CLATRIBCOFINS": "C", "VALFIXOCOFINS": 2},
    {"ID": 6105, "IDA": 6105, "CLATRIBPIS": "A", "PISALIQ": 0.65, "CLATRIBCOFINS": "A", "COFINSALIQ": 3}],
  "Z8_RECEBDOCTO": [
    {"ID": 6201, "IDF_FILIAL": 20, "DATA": "2024-03-05", "IDF_DOCTO": 6001, "VALOR": 1500},
    {"ID": 6202, "IDF_FILIAL": 20, "DATA": "2024-03-20", "IDF_DOCTO": 6002, "VALOR": 1300},
    {"ID": 6203, "IDF_FILIAL": 20, "DATA": "2024-04-02", "IDF_DOCTO": 6002, "VALOR": 50},
    {"ID": 6204, "IDF_FILIAL": 10, "DATA": "2024-03-05", "IDF_DOCTO": 6003, "VALOR": 800}]
})";

class LucroPresumido : public TDocumentos {
 protected:
  void SetUp() override {
    TDocumentos::SetUp();
    if (IsSkipped()) return;
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kEmpresaPresumida);
  }

  // The PIS/COFINS file of March 2024 of branch 20, with its path.
  TArquivo GerarPresumida(std::string& caminho) {
    app::OpcoesGeracao o;
    o.modelo = 2;
    o.filiais = {20};
    o.inicio = TDateTime::EncodeDate(2024, 3, 1);
    o.saida = DiretorioTemporario();
    const auto arquivos = app::Gerar(*sessao_, o);
    TArquivo a;
    if (arquivos.size() != 1) {
      ADD_FAILURE() << arquivos.size() << " arquivos gerados";
      return a;
    }
    caminho = arquivos[0].caminho;
    a.problemas = arquivos[0].resumo.problemas;
    std::ifstream in(caminho, std::ios::binary);
    for (std::string l; std::getline(in, l);) a.linhas.push_back(l.substr(0, l.size() - 1));
    return a;
  }
};

TEST_P(LucroPresumido, ReceitasRecebidasNoMesConsolidadasNoBlocoF) {
  std::string caminho;
  const TArquivo a = GerarPresumida(caminho);
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  // Cumulative by cash: the regime's basis is stated.
  EXPECT_EQ(Linhas(a, "0110"), std::vector<std::string>{"|0110|2|||1|"});
  EXPECT_EQ(
      Trecho(a, "F001", {"F010", "F500", "F510", "F525", "F990"}),
      (std::vector<std::string>{"|F001|0|", "|F010|98765432000198|",
                                // Half of 6001's taxed item and all of 6002's: a whole base
                                // without decimals, the rate with its two.
                                "|F500|2000|01|0|2000|0,65|13|01|0|2000|3|60|01|5102|||",
                                // Half of 6001's exempt item, on its own CFOP.
                                "|F500|500|07|0|0|0|0|07|0|0|0|0|01|6108|||",
                                "|F510|300|03|0|10|0,5|5|03|0|10|2|20|01|5102|||",
                                // Each receipt detailed by document and CST.
                                "|F525|1500|04|11222333000181|501||1000|01|01|||",
                                "|F525|1500|04|11222333000181|501||500|07|07|||",
                                "|F525|1300|04|44555666000172|502||1000|01|01|||",
                                "|F525|1300|04|44555666000172|502||300|03|03|||", "|F990|10|"}));
  // The documents themselves are not itemised.
  for (const char* bloco : {"A001", "C001", "D001"})
    EXPECT_EQ(Linhas(a, bloco), std::vector<std::string>{"|" + std::string(bloco) + "|1|"});
}

TEST_P(LucroPresumido, BlocoMApuraAContribuicaoCumulativaDasConsolidacoes) {
  std::string caminho;
  const TArquivo a = GerarPresumida(caminho);
  // PIS: 0,65% of 2.000,00 (13,00) and 10 units at 0,50 (5,00), all
  // cumulative; no credit.
  EXPECT_EQ(Linhas(a, "M200"),
            std::vector<std::string>{
                "|M200|0,00|0,00|0,00|0,00|0,00|0,00|0,00|18,00|0,00|0,00|18,00|18,00|"});
  EXPECT_EQ(Linhas(a, "M210"),
            (std::vector<std::string>{
                "|M210|51|2000,00|2000,00|0,00|0,00|2000,00|0,65|0,000||13,00|0,00|0,00|0,00|"
                "0,00|13,00|",
                "|M210|53|300,00|0,00|0,00|0,00|0,00|0,00|10,000|0,5000|5,00|0,00|0,00|0,00|"
                "0,00|5,00|"}));
  // COFINS: 3% of 2.000,00 (60,00) and 10 units at 2,00 (20,00).
  EXPECT_EQ(Linhas(a, "M600"),
            std::vector<std::string>{
                "|M600|0,00|0,00|0,00|0,00|0,00|0,00|0,00|80,00|0,00|0,00|80,00|80,00|"});
  EXPECT_TRUE(Linhas(a, "M100").empty());
  // The exempt part received goes to the revenues without contribution.
  EXPECT_EQ(Linhas(a, "M400"), std::vector<std::string>{"|M400|07|500,00|||"});
}

TEST_P(LucroPresumido, PorCompetenciaConsolidaOsDocumentosEmitidosNoMes) {
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PEMPGERAL SET REGIMEAPURA = '2' WHERE ID = 41");
  std::string caminho;
  const TArquivo a = GerarPresumida(caminho);
  EXPECT_EQ(Linhas(a, "0110"), std::vector<std::string>{"|0110|2|||2|"});
  // 6002 and 6003, issued in March, whatever was received of them; not
  // 6001, issued in February.
  EXPECT_EQ(Trecho(a, "F010", {"F500", "F510", "F525", "F550", "F560"}),
            (std::vector<std::string>{"|F010|98765432000198|",
                                      "|F550|1800|01|0|1800|0,65|11,7|01|0|1800|3|54|01|5102|||",
                                      "|F560|300|03|0|10|0,5|5|03|0|10|2|20|01|5102|||"}));
  EXPECT_EQ(Campos(Linhas(a, "M200").at(0))[8], "16,70");
  EXPECT_EQ(Campos(Linhas(a, "M600").at(0))[8], "74,00");
}

TEST_P(LucroPresumido, ArquivoPassaNoVerificadorDeLeiaute) {
  std::string caminho;
  GerarPresumida(caminho);
  const std::string saida = caminho + ".achados";
  const int status = std::system(
      fmt::format("python3 '{}' --no-warnings '{}' > '{}'", EFD_VERIFICADOR, caminho, saida)
          .c_str());
  ASSERT_NE(status, -1);
  std::ifstream in(saida);
  const std::string achados{std::istreambuf_iterator<char>(in), {}};
  // Every error but the checker's known departure from the layout on M605's
  // revenue code (tests/app/achados_esperados.txt).
  std::string erros;
  for (const std::string& l : Dividir(achados, '\n'))
    if (l.find(": error: ") != std::string::npos &&
        l.find("[SIZE] M605 field 03 COD_REC") == std::string::npos)
      erros += l + "\n";
  EXPECT_EQ(erros, "") << achados;
  std::remove(saida.c_str());
}

INSTANTIATE_TEST_SUITE_P(Motores, LucroPresumido, ::testing::ValuesIn(MotoresDeTeste()));

// Rows stored as another component might store them: the consolidations by
// value have their bases and rates rounded to two decimals when written,
// every other amount goes out as stored.
class ConsolidacoesGravadas : public TDocumentos {};

TEST_P(ConsolidacoesGravadas, BasesEAliquotasComDuasCasasDemaisValoresComoGuardados) {
  const TArquivo a = Gerar(2, 2024, 3, [](TxsSessionZ8& sessao, int id_efd) {
    const int bloco = IdBlocoDaGeracao(sessao, id_efd, "Bloco F");
    const int64_t f010 =
        TxbInsercaoRegistro(sessao, "F010", {"CNPJ"})
            .Inserir(bloco, IdTipoRegistro(sessao, bloco, "F010"), {std::string("12345678000195")});
    for (const char* codigo : {"F550", "F500"}) {
      const std::string receita = codigo[2] == '0' ? "VL_REC_CAIXA" : "VL_REC_COMP";
      std::vector<std::string> campos{"IDF_RegEFDF010"};
      for (const std::string& c : CamposConsolidacao(receita.c_str(), false)) campos.push_back(c);
      TxbInsercaoRegistro(sessao, codigo, campos)
          .Inserir(bloco, IdTipoRegistro(sessao, bloco, codigo),
                   {f010, 1234.567, "01", 0.0, 1234.567, 0.6512, 8.0397, "01", 0.0, 1000.004, 3.0,
                    30.0, "55", "5102", "", ""});
    }
  });
  // Written in the file's order, F500 before F550.
  EXPECT_EQ(Trecho(a, "F010", {"F500", "F550"}),
            (std::vector<std::string>{
                "|F010|12345678000195|",
                "|F500|1234,567|01|0|1234,57|0,65|8,0397|01|0|1000|3|30|55|5102|||",
                "|F550|1234,567|01|0|1234,57|0,65|8,0397|01|0|1000|3|30|55|5102|||"}));
}

INSTANTIATE_TEST_SUITE_P(Motores, ConsolidacoesGravadas, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
