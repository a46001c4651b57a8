// Register 0300 of block 0 (see the class comments).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0300.h"

namespace efd {

// 0300: the fixed assets and components whose ICMS credit block G reports,
// inserted by block G's generation, once per asset code. Its writer writes
// each 0300 line followed by its 0305 lines, all counted in
// "QtdeLinhasBloco_0".
class Th5RegistroEFD0300 : public Th0RegistroEFD0300 {
 public:
  // EFD, block row, register type, asset code, asset/component indicator,
  // description, main asset code, analytic account, number of instalments
  // -> the row identifier; nothing is inserted (0) when the EFD or the block
  // identifier is below 1.
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& codigo,
                      const std::string& indicador, const std::string& descricao,
                      const std::string& principal, const std::string& conta,
                      int parcelas) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
