#include "control/linhaefd.h"

#include "framework/xbformato.h"

namespace efd {

std::string FormatarValor(double valor) {
  return FormatarReal(valor);
}

std::string FormatarData(TDateTime data) {
  return data.EhDataZero() ? std::string() : data.Formatar("DDMMYYYY");
}

void TxbLinhasEFD::Adicionar(std::string_view registro,
                             std::initializer_list<std::string_view> campos) {
  texto_ += '|';
  texto_ += registro;
  texto_ += '|';
  for (std::string_view campo : campos) {
    texto_ += campo;
    texto_ += '|';
  }
  texto_ += "\r\n";
  ++quantidade_;
}

void TxbLinhasEFD::AdicionarPronta(std::string_view linha) {
  texto_ += linha;
  texto_ += "\r\n";
  ++quantidade_;
}

}  // namespace efd
