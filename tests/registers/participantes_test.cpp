// Participants (0150) and their registration changes (0175), inserted during
// a generation as the document generators insert them, on every engine.
#include "framework/xberros.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/block0/uh5registroefd0460.h"
#include "tests/registers/bloco0_teste.h"

namespace efd::teste {
namespace {

// Functions, not constants: dates are not to be made before main.
TDateTime Marco() {
  return TDateTime::EncodeDate(2024, 3, 1);
}
TDateTime FimMarco() {
  return TDateTime::EncodeDate(2024, 3, 31);
}
const std::string kTodos = "RegistroEFD0150=1\r\nRegistroEFD0175=1\r\n";

// A document's participant: the data the generators pass, with defaults.
struct TPart {
  int ident = 101;
  std::string codigo = "0000200001";
  std::string nome = "Mercado Bom Preço Ltda";
  std::string pais = "1058";
  std::string documento = "11222333000181";
  std::string ie = "110.042.490.114";
  std::string municipio = "3550308";
  std::string logradouro = "Rua Nova";
  std::string numero = "100";
  int id_0140 = 0;
};

class Participantes : public TBloco0 {
 protected:
  std::shared_ptr<Th5RegistroEFD0150> Registro(TxsSessionZ8& sessao) {
    auto r = Aplicacao().CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", sessao);
    objetos_.push_back(r);
    return r;
  }
  // Inserts and returns the row; codigo gets the code to write.
  static int Incluir(Th5RegistroEFD0150& r, int id_efd, const TPart& p, std::string& codigo,
                     const std::string& registros = kTodos, bool so_consulta = false) {
    codigo = p.codigo;
    return r.IncluirNovo(id_efd, 0, registros, p.ident, codigo, p.nome, p.pais, p.documento, p.ie,
                         p.municipio, "", p.logradouro, p.numero, "Sala 1", "Centro", Marco(),
                         FimMarco(), so_consulta, p.id_0140);
  }
  void TearDown() override {
    for (auto& o : objetos_) Aplicacao().Destruir(o);
    TBloco0::TearDown();
  }
  std::vector<std::shared_ptr<ThbObjetoNegocio>> objetos_;
};

TEST_P(Participantes, UmaLinhaPorCodigoEEnderecoELetrasParaOutrosEnderecos) {
  std::vector<std::string> codigos;
  std::vector<int> ids;
  const auto a = Gerar(1, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    auto r = Registro(sessao);
    TPart p;
    p.ident = 999;  // no changes
    std::string codigo;
    auto incluir = [&](const TPart& q, bool so_consulta = false) {
      ids.push_back(Incluir(*r, id_efd, q, codigo, kTodos, so_consulta));
      codigos.push_back(codigo);
    };
    incluir(p);
    incluir(p);  // the same document data again
    TPart outra = p;
    outra.logradouro = "Avenida Brasil";
    incluir(outra);
    TPart terceira = p;
    terceira.numero = "200";
    incluir(terceira);
    incluir(outra);  // the second address again
    // A look-up resolves the code of a fourth address and inserts nothing.
    TPart quarta = p;
    quarta.logradouro = "Rua Quatro";
    incluir(quarta, true);
    // The street is compared on its first 60 characters, trimmed.
    TPart longa = p;
    longa.logradouro = "  " + std::string(60, 'R') + "X";
    incluir(longa);
    longa.logradouro = std::string(60, 'R') + "Y";
    incluir(longa);
    // A CPF is compared instead of the name; without a document, the name.
    TPart pessoa = p;
    pessoa.codigo = "0000300001";
    pessoa.documento = "12345678909";
    incluir(pessoa);
    pessoa.nome = "Outro nome";
    incluir(pessoa);
    TPart sem_documento = p;
    sem_documento.codigo = "0000400001";
    sem_documento.documento = "";
    incluir(sem_documento);
    sem_documento.nome = "Outro nome";
    incluir(sem_documento);
    // A code ending in a letter keeps its text at another address; the same
    // code under another establishment is another participant.
    TPart letra = p;
    letra.codigo = "CLI-X";
    incluir(letra);
    letra.logradouro = "Rua Oeste";
    incluir(letra);
    TPart estabelecimento = p;
    estabelecimento.id_0140 = 7;
    incluir(estabelecimento);
  });
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  ASSERT_EQ(ids.size(), 15u);
  EXPECT_EQ(ids[1], ids[0]);
  EXPECT_EQ(ids[4], ids[2]);
  EXPECT_EQ(ids[5], 0);
  EXPECT_EQ(ids[7], ids[6]);
  EXPECT_EQ(ids[9], ids[8]);
  EXPECT_NE(ids[11], ids[10]);
  EXPECT_NE(ids[14], ids[0]);
  EXPECT_EQ(codigos, (std::vector<std::string>{
                         "0000200001", "0000200001", "0000200001A", "0000200001B", "0000200001A",
                         "0000200001C", "0000200001C", "0000200001C", "0000300001", "0000300001",
                         "0000400001", "0000400001A", "CLI-X", "CLI-X", "0000200001"}));
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD0150"), 10);
  const auto linhas = Linhas(a, "0150");
  ASSERT_EQ(linhas.size(), 10u);
  EXPECT_EQ(linhas[0], Latin1("|0150|0000200001|Mercado Bom Preço Ltda|01058|11222333000181||"
                              "110042490114|3550308||Rua Nova|100|Sala 1|Centro|"));
  EXPECT_EQ(linhas[3].substr(0, 19), "|0150|0000200001C|M");
}

TEST_P(Participantes, CamposIsentoExteriorEMunicipio) {
  const auto a = Gerar(1, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    auto r = Registro(sessao);
    std::string codigo;
    TPart isento;
    isento.ident = 999;
    isento.codigo = "1";
    isento.ie = " isento ";
    isento.municipio = "0000000";
    Incluir(*r, id_efd, isento, codigo);
    TPart exterior;
    exterior.ident = 999;
    exterior.codigo = "2";
    exterior.pais = "639";
    exterior.documento = "30-71234567-9";
    exterior.ie = "";
    exterior.municipio = "";
    Incluir(*r, id_efd, exterior, codigo);
    TPart cpf;
    cpf.ident = 999;
    cpf.codigo = "3";
    cpf.pais = "01058";
    cpf.documento = "12345678909";
    cpf.ie = "";
    cpf.municipio = "355030";  // six digits are zero-filled
    Incluir(*r, id_efd, cpf, codigo);
  });
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  const auto linhas = Linhas(a, "0150");
  ASSERT_EQ(linhas.size(), 3u);
  EXPECT_EQ(linhas[0], Latin1("|0150|1|Mercado Bom Preço Ltda|01058|11222333000181||||"
                              "|Rua Nova|100|Sala 1|Centro|"));
  EXPECT_EQ(linhas[1], Latin1("|0150|2|Mercado Bom Preço Ltda|00639||||||Rua Nova|100|Sala 1|"
                              "Centro|"));
  EXPECT_EQ(linhas[2], Latin1("|0150|3|Mercado Bom Preço Ltda|01058||12345678909||0355030|"
                              "|Rua Nova|100|Sala 1|Centro|"));
}

