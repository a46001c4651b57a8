// Block E on every engine: the ICMS assessment (E100 to E116) from the
// ERP's assessment, from the generated analytic registers when the ERP has
// no assessment module, or all zero; the ICMS-ST assessment per state (E200
// to E250); the IPI assessment (E500 to E531); and the block's opening and
// closing lines.
#include <fmt/format.h>

#include <tuple>

#include "registers/blockE/apuracao.h"
#include "registers/blockE/uh5registroefde100.h"
#include "registers/blockE/uh5registroefde200.h"
#include "registers/blockE/uh5registroefde500.h"
#include "tests/registers/bloco0_teste.h"

namespace efd::teste {
namespace {

// The taxes; the branch's ICMS assessment of March 2024 with its document
// part and due day (the 10th); its IPI assessment; and the month's
// documents with IPI: two sales of one CFOP (one with a service item), a
// cancelled sale, a purchase entered in March though issued in February, and
// one issued in March but entered in April.
const char* kFixturaApuracao = R"({
  "Z8_IMPOSTO": [{"ID": 200, "CODIGO": "ICMS", "NOME": "ICMS", "TIPO": "0", "CODRECEITA": "046-2"},
                 {"ID": 201, "CODIGO": "IPI", "NOME": "IPI", "TIPO": "1"}],
  "Z8_DOCTO": [
    {"ID": 210, "FD": "Docto", "IDF_FILIAL": 10, "NRODOCTO": "APU1", "DATAEMI": "2024-03-31", "SITUACAO": "1"},
    {"ID": 211, "FD": "Docto", "IDF_FILIAL": 10, "NRODOCTO": "APU2", "DATAEMI": "2024-03-31", "SITUACAO": "1"},
    {"ID": 230, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 223, "NRODOCTO": "1", "DATAEMI": "2024-03-05",
     "DTENTSAI": "2024-03-05", "SITUACAO": "1", "SITUACAONF": "0"},
    {"ID": 231, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 223, "NRODOCTO": "2", "DATAEMI": "2024-03-20",
     "DTENTSAI": "2024-03-20", "SITUACAO": "1", "SITUACAONF": "0"},
    {"ID": 232, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 223, "NRODOCTO": "3", "DATAEMI": "2024-03-21",
     "DTENTSAI": "2024-03-21", "SITUACAO": "1", "SITUACAONF": "1"},
    {"ID": 233, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 224, "NRODOCTO": "77", "DATAEMI": "2024-02-27",
     "DTENTSAI": "2024-03-02", "SITUACAO": "1", "SITUACAONF": "0"},
    {"ID": 234, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 224, "NRODOCTO": "78", "DATAEMI": "2024-03-30",
     "DTENTSAI": "2024-04-01", "SITUACAO": "1", "SITUACAONF": "0"}],
  "Z8_PARTEDOCTO": [
    {"ID": 212, "FD": "ParteDocFisApuracao", "IDF_DOCTO": 210},
    {"ID": 213, "FD": "ParteDocFisApuracao", "IDF_DOCTO": 211},
    {"ID": 240, "FD": "ItemDocto", "IDF_DOCTO": 230}, {"ID": 241, "FD": "ItemDocto", "IDF_DOCTO": 230},
    {"ID": 242, "FD": "ItemDocto", "IDF_DOCTO": 231}, {"ID": 243, "FD": "ItemDocto", "IDF_DOCTO": 232},
    {"ID": 244, "FD": "ItemDocto", "IDF_DOCTO": 233}, {"ID": 245, "FD": "ItemDocto", "IDF_DOCTO": 234}],
  "Z8_PARTEDFAPU": [
    {"ID": 212, "IDA": 212, "DEBITOS": 1000.0, "CREDITOS": 300.0, "SALDOANTERIOR": 200.0,
     "ESTORNOSDEBITOS": 50.0, "ESTORNOSCREDITOS": 20.0, "OUTROSDEBITOS": 0.0, "OUTROSCREDITOS": 0.0,
     "DEDUCOES": 0.0, "IMPOSTORECOLHERTTD": 0.0},
    {"ID": 213, "IDA": 213, "DEBITOS": 15.0, "CREDITOS": 40.0, "SALDOANTERIOR": 5.0,
     "IMPOSTOTRANSPORTAR": 30.0, "IMPOSTORECOLHER": 0.0}],
  "Z8_APUIMPOSTO": [
    {"ID": 214, "IDF_FILIAL": 10, "IDF_IMPOSTO": 200, "PERINICIAL": "2024-03-01", "PERFINAL": "2024-03-31", "IDF_DOCTO": 210},
    {"ID": 215, "IDF_FILIAL": 10, "IDF_IMPOSTO": 201, "PERINICIAL": "2024-03-01", "PERFINAL": "2024-03-31", "IDF_DOCTO": 211}],
  "Z8_VENIMPTRBN": [{"ID": 216, "IDF_IMPOSTO": 200, "INICIOVIGENCIA": "2010-01-01", "DIAVENCTO": "A",
                     "CODRECEITA": "046-2"}],
  "Z8_MODELODOCT": [{"ID": 220, "CODMODELO": "55", "DESCRICAO": "NF-e"}],
  "Z8_PADRAODOC": [{"ID": 221, "CODINTERNO": 1, "DESCRICAO": "Venda"},
                   {"ID": 222, "CODINTERNO": 13, "DESCRICAO": "Compra"}],
  "Z8_TIPDOC": [{"ID": 223, "CODIGO": "VENDA", "IDF_PADRAODOC": 221},
                {"ID": 224, "CODIGO": "COMPRA", "IDF_PADRAODOC": 222}],
  "Z8_PARTETPDOC": [{"ID": 225, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 223},
                    {"ID": 226, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 224}],
  "Z8_TPDOCTOGER": [{"ID": 225, "IDA": 225, "IDF_MODELODOCT": 220},
                    {"ID": 226, "IDA": 226, "IDF_MODELODOCT": 220}],
  "Z8_CODFISOPE": [{"ID": 227, "CODIGO": "5.101", "TIPOMOV": "2"}, {"ID": 228, "CODIGO": "1.101", "TIPOMOV": "1"}],
  "Z8_DOCTOITEM": [
    {"ID": 240, "IDA": 240, "IDF_CFOP": 227, "VALLIQUIDONF": 110.0},
    {"ID": 241, "IDA": 241, "IDF_CFOP": 227, "VALLIQUIDONF": 50.0},
    {"ID": 242, "IDA": 242, "IDF_CFOP": 227, "VALLIQUIDONF": 220.0},
    {"ID": 243, "IDA": 243, "IDF_CFOP": 227, "VALLIQUIDONF": 999.0},
    {"ID": 244, "IDA": 244, "IDF_CFOP": 228, "VALLIQUIDONF": 88.0},
    {"ID": 245, "IDA": 245, "IDF_CFOP": 228, "VALLIQUIDONF": 999.0}],
  "Z8_TRIBITEM": [
    {"ID": 240, "FD": "TribItemProd", "IDF_DOCTOITEM": 240}, {"ID": 241, "FD": "TribItemServ", "IDF_DOCTOITEM": 241},
    {"ID": 242, "FD": "TribItemProd", "IDF_DOCTOITEM": 242}, {"ID": 243, "FD": "TribItemProd", "IDF_DOCTOITEM": 243},
    {"ID": 244, "FD": "TribItemProd", "IDF_DOCTOITEM": 244}, {"ID": 245, "FD": "TribItemProd", "IDF_DOCTOITEM": 245}],
  "Z8_TRIITEMPRO": [
    {"ID": 240, "IDA": 240, "CLATRIBIPI": "A", "IPIBASE": 100.0, "IPIVALOR": 10.0},
    {"ID": 242, "IDA": 242, "CLATRIBIPI": "A", "IPIBASE": 200.0, "IPIVALOR": 20.0},
    {"ID": 243, "IDA": 243, "CLATRIBIPI": "A", "IPIBASE": 900.0, "IPIVALOR": 90.0},
    {"ID": 244, "IDA": 244, "CLATRIBIPI": "H", "IPIBASE": 80.0, "IPIVALOR": 8.0},
    {"ID": 245, "IDA": 245, "CLATRIBIPI": "H", "IPIBASE": 900.0, "IPIVALOR": 90.0}],
  "Z8_TRIITEMSER": [{"ID": 241, "IDA": 241, "ISSVALOR": 2.5}]
})";

