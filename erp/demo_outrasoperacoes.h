// The demo company's operations outside fiscal documents of its month that
// bear PIS/COFINS (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// Adds the head office's month: a rent paid that gives credit under a
// process, two costs whose credit is bound to several kinds of revenue, a
// revenue with the contribution and one without it, the
// PIS/COFINS credits of two fixed assets (on depreciation and on
// acquisition), the PIS/COFINS a public body withheld from a payment it made
// and another deduction from the contribution. Ids follow the demo's; returns the last id used.
int64_t ConstruirOutrasOperacoesDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
