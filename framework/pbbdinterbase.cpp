// Firebird 3, embedded (a file path) or through a server ("HOST/PORT:PATH").
//
// Transactions are read committed: a work table created and committed on a
// second connection (see CriarTabelaTemporaria) is then usable at once by the
// transaction already open, and its uncommitted work is kept.
#include <fmt/format.h>
#include <ibase.h>
#include <soci/firebird/soci-firebird.h>
#include <soci/soci.h>

#include <cstdlib>
#include <deque>
#include <filesystem>

#include "framework/pbbd_kinds.h"
#include "framework/pbbdinterbaselote.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd::bd {
namespace {

// SOCI starts snapshot transactions and keeps the handle private, with no way
// to choose the isolation. The handle is reached through an explicit template
// instantiation, which the language exempts from access checking.
using TMembroTransacao = isc_tr_handle soci::firebird_session_backend::*;
TMembroTransacao MembroTransacao();
template <TMembroTransacao M>
struct TAcessoTransacao {
  friend TMembroTransacao MembroTransacao() { return M; }
};
template struct TAcessoTransacao<&soci::firebird_session_backend::trhp_>;

// Read committed, record versions, waiting at most a minute for a lock.
constexpr char kParametrosTransacao[] = {isc_tpb_version3,
                                         isc_tpb_write,
                                         isc_tpb_read_committed,
                                         isc_tpb_rec_version,
                                         isc_tpb_wait,
                                         isc_tpb_lock_timeout,
                                         1,
                                         60};

std::string Ambiente(const char* nome, const char* padrao) {
  const char* v = std::getenv(nome);
  return v && *v ? v : padrao;
}

// Creates the database file: UTF8, dialect 3, pages of 8 KB, forced writes off.
void CriarBanco(const std::string& servico, const std::string& usuario, const std::string& senha) {
  std::string dpb(1, static_cast<char>(isc_dpb_version1));
  auto texto = [&dpb](char item, const std::string& valor) {
    dpb += item;
    dpb += static_cast<char>(valor.size());
    dpb += valor;
  };
  auto numero = [&dpb](char item, int valor) {
    dpb += item;
    dpb += static_cast<char>(4);
    for (int i = 0; i < 4; ++i) dpb += static_cast<char>((valor >> (8 * i)) & 0xff);
  };
  texto(isc_dpb_user_name, usuario);
  texto(isc_dpb_password, senha);
  numero(isc_dpb_page_size, 8192);
  texto(isc_dpb_set_db_charset, "UTF8");
  numero(isc_dpb_sql_dialect, 3);
  numero(isc_dpb_force_write, 0);

  ISC_STATUS_ARRAY status;
  isc_db_handle banco = 0;
  if (isc_create_database(status, 0, servico.c_str(), &banco, static_cast<short>(dpb.size()),
                          dpb.data(), 0))
    throw EBancoDados(
        fmt::format("Não foi possível criar o banco {}: {}", servico, MensagemStatus(status)));
  isc_detach_database(status, &banco);
}

// The per-connection work table of JuncaoIds: rows (set number, id).
constexpr char kTabelaIds[] = "TMP_IDSCONSULTA";
// Sets kept in it within a transaction, found again by their ids: a page's
// documents and the few other sets its queries filter by.
constexpr size_t kConjuntosGuardados = 4;
// Ids written per statement filling the table: one literal of at most this
// many characters.
constexpr size_t kTamanhoLoteIds = 8000;

// A PSQL block storing the comma-separated ids as rows of set `conjunto`:
// one statement and one literal, instead of an INSERT per id.
std::string BlocoInsercaoIds(int64_t conjunto, const std::string& lista) {
  return fmt::format(
      "EXECUTE BLOCK AS "
      "DECLARE S VARCHAR({0}) CHARACTER SET ASCII = '{1}'; "
      "DECLARE I INTEGER = 1; DECLARE J INTEGER; "
      "BEGIN "
      "WHILE (:I <= CHAR_LENGTH(:S)) DO BEGIN "
      "J = POSITION(',', :S, :I); "
      "IF (:J = 0) THEN J = CHAR_LENGTH(:S) + 1; "
      "INSERT INTO {2} (CONJUNTO, ID) VALUES ({3}, CAST(SUBSTRING(:S FROM :I FOR :J - :I) AS "
      "BIGINT)); "
      "I = :J + 1; "
      "END "
      "END",
      kTamanhoLoteIds, lista, kTabelaIds, conjunto);
}

std::string Citar(const std::string& valor) {
  return valor.find_first_of(" \t'") == std::string::npos ? valor : "\"" + valor + "\"";
}

class TpbBDInterbase final : public TpbBD {
 public:
  void Conectar(const std::string& url, const std::string& servico) {
    const std::string usuario = Ambiente("ISC_USER", "SYSDBA");
    const std::string senha = Ambiente("ISC_PASSWORD", "masterkey");
    conexao_ = fmt::format("service={} user={} password={} charset=UTF8", Citar(servico),
                           Citar(usuario), Citar(senha));
    const bool embarcado = servico.rfind('/', 0) == 0;
    servidor_ = !embarcado;
    if (embarcado) {
      if (!std::filesystem::exists(servico)) CriarBanco(servico, usuario, senha);
      Abrir(url, soci::firebird, conexao_);
      return;
    }
    // Through a server the file cannot be looked at: when attaching fails,
    // try to create it (which fails, harmlessly, when it exists).
    try {
      Abrir(url, soci::firebird, conexao_);
    } catch (const EBancoDados& erro) {
      try {
        CriarBanco(servico, usuario, senha);
      } catch (const EBancoDados& erro_criacao) {
        throw EBancoDados(std::string(erro.what()) + "\n" + erro_criacao.what());
      }
      Abrir(url, soci::firebird, conexao_);
    }
  }

