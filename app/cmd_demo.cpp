// efd demo: builds the demo company into a fresh database.
#include <fmt/core.h>

#include <filesystem>
#include <memory>

#include "app/banco.h"
#include "app/comandos.h"
#include "app/geracao.h"
#include "app/progresso.h"
#include "control/catalogo.h"
#include "erp/demo.h"
#include "erp/erp.h"
#include "framework/xberros.h"

namespace efd::app {
namespace {

struct ArgumentosDemo {
  std::string url, saida, mes;
  int documentos = 300;
  uint64_t semente = 1;
  bool progresso = false, tempos = false;
};

// A database file of the URL is removed, so that the demo starts empty.
void Recriar(const std::string& url) {
  std::string caminho;
  if (url.rfind("sqlite:", 0) == 0)
    caminho = url.substr(7);
  else if (url.rfind("firebird:", 0) == 0 && url.rfind("firebird://", 0) != 0)
    caminho = url.substr(9);
  if (caminho.empty() || caminho == ":memory:") return;
  std::error_code erro;
  std::filesystem::remove(caminho, erro);
  if (erro) throw EErro(fmt::format("cannot remove {}: {}", caminho, erro.message()));
}

TDateTime Mes(const std::string& texto) {
  if (texto.empty()) return TDateTime();
  try {
    if (texto.size() != 7 || texto[4] != '-') throw EConversao(texto);
    return TDateTime::Parse(texto + "-01");
  } catch (const EConversao&) {
    throw EErro("--month " + texto + ": the month is written YYYY-MM");
  }
}

}  // namespace

void RegistrarDemo(CLI::App& app) {
  auto* comando = app.add_subcommand("demo", "Build the demo company into a fresh database");
  auto a = std::make_shared<ArgumentosDemo>();
  a->url = "sqlite:efd-demo.db";
  comando
      ->add_option("--db", a->url,
                   "Database URL, recreated: sqlite:PATH, firebird:PATH or "
                   "firebird://HOST[:PORT]/PATH (empty)")
      ->capture_default_str();
  a->saida = "out";
  comando->add_option("--out", a->saida, "Directory of the generated files")->capture_default_str();
  comando->add_option("--documents", a->documentos, "Number of documents of the month")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  comando->add_option("--seed", a->semente, "Seed of the data")->capture_default_str();
  comando->add_option("--month", a->mes, "Month of the documents, YYYY-MM (default: last month)");
  comando->add_flag("--progress", a->progresso, "Show the progress");
  comando->add_flag("--timings", a->tempos, "Print the time spent per table and per stage");
  comando->callback([a] {
    Recriar(a->url);
    auto sessao = AbrirBanco(a->url, TCriacaoBanco::Criar);
    erp::Registrar(erp::ModulosDaDemo());
    erp::OpcoesDemo opcoes;
    opcoes.documentos = a->documentos;
    opcoes.semente = a->semente;
    opcoes.mes = Mes(a->mes);
    std::unique_ptr<TProgressoTerminal> progresso;
    if (a->progresso) {
      progresso = std::make_unique<TProgressoTerminal>();
      opcoes.progresso = [&progresso](const std::string& etapa, int64_t feitos, int64_t total) {
        progresso->Avanco(static_cast<int>(feitos), static_cast<int>(total), etapa);
      };
    }
    const erp::ResultadoDemo r = erp::ConstruirEmpresaDemo(*sessao, opcoes);
    progresso.reset();
    std::string filiais;
    for (auto id : r.filiais) filiais += (filiais.empty() ? "" : ",") + std::to_string(id);
    fmt::print("{}: demo company {} with branches {} (head office first)\n", a->url, r.empresa,
               filiais);
    fmt::print("{} documents with {} items from {} to {}\n", r.documentos, r.itens,
               r.inicio.Formatar("YYYY-MM-DD"), r.fim.Formatar("YYYY-MM-DD"));
    if (a->tempos) fmt::print("{}", r.RelatorioTempos());

    // The files of the head office for the month, in both models, with its
    // stock inventory at the end of the month; the ICMS/IPI file of the
    // second branch, with an inventory for a change of tax treatment, as a
    // profile-B declarant; and the ICMS/IPI file of the Santa Catarina
    // branch, the last.
    CarregarCatalogo(*sessao);
    std::filesystem::create_directories(a->saida);
    struct TArquivoDemo {
      int modelo;
      int64_t filial;
      const char* motivo_inventario;
      const char* perfil;
    };
    const TArquivoDemo arquivos[] = {{1, r.filiais.front(), "1", ""},
                                     {2, r.filiais.front(), "1", ""},
                                     {1, r.filiais.at(1), "2", "B"},
                                     {1, r.filiais.back(), "1", ""}};
    for (const auto& [modelo, filial, motivo, perfil] : arquivos) {
      OpcoesGeracao o;
      o.modelo = modelo;
      o.perfil = perfil;
      o.filiais = {static_cast<int>(filial)};
      o.inicio = r.inicio;
      o.saida = a->saida;
      o.inventario = r.fim;
      o.motivo_inventario = motivo;
      std::unique_ptr<TProgressoTerminal> barra;
      if (a->progresso) {
        barra = std::make_unique<TProgressoTerminal>();
        sessao->SetAvanco([&](int f, int t, const std::string& e) { barra->Avanco(f, t, e); });
        sessao->SetProgresso([&](const std::string& m) { barra->Mensagem(m); });
      }
      for (const auto& arquivo : Gerar(*sessao, o)) {
        barra.reset();
        fmt::print("{}: {} lines\n", arquivo.caminho, arquivo.resumo.linhas);
        for (const auto& p : arquivo.resumo.problemas) throw EErro(arquivo.caminho + ": " + p);
      }
      sessao->SetAvanco(nullptr);
      sessao->SetProgresso(nullptr);
    }
    if (a->tempos) fmt::print("{}", sessao->Monitor().ResumoTexto());
  });
}

}  // namespace efd::app
