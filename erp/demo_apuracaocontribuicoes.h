// What the demo company's PIS/COFINS assessment of its month takes from the
// ERP beyond its documents: the coupons' account and the adjustments (see
// demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// Adds, among the master data, the fiscal coupons' document type of their
// own (model 2D) naming the account of the revenues of sales and, for PIS
// and for COFINS, an increase of the basic-rate credit of the taxed market
// that a lawsuit recognised, detailed by the purchases it concerns, and a
// reduction of the non-cumulative contribution at the basic rate for sales
// returned after their month, detailed likewise; both under the account of
// the first document type that names one. Returns the next free id.
int64_t CadastrosDaApuracaoContribuicoesDemo(TpbBD& bd, int64_t proximo, int64_t empresa,
                                             TDateTime inicio);

// Gives the month's fiscal coupons that document type.
void ConstruirApuracaoContribuicoesDemo(TpbBD& bd);

}  // namespace efd::erp
