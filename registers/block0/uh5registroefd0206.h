// Register 0206 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0206.h"

namespace efd {

// 0206: the fuel code of an item (0200) in the petroleum agency's product
// table, inserted by the item's insertion. The 0200 writer writes these
// lines under their item; this class writes none.
class Th5RegistroEFD0206 : public Th0RegistroEFD0206 {
 public:
  // EFD, block-0 row, 0200 row, (unused), fuel code -> the row identifier,
  // 0 for an empty code.
  int INTERNO_Incluir(int id_efd, int bloco, int id_0200, int, const std::string& codigo) override;

 private:
  int tipo_ = 0, bloco_tipo_ = 0;
};

}  // namespace efd
