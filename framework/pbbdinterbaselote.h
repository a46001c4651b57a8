// Inside the database layer: Firebird's insertions sent a block of rows per
// statement. Nothing outside framework/pbbd*.cpp and their tests includes this.
#pragma once

#include <ibase.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/pbbd.h"

namespace efd::bd {

// The messages of a Firebird status vector, one a line.
std::string MensagemStatus(const ISC_STATUS* status);

// The rows of "INSERT INTO T (columns) VALUES (values)", each value a marker
// or an expression without one, kept until a block is full or TpbBD asks for
// them, then stored by one EXECUTE BLOCK: through a server, a statement per
// row costs a round trip and the server's work of a request (embedded, rows
// one by one are faster). nullptr when the text is not of that form. banco
// and transacao are the connection's handles, read at each sending.
std::unique_ptr<TxbComando> NovaInsercaoEmLote(TpbBD& bd, isc_db_handle* banco,
                                               isc_tr_handle* transacao, const std::string& sql,
                                               const std::vector<TTipoCampo>& tipos);

}  // namespace efd::bd
