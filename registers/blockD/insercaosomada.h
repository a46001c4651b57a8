// Merge-insertion of the registers that total by a key under their parent
// (D190, D101, D105, D501, D505): the first row of a key is inserted, a
// later one adds its amounts to the stored row.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "control/linhasregistros.h"
#include "registers/blockC/uh5registroefdc190.h"

namespace efd {

// The analytic totals of block D's documents (D190, D590, D730) add up by
// CST, CFOP and rate as block C's do.
using TAnaliticoD = TAnaliticoC190;
using TAnaliticosD = TAnaliticosC190;

class TInsercaoSomada {
 public:
  // chave: the fields that find a row (the parent link first); somas: the
  // amounts added on a match; outros: the fields set on insertion, and on a
  // match too when atualizar_outros.
  TInsercaoSomada(TxbSession& sessao, const std::string& codigo, std::vector<std::string> chave,
                  std::vector<std::string> somas, std::vector<std::string> outros,
                  bool atualizar_outros);
  // The row of the key, inserted or added to.
  int64_t Incluir(int bloco, int tipo, const std::vector<TVariant>& chave,
                  const std::vector<double>& somas, const std::vector<TVariant>& outros);

 private:
  TxbSession& sessao_;
  size_t n_somas_;
  bool atualizar_outros_;
  TxbInsercaoRegistro insercao_;
  std::string atualizacao_;
  std::map<std::string, int64_t> linhas_;
};

}  // namespace efd
