#include "registers/piscofins/uh5registroefdm400.h"

#include "framework/xbsession.h"
#include "registers/piscofins/linhasblocom.h"

namespace efd {

std::string Th5RegistroEFDM400::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro M400");
  return EscreverReceitasM(GetSession(), id_efd, false);
}

}  // namespace efd
