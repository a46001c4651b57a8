// Register D190 of block D (see the class comment).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/blockD/insercaosomada.h"
#include "uh0registroefdd190.h"

namespace efd {

// D190: the analytic totals of a transport document by CST, CFOP and rate,
// stored by the D100 generation and written under the document.
class Th5RegistroEFDD190 : public Th0RegistroEFDD190 {
 public:
  void DestroyKLV() override;
  // Merge-insert by parent, CST, rate and CFOP: a match adds the operation
  // value, the base, the ICMS and the reduction, and takes the observation
  // code. The row.
  int64_t Incluir(int bloco, int tipo, int64_t d100, int id_efd, const TAnaliticoD& total,
                  const std::string& cod_obs);

 private:
  std::unique_ptr<TInsercaoSomada> insercao_;
};

}  // namespace efd
