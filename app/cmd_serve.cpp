// efd serve: the application server on which remote clients (efd generate
// --server) run the module's business objects.
#include <fmt/core.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "app/banco.h"
#include "app/comandos.h"
#include "app/geracao_remota.h"
#include "framework/xberros.h"
#include "framework/xbsession.h"
#include "objects/servidoraplicacao.h"

namespace efd::app {
namespace {

struct ArgumentosServe {
  std::string url, escuta = "127.0.0.1:8470", token;
  size_t tamanho_maximo = 1 << 20;
  int sessoes = 32;
  int ociosidade = 1800;  // seconds
  int carencia = 60;      // seconds
};

// "HOST:PORT" or "[IPv6]:PORT".
std::pair<std::string, int> Endereco(const std::string& texto) {
  const auto dois_pontos = texto.rfind(':');
  if (dois_pontos == std::string::npos) throw EErro("--listen: use HOST:PORT");
  std::string host = texto.substr(0, dois_pontos);
  if (host.size() > 1 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  int porta = -1;
  try {
    porta = std::stoi(texto.substr(dois_pontos + 1));
  } catch (const std::exception&) {
  }
  if (host.empty() || porta < 0 || porta > 65535) throw EErro("--listen: use HOST:PORT");
  return {host, porta};
}

void Servir(const ArgumentosServe& a) {
  const auto [host, porta] = Endereco(a.escuta);
  std::mutex saida;
  auto log = [&saida](const std::string& linha) {
    std::lock_guard trava(saida);
    fmt::print("{}\n", linha);
    std::fflush(stdout);
  };
  AbrirBanco(a.url);  // registers the families and brings the schema up to date
  RegistrarGeracaoRemota();
  TxbConfigServidor config;
  config.host = host;
  config.porta = porta;
  config.token = LerToken(a.token);
  config.abrir_sessao = [url = a.url] {
    return std::make_unique<TxsSessionZ8>(TpbBD::Conectar(url));
  };
  config.serializar = a.url.rfind("sqlite:", 0) == 0;
  config.tamanho_maximo = a.tamanho_maximo;
  config.sessoes_maximas = a.sessoes;
  config.ociosidade_maxima = std::chrono::seconds(a.ociosidade);
  config.carencia = std::chrono::seconds(a.carencia);
  config.log = log;

  // SIGTERM and SIGINT stop the server; the threads that serve never see them.
  sigset_t sinais;
  sigemptyset(&sinais);
  sigaddset(&sinais, SIGTERM);
  sigaddset(&sinais, SIGINT);
  pthread_sigmask(SIG_BLOCK, &sinais, nullptr);
  TxbServidorAplicacao servidor(config);
  const int vinculada = servidor.Vincular();
  std::thread espera([&] {
    int sinal = 0;
    sigwait(&sinais, &sinal);
    log(fmt::format("signal {}: stopping", sinal));
    servidor.Parar();
  });
  log(fmt::format("efd serve: listening on {}:{} ({})", host, vinculada,
                  config.serializar ? "one member call at a time" : "sessions in parallel"));
  const bool servido = servidor.Servir();
  kill(getpid(), SIGTERM);  // wakes the waiting thread if the server stopped on its own
  espera.join();
  log(fmt::format("efd serve: stopped, {} session(s) dropped", servidor.SessoesAbertas()));
  if (!servido) throw EErro("o servidor parou por um erro");
}

}  // namespace

void RegistrarServe(CLI::App& app) {
  auto* c = app.add_subcommand("serve", "Run the application server for remote generations");
  auto a = std::make_shared<ArgumentosServe>();
  OpcaoBanco(*c, a->url);
  c->add_option("--listen", a->escuta, "Address HOST:PORT (loopback unless told otherwise)")
      ->capture_default_str();
  c->add_option("--token-file", a->token, "File holding the shared secret of the clients")
      ->required()
      ->check(CLI::ExistingFile);
  c->add_option("--max-body", a->tamanho_maximo, "Largest request body accepted, in bytes")
      ->capture_default_str();
  c->add_option("--max-sessions", a->sessoes, "Sessions open at once")->capture_default_str();
  c->add_option("--idle-timeout", a->ociosidade,
                "Seconds after which a silent client's session may be closed (0: never)")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  c->add_option("--idle-grace", a->carencia,
                "Seconds of silence after which a session gives its place to a new client when "
                "all are taken (0: never)")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  c->callback([a] { Servir(*a); });
}

}  // namespace efd::app
