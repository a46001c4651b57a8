// The application: class registration by family name, the repository that
// creates and destroys objects for a session, start parameters, the message
// table, support services and the SQL fragment put after a table alias.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/xbvariant.h"

namespace efd {

class ThbObjetoNegocio;
class TxbSession;
class TpbBD;

using TFabricaObjeto = std::function<std::shared_ptr<ThbObjetoNegocio>()>;
// The body of a member that lies outside the module (the generation driver).
using TImplementacaoExterna =
    std::function<TVariant(ThbObjetoNegocio& objeto, std::vector<TVariant>& argumentos)>;

// Rounding, zero-filling and text treatment shared by the registers.
class TxbSuporte {
 public:
  double Arredondar(double valor, int casas) const;
  std::string PreencherZeros(const std::string& texto, int largura) const;
  // Removes line breaks and the field separator "|" from a text for a file line.
  std::string TratarTexto(const std::string& texto) const;
};

class TxbAplicacao {
 public:
  // A later registration under the same family replaces the earlier one: the
  // hand-written class registered after the generated one is what runs.
  void RegistrarClasse(const std::string& familia, TFabricaObjeto fabrica);
  bool ChecarFamiliaRegistrada(const std::string& familia) const;
  // Withdraws a family's class, as when an optional module is switched off.
  void RemoverClasse(const std::string& familia) { fabricas_.erase(familia); }

  // The repository: a new object of the family for the session, with its
  // CreateKLV done; Destruir runs DestroyKLV.
  std::shared_ptr<ThbObjetoNegocio> Criar(const std::string& familia, TxbSession& sessao) const;
  void Destruir(const std::shared_ptr<ThbObjetoNegocio>& objeto) const;
  template <class T>
  std::shared_ptr<T> CriarComo(const std::string& familia, TxbSession& sessao) const {
    return std::dynamic_pointer_cast<T>(Criar(familia, sessao));
  }

  // Members declared as implemented outside the module are answered by the
  // implementation registered for the object's family or one of its ancestors.
  void RegistrarImplementacao(const std::string& familia, const std::string& membro,
                              TImplementacaoExterna implementacao);
  TVariant ExecutarExterno(ThbObjetoNegocio& objeto, const std::string& membro,
                           std::vector<TVariant> argumentos) const;

  void DefinirParametrosInicio(std::vector<std::string> parametros) {
    parametros_ = std::move(parametros);
  }
  bool TestaPresencaParamStr(const std::string& parametro) const;

  void RegistrarTexto(int numero, std::string texto) { textos_[numero] = std::move(texto); }
  std::string ObterTexto(int numero) const;

  const TxbSuporte& GetSuporteG() const { return suporte_; }
  // Put after a table alias in the FROM clause of the module's SQL.
  std::string FragmentoSQL(const TpbBD& bd) const;

 private:
  std::map<std::string, TFabricaObjeto> fabricas_;
  std::map<std::string, TImplementacaoExterna> externas_;  // "Family.Member" -> body
  std::vector<std::string> parametros_;
  std::map<int, std::string> textos_;
  TxbSuporte suporte_;
};

TxbAplicacao& Aplicacao();

// Scope guard that destroys an object through the repository on exit.
class TxbObjetoTemporario {
 public:
  explicit TxbObjetoTemporario(std::shared_ptr<ThbObjetoNegocio> objeto)
      : objeto_(std::move(objeto)) {}
  ~TxbObjetoTemporario() {
    if (objeto_) Aplicacao().Destruir(objeto_);
  }
  TxbObjetoTemporario(const TxbObjetoTemporario&) = delete;
  TxbObjetoTemporario& operator=(const TxbObjetoTemporario&) = delete;

 private:
  std::shared_ptr<ThbObjetoNegocio> objeto_;
};

}  // namespace efd
