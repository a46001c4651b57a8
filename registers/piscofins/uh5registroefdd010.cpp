#include "registers/piscofins/uh5registroefdd010.h"

#include <fmt/format.h>

#include "control/linhaefd.h"
#include "control/linhasregistros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/blockD/consolidacoesd.h"
#include "registers/blockD/escritad.h"

namespace efd {
namespace {

const std::vector<std::string> kCamposD100 = {
    "IndOper",     "IndEmit",    "CodPart",  "CodModelo", "CodSit",        "Serie",
    "SubSerie",    "NroDocto",   "ChaveCTE", "DataEmi",   "DataAquiPrest", "TipoCTe",
    "ChaveCTeRef", "ValDocto",   "ValDesc",  "IndFrete",  "ValServ",       "BaseCalcICMS",
    "ValICMS",     "ValNaoTrib", "CodInf",   "CodCtaAna"};
const std::vector<std::string> kCamposD500 = {
    "IndOpera",    "IndEmit",    "CodPart",      "CodModel", "CodSit",  "Serie",    "SubSerie",
    "NroDocto",    "DataEmi",    "DataEntSai",   "ValDocto", "ValDesc", "ValServ",  "ValServNTICMS",
    "ValNomeTerc", "ValOutDesp", "BaseCalcICMS", "ValICMS",  "CodInf",  "ValorPIS", "ValorCOFINS"};
const std::vector<std::string> kCamposD200 = {"COD_MOD",     "COD_SIT",     "SER",  "SUB",
                                              "NUM_DOC_INI", "NUM_DOC_FIN", "CFOP", "DT_REF",
                                              "VL_DOC",      "VL_DESC"};
constexpr size_t kSituacaoD200 = 1, kDataD200 = 7;
const std::vector<std::string> kCamposD600 = {
    "COD_MOD",    "COD_MUN",    "SER",        "SUB",     "IND_REC", "QTD_CONS",
    "DT_DOC_INI", "DT_DOC_FIN", "VL_DOC",     "VL_DESC", "VL_SERV", "VL_SERV_NT",
    "VL_TERC",    "VL_DA",      "VL_BC_ICMS", "VL_ICMS", "VL_PIS",  "VL_COFINS"};
constexpr size_t kPeriodoD600 = 6;

// The situation is kept as a number and the day as a date.
void AjustarD200(std::vector<TVariant>& v) {
  v[kSituacaoD200] = PreencherZerosEsquerda(TextoDoCampo(v[kSituacaoD200]), 2);
  v[kDataD200] = v[kDataD200].IsNull() ? std::string() : FormatarData(v[kDataD200].AsDateTime());
}

// The period's days are kept as the ERP writes them, "DD/MM/YYYY".
void AjustarD600(std::vector<TVariant>& v) {
  for (size_t i : {kPeriodoD600, kPeriodoD600 + 1})
    v[i] = SubstituirTodos(TextoDoCampo(v[i]), "/", "");
}

}  // namespace

std::string Th5RegistroEFDD010::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Bloco D");
  if (Trim(LerCabecalhoEFD(sessao, id_efd).modelo) != "2") return "";
  const int bloco = IdBloco(id_efd, "Bloco D");
  ThbClientDataSet& estabelecimentos = GetDados().GetCDS();
  if (bloco > 0) AbrirRegistrosDoBloco(bloco, "2");
  TxbLinhasEFD linhas(sessao);
  if (bloco == 0 || estabelecimentos.IsEmpty()) {
    linhas.AdicionarPronta("|D001|1|");
  } else {
    linhas.AdicionarPronta("|D001|0|");
    TxbRegistroFilho d101{"D101",
                          "IDF_RegEFDD100",
                          {"IND_NAT_FRE", "VL_ITEM", "CST_PIS", "NAT_BC_CRED", "VL_BC_CRED",
                           "ALIQ_PIS", "VL_PIS", "COD_CTA"}};
    TxbRegistroFilho d105{"D105",
                          "IDF_RegEFDD100",
                          {"IND_NAT_FRT", "VL_ITEM", "CST_COFINS", "NAT_BC_CRED", "VL_BC_COFINS",
                           "ALIQ_COFINS", "VL_COFINS", "COD_CTA"}};
    TxbRegistroFilho d100{"D100", "IDF_RegEFDD010", kCamposD100, {&d101, &d105}};
    TxbRegistroFilho d501{
        "D501",
        "IDF_RegEFDD500",
        {"CST_PIS", "VL_ITEM", "NAT_BC_CRED", "VL_BC_PIS", "ALIQ_PIS", "VL_PIS", "COD_CTA"}};
    TxbRegistroFilho d505{"D505",
                          "IDF_RegEFDD500",
                          {"CST_COFINS", "VL_ITEM", "NAT_BC_CRED", "VL_BC_COFINS", "ALIQ_COFINS",
                           "VL_COFINS", "COD_CTA"}};
    TxbRegistroFilho d500{"D500", "IDF_RegEFDD010", kCamposD500, {&d501, &d505}};
    TxbRegistroFilho d201{"D201", "IDF_RegEFDD200", CamposConsolidadosD("PIS", false)};
    TxbRegistroFilho d205{"D205", "IDF_RegEFDD200", CamposConsolidadosD("COFINS", false)};
    TxbRegistroFilho d200{"D200", "IDF_RegEFDD010", kCamposD200, {&d201, &d205}};
    d200.ajustar = AjustarD200;
    TxbRegistroFilho d601{"D601", "IDF_RegEFDD600", CamposConsolidadosD("PIS", true)};
    TxbRegistroFilho d605{"D605", "IDF_RegEFDD600", CamposConsolidadosD("COFINS", true)};
    TxbRegistroFilho d600{"D600", "IDF_RegEFDD010", kCamposD600, {&d601, &d605}};
    d600.ajustar = AjustarD600;
    for (estabelecimentos.First(); !estabelecimentos.Eof(); estabelecimentos.Next()) {
      AtualizarAvanco(id_efd, "D010", estabelecimentos.RecNo(), estabelecimentos.RecordCount());
      linhas.Adicionar("D010", {Texto("RegEFDD010_CNPJ")});
      const int64_t id = Campo("RegEFDD010_ID").AsInteger();
      for (TxbRegistroFilho* familia : {&d100, &d200, &d500, &d600})
        familia->EscreverPorPaginas(sessao, linhas, bloco, id, [] {});
    }
  }
  linhas.AdicionarPronta(fmt::format("|D990|{}|", linhas.Quantidade() + 1));
  GravarContador(kContadorBlocoD, linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
