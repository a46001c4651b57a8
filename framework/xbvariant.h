// Values that travel between the database, datasets and business objects.
//
// TDateTime follows the ERP's convention: a real number of days since
// 30/12/1899 (the "zero date"), the fraction being the time of day.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <variant>

namespace efd {

struct TDateTime {
  double dias = 0.0;

  constexpr TDateTime() = default;
  constexpr explicit TDateTime(double d) : dias(d) {}
  auto operator<=>(const TDateTime&) const = default;

  static TDateTime EncodeDate(int ano, int mes, int dia);
  static TDateTime EncodeDateTime(int ano, int mes, int dia, int hora, int minuto, int segundo);
  static TDateTime Now();
  static TDateTime Today();
  // Accepts "YYYY-MM-DD[ HH:MM:SS]" (SOCI's text form), "DD/MM/YYYY[ HH:MM:SS]"
  // (the ERP's) and "HH:MM:SS".
  static TDateTime Parse(const std::string& texto);
  static TDateTime FromTm(const std::tm& tm);

  void DecodeDate(int& ano, int& mes, int& dia) const;
  void DecodeTime(int& hora, int& minuto, int& segundo) const;
  int Ano() const;
  int Mes() const;
  int Dia() const;
  TDateTime DateOf() const;  // midnight of the same day
  bool EhDataZero() const { return DateOf().dias == 0.0; }
  std::tm ToTm() const;
  // Formats with the tokens DD, MM, YYYY, YY, HH, NN (minutes), SS; other characters stay.
  std::string Formatar(const std::string& mascara) const;
  std::string Iso() const;  // "YYYY-MM-DD HH:MM:SS"
};

bool AnoBissexto(int ano);
int DiasNoMes(int ano, int mes);
TDateTime PrimeiroDiaDoMes(TDateTime d);
TDateTime UltimoDiaDoMes(TDateTime d);

// A nullable value of one of the types the framework stores.
class TVariant {
 public:
  using Valor = std::variant<std::monostate, int64_t, double, std::string, TDateTime, bool>;

  TVariant() = default;
  TVariant(int v) : v_(int64_t{v}) {}
  TVariant(int64_t v) : v_(v) {}
  TVariant(double v) : v_(v) {}
  TVariant(const char* v) : v_(std::string(v)) {}
  TVariant(std::string v) : v_(std::move(v)) {}
  TVariant(TDateTime v) : v_(v) {}
  TVariant(bool v) : v_(v) {}

  bool IsNull() const { return std::holds_alternative<std::monostate>(v_); }
  bool EhInteiro() const { return std::holds_alternative<int64_t>(v_); }
  bool EhReal() const { return std::holds_alternative<double>(v_); }
  bool EhTexto() const { return std::holds_alternative<std::string>(v_); }
  bool EhData() const { return std::holds_alternative<TDateTime>(v_); }
  bool EhLogico() const { return std::holds_alternative<bool>(v_); }

  // Conversions follow the ERP's client datasets: null reads as 0, "" or the
  // zero date; a text that is not a number raises EConversao naming the value.
  std::string AsString() const;
  int64_t AsInt64() const;
  int AsInteger() const { return static_cast<int>(AsInt64()); }
  double AsFloat() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;

  const Valor& valor() const { return v_; }
  bool operator==(const TVariant& o) const { return v_ == o.v_; }

 private:
  Valor v_;
};

// Orders two values the way a dataset index does (nulls first, numbers by
// value, texts by bytes). Returns <0, 0 or >0.
int CompararValores(const TVariant& a, const TVariant& b);

}  // namespace efd
