#include "registers/blockC/uh5registroefdc170.h"

#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

const std::vector<std::string> kCamposArmazenados = {"NumItem",
                                                     "CodItem",
                                                     "DescCompl",
                                                     "Qtde",
                                                     "UnidItem",
                                                     "ValTotItem",
                                                     "ValDesc",
                                                     "IndMov",
                                                     "CST_ICMS",
                                                     "CFOP",
                                                     "CodNat",
                                                     "BaseCalcICMS",
                                                     "AliqICMS",
                                                     "ValICMS",
                                                     "BaseCalcSubTrib",
                                                     "AliqSubTrib",
                                                     "ValICMSSubTrib",
                                                     "IndApura",
                                                     "CTS_IPI",
                                                     "CodEnqIPI",
                                                     "BaseCalcIPI",
                                                     "AliqIPI",
                                                     "ValIPI",
                                                     "CST_PIS",
                                                     "BaseCalcPIS",
                                                     "AliqPISPerc",
                                                     "QtdeBaseCalcPIS",
                                                     "AliqPISReais",
                                                     "ValPIS",
                                                     "CST_COFINS",
                                                     "BaseCalcCOFINS",
                                                     "AliqCOFINSPerc",
                                                     "QtdBaseCalcCOFINS",
                                                     "AliqCOFINSReais",
                                                     "ValCOFINS",
                                                     "CodCtaCtbAnal",
                                                     "VL_ABAT_NT",
                                                     "IDF_RegEFDC100"};

std::string SemBarra(const std::string& s) {
  return SubstituirTodos(s, "|", "(PIPE)");
}

// A number of up to three digits as three digits; anything else as it is.
std::string NumeroDoItem(const std::string& numero) {
  const std::string n = SemBarra(Trim(numero));
  return TextoEhInteiro(n) && n.size() < 3 ? std::string(3 - n.size(), '0') + n : n;
}

}  // namespace

void Th5RegistroEFDC170::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDC170::DestroyKLV();
}

int64_t Th5RegistroEFDC170::Incluir(int bloco, int tipo, int64_t c100, const TItemC170& i) {
  if (!insercao_)
    insercao_ = std::make_unique<TxbInsercaoRegistro>(GetSession(), "C170", kCamposArmazenados);
  // Per unit or by percentage: the pair that does not apply stays empty.
  const bool pis_por_unidade = i.aliq_pis_reais > 0 || i.cst_pis == "03";
  const bool cofins_por_unidade = i.aliq_cofins_reais > 0 || i.cst_cofins == "03";
  const TVariant nada;
  auto se = [&nada](bool condicao, double valor) { return condicao ? TVariant(valor) : nada; };
  return insercao_->Inserir(bloco, tipo,
                            {NumeroDoItem(i.num_item),
                             SemBarra(Trim(i.cod_item)),
                             i.descricao,
                             i.qtde,
                             i.unidade,
                             i.valor,
                             i.desconto,
                             i.ind_mov,
                             i.cst_icms,
                             i.cfop,
                             i.cod_nat,
                             i.bc_icms,
                             i.aliq_icms,
                             i.icms,
                             i.bc_st,
                             i.aliq_st,
                             i.st,
                             i.ind_apur,
                             i.cst_ipi,
                             i.enq_ipi,
                             i.bc_ipi,
                             i.aliq_ipi,
                             i.ipi,
                             i.cst_pis,
                             se(!pis_por_unidade, i.bc_pis),
                             se(!pis_por_unidade, i.aliq_pis),
                             se(pis_por_unidade, i.bc_pis),
                             se(pis_por_unidade, i.aliq_pis_reais),
                             i.pis,
                             i.cst_cofins,
                             se(!cofins_por_unidade, i.bc_cofins),
                             se(!cofins_por_unidade, i.aliq_cofins),
                             se(cofins_por_unidade, i.bc_cofins),
                             se(cofins_por_unidade, i.aliq_cofins_reais),
                             i.cofins,
                             i.conta,
                             i.abat_nt,
                             c100});
}

std::vector<std::string> Th5RegistroEFDC170::CamposDaLinha(TDateTime inicio) {
  std::vector<std::string> campos(kCamposArmazenados.begin(), kCamposArmazenados.end() - 2);
  if (inicio.Ano() >= 2019) campos.push_back("VL_ABAT_NT");
  return campos;
}

}  // namespace efd
