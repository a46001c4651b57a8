// Base class of every business object: its data access, the dataset hooks
// that hand-written classes override, the transaction notifications, the
// relationships by name, the aggregated instances and family inheritance.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/t2bdados.h"
#include "framework/xbremoto.h"
#include "framework/xbvariant.h"

namespace efd {

class TxbSession;
class TxsSessionZ8;
class ThbObjetoNegocio;

using TNotificacao = std::function<void(ThbObjetoNegocio& remetente)>;

// Notifications registered on an object's transaction run once the rows are
// stored and committed; each runs in its own unit of work, committed when it
// returns and rolled back when it raises. A notification is named, as an
// event handler is: registering a name that is already pending does not add
// it again, so rows included one after the other before one store notify once.
class TxbTransacao {
 public:
  explicit TxbTransacao(ThbObjetoNegocio& dono) : dono_(dono) {}
  void Adicionar(const std::string& nome, TNotificacao notificacao);
  bool TemPendentes() const { return !pendentes_.empty(); }
  void ExecutarPendentes();

 private:
  ThbObjetoNegocio& dono_;
  std::vector<std::pair<std::string, TNotificacao>> pendentes_;
};

class ThbObjetoNegocio : public std::enable_shared_from_this<ThbObjetoNegocio> {
 public:
  ThbObjetoNegocio();
  virtual ~ThbObjetoNegocio();
  ThbObjetoNegocio(const ThbObjetoNegocio&) = delete;
  ThbObjetoNegocio& operator=(const ThbObjetoNegocio&) = delete;

  // Called by the repository right after construction.
  void Inicializar(TxbSession& sessao, const std::string& familia);
  virtual void CreateKLV() {}
  virtual void DestroyKLV() {}
  // Dataset events the object wants routed to it.
  virtual std::set<int> EventosCDS() const { return {}; }

  const std::string& Familia() const { return familia_; }
  TxbSession& GetSession() const { return *sessao_; }
  TxsSessionZ8& GetSessionZ8() const;
  T2bDados& GetDados();

  // A field of the current row, by attribute name; ENomeDesconhecido naming
  // the family and the attribute when the object has no such field.
  TxbCampo& Campo(const std::string& atributo);

  // --- rows ---
  void IncluirRegistro();
  void EditarRegistro();
  void ConfirmarRegistro();
  void CancelarRegistro();
  // Commits what the session holds outside an explicit transaction and runs
  // the transaction's notifications.
  void Confirmar();
  bool Ativo() { return GetDados().GetCDS().Active(); }

  // --- hooks; overrides call the base first ---
  virtual void AfterIncluirRegistroCDS() {}
  virtual void BeforeConfirmarRegistroCDS() {}
  virtual void AfterConfirmarRegistroCDS() {}

  TxbTransacao& GetTransacao() { return transacao_; }

  // --- aggregated instances, kept by name for the object's lifetime ---
  std::shared_ptr<ThbObjetoNegocio> RetornarInstanciaAgregada(const std::string& nome) const;
  // An empty object removes the entry.
  void AdicionarInstanciaAgregada(const std::string& nome, std::shared_ptr<ThbObjetoNegocio> obj);

  // --- relationships by name ("Rl" + relationship) ---
  // A declared relationship is created on first use through the repository;
  // an undeclared name with nothing stored gives no object.
  virtual std::shared_ptr<ThbObjetoNegocio> GetPropRelacionamentoMW(const std::string& nome);
  virtual void SetPropRelacionamentoMW(const std::string& nome,
                                       std::shared_ptr<ThbObjetoNegocio> objeto);

  // --- family inheritance ---
  // The object of the ancestor family attached to this one, if any.
  std::shared_ptr<ThbObjetoNegocio> GetAncestralMW() const { return ancestral_.lock(); }
  void SetAncestralMW(const std::shared_ptr<ThbObjetoNegocio>& ancestral) {
    ancestral_ = ancestral;
  }
  std::shared_ptr<ThbObjetoNegocio> GetDescendente() const { return descendente_.lock(); }
  void SetDescendente(const std::shared_ptr<ThbObjetoNegocio>& d) { descendente_ = d; }

  void SetIgnorarFiltrosPorSessao(bool ignorar) { ignorar_filtros_sessao_ = ignorar; }
  bool IgnorarFiltrosPorSessao() const { return ignorar_filtros_sessao_; }

  // --- remote execution ---
  // Local unless the object's session has a transport to an application server.
  bool GetLocal() const;
  // The identity of the object's counterpart on the server, created there on
  // first use (the signature table of the family travels with the request).
  int64_t GetIdRemoto();
  // Sends a member to the server object of that identity.
  TVariant Executar(int64_t id_remoto, const std::string& metodo, const TArrayVariant& parametros,
                    bool flag);
  // The server side of a remote call: generated classes answer their member
  // numbers after calling this one; a number nobody answers gives null.
  virtual TVariant ExecutarMetodo(const std::string& metodo, TArrayVariant& parametros,
                                  void* thread);
  // The object's signature table (one check value per member), as generated.
  virtual std::vector<std::string> Assinatura() const { return {"..."}; }
  // Whether the caller's signature table (entries 0 to alto) is the object's.
  virtual bool AutenticarInterface(const std::vector<std::string>& assinatura, int alto, bool flag);
  bool ValidarInterface(const std::vector<std::string>& assinatura, int alto,
                        const std::vector<std::string>& propria, int alto_proprio) const;
  // Releases the interfaces linked to the object (its relationships and
  // aggregated instances); generated classes also drop their cached ones.
  virtual void DesativarInterfacesVinculadas();

  // Attaches a handler called after the attribute's value changes.
  void SetOnChange(const std::string& atributo, std::function<void(TxbCampo&)> handler);

 private:
  TxbSession* sessao_ = nullptr;
  std::string familia_;
  std::unique_ptr<T2bDados> dados_;
  TxbTransacao transacao_{*this};
  std::map<std::string, std::shared_ptr<ThbObjetoNegocio>> agregadas_;
  std::map<std::string, std::shared_ptr<ThbObjetoNegocio>> relacionamentos_;
  std::weak_ptr<ThbObjetoNegocio> ancestral_;
  std::weak_ptr<ThbObjetoNegocio> descendente_;
  bool ignorar_filtros_sessao_ = false;
  int64_t id_remoto_ = 0;
  std::shared_ptr<IxbTransporte> transporte_remoto_;  // the one that created id_remoto_
};

}  // namespace efd
