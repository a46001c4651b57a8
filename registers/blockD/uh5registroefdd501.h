// Register D501 of block D (see the class comment).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/blockD/insercaosomada.h"
#include "uh0registroefdd501.h"

namespace efd {

// D501: the PIS of a communication bill in the PIS/COFINS model, totalled
// by CST and rate; written under D500 by that model's writer.
class Th5RegistroEFDD501 : public Th0RegistroEFDD501 {
 public:
  void DestroyKLV() override;
  // Merge-insert by parent, CST and rate; a match adds the item value, the
  // base and the PIS. The row.
  int64_t Incluir(int bloco, int tipo, int64_t d500, int id_efd, const std::string& nat_bc_cred,
                  double vl_item, const std::string& cst, double base, double aliquota,
                  double valor, const std::string& conta);

 private:
  std::unique_ptr<TInsercaoSomada> insercao_;
};

}  // namespace efd
