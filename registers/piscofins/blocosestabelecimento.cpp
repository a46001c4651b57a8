#include "registers/piscofins/blocosestabelecimento.h"

#include "control/linhasregistros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/blockC/documentosc100.h"
#include "registers/blockC/geracaoc100.h"
#include "registers/blockC/uh5registroefdc400.h"
#include "registers/blockC/uh5registroefdc500.h"
#include "registers/piscofins/blocod.h"
#include "registers/piscofins/geracaoa100.h"
#include "registers/piscofins/geracaoc490.h"
#include "registers/piscofins/geracaof100.h"
#include "registers/piscofins/receitaspresumidas.h"

namespace efd {
namespace {

// The goods documents, the printers' closings with sales and the utility
// bills acquired, each asked for one row.
bool MovimentoC(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial) {
  if (HaDocumentosC100(sessao, filial, cabecalho.inicio, cabecalho.fim)) return true;
  const TpbBD& bd = sessao.GetBD();
  const TParametros periodo = PeriodoDaFilial(cabecalho, filial);
  const std::string reducoes =
      "SELECT A.ID FROM Z8_RDZ A WHERE A.IDF_FILIAL = :FILIAL AND A.DATAMOV BETWEEN :INICIO AND "
      ":FIM AND A.TOTALVENDABRUTA > 0";
  if (!sessao.Consultar(bd.LimitarLinhas(reducoes, 1), periodo).Vazio()) return true;
  const std::string contas =
      "SELECT A.ID FROM Z8_DOCTO A INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = A.IDF_TPDOCTO "
      "INNER JOIN Z8_TPDOCTOGER D ON D.IDA = C.ID INNER JOIN Z8_MODELODOCT E ON E.ID = "
      "coalesce(A.IDF_MODELODOCTO, D.IDF_MODELODOCT) INNER JOIN Z8_TIPDOC T ON T.ID = "
      "A.IDF_TPDOCTO INNER JOIN Z8_PADRAODOC P ON P.ID = T.IDF_PADRAODOC WHERE A.IDF_FILIAL = "
      ":FILIAL AND E.CODMODELO IN ('06', '28', '29', '66') AND P.CODINTERNO IN (13, 32, 42, 118, "
      "119, 122) AND A.DTENTSAI BETWEEN :INICIO AND :FIM";
  return !sessao.Consultar(bd.LimitarLinhas(contas, 1), periodo).Vazio();
}

// C010 with the establishment's goods documents (the C100 family), its
// printers (C400 family, or their sales consolidated for the period in C490
// on the cumulative regime) and the utility bills it acquired (C500 family).
void GerarBlocoC(const TEstabelecimento& e, int bloco) {
  TEstabelecimentoC100 c100;
  c100.filial = e.filial;
  c100.id_0140 = e.id_0140;
  c100.consolidada = EscrituracaoConsolidada(e.sessao, e.filial, e.cabecalho.inicio);
  c100.id_c010 = TxbInsercaoRegistro(e.sessao, "C010", {"CNPJ", "INC_ESCRI"})
                     .Inserir(bloco, IdTipoRegistro(e.sessao, bloco, "C010"),
                              {e.cnpj, c100.consolidada ? "1" : "2"});
  c100.receita_sem_contribuicao = e.receita_sem_contribuicao;
  TGeracaoC100(e.sessao, e.cabecalho.id, IdTipoRegistro(e.sessao, bloco, "C100"), bloco, e.nomes,
               c100)
      .Executar();
  if (RegimeCumulativo(e.sessao, e.cabecalho.id)) {
    if (Escolhido(e.nomes, "C490")) GerarC490(e.sessao, e.cabecalho.id, bloco, e.nomes, c100);
  } else if (Escolhido(e.nomes, "C400")) {
    GerarC400(e.sessao, e.cabecalho.id, bloco, e.nomes, c100);
  }
  if (Escolhido(e.nomes, "C500")) GerarC500(e.sessao, e.cabecalho.id, bloco, e.nomes, c100);
}

constexpr TBlocoEstabelecimento kBlocos[] = {
    {"Bloco A", "A010", MovimentoA100, GerarBlocoA},
    {"Bloco C", "C010", MovimentoC, GerarBlocoC},
    {"Bloco D", "D010", MovimentoD, GerarBlocoD},
    {"Bloco F", "F010", MovimentoF100, GerarBlocoF},
};

}  // namespace

std::span<const TBlocoEstabelecimento> BlocosEstabelecimento() {
  return kBlocos;
}

bool Escolhido(const std::string& nomes, const std::string& codigo) {
  for (const std::string& linha : Dividir(nomes, '\n'))
    if (Trim(linha) == "Registro " + codigo) return true;
  return false;
}

}  // namespace efd
