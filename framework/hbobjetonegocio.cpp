#include "framework/hbobjetonegocio.h"

#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"

namespace efd {

void TxbTransacao::Adicionar(const std::string& nome, TNotificacao notificacao) {
  for (const auto& pendente : pendentes_)
    if (pendente.first == nome) return;
  pendentes_.emplace_back(nome, std::move(notificacao));
}

void TxbTransacao::ExecutarPendentes() {
  // A notification may register further ones (a header confirmed inside a
  // generation): run until none is left.
  while (!pendentes_.empty()) {
    std::vector<std::pair<std::string, TNotificacao>> lote;
    lote.swap(pendentes_);
    TxbSession& sessao = dono_.GetSession();
    for (auto& [nome, notificacao] : lote) {
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
ThbObjetoNegocio::~ThbObjetoNegocio() {
  if (id_remoto_ && transporte_remoto_) transporte_remoto_->LiberarObjeto(id_remoto_);
}

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

TxbCampo& ThbObjetoNegocio::Campo(const std::string& atributo) {
  if (TxbCampo* campo = GetDados().GetCDS().FindField(atributo)) return *campo;
  throw ENomeDesconhecido("Atributo " + atributo + " não existe na família " + familia_);
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

bool ThbObjetoNegocio::GetLocal() const {
  return !sessao_ || !sessao_->GetTransporte();
}

int64_t ThbObjetoNegocio::GetIdRemoto() {
  if (id_remoto_ == 0 && !GetLocal()) {
    transporte_remoto_ = sessao_->GetTransporte();
    id_remoto_ = transporte_remoto_->CriarObjeto(familia_, Assinatura());
  }
  return id_remoto_;
}

TVariant ThbObjetoNegocio::Executar(int64_t id_remoto, const std::string& metodo,
                                    const TArrayVariant& parametros, bool flag) {
  if (GetLocal()) throw EErro("A sessão de " + familia_ + " não tem servidor de aplicação");
  return sessao_->GetTransporte()->Executar(id_remoto, metodo, parametros, flag);
}

TVariant ThbObjetoNegocio::ExecutarMetodo(const std::string&, TArrayVariant&, void*) {
  return TVariant();
}

bool ThbObjetoNegocio::AutenticarInterface(const std::vector<std::string>& assinatura, int alto,
                                           bool) {
  const std::vector<std::string> propria = Assinatura();
  return ValidarInterface(assinatura, alto, propria, static_cast<int>(propria.size()) - 1);
}

bool ThbObjetoNegocio::ValidarInterface(const std::vector<std::string>& assinatura, int alto,
                                        const std::vector<std::string>& propria,
                                        int alto_proprio) const {
  return efd::ValidarInterface(assinatura, alto, propria, alto_proprio);
}

void ThbObjetoNegocio::DesativarInterfacesVinculadas() {
  relacionamentos_.clear();
  agregadas_.clear();
}

bool ValidarInterface(const std::vector<std::string>& chamador, int alto,
                      const std::vector<std::string>& propria, int alto_proprio) {
  if (alto != alto_proprio || alto < 0) return false;
  if (chamador.size() != static_cast<size_t>(alto) + 1 ||
      propria.size() != static_cast<size_t>(alto_proprio) + 1)
    return false;
  return chamador == propria;
}

void ThbObjetoNegocio::SetOnChange(const std::string& atributo,
                                   std::function<void(TxbCampo&)> handler) {
  GetDados().GetCDS().SetOnChange(atributo, std::move(handler));
}

}  // namespace efd
