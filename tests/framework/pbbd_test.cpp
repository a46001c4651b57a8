#include "framework/pbbd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "framework/xberros.h"
#include "tests/testutil.h"

namespace efd {
namespace {

using teste::NovaUrl;

// A fresh database of one engine, and what the tests ask of it.
class ComBanco {
 protected:
  // Skips the test when the engine is not available here.
  void Conectar(const std::string& motor) {
    if (!teste::MotorDisponivel(motor))
      GTEST_SKIP() << motor << ": EFD_TEST_FIREBIRD_SERVER (HOST:PORT) não definida";
    motor_ = motor;
    bd_ = TpbBD::Conectar(NovaUrl(motor));
  }

  // Firebird uses a table only once its DDL is committed.
  void CriarTabela(const std::string& ddl) {
    bd_->Executar(ddl);
    bd_->Confirmar();
  }

  int64_t Contar(const std::string& sql, const TParametros& parametros = {}) {
    return bd_->Consultar(sql, parametros).linhas.at(0).at(0).AsInt64();
  }

  std::vector<int64_t> Ids(const std::string& sql, const TParametros& parametros = {}) {
    std::vector<int64_t> ids;
    for (const auto& linha : bd_->Consultar(sql, parametros).linhas)
      ids.push_back(linha.at(0).AsInt64());
    return ids;
  }

  // A second URL to the same database: SQLite in memory is private to its
  // connection, so that engine gets a file.
  std::string UrlDeArquivo() {
    static int arquivos = 0;
    if (motor_ == "sqlite")
      return "sqlite:" + teste::DiretorioTemporario() + "/" + std::to_string(++arquivos) + ".db";
    return bd_->Url();
  }

