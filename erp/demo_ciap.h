// The demo company's fixed-asset ICMS credits (CIAP) of its month.
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// The CIAP's master data, added before the documents so that it does not
// depend on their number: two cost centres and the products of the assets.
// Ids from `proximo`; returns the next free id.
int64_t CadastrosDoCIAPDemo(TpbBD& bd, int64_t empresa, int64_t proximo);

// Adds, after the assessments, the head office's CIAP: the outputs of the
// month on its ICMS assessment (total 250,000.00, taxed 200,000.00) and six
// assets with their ICMS credit and the month's
// instalment: one acquired in the month through its first purchase of the
// month (an own entry, with the purchase's item), one acquired two years
// before (told an initial balance), one at its 48th and last instalment,
// one credited in 60 instalments, one written off (its instalment carries no
// usable credit) and a component of the second, incorporated in the month
// and credited on a given day, with the month's CIAP assessment (taxed
// 180,000.00 of 240,000.00). Ids follow the demo's; returns the last id used.
int64_t ConstruirCIAPDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
