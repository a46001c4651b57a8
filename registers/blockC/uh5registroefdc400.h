// Register C400 of block C (see the class comment).
#pragma once

#include <memory>
#include <string>

#include "control/uh5registrosefd.h"
#include "uh0registroefdc400.h"

namespace efd {

class TxbSession;
struct TEstabelecimentoC100;

// C400: the fiscal printers (ECF) of the branch, generated in one pass with
// everything their daily closings carry: per closing of the period a C405
// with its PIS/COFINS (C410), its partial totalizers (C420) with the items
// sold under each (C425), its coupons (C460, with those the user typed as
// cancelled) with their items (C470) and its analytic totals by CST, CFOP
// and rate (C490). A C490 whose closing's
// ICMS differs from the printer's total by one to five cents takes the
// difference on its largest row. On the way the items and their units go
// to block 0 (0200, 0190).
//
// Writer: "|C001|0|" when the block has no line yet, then each C400 line
// with its closings and everything under them in the layout's order, all
// added to "QtdeLinhasBloco_C". Nothing in the PIS/COFINS model, where an
// establishment's printers stand under its C010 and each closing carries
// its sales by CST, rate and item for PIS (C481) and COFINS (C485).
class Th5RegistroEFDC400 : public Th0RegistroEFDC400 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& registros,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  int INTERNO_RetornarQtdReg(int id_efd) override;

  // The partial totalizer code of an ICMS rate ("01T1700" for 17 %).
  std::string CodigoTotalizadorICMS(double aliquota);
  // "02" for a coupon the printer cancelled (SituacaoCF "1"), else "00".
  static std::string SituacaoCupom(const std::string& situacao_cf);
  // The difference that reconciles the C490 ICMS of a closing with the
  // printer's total: the printer's minus the rows', when both are non-zero
  // and it lies between 0.01 and 0.05 in absolute value; else 0.
  static double AcertoDeArredondamento(double total_reducao, double total_c490);
};

// Stores the printers of an establishment of the PIS/COFINS file and their
// closings of the period under its C010 (see the class comment); the number
// of C400 rows.
int GerarC400(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
              const TEstabelecimentoC100& estabelecimento);

}  // namespace efd
