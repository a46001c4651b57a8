#include "control/uh5blocosefd.h"

namespace efd {

int Th5BlocosEFD::INTERNO_Incluir(int id_efd, const std::string& nome, const std::string& descricao,
                                  int tipo_bloco) {
  if (GetDados().GetCDS().IsEmpty()) GetDados().Isolar(0, "VsEDC01");
  IncluirRegistro();
  Campo("BlocosEFD_IDF_EFD").SetAsInteger(id_efd);
  Campo("BlocosEFD_IDF_TipoBlocoEFD").SetAsInteger(tipo_bloco);
  Campo("BlocosEFD_NomeBloco").SetAsString(nome);
  Campo("BlocosEFD_DescBloco").SetAsString(descricao);
  ConfirmarRegistro();
  return Campo("BlocosEFD_ID").AsInteger();
}

}  // namespace efd
