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

// Positions in the written line of the quantity and of the first field of
// each contribution's group (base, percentage, quantity base, money rate).
constexpr size_t kQtde = 3;
constexpr size_t kGrupoPIS = 24;
constexpr size_t kGrupoCOFINS = 30;

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
  std::vector<std::string> campos = CamposDaLinhaContribuicoes();
  if (inicio.Ano() >= 2019) campos.push_back("VL_ABAT_NT");
  return campos;
}

std::vector<std::string> Th5RegistroEFDC170::CamposDaLinhaContribuicoes() {
  return {kCamposArmazenados.begin(), kCamposArmazenados.end() - 2};
}

void Th5RegistroEFDC170::AjustarNumeroItem(std::vector<TVariant>& v) {
  // The item number is stored as digits with leading zeros.
  const std::string n = TextoDoCampo(v[0]);
  if (TextoEhInteiro(n)) v[0] = std::to_string(TextoParaInteiro(n));
}

void Th5RegistroEFDC170::AjustarLinhaContribuicoes(std::vector<TVariant>& v) {
  AjustarNumeroItem(v);
  if (v[kQtde].IsNull() || v[kQtde].AsFloat() <= 0) v[kQtde] = TVariant();
  auto acima_de_zero = [&v](size_t i) { return !v[i].IsNull() && v[i].AsFloat() > 0; };
  auto escolher = [&v](size_t grupo, bool por_unidade) {
    // base, percentage, quantity base, money rate
    const size_t vazios[] = {por_unidade ? grupo : grupo + 2, por_unidade ? grupo + 1 : grupo + 3};
    for (size_t i : vazios) v[i] = TVariant();
  };
  escolher(kGrupoPIS, acima_de_zero(kGrupoPIS + 3));
  escolher(kGrupoCOFINS, acima_de_zero(kGrupoCOFINS + 2));
}

}  // namespace efd
