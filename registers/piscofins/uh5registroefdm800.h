// Register M800 of block M (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdm800.h"

namespace efd {

// M800: writes the COFINS revenues without the contribution (M800 with M810), and the block's
// closing of the PIS/COFINS model's block M, from the rows the assessment stored, and adds its
// lines to "QtdeLinhasBloco_M"; the first writer of the block opens it.
class Th5RegistroEFDM800 : public Th0RegistroEFDM800 {
 public:
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
