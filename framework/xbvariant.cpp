#include "framework/xbvariant.h"

#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <cstdio>

#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd {
namespace {

// Days from 0001-01-01 style civil computations (Howard Hinnant's algorithm).
constexpr int64_t DiasDesdeEpocaUnix(int y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilDeDias(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

// 1899-12-30 is day 0 of TDateTime; constant so that dates made before main
// (in static initialisers) are right too.
constexpr int64_t kDiaZero = DiasDesdeEpocaUnix(1899, 12, 30);

int64_t DiaInteiro(double dias) {
  return static_cast<int64_t>(std::floor(dias + 1e-9));
}

int SegundosDoDia(double dias) {
  double frac = dias - std::floor(dias + 1e-9);
  if (frac < 0) frac = 0;
  int s = static_cast<int>(std::lround(frac * 86400.0));
  return s >= 86400 ? 86399 : s;
}

}  // namespace

TDateTime TDateTime::EncodeDate(int ano, int mes, int dia) {
  if (mes < 1 || mes > 12 || dia < 1 || dia > DiasNoMes(ano, mes))
    throw EConversao(fmt::format("Data inválida: {:02}/{:02}/{:04}", dia, mes, ano));
  return TDateTime(static_cast<double>(DiasDesdeEpocaUnix(ano, mes, dia) - kDiaZero));
}

TDateTime TDateTime::EncodeDateTime(int ano, int mes, int dia, int hora, int minuto, int segundo) {
  TDateTime d = EncodeDate(ano, mes, dia);
  d.dias += (hora * 3600 + minuto * 60 + segundo) / 86400.0;
  return d;
}

TDateTime TDateTime::Now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return FromTm(tm);
}

TDateTime TDateTime::Today() {
  return Now().DateOf();
}

TDateTime TDateTime::FromTm(const std::tm& tm) {
  return EncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                        tm.tm_sec);
}

TDateTime TDateTime::Parse(const std::string& texto) {
  int a = 0, m = 0, d = 0, h = 0, n = 0, s = 0;
  char resto = 0;
  if (std::sscanf(texto.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &a, &m, &d, &h, &n, &s, &resto) == 6)
    return EncodeDateTime(a, m, d, h, n, s);
  if (std::sscanf(texto.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &a, &m, &d, &h, &n, &s, &resto) == 6)
    return EncodeDateTime(a, m, d, h, n, s);
  if (std::sscanf(texto.c_str(), "%4d-%2d-%2d%c", &a, &m, &d, &resto) == 3 && texto.size() == 10)
    return EncodeDate(a, m, d);
  // The ERP's own text form of dates, DD/MM/YYYY.
  if (std::sscanf(texto.c_str(), "%2d/%2d/%4d %2d:%2d:%2d%c", &d, &m, &a, &h, &n, &s, &resto) == 6)
    return EncodeDateTime(a, m, d, h, n, s);
  if (std::sscanf(texto.c_str(), "%2d/%2d/%4d%c", &d, &m, &a, &resto) == 3 && texto.size() == 10)
    return EncodeDate(a, m, d);
  if (std::sscanf(texto.c_str(), "%2d:%2d:%2d%c", &h, &n, &s, &resto) == 3 && h < 24 && n < 60 &&
      s < 60)
    return TDateTime((h * 3600 + n * 60 + s) / 86400.0);
  throw EConversao("'" + texto + "' não é uma data válida");
}

void TDateTime::DecodeDate(int& ano, int& mes, int& dia) const {
  CivilDeDias(DiaInteiro(dias) + kDiaZero, ano, mes, dia);
}

void TDateTime::DecodeTime(int& hora, int& minuto, int& segundo) const {
  int s = SegundosDoDia(dias);
  hora = s / 3600;
  minuto = s / 60 % 60;
  segundo = s % 60;
}

int TDateTime::Ano() const {
  int a, m, d;
  DecodeDate(a, m, d);
  return a;
}

int TDateTime::Mes() const {
  int a, m, d;
  DecodeDate(a, m, d);
  return m;
}

int TDateTime::Dia() const {
  int a, m, d;
  DecodeDate(a, m, d);
  return d;
}

TDateTime TDateTime::DateOf() const {
  return TDateTime(static_cast<double>(DiaInteiro(dias)));
}

std::tm TDateTime::ToTm() const {
  std::tm tm{};
  int a, m, d, h, n, s;
  DecodeDate(a, m, d);
  DecodeTime(h, n, s);
  tm.tm_year = a - 1900;
  tm.tm_mon = m - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = n;
  tm.tm_sec = s;
  return tm;
}

std::string TDateTime::Formatar(const std::string& mascara) const {
  int a, m, d, h, n, s;
  DecodeDate(a, m, d);
  DecodeTime(h, n, s);
  std::string r;
  for (size_t i = 0; i < mascara.size();) {
    auto comeca = [&](const char* t) {
      size_t k = std::char_traits<char>::length(t);
      if (mascara.size() - i < k) return false;
      for (size_t j = 0; j < k; ++j)
        if (std::toupper(static_cast<unsigned char>(mascara[i + j])) != t[j]) return false;
      i += k;
      return true;
    };
    if (comeca("YYYY"))
      r += fmt::format("{:04}", a);
    else if (comeca("YY"))
      r += fmt::format("{:02}", a % 100);
    else if (comeca("DD"))
      r += fmt::format("{:02}", d);
    else if (comeca("MM"))
      r += fmt::format("{:02}", m);
    else if (comeca("HH"))
      r += fmt::format("{:02}", h);
    else if (comeca("NN"))
      r += fmt::format("{:02}", n);
    else if (comeca("SS"))
      r += fmt::format("{:02}", s);
    else
      r += mascara[i++];
  }
  return r;
}

