// A presumed-profit company taxed by cash: its PIS/COFINS file consolidates
// the revenues received in the month in block F (F500, F510, with F525
// detailing each receipt), itemises no document, and block M assesses the
// cumulative contributions from those consolidations; on every engine.
#include <cstdio>
#include <cstdlib>

#include "control/linhasregistros.h"
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

// The errors the layout checker finds in a file, but its known departure
// from the layout on M605's revenue code (tests/app/achados_esperados.txt).
std::string ErrosDoVerificador(const std::string& caminho) {
  const std::string saida = caminho + ".achados";
  const int status = std::system(
      fmt::format("python3 '{}' --no-warnings '{}' > '{}'", EFD_VERIFICADOR, caminho, saida)
          .c_str());
  if (status == -1) return "o verificador não executou";
  std::ifstream in(saida);
  const std::string achados{std::istreambuf_iterator<char>(in), {}};
  std::string erros;
  for (const std::string& l : Dividir(achados, '\n'))
    if (l.find(": error: ") != std::string::npos &&
        l.find("[SIZE] M605 field 03 COD_REC") == std::string::npos)
      erros += l + "\n";
  std::remove(saida.c_str());
  return erros;
}

TEST_P(LucroPresumido, ArquivoPassaNoVerificadorDeLeiaute) {
  std::string caminho;
  GerarPresumida(caminho);
  EXPECT_EQ(ErrosDoVerificador(caminho), "");
}

