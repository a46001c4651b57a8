// Writes the text of a generation to its file: ISO-8859-1 bytes (our texts
// are UTF-8), to a temporary name in the target folder renamed into place only
// when complete. A character that ISO-8859-1 cannot hold is an error naming
// the register and the field; the temporary file is removed.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace efd {

class TxbArquivoEFD {
 public:
  explicit TxbArquivoEFD(std::string caminho);
  ~TxbArquivoEFD();  // removes the temporary file when not concluded
  TxbArquivoEFD(const TxbArquivoEFD&) = delete;
  TxbArquivoEFD& operator=(const TxbArquivoEFD&) = delete;

  void Escrever(std::string_view texto);
  void Concluir();
  long Linhas() const { return linhas_; }

 private:
  std::string caminho_, temporario_;
  std::FILE* arquivo_ = nullptr;
  long linhas_ = 0;
};

// ISO-8859-1 bytes of a UTF-8 text; EErro naming the register and field of
// the line where a character does not fit.
std::string ParaLatin1(std::string_view utf8);

}  // namespace efd
