// Register C590 of block C (see the class comment).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "control/linhasregistros.h"
#include "control/uh5registrosefd.h"
#include "uh0registroefdc590.h"

namespace efd {

struct TAnaliticoC190;

// C590: the analytic totals of a utility bill by CST, CFOP and rate,
// stored by the C500 generation and written under their bill.
class Th5RegistroEFDC590 : public Th0RegistroEFDC590 {
 public:
  void DestroyKLV() override;
  // Inserts one total under the C500 row; the new row.
  int64_t Incluir(int bloco, int tipo, int64_t c500, const TAnaliticoC190& total,
                  const std::string& cod_obs);

  static const std::vector<std::string>& CamposDaLinha();

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
