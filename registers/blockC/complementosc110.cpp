#include "registers/blockC/complementosc110.h"

#include <algorithm>

#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

std::string Texto(const TVariant& v) {
  return Trim(v.AsString());
}

TDateTime Data(const TVariant& v) {
  return v.IsNull() ? TDateTime() : v.AsDateTime().DateOf();
}

void Referenciados(TxbSession& sessao, const std::vector<int64_t>& ids, TComplementosC110& c) {
  TxbBlocoMonitorado monitor(sessao.Monitor(), 330, "Ativação Documentos Referenciados!");
  TxbResultado r = sessao.Consultar(
      "SELECT P.IDF_DOCTO, R.INDOPER, R.INDEMIT, R.IDF_IDENT, R.CODMODELO, R.SERIE, R.SUBSERIE, "
      "R.NRODOCTO, R.DATAEMI, R.CHAVENFE FROM Z8_PARTEDOCTO P " +
      sessao.JuncaoIds("P.IDF_DOCTO", ids) +
      "INNER JOIN Z8_DOCREFER R ON R.IDA = P.ID ORDER BY P.IDF_DOCTO, P.ID");
  for (const auto& l : r.linhas)
    c.referenciados[l[0].AsInt64()].push_back({Texto(l[1]), Texto(l[2]), Texto(l[4]), Texto(l[5]),
                                               Texto(l[6]), Texto(l[7]), Texto(l[9]),
                                               l[3].AsInt64(), Data(l[8])});
}

void Arrecadacoes(TxbSession& sessao, const std::vector<int64_t>& ids, TComplementosC110& c) {
  TxbBlocoMonitorado monitor(sessao.Monitor(), 330, "Ativação Arrecadação Referenciado!");
  TxbResultado r = sessao.Consultar(
      "SELECT P.IDF_DOCTO, C.CODMOD, C.UF, C.NRODOCTO, C.CODAUTBAN, C.VLRDOCTO, C.DATAVENCTO, "
      "C.DATAPAGTO FROM Z8_PARTEDOCTO P " +
      sessao.JuncaoIds("P.IDF_DOCTO", ids) +
      "INNER JOIN Z8_ARRECREFER C ON C.IDA = P.ID ORDER BY P.IDF_DOCTO, P.ID");
  for (const auto& l : r.linhas)
    c.arrecadacoes[l[0].AsInt64()].push_back({Texto(l[1]), Texto(l[2]), Texto(l[3]), Texto(l[4]),
                                              l[5].AsFloat(), Data(l[6]), Data(l[7])});
}

void Cupons(TxbSession& sessao, const std::vector<int64_t>& ids, TComplementosC110& c) {
  if (!Aplicacao().ChecarFamiliaRegistrada("DoctoCupFiscal")) return;
  // The till number is the one the printer's closings carry.
  TxbResultado r = sessao.Consultar(
      "SELECT P.IDF_DOCTO, CF.NUMSERIEECF, CF.COOCUPOM, D.DATAEMI, "
      "(SELECT MAX(Z.NUMEROECF) FROM Z8_RDZ Z WHERE Z.NRSERIEECF = CF.NUMSERIEECF) CAIXA "
      "FROM Z8_PARTEDOCTO P " +
      sessao.JuncaoIds("P.IDF_DOCTO", ids) +
      "INNER JOIN Z8_CUPDOCTO L ON L.IDA = P.ID "
      "INNER JOIN Z8_CUPFISCAL CF ON CF.ID = L.IDF_CUPFISCAL "
      "INNER JOIN Z8_DOCTO D ON D.ID = CF.IDA ORDER BY P.IDF_DOCTO, P.ID");
  for (const auto& l : r.linhas) {
    TCupomC114 cupom{Texto(l[1]), Texto(l[4]), Texto(l[2]), Data(l[3])};
    auto& cupons = c.cupons[l[0].AsInt64()];
    const bool repetido = std::any_of(cupons.begin(), cupons.end(), [&cupom](const auto& x) {
      return x.serie_ecf == cupom.serie_ecf && x.coo == cupom.coo && x.emissao == cupom.emissao;
    });
    if (!repetido) cupons.push_back(std::move(cupom));
  }
}

