// Register 0305 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0305.h"

namespace efd {

// 0305: the use of an asset (0300): cost centre, function and useful life.
class Th5RegistroEFD0305 : public Th0RegistroEFD0305 {
 public:
  // EFD, block row, register type, 0300 row, cost centre, function, useful
  // life in months -> the row identifier (0 when the EFD or the block
  // identifier is below 1).
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, int id_0300, const std::string& centro,
                      const std::string& funcao, int vida_util) override;
};

}  // namespace efd
