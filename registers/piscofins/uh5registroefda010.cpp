#include "registers/piscofins/uh5registroefda010.h"

#include <fmt/format.h>

#include "control/linhasregistros.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {
namespace {

const std::vector<std::string> kCamposA100 = {
    "IND_OPER",     "IND_EMIT",  "COD_PART",   "COD_SIT",       "SER",
    "SUB",          "NUM_DOC",   "CHV_NFSE",   "DT_DOC",        "DT_EXE_SERV",
    "VL_DOC",       "IND_PGTO",  "VL_DESC",    "VL_BC_PIS",     "VL_PIS",
    "VL_BC_COFINS", "VL_COFINS", "VL_PIS_RET", "VL_COFINS_RET", "VL_ISS"};
constexpr size_t kSituacaoA100 = 3, kDataDocumentoA100 = 8;

const std::vector<std::string> kCamposA170 = {
    "NUM_ITEM",      "COD_ITEM",    "DESCR_COMPL", "VL_ITEM",  "VAL_DESC", "NAT_BC_CRED",
    "IND_ORIG_CRED", "CST_PIS",     "VL_BC_PIS",   "ALIQ_PIS", "VL_PIS",   "CST_COFINS",
    "VL_BC_COFINS",  "ALIQ_COFINS", "VL_COFINS",   "COD_CTA",  "COD_CUS"};

// Dates are stored as dates; the file wants "DDMMYYYY", empty for none.
void AjustarA100(std::vector<TVariant>& v) {
  v[kSituacaoA100] = Th5RegistroEFDA010::RetornarSituacaoPeloIndice(TextoDoCampo(v[kSituacaoA100]));
  for (size_t i : {kDataDocumentoA100, kDataDocumentoA100 + 1})
    v[i] = v[i].IsNull() ? std::string() : FormatarData(v[i].AsDateTime());
}

// A base and its rate are written only when there is a base; the CSTs
// always with two digits.
void AjustarA170(std::vector<TVariant>& v) {
  for (size_t cst : {size_t{7}, size_t{11}}) {
    const std::string t = TextoDoCampo(v[cst]);
    v[cst] = PreencherZerosEsquerda(std::to_string(TextoParaInteiroDef(t, 0)), 2);
    for (size_t i : {cst + 1, cst + 2})
      if (v[i].IsNull() || v[i].AsFloat() <= 0) v[i] = TVariant();
  }
}

}  // namespace

std::string Th5RegistroEFDA010::RetornarSituacaoPeloIndice(const std::string& codigo) {
  return Trim(codigo) == "1" ? "02" : "00";
}

std::string Th5RegistroEFDA010::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Bloco A");
  if (Trim(LerCabecalhoEFD(sessao, id_efd).modelo) != "2") return "";
  const int bloco = IdBloco(id_efd, "Bloco A");
  ThbClientDataSet& estabelecimentos = GetDados().GetCDS();
  if (bloco > 0) AbrirRegistrosDoBloco(bloco, "2");
  TxbLinhasEFD linhas(sessao);
  if (bloco == 0 || estabelecimentos.IsEmpty()) {
    linhas.AdicionarPronta("|A001|1|");
  } else {
    linhas.AdicionarPronta("|A001|0|");
    TxbRegistroFilho a110{"A110", "IDF_RegEFDA100", {"COD_INF", "TXT_COMPL"}};
    a110.ajustar = [](std::vector<TVariant>& v) {
      v[1] = Trim(TextoNumaLinha(v[1].IsNull() ? "" : v[1].AsString()));
    };
    TxbRegistroFilho a170{"A170", "IDF_RegEFDA100", kCamposA170, {}, "NUM_ITEM"};
    a170.ajustar = AjustarA170;
    TxbRegistroFilho a100{"A100", "IDF_RegEFDA010", kCamposA100, {&a110, &a170}};
    a100.ajustar = AjustarA100;
    for (estabelecimentos.First(); !estabelecimentos.Eof(); estabelecimentos.Next()) {
      AtualizarAvanco(id_efd, "A010", estabelecimentos.RecNo(), estabelecimentos.RecordCount());
      linhas.Adicionar("A010", {Texto("RegEFDA010_CNPJ")});
      a100.EscreverPorPaginas(sessao, linhas, bloco, Campo("RegEFDA010_ID").AsInteger(), [] {});
    }
  }
  linhas.AdicionarPronta(fmt::format("|A990|{}|", linhas.Quantidade() + 1));
  GravarContador("QtdeLinhasBloco_A", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