  std::string motor_;
  std::unique_ptr<TpbBD> bd_;
};

class BancoDeDados : public ::testing::TestWithParam<std::string>, protected ComBanco {
 protected:
  void SetUp() override { Conectar(GetParam()); }
};

TEST_P(BancoDeDados, DesfazerDescartaTudoDesdeAUltimaConfirmacao) {
  CriarTabela("CREATE TABLE T (ID INTEGER, NOME VARCHAR(20))");
  EXPECT_FALSE(bd_->EmTransacao());
  bd_->Executar("INSERT INTO T (ID, NOME) VALUES (1, 'um')");
  EXPECT_TRUE(bd_->EmTransacao());
  bd_->Confirmar();
  bd_->Executar("INSERT INTO T (ID, NOME) VALUES (2, 'dois')");
  bd_->Executar("UPDATE T SET NOME = 'mudado' WHERE ID = 1");
  bd_->Desfazer();
  EXPECT_FALSE(bd_->EmTransacao());

  const TxbResultado r = bd_->Consultar("SELECT ID, NOME FROM T");
  ASSERT_EQ(r.linhas.size(), 1u);
  EXPECT_EQ(r.Valor(0, "nome").AsString(), "um");
  // With nothing open both are no-ops.
  bd_->Confirmar();
  bd_->Confirmar();
  bd_->Desfazer();
  bd_->Desfazer();
}

TEST_P(BancoDeDados, TrabalhoNaoConfirmadoSePerdeAoFechar) {
  const std::string url = UrlDeArquivo();
  auto bd = TpbBD::Conectar(url);
  bd->Executar("CREATE TABLE T (ID INTEGER)");
  bd->Confirmar();
  bd->Executar("INSERT INTO T (ID) VALUES (1)");
  bd.reset();
  bd_.reset();  // the engine sees a single attachment close

  bd = TpbBD::Conectar(url);
  EXPECT_EQ(bd->Consultar("SELECT COUNT(*) FROM T").linhas[0][0].AsInt64(), 0);
}

TEST_P(BancoDeDados, DatasComparadasComParametroELiteral) {
  CriarTabela("CREATE TABLE D (ID INTEGER, DT " + bd_->TipoColuna(TTipoCampo::DataHora, 0) + ")");
  const TDateTime datas[] = {TDateTime::EncodeDate(2024, 2, 29), TDateTime::EncodeDate(2024, 3, 1),
                             TDateTime::EncodeDateTime(2024, 3, 1, 13, 45, 10),
                             TDateTime::EncodeDate(2024, 3, 2)};
  for (int i = 0; i < 4; ++i)
    bd_->Executar("INSERT INTO D (ID, DT) VALUES (:ID, :DT)", {{"ID", i + 1}, {"DT", datas[i]}});
  bd_->Executar("INSERT INTO D (ID, DT) VALUES (:ID, :DT)", {{"ID", 5}, {"DT", TVariant()}});

  const TDateTime inicio = TDateTime::EncodeDate(2024, 3, 1);
  const TDateTime fim = TDateTime::EncodeDate(2024, 3, 2);
  EXPECT_EQ(Ids("SELECT ID FROM D WHERE DT >= :INI AND DT < :FIM ORDER BY ID",
                {{"INI", inicio}, {"FIM", fim}}),
            (std::vector<int64_t>{2, 3}));
  EXPECT_EQ(Ids("SELECT ID FROM D WHERE DT >= " + bd_->LiteralData(inicio) + " AND DT < " +
                bd_->LiteralData(fim) + " ORDER BY ID"),
            (std::vector<int64_t>{2, 3}));
  EXPECT_EQ(Ids("SELECT ID FROM D WHERE DT = " + bd_->LiteralData(datas[2])),
            (std::vector<int64_t>{3}));
  EXPECT_EQ(Ids("SELECT ID FROM D WHERE DT <= :D", {{"D", TDateTime::EncodeDate(2024, 2, 29)}}),
            (std::vector<int64_t>{1}));

  // Read back, whatever form the engine hands it in.
  const TxbResultado r = bd_->Consultar("SELECT DT FROM D WHERE ID = 3");
  EXPECT_EQ(r.linhas[0][0].AsDateTime(), datas[2]);
}

TEST_P(BancoDeDados, TabelaTemporariaVaziaEUsavelNaTransacaoAberta) {
  CriarTabela("CREATE TABLE T (ID INTEGER)");
  bd_->Executar("INSERT INTO T (ID) VALUES (7)");  // open work, not committed

  bd_->CriarTabelaTemporaria("TMP_IDS");
  bd_->Executar("INSERT INTO TMP_IDS (ID) VALUES (1)");
  bd_->Executar("INSERT INTO TMP_IDS (ID) VALUES (7)");
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TMP_IDS"), 2);

  bd_->CriarTabelaTemporaria("TMP_IDS");
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TMP_IDS"), 0);
  bd_->Executar("INSERT INTO TMP_IDS (ID) VALUES (7)");
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM T JOIN TMP_IDS ON TMP_IDS.ID = T.ID"), 1);
  EXPECT_TRUE(bd_->TabelaExiste("tmp_ids"));
  EXPECT_EQ(bd_->ColunasDaTabela("TMP_IDS"), std::vector<std::string>{"ID"});

  bd_->Confirmar();
  EXPECT_EQ(Ids("SELECT ID FROM T"), std::vector<int64_t>{7});
  // A third call in a later transaction finds it again.
  bd_->CriarTabelaTemporaria("TMP_IDS");
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TMP_IDS"), 0);
}

// Items (ID) of documents (DOC): document d has items 10d + 1 and 10d + 2.
void CriarItens(TpbBD& bd, int documentos) {
  bd.Executar("CREATE TABLE ITENS (ID " + bd.TipoColuna(TTipoCampo::Inteiro, 0) + ", DOC " +
              bd.TipoColuna(TTipoCampo::Inteiro, 0) + ")");
  bd.Confirmar();
  auto inserir = bd.Preparar("INSERT INTO ITENS (ID, DOC) VALUES (?, ?)",
                             {TTipoCampo::Inteiro, TTipoCampo::Inteiro});
  for (int d = 1; d <= documentos; ++d)
    for (int i = 1; i <= 2; ++i) {
      inserir->Definir(0, 10 * d + i);
      inserir->Definir(1, d);
      inserir->Executar();
    }
  bd.Confirmar();
}

std::vector<int64_t> ItensDosDocumentos(TpbBD& bd, const std::vector<int64_t>& documentos) {
  std::vector<int64_t> itens;
  for (const auto& linha : bd.Consultar("SELECT I.ID FROM ITENS I " +
                                        bd.JuncaoIds("I.DOC", documentos) + "ORDER BY I.ID")
                               .linhas)
    itens.push_back(linha.at(0).AsInt64());
  return itens;
}

TEST_P(BancoDeDados, JuncaoIdsDevolveExatamenteAsLinhasDoConjunto) {
  CriarItens(*bd_, 1500);
  // Repeated ids count once, absent ones match nothing, an empty set nothing.
  EXPECT_EQ(ItensDosDocumentos(*bd_, {5, 3, 5, 9999}), (std::vector<int64_t>{31, 32, 51, 52}));
  EXPECT_EQ(ItensDosDocumentos(*bd_, {}), std::vector<int64_t>{});
  // Two sets in one statement.
  EXPECT_EQ(Ids("SELECT I.ID FROM ITENS I " + bd_->JuncaoIds("I.DOC", {3, 4, 7}) +
                bd_->JuncaoIds("I.ID", {31, 42, 52, 71}) + "ORDER BY I.ID"),
            (std::vector<int64_t>{31, 42, 71}));

  // A long page, more sets than an engine may keep at once, and a set asked
  // for again after others took its place.
  std::vector<int64_t> pagina;
  for (int64_t d = 1; d <= 1500; d += 2) pagina.push_back(d);
  for (int vez = 0; vez < 2; ++vez) {
    for (int64_t d = 1; d <= 6; ++d) EXPECT_EQ(ItensDosDocumentos(*bd_, {d}).size(), 2u);
    const std::vector<int64_t> itens = ItensDosDocumentos(*bd_, pagina);
    ASSERT_EQ(itens.size(), 2 * pagina.size());
    EXPECT_EQ(itens.front(), 11);
    EXPECT_EQ(itens.back(), 14992);
  }

  // The sets outlive neither a commit nor a rollback, and are found again.
  bd_->Confirmar();
  EXPECT_EQ(ItensDosDocumentos(*bd_, {5, 3}), (std::vector<int64_t>{31, 32, 51, 52}));
  bd_->Desfazer();
  EXPECT_EQ(ItensDosDocumentos(*bd_, {5, 3}), (std::vector<int64_t>{31, 32, 51, 52}));
  EXPECT_EQ(ItensDosDocumentos(*bd_, {2}), (std::vector<int64_t>{21, 22}));
}

// Two sessions generating at once each read their own page.
TEST_P(BancoDeDados, JuncaoIdsDeConexoesSimultaneasNaoSeMisturam) {
  const std::string url = UrlDeArquivo();
  auto a = TpbBD::Conectar(url);
  CriarItens(*a, 20);
  auto b = TpbBD::Conectar(url);
  for (int vez = 0; vez < 3; ++vez) {
    EXPECT_EQ(ItensDosDocumentos(*a, {1, 2}), (std::vector<int64_t>{11, 12, 21, 22}));
    EXPECT_EQ(ItensDosDocumentos(*b, {2, 3}), (std::vector<int64_t>{21, 22, 31, 32}));
    EXPECT_EQ(ItensDosDocumentos(*a, {1, 2}), (std::vector<int64_t>{11, 12, 21, 22}));
    (vez == 0 ? a : b)->Confirmar();
  }
}

TEST_P(BancoDeDados, IdsUnicosCrescentesEAcimaDoReservado) {
  // A block taken in a transaction that is rolled back must not be reused.
  bd_->NovoID();
  bd_->Desfazer();

  std::vector<int64_t> ids;
  for (int i = 0; i < 2500; ++i) {
    ids.push_back(bd_->NovoID());
    if (i % 700 == 0) bd_->Confirmar();
  }
  bd_->Confirmar();
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
  EXPECT_EQ(std::set<int64_t>(ids.begin(), ids.end()).size(), ids.size());

  // Within the block in memory and beyond it.
  const int64_t dentro = ids.back() + 10;
  bd_->ReservarIDsAte(dentro);
  EXPECT_GT(bd_->NovoID(), dentro);
  const int64_t alem = ids.back() + 5000;
  bd_->ReservarIDsAte(alem);
  const int64_t depois = bd_->NovoID();
  EXPECT_GT(depois, alem);
  // Reserving below what was handed out moves nothing back.
  bd_->ReservarIDsAte(1);
  EXPECT_EQ(bd_->NovoID(), depois + 1);
  // Ids are 64-bit.
  bd_->ReservarIDsAte(int64_t{1} << 32);
  EXPECT_EQ(bd_->NovoID(), (int64_t{1} << 32) + 1);
  bd_->Confirmar();
}

TEST_P(BancoDeDados, DuasConexoesRecebemBlocosDistintos) {
  const std::string url = UrlDeArquivo();
  auto a = TpbBD::Conectar(url);
  auto b = TpbBD::Conectar(url);
  const int64_t de_a = a->NovoID();
  a->Confirmar();
  const int64_t de_b = b->NovoID();
  b->Confirmar();
  EXPECT_GE(std::llabs(de_a - de_b), 1000);
  EXPECT_EQ(a->NovoID(), de_a + 1);
}

TEST_P(BancoDeDados, ErroDeSqlTrazOSqlEMantemATransacao) {
  CriarTabela("CREATE TABLE T (ID INTEGER)");
  bd_->Executar("INSERT INTO T (ID) VALUES (1)");
  std::string erro = teste::Mensagem<EBancoDados>(
      [&] { bd_->Executar("INSERT INTO TABELA_QUE_NAO_HA (ID) VALUES (2)"); });
  EXPECT_NE(erro.find("INSERT INTO TABELA_QUE_NAO_HA (ID) VALUES (2)"), std::string::npos) << erro;
  erro =
      teste::Mensagem<EBancoDados>([&] { bd_->Consultar("SELECT ID FROM T WHERE ID = :FALTA"); });
  EXPECT_NE(erro.find(":FALTA"), std::string::npos) << erro;
  EXPECT_THROW(bd_->Preparar("SELEC ID FROM T", {}), EBancoDados);
  // The work done before the errors is still there to commit.
  bd_->Confirmar();
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM T"), 1);
}

TEST_P(BancoDeDados, ParametrosNomeados) {
  CriarTabela("CREATE TABLE T (ID INTEGER, NOME VARCHAR(20))");
  bd_->Executar("INSERT INTO T (ID, NOME) VALUES (:id, :Nome)", {{"ID", 1}, {":NOME", "a:b"}});
  bd_->Executar("INSERT INTO T (ID, NOME) VALUES (:ID, :NOME)", {{"ID", 2}, {"NOME", TVariant()}});
  bd_->Executar("INSERT INTO T (ID, NOME) VALUES (:ID, :NOME)", {{"ID", 3}, {"NOME", true}});

  // A name used twice, and a colon inside a literal that is no parameter.
  EXPECT_EQ(Ids("SELECT ID FROM T WHERE ID >= :X AND ID <= :X + 1 AND NOME <> '12:30' ORDER BY ID",
                {{"X", 1}}),
            (std::vector<int64_t>{1}));
  const TxbResultado r = bd_->Consultar("SELECT ID, NOME FROM T ORDER BY ID");
  ASSERT_EQ(r.linhas.size(), 3u);
  EXPECT_EQ(r.linhas[0][1].AsString(), "a:b");
  EXPECT_TRUE(r.linhas[1][1].IsNull());
  EXPECT_EQ(r.linhas[2][1].AsString(), "T");
  EXPECT_EQ(r.IndiceColuna("nome"), 1);
  EXPECT_THROW(r.Valor(0, "OUTRA"), ENomeDesconhecido);
}

// A text with parameters is kept prepared: run again with values of other
// types, again while its own rows are read, after a failure half-way, and
// with its table dropped and made again in between.
TEST_P(BancoDeDados, ConsultaRepetidaComOutrosValoresEDentroDaPropriaLeitura) {
  CriarTabela("CREATE TABLE T (ID INTEGER, NOME VARCHAR(20))");
  for (int i = 1; i <= 3; ++i)
    bd_->Executar("INSERT INTO T (ID, NOME) VALUES (:ID, :NOME)",
                  {{"ID", i}, {"NOME", "n" + std::to_string(i)}});
  const std::string sql = "SELECT ID, NOME FROM T WHERE ID >= :ID ORDER BY ID";
  EXPECT_EQ(Ids(sql, {{"ID", 2}}), (std::vector<int64_t>{2, 3}));
  EXPECT_EQ(Ids(sql, {{"ID", 3}}), (std::vector<int64_t>{3}));
  EXPECT_EQ(Ids(sql, {{"ID", TVariant()}}), (std::vector<int64_t>{}));
  EXPECT_EQ(Ids(sql, {{"ID", "2"}}), (std::vector<int64_t>{2, 3}));
  EXPECT_EQ(Ids(sql, {{"ID", 1}}), (std::vector<int64_t>{1, 2, 3}));

  std::vector<std::string> lidos;
  bd_->Percorrer(sql, {{"ID", 1}}, [&](const std::vector<TVariant>& linha) {
    const int64_t id = linha[0].AsInt64();
    lidos.push_back(linha[1].AsString() + ":" + std::to_string(Ids(sql, {{"ID", id + 1}}).size()));
  });
  EXPECT_EQ(lidos, (std::vector<std::string>{"n1:2", "n2:1", "n3:0"}));

  EXPECT_THROW(bd_->Percorrer(sql, {{"ID", 1}},
                              [](const std::vector<TVariant>&) { throw EErro("interrompida"); }),
               EErro);
  EXPECT_EQ(Ids(sql, {{"ID", 1}}), (std::vector<int64_t>{1, 2, 3}));

  bd_->Confirmar();
  CriarTabela("DROP TABLE T");
  CriarTabela("CREATE TABLE T (NOME VARCHAR(20), ID INTEGER)");
  bd_->Executar("INSERT INTO T (NOME, ID) VALUES ('novo', 9)");
  const TxbResultado r = bd_->Consultar(sql, {{"ID", 1}});
  ASSERT_EQ(r.linhas.size(), 1u);
  EXPECT_EQ(r.Valor(0, "NOME").AsString(), "novo");
}

// Both ways of preparing an insertion store the same rows: Preparar, and
// PrepararInsercao, whose rows may wait and go several at a time.
class Insercao : public ::testing::TestWithParam<std::tuple<std::string, bool>>,
                 protected ComBanco {
 protected:
  void SetUp() override { Conectar(std::get<0>(GetParam())); }

  std::unique_ptr<TxbComando> PrepararInsercao(const std::string& sql,
                                               std::vector<TTipoCampo> tipos) {
    return std::get<1>(GetParam()) ? bd_->PrepararInsercao(sql, std::move(tipos))
                                   : bd_->Preparar(sql, std::move(tipos));
  }
};

TEST_P(Insercao, DezMilLinhasComNulosDatasEReais) {
  CriarTabela("CREATE TABLE P (ID INTEGER, NOME " + bd_->TipoColuna(TTipoCampo::Texto, 40) +
              ", VALOR " + bd_->TipoColuna(TTipoCampo::Real, 0) + ", DT " +
              bd_->TipoColuna(TTipoCampo::Data, 0) + ", ATIVO " +
              bd_->TipoColuna(TTipoCampo::Logico, 0) + ")");
  auto cmd = PrepararInsercao(
      "INSERT INTO P (ID, NOME, VALOR, DT, ATIVO) VALUES (:P0, :P1, :P2, :P3, :P4)",
      {TTipoCampo::Inteiro, TTipoCampo::Texto, TTipoCampo::Real, TTipoCampo::Data,
       TTipoCampo::Logico});
  const TDateTime base = TDateTime::EncodeDate(2023, 12, 31);
  const int n = 10000;
  for (int i = 1; i <= n; ++i) {
    cmd->Definir(0, i);
    cmd->Definir(1, i % 7 == 0 ? TVariant() : TVariant("Nome " + std::to_string(i)));
    cmd->Definir(2, i % 5 == 0 ? TVariant() : TVariant(i * 0.25));
    cmd->Definir(3, TDateTime(base.dias + i % 366));
    cmd->Definir(4, i % 2 == 0);
    cmd->Executar();
    if (i == n / 2) bd_->Confirmar();  // the command outlives a transaction
  }
  bd_->Confirmar();

  const TxbResultado t = bd_->Consultar(
      "SELECT COUNT(*) N, COUNT(NOME) NOMES, SUM(VALOR) SOMA, MIN(DT) MENOR, MAX(DT) MAIOR FROM P");
  EXPECT_EQ(t.Valor(0, "N").AsInt64(), n);
  EXPECT_EQ(t.Valor(0, "NOMES").AsInt64(), n - n / 7);
  // Sum of i/4 over i not divisible by 5: exact in binary.
  EXPECT_DOUBLE_EQ(t.Valor(0, "SOMA").AsFloat(), (50005000.0 - 5 * 2001000.0) / 4);
  EXPECT_EQ(t.Valor(0, "MENOR").AsDateTime(), base);
  EXPECT_EQ(t.Valor(0, "MAIOR").AsDateTime(), TDateTime(base.dias + 365));
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM P WHERE ATIVO = 'T'"), n / 2);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM P WHERE DT = :D", {{"D", base}}), n / 366);

