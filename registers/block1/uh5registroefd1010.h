// Register 1010 of block 1 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd1010.h"

namespace efd {

// 1010, ICMS/IPI model: the answers to the layout's questions about which
// block-1 registers apply to the declarant. The rest of block 1 is made by
// other components of the ERP; this register stands for their opening of the
// block, so that every file from the 2013 layout on carries 1001, 1010 and
// (from the driver) 1990. Each question is answered "N": the ERP records
// this module reads hold no operation that any of them asks about.
class Th5RegistroEFD1010 : public Th0RegistroEFD1010 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
