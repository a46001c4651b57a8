// Named filters and orderings of a business object's data access. Each
// condition names an attribute; the data access turns them into SQL.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "framework/xbvariant.h"

namespace efd {

enum class TOperador { Igual, Diferente, Menor, MenorIgual, Maior, MaiorIgual, Como, Em };

struct TxbCondicao {
  enum class TTipo { Constante, Expressao } tipo = TTipo::Constante;
  std::string atributo;
  TOperador operador = TOperador::Igual;
  TVariant valor;
  std::vector<TVariant> valores;  // for Em
  std::string expressao;          // SQL text for IncluirExpressao
};

class TxbFiltro {
 public:
  explicit TxbFiltro(std::string nome) : nome_(std::move(nome)) {}
  const std::string& Nome() const { return nome_; }

  TxbFiltro& IncluirConstante(const std::string& atributo, TOperador operador,
                              const TVariant& valor);
  // The attribute starts with the value (LIKE 'value%').
  TxbFiltro& IncluirConstanteParcial(const std::string& atributo, const std::string& valor);
  TxbFiltro& IncluirLista(const std::string& atributo, std::vector<TVariant> valores);
  // A SQL condition over the view's columns, taken as written.
  TxbFiltro& IncluirExpressao(const std::string& expressao);
  const std::vector<TxbCondicao>& Condicoes() const { return condicoes_; }

 private:
  std::string nome_;
  std::vector<TxbCondicao> condicoes_;
};

class TxbFiltros {
 public:
  // A new filter of that name (an existing one is replaced).
  TxbFiltro& Adicionar(const std::string& nome);
  void Remover(const std::string& nome);
  void Limpar() { filtros_.clear(); }
  void LimparTodos() { filtros_.clear(); }
  TxbFiltro* GetFiltro(const std::string& nome);
  const std::list<TxbFiltro>& Todos() const { return filtros_; }

 private:
  std::list<TxbFiltro> filtros_;  // stable references for Adicionar's callers
};

struct TxbOrdenacao {
  std::string atributo;
  bool descendente = false;
};

class TxbOrdenacoes {
 public:
  void Adicionar(const std::string& atributo, bool descendente = false) {
    ordens_.push_back({atributo, descendente});
  }
  void Limpar() { ordens_.clear(); }
  const std::vector<TxbOrdenacao>& Todas() const { return ordens_; }

 private:
  std::vector<TxbOrdenacao> ordens_;
};

}  // namespace efd