  const TxbResultado r = bd_->Consultar("SELECT NOME, VALOR, DT FROM P WHERE ID = 35");
  EXPECT_TRUE(r.linhas[0][0].IsNull());
  EXPECT_TRUE(r.linhas[0][1].IsNull());
  EXPECT_EQ(r.linhas[0][2].AsDateTime(), TDateTime(base.dias + 35));
}

// Runs of every length up to past the largest block, each sent by the query
// that follows it: each run goes by a block of its own size or larger, and
// what the larger one holds beyond the run stores nothing.
TEST_P(Insercao, CadaQuantidadeDeLinhasChegaInteira) {
  CriarTabela("CREATE TABLE P (ID INTEGER, NOME " + bd_->TipoColuna(TTipoCampo::Texto, 20) + ")");
  auto cmd = PrepararInsercao("INSERT INTO P (ID, NOME) VALUES (:ID, :NOME)",
                              {TTipoCampo::Inteiro, TTipoCampo::Texto});
  int64_t id = 0;
  for (int linhas = 1; linhas <= 70; ++linhas) {
    for (int i = 0; i < linhas; ++i) {
      cmd->Definir(0, ++id);
      cmd->Definir(1, id % 3 == 0 ? TVariant() : TVariant(std::to_string(id)));
      cmd->Executar();
    }
    ASSERT_EQ(Contar("SELECT COUNT(*) FROM P"), id) << linhas << " rows";
    // The run's last row, with its text unless it is null.
    EXPECT_EQ(Contar("SELECT COUNT(*) FROM P WHERE ID = :ID AND (NOME = :NOME OR NOME IS NULL)",
                     {{"ID", id}, {"NOME", std::to_string(id)}}),
              1);
  }
  bd_->Confirmar();
  EXPECT_EQ(Contar("SELECT COUNT(NOME) FROM P"), id - id / 3);
  EXPECT_EQ(Contar("SELECT SUM(ID) FROM P"), id * (id + 1) / 2);
}