// Rubric documents of March 2024: a debit adjustment whose two lines of one
// description make one E111 (with the document's numbered process, not the
// unnumbered one) beside a line of another description and one of IPI; a
// credit and a deduction; a document-level code of 10 characters; a type of
// kind "C"; and a document entered in April.
const char* kFixturaRubricas = R"({
  "Z8_PADRAODOC": [{"ID": 250, "CODINTERNO": 132, "DESCRICAO": "Rubricas"}],
  "Z8_TABAJSALAP": [{"ID": 251, "CODAJUSAPURA": "SP000099"}, {"ID": 252, "CODAJUSAPURA": "SP020099"},
                    {"ID": 253, "CODAJUSAPURA": "SP10090001"}, {"ID": 254, "CODAJUSAPURA": "SP040099"}],
  "Z8_TIPDOC": [{"ID": 255, "IDF_PADRAODOC": 250}, {"ID": 256, "IDF_PADRAODOC": 250},
                {"ID": 257, "IDF_PADRAODOC": 250}, {"ID": 258, "IDF_PADRAODOC": 250},
                {"ID": 259, "IDF_PADRAODOC": 250}],
  "Z8_PARTETPDOC": [{"ID": 260, "FD": "TipoDoctoFiscal", "IDF_TIPDOC": 255},
                    {"ID": 261, "FD": "TipoDoctoFiscal", "IDF_TIPDOC": 256},
                    {"ID": 262, "FD": "TipoDoctoFiscal", "IDF_TIPDOC": 257},
                    {"ID": 263, "FD": "TipoDoctoFiscal", "IDF_TIPDOC": 258},
                    {"ID": 264, "FD": "TipoDoctoFiscal", "IDF_TIPDOC": 259}],
  "Z8_TPDOCTOFIS": [{"ID": 260, "IDA": 260, "IDF_TABELAAJSALAPURA": 251, "TIPO": "1"},
                    {"ID": 261, "IDA": 261, "IDF_TABELAAJSALAPURA": 252, "TIPO": "2"},
                    {"ID": 262, "IDA": 262, "IDF_TABELAAJSALAPURA": 253, "TIPO": "1"},
                    {"ID": 263, "IDA": 263, "IDF_TABELAAJSALAPURA": 254, "TIPO": "6"},
                    {"ID": 264, "IDA": 264, "IDF_TABELAAJSALAPURA": 251, "TIPO": "C"}],
  "Z8_DOCTO": [{"ID": 270, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 255, "DTENTSAI": "2024-03-10"},
               {"ID": 276, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 256, "DTENTSAI": "2024-03-11"},
               {"ID": 278, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 257, "DTENTSAI": "2024-03-12"},
               {"ID": 280, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 258, "DTENTSAI": "2024-03-13"},
               {"ID": 282, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 259, "DTENTSAI": "2024-03-14"},
               {"ID": 284, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 255, "DTENTSAI": "2024-04-02"}],
  "Z8_PARTEDOCTO": [
    {"ID": 271, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 270}, {"ID": 272, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 270},
    {"ID": 273, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 270}, {"ID": 286, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 270},
    {"ID": 274, "FD": "ParteProcJud", "IDF_DOCTO": 270}, {"ID": 275, "FD": "ParteProcJud", "IDF_DOCTO": 270},
    {"ID": 277, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 276}, {"ID": 279, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 278},
    {"ID": 281, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 280}, {"ID": 283, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 282},
    {"ID": 285, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 284}],
  "Z8_PARDFISRUB": [
    {"ID": 271, "IDA": 271, "IDF_IMPOSTO": 200, "VALORFISCAL": 10.004, "DESCRICAO": "Uso e\r\nconsumo"},
    {"ID": 272, "IDA": 272, "IDF_IMPOSTO": 200, "VALORFISCAL": 5.0, "DESCRICAO": "Uso e consumo"},
    {"ID": 273, "IDA": 273, "IDF_IMPOSTO": 200, "VALORFISCAL": 1.0, "DESCRICAO": "Outro"},
    {"ID": 286, "IDA": 286, "IDF_IMPOSTO": 201, "VALORFISCAL": 7.0, "DESCRICAO": "IPI"},
    {"ID": 277, "IDA": 277, "IDF_IMPOSTO": 200, "VALORFISCAL": 40.0, "DESCRICAO": "Crédito"},
    {"ID": 279, "IDA": 279, "IDF_IMPOSTO": 200, "VALORFISCAL": 99.0, "DESCRICAO": "Do documento"},
    {"ID": 281, "IDA": 281, "IDF_IMPOSTO": 200, "VALORFISCAL": 25.0, "DESCRICAO": "Dedução"},
    {"ID": 283, "IDA": 283, "IDF_IMPOSTO": 200, "VALORFISCAL": 500.0, "DESCRICAO": "Fora"},
    {"ID": 285, "IDA": 285, "IDF_IMPOSTO": 200, "VALORFISCAL": 600.0, "DESCRICAO": "Abril"}],
  "Z8_PARPROCJUD": [{"ID": 274, "IDA": 274, "NROPROC": "123", "INDPROC": "1", "DESCRESPROC": "Liminar"},
                    {"ID": 275, "IDA": 275, "NROPROC": "", "INDPROC": "9"}]
})";

// The documents behind the adjustments: the purchase 77 (of a participant,
// series 1, with its access key) has an item adjusted for the rate
// difference; the purchase 78 has none.
const char* kFixturaDocumentos = R"({
  "Z8_SERIEDOCTO": [{"ID": 300, "IDF_FILIAL": 10, "CODIGO": "1"}],
  "Z8_PARTEDOCTO": [{"ID": 301, "FD": "OutrosDadosCompras", "IDF_DOCTO": 233}],
  "Z8_OUTDADCOMP": [{"ID": 301, "IDA": 301, "CHAVENFE": "35240212345678000195550010000000771000000770"}],
  "Z8_AJTRIBITDO": [{"ID": 302, "IDF_TRIBITEM": 244, "IDF_IMPOSTO": 200, "TIPOAJUSTE": "1", "VALOR": 3.0}]
})";

// IPI rubric documents of March 2024: a credit whose origin is the purchase
// of the main fixture, and one told by its document's process.
const char* kFixturaRubricasIPI = R"({
  "Z8_PADRAODOC": [{"ID": 250, "CODINTERNO": 132, "DESCRICAO": "Rubricas"}],
  "Z8_TABAJAPIPI": [{"ID": 290, "CODIGO": "001"}],
  "Z8_TIPDOC": [{"ID": 291, "IDF_PADRAODOC": 250}],
  "Z8_PARTETPDOC": [{"ID": 292, "FD": "TipoDoctoFiscal", "IDF_TIPDOC": 291}],
  "Z8_TPDOCTOFIS": [{"ID": 292, "IDA": 292, "IDF_TABAJAPURIPI": 290, "TIPO": "2"}],
  "Z8_DOCTO": [{"ID": 293, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 291, "NRODOCTO": "R1", "DTENTSAI": "2024-03-15"},
               {"ID": 295, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 291, "NRODOCTO": "R2", "DTENTSAI": "2024-03-16"},
               {"ID": 318, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 224, "NRODOCTO": "", "DATAEMI": "2024-03-01"}],
  "Z8_PARTEDOCTO": [{"ID": 294, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 293},
                    {"ID": 296, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 295},
                    {"ID": 297, "FD": "ParteProcJud", "IDF_DOCTO": 295},
                    {"ID": 319, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 295}],
  "Z8_PARDFISRUB": [
    {"ID": 294, "IDA": 294, "IDF_IMPOSTO": 201, "VALOR": 12.5, "IDF_DOCTOORIGEM": 233, "DESCRICAO": "Devolução\r\nparcial"},
    {"ID": 296, "IDA": 296, "IDF_IMPOSTO": 201, "VALOR": 3.0, "DESCRICAO": "Sem origem"},
    {"ID": 319, "IDA": 319, "IDF_IMPOSTO": 201, "VALOR": 1.0, "IDF_DOCTOORIGEM": 318, "DESCRICAO": "Sem número"}],
  "Z8_PARPROCJUD": [{"ID": 297, "IDA": 297, "NROPROC": "55", "INDPROC": "4"}]
})";

class Apuracao : public TBloco0 {
 protected:
  void SetUp() override {
    RegistrarModulo();
    TBloco0::SetUp();
    if (IsSkipped()) return;
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaApuracao);
  }
  void TearDown() override {
    // The assessment module comes back for the next test.
    erp::Registrar();
    TBloco0::TearDown();
  }

  // The lines of block E, in file order.
  static std::vector<std::string> BlocoE(const TArquivo& a) {
    std::vector<std::string> r;
    for (const auto& l : a.linhas)
      if (l.starts_with("|E")) r.push_back(l);
    return r;
  }

  // Stores a row of an analytic register in the generation's block.
  int Analitico(TxsSessionZ8& sessao, int id_efd, const std::string& codigo,
                const std::vector<std::pair<std::string, TVariant>>& campos) {
    const TxbFamilia& f = TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD" + codigo);
    const std::string bloco = std::string("Bloco ") + codigo[0];
    const int id_bloco =
        sessao
            .Consultar("SELECT ID FROM Z8_BLOCOSEFD WHERE IDF_EFD = :E AND NOMEBLOCO = :B",
                       {{"E", id_efd}, {"B", bloco}})
            .linhas.at(0)
            .at(0)
            .AsInteger();
    const int id = static_cast<int>(sessao.GetBD().NovoID());
    sessao.ExecutarDiretoNoBD(
        "INSERT INTO Z8_REGEFD (ID, FD, IDF_BLOCOSEFD, REGISTRO) VALUES (:ID, :FD, :B, :R)",
        {{"ID", id}, {"FD", f.nome}, {"B", id_bloco}, {"R", codigo}});
    std::string colunas = "ID, IDA", valores = ":ID, :IDA";
    TParametros p{{"ID", id}, {"IDA", id}};
    for (const auto& [campo, valor] : campos) {
      colunas += ", " + f.Atributo(campo)->coluna;
      valores += ", :" + campo;
      p.emplace_back(campo, valor);
    }
    sessao.ExecutarDiretoNoBD(
        "INSERT INTO " + f.tabela + " (" + colunas + ") VALUES (" + valores + ")", p);
    return id;
  }
};

