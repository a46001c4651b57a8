// The fiscal-printer sales of an establishment of the PIS/COFINS file,
// consolidated for the period (C490 with C491 and C495).
#pragma once

#include <string>

namespace efd {

class TxbSession;
struct TEstabelecimentoC100;

// Stores, under the establishment's C010, one C490 for the period's valid
// coupons of its printers (model 2D, from the first to the last day with
// sales) and under it their valid items summed by item, CST, CFOP and rate
// for PIS (C491) and COFINS (C495). The CFOP is that of the branch's
// totalizer for the item's ICMS taxation; the account that of the coupon's
// document type, when it names one. The revenues without the contribution go
// to block M by their nature, with that account. The number of C490 rows (0
// without coupons). EErro naming the register and the field when an item's
// totalizer or nature of revenue is missing.
int GerarC490(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
              const TEstabelecimentoC100& estabelecimento);

}  // namespace efd
