// Register 0100 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0100.h"

namespace efd {

// 0100: the branch's accountant, a natural or a legal person.
class Th5RegistroEFD0100 : public Th0RegistroEFD0100 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;

 private:
  // Fills name, numbers and e-mail from the accountant's identity; false when
  // it is neither a natural nor a legal person.
  bool PreencherContador(int contador);
};

}  // namespace efd
