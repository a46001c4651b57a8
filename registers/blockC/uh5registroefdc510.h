// Register C510 of block C (see the class comment).
#pragma once

#include <memory>
#include <string>

#include "control/linhasregistros.h"
#include "control/uh5registrosefd.h"
#include "uh0registroefdc510.h"

namespace efd {

// One item of a utility bill as C510 stores it.
struct TItemC510 {
  std::string num_item, cod_item, cod_class, unidade, cst, cfop, ind_rec, cod_part, conta;
  double qtde = 0, valor = 0, desconto = 0, base = 0, aliquota = 0, icms = 0, base_st = 0,
         aliquota_st = 0, st = 0, pis = 0, cofins = 0;
};

// C510: the items of a utility bill, stored by the C500 generation under
// their bill and written by the C500 writer.
class Th5RegistroEFDC510 : public Th0RegistroEFDC510 {
 public:
  void DestroyKLV() override;
  // Inserts one item under the C500 row; the new row. A CST whose last two
  // digits say the operation bears no ICMS of its own (30, 40, 41, 50, 60)
  // stores base, rate and ICMS as 0, whatever the item carries.
  int64_t Incluir(int bloco, int tipo, int64_t c500, const TItemC510& item);

  static const std::vector<std::string>& CamposDaLinha();
  // Whether a CST keeps its ICMS out of the item.
  static bool SemICMSProprio(const std::string& cst);

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
