#include "registers/blockD/uh5registroefdd111.h"

namespace efd {

void Th5RegistroEFDD111::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDD111::DestroyKLV();
}

int64_t Th5RegistroEFDD111::Incluir(int bloco, int tipo, int64_t d100, int,
                                    const std::string& processo, const std::string& origem) {
  if (!insercao_)
    insercao_ = std::make_unique<TxbInsercaoRegistro>(
        GetSession(), "D111", std::vector<std::string>{"IDF_RegEFDD100", "NUM_PROC", "IND_PROC"});
  return insercao_->Inserir(bloco, tipo, {d100, processo, origem});
}

}  // namespace efd
