#include "registers/blockD/trajetosfrete.h"

#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/blockD/referenciasd.h"

namespace efd {
namespace {

// The invoices the newest note of each freight part numbers, by part.
std::map<int64_t, int64_t> NotasDosFretes(TxbSession& sessao, const std::vector<int64_t>& fretes) {
  std::map<int64_t, int64_t> r;
  if (fretes.empty()) return r;
  const TpbBD& bd = sessao.GetBD();
  const std::string numero =
      bd.Concatenar(bd.Concatenar("'%'", "CAST(NCF.NRODOCTOTERC AS VARCHAR(10))"), "'%'");
  // Of a part's notes the newest decides, whether its invoice is found or not.
  std::map<int64_t, bool> decididos;
  for (const auto& l : sessao
                           .Consultar("SELECT NCF.IDF_PARDCCOFRE, D.ID FROM Z8_NOTASCFRET NCF " +
                                      sessao.JuncaoIds("NCF.IDF_PARDCCOFRE", fretes) +
                                      "LEFT JOIN Z8_DOCTO D ON D.DOCTODIGITADO LIKE " + numero +
                                      " ORDER BY NCF.IDF_PARDCCOFRE, NCF.ID DESC, D.ID DESC")
                           .linhas) {
    const int64_t frete = l[0].AsInt64();
    if (!decididos.emplace(frete, true).second) continue;
    if (!l[1].IsNull()) r[frete] = l[1].AsInt64();
  }
  return r;
}

// By document, its issuer's identity.
std::map<int64_t, int64_t> Emitentes(TxbSession& sessao, const std::vector<int64_t>& documentos) {
  std::map<int64_t, int64_t> r;
  for (const auto& l :
       sessao
           .Consultar("SELECT D.ID, D.IDF_IDENT FROM Z8_DOCTO D " +
                      sessao.JuncaoIds("D.ID", documentos) + "WHERE D.IDF_IDENT IS NOT NULL")
           .linhas)
    r[l[0].AsInt64()] = l[1].AsInt64();
  return r;
}

// By document, the municipality of the place it was delivered to: a
// purchase's place first, then the customer's.
std::map<int64_t, std::string> LocaisDeEntrega(TxbSession& sessao,
                                               const std::vector<int64_t>& documentos) {
  std::map<int64_t, std::string> r;
  auto ler = [&](const std::string& sql) {
    for (const auto& l : sessao.Consultar(sql).linhas) {
      const std::string municipio = Trim(l[1].AsString());
      if (!l[1].IsNull() && !municipio.empty()) r.emplace(l[0].AsInt64(), municipio);
    }
  };
  ler("SELECT P.IDF_DOCTO, C.GEOCODIGO FROM Z8_PARTEDOCTO P " +
      sessao.JuncaoIds("P.IDF_DOCTO", documentos) +
      "INNER JOIN Z8_ENTREGACOM EC ON EC.IDA = P.ID "
      "INNER JOIN Z8_LOCENTCOMP LC ON LC.IDF_ENTREGACOM = EC.ID "
      "INNER JOIN Z8_LOCALENT L ON L.ID = LC.IDF_LOCALENT "
      "INNER JOIN KLVG_ENDER E ON E.ID = L.IDF_ENDER INNER JOIN KLVG_CID C ON C.ID = E.IDF_CID");
  ler("SELECT A.ID, C.GEOCODIGO FROM Z8_DOCTO A " + sessao.JuncaoIds("A.ID", documentos) +
      "INNER JOIN Z8_LOCENTCLI L ON L.ID = A.IDF_LOCENTCLI "
      "INNER JOIN KLVG_ENDER E ON E.ID = L.IDF_ENDER INNER JOIN KLVG_CID C ON C.ID = E.IDF_CID");
  return r;
}

}  // namespace

std::map<int64_t, TTrajetoFreteD> TrajetosDosFretesD(TxbSession& sessao, TReferenciasD& refs,
                                                     std::vector<TFreteTransportadoD> fretes) {
  std::map<int64_t, TTrajetoFreteD> r;
  if (fretes.empty()) return r;
  std::vector<int64_t> sem_nota_fiscal;
  for (const auto& f : fretes)
    if (f.transportado <= 0) sem_nota_fiscal.push_back(f.frete);
  const std::map<int64_t, int64_t> notas = NotasDosFretes(sessao, sem_nota_fiscal);
  std::vector<int64_t> documentos;
  for (auto& f : fretes) {
    if (f.transportado <= 0) {
      auto nota = notas.find(f.frete);
      f.transportado = nota == notas.end() ? f.entrada : nota->second;
    }
    documentos.push_back(f.transportado);
  }
  const std::map<int64_t, int64_t> emitentes = Emitentes(sessao, documentos);
  const std::map<int64_t, std::string> locais = LocaisDeEntrega(sessao, documentos);
  for (const auto& f : fretes) {
    auto emitente = emitentes.find(f.transportado);
    auto local = locais.find(f.transportado);
    const int64_t origem = emitente == emitentes.end() ? 0 : emitente->second;
    r[f.frete] = {origem ? refs.MunicipioDe(origem) : "",
                  local == locais.end() ? refs.MunicipioDaFilial() : local->second,
                  origem && refs.NoExterior(origem)};
  }
  return r;
}

}  // namespace efd