TEST_P(Participantes, AlteracoesDoPeriodoLogoAbaixoDoParticipante) {
  const auto a = Gerar(1, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    auto r = Registro(sessao);
    std::string codigo;
    TPart brasil;
    Incluir(*r, id_efd, brasil, codigo);
    TPart exterior;
    exterior.ident = 102;
    exterior.codigo = "0000200002";
    exterior.pais = "639";
    Incluir(*r, id_efd, exterior, codigo);
    // Met again: its changes are not repeated.
    Incluir(*r, id_efd, brasil, codigo);
    // The same participant at another address gets them again, under it.
    TPart outra = brasil;
    outra.logradouro = "Avenida Brasil";
    Incluir(*r, id_efd, outra, codigo);
    TPart vazio;
    vazio.ident = 103;
    vazio.codigo = "0000200003";
    Incluir(*r, id_efd, vazio, codigo);
    // Without 0175 among the registers, no changes.
    TPart sem_0175 = vazio;
    sem_0175.ident = 101;
    sem_0175.codigo = "0000200004";
    Incluir(*r, id_efd, sem_0175, codigo, "RegistroEFD0150=1\r\nRegistroEFD0175=0\r\n");
    // Without 0150, nothing at all.
    TPart sem_0150 = sem_0175;
    sem_0150.codigo = "0000200005";
    EXPECT_EQ(Incluir(*r, id_efd, sem_0150, codigo, "RegistroEFD0175=1\r\n"), 0);
  });
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  // Street ("7") and number ("8") of 05/03, the CNPJ of 20/03 as digits; not
  // the change before the month, the state registration ("4") nor the
  // previous name holding "isento" in lower case.
  const std::vector<std::string> alteracoes_101 = {"|0175|05032024|10|Rua Antiga do Com\xE9rcio|",
                                                   "|0175|05032024|11|12|",
                                                   "|0175|20032024|05|12345678000995|"};
  std::vector<std::string> esperado = {Linhas(a, "0150")[0]};
  esperado.insert(esperado.end(), alteracoes_101.begin(), alteracoes_101.end());
  // Abroad: no CNPJ change; the complement ("9") is field 12.
  esperado.push_back(Linhas(a, "0150")[1]);
  esperado.push_back("|0175|04032024|12|Piso 2|");
  esperado.push_back(Linhas(a, "0150")[2]);
  esperado.insert(esperado.end(), alteracoes_101.begin(), alteracoes_101.end());
  esperado.push_back(Linhas(a, "0150")[3]);
  esperado.push_back(Latin1("|0175|31032024|12|Conteúdo Inexistente|"));
  esperado.push_back(Linhas(a, "0150")[4]);
  EXPECT_EQ(Trecho(a, "0150", {"0175"}), esperado);
  EXPECT_EQ(Linhas(a, "0150").size(), 5u);
  EXPECT_EQ(Linhas(a, "0150")[2].substr(0, 18), "|0150|0000200001A|");
}

