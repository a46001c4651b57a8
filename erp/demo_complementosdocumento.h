// What the demo company's invoices carry under their complementary texts
// (see demo.h): referenced documents, collection documents, coupons of
// fiscal printers and delivery places; and the batches of its medicines.
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// Master data added before the documents, so that its ids do not depend on
// their number: a warehouse of the customer cliente (ids from proximo),
// in the city cidade, where goods are delivered to a person, registered by
// CPF and exempt from state registration. Returns the next free id.
int64_t CadastrosDosComplementosDemo(TpbBD& bd, int64_t proximo, int64_t cliente, int64_t cidade);

// After the month's documents, on the head office's: the complementary
// invoice refers to its first NF-e sale; the first NF-e sale with ICMS-ST
// names the GNRE that paid it; the invoice issued for a coupon names a
// coupon of its fiscal printers; and the first model-1 sale is delivered
// at the warehouse of the master data; the first item it bought comes from a
// medicine batch. Ids follow the demo's; returns the
// last id used.
int64_t ConstruirComplementosDocumentoDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
