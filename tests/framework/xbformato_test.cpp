// Amounts and texts as the file writes them.
#include "framework/xbformato.h"

#include <gtest/gtest.h>

#include "framework/xberros.h"

namespace efd {
namespace {

TEST(Formato, ValoresNoFormatoGeralComVirgula) {
  EXPECT_EQ(FormatarReal(0.1 + 0.2), "0,3");
  EXPECT_EQ(FormatarReal(100.0), "100");
  EXPECT_EQ(FormatarReal(1234567.89), "1234567,89");
  EXPECT_EQ(FormatarReal(-0.0), "0");
  EXPECT_EQ(FormatarReal(-12.5), "-12,5");
  // Money has no exponent, large or small.
  EXPECT_EQ(FormatarReal(12345678901234.5), "12345678901234,5");
  EXPECT_EQ(FormatarReal(0.0000001), "0,0000001");
}

TEST(Formato, MascaraArredondaOValorDecimal) {
  EXPECT_EQ(FormatarMascara(2.675, "0.00"), "2,68");  // 2.675 is 2.67499… in binary
  // Large amounts keep their cents: no nudge of a whole cent.
  EXPECT_EQ(FormatarMascara(12712632.63, "0.00"), "12712632,63");
  EXPECT_EQ(FormatarMascara(15681228.27, "0.00"), "15681228,27");
  EXPECT_EQ(FormatarMascara(1234567890.125, "0.00"), "1234567890,13");
  EXPECT_EQ(FormatarMascara(-0.001, "0.00"), "0,00");
  EXPECT_EQ(FormatarMascara(17, "0.00"), "17,00");
  EXPECT_EQ(FormatarMascara(3.5, "0"), "4");
}

TEST(Formato, TextosParaNumeros) {
  EXPECT_DOUBLE_EQ(TextoParaReal(" 1,5 "), 1.5);
  EXPECT_DOUBLE_EQ(TextoParaReal("1.5"), 1.5);
  EXPECT_THROW(TextoParaReal("1,5x"), EConversao);
  EXPECT_EQ(TextoParaInteiro("12.0"), 12);
  EXPECT_THROW(TextoParaInteiro("12.5"), EConversao);
  EXPECT_EQ(TextoParaInteiroDef("x", 7), 7);
  EXPECT_EQ(UpperCase("ação"), "AÇÃO");
  EXPECT_EQ(CopiarUtf8("Ação!", 3), "Açã");
}

TEST(Formato, Digitos) {
  EXPECT_EQ(Digitos("12.345.678/0001-90"), "12345678000190");
  EXPECT_EQ(Digitos("5.102 ç"), "5102");  // a multi-byte letter leaves no byte behind
}

}  // namespace
}  // namespace efd
