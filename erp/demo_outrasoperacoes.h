// The demo company's operations outside fiscal documents of its month that
// bear PIS/COFINS (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// Adds the head office's month: a rent paid that gives credit, a financial
// revenue with the contribution and the PIS/COFINS a public body withheld
// from a payment it made. Ids follow the demo's; returns the last id used.
int64_t ConstruirOutrasOperacoesDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
