#include "registers/blockC/uh5registroefdc510.h"

#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {

void Th5RegistroEFDC510::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDC510::DestroyKLV();
}

const std::vector<std::string>& Th5RegistroEFDC510::CamposDaLinha() {
  static const std::vector<std::string> kCampos = {
      "NumItem",  "CodItem", "CodClass",        "Qtde",         "Unid",
      "ValItem",  "ValDesc", "CST_ICMS",        "CFOP",         "BaseCalcICMS",
      "AliqICMS", "ValICMS", "BaseCalcSubTrib", "AliqSubsTrib", "ValICMSSubTrib",
      "IndRec",   "CodPart", "ValPIS",          "ValCOFINS",    "CodCtaAna"};
  return kCampos;
}

bool Th5RegistroEFDC510::SemICMSProprio(const std::string& cst) {
  const std::string c = Trim(cst);
  if (c.size() < 2) return false;
  const std::string fim = c.substr(c.size() - 2);
  return fim == "30" || fim == "40" || fim == "41" || fim == "50" || fim == "60";
}

int64_t Th5RegistroEFDC510::Incluir(int bloco, int tipo, int64_t c500, const TItemC510& i) {
  if (!insercao_) {
    std::vector<std::string> campos = CamposDaLinha();
    campos.push_back("IDF_RegEFDC500");
    insercao_ = std::make_unique<TxbInsercaoRegistro>(GetSession(), "C510", campos);
  }
  const bool sem_icms = SemICMSProprio(i.cst);
  return insercao_->Inserir(bloco, tipo,
                            {i.num_item,
                             i.cod_item,
                             i.cod_class,
                             i.qtde,
                             i.unidade,
                             i.valor,
                             i.desconto,
                             i.cst,
                             i.cfop,
                             sem_icms ? 0.0 : i.base,
                             sem_icms ? 0.0 : i.aliquota,
                             sem_icms ? 0.0 : i.icms,
                             i.base_st,
                             i.aliquota_st,
                             i.st,
                             i.ind_rec,
                             i.cod_part,
                             i.pis,
                             i.cofins,
                             i.conta,
                             c500});
}

}  // namespace efd