TEST_P(Insercao, CadaTipoDeColunaGuardaELe) {
  const struct {
    const char* coluna;
    TTipoCampo tipo;
    TVariant valor;
  } casos[] = {
      {"I", TTipoCampo::Inteiro, TVariant(2147483647)},
      {"T", TTipoCampo::Texto, TVariant("ação ç")},
      {"R", TTipoCampo::Real, TVariant(-1234.5678)},
      {"D", TTipoCampo::Data, TVariant(TDateTime::EncodeDate(1999, 12, 31))},
      {"H", TTipoCampo::Hora, TVariant(TDateTime::Parse("23:59:58"))},
      {"DH", TTipoCampo::DataHora, TVariant(TDateTime::EncodeDateTime(2024, 2, 29, 0, 0, 1))},
      {"L", TTipoCampo::Logico, TVariant(true)},
      {"M", TTipoCampo::Memo, TVariant(std::string(7000, 'x'))},
  };
  std::string colunas, marcas;
  std::vector<TTipoCampo> tipos;
  for (const auto& c : casos) {
    colunas +=
        std::string(colunas.empty() ? "" : ", ") + c.coluna + " " + bd_->TipoColuna(c.tipo, 0);
    marcas += std::string(marcas.empty() ? "" : ", ") + ":" + c.coluna;
    tipos.push_back(c.tipo);
  }
  CriarTabela("CREATE TABLE TIPOS (" + colunas + ")");
  std::string nomes;
  for (const auto& c : casos) nomes += std::string(nomes.empty() ? "" : ", ") + c.coluna;
  auto cmd = PrepararInsercao("INSERT INTO TIPOS (" + nomes + ") VALUES (" + marcas + ")", tipos);
  for (size_t i = 0; i < std::size(casos); ++i) cmd->Definir(i, casos[i].valor);
  cmd->Executar();

  const TxbResultado r = bd_->Consultar("SELECT * FROM TIPOS");
  ASSERT_EQ(r.linhas.size(), 1u);
  EXPECT_EQ(r.Valor(0, "I").AsInt64(), 2147483647);
  EXPECT_EQ(r.Valor(0, "T").AsString(), "ação ç");
  EXPECT_DOUBLE_EQ(r.Valor(0, "R").AsFloat(), -1234.5678);
  EXPECT_EQ(r.Valor(0, "D").AsDateTime(), TDateTime::EncodeDate(1999, 12, 31));
  EXPECT_EQ(r.Valor(0, "H").AsDateTime().Formatar("HH:NN:SS"), "23:59:58");
  EXPECT_EQ(r.Valor(0, "DH").AsDateTime(), TDateTime::EncodeDateTime(2024, 2, 29, 0, 0, 1));
  EXPECT_TRUE(r.Valor(0, "L").AsBoolean());
  EXPECT_EQ(r.Valor(0, "M").AsString().size(), 7000u);
  const std::vector<std::string> nomes_das_colunas{"I", "T", "R", "D", "H", "DH", "L", "M"};
  EXPECT_EQ(bd_->ColunasDaTabela("tipos"), nomes_das_colunas);
  EXPECT_EQ(bd_->ColunasDasTabelas().at("TIPOS"), nomes_das_colunas);
  EXPECT_FALSE(bd_->TabelaExiste("TIPOS_NAO"));
}

