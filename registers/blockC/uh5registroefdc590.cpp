#include "registers/blockC/uh5registroefdc590.h"

#include "framework/xbsession.h"
#include "registers/blockC/uh5registroefdc190.h"

namespace efd {

void Th5RegistroEFDC590::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDC590::DestroyKLV();
}

const std::vector<std::string>& Th5RegistroEFDC590::CamposDaLinha() {
  static const std::vector<std::string> kCampos = {
      "CST_ICMS",        "CFOP",           "AliqICMS", "ValOpera", "BaseCalcICMS", "ValICMS",
      "BaseCalcSubTrib", "ValICMSSubTrib", "ValRed",   "CodObs"};
  return kCampos;
}

int64_t Th5RegistroEFDC590::Incluir(int bloco, int tipo, int64_t c500, const TAnaliticoC190& t,
                                    const std::string& cod_obs) {
  if (!insercao_) {
    std::vector<std::string> campos = CamposDaLinha();
    campos.push_back("IDF_RegEFDC500");
    insercao_ = std::make_unique<TxbInsercaoRegistro>(GetSession(), "C590", campos);
  }
  return insercao_->Inserir(bloco, tipo,
                            {t.cst, t.cfop, t.aliquota, t.operacao, t.base, t.icms, t.base_st, t.st,
                             t.reducao, cod_obs, c500});
}

}  // namespace efd
