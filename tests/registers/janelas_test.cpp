// The windows in which the generators read their documents (one query per
// side table and window) and the writers read their rows (a page of parents
// with everything under them) never show in the file: the demo's files
// written with windows of one row are those of the default window, byte
// for byte, in both models.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "registers/blockC/linhasblococ.h"
#include "tests/registers/arquivo_demo_teste.h"

namespace efd {
namespace {

class Janelas : public teste::TesteDoDemo {
 protected:
  void SetUp() override {
    if (!ConstruirDemo(40)) GTEST_SKIP() << GetParam() << " indisponível";
  }
  void TearDown() override { DefinirLinhasPorJanela(0); }

  // The bytes of the head office's file of the model, generated anew with
  // windows of `janela` rows (0: the default).
  std::string Arquivo(int modelo, size_t janela) {
    DefinirLinhasPorJanela(janela);
    app::OpcoesGeracao o;
    o.modelo = modelo;
    o.filiais = {static_cast<int>(demo_.filiais.front())};
    o.inicio = demo_.inicio;
    if (modelo == 1) o.inventario = demo_.fim;
    o.saida = teste::DiretorioTemporario();
    const auto arquivos = app::Gerar(*sessao_, o);
    EXPECT_EQ(arquivos.size(), 1u);
    EXPECT_TRUE(arquivos.at(0).resumo.problemas.empty());
    std::ifstream in(arquivos.at(0).caminho, std::ios::binary);
    std::ostringstream texto;
    texto << in.rdbuf();
    return texto.str();
  }
};

TEST_P(Janelas, JanelasPequenasDaoOMesmoArquivo) {
  for (int modelo : {1, 2}) {
    const std::string padrao = Arquivo(modelo, 0);
    // More lines than windows: the documents and the rows span many of them.
    ASSERT_GT(std::count(padrao.begin(), padrao.end(), '\n'), 100);
    EXPECT_EQ(Arquivo(modelo, 1), padrao) << "modelo " << modelo;
  }
}

INSTANTIATE_TEST_SUITE_P(Bancos, Janelas, ::testing::ValuesIn(teste::MotoresDeTeste()));

}  // namespace
}  // namespace efd