TEST_P(BancoDeDados, InsercoesEmLoteChegamAntesDoComandoSeguinteEDaConfirmacao) {
  CriarTabela("CREATE TABLE T (ID INTEGER, NOME VARCHAR(20))");
  CriarTabela("CREATE TABLE U (ID INTEGER)");
  auto t =
      bd_->PrepararInsercao("INSERT INTO T (ID, NOME) VALUES (:ID, 'fixo')", {TTipoCampo::Inteiro});
  auto u = bd_->PrepararInsercao("INSERT INTO U (ID) VALUES (:ID)", {TTipoCampo::Inteiro});
  // More rows than a block takes, the two tables in turn.
  for (int i = 1; i <= 150; ++i) {
    t->Definir(0, i);
    t->Executar();
    u->Definir(0, i);
    u->Executar();
  }
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM T WHERE NOME = 'fixo'"), 150);
  EXPECT_EQ(Contar("SELECT SUM(ID) FROM U"), 150 * 151 / 2);
  t->Definir(0, 151);
  t->Executar();
  bd_->Confirmar();
  // A row still waiting when the work is undone is not sent afterwards.
  t->Definir(0, 152);
  t->Executar();
  bd_->Desfazer();
  t->Definir(0, 153);
  t->Executar();
  bd_->Confirmar();
  EXPECT_EQ(Ids("SELECT ID FROM T WHERE ID > 150 ORDER BY ID"), (std::vector<int64_t>{151, 153}));
}

