#include "registers/piscofins/uh5registroefda170.h"

#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "framework/xbsession.h"

namespace efd {

void Th5RegistroEFDA170::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDA170::DestroyKLV();
}

int Th5RegistroEFDA170::INTERNO_Incluir(
    int, int bloco, int tipo, int id_a100, int item, const std::string& codigo,
    const std::string& descricao, double valor, double desconto, const std::string& natureza,
    const std::string& origem, const std::string& cst_pis, double base_pis, double aliquota_pis,
    double pis, const std::string& cst_cofins, double base_cofins, double aliquota_cofins,
    double cofins, const std::string& conta, const std::string& centro_custo, int) {
  if (!insercao_)
    insercao_ = std::make_unique<TxbInsercaoRegistro>(
        GetSession(), "A170",
        std::vector<std::string>{"IDF_RegEFDA100", "NUM_ITEM", "COD_ITEM", "DESCR_COMPL", "VL_ITEM",
                                 "VAL_DESC", "NAT_BC_CRED", "IND_ORIG_CRED", "CST_PIS", "VL_BC_PIS",
                                 "ALIQ_PIS", "VL_PIS", "CST_COFINS", "VL_BC_COFINS", "ALIQ_COFINS",
                                 "VL_COFINS", "COD_CTA", "COD_CUS"});
  // The tyre module gives its discounts elsewhere.
  if (Aplicacao().ChecarFamiliaRegistrada("DesenhoDRVPneus")) desconto = 0;
  return static_cast<int>(insercao_->Inserir(
      bloco, tipo,
      {id_a100, item, codigo, descricao, valor, desconto, natureza, origem, cst_pis, base_pis,
       aliquota_pis, pis, cst_cofins, base_cofins, aliquota_cofins, cofins, conta, centro_custo}));
}

}  // namespace efd
