// The writers of block D's document families: a parent register's rows of
// the block read a page at a time, each line followed by the lines of its
// children (and theirs), and the block's opening and closing lines.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "control/linhaefd.h"
#include "control/linhasregistros.h"

namespace efd {

class TxbSession;

// A register written under another: its link attribute, the fields of its
// line and the registers under it.
struct TFilhoD {
  std::string codigo, vinculo;
  std::vector<std::string> campos;
  std::vector<TFilhoD*> netos;
  TxbFilhosPorPai linhas;
};

// A parent register of the block: its code, the fields of its line, the
// registers under it in the order they are written, and a last touch of a
// line's values before it is written (may be empty).
struct TFamiliaD {
  std::string codigo;
  std::vector<std::string> campos;
  std::vector<TFilhoD*> filhos;
  std::function<void(std::vector<TVariant>&)> ajustar;
};

// Writes every row of the family in the block, in insertion order; avanco
// is told the number of rows written so far. The number of rows.
int EscreverFamiliaD(TxbSession& sessao, int bloco, const TFamiliaD& familia, TxbLinhasEFD& linhas,
                     const std::function<void(int)>& avanco);

// The writer of a family that may be the block's last (D500, D700):
// "|D001|0|" when the counter says nothing opened the block and the family
// has rows, the family's lines, and, when fechar, the block's closing. The
// block's line counter after these lines.
int EscreverFamiliaNoFimD(TxbSession& sessao, int bloco, int total, const TFamiliaD& familia,
                          TxbLinhasEFD& linhas, int contador, bool fechar,
                          const std::function<void(int)>& avanco);

// The number of rows of a register of block D of a generation.
int ContarRegistrosD(TxbSession& sessao, int id_efd, const std::string& codigo);

// The header's model ("1" ICMS/IPI, "2" PIS/COFINS) and period start.
struct TModeloEFD {
  std::string modelo;
  TDateTime inicio;
};
TModeloEFD LerModeloEFD(TxbSession& sessao, int id_efd);

// The block-D line counter of the session ("QtdeLinhasBloco_D").
constexpr const char* kContadorBlocoD = "QtdeLinhasBloco_D";

}  // namespace efd
