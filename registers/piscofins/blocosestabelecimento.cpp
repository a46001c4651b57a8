#include "registers/piscofins/blocosestabelecimento.h"

#include "framework/xbformato.h"
#include "registers/blockC/documentosc100.h"
#include "registers/blockC/geracaoc100.h"
#include "registers/blockC/linhasblococ.h"
#include "registers/piscofins/blocod.h"
#include "registers/piscofins/geracaoa100.h"
#include "registers/piscofins/geracaof100.h"

namespace efd {
namespace {

bool MovimentoC100(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial) {
  return HaDocumentosC100(sessao, filial, cabecalho.inicio, cabecalho.fim);
}

// C010 with the establishment's goods documents: the C100 family.
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
}

constexpr TBlocoEstabelecimento kBlocos[] = {
    {"Bloco A", "A010", MovimentoA100, GerarBlocoA},
    {"Bloco C", "C010", MovimentoC100, GerarBlocoC},
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
