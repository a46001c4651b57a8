#include "erp/demo_estoque.h"

#include <algorithm>
#include <string>
#include <vector>

#include "erp/insercao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd::erp {
namespace {

// Rows of one table through a statement prepared once, the columns named at
// construction and given in that order.
class TTabelaDemo {
 public:
  TTabelaDemo(TpbBD& bd, const std::string& tabela, std::vector<std::string> colunas)
      : insercao_(bd, tabela, colunas) {}
  void Inserir(const std::vector<TVariant>& valores) {
    for (size_t i = 0; i < valores.size(); ++i) insercao_.Definir(i, valores[i]);
    insercao_.Gravar();
  }

 private:
  TxbInsercao insercao_;
};

int64_t Primeiro(TpbBD& bd, const std::string& sql, const char* o_que) {
  TxbResultado r = bd.Consultar(sql);
  if (r.Vazio()) throw EErro(std::string("Empresa demo sem ") + o_que);
  return r.linhas[0][0].AsInteger();
}

// Goods of the head office sent to the supplier and goods of the supplier
// received, by normal documents of the months before (the month's files
// carry none of them): the first product sent, partly back, a return of a
// cancelled document and one after the month left out; the second product
// received, none given back; the seventh sent and all back.
void RemessasDemo(TpbBD& bd, int64_t filial, int64_t parte, TDateTime inicio,
                  const TxbResultado& produtos, const std::function<int64_t()>& id) {
  TTabelaDemo documentos(
      bd, "Z8_DOCTO", {"ID", "FD", "IDF_FILIAL", "IDF_IDENT", "NRODOCTO", "DATAEMI", "SITUACAONF"});
  auto documento = [&](int numero, TDateTime data, const char* situacao) {
    const int64_t d = id();
    documentos.Inserir({d, "Docto", filial, parte, numero, data, situacao});
    return d;
  };
  auto produto = [&produtos](size_t i) { return produtos.linhas.at(i)[0].AsInteger(); };
  const TDateTime antes(inicio.dias - 20), depois(UltimoDiaDoMes(inicio).dias + 3);
  TTabelaDemo enviadas(bd, "Z8_ITPROREMSA", {"ID", "IDF_DOCTO", "IDF_PROD", "QDADE"});
  TTabelaDemo voltaram(bd, "Z8_ITPRORETSA", {"ID", "IDF_ITPROREMSA", "IDF_DOCTO", "QDADE"});
  const int64_t remessa = documento(9001, antes, "0");
  const int64_t enviada = id(), toda_enviada = id();
  enviadas.Inserir({enviada, remessa, produto(0), 10.0});
  enviadas.Inserir({toda_enviada, remessa, produto(6), 5.0});
  voltaram.Inserir({id(), enviada, documento(9002, TDateTime(inicio.dias - 5), "0"), 4.0});
  voltaram.Inserir({id(), enviada, documento(9003, TDateTime(inicio.dias - 4), "2"), 3.0});
  voltaram.Inserir({id(), enviada, documento(9004, depois, "0"), 2.0});
  voltaram.Inserir({id(), toda_enviada, documento(9005, TDateTime(inicio.dias - 3), "0"), 5.0});
  TTabelaDemo recebidas(bd, "Z8_ITPROREMEN", {"ID", "IDF_DOCTO", "IDF_PROD", "QDADE"});
  recebidas.Inserir({id(), documento(9006, antes, "0"), produto(1), 12.0});
}

// The stock accounts: each family's by the kind of its items, and the
// first product of the head office an account of its own; a family's other
// account and a product's account kept out of the files are not theirs.
void ContasDemo(TpbBD& bd, int64_t filial, const TxbResultado& produtos,
                const std::function<int64_t()>& id) {
  auto conta = [&bd](const char* codigo) {
    return Primeiro(bd,
                    std::string("SELECT ID FROM KLVG_CLASSE WHERE FD = 'ContaContabil' AND "
                                "CODIGO = '") +
                        codigo + "'",
                    codigo);
  };
  TTabelaDemo da_familia(bd, "Z8_CTCTBFAM", {"ID", "IDF_FAMILIA", "IDF_CTACTB", "DESCRICAOCONTA"});
  for (const auto& f : bd.Consultar("SELECT ID, TIPOITEM FROM Z8_FAMILIA ORDER BY ID").linhas) {
    const std::string tipo = Trim(f[1].AsString());
    const char* estoque = tipo == "B"   ? "1.1.3.02"
                          : tipo == "H" ? "1.1.3.03"
                          : tipo == "I" ? "1.2.3.01"
                                        : "1.1.3.01";
    da_familia.Inserir({id(), f[0], conta("3.1.01"), "Conta Receita"});
    da_familia.Inserir({id(), f[0], conta(estoque), "Conta Familia Produto"});
  }
  TTabelaDemo do_produto(bd, "Z8_TPCTCTBPRO",
                         {"ID", "IDF_PROD", "IDF_FILIAL", "IDF_CTACTB", "UTILIZADONOSPED"});
  do_produto.Inserir({id(), produtos.linhas.at(0)[0], filial, conta("1.1.3.02"), "T"});
  do_produto.Inserir({id(), produtos.linhas.at(1)[0], filial, conta("4.1.01"), "F"});
}

}  // namespace

