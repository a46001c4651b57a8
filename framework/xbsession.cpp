#include "framework/xbsession.h"

#include "framework/hbobjetonegocio.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"

namespace efd {

TxbSession::TxbSession(std::unique_ptr<TpbBD> bd) : bd_(std::move(bd)) {
  if (!bd_) throw EErro("Sessão sem banco de dados");
}

TxbSession::~TxbSession() {
  comandos_.clear();
  insercoes_.clear();
  try {
    bd_->Desfazer();
  } catch (...) {
    // The connection is going away; what it held is lost either way.
  }
}

std::string TxbSession::Valor(const std::string& nome) const {
  auto it = valores_.find(nome);
  return it == valores_.end() ? std::string() : it->second;
}

void TxbSession::DefinirValor(const std::string& nome, const std::string& valor) {
  if (valor.empty())
    valores_.erase(nome);
  else
    valores_[nome] = valor;
}

void TxbSession::ExecutarDiretoNoBD(const std::string& sql, const TParametros& parametros) {
  bd_->Executar(sql, parametros);
}

TxbResultado TxbSession::Consultar(const std::string& sql, const TParametros& parametros) {
  ++consultas_;
  return bd_->Consultar(sql, parametros);
}

void TxbSession::Percorrer(const std::string& sql, const TParametros& parametros,
                           const TxbVisitaLinha& linha) {
  ++consultas_;
  bd_->Percorrer(sql, parametros, linha);
}

TxbComando& TxbSession::ComandoPreparado(const std::string& sql,
                                         const std::vector<TTipoCampo>& tipos) {
  auto& comando = comandos_[sql];
  if (!comando) comando = bd_->Preparar(sql, tipos);
  return *comando;
}

TxbComando& TxbSession::InsercaoPreparada(const std::string& sql,
                                          const std::vector<TTipoCampo>& tipos) {
  auto& comando = insercoes_[sql];
  if (!comando) comando = bd_->PrepararInsercao(sql, tipos);
  return *comando;
}

void TxbSession::StartTransactionExplicito() {
  if (explicitas_++ == 0) bd_->Iniciar();
}

void TxbSession::CommitExplicito() {
  if (explicitas_ == 0) throw EErro("CommitExplicito sem transação explícita");
  if (--explicitas_ == 0) bd_->Confirmar();
}

void TxbSession::RollBackExplicito() {
  if (explicitas_ == 0) throw EErro("RollBackExplicito sem transação explícita");
  explicitas_ = 0;
  bd_->Desfazer();
}

void TxbSession::ConfirmarImplicita() {
  if (explicitas_ == 0) bd_->Confirmar();
}

void TxbSession::DesfazerImplicita() {
  if (explicitas_ == 0) bd_->Desfazer();
}

void TxbSession::Logar(const std::string& texto) {
  log_.push_back(texto);
}

TxsSessionZ8::~TxsSessionZ8() {
  // Before the connection goes: the object and its caches refer to the session.
  if (objeto_empresa_) Aplicacao().Destruir(objeto_empresa_);
  objeto_empresa_.reset();
}

std::shared_ptr<ThbObjetoNegocio> TxsSessionZ8::ObjetoEmpresaSessao(bool criar) {
  if (!objeto_empresa_ && criar && Aplicacao().ChecarFamiliaRegistrada("Empresa"))
    objeto_empresa_ = Aplicacao().Criar("Empresa", *this);
  return objeto_empresa_;
}

}  // namespace efd
