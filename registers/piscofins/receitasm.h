// The revenues without the contribution of block M (M400/M410 for PIS,
// M800/M810 for COFINS), stored one document item at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "framework/pbbd.h"

namespace efd {

class TxbSession;

// Stores the revenues by direct SQL, as many arrive: one parent row per CST
// and account, one child row per parent, nature of revenue and account,
// each adding the amounts of equal keys. The keys are remembered for the
// life of the object, which is one generation.
class TxbReceitasSemContribuicao {
 public:
  explicit TxbReceitasSemContribuicao(bool cofins) : cofins_(cofins) {}
  // parametros: name=value lines with the block M row ("BlocoM") and the
  // register types of the parent and child ("RegistroEFDM400",
  // "RegistroEFDM410" or the COFINS twins). Nothing is stored for a zero
  // amount or when an identifier is missing; the child row otherwise.
  int Incluir(TxbSession& sessao, const std::string& parametros, const std::string& cst,
              const std::string& natureza, const std::string& conta, double valor);

 private:
  int64_t NovaLinha(TxbSession& sessao, int bloco, int tipo, const std::string& codigo);
  // The amounts of a key already stored are added by a statement prepared once: most items
  // repeat a key.
  void Somar(std::unique_ptr<TxbComando>& comando, TxbSession& sessao, const std::string& sql,
             double valor, int64_t id);

  bool cofins_;
  std::map<std::pair<std::string, std::string>, int64_t> pais_;  // CST, account
  std::map<std::tuple<int64_t, std::string, std::string>, int64_t> filhos_;
  std::unique_ptr<TxbComando> somar_pai_;
  std::unique_ptr<TxbComando> somar_filho_;
};

// The name under which the parameter text carries the block M row.
constexpr const char* kBlocoM = "BlocoM";

}  // namespace efd
