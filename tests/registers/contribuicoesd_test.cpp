// Block D of the PIS/COFINS file: the services the establishment took, with
// their PIS and COFINS totalled by CST and rate, and the credits they give in
// block M worked out by hand, on every engine.
#include "tests/registers/blocod_teste.h"

namespace efd::teste {
namespace {

class ContribuicoesD : public TBlocoD {
 protected:
  // A CT-e taken with two items of credit and one without, a CT-e rendered
  // and a communication bill taken.
  void CarregarServicos() {
    Carregar({{.id = 5001,
               .tipo = 2102,
               .serie = 1202,
               .numero = "4512",
               .participante = 302,
               .itens = {{.cfop = 2402, .valor = 200, .seq = 1, .letra_pis = "K"},
                         {.cfop = 2402, .valor = 100, .seq = 2, .letra_pis = "K"},
                         {.cfop = 2402, .valor = 40, .seq = 3, .letra_pis = "2"}}},
              {.id = 5002, .numero = "101", .itens = {{.valor = 500, .letra_pis = "K"}}},
              {.id = 5003,
               .tipo = 2106,
               .serie = 1202,
               .numero = "3301",
               .participante = 302,
               .itens = {{.cfop = 2403, .valor = 200, .aliquota = 25, .letra_pis = "K"}}}});
  }
};

TEST_P(ContribuicoesD, ServicosTomadosComPisECofinsPorCstEAliquota) {
  CarregarServicos();
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  EXPECT_TRUE(a.problemas.empty());
  const std::vector<std::string> bloco = LinhasD(a);
  ASSERT_GE(bloco.size(), 3u);
  EXPECT_EQ(bloco.front(), "|D001|0|");
  EXPECT_EQ(Linhas(a, "D010"), std::vector<std::string>{"|D010|12345678000195|"});
  // Only the services taken: the rendered CT-e is consolidated in D200.
  const auto d100 = Linhas(a, "D100");
  ASSERT_EQ(d100.size(), 1u);
  EXPECT_EQ(Campos(d100[0])[1], "0");
  EXPECT_EQ(Campos(d100[0])[8], "000004512");
  ASSERT_EQ(Campos(d100[0]).size(), 23u);
  // The two items of CST 50 in one D101 and one D105; CST 70 apart.
  const auto d101 = Linhas(a, "D101");
  ASSERT_EQ(d101.size(), 2u);
  auto sem_conta = [](const std::string& l) {
    auto c = Campos(l);
    c.pop_back();
    return c;
  };
  EXPECT_EQ(sem_conta(d101[0]),
            (std::vector<std::string>{"D101", "2", "300", "50", "03", "300", "1,65", "4,95"}));
  EXPECT_EQ(sem_conta(d101[1]),
            (std::vector<std::string>{"D101", "3", "40", "70", "", "0", "0", "0"}));
  const auto d105 = Linhas(a, "D105");
  ASSERT_EQ(d105.size(), 2u);
  EXPECT_EQ(sem_conta(d105[0]),
            (std::vector<std::string>{"D105", "2", "300", "50", "03", "300", "7,6", "22,8"}));
  const auto d500 = Linhas(a, "D500");
  ASSERT_EQ(d500.size(), 1u);
  EXPECT_EQ(Campos(d500[0]).size(), 22u);
  EXPECT_EQ(sem_conta(Linhas(a, "D501").at(0)),
            (std::vector<std::string>{"D501", "50", "200", "03", "200", "1,65", "3,3"}));
  EXPECT_EQ(sem_conta(Linhas(a, "D505").at(0)),
            (std::vector<std::string>{"D505", "50", "200", "03", "200", "7,6", "15,2"}));
  // Each document followed by its complements, the block closed by its count.
  EXPECT_EQ(bloco, (std::vector<std::string>{
                       bloco[0], Linhas(a, "D010")[0], d100[0], d101[0], d101[1], d105[0], d105[1],
                       Linhas(a, "D200").at(0), Linhas(a, "D201").at(0), Linhas(a, "D205").at(0),
                       d500[0], Linhas(a, "D501")[0], Linhas(a, "D505")[0], "|D990|14|"}));
  // The participant and the account of the documents stand in block 0.
  EXPECT_EQ(Linhas(a, "0150").size(), 1u);
  EXPECT_EQ(Campos(Linhas(a, "0150")[0])[1], Campos(d100[0])[3]);
  const std::string conta = Campos(d101[0]).back();
  EXPECT_TRUE(conta.empty() || std::ranges::any_of(Linhas(a, "0500"), [&](const std::string& l) {
                return Campos(l)[5] == conta;
              }));
}

TEST_P(ContribuicoesD, CreditosDosServicosNoBlocoM) {
  CarregarServicos();
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  // PIS: 1,65 % of 300,00 of freight and 200,00 of communication, services
  // used as inputs (nature 03): 8,25, nothing to deduct it from.
  EXPECT_EQ(Linhas(a, "M105"),
            std::vector<std::string>{"|M105|03|50|500,00||500,00|500,00||0,000||"});
  const auto m100 = Campos(Linhas(a, "M100").at(0));
  EXPECT_EQ(
      std::vector<std::string>(m100.begin(), m100.begin() + 8),
      (std::vector<std::string>{"M100", "101", "0", "500,00", "1,6500", "0,000", "", "8,25"}));
  EXPECT_EQ(m100.back(), "8,25");
  // COFINS: 7,6 % of the same, 38,00.
  EXPECT_EQ(Linhas(a, "M505"),
            std::vector<std::string>{"|M505|03|50|500,00|0,00|500,00|500,00||0,000||"});
  const auto m500 = Campos(Linhas(a, "M500").at(0));
  EXPECT_EQ(m500[7], "38,00");
  EXPECT_EQ(m500.back(), "38,00");
}

TEST_P(ContribuicoesD, OModeloIcmsIpiNaoGuardaPisNemCofinsDosServicos) {
  CarregarServicos();
  const TArquivo a = GerarD();
  EXPECT_EQ(Linhas(a, "D100").size(), 2u);
  EXPECT_TRUE(Linhas(a, "D010").empty());
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDD105") +
                Contar("SELECT COUNT(*) FROM Z8_REGEFDD501") +
                Contar("SELECT COUNT(*) FROM Z8_REGEFDD505"),
            0);
}

INSTANTIATE_TEST_SUITE_P(Motores, ContribuicoesD, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
