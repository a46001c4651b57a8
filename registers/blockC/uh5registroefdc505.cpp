#include "registers/blockC/uh5registroefdc505.h"

namespace efd {

void Th5RegistroEFDC505::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDC505::DestroyKLV();
}

int64_t Th5RegistroEFDC505::Incluir(int bloco, int tipo, int64_t c500, const TParcelaC500& p) {
  static const std::vector<std::string> kCampos = {"CST_COFINS",   "VL_ITEM",     "NAT_BC_CRED",
                                                   "VL_BC_COFINS", "ALIQ_COFINS", "VL_COFINS",
                                                   "COD_CTA"};
  return SomarParcelaC500(GetSession(), insercao_, "C505", kCampos, bloco, tipo, c500, p);
}

}  // namespace efd
