#include "registers/block0/uh5registroefd0206.h"

#include "framework/xberros.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {

int Th5RegistroEFD0206::INTERNO_Incluir(int id_efd, int bloco, int id_0200, int,
                                        const std::string& codigo) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 330, "IncluirRegistroEFD0206");
  if (Trim(codigo).empty()) return 0;
  const int linha_bloco = bloco > 0 ? bloco : IdBloco0(GetSession(), id_efd);
  if (linha_bloco <= 0) throw EErro("Necessário selecionar o bloco 0 !!");
  if (bloco_tipo_ != linha_bloco) {
    tipo_ = IdTipoRegistro(GetSession(), linha_bloco, "0206");
    bloco_tipo_ = linha_bloco;
  }
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo_, linha_bloco, "0206");
  Campo("RegEFD0206_IDF_RegEFD0200").SetAsInteger(id_0200);
  Campo("RegEFD0206_CodComb").SetAsString(Trim(codigo));
  ConfirmarRegistro();
  return Campo("RegEFD0206_ID").AsInteger();
}

}  // namespace efd
