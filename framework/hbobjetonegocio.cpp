#include "framework/hbobjetonegocio.h"

#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"

namespace efd {

void TxbTransacao::ExecutarPendentes() {
  // A notification may register further ones (a header confirmed inside a
  // generation): run until none is left.
  while (!pendentes_.empty()) {
    std::vector<TNotificacao> lote;
    lote.swap(pendentes_);
    TxbSession& sessao = dono_.GetSession();
    for (auto& notificacao : lote) {
      try {
        notificacao(dono_);
        sessao.ConfirmarImplicita();
      } catch (...) {
        sessao.DesfazerImplicita();
        throw;
      }
    }
  }
}

ThbObjetoNegocio::ThbObjetoNegocio() = default;
ThbObjetoNegocio::~ThbObjetoNegocio() = default;

void ThbObjetoNegocio::Inicializar(TxbSession& sessao, const std::string& familia) {
  sessao_ = &sessao;
  familia_ = familia;
}

TxsSessionZ8& ThbObjetoNegocio::GetSessionZ8() const {
  auto* z8 = dynamic_cast<TxsSessionZ8*>(sessao_);
  if (!z8) throw EErro("A sessão de " + familia_ + " não é uma sessão do ERP");
  return *z8;
}

T2bDados& ThbObjetoNegocio::GetDados() {
  if (!dados_)
    dados_ =
        std::make_unique<T2bDados>(*this, TxbMetadados::Instancia().FamiliaObrigatoria(familia_));
  return *dados_;
}

void ThbObjetoNegocio::IncluirRegistro() {
  GetDados().IncluirRegistro();
  AfterIncluirRegistroCDS();
}

void ThbObjetoNegocio::EditarRegistro() {
  GetDados().EditarRegistro();
}

void ThbObjetoNegocio::ConfirmarRegistro() {
  BeforeConfirmarRegistroCDS();
  GetDados().ConfirmarRegistro();
  AfterConfirmarRegistroCDS();
}

void ThbObjetoNegocio::CancelarRegistro() {
  GetDados().CancelarRegistro();
}

void ThbObjetoNegocio::Confirmar() {
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (cds.State() == ThbClientDataSet::TEstado::Inserindo ||
      cds.State() == ThbClientDataSet::TEstado::Editando)
    ConfirmarRegistro();
  sessao_->ConfirmarImplicita();
  transacao_.ExecutarPendentes();
}

std::shared_ptr<ThbObjetoNegocio> ThbObjetoNegocio::RetornarInstanciaAgregada(
    const std::string& nome) const {
  auto it = agregadas_.find(nome);
  return it == agregadas_.end() ? nullptr : it->second;
}

void ThbObjetoNegocio::AdicionarInstanciaAgregada(const std::string& nome,
                                                  std::shared_ptr<ThbObjetoNegocio> obj) {
  if (obj)
    agregadas_[nome] = std::move(obj);
  else
    agregadas_.erase(nome);
}

std::shared_ptr<ThbObjetoNegocio> ThbObjetoNegocio::GetPropRelacionamentoMW(
    const std::string& nome) {
  auto it = relacionamentos_.find(nome);
  if (it != relacionamentos_.end()) return it->second;
  if (!nome.starts_with("Rl") || !TxbMetadados::Instancia().Familia(familia_)) return nullptr;
  // Relationships of the ancestors are the descendant's too.
  for (const TxbFamilia* familia : TxbMetadados::Instancia().Cadeia(familia_)) {
    for (const auto& [relacionamento, alvo] : familia->relacionamentos) {
      if (relacionamento != nome.substr(2)) continue;
      if (!Aplicacao().ChecarFamiliaRegistrada(alvo)) return nullptr;
      auto objeto = Aplicacao().Criar(alvo, *sessao_);
      relacionamentos_[nome] = objeto;
      return objeto;
    }
  }
  return nullptr;
}

void ThbObjetoNegocio::SetPropRelacionamentoMW(const std::string& nome,
                                               std::shared_ptr<ThbObjetoNegocio> objeto) {
  if (objeto)
    relacionamentos_[nome] = std::move(objeto);
  else
    relacionamentos_.erase(nome);
}

void ThbObjetoNegocio::SetOnChange(const std::string& atributo,
                                   std::function<void(TxbCampo&)> handler) {
  GetDados().GetCDS().SetOnChange(atributo, std::move(handler));
}

}  // namespace efd
