// The other operations of an establishment in the PIS/COFINS file: the
// ERP's operations of the branch and period that generate PIS/COFINS
// outside fiscal documents (F100, with their processes in F111), the credits
// of its fixed assets on their depreciation (F120, with F129) and on their
// acquisition (F130), the contributions withheld at source from its revenues
// (F600) and the other deductions from the contribution due (F700); each
// participant and account declared under the establishment's 0140, each
// asset's cost centre in 0600. A revenue without the contribution goes to
// block M's M400/M410 and M800/M810 by its nature.
#pragma once

#include "registers/piscofins/blocosestabelecimento.h"

namespace efd {

// Whether the branch has other operations or withholdings in the period.
bool MovimentoF100(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial);

// F010 under the block's row and the establishment's registers under it.
void GerarBlocoF(const TEstabelecimento& estabelecimento, int bloco);

}  // namespace efd
