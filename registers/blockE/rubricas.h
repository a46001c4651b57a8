// The rubric documents of the ERP (documents of standard 132) whose lines
// adjust an assessment: each line's tax, adjustment code, description and
// value, and the judicial or administrative processes of the document.
#pragma once

#include <string>
#include <vector>

#include "framework/xbsession.h"
#include "framework/xbvariant.h"

namespace efd {

struct TLinhaRubrica {
  int id_docto = 0;
  std::string nro_docto;
  std::string tipo;    // TpDoctoFis_Tipo of the document's type
  std::string codigo;  // the code of the type's adjustment table, trimmed
  std::string descricao;
  double valor_fiscal = 0;  // ParDFisRub_ValorFiscal
  double valor = 0;         // ParDFisRub_Valor
  int id_docto_origem = 0;
};

// Which adjustment table of the document type gives the code: the ICMS
// assessment's (8-character codes) or the IPI's.
enum class TTabelaAjuste { ICMS, IPI };

// The lines of the tax in the branch's rubric documents entered in the
// period, by document and line; documents whose type has no table of the
// kind, or whose type is "C", give none. Empty when the ERP lacks the
// rubric families.
std::vector<TLinhaRubrica> RubricasDoPeriodo(TxbSession& sessao, int id_filial, TDateTime inicio,
                                             TDateTime fim, int id_imposto, TTabelaAjuste tabela);

struct TProcesso {
  std::string nro_doc_arrec, nro_proc, ind_proc, desc_proc;
};

// The document's processes that have a number.
std::vector<TProcesso> ProcessosDoDocumento(TxbSession& sessao, int id_docto);

}  // namespace efd
