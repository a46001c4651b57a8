// The ICMS credit of fixed assets (block G, with 0300/0305) of the demo
// company's head office, on every engine: the movements each asset's
// instalment gives, the period's figures worked out by hand, the purchase
// document of an entry, the block-0 rows the block cites, and the files
// without block G.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include <fmt/format.h>

#include "control/verificadorefd.h"
#include "framework/xbaplicacao.h"
#include "registers/block0/referencias.h"
#include "uh0registrosefd.h"

#include "registers/blockG/uh5registroefdg110.h"
#include "tests/registers/arquivo_demo_teste.h"

namespace efd {
namespace {

using teste::Registros;
using teste::TLinhas;

TEST(TipoMovimentoCIAP, DoCodigoDoERPEDaDataDeAquisicao) {
  const TDateTime inicio = TDateTime::EncodeDate(2026, 11, 1);
  const TDateTime antes = TDateTime::EncodeDate(2024, 11, 12);
  const TDateTime no_mes = TDateTime::EncodeDate(2026, 11, 5);
  const TDateTime depois = TDateTime::EncodeDate(2026, 12, 5);
  struct TCaso {
    const char* tipo_erp;
    TDateTime aquisicao;
    const char* esperado;
  };
  for (const TCaso& c :
       {TCaso{"1", no_mes, "SI"}, TCaso{"2", no_mes, "IM"}, TCaso{"3", no_mes, "IA"},
        TCaso{"4", no_mes, "CI"}, TCaso{"5", no_mes, "MC"},
        // Entries acquired before the period start with a balance.
        TCaso{"2", antes, "SI"}, TCaso{"3", antes, "SI"}, TCaso{"", antes, "SI"},
        // Components keep their type whatever the date.
        TCaso{"4", antes, "CI"}, TCaso{"5", antes, "MC"},
        // Without a type: an own entry only in the period's month.
        TCaso{"", no_mes, "IM"}, TCaso{"9", no_mes, "IM"}, TCaso{"", depois, ""},
        TCaso{"", TDateTime(), ""},
        // Imported movements give the type itself.
        TCaso{"CI", no_mes, "CI"}, TCaso{"IM", antes, "SI"}, TCaso{"XX", depois, ""}})
    EXPECT_EQ(TipoMovimentoCIAP(c.tipo_erp, c.aquisicao, inicio), c.esperado)
        << "'" << c.tipo_erp << "' " << c.aquisicao.Formatar("DD/MM/YYYY");
}

TEST(TipoMovimentoCIAP, IcmsReportadoEm48Meses) {
  EXPECT_DOUBLE_EQ(IcmsEm48Parcelas(4800, 48), 4800);
  EXPECT_DOUBLE_EQ(IcmsEm48Parcelas(6000, 60), 4800);
  EXPECT_DOUBLE_EQ(IcmsEm48Parcelas(100, 0), 100);
}

class BlocoG : public teste::TesteDoDemo {
 protected:
  void SetUp() override {
    // The head office's first purchase brings an asset in.
    if (!ConstruirDemo(40)) GTEST_SKIP() << GetParam() << " indisponível";
  }

  // The lines of the file of a branch.
  TLinhas Gerar(size_t filial = 0, int modelo = 1) {
    app::OpcoesGeracao o;
    o.modelo = modelo;
    o.filiais = {static_cast<int>(demo_.filiais.at(filial))};
    o.inicio = demo_.inicio;
    return GerarArquivo(o);
  }

  static bool Declarado(const TLinhas& linhas, const std::string& registro,
                        const std::string& codigo, size_t campo = 2) {
    for (const auto& l : Registros(linhas, registro))
      if (l.size() > campo && l[campo] == codigo) return true;
    return false;
  }

  // The G125 rows by asset code, in file order.
  static std::map<std::string, TLinhas> MovimentosPorBem(const TLinhas& linhas) {
    std::map<std::string, TLinhas> bens;
    for (const auto& l : Registros(linhas, "G125")) bens[l[2]].push_back(l);
    return bens;
  }

