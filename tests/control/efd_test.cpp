// The EFD header, the register row store and the generation driver, on every
// engine available.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "control/arquivoefd.h"
#include "control/modulo.h"
#include "control/uh5efd.h"
#include "control/uh5registrosefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "tests/testutil.h"
#include "uh0blocosefd.h"
#include "uh0tipoblocoefd.h"
#include "uh0tiporegefd.h"

namespace efd {
namespace {

// A register made for these tests: its generator stores one row per call and
// its writer writes them; both record the order in which the driver calls them.
std::vector<std::string> g_chamadas;
std::string g_registro_falho;

class TRegistroTeste : public Th5RegistrosEFD {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string&,
                            std::shared_ptr<ThbObjetoNegocio>&) override {
    const std::string codigo = Familia().substr(11);
    g_chamadas.push_back("G" + codigo);
    ExcluirRegistroEFD(id_efd);
    GetDados().Isolar(0, "VsEDC01");
    IncluirRegistro();
    Campo("RegEFD_IDF_TipoRegEFD").SetAsInteger(tipo);
    Campo("RegEFD_IDF_BlocosEFD").SetAsInteger(bloco);
    Campo("RegEFD_Registro").SetAsString(codigo);
    Campo("RegEFD" + codigo + "_Texto").SetAsString("Ação");
    ConfirmarRegistro();
    if (codigo == g_registro_falho) throw EErro("falha provocada em " + codigo);
    return 0;
  }
  std::string INTERNO_GerarArquivo(int id_efd) override {
    const std::string codigo = Familia().substr(11);
    g_chamadas.push_back("A" + codigo);
    const char letra = codigo[0];
    AbrirRegistrosDoBloco(IdBloco(id_efd, std::string("Bloco ") + letra), "1");
    TxbLinhasEFD linhas(GetSession());
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (LerContador(std::string("QtdeLinhasBloco_") + letra) == 0 && !cds.IsEmpty())
      linhas.Adicionar(std::string(1, letra) + "001", {"0"});
    for (cds.First(); !cds.Eof(); cds.Next())
      linhas.Adicionar(codigo, {cds.FieldByName("RegEFD" + codigo + "_Texto").AsString()});
    SomarContador(std::string("QtdeLinhasBloco_") + letra, linhas.Quantidade());
    return linhas.Extrair();
  }
};

void RegistrarRegistroTeste(const std::string& codigo) {
  TxbFamilia f;
  f.nome = "RegistroEFD" + codigo;
  f.prefixo = "RegEFD" + codigo;
  f.tabela = "Z8_REGEFD" + codigo;
  f.ancestral = "RegistrosEFD";
  f.atributos.push_back(TxbAtributo::De("Texto", TTipoCampo::Texto, 20));
  TxbMetadados::Instancia().Registrar(f);
  Aplicacao().RegistrarClasse(f.nome, [] { return std::make_shared<TRegistroTeste>(); });
}

class EFDTeste : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    RegistrarModulo();
    for (const char* codigo : {"0T01", "0T02", "CT01", "ET01"}) RegistrarRegistroTeste(codigo);
    if (!teste::MotorDisponivel(GetParam())) GTEST_SKIP() << GetParam() << " indisponível";
    sessao_ = std::make_unique<TxsSessionZ8>(TpbBD::Conectar(teste::NovaUrl(GetParam())));
    sessao_->DefinirEmpresaSessao(1);
    CriarEsquema(sessao_->GetBD());
    g_chamadas.clear();
    g_registro_falho.clear();
  }

  // Model 1 with blocks 0, C, E and 9; registers 0T01, 0T02 (block 0), CT01, ET01.
  void CriarCatalogo() {
    auto blocos = Aplicacao().CriarComo<Th0TipoBlocoEFD>("TipoBlocoEFD", *sessao_);
    auto tipos = Aplicacao().CriarComo<Th0TipoRegEFD>("TipoRegEFD", *sessao_);
    int ordem = 0;
    for (const char* bloco : {"0", "C", "E", "9"}) {
      int id = blocos->Incluir(1, std::string("Bloco ") + bloco, "", ++ordem);
      for (const char* codigo : {"0T02", "0T01", "CT01", "ET01"})  // out of family order on purpose
        if (codigo[0] == bloco[0])
          tipos->Incluir(id, std::string("Registro ") + codigo, std::string("RegistroEFD") + codigo,
                         2, true, "", "");
    }
    sessao_->ConfirmarImplicita();
  }

  std::shared_ptr<Th5EFD> NovoCabecalho(const std::string& modelo, int filial, TDateTime inicio) {
    auto efd = Aplicacao().CriarComo<Th5EFD>("EFD", *sessao_);
    efd->SetModeloEFD(modelo);
    efd->GetDados().Isolar(0, "VsEDC01");
    efd->IncluirRegistro();
    efd->Campo("EFD_IDF_Filial").SetAsInteger(filial);
    efd->Campo("EFD_DataInicio").SetAsDateTime(inicio);
    return efd;
  }

  int Contar(const std::string& sql) { return sessao_->Consultar(sql).linhas[0][0].AsInteger(); }

  std::unique_ptr<TxsSessionZ8> sessao_;
};

