#include "registers/blockC/ultimascompras.h"

#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

// The output items of the page that may claim the refund, each with the
// branch's last purchase of its product up to the output's date (P, I, D,
// CF: the output's part, item, document and CFOP; U the last purchase).
// The page's items come first, whatever the number of purchases: joined
// the other way round, a small table of purchases made SQLite walk every
// item of the page once per purchase (CROSS JOIN keeps the order there; to
// Firebird it is an inner join like the others). `pagina` keeps the page's
// documents.
std::string SaidasComUltimaCompra(const std::string& pagina) {
  return "FROM Z8_PARTEDOCTO P " + pagina +
         "INNER JOIN Z8_DOCTOITEM I ON I.IDA = P.ID "
         "INNER JOIN Z8_DOCTO D ON D.ID = P.IDF_DOCTO "
         "INNER JOIN Z8_CODFISOPE CF ON CF.ID = I.IDF_CFOP "
         "CROSS JOIN Z8_ULTCOMPRAS U ";
}
constexpr const char* kCondicoes =
    "WHERE U.IDF_PROD = I.IDF_PROD AND U.IDF_FILIAL = D.IDF_FILIAL "
    "AND (CF.CODIGO LIKE '6%' OR CF.CODIGO IN ('5.603', '5603', '5.927', '5927')) "
    "AND U.DATAENTRADA = (SELECT MAX(U2.DATAENTRADA) FROM Z8_ULTCOMPRAS U2 "
    "WHERE U2.IDF_PROD = I.IDF_PROD AND U2.IDF_FILIAL = D.IDF_FILIAL "
    "AND U2.DATAENTRADA <= D.DATAEMI) ";
// Only an entry that carried ICMS-ST and its own ICMS (T: its taxes).
constexpr const char* kComSubstituicao =
    "AND coalesce(T.ICMSRETBASE, 0) + coalesce(T.ICMSRETBASEOBSERV, 0) > 0 "
    "AND T.ICMSRETALIQ > 0 AND coalesce(T.ICMSVALOR, 0) + coalesce(T.ICMSVALOROBS, 0) > 0 "
    "ORDER BY I.ID, U.ID DESC";
constexpr const char* kValores =
    "T.ICMSBASE, T.ICMSBASEOBS, T.ICMSALIQ, T.ICMSVALOR, T.ICMSVALOROBS, T.ICMSRETBASE, "
    "T.ICMSRETBASEOBSERV, T.ICMSRETALIQ, T.ICMSVALFCPSTUFDEST ";

// Purchases kept as ERP documents (E the entry item, DE its document), with
// the substitute's NF-e (S) and the document's collection document.
std::string ComprasDoERP(const std::string& pagina) {
  return std::string(
             "SELECT I.ID SAIDA, CF.CODIGO CFOP, MD.CODMODELO, DE.NRODOCTO, SE.CODIGO SERIE, "
             "U.DATAENTRADA, DE.IDF_IDENT, E.SEQITEM, E.QDADE, E.VALUNITARIO, ") +
         kValores +
         ", (SELECT MAX(O.CHAVENFE) FROM Z8_PARTEDOCTO PO INNER JOIN Z8_OUTDADCOMP O ON O.IDA = "
         "PO.ID "
         "WHERE PO.IDF_DOCTO = DE.ID) CHAVE_COMPRAS, "
         "(SELECT MAX(O.CHAVENFE) FROM Z8_PARTEDOCTO PO INNER JOIN Z8_OUTDADOSDO O ON O.IDA = "
         "PO.ID "
         "WHERE PO.IDF_DOCTO = DE.ID) CHAVE_OUTROS, "
         "S.IDF_IDENT SUBSTITUTO, S.CHAVENFE CHAVE_RET, S.SERIE SERIE_RET, S.NRODOCTO NUMERO_RET, "
         "S.SEQITEM ITEM_RET, "
         "(SELECT MAX(AR.CODMOD) FROM Z8_PARTEDOCTO PA INNER JOIN Z8_ARRECREFER AR ON AR.IDA = "
         "PA.ID "
         "WHERE PA.IDF_DOCTO = DE.ID) MODELO_DA, "
         "(SELECT MAX(AR.NRODOCTO) FROM Z8_PARTEDOCTO PA INNER JOIN Z8_ARRECREFER AR "
         "ON AR.IDA = PA.ID WHERE PA.IDF_DOCTO = DE.ID) NUMERO_DA " +
         SaidasComUltimaCompra(pagina) +
         "INNER JOIN Z8_DOCTOITEM E ON E.ID = U.IDF_DOCTOITEM "
         "INNER JOIN Z8_PARTEDOCTO PE ON PE.ID = E.IDA "
         "INNER JOIN Z8_DOCTO DE ON DE.ID = PE.IDF_DOCTO "
         "INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = DE.IDF_TPDOCTO "
         "INNER JOIN Z8_TPDOCTOGER TG ON TG.IDA = C.ID "
         "INNER JOIN Z8_MODELODOCT MD ON MD.ID = coalesce(DE.IDF_MODELODOCTO, TG.IDF_MODELODOCT) "
         "LEFT JOIN Z8_SERIEDOCTO SE ON SE.ID = DE.IDF_SERIEDOCTO "
         "INNER JOIN Z8_TRIBITEM TB ON TB.IDF_DOCTOITEM = E.ID "
         "INNER JOIN Z8_TRIITEMPRO T ON T.IDA = TB.ID "
         "LEFT JOIN Z8_SUBSSTITEM S ON S.IDF_DOCTOITEM = E.ID ";
}

