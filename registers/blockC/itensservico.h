// The service items of documents read as their goods items are, for the
// bills whose items may be services (utility bills of block C,
// communication bills of block D).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "registers/blockC/documentosc100.h"

namespace efd {

class TxbSession;

struct TItensServico {
  // By document, in item order: the service stands as the item's product
  // (its code and name, item type "J"), with the quantity, value, discount
  // and CFOP of the item and the ICMS class, base, rate and value, PIS and COFINS of
  // the item's taxes.
  std::map<int64_t, std::vector<TItemDocumentoC100>> itens;
  std::map<int64_t, std::string> codigos_servico;  // by item, its code of the service list
};
// Given a branch (filial above 0), an item whose taxes give no ICMS class
// takes that of its service family's tax rule in the branch: of several
// rules of the family there, the one of the lowest identifier.
TItensServico CarregarItensServico(TxbSession& sessao, const std::vector<int64_t>& documentos,
                                   int filial = 0);

// f(item, code) for each goods item of a document (code null), then for
// each of its service items with the service's code of the service list.
template <typename F>
void PercorrerItensDoDocumento(const std::map<int64_t, std::vector<TItemDocumentoC100>>& produtos,
                               const TItensServico& servicos, int64_t documento, F f) {
  if (auto p = produtos.find(documento); p != produtos.end())
    for (const TItemDocumentoC100& i : p->second) f(i, nullptr);
  if (auto s = servicos.itens.find(documento); s != servicos.itens.end())
    for (const TItemDocumentoC100& i : s->second) f(i, &servicos.codigos_servico.at(i.id));
}

// The 0200 code of a document's item: "S" + code for a service, "P" + code
// for a product, the bare code when the company wants no prefix.
std::string CodigoItemDocumento(const std::string& codigo, bool servico, bool sem_prefixo);

}  // namespace efd
