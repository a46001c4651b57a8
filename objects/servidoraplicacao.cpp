#include "objects/servidoraplicacao.h"

#include <fmt/format.h>
#include <httplib.h>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

#include "framework/hbobjetonegocio.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbsession.h"
#include "objects/variantjson.h"

namespace efd {
namespace {

using json = nlohmann::json;
namespace fs = std::filesystem;

// Refusals that name the HTTP status of the answer.
struct ERecusa : EErro {
  ERecusa(int s, const std::string& m) : EErro(m), status(s) {}
  int status;
};

// What the log line of the request being served tells, per serving thread.
struct TRegistroPedido {
  std::chrono::steady_clock::time_point inicio;
  std::string descricao;
};
thread_local TRegistroPedido t_pedido;

void Erro(httplib::Response& res, int status, const std::string& mensagem) {
  res.status = status;
  res.set_content(json{{"erro", mensagem}}.dump(-1, ' ', false, json::error_handler_t::replace),
                  "application/json");
}

// A field of a request, of the type it must have.
int64_t Inteiro(const json& pedido, const char* campo) {
  auto it = pedido.find(campo);
  if (it == pedido.end() || !it->is_number_integer())
    throw ERecusa(400, fmt::format("o campo \"{}\" deve ser um número inteiro", campo));
  return it->get<int64_t>();
}

std::string Texto(const json& pedido, const char* campo) {
  auto it = pedido.find(campo);
  if (it == pedido.end() || !it->is_string())
    throw ERecusa(400, fmt::format("o campo \"{}\" deve ser um texto", campo));
  return it->get<std::string>();
}

// Constant-time comparison of the token.
bool MesmoToken(const std::string& a, const std::string& b) {
  unsigned char diferenca = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < a.size(); ++i)
    diferenca |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
  return diferenca == 0 && !b.empty();
}

// A path resolved inside a folder (canonical): a relative one from the
// folder, links and ".." followed as far as the path exists; none when it
// leads out of the folder or is the folder itself.
std::optional<fs::path> DentroDaPasta(const fs::path& pasta, const std::string& texto) {
  if (texto.empty() || texto.find('\0') != std::string::npos) return std::nullopt;
  std::error_code erro;
  const fs::path caminho = fs::weakly_canonical(pasta / texto, erro);  // absolute texto wins
  if (erro) return std::nullopt;
  auto [fim_pasta, resto] =
      std::mismatch(pasta.begin(), pasta.end(), caminho.begin(), caminho.end());
  if (fim_pasta != pasta.end() || resto == caminho.end() || resto->empty()) return std::nullopt;
  return caminho;
}

// Points the path arguments of a member at the session's folder, before the
// member runs; refuses the call when one leads out of it. An empty path names
// no file (an import path left blank) and goes as it came.
void ConfinarCaminhos(const ThbObjetoNegocio& objeto, const std::string& metodo,
                      TArrayVariant& parametros, const fs::path& pasta) {
  const TxbCaminhosDoMembro caminhos = objeto.CaminhosDoMembro(metodo);
  for (size_t i : caminhos.argumentos) {
    if (!parametros || i >= parametros->size() || (*parametros)[i].IsNull()) continue;
    const std::string texto = (*parametros)[i].AsString();
    if (texto.empty()) continue;
    const auto dentro = DentroDaPasta(pasta, texto);
    if (!dentro)
      throw ERecusa(403, fmt::format("{}.{}: o caminho \"{}\" fica fora da pasta da sessão",
                                     objeto.Familia(), caminhos.membro, texto));
    (*parametros)[i] = TVariant(dentro->string());
  }
}

}  // namespace

struct TxbServidorAplicacao::TSessaoRemota {
  std::mutex mutex;  // held while a request of the session runs
  // Guarded by the server's mutex_sessoes_: the requests using the session
  // and when its client was last heard from.
  int pedidos = 0;
  std::chrono::steady_clock::time_point ultimo_pedido = std::chrono::steady_clock::now();
  std::unique_ptr<TxsSessionZ8> sessao;
  std::map<int64_t, std::shared_ptr<ThbObjetoNegocio>> objetos;
  int64_t proximo_objeto = 1;
  fs::path pasta;  // canonical

  ~TSessaoRemota() { Encerrar(); }

  // Destroys the objects, closes the connection and removes the work folder.
  void Encerrar() {
    for (auto& [id, objeto] : objetos) Aplicacao().Destruir(objeto);
    objetos.clear();
    sessao.reset();
    std::error_code erro;
    if (!pasta.empty()) fs::remove_all(pasta, erro);
  }

  std::shared_ptr<ThbObjetoNegocio> Objeto(int64_t id) const {
    auto it = objetos.find(id);
    if (it == objetos.end()) throw ERecusa(404, fmt::format("objeto {} desconhecido", id));
    return it->second;
  }

