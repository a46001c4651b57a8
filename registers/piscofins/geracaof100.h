// The other operations of an establishment in the PIS/COFINS file: the
// ERP's operations of the branch and period that generate PIS/COFINS
// outside fiscal documents (F100) and the contributions withheld at source
// from its revenues (F600), each participant and account declared under the
// establishment's 0140.
#pragma once

#include "registers/piscofins/blocosestabelecimento.h"

namespace efd {

// Whether the branch has other operations or withholdings in the period.
bool MovimentoF100(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial);

// F010 under the block's row and the establishment's F100 and F600 under it.
void GerarBlocoF(const TEstabelecimento& estabelecimento, int bloco);

}  // namespace efd
