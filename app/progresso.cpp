#include "app/progresso.h"

#include <fmt/core.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "framework/xbformato.h"

namespace efd::app {

TProgressoTerminal::TProgressoTerminal() : terminal_(isatty(STDERR_FILENO) != 0) {}

TProgressoTerminal::~TProgressoTerminal() {
  if (desenhou_) fmt::print(stderr, "\n");
}

void TProgressoTerminal::Avanco(int feitos, int total, const std::string& etapa) {
  feitos_ = feitos;
  total_ = total;
  etapa_ = etapa;
  mensagem_.clear();
  Desenhar();
}

void TProgressoTerminal::Mensagem(const std::string& texto) {
  mensagem_ = texto;
  Desenhar();
}

void TProgressoTerminal::Desenhar() {
  if (!terminal_) return;
  winsize w{};
  const size_t largura = ioctl(STDERR_FILENO, TIOCGWINSZ, &w) == 0 && w.ws_col > 20 ? w.ws_col : 80;
  constexpr int kBarra = 24;
  const int cheio = total_ > 0 ? feitos_ * kBarra / total_ : 0;
  std::string linha =
      fmt::format("[{}{}] {}/{} {}", std::string(cheio, '#'), std::string(kBarra - cheio, ' '),
                  feitos_, total_, mensagem_.empty() ? etapa_ : mensagem_);
  linha = CopiarUtf8(linha, largura - 1);
  fmt::print(stderr, "\r{}\x1b[K", linha);
  desenhou_ = true;
}

}  // namespace efd::app
