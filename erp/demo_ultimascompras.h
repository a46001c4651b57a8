// The demo company's last purchases, on which its interstate sales claim
// the ICMS-ST withheld on their entry (C176).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// After the month's documents: the first three products of the head
// office's model-1 sales to taxpayers of other states (CFOP 6.101, 6.102)
// were bought last month from the first sale's customer, each by a copy of
// the head office's first NF-e purchase of the month that carried ICMS-ST
// and own ICMS; the second purchase's tax was withheld by a substitute's
// NF-e item, the third's paid by a GNRE. Ids follow the demo's; returns the
// last id used.
int64_t ConstruirUltimasComprasDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