TEST_P(Participantes, FormaAntigaConsultaOBancoELeAsAlteracoesPeloObjeto) {
  std::vector<int> ids;
  std::vector<std::string> codigos;
  const auto a = Gerar(1, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    auto r = Registro(sessao);
    auto incluir = [&](const std::string& logradouro, const std::string& cnpj,
                       const std::string& cpf) {
      std::string codigo = "0000200001";
      ids.push_back(r->Incluir(id_efd, 0, kTodos, 101, codigo, "Mercado", "1058", cnpj, cpf,
                               "ISENTO", "3550308", "", logradouro, "100", "", "", Marco(),
                               FimMarco(), 0, false));
      codigos.push_back(codigo);
    };
    incluir("Rua Nova", "11222333000181", "");
    incluir("Rua Nova", "11222333000181", "");
    incluir("Rua Velha", "11222333000181", "");
    // Rows of the newer form are found too, and the other way round.
    std::string codigo = "0000200001";
    ids.push_back(r->IncluirNovo(id_efd, 0, kTodos, 101, codigo, "Mercado", "1058",
                                 "11222333000181", "", "3550308", "", "Rua Velha", "100", "", "",
                                 Marco(), FimMarco(), false, 0));
    codigos.push_back(codigo);
  });
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  ASSERT_EQ(ids.size(), 4u);
  EXPECT_EQ(ids[1], ids[0]);
  EXPECT_NE(ids[2], ids[0]);
  EXPECT_EQ(ids[3], ids[2]);
  EXPECT_EQ(codigos,
            (std::vector<std::string>{"0000200001", "0000200001", "0000200001A", "0000200001A"}));
  EXPECT_EQ(Linhas(a, "0150").size(), 2u);
  EXPECT_EQ(Linhas(a, "0175").size(), 6u);
  EXPECT_EQ(Linhas(a, "0150")[0],
            "|0150|0000200001|Mercado|01058|11222333000181|||3550308||Rua Nova|100|||");
}

