// Register 0400 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0400.h"

namespace efd {

// 0400: the natures of operation that document items cite by code,
// inserted on demand once per code and establishment.
//
// Writer: "|0400|COD_NAT|DESCR_NAT|" for each row of block 0, added to
// "QtdeLinhasBloco_0", with "|0001|0|" first when the block has rows and
// only the 0000 line was written. Nothing in the PIS/COFINS model, where
// 0140 writes them under the establishment.
class Th5RegistroEFD0400 : public Th0RegistroEFD0400 {
 public:
  // EFD, block-0 row, register type, code, description, 0140 row (0 for
  // none) -> the 0400 row, existing or new.
  int INTERNO_IncluirNovo(int id_efd, int bloco, int tipo, const std::string& codigo,
                          const std::string& descricao, int id_0140) override;
  // The same, for older callers.
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& codigo,
                      const std::string& descricao, int id_0140) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;

 private:
  int bloco_aberto_ = 0;
};

}  // namespace efd