TEST_P(Apuracao, PeriodoSemApuracaoTemUmParZeradoEOBlocoFechado) {
  const auto a = Gerar(1, 2024, 4, nullptr);
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  // The ICMS pair of the file's period, all zero; the IPI assessment's E500
  // of the period stands alone; E990 counts its block's lines.
  EXPECT_EQ(BlocoE(a), (std::vector<std::string>{"|E001|0|", "|E100|01042024|30042024|",
                                                 "|E110|0|0|0|0|0|0|0|0|0|0|0|0|0|0|",
                                                 "|E500|0|01042024|30042024|", "|E990|5|"}));
  EXPECT_NE(std::find(a.linhas.begin(), a.linhas.end(), "|9900|E110|1|"), a.linhas.end());
}

TEST_P(Apuracao, ApuracaoDoERPDaOsTotaisOSaldoEAObrigacao) {
  const auto a = Gerar(1, 2024, 3, nullptr);
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  // Debits 1000 and reversed credits 20 against credits 300, reversed
  // debits 50 and 200 brought forward: 470 to pay on 10 April under the
  // configured revenue code.
  EXPECT_EQ(Trecho(a, "E100", {"E110", "E116"}),
            (std::vector<std::string>{"|E100|01032024|31032024|",
                                      "|E110|1000|0|0|20|300|0|0|50|200|470|0|470|0|0|",
                                      "|E116|000|470|10042024|046-2|||||032024|"}));
}

TEST_P(Apuracao, RubricasDaoOsAjustesEOsTotaisDoE110) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaRubricas);
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaDocumentos);
  // The state names the rubric type of the debit as that of the rate
  // difference.
  sessao_->ExecutarDiretoNoBD(
      "INSERT INTO Z8_PESTESCFIS (ID, IDF_ESTADO, IDF_TPDOCRUBDIFALIQ) VALUES (303, 1, 255)");
  sessao_->ExecutarDiretoNoBD(
      "UPDATE Z8_DOCTO SET IDF_IDENT = 101, IDF_SERIEDOCTO = 300 WHERE ID IN (233, 234)");
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PARDFISRUB SET IDF_DOCTONFCOMPRA = 233 WHERE ID = 271");
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PARDFISRUB SET IDF_DOCTONFCOMPRA = 234 WHERE ID = 272");
  const auto a = Gerar(1, 2024, 3, nullptr);
  // The line breaks of a description become blanks; 10.004 + 5 is written
  // as 15. Debit adjustments 16 and credit adjustments 40 join the
  // assessment's figures; the deduction of 25 comes off the balance of 446.
  // Only the purchase whose items carry the rate difference is named, by
  // its participant, which block 0 lists.
  EXPECT_EQ(
      Trecho(a, "E110", {"E111", "E112", "E113", "E116"}),
      (std::vector<std::string>{
          "|E110|1000|0|16|20|300|0|40|50|200|446|25|421|0|0|", "|E111|SP000099|Uso e consumo|15|",
          "|E112||123|1|Liminar||",
          "|E113|0000200001|55|1||77|27022024||10|"
          "35240212345678000195550010000000771000000770|",
          "|E111|SP000099|Outro|1|", "|E112||123|1|Liminar||", Latin1("|E111|SP020099|Crédito|40|"),
          Latin1("|E111|SP040099|Dedução|25|"), "|E116|000|421|10042024|046-2|||||032024|"}));
  EXPECT_EQ(Linhas(a, "0150").size(), 1u);
}

TEST_P(Apuracao, DocumentosComICMSSemApuracaoDaoUmAviso) {
  const auto avisos = [&] {
    return std::count_if(sessao_->Log().begin(), sessao_->Log().end(), [](const std::string& l) {
      return l.find("não tem apuração do ICMS") != std::string::npos;
    });
  };
  sessao_->ExecutarDiretoNoBD("DELETE FROM Z8_APUIMPOSTO WHERE ID = 214");
  Gerar(1, 2024, 3, nullptr);
  EXPECT_EQ(avisos(), 0);  // no item of the month has ICMS
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_TRIITEMPRO SET ICMSVALOR = 18 WHERE ID = 240");
  const auto a = Gerar(1, 2024, 3, nullptr);
  EXPECT_EQ(avisos(), 1);
  EXPECT_EQ(Linhas(a, "E110"), std::vector<std::string>{"|E110|0|0|0|0|0|0|0|0|0|0|0|0|0|0|"});
}

TEST_P(Apuracao, CreditoMaiorQueODebitoETransportado) {
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PARTEDFAPU SET CREDITOS = 1300 WHERE ID = 212");
  const auto a = Gerar(1, 2024, 3, nullptr);
  EXPECT_EQ(Linhas(a, "E110"),
            std::vector<std::string>{"|E110|1000|0|0|20|1300|0|0|50|200|0|0|0|530|0|"});
  EXPECT_EQ(Linhas(a, "E116"), std::vector<std::string>{"|E116|000|0|10042024|046-2|||||032024|"});
}

// The branch's fiscal movements of March 2024, booked through the
// integration of the month's documents: the fund of the ICMS of a sale
// (30) and of a purchase (10), the rate difference of a return of goods
// (12, CFOP 2.202) and of a sale (99), and a sale of April.
const char* kFixturaMovimentos = R"({
  "Z8_CODFISOPE": [{"ID": 400, "CODIGO": "2.202", "TIPOMOV": "1"}],
  "Z8_INTEGRA": [{"ID": 401, "FD": "Integracao", "IDF_DOCTO": 230}, {"ID": 402, "FD": "Integracao", "IDF_DOCTO": 233},
                 {"ID": 403, "FD": "Integracao", "IDF_DOCTO": 231}],
  "Z8_MOVFIS": [{"ID": 404, "IDF_INTEGRA": 401, "IDF_CFOP": 227, "DATAENTSAI": "2024-03-05"},
                {"ID": 405, "IDF_INTEGRA": 402, "IDF_CFOP": 228, "DATAENTSAI": "2024-03-02"},
                {"ID": 406, "IDF_INTEGRA": 403, "IDF_CFOP": 400, "DATAENTSAI": "2024-03-20"},
                {"ID": 407, "IDF_INTEGRA": 401, "IDF_CFOP": 227, "DATAENTSAI": "2024-04-02"}],
  "Z8_MOVFISIMP": [{"ID": 408, "IDF_MOVFIS": 404, "IDF_IMPOSTO": 200, "ICMSVALFCPPROPRIO": 30.0, "VALICMSPARTDEST": 99.0},
                   {"ID": 409, "IDF_MOVFIS": 405, "IDF_IMPOSTO": 200, "ICMSVALFCPPROPRIO": 10.0},
                   {"ID": 410, "IDF_MOVFIS": 406, "IDF_IMPOSTO": 200, "VALICMSPARTDEST": 12.0},
                   {"ID": 411, "IDF_MOVFIS": 406, "IDF_IMPOSTO": 201, "VALICMSPARTDEST": 500.0},
                   {"ID": 412, "IDF_MOVFIS": 407, "IDF_IMPOSTO": 200, "ICMSVALFCPPROPRIO": 700.0}]
})";

// The state's table of declaratory values: the employees (12 at the
// latest count of March), the other values of the fiscal movements of CFOP
// 5.101, and the general observation, which repeats the descriptions of
// the rows marked for it.
const char* kFixturaDeclaratorios = R"({
  "Z8_TABAJSALAP": [{"ID": 320, "CODAJUSAPURA": "SP990001"}, {"ID": 321, "CODAJUSAPURA": "SP990002"},
                    {"ID": 322, "CODAJUSAPURA": "SP990003"}],
  "Z8_PESTESCFIS": [{"ID": 323, "IDF_ESTADO": 1}],
  "Z8_IADICAPICM": [
    {"ID": 324, "IDF_PESTESCFIS": 323, "IDF_TABAJSALAP": 322, "TIPOREG": "0", "DESCICAOCOMPL": "Nada",
     "ADICREGGERALOBSERV": "T"},
    {"ID": 325, "IDF_PESTESCFIS": 323, "IDF_TABAJSALAP": 320, "TIPOREG": "2", "DESCICAOCOMPL": "Empregados",
     "ADICREGGERALOBSERV": "T"},
    {"ID": 326, "IDF_PESTESCFIS": 323, "IDF_TABAJSALAP": 321, "TIPOREG": "1", "DESCICAOCOMPL": "Outras",
     "ADICREGGERALOBSERV": "T", "IDF_CFOP": 227, "TIPOVALOR": "1"}],
  "Z8_FUNCFILIAL": [{"ID": 327, "IDF_FILIAL": 10, "INICIOVIGENCIA": "2024-01-01", "NUMFUNC": 12.0},
                    {"ID": 328, "IDF_FILIAL": 10, "INICIOVIGENCIA": "2024-04-01", "NUMFUNC": 99.0}]
})";

