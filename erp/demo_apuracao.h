// The demo company's tax assessments of its month (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// Adds, after the month's documents, the head office's ICMS assessment (a
// credit balance brought forward, the debits and credits of its documents)
// with its due-day configuration, and its IPI assessment (the IPI of its
// documents); the other branches have none. Each assessment has its document with the part that
// holds the figures. Ids follow the demo's; returns the last id used.
int64_t ConstruirApuracoesDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
