// Shared by the reference tables of block 0 that documents fill on demand
// (0150, 0190, 0200, 0400, 0450, 0460 and their children): the header of
// the generation, its block-0 row, the register types of the catalogue and
// the register list that callers pass.
//
// Session values kept here (block 9's generator empties them at the end of
// a generation): "ID_Bloco0" and "IDF_Registro_" + code for 0150, 0175,
// 0200, 0205 and 0460.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "framework/xbvariant.h"

namespace efd {

class TxbSession;

// What the reference registers read from the EFD header.
struct TxbCabecalhoEFD {
  int id = 0;
  int filial = 0;
  int empresa = 0;
  std::string modelo;  // "1" ICMS/IPI, "2" PIS/COFINS
  TDateTime inicio, fim;
  bool drcst = false;
};

// The header of a generation; EErro when it does not exist.
TxbCabecalhoEFD LerCabecalhoEFD(TxbSession& sessao, int id_efd);

// The integer value given to nome in a text of name=value lines; 0 when the
// name is absent or its value is not a number.
int RetornarValorLista(const std::string& texto, const std::string& nome);
// Whether a family ("RegistroEFD0150") is among the registers a caller
// generates: its value in the list is greater than 0. An empty list puts no
// restriction.
bool RegistroNaLista(const std::string& lista, const std::string& familia);

// The block-0 row of a generation: the session's "ID_Bloco0" or, when the
// session has none, the "Bloco 0" row of the EFD, then kept there. 0 when
// the EFD has no block 0.
int IdBloco0(TxbSession& sessao, int id_efd);

// The register type "Registro " + code of the catalogue that the block row
// belongs to; 0 when the catalogue has none.
int IdTipoRegistro(TxbSession& sessao, int bloco, const std::string& codigo);
// The same, kept in the session as "IDF_Registro_" + code.
int IdTipoRegistroDaSessao(TxbSession& sessao, int bloco, const std::string& codigo);

// IdTipoRegistro looked up once per block row and code: a generator stores
// rows of a handful of types, many times over.
class TTiposRegistro {
 public:
  explicit TTiposRegistro(TxbSession& sessao) : sessao_(sessao) {}
  int operator()(int bloco, const std::string& codigo);

 private:
  TxbSession& sessao_;
  std::map<std::pair<int, std::string>, int> tipos_;
};

}  // namespace efd
