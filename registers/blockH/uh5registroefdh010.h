// Register H010 of block H (see the class comment).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "control/uh5registrosefd.h"
#include "uh0registroefdh010.h"

namespace efd {

class TxbInsercaoRegistro;

// H010: one item of an inventory (H005) per item code, ownership and
// holder. Its rows are written by the H005 writer.
class Th5RegistroEFDH010 : public Th0RegistroEFDH010 {
 public:
  Th5RegistroEFDH010();
  ~Th5RegistroEFDH010() override;

  // Merge-insert of an item under an inventory: a row of the same item,
  // ownership and holder receives the quantity and value (own goods held by
  // the branch, ownership "0", are counted once: a repeated one changes
  // nothing), unless the session value "DRCCONSOLIDADA" is "T", which keeps
  // every call a row of its own. The rows of one item come together (the
  // inventory reads its sources product by product): only those of the
  // current item are remembered, so that an inventory of any size keeps a
  // few rows in memory. Returns the row (RegEFDH010_ID).
  int Incluir(int bloco, int tipo, int id_h005, const std::string& cod_item,
              const std::string& unidade, double quantidade, double valor_unitario,
              double valor_total, const std::string& ind_prop, const std::string& cod_part,
              const std::string& texto, const std::string& conta);

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
  // The current item (H005, code) and its rows by ownership and holder.
  std::pair<int, std::string> item_;
  std::map<std::pair<std::string, std::string>, int> linhas_;
};

}  // namespace efd
