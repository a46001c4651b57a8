// Helpers shared by the tests: the database engines every database test runs on.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace efd::teste {

// URLs of fresh, empty databases, one per engine available here: SQLite in
// memory, Firebird embedded on a temporary file, and the Firebird server when
// EFD_TEST_FIREBIRD_SERVER (HOST:PORT) is set.
std::vector<std::string> UrlsDeTeste();
// Every engine, as NovaUrl names them. Parameterised tests take these and, in
// SetUp, skip the engine that is not available (GTEST_SKIP) or call NovaUrl:
// every test gets a database of its own, and the list of tests does not depend
// on the environment it was made in (ctest keeps it until the binary changes).
std::vector<std::string> MotoresDeTeste();
bool MotorDisponivel(const std::string& motor);
// A fresh empty database of the named engine ("sqlite", "firebird", "firebird-server").
std::string NovaUrl(const std::string& motor);
// The same, holding the whole schema of the ERP and the module where making it
// is slow (Firebird); on SQLite an empty database, which AbrirBanco fills.
std::string NovaUrlComEsquema(const std::string& motor);
// A temporary directory removed when the test process ends.
std::string DiretorioTemporario();

// Runs f, which must throw E, and returns the message; a failure of the test when it does not.
template <typename E, typename F>
std::string Mensagem(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  ADD_FAILURE() << "no exception";
  return {};
}

// An optional ERP module switched on for the life of one test: its families
// registered on construction, the last of them removed on destruction (those
// before it are defaults that the process keeps).
class TModuloOpcional {
 public:
  explicit TModuloOpcional(std::vector<std::string> familias);
  ~TModuloOpcional();
  TModuloOpcional(const TModuloOpcional&) = delete;
  TModuloOpcional& operator=(const TModuloOpcional&) = delete;

 private:
  std::string removida_;
};

}  // namespace efd::teste
