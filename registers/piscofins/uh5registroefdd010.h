// Register D010 of block D (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdd010.h"

namespace efd {

// D010: an establishment of the PIS/COFINS model's block D, under which the
// services it took stand, transport (D100 with D101/D105) and communication
// (D500 with D501/D505), and the consolidations of those it rendered
// (D200 with D201/D205, D600 with D601/D605).
//
// Writer: the whole block D of that model, "|D001|0|" to "|D990|n|": each
// D010 followed by its D100, D200, D500 and D600 rows, a page at a time,
// each with its children; "|D001|1|" when no establishment has documents.
// Sets "QtdeLinhasBloco_D". Nothing in the ICMS/IPI model.
class Th5RegistroEFDD010 : public Th0RegistroEFDD010 {
 public:
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

}  // namespace efd
