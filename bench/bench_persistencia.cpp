// Cost of the business-object insert path against raw prepared statements
// (not a test): rows of an inherited family (an ancestor row and a
// descendant row each, six attributes between them) inserted in one
// transaction into an SQLite file, once through IncluirRegistro / field
// writes / ConfirmarRegistro and once through two SOCI statements with use()
// bindings. Reports rows per second of both, their ratio (target: at most
// 1.5) and the memory the business object's dataset holds for its rows.
//
//   bench_persistencia [ROWS [ROUNDS]]    default 200000 rows, 2 rounds
#include <fmt/core.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "bench/medidas.h"
#include "framework/hbobjetonegocio.h"
#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"

namespace {

using namespace efd;
using bench::MemoriaMiB;
using bench::Relogio;
using bench::Segundos;

// BenchPessoa (ancestor) and BenchCliente (descendant).
void RegistrarFamilias() {
  TxbFamilia pessoa;
  pessoa.nome = "BenchPessoa";
  pessoa.prefixo = "BenchPes";
  pessoa.tabela = "BENCH_PESSOA";
  pessoa.atributos = {TxbAtributo::De("Codigo", TTipoCampo::Texto, 20),
                      TxbAtributo::De("Nome", TTipoCampo::Texto, 60),
                      TxbAtributo::De("Nascimento", TTipoCampo::Data)};
  TxbFamilia cliente;
  cliente.nome = "BenchCliente";
  cliente.prefixo = "BenchCli";
  cliente.tabela = "BENCH_CLIENTE";
  cliente.ancestral = "BenchPessoa";
  cliente.atributos = {TxbAtributo::De("Limite", TTipoCampo::Real),
                       TxbAtributo::De("Vendas", TTipoCampo::Inteiro),
                       TxbAtributo::De("Categoria", TTipoCampo::Texto, 10)};
  TxbMetadados::Instancia().Registrar(pessoa);
  TxbMetadados::Instancia().Registrar(cliente);
  Aplicacao().RegistrarClasse("BenchCliente", [] { return std::make_shared<ThbObjetoNegocio>(); });
}

// The values of row i, the same for both paths.
struct TLinha {
  std::string codigo, nome, categoria;
  TDateTime nascimento;
  double limite;
  long long vendas;
};
const TDateTime kBase = TDateTime::EncodeDate(1950, 1, 1);
void Preencher(TLinha& l, int i) {
  l.codigo = "C" + std::to_string(i);
  l.nome = "Cliente " + std::to_string(i);
  l.categoria = "CAT" + std::to_string(i % 7);
  l.nascimento = TDateTime(kBase.dias + i % 20000);
  l.limite = i * 0.5;
  l.vendas = i % 1000;
}

std::unique_ptr<TxbSession> NovoBanco(const std::string& arquivo) {
  std::filesystem::remove(arquivo);
  auto sessao = std::make_unique<TxbSession>(TpbBD::Conectar("sqlite:" + arquivo));
  CriarEsquema(sessao->GetBD());
  return sessao;
}

// Returns the seconds taken and the memory the object's rows hold (MiB).
std::pair<double, double> PeloObjeto(const std::string& arquivo, int linhas) {
  auto sessao = NovoBanco(arquivo);
  const double antes = MemoriaMiB("VmRSS");
  auto inicio = Relogio::now();
  auto cliente = Aplicacao().Criar("BenchCliente", *sessao);
  TLinha l;
  sessao->StartTransactionExplicito();
  for (int i = 1; i <= linhas; ++i) {
    Preencher(l, i);
    cliente->IncluirRegistro();
    cliente->Campo("BenchPes_Codigo").SetAsString(l.codigo);
    cliente->Campo("BenchPes_Nome").SetAsString(l.nome);
    cliente->Campo("BenchPes_Nascimento").SetAsDateTime(l.nascimento);
    cliente->Campo("BenchCli_Limite").SetAsFloat(l.limite);
    cliente->Campo("BenchCli_Vendas").SetAsInteger(l.vendas);
    cliente->Campo("BenchCli_Categoria").SetAsString(l.categoria);
    cliente->ConfirmarRegistro();
  }
  sessao->CommitExplicito();
  const double s = Segundos(inicio);
  const double memoria = MemoriaMiB("VmRSS") - antes;
  if (cliente->GetDados().GetCDS().RecordCount() != linhas) throw std::runtime_error("linhas");
  return {s, memoria};
}

double PorComandos(const std::string& arquivo, int linhas) {
  NovoBanco(arquivo);  // the same tables, created by the same DDL
  auto inicio = Relogio::now();
  soci::session sql(soci::sqlite3, "db=\"" + arquivo + "\"");
  long long id = 0, ida = 0, vendas = 0;
  std::string fd = "BenchCliente", codigo, nome, categoria;
  std::tm nascimento{};
  double limite = 0;
  soci::transaction transacao(sql);
  soci::statement pessoa =
      (sql.prepare << "INSERT INTO BENCH_PESSOA (ID, FD, CODIGO, NOME, NASCIMENTO) "
                      "VALUES (:ID, :FD, :CODIGO, :NOME, :NASCIMENTO)",
       soci::use(id), soci::use(fd), soci::use(codigo), soci::use(nome), soci::use(nascimento));
  soci::statement cliente =
      (sql.prepare << "INSERT INTO BENCH_CLIENTE (ID, IDA, LIMITE, VENDAS, CATEGORIA) "
                      "VALUES (:ID, :IDA, :LIMITE, :VENDAS, :CATEGORIA)",
       soci::use(id), soci::use(ida), soci::use(limite), soci::use(vendas), soci::use(categoria));
  TLinha l;
  for (int i = 1; i <= linhas; ++i) {
    Preencher(l, i);
    id = ida = i;
    codigo = l.codigo;
    nome = l.nome;
    nascimento = l.nascimento.ToTm();
    limite = l.limite;
    vendas = l.vendas;
    categoria = l.categoria;
    pessoa.execute(true);
    cliente.execute(true);
  }
  transacao.commit();
  return Segundos(inicio);
}

// Both paths stored the same rows.
void Conferir(const std::string& a, const std::string& b, int linhas) {
  const std::string consulta =
      "SELECT COUNT(*), SUM(LENGTH(P.NOME)), SUM(C.VENDAS), SUM(C.LIMITE), "
      "MAX(P.NASCIMENTO), MAX(P.FD) FROM BENCH_PESSOA P JOIN BENCH_CLIENTE C ON C.IDA = P.ID";
  auto ra = TpbBD::Conectar("sqlite:" + a)->Consultar(consulta);
  auto rb = TpbBD::Conectar("sqlite:" + b)->Consultar(consulta);
  for (size_t i = 0; i < ra.linhas[0].size(); ++i)
    if (ra.linhas[0][i].AsString() != rb.linhas[0][i].AsString())
      throw std::runtime_error(fmt::format("coluna {} difere: {} / {}", i,
                                           ra.linhas[0][i].AsString(), rb.linhas[0][i].AsString()));
  if (ra.linhas[0][0].AsInteger() != linhas) throw std::runtime_error("contagem");
}

}  // namespace

