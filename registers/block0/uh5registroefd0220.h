// Register 0220 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0220.h"

namespace efd {

// 0220: how a unit that documents use converts to an item's stock unit,
// inserted by the item's insertion. The 0200 writer writes these lines
// under their item; this class writes none.
class Th5RegistroEFD0220 : public Th0RegistroEFD0220 {
 public:
  // EFD, block-0 row, 0200 row, unit converted, factor (quantity of the
  // stock unit in one of that unit), bar code of the item in that unit ->
  // the row identifier.
  int INTERNO_Incluir(int id_efd, int bloco, int id_0200, const std::string& unidade, double fator,
                      const std::string& cod_barra) override;

 private:
  int tipo_ = 0, bloco_tipo_ = 0;
};

}  // namespace efd