TEST_P(Apuracao, ValoresDeclaratoriosDaTabelaDoEstado) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaDeclaratorios);
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaMovimentos);
  // Of CFOP 5.101 in March: 120 of other values of ICMS; left out, its
  // exempt values, its IPI, another CFOP's and April's.
  for (auto [id, coluna, valor] : {std::tuple{408, "VALOROUTRAS", 100.0},
                                   {408, "VALORISENTAS", 7.0},
                                   {409, "VALOROUTRAS", 20.0},
                                   {410, "VALOROUTRAS", 40.0},
                                   {412, "VALOROUTRAS", 900.0}})
    sessao_->ExecutarDiretoNoBD(
        fmt::format("UPDATE Z8_MOVFISIMP SET {} = {} WHERE ID = {}", coluna, valor, id));
  sessao_->ExecutarDiretoNoBD(
      "INSERT INTO Z8_MOVFISIMP (ID, IDF_MOVFIS, IDF_IMPOSTO, VALOROUTRAS) VALUES (413, 404, 201, "
      "55)");
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_MOVFIS SET IDF_CFOP = 227 WHERE ID = 405");
  const auto a = Gerar(1, 2024, 3, nullptr);
  EXPECT_EQ(Trecho(a, "E115", {"E116"}),
            (std::vector<std::string>{"|E115|SP990001|12|Empregados|", "|E115|SP990002|120|Outras|",
                                      "|E115|SP990003|0|Empregados Outras|",
                                      "|E116|000|470|10042024|046-2|||||032024|"}));
}

TEST_P(Apuracao, SemConfiguracaoDeVencimentoNaoHaObrigacao) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaDeclaratorios);
  sessao_->ExecutarDiretoNoBD("DELETE FROM Z8_VENIMPTRBN");
  const auto a = Gerar(1, 2024, 3, nullptr);
  EXPECT_EQ(Linhas(a, "E110").size(), 1u);
  EXPECT_TRUE(Linhas(a, "E115").empty());
  EXPECT_TRUE(Linhas(a, "E116").empty());
}

TEST_P(Apuracao, IPIPorCFOPESituacaoComOsSaldosDaApuracao) {
  const auto a = Gerar(1, 2024, 3, nullptr);
  // Two sales of one CFOP and situation are one line, with the service's
  // accounting value but not its base; the cancelled sale and the purchase
  // entered in April are left out, the purchase issued in February but
  // entered in March counts. The block closes after the IPI lines.
  EXPECT_EQ(Trecho(a, "E500", {"E510", "E520", "E990"}),
            (std::vector<std::string>{"|E500|0|01032024|31032024|", "|E510|1101|50|88|80|8|",
                                      "|E510|5101|00|380|300|30|", "|E520|5|15|40|0|0|30|0|",
                                      "|E990|9|"}));
}

TEST_P(Apuracao, RubricasDeIPIDaoOsAjustesSobOE520) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaRubricasIPI);
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaDocumentos);
  sessao_->ExecutarDiretoNoBD(
      "UPDATE Z8_DOCTO SET IDF_IDENT = 101, IDF_SERIEDOCTO = 300 WHERE ID = 233");
  const auto a = Gerar(1, 2024, 3, nullptr);
  // Credits by the type's kind; the origin document makes the indicator 3,
  // a process of the state's administration 2. The origin document is
  // identified under its adjustment, without sub-series nor item; one
  // without number is not. The balances stay as the assessment gives them.
  EXPECT_EQ(Trecho(a, "E520", {"E530", "E531"}),
            (std::vector<std::string>{
                "|E520|5|15|40|0|0|30|0|", Latin1("|E530|1|12,5|001|3|R1|Devolução parcial|"),
                "|E531|0000200001|55|1||77|27022024||12,5|"
                "35240212345678000195550010000000771000000770|",
                "|E530|1|3|001|2|R2|Sem origem|", Latin1("|E530|1|1|001|3|R2|Sem número|")}));
  EXPECT_EQ(Linhas(a, "0150").size(), 1u);
}

// The ICMS-ST owed to three states in March 2024: São Paulo with a balance
// due, its deduction and another adjustment, and its GNRE (one of another
// revenue code, one of April); Rio de Janeiro with a credit brought forward
// and a deduction of code 61; Minas Gerais without figures. A rubric type
// of São Paulo's kind C stays out.
const char* kFixturaST = R"({
  "Z8_IMPOSTO": [{"ID": 330, "CODIGO": "ICMS-ST", "NOME": "ICMS-ST", "TIPO": "A"}],
  "KLVG_UF": [{"ID": 3, "SIGLA": "MG", "NOME": "Minas Gerais", "IDF_PAIS": 1}],
  "Z8_DOCTO": [
    {"ID": 331, "FD": "Docto", "IDF_FILIAL": 10, "NRODOCTO": "ST1"},
    {"ID": 332, "FD": "Docto", "IDF_FILIAL": 10, "NRODOCTO": "ST2"},
    {"ID": 333, "FD": "Docto", "IDF_FILIAL": 10, "NRODOCTO": "ST3"},
    {"ID": 340, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 350, "DTENTSAI": "2024-03-10"},
    {"ID": 341, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 351, "DTENTSAI": "2024-03-11"},
    {"ID": 342, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 352, "DTENTSAI": "2024-03-12"},
    {"ID": 343, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 353, "DTENTSAI": "2024-03-13"},
    {"ID": 360, "FD": "DoctoDespesaFiscal", "IDF_FILIAL": 10, "NRODOCTO": "G1"},
    {"ID": 361, "FD": "DoctoDespesaFiscal", "IDF_FILIAL": 10, "NRODOCTO": "G2"},
    {"ID": 362, "FD": "DoctoDespesaFiscal", "IDF_FILIAL": 10, "NRODOCTO": "G3"}],
  "Z8_DOCTODEFIS": [{"ID": 360, "IDA": 360, "VALTOTALNF": 425.0}, {"ID": 361, "IDA": 361, "VALTOTALNF": 7.0},
                    {"ID": 362, "IDA": 362, "VALTOTALNF": 8.0}],
  "Z8_PARTEDOCTO": [
    {"ID": 334, "FD": "ParteDocFisApuracao", "IDF_DOCTO": 331},
    {"ID": 335, "FD": "ParteDocFisApuracao", "IDF_DOCTO": 332},
    {"ID": 336, "FD": "ParteDocFisApuracao", "IDF_DOCTO": 333},
    {"ID": 344, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 340}, {"ID": 345, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 341},
    {"ID": 346, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 342}, {"ID": 347, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 343},
    {"ID": 363, "FD": "GNRE", "IDF_DOCTO": 360}, {"ID": 364, "FD": "GNRE", "IDF_DOCTO": 361},
    {"ID": 365, "FD": "GNRE", "IDF_DOCTO": 362}],
  "Z8_PARTEDFAPU": [
    {"ID": 334, "IDA": 334, "DEBITOS": 500.0, "OUTROSDEBITOS": 20.0, "SALDOANTERIOR": 30.0, "VALORDEVOL": 40.0,
     "DEDUCOES": 25.0},
    {"ID": 335, "IDA": 335, "SALDOANTERIOR": 60.0},
    {"ID": 336, "IDA": 336, "DEBITOS": 0.0}],
  "Z8_APUIMPOSTO": [
    {"ID": 337, "IDF_FILIAL": 10, "IDF_IMPOSTO": 330, "IDF_UF": 1, "PERINICIAL": "2024-03-01", "PERFINAL": "2024-03-31", "IDF_DOCTO": 331},
    {"ID": 338, "IDF_FILIAL": 10, "IDF_IMPOSTO": 330, "IDF_UF": 3, "PERINICIAL": "2024-03-01", "PERFINAL": "2024-03-31", "IDF_DOCTO": 333},
    {"ID": 339, "IDF_FILIAL": 10, "IDF_IMPOSTO": 330, "IDF_UF": 2, "PERINICIAL": "2024-03-01", "PERFINAL": "2024-03-31", "IDF_DOCTO": 332}],
  "Z8_PADRAODOC": [{"ID": 348, "CODINTERNO": 132, "DESCRICAO": "Rubricas"}],
  "Z8_TABAJSALAP": [{"ID": 354, "CODAJUSAPURA": "SP140001"}, {"ID": 355, "CODAJUSAPURA": "SP130001"},
                    {"ID": 356, "CODAJUSAPURA": "RJ610001"}],
  "Z8_TIPDOC": [{"ID": 350, "IDF_PADRAODOC": 348}, {"ID": 351, "IDF_PADRAODOC": 348},
                {"ID": 352, "IDF_PADRAODOC": 348}, {"ID": 353, "IDF_PADRAODOC": 348}],
  "Z8_PARTETPDOC": [{"ID": 357, "FD": "TipoDoctoFiscal", "IDF_TIPDOC": 350},
                    {"ID": 358, "FD": "TipoDoctoFiscal", "IDF_TIPDOC": 351},
                    {"ID": 359, "FD": "TipoDoctoFiscal", "IDF_TIPDOC": 352},
                    {"ID": 366, "FD": "TipoDoctoFiscal", "IDF_TIPDOC": 353}],
  "Z8_TPDOCTOFIS": [{"ID": 357, "IDA": 357, "IDF_TABELAAJSALAPURA": 354, "IDF_UF": 1, "TIPOREGISTRO": "A"},
                    {"ID": 358, "IDA": 358, "IDF_TABELAAJSALAPURA": 355, "IDF_UF": 1, "TIPOREGISTRO": "G"},
                    {"ID": 359, "IDA": 359, "IDF_TABELAAJSALAPURA": 356, "IDF_UF": 2, "TIPOREGISTRO": "B"},
                    {"ID": 366, "IDA": 366, "IDF_TABELAAJSALAPURA": 354, "IDF_UF": 1, "TIPOREGISTRO": "C"}],
  "Z8_PARDFISRUB": [
    {"ID": 344, "IDA": 344, "IDF_IMPOSTO": 330, "VALOR": 25.0, "DESCRICAO": "Dedução"},
    {"ID": 345, "IDA": 345, "IDF_IMPOSTO": 330, "VALOR": 5.0, "DESCRICAO": "Outro\r\najuste"},
    {"ID": 346, "IDA": 346, "IDF_IMPOSTO": 330, "VALOR": 4.0, "DESCRICAO": "Incentivo"},
    {"ID": 347, "IDA": 347, "IDF_IMPOSTO": 330, "VALOR": 1000.0, "DESCRICAO": "Fora"}],
  "Z8_GNRE": [
    {"ID": 363, "IDA": 363, "DATAREF": "2024-03-31", "UNFEDFAV": "SP", "CODRECEITA": "100099", "CODOBRIGREC": 2,
     "DATAVENCTO": "2024-04-09"},
    {"ID": 364, "IDA": 364, "DATAREF": "2024-03-31", "UNFEDFAV": "SP", "CODRECEITA": "999999", "CODOBRIGREC": 2,
     "DATAVENCTO": "2024-04-09"},
    {"ID": 365, "IDA": 365, "DATAREF": "2024-04-01", "UNFEDFAV": "SP", "CODRECEITA": "100099", "CODOBRIGREC": 2,
     "DATAVENCTO": "2024-05-09"}]
})";

