// Register C100 of block C (see the class comment).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "control/linhasregistros.h"
#include "control/uh5registrosefd.h"
#include "uh0registroefdc100.h"

namespace efd {

// C100: the goods documents (models 01, 1B, 04, 55 and 65) of the branch
// and period, generated in one pass with everything that hangs under them:
// the complements C101, C110 with C111 to C115, C120, C130, C140/C141 and C160, the
// items C170 with C171, C173 and C176 and the analytic rows C190/C191 and C195/C197. On the way the
// documents insert their participants (0150), items and units (0200,
// 0190), natures (0400) and texts (0450, 0460).
//
// Rows are stored as they are made and read back a page of documents at a
// time: neither the generator nor the writer holds a register whole.
//
// Writer: "|C001|0|" when the block has documents, then each C100 line
// followed by its children in the layout's order, all added to
// "QtdeLinhasBloco_C". Nothing in the PIS/COFINS model; with no documents,
// nothing at all (the file's assembly closes block C).
class Th5RegistroEFDC100 : public Th0RegistroEFDC100 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& registros,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  int INTERNO_RetornarQtdReg(int id_efd) override;

  // What the writers of both models share: the C100 line's attributes, the
  // voided document's empty values, and the texts C110 with C111 under
  // them and the imports C120.
  static const std::vector<std::string>& CamposDaLinhaC100();
  static void AjustarValoresC100(std::vector<TVariant>& valores);
  static TxbRegistroFilho RegistroC110(TxbRegistroFilho& c111);
  static TxbRegistroFilho RegistroC120();

  // The file's freight indicator of the ERP's freight letter, for an entry
  // ("0") or an output ("1"), by the period's start.
  static std::string RetornarIndicadorFrete(const std::string& letra, const std::string& operacao,
                                            TDateTime inicio);
  // CST of an item's IPI and PIS/COFINS letters; empty when the letter has
  // no code.
  static std::string RetornarSituacaoTribIPI(const std::string& letra);
  static std::string RetornarSituacaoTribPIS_COFINS(const std::string& letra);
  // The medicine-price indicator of C173 ("A" -> "0" .. "F" -> "5").
  static std::string RetornarIndicadorMedicao(const std::string& letra);
  // "0" entry, "1" output, by the internal code of the document standard.
  static std::string OperacaoDoCodigoInterno(int codigo);
  // The situation code of a document. situacao_nf "1" is a cancelled one
  // (and every number typed as cancelled); situacao_nfe carries the
  // electronic state, or the situation typed with the number.
  static std::string SituacaoDocumento(const std::string& situacao_nf,
                                       const std::string& situacao_nfe, int codigo_interno,
                                       bool regime_especial, const std::string& serie);
  // The payment indicator: by the number of instalments and whether the
  // only one falls due on the emission date.
  static std::string IndicadorPagamento(int parcelas, bool a_vista, TDateTime inicio);
  // The issuer indicator of a series type: a number n gives n - 1, "P" own
  // issue, "T" third party. EErro naming the document otherwise.
  static std::string IndicadorEmitente(const std::string& tipo_serie, const std::string& documento);
};

}  // namespace efd
