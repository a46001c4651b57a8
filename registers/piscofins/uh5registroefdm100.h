// Register M100 of block M (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdm100.h"

namespace efd {

// M100: writes the PIS credits (M100 with M105 to M115) and contribution (M200 with M205 to M225)
// of the PIS/COFINS model's block M, from the rows the assessment stored, and adds its lines to
// "QtdeLinhasBloco_M"; the first writer of the block opens it.
class Th5RegistroEFDM100 : public Th0RegistroEFDM100 {
 public:
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
