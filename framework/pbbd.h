// The database object of a session and its dialect.
//
// The kind of database is told by the class name, as the rest of the system
// switches on it: "TpbBDInterbase" (Firebird 3, embedded or server),
// "TpbBDSQLServer" (through ODBC), "TpbBDOracle" (dialect texts only) and
// "TpbBDSQLite" (the embedded default). Every SQL text that differs between
// the kinds comes from the subclass of that kind; nothing else in the system
// writes per-kind SQL except where it switches on ClassName() itself.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/xbvariant.h"

namespace soci {
class session;
class backend_factory;
}  // namespace soci

namespace efd {

enum class TTipoCampo { Inteiro, Texto, Real, Data, Hora, DataHora, Logico, Memo };

using TParametros = std::vector<std::pair<std::string, TVariant>>;

// Rows of a query. Column names come upper-case; values keep the type the
// engine reported (an engine may hand a COUNT back as text: read it with
// TVariant::AsInteger).
struct TxbResultado {
  std::vector<std::string> colunas;
  std::vector<std::vector<TVariant>> linhas;

  int IndiceColuna(const std::string& nome) const;  // -1 when absent (case-insensitive)
  const TVariant& Valor(size_t linha, const std::string& coluna) const;  // throws if absent
  bool Vazio() const { return linhas.empty(); }
};

// One row of a query read forward-only; the values are those of the current
// row only.
using TxbVisitaLinha = std::function<void(const std::vector<TVariant>&)>;

// A statement prepared once and executed many times with positional
// parameters of fixed types: the hot path of row insertion.
class TxbComando {
 public:
  virtual ~TxbComando() = default;
  virtual void Definir(size_t indice, const TVariant& valor) = 0;
  virtual void Executar() = 0;
};

// An insertion whose rows may wait in memory and go to the engine several in
// one statement (TpbBD::PrepararInsercao).
class TxbInsercaoEmLote : public TxbComando {
 public:
  virtual void Enviar() = 0;     // stores the rows waiting
  virtual void Descartar() = 0;  // forgets them
};

class TpbBD {
 public:
  // URL: "sqlite:PATH" (":memory:" allowed), "firebird:PATH" (embedded),
  // "firebird://HOST[:PORT]/PATH" (server), "sqlserver:ODBC-CONNECTION-STRING",
  // "oracle:..." (dialect only: connecting raises a clear error). Firebird user
  // and password come from ISC_USER / ISC_PASSWORD (SYSDBA / masterkey by
  // default). A Firebird database file that does not exist is created.
  static std::unique_ptr<TpbBD> Conectar(const std::string& url);
  // A database object of the given kind that is not connected: for tests of
  // dialect texts.
  static std::unique_ptr<TpbBD> SemConexao(const std::string& nome_classe);

  virtual ~TpbBD();
  virtual std::string ClassName() const = 0;
  const std::string& Url() const { return url_; }

  // --- dialect ---
  // A date (or date-time) literal usable in SQL text.
  virtual std::string LiteralData(TDateTime data) const = 0;
  // The SELECT limited to its first n rows.
  virtual std::string LimitarLinhas(const std::string& select, int n) const = 0;
  // Text put after a table alias in FROM/JOIN: the no-lock hint on SQL Server.
  virtual std::string FragmentoAposAlias() const { return ""; }
  // A text (memo) column converted to a comparable string.
  virtual std::string ConverterTexto(const std::string& expressao) const { return expressao; }
  virtual std::string Concatenar(const std::string& a, const std::string& b) const;
  // Makes sure a one-column (ID) work table of that name exists and is empty.
  virtual void CriarTabelaTemporaria(const std::string& nome) = 0;
  // Tells the engine's planner how large the tables and how selective the
  // indexes are now, before work whose plans depend on it (a month of the ERP
  // read, a generation's rows written). Nothing on engines that keep it
  // themselves.
  virtual void AtualizarEstatisticas() {}
  // DDL column type.
  std::string TipoColuna(TTipoCampo tipo, int tamanho) const;
  // Text put after a CREATE TABLE's column list.
  virtual std::string OpcoesTabela() const { return ""; }

  // --- filtering by a set of ids ---
  // A join that keeps only the rows whose integer `coluna` holds one of
  // `ids`, written in FROM right after the table of `coluna`:
  //   "FROM Z8_PARTEDOCTO P " + bd.JuncaoIds("P.IDF_DOCTO", ids) + "INNER JOIN ..."
  // Unlike a literal IN list, whose preparation on some engines costs in
  // proportion to its length, it is cheap however many ids come (a page of
  // documents read a window at a time). Repeated ids count once.
  std::string JuncaoIds(const std::string& coluna, std::vector<int64_t> ids);

