// The ERP components that store the PIS/COFINS model's own rows during a
// generation, after the module's generators: the establishments (0140 and
// C010, with each branch's goods documents under them), the regime (0110
// with 0111) and the assessment of block M.
//
// The file is the company's: it covers the branches the request named or,
// when it named one, every branch of the header's company; the header's
// branch comes first and always has its 0140, the others only when they
// have documents in the period.
#pragma once

#include <string>

namespace efd {

class TxbSession;

// Adds the components to the driver's generations of the PIS/COFINS model.
void RegistrarEscrituracaoContribuicoes();

// The assessment of block M from the period's detail lines (detalhesm.h):
// contributions (M200/M210, M600/M610) by contribution code and rate from
// the output lines of CST 01 to 05, with the amount to pay by revenue code
// (M205/M605); credits (M100/M105, M500/M505) by credit type, rate and
// nature of the base from the entry lines of CST 50 to 56, apportioned among
// the revenues each CST binds them to by the gross revenues of 0111
// (rateiocreditos.h), each credit deducted from the contribution as far as
// it goes.
void ApurarContribuicoes(TxbSession& sessao, int id_efd);

}  // namespace efd
