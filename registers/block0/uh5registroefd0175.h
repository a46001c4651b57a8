// Register 0175 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0175.h"

namespace efd {

// 0175: a change of a participant's registration data inside the period,
// under its 0150 row. Inserted by the participant's insertion (0150); the
// 0150 writer writes these lines under their parent, this class writes none.
class Th5RegistroEFD0175 : public Th0RegistroEFD0175 {
 public:
  // EFD, block-0 row, 0150 row, date of the change, the ERP's code of the
  // changed field, previous content, (unused) -> the row identifier, 0 when
  // the field is not one of 0150's or the same change is already there.
  int INTERNO_IncluirNovo(int id_efd, int bloco, int id_0150, TDateTime data,
                          const std::string& campo, const std::string& anterior, int) override;
  int INTERNO_Incluir(int id_efd, int bloco, int id_0150, TDateTime data, const std::string& campo,
                      const std::string& anterior, int) override;

 private:
  bool indexado_ = false;
};

// The 0150 field number of the ERP's code of a changed field ("0" -> "03",
// "A" -> "13"); "" for any other code.
std::string CampoAlterado0150(const std::string& campo_erp);

}  // namespace efd
