// efd load: loads JSON fixtures of the ERP's tables into the database.
#include <fmt/core.h>

#include <memory>
#include <vector>

#include "app/banco.h"
#include "app/comandos.h"
#include "erp/carregador.h"

namespace efd::app {

void RegistrarLoad(CLI::App& app) {
  auto* comando = app.add_subcommand(
      "load",
      "Load JSON fixtures ({\"TABLE\": [{\"COLUMN\": value, ...}, ...]}) into the database");
  auto url = std::make_shared<std::string>();
  auto arquivos = std::make_shared<std::vector<std::string>>();
  OpcaoBanco(*comando, *url);
  comando->add_option("files", *arquivos, "Fixture files, each loaded whole or not at all")
      ->required()
      ->check(CLI::ExistingFile);
  comando->callback([url, arquivos] {
    auto sessao = AbrirBanco(*url);
    erp::TxbCarregadorJSON carregador(*sessao);
    for (const auto& arquivo : *arquivos) {
      erp::TResultadoCarga r;
      try {
        r = carregador.CarregarArquivo(arquivo);
      } catch (const EErro& e) {
        throw EErro(fmt::format("{}: nothing of it was loaded: {}", arquivo, e.what()));
      }
      fmt::print("{}: {} rows in {} tables\n", arquivo, r.linhas, r.linhas_por_tabela.size());
    }
  });
}

}  // namespace efd::app