TEST_P(BancoDeDados, InsercaoEmLoteQueFalhaEhDitaPeloComandoQueAEnvia) {
  CriarTabela("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY)");
  auto t = bd_->PrepararInsercao("INSERT INTO T (ID) VALUES (:ID)", {TTipoCampo::Inteiro});
  const std::string erro = teste::Mensagem<EBancoDados>([&] {
    for (int id : {1, 2, 1}) {
      t->Definir(0, id);
      t->Executar();
    }
    bd_->Consultar("SELECT COUNT(*) FROM T");
  });
  EXPECT_NE(erro.find("INSERT INTO T (ID) VALUES (:ID)"), std::string::npos) << erro;
  bd_->Desfazer();
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM T"), 0);
}

TEST_P(BancoDeDados, TextosDoDialetoExecutam) {
  CriarTabela("CREATE TABLE T (ID INTEGER, A VARCHAR(5), B VARCHAR(5))");
  for (int i = 1; i <= 4; ++i)
    bd_->Executar("INSERT INTO T (ID, A, B) VALUES (:ID, 'a', 'b')", {{"ID", i}});
  EXPECT_EQ(Ids(bd_->LimitarLinhas("SELECT ID FROM T ORDER BY ID DESC", 2)),
            (std::vector<int64_t>{4, 3}));
  EXPECT_EQ(Ids(bd_->LimitarLinhas("SELECT DISTINCT ID, A FROM T ORDER BY ID", 1)),
            (std::vector<int64_t>{1}));
  const TxbResultado r =
      bd_->Consultar("SELECT " + bd_->Concatenar("X.A", bd_->ConverterTexto("X.B")) +
                     " AB FROM T X" + bd_->FragmentoAposAlias() + " WHERE ID = 1");
  EXPECT_EQ(r.Valor(0, "AB").AsString(), "ab");
}

