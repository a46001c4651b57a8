// What the demo company's PIS/COFINS assessment of its month takes from the
// ERP beyond its documents: the coupons' account and the adjustments (see
// demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// Gives the month's fiscal coupons a document type of their own that names
// the account of the revenues of sales. Adds, for PIS and for COFINS, an increase of the basic-rate
// credit of the taxed market that a lawsuit recognised, detailed by the purchases it concerns, and
// a reduction of the non-cumulative contribution at the basic rate for sales returned after their
// month, detailed likewise; both under the account of the first document type that names one. Ids
// follow the demo's; returns the last id used.
int64_t ConstruirApuracaoContribuicoesDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
