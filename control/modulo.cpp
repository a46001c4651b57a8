#include "control/modulo.h"

#include "control/geradorefd.h"
#include "registers/piscofins/escrituracaocontribuicoes.h"

namespace efd {

void RegistrarFamilias_modulo();
void RegistrarClasses_modulo();

void RegistrarModulo() {
  static const bool registrado = [] {
    RegistrarFamilias_modulo();
    RegistrarClasses_modulo();
    RegistrarGeradorEFD();
    RegistrarEscrituracaoContribuicoes();
    return true;
  }();
  (void)registrado;
}

}  // namespace efd
