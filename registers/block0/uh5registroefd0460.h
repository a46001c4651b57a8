// Register 0460 of block 0 (see the class comment).
#pragma once

#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0460.h"

namespace efd {

// 0460: the observation texts of the fiscal entries that documents cite by
// code. Equal texts share a code; codes run from 1 in each generation,
// the last one kept in the session as "CODIGO_Registro_0460".
//
// Writer: "|0460|COD_OBS|TXT|" for each row of block 0, added to
// "QtdeLinhasBloco_0", with "|0001|0|" first when the block has rows and
// only the 0000 line was written; it sets "QtdeLinhasBloco_0460_C595" to 0.
class Th5RegistroEFD0460 : public Th0RegistroEFD0460 {
 public:
  // EFD, block-0 row (0: the session's "ID_Bloco0" or looked up), register
  // type (0: the session's "IDF_Registro_0460" or looked up), text, (unused)
  // -> the observation code.
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& texto, int) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  // An observation of a fixed code (a state's note), stored once per code;
  // fixed codes lie far above the running ones.
  void IncluirComCodigo(int id_efd, int bloco, int tipo, const std::string& codigo,
                        const std::string& texto);

 private:
  void Abrir(int id_efd);
  void Gravar(int id_efd, int bloco, int tipo, const std::string& codigo, const std::string& texto);
  int efd_carregada_ = 0;
};

}  // namespace efd
