// Block 9 closes the file: 9001, one 9900 line per register code with its
// count, the opening and closing counts of every block with lines, 9990 and
// 9999. It has no rows: the counts come from the register tables and from the
// block counters the other writers left, so its writer runs last.
#pragma once

#include <map>
#include <string>

#include "control/leiauteefd.h"
#include "control/uh5registrosefd.h"
#include "uh0registroefd9900.h"

namespace efd {

class Th5RegistroEFD9900 : public Th0RegistroEFD9900 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;

 private:
  // The generation's rows of each register table (upper-case name).
  std::map<std::string, int> ContarPorTabela(int id_efd);
  // The block's line counter as the writers left it.
  int ContagemDoBloco(const TxbBlocoLeiaute& bloco) const;
};

}  // namespace efd