  std::string ClassName() const override { return "TpbBDInterbase"; }

  std::string LiteralData(TDateTime data) const override {
    return "CAST('" + data.Iso() + "' AS TIMESTAMP)";
  }

  std::string LimitarLinhas(const std::string& select, int n) const override {
    return InserirAposSelect(select, "FIRST " + std::to_string(n), false);
  }

  void CriarTabelaTemporaria(const std::string& nome) override {
    const TxbResultado r = Consultar(
        "SELECT COUNT(*) TOT FROM RDB$RELATIONS WHERE UPPER(TRIM(RDB$RELATION_NAME)) = "
        "UPPER(CAST(:NMTABELATEMP AS VARCHAR(63)))",
        {{"NMTABELATEMP", nome}});
    if (r.Valor(0, "TOT").AsInt64() == 0) {
      // DDL is usable only once committed: create the table on a connection
      // of its own, so that the caller's open work is neither committed nor lost.
      ExecutarDDLAparte(
          "SELECT COUNT(*) FROM RDB$RELATIONS WHERE UPPER(TRIM(RDB$RELATION_NAME)) = UPPER(" +
              LiteralTexto(nome) + ")",
          {"CREATE GLOBAL TEMPORARY TABLE " + nome + " (ID INT) ON COMMIT DELETE ROWS",
           "CREATE INDEX " + nome + "_IDX1 ON " + nome + " (ID)"});
    } else {
      Executar("DELETE FROM " + nome);
    }
  }

  // Firebird 3 runs "X IN (SELECT ...)" as a subquery per row of a table read
  // whole, and spends tens of milliseconds preparing a literal IN list of a
  // page of ids. The ids are rows of a work table instead, joined through its
  // index: the plan starts from it and looks the filtered table up by `coluna`.
  std::string JuncaoConjuntoIds(const std::string& coluna, const std::string& apelido,
                                const std::vector<int64_t>& ids) override {
    return fmt::format("INNER JOIN {0} {1} ON {1}.CONJUNTO = {2} AND {1}.ID = {3} ", kTabelaIds,
                       apelido, ConjuntoIds(ids), coluna);
  }

  const TTiposColuna& TiposColuna() const override {
    // Inteiro, Texto, Real, Data, Hora, DataHora, Logico, Memo.
    static const TTiposColuna kTipos = {
        "INTEGER", "VARCHAR({})", "DOUBLE PRECISION", "TIMESTAMP", "TIME", "TIMESTAMP",
        "VARCHAR(1)",
        // The longest UTF8 VARCHAR; BLOB text does not bind to a string.
        "VARCHAR(8191)"};
    return kTipos;
  }

