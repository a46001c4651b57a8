// The blocks an establishment of the PIS/COFINS file carries: each with its
// opening (C010, D010, A010, F010) under the block's row and its documents
// under the opening. A branch other than the header's is an establishment of
// the file when one of these blocks has movement for it in the period.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "framework/pbbd.h"
#include "registers/block0/referencias.h"
#include "registers/blockC/documentosc100.h"

namespace efd {

class TxbSession;

// One branch of the file once its 0140 is stored.
struct TEstabelecimento {
  TxbSession& sessao;
  const TxbCabecalhoEFD& cabecalho;
  const std::string& nomes;  // the registers the request chose
  int filial = 0;
  int id_0140 = 0;
  std::string cnpj;  // zero-filled, as the 0140 writes it
  TReceitaSemContribuicao receita_sem_contribuicao;
};

// A branch and the header's period as :FILIAL, :INICIO and :FIM, for the
// queries of a block's documents.
inline TParametros PeriodoDaFilial(const TxbCabecalhoEFD& cabecalho, int filial) {
  return {
      {"FILIAL", filial}, {"INICIO", cabecalho.inicio.DateOf()}, {"FIM", cabecalho.fim.DateOf()}};
}

struct TBlocoEstabelecimento {
  const char* bloco;     // the block's name in the generation ("Bloco C")
  const char* abertura;  // the opening register, which the request must choose
  // Whether the branch has documents of the block in the header's period.
  bool (*movimento)(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial);
  // Stores the opening under the block's row and the documents under it.
  void (*gerar)(const TEstabelecimento& estabelecimento, int bloco);
};

// The blocks in the order of the file.
std::span<const TBlocoEstabelecimento> BlocosEstabelecimento();

// Whether the request chose a register (its "Registro XXXX" line).
bool Escolhido(const std::string& nomes, const std::string& codigo);

}  // namespace efd
