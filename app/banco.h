// Opening the database of the command line: the families of the ERP and of
// the module registered, the connection made and the schema brought up to date.
#pragma once

#include <memory>
#include <string>

#include "framework/xbsession.h"

namespace efd::app {

// Whether a command may create the database it is given: only those that
// make one (init, demo) do; the others refuse a "sqlite:" file that does not
// exist, naming it and the command that creates it, and create nothing.
enum class TCriacaoBanco { Criar, Exigir };

std::unique_ptr<TxsSessionZ8> AbrirBanco(const std::string& url,
                                         TCriacaoBanco criacao = TCriacaoBanco::Exigir);

}  // namespace efd::app
