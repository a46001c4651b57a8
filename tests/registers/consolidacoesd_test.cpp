// Block D of the PIS/COFINS file: the services the establishment rendered,
// consolidated by day (transport) and by period (communication), with their
// PIS and COFINS summed by CST and rate and counted as revenue in block M.
#include "tests/registers/blocod_teste.h"

namespace efd::teste {
namespace {

class ConsolidacoesD : public TBlocoD {
 protected:
  void SetUp() override {
    TBlocoD::SetUp();
    if (IsSkipped()) return;
    // A communication bill the branch issues (model 21) and its CFOP.
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
      "Z8_TIPDOC": [{"ID": 2111, "CODIGO": "M21S", "IDF_PADRAODOC": 1011}],
      "Z8_PARTETPDOC": [{"ID": 2211, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2111}],
      "Z8_TPDOCTOGER": [{"ID": 2211, "IDA": 2211, "IDF_MODELODOCT": 1005}],
      "Z8_CODFISOPE": [{"ID": 2404, "CODIGO": "5.303", "NOME": "Prestação de comunicação"}]
    })");
  }

  // CT-e rendered on the 10th (101 and 103 taxed, 102 cancelled), one on
  // the 11th and a model 07 bill on the 10th.
  static std::vector<TDocumentoD> Transportes() {
    return {{.id = 6001,
             .numero = "103",
             .itens = {{.valor = 200, .seq = 1, .letra_pis = "A"},
                       {.valor = 100, .seq = 2, .letra_pis = "A"}}},
            {.id = 6002, .numero = "101", .itens = {{.valor = 60, .letra_pis = "A"}}},
            {.id = 6003,
             .numero = "102",
             .situacao_nf = "1",
             .itens = {{.valor = 500, .letra_pis = "A"}}},
            {.id = 6004,
             .numero = "104",
             .emissao = "2024-03-11",
             .itens = {{.valor = 40, .letra_pis = "A"}}},
            {.id = 6005, .tipo = 2104, .numero = "77", .itens = {{.valor = 80, .letra_pis = "2"}}}};
  }

  // Bills of model 21 rendered on the 5th and the 20th, one of them with an
  // item outside the contributions, and a cancelled one.
  static std::vector<TDocumentoD> Comunicacoes() {
    return {{.id = 6101,
             .tipo = 2111,
             .numero = "501",
             .emissao = "2024-03-20",
             .entrada = "2024-03-20",
             .itens = {{.cfop = 2404, .valor = 300, .aliquota = 25, .letra_pis = "A"}}},
            {.id = 6102,
             .tipo = 2111,
             .numero = "502",
             .emissao = "2024-03-05",
             .entrada = "2024-03-05",
             .itens = {{.cfop = 2404, .valor = 100, .aliquota = 25, .letra_pis = "A"},
                       {.cfop = 2404, .valor = 50, .aliquota = 25, .seq = 2, .letra_pis = "2"}}},
            {.id = 6103,
             .tipo = 2111,
             .numero = "503",
             .situacao_nf = "1",
             .itens = {{.cfop = 2404, .valor = 900, .aliquota = 25, .letra_pis = "A"}}}};
  }

  static std::vector<std::string> SemConta(const std::string& linha) {
    auto c = Campos(linha);
    c.pop_back();
    return c;
  }
};

TEST_P(ConsolidacoesD, TransportePrestadoSomadoPorDiaModeloSituacaoECfop) {
  Carregar(Transportes());
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_TRUE(Linhas(a, "D100").empty());
  const auto d200 = Linhas(a, "D200");
  ASSERT_EQ(d200.size(), 4u);
  // The model 07 bill of the 10th, without contributions of its own.
  EXPECT_EQ(d200[0], "|D200|07|00|1||000000077|000000077|5353|10032024|80|0|");
  // The taxed CT-e of the 10th, numbers 101 to 103, and the cancelled one apart.
  EXPECT_EQ(d200[1], "|D200|57|00|1||000000101|000000103|5353|10032024|360|0|");
  EXPECT_EQ(d200[2], "|D200|57|02|1||000000102|000000102|5353|10032024|0|0|");
  EXPECT_EQ(d200[3], "|D200|57|00|1||000000104|000000104|5353|11032024|40|0|");
  // Three items of one CST and rate, one D201 and one D205.
  const auto d201 = Linhas(a, "D201");
  ASSERT_EQ(d201.size(), 3u);
  EXPECT_EQ(SemConta(d201[1]),
            (std::vector<std::string>{"D201", "01", "360", "360", "1,65", "5,94"}));
  EXPECT_EQ(SemConta(Linhas(a, "D205").at(1)),
            (std::vector<std::string>{"D205", "01", "360", "360", "7,6", "27,36"}));
  // Each consolidation followed by its own PIS and COFINS; the cancelled has none.
  const std::vector<std::string> bloco = LinhasD(a);
  const auto d205 = Linhas(a, "D205");
  EXPECT_EQ(bloco, (std::vector<std::string>{"|D001|0|", Linhas(a, "D010").at(0), d200[0], d201[0],
                                             d205[0], d200[1], d201[1], d205[1], d200[2], d200[3],
                                             d201[2], d205[2], "|D990|13|"}));
}

