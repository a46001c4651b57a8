// The first complete file: block 0 of a branch without documents, every
// other required block empty, and block 9 agreeing with the file, on every
// engine available.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <fstream>
#include <sstream>

#include "app/banco.h"
#include "app/geracao.h"
#include "control/catalogo.h"
#include "control/uh5registroefd0000.h"
#include "control/uh5registroefd9900.h"
#include "control/verificadorefd.h"
#include "erp/carregador.h"
#include "framework/xbaplicacao.h"
#include "tests/testutil.h"

namespace efd {
namespace {

// A branch (10) of a company in São Paulo, without trade name, with two ICMS
// settings for RJ and one for MG, and a legal person as its accountant.
std::string Fixture(const std::string& cnpj) {
  return fmt::format(R"({{
  "KLVG_PAIS": [{{"ID": 1, "NOME": "Brasil", "CODIGOBACEN": "1058"}}],
  "KLVG_UF": [{{"ID": 1, "SIGLA": "SP", "NOME": "São Paulo", "IDF_PAIS": 1}},
              {{"ID": 2, "SIGLA": "RJ", "NOME": "Rio de Janeiro", "IDF_PAIS": 1}},
              {{"ID": 3, "SIGLA": "MG", "NOME": "Minas Gerais", "IDF_PAIS": 1}}],
  "KLVG_CID": [{{"ID": 1, "NOME": "São Paulo", "GEOCODIGO": "3550308", "IDF_UF": 1}},
               {{"ID": 2, "NOME": "Campinas", "GEOCODIGO": "3509502", "IDF_UF": 1}}],
  "KLVG_ENDER": [{{"ID": 1, "CEP": "01310-100", "LOGRADOURO": "Avenida Paulista", "BAIRRO": "Bela Vista", "IDF_CID": 1}},
                 {{"ID": 2, "CEP": "13010-000", "LOGRADOURO": "Rua Barão de Jaguara", "BAIRRO": "Centro", "IDF_CID": 2}}],
  "KLVG_IDENT": [{{"ID": 5, "FD": "PessoaJuridica", "CODIGO": "E1", "NOME": "Açúcar & Cia Ltda", "FANTASIA": null,
                  "IDF_ENDER": 1, "NUMERO": "1000", "COMPLEMENTO": "10º andar", "TELEFONEPADRAO": "(11) 3333-4444",
                  "IDF_PAIS": 1, "IDIDENTFIL": 5}},
                 {{"ID": 6, "FD": "PessoaJuridica", "CODIGO": "C1", "NOME": "Contábil Exata S/S", "IDF_ENDER": 2,
                  "NUMERO": "55", "TELEFONEPADRAO": "19 3222-1000", "IDF_PAIS": 1}}],
  "KLVG_PESJUR": [{{"ID": 5, "IDA": 5, "CNPJ": "{}", "IE": "123.456.789.110", "IM": "1.234.567-8"}},
                  {{"ID": 6, "IDA": 6, "CNPJ": "98.765.432/0001-98"}}],
  "KLVG_PAPELREL": [{{"ID": 7, "IDF_IDENT": 5, "PAPEL": "FIL"}}],
  "Z8_EMPRESA": [{{"ID": 1, "CODIGO": "1", "NOME": "Açúcar & Cia", "IDF_IDENT": 5}}],
  "Z8_FILIAL": [{{"ID": 10, "IDF_EMPRESA": 1, "CODIGO": "1", "NOME": "Matriz", "IDF_PAPELREL": 7,
                 "IDF_CONTADOR": 6, "CRCCONTADOR": "2SP-012345/O-6"}}],
  "Z8_TRIBUFICMS": [{{"ID": 20, "IDF_FILIAL": 10, "IDF_UF": 2, "DATAFINAL": "2099-12-31", "INATIVO": false}},
                    {{"ID": 21, "IDF_FILIAL": 10, "IDF_UF": 2, "DATAFINAL": "2099-12-31", "INSCICMSSTDIFAL": "77889900"}},
                    {{"ID": 22, "IDF_FILIAL": 10, "IDF_UF": 3, "DATAFINAL": "2099-12-31"}},
                    {{"ID": 23, "IDF_FILIAL": 10, "IDF_UF": 3, "DATAFINAL": "2000-12-31", "INSCICMSSTDIFAL": "1"}}],
  "Z8_PERCSUBSTR": [{{"ID": 30, "IDF_TRIBUFICMS": 20, "INSCRICAO": "11223344"}},
                    {{"ID": 31, "IDF_TRIBUFICMS": 22, "INSCRICAO": "0012345678"}}]
}})",
                     cnpj);
}