TEST_P(Apuracao, ApuracaoDaSTPorEstado) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaST);
  const auto a = Gerar(1, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    // Special debits: of São Paulo's ICMS-ST, of Rio's, and of the ICMS.
    const std::pair<const char*, double> especiais[] = {
        {"SP71000001", 7.0}, {"RJ71000001", 9.0}, {"SP72000001", 11.0}};
    for (const auto& [codigo, icms] : especiais)
      Analitico(sessao, id_efd, "C197", {{"CodAjuste", codigo}, {"ValICMS", icms}});
  });
  // São Paulo: debits 500 + 20 against 30 brought forward and 40 of
  // returns, 450 due, 425 to pay after the deduction of 25. Rio: the 60
  // brought forward are carried, the code 61 deducts.
  EXPECT_EQ(Trecho(a, "E200", {"E210", "E220", "E250", "E200"}),
            (std::vector<std::string>{
                "|E200|SP|01032024|31032024|", "|E210|1|30|40|0|0|0|500|20|0|450|25|425|0|7|",
                Latin1("|E220|SP140001|Dedução|25|"), "|E220|SP130001|Outro ajuste|5|",
                "|E250|002|425|09042024|100099|||||032024|", "|E200|RJ|01032024|31032024|",
                "|E210|1|60|0|0|0|0|0|0|0|0|4|0|60|9|", "|E220|RJ610001|Incentivo|4|"}));
  EXPECT_EQ(Linhas(a, "E110")[0], "|E110|1000|0|0|20|300|0|0|50|200|470|0|470|0|11|");
  // The block's count takes in the ICMS-ST lines.
  const auto e = BlocoE(a);
  EXPECT_EQ(e.back(), fmt::format("|E990|{}|", e.size()));
}

TEST_P(Apuracao, SemOModuloDeApuracaoSomaOsAnaliticosGerados) {
  Aplicacao().RemoverClasse("ApuImposto");
  const auto a = Gerar(1, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    const int nota = Analitico(sessao, id_efd, "C100", {{"CodSit", "00"}});
    const int extemporanea = Analitico(sessao, id_efd, "C100", {{"CodSit", "01"}});
    const int conhecimento = Analitico(sessao, id_efd, "D100", {{"CodSit", "00"}});
    auto c190 = [&](int pai, const char* cfop, double icms) {
      Analitico(sessao, id_efd, "C190",
                {{"IDF_RegEFDC100", pai}, {"CFOP", cfop}, {"ValICMS", icms}});
    };
    c190(nota, "5102", 180);
    c190(nota, "1605", 10);  // a debit, though an entry
    c190(nota, "1102", 50);
    c190(nota, "5605", 5);  // a credit, though an output
    c190(extemporanea, "5102", 1000);
    Analitico(sessao, id_efd, "D190",
              {{"IDF_RegEFDD100", conhecimento}, {"CFOP", "6353"}, {"ValICMS", 30.0}});
    const int conta = Analitico(sessao, id_efd, "D500", {{"CodSit", "00"}});
    Analitico(sessao, id_efd, "D590",
              {{"IDF_RegEFDD500", conta}, {"CFOP", "1303"}, {"ValorICMS", 5.0}});
  });
  // Debits 220, credits 60; the obligation falls due on the first business
  // day of April. Without the module there is no IPI assessment.
  EXPECT_EQ(BlocoE(a),
            (std::vector<std::string>{"|E001|0|", "|E100|01032024|31032024|",
                                      "|E110|220|0|0|0|60|0|0|0|0|160|0|160|0|0|",
                                      "|E116|000|160|01042024|046-2|||||032024|", "|E990|5|"}));
}

TEST_P(Apuracao, FundoDoRJEDebitoEspecialComObrigacaoPropria) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaMovimentos);
  sessao_->ExecutarDiretoNoBD("UPDATE KLVG_CID SET IDF_UF = 2 WHERE ID = 1");
  const auto a = Gerar(1, 2024, 3, nullptr);
  // The fund of the outputs (30) is a special debit, that of the entries
  // (10) a deduction: 470 assessed, 460 to pay. The ICMS's obligation is
  // the assessed balance, the fund's the 20 the outputs exceed the entries
  // by: together the ICMS to pay and the special debits.
  EXPECT_EQ(Trecho(a, "E110", {"E111", "E116"}),
            (std::vector<std::string>{"|E110|1000|0|0|20|300|0|0|50|200|470|10|460|0|30|",
                                      "|E111|RJ050008|FECEP SAIDA - DEBITO EXTRA APURACAO|30|",
                                      "|E111|RJ040010|FECEP ENTRADA - DEDUCOES|10|",
                                      "|E116|000|470|10042024|046-2|||||032024|",
                                      "|E116|006|20|10042024|7501|||||032024|"}));
  // With the entries' fund above the outputs', the ICMS's obligation is the
  // ICMS to pay and the fund's the whole fund of the outputs.
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_MOVFISIMP SET ICMSVALFCPPROPRIO = 50 WHERE ID = 409");
  EXPECT_EQ(Linhas(Gerar(1, 2024, 3, nullptr), "E116"),
            (std::vector<std::string>{"|E116|000|420|10042024|046-2|||||032024|",
                                      "|E116|006|30|10042024|7501|||||032024|"}));
}

