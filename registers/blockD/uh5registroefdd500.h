// Register D500 of block D (see the class comment).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/blockD/referenciasd.h"
#include "uh0registroefdd500.h"

namespace efd {

class TxbSession;

// D500: the communication and telecommunication bills (models 21 and 22)
// of the branch and period, generated in one pass with their items D510 and
// their analytic totals D590; the bills insert their participants (0150),
// items (0200, 0190) and accounts (0500). An item's D510 class is its
// product's or service's family's; a service's ICMS tributary class is its
// taxes', else that of its family's tax rule in the branch, else 0.
//
// Writer: "|D001|0|" when nothing opened the block and it has bills, each
// D500 line followed by its D510, D530 (stored by the ERP's components)
// and D590 lines; then, unless register
// D700 belongs to the EFD's catalogue (its writer is then the block's
// last), the block's closing, "|D001|1|" first when the block is empty.
// Nothing in the PIS/COFINS model.
class Th5RegistroEFDD500 : public Th0RegistroEFDD500 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& registros,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  int INTERNO_RetornarQtdReg(int id_efd) override;
};

// Stores the communication bills of the period (see the class comment): the
// branch's for the ICMS/IPI model, or, given an establishment, those it took
// with their PIS (D501) and COFINS (D505), and those it rendered
// consolidated by period (D600 with D601/D605), for the PIS/COFINS model.
// The number of D500 and D600 rows.
int GerarD500(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
              std::optional<TEstabelecimentoD> estabelecimento);

// Whether register D700 belongs to the catalogue of the EFD's blocks.
bool EFDComD700(TxbSession& sessao, int id_efd);

}  // namespace efd
