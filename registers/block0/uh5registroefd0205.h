// Register 0205 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "registers/block0/referencias.h"
#include "uh0registroefd0205.h"

namespace efd {

// 0205: an earlier code or description of an item (0200), inserted by the
// item's insertion for each change of the product that ended inside the
// period. The 0200 writer writes these lines under their item; this class
// writes none.
class Th5RegistroEFD0205 : public Th0RegistroEFD0205 {
 public:
  // EFD, block-0 row, branch whose earlier files are checked (0: none),
  // months back the check looks (0: 12), earlier code, earlier description,
  // first and last day of the earlier data, 0200 row, whether item codes go
  // without the "P" prefix -> the row identifier; 0 when there is nothing to
  // insert or the earlier code was already reported by an earlier file of
  // the branch and model.
  int INTERNO_IncluirNovo(int id_efd, int bloco, int filial, int meses,
                          const std::string& codigo_anterior, const std::string& descricao_anterior,
                          TDateTime inicio, TDateTime fim, int id_0200, bool sem_prefixo) override;

 private:
  bool JaInformado(const std::string& codigo, int filial, int meses);

  TxbCabecalhoEFD cabecalho_;
};

}  // namespace efd
