// The line format of the file: "|" + code + "|" + fields joined by "|" + "|",
// ended by carriage return and line feed. Writers build their text with
// TxbLinhasEFD and never format numbers or dates their own way.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "framework/xbvariant.h"

namespace efd {

// The decimal comma and the general float format (0.1 + 0.2 gives "0,3").
std::string FormatarValor(double valor);
// "DDMMYYYY"; the zero date gives an empty text.
std::string FormatarData(TDateTime data);

// A free text on one line: each line break ("\r\n" or "\n") becomes " - ".
std::string TextoNumaLinha(const std::string& texto);

class TxbSession;

// The lines a writer produces. While the driver writes a file, the text goes
// on to the file in pieces as it grows (the session's line output), so that a
// writer never holds the text of all its lines; what is left is returned by
// Extrair.
class TxbLinhasEFD {
 public:
  explicit TxbLinhasEFD(TxbSession& sessao) : sessao_(sessao) {}

  // Appends one line from the register code and its fields in layout order.
  void Adicionar(std::string_view registro, std::initializer_list<std::string_view> campos);
  // The same with the first `quantos` fields only: a register whose later
  // fields exist from a given layout keeps one field list, and the period
  // decides where it ends.
  void Adicionar(std::string_view registro, std::initializer_list<std::string_view> campos,
                 size_t quantos);
  // Appends a line already in the file's format, without the line end.
  void AdicionarPronta(std::string_view linha);
  int Quantidade() const { return quantidade_; }
  std::string Extrair() { return std::move(texto_); }

 private:
  void Escoar();

  TxbSession& sessao_;
  std::string texto_;
  int quantidade_ = 0;
};

}  // namespace efd
