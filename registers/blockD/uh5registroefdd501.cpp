#include "registers/blockD/uh5registroefdd501.h"

namespace efd {

void Th5RegistroEFDD501::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDD501::DestroyKLV();
}

int64_t Th5RegistroEFDD501::Incluir(int bloco, int tipo, int64_t d500, int,
                                    const std::string& nat_bc_cred, double vl_item,
                                    const std::string& cst, double base, double aliquota,
                                    double valor, const std::string& conta) {
  if (!insercao_)
    insercao_ = std::make_unique<TInsercaoSomada>(
        GetSession(), "D501", std::vector<std::string>{"IDF_RegEFDD500", "CST_PIS", "ALIQ_PIS"},
        std::vector<std::string>{"VL_ITEM", "VL_BC_PIS", "VL_PIS"},
        std::vector<std::string>{"NAT_BC_CRED", "COD_CTA"}, false);
  return insercao_->Incluir(bloco, tipo, {d500, cst, aliquota}, {vl_item, base, valor},
                            {nat_bc_cred, conta});
}

}  // namespace efd
