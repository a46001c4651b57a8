// The last purchases that an output of goods under ICMS-ST refers to when
// the branch asks the refund of the tax withheld on their entry (C176).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "framework/xbvariant.h"

namespace efd {

class TxbSession;

// The last entry of an output item's product before the output, with the
// taxes the entry carried and who withheld its ICMS-ST.
struct TUltimaEntradaC176 {
  std::string cfop;  // of the output item
  std::string modelo, numero, serie, chave;
  TDateTime data;
  int64_t fornecedor = 0;
  int item = 0;
  double quantidade = 0, unitario = 0, icms_base = 0, icms_base_obs = 0, icms_aliq = 0,
         icms_valor = 0, icms_valor_obs = 0, st_base = 0, st_base_obs = 0, st_aliq = 0, fcp_st = 0;
  // The substitute's NF-e that withheld the tax (substituto 0: none).
  int64_t substituto = 0;
  std::string chave_ret, serie_ret, numero_ret;
  int item_ret = 0;
  // The collection document that paid it (modelo_arrecadacao empty: none).
  std::string modelo_arrecadacao, numero_arrecadacao;
};

// Whether an output of this CFOP (as the ERP writes it, "6.108") to a
// customer who is or is not an ICMS taxpayer may claim the refund.
bool CFOPComRessarcimentoC176(const std::string& cfop, bool contribuinte);

// The last entries of the output items of the documents ids (ERP
// identifiers) whose CFOP may claim the refund, by output item: the
// branch's last purchase of the product up to the output's date, when it
// carried ICMS-ST (base and rate) and its own ICMS. Purchases kept as ERP
// documents and purchases typed before them are read by one statement
// each, whatever the number of documents.
std::map<int64_t, TUltimaEntradaC176> CarregarUltimasEntradasC176(TxbSession& sessao,
                                                                  const std::vector<int64_t>& ids);

}  // namespace efd
