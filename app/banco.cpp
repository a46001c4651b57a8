#include "app/banco.h"

#include <fmt/format.h>

#include <filesystem>
#include <string_view>

#include "control/modulo.h"
#include "erp/erp.h"
#include "framework/xberros.h"
#include "framework/xbmetadados.h"

namespace efd::app {

namespace {

void ExigirArquivoSQLite(const std::string& url) {
  constexpr std::string_view kPrefixo = "sqlite:";
  if (!url.starts_with(kPrefixo)) return;
  const std::string caminho = url.substr(kPrefixo.size());
  if (caminho.empty() || caminho == ":memory:" || std::filesystem::exists(caminho)) return;
  throw EErro(
      fmt::format("{}: o arquivo {} não existe; crie o banco com \"efd init --db {}\" (ou \"efd "
                  "demo --db {}\")",
                  url, caminho, url, url));
}

}  // namespace

std::unique_ptr<TxsSessionZ8> AbrirBanco(const std::string& url, TCriacaoBanco criacao) {
  if (criacao == TCriacaoBanco::Exigir) ExigirArquivoSQLite(url);
  erp::Registrar();
  RegistrarModulo();
  auto sessao = std::make_unique<TxsSessionZ8>(TpbBD::Conectar(url));
  CriarEsquema(sessao->GetBD());
  erp::Registrar(erp::ModulosGravados(sessao->GetBD()));
  return sessao;
}

}  // namespace efd::app
