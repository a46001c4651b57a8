#include "control/modulo.h"

#include "control/geradorefd.h"

namespace efd {

void RegistrarFamilias_modulo();
void RegistrarClasses_modulo();

void RegistrarModulo() {
  static const bool registrado = [] {
    RegistrarFamilias_modulo();
    RegistrarClasses_modulo();
    RegistrarGeradorEFD();
    return true;
  }();
  (void)registrado;
}

}  // namespace efd
