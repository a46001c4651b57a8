// The one place where numbers and texts are formatted and parsed.
//
// Amounts are written in the ERP's general float format: at most 15
// significant digits, trailing zeros dropped, the decimal comma. Registers
// that state a mask use FormatarMascara.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace efd {

inline constexpr char kSeparadorDecimal = ',';

std::string FormatarReal(double valor);
// A mask of zeros with a fixed number of decimals after the point: "0.00",
// "0.000000", "0"; the decimal comma is written.
std::string FormatarMascara(double valor, std::string_view mascara);
double Arredondar(double valor, int casas);

// Accept both the decimal comma and the point; blanks around are ignored.
double TextoParaReal(const std::string& texto);
int64_t TextoParaInteiro(const std::string& texto);
bool TextoEhInteiro(const std::string& texto);
// The integer value of a text, or the default when it is empty or not a number.
int64_t TextoParaInteiroDef(const std::string& texto, int64_t padrao);

std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
// Upper case of ASCII letters and of the Latin-1 letters held in UTF-8.
std::string UpperCase(std::string_view s);
// The decimal digits of s, in order: a CNPJ, CFOP or number without its punctuation.
std::string Digitos(std::string_view s);
std::string LowerCase(std::string_view s);
std::string PreencherZerosEsquerda(std::string_view s, size_t largura);
std::string SubstituirTodos(std::string s, std::string_view de, std::string_view para);
std::vector<std::string> Dividir(std::string_view s, char separador);
// Length in characters of a UTF-8 text and its first n characters.
size_t TamanhoUtf8(std::string_view s);
std::string CopiarUtf8(std::string_view s, size_t n);

}  // namespace efd
