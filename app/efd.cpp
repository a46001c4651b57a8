// efd: generates the digital fiscal bookkeeping files of the ERP's branches.
#include <fmt/core.h>

#include <CLI/CLI.hpp>
#include <exception>

#include "app/comandos.h"

namespace efd::app {

void OpcaoBanco(CLI::App& comando, std::string& url) {
  url = "sqlite:efd.db";
  comando
      .add_option("--db", url,
                  "Database URL: sqlite:PATH, firebird:PATH or firebird://HOST[:PORT]/PATH")
      ->capture_default_str();
}

}  // namespace efd::app

int main(int argc, char** argv) {
  CLI::App app{"efd - digital fiscal bookkeeping (EFD) files of the ERP"};
  app.require_subcommand(1);
  efd::app::RegistrarInit(app);
  efd::app::RegistrarLoad(app);
  efd::app::RegistrarDemo(app);
  efd::app::RegistrarGenerate(app);
  efd::app::RegistrarServe(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const std::exception& e) {
    fmt::print(stderr, "efd: {}\n", e.what());
    return 1;
  }
  return 0;
}
