// A month of the demo company end to end (not a test): for each size, the
// demo company with that many documents in a new database, then the head
// office's ICMS/IPI file as a user asks for it (ERP read and rows stored,
// then the file written and checked). Reports lines per second, peak memory
// and the time of each stage, and runs the raw floor of the row store
// (sqlite_store_write: two rows per register with the SQLite C API, then the
// lines written) for the same number of lines, with the ratio of the two.
//
//   bench_escrituracao [--documents 20000,60000,200000] [--url URL] [--dir DIR]
//
// --url names the database of each size, "{n}" standing for the number of
// documents (default "sqlite:DIR/escrituracao-{n}.db"); a Firebird URL must
// name a database that does not exist yet or holds no ERP data.
#include <fmt/core.h>
#include <stdlib.h>
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "bench/escrituracao.h"

namespace {

using namespace efd;

struct TMedida {
  int documentos = 0;
  int64_t linhas = 0;
  double demo_s = 0, geracao_s = 0, escrita_s = 0;
  double pico_geracao = 0, pico_escrita = 0;  // MiB resident
  double piso_linhas_s = 0;                   // the raw floor, 0 when not run
  double LinhasPorSegundo() const { return linhas / (geracao_s + escrita_s); }
  double Pico() const { return std::max(pico_geracao, pico_escrita); }
};

// Runs the raw floor for `linhas` register rows in its own folder; its lines
// per second for storing and writing together, 0 when it could not run.
double PisoSQLite(int64_t linhas, const std::filesystem::path& pasta) {
#ifdef EFD_PISO_SQLITE
  std::filesystem::create_directories(pasta);
  const std::string comando =
      fmt::format("cd '{}' && exec '{}' {}", pasta.string(), EFD_PISO_SQLITE, linhas);
  std::FILE* saida = popen(comando.c_str(), "r");
  if (!saida) return 0;
  std::string texto;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, saida)) texto += buffer;
  pclose(saida);
  std::filesystem::remove_all(pasta);
  std::smatch m;
  if (!std::regex_search(texto, m, std::regex(R"(total (\d+) lines/s)"))) return 0;
  return std::stod(m[1].str());
#else
  (void)linhas;
  (void)pasta;
  return 0;
#endif
}

TMedida Medir(int documentos, const std::string& url, const std::filesystem::path& pasta) {
  TMedida m;
  m.documentos = documentos;
  bench::TBaseDemo base = bench::CriarBaseDemo(url, documentos);
  TxsSessionZ8& sessao = *base.sessao;
  const erp::ResultadoDemo& demo = base.demo;
  m.demo_s = base.segundos;

  app::OpcoesGeracao o;
  o.modelo = 1;
  o.filiais = {static_cast<int>(demo.filiais.front())};
  o.inicio = demo.inicio;
  o.inventario = demo.fim;
  const std::string arquivo =
      (pasta / app::NomeDoArquivo(1, o.filiais[0], demo.inicio, demo.fim)).string();
  const bench::TMedidaArquivo medida = bench::MedirArquivo(sessao, o, arquivo);
  m.geracao_s = medida.geracao_s;
  m.escrita_s = medida.escrita_s;
  m.pico_geracao = medida.pico_geracao;
  m.pico_escrita = medida.pico_escrita;
  const bool pico_proprio = medida.pico_proprio;
  const app::ArquivoGerado& gerado = medida.gerado;
  m.linhas = gerado.resumo.linhas;
  fmt::print(
      "{} documents ({} of the head office's file's lines, {:.1f} MiB): demo {:.1f} s; "
      "generation {:.2f} s, writing {:.2f} s: {:.0f} lines/s; peak resident{} {:.0f} MiB "
      "generating, {:.0f} MiB writing{}\n",
      documentos, m.linhas, std::filesystem::file_size(gerado.caminho) / 1048576.0, m.demo_s,
      m.geracao_s, m.escrita_s, m.LinhasPorSegundo(), pico_proprio ? "" : " (process)",
      m.pico_geracao, m.pico_escrita,
      gerado.resumo.problemas.empty() ? "" : "; THE FILE FAILS ITS TOTALS");
  bench::ImprimirEtapas(sessao, 14);
  std::filesystem::remove(gerado.caminho);

  m.piso_linhas_s = PisoSQLite(m.linhas, pasta / "piso");
  if (m.piso_linhas_s > 0)
    fmt::print("  raw floor, {} lines: {:.0f} lines/s; ratio {:.2f}\n", m.linhas, m.piso_linhas_s,
               m.piso_linhas_s / m.LinhasPorSegundo());
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App cli("The head office's ICMS/IPI file of the demo company at volume");
  std::vector<int> tamanhos{20000, 60000, 200000};
  std::string url, pasta_texto;
  cli.add_option("--documents", tamanhos, "Documents of the demo company, one run each")
      ->delimiter(',')
      ->capture_default_str();
  cli.add_option("--url", url, "Database of each run, {n} for the documents");
  cli.add_option("--dir", pasta_texto, "Work folder (default: a temporary one, removed)");
  CLI11_PARSE(cli, argc, argv);
  try {
    std::filesystem::path pasta;
    if (pasta_texto.empty()) {
      std::string modelo =
          (std::filesystem::temp_directory_path() / "efd-escrituracao-XXXXXX").string();
      if (!mkdtemp(modelo.data())) return 1;
      pasta = modelo;
    } else {
      pasta = pasta_texto;
      std::filesystem::create_directories(pasta);
    }
    if (url.empty()) url = "sqlite:" + (pasta / "escrituracao-{n}.db").string();
    fmt::print("machine: {}\n", bench::Maquina());
    std::vector<TMedida> medidas;
    for (int n : tamanhos)
      medidas.push_back(Medir(n, SubstituirTodos(url, "{n}", std::to_string(n)), pasta));

    fmt::print("\n{:>10} {:>9} {:>10} {:>9} {:>12} {:>10} {:>7}\n", "documents", "lines", "lines/s",
               "peak MiB", "floor l/s", "ratio", "memory");
    for (const TMedida& m : medidas)
      fmt::print("{:>10} {:>9} {:>10.0f} {:>9.0f} {:>12.0f} {:>10.2f} {:>6.2f}x\n", m.documentos,
                 m.linhas, m.LinhasPorSegundo(), m.Pico(), m.piso_linhas_s,
                 m.piso_linhas_s > 0 ? m.piso_linhas_s / m.LinhasPorSegundo() : 0.0,
                 m.Pico() / medidas.front().Pico());
    if (pasta_texto.empty()) std::filesystem::remove_all(pasta);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_escrituracao: %s\n", e.what());
    return 1;
  }
  return 0;
}
