// The client side of the application server: a transport over HTTP on which
// a session's business objects run their travelling members. Each transport
// opens one session on the server (its own database connection and work
// folder) and closes it when destroyed. Calls are JSON documents; every
// request carries the shared token.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/xbremoto.h"

namespace httplib {
class Client;
}

namespace efd {

class TxbTransporteHttp : public IxbTransporte {
 public:
  // url: "http://HOST:PORT". tempo_limite: seconds to wait for an answer
  // (a generation may run for long).
  TxbTransporteHttp(const std::string& url, std::string token, int tempo_limite = 3600);
  ~TxbTransporteHttp() override;
  TxbTransporteHttp(const TxbTransporteHttp&) = delete;
  TxbTransporteHttp& operator=(const TxbTransporteHttp&) = delete;

  int64_t CriarObjeto(const std::string& familia,
                      const std::vector<std::string>& assinatura) override;
  TVariant Executar(int64_t id, const std::string& metodo, const TArrayVariant& parametros,
                    bool flag) override;
  void LiberarObjeto(int64_t id) noexcept override;

  // The server session's work folder (a path on the server's machine), where
  // members that write files are pointed: the server resolves a relative path
  // from it and refuses one that leads out of it.
  const std::string& PastaRemota() const { return pasta_; }
  // A value of the server session's name/value list.
  std::string ValorSessao(const std::string& nome);
  // Copies a file that the server session wrote in its work folder to a
  // local path, streamed in pieces.
  void BaixarArquivo(const std::string& remoto, const std::string& local);

 private:
  // POST of a JSON document; the answer's document, or EErro with the
  // server's message.
  std::string Postar(const std::string& caminho, const std::string& corpo);

  std::unique_ptr<httplib::Client> cliente_;
  std::string token_;
  std::mutex mutex_;
  int64_t sessao_ = 0;
  std::string pasta_;
};

}  // namespace efd
