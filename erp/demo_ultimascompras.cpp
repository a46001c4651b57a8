#include "erp/demo_ultimascompras.h"

#include <map>
#include <set>
#include <string>

#include "erp/insercao.h"

namespace efd::erp {
namespace {

using TValores = std::map<std::string, TVariant>;

// A copy of a row of the table with some columns changed.
void Copiar(TpbBD& bd, const std::string& tabela, int64_t id, const TValores& mudancas) {
  const TxbResultado r = bd.Consultar("SELECT * FROM " + tabela + " WHERE ID = :ID", {{"ID", id}});
  std::vector<std::pair<std::string, TVariant>> valores;
  for (size_t i = 0; i < r.colunas.size(); ++i) {
    auto mudanca = mudancas.find(r.colunas[i]);
    valores.emplace_back(r.colunas[i],
                         mudanca == mudancas.end() ? r.linhas.at(0)[i] : mudanca->second);
  }
  InserirValores(bd, tabela, valores);
}

// The purchase of a product last month: a copy of the purchase document
// compra and of its item, from fornecedor, with ICMS of 12% on 125.00 and ICMS-ST of 18% on
// 180.00 for 10 units of 12.50. Its item's id.
int64_t Compra(TpbBD& bd, const ResultadoDemo& demo, int64_t& proximo, int64_t compra, int64_t item,
               const TVariant& fornecedor, int64_t produto, int64_t n) {
  const int64_t docto = proximo++, novo = proximo++;
  const TDateTime dia(demo.inicio.dias - 10 + n);
  Copiar(bd, "Z8_DOCTO", compra,
         {{"ID", docto},
          {"NRODOCTO", std::to_string(7100 + n)},
          {"IDF_IDENT", fornecedor},
          {"DATAEMI", dia},
          {"DTENTSAI", dia},
          {"VALTOTALNF", 125.0 + 17.4}});
  Copiar(bd, "Z8_PARTEDOCTO", item, {{"ID", novo}, {"IDF_DOCTO", docto}});
  Copiar(bd, "Z8_DOCTOITEM", item,
         {{"ID", novo},
          {"IDA", novo},
          {"SEQITEM", int64_t{1}},
          {"IDF_PROD", produto},
          {"QDADE", 10.0},
          {"VALUNITARIO", 12.5},
          {"VALBRUTO", 125.0},
          {"VALDESCONTO", 0.0},
          {"VALLIQUIDO", 125.0},
          {"VALLIQUIDONF", 142.4}});
  Copiar(bd, "Z8_TRIBITEM", item, {{"ID", novo}, {"IDF_DOCTOITEM", novo}});
  Copiar(bd, "Z8_TRIITEMPRO", item,
         {{"ID", novo},
          {"IDA", novo},
          {"ICMSBASE", 125.0},
          {"ICMSALIQ", 12.0},
          {"ICMSVALOR", 15.0},
          {"ICMSBASEOBS", 0.0},
          {"ICMSVALOROBS", 0.0},
          {"ICMSRETBASE", 180.0},
          {"ICMSRETALIQ", 18.0},
          {"ICMSRETVALOR", 17.4},
          {"ICMSRETBASEOBSERV", 0.0},
          {"ICMSVALFCPSTUFDEST", 0.0}});
  InserirValores(bd, "Z8_ULTCOMPRAS",
                 {{"ID", proximo++},
                  {"IDF_FILIAL", demo.filiais.front()},
                  {"IDF_PROD", produto},
                  {"DATAENTRADA", dia},
                  {"IDF_DOCTOITEM", novo}});
  return novo;
}

}  // namespace

int64_t ConstruirUltimasComprasDemo(TpbBD& bd, const ResultadoDemo& demo) {
  int64_t proximo = demo.maior_id + 1;
  const TParametros mes = {
      {"FILIAL", demo.filiais.front()}, {"INICIO", demo.inicio}, {"FIM", demo.fim}};
  const TxbResultado compra = bd.Consultar(
      "SELECT A.ID, I.ID FROM Z8_DOCTO A "
      "INNER JOIN Z8_TIPDOC T ON T.ID = A.IDF_TPDOCTO "
      "INNER JOIN Z8_PARTEDOCTO P ON P.IDF_DOCTO = A.ID INNER JOIN Z8_DOCTOITEM I ON I.IDA = P.ID "
      "WHERE A.IDF_FILIAL = :FILIAL AND A.DATAEMI >= :INICIO AND A.DATAEMI <= :FIM "
      "AND A.SITUACAONF = '0' AND A.SITUACAO = '1' AND T.CODIGO = 'COMPRA-NFE' "
      "ORDER BY A.DATAEMI, A.ID, I.SEQITEM",
      mes);
  const TxbResultado vendas = bd.Consultar(
      "SELECT I.IDF_PROD, A.IDF_IDENT FROM Z8_DOCTO A INNER JOIN Z8_TIPDOC T ON T.ID = "
      "A.IDF_TPDOCTO "
      "INNER JOIN Z8_PARTEDOCTO P ON P.IDF_DOCTO = A.ID INNER JOIN Z8_DOCTOITEM I ON I.IDA = P.ID "
      "INNER JOIN Z8_CODFISOPE CF ON CF.ID = I.IDF_CFOP "
      "WHERE A.IDF_FILIAL = :FILIAL AND A.DATAEMI >= :INICIO AND A.DATAEMI <= :FIM "
      "AND A.SITUACAONF = '0' AND A.SITUACAO = '1' AND T.CODIGO = 'VENDA-NF1' "
      "AND CF.CODIGO IN ('6.101', '6.102') ORDER BY A.DATAEMI, A.ID, I.SEQITEM",
      mes);
  if (compra.Vazio() || vendas.Vazio()) return proximo - 1;
  // The first sale's customer sold the goods and withheld their tax: a
  // participant the file has already met when the first refund names it.
  const TVariant fornecedor = vendas.linhas[0][1];
  std::set<int64_t> produtos;
  for (const auto& v : vendas.linhas) {
    const int64_t produto = v[0].AsInt64();
    if (produtos.size() == 3 || !produtos.insert(produto).second) continue;
    const int64_t n = static_cast<int64_t>(produtos.size());
    const int64_t item = Compra(bd, demo, proximo, compra.linhas[0][0].AsInt64(),
                                compra.linhas[0][1].AsInt64(), fornecedor, produto, n);
    if (n == 2)
      InserirValores(bd, "Z8_SUBSSTITEM",
                     {{"ID", proximo++},
                      {"IDF_DOCTOITEM", item},
                      {"IDF_IDENT", fornecedor},
                      {"CHAVENFE", std::string("35") + std::string(42, '7')},
                      {"SERIE", std::string("1")},
                      {"NRODOCTO", std::string("000845")},
                      {"SEQITEM", int64_t{3}}});
    if (n == 3) {
      const int64_t parte = proximo++;
      const TxbResultado docto =
          bd.Consultar("SELECT IDF_DOCTO FROM Z8_PARTEDOCTO WHERE ID = :ID", {{"ID", item}});
      InserirValores(bd, "Z8_PARTEDOCTO",
                     {{"ID", parte},
                      {"FD", std::string("ArrecadacaoReferenciada")},
                      {"IDF_DOCTO", docto.linhas.at(0)[0]}});
      InserirValores(bd, "Z8_ARRECREFER",
                     {{"ID", parte},
                      {"IDA", parte},
                      {"CODMOD", std::string("1")},
                      {"UF", std::string("SP")},
                      {"NRODOCTO", std::string("GNRE-ST-") + std::to_string(item)},
                      {"VLRDOCTO", 17.4}});
    }
  }
  return proximo - 1;
}

}  // namespace efd::erp
