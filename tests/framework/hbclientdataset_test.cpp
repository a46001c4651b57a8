#include "framework/hbclientdataset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "framework/xberros.h"
#include "tests/testutil.h"

namespace efd {
namespace {

using teste::Mensagem;

using Linhas = std::vector<std::vector<TVariant>>;

// ID, CODIGO (10 characters), VALOR, DATA, ATIVO.
void DefinirPadrao(ThbClientDataSet& ds) {
  ds.DefinirCampos({{"ID", TTipoCampo::Inteiro, 0},
                    {"Codigo", TTipoCampo::Texto, 10},
                    {"VALOR", TTipoCampo::Real, 0},
                    {"DATA", TTipoCampo::Data, 0},
                    {"ATIVO", TTipoCampo::Logico, 0}});
}

TVariant Dia(int d) {
  return TVariant(TDateTime::EncodeDate(2020, 1, d));
}

Linhas Exemplo() {
  return {{1, "B", 10.0, Dia(5), true},
          {2, "a", 5.5, Dia(1), false},
          {3, "B", 2.0, Dia(3), true},
          {4, "XA", TVariant(), Dia(2), false},
          {5, TVariant(), 7.0, TVariant(), true}};
}

// IDs of the visible rows, in order.
std::vector<int> Ids(ThbClientDataSet& ds) {
  std::vector<int> ids;
  for (ds.First(); !ds.Eof(); ds.Next()) ids.push_back(ds.FieldByName("ID").AsInteger());
  return ids;
}

std::vector<int> Filtrar(ThbClientDataSet& ds, const std::string& filtro) {
  ds.SetFilter(filtro);
  ds.SetFiltered(true);
  return Ids(ds);
}

class DataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DefinirPadrao(ds);
    ds.Carregar(Exemplo());
  }
  ThbClientDataSet ds;
};

TEST_F(DataSetTest, FieldsByNameIgnoreCaseAndAliases) {
  EXPECT_EQ(&ds.FieldByName("codigo"), &ds.FieldByName("CODIGO"));
  EXPECT_EQ(ds.FieldByName("codigo").FieldName(), "Codigo");
  EXPECT_EQ(ds.FindField("NADA"), nullptr);
  EXPECT_NE(Mensagem<ENomeDesconhecido>([&] { ds.FieldByName("NADA"); }).find("NADA"),
            std::string::npos);
  EXPECT_THROW(ds.AdicionarCampo("id", TTipoCampo::Inteiro), EErro);

  ds.AdicionarApelido("COD", 1);
  ds.AdicionarApelido("ID", 1);  // taken: stays with the real field
  EXPECT_EQ(ds.IndiceCampo("cod"), 1);
  EXPECT_EQ(ds.IndiceCampo("ID"), 0);
  EXPECT_EQ(Filtrar(ds, "COD = 'B'"), (std::vector<int>{1, 3}));

  // A field added to an open dataset reads null on the existing rows.
  ds.AdicionarCampo("EXTRA", TTipoCampo::Texto);
  EXPECT_TRUE(ds.FieldByName("EXTRA").IsNull());
  EXPECT_THROW(ds.Carregar({{1, "x"}}), EErro);
}