// The branch's fiscal printer in March 2024: coupon 9201 (day 4) sells
// 100,00 taxed (PIS 0,65 %, COFINS 3 %) and 40,00 at zero rate (CST 06,
// nature 101); 9202 (day 9) 50,50 taxed and an item cancelled; 9203 is a
// cancelled coupon; 9204 (day 15) 20,00 taxed without a document type and
// so without account; 9205 is April's, 9206 another branch's. The coupons'
// document type names account 3.1.01; the branch's totalizers give CFOP
// 5102 to taxed and exempt sales.
constexpr const char* kCuponsPresumida = R"({
  "KLVG_CLASSE": [{"ID": 9302, "FD": "ContaContabil", "CODIGO": "3.1.01",
                   "NOME": "Receita de vendas", "DTINCLUSAO": "2020-05-04"}],
  "Z8_CTACTB": [{"ID": 9302, "IDA": 9302, "CODREDUZIDO": "1002"}],
  "Z8_MODELODOCT": [{"ID": 9001, "CODMODELO": "2D", "DESCRICAO": "Cupom fiscal"}],
  "Z8_TIPDOC": [{"ID": 9101, "CODIGO": "CF", "DESCRICAO": "Cupom fiscal", "IDF_PADRAODOC": 1011}],
  "Z8_PARTETPDOC": [{"ID": 9111, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 9101}],
  "Z8_TPDOCTOGER": [{"ID": 9111, "IDA": 9111, "IDF_MODELODOCT": 9001, "IDF_CTACTB": 9302}],
  "Z8_IMPOSTO": [{"ID": 9001, "CODIGO": "ICMS", "NOME": "ICMS", "TIPO": "0"}],
  "Z8_TOTAUTCOME": [
    {"ID": 9011, "IDF_FILIAL": 20, "IDF_IMPOSTO": 9001, "TIPO": "1", "ALIQUOTA": 18, "IDF_CFOP": 1401},
    {"ID": 9012, "IDF_FILIAL": 20, "IDF_IMPOSTO": 9001, "TIPO": "2", "IDF_CFOP": 1401}],
  "Z8_DOCTO": [
    {"ID": 9201, "FD": "DoctoCupFiscal", "IDF_FILIAL": 20, "IDF_TPDOCTO": 9101, "NRODOCTO": "1", "DATAEMI": "2024-03-04", "SITUACAO": "1"},
    {"ID": 9202, "FD": "DoctoCupFiscal", "IDF_FILIAL": 20, "IDF_TPDOCTO": 9101, "NRODOCTO": "2", "DATAEMI": "2024-03-09", "SITUACAO": "1"},
    {"ID": 9203, "FD": "DoctoCupFiscal", "IDF_FILIAL": 20, "IDF_TPDOCTO": 9101, "NRODOCTO": "3", "DATAEMI": "2024-03-09", "SITUACAO": "1"},
    {"ID": 9204, "FD": "DoctoCupFiscal", "IDF_FILIAL": 20, "NRODOCTO": "4", "DATAEMI": "2024-03-15", "SITUACAO": "1"},
    {"ID": 9205, "FD": "DoctoCupFiscal", "IDF_FILIAL": 20, "IDF_TPDOCTO": 9101, "NRODOCTO": "5", "DATAEMI": "2024-04-01", "SITUACAO": "1"},
    {"ID": 9206, "FD": "DoctoCupFiscal", "IDF_FILIAL": 10, "IDF_TPDOCTO": 9101, "NRODOCTO": "6", "DATAEMI": "2024-03-05", "SITUACAO": "1"}],
  "Z8_CUPFISCAL": [
    {"ID": 9201, "IDA": 9201, "NUMSERIEECF": "ECF-P", "COOCUPOM": 1, "SITUACAOCF": "0", "VALBRUTO": 140, "DATAFINALIMPRESSAO": "2024-03-04 10:00:00"},
    {"ID": 9202, "IDA": 9202, "NUMSERIEECF": "ECF-P", "COOCUPOM": 2, "SITUACAOCF": "0", "VALBRUTO": 50.5, "DATAFINALIMPRESSAO": "2024-03-09 11:00:00"},
    {"ID": 9203, "IDA": 9203, "NUMSERIEECF": "ECF-P", "COOCUPOM": 3, "SITUACAOCF": "1", "VALBRUTO": 300, "DATAFINALIMPRESSAO": "2024-03-09 12:00:00"},
    {"ID": 9204, "IDA": 9204, "NUMSERIEECF": "ECF-P", "COOCUPOM": 4, "SITUACAOCF": "0", "VALBRUTO": 20, "DATAFINALIMPRESSAO": "2024-03-15 09:00:00"},
    {"ID": 9205, "IDA": 9205, "NUMSERIEECF": "ECF-P", "COOCUPOM": 5, "SITUACAOCF": "0", "VALBRUTO": 70, "DATAFINALIMPRESSAO": "2024-04-01 09:00:00"},
    {"ID": 9206, "IDA": 9206, "NUMSERIEECF": "ECF-Q", "COOCUPOM": 6, "SITUACAOCF": "0", "VALBRUTO": 80, "DATAFINALIMPRESSAO": "2024-03-05 09:00:00"}],
  "Z8_ITEMCUPFIS": [
    {"ID": 9301, "IDF_CUPFISCAL": 9201, "IDF_PROD": 70, "IDF_UNPROD": 80, "SITUACAOITEM": "0", "TIPOTRIBUTACAO": "0", "ALIQUOTA": 18, "VALLIQUIDO": 100,
     "VALPIS": 0.65, "VALCOFINS": 3, "CSTPIS": "01", "BASEPIS": 100, "ALIQPIS": 0.65, "CSTCOFINS": "01", "BASECOFINS": 100, "ALIQCOFINS": 3},
    {"ID": 9302, "IDF_CUPFISCAL": 9201, "IDF_PROD": 71, "IDF_UNPROD": 83, "SITUACAOITEM": "0", "TIPOTRIBUTACAO": "1", "ALIQUOTA": 0, "VALLIQUIDO": 40,
     "CSTPIS": "6", "CSTCOFINS": "6", "NATRECPISCOFINS": "101"},
    {"ID": 9303, "IDF_CUPFISCAL": 9202, "IDF_PROD": 70, "IDF_UNPROD": 80, "SITUACAOITEM": "0", "TIPOTRIBUTACAO": "0", "ALIQUOTA": 18, "VALLIQUIDO": 50.5,
     "VALPIS": 0.33, "VALCOFINS": 1.52, "CSTPIS": "01", "BASEPIS": 50.5, "ALIQPIS": 0.65, "CSTCOFINS": "01", "BASECOFINS": 50.5, "ALIQCOFINS": 3},
    {"ID": 9304, "IDF_CUPFISCAL": 9202, "IDF_PROD": 70, "IDF_UNPROD": 80, "SITUACAOITEM": "1", "TIPOTRIBUTACAO": "0", "ALIQUOTA": 18, "VALLIQUIDO": 999,
     "VALPIS": 6.49, "VALCOFINS": 29.97, "CSTPIS": "01", "BASEPIS": 999, "ALIQPIS": 0.65, "CSTCOFINS": "01", "BASECOFINS": 999, "ALIQCOFINS": 3},
    {"ID": 9305, "IDF_CUPFISCAL": 9203, "IDF_PROD": 70, "IDF_UNPROD": 80, "SITUACAOITEM": "0", "TIPOTRIBUTACAO": "0", "ALIQUOTA": 18, "VALLIQUIDO": 300,
     "VALPIS": 1.95, "VALCOFINS": 9, "CSTPIS": "01", "BASEPIS": 300, "ALIQPIS": 0.65, "CSTCOFINS": "01", "BASECOFINS": 300, "ALIQCOFINS": 3},
    {"ID": 9306, "IDF_CUPFISCAL": 9204, "IDF_PROD": 70, "IDF_UNPROD": 80, "SITUACAOITEM": "0", "TIPOTRIBUTACAO": "0", "ALIQUOTA": 18, "VALLIQUIDO": 20,
     "VALPIS": 0.13, "VALCOFINS": 0.6, "CSTPIS": "01", "BASEPIS": 20, "ALIQPIS": 0.65, "CSTCOFINS": "01", "BASECOFINS": 20, "ALIQCOFINS": 3},
    {"ID": 9307, "IDF_CUPFISCAL": 9205, "IDF_PROD": 70, "IDF_UNPROD": 80, "SITUACAOITEM": "0", "TIPOTRIBUTACAO": "0", "ALIQUOTA": 18, "VALLIQUIDO": 70,
     "VALPIS": 0.46, "VALCOFINS": 2.1, "CSTPIS": "01", "BASEPIS": 70, "ALIQPIS": 0.65, "CSTCOFINS": "01", "BASECOFINS": 70, "ALIQCOFINS": 3},
    {"ID": 9308, "IDF_CUPFISCAL": 9206, "IDF_PROD": 70, "IDF_UNPROD": 80, "SITUACAOITEM": "0", "TIPOTRIBUTACAO": "0", "ALIQUOTA": 18, "VALLIQUIDO": 80,
     "VALPIS": 0.52, "VALCOFINS": 2.4, "CSTPIS": "01", "BASEPIS": 80, "ALIQPIS": 0.65, "CSTCOFINS": "01", "BASECOFINS": 80, "ALIQCOFINS": 3}]
})";

