#include "registers/piscofins/uh5registroefdc010.h"

#include <fmt/format.h>

#include "control/linhaefd.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/blockC/consolidacoesc.h"
#include "registers/blockC/linhasblococ.h"
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

}  // namespace

std::string Th5RegistroEFDC010::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Bloco C");
  if (Trim(LerCabecalhoEFD(sessao, id_efd).modelo) != "2") return "";
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
    TEscritaConsolidacoesC consolidacoes;
    for (estabelecimentos.First(); !estabelecimentos.Eof(); estabelecimentos.Next()) {
      AtualizarAvanco(id_efd, "C010", estabelecimentos.RecNo(), estabelecimentos.RecordCount());
      const std::string cnpj = Texto("RegEFDC010_CNPJ");
      AtualizarMensagem(id_efd, "Gerando Arquivo EFD - C010 - Filial CNPJ [" + cnpj + "]");
      linhas.Adicionar("C010", {cnpj, Texto("RegEFDC010_INC_ESCRI")});
      c100.EscreverPorPaginas(sessao, linhas, bloco, Campo("RegEFDC010_ID").AsInteger(), [] {});
      consolidacoes.Escrever(sessao, linhas, bloco, Campo("RegEFDC010_ID").AsInteger());
    }
  }
  linhas.AdicionarPronta(fmt::format("|C990|{}|", linhas.Quantidade() + 1));
  GravarContador("QtdeLinhasBloco_C", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
