// Where the goods a freight bill typed on a goods entry carried came from
// and went to: the municipalities of its D100.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace efd {

class TxbSession;
class TReferenciasD;

// A freight bill of a page: its part, the goods entry it was typed on and
// the invoice it names as carried (0 when it names none).
struct TFreteTransportadoD {
  int64_t frete = 0, entrada = 0, transportado = 0;
};

// By freight part, the IBGE codes of the origin and the destination. The
// invoice carried is the one the bill names, else the one its newest note
// numbers (found among the documents typed with that number); without
// either, the goods entry itself. The origin is the municipality of that
// invoice's issuer; the destination the place it was delivered to (a
// purchase's or a customer's), else the branch's municipality.
std::map<int64_t, std::pair<std::string, std::string>> TrajetosDosFretesD(
    TxbSession& sessao, TReferenciasD& refs, std::vector<TFreteTransportadoD> fretes);

}  // namespace efd