TEST(PeriodoPadrao, EhOMesAnteriorAoDeHoje) {
  auto data = [](int a, int m, int d) { return TDateTime::EncodeDate(a, m, d); };
  EXPECT_EQ(InicioDoMesAnterior(data(2024, 3, 15)), data(2024, 2, 1));
  EXPECT_EQ(UltimoDiaDoMes(data(2024, 2, 1)), data(2024, 2, 29));
  EXPECT_EQ(UltimoDiaDoMes(data(2023, 2, 1)), data(2023, 2, 28));
  EXPECT_EQ(InicioDoMesAnterior(data(2024, 1, 10)), data(2023, 12, 1));
  EXPECT_EQ(InicioDoMesAnterior(data(2024, 3, 1)), data(2024, 2, 1));
}

TEST_P(EFDTeste, NovoCabecalhoRecebePadroesDoModelo) {
  auto icms = NovoCabecalho("1", 10, TDateTime::EncodeDate(2024, 2, 1));
  EXPECT_EQ(icms->Campo("EFD_DataFim").AsDateTime(), TDateTime::EncodeDate(2024, 2, 29));
  EXPECT_EQ(icms->Campo("EFD_IndPerfilFis").AsString(), "A");
  EXPECT_EQ(icms->Campo("EFD_LayOutBlocoK").AsString(), "2");
  EXPECT_EQ(icms->Campo("EFD_CodFinArq").AsString(), "0");
  EXPECT_EQ(icms->Campo("EFD_IDF_Empresa").AsInteger(), 1);
  EXPECT_TRUE(icms->Campo("EFD_IndSitEsp").IsNull());

  auto pis = NovoCabecalho("2", 10, TDateTime::EncodeDate(2024, 2, 1));
  EXPECT_EQ(pis->Campo("EFD_IndSitEsp").AsString(), "9");
  EXPECT_EQ(pis->Campo("EFD_TipoGeracao").AsString(), "2");
  EXPECT_TRUE(pis->Campo("EFD_LayOutBlocoK").IsNull());

  // A model that is not a number takes neither model's defaults.
  auto nenhum = NovoCabecalho("x", 10, TDateTime::EncodeDate(2024, 2, 1));
  EXPECT_TRUE(nenhum->Campo("EFD_IndPerfilFis").IsNull());
  EXPECT_TRUE(nenhum->Campo("EFD_IndSitEsp").IsNull());
}

TEST_P(EFDTeste, TresFiliaisGeramTresCabecalhos) {
  auto efd = NovoCabecalho("1", 0, TDateTime::EncodeDate(2024, 3, 1));
  efd->SetFiliaisSelecionadas("10,20,30");
  efd->ConfirmarRegistro();
  efd->Confirmar();
  EXPECT_EQ(sessao_->Valor("RegistrosGerados"), "3");
  TxbResultado r = sessao_->Consultar(
      "SELECT IDF_FILIAL, DATAINICIO, DATAFIM, INDPERFILFIS FROM Z8_EFD ORDER BY IDF_FILIAL");
  ASSERT_EQ(r.linhas.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(r.linhas[i][0].AsInteger(), static_cast<int>(10 * (i + 1)));
    EXPECT_EQ(r.linhas[i][1].AsDateTime(), TDateTime::EncodeDate(2024, 3, 1));
    EXPECT_EQ(r.linhas[i][2].AsDateTime(), TDateTime::EncodeDate(2024, 3, 31));
    EXPECT_EQ(r.linhas[i][3].AsString(), "A");
  }
}

