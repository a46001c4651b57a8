// The demo company's utility bills of its month (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// Adds, before the month's invoices, the head office's utility bills: an
// electricity bill (consumption class, three-phase connection, voltage
// group B, the energy injected into the grid and the bill it refers to),
// a water bill exempt from ICMS, a gas bill, and a gas bill the supplier
// cancelled; each with its book record. Their document types, series,
// products and the models 28 and 29 come with them. Ids follow the demo's;
// returns the last id used.
int64_t ConstruirContasDeConsumoDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