  // The database session; a request that waited while its client closed the
  // session finds none.
  TxsSessionZ8& Banco() const {
    if (!sessao) throw ERecusa(404, "sessão encerrada");
    return *sessao;
  }
};

class TxbServidorAplicacao::TUso {
 public:
  // Called with mutex_sessoes_ held.
  TUso(TxbServidorAplicacao& servidor, std::shared_ptr<TSessaoRemota> sessao)
      : servidor_(servidor), sessao_(std::move(sessao)) {
    ++sessao_->pedidos;
    sessao_->ultimo_pedido = std::chrono::steady_clock::now();
  }
  ~TUso() {
    std::lock_guard trava(servidor_.mutex_sessoes_);
    --sessao_->pedidos;
    sessao_->ultimo_pedido = std::chrono::steady_clock::now();
  }
  TUso(const TUso&) = delete;
  TUso& operator=(const TUso&) = delete;

  TSessaoRemota* operator->() const { return sessao_.get(); }

 private:
  TxbServidorAplicacao& servidor_;
  std::shared_ptr<TSessaoRemota> sessao_;
};

TxbServidorAplicacao::TxbServidorAplicacao(TxbConfigServidor config)
    : config_(std::move(config)), http_(std::make_unique<httplib::Server>()) {
  if (config_.token.empty()) throw EErro("o servidor de aplicação exige um token");
  if (!config_.abrir_sessao) throw EErro("o servidor de aplicação não sabe abrir sessões");
  const fs::path base = config_.pasta.empty() ? fs::temp_directory_path() : fs::path(config_.pasta);
  pasta_raiz_ =
      (base / fmt::format("efd-servidor-{}-{}", ::getpid(), reinterpret_cast<uintptr_t>(this)))
          .string();
  fs::create_directories(pasta_raiz_);
  pasta_raiz_ = fs::canonical(pasta_raiz_).string();
  http_->set_payload_max_length(config_.tamanho_maximo);
  http_->set_read_timeout(30);
  http_->set_write_timeout(60);
  http_->set_keep_alive_max_count(10000);
  http_->set_tcp_nodelay(true);
  Rotas();
}

TxbServidorAplicacao::~TxbServidorAplicacao() {
  Parar();
  {
    std::lock_guard trava(mutex_sessoes_);
    sessoes_.clear();
  }
  std::error_code erro;
  fs::remove_all(pasta_raiz_, erro);
}

int TxbServidorAplicacao::Vincular() {
  int porta = config_.porta == 0
                  ? http_->bind_to_any_port(config_.host)
                  : (http_->bind_to_port(config_.host, config_.porta) ? config_.porta : -1);
  if (porta < 0)
    throw EErro(fmt::format("não foi possível escutar em {}:{}", config_.host, config_.porta));
  return porta;
}

bool TxbServidorAplicacao::Servir() {
  return http_->listen_after_bind();
}

void TxbServidorAplicacao::Parar() {
  http_->stop();
}

int TxbServidorAplicacao::SessoesAbertas() const {
  std::lock_guard trava(mutex_sessoes_);
  return static_cast<int>(sessoes_.size());
}

TxbServidorAplicacao::TUso TxbServidorAplicacao::Sessao(int64_t id) {
  std::lock_guard trava(mutex_sessoes_);
  auto it = sessoes_.find(id);
  if (it == sessoes_.end()) throw ERecusa(404, fmt::format("sessão {} desconhecida", id));
  return TUso(*this, it->second);
}

std::vector<std::shared_ptr<TxbServidorAplicacao::TSessaoRemota>>
TxbServidorAplicacao::RetirarOciosas() {
  using std::chrono::milliseconds;
  const auto agora = std::chrono::steady_clock::now();
  auto silenciosa = [&](const TSessaoRemota& s, milliseconds limite) {
    return s.pedidos == 0 && limite.count() > 0 && agora - s.ultimo_pedido > limite;
  };
  std::vector<std::shared_ptr<TSessaoRemota>> ociosas;
  for (auto it = sessoes_.begin(); it != sessoes_.end();) {
    if (silenciosa(*it->second, config_.ociosidade_maxima)) {
      ociosas.push_back(it->second);
      it = sessoes_.erase(it);
    } else {
      ++it;
    }
  }
  while (static_cast<int>(sessoes_.size()) >= config_.sessoes_maximas) {
    auto mais_silenciosa = sessoes_.end();
    for (auto it = sessoes_.begin(); it != sessoes_.end(); ++it)
      if (silenciosa(*it->second, config_.carencia) &&
          (mais_silenciosa == sessoes_.end() ||
           it->second->ultimo_pedido < mais_silenciosa->second->ultimo_pedido))
        mais_silenciosa = it;
    if (mais_silenciosa == sessoes_.end()) break;
    ociosas.push_back(mais_silenciosa->second);
    sessoes_.erase(mais_silenciosa);
  }
  return ociosas;
}