TEST_P(EFDTeste, Opcao5MantemOAnteriorEDescartaONovo) {
  CriarCatalogo();
  auto anterior = NovoCabecalho("1", 10, TDateTime::EncodeDate(2024, 3, 1));
  anterior->Confirmar();
  auto novo = NovoCabecalho("1", 10, TDateTime::EncodeDate(2024, 3, 1));
  novo->SetbOpcaoGeracao(5);
  novo->Confirmar();
  EXPECT_EQ(sessao_->Valor("RegistrosGerados"), "0");
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_EFD"), 1);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_BLOCOSEFD"), 4);  // only the first generation's
}

TEST_P(EFDTeste, Opcao6ExcluiAsGeracoesAnterioresComSuasLinhas) {
  CriarCatalogo();
  for (int i = 0; i < 2; ++i)
    NovoCabecalho("1", 10, TDateTime::EncodeDate(2024, 3, 1))->Confirmar();
  ASSERT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD0T01"), 2);
  auto novo = NovoCabecalho("1", 10, TDateTime::EncodeDate(2024, 3, 1));
  novo->SetbOpcaoGeracao(6);
  novo->Confirmar();
  const int id = novo->Campo("EFD_ID").AsInteger();
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_EFD"), 1);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_EFD WHERE ID = " + std::to_string(id)), 1);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD0T01"), 1);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD"), 4);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_BLOCOSEFD"), 4);
}

TEST_P(EFDTeste, PisCofinsGeraUmaVezEGuardaZero) {
  NovoCabecalho("2", 10, TDateTime::EncodeDate(2024, 3, 1))->Confirmar();
  EXPECT_EQ(sessao_->Valor("RegistrosGerados"), "0");
}

TEST_P(EFDTeste, DriverChamaGeradoresEEscritoresNaOrdemDoCatalogo) {
  CriarCatalogo();
  auto efd = NovoCabecalho("1", 10, TDateTime::EncodeDate(2024, 3, 1));
  efd->Confirmar();
  EXPECT_EQ(g_chamadas, (std::vector<std::string>{"G0T01", "G0T02", "GCT01", "GET01"}));

  g_chamadas.clear();
  const std::string caminho = teste::DiretorioTemporario() + "/efd.txt";
  auto registros = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistrosEFD", *sessao_);
  registros->GerarArquivos(efd->Campo("EFD_ID").AsInteger(), caminho);
  EXPECT_EQ(g_chamadas, (std::vector<std::string>{"A0T01", "A0T02", "ACT01", "AET01"}));

  std::ifstream in(caminho, std::ios::binary);
  std::stringstream conteudo;
  conteudo << in.rdbuf();
  // Block 0 and E are closed from their counters; block C too (from outside
  // the module); block 9 has no writer here. Text is ISO-8859-1 with CRLF.
  EXPECT_EQ(conteudo.str(),
            "|0001|0|\r\n|0T01|A\xE7\xE3o|\r\n|0T02|A\xE7\xE3o|\r\n|0990|4|\r\n"
            "|C001|0|\r\n|CT01|A\xE7\xE3o|\r\n|C990|3|\r\n"
            "|E001|0|\r\n|ET01|A\xE7\xE3o|\r\n|E990|3|\r\n");
  EXPECT_EQ(sessao_->Valor("QtdeLinhasBloco_C"), "3");
}

