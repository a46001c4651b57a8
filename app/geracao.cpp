#include "app/geracao.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <numeric>
#include <thread>

#include "control/geradorefd.h"
#include "control/uh5efd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "uh0registrosefd.h"

namespace efd::app {

std::string ListaDeRegistros(TxsSessionZ8& sessao, int modelo,
                             const std::vector<std::string>& codigos) {
  if (codigos.empty()) return "";
  std::string lista;
  const std::vector<TxbTipoBloco> catalogo = LerCatalogo(sessao, modelo);
  for (const std::string& codigo : codigos) {
    bool achado = false;
    for (const auto& bloco : catalogo)
      for (const auto& tipo : bloco.registros)
        if (tipo.nome == "Registro " + codigo) {
          lista += std::to_string(tipo.id) + "\r\n";
          achado = true;
        }
    if (!achado)
      throw EErro(fmt::format("O registro {} não existe no catálogo do modelo {}", codigo, modelo));
  }
  return lista;
}

namespace {

int EmpresaDaFilial(TxsSessionZ8& sessao, int filial) {
  TxbResultado r =
      sessao.Consultar("SELECT IDF_EMPRESA FROM Z8_FILIAL WHERE ID = :ID", {{"ID", filial}});
  if (r.Vazio()) throw EErro(fmt::format("A filial {} não existe (Z8_FILIAL)", filial));
  return r.linhas[0][0].AsInteger();
}

// Whether --out names a folder: none given, an existing folder, or a path
// ending in a separator, whose folder is made when missing.
bool SaidaEmPasta(const std::string& saida) {
  if (saida.empty() || std::filesystem::is_directory(saida)) return true;
  if (saida.back() != '/') return false;
  std::filesystem::create_directories(saida);
  return true;
}

// Whether several sessions may write to the database at once: the Firebird
// server takes concurrent writers; SQLite and the embedded Firebird take one
// at a time.
bool EscritoresConcorrentes(const std::string& url) {
  return url.starts_with("firebird://");
}

struct TTarefaFilial {
  int filial = 0;
  std::unique_ptr<TxsSessionZ8> sessao;
  std::vector<ArquivoGerado> arquivos;
  std::string erro;
};

void GerarFilial(TTarefaFilial& tarefa, OpcoesGeracao opcoes) {
  opcoes.filiais = {tarefa.filial};
  opcoes.tarefas = 1;
  TpbBD& bd = tarefa.sessao->GetBD();
  try {
    tarefa.arquivos = Gerar(*tarefa.sessao, opcoes);
    bd.Confirmar();  // its reads must not hold back the other branches' commits
  } catch (const std::exception& e) {
    tarefa.erro = e.what();
    // Runs in a worker thread: a failing rollback is reported with the branch, not thrown.
    try {
      bd.Desfazer();
    } catch (const std::exception& desfazer) {
      tarefa.erro += fmt::format(" (e o desfazimento falhou: {})", desfazer.what());
    }
  }
}

}  // namespace

std::vector<size_t> OrdemDasFiliais(TxsSessionZ8& sessao, const OpcoesGeracao& opcoes) {
  const TDateTime fim = opcoes.FimDoPeriodo();
  std::vector<int64_t> documentos;
  for (int filial : opcoes.filiais)
    documentos.push_back(sessao
                             .Consultar("SELECT COUNT(*) FROM Z8_DOCTO WHERE IDF_FILIAL = :FILIAL "
                                        "AND DATAEMI >= :INICIO AND DATAEMI < :FIM",
                                        {{"FILIAL", filial},
                                         {"INICIO", opcoes.inicio.DateOf()},
                                         {"FIM", TDateTime(fim.DateOf().dias + 1)}})
                             .linhas.at(0)
                             .at(0)
                             .AsInt64());
  std::vector<size_t> ordem(opcoes.filiais.size());
  std::iota(ordem.begin(), ordem.end(), 0);
  std::stable_sort(ordem.begin(), ordem.end(),
                   [&](size_t a, size_t b) { return documentos[a] > documentos[b]; });
  return ordem;
}

namespace {

std::vector<ArquivoGerado> GerarPorFilial(TxsSessionZ8& sessao, const OpcoesGeracao& opcoes) {
  if (!SaidaEmPasta(opcoes.saida)) throw EErro("Vários arquivos gerados: --out deve ser uma pasta");
  const std::string url = sessao.GetBD().Url();
  sessao.GetBD().Confirmar();  // the branches' sessions must not wait for this one
  // Every connection is made here, before any branch starts.
  std::vector<TTarefaFilial> tarefas(opcoes.filiais.size());
  for (size_t i = 0; i < tarefas.size(); ++i) {
    tarefas[i].filial = opcoes.filiais[i];
    tarefas[i].sessao = std::make_unique<TxsSessionZ8>(TpbBD::Conectar(url));
  }
  if (EscritoresConcorrentes(url)) {
    // The largest first: the run cannot end before the largest branch does.
    const std::vector<size_t> ordem = OrdemDasFiliais(sessao, opcoes);
    sessao.GetBD().Confirmar();
    std::atomic<size_t> proxima{0};
    std::vector<std::thread> threads;
    const size_t n = std::min(tarefas.size(), static_cast<size_t>(opcoes.tarefas));
    for (size_t t = 0; t < n; ++t)
      threads.emplace_back([&] {
        for (size_t i = proxima++; i < ordem.size(); i = proxima++)
          GerarFilial(tarefas[ordem[i]], opcoes);
      });
    for (auto& thread : threads) thread.join();
  } else {
    sessao.Logar(
        fmt::format("{} aceita um escritor por vez: as {} filiais são geradas uma após a outra",
                    sessao.GetBD().ClassName(), tarefas.size()));
    for (auto& tarefa : tarefas) GerarFilial(tarefa, opcoes);
  }
  std::vector<ArquivoGerado> arquivos;
  std::string falhas;
  for (auto& tarefa : tarefas) {
    for (const auto& aviso : tarefa.sessao->Log()) sessao.Logar(aviso);
    arquivos.insert(arquivos.end(), tarefa.arquivos.begin(), tarefa.arquivos.end());
    if (!tarefa.erro.empty())
      falhas +=
          fmt::format("{}filial {}: {}", falhas.empty() ? "" : "; ", tarefa.filial, tarefa.erro);
  }
  if (!falhas.empty()) throw EErro("A geração falhou (" + falhas + ")");
  return arquivos;
}

}  // namespace

ArquivoGerado VerificarArquivoGerado(int id_efd, int filial, const std::string& caminho) {
  ArquivoGerado arquivo{id_efd, filial, caminho, VerificarArquivoEFD(caminho)};
  if (arquivo.resumo.problemas.empty()) return arquivo;
  std::filesystem::path invalido(caminho);
  invalido.replace_extension(".INVALIDO" + invalido.extension().string());
  std::filesystem::rename(caminho, invalido);
  arquivo.caminho = invalido.string();
  return arquivo;
}

std::string NomeDoArquivo(int modelo, int filial, TDateTime inicio, TDateTime fim) {
  const std::string nome = modelo == 2 ? "EFD-PIS-COFINS" : "EFD-ICMS-IPI";
  if (inicio.Dia() == 1 && fim.DateOf() == UltimoDiaDoMes(inicio).DateOf())
    return fmt::format("{}-{}-{}.txt", nome, filial, inicio.Formatar("YYYY-MM"));
  return fmt::format("{}-{}-{}-{}.txt", nome, filial, inicio.Formatar("YYYYMMDD"),
                     fim.Formatar("YYYYMMDD"));
}

void IncluirCabecalhos(Th5EFD& efd, const OpcoesGeracao& opcoes) {
  if (opcoes.filiais.empty()) throw EErro("Nenhuma filial informada");
  TxsSessionZ8& sessao = efd.GetSessionZ8();
  sessao.DefinirEmpresaSessao(EmpresaDaFilial(sessao, opcoes.filiais.front()));
  sessao.DefinirFilialSessao(opcoes.filiais.front());
  efd.SetModeloEFD(std::to_string(opcoes.modelo));
  std::string filiais;
  for (int f : opcoes.filiais) filiais += (filiais.empty() ? "" : ",") + std::to_string(f);
  if (opcoes.filiais.size() > 1) efd.SetFiliaisSelecionadas(filiais);
  efd.SetListaReg(ListaDeRegistros(sessao, opcoes.modelo, opcoes.registros));
  efd.SetbOpcaoGeracao(opcoes.opcao_existente);
  efd.GetDados().Isolar(0, "VsEDC01");
  efd.IncluirRegistro();
  efd.Campo("EFD_IDF_Filial").SetAsInteger(opcoes.filiais.front());
  efd.Campo("EFD_DataInicio").SetAsDateTime(opcoes.inicio);
  if (!opcoes.fim.EhDataZero()) efd.Campo("EFD_DataFim").SetAsDateTime(opcoes.fim);
  efd.Campo("EFD_CodFinArq").SetAsString(opcoes.finalidade);
  efd.Campo("EFD_IndOper").SetAsString(opcoes.operacoes);
  if (!opcoes.perfil.empty()) efd.Campo("EFD_IndPerfilFis").SetAsString(opcoes.perfil);
  if (!opcoes.atividade.empty()) efd.Campo("EFD_IndAtiv").SetAsString(opcoes.atividade);
  if (opcoes.drcst) efd.Campo("EFD_DRCST").SetAsString("T");
  if (!opcoes.layout.empty()) efd.Campo("EFD_Layout").SetAsString(opcoes.layout);
  if (!opcoes.inventario.EhDataZero()) {
    efd.Campo("EFD_DataInventEst").SetAsDateTime(opcoes.inventario);
    efd.Campo("EFD_MotivInvent").SetAsString(opcoes.motivo_inventario);
    efd.Campo("EFD_TipoInventario").SetAsString(opcoes.tipo_inventario);
  }
  efd.ConfirmarRegistro();
  efd.Confirmar();
}

std::vector<ArquivoGerado> Gerar(TxsSessionZ8& sessao, const OpcoesGeracao& opcoes) {
  if (opcoes.tarefas > 1 && opcoes.filiais.size() > 1 && opcoes.modelo == 1)
    return GerarPorFilial(sessao, opcoes);
  auto efd = Aplicacao().CriarComo<Th5EFD>("EFD", sessao);
  TxbObjetoTemporario liberar(efd);
  IncluirCabecalhos(*efd, opcoes);  // storing them runs the generation

  std::vector<ArquivoGerado> arquivos;
  ThbClientDataSet& cds = efd->GetDados().GetCDS();
  std::vector<std::pair<int, int>> cabecalhos;
  for (cds.First(); !cds.Eof(); cds.Next())
    cabecalhos.emplace_back(cds.FieldByName("EFD_ID").AsInteger(),
                            cds.FieldByName("EFD_IDF_Filial").AsInteger());
  const bool pasta = SaidaEmPasta(opcoes.saida);
  if (!pasta && cabecalhos.size() > 1)
    throw EErro("Vários arquivos gerados: --out deve ser uma pasta");
  auto registros = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistrosEFD", sessao);
  TxbObjetoTemporario liberar_registros(registros);
  for (const auto& [id, filial] : cabecalhos) {
    TxbResultado r =
        sessao.Consultar("SELECT DATAINICIO, DATAFIM FROM Z8_EFD WHERE ID = :ID", {{"ID", id}});
    if (r.Vazio()) continue;  // dropped: an earlier header is kept
    std::string caminho = opcoes.saida;
    if (pasta)
      caminho = (std::filesystem::path(opcoes.saida.empty() ? "." : opcoes.saida) /
                 NomeDoArquivo(opcoes.modelo, filial, r.linhas[0][0].AsDateTime(),
                               r.linhas[0][1].AsDateTime()))
                    .string();
    registros->GerarArquivos(id, caminho);
    arquivos.push_back(VerificarArquivoGerado(id, filial, caminho));
  }
  return arquivos;
}

}  // namespace efd::app
