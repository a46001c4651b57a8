// Accounts (0500) and cost centres (0600) stored on demand, and the close of
// block 0 by the 0600 writer.
#include <gtest/gtest.h>

#include <fstream>

#include "app/banco.h"
#include "app/geracao.h"
#include "control/catalogo.h"
#include "control/verificadorefd.h"
#include "erp/carregador.h"
#include "framework/xbaplicacao.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/block0/uh5registroefd0600.h"
#include "tests/testutil.h"
#include "uh0registrosefd.h"

namespace efd {
namespace {

constexpr const char* kFilial = R"({
  "KLVG_UF": [{"ID": 1, "SIGLA": "SP", "NOME": "São Paulo"}],
  "KLVG_CID": [{"ID": 1, "NOME": "São Paulo", "GEOCODIGO": "3550308", "IDF_UF": 1}],
  "KLVG_ENDER": [{"ID": 1, "CEP": "01310100", "LOGRADOURO": "Avenida Paulista", "IDF_CID": 1}],
  "KLVG_IDENT": [{"ID": 5, "FD": "PessoaJuridica", "CODIGO": "E1", "NOME": "Empresa", "IDF_ENDER": 1,
                  "IDIDENTFIL": 5}],
  "KLVG_PESJUR": [{"ID": 5, "IDA": 5, "CNPJ": "12345678000195"}],
  "KLVG_PAPELREL": [{"ID": 7, "IDF_IDENT": 5, "PAPEL": "FIL"}],
  "Z8_EMPRESA": [{"ID": 1, "CODIGO": "1", "NOME": "Empresa", "IDF_IDENT": 5}],
  "Z8_FILIAL": [{"ID": 10, "IDF_EMPRESA": 1, "CODIGO": "1", "NOME": "Matriz", "IDF_PAPELREL": 7}]
})";

class Contas : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!teste::MotorDisponivel(GetParam())) GTEST_SKIP() << GetParam() << " indisponível";
    sessao_ = app::AbrirBanco(teste::NovaUrl(GetParam()));
    CarregarCatalogo(*sessao_);
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFilial);
  }

  // Generates the file of March 2024, lets fill() store rows for that
  // generation, and writes the file again.
  std::vector<std::string> Gerar(int modelo, const std::function<void(int, int)>& preencher) {
    app::OpcoesGeracao o;
    o.modelo = modelo;
    o.filiais = {10};
    o.inicio = TDateTime::EncodeDate(2024, 3, 1);
    o.saida = teste::DiretorioTemporario();
    const auto arquivos = app::Gerar(*sessao_, o);
    const int id = arquivos.at(0).id_efd;
    const int bloco =
        sessao_
            ->Consultar("SELECT ID FROM Z8_BLOCOSEFD WHERE IDF_EFD = :ID AND NOMEBLOCO = 'Bloco 0'",
                        {{"ID", id}})
            .linhas.at(0)[0]
            .AsInteger();
    preencher(id, bloco);
    auto registros = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistrosEFD", *sessao_);
    registros->GerarArquivos(id, arquivos[0].caminho);
    const TxbResumoArquivo resumo = VerificarArquivoEFD(arquivos[0].caminho);
    EXPECT_TRUE(resumo.problemas.empty()) << ::testing::PrintToString(resumo.problemas);
    std::ifstream in(arquivos[0].caminho, std::ios::binary);
    std::vector<std::string> linhas;
    for (std::string l; std::getline(in, l);)
      if (l[1] == '0') linhas.push_back(l.substr(0, l.size() - 1));
    return linhas;
  }

  std::unique_ptr<TxsSessionZ8> sessao_;
};

TEST_P(Contas, ContaSemDataDeInclusaoUsaOInicioDoPeriodoEUmaSoVez) {
  const auto linhas = Gerar(1, [&](int id, int bloco) {
    auto contas = Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", *sessao_);
    auto centros = Aplicacao().CriarComo<Th5RegistroEFD0600>("RegistroEFD0600", *sessao_);
    for (int vez = 0; vez < 2; ++vez) {
      contas->Incluir(id, bloco, 0, "1.1.01", "Caixa geral", "3", 0, "1", "A", "", false);
      centros->Incluir(id, bloco, 0, TDateTime::EncodeDate(2024, 1, 10), "CC01", "Administração");
    }
    contas->Incluir(id, bloco, 0, "9.9", "Compensação", "1", 0, "9", "S", "", false);
    sessao_->ConfirmarImplicita();
  });
  // 0000, 0001, 0005, 0500 x2, 0600, 0990; the file is ISO-8859-1.
  ASSERT_EQ(linhas.size(), 7u);
  EXPECT_EQ(linhas[3], "|0500|01032024|01|A|3|1.1.01|Caixa geral|");
  EXPECT_EQ(linhas[4], "|0500|01032024|99|S|1|9.9|Compensa\xE7\xE3o|");
  EXPECT_EQ(linhas[5], "|0600|10012024|CC01|Administra\xE7\xE3o|");
  EXPECT_EQ(linhas[6], "|0990|7|");
}

TEST_P(Contas, PisCofinsTerminaComAContaReferencialEUmCampoVazio) {
  const auto linhas = Gerar(2, [&](int id, int bloco) {
    auto contas = Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", *sessao_);
    contas->Incluir(id, bloco, 0, "3.1", "Receitas", "2", 0, "4", "S", "3.01.01", false);
    sessao_->ConfirmarImplicita();
  });
  ASSERT_EQ(linhas.size(), 4u);  // 0000, 0001, 0500, 0990
  EXPECT_EQ(linhas[2], "|0500|01032024|04|S|2|3.1|Receitas|3.01.01||");
  EXPECT_EQ(linhas[3], "|0990|4|");
}

INSTANTIATE_TEST_SUITE_P(Motores, Contas, ::testing::ValuesIn(teste::MotoresDeTeste()));

}  // namespace
}  // namespace efd
