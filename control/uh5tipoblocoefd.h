// Block types of the catalogue: which blocks each model has, in file order.
#pragma once

#include "uh0tipoblocoefd.h"

namespace efd {

class Th5TipoBlocoEFD : public Th0TipoBlocoEFD {
 public:
  void CreateKLV() override;
  std::set<int> EventosCDS() const override { return {0}; }
  void AfterIncluirRegistroCDS() override;
  // Opens the block type of the model with that name; false when the model
  // is 0, the name is empty or nothing is found.
  bool INTERNO_Selecionar(int modelo, const std::string& nome, const std::string& visao) override;
  int INTERNO_Incluir(int modelo, const std::string& nome, const std::string& descricao,
                      int ordem) override;
};

}  // namespace efd
