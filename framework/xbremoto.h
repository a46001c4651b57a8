// Remote execution of business-object members: the variant array that carries
// a member's arguments, the transport through which a session reaches the
// application server, and the comparison of signature tables.
//
// A session without a transport runs every member locally. A session with one
// is a client: its objects are proxies of objects created on the server on
// first use, and their travelling members are sent there by number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/xbvariant.h"

namespace efd {

// Arguments of a remote call: elements 0 to n - 1, or null (a member without
// arguments, or a property read).
using TArrayVariant = std::optional<std::vector<TVariant>>;

// The arguments of a travelling member that name files on the server's
// machine, by position, with the member's name for messages. The application
// server resolves them inside the calling session's work folder before the
// member runs and refuses the call when one leads out of it.
struct TxbCaminhosDoMembro {
  std::string membro;
  std::vector<size_t> argumentos;
};

// Element i of an array; null when the array is null or shorter.
inline const TVariant& ElementoArray(const TArrayVariant& a, size_t i) {
  static const TVariant nulo;
  return a && i < a->size() ? (*a)[i] : nulo;
}

class IxbTransporte {
 public:
  virtual ~IxbTransporte() = default;
  // Creates an object of the family on the server, which validates the
  // caller's signature table of that family; returns its remote identity.
  virtual int64_t CriarObjeto(const std::string& familia,
                              const std::vector<std::string>& assinatura) = 0;
  // Runs a member of a remote object by its number ("10", "3_1") or name.
  virtual TVariant Executar(int64_t id, const std::string& metodo, const TArrayVariant& parametros,
                            bool flag) = 0;
  // Releases a remote object; never raises.
  virtual void LiberarObjeto(int64_t id) noexcept = 0;
};

// Whether a caller's signature table (its entries 0 to alto) is the object's
// own (entries 0 to alto_proprio): same number of entries, each equal.
bool ValidarInterface(const std::vector<std::string>& chamador, int alto,
                      const std::vector<std::string>& propria, int alto_proprio);

}  // namespace efd