TEST_P(Apuracao, CreditoPresumidoDifalDeDevolucaoEReceitaDoEstado) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaMovimentos);
  // A branch in Santa Catarina, whose parameters name the rubric types of
  // the presumed credit (40, and 7 of a cancelled document) and of its
  // reversal (15), the due date's class S and the revenue code 0100; the
  // state assesses the rate difference of returns under SC020001.
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "KLVG_UF": [{"ID": 4, "SIGLA": "SC", "NOME": "Santa Catarina", "IDF_PAIS": 1}],
    "Z8_TIPDOC": [{"ID": 420, "CODIGO": "TTD"}, {"ID": 421, "CODIGO": "ESTTTD"}],
    "Z8_PESTESCFIS": [{"ID": 422, "IDF_ESTADO": 4, "IDF_TPDOCRUBCREDPRESICMSTTD": 420,
                       "IDF_TDESTCREDPRESICMSTTD": 421, "CLASSEVENC": "S", "CODRECEITA": "0100"}],
    "Z8_DOCTO": [{"ID": 423, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 420, "DATAEMI": "2024-03-10", "SITUACAO": "1"},
                 {"ID": 424, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 421, "DATAEMI": "2024-03-11", "SITUACAO": "1"},
                 {"ID": 425, "FD": "Docto", "IDF_FILIAL": 10, "IDF_TPDOCTO": 420, "DATAEMI": "2024-03-12", "SITUACAO": "0"}],
    "Z8_PARTEDOCTO": [{"ID": 426, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 423},
                      {"ID": 427, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 424},
                      {"ID": 428, "FD": "ParteDoctoFisRub", "IDF_DOCTO": 425}],
    "Z8_PARDFISRUB": [{"ID": 426, "IDA": 426, "IDF_IMPOSTO": 200, "VALORFISCAL": 40.0, "BASECALC": 400.0},
                      {"ID": 427, "IDA": 427, "IDF_IMPOSTO": 200, "VALORFISCAL": 15.0},
                      {"ID": 428, "IDA": 428, "IDF_IMPOSTO": 200, "VALORFISCAL": 7.0}],
    "Z8_TABAJVPRDF": [{"ID": 429, "CODAJUSTE": "SC020001", "IDF_UF": 4}],
    "Z8_TAJUSTRIBA": [{"ID": 430, "IDF_ESTADO": 4, "TIPOAJUSTE": "1", "OPFISCAL": "3", "IDF_TABAJVPRDF": 429}]
  })");
  sessao_->ExecutarDiretoNoBD("UPDATE KLVG_CID SET IDF_UF = 4 WHERE ID = 1");
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_VENIMPTRBN SET CLASSVENC = '1'");
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PARTEDFAPU SET IMPOSTORECOLHERTTD = 33 WHERE ID = 212");
  const auto a = Gerar(1, 2024, 3, nullptr);
  // The reversal (15) adjusts the debits of the documents, the credit (40)
  // their credits; the returns' rate difference (12) is a credit
  // adjustment of its own; outside RJ no fund counts. 1035 of debits
  // against 602 of credits: 433, of which 33 under the special regime's
  // revenue code; the state's class completes both codes.
  EXPECT_EQ(Trecho(a, "E110", {"E111", "E116"}),
            (std::vector<std::string>{"|E110|1000|15|0|20|300|40|12|50|200|433|0|433|0|0|",
                                      "|E111|SC020001||12|",
                                      "|E116|000|400|10042024|010010243|||||032024|",
                                      "|E116|000|33|10042024|249610243|||||032024|"}));
  // Before 2013 neither the class nor the state's revenue code applies.
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(
      R"({"Z8_APUIMPOSTO": [{"ID": 431, "IDF_FILIAL": 10, "IDF_IMPOSTO": 200, "PERINICIAL": "2012-03-01",
                             "PERFINAL": "2012-03-31", "IDF_DOCTO": 210}]})");
  EXPECT_EQ(Linhas(Gerar(1, 2012, 3, nullptr), "E116"),
            (std::vector<std::string>{"|E116|000|437|10042012|046-2|||||032012|",
                                      "|E116|000|33|10042012|2496|||||032012|"}));
}

// The state's table values account classes of the visual chart by the
// branch's movements of March: the class 3 takes in 3.1 (a credit of 100)
// and 3.2 (a debit of 30), not 31 (5); April's movement, an apportioned one,
// and another branch's stay out; a mask without movements is 0.
const char* kFixturaContas = R"({
  "Z8_FILIAL": [{"ID": 11, "IDF_EMPRESA": 1, "CODIGO": "2", "NOME": "Filial", "IDF_PAPELREL": 7}],
  "KLVG_PLVISUAL": [{"ID": 440, "FD": "PlanoVisual", "CODIGO": "PV", "NOME": "Plano"}],
  "KLVG_CLASSEVIS": [{"ID": 441, "FD": "ClasseVisual", "IDF_PLANOVISUAL": 440, "MASCARA": "3"},
                     {"ID": 442, "FD": "ClasseVisual", "IDF_PLANOVISUAL": 440, "MASCARA": "3.1"},
                     {"ID": 443, "FD": "ClasseVisual", "IDF_PLANOVISUAL": 440, "MASCARA": "3.2"},
                     {"ID": 444, "FD": "ClasseVisual", "IDF_PLANOVISUAL": 440, "MASCARA": "31"},
                     {"ID": 445, "FD": "ClasseVisual", "IDF_PLANOVISUAL": 440, "MASCARA": "9"}],
  "Z8_SLDCTACTBM": [{"ID": 450, "IDF_FILIAL": 10, "DATA": "2024-03-10", "VALOR": -100.0},
                    {"ID": 451, "IDF_FILIAL": 10, "DATA": "2024-03-11", "VALOR": 30.0},
                    {"ID": 452, "IDF_FILIAL": 10, "DATA": "2024-03-12", "VALOR": 5.0},
                    {"ID": 453, "IDF_FILIAL": 10, "DATA": "2024-04-01", "VALOR": 1000.0},
                    {"ID": 454, "IDF_FILIAL": 10, "DATA": "2024-03-13", "VALOR": 7.0},
                    {"ID": 455, "IDF_FILIAL": 11, "DATA": "2024-03-13", "VALOR": 9.0}],
  "Z8_PERCENCLS": [{"ID": 466, "PERCENTUAL": 50.0}],
  "Z8_SLDCLAMEN": [{"ID": 460, "IDF_SLDCTACTBM": 450, "IDF_CLASSEVIS": 442},
                   {"ID": 461, "IDF_SLDCTACTBM": 451, "IDF_CLASSEVIS": 443},
                   {"ID": 462, "IDF_SLDCTACTBM": 452, "IDF_CLASSEVIS": 444},
                   {"ID": 463, "IDF_SLDCTACTBM": 453, "IDF_CLASSEVIS": 442},
                   {"ID": 464, "IDF_SLDCTACTBM": 454, "IDF_CLASSEVIS": 443, "IDF_PERCENCLS": 466},
                   {"ID": 465, "IDF_SLDCTACTBM": 455, "IDF_CLASSEVIS": 443}],
  "Z8_TABAJSALAP": [{"ID": 470, "CODAJUSAPURA": "SP990010"}, {"ID": 471, "CODAJUSAPURA": "SP990011"},
                    {"ID": 472, "CODAJUSAPURA": "SP990012"}],
  "Z8_PESTESCFIS": [{"ID": 473, "IDF_ESTADO": 1}],
  "Z8_IADICAPICM": [
    {"ID": 474, "IDF_PESTESCFIS": 473, "IDF_TABAJSALAP": 470, "TIPOREG": "1", "IDF_CLASSEVIS": 441, "DESCICAOCOMPL": "Receitas"},
    {"ID": 475, "IDF_PESTESCFIS": 473, "IDF_TABAJSALAP": 471, "TIPOREG": "1", "IDF_CLASSEVIS": 442, "DESCICAOCOMPL": "Vendas"},
    {"ID": 476, "IDF_PESTESCFIS": 473, "IDF_TABAJSALAP": 472, "TIPOREG": "1", "IDF_CLASSEVIS": 445, "DESCICAOCOMPL": "Nada"}]
})";

TEST_P(Apuracao, ValoresDeclaratoriosPelaMascaraDaConta) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaContas);
  EXPECT_EQ(Linhas(Gerar(1, 2024, 3, nullptr), "E115"),
            (std::vector<std::string>{"|E115|SP990010|70|Receitas|", "|E115|SP990011|100|Vendas|",
                                      "|E115|SP990012|0|Nada|"}));
}

