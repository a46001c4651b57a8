// Register A010 of block A (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefda010.h"

namespace efd {

// A010: an establishment of the PIS/COFINS model's block A, under which its
// service documents stand (A100 with A110 and A170).
//
// Writer: the whole block A, "|A001|0|" to "|A990|n|": each A010 followed
// by its documents a page at a time, each with its texts and items;
// "|A001|1|" when no establishment has services. Sets "QtdeLinhasBloco_A".
// Nothing in the ICMS/IPI model.
class Th5RegistroEFDA010 : public Th0RegistroEFDA010 {
 public:
  std::string INTERNO_GerarArquivo(int id_efd) override;

  // The layout's situation of a service document from the ERP's: "1"
  // (cancelled) gives "02", any other "00".
  static std::string RetornarSituacaoPeloIndice(const std::string& codigo);
};

}  // namespace efd
