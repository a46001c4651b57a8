// Register C170 of block C (see the class comment).
#pragma once

#include <memory>
#include <string>

#include "control/linhasregistros.h"
#include "control/uh5registrosefd.h"
#include "uh0registroefdc170.h"

namespace efd {

// One item of a goods document, as C170 stores it.
struct TItemC170 {
  std::string num_item, cod_item, descricao, unidade, ind_mov, cst_icms, cfop, cod_nat, ind_apur,
      cst_ipi, enq_ipi, cst_pis, cst_cofins, conta;
  double qtde = 0, valor = 0, desconto = 0, bc_icms = 0, aliq_icms = 0, icms = 0, bc_st = 0,
         aliq_st = 0, st = 0, bc_ipi = 0, aliq_ipi = 0, ipi = 0, bc_pis = 0, aliq_pis = 0,
         aliq_pis_reais = 0, pis = 0, bc_cofins = 0, aliq_cofins = 0, aliq_cofins_reais = 0,
         cofins = 0, abat_nt = 0;
};

// C170: the items of the goods documents, stored by the C100 generation and
// written by the C100 writer under their document, in item-number order.
//
// Storage: a "|" in the item number or code is stored as "(PIPE)"; the item
// number is kept as three digits, so that its text orders as its number.
// PIS and COFINS keep the quantity base and money rate when the money rate
// is above zero or the CST is "03", otherwise the base and percentage.
class Th5RegistroEFDC170 : public Th0RegistroEFDC170 {
 public:
  void DestroyKLV() override;
  int64_t Incluir(int bloco, int tipo, int64_t c100, const TItemC170& item);

  // The attributes the line carries, in the layout's order, for a file
  // starting at inicio (VL_ABAT_NT from 2019).
  static std::vector<std::string> CamposDaLinha(TDateTime inicio);
  // The item number of a line read with those attributes, without its
  // leading zeros.
  static void AjustarNumeroItem(std::vector<TVariant>& valores);
  // The PIS/COFINS model's line: its attributes, and the values as written
  // (the quantity only when above zero; PIS by its quantity base and money
  // rate when the money rate is above zero, else by base and percentage;
  // COFINS likewise, decided by its quantity base).
  static std::vector<std::string> CamposDaLinhaContribuicoes();
  static void AjustarLinhaContribuicoes(std::vector<TVariant>& valores);

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
