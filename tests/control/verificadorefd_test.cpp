#include "control/verificadorefd.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/testutil.h"

namespace efd {
namespace {

TxbResumoArquivo VerificarTexto(const std::string& nome, const std::string& texto) {
  const std::string caminho = teste::DiretorioTemporario() + "/" + nome;
  std::ofstream(caminho, std::ios::binary) << texto;
  return VerificarArquivoEFD(caminho);
}

const std::string kBloco9 =
    "|9001|0|\r\n|9900|0000|1|\r\n|9900|9001|1|\r\n|9900|9900|5|\r\n|9900|9990|1|\r\n"
    "|9900|9999|1|\r\n|9990|8|\r\n|9999|9|\r\n";

TEST(VerificadorArquivo, ArquivoSaoTotalizaRegistrosEBlocos) {
  const TxbResumoArquivo r = VerificarTexto("sao.txt", "|0000|017|\r\n" + kBloco9);
  EXPECT_TRUE(r.problemas.empty()) << r.problemas.front();
  EXPECT_EQ(r.linhas, 9);
  EXPECT_EQ(r.por_registro.at("9900"), 5);
  EXPECT_EQ(r.por_bloco.at('9'), 8);
}

TEST(VerificadorArquivo, QuebrasForaDoCRLFFicamNaSuaLinha) {
  // A bare LF keeps the two halves in one line, as the validator reads them;
  // the last line without its CRLF is reported as such.
  const TxbResumoArquivo r =
      VerificarTexto("quebras.txt", "|0000|01\n7|\r\n" + kBloco9 + "|9999|9|");
  ASSERT_EQ(r.linhas, 10);
  EXPECT_EQ(r.problemas[0], "linha 1 fora do formato: |0000|01\n7|");
  EXPECT_EQ(r.problemas[1], "linha 10 não termina em CRLF");
  EXPECT_EQ(r.por_registro.count("0000"), 0u);
  EXPECT_EQ(r.por_registro.at("9999"), 2);
}

TEST(VerificadorArquivo, TotaisQueNaoConferem) {
  const TxbResumoArquivo r = VerificarTexto("totais.txt", "|0000|017|\r\n|0000|017|\r\n" + kBloco9);
  EXPECT_EQ(r.problemas, (std::vector<std::string>{"9900 de 0000 diz 1, o arquivo tem 2",
                                                   "9999 diz 9, o arquivo tem 10"}));
}

}  // namespace
}  // namespace efd
