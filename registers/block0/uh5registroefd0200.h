// Register 0200 of block 0 (see the class comment).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "control/uh5registrosefd.h"
#include "registers/block0/referencias.h"
#include "uh0registroefd0200.h"

namespace efd {

class Th5RegistroEFD0190;
class Th5RegistroEFD0205;
class Th5RegistroEFD0206;
class Th5RegistroEFD0220;
class TxbLinhasEFD;

// 0200: the items (goods and services) that documents, the inventory and
// the other blocks name, inserted on demand once per code and
// establishment. The insertion also inserts the item's stock unit (0190),
// its earlier codes and descriptions of the period (0205), its fuel code
// (0206) and the conversion of the document's unit to the stock unit (0220,
// with that unit as a 0190 too).
//
// Every document item passes through IncluirNovo: an item already inserted
// is answered from memory, and a new one costs a query for its unit and two
// prepared INSERTs; the period's change occurrences, fuel codes and the
// branch's rate are read once per generation.
//
// Writer: each 0200 line of block 0 followed by its 0205, 0206, 0210 and
// 0220 lines, read a page of items at a time, all added to
// "QtdeLinhasBloco_0"; "|0001|0|" first when the block has items and the
// counter is still 0. Before 2017 the line has 12 fields; from 2017 the CEST
// is added and line breaks leave the description. From 2022 0220 carries
// the bar code (unless DRCST). Nothing in the PIS/COFINS model, where 0140
// writes the items under the establishment.
class Th5RegistroEFD0200 : public Th0RegistroEFD0200 {
 public:
  void CreateKLV() override;
  void DestroyKLV() override;

  // Finds or inserts an item. bloco: the block-0 row, 0 to look it up.
  // codigo: the item code ("P" + product or "S" + service code; a "|" is
  // stored as "(PIPE)"). id_produto: the product (or service) in the ERP.
  // tipo_item: the ERP's letter "A".."K" ("J" a service). unidade: in, the
  // document's unit (may be empty); out, the item's stock unit, also left in
  // the session as "CodUnidade_Reg0200". aliquota: the ICMS rate to use
  // without a branch. id_0140: the establishment row (PIS/COFINS), 0 for
  // none. filial: the branch whose internal rate the item gets, 0 for none.
  // registros: the caller's register list (name=value lines); when given,
  // nothing is done unless "RegistroEFD0200" is in it.
  // Result: the 0200 row (RegEFD0200_ID), 0 when nothing was done.
  // EErro when a product has no standard stock unit.
  int IncluirNovo(int id_efd, int bloco, const std::string& codigo, int id_produto,
                  const std::string& descricao, const std::string& cod_barras,
                  const std::string& cod_ant, const std::string& tipo_item, std::string& unidade,
                  const std::string& ncm, const std::string& tipi, const std::string& genero,
                  const std::string& cod_serv, const std::string& cest, double aliquota,
                  TDateTime inicio, TDateTime fim, int id_0140, int filial,
                  const std::string& registros = "");
  // A product of the ERP (Prod_ID) inserted through IncluirNovo as the item
  // of a coupon: its code ("P" + its own unless sem_prefixo), description,
  // bar code, NCM, EX, CEST, genre and its family's item type; the code.
  // EErro naming registro when the product does not exist.
  std::string IncluirProdutoDoCupom(int id_efd, int bloco, int64_t produto, bool sem_prefixo,
                                    std::string& unidade, TDateTime inicio, TDateTime fim,
                                    int id_0140, int filial, const std::string& registros,
                                    const std::string& registro);
  // The older form: the existing item is found by a query on each call, the
  // fuel code read through the ERP's CodProdTabANP object, and the results
  // are left in the session for the caller: "CodUnidade_Reg0200",
  // "AliqICMS_Reg0200", "TipoItem_Reg0200" and, when the document's unit is
  // not the stock unit, "FatorConv_Reg0200" ("###,###,##0.0000").
  int Incluir(int id_efd, int bloco, const std::string& codigo, int id_produto,
              const std::string& descricao, const std::string& cod_barras,
              const std::string& cod_ant, const std::string& tipo_item, std::string& unidade,
              const std::string& ncm, const std::string& tipi, const std::string& genero,
              const std::string& cod_serv, const std::string& cest, double aliquota,
              TDateTime inicio, TDateTime fim, int id_0140, int filial);

  std::string INTERNO_GerarArquivo(int id_efd) override;

