// The stock inventory (block H) of the demo company's branches, on every
// engine: which balances enter it, ownership and holders, the ICMS of an
// inventory for a change of tax treatment, and the layout by period.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <map>
#include <set>

#include "control/linhasregistros.h"
#include "framework/hbobjetonegocio.h"
#include "framework/xbaplicacao.h"

#include "tests/registers/arquivo_demo_teste.h"

namespace efd {
namespace {

using teste::Registros;

class BlocoH : public teste::TesteDoDemo {
 protected:
  void SetUp() override {
    if (!ConstruirDemo(0)) GTEST_SKIP() << GetParam() << " indisponível";
  }
  void TearDown() override { DefinirLinhasPorJanela(0); }

  // The lines of the file of a branch, with an inventory at the end of the
  // demo's month; fields split.
  std::vector<std::vector<std::string>> Gerar(size_t filial, const std::string& motivo,
                                              const std::string& tipo = "1",
                                              TDateTime inicio = TDateTime()) {
    app::OpcoesGeracao o;
    o.filiais = {static_cast<int>(demo_.filiais.at(filial))};
    o.inicio = inicio.EhDataZero() ? demo_.inicio : inicio;
    o.inventario = demo_.fim;
    o.motivo_inventario = motivo;
    o.tipo_inventario = tipo;
    return GerarArquivo(o);
  }

  static double Valor(const std::string& texto) { return TextoParaReal(texto); }

  // The H010 lines of an inventory by item code.
  static std::map<std::string, std::vector<std::string>> PorItem(const teste::TLinhas& linhas) {
    std::map<std::string, std::vector<std::string>> itens;
    for (const auto& l : Registros(linhas, "H010")) itens[l[2]] = l;
    return itens;
  }

