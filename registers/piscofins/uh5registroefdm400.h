// Register M400 of block M (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdm400.h"

namespace efd {

// M400: writes the PIS revenues without the contribution (M400 with M410) of the PIS/COFINS model's
// block M, from the rows the assessment stored, and adds its lines to
// "QtdeLinhasBloco_M"; the first writer of the block opens it.
class Th5RegistroEFDM400 : public Th0RegistroEFDM400 {
 public:
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
