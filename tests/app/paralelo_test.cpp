// Branches generated at once (--jobs): each branch a request of its own in a
// session of its own. The files are those of one request for all the
// branches, and a branch that fails takes nothing of the others with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/banco.h"
#include "app/geracao.h"
#include "control/catalogo.h"
#include "control/geradorefd.h"
#include "erp/demo.h"
#include "framework/xberros.h"
#include "tests/testutil.h"

namespace efd {
namespace {

// The branch whose generation an ERP component makes fail, 0 for none.
std::atomic<int> g_filial_que_falha{0};

void RegistrarFalhaSimulada() {
  static const bool registrada = [] {
    RegistrarComponenteExterno(
        1, [](TxbSession& sessao, int id_efd, const std::string&, const std::string&) {
          TxbResultado r =
              sessao.Consultar("SELECT IDF_FILIAL FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
          if (r.linhas.at(0).at(0).AsInteger() == g_filial_que_falha) throw EErro("falha simulada");
        });
    return true;
  }();
  (void)registrada;
}

class GeracaoPorFilial : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!teste::MotorDisponivel(GetParam())) GTEST_SKIP() << GetParam() << " indisponível";
    // Every branch's session opens the same database: SQLite in a file, one
    // per test.
    static int arquivos = 0;
    const std::string url = GetParam() == "sqlite"
                                ? "sqlite:" + teste::DiretorioTemporario() + "/filiais-" +
                                      std::to_string(++arquivos) + ".db"
                                : teste::NovaUrlComEsquema(GetParam());
    sessao_ = app::AbrirBanco(url, app::TCriacaoBanco::Criar);
    CarregarCatalogo(*sessao_);
    erp::OpcoesDemo opcoes;
    opcoes.documentos = 40;
    opcoes.mes = TDateTime::EncodeDate(2026, 11, 1);
    demo_ = erp::ConstruirEmpresaDemo(*sessao_, opcoes);
    RegistrarFalhaSimulada();
  }
  void TearDown() override { g_filial_que_falha = 0; }

  // A request for every branch, written to a folder of its own; a name
  // ending in "/" is left for the generation to make.
  app::OpcoesGeracao Opcoes(int tarefas, const std::string& pasta) {
    app::OpcoesGeracao o;
    for (int64_t f : demo_.filiais) o.filiais.push_back(static_cast<int>(f));
    o.inicio = demo_.inicio;
    o.tarefas = tarefas;
    o.saida = teste::DiretorioTemporario() + "/" + GetParam() + "-" + pasta;
    if (pasta.back() != '/') std::filesystem::create_directories(o.saida);
    return o;
  }

  // Every file of a folder by name, with its bytes.
  static std::map<std::string, std::string> Arquivos(const std::string& pasta) {
    std::map<std::string, std::string> arquivos;
    for (const auto& e : std::filesystem::directory_iterator(pasta)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::ostringstream texto;
      texto << in.rdbuf();
      arquivos[e.path().filename().string()] = texto.str();
    }
    return arquivos;
  }

  int64_t LinhasDaFilial(int filial) {
    return sessao_
        ->Consultar(
            "SELECT COUNT(*) FROM Z8_REGEFD B INNER JOIN Z8_BLOCOSEFD C ON C.ID = B.IDF_BLOCOSEFD "
            "INNER JOIN Z8_EFD E ON E.ID = C.IDF_EFD WHERE E.IDF_FILIAL = :FILIAL",
            {{"FILIAL", filial}})
        .linhas[0][0]
        .AsInt64();
  }

  std::unique_ptr<TxsSessionZ8> sessao_;
  erp::ResultadoDemo demo_;
};

TEST_P(GeracaoPorFilial, OsArquivosDeUmPedidoSoEUmaFilialQueFalhaNaoLevaAsOutras) {
  const app::OpcoesGeracao sequencial = Opcoes(1, "sequencial");
  ASSERT_EQ(app::Gerar(*sessao_, sequencial).size(), 5u);
  const auto esperados = Arquivos(sequencial.saida);

  const app::OpcoesGeracao paralela = Opcoes(4, "paralela/");
  ASSERT_EQ(app::Gerar(*sessao_, paralela).size(), 5u);
  EXPECT_EQ(Arquivos(paralela.saida), esperados);

  const int falha = static_cast<int>(demo_.filiais[2]);
  std::map<int64_t, int64_t> antes;
  for (int64_t f : demo_.filiais) antes[f] = LinhasDaFilial(static_cast<int>(f));
  g_filial_que_falha = falha;
  const app::OpcoesGeracao com_falha = Opcoes(4, "com-falha");
  const std::string erro = teste::Mensagem<EErro>([&] { app::Gerar(*sessao_, com_falha); });
  EXPECT_NE(erro.find("filial " + std::to_string(falha) + ": falha simulada"), std::string::npos)
      << erro;
  // The failed branch's generation left no rows (its earlier generation
  // stands whole) and no file, not even a partial one; the others were
  // written as ever.
  for (int64_t f : demo_.filiais)
    EXPECT_EQ(LinhasDaFilial(static_cast<int>(f)), antes[f]) << "filial " << f;
  auto outros = esperados;
  std::erase_if(outros, [&](const auto& a) {
    return a.first.find("-" + std::to_string(falha) + "-") != std::string::npos;
  });
  ASSERT_EQ(outros.size(), 4u);
  EXPECT_EQ(Arquivos(com_falha.saida), outros);
}

TEST_P(GeracaoPorFilial, AsFiliaisComMaisDocumentosComecamPrimeiro) {
  app::OpcoesGeracao opcoes = Opcoes(4, "ordem");
  std::reverse(opcoes.filiais.begin(), opcoes.filiais.end());  // the head office last
  const std::vector<size_t> ordem = app::OrdemDasFiliais(*sessao_, opcoes);
  ASSERT_EQ(ordem.size(), opcoes.filiais.size());
  EXPECT_EQ(opcoes.filiais[ordem.front()], demo_.filiais.front());
  std::vector<int64_t> documentos;
  for (size_t i : ordem)
    documentos.push_back(sessao_
                             ->Consultar("SELECT COUNT(*) FROM Z8_DOCTO WHERE IDF_FILIAL = :F",
                                         {{"F", opcoes.filiais[i]}})
                             .linhas[0][0]
                             .AsInt64());
  EXPECT_TRUE(std::is_sorted(documentos.rbegin(), documentos.rend()));
  std::vector<size_t> indices = ordem;
  std::sort(indices.begin(), indices.end());
  EXPECT_EQ(indices, (std::vector<size_t>{0, 1, 2, 3, 4}));
}

// The embedded Firebird takes one writer at a time, as SQLite does: the
// server is where the branches run at once.
INSTANTIATE_TEST_SUITE_P(Bancos, GeracaoPorFilial, ::testing::Values("sqlite", "firebird-server"));

}  // namespace
}  // namespace efd
