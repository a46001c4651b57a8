#include "registers/piscofins/uh5registroefdm100.h"

#include "framework/xbsession.h"
#include "registers/piscofins/linhasblocom.h"

namespace efd {

std::string Th5RegistroEFDM100::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro M100");
  return EscreverApuracaoM(GetSession(), id_efd, false);
}

}  // namespace efd
