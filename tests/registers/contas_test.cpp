// Accounts (0500) and cost centres (0600) stored on demand, and the close of
// block 0 by the 0600 writer.
#include <gtest/gtest.h>

#include <fstream>

#include "app/banco.h"
#include "app/geracao.h"
#include "control/catalogo.h"
#include "control/verificadorefd.h"
#include "erp/carregador.h"
#include "erp/erp.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
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
  "Z8_FILIAL": [{"ID": 10, "IDF_EMPRESA": 1, "CODIGO": "1", "NOME": "Matriz", "IDF_PAPELREL": 7}],
  "Z8_PAREMP": [{"ID": 40, "FD": "ParEmpGeral", "IDF_EMPRESA": 1, "DATAINICIAL": "2010-01-01",
                 "DATAFINAL": "2099-12-31", "SITUACAO": "1"},
                {"ID": 41, "FD": "ParEmpContabilidade", "IDF_EMPRESA": 1,
                 "DATAINICIAL": "2010-01-01", "DATAFINAL": "2099-12-31", "SITUACAO": "1"}],
  "Z8_PEMPGERAL": [{"ID": 40, "IDA": 40, "ORICODCTACTB": "1"}],
  "Z8_PAREMPCTB": [{"ID": 41, "IDA": 41, "IDF_VISCNTCTB": 200, "IDF_VISCNTREF": 201}],
  "KLVG_PLVISUAL": [{"ID": 200, "FD": "VisaoContabil", "CODIGO": "PC", "NOME": "Plano"},
                    {"ID": 201, "FD": "VisaoContabil", "CODIGO": "REF", "NOME": "Referencial"}],
  "Z8_VISCNTCTB": [{"ID": 200, "IDA": 200, "TIPO": "1"}, {"ID": 201, "IDA": 201, "TIPO": "2"}],
  "KLVG_CLASSE": [
    {"ID": 300, "FD": "ContaContabil", "CODIGO": "3", "NOME": "RECEITAS", "DTINCLUSAO": "2020-05-04"},
    {"ID": 301, "FD": "ContaContabil", "CODIGO": "3.1", "NOME": "RECEITA BRUTA", "DTINCLUSAO": "2020-05-04"},
    {"ID": 302, "FD": "ContaContabil", "CODIGO": "3.1.01", "NOME": "Receita de vendas",
     "DTINCLUSAO": "2020-05-04", "DTALTERACAO": "2024-03-15"},
    {"ID": 303, "FD": "ContaContabil", "CODIGO": "3.1.02", "NOME": "Receita nova",
     "DTINCLUSAO": "2024-04-10"}],
  "Z8_CTACTB": [{"ID": 300, "IDA": 300, "CODREDUZIDO": "1000"},
                {"ID": 301, "IDA": 301, "CODREDUZIDO": "1001"},
                {"ID": 302, "IDA": 302, "CODREDUZIDO": "1002"},
                {"ID": 303, "IDA": 303, "CODREDUZIDO": "1003"}],
  "KLVG_CLASSEVIS": [
    {"ID": 300, "FD": "Sintetico", "IDF_PLANOVISUAL": 200, "IDF_CLASSE": 300, "NIVEL": 1, "MASCARA": "3"},
    {"ID": 301, "FD": "Sintetico", "IDF_PLANOVISUAL": 200, "IDF_CLASSE": 301, "NIVEL": 2, "MASCARA": "3.1"},
    {"ID": 302, "FD": "Analitico", "IDF_PLANOVISUAL": 200, "IDF_CLASSE": 302, "NIVEL": 3,
     "MASCARA": "3.1.01"},
    {"ID": 310, "FD": "ClasseVisual", "IDF_PLANOVISUAL": 201, "IDF_CLASSE": 302, "NIVEL": 5,
     "MASCARA": "3.01.01.01.01"}],
  "KLVG_SINTETICO": [{"ID": 300, "IDA": 300}, {"ID": 301, "IDA": 301, "IDF_SINTETICO": 300}],
  "KLVG_ANALITICO": [{"ID": 302, "IDA": 302, "IDF_SINTETICO": 301}],
  "Z8_NCCTBSPED": [{"ID": 320, "IDF_SINTETICO": 300, "NATUREZACTCTB": "4"}]
})";

class Contas : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!teste::MotorDisponivel(GetParam())) GTEST_SKIP() << GetParam() << " indisponível";
    sessao_ = app::AbrirBanco(teste::NovaUrlComEsquema(GetParam()));
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
      std::string natureza = "1";
      contas->Incluir(id, bloco, 0, "1.1.01", "Caixa geral", "3", 0, natureza, "A", "", false);
      centros->Incluir(id, bloco, 0, TDateTime::EncodeDate(2024, 1, 10), "CC01", "Administração");
    }
    std::string natureza = "9";
    contas->Incluir(id, bloco, 0, "9.9", "Compensação", "1", 0, natureza, "S", "", false);
    EXPECT_EQ(natureza, "99");
    sessao_->ConfirmarImplicita();
  });
  // 0000, 0001, 0005, 0500 x2, 0600, 0990; the file is ISO-8859-1.
  ASSERT_EQ(linhas.size(), 7u);
  EXPECT_EQ(linhas[3], "|0500|01032024|01|A|3|1.1.01|Caixa geral|");
  EXPECT_EQ(linhas[4], "|0500|01032024|99|S|1|9.9|Compensa\xE7\xE3o|");
  EXPECT_EQ(linhas[5], "|0600|10012024|CC01|Administra\xE7\xE3o|");
  EXPECT_EQ(linhas[6], "|0990|7|");
}

