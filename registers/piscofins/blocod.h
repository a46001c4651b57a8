// Block D of an establishment of the PIS/COFINS file: the transport and
// communication services the branch took and rendered in the period.
#pragma once

#include "registers/piscofins/blocosestabelecimento.h"

namespace efd {

// Whether the branch has transport documents or communication bills in the
// header's period.
bool MovimentoD(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial);

// D010 under the block's row and the services under it: those taken (D100
// with D101/D105, D500 with D501/D505) and those rendered, consolidated
// (D200 with D201/D205, D600 with D601/D605); no D010 when the month or the
// header's filter leaves the branch none.
void GerarBlocoD(const TEstabelecimento& estabelecimento, int bloco);

}  // namespace efd
