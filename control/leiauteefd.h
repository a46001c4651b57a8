// What the published layout of each model has, by period: the blocks of the
// file in their order, and the layout codes of the PIS/COFINS model. The
// driver completes the blocks that nobody wrote and block 9 counts them from
// this one table, so that the two never disagree.
#pragma once

#include <string>
#include <vector>

#include "framework/xbvariant.h"

namespace efd {

// How block 9 reads a block's line counter: a tolerant read takes a value
// that is not a number as 0, a strict one raises.
enum class TLeituraContador { Tolerante, Estrita };

struct TxbBlocoLeiaute {
  char letra;
  int modelo;  // 1 ICMS/IPI, 2 PIS/COFINS
  int desde;   // first period with the block, YYYYMM
  TLeituraContador leitura;
};

// The blocks of both models, in the order block 9 lists their opening and
// closing counts (9 itself excluded).
const std::vector<TxbBlocoLeiaute>& BlocosDoLeiaute();

// Whether the layout in force at the period's start has the block.
bool BlocoVigente(const TxbBlocoLeiaute& bloco, TDateTime inicio);
// The same by model and letter.
bool BlocoNoLeiaute(int modelo, char letra, TDateTime inicio);

// COD_VER of the PIS/COFINS model for the period's start; empty before the
// model existed.
std::string VersaoLeiauteContribuicoes(TDateTime inicio);

}  // namespace efd
