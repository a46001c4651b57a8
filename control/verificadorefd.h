// Reads a written file back and checks its totals: every line starts and
// ends with "|" and ends with CRLF, each 9900 line states the real count of
// its code, every code present has its 9900 line, 9990 counts block 9 and
// 9999 counts the whole file.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace efd {

struct TxbResumoArquivo {
  long linhas = 0;
  std::map<std::string, long> por_registro;  // code -> lines
  std::map<char, long> por_bloco;            // block -> lines
  std::vector<std::string> problemas;        // empty when the file is sound
};

TxbResumoArquivo VerificarArquivoEFD(const std::string& caminho);

}  // namespace efd
