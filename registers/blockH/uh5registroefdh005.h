// Register H005 of block H (see the class comment).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "control/uh5registrosefd.h"
#include "framework/pbbd.h"
#include "uh0registroefdh005.h"

namespace efd {

class Th5RegistroEFDH010;

// H005: the stock inventory of the branch at the header's inventory date,
// generated in one pass with its items (H010) and, for an inventory taken
// for a change of tax treatment, their ICMS (H020). The items come from the
// branch's stock balance at that date: per product, the last balance
// transaction on or before the date that moved a quantity; the ownership
// and the other party holding or owning the goods come from the product's
// warehouse. Every item passes through 0200, every other party through
// 0150 and every account through 0500: the product's own in the branch,
// else its family's stock account.
//
// Inventory types "3" and "4" allocate each product's balance: the goods
// of others still held from open remittances and the own goods still with
// others each become an item of their own, and the balance keeps what they
// did not take. A consolidated inventory (DRCST with profile D) takes the
// stock of the branches configured for it, an item per branch with the
// CNPJ of the branch holding it (H011).
//
// Customer rules switched on by their family: "LayoutImpCiaValtero" takes
// the items of the inventory documents issued on the inventory date;
// "ParamDespComDRVPneus" reports balances without allocating remittances;
// "PautaValsMinFreteSefaz" and "PrioridadeOlvecor" read the imported
// inventory positions instead of the balances, and the first keeps items
// without value; "PosNavParvint" leaves a fixed set of products out. The
// start parameter "/H010DISAPAR" leaves out the items of the families
// G9999, G9996 and G9998.
//
// The sources are read a window of products at a time and the items are
// stored as they come, so that an inventory of any size holds a window in
// memory.
//
// Writer: the whole block, H001 to H990, counted in "QtdeLinhasBloco_H";
// only in the ICMS/IPI model. The reason field of H005 exists from July
// 2012, the last field of H010 from 2015. The items are read a page at a
// time.
class Th5RegistroEFDH005 : public Th0RegistroEFDH005 {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string& lista,
                            std::shared_ptr<ThbObjetoNegocio>& objeto) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  int INTERNO_RetornarQtdReg(int id_efd) override;

  // The NCMs flagged to report H020: with any, only their products enter an
  // inventory that reports H020.
  std::set<std::string> RetornaNCMsBlocoH020();

 private:
  // The tax rule of a product family from a date: item kind, origin and
  // entry taxation of the ICMS CST.
  struct TRegraFamilia {
    TDateTime vigencia;
    std::string ncm, tipo_item, origem, tributacao;
  };
  struct TInventario;
  // One item position of the inventory: a source row, or an open
  // remittance of its product, with the quantity and value it reports.
  struct TPosicao {
    const std::vector<TVariant>& saldo;
    std::string ind_prop;
    TVariant parte;  // identity of the other party, null for none
    double quantidade = 0, valor = 0;
  };

  void CarregarRegras(TDateTime data);
  const TRegraFamilia* Regra(int familia, const std::string& ncm) const;
  double AliquotaDeCompra(const TInventario& inv);
  void EscolherFonte(TInventario& inv);
  // The source rows of the next window of products after `ultimo`, whole
  // products only; empty at the end.
  TxbResultado ProximaJanela(const TInventario& inv, int64_t ultimo);
  TxbResultado RemessasDaJanela(const TInventario& inv, int64_t primeiro, int64_t ultimo);
  // The positions of one source row: as the source says, or, allocating,
  // the product's open remittances (from `remessa` on) before what they
  // leave of the balance.
  std::vector<TPosicao> Posicoes(const TInventario& inv, const std::vector<TVariant>& saldo,
                                 const TxbResultado& remessas, size_t& remessa) const;
  // Inserts the item's H010 (with its 0200, 0150, 0500, H011 and H020);
  // returns the item's total, 0 when the row is left out.
  double IncluirItem(TInventario& inv, const TPosicao& posicao);
  std::string ContaDoItem(TInventario& inv, const std::vector<TVariant>& saldo);

  std::map<int, std::vector<TRegraFamilia>> regras_;  // family -> rules by date
};

}  // namespace efd