TEST_F(DataSetTest, WritesConvertToTheFieldType) {
  ds.Edit();
  ds.FieldByName("ID").SetAsString(" 12 ");
  EXPECT_TRUE(ds.FieldByName("ID").Value().EhInteiro());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 12);
  ds.FieldByName("ID").SetAsString("");
  EXPECT_TRUE(ds.FieldByName("ID").IsNull());
  ds.FieldByName("VALOR").SetAsString("1,5");
  EXPECT_DOUBLE_EQ(ds.FieldByName("VALOR").AsFloat(), 1.5);
  EXPECT_EQ(ds.FieldByName("VALOR").AsString(), "1,5");
  ds.FieldByName("VALOR").SetAsInteger(3);
  EXPECT_TRUE(ds.FieldByName("VALOR").Value().EhReal());

  ds.FieldByName("DATA").SetAsString("31/12/2020");
  EXPECT_EQ(ds.FieldByName("DATA").AsDateTime(), TDateTime::EncodeDate(2020, 12, 31));
  ds.FieldByName("DATA").SetAsDateTime(TDateTime::EncodeDateTime(2021, 2, 3, 10, 20, 30));
  EXPECT_EQ(ds.FieldByName("DATA").AsString(), "03/02/2021");  // a date field keeps no time
  ds.FieldByName("DATA").SetAsString("2021-03-04");
  EXPECT_EQ(ds.FieldByName("DATA").AsString(), "04/03/2021");

  ds.FieldByName("ATIVO").SetAsString("S");
  EXPECT_TRUE(ds.FieldByName("ATIVO").Value().EhLogico());
  EXPECT_TRUE(ds.FieldByName("ATIVO").AsBoolean());

  // Texto(10) keeps ten characters, counted in UTF-8.
  ds.FieldByName("CODIGO").SetAsString("ÁÉÍÓÚáéíóúXYZ");
  EXPECT_EQ(ds.FieldByName("CODIGO").AsString(), "ÁÉÍÓÚáéíóú");
  ds.FieldByName("CODIGO").SetAsInteger(42);
  EXPECT_EQ(ds.FieldByName("CODIGO").Value(), TVariant("42"));

  for (auto [campo, texto] : {std::pair{"ID", "abc"},
                              {"VALOR", "1x"},
                              {"DATA", "32/01/2020"},
                              {"DATA", "01/01/2020 zz"},
                              {"ATIVO", "talvez"}}) {
    std::string m = Mensagem<EConversao>([&] { ds.FieldByName(campo).SetAsString(texto); });
    EXPECT_NE(m.find(campo), std::string::npos) << m;
  }
}

TEST(DataSetHora, TimeAndDateTimeFields) {
  ThbClientDataSet ds;
  ds.AdicionarCampo("H", TTipoCampo::Hora);
  ds.AdicionarCampo("DH", TTipoCampo::DataHora);
  ds.CreateDataSet();
  ds.Append();
  ds.FieldByName("H").SetAsDateTime(TDateTime::EncodeDateTime(2020, 5, 6, 7, 8, 9));
  ds.FieldByName("DH").SetAsString("06/05/2020 07:08");
  EXPECT_LT(ds.FieldByName("H").AsFloat(), 1.0);
  EXPECT_EQ(ds.FieldByName("H").AsString(), "07:08:09");
  EXPECT_EQ(ds.FieldByName("DH").AsString(), "06/05/2020 07:08:00");
}

TEST_F(DataSetTest, WritingOutsideEditionNamesTheField) {
  std::string m = Mensagem<EErro>([&] { ds.FieldByName("VALOR").SetAsFloat(1); });
  EXPECT_NE(m.find("VALOR"), std::string::npos) << m;
  EXPECT_THROW(ds.Post(), EErro);
  ds.Cancel();  // nothing pending: no effect
  EXPECT_EQ(ds.State(), ThbClientDataSet::TEstado::Navegando);

  ThbClientDataSet fechado;
  DefinirPadrao(fechado);
  EXPECT_FALSE(fechado.Active());
  EXPECT_THROW(fechado.Append(), EErro);
  EXPECT_THROW(fechado.First(), EErro);
  EXPECT_TRUE(fechado.FieldByName("ID").IsNull());
}

TEST_F(DataSetTest, EditCancelAndAppendCancelRestore) {
  ds.Next();
  ds.Edit();
  ds.FieldByName("CODIGO").SetAsString("Z");
  ds.Cancel();
  EXPECT_EQ(ds.FieldByName("CODIGO").AsString(), "a");

  ds.Append();
  EXPECT_EQ(ds.State(), ThbClientDataSet::TEstado::Inserindo);
  EXPECT_EQ(ds.RecordCount(), 5);  // the new row counts once posted
  EXPECT_TRUE(ds.FieldByName("ID").IsNull());
  ds.FieldByName("ID").SetAsInteger(9);
  ds.Cancel();
  EXPECT_EQ(ds.RecordCount(), 5);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);  // back where it was

  ds.Append();
  ds.FieldByName("ID").SetAsInteger(9);
  ds.Post();
  EXPECT_EQ(ds.RecordCount(), 6);
  EXPECT_EQ(ds.RecNo(), 6);
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 3, 4, 5, 9}));
}