// Purchases typed before the ERP's documents (T: the typed purchase).
std::string ComprasDigitadas(const std::string& pagina) {
  return std::string(
             "SELECT I.ID SAIDA, CF.CODIGO CFOP, T.CODMODELO, T.NRODOCTO, T.SERIE, "
             "U.DATAENTRADA, T.IDF_IDENT, T.SEQITEM, T.QDADE, T.VALUNITARIO, T.CHAVENFE, ") +
         kValores + SaidasComUltimaCompra(pagina) +
         "INNER JOIN Z8_DOCTONTFIC T ON T.ID = U.IDF_DOCTONTFIC ";
}

void Ler(const TxbResultado& r, std::map<int64_t, TUltimaEntradaC176>& entradas) {
  auto coluna = [&r](const char* nome) { return r.IndiceColuna(nome); };
  const int chave = coluna("CHAVENFE"), chave_compras = coluna("CHAVE_COMPRAS"),
            chave_outros = coluna("CHAVE_OUTROS"), substituto = coluna("SUBSTITUTO");
  const int saida = coluna("SAIDA"), cfop = coluna("CFOP"), modelo = coluna("CODMODELO"),
            numero = coluna("NRODOCTO"), serie = coluna("SERIE"), data = coluna("DATAENTRADA"),
            fornecedor = coluna("IDF_IDENT"), item = coluna("SEQITEM"), qtde = coluna("QDADE"),
            unitario = coluna("VALUNITARIO"), base = coluna("ICMSBASE"),
            base_obs = coluna("ICMSBASEOBS"), aliq = coluna("ICMSALIQ"), icms = coluna("ICMSVALOR"),
            icms_obs = coluna("ICMSVALOROBS"), st_base = coluna("ICMSRETBASE"),
            st_base_obs = coluna("ICMSRETBASEOBSERV"), st_aliq = coluna("ICMSRETALIQ"),
            fcp = coluna("ICMSVALFCPSTUFDEST");
  for (const auto& l : r.linhas) {
    auto s = [&l](int i) { return Trim(l[static_cast<size_t>(i)].AsString()); };
    auto d = [&l](int i) { return l[static_cast<size_t>(i)].AsFloat(); };
    auto n = [&l](int i) { return l[static_cast<size_t>(i)].AsInt64(); };
    // The latest purchase of the day comes first.
    auto [it, nova] = entradas.try_emplace(n(saida));
    if (!nova) continue;
    TUltimaEntradaC176& e = it->second;
    e.cfop = s(cfop);
    e.modelo = s(modelo);
    e.numero = s(numero);
    e.serie = s(serie);
    e.data = l[static_cast<size_t>(data)].AsDateTime().DateOf();
    e.fornecedor = n(fornecedor);
    e.item = static_cast<int>(n(item));
    e.quantidade = d(qtde);
    e.unitario = d(unitario);
    e.icms_base = d(base);
    e.icms_base_obs = d(base_obs);
    e.icms_aliq = d(aliq);
    e.icms_valor = d(icms);
    e.icms_valor_obs = d(icms_obs);
    e.st_base = d(st_base);
    e.st_base_obs = d(st_base_obs);
    e.st_aliq = d(st_aliq);
    e.fcp_st = d(fcp);
    if (chave >= 0) e.chave = s(chave);
    if (chave_compras >= 0) e.chave = s(chave_compras).empty() ? s(chave_outros) : s(chave_compras);
    if (substituto < 0) continue;
    e.substituto = n(substituto);
    e.chave_ret = s(coluna("CHAVE_RET"));
    e.serie_ret = s(coluna("SERIE_RET"));
    e.numero_ret = s(coluna("NUMERO_RET"));
    e.item_ret = static_cast<int>(n(coluna("ITEM_RET")));
    e.modelo_arrecadacao = s(coluna("MODELO_DA"));
    e.numero_arrecadacao = s(coluna("NUMERO_DA"));
  }
}

}  // namespace

bool CFOPComRessarcimentoC176(const std::string& cfop, bool contribuinte) {
  const std::string c = Digitos(cfop);
  return c == "6108" || c == "5603" || c == "6603" || c == "5927" ||
         (contribuinte && c.starts_with("6"));
}

std::map<int64_t, TUltimaEntradaC176> CarregarUltimasEntradasC176(TxbSession& sessao,
                                                                  const std::vector<int64_t>& ids) {
  std::map<int64_t, TUltimaEntradaC176> entradas;
  if (ids.empty()) return entradas;
  TxbBlocoMonitorado monitor(sessao.Monitor(), 330, "Ativação Ultimas Compras Fornecedor");
  const std::string pagina = sessao.JuncaoIds("P.IDF_DOCTO", ids);
  Ler(sessao.Consultar(ComprasDoERP(pagina) + kCondicoes + kComSubstituicao), entradas);
  Ler(sessao.Consultar(ComprasDigitadas(pagina) + kCondicoes + kComSubstituicao), entradas);
  return entradas;
}

}  // namespace efd
