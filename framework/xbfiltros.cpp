#include "framework/xbfiltros.h"

#include <algorithm>

namespace efd {

TxbFiltro& TxbFiltro::IncluirConstante(const std::string& atributo, TOperador operador,
                                       const TVariant& valor) {
  TxbCondicao c;
  c.atributo = atributo;
  c.operador = operador;
  c.valor = valor;
  condicoes_.push_back(std::move(c));
  return *this;
}

TxbFiltro& TxbFiltro::IncluirConstanteParcial(const std::string& atributo,
                                              const std::string& valor) {
  return IncluirConstante(atributo, TOperador::Como, TVariant(valor + "%"));
}

TxbFiltro& TxbFiltro::IncluirLista(const std::string& atributo, std::vector<TVariant> valores) {
  TxbCondicao c;
  c.atributo = atributo;
  c.operador = TOperador::Em;
  c.valores = std::move(valores);
  condicoes_.push_back(std::move(c));
  return *this;
}

TxbFiltro& TxbFiltro::IncluirExpressao(const std::string& expressao) {
  TxbCondicao c;
  c.tipo = TxbCondicao::TTipo::Expressao;
  c.expressao = expressao;
  condicoes_.push_back(std::move(c));
  return *this;
}

TxbFiltro& TxbFiltros::Adicionar(const std::string& nome) {
  Remover(nome);
  filtros_.emplace_back(nome);
  return filtros_.back();
}

void TxbFiltros::Remover(const std::string& nome) {
  std::erase_if(filtros_, [&](const TxbFiltro& f) { return f.Nome() == nome; });
}

TxbFiltro* TxbFiltros::GetFiltro(const std::string& nome) {
  for (auto& f : filtros_)
    if (f.Nome() == nome) return &f;
  return nullptr;
}

}  // namespace efd
