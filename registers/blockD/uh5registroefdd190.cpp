#include "registers/blockD/uh5registroefdd190.h"

namespace efd {

void Th5RegistroEFDD190::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDD190::DestroyKLV();
}

int64_t Th5RegistroEFDD190::Incluir(int bloco, int tipo, int64_t d100, int, const TAnaliticoD& t,
                                    const std::string& cod_obs) {
  if (!insercao_)
    insercao_ = std::make_unique<TInsercaoSomada>(
        GetSession(), "D190",
        std::vector<std::string>{"IDF_RegEFDD100", "CST_ICMS", "AliqICMS", "CFOP"},
        std::vector<std::string>{"ValOpera", "BaseCalcICMS", "ValICMS", "ValRedBsCalc"},
        std::vector<std::string>{"CodObs"}, true);
  return insercao_->Incluir(bloco, tipo, {d100, t.cst, t.aliquota, t.cfop},
                            {t.operacao, t.base, t.icms, t.reducao}, {cod_obs});
}

}  // namespace efd
