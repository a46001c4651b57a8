// Register 0190 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0190.h"

namespace efd {

// 0190: the units of measure of the items (0200) and of their conversions
// (0220), inserted on demand once per unit code and establishment.
//
// Writer: "|0190|UNID|DESCR|" for each row of block 0, added to
// "QtdeLinhasBloco_0"; it never writes "|0001|". Nothing in the PIS/COFINS
// model, where 0140 writes the units under the establishment.
class Th5RegistroEFD0190 : public Th0RegistroEFD0190 {
 public:
  // EFD, block-0 row, register type, unit code, description, 0140 row (0
  // for none) -> the 0190 row, existing or new.
  int INTERNO_IncluirNovo(int id_efd, int bloco, int tipo, const std::string& codigo,
                          const std::string& descricao, int id_0140) override;
  // EFD, unit code, description, 0140 row: the block row and the register
  // type looked up.
  int INTERNO_Incluir(int id_efd, const std::string& codigo, const std::string& descricao,
                      int id_0140) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;

 private:
  int bloco_aberto_ = 0;  // the block row whose units the dataset holds
};

}  // namespace efd
