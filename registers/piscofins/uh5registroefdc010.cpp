#include "registers/piscofins/uh5registroefdc010.h"

#include <fmt/format.h>

#include "control/linhaefd.h"
#include "control/linhasregistros.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/blockC/consolidacoesc.h"
#include "registers/blockC/uh5registroefdc100.h"
#include "registers/blockC/uh5registroefdc170.h"

namespace efd {
namespace {

// C175 carries each contribution's pair like C170 (per unit or by
// percentage) and ends in a field nobody fills.
const std::vector<std::string> kCamposC175 = {"CFOP",
                                              "ValOpera",
                                              "ValDesc",
                                              "CSTPIS",
                                              "BaseCalcPIS",
                                              "AliqPIS",
                                              "BaseCalcQtdePIS",
                                              "AliqPISReais",
                                              "ValPIS",
                                              "CSTCOFINS",
                                              "BaseCalcCOFINS",
                                              "AliqCOFINS",
                                              "BaseCalcQtdeCOFINS",
                                              "AliqCOFINSReais",
                                              "ValCOFINS",
                                              "CodCtaCtbAnal"};

void AjustarC175(std::vector<TVariant>& v) {
  v.emplace_back();
}

// A CST the ERP gave with one digit is written with two.
void CstComDoisDigitos(TVariant& cst) {
  const std::string texto = TextoDoCampo(cst);
  if (texto.size() == 1) cst = "0" + texto;
}

// C481 and C485: CST, item value, then base, rate, quantity base and rate
// per unit, each written only when greater than 0.
std::vector<std::string> CamposResumoECF(const std::string& t) {
  return {"CST_" + t,  "VL_ITEM",       "VL_BC_" + t,
          "ALIQ_" + t, "QUANT_BC_" + t, "ALIQ_" + t + "_QUANT",
          "VL_" + t,   "COD_ITEM",      "COD_CTA"};
}
// The four fields of base and rate from the first given on.
void SoAcimaDeZero(std::vector<TVariant>& v, size_t primeiro) {
  for (size_t i = primeiro; i < primeiro + 4; ++i)
    if (v[i].IsNull() || v[i].AsFloat() <= 0) v[i] = TVariant();
}
void AjustarResumoECF(std::vector<TVariant>& v) {
  CstComDoisDigitos(v[0]);
  SoAcimaDeZero(v, 2);
}

// C491 and C495: item, CST, CFOP, item value, then base, rate, quantity
// base and rate per unit, each written only when greater than 0.
std::vector<std::string> CamposConsolidacaoECF(const std::string& t) {
  return {"COD_ITEM",   "CST_" + t,  "CFOP",          "VL_ITEM",
          "VL_BC_" + t, "ALIQ_" + t, "QUANT_BC_" + t, "ALIQ_" + t + "_QUANT",
          "VL_" + t,    "COD_CTA"};
}
void AjustarConsolidacaoECF(std::vector<TVariant>& v) {
  CstComDoisDigitos(v[1]);
  SoAcimaDeZero(v, 4);
}

// C490's period is kept as dates.
void AjustarPeriodoC490(std::vector<TVariant>& v) {
  for (size_t i : {0, 1}) v[i] = v[i].IsNull() ? std::string() : FormatarData(v[i].AsDateTime());
}

// C501 and C505: CST, item value, nature of the credit's base, base, rate,
// value and account.
void AjustarParcelaC500(std::vector<TVariant>& v) {
  CstComDoisDigitos(v[0]);
}

const std::vector<std::string> kCamposC500 = {
    "CodPart",    "CodModel", "CodSit",  "Serie",  "SubSerie", "NroDocto", "DataEmi",
    "DataEntSai", "ValDocto", "ValICMS", "CodInf", "ValPIS",   "ValCOFINS"};

}  // namespace

std::string Th5RegistroEFDC010::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Bloco C");
  const TxbCabecalhoEFD cabecalho = LerCabecalhoEFD(sessao, id_efd);
  if (Trim(cabecalho.modelo) != "2") return "";
  const int bloco = IdBloco(id_efd, "Bloco C");
  ThbClientDataSet& estabelecimentos = GetDados().GetCDS();
  if (bloco > 0) AbrirRegistrosDoBloco(bloco, "2");
  TxbLinhasEFD linhas(sessao);
  if (bloco == 0 || estabelecimentos.IsEmpty()) {
    linhas.AdicionarPronta("|C001|1|");
  } else {
    linhas.AdicionarPronta("|C001|0|");
    TxbRegistroFilho c111{"C111", "IDF_RegEFDC110", {"NumProc", "IndProc"}};
    TxbRegistroFilho c110 = Th5RegistroEFDC100::RegistroC110(c111);
    TxbRegistroFilho c120 = Th5RegistroEFDC100::RegistroC120();
    TxbRegistroFilho c170{
        "C170", "IDF_RegEFDC100", Th5RegistroEFDC170::CamposDaLinhaContribuicoes(), {}, "NUMITEM"};
    c170.ajustar = Th5RegistroEFDC170::AjustarLinhaContribuicoes;
    TxbRegistroFilho c175{"C175", "IDF_RegEDFC100", kCamposC175};
    c175.ajustar = AjustarC175;
    TxbRegistroFilho c100{"C100",
                          "IDF_RegEFDC010",
                          Th5RegistroEFDC100::CamposDaLinhaC100(),
                          {&c110, &c120, &c170, &c175}};
    c100.ajustar = Th5RegistroEFDC100::AjustarValoresC100;
    TxbRegistroFilho c481{"C481", "IDF_RegEFDC405", CamposResumoECF("PIS")};
    c481.ajustar = AjustarResumoECF;
    TxbRegistroFilho c485{"C485", "IDF_RegEFDC405", CamposResumoECF("COFINS")};
    c485.ajustar = AjustarResumoECF;
    TxbRegistroFilho c405{"C405",
                          "IDF_RegEFDC400",
                          {"DataMov", "CRO", "CRZ", "COO", "ValGrandeTot", "ValorBruto"},
                          {&c481, &c485}};
    TxbRegistroFilho c400{
        "C400", "IDF_RegEFDC010", {"CodModel", "ModeloEquip", "NumSerie", "NumCaixa"}, {&c405}};
    TxbRegistroFilho c491{"C491", "IDF_RegEFDC490", CamposConsolidacaoECF("PIS")};
    c491.ajustar = AjustarConsolidacaoECF;
    TxbRegistroFilho c495{"C495", "IDF_RegEFDC490", CamposConsolidacaoECF("COFINS")};
    c495.ajustar = AjustarConsolidacaoECF;
    TxbRegistroFilho c490{
        "C490", "IDF_RegEFDC010", {"DT_DOC_INI", "DT_DOC_FIN", "COD_MOD"}, {&c491, &c495}};
    c490.ajustar = AjustarPeriodoC490;
    TxbRegistroFilho c501{
        "C501",
        "IDF_RegEFDC500",
        {"CST_PIS", "VL_ITEM", "NAT_BC_CRE", "VL_BC_PIS", "ALIQ_PIS", "VL_PIS", "COD_CTA"}};
    c501.ajustar = AjustarParcelaC500;
    TxbRegistroFilho c505{"C505",
                          "IDF_RegEFDC500",
                          {"CST_COFINS", "VL_ITEM", "NAT_BC_CRED", "VL_BC_COFINS", "ALIQ_COFINS",
                           "VL_COFINS", "COD_CTA"}};
    c505.ajustar = AjustarParcelaC500;
    TxbRegistroFilho c509{"C509", "IDF_RegEFDC500", {"NUM_PROC", "IND_PROC"}};
    // The bill's electronic key ends the line from 2020 on.
    std::vector<std::string> campos_c500 = kCamposC500;
    if (cabecalho.inicio.Ano() >= 2020) campos_c500.push_back("CHV_DOCe");
    TxbRegistroFilho c500{"C500", "IDF_RegEFDC010", campos_c500, {&c501, &c505, &c509}};
    TEscritaConsolidacoesC consolidacoes;
    for (estabelecimentos.First(); !estabelecimentos.Eof(); estabelecimentos.Next()) {
      AtualizarAvanco(id_efd, "C010", estabelecimentos.RecNo(), estabelecimentos.RecordCount());
      const std::string cnpj = Texto("RegEFDC010_CNPJ");
      AtualizarMensagem(id_efd, "Gerando Arquivo EFD - C010 - Filial CNPJ [" + cnpj + "]");
      linhas.Adicionar("C010", {cnpj, Texto("RegEFDC010_INC_ESCRI")});
      const int64_t id = Campo("RegEFDC010_ID").AsInteger();
      c100.EscreverPorPaginas(sessao, linhas, bloco, id, [] {});
      consolidacoes.Escrever(sessao, linhas, bloco, id);
      for (TxbRegistroFilho* familia : {&c400, &c490, &c500})
        familia->EscreverPorPaginas(sessao, linhas, bloco, id, [] {});
    }
  }
  linhas.AdicionarPronta(fmt::format("|C990|{}|", linhas.Quantidade() + 1));
  GravarContador("QtdeLinhasBloco_C", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
