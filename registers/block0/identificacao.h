// Contacts of an ERP identity that several block-0 registers write.
#pragma once

#include <string>

namespace efd {

class TxbSession;

// The identity's phone of that type ("2" is the fax), "" when it has none.
std::string TelefoneDoTipo(TxbSession& sessao, int identidade, const std::string& tipo);
// The identity's first e-mail address, "" when it has none.
std::string EmailDaIdentidade(TxbSession& sessao, int identidade);

}  // namespace efd