TEST_P(Contas, ContaDoERPDaNomeEDataEAAlteracaoQuandoPedida) {
  const auto linhas = Gerar(1, [&](int id, int bloco) {
    auto contas = Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", *sessao_);
    std::string natureza = "4";
    contas->Incluir(id, bloco, 0, "3.1.01", "Vendas", "9", 0, natureza, "A", "", false);
    contas->Incluir(id, bloco, 0, "3.1.01", "Vendas", "9", 0, natureza, "A", "", true);
    // Included after the period: the ERP does not know it yet.
    contas->Incluir(id, bloco, 0, "3.1.02", "Nova", "3", 0, natureza, "A", "", false);
    sessao_->ConfirmarImplicita();
  });
  ASSERT_EQ(linhas.size(), 7u);
  EXPECT_EQ(linhas[3], "|0500|04052020|04|A|9|3.1.01|Receita de vendas|");
  EXPECT_EQ(linhas[4], "|0500|15032024|04|A|9|3.1.01|Receita de vendas|");
  EXPECT_EQ(linhas[5], "|0500|01032024|04|A|3|3.1.02|Nova|");
}

TEST_P(Contas, PlanoVisualDaNivelNomeENaturezaDoSinteticoAcima) {
  // The accounting module on: accounts take level, name and nature from the
  // company's visual chart.
  const teste::TModuloOpcional contabil({"ParEmpContabilidade", "MovCtb"});
  std::string natureza;
  const auto linhas = Gerar(1, [&](int id, int bloco) {
    auto contas = Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", *sessao_);
    contas->Incluir(id, bloco, 0, "3.1.01", "", "", 0, natureza, "S", "", false);
    // Outside the chart (a synthetic account): what the caller says.
    std::string outra = "2";
    contas->Incluir(id, bloco, 0, "3.1", "", "2", 0, outra, "S", "", false);
    sessao_->ConfirmarImplicita();
  });
  EXPECT_EQ(natureza, "04");  // the caller learns the nature found
  ASSERT_EQ(linhas.size(), 6u);
  EXPECT_EQ(linhas[3], "|0500|04052020|04|A|3|3.1.01|Receita de vendas|");
  EXPECT_EQ(linhas[4], "|0500|04052020|02|S|2|3.1|RECEITA BRUTA|");
}

TEST_P(Contas, CodigoReduzidoQuandoAEmpresaOPede) {
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PEMPGERAL SET ORICODCTACTB = '2'");
  // The accounting module on: accounts take level, name and nature from the
  // company's visual chart.
  const teste::TModuloOpcional contabil({"ParEmpContabilidade", "MovCtb"});
  const auto linhas = Gerar(1, [&](int id, int bloco) {
    auto contas = Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", *sessao_);
    std::string natureza;
    const int por_id = contas->Incluir(id, bloco, 0, "", "", "", 302, natureza, "", "", false);
    const int por_codigo =
        contas->Incluir(id, bloco, 0, "1002", "", "", 0, natureza, "", "", false);
    EXPECT_EQ(por_id, por_codigo);
    // An account the ERP does not have, or not yet, named by its identifier.
    for (int id_conta : {999, 303}) {
      const std::string erro = teste::Mensagem<EErro>(
          [&] { contas->Incluir(id, bloco, 0, "", "", "", id_conta, natureza, "", "", false); });
      EXPECT_NE(erro.find("RegEFD0500_CodConta"), std::string::npos) << id_conta << ": " << erro;
    }
    sessao_->ConfirmarImplicita();
  });
  ASSERT_EQ(linhas.size(), 5u);
  EXPECT_EQ(linhas[3], "|0500|04052020|04|A|3|1002|Receita de vendas|");
}

TEST_P(Contas, PisCofinsTerminaComAContaReferencialEUmCampoVazio) {
  const auto linhas = Gerar(2, [&](int id, int bloco) {
    auto contas = Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", *sessao_);
    std::string natureza = "4";
    contas->Incluir(id, bloco, 0, "3.1.01", "", "3", 0, natureza, "A", "3.99", false);
    // Not in the referential chart: the caller's referenced account.
    contas->Incluir(id, bloco, 0, "3.1", "", "2", 0, natureza, "S", "3.01.01", false);
    sessao_->ConfirmarImplicita();
  });
  ASSERT_EQ(linhas.size(), 7u);  // 0000, 0001, 0110, 0140, 0500 x2, 0990
  EXPECT_EQ(linhas[4], "|0500|04052020|04|A|3|3.1.01|Receita de vendas|3.01.01.01.01||");
  EXPECT_EQ(linhas[5], "|0500|04052020|04|S|2|3.1|RECEITA BRUTA|3.01.01||");
  EXPECT_EQ(linhas[6], "|0990|7|");
}

INSTANTIATE_TEST_SUITE_P(Motores, Contas, ::testing::ValuesIn(teste::MotoresDeTeste()));

}  // namespace
}  // namespace efd