void TxbServidorAplicacao::Fechar(TSessaoRemota& sessao) {
  std::unique_lock execucao(mutex_execucao_, std::defer_lock);
  if (config_.serializar) execucao.lock();
  std::lock_guard trava(sessao.mutex);
  sessao.Encerrar();
}

void TxbServidorAplicacao::Rotas() {
  httplib::Server& s = *http_;

  s.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    t_pedido = {std::chrono::steady_clock::now(), ""};
    const std::string esperado = "Bearer " + config_.token;
    if (!MesmoToken(req.get_header_value("Authorization"), esperado)) {
      Erro(res, 401, "token ausente ou inválido");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    if (res.status == 413)
      Erro(res, 413, "pedido grande demais");
    else if (res.status == 404)
      Erro(res, 404, "rota desconhecida");
    else
      Erro(res, res.status, "pedido recusado");
  });
  if (config_.log)
    s.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                                  t_pedido.inicio)
                            .count();
      config_.log(fmt::format("{} {} {} {} {:.1f} ms{}", req.remote_addr, req.method, req.path,
                              res.status, ms,
                              t_pedido.descricao.empty() ? "" : " " + t_pedido.descricao));
    });

  // A JSON request: the body parsed, errors turned into error documents.
  auto rota = [&s](const char* caminho, std::function<json(const json&)> tratar) {
    s.Post(caminho, [tratar](const httplib::Request& req, httplib::Response& res) {
      try {
        json pedido;
        try {
          pedido = json::parse(req.body);
        } catch (const json::exception&) {
          throw ERecusa(400, "o corpo do pedido não é JSON");
        }
        if (!pedido.is_object()) throw ERecusa(400, "o corpo do pedido deve ser um objeto JSON");
        json resposta;
        try {
          resposta = tratar(pedido);
        } catch (const json::exception& e) {
          throw ERecusa(400, std::string("pedido malformado: ") + e.what());
        }
        res.set_content(resposta.dump(-1, ' ', false, json::error_handler_t::strict),
                        "application/json");
      } catch (const ERecusa& e) {
        Erro(res, e.status, e.what());
      } catch (const std::exception& e) {
        Erro(res, 500, e.what());
      }
    });
  };

  rota("/sessao/abrir", [this](const json&) {
    auto sessao = std::make_shared<TSessaoRemota>();
    std::vector<std::shared_ptr<TSessaoRemota>> ociosas;
    std::optional<TUso> uso;
    int64_t id;
    {
      // The place is taken at once, the session in use until it is open.
      std::lock_guard trava(mutex_sessoes_);
      ociosas = RetirarOciosas();
      if (static_cast<int>(sessoes_.size()) >= config_.sessoes_maximas)
        throw ERecusa(503, "sessões demais abertas");
      id = proxima_sessao_++;
      sessoes_[id] = sessao;
      uso.emplace(*this, sessao);
    }
    for (auto& ociosa : ociosas) Fechar(*ociosa);
    if (!ociosas.empty() && config_.log)
      config_.log(fmt::format("efd serve: closed {} idle session(s)", ociosas.size()));
    try {
      sessao->pasta = fs::path(pasta_raiz_) / fmt::format("sessao-{}", id);
      fs::create_directories(sessao->pasta);
      std::unique_lock execucao(mutex_execucao_, std::defer_lock);
      if (config_.serializar) execucao.lock();
      sessao->sessao = config_.abrir_sessao();
    } catch (...) {
      std::lock_guard trava(mutex_sessoes_);
      sessoes_.erase(id);
      throw;
    }
    t_pedido.descricao = fmt::format("sessão {}", id);
    return json{{"sessao", id}, {"pasta", sessao->pasta.string()}};
  });

  rota("/sessao/fechar", [this](const json& pedido) {
    const int64_t id = Inteiro(pedido, "sessao");
    std::shared_ptr<TSessaoRemota> sessao;
    {
      std::lock_guard trava(mutex_sessoes_);
      auto it = sessoes_.find(id);
      if (it == sessoes_.end()) throw ERecusa(404, fmt::format("sessão {} desconhecida", id));
      sessao = it->second;
      sessoes_.erase(it);
    }
    Fechar(*sessao);
    t_pedido.descricao = fmt::format("sessão {}", id);
    return json::object();
  });

  rota("/sessao/valor", [this](const json& pedido) {
    auto sessao = Sessao(Inteiro(pedido, "sessao"));
    std::lock_guard trava(sessao->mutex);
    return json{{"valor", sessao->Banco().Valor(Texto(pedido, "nome"))}};
  });

  rota("/objeto/criar", [this](const json& pedido) {
    auto sessao = Sessao(Inteiro(pedido, "sessao"));
    const std::string familia = Texto(pedido, "familia");
    const auto assinatura = pedido.at("assinatura").get<std::vector<std::string>>();
    t_pedido.descricao = familia;
    if (!Aplicacao().ChecarFamiliaRegistrada(familia))
      throw ERecusa(404, "família desconhecida: " + familia);
    std::unique_lock execucao(mutex_execucao_, std::defer_lock);
    if (config_.serializar) execucao.lock();
    std::lock_guard trava(sessao->mutex);
    auto objeto = Aplicacao().Criar(familia, sessao->Banco());
    if (!objeto->AutenticarInterface(assinatura, static_cast<int>(assinatura.size()) - 1, false)) {
      Aplicacao().Destruir(objeto);
      throw ERecusa(403, "a interface de " + familia + " do cliente difere da do servidor");
    }
    const int64_t id = sessao->proximo_objeto++;
    sessao->objetos[id] = objeto;
    return json{{"objeto", id}};
  });

  rota("/objeto/liberar", [this](const json& pedido) {
    auto sessao = Sessao(Inteiro(pedido, "sessao"));
    std::unique_lock execucao(mutex_execucao_, std::defer_lock);
    if (config_.serializar) execucao.lock();
    std::lock_guard trava(sessao->mutex);
    const int64_t id = Inteiro(pedido, "objeto");
    Aplicacao().Destruir(sessao->Objeto(id));
    sessao->objetos.erase(id);
    return json::object();
  });

  rota("/objeto/executar", [this](const json& pedido) {
    auto sessao = Sessao(Inteiro(pedido, "sessao"));
    const std::string metodo = Texto(pedido, "metodo");
    TArrayVariant parametros;
    try {
      // Read in place: a copy of a deeply nested value would recurse as deep.
      static const json nenhum;
      const auto lista = pedido.find("parametros");
      parametros = JsonParaArray(lista == pedido.end() ? nenhum : *lista);
    } catch (const EErro& e) {
      throw ERecusa(400, e.what());
    }
    std::unique_lock execucao(mutex_execucao_, std::defer_lock);
    if (config_.serializar) execucao.lock();
    std::lock_guard trava(sessao->mutex);
    auto objeto = sessao->Objeto(Inteiro(pedido, "objeto"));
    t_pedido.descricao = objeto->Familia() + "." + metodo;
    TxsSessionZ8& bd = sessao->Banco();
    ConfinarCaminhos(*objeto, metodo, parametros, sessao->pasta);
    TVariant resultado;
    try {
      resultado = objeto->ExecutarMetodo(metodo, parametros, nullptr);
      if (!bd.EmTransacaoExplicita()) bd.ConfirmarImplicita();
    } catch (...) {
      if (!bd.EmTransacaoExplicita()) bd.DesfazerImplicita();
      throw;
    }
    return json{{"resultado", VariantParaJson(resultado)}};
  });

  // A file of the session's work folder, streamed.
  s.Get("/arquivo", [this](const httplib::Request& req, httplib::Response& res) {
    try {
      if (!req.has_param("sessao") || !req.has_param("caminho"))
        throw ERecusa(400, "informe sessao e caminho");
      int64_t id = 0;
      try {
        id = std::stoll(req.get_param_value("sessao"));
      } catch (const std::exception&) {
        throw ERecusa(400, "sessão inválida");
      }
      auto sessao = Sessao(id);
      const auto dentro = DentroDaPasta(sessao->pasta, req.get_param_value("caminho"));
      if (!dentro || !fs::is_regular_file(*dentro))
        throw ERecusa(404, "arquivo fora da pasta da sessão ou inexistente");
      const fs::path pedido = *dentro;
      t_pedido.descricao = pedido.filename().string();
      auto arquivo = std::shared_ptr<std::FILE>(std::fopen(pedido.c_str(), "rb"), [](std::FILE* f) {
        if (f) std::fclose(f);
      });
      if (!arquivo) throw ERecusa(404, "arquivo ilegível");
      const size_t tamanho = fs::file_size(pedido);
      res.set_content_provider(
          tamanho, "text/plain",
          [arquivo](size_t deslocamento, size_t comprimento, httplib::DataSink& destino) {
            char bloco[65536];
            std::fseek(arquivo.get(), static_cast<long>(deslocamento), SEEK_SET);
            const size_t lido =
                std::fread(bloco, 1, std::min(comprimento, sizeof bloco), arquivo.get());
            if (lido == 0) return false;
            return destino.write(bloco, lido);
          });
    } catch (const ERecusa& e) {
      Erro(res, e.status, e.what());
    } catch (const std::exception& e) {
      Erro(res, 500, e.what());
    }
  });
}

}  // namespace efd
