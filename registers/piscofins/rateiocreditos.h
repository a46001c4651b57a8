// The apportionment of the credits of block M among the revenues they are
// bound to. A credit of CST 50, 51 or 52 is bound to one kind of revenue
// (taxed in the domestic market, untaxed in it, export); one of CST 53 to 56
// to two or three of them, and its base is split by the share of each
// kind's gross revenue of the month among them (the proportional method,
// the revenues that 0111 states). A company under both regimes first sets
// apart the share of the cumulative revenue, which gives no credit.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace efd {

class TxbSession;

// The month's gross revenues by kind.
struct TReceitasBrutas {
  double tributada = 0, nao_tributada = 0, exportacao = 0, cumulativa = 0;
  double Total() const { return tributada + nao_tributada + exportacao + cumulativa; }
};

// The part of a credit's base bound to one kind of revenue: '1' taxed in the
// domestic market, '2' untaxed in it, '3' export (the first digit of the
// credit's type).
struct TParcelaCredito {
  char grupo;
  double base = 0, quantidade = 0;
};
struct TRateioCredito {
  double base_cumulativa = 0, quantidade_cumulativa = 0;
  std::vector<TParcelaCredito> parcelas;  // of what the cumulative share leaves
};

// Splits the base (in value and in quantity) of a credit of that CST. The
// parts add up to the whole to the cent; a kind without revenue gets no
// part, and when none of the CST's kinds has revenue the whole goes to the
// first of them. The cumulative share is set apart only with_cumulativa.
TRateioCredito RatearCredito(const std::string& cst, double base, double quantidade,
                             const TReceitasBrutas& receitas, bool com_cumulativa);

// The gross revenues of the generation's 0111, when it has one.
std::optional<TReceitasBrutas> ReceitasDo0111(TxbSession& sessao, int id_efd);

}  // namespace efd
