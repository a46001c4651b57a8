// The demo company's tax assessments of its month (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// The assessments' master data, added before the documents so that it does
// not depend on their number: the standard of rubric documents (132), the
// adjustment codes of the state's assessment table, a rubric document type
// for each code and for the head office state's ICMS-ST deductions, and that
// state's parameters (declaratory values, the rate difference's type) with
// the head office's employees. Ids from `proximo`; returns the next free id.
int64_t CadastrosDaApuracaoDemo(TpbBD& bd, int64_t proximo);

// Adds, after the month's documents, the head office's ICMS assessment (a
// credit balance brought forward, the debits and credits of its documents)
// with its due-day configuration and its rubric documents (an
// adjustment of each kind, one of them with a process, one naming a
// purchase); its ICMS-ST assessments of three states, one of them without
// figures, with their GNRE; and its IPI assessment (the IPI of its
// documents); each other branch its ICMS assessment alone. Each assessment
// has its document with the part that holds the figures. Ids follow the
// demo's; returns the last id used.
int64_t ConstruirApuracoesDemo(TpbBD& bd, const ResultadoDemo& demo);

// The ICMS assessment of a branch other than the head office, added after
// its documents: their debits and credits. Ids follow the demo's; returns
// the last id used.
int64_t ConstruirApuracaoDaFilialDemo(TpbBD& bd, const ResultadoDemo& demo, int64_t filial);

}  // namespace efd::erp
