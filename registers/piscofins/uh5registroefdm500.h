// Register M500 of block M (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdm500.h"

namespace efd {

// M500: writes the COFINS credits (M500 with M505 to M515) and contribution (M600 with M605 to
// M625) of the PIS/COFINS model's block M, from the rows the assessment stored, and adds its lines
// to "QtdeLinhasBloco_M"; the first writer of the block opens it.
class Th5RegistroEFDM500 : public Th0RegistroEFDM500 {
 public:
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
