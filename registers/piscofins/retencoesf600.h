// The contributions withheld at source from the period's revenues (F600),
// which block M deducts from the contribution due: those on
// non-cumulative revenues from the non-cumulative contribution, those on
// cumulative revenues from the cumulative one.
#pragma once

namespace efd {

class TxbSession;

struct TRetencoesNaFonte {
  double nao_cumulativa = 0, cumulativa = 0;
};

// The withholdings of PIS or COFINS stored in block F of the generation
// whose block M row is given.
TRetencoesNaFonte RetencoesNaFonte(TxbSession& sessao, int bloco_m, bool cofins);

}  // namespace efd
