// Block D of an establishment of the PIS/COFINS file: the transport and
// communication services the branch took in the period.
#pragma once

#include "registers/piscofins/blocosestabelecimento.h"

namespace efd {

// Whether the branch has transport documents or communication bills in the
// header's period.
bool MovimentoD(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial);

// D010 under the block's row and the services under it (D100 with D101/D105,
// D500 with D501/D505); the D010 is removed again when the branch took none.
void GerarBlocoD(const TEstabelecimento& estabelecimento, int bloco);

}  // namespace efd
