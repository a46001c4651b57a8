#include "registers/piscofins/uh5registroefdm500.h"

#include "framework/xbsession.h"
#include "registers/piscofins/linhasblocom.h"

namespace efd {

std::string Th5RegistroEFDM500::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro M500");
  return EscreverApuracaoM(GetSession(), id_efd, true);
}

}  // namespace efd
