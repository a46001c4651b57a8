// Block A of the PIS/COFINS file: the branch's service invoices of the month
// as A100 with texts and items under the establishment, their codes under
// its 0140, and block M taking their credits, contributions and revenues
// without the contribution; on every engine.
#include "registers/piscofins/uh5registroefda010.h"
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

// The service-invoice model with a type for services provided (standard 1)
// and taken (standard 13), and a service of the company.
constexpr const char* kCadastrosServico = R"({
  "Z8_MODELODOCT": [{"ID": 1003, "CODMODELO": "SE", "DESCRICAO": "Nota fiscal de serviço"}],
  "Z8_TIPDOC": [{"ID": 1105, "CODIGO": "NFSP", "DESCRICAO": "Serviço prestado", "IDF_PADRAODOC": 1011},
                {"ID": 1106, "CODIGO": "NFST", "DESCRICAO": "Serviço tomado", "IDF_PADRAODOC": 1012}],
  "Z8_PARTETPDOC": [{"ID": 1115, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 1105},
                    {"ID": 1116, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 1106}],
  "Z8_TPDOCTOGER": [{"ID": 1115, "IDA": 1115, "IDF_MODELODOCT": 1003},
                    {"ID": 1116, "IDA": 1116, "IDF_MODELODOCT": 1003}],
  "Z8_SERVICO": [{"ID": 1601, "IDF_EMPRESA": 1, "CODIGO": "77", "NOME": "Manutenção", "CODSERV": "1401"}]
})";

// A service invoice of branch 10 with one item of the service.
struct TNotaTeste {
  int id = 0;
  bool prestado = true;  // provided (own series 1) or taken (third party's series 3)
  std::string numero = "1";
  std::string emissao = "2024-03-05", execucao = "2024-03-05";
  double valor = 1000;
  std::string letra = "A";  // PIS/COFINS taxation letter; "A" is CST 01
  double aliquota_pis = 1.65, aliquota_cofins = 7.6;
  std::string natureza{}, texto{}, situacao = "0";
};

class BlocoA : public TDocumentos {
 protected:
  void SetUp() override {
    TDocumentos::SetUp();
    if (IsSkipped()) return;
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kCadastrosServico);
  }

  void CarregarNotas(const std::vector<TNotaTeste>& notas) {
    nlohmann::json f = nlohmann::json::object();
    for (const TNotaTeste& n : notas) {
      const bool tributado = n.aliquota_pis > 0;
      f["Z8_DOCTO"].push_back(
          {{"ID", n.id},
           {"FD", "Docto"},
           {"IDF_FILIAL", 10},
           {"IDF_TPDOCTO", n.prestado ? 1105 : 1106},
           {"IDF_SERIEDOCTO", n.prestado ? 1201 : 1203},
           {"IDF_IDENT", n.prestado ? 201 : 202},
           {"NRODOCTO", n.numero},
           {"DATAEMI", n.emissao},
           {"DTENTSAI", n.execucao.empty() ? nlohmann::json() : nlohmann::json(n.execucao)},
           {"SITUACAO", "1"},
           {"SITUACAONF", n.situacao},
           {"VALTOTALNF", n.valor},
           {"VALSERVICOS", n.valor},
           {"OBSFISCAL", n.texto.empty() ? nlohmann::json() : nlohmann::json(n.texto)}});
      const int item = n.id + 1;
      f["Z8_PARTEDOCTO"].push_back({{"ID", item}, {"FD", "ItemDocto"}, {"IDF_DOCTO", n.id}});
      f["Z8_DOCTOITEM"].push_back({{"ID", item},
                                   {"IDA", item},
                                   {"SEQITEM", 1},
                                   {"IDF_SERVICO", 1601},
                                   {"QDADE", 1},
                                   {"VALBRUTO", n.valor},
                                   {"VALLIQUIDO", n.valor}});
      f["Z8_TRIBITEM"].push_back({{"ID", item}, {"FD", "TribItemServ"}, {"IDF_DOCTOITEM", item}});
      f["Z8_TRIITEMSER"].push_back(
          {{"ID", item},
           {"IDA", item},
           {"ISSBASE", n.valor},
           {"ISSALIQ", 5},
           {"ISSVALOR", n.valor * 0.05},
           {"CLATRIBPIS", n.letra},
           {"PISBASE", tributado ? n.valor : 0},
           {"PISALIQ", n.aliquota_pis},
           {"PISVALOR", n.valor * n.aliquota_pis / 100},
           {"CLATRIBCOFINS", n.letra},
           {"COFINSBASE", tributado ? n.valor : 0},
           {"COFINSALIQ", n.aliquota_cofins},
           {"COFINSVALOR", n.valor * n.aliquota_cofins / 100},
           {"NATRECPISCOFINS",
            n.natureza.empty() ? nlohmann::json() : nlohmann::json(n.natureza)}});
    }
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(f.dump());
  }

  TArquivo GerarContribuicoes() { return Gerar(2, 2024, 3, nullptr); }
};

