#include "registers/piscofins/uh5registroefdf010.h"

#include <fmt/format.h>

#include "control/linhasregistros.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/piscofins/receitaspresumidas.h"

namespace efd {
namespace {

const std::vector<std::string> kCamposF100 = {
    "IND_OPER",  "COD_PART",    "COD_ITEM",      "DT_OPER",    "VL_OPER",      "CST_PIS",
    "VL_BC_PIS", "ALIQ_PIS",    "VL_PIS",        "CST_COFINS", "VL_BC_COFINS", "ALIQ_COFINS",
    "VL_COFINS", "NAT_BC_CRED", "IND_ORIG_CRED", "COD_CTA",    "COD_CUS",      "DESC_DOC_OPER"};
constexpr size_t kDataF100 = 3;

// The base and rate of each contribution in a consolidation by value.
constexpr size_t kBasesConsolidacao[] = {3, 4, 8, 9};

const std::vector<std::string> kCamposF525 = {"VL_REC",     "IND_REC",    "CNPJ_CPF", "NUM_DOC",
                                              "COD_ITEM",   "VL_REC_DET", "CST_PIS",  "CST_COFINS",
                                              "INFO_COMPL", "COD_CTA"};
const std::vector<std::string> kCamposProcesso = {"NUM_PROC", "IND_PROC"};

// The layout's F120 names the kind of asset second, as F130 does.
const std::vector<std::string> kCamposF120 = {"NAT_BC_CRED",   "IDENT_BEM_IMOB",
                                              "IND_ORIG_CRED", "IND_UTIL_BEM_IMOB",
                                              "VL_OPER_DEP",   "PARC_OPER_NAO_BC_CRE",
                                              "CST_PIS",       "VL_BC_PIS",
                                              "ALIQ_PIS",      "VL_PIS",
                                              "CST_COFINS",    "VL_BC_COFINS",
                                              "ALIQ_COFINS",   "VL_COFINS",
                                              "COD_CTA",       "COD_CCUS",
                                              "DESC_BEM_IMOB"};

const std::vector<std::string> kCamposF130 = {"NAT_BC_CRED",
                                              "IDENT_BEM_IMOB",
                                              "IND_ORIG_CRED",
                                              "IND_UTIL_BEM_IMOB",
                                              "MES_OPER_AQUIS",
                                              "VL_OPER_AQUIS",
                                              "PARC_OPER_NAO_BC_CRE",
                                              "VL_BC_CRED",
                                              "IND_NR_PARC",
                                              "CST_PIS",
                                              "VL_BC_PIS",
                                              "ALIQ_PIS",
                                              "VL_PIS",
                                              "CST_COFINS",
                                              "VL_BC_COFINS",
                                              "ALIQ_COFINS",
                                              "VL_COFINS",
                                              "COD_CTA",
                                              "COD_CCUS",
                                              "DESC_BEM_IMOB"};

const std::vector<std::string> kCamposF700 = {
    "IND_ORI_DED", "IND_NAT_DED", "VL_DED_PIS", "VL_DED_COFINS", "VL_BC_OPER", "CNPJ", "INF_COMP"};

const std::vector<std::string> kCamposF600 = {
    "IND_NAT_RET", "DT_RET", "VL_BC_RET",  "VL_RET",        "COD_REC",
    "INT_NAT_REC", "CNPJ",   "VL_RET_PIS", "VL_RET_COFINS", "IND_DEC"};

TVariant Data(const TVariant& v) {
  return v.IsNull() ? std::string() : FormatarData(v.AsDateTime());
}

// The bases and rates of a consolidation by value go out with at most two
// decimals and no trailing zeros.
void ArredondarBases(std::vector<TVariant>& v) {
  for (size_t i : kBasesConsolidacao)
    if (!v[i].IsNull()) v[i] = Arredondar(v[i].AsFloat(), 2);
}

}  // namespace

std::string Th5RegistroEFDF010::RetornarIndNatRetencao(const std::string& codigo) {
  const std::string c = Trim(codigo).substr(0, 1);
  if (c == "9") return "99";
  if (c >= "1" && c <= "5") return "0" + c;
  return "";
}

std::string Th5RegistroEFDF010::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Bloco F");
  if (Trim(LerCabecalhoEFD(sessao, id_efd).modelo) != "2") return "";
  const int bloco = IdBloco(id_efd, "Bloco F");
  ThbClientDataSet& estabelecimentos = GetDados().GetCDS();
  if (bloco > 0) AbrirRegistrosDoBloco(bloco, "2");
  TxbLinhasEFD linhas(sessao);
  if (bloco == 0 || estabelecimentos.IsEmpty()) {
    linhas.AdicionarPronta("|F001|1|");
  } else {
    linhas.AdicionarPronta("|F001|0|");
    TxbRegistroFilho f111{"F111", "IDF_RegEFDF100", kCamposProcesso};
    TxbRegistroFilho f100{"F100", "IDF_RegEFDF010", kCamposF100, {&f111}};
    f100.ajustar = [](std::vector<TVariant>& v) { v[kDataF100] = Data(v[kDataF100]); };
    TxbRegistroFilho f500{"F500", "IDF_RegEFDF010", CamposConsolidacao("VL_REC_CAIXA", false)};
    f500.ajustar = ArredondarBases;
    TxbRegistroFilho f510{"F510", "IDF_RegEFDF010", CamposConsolidacao("VL_REC_CAIXA", true)};
    TxbRegistroFilho f525{"F525", "IDF_RegEFDF010", kCamposF525};
    TxbRegistroFilho f550{"F550", "IDF_RegEFDF010", CamposConsolidacao("VL_REC_COMP", false)};
    f550.ajustar = ArredondarBases;
    TxbRegistroFilho f560{"F560", "IDF_RegEFDF010", CamposConsolidacao("VL_REC_COMP", true)};
    TxbRegistroFilho f129{"F129", "IDF_RegEFDF120", kCamposProcesso};
    TxbRegistroFilho f120{"F120", "IDF_RegEFDF010", kCamposF120, {&f129}};
    TxbRegistroFilho f130{"F130", "IDF_RegEFDF010", kCamposF130};
    TxbRegistroFilho f700{"F700", "IDF_RegEFDF010", kCamposF700};
    TxbRegistroFilho f600{"F600", "IDF_RegEFDF010", kCamposF600};
    f600.ajustar = [](std::vector<TVariant>& v) {
      v[0] = RetornarIndNatRetencao(TextoDoCampo(v[0]));
      v[1] = Data(v[1]);
    };
    for (estabelecimentos.First(); !estabelecimentos.Eof(); estabelecimentos.Next()) {
      AtualizarAvanco(id_efd, "F010", estabelecimentos.RecNo(), estabelecimentos.RecordCount());
      linhas.Adicionar("F010", {Texto("RegEFDF010_CNPJ")});
      const int64_t id = Campo("RegEFDF010_ID").AsInteger();
      for (TxbRegistroFilho* r :
           {&f100, &f120, &f130, &f500, &f510, &f525, &f550, &f560, &f600, &f700})
        r->EscreverPorPaginas(sessao, linhas, bloco, id, [] {});
    }
  }
  linhas.AdicionarPronta(fmt::format("|F990|{}|", linhas.Quantidade() + 1));
  GravarContador("QtdeLinhasBloco_F", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