TEST_P(ConsolidacoesD, TransportePrestadoEAReceitaDoBlocoM) {
  Carregar(Transportes());
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  // 400,00 taxed at 1,65 % (6,60) and 7,6 % (30,40); the CST 70 bill is no
  // contribution.
  EXPECT_EQ(Linhas(a, "M210"),
            std::vector<std::string>{"|M210|01|400,00|400,00|0,00|0,00|400,00|1,65|0,000||6,60|"
                                     "0,00|0,00|0,00|0,00|6,60|"});
  EXPECT_EQ(Linhas(a, "M610"),
            std::vector<std::string>{"|M610|01|400,00|400,00|0,00|0,00|400,00|7,60|0,000||30,40|"
                                     "0,00|0,00|0,00|0,00|30,40|"});
  EXPECT_TRUE(Linhas(a, "M105").empty());
}

// Rendered services without the contributions (CST 06) are revenues of their
// nature, in M400/M410 and M800/M810.
std::vector<TDocumentoD> ServicosIsentos(const std::string& natureza) {
  return {{.id = 6201,
           .numero = "201",
           .itens = {{.valor = 70, .letra_pis = "E", .natureza = natureza}}},
          {.id = 6202,
           .tipo = 2111,
           .numero = "601",
           .emissao = "2024-03-05",
           .entrada = "2024-03-05",
           .itens = {
               {.cfop = 2404, .valor = 30, .aliquota = 25, .letra_pis = "E", .natureza = "105"}}}};
}

TEST_P(ConsolidacoesD, ServicosPrestadosSemContribuicaoSaoReceitasDaNatureza) {
  Carregar(ServicosIsentos("105"));
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  EXPECT_EQ(Linhas(a, "D201").size(), 1u);
  EXPECT_EQ(Linhas(a, "D601").size(), 1u);
  for (const char* registro : {"M400", "M800"}) {
    const auto m = Linhas(a, registro);
    ASSERT_EQ(m.size(), 1u) << registro;
    EXPECT_EQ(Campos(m[0]).at(1), "06");
    EXPECT_EQ(Campos(m[0]).at(2), "100,00");  // 70,00 of transport and 30,00 of communication
  }
  EXPECT_EQ(Campos(Linhas(a, "M410").at(0)).at(1), "105");
}

TEST_P(ConsolidacoesD, ServicoPrestadoSemContribuicaoNemNaturezaParaAGeracao) {
  Carregar(ServicosIsentos(""));
  const std::string erro =
      teste::Mensagem<EErro>([&] { app::Gerar(*sessao_, OpcoesDoMes(2, 2024, 3)); });
  EXPECT_NE(erro.find("TribItemProd_NatRecPisCofins"), std::string::npos) << erro;
  EXPECT_NE(erro.find("documento 000000201"), std::string::npos) << erro;
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDD200"), 0);
}

