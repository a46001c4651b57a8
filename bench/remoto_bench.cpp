// Cost of the application server on loopback: round trips per second of a
// small remote call (a constant read through the EFD proxy) and the time of a
// generation requested through the server against the same generation run
// locally, on a demo company in an SQLite file.
//
//   remoto_bench [--calls N] [--documents N] [--dir DIR]
#include <fmt/core.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "app/banco.h"
#include "app/geracao.h"
#include "app/geracao_remota.h"
#include "control/catalogo.h"
#include "erp/demo.h"
#include "framework/xbaplicacao.h"
#include "objects/servidoraplicacao.h"
#include "objects/transportehttp.h"
#include "uh0efd.h"

using namespace efd;
using Relogio = std::chrono::steady_clock;

namespace {

double Segundos(Relogio::time_point desde) {
  return std::chrono::duration<double>(Relogio::now() - desde).count();
}

}  // namespace

int main(int argc, char** argv) {
  int chamadas = 2000, documentos = 300;
  std::string pasta = (std::filesystem::temp_directory_path() / "efd-remoto-bench").string();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--calls") chamadas = std::stoi(argv[i + 1]);
    if (a == "--documents") documentos = std::stoi(argv[i + 1]);
    if (a == "--dir") pasta = argv[i + 1];
  }
  std::filesystem::remove_all(pasta);
  std::filesystem::create_directories(pasta);
  const std::string url = "sqlite:" + pasta + "/bench.db";
  auto sessao = app::AbrirBanco(url, app::TCriacaoBanco::Criar);
  CarregarCatalogo(*sessao);
  erp::OpcoesDemo demo_opcoes;
  demo_opcoes.documentos = documentos;
  const erp::ResultadoDemo demo = erp::ConstruirEmpresaDemo(*sessao, demo_opcoes);
  sessao->ConfirmarImplicita();
  app::RegistrarGeracaoRemota();

  const std::string token = "bench";
  TxbConfigServidor config;
  config.token = token;
  config.abrir_sessao = [url] { return std::make_unique<TxsSessionZ8>(TpbBD::Conectar(url)); };
  config.pasta = pasta;
  TxbServidorAplicacao servidor(config);
  const int porta = servidor.Vincular();
  std::thread servindo([&] { servidor.Servir(); });
  const std::string endereco = "http://127.0.0.1:" + std::to_string(porta);

  {
    auto transporte = std::make_shared<TxbTransporteHttp>(endereco, token);
    TxsSessionZ8 cliente(TpbBD::SemConexao("TpbBDSQLite"));
    cliente.SetTransporte(transporte);
    auto efd = Aplicacao().CriarComo<Th0EFD>("EFD", cliente);
    efd->kModeloIPI_ICMS();  // creates the server object
    const auto inicio = Relogio::now();
    long soma = 0;
    for (int i = 0; i < chamadas; ++i) soma += efd->kModeloIPI_ICMS();
    const double s = Segundos(inicio);
    fmt::print("round trips: {} calls of EFD \"12\" in {:.3f} s: {:.0f} calls/s, {:.1f} us each\n",
               chamadas, s, chamadas / s, 1e6 * s / chamadas);
    if (soma != chamadas) return 1;
  }

  app::OpcoesGeracao opcoes;
  opcoes.filiais = {static_cast<int>(demo.filiais.front())};
  opcoes.inicio = demo.inicio;
  opcoes.opcao_existente = 0;
  opcoes.saida = pasta;
  for (int vez = 0; vez < 2; ++vez) {  // the first of each warms the caches
    auto inicio = Relogio::now();
    auto locais = app::Gerar(*sessao, opcoes);
    sessao->ConfirmarImplicita();
    const double local = Segundos(inicio);
    inicio = Relogio::now();
    auto remotos = app::GerarRemoto(endereco, token, opcoes);
    const double remoto = Segundos(inicio);
    const long linhas = locais.empty() ? 0 : locais[0].resumo.linhas;
    fmt::print(
        "generation {} ({} documents, {} lines): local {:.3f} s, remote {:.3f} s, "
        "overhead {:+.3f} s ({:+.1f}%)\n",
        vez + 1, documentos, linhas, local, remoto, remoto - local, 100 * (remoto - local) / local);
    if (remotos.size() != 1) return 1;
  }
  servidor.Parar();
  servindo.join();
  return 0;
}
