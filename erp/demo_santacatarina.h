// The demo company's branch in Santa Catarina, whose goods documents carry
// the state's own notes and adjustment codes.
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// After the rest of the demo company: the Joinville branch (the company's
// fifth establishment, under the head office's accountant) with its
// parameters, series and ICMS settings, two customers and two suppliers
// (one in Joinville and one in Curitiba each), the state's presumed-credit
// adjustment code, the CFOPs of sales of goods whose ICMS-ST was withheld
// before and of transfers, and a month of NF-e: internal and interstate
// sales, one of them with ICMS-ST, a transfer to the head office, exempt
// and untaxed items, and purchases from a Simples Nacional supplier with
// the presumed credit, inside the state and from another. The branch goes
// last into demo.filiais, its rows first among its ids (all of them above
// the rest of the company's), its documents and items into the counts.
// Values from a generator of their own, seeded from semente, so that the
// rest of the company does not change with them.
void ConstruirSantaCatarinaDemo(TpbBD& bd, ResultadoDemo& demo, uint64_t semente);

}  // namespace efd::erp
