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
  int id_tipo_docto = 0;
  int id_docto_compra = 0;  // ParDFisRub_IDF_DoctoNFCompra
};

// Which adjustment table of the document type gives the code: the ICMS
// assessment's (8-character codes), the same table for the ICMS-ST of one
// state, or the IPI's.
enum class TTabelaAjuste { ICMS, ICMSST, IPI };

// The lines of the tax in the branch's rubric documents entered in the
// period, by document and line; documents whose type has no table of the
// kind give none, nor, for ICMS and IPI, those whose type is "C". For the
// ICMS-ST only types of the state `id_uf` whose register kind is A, B, G or
// I count. Empty when the ERP lacks the rubric families.
std::vector<TLinhaRubrica> RubricasDoPeriodo(TxbSession& sessao, int id_filial, TDateTime inicio,
                                             TDateTime fim, int id_imposto, TTabelaAjuste tabela,
                                             int id_uf = 0);

struct TProcesso {
  std::string nro_doc_arrec, nro_proc, ind_proc, desc_proc;
};

// The document's processes that have a number.
std::vector<TProcesso> ProcessosDoDocumento(TxbSession& sessao, int id_docto);

// A document an adjustment refers to: its issuer, model, series, number,
// issue date and access key.
struct TDocumentoAjuste {
  int id_ident = 0;
  std::string modelo, serie, numero, chave;
  TDateTime emissao;
};

// The document an adjustment originates in; false when there is none.
bool LerDocumentoDeOrigem(TxbSession& sessao, int id_docto, TDocumentoAjuste& documento);

// The branch's purchase document an adjustment refers to, when its items
// carry adjustments of the tax of the type (`tipo_ajuste`); false otherwise.
bool LerDocumentoDeCompra(TxbSession& sessao, int id_docto, int id_filial, int id_imposto,
                          const std::string& tipo_ajuste, TDocumentoAjuste& documento);

}  // namespace efd
