// Where the goods a freight bill typed on a goods entry carried came from
// and went to: the municipalities of its D100.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace efd {

class TxbSession;
class TReferenciasD;

// A freight bill of a page: its part, the goods entry it was typed on and
// the invoice it names as carried (0 when it names none).
struct TFreteTransportadoD {
  int64_t frete = 0, entrada = 0, transportado = 0;
};

// The municipalities a freight bill ran between; its origin may lie abroad.
struct TTrajetoFreteD {
  std::string origem, destino;
  bool origem_no_exterior = false;
};

// By freight part, the IBGE codes of the origin and the destination. The
// invoice carried is the one the bill names, else the one its newest note
// numbers (found among the documents typed with that number); without
// either, the goods entry itself. The origin is the municipality of that
// invoice's issuer (abroad when the issuer is); the destination the place it
// was delivered to (a purchase's or a customer's), else the branch's
// municipality.
std::map<int64_t, TTrajetoFreteD> TrajetosDosFretesD(TxbSession& sessao, TReferenciasD& refs,
                                                     std::vector<TFreteTransportadoD> fretes);

}  // namespace efd
