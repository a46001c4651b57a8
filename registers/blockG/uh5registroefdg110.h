// Register G110 and block G (see the class comment).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/uh5registrosefd.h"
#include "framework/xbvariant.h"
#include "uh0registroefdg110.h"

namespace efd {

struct TxbResultado;

// The CIAP movement type of an asset: the ERP's code (1 SI, 2 IM, 3 IA,
// 4 CI, 5 MC) or the type itself, as imported (anything else none), then an own or other-branch
// entry, or an asset without a type, acquired before the period starts with a balance (SI), and one
// without a type acquired in the period's month is an own entry (IM).
std::string TipoMovimentoCIAP(const std::string& tipo_erp, TDateTime aquisicao, TDateTime inicio);

// The ICMS of a credit as the CIAP reports it: the recorded value over the
// credit's number of instalments, times the 48 months of the appropriation
// (a 60-instalment credit reports 48/60 of its value).
double IcmsEm48Parcelas(double valor, int parcelas);

// Whether the chosen registers (empty: every one) name "Registro " + codigo.
bool NaLista(const std::string& lista, const std::string& codigo);

// G110: the ICMS credit of the fixed assets (CIAP) of the branch in the
// period, generated in one pass with the whole block: a G125 per movement of
// each asset whose instalment falls in the period (the monthly
// appropriation, the "BA" that follows an asset's last instalment, the entry
// of a credit taken on a given day with its G126 of other credits), under
// the entries the purchase document (G130) and its items of the asset
// (G140). The period's taxed and total outputs come from the parts of the
// ICMS assessment document. The pass also inserts the block-0 rows block G
// cites: the assets (0300/0305) with their account (0500) and cost centre
// (0600), the document's issuer (0150), its items and units (0200/0190).
//
// Writer: the whole block, G001 to G990, counted in "QtdeLinhasBloco_G";
// only in the ICMS/IPI model and for periods from 2011.
class Th5RegistroEFDG110 : public Th0RegistroEFDG110 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  int INTERNO_RetornarQtdReg(int id_efd) override;

  // The whole block from one customer's imported CIAP (TIMU_BLOCOG): the
  // rows of the branch (by its CNPJ) whose movement falls in the period,
  // each a G125 as the ERP's instalments give them, with the assets' 0300
  // and 0305 (their account and cost centre by code) and the purchase
  // document and item (G130/G140) from the row's columns. Started from
  // outside the module in place of the generation step.
  int GerarBlocoG_CiaValtero(int id_efd, int tipo, int bloco, const std::string& lista,
                             std::shared_ptr<ThbObjetoNegocio>& objeto);

 private:
  struct TGeracao;
  struct TBem;
  struct TSomas {
    double passadas = 0, saldo_inicial = 0, outros_creditos = 0;
  };
  // The period's outputs from the ICMS assessment.
  struct TFaturamento {
    bool existe = false;
    double total = 0, tributadas = 0;
  };

  // False when no block G is generated (no CIAP module, or the PIS/COFINS
  // model).
  bool IniciarGeracao(TGeracao& g, int id_efd, int bloco);
  TFaturamento LerFaturamento(const TGeracao& g);
  void IncluirG110(TGeracao& g, int tipo, const TFaturamento& f);
  void FecharG110(const TGeracao& g, const TFaturamento& f, const TSomas& somas);

  void InicializarBlocoG(TGeracao& g, const std::string& lista);
  // The branch's instalments of the period, asset by asset.
  TxbResultado LerParcelas(const TGeracao& g);
  const TBem& Bem(TGeracao& g, int id);
  // The asset's 0300 (and that of its main asset), 0305, 0500 and 0600.
  void IncluirBem(TGeracao& g, const TBem& bem);
  std::string ContaDoAtivo(TGeracao& g);
  // The G125 rows of an asset's instalments, from row `linha` on; returns
  // the first row of the next asset.
  size_t GerarBem(TGeracao& g, const TxbResultado& parcelas, size_t linha, TSomas& somas);
  // The document of a movement, inserted under its G125 with the ICMS the
  // movement reports.
  using TDocumentoDoMovimento = std::function<void(int id_g125, const double (&icms)[4])>;
  // The G125 of a monthly appropriation: its ICMS over 48 months, the
  // instalment among those passed, the balance of an asset that starts the
  // period (else its document), and the "BA" that follows the last
  // instalment.
  void IncluirApropriacao(TGeracao& g, const std::string& codigo, const std::string& tipo,
                          TDateTime referencia, const double (&icms)[4], int numero, int parcelas,
                          double passada, double apropriada, TSomas& somas,
                          const TDocumentoDoMovimento& documento);
  int IncluirG125(TGeracao& g, const std::string& codigo, const std::string& data,
                  const std::string& tipo_mov, const double (&icms)[4], int parcela, double passada,
                  double apropriada);
  void IncluirG126(TGeracao& g, int id_g125, const TxbResultado& parcelas, size_t linha,
                   TSomas& somas);
  void IncluirDocumento(TGeracao& g, const TBem& bem, int id_g125, const double (&icms)[4]);
  // An item of a purchase document, with its unit in 0190.
  void IncluirG140(TGeracao& g, int id_g130, int item, const std::string& codigo, double quantidade,
                   const std::string& unidade, const double (&icms)[4]);
  // The imported rows' asset (0300, 0305) and document (G130, G140).
  void IncluirBemImportado(TGeracao& g, const std::vector<TVariant>& linha);
  void IncluirDocumentoImportado(TGeracao& g, const std::vector<TVariant>& linha, int id_g125,
                                 const double (&icms)[4]);
};

}  // namespace efd