TEST_P(ConsolidacoesD, ComunicacaoPrestadaSomadaNoPeriodoComDatasSemBarras) {
  Carregar(Comunicacoes());
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_TRUE(Linhas(a, "D500").empty());
  // The period's days are held as the ERP writes them and written without
  // the slashes.
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDD600 WHERE DT_DOC_INI = '05/03/2024' AND "
                   "DT_DOC_FIN = '20/03/2024'"),
            1);
  const auto d600 = Linhas(a, "D600");
  ASSERT_EQ(d600.size(), 1u);
  const auto c = Campos(d600[0]);
  ASSERT_EQ(c.size(), 19u);
  // Two bills, the cancelled one left out; the municipality is the
  // participant's.
  EXPECT_EQ(std::vector<std::string>(c.begin() + 1, c.begin() + 13),
            (std::vector<std::string>{"21", "3550308", "1", "", "0", "2", "05032024", "20032024",
                                      "450", "0", "450", "0"}));
  EXPECT_EQ(std::vector<std::string>(c.begin() + 15, c.end()),
            (std::vector<std::string>{"450", "112,5", "6,6", "30,4"}));
  // One class, one CST and rate: the item outside the contributions apart.
  EXPECT_EQ(Linhas(a, "D601").size(), 2u);
  EXPECT_EQ(SemConta(Linhas(a, "D601").at(0)),
            (std::vector<std::string>{"D601", "0101", "400", "0", "01", "400", "1,65", "6,6"}));
  EXPECT_EQ(SemConta(Linhas(a, "D605").at(0)),
            (std::vector<std::string>{"D605", "0101", "400", "0", "01", "400", "7,6", "30,4"}));
  EXPECT_EQ(Linhas(a, "M210").size(), 1u);
  EXPECT_EQ(Campos(Linhas(a, "M210")[0])[2], "400,00");
}

// A bill's services count with its goods, each item under the class the
// bill's items are written with (a service without a family's class, that
// of services).
TEST_P(ConsolidacoesD, ComunicacaoPrestadaComServicosCadaItemNaSuaClasse) {
  std::vector<TDocumentoD> contas = Comunicacoes();
  contas.resize(1);
  contas[0].servicos = {{.cfop = 2404, .valor = 200, .aliquota = 25, .seq = 2, .letra_pis = "A"}};
  Carregar(contas);
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  const auto d600 = Linhas(a, "D600");
  ASSERT_EQ(d600.size(), 1u);
  const auto c = Campos(d600[0]);
  EXPECT_EQ(std::vector<std::string>(c.end() - 2, c.end()),
            (std::vector<std::string>{"8,25", "38"}));
  EXPECT_EQ(SemConta(Linhas(a, "D601").at(0)),
            (std::vector<std::string>{"D601", "0101", "300", "0", "01", "300", "1,65", "4,95"}));
  EXPECT_EQ(SemConta(Linhas(a, "D601").at(1)),
            (std::vector<std::string>{"D601", "0601", "200", "0", "01", "200", "1,65", "3,3"}));
  EXPECT_EQ(Linhas(a, "D605").size(), 2u);
}

TEST_P(ConsolidacoesD, ComunicacaoPrestadaAParticipanteNoExteriorNoMunicipioDaFilial) {
  // The participant abroad lives in a city whose code is no IBGE
  // municipality's.
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "KLVG_CID": [{"ID": 2, "NOME": "Buenos Aires", "GEOCODIGO": "9999999"}],
    "KLVG_ENDER": [{"ID": 2, "LOGRADOURO": "Avenida de Mayo", "IDF_CID": 2}]
  })");
  sessao_->ExecutarDiretoNoBD("UPDATE KLVG_IDENT SET IDF_ENDER = 2 WHERE ID = 304");
  std::vector<TDocumentoD> contas = Comunicacoes();
  contas.resize(1);
  contas[0].participante = 304;
  Carregar(contas);
  const auto d600 = Linhas(Gerar(2, 2024, 3, nullptr), "D600");
  ASSERT_EQ(d600.size(), 1u);
  EXPECT_EQ(Campos(d600[0])[2], "3550308");
}

TEST_P(ConsolidacoesD, SemDocumentosOBlocoFicaVazio) {
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  EXPECT_EQ(LinhasD(a), (std::vector<std::string>{"|D001|1|", "|D990|2|"}));
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDD010"), 0);
}

TEST_P(ConsolidacoesD, OModeloIcmsIpiNaoConsolida) {
  std::vector<TDocumentoD> documentos = Transportes();
  for (const TDocumentoD& d : Comunicacoes()) documentos.push_back(d);
  Carregar(documentos);
  const TArquivo a = GerarD();
  EXPECT_EQ(Linhas(a, "D100").size(), 5u);
  EXPECT_EQ(Linhas(a, "D500").size(), 3u);
  EXPECT_EQ(
      Contar("SELECT COUNT(*) FROM Z8_REGEFDD200") + Contar("SELECT COUNT(*) FROM Z8_REGEFDD600"),
      0);
}

INSTANTIATE_TEST_SUITE_P(Motores, ConsolidacoesD, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
