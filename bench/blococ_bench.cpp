// The goods documents of block C at volume (not a test): the demo company
// with a month of DOCUMENTS documents (about five items each on average),
// then the ICMS/IPI files of its branches, generated and written by the real
// driver. Reports documents and register rows per second, the queries the
// generation ran per thousand documents (none per repeated item,
// participant or side record: each page of documents costs a fixed number)
// and the peak memory of the generation.
//
//   blococ_bench [DOCUMENTS [URL]]    default 100000, a SQLite file in /tmp
#include <fmt/core.h>
#include <stdlib.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "app/banco.h"
#include "app/geracao.h"
#include "bench/medidas.h"
#include "control/catalogo.h"
#include "erp/demo.h"
#include "erp/erp.h"
#include "framework/xbsession.h"

namespace {

using namespace efd;
using bench::MemoriaMiB;
using bench::ReiniciarPico;
using bench::Relogio;
using bench::Segundos;

int64_t Contar(TxsSessionZ8& sessao, const std::string& tabela) {
  return sessao.Consultar("SELECT COUNT(*) FROM " + tabela).linhas[0][0].AsInt64();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const int documentos = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string url =
        argc > 2
            ? argv[2]
            : "sqlite:" + (std::filesystem::temp_directory_path() / "blococ_bench.db").string();
    if (url.starts_with("sqlite:")) std::filesystem::remove(url.substr(7));
    auto sessao = app::AbrirBanco(url, app::TCriacaoBanco::Criar);
    erp::Registrar(erp::ModulosDaDemo());
    CarregarCatalogo(*sessao);
    erp::OpcoesDemo opcoes;
    opcoes.documentos = documentos;
    const auto t_demo = Relogio::now();
    const erp::ResultadoDemo demo = erp::ConstruirEmpresaDemo(*sessao, opcoes);
    fmt::print("demo: {} documents, {} items in {:.1f} s\n", demo.documentos, demo.itens,
               Segundos(t_demo));

    app::OpcoesGeracao o;
    o.modelo = 1;
    for (int64_t f : demo.filiais) o.filiais.push_back(static_cast<int>(f));
    o.inicio = demo.inicio;
    o.saida = (std::filesystem::temp_directory_path() / "blococ_bench_out").string();
    std::filesystem::create_directories(o.saida);
    const bool pico = ReiniciarPico();
    const double memoria_antes = MemoriaMiB("VmRSS");
    const int64_t consultas_antes = sessao->ConsultasExecutadas();
    const auto t = Relogio::now();
    const auto arquivos = app::Gerar(*sessao, o);
    const double segundos = Segundos(t);
    const int64_t consultas = sessao->ConsultasExecutadas() - consultas_antes;

    const int64_t c100 = Contar(*sessao, "Z8_REGEFDC100");
    int64_t linhas_c = 0;
    for (const char* r : {"C100", "C101", "C110", "C111", "C130", "C140", "C141", "C160", "C170",
                          "C190", "C191", "C195", "C197"})
      linhas_c += Contar(*sessao, std::string("Z8_REGEFD") + r);
    int64_t problemas = 0;
    for (const auto& a : arquivos) problemas += static_cast<int64_t>(a.resumo.problemas.size());
    fmt::print("generation and writing of {} files: {:.1f} s\n", arquivos.size(), segundos);
    fmt::print("  C100 documents: {} ({:.0f}/s)\n", c100, c100 / segundos);
    fmt::print("  block C rows: {} ({:.0f}/s)\n", linhas_c, linhas_c / segundos);
    fmt::print("  queries: {} ({:.1f} per 1000 documents)\n", consultas,
               c100 ? 1000.0 * static_cast<double>(consultas) / static_cast<double>(c100) : 0.0);
    fmt::print("  memory: {:.0f} MiB before, peak {:.0f} MiB{}\n", memoria_antes,
               MemoriaMiB("VmHWM"), pico ? "" : " (process peak)");
    fmt::print("  file problems: {}\n", problemas);
    return problemas == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "blococ_bench: %s\n", e.what());
    return 1;
  }
}
