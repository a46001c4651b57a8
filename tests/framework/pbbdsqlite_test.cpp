// The SQLite kind reads through SQLite's own API: every value must come back
// with the type and value SOCI gives it, which the rest of the system reads.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/pbbd.h"
#include "framework/pbbd_kinds.h"
#include "framework/xberros.h"
#include "tests/testutil.h"

namespace efd {
namespace {

// The variant's alternative and its exact value.
std::string Descrever(const TVariant& v) {
  return std::visit(
      [](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate>)
          return "nulo";
        else if constexpr (std::is_same_v<T, int64_t>)
          return fmt::format("inteiro {}", x);
        else if constexpr (std::is_same_v<T, double>)
          return fmt::format("real {:.17g}", x);
        else if constexpr (std::is_same_v<T, std::string>)
          return "texto '" + x + "'";
        else if constexpr (std::is_same_v<T, TDateTime>)
          return fmt::format("data {:.17g}", x.dias);
        else
          return x ? "lógico T" : "lógico F";
      },
      v.valor());
}

class LeituraSQLite : public ::testing::Test {
 protected:
  void SetUp() override {
    bd_ = TpbBD::Conectar("sqlite::memory:");
    // Declared types SOCI knows, one it cuts ("BIG INT"), ones it does not
    // (TIMESTAMP, MYTYPE, none): the last are typed by the first row's value.
    bd_->Executar(
        "CREATE TABLE T (ID BIGINT, I INTEGER, V VARCHAR(10), X TEXT, R REAL, TS TIMESTAMP, "
        "DH DATETIME, NU NUMERIC(15,2), BI BIG INT, U UNSIGNED BIG INT, M MYTYPE, SEM, "
        "B BOOLEAN, L VARCHAR(1))");
    const char* linhas[] = {
        "1, 5000000000, 'um', 'ação', 1.5, 42, '2024-02-29 13:05:07', 10, 7, -5, 2.5, 3, 1, 'T'",
        "2, 7, NULL, '', 2, '2024-03-01 00:00:00', '2024-02-30', 1.25, 8000000000, 9, 'x', 'y', "
        "0, 'F'",
        "3, NULL, '12', NULL, NULL, NULL, '13:45:10', NULL, NULL, NULL, NULL, NULL, NULL, NULL",
        "4, '12abc', 3.75, 5, 'q', 1.5, NULL, 'z', 2.5, 1, 4000000000, 1.5, 'w', NULL",
    };
    for (const char* linha : linhas)
      bd_->Executar(std::string("INSERT INTO T VALUES (") + linha + ")");
  }

  TxbResultado PelaSoci(const std::string& sql, const TParametros& parametros = {}) {
    TxbResultado r;
    bd::ExecutarSoci(bd_->Sessao(), sql, parametros, &r);
    return r;
  }

  void CompararCaminhos(const std::string& sql, const TParametros& parametros = {}) {
    SCOPED_TRACE(sql);
    const TxbResultado soci = PelaSoci(sql, parametros);
    const TxbResultado api = bd_->Consultar(sql, parametros);
    ASSERT_EQ(api.colunas, soci.colunas);
    ASSERT_EQ(api.linhas.size(), soci.linhas.size());
    for (size_t l = 0; l < soci.linhas.size(); ++l)
      for (size_t c = 0; c < soci.colunas.size(); ++c)
        EXPECT_EQ(Descrever(api.linhas[l][c]), Descrever(soci.linhas[l][c]))
            << "linha " << l << ", coluna " << soci.colunas[c];
  }

