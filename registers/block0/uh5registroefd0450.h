// Register 0450 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0450.h"

namespace efd {

// 0450: the complementary information texts that documents cite by code.
// Equal texts share a code (texts that agree in their first 100 characters
// are equal); codes run from 1 in each generation (and establishment).
//
// Writer: "|0450|COD_INF|TXT|" for each row of block 0, line breaks of the
// text written " - ", added to "QtdeLinhasBloco_0", with "|0001|0|" first
// when the block has rows and only the 0000 line was written. Nothing in
// the PIS/COFINS model, where 0140 writes them under the establishment.
class Th5RegistroEFD0450 : public Th0RegistroEFD0450 {
 public:
  // EFD, block-0 row (0: looked up), register type (0: looked up), text,
  // 0140 row (0 for none) -> the information code. Line breaks and "|" of
  // the text are stored as blanks.
  int INTERNO_IncluirNovo(int id_efd, int bloco, int tipo, const std::string& texto,
                          int id_0140) override;
  // The same, a new text taking the caller's code when it is above 0.
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& texto, int codigo,
                      int id_0140) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;

 private:
  int Inserir(int id_efd, int bloco, int tipo, const std::string& texto, int codigo, int id_0140);
};

// A text as 0450 stores it: "\r\n" and "|" become blanks.
std::string TextoInformacao0450(const std::string& texto);

}  // namespace efd