TEST_P(EFDTeste, RegistroGeradoDeNovoSubstituiSoAsSuasLinhasDaGeracao) {
  CriarCatalogo();
  auto efd = NovoCabecalho("1", 10, TDateTime::EncodeDate(2024, 3, 1));
  efd->Confirmar();
  NovoCabecalho("1", 11, TDateTime::EncodeDate(2024, 3, 1))->Confirmar();
  const int id = efd->Campo("EFD_ID").AsInteger();
  TxbResultado r = sessao_->Consultar(
      "SELECT B.IDF_TIPOREGEFD, B.IDF_BLOCOSEFD FROM Z8_REGEFD B INNER JOIN Z8_BLOCOSEFD C ON "
      "C.ID = B.IDF_BLOCOSEFD WHERE C.IDF_EFD = :ID AND B.REGISTRO = '0T01'",
      {{"ID", id}});
  ASSERT_EQ(r.linhas.size(), 1u);
  auto registro = Aplicacao().CriarComo<TRegistroTeste>("RegistroEFD0T01", *sessao_);
  std::shared_ptr<ThbObjetoNegocio> nenhum;
  registro->INTERNO_GerarRegistro(id, r.linhas[0][0].AsInteger(), r.linhas[0][1].AsInteger(), "",
                                  nenhum);
  // One row of 0T01 per generation still, the other branch's untouched.
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD0T01"), 2);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD WHERE REGISTRO = '0T01'"), 2);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD"), 8);
}

TEST_P(EFDTeste, GeracaoQueFalhaNaoDeixaLinhas) {
  CriarCatalogo();
  g_registro_falho = "CT01";
  auto efd = NovoCabecalho("1", 10, TDateTime::EncodeDate(2024, 3, 1));
  EXPECT_THROW(efd->Confirmar(), EErro);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD"), 0);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_BLOCOSEFD"), 0);

  // What registers of the failed generation kept in the session (its block-0
  // row, here) does not reach the next generation.
  sessao_->DefinirValor("ID_Bloco0", "999");
  g_registro_falho.clear();
  NovoCabecalho("1", 10, TDateTime::EncodeDate(2024, 3, 1))->Confirmar();
  EXPECT_EQ(sessao_->Valor("ID_Bloco0"), "");
}

INSTANTIATE_TEST_SUITE_P(Bancos, EFDTeste, ::testing::ValuesIn(teste::MotoresDeTeste()));

TEST(RegistrosEFD, AcertarELimparConteudo) {
  RegistrarModulo();
  Th5RegistrosEFD r;
  EXPECT_EQ(r.AcertarConteudo("1,5", 4, "N", 1), "0015");
  EXPECT_EQ(r.AcertarConteudo("", 9, "N", 0), "000000000");
  EXPECT_EQ(r.AcertarConteudo("  AB  ", 4, "S", 0), "AB  ");
  EXPECT_EQ(r.AcertarConteudo("ABCDEFGHIJ", 4, "S", 0), "ABCDEFGHIJ");
  EXPECT_EQ(r.AcertarConteudo("12.345.678/0001-95", 14, "N", 0), "12345678000195");
  EXPECT_EQ(r.AcertarConteudo("1234567", 14, "N", 0), "00000001234567");
  EXPECT_THROW(r.AcertarConteudo("abc", 4, "N", 2), EConversao);
  EXPECT_EQ(r.LimparConteudo(" 12.345.678/0001-95 "), "12345678000195");
  EXPECT_EQ(r.LimparConteudo("(11) 3333-4444"), "1133334444");
}

TEST(ArquivoEFD, CaractereForaDoLatin1NomeiaRegistroECampoENaoDeixaArquivo) {
  const std::string pasta = teste::DiretorioTemporario() + "/latin1";
  std::filesystem::create_directory(pasta);
  {
    TxbArquivoEFD arquivo(pasta + "/x.txt");
    arquivo.Escrever("|0000|017|\r\n");
    const std::string erro = teste::Mensagem<EErro>(
        [&] { arquivo.Escrever("|0150|P1|Caf\xC3\xA9 \xE2\x82\xAC|\r\n"); });  // the euro sign
    EXPECT_NE(erro.find("Registro 0150, campo 2"), std::string::npos) << erro;
  }
  for (const auto& f : std::filesystem::directory_iterator(pasta)) ADD_FAILURE() << f.path();
}

}  // namespace
}  // namespace efd
