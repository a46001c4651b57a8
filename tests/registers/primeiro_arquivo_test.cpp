// The first complete file: block 0 of a branch without documents, every
// other required block empty, and block 9 agreeing with the file, on every
// engine available.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

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
    sessao_ = app::AbrirBanco(teste::NovaUrlComEsquema(GetParam()));
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
    return Linhas(arquivos[0].caminho);
  }

  // Branches 11 and 12 of the same company, with the same identity and
  // accountant as branch 10 but no ICMS settings of their own.
  void CarregarMaisFiliais() {
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
  "Z8_FILIAL": [{"ID": 11, "IDF_EMPRESA": 1, "CODIGO": "2", "NOME": "Filial 2", "IDF_PAPELREL": 7,
                 "IDF_CONTADOR": 6, "CRCCONTADOR": "2SP-012345/O-6"},
                {"ID": 12, "IDF_EMPRESA": 1, "CODIGO": "3", "NOME": "Filial 3", "IDF_PAPELREL": 7,
                 "IDF_CONTADOR": 6, "CRCCONTADOR": "2SP-012345/O-6"}]
})");
  }

  // The company's general parameters valid today.
  void CarregarParametrosDaEmpresa(bool grupo, const std::string& natureza) {
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(fmt::format(R"({{
  "Z8_PAREMP": [{{"ID": 90, "FD": "ParEmpGeral", "IDF_EMPRESA": 1, "DATAINICIAL": "2000-01-01",
                 "DATAFINAL": "2099-12-31", "SITUACAO": "1"}}],
  "Z8_PEMPGERAL": [{{"ID": 90, "IDA": 90, "GRUPOEMPRESARIAL": {}, "INDPERFISCALPADRAO": "C",
                    "INDNATPJPADRAO": "{}"}}]
}})",
                                                               grupo, natureza));
  }

  // Generates the files of several branches in one request.
  std::vector<app::ArquivoGerado> GerarFiliais(const std::vector<int>& filiais) {
    app::OpcoesGeracao o;
    o.filiais = filiais;
    o.inicio = TDateTime::EncodeDate(2024, 3, 1);
    o.saida = teste::DiretorioTemporario();
    return app::Gerar(*sessao_, o);
  }

  static std::vector<std::string> Linhas(const std::string& caminho) {
    std::ifstream in(caminho, std::ios::binary);
    std::vector<std::string> linhas;
    for (std::string l; std::getline(in, l);) linhas.push_back(l.substr(0, l.size() - 1));
    return linhas;
  }

  static const std::string* Linha(const std::vector<std::string>& linhas,
                                  const std::string& registro) {
    for (const auto& l : linhas)
      if (l.starts_with("|" + registro + "|")) return &l;
    return nullptr;
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
      // A legal person as accountant: CPF empty, CNPJ filled, after the CRC.
      "|0100|Cont\xE1"
      "bil Exata S/S||2SP012345O6|98765432000198|13010000|Rua Bar\xE3"
      "o de Jaguara|55||Centro|1932221000|||3509502|",
      "|0990|7|", "|B001|1|", "|B990|2|", "|C001|1|", "|C990|2|", "|D001|1|", "|D990|2|",
      // The mandatory ICMS pair, all zero, and the IPI assessment's period.
      "|E001|0|", "|E100|01032024|31032024|", "|E110|0|0|0|0|0|0|0|0|0|0|0|0|0|0|",
      "|E500|0|01032024|31032024|", "|E990|5|", "|G001|1|", "|G990|2|", "|H001|1|", "|H990|2|",
      "|K001|1|", "|K990|2|", "|1001|0|", "|1010|N|N|N|N|N|N|N|N|N|N|N|N|N|", "|1990|3|",
      "|9001|0|"};
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
  // 14 fields; the model's own layout code; IND_SIT_ESP ("9", no special
  // situation) and NUM_REC_ANTERIOR empty; IND_NAT_PJ of two digits; a short
  // number zero-filled is still a CNPJ.
  EXPECT_EQ(linhas[0],
            "|0000|006|0|||01032024|31032024|A\xE7\xFA"
            "car & Cia Ltda|00000001234567|SP|3550308|000000000|00|0|");
  EXPECT_EQ(linhas[1], "|0001|0|");
  EXPECT_EQ(linhas[2].substr(0, 6), "|0100|");
  // The regime and the head office's establishment, whose CNPJ is
  // zero-filled as the opening's.
  EXPECT_EQ(linhas[3], "|0110|1|1|1||");
  EXPECT_EQ(linhas[4].substr(0, 42),
            "|0140|10|A\xE7\xFA"
            "car & Cia Ltda|00000001234567|");
  EXPECT_EQ(linhas[5], "|0990|6|");
  for (const char* bloco : {"A", "C", "D", "F", "I", "P", "1"})
    EXPECT_TRUE(Tem(linhas, fmt::format("|{}001|1|", bloco))) << bloco;
  EXPECT_TRUE(Tem(linhas, "|M001|0|"));  // the zero assessment
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

