// Rows stored straight into one family's table through a statement prepared
// once: the fixture loader and the demo company both write this way.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/pbbd.h"
#include "framework/xbmetadados.h"

namespace efd::erp {

// A column of a family's own table: ID, IDA (a descendant's link to its
// ancestor's row), FD (in an ancestor's table, the family of the concrete
// row) or the column of one of the family's attributes.
struct TxbColunaTabela {
  std::string nome;  // upper case
  TTipoCampo tipo = TTipoCampo::Inteiro;
  int tamanho = 0;
  const TxbAtributo* atributo = nullptr;  // nullptr for ID, IDA and FD
  // Family whose row ID the column holds ("" for none): the ancestor for IDA.
  std::string referencia;
};

// The column of the family's table of that name (case-insensitive), or nothing.
std::optional<TxbColunaTabela> ColunaDaTabela(const TxbFamilia& familia, const std::string& nome);
// Whether some registered family descends directly from this one (its table has FD).
bool TemDescendentes(const TxbFamilia& familia);
// Whether `familia` is `ancestral` or descends from it.
bool DescendeDe(const std::string& familia, const std::string& ancestral);

class TxbInsercao {
 public:
  // The columns must belong to the table of the registered family that owns it;
  // an unknown table or column raises ENomeDesconhecido.
  TxbInsercao(TpbBD& bd, const std::string& tabela, const std::vector<std::string>& colunas);

  const TxbFamilia& Familia() const { return *familia_; }
  const std::vector<TxbColunaTabela>& Colunas() const { return colunas_; }
  // The position of a column among those given; raises ENomeDesconhecido.
  size_t Indice(const std::string& coluna) const;

  void Definir(size_t indice, const TVariant& valor) { comando_->Definir(indice, valor); }
  // Inserts the row; every value not defined since the last row is null.
  void Gravar();

  int64_t Linhas() const { return linhas_; }
  double Segundos() const { return segundos_; }

 private:
  const TxbFamilia* familia_;
  std::vector<TxbColunaTabela> colunas_;
  std::unique_ptr<TxbComando> comando_;
  int64_t linhas_ = 0;
  double segundos_ = 0;
};

// One row written with a plain INSERT of the columns and values given, for
// the few rows of a demo's master data.
void InserirValores(TpbBD& bd, const std::string& tabela,
                    const std::vector<std::pair<std::string, TVariant>>& valores);

}  // namespace efd::erp
