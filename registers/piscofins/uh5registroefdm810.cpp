#include "registers/piscofins/uh5registroefdm810.h"

namespace efd {

int Th5RegistroEFDM810::INTERNO_Incluir(int, int, int, const std::string& parametros,
                                        const std::string& cst, const std::string& natureza,
                                        const std::string& conta, double valor) {
  return receitas_.Incluir(GetSession(), parametros, cst, natureza, conta, valor);
}

}  // namespace efd