// The obligations of the ICMS-ST beyond the GNRE: the branch's parameters
// for São Paulo value its GNRE by the public expense document, and those for
// Rio de Janeiro describe its collection documents (obligation 000, revenue
// 0470): the one of March counts, not one of April, one of a GNRE model or
// one of a treasury of another state. Item adjustments of March carry
// revenue codes of each state, due on the 9th of the next month or five
// days after.
const char* kFixturaObrigacoesST = R"({
  "KLVG_CID": [{"ID": 480, "NOME": "Rio de Janeiro", "GEOCODIGO": "3304557", "IDF_UF": 2}],
  "KLVG_ENDER": [{"ID": 481, "CEP": "20000-000", "LOGRADOURO": "Avenida Presidente Vargas", "IDF_CID": 480}],
  "KLVG_IDENT": [{"ID": 482, "FD": "Identificacao", "CODIGO": "SEFAZRJ", "NOME": "Secretaria da Fazenda", "IDF_ENDER": 481},
                 {"ID": 483, "FD": "Identificacao", "CODIGO": "SEFAZSP", "NOME": "Secretaria da Fazenda SP", "IDF_ENDER": 1}],
  "Z8_PARAMFIL": [{"ID": 484, "FD": "DetalhaDespGNRE", "IDF_FILIAL": 10, "DATAINICIAL": "2024-01-01", "DATAFINAL": "2024-12-31"},
                  {"ID": 485, "FD": "DetalhaDespGNRE", "IDF_FILIAL": 10, "DATAINICIAL": "2024-01-01", "DATAFINAL": "2024-12-31"}],
  "Z8_DETDESGNRE": [{"ID": 484, "IDA": 484, "IDF_UF": 1, "TIPODOCDESPESA": "2", "CODOBRIGREC": 1, "CODRECEITA": "0630"},
                    {"ID": 485, "IDA": 485, "IDF_UF": 2, "TIPODOCDESPESA": "1", "CODOBRIGREC": 0, "CODRECEITA": "0470"}],
  "Z8_DOCTODESPU": [{"ID": 360, "IDA": 360, "IDF_IMPOSTO": 330, "VALLIQUIDO": 420.0}],
  "Z8_DOCTO": [
    {"ID": 486, "FD": "Docto", "IDF_FILIAL": 10, "IDF_IDENT": 482, "DATAEMI": "2024-03-15", "SITUACAONF": "0"},
    {"ID": 487, "FD": "Docto", "IDF_FILIAL": 10, "IDF_IDENT": 482, "DATAEMI": "2024-04-01", "SITUACAONF": "0"},
    {"ID": 488, "FD": "Docto", "IDF_FILIAL": 10, "IDF_IDENT": 482, "DATAEMI": "2024-03-16", "SITUACAONF": "0"},
    {"ID": 489, "FD": "Docto", "IDF_FILIAL": 10, "IDF_IDENT": 483, "DATAEMI": "2024-03-17", "SITUACAONF": "0"}],
  "Z8_PARTEDOCTO": [{"ID": 490, "FD": "ArrecadacaoReferenciada", "IDF_DOCTO": 486},
                    {"ID": 491, "FD": "ArrecadacaoReferenciada", "IDF_DOCTO": 487},
                    {"ID": 492, "FD": "ArrecadacaoReferenciada", "IDF_DOCTO": 488},
                    {"ID": 493, "FD": "ArrecadacaoReferenciada", "IDF_DOCTO": 489}],
  "Z8_ARRECREFER": [{"ID": 490, "IDA": 490, "CODMOD": "0", "NRODOCTO": "DAE1", "VLRDOCTO": 7.5},
                    {"ID": 491, "IDA": 491, "CODMOD": "0", "NRODOCTO": "DAE2", "VLRDOCTO": 8.0},
                    {"ID": 492, "IDA": 492, "CODMOD": "1", "NRODOCTO": "GNRE", "VLRDOCTO": 9.0},
                    {"ID": 493, "IDA": 493, "CODMOD": "0", "NRODOCTO": "DAESP", "VLRDOCTO": 11.0}],
  "Z8_TABCODREC": [{"ID": 494, "CODIGO": "100080", "UF": "SP", "DIAVENCTO": "9"},
                   {"ID": 495, "CODIGO": "0471", "UF": "RJ", "DIAVENCTO": "Y"}],
  "Z8_AJTRIBITDO": [{"ID": 496, "IDF_TRIBITEM": 240, "IDF_IMPOSTO": 330, "IDF_TABCODREC": 494, "TIPOAJUSTE": "6", "VALOR": 3.0},
                    {"ID": 497, "IDF_TRIBITEM": 242, "IDF_IMPOSTO": 330, "IDF_TABCODREC": 495, "TIPOAJUSTE": "6", "VALOR": 2.0},
                    {"ID": 498, "IDF_TRIBITEM": 245, "IDF_IMPOSTO": 330, "IDF_TABCODREC": 494, "TIPOAJUSTE": "6", "VALOR": 50.0}]
})";

TEST_P(Apuracao, ObrigacoesDaSTPorArrecadacaoEPorAjusteDeItem) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaST);
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaObrigacoesST);
  const auto a = Gerar(1, 2024, 3, nullptr);
  // São Paulo's GNRE is worth its public expense document; its collection
  // document is not read, as a GNRE paid the state.
  EXPECT_EQ(
      Linhas(a, "E250"),
      (std::vector<std::string>{
          "|E250|002|420|09042024|100099|||||032024|", "|E250|001|3|09042024|100080|||||032024|",
          "|E250|000|7,5|15032024|0470|||||032024|", "|E250|001|2|25032024|0471|||||032024|"}));
}

TEST_P(Apuracao, STDoImpostoDaConfiguracaoDaEmpresa) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaST);
  // Another ICMS-ST tax, first in the ERP's table, without assessments; the
  // company's configuration names the assessed one from January, the other
  // only from April.
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "Z8_IMPOSTO": [{"ID": 329, "CODIGO": "ST2", "NOME": "ICMS-ST outro", "TIPO": "A"}],
    "Z8_CFGAPUIMP": [{"ID": 499, "IDF_EMPRESA": 1, "IDF_IMPOSTO": 330, "DTINIVIGENCIA": "2024-01-01"},
                     {"ID": 500, "IDF_EMPRESA": 1, "IDF_IMPOSTO": 329, "DTINIVIGENCIA": "2024-04-01"}]
  })");
  EXPECT_EQ(Linhas(Gerar(1, 2024, 3, nullptr), "E200").size(), 2u);
  sessao_->ExecutarDiretoNoBD("DELETE FROM Z8_CFGAPUIMP");
  EXPECT_TRUE(Linhas(Gerar(1, 2024, 3, nullptr), "E200").empty());
}

// Benefits of Paraná on the items of the month's authorised NF-e of an
// electronic series: an exemption (CST 40) on the first sale's item, a
// deferral (CST 51, ICMS 36 of which 6 stays) on the second's, under a
// code of another state, of another kind of adjustment, and on the
// cancelled sale, which is not authorised.
const char* kFixturaParana = R"({
  "Z8_SERIEDOCTO": [{"ID": 510, "IDF_FILIAL": 10, "CODIGO": "1", "TIPO": "1", "SERIENFE": true}],
  "Z8_CLATRIBUT": [{"ID": 511, "CODIGO": "40"}, {"ID": 512, "CODIGO": "51"}],
  "Z8_TABAJVPRDF": [{"ID": 513, "CODAJUSTE": "PR000001", "DESCRICAODET": "Isenção"},
                    {"ID": 514, "CODAJUSTE": "PR000002", "DESCRICAODET": "Diferimento"},
                    {"ID": 515, "CODAJUSTE": "SP000009", "DESCRICAODET": "Outro estado"}],
  "Z8_AJTRIBITDO": [{"ID": 516, "IDF_TRIBITEM": 240, "IDF_IMPOSTO": 200, "IDF_TABAJVPRDF": 513, "TIPOAJUSTE": "6", "VALOR": 1.0},
                    {"ID": 517, "IDF_TRIBITEM": 242, "IDF_IMPOSTO": 200, "IDF_TABAJVPRDF": 514, "TIPOAJUSTE": "7",
                     "VALOR": 2.0, "ALIQUOTA": 33.33},
                    {"ID": 518, "IDF_TRIBITEM": 242, "IDF_IMPOSTO": 200, "IDF_TABAJVPRDF": 515, "TIPOAJUSTE": "6", "VALOR": 4.0},
                    {"ID": 519, "IDF_TRIBITEM": 240, "IDF_IMPOSTO": 200, "IDF_TABAJVPRDF": 513, "TIPOAJUSTE": "1", "VALOR": 8.0},
                    {"ID": 520, "IDF_TRIBITEM": 243, "IDF_IMPOSTO": 200, "IDF_TABAJVPRDF": 513, "TIPOAJUSTE": "6", "VALOR": 16.0}]
})";

TEST_P(Apuracao, BeneficiosDoParanaNosValoresDeclaratorios) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaParana);
  sessao_->ExecutarDiretoNoBD(
      "UPDATE Z8_DOCTO SET IDF_SERIEDOCTO = 510, SITUACAONFE = '3' WHERE ID IN (230, 231)");
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_DOCTO SET IDF_SERIEDOCTO = 510 WHERE ID = 232");
  sessao_->ExecutarDiretoNoBD(
      "UPDATE Z8_TRIITEMPRO SET IDF_CLATRIBICMS = 511 WHERE ID IN (240, 243)");
  sessao_->ExecutarDiretoNoBD(
      "UPDATE Z8_TRIITEMPRO SET IDF_CLATRIBICMS = 512, ICMSBASE = 200, ICMSVALOR = 36, "
      "VALREDICMS = 6 WHERE ID = 242");
  // The exempt item is worth its net value (110), the deferral the ICMS
  // deferred (30).
  EXPECT_EQ(Linhas(Gerar(1, 2024, 3, nullptr), "E115"),
            (std::vector<std::string>{Latin1("|E115|PR000001|110|Isenção|"),
                                      "|E115|PR000002|30|Diferimento|"}));
}

