// Register C505 of block C (see the class comment).
#pragma once

#include <cstdint>
#include <memory>

#include "registers/blockC/uh5registroefdc501.h"
#include "uh0registroefdc505.h"

namespace efd {

// C505: the COFINS of the PIS/COFINS model's utility bills, one row per CST
// and rate of a bill, inserted by that model's block-C writer.
class Th5RegistroEFDC505 : public Th0RegistroEFDC505 {
 public:
  void DestroyKLV() override;
  int64_t Incluir(int bloco, int tipo, int64_t c500, const TParcelaC500& parcela);

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
