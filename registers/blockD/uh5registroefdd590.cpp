#include "registers/blockD/uh5registroefdd590.h"

namespace efd {

void Th5RegistroEFDD590::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDD590::DestroyKLV();
}

int64_t Th5RegistroEFDD590::Incluir(int bloco, int tipo, int64_t d500, int, const TAnaliticoD& t,
                                    const std::string& cod_obs) {
  if (!insercao_)
    insercao_ = std::make_unique<TxbInsercaoRegistro>(
        GetSession(), "D590",
        std::vector<std::string>{"IDF_RegEFDD500", "CSTICMS", "CFOP", "AliqICMS", "ValOpera",
                                 "BaseCalcICMS", "ValorICMS", "BaseCalcICMSST", "ValICMSST",
                                 "ValRedBC", "CodObs"});
  return insercao_->Inserir(bloco, tipo,
                            {d500, t.cst, t.cfop, t.aliquota, t.operacao, t.base, t.icms, t.base_st,
                             t.st, t.reducao, cod_obs});
}

}  // namespace efd
