#include "registers/blockE/rubricas.h"

#include "framework/xbformato.h"
#include "registers/blockE/apuracao.h"

namespace efd {

std::vector<TLinhaRubrica> RubricasDoPeriodo(TxbSession& sessao, int id_filial, TDateTime inicio,
                                             TDateTime fim, int id_imposto, TTabelaAjuste tabela) {
  std::vector<TLinhaRubrica> linhas;
  if (!FamiliasRegistradas({"ParteDoctoFisRub", "TipoDoctoFiscal", "TabAjusteSaldoApuracao",
                            "TabAjusteApuracaoIPI"}))
    return linhas;
  const std::string codigo =
      tabela == TTabelaAjuste::ICMS
          ? "T.CODAJUSAPURA FROM Z8_TPDOCTOFIS F INNER JOIN Z8_TABAJSALAP T "
            "ON T.ID = F.IDF_TABELAAJSALAPURA"
          : "T.CODIGO FROM Z8_TPDOCTOFIS F INNER JOIN Z8_TABAJAPIPI T ON T.ID = F.IDF_TABAJAPURIPI";
  TxbResultado r = sessao.Consultar(
      "SELECT D.ID, D.NRODOCTO, F.TIPO, R.DESCRICAO, R.VALORFISCAL, R.VALOR, R.IDF_DOCTOORIGEM, " +
          codigo +
          " INNER JOIN Z8_PARTETPDOC PT ON PT.ID = F.IDA "
          "INNER JOIN Z8_TIPDOC TD ON TD.ID = PT.IDF_TIPDOC "
          "INNER JOIN Z8_PADRAODOC PD ON PD.ID = TD.IDF_PADRAODOC "
          "INNER JOIN Z8_DOCTO D ON D.IDF_TPDOCTO = TD.ID "
          "INNER JOIN Z8_PARTEDOCTO P ON P.IDF_DOCTO = D.ID "
          "INNER JOIN Z8_PARDFISRUB R ON R.IDA = P.ID "
          "WHERE (D.IDF_FILIAL = :FILIAL) AND (D.DTENTSAI BETWEEN :INICIO AND :FIM) "
          "AND (PD.CODINTERNO = 132) AND (F.TIPO <> 'C') AND (R.IDF_IMPOSTO = :IMPOSTO) "
          "ORDER BY D.ID, P.ID",
      {{"FILIAL", id_filial}, {"INICIO", inicio}, {"FIM", fim}, {"IMPOSTO", id_imposto}});
  for (const auto& l : r.linhas)
    linhas.push_back({l[0].AsInteger(), Trim(l[1].AsString()), Trim(l[2].AsString()),
                      Trim(l[7].AsString()), l[3].AsString(), l[4].AsFloat(), l[5].AsFloat(),
                      l[6].AsInteger()});
  return linhas;
}

std::vector<TProcesso> ProcessosDoDocumento(TxbSession& sessao, int id_docto) {
  std::vector<TProcesso> processos;
  if (!FamiliasRegistradas({"ParteProcJud"})) return processos;
  TxbResultado r = sessao.Consultar(
      "SELECT B.NRODOCARREC, B.NROPROC, B.INDPROC, B.DESCRESPROC FROM Z8_PARTEDOCTO A "
      "INNER JOIN Z8_PARPROCJUD B ON B.IDA = A.ID WHERE (A.IDF_DOCTO = :DOCTO) ORDER BY A.ID",
      {{"DOCTO", id_docto}});
  for (const auto& l : r.linhas)
    if (!Trim(l[1].AsString()).empty())
      processos.push_back({Trim(l[0].AsString()), Trim(l[1].AsString()), Trim(l[2].AsString()),
                           Trim(l[3].AsString())});
  return processos;
}

}  // namespace efd
