// Register E200 of block E (see the class comment).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "control/uh5registrosefd.h"
#include "registers/blockE/apuracao.h"
#include "registers/blockE/rubricas.h"
#include "uh0registroefde200.h"

namespace efd {

// The fourteen amounts of E210 in layout order.
struct TValoresE210 {
  double saldo_credor_ant = 0, devolucoes = 0, ressarcimentos = 0, outros_creditos = 0;
  double aj_creditos = 0, retencao = 0, outros_debitos = 0, aj_debitos = 0;
  double saldo_devedor = 0, deducoes = 0, icms_recolher = 0, saldo_credor_transportar = 0;
  double debitos_especiais = 0;
};

// The ICMS-ST figures of a state's assessment part, with the deductions of
// its rubrics and the special debits of the file's C197 rows. `zerada` tells
// an assessment with no figure at all, which the file leaves out.
TValoresE210 ApurarST(const TParteApuracao& parte, double deducoes, double debitos_especiais,
                      bool& zerada);

// An obligation of the ICMS-ST (E250).
struct TObrigacaoST {
  std::string codigo;
  double valor = 0;
  TDateTime vencimento;
  std::string receita, num_proc, ind_proc, processo;
  TDateTime referencia;
};

// E200 and its group: the ICMS-ST assessment of each state the tax is owed
// to (E200), its totals (E210), its adjustments (E220) and its obligations
// (E250), generated from the ERP's assessments of the ICMS-ST, one per
// state. A state whose assessment has no figure gets no group. Nothing is
// generated without the assessment module or an ICMS-ST tax.
//
// The deductions are the state's rubric lines whose code has "14" or "61"
// in its third and fourth characters; the special debits the C197 rows
// whose code starts with the state and "71". The obligations are the GNRE
// of the state paid in the period, valued by their expense document, or
// else the state's collection documents of the period; and the item
// adjustments of the period under a revenue code of the state. The ICMS-ST
// is the tax the company's assessment configuration names.
//
// Writer: after E100's, before E500's. Per E200 its line, its E210 line and
// the E210's E220 and E250 lines; "QtdeLinhasBloco_E" grows by the lines.
class Th5RegistroEFDE200 : public Th0RegistroEFDE200 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;

  // The obligation code of an index: 0..6 "000".."006", 7 "090", 8 "999";
  // empty for any other.
  static std::string RetornarCodigoObrigacaoPeloIndice(int indice);
  // The due date of a code from a reference date: "Y" five days later, "X"
  // the last day of the next month, "1".."9" and "A".."V" that day of the
  // next month.
  static TDateTime RetornarDataVencto(const std::string& codigo, TDateTime referencia);
  // Whether an ICMS-ST adjustment code is a deduction: "14" or "61" in its
  // third and fourth characters.
  static bool DeducaoDaST(const std::string& codigo);

 private:
  void IncluirGrupo(int tipo, int bloco, const TApuracao& apuracao, const std::string& uf,
                    const TValoresE210& v, const std::vector<TLinhaRubrica>& rubricas,
                    const std::vector<TObrigacaoST>& obrigacoes);
  // The branch's parameters of the GNRE paid to a state in the period
  // (family "DetalhaDespGNRE"): which expense document values a GNRE, and
  // the obligation and revenue code of the state's collection documents.
  struct TParametrosGNRE {
    bool existe = false;
    bool despesa_publica = false;
    std::string obrigacao, receita;
  };
  TParametrosGNRE ParametrosGNRE(int filial, TDateTime inicio, TDateTime fim,
                                 const std::string& uf);
  // The obligations paid to the state for the period: the GNRE; without
  // them, the state's collection documents the branch's parameters
  // describe; and the item adjustments of the state's revenue codes.
  std::vector<TObrigacaoST> ObrigacoesDoEstado(int filial, int imposto, TDateTime inicio,
                                               TDateTime fim, const std::string& uf);
  std::vector<TObrigacaoST> ObrigacoesGNRE(int filial, int imposto, TDateTime inicio, TDateTime fim,
                                           const std::string& uf,
                                           const TParametrosGNRE& parametros);
  std::vector<TObrigacaoST> ObrigacoesArrecadacao(int filial, TDateTime inicio, TDateTime fim,
                                                  const std::string& uf,
                                                  const TParametrosGNRE& parametros);
  std::vector<TObrigacaoST> ObrigacoesDosAjustes(int filial, TDateTime inicio, TDateTime fim,
                                                 const std::string& uf);
};

}  // namespace efd
