#include "registers/blockE/movimentosfiscais.h"

#include "framework/xbformato.h"
#include "registers/blockE/apuracao.h"

namespace efd {
namespace {

// The ICMS of the branch's fiscal movements in the period, with the CFOP
// of each movement as F.
constexpr const char* kMovimentosDoICMS =
    " FROM Z8_MOVFIS A INNER JOIN Z8_MOVFISIMP B ON B.IDF_MOVFIS = A.ID "
    "INNER JOIN Z8_INTEGRA C ON C.ID = A.IDF_INTEGRA INNER JOIN Z8_DOCTO D ON D.ID = C.IDF_DOCTO "
    "INNER JOIN Z8_IMPOSTO E ON E.ID = B.IDF_IMPOSTO INNER JOIN Z8_CODFISOPE F ON F.ID = "
    "A.IDF_CFOP "
    "WHERE (D.IDF_FILIAL = :FILIAL) AND (A.DATAENTSAI BETWEEN :INICIO AND :FIM) "
    "AND (E.TIPO = '0')";

bool ComMovimentosFiscais() {
  return FamiliasRegistradas({"MovFis", "MovFisImp", "Integracao", "CFOP", "Imposto"});
}

}  // namespace

TFundoPobreza FundoPobrezaDoPeriodo(TxbSession& sessao, int id_filial, TDateTime inicio,
                                    TDateTime fim) {
  TFundoPobreza fundo;
  if (!ComMovimentosFiscais()) return fundo;
  TxbResultado r =
      sessao.Consultar(std::string("SELECT F.TIPOMOV, SUM(B.ICMSVALFCPPROPRIO)") +
                           kMovimentosDoICMS + " AND (F.TIPOMOV IN ('1', '2')) GROUP BY F.TIPOMOV",
                       {{"FILIAL", id_filial}, {"INICIO", inicio}, {"FIM", fim}});
  for (const auto& l : r.linhas)
    (Trim(l[0].AsString()) == "2" ? fundo.saidas : fundo.entradas) = l[1].AsFloat();
  return fundo;
}

TDifalDevolucoes DifalDasDevolucoes(TxbSession& sessao, int id_filial, int id_estado,
                                    TDateTime inicio, TDateTime fim) {
  TDifalDevolucoes difal;
  if (!FamiliasRegistradas({"TabAjusteTributo", "TabAjusteDocFiscal"})) return difal;
  TxbResultado codigo = sessao.Consultar(
      "SELECT B.CODAJUSTE FROM Z8_TAJUSTRIBA A INNER JOIN Z8_TabAjVPrDF B ON B.ID = "
      "A.IDF_TABAJVPRDF WHERE (A.TIPOAJUSTE = '1') AND (A.OPFISCAL = '3') "
      "AND (A.IDF_ESTADO = :IDF_ESTADO) ORDER BY A.ID",
      {{"IDF_ESTADO", id_estado}});
  if (codigo.Vazio() || Trim(codigo.linhas[0][0].AsString()).empty()) return difal;
  difal.codigo = Trim(codigo.linhas[0][0].AsString());
  if (!ComMovimentosFiscais()) return difal;
  TxbResultado r = sessao.Consultar(std::string("SELECT SUM(B.VALICMSPARTDEST) as VALORDIFALDEV") +
                                        kMovimentosDoICMS + " AND (F.CODIGO LIKE '2.2%')",
                                    {{"FILIAL", id_filial}, {"INICIO", inicio}, {"FIM", fim}});
  difal.valor = r.Vazio() ? 0 : r.linhas[0][0].AsFloat();
  return difal;
}

TCreditoPresumido CreditoPresumidoDoPeriodo(TxbSession& sessao, int id_filial, int tipo_credito,
                                            int tipo_estorno, TDateTime inicio, TDateTime fim) {
  TCreditoPresumido presumido;
  if (!FamiliasRegistradas({"ParteDoctoFisRub"})) return presumido;
  auto soma = [&](int tipo) {
    if (tipo == 0) return 0.0;
    TxbResultado r = sessao.Consultar(
        "SELECT SUM(A.ValorFiscal) VLRRUB, SUM(A.BaseCalc) BCRUB FROM Z8_PARDFISRUB A "
        "INNER JOIN Z8_PARTEDOCTO B ON B.ID = A.IDA INNER JOIN Z8_DOCTO C ON C.ID = B.IDF_DOCTO "
        "WHERE (C.IDF_FILIAL = :FILIAL) AND (C.DATAEMI BETWEEN :DTINI AND :DTFIN) "
        "AND (C.SITUACAO    = '1') AND (C.IDF_TPDOCTO = :TIPO)",
        {{"FILIAL", id_filial}, {"DTINI", inicio}, {"DTFIN", fim}, {"TIPO", tipo}});
    return r.Vazio() ? 0.0 : r.linhas[0][0].AsFloat();
  };
  presumido.credito = soma(tipo_credito);
  presumido.estorno = soma(tipo_estorno);
  return presumido;
}

double IsentasOuOutrasDoCFOP(TxbSession& sessao, int id_filial, int id_cfop, bool isentas,
                             TDateTime inicio, TDateTime fim) {
  if (!ComMovimentosFiscais()) return 0;
  TxbResultado r = sessao.Consultar(
      std::string("SELECT SUM(B.") + (isentas ? "VALORISENTAS" : "VALOROUTRAS") + ")" +
          kMovimentosDoICMS + " AND (A.IDF_CFOP = :CFOP)",
      {{"FILIAL", id_filial}, {"CFOP", id_cfop}, {"INICIO", inicio}, {"FIM", fim}});
  return r.Vazio() ? 0 : r.linhas[0][0].AsFloat();
}

}  // namespace efd