class PrimeiroArquivo : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!teste::MotorDisponivel(GetParam())) GTEST_SKIP() << GetParam() << " indisponível";
    sessao_ = app::AbrirBanco(teste::NovaUrl(GetParam()));
    CarregarCatalogo(*sessao_);
  }

  void Carregar(const std::string& cnpj = "12.345.678/0001-95") {
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(Fixture(cnpj));
  }

  // Generates one file and returns its lines (as written, ISO-8859-1) and
  // checks its totals.
  std::vector<std::string> Gerar(int modelo, int ano, int mes) {
    app::OpcoesGeracao o;
    o.modelo = modelo;
    o.filiais = {10};
    o.inicio = TDateTime::EncodeDate(ano, mes, 1);
    o.saida = teste::DiretorioTemporario();
    auto arquivos = app::Gerar(*sessao_, o);
    EXPECT_EQ(arquivos.size(), 1u);
    EXPECT_TRUE(arquivos[0].resumo.problemas.empty())
        << ::testing::PrintToString(arquivos[0].resumo.problemas);
    id_efd_ = arquivos[0].id_efd;
    std::ifstream in(arquivos[0].caminho, std::ios::binary);
    std::vector<std::string> linhas;
    for (std::string l; std::getline(in, l);) linhas.push_back(l.substr(0, l.size() - 1));
    return linhas;
  }

  static bool Tem(const std::vector<std::string>& linhas, const std::string& linha) {
    return std::find(linhas.begin(), linhas.end(), linha) != linhas.end();
  }

  std::unique_ptr<TxsSessionZ8> sessao_;
  int id_efd_ = 0;
};

TEST_P(PrimeiroArquivo, IcmsIpiDeUmaFilialSemDocumentos) {
  Carregar();
  std::vector<std::string> mensagens;
  sessao_->SetProgresso([&](const std::string& m) { mensagens.push_back(m); });
  const auto linhas = Gerar(1, 2024, 3);
  EXPECT_NE(std::find(mensagens.begin(), mensagens.end(), "RegistroEFD [0000]"), mensagens.end());
  const std::vector<std::string> esperado = {
      "|0000|018|0|01032024|31032024|A\xE7\xFA"
      "car & Cia Ltda|12345678000195||SP|123456789110|3550308|12345678|000000000|A|0|",
      "|0001|0|",
      // No trade name: the company name; CEP and phone as digits.
      "|0005|A\xE7\xFA"
      "car & Cia Ltda|01310100|Avenida Paulista|1000|10\xBA andar|Bela Vista|1133334444|||",
      // Two settings of RJ give one line; the first registration found wins.
      "|0015|RJ|11223344|", "|0015|MG|0012345678|",
      // A legal person as accountant: CPF empty, CNPJ filled.
      "|0100|Cont\xE1"
      "bil Exata S/S||98765432000198|2SP012345O6|13010000|Rua Bar\xE3"
      "o de Jaguara|55||Centro|1932221000|||3509502|",
      "|0990|7|", "|B001|1|", "|B990|2|", "|C001|1|", "|C990|2|", "|D001|1|", "|D990|2|",
      "|E001|1|", "|E990|2|", "|G001|1|", "|G990|2|", "|H001|1|", "|H990|2|", "|K001|1|",
      "|K990|2|", "|1001|1|", "|1990|2|", "|9001|0|"};
  ASSERT_GE(linhas.size(), esperado.size());
  for (size_t i = 0; i < esperado.size(); ++i)
    EXPECT_EQ(linhas[i], esperado[i]) << "linha " << i + 1;
  EXPECT_TRUE(Tem(linhas, "|9900|0015|2|"));
  EXPECT_TRUE(Tem(linhas, "|9900|B001|1|"));
  for (const auto& l : linhas) EXPECT_NE(l.substr(0, 11), "|9900|0500|");  // no rows, no line
  EXPECT_FALSE(Tem(linhas, "|9900|K010|1|"));
  EXPECT_EQ(linhas.back(), fmt::format("|9999|{}|", linhas.size()));
}