INSTANTIATE_TEST_SUITE_P(Motores, Insercao,
                         ::testing::Combine(::testing::ValuesIn(teste::MotoresDeTeste()),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           std::string nome = std::get<0>(info.param) +
                                              (std::get<1>(info.param) ? "_em_lote" : "");
                           std::replace(nome.begin(), nome.end(), '-', '_');
                           return nome;
                         });

INSTANTIATE_TEST_SUITE_P(Motores, BancoDeDados, ::testing::ValuesIn(teste::MotoresDeTeste()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string nome = info.param;
                           std::replace(nome.begin(), nome.end(), '-', '_');
                           return nome;
                         });

TEST(Dialetos, TextosDeSQLServerEOracle) {
  auto sqlserver = TpbBD::SemConexao("TpbBDSQLServer");
  auto oracle = TpbBD::SemConexao("TpbBDOracle");
  const TDateTime d = TDateTime::EncodeDateTime(2024, 3, 1, 13, 45, 0);

  EXPECT_EQ(sqlserver->LiteralData(d), "CONVERT(DATETIME, '2024-03-01 13:45:00', 120)");
  EXPECT_EQ(oracle->LiteralData(d), "TO_DATE('01/03/2024 13:45:00', 'DD/MM/YYYY HH24:MI:SS')");
  EXPECT_EQ(sqlserver->LimitarLinhas("  select distinct A from T", 5),
            "  select distinct TOP 5 A from T");
  EXPECT_EQ(TpbBD::SemConexao("TpbBDInterbase")->LimitarLinhas("SELECT DISTINCT A FROM T", 5),
            "SELECT FIRST 5 DISTINCT A FROM T");
  EXPECT_EQ(oracle->LimitarLinhas("SELECT A FROM T", 5),
            "SELECT * FROM (SELECT A FROM T) WHERE ROWNUM <= 5");
  EXPECT_THROW(sqlserver->LimitarLinhas("WITH X AS (SELECT 1) SELECT * FROM X", 5), EBancoDados);
  EXPECT_EQ(sqlserver->Concatenar("A", "B"), "A + B");
  EXPECT_EQ(oracle->Concatenar("A", "B"), "A || B");
  EXPECT_EQ(sqlserver->FragmentoAposAlias(), " WITH (NOLOCK) ");
  EXPECT_EQ(oracle->FragmentoAposAlias(), "");
  EXPECT_EQ(sqlserver->TipoColuna(TTipoCampo::Texto, 0), "VARCHAR(100)");
  EXPECT_EQ(oracle->TipoColuna(TTipoCampo::Memo, 0), "CLOB");
  // Kinds without a work table list the ids, sorted and once each.
  EXPECT_EQ(sqlserver->JuncaoIds("P.DOC", {3, 1, 3}),
            "INNER JOIN (VALUES (1), (3)) IDS_P_DOC (ID) ON IDS_P_DOC.ID = P.DOC ");
  EXPECT_EQ(sqlserver->JuncaoIds("P.DOC", {}),
            "INNER JOIN (VALUES (NULL)) IDS_P_DOC (ID) ON IDS_P_DOC.ID = P.DOC ");

  // Not connected: statements fail cleanly instead of crashing.
  EXPECT_THROW(sqlserver->CriarTabelaTemporaria("#TEMP_X"), EBancoDados);
  EXPECT_THROW(oracle->NovoID(), EBancoDados);
  EXPECT_THROW(TpbBD::SemConexao("TpbBDAccess"), ENomeDesconhecido);
}

