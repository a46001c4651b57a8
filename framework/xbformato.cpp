#include "framework/xbformato.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdlib>

#include "framework/xberros.h"

namespace efd {

std::string FormatarReal(double valor) {
  if (valor == 0 || std::isnan(valor)) return "0";
  std::string s = fmt::format("{:.15g}", valor);
  if (s.find('e') != std::string::npos && std::fabs(valor) < 1e15) {
    // Tiny magnitudes: write them out instead of an exponent.
    s = fmt::format("{:.15f}", valor);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  if (s == "-0") return "0";
  for (char& c : s)
    if (c == '.') c = kSeparadorDecimal;
  return s;
}

std::string FormatarMascara(double valor, std::string_view mascara) {
  size_t ponto = mascara.find('.');
  int casas = ponto == std::string_view::npos ? 0 : static_cast<int>(mascara.size() - ponto - 1);
  std::string s = fmt::format("{:.{}f}", Arredondar(valor, casas), casas);
  if (s.starts_with("-") && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  for (char& c : s)
    if (c == '.') c = kSeparadorDecimal;
  return s;
}

double Arredondar(double valor, int casas) {
  // Half away from zero on the decimal value, not on the binary one: the
  // nudge covers the binary error of the value, which grows with it, and
  // stays far below half a unit even for amounts of billions.
  double fator = std::pow(10.0, casas);
  double escalado = valor * fator;
  double ajuste = std::max(1e-9, std::fabs(escalado) * 1e-13);
  return std::round(escalado + (escalado >= 0 ? ajuste : -ajuste)) / fator;
}

double TextoParaReal(const std::string& texto) {
  std::string s = Trim(texto);
  for (char& c : s)
    if (c == ',') c = '.';
  if (s.empty()) throw EConversao("'' não é um número válido");
  char* fim = nullptr;
  double v = std::strtod(s.c_str(), &fim);
  if (fim != s.c_str() + s.size()) throw EConversao("'" + texto + "' não é um número válido");
  return v;
}

bool TextoEhInteiro(const std::string& texto) {
  std::string s = Trim(texto);
  if (s.empty()) return false;
  size_t i = s[0] == '-' || s[0] == '+' ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

int64_t TextoParaInteiro(const std::string& texto) {
  if (!TextoEhInteiro(texto)) {
    // Databases hand back counts and NUMERIC columns as "12.0" sometimes.
    try {
      double v = TextoParaReal(texto);
      if (v == std::floor(v)) return static_cast<int64_t>(v);
    } catch (const EConversao&) {
    }
    throw EConversao("'" + texto + "' não é um valor inteiro válido");
  }
  return std::strtoll(Trim(texto).c_str(), nullptr, 10);
}

int64_t TextoParaInteiroDef(const std::string& texto, int64_t padrao) {
  return TextoEhInteiro(texto) ? std::strtoll(Trim(texto).c_str(), nullptr, 10) : padrao;
}

static bool EhBranco(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(std::string_view s) {
  return TrimRight(TrimLeft(s));
}

std::string TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && EhBranco(s[i])) ++i;
  return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && EhBranco(s[n - 1])) --n;
  return std::string(s.substr(0, n));
}

// Latin-1 letters in UTF-8 are C3 xx; lower case xx = upper case xx + 0x20
// (except the multiplication and division signs).
std::string Digitos(std::string_view s) {
  std::string r;
  for (char c : s)
    if (c >= '0' && c <= '9') r += c;
  return r;
}

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (size_t i = 0; i < r.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    if (c >= 'a' && c <= 'z') {
      r[i] = static_cast<char>(c - 32);
    } else if (c == 0xC3 && i + 1 < r.size()) {
      unsigned char d = static_cast<unsigned char>(r[i + 1]);
      if (d >= 0xA0 && d <= 0xBE && d != 0xB7) r[i + 1] = static_cast<char>(d - 0x20);
      ++i;
    }
  }
  return r;
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (size_t i = 0; i < r.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    if (c >= 'A' && c <= 'Z') {
      r[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < r.size()) {
      unsigned char d = static_cast<unsigned char>(r[i + 1]);
      if (d >= 0x80 && d <= 0x9E && d != 0x97) r[i + 1] = static_cast<char>(d + 0x20);
      ++i;
    }
  }
  return r;
}

std::string PreencherZerosEsquerda(std::string_view s, size_t largura) {
  size_t n = TamanhoUtf8(s);
  return n >= largura ? std::string(s) : std::string(largura - n, '0') + std::string(s);
}

std::string SubstituirTodos(std::string s, std::string_view de, std::string_view para) {
  if (de.empty()) return s;
  for (size_t p = s.find(de); p != std::string::npos; p = s.find(de, p + para.size()))
    s.replace(p, de.size(), para);
  return s;
}

std::vector<std::string> Dividir(std::string_view s, char separador) {
  std::vector<std::string> partes;
  size_t inicio = 0;
  for (size_t p = s.find(separador); p != std::string_view::npos; p = s.find(separador, inicio)) {
    partes.emplace_back(s.substr(inicio, p - inicio));
    inicio = p + 1;
  }
  partes.emplace_back(s.substr(inicio));
  return partes;
}

size_t TamanhoUtf8(std::string_view s) {
  size_t n = 0;
  for (char c : s)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

std::string CopiarUtf8(std::string_view s, size_t n) {
  size_t i = 0, contados = 0;
  for (; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (contados == n) break;
      ++contados;
    }
  }
  return std::string(s.substr(0, i));
}

}  // namespace efd