void ConstruirEstoqueDemo(TpbBD& bd, int64_t empresa, const std::vector<int64_t>& filiais,
                          TDateTime inicio, const std::function<int64_t()>& id) {
  const int64_t fornecedor = Primeiro(
      bd,
      "SELECT I.ID FROM KLVG_PAPELREL R INNER JOIN KLVG_IDENT I ON I.ID = R.IDF_IDENT "
      "INNER JOIN KLVG_PESJUR J ON J.IDA = I.ID WHERE R.PAPEL = 'FOR' AND J.CNPJ IS NOT NULL "
      "ORDER BY I.ID",
      "fornecedor");

  TTabelaDemo almoxarifados(bd, "Z8_ALMOX", {"ID", "CODIGO", "NOME", "INDPROP", "IDF_IDENT"});
  const int64_t proprio = id(), em_terceiro = id(), de_terceiro = id();
  almoxarifados.Inserir({proprio, "01", "Depósito central", "0", TVariant()});
  almoxarifados.Inserir({em_terceiro, "02", "Mercadoria em poder de terceiro", "1", fornecedor});
  almoxarifados.Inserir(
      {de_terceiro, "03", "Mercadoria de terceiro em consignação", "2", fornecedor});

  // Tax rules of the families, in force since before the month.
  const int64_t origem_nacional =
      Primeiro(bd, "SELECT ID FROM Z8_CLAORIGEM WHERE CODIGO = '0'", "origem nacional");
  const int64_t tributada =
      Primeiro(bd, "SELECT ID FROM Z8_CLATRIBUT WHERE CODIGO = '00'", "tributação 00");
  const int64_t outras =
      Primeiro(bd, "SELECT ID FROM Z8_CLATRIBUT WHERE CODIGO = '90'", "tributação 90");
  TTabelaDemo regras(
      bd, "Z8_TRIBFAM",
      {"ID", "IDF_FAMILIA", "DATAVIGENCIA", "TIPOITEM", "IDF_CLAORIGEM", "IDF_CLATRIBENT"});
  const TDateTime vigencia = TDateTime::EncodeDate(inicio.Ano() - 3, 1, 1);
  for (const auto& f : bd.Consultar("SELECT ID, TIPOITEM FROM Z8_FAMILIA ORDER BY ID").linhas) {
    const std::string tipo = Trim(f[1].AsString());
    regras.Inserir({id(), f[0], vigencia, tipo, origem_nacional, tipo == "C" ? outras : tributada});
  }

  // Every product in a warehouse, with a balance at both branches.
  TxbResultado produtos = bd.Consultar(
      "SELECT ID FROM Z8_PROD WHERE IDF_EMPRESA = :EMPRESA ORDER BY ID", {{"EMPRESA", empresa}});
  TTabelaDemo almoxarifado_produto(bd, "Z8_ALMPROD", {"ID", "IDF_PROD", "IDF_ALMOX"});
  TTabelaDemo saldos(bd, "Z8_TRANSALDO",
                     {"ID", "IDF_PROD", "IDF_FILIAL", "DATATRANSACAO", "QFISICA", "SALQTDEFILIAL",
                      "CUSTOMEDIO", "SALVALESTFILIAL"});
  auto dia = [&inicio](int d) { return TDateTime::EncodeDate(inicio.Ano(), inicio.Mes(), d); };
  const size_t com_saldo = std::min<size_t>(2, filiais.size());
  for (size_t i = 0; i < produtos.linhas.size(); ++i) {
    const int64_t produto = produtos.linhas[i][0].AsInteger();
    almoxarifado_produto.Inserir({id(), produto,
                                  i == 2   ? em_terceiro
                                  : i == 3 ? de_terceiro
                                           : proprio});
    for (size_t f = 0; f < com_saldo; ++f) {
      const double custo = 1.5 + 0.731 * static_cast<double>(i) + 0.25 * static_cast<double>(f);
      const double entrada = 40.0 + 7.0 * static_cast<double>(i % 9);
      const double saida = i == 5 ? entrada : 3.5 * static_cast<double>(i % 4);
      const double saldo = entrada - saida;
      saldos.Inserir({id(), produto, filiais[f], dia(1), entrada, entrada, custo, entrada * custo});
      // 0.0 - saida: no sale gives 0, not the -0 that SQLite would not keep.
      saldos.Inserir(
          {id(), produto, filiais[f], dia(15), 0.0 - saida, saldo, custo, saldo * custo});
      // A revaluation moves no quantity: the inventory keeps the last movement.
      saldos.Inserir(
          {id(), produto, filiais[f], dia(20), 0.0, saldo, custo * 2, saldo * custo * 2});
      // After the month: not in the inventory at its end.
      saldos.Inserir({id(), produto, filiais[f], TDateTime(UltimoDiaDoMes(inicio).dias + 1), 5.0,
                      saldo + 5, custo, (saldo + 5) * custo});
    }
  }
  RemessasDemo(bd, filiais.front(), fornecedor, inicio, produtos, id);
  ContasDemo(bd, filiais.front(), produtos, id);
}

}  // namespace efd::erp
