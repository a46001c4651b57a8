#include "erp/demo_consolidacoes.h"

#include <string>

#include "erp/insercao.h"

namespace efd::erp {
namespace {

// The first document of the branch's month of a model whose series is of
// own issue (or not) and whose standard is an entry (or an output); 0 when
// none. Entries' standards have the internal codes below 100.
int64_t PrimeiroDocumento(TpbBD& bd, const ResultadoDemo& demo, int64_t filial, bool propria,
                          bool entrada) {
  const TxbResultado r = bd.Consultar(
      std::string("SELECT A.ID FROM Z8_DOCTO A "
                  "INNER JOIN Z8_SERIEDOCTO S ON S.ID = A.IDF_SERIEDOCTO "
                  "INNER JOIN Z8_TIPDOC T ON T.ID = A.IDF_TPDOCTO "
                  "INNER JOIN Z8_PADRAODOC P ON P.ID = T.IDF_PADRAODOC "
                  "INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = A.IDF_TPDOCTO "
                  "INNER JOIN Z8_TPDOCTOGER G ON G.IDA = C.ID "
                  "INNER JOIN Z8_MODELODOCT M ON M.ID = G.IDF_MODELODOCT "
                  "WHERE A.IDF_FILIAL = :FILIAL AND A.DATAEMI >= :INICIO AND A.DATAEMI <= :FIM "
                  "AND M.CODMODELO = '55' AND A.SITUACAONF = '0' AND S.TIPO ") +
          (propria ? "= '1'" : "<> '1'") + " AND P.CODINTERNO " + (entrada ? "< 100" : ">= 100") +
          " ORDER BY A.DATAEMI, A.ID",
      {{"FILIAL", filial}, {"INICIO", demo.inicio}, {"FIM", demo.fim}});
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

int64_t ConstruirConsolidacoesDemo(TpbBD& bd, const ResultadoDemo& demo) {
  int64_t proximo = demo.maior_id + 1;
  const int64_t filial = demo.filiais.back();
  const int64_t parametro = proximo++;
  InserirValores(bd, "Z8_PARAMFIL",
                 {{"ID", parametro},
                  {"FD", std::string("ParamFilialContribuicoes")},
                  {"IDF_FILIAL", filial},
                  {"DATAINICIAL", TDateTime::EncodeDate(demo.inicio.Ano() - 1, 1, 1)},
                  {"DATAFINAL", TDateTime::EncodeDate(demo.inicio.Ano() + 1, 12, 31)},
                  {"SITUACAO", std::string("1")}});
  InserirValores(bd, "Z8_PARFILCON",
                 {{"ID", parametro}, {"IDA", parametro}, {"ESCRITCONSOLIDADA", std::string("T")}});

  Processo(bd, PrimeiroDocumento(bd, demo, filial, true, false), "00012345620244036100");
  Processo(bd, PrimeiroDocumento(bd, demo, filial, true, true), "00065432120244036100");

  const int64_t compra = PrimeiroDocumento(bd, demo, filial, false, true);
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