TEST_F(DataSetTest, MovingPostsWrittenRowsAndDropsUntouchedNewOnes) {
  ds.Append();
  ds.Next();  // nothing written: the new row goes away
  EXPECT_EQ(ds.RecordCount(), 5);

  ds.First();
  ds.Edit();
  ds.FieldByName("VALOR").SetAsFloat(99);
  ds.Next();  // posts
  EXPECT_EQ(ds.State(), ThbClientDataSet::TEstado::Navegando);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);
  ds.First();
  EXPECT_DOUBLE_EQ(ds.FieldByName("VALOR").AsFloat(), 99);

  ds.Append();
  ds.FieldByName("ID").SetAsInteger(6);
  ds.Append();  // posts the previous one first
  ds.FieldByName("ID").SetAsInteger(7);
  ds.Post();
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));

  ds.EmptyDataSet();
  ds.Edit();  // on an empty dataset, Edit appends
  EXPECT_EQ(ds.State(), ThbClientDataSet::TEstado::Inserindo);
  ds.Delete();  // while inserting: cancels
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_THROW(ds.Delete(), EErro);
}

TEST_F(DataSetTest, NavigationFlags) {
  ds.First();
  EXPECT_TRUE(ds.Bof());
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.RecNo(), 1);
  ds.Last();
  EXPECT_TRUE(ds.Eof());  // as in the ERP's datasets
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 5);
  ds.Next();
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 5);
  std::vector<int> ao_contrario;
  for (ds.Last(); !ds.Bof(); ds.Prior()) ao_contrario.push_back(ds.FieldByName("ID").AsInteger());
  EXPECT_EQ(ao_contrario, (std::vector<int>{5, 4, 3, 2, 1}));
  EXPECT_EQ(ds.RecNo(), 1);

  ds.EmptyDataSet();
  EXPECT_TRUE(ds.Eof() && ds.Bof());
  EXPECT_EQ(ds.RecNo(), 0);
  ds.Last();
  EXPECT_TRUE(ds.Eof() && ds.Bof());
  EXPECT_TRUE(ds.FieldByName("ID").IsNull());
  EXPECT_TRUE(ds.LinhaAtual().empty());
}

TEST_F(DataSetTest, DeleteKeepsTheCursorOnTheNextRow) {
  ds.SetIndexFieldNames("CODIGO;ID");  // null, B, B, XA, a
  EXPECT_EQ(Ids(ds), (std::vector<int>{5, 1, 3, 4, 2}));
  ds.First();
  ds.Next();
  ds.Delete();
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);
  ds.Last();
  ds.Delete();
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
  EXPECT_FALSE(ds.Eof());

  // The usual loop deleting while walking.
  ds.Carregar(Exemplo());
  ds.First();
  while (!ds.Eof()) {
    if (ds.FieldByName("ATIVO").AsBoolean())
      ds.Delete();
    else
      ds.Next();
  }
  EXPECT_EQ(Ids(ds), (std::vector<int>{4, 2}));
  EXPECT_TRUE(ds.FindKey({"XA"}));  // storage positions shifted; the index still works
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
}

TEST_F(DataSetTest, IndexesAreStableAscendingSorts) {
  ds.SetIndexFieldNames("codigo");
  EXPECT_EQ(Ids(ds), (std::vector<int>{5, 1, 3, 4, 2}));  // null first, equal keys keep storage
  ds.SetIndexFieldNames("VALOR");
  EXPECT_EQ(Ids(ds), (std::vector<int>{4, 3, 2, 5, 1}));

  // Changing the order keeps the current row.
  ds.Locate("ID", {2});
  ds.SetIndexFieldNames("DATA");
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_FALSE(ds.Bof());

  ds.AddIndex("PorAtivo", "ATIVO;VALOR");
  EXPECT_THROW(ds.AddIndex("porativo", "ID"), EErro);
  EXPECT_THROW(ds.AddIndex("X", "NADA"), ENomeDesconhecido);
  ds.SetIndexName("PORATIVO");
  EXPECT_EQ(ds.IndexFieldNames(), "");
  EXPECT_EQ(Ids(ds), (std::vector<int>{4, 2, 3, 5, 1}));
  EXPECT_THROW(ds.SetIndexName("OUTRO"), ENomeDesconhecido);
  ds.SetIndexFieldNames("ID");
  EXPECT_EQ(ds.IndexName(), "");
  ds.SetIndexName("");
  EXPECT_EQ(ds.IndexFieldNames(), "");
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_THROW(ds.SetIndexFieldNames("ID;NADA"), ENomeDesconhecido);
}

