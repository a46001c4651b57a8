// The catalogue objects and the shipped catalogue of both models.
#include <gtest/gtest.h>

#include "control/catalogo.h"
#include "control/geradorefd.h"
#include "control/leiauteefd.h"
#include "control/modulo.h"
#include "framework/xbaplicacao.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "tests/testutil.h"
#include "uh0tipoblocoefd.h"
#include "uh0tiporegefd.h"

namespace efd {
namespace {

class Catalogo : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!teste::MotorDisponivel(GetParam())) GTEST_SKIP() << GetParam() << " indisponível";
    RegistrarModulo();
    sessao_ = std::make_unique<TxsSessionZ8>(TpbBD::Conectar(teste::NovaUrl(GetParam())));
    CriarEsquema(sessao_->GetBD());
  }
  std::unique_ptr<TxsSessionZ8> sessao_;
};

TEST_P(Catalogo, CarregadoUmaVezNaOrdemDoArquivo) {
  const int criadas = CarregarCatalogo(*sessao_);
  EXPECT_EQ(CarregarCatalogo(*sessao_), 0);  // loading again creates nothing
  int linhas = 0;
  for (int modelo : {1, 2}) linhas += static_cast<int>(CatalogoDoModelo(modelo).size());
  EXPECT_EQ(criadas, linhas);

  std::string ordem;
  for (const auto& bloco : LerCatalogo(*sessao_, 1)) ordem += bloco.nome.back();
  EXPECT_EQ(ordem, "0BCDEGHK19");
  ordem.clear();
  for (const auto& bloco : LerCatalogo(*sessao_, 2)) ordem += bloco.nome.back();
  EXPECT_EQ(ordem, "0ACDFIMP19");

  const auto bloco0 = LerCatalogo(*sessao_, 1).front();
  ASSERT_GE(bloco0.registros.size(), 3u);
  EXPECT_EQ(bloco0.registros[0].familia, "RegistroEFD0000");
  EXPECT_EQ(bloco0.registros[0].nome, "Registro 0000");
  for (size_t i = 1; i < bloco0.registros.size(); ++i)
    EXPECT_LT(bloco0.registros[i - 1].familia, bloco0.registros[i].familia);
}

TEST_P(Catalogo, TiposDeBlocoSelecionadosPorModeloENome) {
  auto blocos = Aplicacao().CriarComo<Th0TipoBlocoEFD>("TipoBlocoEFD", *sessao_);
  const int id = blocos->Incluir(1, "Bloco X", "Teste", 1);
  EXPECT_GT(id, 0);
  EXPECT_FALSE(blocos->Campo("TpBlocoEFD_Gerar").AsBoolean());
  EXPECT_EQ(blocos->Campo("TpBlocoEFD_QtdeBlocos").AsString(), "N");
  EXPECT_TRUE(blocos->Selecionar(1, "Bloco X", ""));
  EXPECT_FALSE(blocos->Selecionar(2, "Bloco X", ""));
  EXPECT_FALSE(blocos->Selecionar(0, "Bloco X", ""));
  EXPECT_FALSE(blocos->Selecionar(1, "", ""));
}

TEST_P(Catalogo, ChecagemMarcaSoOTipoSemBlocoDeMesmoNome) {
  auto tipos = Aplicacao().CriarComo<Th0TipoRegEFD>("TipoRegEFD", *sessao_);
  tipos->Incluir(0, "Registro 0150", "RegistroEFD0150", 2, true, "", "");
  tipos->Incluir(7, "Registro 0200", "RegistroEFD0200", 2, true, "", "");
  tipos->Incluir(0, "Registro 0200 ", "RegistroEFD0200", 2, true, "", "");
  auto marcados = [&] {
    return sessao_->Consultar("SELECT NOME FROM Z8_TpRegEFD WHERE GERAR = 'T' ORDER BY NOME")
        .linhas;
  };
  tipos->ChecarRegLivroElet("Registro 0200");  // only under block type 7, or with a blank
  EXPECT_TRUE(marcados().empty());
  tipos->ChecarRegLivroElet("Registro 0150");
  ASSERT_EQ(marcados().size(), 1u);
  EXPECT_EQ(marcados()[0][0].AsString(), "Registro 0150");
  tipos->ZerarChecagem();
  EXPECT_TRUE(marcados().empty());
}

INSTANTIATE_TEST_SUITE_P(Motores, Catalogo, ::testing::ValuesIn(teste::MotoresDeTeste()));

TEST(BlocosDoLeiaute, PorModeloEPeriodo) {
  auto no = [](int modelo, char letra, int ano, int mes) {
    return BlocoNoLeiaute(modelo, letra, TDateTime::EncodeDate(ano, mes, 1));
  };
  EXPECT_FALSE(no(1, 'K', 2013, 12));
  EXPECT_TRUE(no(1, 'K', 2014, 1));
  EXPECT_FALSE(no(1, 'B', 2018, 12));
  EXPECT_TRUE(no(1, 'B', 2019, 1));
  EXPECT_TRUE(no(1, 'G', 2009, 5));  // the first layout already has block G
  EXPECT_FALSE(no(1, 'A', 2024, 1));
  EXPECT_FALSE(no(1, '2', 2024, 1));
  EXPECT_TRUE(no(2, 'A', 2024, 1));
  EXPECT_FALSE(no(2, 'E', 2024, 1));
  EXPECT_FALSE(no(2, 'H', 2024, 1));
  EXPECT_FALSE(no(2, 'M', 2010, 12));  // before the PIS/COFINS model
}

TEST(VersaoLeiauteContribuicoes, PorPeriodo) {
  auto v = [](int ano, int mes) {
    return VersaoLeiauteContribuicoes(TDateTime::EncodeDate(ano, mes, 1));
  };
  EXPECT_EQ(v(2010, 12), "");
  EXPECT_EQ(v(2011, 1), "002");
  EXPECT_EQ(v(2012, 6), "002");
  EXPECT_EQ(v(2012, 7), "003");
  EXPECT_EQ(v(2018, 5), "003");
  EXPECT_EQ(v(2018, 6), "004");
  EXPECT_EQ(v(2019, 1), "005");
  EXPECT_EQ(v(2020, 1), "006");
  EXPECT_EQ(v(2026, 11), "006");
}

}  // namespace
}  // namespace efd
