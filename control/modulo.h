// Start-up of the module: its families, its classes (generated first, then
// hand-written), the driver and the ERP components it runs.
#pragma once

namespace efd {

void RegistrarModulo();

}  // namespace efd
