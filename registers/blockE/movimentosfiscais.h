// Figures of the ICMS assessment that come from the ERP's fiscal movements
// and the state's special regimes rather than from the assessment document:
// the additional fund against poverty of Rio de Janeiro (FECEP), the rate
// difference of returned goods (DIFAL), the presumed credit of a special
// regime (TTD) and the exempt or other values behind a declaratory value.
#pragma once

#include <string>

#include "framework/xbsession.h"
#include "framework/xbvariant.h"

namespace efd {

// The fund of the branch's own ICMS in the period: of the outputs (a
// debit beyond the assessment) and of the entries (a deduction).
struct TFundoPobreza {
  double saidas = 0, entradas = 0;
};
TFundoPobreza FundoPobrezaDoPeriodo(TxbSession& sessao, int id_filial, TDateTime inicio,
                                    TDateTime fim);

// The state's share of the rate difference of the goods the branch got back
// in the period (CFOPs 2.2xx), under the adjustment code the state assesses
// it with; an empty code when the state has none, and then no value.
struct TDifalDevolucoes {
  std::string codigo;
  double valor = 0;
};
TDifalDevolucoes DifalDasDevolucoes(TxbSession& sessao, int id_filial, int id_estado,
                                    TDateTime inicio, TDateTime fim);

// The presumed-credit rubrics of the period: the credit and its reversal,
// from the documents of the rubric types the state's parameters name.
struct TCreditoPresumido {
  double credito = 0, estorno = 0;
};
TCreditoPresumido CreditoPresumidoDoPeriodo(TxbSession& sessao, int id_filial, int tipo_credito,
                                            int tipo_estorno, TDateTime inicio, TDateTime fim);

// The exempt (`isentas`) or other values of the branch's ICMS fiscal
// movements of the CFOP in the period; 0 without fiscal movements.
double IsentasOuOutrasDoCFOP(TxbSession& sessao, int id_filial, int id_cfop, bool isentas,
                             TDateTime inicio, TDateTime fim);

}  // namespace efd
