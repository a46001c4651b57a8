// Register C190 of block C (see the class comment).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "control/linhasregistros.h"
#include "control/uh5registrosefd.h"
#include "uh0registroefdc190.h"

namespace efd {

// One analytic total of a document: its items of one ICMS CST, CFOP and
// rate, with their FCP.
struct TAnaliticoC190 {
  std::string cst, cfop;
  double aliquota = 0, operacao = 0, base = 0, icms = 0, base_st = 0, st = 0, reducao = 0, ipi = 0,
         fcp_op = 0, fcp_st = 0, fcp_ret = 0;
};

struct TItemDocumentoC100;
// What an item of a document adds to its analytic totals under the given
// CFOP: by its CST (origin, "0" without one, and taxation) and rate, its
// net value and its ICMS and ICMS-ST bases and values.
TAnaliticoC190 AnaliticoDoItem(const TItemDocumentoC100& item, const std::string& cfop);

// The analytic totals of one document while its items are read: an item
// adds to the total of its CST, CFOP and rate, or opens one; totals keep the
// order in which they were opened, and amounts are kept in cents.
class TAnaliticosC190 {
 public:
  void Somar(const TAnaliticoC190& item);
  const std::vector<TAnaliticoC190>& Totais() const { return totais_; }
  void Limpar() { totais_.clear(); }

 private:
  std::vector<TAnaliticoC190> totais_;
};

// C190: the analytic rows of the goods documents, stored by the C100
// generation from the document's totals and written under the document by
// the C100 writer, each followed by its C191 (FCP, files from 2019).
class Th5RegistroEFDC190 : public Th0RegistroEFDC190 {
 public:
  void DestroyKLV() override;
  int64_t Incluir(int bloco, int tipo, int64_t c100, const TAnaliticoC190& total,
                  const std::string& cod_obs);

  static const std::vector<std::string>& CamposDaLinha();

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
