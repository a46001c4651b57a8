#include "registers/piscofins/uh5registroefda110.h"

#include "control/linhasregistros.h"
#include "framework/xbsession.h"

namespace efd {

int Th5RegistroEFDA110::INTERNO_Incluir(int, int bloco, int tipo, int id_a100,
                                        const std::string& codigo, const std::string& texto, int) {
  TxbResultado r = GetSession().Consultar(
      "SELECT ID FROM Z8_REGEFDA110 WHERE IDF_REGEFDA100 = :A100 AND COD_INF = :CODIGO",
      {{"A100", id_a100}, {"CODIGO", codigo}});
  if (!r.Vazio()) return r.linhas[0][0].AsInteger();
  std::string linha = texto;
  for (char& c : linha)
    if (c == '\r' || c == '\n') c = ' ';
  return static_cast<int>(
      TxbInsercaoRegistro(GetSession(), "A110", {"IDF_RegEFDA100", "COD_INF", "TXT_COMPL"})
          .Inserir(bloco, tipo, {id_a100, codigo, linha}));
}

}  // namespace efd
