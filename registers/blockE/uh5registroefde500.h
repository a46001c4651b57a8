// Register E500 of block E (see the class comment).
#pragma once

#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/blockE/apuracao.h"
#include "uh0registroefde500.h"

namespace efd {

// E500 and its group: the IPI assessment of the period (E500), the IPI of
// the period's documents by CFOP and IPI tax situation (E510) and the
// assessment's balances (E520), generated from the ERP's IPI assessment.
// Without the assessment module nothing is generated; without an
// assessment of the period the E500 of the file's period stands alone.
//
// Writer: the last of block E. It writes "|E001|0|" when the block has no
// line yet, each E500 followed by its E510 and E520 lines, then closes the
// block: "|E001|1|" when nothing at all was written in it, and
// "|E990|" + the block's lines; "QtdeLinhasBloco_E" ends with the count.
class Th5RegistroEFDE500 : public Th0RegistroEFDE500 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;

  // The layout's IPI tax situation of the ERP's letter (A "00" .. O "99").
  static std::string RetornarSituacaoTribIPI(const std::string& codigo);

 private:
  void IncluirE510(int id_e500, int bloco, int filial, TDateTime inicio, TDateTime fim);
};

}  // namespace efd
