// Register M410 of block M (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "registers/piscofins/receitasm.h"
#include "uh0registroefdm410.h"

namespace efd {

// M410: the natures of the PIS revenues without the contribution, under
// their CST's row. Incluir (EFD, block, register type, parameter text, CST,
// nature, account, amount) stores one revenue (see
// TxbReceitasSemContribuicao); the block's writer writes the rows.
class Th5RegistroEFDM410 : public Th0RegistroEFDM410 {
 public:
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& parametros,
                      const std::string& cst, const std::string& natureza, const std::string& conta,
                      double valor) override;

 private:
  TxbReceitasSemContribuicao receitas_{false};
};

}  // namespace efd
