// Register 0600 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0600.h"

namespace efd {

// 0600: the cost centres, inserted on demand. Its writer is the last of block
// 0 and closes the block with 0990.
class Th5RegistroEFD0600 : public Th0RegistroEFD0600 {
 public:
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, TDateTime data, const std::string& centro,
                      const std::string& nome) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
