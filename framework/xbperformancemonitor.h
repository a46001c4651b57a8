// Times named blocks of work. Blocks nest; each keeps its count, its total
// time and its self time (total less the time of the blocks opened inside).
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace efd {

class TxbPerformanceMonitor {
 public:
  struct TResumo {
    int codigo = 0;
    std::string texto;
    long contagem = 0;
    double total_s = 0;
    double proprio_s = 0;
  };

  // Always paired; SairBloco closes the innermost block, which must carry the
  // same code and text.
  void EntrarBloco(int codigo, const std::string& texto, const std::string& extra = "");
  void SairBloco(int codigo, const std::string& texto, const std::string& extra = "");

  // Summary by total time, longest first.
  std::vector<TResumo> Resumo() const;
  std::string ResumoTexto() const;
  void Limpar();

 private:
  using Relogio = std::chrono::steady_clock;
  struct Aberto {
    int codigo;
    std::string texto;
    Relogio::time_point inicio;
    double filhos_s = 0;
  };
  std::vector<Aberto> pilha_;
  std::map<std::pair<int, std::string>, TResumo> resumo_;
};

// Enters a block on construction and leaves it on destruction, also when an
// exception passes.
class TxbBlocoMonitorado {
 public:
  TxbBlocoMonitorado(TxbPerformanceMonitor& monitor, int codigo, std::string texto)
      : monitor_(monitor), codigo_(codigo), texto_(std::move(texto)) {
    monitor_.EntrarBloco(codigo_, texto_);
  }
  ~TxbBlocoMonitorado() { monitor_.SairBloco(codigo_, texto_); }
  TxbBlocoMonitorado(const TxbBlocoMonitorado&) = delete;
  TxbBlocoMonitorado& operator=(const TxbBlocoMonitorado&) = delete;

 private:
  TxbPerformanceMonitor& monitor_;
  int codigo_;
  std::string texto_;
};

}  // namespace efd
