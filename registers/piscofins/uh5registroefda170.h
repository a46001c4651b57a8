// Register A170 of block A (see the class comment).
#pragma once

#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefda170.h"

namespace efd {

class TxbInsercaoRegistro;

// A170: an item of a service document. Incluir (EFD, block, register type,
// A100 row, item number, item code, description, value, discount, nature of
// the credit's base, origin of the credit, CST, base, rate and value of PIS,
// the same of COFINS, account, cost centre, unused) stores one item as
// given, the discount as 0 where the ERP's tyre module is registered;
// returns the row.
class Th5RegistroEFDA170 : public Th0RegistroEFDA170 {
 public:
  void DestroyKLV() override;
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, int id_a100, int item,
                      const std::string& codigo, const std::string& descricao, double valor,
                      double desconto, const std::string& natureza, const std::string& origem,
                      const std::string& cst_pis, double base_pis, double aliquota_pis, double pis,
                      const std::string& cst_cofins, double base_cofins, double aliquota_cofins,
                      double cofins, const std::string& conta, const std::string& centro_custo,
                      int) override;

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;  // prepared on the first item
};

}  // namespace efd