  // --- execution (all inside the connection's current transaction) ---
  void Executar(const std::string& sql, const TParametros& parametros = {});
  TxbResultado Consultar(const std::string& sql, const TParametros& parametros = {});
  // Each row of a query handed to `linha` as it is read, none kept: what
  // the query costs in memory does not grow with its rows. `linha` must not
  // run statements on this connection.
  void Percorrer(const std::string& sql, const TParametros& parametros,
                 const TxbVisitaLinha& linha);
  // Parameters are written ":NAME" (matched case-insensitively; a name may
  // appear more than once) or "?". Preparar numbers them by order of first
  // appearance: Definir(0, ...) sets the first one. The command must not
  // outlive this object.
  std::unique_ptr<TxbComando> Preparar(const std::string& sql, std::vector<TTipoCampo> tipos);
  // An "INSERT INTO T (columns) VALUES (...)" prepared as by Preparar, whose
  // rows an engine that takes a round trip per statement keeps and sends
  // several at a time. Each insertion's rows are stored in order, before any
  // other statement of this connection runs (another insertion of this kind
  // does not wait for them) and by Confirmar, and forgotten by Desfazer; an
  // insertion that fails is reported by the statement that sends it.
  std::unique_ptr<TxbComando> PrepararInsercao(const std::string& sql,
                                               std::vector<TTipoCampo> tipos);

  // --- transactions ---
  // A transaction is opened on the first statement when none is open.
  // Iniciar opens one now; it does nothing when one is open.
  void Iniciar();
  void Confirmar();  // commit; no-op when none is open
  void Desfazer();   // rollback; no-op when none is open
  bool EmTransacao() const { return em_transacao_; }
  // For the insertions of PrepararInsercao: opens the transaction without
  // storing the rows waiting, and keeps `insercao` among those with rows
  // waiting until it is sent, forgotten or Esquecer is called.
  void IniciarSemEnviar();
  void Aguardar(TxbInsercaoEmLote& insercao);
  void Esquecer(TxbInsercaoEmLote& insercao);

  // --- identifiers: allocated from the database's sequence in blocks ---
  int64_t NovoID();
  // After rows were stored with explicit ids: later ids must be above maximo.
  void ReservarIDsAte(int64_t maximo);

  // --- schema ---
  bool TabelaExiste(const std::string& nome);
  std::vector<std::string> ColunasDaTabela(const std::string& nome);  // upper-case
  // Every table's columns in order by the table's name, names in upper case:
  // one query, where asking table by table takes one each.
  std::map<std::string, std::vector<std::string>> ColunasDasTabelas();
  void CriarSequencia();  // the id sequence, when missing

  // The SOCI connection, inside the current transaction (opened if none is).
  soci::session& Sessao();

 protected:
  TpbBD();
  // conexao_soci in SOCI's "backend://parameters" form (backend loaded by name).
  void Abrir(const std::string& url, const std::string& conexao_soci);
  void Abrir(const std::string& url, const soci::backend_factory& motor,
             const std::string& conexao);
  // Starts a transaction on the engine (SOCI's begin() unless overridden).
  virtual void IniciarNoMotor();
  // Runs one statement in the open transaction; with `resultado`, reads the
  // column names and every row into it, or with `linha` as well, hands each
  // row to `linha` and keeps none. Through SOCI unless the kind reads its
  // engine directly.
  virtual void ExecutarNoMotor(const std::string& sql, const TParametros& parametros,
                               TxbResultado* resultado, const TxbVisitaLinha* linha);
  virtual std::unique_ptr<TxbComando> PrepararNoMotor(const std::string& sql,
                                                      std::vector<TTipoCampo> tipos);
  // PrepararNoMotor unless the kind sends insertions in blocks.
  virtual std::unique_ptr<TxbComando> PrepararInsercaoNoMotor(const std::string& sql,
                                                              std::vector<TTipoCampo> tipos);
  // True when the sequence is a table whose updates a rollback undoes: the
  // block of ids in memory is then dropped on Desfazer.
  virtual bool SequenciaTransacional() const { return false; }
  // JuncaoIds for ids sorted and without repeats; `apelido` is an alias free
  // in the query. The standard table value constructor unless overridden.
  virtual std::string JuncaoConjuntoIds(const std::string& coluna, const std::string& apelido,
                                        const std::vector<int64_t>& ids);
  // After the transaction was committed or rolled back.
  virtual void TransacaoEncerrada() {}
  virtual int64_t ReservarBlocoIDs(int64_t tamanho) = 0;  // returns the last id of the block
  // The DDL type names of a kind, one per TTipoCampo in declaration order; the
  // text type holds "{}" where its length goes.
  using TTiposColuna = std::array<const char*, 8>;
  virtual const TTiposColuna& TiposColuna() const = 0;
  // A sequence kept in a one-row table (kinds without a sequence of their own).
  int64_t ReservarBlocoIDsNaTabela(int64_t tamanho);
  virtual std::vector<std::string> ListarColunas(const std::string& tabela) = 0;
  // A query of every table's name and column names, in the columns' order.
  virtual std::string SqlColunasDasTabelas() const = 0;
  virtual bool ExisteTabela(const std::string& tabela) = 0;
  virtual void CriarSequenciaSeAusente() = 0;

  std::unique_ptr<soci::session> sessao_;
  std::string url_;
  bool em_transacao_ = false;
  int64_t proximo_id_ = 0;
  int64_t ultimo_id_bloco_ = -1;

 private:
  void CriarSequenciaUmaVez();
  void EnviarAguardando();
  bool sequencia_pronta_ = false;
  std::vector<TxbInsercaoEmLote*> aguardando_;  // in the order their first row came
};

}  // namespace efd
