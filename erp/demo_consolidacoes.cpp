#include "erp/demo_consolidacoes.h"

#include <string>

#include "erp/insercao.h"

namespace efd::erp {
namespace {

// The first document of the branch's month of a type (its code); 0 when
// none.
int64_t PrimeiroDocumento(TpbBD& bd, const ResultadoDemo& demo, int64_t filial,
                          const std::string& tipo) {
  const TxbResultado r = bd.Consultar(
      "SELECT A.ID FROM Z8_DOCTO A INNER JOIN Z8_TIPDOC T ON T.ID = A.IDF_TPDOCTO "
      "WHERE A.IDF_FILIAL = :FILIAL AND A.DATAEMI >= :INICIO AND A.DATAEMI <= :FIM "
      "AND A.SITUACAONF = '0' AND T.CODIGO = :TIPO ORDER BY A.DATAEMI, A.ID",
      {{"FILIAL", filial}, {"INICIO", demo.inicio}, {"FIM", demo.fim}, {"TIPO", tipo}});
  return r.Vazio() ? 0 : r.linhas[0][0].AsInt64();
}

void Processo(TpbBD& bd, int64_t documento, const std::string& numero) {
  if (documento == 0) return;
  bd.Executar(
      "UPDATE Z8_OUTDADOSDO SET NROPROCESSO = :NUMERO, INDPROCESSO = '1' WHERE IDA IN "
      "(SELECT P.ID FROM Z8_PARTEDOCTO P WHERE P.IDF_DOCTO = :DOCTO)",
      {{"NUMERO", numero}, {"DOCTO", documento}});
}

}  // namespace

int64_t CadastrosDasConsolidacoesDemo(TpbBD& bd, int64_t proximo, int64_t filial,
                                      TDateTime inicio) {
  InserirValores(bd, "Z8_PARAMFIL",
                 {{"ID", proximo},
                  {"FD", std::string("ParamFilialContribuicoes")},
                  {"IDF_FILIAL", filial},
                  {"DATAINICIAL", TDateTime::EncodeDate(inicio.Ano() - 1, 1, 1)},
                  {"DATAFINAL", TDateTime::EncodeDate(inicio.Ano() + 1, 12, 31)},
                  {"SITUACAO", std::string("1")}});
  InserirValores(bd, "Z8_PARFILCON",
                 {{"ID", proximo}, {"IDA", proximo}, {"ESCRITCONSOLIDADA", std::string("T")}});
  return proximo + 1;
}

int64_t ConstruirConsolidacoesDemo(TpbBD& bd, const ResultadoDemo& demo) {
  int64_t proximo = demo.maior_id + 1;
  const int64_t filial = demo.filiais.back();
  Processo(bd, PrimeiroDocumento(bd, demo, filial, "VENDA-NFE"), "00012345620244036100");

  const int64_t compra = PrimeiroDocumento(bd, demo, filial, "COMPRA-NFE");
  if (compra != 0) {
    const int64_t processo = proximo++;
    InserirValores(bd, "Z8_PROCIMPOR",
                   {{"ID", processo},
                    {"INDIMPORT", std::string("0")},
                    {"NUMDI", std::string("24/0987654-3")},
                    {"NROATOREGDRAWB", TVariant()}});
    bd.Executar("UPDATE Z8_DOCTO SET IDF_PROCESSOIMP = :PROCESSO WHERE ID = :DOCTO",
                {{"PROCESSO", processo}, {"DOCTO", compra}});
  }
  return proximo - 1;
}

}  // namespace efd::erp
