// Opening the database named on the command line.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/banco.h"
#include "erp/erp.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "tests/testutil.h"

namespace efd {
namespace {

TEST(AbrirBanco, ArquivoSQLiteQueNaoExisteERecusadoSemCriarNada) {
  const std::string caminho = teste::DiretorioTemporario() + "/nao-existe.db";
  const std::string mensagem =
      teste::Mensagem<EErro>([&] { app::AbrirBanco("sqlite:" + caminho); });
  EXPECT_NE(mensagem.find(caminho), std::string::npos) << mensagem;
  EXPECT_NE(mensagem.find("efd init"), std::string::npos) << mensagem;
  EXPECT_FALSE(std::filesystem::exists(caminho));

  // The commands that make a database create it, and then it opens.
  app::AbrirBanco("sqlite:" + caminho, app::TCriacaoBanco::Criar);
  EXPECT_TRUE(std::filesystem::exists(caminho));
  EXPECT_NO_THROW(app::AbrirBanco("sqlite:" + caminho));
}

// The optional ERP modules are the database's: a command that opens it
// registers those its data was written with, as the demo's own run does.
TEST(AbrirBanco, RegistraOsModulosGravadosNoBanco) {
  const std::string url = "sqlite:" + teste::DiretorioTemporario() + "/modulos.db";
  {
    auto sessao = app::AbrirBanco(url, app::TCriacaoBanco::Criar);
    TpbBD& bd = sessao->GetBD();
    EXPECT_TRUE(erp::ModulosGravados(bd).empty());
    erp::GravarModulos(bd, {"MovCtb", "Lote"});
    erp::GravarModulos(bd, {"MovCtb"});
    bd.Confirmar();
    EXPECT_EQ(erp::ModulosGravados(bd), std::set<std::string>{"MovCtb"});
  }
  // Registering is for the life of the process: done in one of its own.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        app::AbrirBanco(url);
        std::exit(Aplicacao().ChecarFamiliaRegistrada("MovCtb") &&
                          !Aplicacao().ChecarFamiliaRegistrada("Lote")
                      ? 0
                      : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace efd