TEST_F(DataSetTest, PostRepositionsUnderIndexAndFilter) {
  ds.SetIndexFieldNames("VALOR");
  ds.First();  // ID 4, VALOR null
  ds.Edit();
  ds.FieldByName("VALOR").SetAsFloat(8);
  ds.Post();
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
  EXPECT_EQ(ds.RecNo(), 4);
  EXPECT_EQ(Ids(ds), (std::vector<int>{3, 2, 5, 4, 1}));

  ds.Append();
  ds.FieldByName("ID").SetAsInteger(6);
  ds.FieldByName("VALOR").SetAsFloat(5.5);  // ties with ID 2: after it, as stored later
  ds.Post();
  EXPECT_EQ(ds.RecNo(), 3);
  EXPECT_EQ(Ids(ds), (std::vector<int>{3, 2, 6, 5, 4, 1}));

  EXPECT_EQ(Filtrar(ds, "VALOR < 9"), (std::vector<int>{3, 2, 6, 5, 4}));
  ds.Locate("ID", {6});
  ds.Edit();
  ds.FieldByName("VALOR").SetAsFloat(50);
  ds.Post();  // leaves the view
  EXPECT_EQ(ds.RecordCount(), 4);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 5);
  ds.SetFiltered(false);
  EXPECT_EQ(Ids(ds), (std::vector<int>{3, 2, 5, 4, 1, 6}));
}

TEST(DataSetIndice, ManyPostsMatchAFullSort) {
  ThbClientDataSet ds;
  ds.AdicionarCampo("K", TTipoCampo::Inteiro);
  ds.AdicionarCampo("N", TTipoCampo::Inteiro);
  ds.CreateDataSet();
  ds.SetIndexFieldNames("K");
  std::mt19937 aleatorio(7);
  std::vector<std::pair<int, int>> esperado;
  for (int n = 0; n < 2000; ++n) {
    int k = static_cast<int>(aleatorio() % 50);
    ds.Append();
    ds.FieldByName("K").SetAsInteger(k);
    ds.FieldByName("N").SetAsInteger(n);
    ds.Post();
    ASSERT_EQ(ds.FieldByName("N").AsInteger(), n);
    esperado.emplace_back(k, n);
  }
  std::stable_sort(esperado.begin(), esperado.end(),
                   [](auto& a, auto& b) { return a.first < b.first; });
  std::vector<std::pair<int, int>> visto;
  for (ds.First(); !ds.Eof(); ds.Next())
    visto.emplace_back(ds.FieldByName("K").AsInteger(), ds.FieldByName("N").AsInteger());
  EXPECT_EQ(visto, esperado);
}

// Big enough for the sort on keys copied out of the rows; checked against
// CompararValores itself.
TEST(DataSetIndice, LargeSortsAgreeWithCompararValores) {
  ThbClientDataSet ds;
  ds.AdicionarCampo("T", TTipoCampo::Texto);
  ds.AdicionarCampo("N", TTipoCampo::Real);
  ds.AdicionarCampo("POS", TTipoCampo::Inteiro);
  std::mt19937 aleatorio(11);
  Linhas linhas;
  for (int i = 0; i < 3000; ++i) {
    const unsigned r = aleatorio();
    // Long common prefixes, texts that are prefixes of others, bytes above 0x7F.
    TVariant t = r % 10 == 0
                     ? TVariant()
                     : TVariant(std::string(r % 3 * 5, 'A') + "é" + std::string(r / 7 % 4, 'b'));
    TVariant n = r % 13 == 0 ? TVariant()
                 : r % 2     ? TVariant(static_cast<int64_t>(r % 20))
                             : TVariant(r % 40 / 2.0);
    linhas.push_back({t, n, i});
  }
  Linhas referencia = linhas;
  ds.Carregar(std::move(linhas));
  for (const std::vector<size_t>& campos : {std::vector<size_t>{0, 1}, {1, 0}, {1}}) {
    std::string nomes;
    for (size_t c : campos) nomes += (nomes.empty() ? "" : ";") + ds.Campos()[c].nome;
    ds.SetIndexFieldNames(nomes);
    std::stable_sort(referencia.begin(), referencia.end(), [&](const auto& a, const auto& b) {
      for (size_t c : campos)
        if (int r = CompararValores(a[c], b[c]); r != 0) return r < 0;
      return a[2].AsInt64() < b[2].AsInt64();
    });
    std::vector<int> esperado, visto;
    for (const auto& l : referencia) esperado.push_back(l[2].AsInteger());
    for (ds.First(); !ds.Eof(); ds.Next()) visto.push_back(ds.FieldByName("POS").AsInteger());
    EXPECT_EQ(visto, esperado) << nomes;
  }
}

