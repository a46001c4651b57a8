#include "erp/demo_complementosdocumento.h"

#include <string>

#include "erp/insercao.h"

namespace efd::erp {
namespace {

constexpr const char* kArmazem = "Armazém Fazenda Boa Vista";

// The first valid document of the head office's month of a type (its
// code) that the condition on A (the document) admits; 0 when none.
int64_t PrimeiroDocumento(TpbBD& bd, const ResultadoDemo& demo, const std::string& tipo,
                          const std::string& condicao = "") {
  const TxbResultado r = bd.Consultar(
      "SELECT A.ID FROM Z8_DOCTO A INNER JOIN Z8_TIPDOC T ON T.ID = A.IDF_TPDOCTO "
      "WHERE A.IDF_FILIAL = :FILIAL AND A.DATAEMI >= :INICIO AND A.DATAEMI <= :FIM "
      "AND A.SITUACAONF = '0' AND A.SITUACAO = '1' AND T.CODIGO = :TIPO " +
          condicao + " ORDER BY A.DATAEMI, A.ID",
      {{"FILIAL", demo.filiais.front()},
       {"INICIO", demo.inicio},
       {"FIM", demo.fim},
       {"TIPO", tipo}});
  return r.Vazio() ? 0 : r.linhas[0][0].AsInt64();
}

// A new part of the document; its id.
int64_t Parte(TpbBD& bd, int64_t& proximo, int64_t documento, const std::string& familia) {
  const int64_t parte = proximo++;
  InserirValores(bd, "Z8_PARTEDOCTO", {{"ID", parte}, {"FD", familia}, {"IDF_DOCTO", documento}});
  return parte;
}

// The complementary invoice refers to the sale whose price it completes.
void Referenciado(TpbBD& bd, const ResultadoDemo& demo, int64_t& proximo) {
  const int64_t complemento = PrimeiroDocumento(bd, demo, "COMPL-NFE");
  const int64_t venda = PrimeiroDocumento(bd, demo, "VENDA-NFE");
  if (complemento == 0 || venda == 0) return;
  const TxbResultado r = bd.Consultar(
      "SELECT A.IDF_IDENT, S.CODIGO, A.NRODOCTO, A.DATAEMI, O.CHAVENFE FROM Z8_DOCTO A "
      "INNER JOIN Z8_SERIEDOCTO S ON S.ID = A.IDF_SERIEDOCTO "
      "LEFT JOIN Z8_PARTEDOCTO P ON P.IDF_DOCTO = A.ID AND P.FD = 'OutrosDadosDocto' "
      "LEFT JOIN Z8_OUTDADOSDO O ON O.IDA = P.ID WHERE A.ID = :ID",
      {{"ID", venda}});
  const auto& v = r.linhas.at(0);
  const int64_t parte = Parte(bd, proximo, complemento, "DoctoReferenciado");
  InserirValores(bd, "Z8_DOCREFER",
                 {{"ID", parte},
                  {"IDA", parte},
                  {"INDOPER", std::string("1")},
                  {"INDEMIT", std::string("0")},
                  {"IDF_IDENT", v[0]},
                  {"CODMODELO", std::string("55")},
                  {"SERIE", v[1]},
                  {"NRODOCTO", v[2]},
                  {"DATAEMI", v[3]},
                  {"CHAVENFE", v[4]}});
}

// The ICMS-ST of a sale paid by a GNRE to the customer's state.
void Arrecadacao(TpbBD& bd, const ResultadoDemo& demo, int64_t& proximo) {
  const int64_t venda = PrimeiroDocumento(
      bd, demo, "VENDA-NFE",
      "AND EXISTS (SELECT I.ID FROM Z8_DOCTOITEM I INNER JOIN Z8_PARTEDOCTO P ON P.ID = I.IDA "
      "INNER JOIN Z8_TRIBITEM B ON B.IDF_DOCTOITEM = I.ID "
      "INNER JOIN Z8_TRIITEMPRO T ON T.IDA = B.ID "
      "WHERE P.IDF_DOCTO = A.ID AND T.ICMSRETVALOR > 0)");
  if (venda == 0) return;
  const TxbResultado r = bd.Consultar(
      "SELECT SUM(T.ICMSRETVALOR), MAX(U.SIGLA), MAX(A.DATAEMI) FROM Z8_DOCTO A "
      "INNER JOIN Z8_PARTEDOCTO P ON P.IDF_DOCTO = A.ID "
      "INNER JOIN Z8_TRIBITEM B ON B.IDF_DOCTOITEM = P.ID "
      "INNER JOIN Z8_TRIITEMPRO T ON T.IDA = B.ID "
      "INNER JOIN KLVG_IDENT I ON I.ID = A.IDF_IDENT INNER JOIN KLVG_ENDER E ON E.ID = I.IDF_ENDER "
      "INNER JOIN KLVG_CID C ON C.ID = E.IDF_CID INNER JOIN KLVG_UF U ON U.ID = C.IDF_UF "
      "WHERE A.ID = :ID",
      {{"ID", venda}});
  const auto& v = r.linhas.at(0);
  const TDateTime emissao = v[2].AsDateTime().DateOf();
  const int64_t parte = Parte(bd, proximo, venda, "ArrecadacaoReferenciada");
  InserirValores(bd, "Z8_ARRECREFER",
                 {{"ID", parte},
                  {"IDA", parte},
                  {"CODMOD", std::string("1")},
                  {"UF", v[1]},
                  {"NRODOCTO", "GNRE" + std::to_string(venda)},
                  {"CODAUTBAN", std::string("BB") + std::to_string(900000 + venda % 100000)},
                  {"VLRDOCTO", v[0]},
                  {"DATAVENCTO", emissao},
                  {"DATAPAGTO", emissao}});
}

// The invoice issued for a coupon names the coupon.
void Cupom(TpbBD& bd, const ResultadoDemo& demo, int64_t& proximo) {
  const int64_t nota =
      PrimeiroDocumento(bd, demo, "VENDA-NFE", "AND A.OBSFISCAL LIKE 'Nota fiscal referente%'");
  const TxbResultado cupom = bd.Consultar(
      "SELECT C.ID, C.COOCUPOM FROM Z8_CUPFISCAL C INNER JOIN Z8_DOCTO D ON D.ID = C.IDA "
      "WHERE D.IDF_FILIAL = :FILIAL AND C.SITUACAOCF = '0' ORDER BY D.DATAEMI, C.ID",
      {{"FILIAL", demo.filiais.front()}});
  if (nota == 0 || cupom.Vazio()) return;
  const int64_t parte = Parte(bd, proximo, nota, "CupomDocto");
  InserirValores(bd, "Z8_CUPDOCTO",
                 {{"ID", parte}, {"IDA", parte}, {"IDF_CUPFISCAL", cupom.linhas[0][0]}});
  bd.Executar("UPDATE Z8_DOCTO SET OBSFISCAL = :OBS WHERE ID = :ID",
              {{"OBS", "Nota fiscal referente ao cupom fiscal COO " +
                           std::to_string(cupom.linhas[0][1].AsInt64())},
               {"ID", nota}});
}

// A model-1 sale delivered at the warehouse.
void Entrega(TpbBD& bd, const ResultadoDemo& demo) {
  const int64_t venda = PrimeiroDocumento(bd, demo, "VENDA-NF1");
  const TxbResultado local = bd.Consultar("SELECT ID FROM Z8_LOCENTCLI WHERE COMPLEMENTO = :NOME",
                                          {{"NOME", std::string(kArmazem)}});
  if (venda == 0 || local.Vazio()) return;
  bd.Executar("UPDATE Z8_DOCTO SET IDF_LOCENTCLI = :LOCAL WHERE ID = :ID",
              {{"LOCAL", local.linhas[0][0]}, {"ID", venda}});
}

// The first item bought by the head office comes from a medicine batch,
// whose ICMS-ST is based on the list price.
void Lote(TpbBD& bd, const ResultadoDemo& demo, int64_t& proximo) {
  const int64_t compra = PrimeiroDocumento(bd, demo, "COMPRA-NFE");
  if (compra == 0) return;
  const TxbResultado r = bd.Consultar(
      "SELECT I.ID, I.IDF_PROD, I.QDADE, I.VALUNITARIO FROM Z8_DOCTOITEM I "
      "INNER JOIN Z8_PARTEDOCTO P ON P.ID = I.IDA WHERE P.IDF_DOCTO = :ID ORDER BY I.SEQITEM",
      {{"ID", compra}});
  const auto& item = r.linhas.at(0);
  const int64_t lote = proximo++;
  InserirValores(bd, "Z8_LOTE",
                 {{"ID", lote},
                  {"IDF_PROD", item[1]},
                  {"CODLOTE", "L" + std::to_string(demo.inicio.Ano()) + "-0427"},
                  {"DTAFABRICACAO", TDateTime(demo.inicio.dias - 90)},
                  {"VALIDADE", TDateTime(demo.inicio.dias + 640)},
                  {"INDMEDICAO", std::string("A")},
                  {"TIPOPROD", std::string("1")},
                  {"VALORPMC", item[3].AsFloat() * 1.3}});
  InserirValores(
      bd, "Z8_ITEMLOTE",
      {{"ID", proximo++}, {"IDF_DOCTOITEM", item[0]}, {"IDF_LOTE", lote}, {"QTDE", item[2]}});
}

}  // namespace

int64_t CadastrosDosComplementosDemo(TpbBD& bd, int64_t proximo, int64_t cliente, int64_t cidade) {
  const int64_t endereco = proximo++, local = proximo++;
  InserirValores(bd, "KLVG_ENDER",
                 {{"ID", endereco},
                  {"CEP", std::string("13098000")},
                  {"LOGRADOURO", std::string("Estrada Municipal CPS-010, km 7")},
                  {"BAIRRO", std::string("Zona Rural")},
                  {"IDF_CID", cidade}});
  // Not taxed by its own registration: the buyer stays the participant.
  InserirValores(bd, "Z8_LOCENTCLI",
                 {{"ID", local},
                  {"IDF_IDENT", cliente},
                  {"TRIBUTACAOLOCENTREGA", std::string("F")},
                  {"CNPJ", std::string("111.444.777-35")},
                  {"INSCEST", std::string("ISENTO")},
                  {"IDF_ENDER", endereco},
                  {"NUMENDERECO", std::string("S/N")},
                  {"COMPLEMENTO", std::string(kArmazem)}});
  return proximo;
}

int64_t ConstruirComplementosDocumentoDemo(TpbBD& bd, const ResultadoDemo& demo) {
  int64_t proximo = demo.maior_id + 1;
  Referenciado(bd, demo, proximo);
  Arrecadacao(bd, demo, proximo);
  Cupom(bd, demo, proximo);
  Entrega(bd, demo);
  Lote(bd, demo, proximo);
  return proximo - 1;
}

}  // namespace efd::erp