TEST(Conexao, UrlsInvalidasEMotoresAusentesFalhamComEBancoDados) {
  EXPECT_THROW(TpbBD::Conectar("postgres://x"), EBancoDados);
  EXPECT_THROW(TpbBD::Conectar("sem-tipo"), EBancoDados);
  EXPECT_THROW(TpbBD::Conectar("firebird://so-o-servidor"), EBancoDados);
  EXPECT_NE(teste::Mensagem<EBancoDados>([] {
              TpbBD::Conectar("oracle:service=X user=Y password=Z");
            }).find("Oracle"),
            std::string::npos);
  // SQL Server connects only when asked; the failure does not show the password.
  const std::string erro = teste::Mensagem<EBancoDados>([] {
    TpbBD::Conectar("sqlserver:DRIVER={Driver Que Nao Existe};SERVER=127.0.0.1;UID=sa;PWD=segredo");
  });
  EXPECT_EQ(erro.find("segredo"), std::string::npos) << erro;
}

TEST(SQLite, InteiroDe64BitsVoltaInteiro) {
  auto bd = TpbBD::Conectar("sqlite::memory:");
  bd->Executar("CREATE TABLE T (N " + bd->TipoColuna(TTipoCampo::Inteiro, 0) + ")");
  bd->Executar("INSERT INTO T (N) VALUES (:N)", {{"N", int64_t{5000000000}}});
  EXPECT_EQ(bd->Consultar("SELECT N FROM T").linhas[0][0].AsInt64(), 5000000000);
}

TEST(Conexao, FirebirdCriaOArquivoQueFalta) {
  const std::string caminho = teste::DiretorioTemporario() + "/criado_na_conexao.fdb";
  auto bd = TpbBD::Conectar("firebird:" + caminho);
  EXPECT_TRUE(std::filesystem::exists(caminho));
  bd->Executar("CREATE TABLE T (ID INTEGER)");
  bd->Confirmar();
  EXPECT_TRUE(bd->TabelaExiste("T"));
}

}  // namespace
}  // namespace efd
