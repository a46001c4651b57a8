// The pass over the month's daily closings of the fiscal printers that
// stores the C400 family (see Th5RegistroEFDC400).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "control/linhasregistros.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/blockC/geracaoc100.h"

namespace efd {

class TxbSession;
class Th5RegistroEFDC400;
class Th5RegistroEFD0190;
class Th5RegistroEFD0200;

// One generation of the C400 family for an EFD and its block-C row: the
// branch's printers for the ICMS/IPI model, or, given an establishment, its
// printers under its C010 with each closing's sales summed by CST, rate and
// item for PIS (C481) and COFINS (C485), for the PIS/COFINS model.
class TGeracaoC400 {
 public:
  TGeracaoC400(Th5RegistroEFDC400& registro, int id_efd, int tipo_c400, int bloco,
               const std::string& registros,
               std::optional<TEstabelecimentoC100> estabelecimento = std::nullopt);
  ~TGeracaoC400();
  // Stores every closing of the period; the number of C400 rows.
  int Executar();

 private:
  struct TReducao;
  struct TItemVendido;
  struct TAnalitico;
  void LerTotalizadores();
  // Stores a window of closings, read with what they hold per window.
  void Janela(std::vector<TReducao>& janela);
  // The item totals of the window's closings (Z8_ITENSRDZ), each product
  // and unit found by its code.
  void ItensDasReducoes(std::vector<TReducao>& janela);
  void Reducao(const TReducao& z);
  int64_t Impressora(const TReducao& z);
  // The C420 rows of a closing, by totalizer code.
  std::map<std::string, int64_t> Totalizadores(const TReducao& z, int64_t c405);
  // The closing's item totals, or the valid items of its coupons, as C425
  // groups them.
  void ItensDoDia(const TReducao& z, const std::map<std::string, int64_t>& c420);
  void Cupons(const TReducao& z, int64_t c405, std::vector<TAnalitico>& analiticos);
  int64_t Cupom(const std::vector<TVariant>& valores);  // one C460 row
  // The coupons the user typed as cancelled for each closing's printer and
  // day: their identification only.
  void CuponsDigitados(std::vector<TReducao>& janela);
  // The PIS/COFINS model's summary of a closing's valid coupon items (C481,
  // C485); the revenues without the contribution go to block M.
  void ResumoContribuicoes(const TReducao& z, int64_t c405);
  // The CFOP of the branch's totalizer for an item's tax type and rate.
  std::string Cfop(const std::string& tipo_tributacao, double aliquota);
  // The item's code in block 0, registering it with its unit.
  std::string Item(int64_t produto, std::string& unidade);
  int Tipo(const std::string& codigo);
  TxbInsercaoRegistro& Insercao(const std::string& codigo, std::vector<std::string> campos);

  Th5RegistroEFDC400& registro_;
  TxbSession& sessao_;
  TxbCabecalhoEFD cabecalho_;
  std::optional<TEstabelecimentoC100> estabelecimento_;
  int id_0140_ = 0;  // the establishment's 0140 row, 0 for the ICMS/IPI model
  int tipo_c400_, bloco_, bloco0_;
  TListaRegistros lista_;
  bool sem_prefixo_ = false;
  bool itens_da_reducao_ = false;  // C425 from the closings' item totals, where they have them
  bool detalhe_c425_ = false;      // C425 rows keep their PIS/COFINS (layout option "1")
  // The branch's totalizers: (tax type of the ERP, rate) -> CFOP.
  std::map<std::pair<std::string, double>, std::string> cfops_;
  std::map<std::string, int64_t> impressoras_;  // serial -> C400 row
  TTiposRegistro tipos_{sessao_};
  std::map<int64_t, std::pair<std::string, std::string>> itens_;  // product -> code, unit
  // The revenue accounts of the coupons' document types, declared once.
  TContasDosTiposDocumento contas_{sessao_, cabecalho_.id, bloco0_, lista_.Selecionado("0500")};
  std::set<std::string> unidades_;
  std::map<std::string, std::unique_ptr<TxbInsercaoRegistro>> insercoes_;
  std::shared_ptr<Th5RegistroEFD0190> r0190_;
  std::shared_ptr<Th5RegistroEFD0200> r0200_;
};

}  // namespace efd
