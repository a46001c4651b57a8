// What a goods document carries under its complementary texts besides the
// ERP's own texts: the documents it refers to (C113), the collection
// documents that paid its tax (C112), the coupons of fiscal printers it was
// issued for (C114) and the place its goods were delivered to (C115); and
// under its items, their medicine batches (C173).
//
// Read a page of documents at a time, one statement per kind of record.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "framework/xbvariant.h"

namespace efd {

class TxbSession;

// A document the ERP records as referred to, as it was typed.
struct TDocReferenciadoC113 {
  std::string ind_oper, ind_emit, modelo, serie, subserie, numero, chave;
  int64_t ident = 0;  // its participant, 0 when none
  TDateTime emissao;
};

// A state's collection document (modelo "0") or a GNRE ("1").
struct TArrecadacaoC112 {
  std::string modelo, uf, numero, autenticacao;
  double valor = 0;
  TDateTime vencimento, pagamento;
};

struct TCupomC114 {
  std::string serie_ecf, caixa, coo;
  TDateTime emissao;
};

// The delivery place as its own registration names it.
struct TLocalEntregaC115 {
  std::string cnpj, ie, municipio;
};

struct TComplementosC110 {
  std::map<int64_t, std::vector<TDocReferenciadoC113>> referenciados;
  std::map<int64_t, std::vector<TArrecadacaoC112>> arrecadacoes;
  std::map<int64_t, std::vector<TCupomC114>> cupons;  // one per printer, COO and day
  std::map<int64_t, TLocalEntregaC115> locais;
};

// A batch of a medicine item (C173), with the file's indicator letter.
struct TLoteC173 {
  std::string lote, indicador, tipo;
  double quantidade = 0, preco = 0;
  TDateTime fabricacao, validade;
};

// The batches of the items of the documents ids, by item; none unless the
// ERP keeps batches ("Lote").
std::map<int64_t, std::vector<TLoteC173>> CarregarLotesC173(TxbSession& sessao,
                                                            const std::vector<int64_t>& ids);

// The stored fields of C112, C113, C114, C115 or C173, in the line's order
// (C113's access key last).
const std::vector<std::string>& CamposDoComplementoC110(const std::string& codigo);

// The records of the documents ids (ERP identifiers), by document. Coupons
// only when the ERP keeps them ("DoctoCupFiscal").
TComplementosC110 CarregarComplementosC110(TxbSession& sessao, const std::vector<int64_t>& ids);

}  // namespace efd
