// Register C500 of block C (see the class comment).
#pragma once

#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdc500.h"

namespace efd {

class TpbBD;
class TxbSession;
struct TEstabelecimentoC100;

// C500: the electricity, water and gas bills (models 06, 28, 29 and 66) of
// the branch and period, generated in one pass with their items (C510) and
// their analytic totals by CST, CFOP and rate (C590): the bill's own ICMS
// and ICMS-ST open totals of CST 000 that its goods and services add to. On
// the way the bills insert their participants (0150) and their items and
// units (0200, 0190). A cancelled bill is stored with its identification
// only. A company that wants them has a bill's ICMS adjustments kept under
// an observation (0460) of the bill.
//
// In the PIS/COFINS model the bills an establishment acquired stand under
// its C010, each with its PIS (C501) and COFINS (C505) by CST and rate and
// the process it names (C509); the bills it issued are not reported there.
//
// Writer: each C500 line followed by its C510 and C590 lines and, with an
// observation, by its C595 and the adjustments summed by code, rate and
// text (C597), counted apart for block 9; all added to "QtdeLinhasBloco_C". The fields of 2020 end
// the line from 2020 on, those of 2022 from 2022. Nothing in the PIS/COFINS model, whose block C
// writer writes the bills with their C501/C505 shares.
class Th5RegistroEFDC500 : public Th0RegistroEFDC500 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& registros,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  int INTERNO_RetornarQtdReg(int id_efd) override;

  // The file's voltage group of the ERP's code: "1".."9" give "01".."09",
  // "A".."D" give "10".."13", an empty code "01"; another code is kept.
  static std::string RetornarGrupoTensao(const std::string& codigo);
  // The table hint that reads without locking, where the database has one.
  static std::string NoLockSql(const TpbBD& bd);
  // "02" for a bill the ERP cancelled (SituacaoNF "1"), else "00".
  static std::string SituacaoConta(const std::string& situacao_nf);
  // The issuer indicator of a series type: the type minus 1 (own issue 0,
  // third party 1); 0 when the bill has no series type.
  static int IndicadorEmitente(const std::string& tipo_serie);
};

// Stores the bills an establishment of the PIS/COFINS file acquired in the
// period under its C010 (see the class comment); the number of C500 rows.
int GerarC500(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
              const TEstabelecimentoC100& estabelecimento);

}  // namespace efd
