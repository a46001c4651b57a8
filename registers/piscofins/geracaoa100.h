// The service documents of an establishment in the PIS/COFINS file: the
// ERP's documents of the municipal service-invoice model ("SE") of the
// branch and period, services provided (outputs, in the month they were
// issued) and taken (entries, in the month they came in), stored as A100
// with the document's fiscal text (A110) and its service items with their
// PIS and COFINS (A170), each code declared under the establishment's 0140.
#pragma once

#include "registers/piscofins/blocosestabelecimento.h"

namespace efd {

// Whether the branch has service documents in the header's period.
bool MovimentoA100(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial);

// A010 under the block's row and the establishment's documents under it;
// the revenue of services provided without the contribution goes to the
// establishment's receita_sem_contribuicao.
void GerarBlocoA(const TEstabelecimento& estabelecimento, int bloco);

}  // namespace efd