std::string TDateTime::Iso() const {
  return Formatar("YYYY-MM-DD HH:NN:SS");
}

bool AnoBissexto(int ano) {
  return (ano % 4 == 0 && ano % 100 != 0) || ano % 400 == 0;
}

int DiasNoMes(int ano, int mes) {
  static constexpr int kDias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return mes == 2 && AnoBissexto(ano) ? 29 : kDias[mes - 1];
}

TDateTime PrimeiroDiaDoMes(TDateTime d) {
  return TDateTime::EncodeDate(d.Ano(), d.Mes(), 1);
}

TDateTime UltimoDiaDoMes(TDateTime d) {
  return TDateTime::EncodeDate(d.Ano(), d.Mes(), DiasNoMes(d.Ano(), d.Mes()));
}

std::string TVariant::AsString() const {
  struct Visitante {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(int64_t v) const { return std::to_string(v); }
    std::string operator()(double v) const { return FormatarReal(v); }
    std::string operator()(const std::string& v) const { return v; }
    std::string operator()(TDateTime v) const {
      return v.dias == v.DateOf().dias ? v.Formatar("DD/MM/YYYY")
                                       : v.Formatar("DD/MM/YYYY HH:NN:SS");
    }
    std::string operator()(bool v) const { return v ? "True" : "False"; }
  };
  return std::visit(Visitante{}, v_);
}

int64_t TVariant::AsInt64() const {
  struct Visitante {
    int64_t operator()(std::monostate) const { return 0; }
    int64_t operator()(int64_t v) const { return v; }
    int64_t operator()(double v) const { return static_cast<int64_t>(std::llround(v)); }
    int64_t operator()(const std::string& v) const { return TextoParaInteiro(v); }
    int64_t operator()(TDateTime v) const { return static_cast<int64_t>(v.dias); }
    int64_t operator()(bool v) const { return v ? 1 : 0; }
  };
  return std::visit(Visitante{}, v_);
}

double TVariant::AsFloat() const {
  struct Visitante {
    double operator()(std::monostate) const { return 0; }
    double operator()(int64_t v) const { return static_cast<double>(v); }
    double operator()(double v) const { return v; }
    double operator()(const std::string& v) const { return TextoParaReal(v); }
    double operator()(TDateTime v) const { return v.dias; }
    double operator()(bool v) const { return v ? 1 : 0; }
  };
  return std::visit(Visitante{}, v_);
}

TDateTime TVariant::AsDateTime() const {
  struct Visitante {
    TDateTime operator()(std::monostate) const { return {}; }
    TDateTime operator()(int64_t v) const { return TDateTime(static_cast<double>(v)); }
    TDateTime operator()(double v) const { return TDateTime(v); }
    TDateTime operator()(const std::string& v) const {
      return v.empty() ? TDateTime() : TDateTime::Parse(v);
    }
    TDateTime operator()(TDateTime v) const { return v; }
    TDateTime operator()(bool) const { throw EConversao("Um valor lógico não é uma data"); }
  };
  return std::visit(Visitante{}, v_);
}

bool TVariant::AsBoolean() const {
  struct Visitante {
    bool operator()(std::monostate) const { return false; }
    bool operator()(int64_t v) const { return v != 0; }
    bool operator()(double v) const { return v != 0; }
    bool operator()(const std::string& v) const {
      if (v == "T" || v == "1" || v == "S" || v == "True" || v == "true") return true;
      if (v.empty() || v == "F" || v == "0" || v == "N" || v == "False" || v == "false")
        return false;
      throw EConversao("'" + v + "' não é um valor lógico válido");
    }
    bool operator()(TDateTime v) const { return v.dias != 0; }
    bool operator()(bool v) const { return v; }
  };
  return std::visit(Visitante{}, v_);
}

int CompararValores(const TVariant& a, const TVariant& b) {
  if (a.IsNull() || b.IsNull())
    return static_cast<int>(!a.IsNull()) - static_cast<int>(!b.IsNull());
  if (a.EhTexto() && b.EhTexto()) {
    int c = a.AsString().compare(b.AsString());
    return (c > 0) - (c < 0);
  }
  if (a.EhTexto() || b.EhTexto()) {
    // A text against a number compares as numbers when the text is one.
    try {
      double x = a.AsFloat(), y = b.AsFloat();
      return (x > y) - (x < y);
    } catch (const EConversao&) {
      int c = a.AsString().compare(b.AsString());
      return (c > 0) - (c < 0);
    }
  }
  double x = a.AsFloat(), y = b.AsFloat();
  return (x > y) - (x < y);
}

}  // namespace efd
