#include "objects/transportehttp.h"

#include <fmt/format.h>
#include <httplib.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "framework/xberros.h"
#include "objects/variantjson.h"

namespace efd {
namespace {

using json = nlohmann::json;

std::string MensagemDeErro(const httplib::Result& r) {
  if (!r) return "servidor de aplicação inacessível: " + httplib::to_string(r.error());
  try {
    json corpo = json::parse(r->body);
    if (corpo.contains("erro")) return corpo.at("erro").get<std::string>();
  } catch (const json::exception&) {
  }
  return fmt::format("servidor de aplicação respondeu {} {}", r->status, r->body);
}

}  // namespace

TxbTransporteHttp::TxbTransporteHttp(const std::string& url, std::string token, int tempo_limite)
    : cliente_(std::make_unique<httplib::Client>(url)), token_(std::move(token)) {
  if (!cliente_->is_valid()) throw EErro("endereço de servidor inválido: " + url);
  cliente_->set_bearer_token_auth(token_);
  cliente_->set_keep_alive(true);
  cliente_->set_tcp_nodelay(true);  // small requests: no wait for the delayed ack
  cliente_->set_connection_timeout(10);
  cliente_->set_read_timeout(tempo_limite);
  cliente_->set_write_timeout(60);
  json r = json::parse(Postar("/sessao/abrir", "{}"));
  sessao_ = r.at("sessao").get<int64_t>();
  pasta_ = r.at("pasta").get<std::string>();
}

TxbTransporteHttp::~TxbTransporteHttp() {
  try {
    Postar("/sessao/fechar", json{{"sessao", sessao_}}.dump());
  } catch (...) {
    // The server drops sessions of clients that went away when it stops.
  }
}

std::string TxbTransporteHttp::Postar(const std::string& caminho, const std::string& corpo) {
  std::lock_guard trava(mutex_);
  httplib::Result r = cliente_->Post(caminho.c_str(), corpo, "application/json");
  if (!r || r->status != 200) throw EErro(MensagemDeErro(r));
  return r->body;
}

int64_t TxbTransporteHttp::CriarObjeto(const std::string& familia,
                                       const std::vector<std::string>& assinatura) {
  json pedido{{"sessao", sessao_}, {"familia", familia}, {"assinatura", assinatura}};
  return json::parse(Postar("/objeto/criar", pedido.dump())).at("objeto").get<int64_t>();
}

TVariant TxbTransporteHttp::Executar(int64_t id, const std::string& metodo,
                                     const TArrayVariant& parametros, bool flag) {
  json pedido{{"sessao", sessao_},
              {"objeto", id},
              {"metodo", metodo},
              {"parametros", ArrayParaJson(parametros)},
              {"flag", flag}};
  return JsonParaVariant(json::parse(Postar("/objeto/executar", pedido.dump())).at("resultado"));
}

void TxbTransporteHttp::LiberarObjeto(int64_t id) noexcept {
  try {
    Postar("/objeto/liberar", json{{"sessao", sessao_}, {"objeto", id}}.dump());
  } catch (...) {
    // Released with its session at the latest.
  }
}

std::string TxbTransporteHttp::ValorSessao(const std::string& nome) {
  json pedido{{"sessao", sessao_}, {"nome", nome}};
  return json::parse(Postar("/sessao/valor", pedido.dump())).at("valor").get<std::string>();
}

void TxbTransporteHttp::BaixarArquivo(const std::string& remoto, const std::string& local) {
  const std::string temporario = local + ".parcial";
  std::FILE* arquivo = std::fopen(temporario.c_str(), "wb");
  if (!arquivo) throw EErro("não foi possível criar " + temporario);
  bool escrito = true;
  int status = 0;
  std::string erro;
  std::unique_lock trava(mutex_);
  httplib::Result r = cliente_->Get(
      "/arquivo", {{"sessao", std::to_string(sessao_)}, {"caminho", remoto}}, {},
      [&](const httplib::Response& resposta) {
        status = resposta.status;
        return true;
      },
      [&](const char* dados, size_t tamanho) {
        if (status != 200) {
          erro.append(dados, tamanho);
          return erro.size() < 65536;
        }
        escrito = std::fwrite(dados, 1, tamanho, arquivo) == tamanho;
        return escrito;
      });
  trava.unlock();
  escrito = std::fclose(arquivo) == 0 && escrito;
  if (!r || status != 200 || !escrito) {
    std::filesystem::remove(temporario);
    if (!r) throw EErro("servidor de aplicação inacessível: " + httplib::to_string(r.error()));
    if (!escrito) throw EErro("falha ao gravar " + local);
    try {
      throw EErro(json::parse(erro).at("erro").get<std::string>());
    } catch (const json::exception&) {
      throw EErro(fmt::format("servidor de aplicação respondeu {}", status));
    }
  }
  std::filesystem::rename(temporario, local);
}

}  // namespace efd