  std::unique_ptr<TpbBD> bd_;
};

TEST_F(LeituraSQLite, ColunasDeclaradasEExpressoesComoASoci) {
  CompararCaminhos("SELECT * FROM T ORDER BY ID");
  // The first row decides the undeclared types: another first row, others.
  CompararCaminhos("SELECT * FROM T ORDER BY ID DESC");
  CompararCaminhos("SELECT TS, M, SEM FROM T WHERE ID >= 3 ORDER BY ID");
  CompararCaminhos("SELECT TS, M FROM T WHERE ID > 9");
  CompararCaminhos(
      "SELECT COUNT(*) N, SUM(ID), SUM(R) SOMA, MAX(V), MAX(ID) MAIOR, MIN(TS), AVG(ID), "
      "CASE WHEN ID = 1 THEN 5 WHEN ID = 2 THEN 'x' ELSE 2.5 END C, NULL NADA, 'T' LOGICO, "
      "ID || 'a' JUNTO, COALESCE(I, 0) I0, CAST(ID AS BIGINT) ID64 FROM T GROUP BY ID ORDER BY ID");
  CompararCaminhos("SELECT COUNT(*), SUM(R), MAX(ID) FROM T WHERE ID > 9");
  CompararCaminhos(
      "SELECT Q.ID, Q.TS, (SELECT MAX(ID) FROM T) M FROM (SELECT ID, TS FROM T) Q ORDER BY Q.ID");
}

TEST_F(LeituraSQLite, ParametrosPorNomeEPosicaoComoASoci) {
  CompararCaminhos("SELECT ID, V FROM T WHERE ID >= :DE AND ID <= :de + 1 ORDER BY ID",
                   {{"DE", 2}});
  // SOCI types an undeclared column stepping once before it binds: with
  // every parameter null this query starts at the first row, not the third.
  CompararCaminhos("SELECT TS, M FROM T WHERE ID >= :DE OR :DE IS NULL ORDER BY ID", {{"DE", 3}});
  CompararCaminhos("SELECT TS FROM T WHERE ID >= ? ORDER BY ID", {{"", 4}});
  CompararCaminhos("SELECT ? A, ? B, ? C, ? D, ? E, ? F",
                   {{"", int64_t{9000000000}},
                    {"", 0.1},
                    {"", "ação"},
                    {"", TDateTime::EncodeDateTime(2024, 2, 29, 13, 5, 7)},
                    {"", true},
                    {"", TVariant()}});
  CompararCaminhos("SELECT ID FROM T WHERE DH = :D AND L = :L",
                   {{"D", TDateTime::EncodeDateTime(2024, 2, 29, 13, 5, 7)}, {"L", true}});
}

TEST_F(LeituraSQLite, ErrosComoASoci) {
  const std::string sem_valor = "SELECT ID FROM T WHERE ID = :FALTA";
  EXPECT_EQ(teste::Mensagem<EBancoDados>([&] { bd_->Consultar(sem_valor); }),
            teste::Mensagem<EBancoDados>([&] { PelaSoci(sem_valor); }));
  for (const std::string sql :
       {"SELECT * FROM NAO_HA", "SELEC 1", "INSERT INTO T (NAO_HA) VALUES (1)"}) {
    const std::string erro = teste::Mensagem<EBancoDados>([&] { bd_->Executar(sql); });
    EXPECT_NE(erro.find("\nSQL: " + sql), std::string::npos) << erro;
    EXPECT_THROW(PelaSoci(sql), EBancoDados);
  }
  // A value of a column not read, a date that is none: both refuse.
  bd_->Executar("CREATE TABLE Z (BL BLOB, D DATE)");
  bd_->Executar("INSERT INTO Z VALUES (X'01', 'amanhã')");
  for (const std::string sql : {"SELECT BL FROM Z", "SELECT D FROM Z"}) {
    EXPECT_THROW(bd_->Consultar(sql), EBancoDados) << sql;
    EXPECT_THROW(PelaSoci(sql), EBancoDados) << sql;
  }
  // The statement that failed is usable again, and so is the transaction.
  CompararCaminhos("SELECT ID FROM T ORDER BY ID");
}

// Read forward-only, through the API or SOCI, a query hands over the rows
// Consultar returns, in its order and with its types; the parameters of a
// cached statement are bound afresh.
TEST_F(LeituraSQLite, PercorrerEntregaAsLinhasDaConsulta) {
  auto linhas = [](const TxbResultado& r) {
    std::vector<std::string> descritas;
    for (const auto& linha : r.linhas) {
      std::string texto;
      for (const TVariant& v : linha) texto += Descrever(v) + "; ";
      descritas.push_back(texto);
    }
    return descritas;
  };
  const std::vector<std::pair<std::string, TParametros>> consultas = {
      {"SELECT * FROM T ORDER BY ID DESC", {}},
      {"SELECT ID, TS, M FROM T WHERE ID >= :DE ORDER BY ID", {{"DE", 2}}},
      {"SELECT ID, TS, M FROM T WHERE ID >= :DE ORDER BY ID", {{"DE", 4}}},
      {"SELECT ID FROM T WHERE ID > 9", {}},
  };
  for (const auto& [sql, parametros] : consultas) {
    SCOPED_TRACE(sql);
    const std::vector<std::string> esperadas = linhas(bd_->Consultar(sql, parametros));
    TxbResultado api, soci, colunas;
    const TxbVisitaLinha guardar_api = [&](const std::vector<TVariant>& l) {
      api.linhas.push_back(l);
    };
    bd_->Percorrer(sql, parametros, guardar_api);
    const TxbVisitaLinha guardar_soci = [&](const std::vector<TVariant>& l) {
      soci.linhas.push_back(l);
    };
    bd::ExecutarSoci(bd_->Sessao(), sql, parametros, &colunas, &guardar_soci);
    EXPECT_EQ(linhas(api), esperadas);
    EXPECT_EQ(linhas(soci), esperadas);
    EXPECT_TRUE(colunas.linhas.empty());
  }
  EXPECT_THROW(bd_->Percorrer("SELECT * FROM NAO_HA", {}, [](const auto&) {}), EBancoDados);
}

// A prepared command stores what SOCI's stores, value and storage class.
TEST_F(LeituraSQLite, ComandoPreparadoGravaComoASoci) {
  const std::vector<TTipoCampo> tipos = {
      TTipoCampo::Inteiro, TTipoCampo::Texto,    TTipoCampo::Real,   TTipoCampo::Data,
      TTipoCampo::Hora,    TTipoCampo::DataHora, TTipoCampo::Logico, TTipoCampo::Memo};
  const std::vector<std::vector<TVariant>> linhas = {
      {int64_t{9000000000}, "ação", -1234.5678, TDateTime::EncodeDate(1999, 12, 31),
       TDateTime::Parse("23:59:58"), TDateTime::EncodeDateTime(2024, 2, 29, 0, 0, 1), true,
       std::string(5000, 'x')},
      // Values of other types, converted to the parameter's; and nulls.
      {"12", 7, "2.5", TVariant(), TVariant(), "2024-03-01 10:20:30", "F", 3.5},
  };
  auto gravar = [&](std::unique_ptr<TxbComando> comando) {
    for (const auto& linha : linhas) {
      for (size_t i = 0; i < linha.size(); ++i) comando->Definir(i, linha[i]);
      comando->Executar();
    }
  };
  for (const char* tabela : {"PS", "PA"})
    bd_->Executar(std::string("CREATE TABLE ") + tabela + " (A, B, C, D, E, F, G, H, A2)");
  // A name used twice is one parameter.
  const std::string insert = "INSERT INTO {} VALUES (:A, :B, :C, :D, :E, :F, :G, :H, :A)";
  gravar(bd::NovoComandoSoci(*bd_, bd_->Sessao(), fmt::format(fmt::runtime(insert), "PS"), tipos));
  gravar(bd_->Preparar(fmt::format(fmt::runtime(insert), "PA"), tipos));

  std::string colunas;
  for (const char* c : {"A", "B", "C", "D", "E", "F", "G", "H", "A2"})
    colunas += fmt::format("{}typeof({}) || quote({})", colunas.empty() ? "" : ", ", c, c);
  const TxbResultado soci = bd_->Consultar("SELECT " + colunas + " FROM PS ORDER BY rowid");
  const TxbResultado api = bd_->Consultar("SELECT " + colunas + " FROM PA ORDER BY rowid");
  ASSERT_EQ(api.linhas.size(), 2u);
  for (size_t l = 0; l < 2; ++l)
    for (size_t c = 0; c < api.colunas.size(); ++c)
      EXPECT_EQ(api.linhas[l][c].AsString(), soci.linhas[l][c].AsString()) << l << ", " << c;
  EXPECT_THROW(bd_->Preparar("INSERT INTO PA (A) VALUES (:A, :B)", {TTipoCampo::Inteiro}),
               EBancoDados);
}

}  // namespace
}  // namespace efd
