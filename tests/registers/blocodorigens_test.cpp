// Block D: where the documents' values and complements come from — the
// fiscal books, the types parameterised as transport, the invoices a
// freight carried, the classes of the communication items — and the
// complements written from rows stored outside, on every engine.
#include "tests/registers/blocod_teste.h"

namespace efd::teste {
namespace {

using BlocoDOrigens = TBlocoD;

// The fields of the first line of a register.
std::vector<std::string> Primeira(const std::vector<std::string>& bloco,
                                  const std::string& registro) {
  for (const auto& l : bloco)
    if (l.starts_with("|" + registro + "|")) return Dividir(l.substr(1, l.size() - 2), '|');
  ADD_FAILURE() << "sem " << registro;
  return {};
}

TEST_P(BlocoDOrigens, OsValoresVemDoRegistroNoLivroQuandoHa) {
  TDocumentoD conta{.id = 3001,
                    .tipo = 2106,
                    .serie = 1202,
                    .numero = "50",
                    .participante = 302,
                    .emissao = "2024-03-05",
                    .entrada = "2024-03-06"};
  conta.itens = {TItemD{.cfop = 2403, .valor = 100, .aliquota = 25},
                 TItemD{.cfop = 2403, .tributacao = "40", .valor = 20, .aliquota = 0, .seq = 2}};
  conta.livro = {130, 20, 7, 3};
  TDocumentoD nfcom = conta;
  nfcom.id = 3002, nfcom.tipo = 2108, nfcom.numero = "51", nfcom.livro = {120, 20, 0, 2};
  TDocumentoD do_livro{.id = 3003, .numero = "15", .livro = {180, 0, 0, 0}};
  TDocumentoD sem_livro{.id = 3004, .numero = "16"};
  Carregar({conta, nfcom, do_livro, sem_livro});
  const auto d = LinhasD(GerarD());

  // Document, discount, service, not taxed, third parties, expenses.
  const auto d500 = Primeira(d, "D500");
  EXPECT_EQ(std::vector<std::string>(d500.begin() + 11, d500.begin() + 17),
            (std::vector<std::string>{"130", "0", "130", "20", "7", "3"}));
  const auto d700 = Primeira(d, "D700");
  EXPECT_EQ(std::vector<std::string>(d700.begin() + 10, d700.begin() + 16),
            (std::vector<std::string>{"120", "0", "120", "20", "0", "2"}));
  // A transport document's value and service; without a record in the
  // books, its own total.
  auto valores = [&d](const std::string& numero) {
    const auto c = Campos(Documento(d, numero).at(0));
    return std::make_pair(c[14], c[17]);
  };
  EXPECT_EQ(valores("000000015"), std::make_pair(std::string("180"), std::string("180")));
  EXPECT_EQ(valores("000000016"), std::make_pair(std::string("100"), std::string("100")));
}

TEST_P(BlocoDOrigens, SoOsTiposParametrizadosComoTransporteOuDoPadraoDeFrete) {
  const TDocumentoD sem_parametro{
      .id = 3001, .tipo = 2121, .serie = 1202, .numero = "31", .participante = 302};
  const TDocumentoD padrao_de_frete{
      .id = 3002, .tipo = 2122, .serie = 1202, .numero = "32", .participante = 302};
  const TDocumentoD despesa_fiscal{
      .id = 3003, .tipo = 2102, .serie = 1202, .numero = "33", .participante = 302};
  Carregar({sem_parametro, padrao_de_frete, despesa_fiscal});
  const auto d = LinhasD(GerarD());
  EXPECT_TRUE(Documento(d, "000000031").empty());
  ASSERT_FALSE(Documento(d, "000000032").empty());
  EXPECT_EQ(Campos(Documento(d, "000000032")[0])[1], "0");  // contracted
  EXPECT_FALSE(Documento(d, "000000033").empty());
}

INSTANTIATE_TEST_SUITE_P(Motores, BlocoDOrigens, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
