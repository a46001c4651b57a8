// Opening the database named on the command line.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/banco.h"
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

}  // namespace
}  // namespace efd
