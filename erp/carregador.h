// Loads JSON fixtures of the ERP's (or the module's) tables into the database.
//
// A fixture is one object whose members are tables, each an array of rows:
//   {"KLVG_UF": [{"ID": 1, "SIGLA": "SP", "NOME": "São Paulo"}],
//    "Z8_DOCTO": [{"ID": 10, "DATAEMI": "2024-03-05", ...}]}
// Every table and column must be one the metadata describes: a family's
// attribute columns, ID (required, kept as given), IDA in a descendant's
// table (required: the ancestor's row) and FD in an ancestor's table
// (required: the family of the concrete row). Values: integers and reals as
// JSON numbers, texts as strings no longer than the column, dates
// "YYYY-MM-DD", times "HH:MM:SS", date-times "YYYY-MM-DD HH:MM:SS", flags as
// true/false (stored 'T'/'F'); null anywhere but ID. A column that refers to
// another family must hold the ID of a row of that family's table, stored
// before or anywhere in the same fixture.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/xberros.h"
#include "framework/xbsession.h"

namespace efd::erp {

// A fixture that does not fit the metadata or the data; names the place.
// The row is the 0-based index in the table's array (-1 when the fault is
// the table itself); the column is "" when the fault is the whole row.
class ECarga : public EErro {
 public:
  ECarga(std::string tabela, int linha, std::string coluna, const std::string& motivo);
  const std::string& Tabela() const { return tabela_; }
  int Linha() const { return linha_; }
  const std::string& Coluna() const { return coluna_; }

 private:
  std::string tabela_;
  int linha_;
  std::string coluna_;
};

struct TResultadoCarga {
  int64_t linhas = 0;
  int64_t maior_id = 0;
  std::vector<std::pair<std::string, int64_t>> linhas_por_tabela;  // in fixture order
};

class TxbCarregadorJSON {
 public:
  explicit TxbCarregadorJSON(TxbSession& sessao) : sessao_(sessao) {}

  // Each call loads one fixture in a transaction of its own: all of it, or
  // nothing when any row fails (ECarga; a malformed text raises ECarga for
  // the whole fixture). Work the session held uncommitted is committed
  // first; inside an explicit transaction of the session it raises EErro.
  // Afterwards the ids the database hands out are above every id loaded.
  TResultadoCarga CarregarTexto(const std::string& texto);
  TResultadoCarga CarregarArquivo(const std::string& caminho);

 private:
  TxbSession& sessao_;
};

}  // namespace efd::erp
