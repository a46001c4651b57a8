// Register 0005 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0005.h"

namespace efd {

// 0005: the branch's complementary data (trade name, address, contacts).
// Its writer opens block 0 when only 0000 has been written.
class Th5RegistroEFD0005 : public Th0RegistroEFD0005 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
