// Register F010 of block F (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdf010.h"

namespace efd {

// F010: an establishment of the PIS/COFINS model's block F, under which its
// other operations stand (F100 with their processes F111), the credits of
// its fixed assets (F120 with F129, F130), the contributions withheld at
// source from its revenues (F600) and its other deductions (F700).
//
// Writer: the whole block F, "|F001|0|" to "|F990|n|": each F010 followed
// by its F100, F120, F130, F600 and F700 lines, each with the lines of its
// processes; "|F001|1|" when no establishment has any. The other registers
// of block F (F139, F150, F200 to F211, F800) are stored by the ERP and not
// written.
// Sets "QtdeLinhasBloco_F". Nothing in the ICMS/IPI model.
class Th5RegistroEFDF010 : public Th0RegistroEFDF010 {
 public:
  std::string INTERNO_GerarArquivo(int id_efd) override;

  // The layout's nature of a withholding by the first character of the
  // ERP's: "1" -> "01" .. "5" -> "05", "9" -> "99"; "" for another.
  static std::string RetornarIndNatRetencao(const std::string& codigo);
};

}  // namespace efd
