// Inside the database layer: the constructors of each kind of TpbBD and the
// helpers the kinds share. Nothing outside framework/pbbd*.cpp and their tests
// includes this.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/pbbd.h"

namespace efd::bd {

// Objects of each kind that are not connected (dialect texts only).
std::unique_ptr<TpbBD> NovoSQLite();
std::unique_ptr<TpbBD> NovoInterbase();
std::unique_ptr<TpbBD> NovoSQLServer();
std::unique_ptr<TpbBD> NovoOracle();

// Connected objects. `url` is kept as TpbBD::Url().
std::unique_ptr<TpbBD> ConectarSQLite(const std::string& url, const std::string& caminho);
// servico: a file path (embedded) or "HOST[/PORT]:PATH" (server).
std::unique_ptr<TpbBD> ConectarInterbase(const std::string& url, const std::string& servico);
std::unique_ptr<TpbBD> ConectarSQLServer(const std::string& url, const std::string& odbc);
std::unique_ptr<TpbBD> ConectarOracle(const std::string& url);

// The name of the sequence (a generator or a one-row table) ids come from.
inline constexpr const char* kSequenciaIDs = "KLVG_GENID";

// 'texto' with its quotes doubled.
std::string LiteralTexto(const std::string& texto);
// "SELECT" + inserido + the rest, keeping DISTINCT before or after the insertion:
// the FIRST n / TOP n forms. Raises EBancoDados when the text is not a SELECT.
std::string InserirAposSelect(const std::string& select, const std::string& inserido,
                              bool depois_de_distinct);
// The first column of the first row as an integer (0 when there are no rows).
int64_t PrimeiroInteiro(const TxbResultado& r);

// A SQL text with its ":NAME" and "?" markers turned into "?" and the name of
// each marker in order ("" for "?"). Quotes, double quotes and comments are
// left alone.
struct TSqlPosicional {
  std::string texto;
  std::vector<std::string> nomes;  // upper-case
};
TSqlPosicional ConverterParametros(const std::string& sql);

// The message of a failed statement: the engine's message and the SQL.
std::string MensagemErroSql(const std::string& erro, const std::string& sql);
// The message of a value of a column of a type that is not read.
std::string MensagemColunaNaoLida(const std::string& coluna);

// The value of each marker of `convertido`: by name, or by order for "?".
// Raises EBancoDados naming a marker without value.
std::vector<const TVariant*> ValoresDasMarcas(const TSqlPosicional& convertido,
                                              const TParametros& parametros,
                                              const std::string& sql);

// A prepared command's text with "?" markers and, for each marker, the
// index of its parameter (distinct names numbered by first appearance).
// Raises EBancoDados when the parameters are not `tipos` many.
struct TMarcasDoComando {
  std::string texto;
  std::vector<size_t> parametro_da_marca;
};
TMarcasDoComando MarcasDoComando(const std::string& sql, size_t tipos);

// A date read from the engine; a TIME value (no date) as a time of day.
TDateTime DataDeTm(const std::tm& tm);

// Statements through SOCI: what every kind does unless it reads its engine
// directly.
void ExecutarSoci(soci::session& sessao, const std::string& sql, const TParametros& parametros,
                  TxbResultado* resultado, const TxbVisitaLinha* linha = nullptr);
std::unique_ptr<TxbComando> NovoComandoSoci(TpbBD& bd, soci::session& sessao,
                                            const std::string& sql, std::vector<TTipoCampo> tipos);

// The statements of ExecutarSoci whose texts have parameters, kept prepared
// by their text (up to kLimite), for an engine that prepares at a cost: a
// round trip and a compilation on the server. Statements that change the
// schema forget them first, since the engine keeps what they use in use.
class TConsultasPreparadasSoci {
 public:
  static constexpr size_t kLimite = 64;

  TConsultasPreparadasSoci();
  ~TConsultasPreparadasSoci();
  void Executar(soci::session& sessao, const std::string& sql, const TParametros& parametros,
                TxbResultado* resultado, const TxbVisitaLinha* linha = nullptr);
  void Esquecer();  // but those whose rows are being read

 private:
  struct TPreparada;
  std::unordered_map<std::string, std::shared_ptr<TPreparada>> preparadas_;
};

}  // namespace efd::bd
