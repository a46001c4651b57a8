// Times the demo company on one database (not a test): the rows written per
// table and the seconds spent executing their inserts.
//
//   bench_demo [DOCUMENTS [URL]]     default 100000 documents, a SQLite file in /tmp
#include <fmt/core.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "erp/demo.h"
#include "erp/erp.h"
#include "framework/xbmetadados.h"

int main(int argc, char** argv) {
  using namespace efd;
  const int documentos = argc > 1 ? std::atoi(argv[1]) : 100000;
  const std::string arquivo =
      (std::filesystem::temp_directory_path() / "efd-bench-demo.db").string();
  const std::string url = argc > 2 ? argv[2] : "sqlite:" + arquivo;
  try {
    if (argc <= 2) std::filesystem::remove(arquivo);
    erp::Registrar();
    TxsSessionZ8 sessao(TpbBD::Conectar(url));
    CriarEsquema(sessao.GetBD());
    erp::OpcoesDemo opcoes;
    opcoes.documentos = documentos;
    const erp::ResultadoDemo r = erp::ConstruirEmpresaDemo(sessao, opcoes);
    fmt::print("{}: {} documents, {} items\n{}", url, r.documentos, r.itens, r.RelatorioTempos());
  } catch (const std::exception& e) {
    fmt::print(stderr, "bench_demo: {}\n", e.what());
    return 1;
  }
  return 0;
}
