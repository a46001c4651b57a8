#include "control/linhaefd.h"

#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {

std::string FormatarValor(double valor) {
  return FormatarReal(valor);
}

std::string FormatarData(TDateTime data) {
  return data.EhDataZero() ? std::string() : data.Formatar("DDMMYYYY");
}

std::string TextoNumaLinha(const std::string& texto) {
  return SubstituirTodos(SubstituirTodos(texto, "\r\n", " - "), "\n", " - ");
}

void TxbLinhasEFD::Adicionar(std::string_view registro,
                             std::initializer_list<std::string_view> campos) {
  Adicionar(registro, campos, campos.size());
}

void TxbLinhasEFD::Adicionar(std::string_view registro,
                             std::initializer_list<std::string_view> campos, size_t quantos) {
  texto_ += '|';
  texto_ += registro;
  texto_ += '|';
  for (std::string_view campo : campos) {
    if (quantos-- == 0) break;
    texto_ += campo;
    texto_ += '|';
  }
  texto_ += "\r\n";
  ++quantidade_;
  Escoar();
}

void TxbLinhasEFD::AdicionarPronta(std::string_view linha) {
  texto_ += linha;
  texto_ += "\r\n";
  ++quantidade_;
  Escoar();
}

void TxbLinhasEFD::Escoar() {
  constexpr size_t kPedaco = 1 << 20;
  if (texto_.size() < kPedaco || !sessao_.SaidaLinhas()) return;
  sessao_.SaidaLinhas()(texto_);
  texto_.clear();
}

}  // namespace efd
