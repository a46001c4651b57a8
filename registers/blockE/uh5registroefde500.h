// Register E500 of block E (see the class comment).
#pragma once

#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/blockE/apuracao.h"
#include "registers/blockE/rubricas.h"
#include "uh0registroefde500.h"

namespace efd {

// E500 and its group: the IPI assessment of the period (E500), the IPI of
// the period's documents by CFOP and IPI tax situation (E510) and the
// assessment's balances (E520) with the adjustments of the period's IPI
// rubric documents (E530) with their origin documents (E531), generated from the ERP's IPI
// assessment. Without the assessment module nothing is generated; without an assessment of the
// period the E500 of the file's period stands alone.
//
// Writer: the last of block E. It writes "|E001|0|" when the block has no
// line yet, each E500 followed by its E510 lines and its E520 lines, each E520
// followed by its E530 lines (each with its E531 lines), then closes the
// block: "|E001|1|" when nothing at all was written in it, and
// "|E990|" + the block's lines; "QtdeLinhasBloco_E" ends with the count.
class Th5RegistroEFDE500 : public Th0RegistroEFDE500 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  void DestroyKLV() override;

  // The layout's IPI tax situation of the ERP's letter (A "00" .. O "99").
  static std::string RetornarSituacaoTribIPI(const std::string& codigo);
  // IND_AJ of the document type's kind: 1, 4, 6 debit "0"; 2, 3 credit "1";
  // empty otherwise.
  static std::string RetornarTipoAjuste(const std::string& tipo);
  // IND_DOC of a process's origin: 0, 1/3, 2/4, 9 and A ("3"); "9" otherwise.
  static std::string RetornarIndAjuste(const std::string& indicador);

 private:
  void IncluirE510(int id_e500, int bloco, int filial, TDateTime inicio, TDateTime fim);
  void IncluirE530(int id_efd, int id_e520, int bloco, int filial, TDateTime inicio, TDateTime fim);
  // The origin document of an adjustment (E531), its issuer registered in
  // 0150; nothing for a document without number.
  void IncluirE531(int id_efd, int id_e530, int bloco, TDateTime inicio, TDateTime fim,
                   const TLinhaRubrica& linha);

  std::shared_ptr<Th5RegistroEFD0150> participantes_;
  std::shared_ptr<ThbObjetoNegocio> e531_;
};

}  // namespace efd
