// SQLite: the embedded default. Dates are stored as SOCI writes them, the text
// 'YYYY-MM-DD HH:MM:SS', and the id sequence is a one-row table.
//
// SOCI opens the connection and runs its transactions; statements run through
// SQLite's own API on that connection. SOCI's row-by-row fetching into its own
// holders was most of the time of a large query. Each value keeps the type
// SOCI's SQLite backend (4.0) gives it, which everything reading a result was
// written against: see TLeitura.
#include <fmt/format.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <unordered_map>

#include "framework/pbbd_kinds.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd::bd {
namespace {

// SOCI's header declares SQLite's API inside this namespace.
using namespace sqlite_api;

// How a column is read, and so the TVariant type of its values, as SOCI's
// SQLite backend decides it from the column's declared type.
enum class TLeitura {
  Texto,
  Inteiro,    // through a C int: a value beyond 32 bits comes back cut
  Inteiro64,  // BIGINT
  Real,
  Data,
  Blob,               // not read: a value raises an error
  PeloPrimeiroValor,  // a declared type SOCI does not know (TIMESTAMP among them)
};

// SOCI looks the declared type up in lower case, without spaces and cut at
// the first character that is neither a letter nor a digit ("VARCHAR(20)" is
// "varchar", "BIG INT" is "bigint", "DATE_X" is "date"). A column without a
// declared type, an expression, is text.
TLeitura LeituraDoTipoDeclarado(const char* declarado) {
  static const std::unordered_map<std::string, TLeitura> kTipos = {
      {"blob", TLeitura::Blob},
      {"date", TLeitura::Data},
      {"time", TLeitura::Data},
      {"datetime", TLeitura::Data},
      {"decimal", TLeitura::Real},
      {"double", TLeitura::Real},
      {"doubleprecision", TLeitura::Real},
      {"float", TLeitura::Real},
      {"number", TLeitura::Real},
      {"numeric", TLeitura::Real},
      {"real", TLeitura::Real},
      {"boolean", TLeitura::Inteiro},
      {"int", TLeitura::Inteiro},
      {"integer", TLeitura::Inteiro},
      {"int2", TLeitura::Inteiro},
      {"mediumint", TLeitura::Inteiro},
      {"smallint", TLeitura::Inteiro},
      {"tinyint", TLeitura::Inteiro},
      {"bigint", TLeitura::Inteiro64},
      {"int8", TLeitura::Inteiro64},
      // Read unsigned by SOCI, then taken back to 64 signed bits: the same.
      {"unsignedbigint", TLeitura::Inteiro64},
      {"char", TLeitura::Texto},
      {"character", TLeitura::Texto},
      {"clob", TLeitura::Texto},
      {"nativecharacter", TLeitura::Texto},
      {"nchar", TLeitura::Texto},
      {"nvarchar", TLeitura::Texto},
      {"text", TLeitura::Texto},
      {"varchar", TLeitura::Texto},
      {"varyingcharacter", TLeitura::Texto},
  };
  if (!declarado) return TLeitura::Texto;
  std::string nome;
  for (const char* p = declarado; *p; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (std::isspace(c)) continue;
    if (!std::isalnum(c)) break;
    nome += static_cast<char>(std::tolower(c));
  }
  const auto it = kTipos.find(nome);
  return it == kTipos.end() ? TLeitura::PeloPrimeiroValor : it->second;
}

// A type SOCI does not know comes from the first row's value: integers
// through a C int, reals, and text for anything else (a null, no row).
TLeitura LeituraDoValor(sqlite3_stmt* st, int coluna, int passo) {
  if (passo != SQLITE_ROW) return TLeitura::Texto;
  switch (sqlite3_column_type(st, coluna)) {
    case SQLITE_INTEGER:
      return TLeitura::Inteiro;
    case SQLITE_FLOAT:
      return TLeitura::Real;
    default:
      return TLeitura::Texto;
  }
}

// SOCI's reading of a date: three numbers, a date when '-' separates them and
// a time of day otherwise, then the time of day after a space; normalised by
// mktime. Empty when a number is missing or negative.
std::optional<std::tm> TmDoTexto(const char* texto) {
  const char* p = texto;
  char* fim = nullptr;
  auto numero = [&](long& v) {
    v = std::strtol(p, &fim, 10);
    if (fim == p || v < 0) return false;
    p = *fim ? fim + 1 : fim;
    return true;
  };
  long a = 0, b = 0, c = 0;
  if (!numero(a)) return std::nullopt;
  const char separador = *fim;
  if (!numero(b) || !numero(c)) return std::nullopt;
  long ano = 1900, mes = 1, dia = 1, hora = 0, minuto = 0, segundo = 0;
  if (*fim == ' ') {
    ano = a, mes = b, dia = c;
    if (!numero(hora) || !numero(minuto) || !numero(segundo)) return std::nullopt;
  } else if (separador == '-') {
    ano = a, mes = b, dia = c;
  } else {
    hora = a, minuto = b, segundo = c;
  }
  std::tm tm{};
  tm.tm_isdst = -1;
  tm.tm_year = static_cast<int>(ano - 1900);
  tm.tm_mon = static_cast<int>(mes - 1);
  tm.tm_mday = static_cast<int>(dia);
  tm.tm_hour = static_cast<int>(hora);
  tm.tm_min = static_cast<int>(minuto);
  tm.tm_sec = static_cast<int>(segundo);
  std::mktime(&tm);
  return tm;
}

// A date parameter as SOCI's SQLite backend writes it.
std::string TextoDaData(const TDateTime& data) {
  const std::tm tm = data.ToTm();
  return fmt::format("{}-{:02}-{:02} {:02}:{:02}:{:02}", tm.tm_year + 1900, tm.tm_mon + 1,
                     tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

struct TFinalizar {
  void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};
using TInstrucao = std::unique_ptr<sqlite3_stmt, TFinalizar>;

[[noreturn]] void FalhaDoMotor(sqlite3* conexao, const std::string& sql) {
  throw EBancoDados(MensagemErroSql(sqlite3_errmsg(conexao), sql));
}

// Null for a text without a statement (blank or only a comment).
TInstrucao Compilar(sqlite3* conexao, const std::string& texto, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(conexao, texto.c_str(), static_cast<int>(texto.size() + 1), &st,
                         nullptr) != SQLITE_OK) {
    sqlite3_finalize(st);
    FalhaDoMotor(conexao, sql);
  }
  return TInstrucao(st);
}

// Leaves a statement ready for its next use, whatever happened in this one:
// reset, so that it holds no lock, and without the values bound to it.
class TFimDeUso {
 public:
  explicit TFimDeUso(sqlite3_stmt* st) : st_(st) {}
  ~TFimDeUso() {
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
  }
  TFimDeUso(const TFimDeUso&) = delete;
  TFimDeUso& operator=(const TFimDeUso&) = delete;

 private:
  sqlite3_stmt* st_;
};

// Binds a value as SOCI binds the TVariant's type: texts and the logical
// 'T'/'F' as text, dates as SOCI's text. The value must outlive the step.
void Vincular(sqlite3_stmt* st, int posicao, const TVariant& valor) {
  const TVariant::Valor& v = valor.valor();
  if (const auto* i = std::get_if<int64_t>(&v)) {
    sqlite3_bind_int64(st, posicao, *i);
  } else if (const auto* r = std::get_if<double>(&v)) {
    sqlite3_bind_double(st, posicao, *r);
  } else if (const auto* s = std::get_if<std::string>(&v)) {
    sqlite3_bind_text(st, posicao, s->data(), static_cast<int>(s->size()), SQLITE_STATIC);
  } else if (const auto* d = std::get_if<TDateTime>(&v)) {
    const std::string texto = TextoDaData(*d);
    sqlite3_bind_text(st, posicao, texto.data(), static_cast<int>(texto.size()), SQLITE_TRANSIENT);
  } else if (const auto* b = std::get_if<bool>(&v)) {
    sqlite3_bind_text(st, posicao, *b ? "T" : "F", 1, SQLITE_STATIC);
  } else {
    sqlite3_bind_null(st, posicao);
  }
}

// The columns of a result being read, with how each is read.
class TLeitor {
 public:
  TLeitor(sqlite3_stmt* st, const std::string& sql) : st_(st), sql_(sql) {
    const int n = sqlite3_column_count(st);
    for (int i = 0; i < n; ++i) {
      leituras_.push_back(LeituraDoTipoDeclarado(sqlite3_column_decltype(st, i)));
      if (leituras_.back() == TLeitura::PeloPrimeiroValor) pelo_valor_ = true;
    }
  }

  bool DependeDoPrimeiroValor() const { return pelo_valor_; }

  // Fixes the types left to the first row from a step's outcome.
  void DefinirPeloPrimeiroValor(int passo) {
    for (size_t i = 0; i < leituras_.size(); ++i)
      if (leituras_[i] == TLeitura::PeloPrimeiroValor)
        leituras_[i] = LeituraDoValor(st_, static_cast<int>(i), passo);
    pelo_valor_ = false;
  }

  void Colunas(std::vector<std::string>& colunas) const {
    for (size_t i = 0; i < leituras_.size(); ++i)
      colunas.push_back(UpperCase(sqlite3_column_name(st_, static_cast<int>(i))));
  }

  void Linha(std::vector<TVariant>& valores) const {
    valores.reserve(leituras_.size());
    for (size_t i = 0; i < leituras_.size(); ++i)
      valores.push_back(Valor(static_cast<int>(i), leituras_[i]));
  }

 private:
  TVariant Valor(int i, TLeitura leitura) const {
    if (sqlite3_column_type(st_, i) == SQLITE_NULL) return {};
    switch (leitura) {
      case TLeitura::Inteiro:
        return TVariant(sqlite3_column_int(st_, i));
      case TLeitura::Inteiro64:
        return TVariant(static_cast<int64_t>(sqlite3_column_int64(st_, i)));
      case TLeitura::Real:
        return TVariant(sqlite3_column_double(st_, i));
      case TLeitura::Data:
        return Data(i);
      case TLeitura::Blob:
        throw EBancoDados(MensagemColunaNaoLida(sqlite3_column_name(st_, i)));
      case TLeitura::Texto:
      case TLeitura::PeloPrimeiroValor:
        break;
    }
    const auto* texto = reinterpret_cast<const char*>(sqlite3_column_text(st_, i));
    return TVariant(std::string(texto, static_cast<size_t>(sqlite3_column_bytes(st_, i))));
  }

  TVariant Data(int i) const {
    const auto* texto = reinterpret_cast<const char*>(sqlite3_column_text(st_, i));
    const std::optional<std::tm> tm = TmDoTexto(texto);
    if (!tm)
      throw EBancoDados(MensagemErroSql(fmt::format("A coluna {} tem '{}', que não é uma data",
                                                    sqlite3_column_name(st_, i), texto),
                                        sql_));
    return TVariant(DataDeTm(*tm));
  }

  sqlite3_stmt* st_;
  const std::string& sql_;
  std::vector<TLeitura> leituras_;
  bool pelo_valor_ = false;
};

// A statement prepared once, each parameter bound as it is defined; the
// values stay bound for the next executions, as SOCI's holders did.
class TxbComandoSqlite final : public TxbComando {
 public:
  TxbComandoSqlite(TpbBD& bd, sqlite3* conexao, std::string sql, std::vector<TTipoCampo> tipos)
      : bd_(bd), conexao_(conexao), sql_(std::move(sql)), tipos_(std::move(tipos)) {
    const TMarcasDoComando marcas = MarcasDoComando(sql_, tipos_.size());
    st_ = Compilar(conexao_, marcas.texto, sql_);
    if (!st_) throw EBancoDados(MensagemErroSql("O comando não tem instrução", sql_));
    marcas_.resize(tipos_.size());
    for (size_t m = 0; m < marcas.parametro_da_marca.size(); ++m)
      marcas_[marcas.parametro_da_marca[m]].push_back(static_cast<int>(m + 1));
  }

  void Definir(size_t indice, const TVariant& valor) override {
    if (indice >= tipos_.size())
      throw EErro(MensagemErroSql(
          fmt::format("Parâmetro {} inexistente: o comando tem {}", indice, tipos_.size()), sql_));
    if (valor.IsNull()) {
      for (int m : marcas_[indice]) sqlite3_bind_null(st_.get(), m);
      return;
    }
    switch (tipos_[indice]) {
      case TTipoCampo::Inteiro: {
        const int64_t i = valor.AsInt64();
        for (int m : marcas_[indice]) sqlite3_bind_int64(st_.get(), m, i);
        break;
      }
      case TTipoCampo::Real: {
        const double r = valor.AsFloat();
        for (int m : marcas_[indice]) sqlite3_bind_double(st_.get(), m, r);
        break;
      }
      case TTipoCampo::Texto:
      case TTipoCampo::Memo:
        if (const auto* s = std::get_if<std::string>(&valor.valor()))
          VincularTexto(indice, *s);
        else
          VincularTexto(indice, valor.AsString());
        break;
      case TTipoCampo::Logico:
        VincularTexto(indice, valor.AsBoolean() ? "T" : "F");
        break;
      case TTipoCampo::Data:
      case TTipoCampo::Hora:
      case TTipoCampo::DataHora:
        VincularTexto(indice, TextoDaData(valor.AsDateTime()));
        break;
    }
  }

  void Executar() override {
    bd_.Iniciar();
    const int passo = sqlite3_step(st_.get());
    if (passo != SQLITE_DONE && passo != SQLITE_ROW) {
      const std::string erro = sqlite3_errmsg(conexao_);
      sqlite3_reset(st_.get());
      throw EBancoDados(MensagemErroSql(erro, sql_));
    }
    sqlite3_reset(st_.get());
  }

 private:
  void VincularTexto(size_t indice, std::string_view texto) {
    for (int m : marcas_[indice])
      sqlite3_bind_text(st_.get(), m, texto.data(), static_cast<int>(texto.size()),
                        SQLITE_TRANSIENT);
  }

  TpbBD& bd_;
  sqlite3* conexao_;
  const std::string sql_;
  const std::vector<TTipoCampo> tipos_;
  TInstrucao st_;
  std::vector<std::vector<int>> marcas_;  // the markers (1-based) of each parameter
};

class TpbBDSQLite final : public TpbBD {
 public:
  void Conectar(const std::string& url, const std::string& caminho) {
    Abrir(url, soci::sqlite3, "db=\"" + caminho + "\" timeout=30");
    conexao_ = static_cast<soci::sqlite3_session_backend*>(sessao_->get_backend())->conn_;
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

  // The ids as one JSON array literal: as cheap to prepare and run as the
  // same ids in an IN list, and the planner starts from them.
  std::string JuncaoConjuntoIds(const std::string& coluna, const std::string& apelido,
                                const std::vector<int64_t>& ids) override {
    std::string lista;
    for (int64_t id : ids) lista += (lista.empty() ? "" : ",") + std::to_string(id);
    return fmt::format("INNER JOIN json_each('[{}]') {} ON {}.value = {} ", lista, apelido, apelido,
                       coluna);
  }

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

  std::string SqlColunasDasTabelas() const override {
    return "SELECT M.name, P.name FROM sqlite_master M INNER JOIN pragma_table_info(M.name) P "
           "WHERE M.type = 'table' ORDER BY M.name, P.cid";
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

  void ExecutarNoMotor(const std::string& sql, const TParametros& parametros,
                       TxbResultado* resultado, const TxbVisitaLinha* linha) override {
    const auto it = preparadas_.find(sql);
    const bool guardada = it != preparadas_.end();
    if (guardada && !Lendo(it->second))
      return ExecutarPreparada(it->second, sql, parametros, resultado, linha);
    TPreparada preparada{ConverterParametros(sql), nullptr};
    preparada.st = Compilar(conexao_, preparada.convertido.texto, sql);
    if (!preparada.st) return;
    // Kept when it takes parameters: the same few such texts run for every
    // window and document, while a text carrying its values seldom comes
    // again (and may be long, with a window's ids). The same text run again
    // while its rows are read gets a statement of its own.
    if (preparada.convertido.nomes.empty() || guardada)
      return ExecutarPreparada(preparada, sql, parametros, resultado, linha);
    constexpr size_t kLimitePreparadas = 64;
    if (preparadas_.size() >= kLimitePreparadas)
      std::erase_if(preparadas_, [](const auto& par) { return !Lendo(par.second); });
    ExecutarPreparada(preparadas_.emplace(sql, std::move(preparada)).first->second, sql, parametros,
                      resultado, linha);
  }

  std::unique_ptr<TxbComando> PrepararNoMotor(const std::string& sql,
                                              std::vector<TTipoCampo> tipos) override {
    return std::make_unique<TxbComandoSqlite>(*this, conexao_, sql, std::move(tipos));
  }

 private:
  struct TPreparada {
    TSqlPosicional convertido;
    TInstrucao st;
  };

  // Whether its rows are being read, by a visit of a row further up.
  static bool Lendo(const TPreparada& preparada) {
    return sqlite3_stmt_busy(preparada.st.get()) != 0;
  }

  void ExecutarPreparada(const TPreparada& preparada, const std::string& sql,
                         const TParametros& parametros, TxbResultado* resultado,
                         const TxbVisitaLinha* linha) {
    sqlite3_stmt* st = preparada.st.get();
    const std::vector<const TVariant*> valores =
        ValoresDasMarcas(preparada.convertido, parametros, sql);
    TFimDeUso fim(st);
    std::optional<TLeitor> leitor;
    if (resultado) {
      leitor.emplace(st, sql);
      // SOCI learns such types stepping once before it binds the parameters:
      // from the first row with every parameter null.
      if (leitor->DependeDoPrimeiroValor() && !valores.empty()) {
        leitor->DefinirPeloPrimeiroValor(sqlite3_step(st));
        sqlite3_reset(st);
      }
    }
    for (size_t i = 0; i < valores.size(); ++i) Vincular(st, static_cast<int>(i + 1), *valores[i]);
    int passo = sqlite3_step(st);
    if (resultado) {
      if (leitor->DependeDoPrimeiroValor()) leitor->DefinirPeloPrimeiroValor(passo);
      leitor->Colunas(resultado->colunas);
      std::vector<TVariant> atual;
      for (; passo == SQLITE_ROW; passo = sqlite3_step(st)) {
        if (!linha) {
          leitor->Linha(resultado->linhas.emplace_back());
          continue;
        }
        atual.clear();
        leitor->Linha(atual);
        (*linha)(atual);
      }
    }
    if (passo != SQLITE_DONE && passo != SQLITE_ROW) FalhaDoMotor(conexao_, sql);
  }

  sqlite3* conexao_ = nullptr;
  // Finalized before the connection closes (members go before the base's).
  std::unordered_map<std::string, TPreparada> preparadas_;
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
