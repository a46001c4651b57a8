// The demo company's assessment of ICMS and ICMS-ST checked by the rules
// the tax authority's validator applies between the registers of block E.
#include <map>

#include "tests/registers/arquivo_demo_teste.h"

namespace efd {
namespace {

using teste::Registros;
using teste::TLinhas;

class ApuracaoDoDemo : public teste::TesteDoDemo {
 protected:
  void SetUp() override {
    if (!ConstruirDemo(120)) GTEST_SKIP() << GetParam() << " indisponível";
    app::OpcoesGeracao o;
    o.filiais = {static_cast<int>(demo_.filiais.at(0))};
    o.inicio = demo_.inicio;
    linhas_ = GerarArquivo(o);
  }

  static double Valor(const std::string& texto) { return TextoParaReal(texto); }

  // The sum of a field over the lines of a register.
  double Soma(const std::string& registro, size_t campo) const {
    double total = 0;
    for (const auto& l : Registros(linhas_, registro)) total += Valor(l.at(campo));
    return total;
  }

  TLinhas linhas_;
};

TEST_P(ApuracaoDoDemo, E110FechaComOsAjustesEAsObrigacoes) {
  const auto e110 = Registros(linhas_, "E110").at(0);
  auto campo = [&](size_t n) { return Valor(e110.at(n + 1)); };
  // The adjustments of the assessment by the third and fourth characters of
  // their codes.
  std::map<std::string, double> ajustes;
  for (const auto& l : Registros(linhas_, "E111"))
    if (l.at(2)[2] == '0') ajustes[l.at(2).substr(2, 2)] += Valor(l.at(4));
  EXPECT_NEAR(campo(3), ajustes["00"], 0.005);
  EXPECT_NEAR(campo(4), ajustes["01"], 0.005);
  EXPECT_NEAR(campo(7), ajustes["02"], 0.005);
  EXPECT_NEAR(campo(8), ajustes["03"], 0.005);
  EXPECT_NEAR(campo(11), ajustes["04"], 0.005);
  EXPECT_GT(ajustes["02"], 0);
  const double saldo = campo(1) + campo(2) + campo(3) + campo(4) -
                       (campo(5) + campo(6) + campo(7) + campo(8) + campo(9));
  EXPECT_NEAR(campo(10), saldo > 0 ? saldo : 0, 0.005);
  EXPECT_NEAR(campo(12), campo(10) - campo(11), 0.005);
  // The obligations pay the ICMS to pay and the special debits.
  EXPECT_NEAR(Soma("E116", 3), campo(12) + campo(14), 0.005);
}

// Output CFOPs (and 1605) debit, input CFOPs (and 5605) credit.
bool Debito(const std::string& cfop) {
  return (cfop[0] == '5' && cfop != "5605") || cfop[0] == '6' || cfop[0] == '7' || cfop == "1605";
}

// The ICMS debited and credited by the analytic registers of a file, and
// the analytic registers it has; the printers' closings only debit.
struct TAnaliticos {
  double debitos = 0, creditos = 0;
  std::map<std::string, int> vistos;
};
TAnaliticos Analiticos(const TLinhas& linhas) {
  // The analytic registers with the fields of their CFOP and ICMS.
  static const std::map<std::string, std::pair<size_t, size_t>> kCampos = {
      {"C190", {3, 7}}, {"C490", {3, 7}}, {"C590", {3, 7}}, {"D190", {3, 7}}, {"D590", {3, 7}}};
  TAnaliticos r;
  for (const auto& l : linhas) {
    auto a = l.size() > 1 ? kCampos.find(l[1]) : kCampos.end();
    if (a == kCampos.end()) continue;
    ++r.vistos[l[1]];
    const std::string& cfop = l.at(a->second.first);
    (Debito(cfop) ? r.debitos : r.creditos) += TextoParaReal(l.at(a->second.second));
  }
  return r;
}

TEST_P(ApuracaoDoDemo, E110TotalizaOICMSDosRegistrosAnaliticos) {
  const TAnaliticos a = Analiticos(linhas_);
  EXPECT_EQ(a.vistos.size(), 5u) << "the demo reaches every analytic register";
  const auto e110 = Registros(linhas_, "E110").at(0);
  EXPECT_NEAR(Valor(e110.at(2)), a.debitos, 0.005);
  EXPECT_NEAR(Valor(e110.at(6)), a.creditos, 0.005);
}

// Every branch's assessment, not the head office's alone, debits and
// credits what its documents do, and its obligations pay the balance.
TEST_P(ApuracaoDoDemo, E110DeCadaFilialTotalizaSeusAnaliticos) {
  for (size_t i = 1; i < demo_.filiais.size(); ++i) {
    SCOPED_TRACE("filial " + std::to_string(demo_.filiais[i]));
    app::OpcoesGeracao o;
    o.filiais = {static_cast<int>(demo_.filiais[i])};
    o.inicio = demo_.inicio;
    const TLinhas linhas = GerarArquivo(o);
    const TAnaliticos a = Analiticos(linhas);
    EXPECT_GT(a.debitos + a.creditos, 0);
    const auto e110 = Registros(linhas, "E110").at(0);
    EXPECT_NEAR(Valor(e110.at(2)), a.debitos, 0.005);
    EXPECT_NEAR(Valor(e110.at(6)), a.creditos, 0.005);
    double obrigacoes = 0;
    for (const auto& l : Registros(linhas, "E116")) obrigacoes += Valor(l.at(3));
    EXPECT_NEAR(obrigacoes, Valor(e110.at(13)) + Valor(e110.at(15)), 0.005);
  }
}

TEST_P(ApuracaoDoDemo, ObrigacoesDaSTPagamOQueCadaEstadoApura) {
  const auto e200 = Registros(linhas_, "E200");
  ASSERT_EQ(e200.size(), 2u);
  // Lines of each state's group, in file order.
  std::map<std::string, std::pair<double, double>> estados;  // owed, paid
  std::string uf;
  for (const auto& l : linhas_) {
    if (l.size() < 2) continue;
    if (l[1] == "E200") uf = l.at(2);
    if (l[1] == "E210") estados[uf].first = Valor(l.at(13)) + Valor(l.at(15));
    if (l[1] == "E250") estados[uf].second += Valor(l.at(3));
  }
  for (const auto& [estado, valores] : estados)
    EXPECT_NEAR(valores.first, valores.second, 0.005) << estado;
  // São Paulo pays by a GNRE and an item adjustment, Minas Gerais by a
  // collection document.
  EXPECT_EQ(Registros(linhas_, "E250").size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Bancos, ApuracaoDoDemo, ::testing::ValuesIn(teste::MotoresDeTeste()));

}  // namespace
}  // namespace efd
