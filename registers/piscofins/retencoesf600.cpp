#include "registers/piscofins/retencoesf600.h"

#include <fmt/format.h>

#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

// The sums of a register's PIS or COFINS column (valor + "PIS") by its
// nature column, "1" being the cumulative one.
TDeducoesBlocoF Somar(TxbSession& sessao, int bloco_m, bool cofins, const char* registro,
                      const char* valor, const char* natureza) {
  TxbResultado r =
      sessao.Consultar(fmt::format("SELECT A.{3}, SUM(A.{2}{0}) FROM Z8_REGEFD{1} A "
                                   "INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
                                   "INNER JOIN Z8_BLOCOSEFD F ON F.ID = B.IDF_BLOCOSEFD "
                                   "INNER JOIN Z8_BLOCOSEFD M ON M.IDF_EFD = F.IDF_EFD "
                                   "WHERE M.ID = :BLOCO GROUP BY A.{3}",
                                   cofins ? "COFINS" : "PIS", registro, valor, natureza),
                       {{"BLOCO", bloco_m}});
  TDeducoesBlocoF t;
  for (const auto& l : r.linhas) {
    const double soma = l[1].AsFloat();
    (!l[0].IsNull() && Trim(l[0].AsString()) == "1" ? t.cumulativa : t.nao_cumulativa) += soma;
  }
  return t;
}

}  // namespace

TDeducoesBlocoF RetencoesNaFonte(TxbSession& sessao, int bloco_m, bool cofins) {
  return Somar(sessao, bloco_m, cofins, "F600", "VL_RET_", "INT_NAT_REC");
}

TDeducoesBlocoF OutrasDeducoes(TxbSession& sessao, int bloco_m, bool cofins) {
  return Somar(sessao, bloco_m, cofins, "F700", "VL_DED_", "IND_NAT_DED");
}

}  // namespace efd