TEST_F(DataSetTest, LocateOnSeveralFields) {
  EXPECT_TRUE(ds.Locate("CODIGO;ATIVO", {"B", true}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);
  EXPECT_TRUE(ds.Locate("codigo;VALOR", {"B", "2"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);

  EXPECT_FALSE(ds.Locate("CODIGO", {"x"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);  // unchanged on failure
  EXPECT_FALSE(ds.Locate("CODIGO", {"X"}));        // exact: "XA" does not match
  EXPECT_TRUE(ds.Locate("CODIGO", {"X"}, true));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
  EXPECT_TRUE(ds.Locate("CODIGO", {"x"}, true, true));
  EXPECT_TRUE(ds.Locate("CODIGO", {"A"}, false, true));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);
  EXPECT_TRUE(ds.Locate("VALOR", {TVariant()}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
  EXPECT_TRUE(ds.Locate("DATA", {"03/01/2020"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);

  // Visible order: the first match under the index.
  ds.SetIndexFieldNames("VALOR");
  EXPECT_TRUE(ds.Locate("CODIGO", {"B"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);
  Filtrar(ds, "ID <> 3");
  EXPECT_TRUE(ds.Locate("CODIGO", {"B"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);

  EXPECT_THROW(ds.Locate("CODIGO;ID", {"B"}), EErro);
  EXPECT_THROW(ds.Locate("NADA", {1}), ENomeDesconhecido);
  EXPECT_THROW(ds.Locate("ID", {"um"}), EConversao);
}

TEST_F(DataSetTest, FindKeyOnTheIndexFields) {
  EXPECT_THROW(ds.FindKey({1}), EErro);  // no index
  ds.SetIndexFieldNames("CODIGO;VALOR");
  EXPECT_TRUE(ds.FindKey({"B", 2.0}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);
  EXPECT_TRUE(ds.FindKey({"B"}));  // a prefix of the key: the first of them
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);
  EXPECT_TRUE(ds.FindKey({"B", "10"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);
  EXPECT_FALSE(ds.FindKey({"b"}));
  EXPECT_FALSE(ds.FindKey({"X"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);
  EXPECT_TRUE(ds.FindKey({TVariant()}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 5);
  EXPECT_THROW(ds.FindKey({"B", 1, 2}), EErro);

  ds.AddIndex("IDX", "DATA");
  ds.SetIndexName("IDX");
  EXPECT_TRUE(ds.FindKey({"2020-01-02"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
}

TEST_F(DataSetTest, FilterComparisonsAndLogic) {
  EXPECT_EQ(Filtrar(ds, "((CODIGO Like 'X%') or (CODIGO= 'a')) and ID = 4"), (std::vector<int>{4}));
  EXPECT_EQ(Filtrar(ds, "ID = 4 or ID = 2 and ATIVO"), (std::vector<int>{4}));
  EXPECT_EQ(Filtrar(ds, "(ID = 4 or ID = 1) and ATIVO"), (std::vector<int>{1}));
  EXPECT_EQ(Filtrar(ds, "not ID = 1 and not (ID > 3)"), (std::vector<int>{2, 3}));
  EXPECT_EQ(Filtrar(ds, "ID <> 2 AND id >= 2 AnD ID <= 4"), (std::vector<int>{3, 4}));
  EXPECT_EQ(Filtrar(ds, "ID < 2 OR ID > 4"), (std::vector<int>{1, 5}));
  EXPECT_EQ(Filtrar(ds, "VALOR > 5.25 and VALOR < 7.5"), (std::vector<int>{2, 5}));
  EXPECT_EQ(Filtrar(ds, "VALOR > -1 and ID > -1.5"), (std::vector<int>{1, 2, 3, 5}));
  EXPECT_EQ(Filtrar(ds, "VALOR = '5,5'"), (std::vector<int>{2}));
  EXPECT_EQ(Filtrar(ds, "DATA >= '02/01/2020' and DATA < '2020-01-05'"), (std::vector<int>{3, 4}));
  EXPECT_EQ(Filtrar(ds, "ATIVO = FALSE"), (std::vector<int>{2, 4}));
  EXPECT_EQ(Filtrar(ds, "[Codigo] = 'B' and [ID]=3"), (std::vector<int>{3}));
  EXPECT_EQ(Filtrar(ds, "  "), (std::vector<int>{1, 2, 3, 4, 5}));

  ds.SetFiltered(false);
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 3, 4, 5}));
  ds.SetFilter("ID = 5");  // takes effect when filtered again
  EXPECT_EQ(ds.RecordCount(), 5);
  ds.SetFiltered(true);
  EXPECT_EQ(Ids(ds), (std::vector<int>{5}));
}

TEST_F(DataSetTest, FilterNullsAndTexts) {
  EXPECT_EQ(Filtrar(ds, "VALOR is null"), (std::vector<int>{4}));
  EXPECT_EQ(Filtrar(ds, "VALOR IS NOT NULL and DATA is not null"), (std::vector<int>{1, 2, 3}));
  // A null is neither equal to, less nor greater than a value.
  EXPECT_EQ(Filtrar(ds, "VALOR < 3 or VALOR = 3"), (std::vector<int>{3}));
  EXPECT_EQ(Filtrar(ds, "VALOR <> 2"), (std::vector<int>{1, 2, 4, 5}));
  // In a text field null and '' are the same.
  EXPECT_EQ(Filtrar(ds, "CODIGO = ''"), (std::vector<int>{5}));
  EXPECT_EQ(Filtrar(ds, "CODIGO <> 'B'"), (std::vector<int>{2, 4, 5}));
  ds.SetFiltered(false);
  ds.Locate("ID", {2});
  ds.Edit();
  ds.FieldByName("CODIGO").SetAsString("");
  ds.Post();
  EXPECT_EQ(Filtrar(ds, "CODIGO is null"), (std::vector<int>{2, 5}));

  ds.SetFiltered(false);
  ds.Locate("ID", {1});
  ds.Edit();
  ds.FieldByName("CODIGO").SetAsString("it's");
  ds.Post();
  EXPECT_EQ(Filtrar(ds, "CODIGO = 'it''s'"), (std::vector<int>{1}));
}

TEST_F(DataSetTest, FilterLike) {
  ds.SetFiltered(false);
  const std::vector<std::string> codigos = {"ABC", "abc", "AxC", "AC", "ÁBC"};
  for (int i = 0; i < 5; ++i) {
    ds.Locate("ID", {i + 1});
    ds.Edit();
    ds.FieldByName("CODIGO").SetAsString(codigos[static_cast<size_t>(i)]);
    ds.Post();
  }
  EXPECT_EQ(Filtrar(ds, "CODIGO like 'A%'"), (std::vector<int>{1, 3, 4}));  // case matters
  EXPECT_EQ(Filtrar(ds, "CODIGO LIKE 'A_C'"), (std::vector<int>{1, 3}));
  EXPECT_EQ(Filtrar(ds, "CODIGO like '_BC'"), (std::vector<int>{1, 5}));  // _ is one character
  EXPECT_EQ(Filtrar(ds, "CODIGO like '%C'"), (std::vector<int>{1, 3, 4, 5}));
  EXPECT_EQ(Filtrar(ds, "CODIGO like '%B%C%'"), (std::vector<int>{1, 5}));
  EXPECT_EQ(Filtrar(ds, "CODIGO not like '%C'"), (std::vector<int>{2}));
  EXPECT_EQ(Filtrar(ds, "CODIGO like 'ABC_'"), (std::vector<int>{}));
  EXPECT_EQ(Filtrar(ds, "ID like '_'"), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(DataSetTest, BadFiltersAreRejectedAndTheOldOneStays) {
  Filtrar(ds, "ID = 1");
  for (const char* ruim : {"ID =", "ID = 1 and", "(ID = 1", "ID = 1)", "ID = 'x", "ID 1", "ID == 1",
                           "CODIGO", "ID = 1 or or ID = 2", "[ID = 1", "ID = 1.", "ID # 1",
                           "ID is 1", "ID not = 1", "12abc = 1", "and"}) {
    std::string m = Mensagem<EErro>([&] { ds.SetFilter(ruim); });
    EXPECT_NE(m.find(ruim), std::string::npos) << ruim << ": " << m;
  }
  std::string m = Mensagem<ENomeDesconhecido>([&] { ds.SetFilter("ID = 1 or NADA = 2"); });
  EXPECT_NE(m.find("NADA"), std::string::npos) << m;
  m = Mensagem<EConversao>([&] { ds.SetFilter("VALOR = 'um'"); });
  EXPECT_NE(m.find("'VALOR'"), std::string::npos) << m;
  EXPECT_EQ(ds.Filter(), "ID = 1");
  EXPECT_EQ(Ids(ds), (std::vector<int>{1}));
}

TEST_F(DataSetTest, OnChangeRunsAfterEachWrite) {
  std::vector<std::string> vistos;
  ds.SetOnChange("valor", [&](TxbCampo& campo) {
    vistos.push_back(campo.AsString());
    ds.FieldByName("CODIGO").SetAsString("MUDOU");  // may write other fields of the row
  });
  ds.Edit();
  ds.FieldByName("VALOR").SetAsString("3,5");
  ds.FieldByName("VALOR").SetAsFloat(3.5);  // the same value again still notifies
  EXPECT_EQ(vistos, (std::vector<std::string>{"3,5", "3,5"}));
  EXPECT_EQ(ds.FieldByName("CODIGO").AsString(), "MUDOU");
  EXPECT_THROW(ds.FieldByName("VALOR").SetAsString("x"), EConversao);
  ds.Cancel();
  ds.Carregar(Exemplo());
  EXPECT_EQ(vistos.size(), 2u);  // failed writes, Cancel and Carregar do not notify
  EXPECT_THROW(ds.SetOnChange("NADA", nullptr), ENomeDesconhecido);

  // Set before the fields exist; kept by name when they are defined again.
  ThbClientDataSet novo;
  int chamadas = 0;
  novo.SetOnChange("X", [&](TxbCampo&) { ++chamadas; });
  for (int vez = 0; vez < 2; ++vez) {
    novo.DefinirCampos({{"Y", TTipoCampo::Inteiro, 0}, {"x", TTipoCampo::Inteiro, 0}});
    novo.CreateDataSet();
    novo.Append();
    novo.FieldByName("X").SetAsInteger(1);
    novo.FieldByName("Y").SetAsInteger(1);
  }
  EXPECT_EQ(chamadas, 2);
}

TEST_F(DataSetTest, RedefiningFieldsKeepsIndexAndFilterByName) {
  ds.SetIndexFieldNames("CODIGO");
  ds.SetFilter("ID > 1");
  ds.SetFiltered(true);
  ds.DefinirCampos({{"ID", TTipoCampo::Inteiro, 0}, {"CODIGO", TTipoCampo::Texto, 0}});
  ds.Carregar({{2, "b"}, {1, "a"}, {3, "a"}});
  EXPECT_EQ(Ids(ds), (std::vector<int>{3, 2}));

  // The index names a field that is gone: it waits for an alias of that name.
  ds.DefinirCampos({{"ID", TTipoCampo::Inteiro, 0}, {"COD", TTipoCampo::Texto, 0}});
  ds.AdicionarApelido("CODIGO", 1);
  ds.Carregar({{2, "b"}, {1, "a"}, {3, "a"}});
  EXPECT_EQ(Ids(ds), (std::vector<int>{3, 2}));

  ds.DefinirCampos({{"ID", TTipoCampo::Inteiro, 0}});
  EXPECT_NE(Mensagem<ENomeDesconhecido>([&] {
              ds.Carregar({{2}, {1}, {3}});
            }).find("CODIGO"),
            std::string::npos);
  ds.SetIndexFieldNames("");
  ds.Carregar({{2}, {1}, {3}});
  EXPECT_EQ(Ids(ds), (std::vector<int>{2, 3}));
}

}  // namespace
}  // namespace efd
