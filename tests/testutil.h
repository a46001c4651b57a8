// Helpers shared by the tests: the database engines every database test runs on.
#pragma once

#include <string>
#include <vector>

namespace efd::teste {

// URLs of fresh, empty databases, one per engine available here: SQLite in
// memory, Firebird embedded on a temporary file, and the Firebird server when
// EFD_TEST_FIREBIRD_SERVER (HOST:PORT) is set.
std::vector<std::string> UrlsDeTeste();
// The engines available here, as NovaUrl names them: parameterised tests take
// these and call NovaUrl in SetUp, so that every test gets a database of its own.
std::vector<std::string> MotoresDeTeste();
// A fresh empty database of the named engine ("sqlite", "firebird", "firebird-server").
std::string NovaUrl(const std::string& motor);
// A temporary directory removed when the test process ends.
std::string DiretorioTemporario();

}  // namespace efd::teste