  // The head office's outputs on its ICMS assessment.
  void Faturamento(double total, double tributadas) {
    for (auto [tipo, valor] : {std::pair{"A", total}, std::pair{"B", tributadas}})
      sessao_->ExecutarDiretoNoBD("UPDATE Z8_PTDFAIVLRS SET VALOR = :VALOR WHERE TIPOCAMPO = :T",
                                  {{"VALOR", valor}, {"T", tipo}});
    sessao_->ConfirmarImplicita();
  }

  static double Valor(const std::string& texto) { return TextoParaReal(texto); }
};

TEST_P(BlocoG, TotaisDoPeriodoCalculadosAMao) {
  const auto linhas = Gerar();
  const auto g110 = Registros(linhas, "G110");
  ASSERT_EQ(g110.size(), 1u);
  // Instalments 102 + 50 + 40 + 100; the balance of the assets that start
  // the period: 2,400 + 1,920 + 6,000 / 60 x 48; 200,000 of 250,000 taxed;
  // the motor's credit of 20 taken at 180,000 / 240,000.
  EXPECT_EQ(g110[0], (std::vector<std::string>{"", "G110", "01112026", "30112026", "9120,00",
                                               "292,00", "200000,00", "250000,00", "0,80000000",
                                               "233,60", "15,00", ""}));
}

TEST_P(BlocoG, IndiceArredondadoEFaturamentoSemSaidasTributadas) {
  // 200,000 / 300,000 = 0.66666667 as the file carries it; 292 x that.
  Faturamento(300000.0, 200000.0);
  auto g110 = Registros(Gerar(), "G110").at(0);
  EXPECT_EQ(g110[8], "0,66666667");
  EXPECT_EQ(g110[9], "194,67");
  EXPECT_NEAR(Valor(g110[9]), Valor(g110[5]) * Valor(g110[8]), 0.005);
  // No taxed outputs: the total stands for them.
  Faturamento(300000.0, 0.0);
  g110 = Registros(Gerar(), "G110").at(0);
  EXPECT_EQ(g110[6], "300000,00");
  EXPECT_EQ(g110[8], "1,00000000");
  EXPECT_EQ(g110[9], "292,00");
  // No outputs at all: no index, nothing appropriated.
  Faturamento(0.0, 0.0);
  g110 = Registros(Gerar(), "G110").at(0);
  EXPECT_EQ(g110[8], "0,00000000");
  EXPECT_EQ(g110[9], "0,00");
  EXPECT_EQ(g110[5], "292,00");
}

TEST_P(BlocoG, MovimentosDeCadaBem) {
  const auto linhas = Gerar();
  const auto bens = MovimentosPorBem(linhas);
  using L = std::vector<std::string>;
  // Bought in the month: an own entry of its first instalment.
  ASSERT_EQ(bens.at("BEM0001").size(), 1u);
  EXPECT_EQ(bens.at("BEM0001")[0], (L{"", "G125", "BEM0001", "01112026", "IM", "4800,00", "0,00",
                                      "96,00", "0,00", "1", "102,00", ""}));
  // An own entry two years old is reported as an initial balance.
  EXPECT_EQ(bens.at("BEM0002"), (TLinhas{{"", "G125", "BEM0002", "01112026", "SI", "2400,00",
                                          "0,00", "0,00", "0,00", "25", "50,00", ""}}));
  // The 48th instalment, then the end of the appropriation on the month's
  // last day.
  EXPECT_EQ(bens.at("BEM0003"), (TLinhas{{"", "G125", "BEM0003", "01112026", "SI", "1440,00",
                                          "0,00", "0,00", "480,00", "48", "40,00", ""},
                                         {"", "G125", "BEM0003", "30112026", "BA", "0,00", "0,00",
                                          "0,00", "0,00", "0", "0,00", ""}}));
  // Credited in 60 instalments: 48/60 of the 6,000 recorded.
  EXPECT_EQ(bens.at("BEM0004"), (TLinhas{{"", "G125", "BEM0004", "01112026", "SI", "4800,00",
                                          "0,00", "0,00", "0,00", "13", "100,00", ""}}));
  // Written off: no credit left to use, no movement.
  EXPECT_EQ(bens.count("BEM0005"), 0u);
  // A component credited on a given day: its ICMS as recorded, no
  // instalment number, the credit under it as another credit.
  EXPECT_EQ(bens.at("BEM0006"), (TLinhas{{"", "G125", "BEM0006", "20112026", "CI", "960,00", "0,00",
                                          "0,00", "0,00", "0", "20,00", ""}}));
  for (size_t i = 0; i + 1 < linhas.size(); ++i)
    if (linhas[i][1] == "G125" && linhas[i][2] == "BEM0006") {
      EXPECT_EQ(linhas[i + 1], (L{"", "G126", "01112026", "30112026", "1", "20,00", "180000,00",
                                  "240000,00", "0,75000000", "15,00", ""}));
    }
  EXPECT_EQ(Registros(linhas, "G126").size(), 1u);
}

TEST_P(BlocoG, DocumentoDeCompraDaEntradaEOsCodigosDoBloco0) {
  const auto linhas = Gerar();
  // The entry's purchase document and the asset's item right under it.
  size_t entrada = 0;
  for (size_t i = 0; i < linhas.size(); ++i)
    if (linhas[i][1] == "G125" && linhas[i][2] == "BEM0001") entrada = i;
  ASSERT_GT(entrada, 0u);
  ASSERT_EQ(Registros(linhas, "G130").size(), 1u);
  const auto& g130 = linhas.at(entrada + 1);
  ASSERT_EQ(g130[1], "G130");
  EXPECT_EQ(g130[4], "55");
  EXPECT_EQ(g130[8].size(), 8u);
  EXPECT_TRUE(Declarado(linhas, "0150", g130[3])) << g130[3];
  // The document is also bookkept in block C, with the same issuer and
  // participant.
  bool no_bloco_c = false;
  for (const auto& c100 : Registros(linhas, "C100"))
    no_bloco_c = no_bloco_c || (c100[8] == g130[6] && c100[3] == g130[2] && c100[4] == g130[3]);
  EXPECT_TRUE(no_bloco_c);
  const auto& g140 = linhas.at(entrada + 2);
  ASSERT_EQ(g140[1], "G140");
  EXPECT_EQ(g140[4], "1,00000");
  EXPECT_TRUE(Declarado(linhas, "0200", g140[3])) << g140[3];
  EXPECT_TRUE(Declarado(linhas, "0190", g140[5])) << g140[5];
  EXPECT_EQ((std::vector<std::string>(g140.begin() + 6, g140.end())),
            (std::vector<std::string>{"4800,00", "0,00", "96,00", "0,00", ""}));

  // Every asset moved is declared once in 0300, with its use in 0305 right
  // after it, its account in 0500 and its cost centre in 0600.
  const auto bens = MovimentosPorBem(linhas);
  const auto r0300 = Registros(linhas, "0300");
  EXPECT_EQ(r0300.size(), bens.size());
  for (const auto& [codigo, movimentos] : bens) EXPECT_TRUE(Declarado(linhas, "0300", codigo));
  for (size_t i = 0; i < linhas.size(); ++i) {
    if (linhas[i][1] != "0300") continue;
    EXPECT_TRUE(Declarado(linhas, "0500", linhas[i][6], 6)) << linhas[i][6];
    EXPECT_EQ(linhas[i][7], linhas[i][2] == "BEM0004" ? "60" : "48");
    ASSERT_EQ(linhas.at(i + 1)[1], "0305");
    EXPECT_TRUE(Declarado(linhas, "0600", linhas[i + 1][2], 3)) << linhas[i + 1][2];
    EXPECT_EQ(linhas[i + 1][4], "120");
  }
  const auto motor =
      std::find_if(r0300.begin(), r0300.end(), [](const auto& l) { return l[2] == "BEM0006"; });
  ASSERT_NE(motor, r0300.end());
  EXPECT_EQ((*motor)[3], "2");
  EXPECT_EQ((*motor)[5], "BEM0002");  // the main asset, itself declared
}

// A branch without assets has the G110 of its assessment's outputs alone,
// with nothing appropriated; without an assessment, no block G at all; the
// PIS/COFINS model has none.
TEST_P(BlocoG, FilialSemCIAPSoComASaidaDaApuracaoEModeloPisCofinsSemBlocoG) {
  auto filial = Gerar(1);
  ASSERT_EQ(Registros(filial, "G110").size(), 1u);
  EXPECT_EQ(Registros(filial, "G110").at(0)[5], "0,00");
  EXPECT_EQ(Registros(filial, "G110").at(0)[9], "0,00");
  EXPECT_TRUE(Registros(filial, "G125").empty());
  EXPECT_TRUE(Registros(filial, "0300").empty());

  sessao_->ExecutarDiretoNoBD("DELETE FROM Z8_APUIMPOSTO WHERE IDF_FILIAL = :FILIAL",
                              {{"FILIAL", demo_.filiais.at(1)}});
  sessao_->ConfirmarImplicita();
  filial = Gerar(1);
  EXPECT_TRUE(Registros(filial, "G110").empty());
  EXPECT_EQ(Registros(filial, "G001").at(0)[2], "1");
  EXPECT_EQ(Registros(filial, "G990").at(0)[2], "2");
  for (const auto& l : Gerar(0, 2)) EXPECT_NE(l.at(1).substr(0, 1), "G") << l.at(1);
}

TEST_P(BlocoG, CreditoTomadoPelaFilialDoCredito) {
  // With the company's asset parameter, the branch that takes the credit
  // counts, not the one that holds the asset.
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PAREMPPATR SET UTILIZAFILIALCIAP = 'T'");
  sessao_->ExecutarDiretoNoBD(
      "UPDATE Z8_CREAPIMP SET IDF_FILIALCREDITO = :FILIAL WHERE IDF_PROPAPPTR = "
      "(SELECT ID FROM Z8_PROPAPPTR WHERE NUMITEM = 'BEM0004')",
      {{"FILIAL", demo_.filiais.at(1)}});
  sessao_->ConfirmarImplicita();
  const auto matriz = MovimentosPorBem(Gerar(0));
  EXPECT_EQ(matriz.count("BEM0004"), 0u);
  EXPECT_EQ(matriz.count("BEM0002"), 1u);
  const auto filial = Gerar(1);
  EXPECT_EQ(MovimentosPorBem(filial).count("BEM0004"), 1u);
  // The other branch's assessment has no outputs: nothing appropriated.
  const auto g110 = Registros(filial, "G110").at(0);
  EXPECT_EQ(g110[5], "100,00");
  EXPECT_EQ(g110[9], "0,00");
}

// One customer's CIAP comes from an imported table, for the branch of its
// CNPJ and the movements of the period: the same registers, each row a
// movement, the asset, its account and cost centre, its document and item
// taken by code from the row.
TEST_P(BlocoG, CiapImportadoDoCliente) {
  app::OpcoesGeracao o;
  o.modelo = 1;
  o.filiais = {static_cast<int>(demo_.filiais.at(0))};
  o.inicio = demo_.inicio;
  o.saida = teste::DiretorioTemporario();
  const auto arquivos = app::Gerar(*sessao_, o);
  const int id_efd = arquivos.at(0).id_efd;
  auto primeiro = [this](const std::string& sql) {
    return sessao_->Consultar(sql).linhas.at(0).at(0);
  };
  const std::string filial =
      primeiro(fmt::format("SELECT I.CPFCNPJ FROM Z8_FILIAL D INNER JOIN "
                           "KLVG_PAPELREL R ON R.ID = D.IDF_PAPELREL INNER JOIN "
                           "KLVG_IDENT I ON I.ID = R.IDF_IDENT WHERE D.ID = {}",
                           demo_.filiais.at(0)))
          .AsString();
  const std::string fornecedor =
      primeiro(
          "SELECT MIN(I.CPFCNPJ) FROM KLVG_IDENT I INNER JOIN KLVG_PAPELREL R ON "
          "R.IDF_IDENT = I.ID WHERE R.PAPEL = 'FOR' AND I.CPFCNPJ IS NOT NULL")
          .AsString();
  const std::string centro = primeiro("SELECT MIN(CODIGO) FROM Z8_CCUSTO").AsString();
  const std::string cnpj_com_pontos = filial.substr(0, 2) + "." + filial.substr(2, 3) + "." +
                                      filial.substr(5, 3) + "/" + filial.substr(8, 4) + "-" +
                                      filial.substr(12);
  auto linha = [&](int id, const std::string& cnpj, const char* bem, const char* tipo,
                   TDateTime aquisicao, int dia, int parcela, double icms, double valor) {
    sessao_->ExecutarDiretoNoBD(
        "INSERT INTO TIMU_BLOCOG (ID, CNPJFILIAL, NUMEROBEM, TIPOMOVIMENTO, DATAAQUISICAO, "
        "DATACREDITO, VALORICMSPROPRIO, VALORICMSST, VALORICMSFRETE, VALORICMSDIFALIQ, "
        "NUMEROPARCELA, NUMEROTOTALPARC, VALORCREDPARC, VALORCREDUTILIZPARC, NUMERODOCUMENTO, "
        "CPFCNPJEMITENTE, CODIGOMODELO, SERIEDOCUMENTO, DATADOCUMENTO, SEQITEMNOTA, "
        "CODIGOBEMNOTA, QTDITEMNOTA, UNIDITEMNOTA, TIPOMERCADORIA, CODIGOCTACONTABIL, "
        "DESCRICAOBEM, CODIGOCCUSTO, DESCRICAOFUNCAO, MESESVIDAUTIL) VALUES (:ID, :CNPJ, :BEM, "
        ":TIPO, :AQUISICAO, :CREDITO, :ICMS, 0, 0, 0, :PARCELA, 48, :VALOR, :VALOR_UTIL, '4711', "
        ":EMITENTE, '55', '1', :DATADOC, 2, '10001', 1, 'UN', '1', '1.2.3.01', :DESCRICAO, "
        ":CENTRO, 'Movimentação de carga', 120)",
        {{"ID", id},
         {"CNPJ", cnpj},
         {"BEM", bem},
         {"TIPO", tipo},
         {"AQUISICAO", aquisicao},
         {"CREDITO", TDateTime(demo_.inicio.dias + dia - 1)},
         {"ICMS", icms},
         {"PARCELA", parcela},
         {"VALOR", valor},
         {"VALOR_UTIL", valor},
         {"EMITENTE", fornecedor},
         {"DATADOC", aquisicao},
         {"DESCRICAO", std::string("Bem importado ") + bem},
         {"CENTRO", centro}});
  };
  const TDateTime no_mes(demo_.inicio.dias + 4), antes = TDateTime::EncodeDate(2022, 11, 3);
  linha(990001, cnpj_com_pontos, "IMP-1", "IM", no_mes, 5, 0, 480, 10);
  linha(990002, filial, "IMP-2", "1", antes, 1, 48, 4800, 100);
  linha(990003, "11222333000181", "IMP-3", "IM", no_mes, 5, 0, 960, 20);  // another branch
  linha(990004, filial, "IMP-4", "IM", no_mes, -3, 0, 960, 20);           // before the period
  sessao_->ConfirmarImplicita();

  auto g110 = Aplicacao().CriarComo<Th5RegistroEFDG110>("RegistroEFDG110", *sessao_);
  TxbObjetoTemporario liberar(g110);
  const int bloco = static_cast<int>(
      primeiro(
          fmt::format("SELECT ID FROM Z8_BLOCOSEFD WHERE IDF_EFD = {} AND NOMEBLOCO = 'Bloco G'",
                      id_efd))
          .AsInteger());
  std::shared_ptr<ThbObjetoNegocio> nenhum;
  EXPECT_EQ(g110->GerarBlocoG_CiaValtero(id_efd, IdTipoRegistro(*sessao_, bloco, "G110"), bloco, "",
                                         nenhum),
            1);
  sessao_->ConfirmarImplicita();
  auto registros = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistrosEFD", *sessao_);
  TxbObjetoTemporario liberar_registros(registros);
  registros->GerarArquivos(id_efd, arquivos[0].caminho);
  EXPECT_TRUE(VerificarArquivoEFD(arquivos[0].caminho).problemas.empty());
  const TLinhas linhas = teste::LinhasDoArquivo(arquivos[0].caminho);

  const auto bens = MovimentosPorBem(linhas);
  ASSERT_EQ(bens.size(), 2u) << ::testing::PrintToString(bens);
  const auto& entrada = bens.at("IMP-1");
  ASSERT_EQ(entrada.size(), 1u);
  EXPECT_EQ(entrada[0], (std::vector<std::string>{
                            "", "G125", "IMP-1", FormatarData(TDateTime(demo_.inicio.dias + 4)),
                            "IM", "480,00", "0,00", "0,00", "0,00", "0", "10,00", ""}));
  const auto& ultima = bens.at("IMP-2");
  ASSERT_EQ(ultima.size(), 2u);
  EXPECT_EQ(ultima[0][3], FormatarData(demo_.inicio));
  EXPECT_EQ(ultima[0][4], "SI");
  EXPECT_EQ(ultima[1][3], FormatarData(demo_.fim));
  EXPECT_EQ(ultima[1][4], "BA");
  // Only the instalment is appropriated; the asset that starts the period
  // brings its balance.
  const auto totais = Registros(linhas, "G110").at(0);
  EXPECT_EQ(totais[4], "4800,00");
  EXPECT_EQ(totais[5], "100,00");
  // The entry's document, its issuer and item declared in block 0.
  const auto g130 = Registros(linhas, "G130");
  ASSERT_EQ(g130.size(), 1u);
  EXPECT_EQ(g130[0][2], "1");
  EXPECT_EQ(g130[0][6], "4711");
  EXPECT_TRUE(Declarado(linhas, "0150", g130[0][3])) << g130[0][3];
  const auto g140 = Registros(linhas, "G140");
  ASSERT_EQ(g140.size(), 1u);
  EXPECT_EQ(g140[0][2], "2");
  EXPECT_EQ(g140[0][3], "P10001");
  EXPECT_TRUE(Declarado(linhas, "0200", "P10001"));
  // The asset with its account and cost centre.
  std::vector<std::string> bem;
  for (const auto& l : Registros(linhas, "0300"))
    if (l[2] == "IMP-1") bem = l;
  ASSERT_FALSE(bem.empty());
  EXPECT_EQ(bem[6], "1.2.3.01");
  EXPECT_EQ(bem[7], "48");
  EXPECT_TRUE(Declarado(linhas, "0500", "1.2.3.01", 6));
  EXPECT_TRUE(Declarado(linhas, "0600", centro, 3));
}

INSTANTIATE_TEST_SUITE_P(Bancos, BlocoG, ::testing::ValuesIn(teste::MotoresDeTeste()));

}  // namespace
}  // namespace efd
