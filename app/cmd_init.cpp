// efd init: creates or upgrades the schema and loads the catalogue.
#include <fmt/core.h>

#include "app/banco.h"
#include "app/comandos.h"
#include "control/catalogo.h"

namespace efd::app {

void RegistrarInit(CLI::App& app) {
  auto* comando = app.add_subcommand("init", "Create or upgrade the schema and load the catalogue");
  auto url = std::make_shared<std::string>();
  OpcaoBanco(*comando, *url);
  comando->callback([url] {
    auto sessao = AbrirBanco(*url, TCriacaoBanco::Criar);
    const int criadas = CarregarCatalogo(*sessao);
    fmt::print("{}: schema ready, catalogue loaded ({} new block and register types)\n", *url,
               criadas);
  });
}

}  // namespace efd::app
