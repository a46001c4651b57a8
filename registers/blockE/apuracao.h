// What the assessment registers of block E share: the register list of the
// driver, the taxes by kind, the E110 balance, the classes of adjustment
// codes, due dates, and the insertion of a child row under its parent.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/hbobjetonegocio.h"
#include "framework/xbsession.h"
#include "framework/xbvariant.h"

namespace efd {

// Whether the driver's list of catalogue names ("Registro E110", one a line)
// asks for the register; an empty list asks for all.
bool RegistroPedido(const std::string& lista, const std::string& nome);

// The tax of a kind ("0" ICMS, "1" IPI, "A" ICMS-ST) in the ERP's tax
// table; 0 when the ERP has none.
int IdImpostoDoTipo(TxbSession& sessao, const std::string& tipo);

// The company of a branch: its identifier and name; empty when unknown.
struct TEmpresaDaFilial {
  int id = 0;
  std::string nome;
};
TEmpresaDaFilial EmpresaDaFilial(TxbSession& sessao, int id_filial);

// The tax of a kind that the company's assessment configuration
// (Z8_CfgApuImp) names at the date, the latest one not after it; else the
// ERP's tax of the kind.
int IdImpostoConfigurado(TxbSession& sessao, int id_empresa, const std::string& tipo,
                         TDateTime data);

// Whether every family is registered: the ERP's modules that some queries
// read are optional.
bool FamiliasRegistradas(std::initializer_list<const char*> familias);

// An assessment of the ERP (ApuImposto) and its document.
struct TApuracao {
  int id = 0;
  TDateTime inicio, fim;
  int id_docto = 0;
  int id_uf = 0;  // ICMS-ST: the state the tax is owed to
};

// The branch's assessments of the tax inside the period, in date order.
std::vector<TApuracao> ApuracoesDoPeriodo(TxbSession& sessao, int id_filial, int id_imposto,
                                          TDateTime inicio, TDateTime fim);

// The figures of an assessment document's part (ParteDFApu_).
struct TParteApuracao {
  double debitos = 0, outros_debitos = 0, estornos_creditos = 0, creditos = 0;
  double outros_creditos = 0, estornos_debitos = 0, saldo_anterior = 0, deducoes = 0;
  double imposto_recolher_ttd = 0, valor_devol = 0, valor_ressarc = 0;
  double imposto_transportar = 0, imposto_recolher = 0;
};

// The first assessment part of the document; false when it has none.
bool LerParteApuracao(TxbSession& sessao, int id_docto, TParteApuracao& parte);

// The fourteen amounts of E110 in layout order.
struct TValoresE110 {
  double tot_debitos = 0, aj_debitos_doc = 0, tot_aj_debitos = 0, estornos_cred = 0;
  double tot_creditos = 0, aj_creditos_doc = 0, tot_aj_creditos = 0, estornos_deb = 0;
  double saldo_credor_ant = 0, saldo_apurado = 0, tot_deducoes = 0, icms_recolher = 0;
  double saldo_credor_transportar = 0, debitos_especiais = 0;
};

// Fills the balance, the ICMS to pay and the credit carried from the debits,
// credits and deductions. A branch in RJ whose deductions exceed the
// balance carries the deductions plus the credit left by the balance.
void FecharSaldos(TValoresE110& v, bool rj);

// The sums that an adjustment code of the documents' items (10 characters)
// goes to, by its third and fourth characters: "A" for the credit
// adjustments (third 0, 1 or 2), "D" for the document debits and "O" for
// other debits (third 3, 4 or 5, told apart by the origin); 0 for a code
// of another length or a fourth character other than 0, 3, 4 or 5.
char SomaDoAjusteDeDocumento(const std::string& codigo, const std::string& origem);

// The day after the end of the month of a date, moved past Saturdays,
// Sundays and the holidays of the ERP's table (DatasFeriados) to the next
// business day.
TDateTime PrimeiroDiaUtilDoMesSeguinte(TxbSession& sessao, TDateTime data);

// The day of a due-day text ("01".."31") in the month of a date: an empty
// day gives the first, a day the month lacks its last.
TDateTime DiaDoMes(TDateTime mes, const std::string& dia);

// The abbreviation of a state (KLVG_UF); empty when unknown.
std::string SiglaDoEstado(TxbSession& sessao, int id_uf);

// The ICMS of the EFD's C197 rows whose adjustment code matches one of the
// patterns (SQL LIKE); 0 when the module has no C197.
double SomaDosAjustesC197(TxbSession& sessao, int id_efd,
                          std::initializer_list<std::string> padroes);

// Rounds half away from zero to two decimals.
double Centavos(double valor);

// Inserts a row of a child register: the common attributes, the parent link
// "<prefix>_IDF_RegEFD<parent>" and the fields the caller sets. Returns the
// row identifier (<prefix>_ID).
int IncluirFilho(ThbObjetoNegocio& filho, int tipo, int bloco, const std::string& registro,
                 const std::string& pai, int id_pai, const std::function<void()>& campos);

// The rows of a child register in one block row, read in order under their
// parent by an index on the parent link.
class TxbFilhosDoBloco {
 public:
  TxbFilhosDoBloco(TxbSession& sessao, const std::string& registro, const std::string& pai,
                   int bloco);
  ~TxbFilhosDoBloco();
  TxbFilhosDoBloco(const TxbFilhosDoBloco&) = delete;
  TxbFilhosDoBloco& operator=(const TxbFilhosDoBloco&) = delete;

  // Calls `linha` on each row under the parent row, the row being current.
  void ParaCada(int id_pai, const std::function<void()>& linha);
  // Fields of the current row by their name after the prefix ("CFOP").
  std::string Texto(const std::string& campo);
  double Valor(const std::string& campo);
  int Id();

 private:
  std::shared_ptr<ThbObjetoNegocio> objeto_;
  std::string prefixo_, ligacao_;
};

}  // namespace efd
