// Register D101 of block D (see the class comment).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/blockD/insercaosomada.h"
#include "uh0registroefdd101.h"

namespace efd {

// D101: in the ICMS/IPI model the interstate shares of an output to a
// final consumer (inserted by other generators through Incluir_Novo); in the
// PIS/COFINS model the PIS of a transport document, totalled by CST and
// rate (Incluir). Written under D100 by its writers.
class Th5RegistroEFDD101 : public Th0RegistroEFDD101 {
 public:
  void DestroyKLV() override;
  // PIS/COFINS model: merge-insert by parent, CST and rate; a match adds the
  // item value, the base and the PIS. The row.
  int64_t Incluir(int bloco, int tipo, int64_t d100, int id_efd, const std::string& nat_frete,
                  double vl_item, const std::string& cst, const std::string& nat_bc_cred,
                  double base, double aliquota, double valor, const std::string& conta);
  // ICMS/IPI model: one row of the destination's FCP and ICMS and the
  // origin's ICMS. The row.
  int64_t Incluir_Novo(int bloco, int tipo, int64_t d100, double fcp_dest, double icms_dest,
                       double icms_rem);

 private:
  std::unique_ptr<TInsercaoSomada> pis_;
  std::unique_ptr<TxbInsercaoRegistro> icms_;
};

}  // namespace efd
