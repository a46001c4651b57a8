// A framework session: one database connection, the name/value list through
// which business objects of one generation share counters and caches, the
// session's transactions, its log, its performance monitor and its progress
// sink.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/pbbd.h"
#include "framework/xbperformancemonitor.h"

namespace efd {

class ThbObjetoNegocio;
class IxbTransporte;

class TxbSession {
 public:
  explicit TxbSession(std::unique_ptr<TpbBD> bd);
  virtual ~TxbSession();
  TxbSession(const TxbSession&) = delete;
  TxbSession& operator=(const TxbSession&) = delete;

  TpbBD& GetBD() { return *bd_; }
  // The connection used for queries; the same connection here, so that
  // queries see the session's uncommitted rows.
  TpbBD& GetBDConsulta() { return *bd_; }

  // --- the name/value list ---
  // "" when the name is absent. Setting a name to "" removes it.
  std::string Valor(const std::string& nome) const;
  void DefinirValor(const std::string& nome, const std::string& valor);
  bool TemValor(const std::string& nome) const { return valores_.count(nome) > 0; }

  // --- SQL on the session's transaction ---
  void ExecutarDiretoNoBD(const std::string& sql, const TParametros& parametros = {});
  TxbResultado Consultar(const std::string& sql, const TParametros& parametros = {});
  // Each row handed to `linha` as it is read, none kept (TpbBD::Percorrer).
  void Percorrer(const std::string& sql, const TParametros& parametros,
                 const TxbVisitaLinha& linha);
  // The join of a query's FROM that keeps the rows whose `coluna` holds one of
  // `ids` (a page of documents): see TpbBD::JuncaoIds.
  std::string JuncaoIds(const std::string& coluna, const std::vector<int64_t>& ids) {
    return bd_->JuncaoIds(coluna, ids);
  }
  // How many queries the session ran (Consultar, Percorrer), for measurements.
  int64_t ConsultasExecutadas() const { return consultas_; }
  // A statement prepared once per session and kept for reuse (row insertion).
  TxbComando& ComandoPreparado(const std::string& sql, const std::vector<TTipoCampo>& tipos);
  // The same for an INSERT whose rows may wait and go several at a time
  // (TpbBD::PrepararInsercao): a generation's rows.
  TxbComando& InsercaoPreparada(const std::string& sql, const std::vector<TTipoCampo>& tipos);

  // --- transactions ---
  // Work done outside an explicit transaction is committed when a business
  // object confirms (ConfirmarImplicita). An explicit transaction holds every
  // commit until CommitExplicito; nested starts are counted.
  void StartTransactionExplicito();
  void CommitExplicito();
  void RollBackExplicito();
  bool EmTransacaoExplicita() const { return explicitas_ > 0; }
  void ConfirmarImplicita();
  void DesfazerImplicita();

  // --- log, monitor, progress ---
  void Logar(const std::string& texto);
  const std::vector<std::string>& Log() const { return log_; }
  TxbPerformanceMonitor& Monitor() { return monitor_; }
  void SetProgresso(std::function<void(const std::string&)> sink) { progresso_ = std::move(sink); }
  void Progresso(const std::string& texto) const {
    if (progresso_) progresso_(texto);
  }
  // --- remote execution ---
  // A session with a transport is a client of an application server: its
  // business objects are proxies and their travelling members run there.
  void SetTransporte(std::shared_ptr<IxbTransporte> transporte) {
    transporte_ = std::move(transporte);
  }
  const std::shared_ptr<IxbTransporte>& GetTransporte() const { return transporte_; }

  // Where writers send their lines while a file is being written (empty
  // otherwise): the text goes to the file as it is produced.
  void SetSaidaLinhas(std::function<void(std::string_view)> saida) {
    saida_linhas_ = std::move(saida);
  }
  const std::function<void(std::string_view)>& SaidaLinhas() const { return saida_linhas_; }
  // How far a long piece of work has gone: steps done of the total, and the step.
  void SetAvanco(std::function<void(int feitos, int total, const std::string& etapa)> sink) {
    avanco_ = std::move(sink);
  }
  void Avanco(int feitos, int total, const std::string& etapa) const {
    if (avanco_) avanco_(feitos, total, etapa);
  }

 private:
  std::unique_ptr<TpbBD> bd_;
  std::unordered_map<std::string, std::string> valores_;
  std::unordered_map<std::string, std::unique_ptr<TxbComando>> comandos_, insercoes_;
  int explicitas_ = 0;
  int64_t consultas_ = 0;
  std::vector<std::string> log_;
  TxbPerformanceMonitor monitor_;
  std::function<void(const std::string&)> progresso_;
  std::function<void(int, int, const std::string&)> avanco_;
  std::function<void(std::string_view)> saida_linhas_;
  std::shared_ptr<IxbTransporte> transporte_;
};

// The ERP's session: the company and branch the user works in.
class TxsSessionZ8 : public TxbSession {
 public:
  using TxbSession::TxbSession;
  ~TxsSessionZ8() override;

  int RetornarIDFEmpresaSessao() const { return empresa_; }
  void DefinirEmpresaSessao(int empresa) { empresa_ = empresa; }
  int RetornarIDFFilialSessao() const { return filial_; }
  void DefinirFilialSessao(int filial) { filial_ = filial; }
  // The company object of the session (family "Empresa"), kept while the
  // session lives: the caches of a generation hang on it as aggregated
  // instances. Created on first use; nullptr when the family is not
  // registered, or when criar is false and it was not created yet.
  std::shared_ptr<ThbObjetoNegocio> ObjetoEmpresaSessao(bool criar = true);

 private:
  int empresa_ = 0;
  int filial_ = 0;
  std::shared_ptr<ThbObjetoNegocio> objeto_empresa_;
};

}  // namespace efd
