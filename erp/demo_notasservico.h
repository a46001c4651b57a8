// The demo company's municipal service invoices of its month (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// Adds, after the month's goods documents, the head office's service
// invoices (model "SE" with its document types and series): a service
// provided with PIS and COFINS due and a fiscal text, and a service taken
// that gives credit. Ids follow the demo's; returns the last id used.
int64_t ConstruirNotasServicoDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
