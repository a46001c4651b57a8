// Register 0500 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0500.h"

namespace efd {

// 0500: the accounting accounts that other registers cite, inserted on
// demand, once per account and date of inclusion.
class Th5RegistroEFD0500 : public Th0RegistroEFD0500 {
 public:
  // EFD, block row, register type, account code, account name, level, (unused),
  // the ERP's nature digit, synthetic/analytic indicator, referenced account,
  // (unused) -> the row identifier.
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& conta,
                      const std::string& nome, const std::string& nivel, int,
                      const std::string& natureza, const std::string& indicador,
                      const std::string& conta_referencial, bool) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
};

// The file's nature code of an ERP nature digit ("1" -> "01", "9" -> "99").
std::string NaturezaDaConta(const std::string& digito);

}  // namespace efd
