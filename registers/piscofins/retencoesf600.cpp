#include "registers/piscofins/retencoesf600.h"

#include <fmt/format.h>

#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {

TRetencoesNaFonte RetencoesNaFonte(TxbSession& sessao, int bloco_m, bool cofins) {
  TxbResultado r =
      sessao.Consultar(fmt::format("SELECT A.INT_NAT_REC, SUM(A.VL_RET_{}) FROM Z8_REGEFDF600 A "
                                   "INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
                                   "INNER JOIN Z8_BLOCOSEFD F ON F.ID = B.IDF_BLOCOSEFD "
                                   "INNER JOIN Z8_BLOCOSEFD M ON M.IDF_EFD = F.IDF_EFD "
                                   "WHERE M.ID = :BLOCO GROUP BY A.INT_NAT_REC",
                                   cofins ? "COFINS" : "PIS"),
                       {{"BLOCO", bloco_m}});
  TRetencoesNaFonte t;
  for (const auto& l : r.linhas) {
    const double valor = l[1].IsNull() ? 0.0 : l[1].AsFloat();
    (!l[0].IsNull() && Trim(l[0].AsString()) == "1" ? t.cumulativa : t.nao_cumulativa) += valor;
  }
  return t;
}

}  // namespace efd
