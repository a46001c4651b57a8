// Register 0140 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0140.h"

namespace efd {

// 0140: the establishments of the PIS/COFINS model, one per branch, each
// with its own participants (0150), units (0190), items (0200 with 0205 and 0206),
// natures (0400) and texts (0450), which stand under it by their link to
// the 0140 row.
//
// Writer: each 0140 followed by its rows of those registers, in that order,
// all fields trimmed; the state registration is empty when it says
// "ISENTO". Lines are added to "QtdeLinhasBloco_0". Nothing in the ICMS/IPI
// model.
class Th5RegistroEFD0140 : public Th0RegistroEFD0140 {
 public:
  // EFD, block-0 row, register type, establishment code, name, CNPJ, state,
  // (unused), state registration, municipality, municipal registration,
  // SUFRAMA, (unused), (unused) -> the 0140 row, existing or new.
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& codigo,
                      const std::string& nome, const std::string& cnpj, const std::string& uf, int,
                      const std::string& ie, const std::string& municipio, const std::string& im,
                      const std::string& suframa, int, int) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;

 private:
  int bloco_aberto_ = 0;  // the block row whose establishments the dataset holds
};

}  // namespace efd
