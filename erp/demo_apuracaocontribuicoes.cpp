#include "erp/demo_apuracaocontribuicoes.h"

#include <cmath>
#include <string>

#include "erp/insercao.h"

namespace efd::erp {
namespace {

// An adjustment of the month with its detail: what it adjusts (C a credit,
// V a contribution) and which, whether it increases, its code, its
// supporting document, the CST and base of the operations it concerns.
struct TAjusteDemo {
  const char* objeto;
  const char* codigo;
  bool acrescimo;
  const char* codigo_ajuste;
  const char* documento;
  const char* descricao;
  const char* cst;
  double base;
  int dia;
};
constexpr TAjusteDemo kAjustes[] = {
    {"C", "101", true, "01", "0012345-67.2025.4.03.6100",
     "Crédito de insumos reconhecido em ação judicial", "50", 7272.73, 10},
    {"V", "01", false, "06", "NFD 4521",
     "Estorno da contribuição de vendas devolvidas após o mês da venda", "01", 4848.48, 20},
};

// The fiscal coupons' own document type, of model 2D, naming the account of
// the revenues of sales.
int64_t TipoDosCupons(TpbBD& bd, int64_t proximo, const TVariant& conta) {
  const int64_t modelo = proximo++, tipo = proximo++, parte = proximo++;
  InserirValores(bd, "Z8_MODELODOCT",
                 {{"ID", modelo},
                  {"CODMODELO", std::string("2D")},
                  {"DESCRICAO", std::string("Cupom Fiscal emitido por ECF")}});
  InserirValores(bd, "Z8_TIPDOC",
                 {{"ID", tipo},
                  {"CODIGO", std::string("CF")},
                  {"DESCRICAO", std::string("Cupom fiscal")},
                  {"NFCOMPLEMENTAR", TVariant(false)}});
  InserirValores(bd, "Z8_PARTETPDOC",
                 {{"ID", parte}, {"FD", std::string("TipoDoctoGeral")}, {"IDF_TIPDOC", tipo}});
  InserirValores(
      bd, "Z8_TPDOCTOGER",
      {{"ID", parte}, {"IDA", parte}, {"IDF_MODELODOCT", modelo}, {"IDF_CTACTB", conta}});
  return proximo;
}

}  // namespace

int64_t CadastrosDaApuracaoContribuicoesDemo(TpbBD& bd, int64_t proximo, int64_t empresa,
                                             TDateTime inicio) {
  const TxbResultado conta =
      bd.Consultar("SELECT IDF_CTACTB FROM Z8_TPDOCTOGER WHERE IDF_CTACTB IS NOT NULL ORDER BY ID");
  const TVariant id_conta = conta.Vazio() ? TVariant() : conta.linhas[0][0];
  proximo = TipoDosCupons(bd, proximo, id_conta);
  for (const TAjusteDemo& a : kAjustes)
    for (const auto& [contribuicao, aliquota] : {std::pair{"1", 1.65}, std::pair{"2", 7.6}}) {
      const TDateTime data(inicio.dias + a.dia - 1);
      const double valor = std::round(a.base * aliquota) / 100;
      const bool credito = *a.objeto == 'C';
      InserirValores(bd, "Z8_AJAPPISCOF",
                     {{"ID", proximo++},
                      {"IDF_EMPRESA", empresa},
                      {"DATAREF", data},
                      {"CONTRIBUICAO", std::string(contribuicao)},
                      {"OBJETO", std::string(a.objeto)},
                      {"CODCREDITO", credito ? TVariant(std::string(a.codigo)) : TVariant()},
                      {"CODCONTRIBUICAO", credito ? TVariant() : TVariant(std::string(a.codigo))},
                      {"ALIQUOTA", aliquota},
                      {"INDAJUSTE", std::string(a.acrescimo ? "1" : "0")},
                      {"VALOR", valor},
                      {"CODAJUSTE", std::string(a.codigo_ajuste)},
                      {"NUMDOCTO", std::string(a.documento)},
                      {"DESCRICAO", std::string(a.descricao)},
                      {"IDF_CTACTB", id_conta},
                      {"DETVALOR", valor},
                      {"DETCST", std::string(a.cst)},
                      {"DETBASE", a.base},
                      {"DETALIQUOTA", aliquota},
                      {"DETDATA", data},
                      {"DETDESCRICAO", std::string(a.descricao)}});
    }
  return proximo;
}

void ConstruirApuracaoContribuicoesDemo(TpbBD& bd) {
  bd.Executar(
      "UPDATE Z8_DOCTO SET IDF_TPDOCTO = (SELECT ID FROM Z8_TIPDOC WHERE CODIGO = 'CF') "
      "WHERE FD = 'DoctoCupFiscal'");
}

}  // namespace efd::erp
