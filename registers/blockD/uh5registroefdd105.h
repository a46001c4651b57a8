// Register D105 of block D (see the class comment).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/blockD/insercaosomada.h"
#include "uh0registroefdd105.h"

namespace efd {

// D105: the COFINS of a transport document in the PIS/COFINS model,
// totalled by CST and rate; written under D100 by that model's writer.
class Th5RegistroEFDD105 : public Th0RegistroEFDD105 {
 public:
  void DestroyKLV() override;
  // Merge-insert by parent, CST and rate; a match adds the item value, the
  // base and the COFINS. The row.
  int64_t Incluir(int bloco, int tipo, int64_t d100, int id_efd, const std::string& nat_frete,
                  double vl_item, const std::string& cst, double base, double aliquota,
                  double valor, const std::string& nat_bc_cred, const std::string& conta);

 private:
  std::unique_ptr<TInsercaoSomada> insercao_;
};

}  // namespace efd
