// Register A110 of block A (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefda110.h"

namespace efd {

// A110: a complementary text of a service document, by its 0450 code.
// Incluir (EFD, block, register type, A100 row, code, text, unused) stores
// the text once per document and code, on one line; returns the row.
class Th5RegistroEFDA110 : public Th0RegistroEFDA110 {
 public:
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, int id_a100, const std::string& codigo,
                      const std::string& texto, int) override;
};

}  // namespace efd
