// The adjustments of a month's PIS/COFINS assessment that the ERP keeps
// (AjusteApuracaoPisCofins): of a credit (M110/M510 with M115/M515), of the
// base of a contribution (M215/M615, from 2019) and of a contribution
// (M220/M620 with M225/M625).
#pragma once

#include <string>
#include <vector>

#include "framework/xbvariant.h"

namespace efd {

class TxbSession;

struct TAjusteApuracao {
  char objeto = 'C';    // C a credit, B the base of a contribution, V a contribution
  std::string codigo;   // the credit's type or the contribution's code it adjusts
  double aliquota = 0;  // of the credit or contribution adjusted; 0 for the first of its code
  bool acrescimo = false;
  double valor = 0;
  std::string codigo_ajuste, documento, descricao;
  TDateTime data;
  std::string cnpj, conta, complemento;  // of a base's adjustment; the account also of a detail
  // The detail of a credit's or contribution's adjustment, when valor_detalhe > 0.
  double valor_detalhe = 0, base_detalhe = 0, aliquota_detalhe = 0;
  std::string cst_detalhe, descricao_detalhe;
  TDateTime data_detalhe;

  // Whether it adjusts this credit or contribution.
  bool De(char o, const std::string& c, double a) const;
  // The amount with its sign: positive for an increase.
  double Efeito() const { return acrescimo ? valor : -valor; }
};

// The adjustments of the company's assessment of the EFD's month, for PIS
// or COFINS; the base's adjustments only from 2019, when the file has them.
// Their accounts are declared in 0500 and a base's establishment is found
// among the file's 0140 (the header's branch when the adjustment names none).
// EErro naming the field when an indicator, code or amount is invalid.
std::vector<TAjusteApuracao> LerAjustesApuracao(TxbSession& sessao, int id_efd, bool cofins);

}  // namespace efd
