#include "registers/block0/uh5registroefd0305.h"

#include "framework/xbsession.h"

namespace efd {

int Th5RegistroEFD0305::INTERNO_Incluir(int id_efd, int bloco, int tipo, int id_0300,
                                        const std::string& centro, const std::string& funcao,
                                        int vida_util) {
  if (id_efd < 1 || bloco < 1) return 0;
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo, bloco, "0305");
  Campo("RegEFD0305_IDF_RegEFD0300").SetAsInteger(id_0300);
  Campo("RegEFD0305_CodCCusto").SetAsString(centro);
  Campo("RegEFD0305_Func").SetAsString(funcao);
  Campo("RegEFD0305_VidaUtil").SetAsInteger(vida_util);
  ConfirmarRegistro();
  return Campo("RegEFD0305_ID").AsInteger();
}

}  // namespace efd
