// Opening the database of the command line: the families of the ERP and of
// the module registered, the connection made and the schema brought up to date.
#pragma once

#include <memory>
#include <string>

#include "framework/xbsession.h"

namespace efd::app {

std::unique_ptr<TxsSessionZ8> AbrirBanco(const std::string& url);

}  // namespace efd::app