 protected:
  // The work table empties itself at the end of a transaction.
  void TransacaoEncerrada() override { conjuntos_.clear(); }

  void ExecutarNoMotor(const std::string& sql, const TParametros& parametros,
                       TxbResultado* resultado, const TxbVisitaLinha* linha) override {
    consultas_.Executar(*sessao_, sql, parametros, resultado, linha);
  }

  void IniciarNoMotor() override {
    auto* motor = static_cast<soci::firebird_session_backend*>(sessao_->get_backend());
    isc_tr_handle& transacao = motor->*MembroTransacao();
    if (transacao) return;  // one SOCI opened on its own: keep it
    ISC_STATUS_ARRAY status;
    if (isc_start_transaction(status, &transacao, 1, &motor->dbhp_,
                              static_cast<unsigned short>(sizeof kParametrosTransacao),
                              kParametrosTransacao))
      throw EBancoDados(MensagemErroSql(MensagemStatus(status), "START TRANSACTION"));
  }

  int64_t ReservarBlocoIDs(int64_t tamanho) override {
    return PrimeiroInteiro(
        Consultar(fmt::format("SELECT GEN_ID({}, {}) FROM RDB$DATABASE", kSequenciaIDs, tamanho)));
  }

  // Tables are created without quotes, so their names are stored in upper
  // case; comparing the stored name itself (blank-padded CHAR, whose trailing
  // blanks do not count) lets the catalogue's index find it instead of
  // scanning every column of every table.
  std::vector<std::string> ListarColunas(const std::string& tabela) override {
    const TxbResultado r = Consultar(
        "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME "
        "= UPPER(CAST(:T AS VARCHAR(63))) ORDER BY RDB$FIELD_POSITION",
        {{"T", tabela}});
    std::vector<std::string> colunas;
    for (const auto& linha : r.linhas) colunas.push_back(linha[0].AsString());
    return colunas;
  }

  std::string SqlColunasDasTabelas() const override {
    return "SELECT RDB$RELATION_NAME, RDB$FIELD_NAME FROM RDB$RELATION_FIELDS ORDER BY "
           "RDB$RELATION_NAME, RDB$FIELD_POSITION";
  }

  bool ExisteTabela(const std::string& tabela) override {
    return PrimeiroInteiro(Consultar("SELECT COUNT(*) FROM RDB$RELATIONS WHERE "
                                     "RDB$RELATION_NAME = UPPER(CAST(:T AS VARCHAR(63)))",
                                     {{"T", tabela}})) > 0;
  }

  void CriarSequenciaSeAusente() override {
    const std::string verificacao = fmt::format(
        "SELECT COUNT(*) FROM RDB$GENERATORS WHERE TRIM(RDB$GENERATOR_NAME) = '{}'", kSequenciaIDs);
    if (PrimeiroInteiro(Consultar(verificacao)) == 0)
      ExecutarDDLAparte(verificacao, {fmt::format("CREATE SEQUENCE {}", kSequenciaIDs)});
  }

 private:
  struct TConjuntoIds {
    int64_t numero;
    std::vector<int64_t> ids;
  };

  // The number of the set of `ids` in the work table, stored there unless it
  // is one of the latest sets of this transaction.
  int64_t ConjuntoIds(const std::vector<int64_t>& ids) {
    for (const TConjuntoIds& c : conjuntos_)
      if (c.ids == ids) return c.numero;
    CriarTabelaIdsUmaVez();
    if (conjuntos_.size() == kConjuntosGuardados) {
      Executar(
          fmt::format("DELETE FROM {} WHERE CONJUNTO = {}", kTabelaIds, conjuntos_.front().numero));
      conjuntos_.pop_front();
    }
    const int64_t numero = ++ultimo_conjunto_;
    std::string lista;
    for (size_t i = 0; i < ids.size(); ++i) {
      lista += (lista.empty() ? "" : ",") + std::to_string(ids[i]);
      if (i + 1 == ids.size() || lista.size() + 21 > kTamanhoLoteIds) {
        ExecutarDireto(BlocoInsercaoIds(numero, lista));
        lista.clear();
      }
    }
    conjuntos_.push_back({numero, ids});
    return numero;
  }

