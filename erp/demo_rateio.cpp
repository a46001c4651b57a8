#include "erp/demo_rateio.h"

#include <cmath>
#include <string>

#include "erp/insercao.h"

namespace efd::erp {

int64_t ConstruirRateioDemo(TpbBD& bd, const ResultadoDemo& demo) {
  int64_t proximo = demo.maior_id + 1;
  const int64_t filial = demo.filiais.front();
  const TxbResultado fornecedores = bd.Consultar(
      "SELECT DISTINCT IDF_IDENT FROM Z8_DOCTO WHERE IDF_FILIAL = :F AND IDF_IDENT IS NOT NULL "
      "ORDER BY IDF_IDENT",
      {{"F", filial}});
  const TxbResultado contas =
      bd.Consultar("SELECT IDF_CTACTB FROM Z8_TPDOCTOGER WHERE IDF_CTACTB IS NOT NULL ORDER BY ID");
  // A month without documents has neither revenues to apportion by.
  if (fornecedores.Vazio() || contas.Vazio()) return proximo - 1;
  struct TCustoComum {
    int dia;
    double valor;
    const char* letra;     // PIS/COFINS taxation letter: N is CST 53, Q CST 56
    const char* natureza;  // of the credit's base
    const char* descricao;
  };
  const TCustoComum custos[] = {
      {15, 3200.0, "Q", "04", "Energia elétrica do estabelecimento"},
      {18, 1800.0, "N", "06", "Aluguel de empilhadeiras"},
  };
  const auto aplicar = [](double valor, double aliquota) {
    return std::round(valor * aliquota) / 100;
  };
  for (const TCustoComum& c : custos)
    InserirValores(bd, "Z8_OPEPISCOF",
                   {{"ID", proximo++},
                    {"IDF_FILIAL", filial},
                    {"DATA", TDateTime(demo.inicio.dias + c.dia - 1)},
                    {"INDOPER", std::string("0")},
                    {"IDF_IDENT", fornecedores.linhas.back()[0]},
                    {"VALOR", c.valor},
                    {"CLATRIBPIS", std::string(c.letra)},
                    {"PISBASE", c.valor},
                    {"PISALIQ", 1.65},
                    {"PISVALOR", aplicar(c.valor, 1.65)},
                    {"CLATRIBCOFINS", std::string(c.letra)},
                    {"COFINSBASE", c.valor},
                    {"COFINSALIQ", 7.6},
                    {"COFINSVALOR", aplicar(c.valor, 7.6)},
                    {"NATBCCRED", std::string(c.natureza)},
                    {"IDF_CTACTB", contas.linhas[0][0]},
                    {"DESCRICAO", std::string(c.descricao)}});
  return proximo - 1;
}

}  // namespace efd::erp
