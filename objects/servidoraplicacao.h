// The application server: business objects of remote clients run here, each
// client session in a server session of its own (its own database connection
// and work folder). Clients create objects by family, which authenticates
// their signature table of the family, run members by number through the
// objects' dispatchers (ExecutarMetodo), read session values and fetch the
// files that members wrote into the session's work folder.
//
// Every path that a member receives is resolved inside the calling session's
// work folder (a relative one from the folder); a call whose path leads out of
// it (an absolute path elsewhere, "..", a link pointing out) is refused before
// the member runs. The objects tell which arguments are paths
// (CaminhosDoMembro).
//
// Clients that went away without closing their sessions must not lock new
// ones out: when a new session is asked for, the sessions whose clients have
// been silent for longer than the idle limit are closed, and when the table is
// still full, the longest-silent session silent for longer than the short
// grace makes room. A session that a request is using (a member running, or
// waiting for its turn) is never closed this way.
//
// Every request must carry the shared token ("Authorization: Bearer ...").
// A request that is malformed, too large, names an unknown session or object,
// or whose member raises, gets an error document {"erro": "..."} and the
// server goes on serving.
//
// Each member call is a unit of work: outside an explicit transaction it is
// committed when the member returns and rolled back when it raises, so no
// transaction, and no lock of the database, outlives a request. SQLite lets
// one writer at a time: on an SQLite database the server runs one member at a
// time (the calls of different sessions wait for each other); on a database
// server the sessions run side by side.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace httplib {
class Server;
}

namespace efd {

class TxsSessionZ8;

struct TxbConfigServidor {
  std::string host = "127.0.0.1";
  int porta = 0;  // 0: any free port
  std::string token;
  // Opens the database connection of a new server session.
  std::function<std::unique_ptr<TxsSessionZ8>()> abrir_sessao;
  // Serialise member calls of all sessions (one writer at a time).
  bool serializar = true;
  size_t tamanho_maximo = 1 << 20;  // bytes of a request body
  int sessoes_maximas = 32;
  // Silence after which a session is closed at the next request for a new
  // one; 0: no limit.
  std::chrono::milliseconds ociosidade_maxima = std::chrono::minutes(30);
  // Silence after which a session gives its place to a new client when the
  // table is full; 0: a full table refuses new clients.
  std::chrono::milliseconds carencia = std::chrono::minutes(1);
  std::string pasta;  // work folders are made under it; empty: the temporary folder
  // One line per request; empty: none.
  std::function<void(const std::string&)> log;
};

class TxbServidorAplicacao {
 public:
  explicit TxbServidorAplicacao(TxbConfigServidor config);
  ~TxbServidorAplicacao();
  TxbServidorAplicacao(const TxbServidorAplicacao&) = delete;
  TxbServidorAplicacao& operator=(const TxbServidorAplicacao&) = delete;

  // Binds the address; returns the port (the chosen one when porta is 0).
  int Vincular();
  // Serves until Parar; returns false when it could not serve.
  bool Servir();
  void Parar();
  int SessoesAbertas() const;

 private:
  struct TSessaoRemota;
  class TUso;

  // The session of the request, in use until the request ends.
  TUso Sessao(int64_t id);
  // Takes out of the list the sessions that make room for a new one: those
  // silent beyond the idle limit, then, while the list is full, the
  // longest-silent beyond the grace (mutex_sessoes_ held).
  std::vector<std::shared_ptr<TSessaoRemota>> RetirarOciosas();
  void Fechar(TSessaoRemota& sessao);
  void Rotas();

  TxbConfigServidor config_;
  std::unique_ptr<httplib::Server> http_;
  mutable std::mutex mutex_sessoes_;  // also guards each session's use and silence
  std::map<int64_t, std::shared_ptr<TSessaoRemota>> sessoes_;
  int64_t proxima_sessao_ = 1;
  std::mutex mutex_execucao_;  // held by every member call when serialising
  std::string pasta_raiz_;
};

}  // namespace efd
