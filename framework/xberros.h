// Exceptions of the framework. Every failure is an exception; messages name
// the family, attribute, field or SQL involved.
#pragma once

#include <stdexcept>
#include <string>

namespace efd {

class EErro : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A value could not be converted to the requested type.
class EConversao : public EErro {
 public:
  using EErro::EErro;
};

// A database statement failed; the message carries the SQL.
class EBancoDados : public EErro {
 public:
  using EErro::EErro;
};

// A family, attribute, field or view that does not exist was named.
class ENomeDesconhecido : public EErro {
 public:
  using EErro::EErro;
};

}  // namespace efd
