#include "registers/piscofins/uh5registroefdm800.h"

#include "framework/xbsession.h"
#include "registers/piscofins/linhasblocom.h"

namespace efd {

std::string Th5RegistroEFDM800::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro M800");
  return EscreverReceitasM(GetSession(), id_efd, true);
}

}  // namespace efd
