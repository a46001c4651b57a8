// The detail lines that block M assesses: every block's lines of the
// period that carry PIS or COFINS, summed by operation, CFOP, CST and rates.
// Each block adds its lines through one query in the table of sources
// (detalhesm.cpp); block M reads them all alike.
#pragma once

#include <string>
#include <vector>

namespace efd {

class TxbSession;

struct TDetalhe {
  std::string operacao;  // "0" entry (credit), "1" output (contribution)
  std::string cfop, cst;
  double aliquota = 0, aliquota_reais = 0;
  double receita = 0, base = 0, quantidade = 0;
  std::string natureza;  // nature of the credit's base, when the line states it
};

// The query of one source for one contribution ("PIS" or "COFINS"). It
// takes the block's row as :BLOCO and returns operation, CFOP, CST, rate,
// money rate, revenue, base, quantity base and nature of the credit's base
// (NULL when the CFOP tells it), summed by the first five.
using TConsultaDetalhes = std::string (*)(const std::string& contribuicao);

// The lines of every source of the generation, for PIS or COFINS.
std::vector<TDetalhe> LerDetalhes(TxbSession& sessao, int id_efd, bool cofins);

}  // namespace efd
