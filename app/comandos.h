// Subcommands of the efd command line. Each file app/cmd_<name>.cpp adds one
// subcommand to the application.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace efd::app {

// The database URL option shared by the subcommands ("sqlite:efd.db" by default).
void OpcaoBanco(CLI::App& comando, std::string& url);

void RegistrarInit(CLI::App& app);
void RegistrarLoad(CLI::App& app);
void RegistrarDemo(CLI::App& app);
void RegistrarGenerate(CLI::App& app);
void RegistrarServe(CLI::App& app);

}  // namespace efd::app
