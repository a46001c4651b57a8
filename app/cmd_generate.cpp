// efd generate: creates the EFD header(s) as a user would and writes the files.
#include <fmt/core.h>

#include <chrono>
#include <map>

#include "app/banco.h"
#include "app/comandos.h"
#include "app/geracao.h"
#include "app/geracao_remota.h"
#include "app/progresso.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd::app {
namespace {

struct Argumentos {
  std::string url, modelo, filiais, periodo, de, ate,
      finalidade = "0", perfil, atividade, operacoes = "both", registros, existente = "replace",
      saida, servidor, token, inventario, motivo_inventario = "1", tipo_inventario = "1";
  bool progresso = false, tempos = false;
  int tarefas = 1;
};

TDateTime Data(const std::string& texto, const char* opcao) {
  try {
    if (texto.size() != 10) throw EConversao(texto);
    return TDateTime::Parse(texto);
  } catch (const EConversao&) {
    throw EErro(fmt::format("{} {}: não é uma data válida no formato AAAA-MM-DD", opcao, texto));
  }
}

OpcoesGeracao Converter(const Argumentos& a) {
  OpcoesGeracao o;
  o.modelo = a.modelo == "pis-cofins" ? 2 : 1;
  for (const auto& f : Dividir(a.filiais, ',')) {
    if (!TextoEhInteiro(f)) throw EErro("--branch: '" + f + "' não é um identificador de filial");
    o.filiais.push_back(static_cast<int>(TextoParaInteiro(f)));
  }
  if (!a.periodo.empty()) {
    o.inicio = Data(a.periodo + "-01", "--period");
  } else {
    o.inicio = Data(a.de, "--from");
    o.fim = Data(a.ate, "--to");
    if (o.fim < o.inicio) throw EErro("--to é anterior a --from");
  }
  o.finalidade = a.finalidade;
  o.perfil = a.perfil;
  o.atividade = a.atividade;
  o.operacoes = a.operacoes == "entries" ? "1" : a.operacoes == "outputs" ? "2" : "0";
  if (!a.registros.empty())
    for (const auto& r : Dividir(a.registros, ',')) o.registros.push_back(Trim(r));
  o.opcao_existente = a.existente == "keep" ? 5 : a.existente == "add" ? 0 : 6;
  o.saida = a.saida;
  if (!a.inventario.empty()) o.inventario = Data(a.inventario, "--inventory");
  o.motivo_inventario = a.motivo_inventario;
  o.tipo_inventario = a.tipo_inventario;
  o.tarefas = a.tarefas;
  return o;
}

void ImprimirResumo(const ArquivoGerado& arquivo) {
  fmt::print("{}: branch {}, {} lines\n", arquivo.caminho, arquivo.filial, arquivo.resumo.linhas);
  std::map<char, std::vector<std::pair<std::string, long>>> por_bloco;
  for (const auto& [codigo, n] : arquivo.resumo.por_registro)
    por_bloco[codigo[0]].emplace_back(codigo, n);
  for (const auto& [bloco, registros] : por_bloco) {
    std::string linha;
    for (const auto& [codigo, n] : registros) linha += fmt::format(" {}:{}", codigo, n);
    fmt::print("  block {} {:>8} |{}\n", bloco, arquivo.resumo.por_bloco.at(bloco), linha);
  }
}

}  // namespace

