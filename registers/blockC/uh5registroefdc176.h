// Register C176 of block C (see the class comment).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "control/linhasregistros.h"
#include "control/uh5registrosefd.h"
#include "registers/blockC/ultimascompras.h"
#include "uh0registroefdc176.h"

namespace efd {

// The refund of an output item, as C176 stores it, its fields in the
// line's order.
struct TRessarcimentoC176 {
  std::string modelo, numero, serie, data, participante;
  double quantidade = 0, unitario = 0, unit_bc_st = 0;
  std::string chave, item;
  double unit_bc_icms = 0, aliq_icms = 0, unit_limite_bc = 0, unit_icms = 0, aliq_st = 0,
         unit_ressarcimento = 0;
  std::string resp_ret, motivo, chave_ret, participante_ret, serie_ret, numero_ret, item_ret,
      modelo_arrecadacao, numero_arrecadacao;
  double unit_fcp_st = 0;
};

// C176: the ICMS-ST refund claimed on an output item from the last entry
// of its product, stored by the C100 generation under the item's C170 and
// written by the C100 writer after the item's C171 and C173.
//
// Per unit of the entry: the ST base (3 places), the own ICMS base (2
// places) and the smaller of the two, the own ICMS (3 places) and the
// refund, ST base x ST rate / 100 less the own ICMS (3 places); the
// observations' bases and values count with the item's. The entry's rate
// is its own, or the observations' value over their base. Who withheld
// the tax (COD_RESP_RET): "3" a collection document paid it, "2" a
// substitute's NF-e item, "1" the sender.
class Th5RegistroEFDC176 : public Th0RegistroEFDC176 {
 public:
  void DestroyKLV() override;
  // Block row, register type, C170 row and the refund -> the row.
  int64_t INTERNO_Incluir(int bloco, int tipo, int64_t c170, const TRessarcimentoC176& r);

  // The refund of an entry; the participants' codes (0150) are the
  // caller's.
  static TRessarcimentoC176 Ressarcimento(const TUltimaEntradaC176& e);
  // The attributes the line carries, in the layout's order, for a file
  // starting at inicio: the last entry alone before 2016, its taxes and
  // the withholding from 2016, the FCP refund from 2019.
  static std::vector<std::string> CamposDaLinha(TDateTime inicio);

 private:
  std::unique_ptr<TxbInsercaoRegistro> insercao_;
};

}  // namespace efd