TEST(Vencimentos, ValorDoBeneficioPeloCST) {
  Th5RegistroEFDE100::TItemBeneficiado i{5, 100, 0, 40, 18, 3, 150, 0};
  EXPECT_EQ(Th5RegistroEFDE100::ValorDoBeneficio("41", i), 100);
  EXPECT_EQ(Th5RegistroEFDE100::ValorDoBeneficio("20", i), 40);  // no exempt value
  i.isento = 60;
  EXPECT_EQ(Th5RegistroEFDE100::ValorDoBeneficio("70", i), 60);
  EXPECT_EQ(Th5RegistroEFDE100::ValorDoBeneficio("51", i), 100);  // no credit percentage
  i.percentual = 10;
  EXPECT_EQ(Th5RegistroEFDE100::ValorDoBeneficio("51", i), 15);
  EXPECT_EQ(Th5RegistroEFDE100::ValorDoBeneficio("50", i), 5);
  EXPECT_EQ(Th5RegistroEFDE100::ValorDoBeneficio("00", i), 0);
}

TEST_P(Apuracao, PrimeiroDiaUtilPassaFinsDeSemanaEFeriados) {
  auto dia = [&](int mes, int d) {
    return FormatarData(
        PrimeiroDiaUtilDoMesSeguinte(*sessao_, TDateTime::EncodeDate(2024, mes, d)));
  };
  // June 2024 begins on a Saturday, September 2024 on a Sunday.
  EXPECT_EQ(dia(5, 31), "03062024");
  EXPECT_EQ(dia(8, 15), "02092024");
  EXPECT_EQ(dia(3, 31), "01042024");
  // A holiday on the Monday after the weekend moves to the Tuesday; a
  // holiday of another kind does not count.
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({"KLVG_DATASFERIADOS": [
    {"ID": 530, "DATA": "2024-06-03", "TIPOFERIADO": "1"},
    {"ID": 531, "DATA": "2024-04-01", "TIPOFERIADO": "2"}]})");
  EXPECT_EQ(dia(5, 31), "04062024");
  EXPECT_EQ(dia(3, 31), "01042024");
}

INSTANTIATE_TEST_SUITE_P(Motores, Apuracao, ::testing::ValuesIn(MotoresDeTeste()));

TEST(SaldoDaApuracao, DeducoesAlemDoSaldoNoRJLevamOCreditoJunto) {
  TValoresE110 v;
  v.tot_debitos = 100;
  v.tot_creditos = 130;
  v.tot_deducoes = 10;
  FecharSaldos(v, false);
  EXPECT_EQ(v.saldo_apurado, 0);
  EXPECT_EQ(v.icms_recolher, 0);
  EXPECT_EQ(v.saldo_credor_transportar, 10);
  FecharSaldos(v, true);
  EXPECT_EQ(v.saldo_credor_transportar, 40);
  // With a balance due the deductions come off it, in every state.
  v.tot_creditos = 40;
  FecharSaldos(v, true);
  EXPECT_EQ(v.saldo_apurado, 60);
  EXPECT_EQ(v.icms_recolher, 50);
  EXPECT_EQ(v.saldo_credor_transportar, 0);
}

TEST(SaldoDaApuracao, CodigosDeAjusteDosDocumentosPelasPosicoesTresEQuatro) {
  EXPECT_EQ(SomaDoAjusteDeDocumento("SP10000001", "DOC"), 'A');
  EXPECT_EQ(SomaDoAjusteDeDocumento(" SP20300001 ", "DOC"), 'A');
  EXPECT_EQ(SomaDoAjusteDeDocumento("SP30000001", "DOC"), 'D');
  EXPECT_EQ(SomaDoAjusteDeDocumento("SP50500001", "FRETE"), 'O');
  EXPECT_EQ(SomaDoAjusteDeDocumento("SP31000001", "DOC"), 0);
  EXPECT_EQ(SomaDoAjusteDeDocumento("SP01000001", "DOC"), 0);
  EXPECT_EQ(SomaDoAjusteDeDocumento("SP60000001", "DOC"), 0);
  EXPECT_EQ(SomaDoAjusteDeDocumento("SP300000", "DOC"), 0);
}

TEST(Vencimentos, DiasClassesEPrimeiroDiaUtil) {
  EXPECT_EQ(Th5RegistroEFDE100::RetornarDiaVencimento("1"), "01");
  EXPECT_EQ(Th5RegistroEFDE100::RetornarDiaVencimento("A"), "10");
  EXPECT_EQ(Th5RegistroEFDE100::RetornarDiaVencimento("V"), "31");
  EXPECT_EQ(Th5RegistroEFDE100::RetornarDiaVencimento("W"), "");
  EXPECT_EQ(Th5RegistroEFDE100::RetornaClasseVencimento("1"), "10103");
  EXPECT_EQ(Th5RegistroEFDE100::RetornaClasseVencimento("8"), "10103");
  EXPECT_EQ(Th5RegistroEFDE100::RetornaClasseVencimento("S"), "10243");
  for (const char* sem : {"J", "K", "Q", "R", ""})
    EXPECT_EQ(Th5RegistroEFDE100::RetornaClasseVencimento(sem), "") << sem;
}

TEST(Vencimentos, ObrigacoesEVencimentosDaST) {
  EXPECT_EQ(Th5RegistroEFDE200::RetornarCodigoObrigacaoPeloIndice(0), "000");
  EXPECT_EQ(Th5RegistroEFDE200::RetornarCodigoObrigacaoPeloIndice(6), "006");
  EXPECT_EQ(Th5RegistroEFDE200::RetornarCodigoObrigacaoPeloIndice(7), "090");
  EXPECT_EQ(Th5RegistroEFDE200::RetornarCodigoObrigacaoPeloIndice(8), "999");
  EXPECT_EQ(Th5RegistroEFDE200::RetornarCodigoObrigacaoPeloIndice(9), "");
  auto vencto = [](const char* codigo, int dia) {
    return FormatarData(
        Th5RegistroEFDE200::RetornarDataVencto(codigo, TDateTime::EncodeDate(2014, 1, dia)));
  };
  EXPECT_EQ(vencto("Y", 28), "02022014");
  EXPECT_EQ(vencto("X", 3), "28022014");
  EXPECT_EQ(vencto("X", 31), "28022014");
  EXPECT_EQ(vencto("A", 15), "10022014");
  EXPECT_EQ(vencto("9", 15), "09022014");
  EXPECT_EQ(vencto("V", 15), "28022014");  // February has no 31st
}

TEST(SaldoDaApuracao, DeducoesDaSTESuaApuracaoZerada) {
  EXPECT_TRUE(Th5RegistroEFDE200::DeducaoDaST("SP140001"));
  EXPECT_TRUE(Th5RegistroEFDE200::DeducaoDaST("MG610002"));
  EXPECT_FALSE(Th5RegistroEFDE200::DeducaoDaST("SP130001"));
  EXPECT_FALSE(Th5RegistroEFDE200::DeducaoDaST("SP410001"));
  bool zerada = false;
  ApurarST(TParteApuracao{}, 0, 0, zerada);
  EXPECT_TRUE(zerada);
  // Returns alone make a credit to carry; a special debit alone is a figure.
  TParteApuracao devolucao;
  devolucao.valor_devol = 5;
  EXPECT_EQ(ApurarST(devolucao, 0, 0, zerada).saldo_credor_transportar, 5);
  EXPECT_FALSE(zerada);
  ApurarST(TParteApuracao{}, 0, 3, zerada);
  EXPECT_FALSE(zerada);
}

TEST(Vencimentos, IndicadoresDosAjustesDoIPI) {
  for (const char* debito : {"1", "4", "6"})
    EXPECT_EQ(Th5RegistroEFDE500::RetornarTipoAjuste(debito), "0") << debito;
  for (const char* credito : {"2", "3"})
    EXPECT_EQ(Th5RegistroEFDE500::RetornarTipoAjuste(credito), "1") << credito;
  EXPECT_EQ(Th5RegistroEFDE500::RetornarTipoAjuste("C"), "");
  EXPECT_EQ(Th5RegistroEFDE500::RetornarIndAjuste("3"), "1");
  EXPECT_EQ(Th5RegistroEFDE500::RetornarIndAjuste("4"), "2");
  EXPECT_EQ(Th5RegistroEFDE500::RetornarIndAjuste("A"), "3");
  EXPECT_EQ(Th5RegistroEFDE500::RetornarIndAjuste("7"), "9");
  EXPECT_EQ(Th5RegistroEFDE500::RetornarIndAjuste(""), "9");
}

TEST(Vencimentos, SituacaoDoIPIPelaLetra) {
  EXPECT_EQ(Th5RegistroEFDE500::RetornarSituacaoTribIPI("A"), "00");
  EXPECT_EQ(Th5RegistroEFDE500::RetornarSituacaoTribIPI("G"), "49");
  EXPECT_EQ(Th5RegistroEFDE500::RetornarSituacaoTribIPI("L"), "53");
  EXPECT_EQ(Th5RegistroEFDE500::RetornarSituacaoTribIPI("O"), "99");
  EXPECT_EQ(Th5RegistroEFDE500::RetornarSituacaoTribIPI("K"), "00");
  EXPECT_EQ(Th5RegistroEFDE500::RetornarSituacaoTribIPI(""), "00");
}

}  // namespace
}  // namespace efd::teste
