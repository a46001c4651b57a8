// What the writers of block M share: the amount format of the block, the
// counter its four writers keep between them, and the writing of a register
// with the registers under it from a table of its fields.
#pragma once

#include <string>
#include <vector>

#include "framework/xbvariant.h"

namespace efd {

class TxbSession;
class TxbLinhasEFD;

// The block's amount format: money with n decimals and the decimal comma;
// with vazio_se_nao_positivo, 0 and negative amounts are an empty field.
std::string ValorBlocoM(double valor, int decimais, bool vazio_se_nao_positivo = false);

// How a stored field is written.
enum class TFormatoM {
  Texto,     // trimmed
  Valor,     // amount with `decimais` decimals
  Positivo,  // the same, empty when not above zero
  Data,      // a date as DDMMYYYY
  Codigo2,   // a code zero-filled to two digits (CST)
  Codigo3,   // a code zero-filled to three digits (nature of revenue)
};
struct TCampoM {
  std::string atributo;  // without the register's prefix
  TFormatoM formato = TFormatoM::Texto;
  int decimais = 2;
};
// A register of block M: its fields in the layout's order, the attribute
// that links it to its parent ("" for the block's own registers) and the
// registers written under each of its rows, in order.
struct TRegistroM {
  std::string codigo;
  std::string vinculo;
  std::vector<TCampoM> campos;
  std::vector<TRegistroM> filhos;
};

// The block M row of a generation of the PIS/COFINS model; 0 when the
// generation is of the other model or has no block M.
int BlocoMDaGeracao(TxbSession& sessao, int id_efd);

// Whether the block holds rows of a register.
bool TemLinhasM(TxbSession& sessao, int bloco, const std::string& codigo);

// Appends every row of the block's register, each followed by the rows of
// its children that hang from it, recursively.
void EscreverRegistroM(TxbSession& sessao, TxbLinhasEFD& linhas, int bloco,
                       const TRegistroM& registro);

// The block's opening, written once by whichever writer comes first: the
// lines the block has so far (0 before the first writer).
int AbrirBlocoM(TxbSession& sessao, TxbLinhasEFD& linhas);
// Adds a writer's lines to the block's count.
void ContarLinhasM(TxbSession& sessao, int linhas);

// The written registers of one contribution (PIS, or COFINS with cofins
// set) for a period starting at inicio: the credits (M100/M500 with
// M105/M505 and the adjustments M110/M510 with M115/M515) and the
// contribution (M200/M600 with M205/M605 and M210/M610, these with the
// base's adjustments M215/M615 from 2019 and the adjustments M220/M620 with
// M225/M625).
struct TApuracaoM {
  TRegistroM credito, contribuicao;
};
TApuracaoM RegistrosDaApuracao(bool cofins, TDateTime inicio);
// The revenues without the contribution (M400/M800 with M410/M810).
TRegistroM RegistrosDasReceitas(bool cofins);

// The writers of block M: the assessment of a contribution, and its
// revenues without the contribution; the COFINS revenues' writer closes the
// block.
std::string EscreverApuracaoM(TxbSession& sessao, int id_efd, bool cofins);
std::string EscreverReceitasM(TxbSession& sessao, int id_efd, bool cofins);

}  // namespace efd
