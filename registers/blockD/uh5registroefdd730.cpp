#include "registers/blockD/uh5registroefdd730.h"

namespace efd {

void Th5RegistroEFDD730::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDD730::DestroyKLV();
}

int64_t Th5RegistroEFDD730::Incluir(int bloco, int tipo, int64_t d700, int, const std::string& cst,
                                    const std::string& cfop, double aliquota, double operacao,
                                    double base, double icms, double reducao,
                                    const std::string& cod_obs) {
  if (!insercao_)
    insercao_ = std::make_unique<TxbInsercaoRegistro>(
        GetSession(), "D730",
        std::vector<std::string>{"IDF_RegEFDD700", "CST_ICMS", "CFOP", "ALIQ_ICMS", "VL_OPR",
                                 "VL_BC_ICMS", "VL_ICMS", "VL_RED_BC", "COD_OBS"});
  return insercao_->Inserir(bloco, tipo,
                            {d700, cst, cfop, aliquota, operacao, base, icms, reducao, cod_obs});
}

}  // namespace efd
