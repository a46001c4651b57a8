// Register 0015 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0015.h"

namespace efd {

// 0015: the branch's registrations as ICMS substitute taxpayer in other states.
class Th5RegistroEFD0015 : public Th0RegistroEFD0015 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  int INTERNO_RetornarQtdReg(int id_efd) override;
};

}  // namespace efd
