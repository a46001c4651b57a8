// Register D700 of block D (see the class comment).
#pragma once

#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdd700.h"

namespace efd {

// D700: the electronic communication invoices (NFCom, model 62) of the
// branch and period, with their analytic totals D730 by CST, CFOP and rate.
// A service item's ICMS tributary class is its taxes', else that of its
// service family's tax rule in the branch; items without one count in no
// D730 and in none of the invoice's ICMS, PIS and COFINS. The invoices
// insert their participants (0150) and accounts (0500).
//
// Writer: the last of block D. "|D001|0|" when nothing opened the block and
// it has invoices, each D700 line followed by its D730 lines, then the
// block's closing ("|D001|1|" first when the block is empty). Nothing in
// the PIS/COFINS model.
class Th5RegistroEFDD700 : public Th0RegistroEFDD700 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& registros,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  int INTERNO_RetornarQtdReg(int id_efd) override;
};

}  // namespace efd
