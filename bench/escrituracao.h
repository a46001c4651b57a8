// The set-up and the measure shared by the benchmarks of a whole file: a new
// database with the demo company, then one file as a user asks for it (the
// header stored runs the generation, then the file is written and checked),
// with the time and the peak memory of each of the two stages.
#pragma once

#include <fmt/core.h>
#include <malloc.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "app/banco.h"
#include "app/geracao.h"
#include "bench/medidas.h"
#include "control/catalogo.h"
#include "control/uh5efd.h"
#include "erp/demo.h"
#include "erp/erp.h"
#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "uh0registrosefd.h"

namespace efd::bench {

inline std::string Maquina() {
  std::string modelo;
  std::ifstream cpu("/proc/cpuinfo");
  for (std::string linha; std::getline(cpu, linha);)
    if (linha.starts_with("model name")) {
      modelo = Trim(linha.substr(linha.find(':') + 1));
      break;
    }
  double memoria_kib = 0;
  std::ifstream mem("/proc/meminfo");
  for (std::string linha; std::getline(mem, linha);)
    if (linha.starts_with("MemTotal:")) memoria_kib = std::stod(linha.substr(9));
  return fmt::format("{}, {} cores, {:.1f} GiB", modelo, std::thread::hardware_concurrency(),
                     memoria_kib / 1048576.0);
}

// The stages the performance monitor timed, longest first.
inline void ImprimirEtapas(TxbSession& sessao, size_t quantas) {
  const auto resumo = sessao.Monitor().Resumo();
  for (size_t i = 0; i < resumo.size() && i < quantas; ++i)
    fmt::print("    {:7.2f} s ({:6.2f} s own) x{:<6} {}\n", resumo[i].total_s, resumo[i].proprio_s,
               resumo[i].contagem, resumo[i].texto);
}

// The seconds of one stage the monitor timed, 0 when it did not run.
inline double SegundosDaEtapa(TxbSession& sessao, const std::string& texto) {
  for (const auto& r : sessao.Monitor().Resumo())
    if (r.texto == texto) return r.total_s;
  return 0;
}

// A new database (a SQLite file is replaced) with the catalogue and the demo
// company of that many documents, its optional modules on as the demo
// command keeps its books.
struct TBaseDemo {
  std::unique_ptr<TxsSessionZ8> sessao;
  erp::ResultadoDemo demo;
  double segundos = 0;  // building the demo company
};

inline TBaseDemo CriarBaseDemo(const std::string& url, int documentos) {
  if (url.starts_with("sqlite:")) std::filesystem::remove(url.substr(7));
  TBaseDemo base;
  base.sessao = app::AbrirBanco(url, app::TCriacaoBanco::Criar);
  erp::Registrar(erp::ModulosDaDemo());
  CarregarCatalogo(*base.sessao);
  erp::OpcoesDemo opcoes;
  opcoes.documentos = documentos;
  const auto inicio = Relogio::now();
  base.demo = erp::ConstruirEmpresaDemo(*base.sessao, opcoes);
  base.segundos = Segundos(inicio);
  return base;
}

struct TMedidaArquivo {
  int id_efd = 0;
  double geracao_s = 0, escrita_s = 0;
  double pico_geracao = 0, pico_escrita = 0;  // MiB resident
  bool pico_proprio = false;                  // false: the peaks are the process's
  app::ArquivoGerado gerado;
};

// Generates and writes the one file of the request o into `arquivo`; the
// monitor is cleared first, so that it holds the stages of this file only.
inline TMedidaArquivo MedirArquivo(TxsSessionZ8& sessao, const app::OpcoesGeracao& o,
                                   const std::string& arquivo) {
  TMedidaArquivo m;
  // What came before is not measured: give its memory back first.
  malloc_trim(0);
  sessao.Monitor().Limpar();
  m.pico_proprio = ReiniciarPico();
  auto efd = Aplicacao().CriarComo<Th5EFD>("EFD", sessao);
  TxbObjetoTemporario liberar(efd);
  auto inicio = Relogio::now();
  app::IncluirCabecalhos(*efd, o);  // storing the header runs the generation
  m.geracao_s = Segundos(inicio);
  m.pico_geracao = MemoriaMiB("VmHWM");
  m.id_efd = efd->Campo("EFD_ID").AsInteger();

  malloc_trim(0);
  ReiniciarPico();
  auto registros = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistrosEFD", sessao);
  TxbObjetoTemporario liberar_registros(registros);
  inicio = Relogio::now();
  registros->GerarArquivos(m.id_efd, arquivo);
  m.escrita_s = Segundos(inicio);
  m.pico_escrita = MemoriaMiB("VmHWM");
  m.gerado = app::VerificarArquivoGerado(m.id_efd, o.filiais.at(0), arquivo);
  return m;
}

}  // namespace efd::bench
