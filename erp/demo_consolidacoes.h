// The demo company's establishment that bookkeeps its electronic invoices
// consolidated by item in the PIS/COFINS file (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// The last branch bookkeeps its electronic invoices consolidated by item
// from the year before the month on; of its month, the first NF-e sale and
// the first sale returned name a process, and the first NF-e purchase is
// an import with its declaration. Ids follow the demo's;
// returns the last id used.
int64_t ConstruirConsolidacoesDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
