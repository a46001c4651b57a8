#include "registers/blockD/uh5registroefdd195.h"

namespace efd {

void Th5RegistroEFDD195::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDD195::DestroyKLV();
}

int64_t Th5RegistroEFDD195::Incluir(int bloco, int tipo, int64_t d100, int,
                                    const std::string& cod_obs, const std::string& texto) {
  if (!insercao_)
    insercao_ = std::make_unique<TxbInsercaoRegistro>(
        GetSession(), "D195", std::vector<std::string>{"IDF_RegEFDD100", "COD_OBS", "TXT_COMPL"});
  return insercao_->Inserir(bloco, tipo, {d100, cod_obs, texto});
}

}  // namespace efd