void Locais(TxbSession& sessao, const std::vector<int64_t>& ids, TComplementosC110& c) {
  TxbResultado r = sessao.Consultar(
      "SELECT A.ID, L.CNPJ, L.INSCEST, CI.GEOCODIGO FROM Z8_DOCTO A " +
      sessao.JuncaoIds("A.ID", ids) +
      "INNER JOIN Z8_LOCENTCLI L ON L.ID = A.IDF_LOCENTCLI "
      "LEFT JOIN KLVG_ENDER E ON E.ID = L.IDF_ENDER LEFT JOIN KLVG_CID CI ON CI.ID = E.IDF_CID");
  for (const auto& l : r.linhas)
    c.locais[l[0].AsInt64()] = {Digitos(Texto(l[1])), Texto(l[2]), Texto(l[3])};
}

}  // namespace

std::map<int64_t, std::vector<TLoteC173>> CarregarLotesC173(TxbSession& sessao,
                                                            const std::vector<int64_t>& ids) {
  std::map<int64_t, std::vector<TLoteC173>> lotes;
  if (ids.empty() || !Aplicacao().ChecarFamiliaRegistrada("Lote")) return lotes;
  TxbResultado r = sessao.Consultar(
      "SELECT I.ID, L.CODLOTE, IL.QTDE, L.DTAFABRICACAO, L.VALIDADE, L.INDMEDICAO, L.TIPOPROD, "
      "L.VALORPMC FROM Z8_PARTEDOCTO P " +
      sessao.JuncaoIds("P.IDF_DOCTO", ids) +
      "INNER JOIN Z8_DOCTOITEM I ON I.IDA = P.ID "
      "INNER JOIN Z8_ITEMLOTE IL ON IL.IDF_DOCTOITEM = I.ID "
      "INNER JOIN Z8_LOTE L ON L.ID = IL.IDF_LOTE ORDER BY I.ID, IL.ID");
  for (const auto& l : r.linhas)
    lotes[l[0].AsInt64()].push_back({Texto(l[1]), Texto(l[5]), Texto(l[6]), l[2].AsFloat(),
                                     l[7].AsFloat(), Data(l[3]), Data(l[4])});
  return lotes;
}

const std::vector<std::string>& CamposDoComplementoC110(const std::string& codigo) {
  static const std::map<std::string, std::vector<std::string>> kCampos = {
      {"C112",
       {"CodModArrec", "UF", "NumDocArrec", "CodAutBan", "ValTotDocto", "DataVencto", "DataPagto"}},
      {"C113",
       {"IndOper", "IndEmit", "CodPart", "CodMod", "Serie", "SubSerie", "NumDoc", "DataEmiDoc",
        "ChvNFE"}},
      {"C114", {"CodMod", "NumSerieECF", "NumCaixaECF", "NumDocto", "DataEmi"}},
      {"C173", {"Lote", "Qtde", "DataFab", "DataVal", "Indicador", "TipoProd", "ValPrecoTeb"}},
      {"C115",
       {"IndCarga", "CNPJColeta", "IEColeta", "CPFColeta", "CodMunColeta", "CNPJEntrega",
        "IEEntrega", "CPFEntrega", "CodMunEntrega"}}};
  return kCampos.at(codigo);
}

TComplementosC110 CarregarComplementosC110(TxbSession& sessao, const std::vector<int64_t>& ids) {
  TComplementosC110 c;
  if (ids.empty()) return c;
  Referenciados(sessao, ids, c);
  Arrecadacoes(sessao, ids, c);
  Cupons(sessao, ids, c);
  Locais(sessao, ids, c);
  return c;
}

}  // namespace efd
