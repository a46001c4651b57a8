#include "control/uh5filialefd.h"

namespace efd {

int Th5FilialEFD::INTERNO_Incluir(int id_efd, int filial) {
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsEDC01");
  IncluirRegistro();
  Campo("FilialEFD_IDF_EFD").SetAsInteger(id_efd);
  Campo("FilialEFD_IDF_Filial").SetAsInteger(filial);
  ConfirmarRegistro();
  return Campo("FilialEFD_ID").AsInteger();
}

}  // namespace efd
