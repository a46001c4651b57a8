// Times the insertions that documents make into block 0 (not a test): one
// generation meets 1,000,000 document items over 50,000 distinct items and
// 100,000 documents over 20,000 distinct participants, as the document
// generators would. Reports insertions per second for new and repeated
// entries, the queries each phase ran (a repeated entry must be answered
// from memory: none), and the time the writers take for the file.
//
//   bloco0_bench [ITEMS [URL]]    default 1000000 items, a SQLite file in /tmp
#include <fmt/core.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "app/banco.h"
#include "app/geracao.h"
#include "control/catalogo.h"
#include "framework/xbaplicacao.h"
#include "framework/xbsession.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0200.h"
#include "uh0registrosefd.h"

namespace {

using namespace efd;
using Relogio = std::chrono::steady_clock;

constexpr int kProdutos = 50000;
constexpr int kParticipantes = 20000;
constexpr int kItensPorDocumento = 10;

double Segundos(Relogio::time_point desde) {
  return std::chrono::duration<double>(Relogio::now() - desde).count();
}

// The same sequence on every run (splitmix64).
struct TGerador {
  uint64_t estado = 1;
  uint64_t Proximo() {
    uint64_t z = (estado += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Ate(int n) { return static_cast<int>(Proximo() % static_cast<uint64_t>(n)); }
};

// One branch, its company, 50,000 products with a stock unit (every fifth
// also sold in boxes of 12) and 20,000 participants. Returns the products.
std::vector<int64_t> CriarCadastros(TxsSessionZ8& sessao) {
  auto inserir = [&](const std::string& sql, const std::vector<TTipoCampo>& tipos,
                     const std::vector<TVariant>& valores) {
    TxbComando& c = sessao.ComandoPreparado(sql, tipos);
    for (size_t i = 0; i < valores.size(); ++i) c.Definir(i, valores[i]);
    c.Executar();
  };
  using T = TTipoCampo;
  sessao.ExecutarDiretoNoBD(
      "INSERT INTO KLVG_IDENT (ID, FD, CODIGO, NOME) VALUES (5, 'PessoaJuridica', 'E1', "
      "'Empresa de Medidas Ltda')");
  sessao.ExecutarDiretoNoBD(
      "INSERT INTO KLVG_PESJUR (ID, IDA, CNPJ) VALUES (5, 5, '11222333000181')");
  sessao.ExecutarDiretoNoBD(
      "INSERT INTO KLVG_PAPELREL (ID, IDF_IDENT, PAPEL) VALUES (7, 5, 'FIL')");
  sessao.ExecutarDiretoNoBD(
      "INSERT INTO Z8_EMPRESA (ID, CODIGO, NOME, IDF_IDENT) VALUES (1, '1', 'Empresa', 5)");
  sessao.ExecutarDiretoNoBD(
      "INSERT INTO Z8_FILIAL (ID, IDF_EMPRESA, CODIGO, NOME, IDF_PAPELREL) "
      "VALUES (10, 1, '1', 'Matriz', 7)");
  sessao.ExecutarDiretoNoBD(
      "INSERT INTO Z8_UNIDADE (ID, CODIGO, NOME, TPCALCULO) VALUES (20, 'UN', 'Unidade', 'M')");
  sessao.ExecutarDiretoNoBD(
      "INSERT INTO Z8_UNIDADE (ID, CODIGO, NOME, TPCALCULO) VALUES (21, 'CX', 'Caixa', 'M')");
  int64_t id = 1000;
  std::vector<int64_t> produtos;
  for (int p = 0; p < kProdutos; ++p) {
    const int64_t produto = ++id;
    produtos.push_back(produto);
    inserir("INSERT INTO Z8_PROD (ID, IDF_EMPRESA, CODPROD, NMPROD) VALUES (?, 1, ?, ?)",
            {T::Inteiro, T::Texto, T::Texto},
            {produto, std::to_string(100000 + p), fmt::format("Produto {}", p)});
    const std::string unidade =
        "INSERT INTO Z8_UNPROD (ID, IDF_PROD, IDF_UNIDADE, UNIDADEPADRAOEST, FATORCONV) "
        "VALUES (?, ?, ?, ?, ?)";
    const std::vector<T> tipos = {T::Inteiro, T::Inteiro, T::Inteiro, T::Texto, T::Real};
    inserir(unidade, tipos, {++id, produto, 20, "T", 1.0});
    if (p % 5 == 0) inserir(unidade, tipos, {++id, produto, 21, "F", 12.0});
  }
  for (int p = 0; p < kParticipantes; ++p)
    inserir("INSERT INTO KLVG_IDENT (ID, FD, CODIGO, NOME) VALUES (?, 'Identificacao', ?, ?)",
            {T::Inteiro, T::Texto, T::Texto},
            {++id, fmt::format("{:010}", 200000 + p), fmt::format("Participante {}", p)});
  sessao.GetBD().ReservarIDsAte(id);
  sessao.ConfirmarImplicita();
  return produtos;
}

struct TMedida {
  long chamadas = 0;
  double segundos = 0;
  int64_t consultas = 0;
};

void Relatar(const char* o_que, const TMedida& m) {
  fmt::print("  {:<34} {:>9} calls {:>8.2f} s {:>11.0f} /s {:>8} queries\n", o_que, m.chamadas,
             m.segundos, m.chamadas / (m.segundos > 0 ? m.segundos : 1e-9), m.consultas);
}

}  // namespace

int main(int argc, char** argv) {
  const TDateTime kInicio = TDateTime::EncodeDate(2024, 3, 1);
  const TDateTime kFim = TDateTime::EncodeDate(2024, 3, 31);
  const long itens = argc > 1 ? std::atol(argv[1]) : 1000000;
  const std::string arquivo =
      (std::filesystem::temp_directory_path() / "efd-bench-bloco0.db").string();
  const std::string url = argc > 2 ? argv[2] : "sqlite:" + arquivo;
  try {
    if (argc <= 2) std::filesystem::remove(arquivo);
    auto sessao = app::AbrirBanco(url, app::TCriacaoBanco::Criar);
    CarregarCatalogo(*sessao);
    auto inicio = Relogio::now();
    const std::vector<int64_t> produtos = CriarCadastros(*sessao);
    fmt::print("{}: registers of {} products and {} participants in {:.1f} s\n", url, kProdutos,
               kParticipantes, Segundos(inicio));

    // The header and its block rows, as a generation makes them.
    app::OpcoesGeracao o;
    o.filiais = {10};
    o.inicio = kInicio;
    o.saida = std::filesystem::temp_directory_path().string();
    const int id_efd = app::Gerar(*sessao, o).at(0).id_efd;

    auto itens_obj = Aplicacao().CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", *sessao);
    auto participantes = Aplicacao().CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", *sessao);
    TxbObjetoTemporario liberar_itens(itens_obj), liberar_participantes(participantes);
    const std::string registros = "RegistroEFD0150=1\r\nRegistroEFD0175=1\r\nRegistroEFD0200=1";
    auto item = [&](int p, bool caixa) {
      std::string unidade = caixa && p % 5 == 0 ? "CX" : "UN";
      itens_obj->IncluirNovo(id_efd, 0, fmt::format("P{}", 100000 + p),
                             static_cast<int>(produtos[static_cast<size_t>(p)]),
                             fmt::format("Produto {}", p), "7890000000000", "", "A", unidade,
                             "10063021", "", "10", "", "", 18.0, kInicio, kFim, 0, 0, registros);
    };
    auto participante = [&](int p) {
      std::string codigo = fmt::format("{:010}", 200000 + p);
      participantes->IncluirNovo(id_efd, 0, registros, 0, codigo, fmt::format("Participante {}", p),
                                 "1058", fmt::format("{:014}", 11222333000000ll + p), "ISENTO",
                                 "3550308", "", "Rua das Medidas", std::to_string(p % 900), "", "",
                                 kInicio, kFim, false, 0);
    };
    auto medir = [&](TMedida& m, auto&& passo, long vezes) {
      const int64_t consultas = sessao->ConsultasExecutadas();
      const auto desde = Relogio::now();
      for (long i = 0; i < vezes; ++i) passo(i);
      m.chamadas += vezes;
      m.segundos += Segundos(desde);
      m.consultas += sessao->ConsultasExecutadas() - consultas;
    };

    // Each item and participant met a first time (with the box unit where
    // there is one), then the documents' repetitions in a random order.
    TMedida novos_itens, repetidos_itens, novos_participantes, repetidos_participantes;
    medir(
        novos_itens, [&](long p) { item(static_cast<int>(p), true); }, kProdutos);
    medir(
        novos_participantes, [&](long p) { participante(static_cast<int>(p)); }, kParticipantes);
    TGerador g;
    // The documents that bring the total of items to the one asked.
    const long documentos = std::max(0L, itens - kProdutos) / kItensPorDocumento;
    for (long d = 0; d < documentos; ++d) {
      medir(
          repetidos_participantes, [&](long) { participante(g.Ate(kParticipantes)); }, 1);
      medir(
          repetidos_itens, [&](long) { item(g.Ate(kProdutos), g.Ate(4) == 0); },
          kItensPorDocumento);
    }
    sessao->ConfirmarImplicita();
    fmt::print("insertions ({} items in {} documents):\n",
               novos_itens.chamadas + repetidos_itens.chamadas, documentos);
    Relatar("0200 new item", novos_itens);
    Relatar("0200 repeated item", repetidos_itens);
    Relatar("0150 new participant", novos_participantes);
    Relatar("0150 repeated participant", repetidos_participantes);

    auto registros_obj = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistrosEFD", *sessao);
    TxbObjetoTemporario liberar_registros(registros_obj);
    inicio = Relogio::now();
    const std::string caminho =
        (std::filesystem::temp_directory_path() / "efd-bench-bloco0.txt").string();
    registros_obj->GerarArquivos(id_efd, caminho);
    fmt::print("writing the file ({} bytes): {:.2f} s\n", std::filesystem::file_size(caminho),
               Segundos(inicio));
    if (repetidos_itens.consultas != 0 || repetidos_participantes.consultas != 0) {
      fmt::print(stderr, "bloco0_bench: repeated entries ran queries\n");
      return 2;
    }
  } catch (const std::exception& e) {
    fmt::print(stderr, "bloco0_bench: {}\n", e.what());
    return 1;
  }
  return 0;
}
