// What a generation leaves on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/geracao.h"
#include "tests/testutil.h"

namespace efd {
namespace {

std::string Escrever(const std::string& nome, const std::string& texto) {
  const std::string caminho = teste::DiretorioTemporario() + "/" + nome;
  std::ofstream(caminho, std::ios::binary) << texto;
  return caminho;
}

TEST(VerificarArquivoGerado, ArquivoQueNaoConfereNaoFicaComONomeFinal) {
  const std::string bom = Escrever("EFD-ICMS-IPI-10-2024-03.txt",
                                   "|0000|x|\r\n|9001|0|\r\n|9900|0000|1|\r\n|9900|9001|1|\r\n"
                                   "|9900|9900|5|\r\n|9900|9990|1|\r\n|9900|9999|1|\r\n"
                                   "|9990|8|\r\n|9999|9|\r\n");
  const auto aceito = app::VerificarArquivoGerado(1, 10, bom);
  EXPECT_TRUE(aceito.resumo.problemas.empty()) << ::testing::PrintToString(aceito.resumo.problemas);
  EXPECT_EQ(aceito.caminho, bom);
  EXPECT_TRUE(std::filesystem::exists(bom));

  const std::string ruim =
      Escrever("EFD-ICMS-IPI-20-2024-03.txt", "|0000|x|\r\n|9001|0|\r\n|9990|2|\r\n|9999|7|\r\n");
  const auto recusado = app::VerificarArquivoGerado(2, 20, ruim);
  EXPECT_FALSE(recusado.resumo.problemas.empty());
  EXPECT_FALSE(std::filesystem::exists(ruim));
  EXPECT_EQ(std::filesystem::path(recusado.caminho).filename(),
            "EFD-ICMS-IPI-20-2024-03.INVALIDO.txt");
  EXPECT_TRUE(std::filesystem::exists(recusado.caminho));
}

}  // namespace
}  // namespace efd
