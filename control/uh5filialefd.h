// The branches of one EFD header.
#pragma once

#include "uh0filialefd.h"

namespace efd {

class Th5FilialEFD : public Th0FilialEFD {
 public:
  int INTERNO_Incluir(int id_efd, int filial) override;
};

}  // namespace efd
