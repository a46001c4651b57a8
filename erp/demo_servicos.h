// The demo company's transport and communication services of its month
// (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// The services' master data, added before the documents so that it does not
// depend on their number: the models of the service documents, their fiscal
// operations, document types and series of the head office, the service
// item, the services of communication bills with their families and the
// families' tax rules in every branch, and the model of the freight bills
// typed on goods entries. Ids from `proximo`; returns the next free id.
int64_t CadastrosDosServicosDemo(TpbBD& bd, int64_t proximo, int64_t empresa, int64_t filial);

// Adds, after the month's goods documents, the head office's service
// documents: CT-e it contracted (one interstate) and rendered (one with
// its route, one cancelled), a freight bill typed on a goods entry with an
// ICMS adjustment, a model 07 bill with two items, a model 08 bill with its
// carrier, communication bills of models 21 and 22, and an electronic
// communication invoice (model 62) with items of two ICMS classes and one
// without a class; the bills' services take their D510 class from their
// families and, without an ICMS class of their own, the class of their
// family's rule, or none. Ids follow the demo's; returns the last id used.
int64_t ConstruirServicosDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
