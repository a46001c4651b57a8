// Register E100 of block E (see the class comment).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "control/uh5registrosefd.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/blockE/apuracao.h"
#include "registers/blockE/movimentosfiscais.h"
#include "registers/blockE/rubricas.h"
#include "uh0registroefde100.h"

namespace efd {

// E100 and its group: the period of the ICMS assessment (E100), its totals
// (E110), its adjustments (E111) with their processes (E112) and documents
// (E113), its declaratory values (E115) and its obligations to pay (E116),
// all generated in one pass.
//
// The figures come from the ERP's ICMS assessment of the branch when the
// ERP has the assessment module (family "ApuImposto"): the assessment's
// period, its document's part, the adjustment codes of the period's
// document items, and the rubric documents' lines (E111): lines of equal
// code and description are one E111, codes other than 8 characters are
// left out, and the codes' third and fourth characters decide which total
// of E110 they go to (00 debits, 02 credits, 04 deductions). The adjustments of the items of
// goods and freight documents, the presumed credit of a special regime (TTD), the rate difference
// of returned goods and, in RJ, the fund against poverty (FECEP) of the fiscal movements join
// them. E115 takes the state's table (CFOPs, account classes, employees) and Paraná's benefits;
// E116 the due-day configuration, completed by the state's class and revenue code, and in RJ the
// fund's own obligation. Without the module they are summed
// from the analytic registers already generated for blocks C and D (GerarApuracaoPeloRegSPED).
// Without an assessment of the period, or when the register list leaves E100 out, an E100 of the
// file's period with an all-zero E110 keeps the mandatory pair in the file.
//
// Writer: the first of block E. With rows it writes "|E001|0|", then each
// E100 followed by its E110 lines, each E110 by its E111 lines (each
// with its E112 and E113 lines), its E115 and its E116 lines; it sets
// "QtdeLinhasBloco_E" to the lines written (0 when none).
class Th5RegistroEFDE100 : public Th0RegistroEFDE100 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  void DestroyKLV() override;

  // The assessment from the generated C190, C490, C590, D190 and D590 rows
  // of the EFD: one E100 of the file's period, its E110 and, when the ERP
  // has an ICMS tax, one E116 of the ICMS to pay. Returns the rows stored.
  int GerarApuracaoPeloRegSPED(int id_efd, int tipo, int bloco, const std::string& lista);

  // The day ("01".."31") of a due-day code's first character, "1".."9"
  // and "A".."V"; any other character gives an empty text.
  static std::string RetornarDiaVencimento(const std::string& codigo);
  // The class suffix of a revenue code by the first character of the due
  // date's class; empty for a character the table does not list.
  static std::string RetornaClasseVencimento(const std::string& codigo);

  // The state of a branch (KLVG_UF) through its identity's address; 0 and
  // an empty abbreviation when it has none.
  int RetornarIDEstadoFilial(int id_filial, std::string& sigla);

