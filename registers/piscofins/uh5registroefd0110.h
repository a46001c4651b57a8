// Register 0110 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0110.h"

namespace efd {

// 0110: the PIS/COFINS model's taxation regime, with 0111 (the month's gross
// revenues) under it when credits are apportioned. The rows are stored by
// the ERP's components; the writer writes whatever rows block 0 holds,
// IND_REG_CUM only from July 2012, and adds its lines to
// "QtdeLinhasBloco_0".
class Th5RegistroEFD0110 : public Th0RegistroEFD0110 {
 public:
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
