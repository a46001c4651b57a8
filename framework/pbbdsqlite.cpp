// SQLite: the embedded default. Dates are stored as SOCI writes them, the text
// 'YYYY-MM-DD HH:MM:SS', and the id sequence is a one-row table.
#include <fmt/format.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include "framework/pbbd_kinds.h"
#include "framework/xbformato.h"

namespace efd::bd {
namespace {

class TpbBDSQLite final : public TpbBD {
 public:
  void Conectar(const std::string& url, const std::string& caminho) {
    Abrir(url, soci::sqlite3, "db=\"" + caminho + "\" timeout=30");
    Executar("PRAGMA cache_size = -16384");
  }

  std::string ClassName() const override { return "TpbBDSQLite"; }

  // The same text SOCI stores for a date, so that comparisons with stored
  // dates hold.
  std::string LiteralData(TDateTime data) const override { return "'" + data.Iso() + "'"; }

  std::string LimitarLinhas(const std::string& select, int n) const override {
    std::string s = TrimRight(select);
    while (!s.empty() && s.back() == ';') s = TrimRight(s.substr(0, s.size() - 1));
    return s + " LIMIT " + std::to_string(n);
  }

  // Without statistics SQLite joins the generation's rows from the block side
  // and walks every row of the generation once per register table. A sample
  // of each index is enough to choose well, and costs milliseconds.
  void AtualizarEstatisticas() override {
    Executar("PRAGMA analysis_limit = 1000");
    Executar("ANALYZE");
  }

  // Rows kept in the order of their ID, which every join and parent link
  // looks them up by: one tree to search and to insert into, not a table
  // and the index of its key.
  std::string OpcoesTabela() const override { return " WITHOUT ROWID"; }

  void CriarTabelaTemporaria(const std::string& nome) override {
    Executar("CREATE TEMP TABLE IF NOT EXISTS " + nome + " (ID INTEGER)");
    Executar("DELETE FROM " + nome);
  }

  const TTiposColuna& TiposColuna() const override {
    // Inteiro, Texto, Real, Data, Hora, DataHora, Logico, Memo.
    static const TTiposColuna kTipos = {
        // SOCI reads a column declared INTEGER through a C int, cutting values
        // above 2^31 without a word; BIGINT (same storage) is read whole.
        "BIGINT",    "VARCHAR({})", "REAL",       "TIMESTAMP",
        "TIMESTAMP", "TIMESTAMP",   "VARCHAR(1)", "TEXT"};
    return kTipos;
  }

 protected:
  bool SequenciaTransacional() const override { return true; }

  int64_t ReservarBlocoIDs(int64_t tamanho) override { return ReservarBlocoIDsNaTabela(tamanho); }

  std::vector<std::string> ListarColunas(const std::string& tabela) override {
    TxbResultado r =
        Consultar("SELECT name FROM pragma_table_info(:T) ORDER BY cid", {{"T", tabela}});
    std::vector<std::string> colunas;
    for (const auto& linha : r.linhas) colunas.push_back(linha[0].AsString());
    return colunas;
  }

  bool ExisteTabela(const std::string& tabela) override {
    return PrimeiroInteiro(Consultar(
               "SELECT COUNT(*) FROM (SELECT name FROM sqlite_master WHERE type IN ('table', "
               "'view') UNION ALL SELECT name FROM sqlite_temp_master WHERE type = 'table') "
               "WHERE UPPER(name) = UPPER(:T)",
               {{"T", tabela}})) > 0;
  }

  void CriarSequenciaSeAusente() override {
    Executar(fmt::format("CREATE TABLE IF NOT EXISTS {} (ID BIGINT NOT NULL)", kSequenciaIDs));
    Executar(fmt::format("INSERT INTO {0} (ID) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM {0})",
                         kSequenciaIDs));
  }
};

}  // namespace

std::unique_ptr<TpbBD> NovoSQLite() {
  return std::make_unique<TpbBDSQLite>();
}

std::unique_ptr<TpbBD> ConectarSQLite(const std::string& url, const std::string& caminho) {
  auto bd = std::make_unique<TpbBDSQLite>();
  bd->Conectar(url, caminho);
  return bd;
}

}  // namespace efd::bd