TEST_P(Participantes, NoModeloPisCofinsO0150NaoEscreveNada) {
  const auto a = Gerar(2, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    std::string codigo;
    EXPECT_GT(Incluir(*Registro(sessao), id_efd, TPart{}, codigo), 0);
  });
  EXPECT_TRUE(Linhas(a, "0150").empty());
  EXPECT_TRUE(Linhas(a, "0175").empty());
}

TEST_P(Participantes, SemBloco0NaoHaComoIncluir) {
  auto r = Registro(*sessao_);
  std::string codigo;
  EXPECT_EQ(teste::Mensagem<EErro>([&] { Incluir(*r, 999999, TPart{}, codigo); }),
            "ID bloco 0 inválido na inclusão do registro 0150! ");
}

// The caches of a generation live until block 9's generator ends it: the
// next generation reads its own period.
TEST_P(Participantes, AsCachesDaGeracaoTerminamComElaEANovaGeracaoLeSeuPeriodo) {
  auto empresa = [&] { return sessao_->ObjetoEmpresaSessao(false); };
  const std::vector<std::string> nomes = {
      "ID_Bloco0",         "IDF_Registro_0150", "IDF_Registro_0175",   "IDF_Registro_0200",
      "IDF_Registro_0205", "IDF_Registro_0460", "CODIGO_Registro_0460"};
  std::vector<std::string> durante;
  auto insercoes = [&](TDateTime inicio, TDateTime fim) {
    return [&, inicio, fim](TxsSessionZ8& sessao, int id_efd) {
      std::string codigo = "0000200001";
      Registro(sessao)->IncluirNovo(id_efd, 0, kTodos, 101, codigo, "Mercado", "1058", "", "", "",
                                    "", "Rua Nova", "1", "", "", inicio, fim, false, 0);
      auto itens = Aplicacao().CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", sessao);
      objetos_.push_back(itens);
      std::string unidade;
      itens->IncluirNovo(id_efd, 0, "P10001", 70, "Arroz", "", "", "A", unidade, "10063021", "",
                         "10", "", "", 0, inicio, fim, 0, 0);
      auto obs = Aplicacao().CriarComo<Th5RegistroEFD0460>("RegistroEFD0460", sessao);
      objetos_.push_back(obs);
      obs->Incluir(id_efd, 0, 0, "Observação", 0);
      durante.clear();
      for (const auto& n : nomes)
        if (!sessao.Valor(n).empty()) durante.push_back(n);
      EXPECT_TRUE(empresa() && empresa()->RetornarInstanciaAgregada("OcoAlteracaoIdent"));
      EXPECT_TRUE(empresa() && empresa()->RetornarInstanciaAgregada("OcoAltProduto"));
    };
  };
  const auto marco = Gerar(1, 2024, 3, insercoes(Marco(), FimMarco()));
  EXPECT_EQ(durante, nomes);
  for (const auto& n : nomes) EXPECT_EQ(sessao_->Valor(n), "") << n;
  ASSERT_TRUE(empresa());
  EXPECT_FALSE(empresa()->RetornarInstanciaAgregada("OcoAlteracaoIdent"));
  EXPECT_FALSE(empresa()->RetornarInstanciaAgregada("OcoAltProduto"));
  EXPECT_EQ(Linhas(marco, "0175").size(), 3u);
  EXPECT_EQ(Linhas(marco, "0205").size(), 1u);
  EXPECT_EQ(Linhas(marco, "0460"), std::vector<std::string>{Latin1("|0460|1|Observação|")});

  // April: the district change of 02/04 only, and observation codes from 1.
  const auto abril = Gerar(
      1, 2024, 4, insercoes(TDateTime::EncodeDate(2024, 4, 1), TDateTime::EncodeDate(2024, 4, 30)));
  EXPECT_TRUE(abril.problemas.empty()) << ::testing::PrintToString(abril.problemas);
  EXPECT_EQ(Linhas(abril, "0175"),
            std::vector<std::string>{Latin1("|0175|02042024|13|Vila Operária|")});
  EXPECT_TRUE(Linhas(abril, "0205").empty());
  EXPECT_EQ(Linhas(abril, "0460"), std::vector<std::string>{Latin1("|0460|1|Observação|")});
}

INSTANTIATE_TEST_SUITE_P(Motores, Participantes, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
