// The windows in which the generators read their documents (one query per
// side table and window) and the writers read their rows (a page of parents
// with everything under them) never show in the file: the demo's files
// written with windows of one row are those of the default window, byte
// for byte, in both models.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "control/linhasregistros.h"
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

// The participants (0150 with 0175) and the items (0200 with 0205, 0206 and
// 0220) are read a page at a time, each child by its parent: pages of one
// and of three rows, children of one page's parents read together, give
// the lines of one page, each child under its own parent.
TEST_P(Janelas, CadastrosDoBloco0EmPaginas) {
  const std::set<std::string> cadastros = {"0150", "0175", "0200", "0205", "0206", "0220"};
  auto do_bloco0 = [&cadastros](const std::string& arquivo) {
    std::vector<std::string> linhas;
    std::istringstream in(arquivo);
    for (std::string l; std::getline(in, l);)
      if (cadastros.count(l.substr(1, 4))) linhas.push_back(l);
    return linhas;
  };
  const std::vector<std::string> padrao = do_bloco0(Arquivo(1, 0));
  std::map<std::string, int> quantos;
  std::string pai;
  for (const std::string& l : padrao) {
    const std::string codigo = l.substr(1, 4);
    ++quantos[codigo];
    if (codigo == "0150" || codigo == "0200")
      pai = codigo;
    else
      EXPECT_EQ(pai, codigo == "0175" ? "0150" : "0200") << l;
  }
  // More parents than a page, and every child register present.
  EXPECT_GT(quantos["0150"], 3);
  EXPECT_GT(quantos["0200"], 3);
  for (const std::string& codigo : cadastros) EXPECT_GT(quantos[codigo], 0) << codigo;
  for (size_t janela : {1, 3}) EXPECT_EQ(do_bloco0(Arquivo(1, janela)), padrao) << janela;
}

INSTANTIATE_TEST_SUITE_P(Bancos, Janelas, ::testing::ValuesIn(teste::MotoresDeTeste()));

}  // namespace
}  // namespace efd
