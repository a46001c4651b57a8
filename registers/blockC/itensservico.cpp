#include "registers/blockC/itensservico.h"

#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {

namespace {

// The joins to the tax rule of the service's family in a branch, whose
// ICMS class the items read as "CODCLATRI".
std::string JuncaoRegraDaFamilia(int filial) {
  const std::string f = std::to_string(filial);
  return "LEFT JOIN Z8_TRIBFAMSER H ON H.IDF_FAMSERVICO = S.IDF_FAMSERVICO AND H.IDF_FILIAL = " +
         f +
         " AND H.IDF_TRIBSERV = (select min(H2.IDF_TRIBSERV) from Z8_TRIBFAMSER H2 where "
         "H2.IDF_FAMSERVICO = S.IDF_FAMSERVICO AND H2.IDF_FILIAL = " +
         f + ") LEFT JOIN Z8_TRIBSERV R ON R.ID = H.IDF_TRIBSERV ";
}

}  // namespace

TItensServico CarregarItensServico(TxbSession& s, const std::vector<int64_t>& documentos,
                                   int filial) {
  TItensServico r;
  if (documentos.empty()) return r;
  const bool regra = filial > 0;
  for (const auto& l :
       s.Consultar("SELECT P.IDF_DOCTO, I.ID, I.SEQITEM, S.ID, S.CODIGO, S.NOME, S.CODSERV, "
                   "I.VALLIQUIDO, I.VALDESCONTO, CF.CODIGO, CT.CODIGO CLATRIBICMS, T.CLATRIBPIS, "
                   "T.PISBASE, T.PISALIQ, T.PISVALOR, T.CLATRIBCOFINS, T.COFINSBASE, T.COFINSALIQ, "
                   "T.COFINSVALOR, T.ICMSBASE, T.ICMSALIQ, T.ICMSVALOR, I.QDADE" +
                   std::string(regra ? ", R.CODCLATRI" : "") + " FROM Z8_PARTEDOCTO P " +
                   s.JuncaoIds("P.IDF_DOCTO", documentos) +
                   "INNER JOIN Z8_DOCTOITEM I ON I.IDA = P.ID "
                   "INNER JOIN Z8_SERVICO S ON S.ID = I.IDF_SERVICO "
                   "LEFT JOIN Z8_CODFISOPE CF ON CF.ID = I.IDF_CFOP "
                   "LEFT JOIN Z8_TRIBITEM TB ON TB.IDF_DOCTOITEM = I.ID "
                   "LEFT JOIN Z8_TRIITEMSER T ON T.IDA = TB.ID "
                   "LEFT JOIN Z8_CLATRIBUT CT ON CT.ID = T.IDF_CLATRIBICMS " +
                   (regra ? JuncaoRegraDaFamilia(filial) : std::string()) +
                   "ORDER BY P.IDF_DOCTO, I.SEQITEM, I.ID")
           .linhas) {
    auto texto = [&l](size_t i) { return Trim(l[i].AsString()); };
    TItemDocumentoC100 i;
    i.id = l[1].AsInt64();
    i.seq = l[2].AsInteger();
    i.produto = l[3].AsInt64();
    i.cod_prod = texto(4);
    i.nome_prod = texto(5);
    i.tipo_item = "J";
    i.liquido = l[7].AsFloat();
    i.desconto = l[8].AsFloat();
    i.cfop = texto(9);
    i.tributacao = texto(10).empty() && regra ? texto(23) : texto(10);
    i.cst_pis = texto(11);
    i.pis_base = l[12].AsFloat();
    i.pis_aliq = l[13].AsFloat();
    i.pis_valor = l[14].AsFloat();
    i.cst_cofins = texto(15);
    i.cofins_base = l[16].AsFloat();
    i.cofins_aliq = l[17].AsFloat();
    i.cofins_valor = l[18].AsFloat();
    i.icms_base = l[19].AsFloat();
    i.icms_aliq = l[20].AsFloat();
    i.icms_valor = l[21].AsFloat();
    i.quantidade = l[22].AsFloat();
    r.codigos_servico[i.id] = texto(6);
    r.itens[l[0].AsInt64()].push_back(std::move(i));
  }
  return r;
}

std::string CodigoItemDocumento(const std::string& codigo, bool servico, bool sem_prefixo) {
  return (sem_prefixo ? "" : servico ? "S" : "P") + Trim(codigo);
}

}  // namespace efd
