// The demo company's costs common to its kinds of revenue (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// Adds to the head office's month two expenses that give PIS/COFINS credit
// bound to more than one kind of revenue, whose credit the assessment
// apportions by the month's gross revenues: the electricity of the
// establishment, used for taxed, untaxed and export sales (CST 56), and the
// rent of forklifts used for the domestic market's taxed and untaxed sales
// (CST 53). Ids follow the demo's; returns the last id used.
int64_t ConstruirRateioDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
