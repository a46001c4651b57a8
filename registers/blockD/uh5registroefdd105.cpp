#include "registers/blockD/uh5registroefdd105.h"

namespace efd {

void Th5RegistroEFDD105::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDD105::DestroyKLV();
}

int64_t Th5RegistroEFDD105::Incluir(int bloco, int tipo, int64_t d100, int,
                                    const std::string& nat_frete, double vl_item,
                                    const std::string& cst, double base, double aliquota,
                                    double valor, const std::string& nat_bc_cred,
                                    const std::string& conta) {
  if (!insercao_)
    insercao_ = std::make_unique<TInsercaoSomada>(
        GetSession(), "D105",
        std::vector<std::string>{"IDF_RegEFDD100", "CST_COFINS", "ALIQ_COFINS"},
        std::vector<std::string>{"VL_ITEM", "VL_BC_COFINS", "VL_COFINS"},
        std::vector<std::string>{"IND_NAT_FRT", "NAT_BC_CRED", "COD_CTA"}, false);
  return insercao_->Incluir(bloco, tipo, {d100, cst, aliquota}, {vl_item, base, valor},
                            {nat_frete, nat_bc_cred, conta});
}

}  // namespace efd
