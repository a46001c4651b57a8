// The revenues of a presumed-profit establishment whose file consolidates
// them instead of itemising its documents: by cash (F500 and F510 per CST,
// rate, model, CFOP and account, with F525 detailing each receipt by
// document) or by competence (F550 and F560). By cash the revenue is what
// the branch received in the month (the ERP's receipts of its output
// documents); by competence, the output documents it issued in the month.
// Either way each document's items give the classification, a receipt
// taking each item's share of the document's total.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "registers/piscofins/blocosestabelecimento.h"

namespace efd {

// Whether the file's taxation is cumulative alone (its 0110 states 2).
bool RegimeCumulativo(TxbSession& sessao, int id_efd);

// The cumulative regime's basis when the file consolidates the revenues:
// "1" by cash, "2" by competence; empty when the documents are itemised
// (non-cumulative taxation, or the cumulative regime's detailed basis).
std::string RegimeConsolidado(TxbSession& sessao, int id_efd);

// The fields of a consolidation line, in the file's order: revenue by cash
// (F500, F510) or by competence (F550, F560), then each contribution's CST,
// deductions, base and rate (in value, or in quantity and reais per unit)
// and amount, then model, CFOP, account and complement.
std::vector<std::string> CamposConsolidacao(const char* receita, bool quantidade);

// Whether the branch has revenues to consolidate in the period.
bool MovimentoReceitasPresumidas(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial);

// The consolidations and details under the establishment's F010.
void GerarReceitasPresumidas(const TEstabelecimento& estabelecimento, int bloco, int64_t id_f010);

}  // namespace efd
