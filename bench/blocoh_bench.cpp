// Block H of a branch with a large stock (not a test): the demo company
// without documents, its head office given ITEMS more products in stock at
// the end of the month, then the head office's ICMS/IPI file with the
// inventory at that date, generated and written by the real driver.
// Reports the inventory's items per second, generating and writing, and the
// peak memory of each stage.
//
//   blocoh_bench [--items 200000] [--url URL]   default a SQLite file in /tmp
#include <fmt/core.h>
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "bench/escrituracao.h"
#include "erp/insercao.h"

namespace {

using namespace efd;

// ITEMS products like the demo's first one (family, NCM and unit), each in
// the company's own warehouse with one balance movement in the month at
// the head office.
void AcrescentarEstoque(TxsSessionZ8& sessao, const erp::ResultadoDemo& demo, int itens) {
  TpbBD& bd = sessao.GetBD();
  const auto modelo =
      sessao
          .Consultar(
              "SELECT P.IDF_EMPRESA, P.IDF_FAMILIA, P.CODIGONCM, P.IDF_CLATIPI, U.IDF_UNIDADE "
              "FROM Z8_PROD P INNER JOIN Z8_UNPROD U ON U.IDF_PROD = P.ID "
              "AND U.UNIDADEPADRAOEST = 'T' WHERE P.CODPROD = '10001'")
          .linhas.at(0);
  const TVariant almoxarifado =
      sessao.Consultar("SELECT MIN(ID) FROM Z8_ALMOX WHERE INDPROP = '0'").linhas.at(0).at(0);
  erp::TxbInsercao produtos(bd, "Z8_PROD",
                            {"ID", "IDF_EMPRESA", "CODPROD", "NMPROD", "IDF_FAMILIA", "CODIGONCM",
                             "IDF_CLATIPI", "CODGENERO"});
  erp::TxbInsercao unidades(bd, "Z8_UNPROD",
                            {"ID", "IDF_PROD", "IDF_UNIDADE", "UNIDADEPADRAOEST", "FATORCONV"});
  erp::TxbInsercao almoxarifados(bd, "Z8_ALMPROD", {"ID", "IDF_PROD", "IDF_ALMOX"});
  erp::TxbInsercao saldos(bd, "Z8_TRANSALDO",
                          {"ID", "IDF_PROD", "IDF_FILIAL", "DATATRANSACAO", "QFISICA",
                           "SALQTDEFILIAL", "CUSTOMEDIO", "SALVALESTFILIAL"});
  auto gravar = [](erp::TxbInsercao& tabela, const std::vector<TVariant>& valores) {
    for (size_t i = 0; i < valores.size(); ++i) tabela.Definir(i, valores[i]);
    tabela.Gravar();
  };
  const TDateTime dia(demo.inicio.dias + 9);
  for (int i = 0; i < itens; ++i) {
    const int64_t produto = bd.NovoID();
    gravar(produtos,
           {produto, modelo[0], fmt::format("E{:07}", i), fmt::format("Item de estoque {}", i),
            modelo[1], modelo[2], modelo[3], modelo[2].AsString().substr(0, 2)});
    gravar(unidades, {bd.NovoID(), produto, modelo[4], "T", 1.0});
    gravar(almoxarifados, {bd.NovoID(), produto, almoxarifado});
    const double quantidade = 1 + i % 97, custo = 0.5 + (i % 1013) / 100.0;
    gravar(saldos, {bd.NovoID(), produto, demo.filiais.front(), dia, quantidade, quantidade, custo,
                    quantidade * custo});
  }
  sessao.ConfirmarImplicita();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App cli("Block H of the demo company's head office with a large stock");
  int itens = 200000;
  std::string url =
      "sqlite:" + (std::filesystem::temp_directory_path() / "blocoh_bench.db").string();
  cli.add_option("--items", itens, "Products in stock added to the head office")
      ->capture_default_str();
  cli.add_option("--url", url, "Database (a new one)")->capture_default_str();
  CLI11_PARSE(cli, argc, argv);
  try {
    fmt::print("machine: {}\n", bench::Maquina());
    bench::TBaseDemo base = bench::CriarBaseDemo(url, 0);
    TxsSessionZ8& sessao = *base.sessao;
    auto inicio = bench::Relogio::now();
    AcrescentarEstoque(sessao, base.demo, itens);
    fmt::print("demo {:.1f} s, {} products in stock added in {:.1f} s\n", base.segundos, itens,
               bench::Segundos(inicio));

    app::OpcoesGeracao o;
    o.modelo = 1;
    o.filiais = {static_cast<int>(base.demo.filiais.front())};
    o.inicio = base.demo.inicio;
    o.inventario = base.demo.fim;
    const std::string arquivo =
        (std::filesystem::temp_directory_path() /
         app::NomeDoArquivo(1, o.filiais[0], base.demo.inicio, base.demo.fim))
            .string();
    const bench::TMedidaArquivo m = bench::MedirArquivo(sessao, o, arquivo);
    const int64_t h010 =
        sessao.Consultar("SELECT COUNT(*) FROM Z8_REGEFDH010").linhas[0][0].AsInt64();
    const double gerar_h = bench::SegundosDaEtapa(sessao, "BLOCO H");
    const double escrever_h = bench::SegundosDaEtapa(sessao, "Gerando Arquivo - Registro H005");
    fmt::print(
        "{} inventory items (H010): block H generated in {:.2f} s ({:.0f} items/s), written in "
        "{:.2f} s ({:.0f} items/s), {:.0f} items/s together\n",
        h010, gerar_h, h010 / gerar_h, escrever_h, h010 / escrever_h,
        h010 / (gerar_h + escrever_h));
    fmt::print(
        "whole file: generation {:.2f} s, writing {:.2f} s, {} lines; peak resident{} {:.0f} "
        "MiB generating, {:.0f} MiB writing{}\n",
        m.geracao_s, m.escrita_s, m.gerado.resumo.linhas, m.pico_proprio ? "" : " (process)",
        m.pico_geracao, m.pico_escrita,
        m.gerado.resumo.problemas.empty() ? "" : "; THE FILE FAILS ITS TOTALS");
    bench::ImprimirEtapas(sessao, 8);
    std::filesystem::remove(m.gerado.caminho);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "blocoh_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
