#include "registers/piscofins/uh5registroefd0110.h"

#include "control/linhaefd.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/piscofins/linhasblocom.h"

namespace efd {

std::string Th5RegistroEFD0110::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0110");
  const TxbCabecalhoEFD cabecalho = LerCabecalhoEFD(GetSession(), id_efd);
  const int bloco = IdBloco(id_efd, "Bloco 0");
  if (Trim(cabecalho.modelo) != "2" || bloco == 0) return "";
  TRegistroM regime{"0110", "", {{"CodIncTrib"}, {"IndAproCred"}, {"CodTipoCont"}}, {}};
  if (cabecalho.inicio >= TDateTime::EncodeDate(2012, 7, 1)) regime.campos.push_back({"IndRegCum"});
  TRegistroM receitas{"0111", "IDF_RegEFD0110", {}, {}};
  for (const char* campo :
       {"RecBruNCumTribMI", "RecBruNCumNTMI", "RecBruNCumExp", "RecBruCum", "RecBruTotal"})
    receitas.campos.push_back({campo, TFormatoM::Valor});
  regime.filhos.push_back(std::move(receitas));
  TxbLinhasEFD linhas(GetSession());
  EscreverRegistroM(GetSession(), linhas, bloco, regime);
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