void RegistrarGenerate(CLI::App& app) {
  auto* c = app.add_subcommand("generate", "Generate the EFD file(s) of branches and a period");
  auto a = std::make_shared<Argumentos>();
  OpcaoBanco(*c, a->url);
  c->add_option("--model", a->modelo, "icms-ipi or pis-cofins")
      ->required()
      ->check(CLI::IsMember({"icms-ipi", "pis-cofins"}));
  c->add_option("--branch", a->filiais, "Branch id, or a comma-separated list")->required();
  auto* periodo = c->add_option("--period", a->periodo, "Month YYYY-MM");
  auto* de = c->add_option("--from", a->de, "First day YYYY-MM-DD");
  auto* ate = c->add_option("--to", a->ate, "Last day YYYY-MM-DD");
  de->needs(ate);
  ate->needs(de);
  periodo->excludes(de)->excludes(ate);
  c->add_option("--purpose", a->finalidade, "Purpose of the file (COD_FIN)")->capture_default_str();
  c->add_option("--profile", a->perfil, "Declarant profile")->check(CLI::IsMember({"A", "B", "C"}));
  c->add_option("--activity", a->atividade, "Activity type")->check(CLI::IsMember({"0", "1"}));
  c->add_option("--operations", a->operacoes, "Documents to include")
      ->check(CLI::IsMember({"both", "entries", "outputs"}))
      ->capture_default_str();
  c->add_option("--registers", a->registros, "Only these register codes, comma-separated");
  c->add_option("--on-existing", a->existente, "An earlier file of the same branch and period")
      ->check(CLI::IsMember({"replace", "keep", "add"}))
      ->capture_default_str();
  c->add_option("--out", a->saida,
                "Output file, or folder for one file per branch (ending in /: made when missing)");
  auto* inventario =
      c->add_option("--inventory", a->inventario, "Stock inventory (block H) at YYYY-MM-DD");
  c->add_option("--inventory-reason", a->motivo_inventario,
                "Reason of the inventory: 1 end of period, 2 change of tax treatment, ...")
      ->needs(inventario)
      ->check(CLI::IsMember({"1", "2", "3", "4", "5", "6"}))
      ->capture_default_str();
  c->add_option("--inventory-type", a->tipo_inventario,
                "1 every item, 2 without use and consumption, fixed assets and services")
      ->needs(inventario)
      ->check(CLI::IsMember({"1", "2", "3", "4"}))
      ->capture_default_str();
  c->add_option("--jobs", a->tarefas,
                "Branches generated at once, each in its own session (Firebird server; "
                "other engines take them one after the other)")
      ->check(CLI::Range(1, 64))
      ->capture_default_str();
  c->add_flag("--progress", a->progresso, "Show a live progress line");
  c->add_flag("--timings", a->tempos, "Print the time spent per stage");
  auto* servidor =
      c->add_option("--server", a->servidor, "Generate on the application server http://HOST:PORT");
  servidor->excludes(c->get_option("--db"));
  c->add_option("--token-file", a->token, "File holding the server's shared secret")
      ->needs(servidor)
      ->check(CLI::ExistingFile);
  c->callback([a] {
    if (a->periodo.empty() && a->de.empty()) throw EErro("informe --period ou --from/--to");
    const OpcoesGeracao opcoes = Converter(*a);
    const auto inicio = std::chrono::steady_clock::now();
    if (!a->servidor.empty() && a->token.empty()) throw EErro("--server requer --token-file");
    std::unique_ptr<TxsSessionZ8> sessao;
    std::vector<ArquivoGerado> arquivos;
    if (!a->servidor.empty()) {
      arquivos = GerarRemoto(a->servidor, LerToken(a->token), opcoes);
    } else {
      sessao = AbrirBanco(a->url);
      std::unique_ptr<TProgressoTerminal> progresso;
      if (a->progresso) {
        progresso = std::make_unique<TProgressoTerminal>();
        sessao->SetAvanco([&](int f, int t, const std::string& e) { progresso->Avanco(f, t, e); });
        sessao->SetProgresso([&](const std::string& m) { progresso->Mensagem(m); });
      }
      arquivos = Gerar(*sessao, opcoes);
      for (const auto& aviso : sessao->Log()) fmt::print(stderr, "efd: aviso: {}\n", aviso);
    }
    std::string invalidos;
    for (const auto& arquivo : arquivos) {
      ImprimirResumo(arquivo);
      for (const auto& p : arquivo.resumo.problemas)
        fmt::print(stderr, "efd: {}: {}\n", arquivo.caminho, p);
      if (!arquivo.resumo.problemas.empty())
        invalidos += (invalidos.empty() ? "" : ", ") + arquivo.caminho;
    }
    if (arquivos.empty()) fmt::print("no file written: an earlier generation was kept\n");
    fmt::print("time: {:.2f} s\n",
               std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count());
    if (a->tempos && sessao) fmt::print("{}", sessao->Monitor().ResumoTexto());
    if (!invalidos.empty())
      throw EErro("o arquivo gerado não confere com seus totais; guardado como " + invalidos);
  });
}

}  // namespace efd::app