TEST_P(PrimeiroArquivo, VariasFiliaisNumaChamadaDaoUmArquivoCompletoPorFilial) {
  Carregar();
  CarregarMaisFiliais();
  for (int vez = 0; vez < 2; ++vez) {  // the second request replaces the first
    const auto arquivos = GerarFiliais({10, 11, 12});
    ASSERT_EQ(arquivos.size(), 3u);
    for (const auto& arquivo : arquivos) {
      SCOPED_TRACE(arquivo.caminho);
      EXPECT_TRUE(arquivo.resumo.problemas.empty())
          << ::testing::PrintToString(arquivo.resumo.problemas);
      const auto linhas = Linhas(arquivo.caminho);
      ASSERT_GE(linhas.size(), 3u);
      EXPECT_TRUE(linhas[0].starts_with("|0000|018|0|01032024|31032024|"));
      EXPECT_EQ(linhas[1], "|0001|0|");
      EXPECT_TRUE(Linha(linhas, "0005") && Linha(linhas, "0100"));
      EXPECT_EQ(Linha(linhas, "0015") != nullptr, arquivo.filial == 10);
    }
  }
}

TEST_P(PrimeiroArquivo, EmpresaDeGrupoTomaOsPadroesDeCadaFilial) {
  Carregar();
  CarregarMaisFiliais();
  CarregarParametrosDaEmpresa(true, "00");
  // Branch 10 declares profile B, branch 11 profile C except for an expired
  // row, branch 12 nothing: it keeps the fallback, not the company's C.
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
  "Z8_PARAMFIL": [{"ID": 91, "FD": "ParamFilialGeral", "IDF_FILIAL": 10, "DATAINICIAL": "2000-01-01",
                   "DATAFINAL": "2099-12-31", "SITUACAO": "1"},
                  {"ID": 92, "FD": "ParamFilialGeral", "IDF_FILIAL": 11, "DATAINICIAL": "2000-01-01",
                   "DATAFINAL": "2099-12-31", "SITUACAO": "1"},
                  {"ID": 93, "FD": "ParamFilialGeral", "IDF_FILIAL": 11, "DATAINICIAL": "2000-01-01",
                   "DATAFINAL": "2001-12-31", "SITUACAO": "1"}],
  "Z8_PARFILGER": [{"ID": 91, "IDA": 91, "INDPERFISCALPADRAO": "B"},
                   {"ID": 92, "IDA": 92, "INDPERFISCALPADRAO": "C"},
                   {"ID": 93, "IDA": 93, "INDPERFISCALPADRAO": "B"}]
})");
  std::map<int, std::string> perfis;
  for (const auto& arquivo : GerarFiliais({10, 11, 12})) {
    const auto campos = Dividir(Linhas(arquivo.caminho)[0], '|');
    perfis[arquivo.filial] = campos.at(14);  // IND_PERFIL
  }
  EXPECT_EQ(perfis, (std::map<int, std::string>{{10, "B"}, {11, "C"}, {12, "A"}}));
}

// Each period gets the blocks of the layout in force, and block 9 agrees
// with the driver on them (Gerar checks the totals of every file).
TEST_P(PrimeiroArquivo, CadaPeriodoTemOsBlocosDoSeuLeiaute) {
  Carregar();
  struct TCaso {
    int ano, mes;
    bool bloco_k, bloco_b;
    size_t respostas_1010;  // 0: no 1010, block 1 empty
  };
  for (const TCaso c : {TCaso{2009, 5, false, false, 0}, TCaso{2012, 7, false, false, 0},
                        TCaso{2013, 1, false, false, 9}, TCaso{2014, 1, true, false, 9},
                        TCaso{2019, 1, true, true, 12}, TCaso{2020, 1, true, true, 13}}) {
    SCOPED_TRACE(fmt::format("{}-{:02}", c.ano, c.mes));
    const auto linhas = Gerar(1, c.ano, c.mes);
    EXPECT_TRUE(Tem(linhas, "|G001|1|"));  // every layout has block G
    EXPECT_EQ(Tem(linhas, "|K001|1|"), c.bloco_k);
    EXPECT_EQ(Tem(linhas, "|B001|1|"), c.bloco_b);
    const std::string* l1010 = Linha(linhas, "1010");
    if (c.respostas_1010 == 0) {
      EXPECT_EQ(l1010, nullptr);
      EXPECT_TRUE(Tem(linhas, "|1001|1|"));
    } else {
      ASSERT_NE(l1010, nullptr);
      std::string respostas = "|1010|";
      for (size_t i = 0; i < c.respostas_1010; ++i) respostas += "N|";
      EXPECT_EQ(*l1010, respostas);
      EXPECT_TRUE(Tem(linhas, "|1001|0|") && Tem(linhas, "|1990|3|"));
      EXPECT_TRUE(Tem(linhas, "|9900|1010|1|"));
    }
  }
}

TEST_P(PrimeiroArquivo, PisCofinsComOCodigoDoSeuLeiauteEANaturezaDeDoisDigitos) {
  Carregar();
  CarregarParametrosDaEmpresa(false, "3");
  for (const auto& [ano, mes, versao] :
       {std::tuple{2011, 3, "002"}, std::tuple{2012, 7, "003"}, std::tuple{2018, 6, "004"},
        std::tuple{2019, 1, "005"}, std::tuple{2020, 1, "006"}}) {
    const auto campos = Dividir(Gerar(2, ano, mes)[0], '|');
    EXPECT_EQ(campos.at(2), versao) << ano << "-" << mes;
    EXPECT_EQ(campos.at(13), "03");  // IND_NAT_PJ
  }
  app::OpcoesGeracao antes_do_modelo;
  antes_do_modelo.modelo = 2;
  antes_do_modelo.filiais = {10};
  antes_do_modelo.inicio = TDateTime::EncodeDate(2010, 12, 1);
  antes_do_modelo.saida = teste::DiretorioTemporario();
  EXPECT_THROW(app::Gerar(*sessao_, antes_do_modelo), EErro);
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
