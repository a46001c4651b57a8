// The row every register stores first (see IncluirLinhaDeRegistro).
#pragma once

#include <string>

namespace efd {

class ThbObjetoNegocio;

// Includes a row of a register object (also one whose class adds nothing, as
// a child register that its parent's generator fills) with the attributes
// every row carries: register type, block row and code.
void IncluirLinhaDeRegistro(ThbObjetoNegocio& registro, int tipo, int bloco,
                            const std::string& codigo);

}  // namespace efd
