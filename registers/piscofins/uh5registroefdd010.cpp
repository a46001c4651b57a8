#include "registers/piscofins/uh5registroefdd010.h"

#include <fmt/format.h>

#include "control/linhaefd.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/blockC/linhasblococ.h"
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
    for (estabelecimentos.First(); !estabelecimentos.Eof(); estabelecimentos.Next()) {
      AtualizarAvanco(id_efd, "D010", estabelecimentos.RecNo(), estabelecimentos.RecordCount());
      linhas.Adicionar("D010", {Texto("RegEFDD010_CNPJ")});
      const int64_t id = Campo("RegEFDD010_ID").AsInteger();
      d100.EscreverPorPaginas(sessao, linhas, bloco, id, [] {});
      d500.EscreverPorPaginas(sessao, linhas, bloco, id, [] {});
    }
  }
  linhas.AdicionarPronta(fmt::format("|D990|{}|", linhas.Quantidade() + 1));
  GravarContador(kContadorBlocoD, linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
