#include "registers/piscofins/blocod.h"

#include "control/linhasregistros.h"
#include "framework/xbsession.h"
#include "registers/blockD/geracaod100.h"
#include "registers/blockD/uh5registroefdd500.h"

namespace efd {

bool MovimentoD(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial) {
  if (TGeracaoD100::HaDocumentos(sessao, filial, cabecalho.inicio, cabecalho.fim)) return true;
  // The communication bills of the month (models 21 and 22).
  const TpbBD& bd = sessao.GetBD();
  const std::string contas =
      "SELECT A.ID FROM Z8_DOCTO A INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = A.IDF_TPDOCTO "
      "INNER JOIN Z8_TPDOCTOGER D ON D.IDA = C.ID INNER JOIN Z8_MODELODOCT E ON E.ID = "
      "coalesce(A.IDF_MODELODOCTO, D.IDF_MODELODOCT) WHERE A.IDF_FILIAL = :FILIAL AND "
      "A.SITUACAO = '1' AND E.CODMODELO IN ('21', '22') AND A.DTENTSAI BETWEEN " +
      bd.LiteralData(cabecalho.inicio.DateOf()) + " AND " + bd.LiteralData(cabecalho.fim.DateOf());
  return !sessao.Consultar(bd.LimitarLinhas(contas, 1), {{"FILIAL", filial}}).Vazio();
}

void GerarBlocoD(const TEstabelecimento& e, int bloco) {
  // The D010 is stored with the first document under it.
  int64_t id_d010 = 0;
  const TEstabelecimentoD d{
      e.filial, e.id_0140,
      [&] {
        if (id_d010 == 0)
          id_d010 = TxbInsercaoRegistro(e.sessao, "D010", {"CNPJ"})
                        .Inserir(bloco, IdTipoRegistro(e.sessao, bloco, "D010"), {e.cnpj});
        return id_d010;
      },
      e.receita_sem_contribuicao};
  TGeracaoD100(e.sessao, e.cabecalho.id, bloco, e.nomes, d).Executar();
  GerarD500(e.sessao, e.cabecalho.id, bloco, e.nomes, d);
}

}  // namespace efd
