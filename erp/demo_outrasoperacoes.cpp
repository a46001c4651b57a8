#include "erp/demo_outrasoperacoes.h"

#include <cmath>
#include <string>

#include "erp/insercao.h"

namespace efd::erp {

int64_t ConstruirOutrasOperacoesDemo(TpbBD& bd, const ResultadoDemo& demo) {
  int64_t proximo = demo.maior_id + 1;
  const int64_t filial = demo.filiais.front();
  const TxbResultado participantes = bd.Consultar(
      "SELECT DISTINCT IDF_IDENT FROM Z8_DOCTO WHERE IDF_FILIAL = :F AND IDF_IDENT IS NOT NULL "
      "ORDER BY IDF_IDENT",
      {{"F", filial}});
  const TxbResultado contas =
      bd.Consultar("SELECT IDF_CTACTB FROM Z8_TPDOCTOGER WHERE IDF_CTACTB IS NOT NULL ORDER BY ID");
  // A month without documents has no operations either.
  if (participantes.Vazio() || contas.Vazio()) return proximo - 1;
  const TVariant conta = contas.linhas[0][0];
  const auto dia = [&demo](int d) { return TDateTime(demo.inicio.dias + d - 1); };
  struct TOperacao {
    const char* ind_oper;
    int dia;
    double valor;
    const char* letra;  // PIS/COFINS taxation letter
    const char* natureza;
    const char* descricao;
  };
  const TOperacao operacoes[] = {
      {"0", 10, 4500, "K", "04", "Aluguel do galpão de armazenagem"},
      {"1", 28, 1250.4, "A", "", "Receita de locação de espaço publicitário"},
  };
  for (const TOperacao& o : operacoes) {
    const auto aplicar = [&o](double aliquota) { return std::round(o.valor * aliquota) / 100; };
    InserirValores(bd, "Z8_OPEPISCOF",
                   {{"ID", proximo++},
                    {"IDF_FILIAL", filial},
                    {"DATA", dia(o.dia)},
                    {"INDOPER", std::string(o.ind_oper)},
                    {"IDF_IDENT", participantes.linhas[0][0]},
                    {"VALOR", o.valor},
                    {"CLATRIBPIS", std::string(o.letra)},
                    {"PISBASE", o.valor},
                    {"PISALIQ", 1.65},
                    {"PISVALOR", aplicar(1.65)},
                    {"CLATRIBCOFINS", std::string(o.letra)},
                    {"COFINSBASE", o.valor},
                    {"COFINSALIQ", 7.6},
                    {"COFINSVALOR", aplicar(7.6)},
                    {"NATBCCRED", *o.natureza ? TVariant(std::string(o.natureza)) : TVariant()},
                    {"IDF_CTACTB", conta},
                    {"DESCRICAO", std::string(o.descricao)}});
  }
  InserirValores(bd, "Z8_RETPISCOF",
                 {{"ID", proximo++},
                  {"IDF_FILIAL", filial},
                  {"DATA", dia(20)},
                  {"NATUREZA", std::string("1")},
                  {"BASE", 10000.0},
                  {"VALOR", 365.0},
                  {"CODRECEITA", std::string("6147")},
                  {"NATRECEITA", std::string("0")},
                  {"CNPJFONTE", std::string("00394460000141")},
                  {"VALORPIS", 65.0},
                  {"VALORCOFINS", 300.0},
                  {"INDDECLARANTE", std::string("0")}});
  return proximo - 1;
}

}  // namespace efd::erp
