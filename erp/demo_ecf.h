// The demo company's fiscal-printer sales of its month (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// Adds, before the month's invoices, the head office's two fiscal printers
// with their daily closings (three of the first, two of the second), the
// coupons of each day with items taxed at 18 % and 12 %, exempt and under
// tax substitution, a coupon with the buyer's CPF, a cancelled coupon, the
// closings' totalizers (rates, substitution, exempt, cancellations,
// non-fiscal receipts next to a withdrawal that is not a sale), their PIS
// and COFINS, and the branch's commercial-automation totalizers. One
// closing's ICMS total is three cents above what its coupons give, as a
// printer rounds. Ids follow the demo's; returns the last id used.
int64_t ConstruirCuponsFiscaisDemo(TpbBD& bd, const ResultadoDemo& demo);

// Adds, after the head office's, a fiscal printer of the second branch, whose
// file declares profile B, with a closing that keeps its item totals (their
// units typed in small letters), the coupons of the day and the branch's
// totalizers. Returns the last id used.
int64_t ConstruirImpressoraDaFilialDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
