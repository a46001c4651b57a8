// Register D195 of block D (see the class comment).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/blockD/insercaosomada.h"
#include "uh0registroefdd195.h"

namespace efd {

// D195: an observation (0460 code and complementary text) of a transport
// document, with its adjustments D197 under it.
class Th5RegistroEFDD195 : public Th0RegistroEFDD195 {
 public:
  void DestroyKLV() override;
  int64_t Incluir(int bloco, int tipo, int64_t d100, int id_efd, const std::string& cod_obs,
                  const std::string& texto);

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
