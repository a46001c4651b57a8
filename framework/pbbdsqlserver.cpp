// SQL Server through ODBC (e.g. "sqlserver:DRIVER={FreeTDS};SERVER=...;..."):
// connects only when such a URL is opened. The id sequence is a one-row table.
#include <fmt/format.h>
#include <soci/odbc/soci-odbc.h>
#include <soci/soci.h>

#include "framework/pbbd_kinds.h"

namespace efd::bd {
namespace {

class TpbBDSQLServer final : public TpbBD {
 public:
  void Conectar(const std::string& url, const std::string& odbc) { Abrir(url, soci::odbc, odbc); }

  std::string ClassName() const override { return "TpbBDSQLServer"; }

  // Style 120 reads 'yyyy-mm-dd hh:mi:ss' whatever the server's language.
  std::string LiteralData(TDateTime data) const override {
    return "CONVERT(DATETIME, '" + data.Iso() + "', 120)";
  }

  std::string LimitarLinhas(const std::string& select, int n) const override {
    return InserirAposSelect(select, "TOP " + std::to_string(n), true);
  }

  std::string FragmentoAposAlias() const override { return " WITH (NOLOCK) "; }

  std::string ConverterTexto(const std::string& expressao) const override {
    return "CONVERT(VARCHAR(MAX), " + expressao + ")";
  }

  std::string Concatenar(const std::string& a, const std::string& b) const override {
    return a + " + " + b;
  }

  void CriarTabelaTemporaria(const std::string& nome) override {
    const TxbResultado r = Consultar("select object_id('tempdb.." + nome + "') as ID");
    if (r.Vazio() || r.Valor(0, "ID").IsNull()) {
      Executar("CREATE TABLE " + nome + "(ID int NOT NULL) ON [PRIMARY]");
      Executar("CREATE INDEX " + nome + "_IDX1 ON " + nome + " (ID)");
    } else {
      Executar("DELETE FROM " + nome);
    }
  }

  const TTiposColuna& TiposColuna() const override {
    // Inteiro, Texto, Real, Data, Hora, DataHora, Logico, Memo.
    static const TTiposColuna kTipos = {"INTEGER", "VARCHAR({})", "FLOAT",      "DATETIME",
                                        "TIME",    "DATETIME",    "VARCHAR(1)", "VARCHAR(MAX)"};
    return kTipos;
  }

 protected:
  bool SequenciaTransacional() const override { return true; }

  int64_t ReservarBlocoIDs(int64_t tamanho) override { return ReservarBlocoIDsNaTabela(tamanho); }

  std::vector<std::string> ListarColunas(const std::string& tabela) override {
    const TxbResultado r =
        tabela.rfind('#', 0) == 0
            ? Consultar(
                  "SELECT name FROM tempdb.sys.columns WHERE object_id = object_id('tempdb.." +
                  tabela + "') ORDER BY column_id")
            : Consultar(
                  "SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = :T ORDER "
                  "BY ORDINAL_POSITION",
                  {{"T", tabela}});
    std::vector<std::string> colunas;
    for (const auto& linha : r.linhas) colunas.push_back(linha[0].AsString());
    return colunas;
  }

  std::string SqlColunasDasTabelas() const override {
    return "SELECT TABLE_NAME, COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS ORDER BY TABLE_NAME, "
           "ORDINAL_POSITION";
  }

  bool ExisteTabela(const std::string& tabela) override {
    if (tabela.rfind('#', 0) == 0) {
      const TxbResultado r = Consultar("select object_id('tempdb.." + tabela + "') as ID");
      return !r.Vazio() && !r.linhas[0][0].IsNull();
    }
    return PrimeiroInteiro(
               Consultar("SELECT COUNT(*) FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = :T",
                         {{"T", tabela}})) > 0;
  }

  void CriarSequenciaSeAusente() override {
    Executar(fmt::format("IF OBJECT_ID('{0}', 'U') IS NULL CREATE TABLE {0} (ID BIGINT NOT NULL)",
                         kSequenciaIDs));
    Executar(fmt::format("INSERT INTO {0} (ID) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM {0})",
                         kSequenciaIDs));
  }
};

}  // namespace

std::unique_ptr<TpbBD> NovoSQLServer() {
  return std::make_unique<TpbBDSQLServer>();
}

std::unique_ptr<TpbBD> ConectarSQLServer(const std::string& url, const std::string& odbc) {
  auto bd = std::make_unique<TpbBDSQLServer>();
  bd->Conectar(url, odbc);
  return bd;
}

}  // namespace efd::bd
