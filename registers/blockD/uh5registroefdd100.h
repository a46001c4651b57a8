// Register D100 of block D (see the class comment).
#pragma once

#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdd100.h"

namespace efd {

// D100: the transport documents of the branch and period (models 07, 08,
// 8B, 09, 10, 11, 26, 27, 57, 67 and, from 2018, 63), from the ERP's own
// transport documents and from the freight bills typed on goods entries,
// generated in one pass with their items D110 (model 07 services),
// complements D130 (model 08 with delivery data), analytic totals D190 and
// observations D195 with their adjustments D197. On the way the documents
// insert their participants (0150), items and units (0200, 0190), texts
// (0450, 0460) and accounts (0500).
//
// Writer: "|D001|0|" when the block has documents, then each D100 line
// (the two municipality fields from 2018) followed by its D101, D110,
// D120, D130, D160/D162, D190 and D195/D197 lines, all counted in
// "QtdeLinhasBloco_D". D101 of this model, D120, D160 and D162 are stored
// by the ERP's components; they are written when they exist.
// Nothing in the PIS/COFINS model, whose block D is written under D010.
class Th5RegistroEFDD100 : public Th0RegistroEFDD100 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& registros,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  int INTERNO_RetornarQtdReg(int id_efd) override;

  // IND_FRT of the ERP's freight letter for a contracted ("0") or rendered
  // ("1") service; the letters changed meaning after 1 July 2012.
  static std::string RetornarIndicadorFrete(const std::string& letra, const std::string& operacao,
                                            TDateTime data);
  // COD_SIT of a transport document: cancelled ones, and own outputs whose
  // electronic document was not authorised, by the electronic situation
  // ("7" voided 05, "9" denied 04, another 02); every other one 00.
  static std::string SituacaoDocumento(const std::string& situacao_nf,
                                       const std::string& situacao_nfe, const std::string& operacao,
                                       int ind_emit);
};

}  // namespace efd
