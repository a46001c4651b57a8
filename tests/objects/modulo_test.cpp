// The generated layer without a server: signature tables, the module factory
// and its resources, family inheritance and the proxy's local path.
#include <gtest/gtest.h>

#include <algorithm>

#include "control/modulo.h"
#include "control/uh5efd.h"
#include "control/uh5registroefd0000.h"
#include "erp/erp.h"
#include "framework/xbaplicacao.h"
#include "framework/xbsession.h"
#include "uh0blocosefd.h"
#include "uh0efd.h"
#include "uh0tipoblocoefd.h"
#include "uhsmodulo.h"

namespace efd {
namespace {

class Modulo : public ::testing::Test {
 protected:
  void SetUp() override {
    erp::Registrar();
    RegistrarModulo();
    sessao_ = std::make_unique<TxsSessionZ8>(TpbBD::Conectar("sqlite::memory:"));
  }
  std::unique_ptr<TxsSessionZ8> sessao_;
};

TEST(Assinatura, DeclaracoesIguaisDaoValoresIguais) {
  // kModeloIPI_ICMS: EFD no. 12, TipoBlocoEFD no. 6; RetornarListaBlocos: EFD 6, BlocosEFD 1.
  EXPECT_EQ(k20EFDAssinatura[11], k20TipoBlocoEFDAssinatura[5]);
  EXPECT_EQ(k20EFDAssinatura[5], k20BlocosEFDAssinatura[0]);
  EXPECT_NE(k20EFDAssinatura[11], k20EFDAssinatura[10]);  // kModeloPIS_COFINS: another name
  EXPECT_EQ(k20EFDAssinatura.size(), 23u);
  for (const auto& valor : k20EFDAssinatura) {
    ASSERT_FALSE(valor.empty());
    EXPECT_TRUE(std::all_of(valor.begin(), valor.end(), ::isdigit)) << valor;
    EXPECT_LE(std::stol(valor), 65535);
  }
  EXPECT_EQ(k20RegistroEFD0000Assinatura, std::vector<std::string>{"..."});
}

TEST(Recursos, IdentidadeEmIso88591) {
  EXPECT_EQ(ThsModuloZ8EscrituracaoFiscalDigital::Identidade(),
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"no\"?>\r\n"
            "<identidade><nf>R8IrovirezaravEvezorAvuvozaR</nf>"
            "<nl>Escritura\xE7\xE3o Fiscal Digital</nl><vrs>2.00</vrs>"
            "<nst>*** Linha Z8</nst><sst>Z8</sst><tmd>H</tmd></identidade>\r\n");
  EXPECT_EQ(ThsModuloZ8EscrituracaoFiscalDigital::Descricao(), "Escritura\xE7\xE3o Fiscal Digital");
}

TEST(Recursos, ListaDeFamiliasEmOrdemAlfabetica) {
  const std::string lista = ThsModuloZ8EscrituracaoFiscalDigital::ListaFamilias();
  std::vector<std::string> nomes;
  for (size_t p = lista.find("<fam nf=\""); p != std::string::npos;
       p = lista.find("<fam nf=\"", p + 1)) {
    const size_t inicio = p + 9;
    nomes.push_back(lista.substr(inicio, lista.find('"', inicio) - inicio));
  }
  EXPECT_TRUE(std::is_sorted(nomes.begin(), nomes.end()));
  // One per family of the module, registers included: every own object.
  size_t proprios = 0;
  for (const auto& nome : ThsModuloZ8EscrituracaoFiscalDigital::Objetos())
    if (ThsModuloZ8EscrituracaoFiscalDigital::AssinaturaDe(nome)) ++proprios;
  EXPECT_EQ(nomes.size(), proprios);
  for (const auto& nome : nomes)
    EXPECT_NE(ThsModuloZ8EscrituracaoFiscalDigital::AssinaturaDe(nome), nullptr) << nome;
  EXPECT_EQ(ThsModuloZ8EscrituracaoFiscalDigital::AssinaturaDe("Filial"), nullptr);
  const auto r0000 = std::find(nomes.begin(), nomes.end(), "RegistroEFD0000");
  ASSERT_NE(r0000, nomes.end());
  EXPECT_LT(r0000, std::find(nomes.begin(), nomes.end(), "RegistrosEFD"));
  EXPECT_NE(lista.find("<fam nf=\"RegistroEFD0000\" nfl=\"Registro EFD 0000\" "
                       "ffm=\"Escritura\xE7\xE3o Fiscal Digital\" "
                       "afm=\"EXTRA\xC7\xC3O DE INFORMA\xC7\xD5"
                       "ES\"/>"),
            std::string::npos);
  EXPECT_NE(lista.find("<fam nf=\"VigenciaRegime\" nfl=\"Vigencia de Regime\""), std::string::npos);
}

TEST_F(Modulo, FabricaCriaAutenticaDestroiELibera) {
  auto* modulo = fModuloR8IrovirezaravEvezorAvuvozaR();
  EXPECT_EQ(modulo, fModuloR8IrovirezaravEvezorAvuvozaR());
  std::shared_ptr<I20EFD> efd;
  ASSERT_TRUE(modulo->EFDCriar(efd, *sessao_));
  ASSERT_TRUE(efd);
  EXPECT_EQ(efd->Familia(), "EFD");
  EXPECT_NE(std::dynamic_pointer_cast<Th5EFD>(efd), nullptr);  // the hand-written class
  modulo->EFDDestruir(efd);
  EXPECT_FALSE(efd);
  ASSERT_TRUE(modulo->EFDAutenticar(efd, *sessao_));
  modulo->EFDLiberar(efd);
  EXPECT_FALSE(efd);
  // A foreign object the declarations name, and one no module registered.
  std::shared_ptr<ThbObjetoNegocio> outro;
  EXPECT_TRUE(modulo->FilialCriar(outro, *sessao_));
  EXPECT_EQ(outro->Familia(), "Filial");
  const auto& objetos = ThsModuloZ8EscrituracaoFiscalDigital::Objetos();
  EXPECT_NE(std::find(objetos.begin(), objetos.end(), "OutrosDadosFinanceiro"), objetos.end());
  if (!Aplicacao().ChecarFamiliaRegistrada("OutrosDadosFinanceiro")) {
    std::shared_ptr<ThbObjetoNegocio> ausente;
    EXPECT_FALSE(modulo->OutrosDadosFinanceiroCriar(ausente, *sessao_));
  }
}

TEST_F(Modulo, AutenticarRecusaTabelaDiferente) {
  auto efd = Aplicacao().CriarComo<Th0EFD>("EFD", *sessao_);
  const int alto = static_cast<int>(k20EFDAssinatura.size()) - 1;
  EXPECT_TRUE(efd->AutenticarInterface(k20EFDAssinatura, alto, false));
  auto outra = k20EFDAssinatura;
  outra[9] = "1";  // GerarRegistros declared otherwise
  EXPECT_FALSE(efd->AutenticarInterface(outra, alto, false));
  EXPECT_FALSE(efd->AutenticarInterface(k20EFDAssinatura, alto - 1, false));
  EXPECT_FALSE(efd->AutenticarInterface(k20BlocosEFDAssinatura, 0, false));
}

TEST_F(Modulo, RegistroHerdaDoAncestralESeuOverrideEhOQueRoda) {
  auto registro = Aplicacao().CriarComo<Th0RegistroEFD0000>("RegistroEFD0000", *sessao_);
  ASSERT_NE(std::dynamic_pointer_cast<Th5RegistroEFD0000>(registro), nullptr);
  EXPECT_STREQ(Th0RegistroEFD0000::FamiliaAncestralMW(), "RegistrosEFD");
  EXPECT_EQ(registro->Informacao(3), "RegEFD0000");
  EXPECT_EQ(registro->Informacao(4), "110");
  EXPECT_EQ(registro->Informacao(2), "");

  // The ancestor object runs the descendant's members.
  registro->SetpQtdeLinBloco0(5);
  auto ancestral = registro->GetAncestral();
  ASSERT_TRUE(ancestral);
  EXPECT_EQ(ancestral->Familia(), "RegistrosEFD");
  EXPECT_EQ(ancestral, registro->GetAncestral());
  EXPECT_EQ(ancestral->GetpQtdeLinBloco0(), 5);
  ancestral->SetpQtdeLinBloco0(7);
  EXPECT_EQ(registro->GetpQtdeLinBloco0(), 7);
  // Re-exposed relationships live on the ancestor object.
  auto filial = Aplicacao().Criar("Filial", *sessao_);
  registro->SetFilial_RegistrosEFD(filial);
  EXPECT_EQ(ancestral->GetFilial(), filial);
  EXPECT_EQ(registro->GetFilial_RegistrosEFD(), filial);

  // EH: an own, separate RegistrosEFD object, kept.
  auto eh = registro->GetEH();
  ASSERT_TRUE(eh);
  EXPECT_EQ(eh, registro->GetEH());
  EXPECT_NE(eh, ancestral);
  EXPECT_EQ(eh->GetpQtdeLinBloco0(), 0);
  EXPECT_EQ(eh->LimparConteudo(" 12.345.678/0001-95 "), "12345678000195");
}

TEST_F(Modulo, RelacionamentoPorNomeEDesativacao) {
  auto efd = Aplicacao().CriarComo<Th0EFD>("EFD", *sessao_);
  EXPECT_EQ(efd->GetL(), efd.get());
  auto blocos = Aplicacao().Criar("BlocosEFD", *sessao_);
  efd->SetBlocosEFD(blocos);
  EXPECT_EQ(efd->GetPropRelacionamentoMW("RlBlocosEFD"), blocos);
  efd->SetBlocosEFD(nullptr);
  EXPECT_NE(efd->GetBlocosEFD(), blocos);  // cleared: a new one on next use
  efd->DesativarInterfacesVinculadas();
  EXPECT_EQ(efd->GetL(), efd.get());
}

TEST_F(Modulo, SemServidorTudoRodaLocalmente) {
  auto efd = Aplicacao().CriarComo<Th0EFD>("EFD", *sessao_);
  EXPECT_TRUE(efd->GetLocal());
  efd->SetListaReg("12");
  EXPECT_EQ(efd->INTERNO_GetListaReg(), "12");
  // The server side, called directly: numbers back into calls, unknown ones null.
  TArrayVariant nenhum;
  EXPECT_EQ(efd->ExecutarMetodo("3_1", nenhum, nullptr).AsString(), "12");
  TArrayVariant um = std::vector<TVariant>{TVariant("7")};
  EXPECT_TRUE(efd->ExecutarMetodo("3_2", um, nullptr).IsNull());
  EXPECT_EQ(efd->GetListaReg(), "7");
  EXPECT_EQ(efd->ExecutarMetodo("11", nenhum, nullptr).AsInteger(), 2);
  EXPECT_TRUE(efd->ExecutarMetodo("9", nenhum, nullptr).IsNull());  // local member: no number
  EXPECT_TRUE(efd->ExecutarMetodo("", nenhum, nullptr).IsNull());
}

}  // namespace
}  // namespace efd
