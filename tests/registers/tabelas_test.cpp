// Operation natures (0400), information texts (0450) and observations
// (0460): codes that documents cite, one per distinct entry, on every engine.
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0400.h"
#include "registers/block0/uh5registroefd0450.h"
#include "registers/block0/uh5registroefd0460.h"
#include "tests/registers/bloco0_teste.h"

namespace efd::teste {
namespace {

class Tabelas : public TBloco0 {
 protected:
  template <class T>
  std::shared_ptr<T> Registro(TxsSessionZ8& sessao, const std::string& familia) {
    auto r = Aplicacao().CriarComo<T>(familia, sessao);
    objetos_.push_back(r);
    return r;
  }
  void TearDown() override {
    for (auto& o : objetos_) Aplicacao().Destruir(o);
    TBloco0::TearDown();
  }
  std::vector<std::shared_ptr<ThbObjetoNegocio>> objetos_;
};

TEST_P(Tabelas, TextosIguaisTemOMesmoCodigo) {
  std::vector<int> informacoes, observacoes;
  const std::string longo(100, 'x');
  const auto a = Gerar(1, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    auto r0450 = Registro<Th5RegistroEFD0450>(sessao, "RegistroEFD0450");
    for (const std::string& texto :
         {std::string("Mercadoria entregue | conferida"), std::string("Pedido 123"),
          std::string("Mercadoria entregue | conferida"), longo + "A", longo + "B",
          std::string("Linha 1\r\nLinha 2"), std::string("Linha 1 Linha 2"),
          std::string("Linha 1\nLinha 2")})
      informacoes.push_back(r0450->IncluirNovo(id_efd, 0, 0, texto, 0));
    // Another object of the generation finds what the first stored.
    informacoes.push_back(Registro<Th5RegistroEFD0450>(sessao, "RegistroEFD0450")
                              ->Incluir(id_efd, 0, 0, "Pedido 123", 9, 0));

    auto r0460 = Registro<Th5RegistroEFD0460>(sessao, "RegistroEFD0460");
    for (const char* texto : {"Nota d'água", " Devolução ", "Nota d'água", "Devolução"})
      observacoes.push_back(r0460->Incluir(id_efd, 0, 0, texto, 0));
    observacoes.push_back(
        Registro<Th5RegistroEFD0460>(sessao, "RegistroEFD0460")->Incluir(id_efd, 0, 0, "Outra", 0));
  });
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  // The first code is 1; the field separator and line breaks are stored as
  // blanks; texts that agree in their first 100 characters share a code; a
  // lone line feed is written " - ".
  EXPECT_EQ(informacoes, (std::vector<int>{1, 2, 1, 3, 3, 4, 4, 5, 2}));
  EXPECT_EQ(Linhas(a, "0450"),
            (std::vector<std::string>{"|0450|1|Mercadoria entregue   conferida|",
                                      "|0450|2|Pedido 123|", "|0450|3|" + longo + "A|",
                                      "|0450|4|Linha 1 Linha 2|", "|0450|5|Linha 1 - Linha 2|"}));
  EXPECT_EQ(observacoes, (std::vector<int>{1, 2, 1, 2, 3}));
  EXPECT_EQ(Linhas(a, "0460"),
            (std::vector<std::string>{Latin1("|0460|1|Nota d'água|"), Latin1("|0460|2|Devolução|"),
                                      "|0460|3|Outra|"}));
  EXPECT_EQ(sessao_->Valor("QtdeLinhasBloco_0460_C595"), "0");
}

TEST_P(Tabelas, UmaNaturezaPorCodigoEEstabelecimento) {
  std::vector<int> ids;
  const auto a = Gerar(1, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    auto r = Registro<Th5RegistroEFD0400>(sessao, "RegistroEFD0400");
    const int bloco = IdBloco0(sessao, id_efd);
    const int tipo = IdTipoRegistro(sessao, bloco, "0400");
    ids.push_back(r->IncluirNovo(id_efd, bloco, tipo, "5102", "Venda de mercadoria", 0));
    ids.push_back(r->IncluirNovo(id_efd, bloco, tipo, " 5102 ", "Outro nome", 0));
    ids.push_back(r->Incluir(id_efd, bloco, tipo, "1102", "Compra para comercialização", 0));
    ids.push_back(r->IncluirNovo(id_efd, bloco, tipo, "5102", "Venda de mercadoria", 8));
  });
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  ASSERT_EQ(ids.size(), 4u);
  EXPECT_EQ(ids[1], ids[0]);
  EXPECT_NE(ids[2], ids[0]);
  EXPECT_NE(ids[3], ids[0]);
  EXPECT_EQ(Linhas(a, "0400"),
            (std::vector<std::string>{"|0400|5102|Venda de mercadoria|",
                                      Latin1("|0400|1102|Compra para comercialização|"),
                                      "|0400|5102|Venda de mercadoria|"}));
}

TEST_P(Tabelas, NoModeloPisCofinsNaturezasETextosNaoEscrevemNada) {
  const auto a = Gerar(2, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    Registro<Th5RegistroEFD0400>(sessao, "RegistroEFD0400")
        ->IncluirNovo(id_efd, IdBloco0(sessao, id_efd), 0, "5102", "Venda", 0);
    EXPECT_EQ(Registro<Th5RegistroEFD0450>(sessao, "RegistroEFD0450")
                  ->IncluirNovo(id_efd, 0, 0, "Texto", 0),
              1);
  });
  EXPECT_TRUE(Linhas(a, "0400").empty());
  EXPECT_TRUE(Linhas(a, "0450").empty());
}

INSTANTIATE_TEST_SUITE_P(Motores, Tabelas, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