TEST_P(PrimeiroArquivo, PisCofinsAbreOBlocoZeroPelo0100) {
  Carregar("1234567");
  const auto linhas = Gerar(2, 2024, 3);
  ASSERT_GE(linhas.size(), 4u);
  // 14 fields; IND_SIT_ESP and NUM_REC_ANTERIOR empty; IND_NAT_PJ "0" + the
  // stored value; a short number zero-filled is still a CNPJ.
  EXPECT_EQ(linhas[0],
            "|0000|018|0|||01032024|31032024|A\xE7\xFA"
            "car & Cia Ltda|00000001234567|SP|3550308|000000000|0|0|");
  EXPECT_EQ(linhas[1], "|0001|0|");
  EXPECT_EQ(linhas[2].substr(0, 6), "|0100|");
  EXPECT_EQ(linhas[3], "|0990|4|");
  for (const char* bloco : {"A", "C", "D", "F", "I", "M", "P", "1"})
    EXPECT_TRUE(Tem(linhas, fmt::format("|{}001|1|", bloco))) << bloco;
  EXPECT_FALSE(Tem(linhas, "|E001|1|"));
  EXPECT_FALSE(Tem(linhas, "|0005|"));
}

TEST_P(PrimeiroArquivo, BlocoBSoDesde2019) {
  Carregar();
  EXPECT_FALSE(Tem(Gerar(1, 2018, 12), "|B001|1|"));
  EXPECT_TRUE(Tem(Gerar(1, 2019, 1), "|B001|1|"));
}

TEST_P(PrimeiroArquivo, Bloco9ContaOsBlocosPeloPeriodo) {
  Carregar();
  Gerar(1, 2018, 6);
  auto bloco9 = Aplicacao().CriarComo<Th5RegistroEFD9900>("RegistroEFD9900", *sessao_);
  auto contar = [&](const std::string& valor_b, const std::string& valor_k) {
    sessao_->DefinirValor("QtdeLinhasBloco_0", "3");
    sessao_->DefinirValor("QtdeLinhasBloco_B", valor_b);
    sessao_->DefinirValor("QtdeLinhasBloco_K", valor_k);
    return bloco9->GerarArquivo(id_efd_);
  };
  // A B counter in 2018 is not counted, not even in 9999.
  std::string texto = contar("2", "");
  EXPECT_EQ(texto.find("|9900|B001|"), std::string::npos);
  EXPECT_NE(texto.find("|9900|0000|1|"), std::string::npos);

  sessao_->ExecutarDiretoNoBD("UPDATE Z8_EFD SET DATAINICIO = '2023-01-01 00:00:00' WHERE ID = " +
                              std::to_string(id_efd_));
  EXPECT_NE(contar("2", "3").find("|9900|K010|1|"), std::string::npos);
  EXPECT_EQ(contar("2", "2").find("|9900|K010|1|"), std::string::npos);
  EXPECT_NE(contar("2", "2").find("|9900|B001|1|"), std::string::npos);
  // A counter of those read strictly must be a number.
  EXPECT_THROW(contar("", "x"), EErro);
}

INSTANTIATE_TEST_SUITE_P(Bancos, PrimeiroArquivo, ::testing::ValuesIn(teste::MotoresDeTeste()));

TEST(VersaoLeiaute, PorAnoDoInicio) {
  auto v = [](int ano, int mes) { return VersaoLeiaute(TDateTime::EncodeDate(ano, mes, 1)); };
  EXPECT_EQ(v(2008, 12), "");
  EXPECT_EQ(v(2009, 1), "002");
  EXPECT_EQ(v(2011, 12), "004");
  EXPECT_EQ(v(2012, 6), "005");
  EXPECT_EQ(v(2012, 7), "006");
  EXPECT_EQ(v(2013, 1), "007");
  EXPECT_EQ(v(2024, 12), "018");
  EXPECT_EQ(v(2025, 1), "019");
  EXPECT_EQ(v(2026, 3), "020");
  EXPECT_EQ(v(2105, 1), "099");
}

}  // namespace
}  // namespace efd
