// Start-up of the module: its families, its classes (generated first, then
// hand-written) and the driver.
#pragma once

namespace efd {

void RegistrarModulo();

}  // namespace efd
