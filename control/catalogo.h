// The catalogue of blocks and register types of both models, shipped with
// the program and loaded when a database is initialised.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace efd {

class TxbSession;

struct TxbLinhaCatalogo {
  char bloco;
  std::string descricao_bloco;
  std::string codigo;  // empty on a block's own line
  int nivel = 0;
  std::string descricao;
};

// The shipped catalogue of a model (1 ICMS/IPI, 2 PIS/COFINS).
std::vector<TxbLinhaCatalogo> CatalogoDoModelo(int modelo);

// Creates the block types and register types that the database lacks and
// brings the existing ones up to date; committed. Returns the number of rows
// created.
int CarregarCatalogo(TxbSession& sessao);

}  // namespace efd
