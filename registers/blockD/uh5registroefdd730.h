// Register D730 of block D (see the class comment).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/blockD/insercaosomada.h"
#include "uh0registroefdd730.h"

namespace efd {

// D730: the analytic totals of an electronic communication invoice by CST,
// CFOP and rate, stored by the D700 generation and written under it.
class Th5RegistroEFDD730 : public Th0RegistroEFDD730 {
 public:
  void DestroyKLV() override;
  // One row; the reduction is the file's VL_RED_BC, which the layout asks
  // for even when it is 0.
  int64_t Incluir(int bloco, int tipo, int64_t d700, int id_efd, const std::string& cst,
                  const std::string& cfop, double aliquota, double operacao, double base,
                  double icms, double reducao, const std::string& cod_obs);

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
