#include "registers/blockE/rubricas.h"

#include "framework/xbformato.h"
#include "registers/blockE/apuracao.h"

namespace efd {

std::vector<TLinhaRubrica> RubricasDoPeriodo(TxbSession& sessao, int id_filial, TDateTime inicio,
                                             TDateTime fim, int id_imposto, TTabelaAjuste tabela,
                                             int id_uf) {
  std::vector<TLinhaRubrica> linhas;
  if (!FamiliasRegistradas({"ParteDoctoFisRub", "TipoDoctoFiscal", "TabAjusteSaldoApuracao",
                            "TabAjusteApuracaoIPI"}))
    return linhas;
  const std::string codigo =
      tabela != TTabelaAjuste::IPI
          ? "T.CODAJUSAPURA FROM Z8_TPDOCTOFIS F INNER JOIN Z8_TABAJSALAP T "
            "ON T.ID = F.IDF_TABELAAJSALAPURA"
          : "T.CODIGO FROM Z8_TPDOCTOFIS F INNER JOIN Z8_TABAJAPIPI T ON T.ID = F.IDF_TABAJAPURIPI";
  const std::string tipos = tabela == TTabelaAjuste::ICMSST
                                ? "(F.IDF_UF = :UF) AND (F.TIPOREGISTRO IN ('A', 'B', 'G', 'I'))"
                                : "(F.TIPO <> 'C')";
  TParametros parametros{
      {"FILIAL", id_filial}, {"INICIO", inicio}, {"FIM", fim}, {"IMPOSTO", id_imposto}};
  if (tabela == TTabelaAjuste::ICMSST) parametros.emplace_back("UF", id_uf);
  TxbResultado r = sessao.Consultar(
      "SELECT D.ID, D.NRODOCTO, F.TIPO, R.DESCRICAO, R.VALORFISCAL, R.VALOR, R.IDF_DOCTOORIGEM, "
      "D.IDF_TPDOCTO, R.IDF_DOCTONFCOMPRA, " +
          codigo +
          " INNER JOIN Z8_PARTETPDOC PT ON PT.ID = F.IDA "
          "INNER JOIN Z8_TIPDOC TD ON TD.ID = PT.IDF_TIPDOC "
          "INNER JOIN Z8_PADRAODOC PD ON PD.ID = TD.IDF_PADRAODOC "
          "INNER JOIN Z8_DOCTO D ON D.IDF_TPDOCTO = TD.ID "
          "INNER JOIN Z8_PARTEDOCTO P ON P.IDF_DOCTO = D.ID "
          "INNER JOIN Z8_PARDFISRUB R ON R.IDA = P.ID "
          "WHERE (D.IDF_FILIAL = :FILIAL) AND (D.DTENTSAI BETWEEN :INICIO AND :FIM) "
          "AND (PD.CODINTERNO = 132) AND " +
          tipos +
          " AND (R.IDF_IMPOSTO = :IMPOSTO) "
          "ORDER BY D.ID, P.ID",
      parametros);
  for (const auto& l : r.linhas)
    linhas.push_back({l[0].AsInteger(), Trim(l[1].AsString()), Trim(l[2].AsString()),
                      Trim(l[9].AsString()), l[3].AsString(), l[4].AsFloat(), l[5].AsFloat(),
                      l[6].AsInteger(), l[7].AsInteger(), l[8].AsInteger()});
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

namespace {

// The document with its issuer, series, model (its own, else its type's)
// and the access key of its other data or of its purchase data.
constexpr const char* kDocumentoAjuste =
    "SELECT A.NRODOCTO, A.DATAEMI, S.CODIGO AS CODSERIE, A.IDF_IDENT AS ID_IDENT, "
    "I.CODMODELO, COALESCE(H.CHAVENFE, K.CHAVENFE) AS CHAVENFE FROM Z8_DOCTO A "
    "LEFT JOIN Z8_PARTETPDOC PT ON (PT.IDF_TIPDOC = A.IDF_TPDOCTO) AND (PT.FD = 'TipoDoctoGeral') "
    "LEFT JOIN Z8_TPDOCTOGER D ON D.IDA = PT.ID "
    "LEFT JOIN Z8_SERIEDOCTO S ON S.ID = A.IDF_SERIEDOCTO "
    "LEFT JOIN Z8_MODELODOCT I ON I.ID = COALESCE(A.IDF_MODELODOCTO, D.IDF_MODELODOCT) "
    "LEFT JOIN Z8_PARTEDOCTO PH ON (PH.IDF_DOCTO = A.ID) AND (PH.FD = 'OutrosDadosDocto') "
    "LEFT JOIN Z8_OUTDADOSDO H ON H.IDA = PH.ID "
    "LEFT JOIN Z8_PARTEDOCTO PK ON (PK.IDF_DOCTO = A.ID) AND (PK.FD = 'OutrosDadosCompras') "
    "LEFT JOIN Z8_OUTDADCOMP K ON K.IDA = PK.ID "
    "WHERE (A.ID = :ID_DOCTO)";

bool LerDocumento(TxbSession& sessao, const std::string& sql, const TParametros& parametros,
                  TDocumentoAjuste& d) {
  TxbResultado r = sessao.Consultar(sql, parametros);
  if (r.Vazio()) return false;
  const auto& l = r.linhas[0];
  d = {l[3].AsInteger(),      Trim(l[4].AsString()),
       Trim(l[2].AsString()), Trim(l[0].AsString()),
       Trim(l[5].AsString()), l[1].IsNull() ? TDateTime() : l[1].AsDateTime()};
  return true;
}

}  // namespace

bool LerDocumentoDeOrigem(TxbSession& sessao, int id_docto, TDocumentoAjuste& documento) {
  return LerDocumento(sessao, kDocumentoAjuste, {{"ID_DOCTO", id_docto}}, documento);
}

bool LerDocumentoDeCompra(TxbSession& sessao, int id_docto, int id_filial, int id_imposto,
                          const std::string& tipo_ajuste, TDocumentoAjuste& documento) {
  if (!FamiliasRegistradas({"AjusteTribItem", "ItemDocto"})) return false;
  return LerDocumento(
      sessao,
      std::string(kDocumentoAjuste) +
          " AND (A.IDF_FILIAL = :IDFFILIAL) AND EXISTS (SELECT F.ID FROM Z8_AJTRIBITDO F "
          "INNER JOIN Z8_TRIBITEM B ON B.ID = F.IDF_TRIBITEM "
          "INNER JOIN Z8_DOCTOITEM C ON C.ID = B.IDF_DOCTOITEM "
          "INNER JOIN Z8_PARTEDOCTO E ON E.ID = C.IDA WHERE (E.IDF_DOCTO = A.ID) "
          "AND (F.IDF_IMPOSTO = :IDFIMPOSTO) AND (F.TIPOAJUSTE = :TIPOAJUSTE))",
      {{"ID_DOCTO", id_docto},
       {"IDFFILIAL", id_filial},
       {"IDFIMPOSTO", id_imposto},
       {"TIPOAJUSTE", tipo_ajuste}},
      documento);
}

}  // namespace efd
