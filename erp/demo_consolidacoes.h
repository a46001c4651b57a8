// The demo company's establishment that bookkeeps its electronic invoices
// consolidated by item in the PIS/COFINS file (see demo.h).
#pragma once

#include <cstdint>

#include "erp/demo.h"
#include "framework/pbbd.h"

namespace efd::erp {

// The branch bookkeeps its electronic invoices consolidated by item from
// the year before inicio's to the year after; returns the next free id.
int64_t CadastrosDasConsolidacoesDemo(TpbBD& bd, int64_t proximo, int64_t filial, TDateTime inicio);
// Of the last branch's month, the first NF-e sale names a process and the
// first NF-e purchase is an import with its declaration. Ids follow the
// demo's; returns the last id used.
int64_t ConstruirConsolidacoesDemo(TpbBD& bd, const ResultadoDemo& demo);

}  // namespace efd::erp
