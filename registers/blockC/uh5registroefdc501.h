// Register C501 of block C (see the class comment).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "control/linhasregistros.h"
#include "control/uh5registrosefd.h"
#include "uh0registroefdc501.h"

namespace efd {

// A PIS or COFINS share of a utility bill (C501, C505).
struct TParcelaC500 {
  std::string natureza, cst, conta;
  double valor_item = 0, base = 0, aliquota = 0, valor = 0;
};

// The merge-insert that C501 and C505 share: the bill's share of one CST
// and rate adds its item value, base and tax to the row already stored
// for them, or is stored as a new row. campos: the register's attributes
// for CST, item value, nature, base, rate, value and account, in that
// order. The row's identifier.
int64_t SomarParcelaC500(TxbSession& sessao, std::unique_ptr<TxbInsercaoRegistro>& insercao,
                         const std::string& codigo, const std::vector<std::string>& campos,
                         int bloco, int tipo, int64_t c500, const TParcelaC500& parcela);

// C501: the PIS of the PIS/COFINS model's utility bills, one row per CST
// and rate of a bill, inserted by that model's block-C writer.
class Th5RegistroEFDC501 : public Th0RegistroEFDC501 {
 public:
  void DestroyKLV() override;
  int64_t Incluir(int bloco, int tipo, int64_t c500, const TParcelaC500& parcela);

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