  // The file's item kind of the ERP's letter: "A" -> "00" .. "K" -> "10",
  // another letter "99", none "  ".
  static std::string RetornarTipoItemPeloIndice(const std::string& letra);
  // The internal rate to taxpayers ('Normal' rate type) of the branch's own
  // state, valid over the whole period of the EFD; 0 when it has none.
  double RetornarAliqIcmsEstFilial(int id_efd, int filial);
  // Whether the company's parameters of the period send item codes without
  // the "P"/"S" prefix.
  bool GerarProdSemPrefixo(int empresa, TDateTime inicio, TDateTime fim);
  // The earlier codes and descriptions of products that ended inside the
  // period, loaded once per generation and kept on the session's company
  // object as "OcoAltProduto" until block 9's generator releases it. Fields
  // IDF_PRODUTO, CODANT, DESCRICAOANT, DATAINI, DATAFIM; by product.
  ThbClientDataSet& AtivarOcorrenciasProduto(TDateTime inicio, TDateTime fim);

 private:
  // A unit of a product in the ERP (Z8_UNPROD with its Z8_UNIDADE).
  struct TUnidadeProduto {
    std::string codigo, nome, tp_calculo, cod_barras;
    double fator = 0;
    bool padrao = false;
  };
  // What one generation (EFD) needs, read once.
  struct TGeracao {
    TxbCabecalhoEFD cabecalho;
    int bloco = 0;
    int tipo_0190 = 0;
    int sem_prefixo = -1;                          // -1 not read yet
    std::map<int, std::string> aliquotas;          // branch -> rate text, "" none
    std::unordered_map<int64_t, std::string> anp;  // product -> fuel code
    bool anp_lido = false;
    std::set<std::pair<int, std::string>> conversoes;  // (0200 row, unit) seen
    // The units of the company's products, loaded at once when a generation
    // meets many new items; until then, read product by product.
    int consultas_unidade = 0;
    bool unidades_carregadas = false;
    std::unordered_map<int64_t, std::vector<TUnidadeProduto>> unidades;
  };
  struct TItem {
    std::string codigo, descricao, cod_barras, cod_ant, tipo_item, ncm, tipi, genero, cod_serv,
        aliquota, unidade, cest;
    int id_0140 = 0;
  };

  // One line of an item's 0205, 0206, 0210 or 0220 from its stored fields.
  static void EscreverFilho(TxbLinhasEFD& linhas, const std::string& codigo,
                            const std::vector<TVariant>& valores, bool com_barras_0220);
  TGeracao& Geracao(int id_efd, int bloco);
  void CarregarItens(int id_efd);
  // The caller's data under the rules of the fields.
  TItem MontarItem(int id_0140, const std::string& codigo, const std::string& letra,
                   const std::string& descricao, const std::string& cod_barras,
                   const std::string& cod_ant, const std::string& ncm, const std::string& tipi,
                   const std::string& genero, const std::string& cod_serv, const std::string& cest);
  // The item's stock unit, inserted as 0190 ("Serv" for services); EErro
  // when a product has none.
  std::string UnidadeDoItem(TGeracao& g, int id_produto, const std::string& tipo_letra,
                            const std::string& codigo, const std::string& descricao, int id_0140);
  std::string AliquotaDoItem(TGeracao& g, int id_efd, const std::string& tipo_letra,
                             double aliquota, int filial);
  int Inserir(TGeracao& g, const TItem& item);
  void InserirFilhos(TGeracao& g, int id_efd, int id_0200, int id_produto,
                     const std::string& tipo_letra, TDateTime inicio, TDateTime fim,
                     const std::string& combustivel);
  // The units of a product when they are held in memory, nullptr otherwise.
  const std::vector<TUnidadeProduto>* UnidadesEmMemoria(TGeracao& g, int id_produto);
  // 0220 (and the unit's 0190) when the document's unit is not the stock
  // unit; the factor, 0 when the product does not have that unit.
  double Converter(TGeracao& g, int id_0200, int id_produto, const std::string& unidade_documento,
                   const std::string& unidade_item, int id_0140);

  std::unique_ptr<ThbClientDataSet> itens_;  // 0140 row, ID, code, unit of the EFD's items
  int efd_itens_ = 0;
  std::unique_ptr<TGeracao> geracao_;
  std::shared_ptr<Th5RegistroEFD0190> unidades_;
  std::shared_ptr<Th5RegistroEFD0205> anteriores_;
  std::shared_ptr<Th5RegistroEFD0206> combustiveis_;
  std::shared_ptr<Th5RegistroEFD0220> conversoes_;
};

// An item code as the file takes it: the field separator "|" becomes
// "(PIPE)". Documents that cite the item write the same code.
std::string CodigoItemNoArquivo(const std::string& codigo);

}  // namespace efd