 private:
  struct TCabecalho {
    int filial = 0;
    TDateTime inicio, fim;
  };
  TCabecalho LerCabecalho(int id_efd);
  int IncluirE100(int tipo, int bloco, TDateTime inicio, TDateTime fim);
  int IncluirE110(int bloco, int id_e100, const TValoresE110& v);
  int IncluirE116(int bloco, int id_e110, const std::string& obrigacao, double valor,
                  TDateTime vencimento, const std::string& receita, TDateTime referencia);
  // The period's figures from the ERP's assessment.
  void ApurarPeloERP(int id_efd, int bloco, const std::string& lista, const TCabecalho& c,
                     int id_e100, const TApuracao& apuracao, const TParteApuracao& parte);
  // Whether the branch's posted documents of the period carry ICMS: without
  // an assessment, the session's log warns that E110 goes all zero.
  bool DocumentosComICMS(const TCabecalho& c);
  // Sums of the adjustment codes of the period's document items.
  struct TAjustesDocumentos {
    double a = 0, d = 0, o = 0;
  };
  TAjustesDocumentos AjustesDosDocumentos(const TCabecalho& c);
  // An adjustment of the assessment (E111) with its processes (E112) and
  // the purchase documents it refers to (E113) with their amounts.
  struct TAjusteApuracao {
    std::string codigo, descricao;
    double valor = 0;
    std::vector<TProcesso> processos;
    std::vector<std::pair<TDocumentoAjuste, double>> documentos;
  };
  // The fiscal parameters of the branch's state: the rubric document types
  // of Simples Nacional purchases and of the rate difference, which tell the
  // adjustments of the documents E113 names; those of the presumed credit of
  // a special regime and of its reversal; the class of the due date and the
  // revenue code of the state's ICMS, which override the due-day
  // configuration's.
  struct TParametrosEstado {
    int tipo_simples = 0, tipo_difal = 0;
    int tipo_credito_ttd = 0, tipo_estorno_ttd = 0;
    std::string classe_vencimento, receita;
  };
  TParametrosEstado ParametrosDoEstado(int id_estado);
  // The obligations to pay of the assessment (E116), when the ERP has the
  // tax's due-day configuration; false when it has none.
  bool GerarObrigacoes(int bloco, const TCabecalho& c, int id_e110, const TValoresE110& v,
                       const TApuracao& apuracao, const TParteApuracao& parte, bool rj,
                       const TParametrosEstado& estado, const TFundoPobreza& fecep);
  // The totals the adjustments make in E110.
  struct TTotaisAjustes {
    double debitos = 0, creditos = 0, deducoes = 0;
  };
  // Adds the value to the adjustment of equal code and description, or
  // appends one.
  static std::vector<TAjusteApuracao>::iterator Acumular(std::vector<TAjusteApuracao>& ajustes,
                                                         const std::string& codigo,
                                                         const std::string& descricao,
                                                         double valor);
  std::vector<TAjusteApuracao> AjustesDasRubricas(const TCabecalho& c, const std::string& lista,
                                                  const TParametrosEstado& estado,
                                                  TTotaisAjustes& totais);
  void IncluirAjustes(int id_efd, int bloco, const TCabecalho& c, int id_e110,
                      const std::vector<TAjusteApuracao>& ajustes);
  void IncluirDocumentos(int id_efd, int bloco, const TCabecalho& c, int id_e111,
                         const TAjusteApuracao& ajuste);
  // The declaratory values of the state's table (E115); a row of kind "0"
  // carries the descriptions of the rows marked for the general
  // observation.
  void IncluirDeclaratorios(int bloco, const TCabecalho& c, int id_e110, int id_estado);
  // Stores a declaratory value (code, value, description) under the E110.
  using TIncluirDeclaratorio = std::function<void(const std::string&, double, const std::string&)>;
  void DeclaratoriosDaTabela(const TCabecalho& c, int id_estado,
                             const TIncluirDeclaratorio& incluir);
  // The benefits of Paraná (codes "PR") adjusted on the items of the
  // branch's authorised NF-e of the period, valued by the item's CST.
  void BeneficiosDoParana(const TCabecalho& c, const TIncluirDeclaratorio& incluir);

 public:
  // An item with a benefit: the adjustment's value, the item's net value,
  // its exempt and other values, its ICMS, reduced ICMS and base, and the
  // adjustment's credit percentage.
  struct TItemBeneficiado {
    double ajuste = 0, liquido = 0, isento = 0, outras = 0, icms = 0, reduzido = 0, base = 0,
           percentual = 0;
  };
  // The value of a benefit by the item's CST: the net value for 30, 40 and
  // 41; the exempt value, else the other value, for 20 and 70; the ICMS
  // deferred for 51 with a credit percentage, else the net value; the
  // adjustment's value for 50; 0 for any other.
  static double ValorDoBeneficio(const std::string& cst, const TItemBeneficiado& item);

 private:
  // A row of the state's table: the movements of a CFOP, of an account
  // class of the visual chart, or the employees.
  struct TLinhaDeclaratoria {
    std::string tipo_reg, tipo_valor, mascara;
    int id_cfop = 0, id_plano = 0;
  };
  // The period's movements of the branch's accounts by the masks of the
  // classes they are under, read once per generation.
  using TSaldosPorMascara = std::map<std::string, double>;
  double ValorDeclaratorio(const TCabecalho& c, const TLinhaDeclaratoria& l,
                           std::optional<TSaldosPorMascara>& saldos);
  TSaldosPorMascara SaldosPorMascara(const TCabecalho& c, int id_plano);

  std::shared_ptr<ThbObjetoNegocio> e110_, e116_;
  std::shared_ptr<Th5RegistroEFD0150> participantes_;
};

}  // namespace efd
