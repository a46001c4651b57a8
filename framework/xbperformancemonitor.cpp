#include "framework/xbperformancemonitor.h"

#include <fmt/format.h>

#include <algorithm>

#include "framework/xberros.h"

namespace efd {

void TxbPerformanceMonitor::EntrarBloco(int codigo, const std::string& texto, const std::string&) {
  pilha_.push_back({codigo, texto, Relogio::now()});
}

void TxbPerformanceMonitor::SairBloco(int codigo, const std::string& texto, const std::string&) {
  if (pilha_.empty() || pilha_.back().codigo != codigo || pilha_.back().texto != texto)
    throw EErro(fmt::format("Bloco de desempenho {} '{}' fechado fora de ordem", codigo, texto));
  Aberto aberto = std::move(pilha_.back());
  pilha_.pop_back();
  double total = std::chrono::duration<double>(Relogio::now() - aberto.inicio).count();
  TResumo& r = resumo_[{codigo, texto}];
  r.codigo = codigo;
  r.texto = texto;
  r.contagem += 1;
  r.total_s += total;
  r.proprio_s += total - aberto.filhos_s;
  if (!pilha_.empty()) pilha_.back().filhos_s += total;
}

std::vector<TxbPerformanceMonitor::TResumo> TxbPerformanceMonitor::Resumo() const {
  std::vector<TResumo> lista;
  for (const auto& [chave, r] : resumo_) lista.push_back(r);
  std::stable_sort(lista.begin(), lista.end(),
                   [](const TResumo& a, const TResumo& b) { return a.total_s > b.total_s; });
  return lista;
}

std::string TxbPerformanceMonitor::ResumoTexto() const {
  std::string texto = fmt::format("{:>5}  {:<60} {:>8} {:>10} {:>10}\n", "code", "block", "count",
                                  "total s", "self s");
  for (const auto& r : Resumo())
    texto += fmt::format("{:>5}  {:<60} {:>8} {:>10.3f} {:>10.3f}\n", r.codigo, r.texto, r.contagem,
                         r.total_s, r.proprio_s);
  return texto;
}

void TxbPerformanceMonitor::Limpar() {
  pilha_.clear();
  resumo_.clear();
}

}  // namespace efd