int main(int argc, char** argv) {
  const int linhas = argc > 1 ? std::atoi(argv[1]) : 200000;
  const int rodadas = argc > 2 ? std::atoi(argv[2]) : 2;
  try {
    RegistrarFamilias();
    std::string modelo = (std::filesystem::temp_directory_path() / "efd-bench-XXXXXX").string();
    if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp");
    const std::filesystem::path pasta = modelo;
    const std::string objeto = (pasta / "objeto.db").string();
    const std::string comandos = (pasta / "comandos.db").string();

    // Warm-up: libraries loaded, allocator and page cache primed.
    PorComandos(comandos, 2000);
    PeloObjeto(objeto, 2000);

    fmt::print("{} rows (ancestor + descendant row each) in one transaction, SQLite file\n",
               linhas);
    double melhor_obj = 1e30, melhor_cmd = 1e30, memoria = 0;
    for (int r = 1; r <= rodadas; ++r) {
      const double cmd = PorComandos(comandos, linhas);
      const auto [obj, mem] = PeloObjeto(objeto, linhas);
      Conferir(objeto, comandos, linhas);
      fmt::print(
          "round {}: raw SOCI {:.3f} s ({:.0f} rows/s), business object {:.3f} s ({:.0f} "
          "rows/s), ratio {:.2f}\n",
          r, cmd, linhas / cmd, obj, linhas / obj, obj / cmd);
      melhor_obj = std::min(melhor_obj, obj);
      melhor_cmd = std::min(melhor_cmd, cmd);
      memoria = std::max(memoria, mem);
    }
    fmt::print(
        "best: raw SOCI {:.0f} rows/s, business object {:.0f} rows/s, ratio {:.2f} "
        "(target <= 1.5)\n",
        linhas / melhor_cmd, linhas / melhor_obj, melhor_obj / melhor_cmd);
    fmt::print(
        "dataset of the business object: {:.1f} MiB resident for {} rows ({:.0f} bytes a "
        "row); peak resident {:.1f} MiB\n",
        memoria, linhas, memoria * 1048576 / linhas, MemoriaMiB("VmHWM"));
    std::filesystem::remove_all(pasta);
  } catch (const std::exception& e) {
    fmt::print(stderr, "bench_persistencia: {}\n", e.what());
    return 1;
  }
  return 0;
}
