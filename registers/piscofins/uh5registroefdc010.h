// Register C010 of block C (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdc010.h"

namespace efd {

// C010: an establishment of the PIS/COFINS model's block C, under which its
// goods documents stand (C100 with C110/C111, C120, C170 and C175), its
// fiscal printers (C400 with each closing's C405 and C481/C485, or on the
// cumulative regime their sales of the period in C490 with C491/C495) and the
// utility bills it acquired (C500 with C501, C505 and C509).
//
// Writer: the whole block C of that model, "|C001|0|" to "|C990|n|": each
// C010 followed by its documents, printers and bills, a page at a time,
// each with its children;
// "|C001|1|" when no establishment has documents. Sets
// "QtdeLinhasBloco_C". Nothing in the ICMS/IPI model.
class Th5RegistroEFDC010 : public Th0RegistroEFDC010 {
 public:
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