TEST_P(BlocoA, ServicosPrestadoETomadoComCodigosSobOEstabelecimento) {
  CarregarNotas({{.id = 6001, .numero = "15", .texto = "Contrato\r\nde manutenção"},
                 {.id = 6003,
                  .prestado = false,
                  .numero = "900",
                  .execucao = "",
                  .valor = 400,
                  .letra = "K"}});
  const TArquivo a = GerarContribuicoes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Linhas(a, "A001"), std::vector<std::string>{"|A001|0|"});
  EXPECT_EQ(Linhas(a, "A010"), std::vector<std::string>{"|A010|12345678000195|"});
  // The service taken has no execution date.
  EXPECT_EQ(Linhas(a, "A100"),
            (std::vector<std::string>{
                "|A100|1|0|300201|00|1||15||05032024|05032024|1000|9|0|1000|16,5|1000|76|0|0|50|",
                "|A100|0|1|300202|00|3||900||05032024||400|9|0|400|6,6|400|30,4|0|0|20|"}));
  EXPECT_EQ(Linhas(a, "A110"),
            std::vector<std::string>{Latin1("|A110|1|Contrato  de manutenção|")});
  EXPECT_EQ(Linhas(a, "A170"),
            (std::vector<std::string>{
                Latin1("|A170|1|S77|Manutenção|1000|0|||01|1000|1,65|16,5|01|1000|7,6|76|||"),
                Latin1("|A170|1|S77|Manutenção|400|0|03|0|50|400|1,65|6,6|50|400|7,6|30,4|||")}));
  // Lines in order: the document, its text, its item.
  const std::vector<std::string> bloco = Trecho(a, "A010", {"A100", "A110", "A170"});
  ASSERT_EQ(bloco.size(), 6u);
  EXPECT_TRUE(bloco[2].starts_with("|A110|") && bloco[3].starts_with("|A170|"));
  EXPECT_EQ(Linhas(a, "A990"), std::vector<std::string>{"|A990|8|"});
  // Participants, the service and its text under the establishment.
  const std::vector<std::string> bloco0 = Trecho(a, "0140", {"0150", "0190", "0200", "0450"});
  for (const char* inicio : {"|0150|300201|", "|0150|300202|", "|0200|S77|", "|0450|1|"})
    EXPECT_EQ(std::count_if(bloco0.begin(), bloco0.end(),
                            [inicio](const std::string& l) { return l.starts_with(inicio); }),
              1)
        << inicio;
}

TEST_P(BlocoA, BlocoMSomaOsServicosComOsDocumentosDeMercadorias) {
  CarregarNotas({{.id = 6001, .numero = "15"},
                 {.id = 6003, .prestado = false, .numero = "900", .valor = 400, .letra = "K"}});
  TDocumentoTeste venda{.id = 4001, .numero = "1"};
  venda.itens[0].valor = 200;
  Carregar({venda});
  const TArquivo a = GerarContribuicoes();
  // PIS: 1,65% of 1.200,00 (1.000,00 of services and 200,00 of goods:
  // 19,80), less the credit of 1,65% of the 400,00 service taken (6,60),
  // leaves 13,20; COFINS 91,20 less 30,40 leaves 60,80.
  EXPECT_EQ(Linhas(a, "M105"),
            std::vector<std::string>{"|M105|03|50|400,00||400,00|400,00||0,000||"});
  EXPECT_EQ(Campos(Linhas(a, "M100")[0])[7], "6,60");
  EXPECT_EQ(Linhas(a, "M200"),
            std::vector<std::string>{
                "|M200|19,80|6,60|0,00|13,20|0,00|0,00|13,20|0,00|0,00|0,00|0,00|13,20|"});
  const std::vector<std::string> m210 = Campos(Linhas(a, "M210")[0]);
  EXPECT_EQ(std::vector<std::string>(m210.begin(), m210.begin() + 4),
            (std::vector<std::string>{"M210", "01", "1200,00", "1200,00"}));
  EXPECT_EQ(Campos(Linhas(a, "M600")[0])[12], "60,80");
}

