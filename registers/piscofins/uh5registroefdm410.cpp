#include "registers/piscofins/uh5registroefdm410.h"

namespace efd {

int Th5RegistroEFDM410::INTERNO_Incluir(int, int, int, const std::string& parametros,
                                        const std::string& cst, const std::string& natureza,
                                        const std::string& conta, double valor) {
  return receitas_.Incluir(GetSession(), parametros, cst, natureza, conta, valor);
}

}  // namespace efd
