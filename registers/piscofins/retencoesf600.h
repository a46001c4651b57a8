// What block F deducts from the period's contribution due: the
// contributions withheld at source from the revenues (F600) and the other
// deductions (F700). Block M takes those of non-cumulative nature from the
// non-cumulative contribution and those of cumulative nature from the
// cumulative one.
#pragma once

namespace efd {

class TxbSession;

struct TDeducoesBlocoF {
  double nao_cumulativa = 0, cumulativa = 0;
};

// The withholdings of PIS or COFINS stored in block F of the generation
// whose block M row is given.
TDeducoesBlocoF RetencoesNaFonte(TxbSession& sessao, int bloco_m, bool cofins);

// The other deductions of PIS or COFINS stored in block F of the generation
// whose block M row is given.
TDeducoesBlocoF OutrasDeducoes(TxbSession& sessao, int bloco_m, bool cofins);

}  // namespace efd