  std::string Consultar(const std::string& sql) {
    return Trim(sessao_->Consultar(sql).linhas.at(0).at(0).AsString());
  }
};

// A customer's rule switched on, for one test, by registering its family.
struct TRegraDoCliente {
  explicit TRegraDoCliente(std::string familia) : familia(std::move(familia)) {
    Aplicacao().RegistrarClasse(this->familia, [] { return std::make_shared<ThbObjetoNegocio>(); });
  }
  ~TRegraDoCliente() { Aplicacao().RemoverClasse(familia); }
  std::string familia;
};

TEST_P(BlocoH, InventarioDoFimDoMesComOsSaldosDaData) {
  const auto linhas = Gerar(0, "1");
  const auto h005 = Registros(linhas, "H005");
  ASSERT_EQ(h005.size(), 1u);
  EXPECT_EQ(h005[0][2], "30112026");
  EXPECT_EQ(h005[0][4], "01");
  const auto h010 = Registros(linhas, "H010");
  // Every product but the one sold out inside the month.
  EXPECT_EQ(h010.size(), 49u);
  double total = 0;
  std::map<std::string, std::vector<std::string>> por_item;
  for (const auto& l : h010) {
    total += Valor(l[6]);
    por_item[l[2]] = l;
    EXPECT_EQ(l.size(), 13u);  // 11 fields from 2015, VL_ITEM_IR empty
  }
  EXPECT_NEAR(Valor(h005[0][3]), total, 0.005);
  EXPECT_EQ(por_item.count("P10006"), 0u);
  // The last movement before the month's end: neither the revaluation of the
  // 20th nor the entry after the month.
  const auto& primeiro = por_item.at("P10001");
  EXPECT_EQ(primeiro[4], "40,000");
  EXPECT_EQ(primeiro[5], "1,500000");
  EXPECT_EQ(primeiro[6], "60,00");
  // Goods kept at a supplier and goods of a supplier kept by the branch name
  // the supplier, declared in 0150.
  EXPECT_EQ(por_item.at("P10003")[7], "1");
  EXPECT_EQ(por_item.at("P10004")[7], "2");
  const std::string fornecedor = por_item.at("P10003")[8];
  ASSERT_FALSE(fornecedor.empty());
  EXPECT_EQ(por_item.at("P10004")[8], fornecedor);
  EXPECT_EQ(por_item.at("P10001")[8], "");
  // The month's utility bills declare their own supplier beside it.
  const auto participantes = Registros(linhas, "0150");
  EXPECT_EQ(std::count_if(participantes.begin(), participantes.end(),
                          [&](const auto& p) { return p[2] == fornecedor; }),
            1);
  // Items with a field separator in their code keep the code of their 0200.
  EXPECT_EQ(por_item.count("PKIT(PIPE)01"), 1u);
  for (const auto& [codigo, l] : por_item) {
    bool declarado = false;
    for (const auto& item : Registros(linhas, "0200")) declarado = declarado || item[2] == codigo;
    EXPECT_TRUE(declarado) << codigo;
  }
  // An inventory at the end of the period reports no ICMS.
  EXPECT_TRUE(Registros(linhas, "H020").empty());
}

TEST_P(BlocoH, TipoDoInventarioDeixaDeForaUsoEConsumoAtivoEServicos) {
  auto itens = [this](const std::string& tipo) {
    std::set<std::string> tipos;
    const auto linhas = Gerar(0, "1", tipo);
    std::map<std::string, std::string> tipo_do_item;
    for (const auto& l : Registros(linhas, "0200")) tipo_do_item[l[2]] = l[7];
    for (const auto& l : Registros(linhas, "H010")) tipos.insert(tipo_do_item.at(l[2]));
    return tipos;
  };
  const auto completo = itens("1");
  EXPECT_TRUE(completo.count("07") && completo.count("08"));
  const auto parcial = itens("2");
  EXPECT_FALSE(parcial.count("07") || parcial.count("08") || parcial.count("09"));
  EXPECT_TRUE(parcial.count("00") && parcial.count("01"));
}

TEST_P(BlocoH, MudancaDeTributacaoDaOICMSSoDosNCMsMarcados) {
  // Packaging of the flagged NCM's family is taxed "90": no base, no ICMS.
  sessao_->ExecutarDiretoNoBD(
      "UPDATE Z8_TRIBFAM SET IDF_CLATRIBENT = (SELECT ID FROM Z8_CLATRIBUT WHERE CODIGO = '90') "
      "WHERE IDF_FAMILIA = (SELECT IDF_FAMILIA FROM Z8_PROD WHERE CODPROD = '10018')");
  sessao_->ConfirmarImplicita();
  const auto linhas = Gerar(1, "2");
  EXPECT_EQ(Registros(linhas, "H005")[0][4], "02");
  const auto h010 = Registros(linhas, "H010");
  std::vector<std::string> itens;
  for (const auto& l : h010) itens.push_back(l[2]);
  // Only the products of the flagged NCM (the medicines).
  EXPECT_EQ(itens, (std::vector<std::string>{"P10017", "P10018", "P10019"}));
  const auto h020 = Registros(linhas, "H020");
  ASSERT_EQ(h020.size(), 3u);
  for (const auto& l : h020) {
    EXPECT_EQ(l[2], "090");
    EXPECT_EQ(l[3], "0,00");
    EXPECT_EQ(l[4], "0,00");
  }
  // Each H020 under its H010.
  for (size_t i = 0; i + 1 < linhas.size(); ++i)
    if (linhas[i].size() > 1 && linhas[i][1] == "H010") {
      EXPECT_EQ(linhas[i + 1][1], "H020");
    }
}

TEST_P(BlocoH, IcmsDoItemPelaAliquotaDeCompraDaFilial) {
  const auto linhas = Gerar(1, "2");
  const auto h010 = Registros(linhas, "H010");
  const auto h020 = Registros(linhas, "H020");
  ASSERT_EQ(h020.size(), h010.size());
  ASSERT_FALSE(h020.empty());
  for (size_t i = 0; i < h020.size(); ++i) {
    EXPECT_EQ(h020[i][2], "000");
    EXPECT_EQ(h020[i][3], h010[i][6]);  // the base is the item's total
    EXPECT_NEAR(Valor(h020[i][4]), Arredondar(Valor(h010[i][6]) * 0.18, 2), 0.001);
  }
}

TEST_P(BlocoH, CamposDoLeiautePorPeriodo) {
  // Before July 2012 H005 has no reason; until 2014 H010 ends with the
  // account; from 2015 one more field follows.
  const auto em_2012 = Gerar(0, "1", "1", TDateTime::EncodeDate(2012, 6, 1));
  EXPECT_EQ(Registros(em_2012, "H005")[0].size(), 5u);
  EXPECT_EQ(Registros(em_2012, "H010")[0].size(), 12u);
  const auto em_2014 = Gerar(0, "1", "1", TDateTime::EncodeDate(2014, 3, 1));
  EXPECT_EQ(Registros(em_2014, "H005")[0].size(), 6u);
  EXPECT_EQ(Registros(em_2014, "H010")[0].size(), 12u);
  const auto em_2015 = Gerar(0, "1", "1", TDateTime::EncodeDate(2015, 1, 1));
  EXPECT_EQ(Registros(em_2015, "H010")[0].size(), 13u);
}

TEST_P(BlocoH, SemDataDeInventarioOBlocoFicaVazio) {
  app::OpcoesGeracao o;
  o.filiais = {static_cast<int>(demo_.filiais.at(0))};
  o.inicio = demo_.inicio;
  o.saida = teste::DiretorioTemporario();
  const auto arquivos = app::Gerar(*sessao_, o);
  ASSERT_EQ(arquivos.size(), 1u);
  EXPECT_TRUE(arquivos[0].resumo.problemas.empty());
  EXPECT_EQ(arquivos[0].resumo.por_registro.count("H005"), 0u);
  EXPECT_EQ(arquivos[0].resumo.por_bloco.at('H'), 2);
}

// Inventory types 3 and 4 split a product's balance by the remittances
// still open at the date: the head office sent 10 of its first product to
// the supplier and got 4 back (a cancelled return and one after the month
// do not count), and holds 12 of the supplier's second product.
TEST_P(BlocoH, RemessasEmAbertoSeparamOSaldoDoProduto) {
  auto por_item = [](const teste::TLinhas& linhas) {
    std::map<std::string, std::vector<std::vector<std::string>>> itens;
    double total = 0;
    for (const auto& l : Registros(linhas, "H010")) {
      itens[l[2]].push_back(l);
      total += Valor(l[6]);
    }
    EXPECT_NEAR(Valor(Registros(linhas, "H005").at(0)[3]), total, 0.005);
    return itens;
  };
  auto itens = por_item(Gerar(0, "1", "3"));
  const auto& enviado = itens.at("P10001");
  ASSERT_EQ(enviado.size(), 2u);
  EXPECT_EQ(enviado[0][4], "6,000");
  EXPECT_EQ(enviado[0][6], "9,00");
  EXPECT_EQ(enviado[0][7], "1");
  EXPECT_FALSE(enviado[0][8].empty());
  EXPECT_EQ(enviado[1][4], "34,000");
  EXPECT_EQ(enviado[1][6], "51,00");
  EXPECT_EQ(enviado[1][7], "0");
  EXPECT_EQ(enviado[1][8], "");
  const auto& recebido = itens.at("P10002");
  ASSERT_EQ(recebido.size(), 2u);
  EXPECT_EQ(recebido[0][4], "12,000");
  EXPECT_EQ(recebido[0][7], "2");
  EXPECT_EQ(recebido[0][8], enviado[0][8]);
  EXPECT_EQ(recebido[1][4], "31,500");
  // All returned: the balance stands whole.
  ASSERT_EQ(itens.at("P10007").size(), 1u);
  EXPECT_EQ(itens.at("P10007")[0][4], "75,000");
  // Type 1 reports the balance as the warehouse says.
  EXPECT_EQ(por_item(Gerar(0, "1", "1")).at("P10001").size(), 1u);

  // A second remittance to the same party adds to the same item; type 4
  // allocates too.
  sessao_->ExecutarDiretoNoBD(
      "INSERT INTO Z8_ITPROREMSA (ID, IDF_DOCTO, IDF_PROD, QDADE) SELECT 990001, IDF_DOCTO, "
      "IDF_PROD, 3 FROM Z8_ITPROREMSA WHERE QDADE = 10");
  sessao_->ConfirmarImplicita();
  itens = por_item(Gerar(0, "1", "4"));
  ASSERT_EQ(itens.at("P10001").size(), 2u);
  EXPECT_EQ(itens.at("P10001")[0][4], "9,000");
  EXPECT_EQ(itens.at("P10001")[1][4], "31,000");
  // Read a product at a time, the remittances fall on the same items.
  DefinirLinhasPorJanela(1);
  EXPECT_EQ(por_item(Gerar(0, "1", "4")), itens);
  DefinirLinhasPorJanela(0);
}

// A consolidated inventory (DRCST, profile D) takes the stock of the
// branches configured for it: an item per branch, each with the CNPJ of the
// branch holding it, no other parties, and empty stock kept.
TEST_P(BlocoH, InventarioConsolidadoPorEstabelecimento) {
  const int64_t matriz = demo_.filiais.at(0), segunda = demo_.filiais.at(1);
  sessao_->ExecutarDiretoNoBD(
      fmt::format("INSERT INTO Z8_ESTCONSOL (ID, IDF_FILIAL, IDF_FILIALEST, CNPJ) VALUES "
                  "(990001, {0}, {0}, '11222333000181')",
                  matriz));
  sessao_->ExecutarDiretoNoBD(
      fmt::format("INSERT INTO Z8_ESTCONSOL (ID, IDF_FILIAL, IDF_FILIALEST, CNPJ) VALUES "
                  "(990002, {0}, {1}, '11222333000262')",
                  matriz, segunda));
  sessao_->ConfirmarImplicita();
  app::OpcoesGeracao o;
  o.filiais = {static_cast<int>(matriz)};
  o.inicio = demo_.inicio;
  o.inventario = demo_.fim;
  o.perfil = "D";
  o.drcst = true;
  const auto linhas = GerarArquivo(o);
  std::map<std::string, std::vector<std::string>> cnpjs;
  size_t h010 = 0;
  for (size_t i = 0; i < linhas.size(); ++i) {
    if (linhas[i].size() < 2 || linhas[i][1] != "H010") continue;
    ++h010;
    EXPECT_EQ(linhas[i][8], "");
    EXPECT_EQ(linhas[i][11], "0");
    ASSERT_EQ(linhas.at(i + 1)[1], "H011");
    ASSERT_EQ(linhas[i + 1].size(), 4u);
    cnpjs[linhas[i][2]].push_back(linhas[i + 1][2]);
  }
  EXPECT_EQ(h010, 100u);  // the sold-out product too
  for (const auto& [item, de] : cnpjs)
    EXPECT_EQ(de, (std::vector<std::string>{"11222333000181", "11222333000262"})) << item;
  // A window smaller than a product's rows reads the product whole.
  DefinirLinhasPorJanela(1);
  const auto por_janela = GerarArquivo(o);
  DefinirLinhasPorJanela(0);
  EXPECT_EQ(Registros(por_janela, "H010"), Registros(linhas, "H010"));
  EXPECT_EQ(Registros(por_janela, "H011"), Registros(linhas, "H011"));
  // Without DRCST nothing is consolidated.
  o.drcst = false;
  EXPECT_TRUE(Registros(GerarArquivo(o), "H011").empty());
}

// Each item carries the account of its product in the branch, else its
// family's stock account, declared in 0500; an account kept out of the
// files or another account of the family is not the item's.
TEST_P(BlocoH, ContaDoItemDeclaradaNo0500) {
  const auto linhas = Gerar(0, "1");
  std::set<std::string> declaradas;
  for (const auto& l : Registros(linhas, "0500")) declaradas.insert(l[6]);
  const auto itens = PorItem(linhas);
  for (const auto& [codigo, l] : itens) EXPECT_TRUE(declaradas.count(l[10])) << codigo << l[10];
  EXPECT_EQ(itens.at("P10001")[10], "1.1.3.02");
  EXPECT_EQ(itens.at("P10002")[10], "1.1.3.01");
  std::set<std::string> usadas;
  for (const auto& [codigo, l] : itens) usadas.insert(l[10]);
  EXPECT_FALSE(usadas.count("4.1.01") || usadas.count("3.1.01"));
  // The other branch has no account of its own for the first product.
  EXPECT_EQ(PorItem(Gerar(1, "1")).at("P10001")[10], "1.1.3.01");
  // An inactive family account leaves the default.
  sessao_->ExecutarDiretoNoBD("UPDATE KLVG_CLASSE SET STATUS = '1' WHERE CODIGO = '1.1.3.01'");
  sessao_->ConfirmarImplicita();
  EXPECT_EQ(PorItem(Gerar(0, "1")).at("P10002")[10], "001");
}

TEST_P(BlocoH, RegrasDeClientesPorProdutoEPorSaldo) {
  // Products of fixed codes are left out of one customer's inventories.
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PROD SET CODPROD = '7153' WHERE CODPROD = '10002'");
  sessao_->ConfirmarImplicita();
  EXPECT_EQ(PorItem(Gerar(0, "1")).count("P7153"), 1u);
  {
    TRegraDoCliente regra("PosNavParvint");
    const auto itens = PorItem(Gerar(0, "1"));
    EXPECT_EQ(itens.count("P7153"), 0u);
    EXPECT_EQ(itens.count("P10001"), 1u);
  }
  // Another reports balances without allocating the remittances.
  {
    TRegraDoCliente regra("ParamDespComDRVPneus");
    const auto h010 = Registros(Gerar(0, "1", "3"), "H010");
    EXPECT_EQ(std::count_if(h010.begin(), h010.end(), [](auto& l) { return l[2] == "P10001"; }), 1);
  }
  // A start parameter leaves out the families G9999, G9996 and G9998.
  sessao_->ExecutarDiretoNoBD(
      "UPDATE Z8_FAMILIA SET CODIGO = 'G9996' WHERE ID = (SELECT IDF_FAMILIA FROM Z8_PROD "
      "WHERE CODPROD = '10001')");
  sessao_->ConfirmarImplicita();
  Aplicacao().DefinirParametrosInicio({"/h010disapar"});
  const auto sem_familia = Gerar(0, "1");
  Aplicacao().DefinirParametrosInicio({});
  EXPECT_EQ(PorItem(sem_familia).count("P10001"), 0u);
  double total = 0;
  for (const auto& l : Registros(sem_familia, "H010")) total += Valor(l[6]);
  EXPECT_NEAR(Valor(Registros(sem_familia, "H005")[0][3]), total, 0.005);
}

// Two customers read imported stock positions instead of the balances:
// by product, warehouse and branch code at the inventory date. One of them
// keeps positions without value.
TEST_P(BlocoH, PosicoesImportadasNoLugarDosSaldos) {
  const std::string filial =
      Consultar(fmt::format("SELECT CODIGO FROM Z8_FILIAL WHERE ID = {}", demo_.filiais.at(0)));
  auto posicao = [&](int id, const char* produto, const char* almox, TDateTime data, double qtde,
                     double valor) {
    sessao_->ExecutarDiretoNoBD(
        "INSERT INTO Z8_POSESTIMP (ID, CODPROD, CODALMOX, CODFILIAL, DATA, QUANTIDADE, "
        "VALORUNITARIO) VALUES (:ID, :PROD, :ALMOX, :FILIAL, :DATA, :QTDE, :VALOR)",
        {{"ID", id},
         {"PROD", produto},
         {"ALMOX", almox},
         {"FILIAL", filial},
         {"DATA", data},
         {"QTDE", qtde},
         {"VALOR", valor}});
  };
  posicao(990001, "10001", "01", demo_.fim, 8, 2.5);
  posicao(990002, "10003", "02", demo_.fim, 4, 10);
  posicao(990003, "10004", "01", demo_.fim, 3, 0);
  posicao(990004, "10005", "01", TDateTime(demo_.fim.dias - 1), 9, 1);  // another day
  sessao_->ConfirmarImplicita();
  {
    TRegraDoCliente regra("PrioridadeOlvecor");
    const auto itens = PorItem(Gerar(0, "1"));
    ASSERT_EQ(itens.size(), 2u);
    EXPECT_EQ(itens.at("P10001")[4], "8,000");
    EXPECT_EQ(itens.at("P10001")[5], "2,500000");
    EXPECT_EQ(itens.at("P10001")[6], "20,00");
    // The warehouse says who holds the goods.
    EXPECT_EQ(itens.at("P10003")[7], "1");
    EXPECT_FALSE(itens.at("P10003")[8].empty());
  }
  TRegraDoCliente regra("PautaValsMinFreteSefaz");
  const auto itens = PorItem(Gerar(0, "1"));
  ASSERT_EQ(itens.size(), 3u);
  EXPECT_EQ(itens.at("P10004")[6], "0,00");
}

// One customer's inventory is the items of its inventory documents issued
// on the inventory date, as counted: never use-and-consumption, asset or
// service items, and never their ICMS.
TEST_P(BlocoH, InventarioPelosDocumentosImportados) {
  const std::string consumo = Consultar(
      "SELECT MIN(P.ID) FROM Z8_PROD P INNER JOIN Z8_FAMILIA F ON F.ID = P.IDF_FAMILIA "
      "WHERE F.TIPOITEM = 'H'");
  const std::string revenda = Consultar("SELECT ID FROM Z8_PROD WHERE CODPROD = '10001'");
  auto documento = [&](int id, TDateTime data) {
    sessao_->ExecutarDiretoNoBD(
        "INSERT INTO Z8_DOCTO (ID, FD, IDF_FILIAL, NRODOCTO, DATAEMI, SITUACAONF) "
        "VALUES (:ID, 'Docto', :FILIAL, :NUMERO, :DATA, '0')",
        {{"ID", id},
         {"FILIAL", demo_.filiais.at(0)},
         {"NUMERO", std::to_string(id)},
         {"DATA", data}});
  };
  auto item = [&](int id, int doc, const std::string& produto, double qtde, double unit) {
    sessao_->ExecutarDiretoNoBD(
        "INSERT INTO Z8_ITINVIMP (ID, IDF_DOCTO, IDF_PROD, QUANTIDADE, VALORUNIT, VALORTOTAL) "
        "VALUES (:ID, :DOC, :PROD, :QTDE, :UNIT, :TOTAL)",
        {{"ID", id},
         {"DOC", doc},
         {"PROD", static_cast<int64_t>(std::stoll(produto))},
         {"QTDE", qtde},
         {"UNIT", unit},
         {"TOTAL", qtde * unit}});
  };
  documento(990001, demo_.fim);
  documento(990002, TDateTime(demo_.fim.dias - 1));
  item(990011, 990001, revenda, 12, 3.25);
  item(990012, 990001, consumo, 5, 1);
  item(990013, 990002, revenda, 99, 1);  // counted another day
  sessao_->ConfirmarImplicita();
  TRegraDoCliente regra("LayoutImpCiaValtero");
  const auto linhas = Gerar(0, "2", "1");
  const auto itens = PorItem(linhas);
  ASSERT_EQ(itens.size(), 1u) << ::testing::PrintToString(itens);
  EXPECT_EQ(itens.at("P10001")[4], "12,000");
  EXPECT_EQ(itens.at("P10001")[6], "39,00");
  EXPECT_EQ(itens.at("P10001")[7], "0");
  EXPECT_EQ(Registros(linhas, "H005")[0][3], "39,00");
  EXPECT_TRUE(Registros(linhas, "H020").empty());
}

INSTANTIATE_TEST_SUITE_P(Bancos, BlocoH, ::testing::ValuesIn(teste::MotoresDeTeste()));

}  // namespace
}  // namespace efd
