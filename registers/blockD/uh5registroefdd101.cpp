#include "registers/blockD/uh5registroefdd101.h"

namespace efd {

void Th5RegistroEFDD101::DestroyKLV() {
  pis_.reset();
  icms_.reset();
  Th0RegistroEFDD101::DestroyKLV();
}

int64_t Th5RegistroEFDD101::Incluir(int bloco, int tipo, int64_t d100, int,
                                    const std::string& nat_frete, double vl_item,
                                    const std::string& cst, const std::string& nat_bc_cred,
                                    double base, double aliquota, double valor,
                                    const std::string& conta) {
  if (!pis_)
    pis_ = std::make_unique<TInsercaoSomada>(
        GetSession(), "D101", std::vector<std::string>{"IDF_RegEFDD100", "CST_PIS", "ALIQ_PIS"},
        std::vector<std::string>{"VL_ITEM", "VL_BC_CRED", "VL_PIS"},
        std::vector<std::string>{"IND_NAT_FRE", "NAT_BC_CRED", "COD_CTA"}, false);
  return pis_->Incluir(bloco, tipo, {d100, cst, aliquota}, {vl_item, base, valor},
                       {nat_frete, nat_bc_cred, conta});
}

int64_t Th5RegistroEFDD101::Incluir_Novo(int bloco, int tipo, int64_t d100, double fcp_dest,
                                         double icms_dest, double icms_rem) {
  if (!icms_)
    icms_ = std::make_unique<TxbInsercaoRegistro>(
        GetSession(), "D101",
        std::vector<std::string>{"IDF_RegEFDD100", "VL_FCP_DEST", "VL_ICMS_DEST", "VL_ICMS_REM"});
  return icms_->Inserir(bloco, tipo, {d100, fcp_dest, icms_dest, icms_rem});
}

}  // namespace efd
