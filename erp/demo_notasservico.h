// The demo company's municipal service invoices of its month (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// The model "SE" of municipal service invoices with a document type and a
// series of the head office for services provided and taken, stored with
// the other registers (their ids do not depend on the month's size); the
// next free id.
int64_t CadastrosDasNotasServicoDemo(TpbBD& bd, int64_t proximo, int64_t filial);

// Adds, after the month's goods documents, the head office's service
// invoices: a service provided with PIS and COFINS due and a fiscal text,
// and a service taken that gives credit. Ids follow the demo's; returns the
// last id used.
int64_t ConstruirNotasServicoDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
