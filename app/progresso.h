// A live progress line on a terminal: a bar of the steps done and the
// current step, redrawn in place on standard error.
#pragma once

#include <string>

namespace efd::app {

class TProgressoTerminal {
 public:
  TProgressoTerminal();
  ~TProgressoTerminal();  // ends the line
  void Avanco(int feitos, int total, const std::string& etapa);
  void Mensagem(const std::string& texto);

 private:
  void Desenhar();
  bool terminal_;
  int feitos_ = 0, total_ = 0;
  std::string etapa_, mensagem_;
  bool desenhou_ = false;
};

}  // namespace efd::app
