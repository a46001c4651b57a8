#include "registers/block0/uh5registroefd0220.h"

#include "framework/xberros.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {

int Th5RegistroEFD0220::INTERNO_Incluir(int id_efd, int bloco, int id_0200,
                                        const std::string& unidade, double fator,
                                        const std::string& cod_barra) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 330, "IncluirRegistroEFD0220");
  const int linha_bloco = bloco > 0 ? bloco : IdBloco0(GetSession(), id_efd);
  if (linha_bloco <= 0) throw EErro("Necessário selecionar o bloco 0 !!");
  if (bloco_tipo_ != linha_bloco) {
    tipo_ = IdTipoRegistro(GetSession(), linha_bloco, "0220");
    bloco_tipo_ = linha_bloco;
  }
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo_, linha_bloco, "0220");
  Campo("RegEFD0220_IDF_RegEFD0200").SetAsInteger(id_0200);
  Campo("RegEFD0220_UnidConv").SetAsString(Trim(unidade));
  Campo("RegEFD0220_FatorConv").SetAsFloat(fator);
  Campo("RegEFD0220_COD_BARRA").SetAsString(Trim(cod_barra));
  ConfirmarRegistro();
  return Campo("RegEFD0220_ID").AsInteger();
}

}  // namespace efd