  // Rows live per connection and per transaction (ON COMMIT DELETE ROWS), so
  // that sessions generating at once never see each other's sets.
  void CriarTabelaIdsUmaVez() {
    if (tabela_ids_pronta_) return;
    if (!ExisteTabela(kTabelaIds)) {
      try {
        ExecutarDDLAparte(fmt::format("SELECT COUNT(*) FROM RDB$RELATIONS WHERE "
                                      "RDB$RELATION_NAME = '{}'",
                                      kTabelaIds),
                          {fmt::format("CREATE GLOBAL TEMPORARY TABLE {} (CONJUNTO INTEGER NOT "
                                       "NULL, ID BIGINT NOT NULL) ON COMMIT DELETE ROWS",
                                       kTabelaIds),
                           fmt::format("CREATE INDEX {0}_IDX1 ON {0} (CONJUNTO, ID)", kTabelaIds)});
      } catch (const EBancoDados&) {
        // Another session created it in the meantime.
        if (!ExisteTabela(kTabelaIds)) throw;
      }
    }
    tabela_ids_pronta_ = true;
  }

  std::unique_ptr<TxbComando> PrepararInsercaoNoMotor(const std::string& sql,
                                                      std::vector<TTipoCampo> tipos) override {
    // Embedded, a statement costs no round trip, and rows run faster one by
    // one than through a block.
    if (!servidor_) return PrepararNoMotor(sql, std::move(tipos));
    auto* motor = static_cast<soci::firebird_session_backend*>(sessao_->get_backend());
    if (auto lote =
            NovaInsercaoEmLote(*this, &motor->dbhp_, &(motor->*MembroTransacao()), sql, tipos))
      return lote;
    return PrepararNoMotor(sql, std::move(tipos));
  }

  // A statement with PSQL variables, which SOCI would take for parameters:
  // run in the open transaction through the client library itself.
  void ExecutarDireto(const std::string& sql) {
    Iniciar();
    auto* motor = static_cast<soci::firebird_session_backend*>(sessao_->get_backend());
    ISC_STATUS_ARRAY status;
    if (isc_dsql_execute_immediate(status, &motor->dbhp_, &(motor->*MembroTransacao()), 0,
                                   sql.c_str(), SQL_DIALECT_V6, nullptr))
      throw EBancoDados(MensagemErroSql(MensagemStatus(status), sql));
  }

  // Runs the DDL on a short-lived connection of its own and commits it, unless
  // `verificacao` (a COUNT) finds the object there already.
  void ExecutarDDLAparte(const std::string& verificacao, const std::vector<std::string>& ddl) {
    consultas_.Esquecer();
    std::string sql = verificacao;
    try {
      soci::session outra(soci::firebird, conexao_);
      outra.begin();
      long long existentes = 0;
      outra << verificacao, soci::into(existentes);
      if (existentes == 0) {
        for (const std::string& comando : ddl) {
          sql = comando;
          outra << comando;
        }
      }
      sql = "COMMIT";
      outra.commit();
    } catch (const soci::soci_error& e) {
      throw EBancoDados(MensagemErroSql(e.what(), sql));
    }
  }

  std::string conexao_;
  bool servidor_ = false;  // through a server, not embedded
  bool tabela_ids_pronta_ = false;
  int64_t ultimo_conjunto_ = 0;
  std::deque<TConjuntoIds> conjuntos_;
  TConsultasPreparadasSoci consultas_;
};

}  // namespace

std::unique_ptr<TpbBD> NovoInterbase() {
  return std::make_unique<TpbBDInterbase>();
}

std::unique_ptr<TpbBD> ConectarInterbase(const std::string& url, const std::string& servico) {
  auto bd = std::make_unique<TpbBDInterbase>();
  bd->Conectar(url, servico);
  return bd;
}

}  // namespace efd::bd
