// The block rows of one generation ("Bloco 0", "Bloco C", ...): writers find
// their rows through them.
#pragma once

#include "uh0blocosefd.h"

namespace efd {

class Th5BlocosEFD : public Th0BlocosEFD {
 public:
  int INTERNO_Incluir(int id_efd, const std::string& nome, const std::string& descricao,
                      int tipo_bloco) override;
};

}  // namespace efd
