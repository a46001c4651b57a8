// Register D111 of block D (see the class comment).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/blockD/insercaosomada.h"
#include "uh0registroefdd111.h"

namespace efd {

// D111: a process that a transport document refers to, inserted by the
// PIS/COFINS model's generators.
class Th5RegistroEFDD111 : public Th0RegistroEFDD111 {
 public:
  void DestroyKLV() override;
  int64_t Incluir(int bloco, int tipo, int64_t d100, int id_efd, const std::string& processo,
                  const std::string& origem);

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
