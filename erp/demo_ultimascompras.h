// The demo company's last purchases, from which its interstate sales claim
// the ICMS-ST withheld on their entry (C176).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// After the month's documents: the products of the head office's first
// three NF-e sales to non-taxpayers of other states (CFOP 6.108) were
// bought last month, each by a copy of the head office's first NF-e
// purchase of the month that carried ICMS-ST and own ICMS; the second
// purchase's tax was withheld by a substitute's NF-e item, the third's paid
// by a GNRE. Ids follow the demo's; returns the last id used.
int64_t ConstruirUltimasComprasDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