TEST_P(BlocoA, ServicoIsentoSemBaseVaiParaAsReceitasSemContribuicao) {
  CarregarNotas({{.id = 6001,
                  .numero = "15",
                  .valor = 300,
                  .letra = "F",
                  .aliquota_pis = 0,
                  .aliquota_cofins = 0,
                  .natureza = "999"}});
  const TArquivo a = GerarContribuicoes();
  // No base: base and rate empty, the value written.
  EXPECT_EQ(Linhas(a, "A170"),
            std::vector<std::string>{Latin1("|A170|1|S77|Manutenção|300|0|||07|||0|07|||0|||")});
  EXPECT_EQ(Linhas(a, "M400"), std::vector<std::string>{"|M400|07|300,00|||"});
  EXPECT_EQ(Linhas(a, "M810"), std::vector<std::string>{"|M810|999|300,00|||"});
  EXPECT_TRUE(Linhas(a, "M210").empty());
}

TEST_P(BlocoA, ServicoIsentoSemNaturezaParaComONomeDoCampo) {
  CarregarNotas({{.id = 6001, .numero = "15", .letra = "F", .aliquota_pis = 0}});
  const std::string erro =
      teste::Mensagem<EErro>([&] { app::Gerar(*sessao_, OpcoesDoMes(2, 2024, 3)); });
  EXPECT_NE(erro.find("TribItemServ_NatRecPisCofins"), std::string::npos) << erro;
  EXPECT_NE(erro.find("documento 15"), std::string::npos) << erro;
  // Nothing of the failed generation is left.
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDA100"), 0);
}

TEST_P(BlocoA, CanceladaForaDoMesOuDeMercadoriasNaoViramItens) {
  CarregarNotas({{.id = 6001, .numero = "15", .situacao = "1"},
                 // Issued in February: outside the month of a service provided.
                 {.id = 6003, .numero = "16", .emissao = "2024-02-28", .execucao = "2024-03-01"}});
  const TArquivo a = GerarContribuicoes();
  EXPECT_EQ(Linhas(a, "A100").size(), 1u);
  EXPECT_EQ(Campos(Linhas(a, "A100")[0])[4], "02");
  EXPECT_TRUE(Linhas(a, "A170").empty());
  EXPECT_TRUE(Linhas(a, "M210").empty());
}

TEST_P(BlocoA, SemServicosOBlocoAbreVazio) {
  TDocumentoTeste venda{.id = 4001, .numero = "1"};
  Carregar({venda});
  const TArquivo a = GerarContribuicoes();
  EXPECT_EQ(Linhas(a, "A001"), std::vector<std::string>{"|A001|1|"});
  EXPECT_EQ(Linhas(a, "A990"), std::vector<std::string>{"|A990|2|"});
  EXPECT_TRUE(Linhas(a, "A010").empty());
}

INSTANTIATE_TEST_SUITE_P(Motores, BlocoA, ::testing::ValuesIn(MotoresDeTeste()));

TEST(SituacaoDaNotaDeServico, CanceladaE02EAsDemais00) {
  EXPECT_EQ(Th5RegistroEFDA010::RetornarSituacaoPeloIndice("1"), "02");
  EXPECT_EQ(Th5RegistroEFDA010::RetornarSituacaoPeloIndice("0"), "00");
  EXPECT_EQ(Th5RegistroEFDA010::RetornarSituacaoPeloIndice(""), "00");
}

}  // namespace
}  // namespace efd::teste
