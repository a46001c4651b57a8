#include <fmt/format.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "tools/efdgen.h"

namespace efdgen {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A C++ string literal of a UTF-8 text.
std::string Literal(const std::string& s) {
  std::string r = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\')
      r += '\\', r += static_cast<char>(c);
    else if (c == '\n')
      r += "\\n";
    else if (c < 0x20)
      r += fmt::format("\\x{:02x}", c);
    else
      r += static_cast<char>(c);
  }
  return r + "\"";
}

void Escrever(const std::string& destino, const std::string& conteudo) {
  std::ifstream antigo(destino);
  std::stringstream atual;
  atual << antigo.rdbuf();
  if (atual.str() != conteudo) std::ofstream(destino) << conteudo;
}

}  // namespace efdgen