// On the detailed basis the documents are itemised, and the printers' sales
// of the month are consolidated by item, CST, CFOP, rate and account.
TEST_P(LucroPresumido, CuponsDoMesConsolidadosPorItemCSTCFOPEAliquota) {
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PEMPGERAL SET REGIMEAPURA = '9' WHERE ID = 41");
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kCuponsPresumida);
  std::string caminho;
  const TArquivo a = GerarPresumida(caminho);
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  EXPECT_EQ(Linhas(a, "0110"), std::vector<std::string>{"|0110|2|||9|"});
  // From the first to the last day with valid sales; no printer itemised.
  EXPECT_EQ(Linhas(a, "C490"), std::vector<std::string>{"|C490|04032024|15032024|2D|"});
  EXPECT_TRUE(Linhas(a, "C400").empty());
  const std::string conta = Campos(Linhas(a, "0500").at(0))[5];
  EXPECT_EQ(conta, "3.1.01");
  EXPECT_EQ(
      Trecho(a, "C490", {"C491", "C495"}),
      (std::vector<std::string>{"|C490|04032024|15032024|2D|",
                                // The coupon without a document type has no account.
                                "|C491|P10001|01|5102|20|20|0,65|||0,13||",
                                "|C491|P10001|01|5102|150,5|150,5|0,65|||0,98|" + conta + "|",
                                // The one-digit CST with two; neither base nor rate at zero rate.
                                "|C491|P10002|06|5102|40|||||0|" + conta + "|",
                                "|C495|P10001|01|5102|20|20|3|||0,6||",
                                "|C495|P10001|01|5102|150,5|150,5|3|||4,52|" + conta + "|",
                                "|C495|P10002|06|5102|40|||||0|" + conta + "|"}));
  // The zero-rate sale is a revenue without the contribution, with the
  // coupons' account.
  EXPECT_EQ(Linhas(a, "M400"), std::vector<std::string>{"|M400|06|40,00|" + conta + "||"});
  EXPECT_EQ(Linhas(a, "M410"), std::vector<std::string>{"|M410|101|40,00|" + conta + "||"});
  // The fixture's products have no family (item type) and its account no
  // chart (nature, level): the checker finds nothing else.
  std::string erros;
  for (const std::string& l : Dividir(ErrosDoVerificador(caminho), '\n'))
    if (!l.empty() && l.find("] 0200 field 07") == std::string::npos &&
        l.find("] 0500 field") == std::string::npos)
      erros += l + "\n";
  EXPECT_EQ(erros, "");
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
