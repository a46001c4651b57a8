// Register D590 of block D (see the class comment).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/blockD/insercaosomada.h"
#include "uh0registroefdd590.h"

namespace efd {

// D590: the analytic totals of a communication bill by CST, CFOP and rate,
// stored by the D500 generation and written under the bill.
class Th5RegistroEFDD590 : public Th0RegistroEFDD590 {
 public:
  void DestroyKLV() override;
  int64_t Incluir(int bloco, int tipo, int64_t d500, int id_efd, const TAnaliticoD& total,
                  const std::string& cod_obs);

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
