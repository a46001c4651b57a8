// Register 0000 opens the file: the declarant, the period, the layout version
// and the purpose of the file. Its writer runs first: it stores the model in
// the session ("ModeloEFD") and starts the block-0 counter.
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0000.h"

namespace efd {

// COD_VER of the layout by the period's start.
std::string VersaoLeiaute(TDateTime inicio);

class Th5RegistroEFD0000 : public Th0RegistroEFD0000 {
 public:
  std::set<int> EventosCDS() const override { return {3}; }
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;

 private:
  void PreencherDeclarante(T2bDados& efd);
};

}  // namespace efd
