#include "control/geradorefd.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "control/arquivoefd.h"
#include "control/leiauteefd.h"
#include "control/uh5registroefd0000.h"
#include "control/uh5registrosefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "uh0blocosefd.h"
#include "uh0efd.h"

namespace efd {
namespace {

// Session values that hold the caches of one generation.
constexpr const char* kCaches[] = {
    "ID_Bloco0",         "IDF_Bloco_1",       "IDF_Registro_0150",   "IDF_Registro_0175",
    "IDF_Registro_0200", "IDF_Registro_0205", "IDF_Registro_0300",   "IDF_Registro_0460",
    "IDF_Registro_C405", "IDF_Registro_C460", "IDF_Registro_C470",   "IDF_Registro_G125",
    "IDF_Registro_1100", "IDF_Registro_1105", "CODIGO_Registro_0460"};
// Aggregated instances of the session's company object, under the names
// registers 0200 and 0150 give them.
constexpr const char* kCachesDaEmpresa[] = {"OcoAltProduto", "OcoAlteracaoIdent"};

struct TCabecalho {
  int modelo = 0;
  TDateTime inicio;
};

TCabecalho LerCabecalho(TxbSession& sessao, int id_efd) {
  TxbResultado r =
      sessao.Consultar("SELECT MODELO, DATAINICIO FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  if (r.Vazio()) throw EErro(fmt::format("EFD {} não encontrada", id_efd));
  return {static_cast<int>(TextoParaInteiroDef(r.linhas[0][0].AsString(), 0)),
          r.linhas[0][1].AsDateTime()};
}

// The register types chosen by a list of TpRegEFD_ID values, one a line; an
// empty list chooses all.
std::set<int> Escolhidos(const std::string& lista) {
  std::set<int> ids;
  for (const auto& linha : Dividir(lista, '\n'))
    if (TextoEhInteiro(Trim(linha))) ids.insert(static_cast<int>(TextoParaInteiro(linha)));
  return ids;
}

std::shared_ptr<Th5RegistrosEFD> CriarRegistro(TxbSession& sessao, const std::string& familia) {
  if (!Aplicacao().ChecarFamiliaRegistrada(familia)) return nullptr;
  return std::dynamic_pointer_cast<Th5RegistrosEFD>(Aplicacao().Criar(familia, sessao));
}

// What the components outside the module fill in the opening row of a
// PIS/COFINS file: the layout code of that model, the special situation and
// the nature of the legal entity, whose two digits the 0000 writer makes of a
// leading "0" and the last digit stored here.
void CompletarAberturaContribuicoes(TxbSession& sessao, int id_efd, TDateTime inicio) {
  TxbResultado r =
      sessao.Consultar("SELECT INDSITESP, INDNATPJ FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  const std::string natureza = PreencherZerosEsquerda(Trim(r.linhas[0][1].AsString()), 2);
  sessao.ExecutarDiretoNoBD(
      "UPDATE Z8_REGEFD0000 SET CODVER = :CODVER, INDSITESP = :SITESP, INDNATPJ = :NATPJ "
      "WHERE IDA IN (SELECT B.ID FROM Z8_REGEFD B INNER JOIN Z8_BLOCOSEFD C "
      "ON C.ID = B.IDF_BLOCOSEFD WHERE C.IDF_EFD = :ID_EFD)",
      {{"CODVER", VersaoLeiauteContribuicoes(inicio)},
       {"SITESP", Trim(r.linhas[0][0].AsString())},
       {"NATPJ", natureza.substr(natureza.size() - 1)},
       {"ID_EFD", id_efd}});
}

// A period before the model's first layout has no file to give.
void ExigirLeiaute(const TCabecalho& cabecalho, int id_efd) {
  const std::string versao = cabecalho.modelo == 2 ? VersaoLeiauteContribuicoes(cabecalho.inicio)
                                                   : VersaoLeiaute(cabecalho.inicio);
  if (versao.empty())
    throw EErro(fmt::format("EFD {}: o modelo {} não tem leiaute para o período iniciado em {}",
                            id_efd, cabecalho.modelo == 2 ? "PIS/COFINS" : "ICMS/IPI",
                            cabecalho.inicio.Formatar("DD/MM/YYYY")));
}

std::map<int, std::vector<TxbComponenteExterno>>& ComponentesExternos() {
  static std::map<int, std::vector<TxbComponenteExterno>> componentes;
  return componentes;
}

std::string GerarRegistros(TxbSession& sessao, int id_efd, const std::string& filiais,
                           const std::string& lista) {
  const TCabecalho cabecalho = LerCabecalho(sessao, id_efd);
  ExigirLeiaute(cabecalho, id_efd);
  EsquecerCachesDaGeracao(sessao);
  sessao.GetBD().AtualizarEstatisticas();
  const std::vector<TxbTipoBloco> catalogo = LerCatalogo(sessao, cabecalho.modelo);
  const std::set<int> escolhidos = Escolhidos(lista);
  std::string nomes;
  for (const auto& bloco : catalogo)
    for (const auto& r : bloco.registros)
      if (escolhidos.empty() || escolhidos.count(r.id)) nomes += r.nome + "\r\n";

  auto blocos = std::dynamic_pointer_cast<Th0BlocosEFD>(Aplicacao().Criar("BlocosEFD", sessao));
  TxbObjetoTemporario liberar(blocos);
  std::map<int, int> linha_do_bloco;  // block type -> block row
  for (const auto& bloco : catalogo)
    linha_do_bloco[bloco.id] = blocos->Incluir(id_efd, bloco.nome, bloco.descricao, bloco.id);

  int total = 0, feitos = 0;
  for (const auto& bloco : catalogo) total += static_cast<int>(bloco.registros.size());
  for (const auto& bloco : catalogo) {
    for (const auto& tipo : bloco.registros) {
      sessao.Avanco(++feitos, total, tipo.familia);
      if (!escolhidos.empty() && !escolhidos.count(tipo.id)) continue;
      auto registro = CriarRegistro(sessao, tipo.familia);
      if (!registro) continue;
      TxbObjetoTemporario liberar_registro(registro);
      TxbBlocoMonitorado bloco_monitorado(sessao.Monitor(), 300,
                                          "Gerando Registro " + tipo.familia.substr(11));
      std::shared_ptr<ThbObjetoNegocio> objeto;
      registro->GerarRegistro(id_efd, tipo.id, linha_do_bloco[bloco.id], nomes, objeto);
    }
  }
  for (const auto& componente : ComponentesExternos()[cabecalho.modelo])
    componente(sessao, id_efd, filiais, nomes);
  if (cabecalho.modelo == 2) CompletarAberturaContribuicoes(sessao, id_efd, cabecalho.inicio);
  // For the writers, which only read: statistics are written with the rows.
  sessao.GetBD().AtualizarEstatisticas();
  return "";
}

}  // namespace

void EsquecerCachesDaGeracao(TxbSession& sessao) {
  for (const char* nome : kCaches) sessao.DefinirValor(nome, "");
  if (auto* z8 = dynamic_cast<TxsSessionZ8*>(&sessao))
    if (auto empresa = z8->ObjetoEmpresaSessao(false))
      for (const char* cache : kCachesDaEmpresa)
        empresa->AdicionarInstanciaAgregada(cache, nullptr);
}

namespace {

// Lines that the ERP components outside the module add after a block's
// writers: the empty block of a required block, and the closing line.
void CompletarBloco(TxbSession& sessao, TxbArquivoEFD& arquivo, const TCabecalho& cabecalho,
                    char letra, bool fechado) {
  if (letra == '9' || fechado) return;
  const std::string contador = std::string("QtdeLinhasBloco_") + letra;
  int linhas = static_cast<int>(TextoParaInteiroDef(sessao.Valor(contador), 0));
  if (linhas == 0 && !BlocoNoLeiaute(cabecalho.modelo, letra, cabecalho.inicio)) return;
  std::string texto;
  if (linhas == 0) {
    texto += fmt::format("|{}001|1|\r\n", letra);
    linhas = 1;
  }
  texto += fmt::format("|{}990|{}|\r\n", letra, linhas + 1);
  arquivo.Escrever(texto);
  sessao.DefinirValor(contador, std::to_string(linhas + 1));
}

bool FechaBloco(std::string_view texto, char letra) {
  const std::string fechamento = std::string("|") + letra + "990|";
  return texto.starts_with(fechamento) || texto.find("\n" + fechamento) != std::string_view::npos;
}

std::string GerarArquivos(TxbSession& sessao, int id_efd, const std::string& caminho) {
  const TCabecalho cabecalho = LerCabecalho(sessao, id_efd);
  // Counters of an earlier generation in this session must not leak in.
  for (char letra : std::string("0ABCDEFGHIKMP12"))
    sessao.DefinirValor(std::string("QtdeLinhasBloco_") + letra, "");
  TxbArquivoEFD arquivo(caminho);
  const std::vector<TxbTipoBloco> catalogo = LerCatalogo(sessao, cabecalho.modelo);
  int total = 0, feitos = 0;
  for (const auto& bloco : catalogo) total += static_cast<int>(bloco.registros.size());
  char letra = 0;
  bool fechado = false;
  auto escrever = [&](std::string_view texto) {
    fechado = fechado || FechaBloco(texto, letra);
    arquivo.Escrever(texto);
  };
  sessao.SetSaidaLinhas(escrever);
  struct TRestaurar {
    TxbSession& s;
    ~TRestaurar() { s.SetSaidaLinhas(nullptr); }
  } restaurar{sessao};
  for (const auto& bloco : catalogo) {
    letra = bloco.nome.back();
    fechado = false;
    for (const auto& tipo : bloco.registros) {
      sessao.Avanco(++feitos, total, tipo.familia);
      auto registro = CriarRegistro(sessao, tipo.familia);
      if (!registro) continue;
      TxbObjetoTemporario liberar(registro);
      escrever(registro->GerarArquivo(id_efd));
    }
    CompletarBloco(sessao, arquivo, cabecalho, letra, fechado);
  }
  arquivo.Concluir();
  return caminho;
}

// Removes a register's rows of a generation and, through the parent links
// that the metadata shows, its children's. The rows are looked for in the
// register's own block, not among every row of the generation.
void ExcluirRegistroEFD(TxbSession& sessao, const std::string& familia, int id_efd) {
  const TxbFamilia* f = TxbMetadados::Instancia().Familia(familia);
  if (!f) return;
  const std::string codigo = familia.substr(11);
  for (const TxbFamilia* filho : TxbMetadados::Instancia().Todas())
    if (filho->Atributo("IDF_RegEFD" + codigo) && filho->nome != familia)
      ExcluirRegistroEFD(sessao, filho->nome, id_efd);
  TxbResultado blocos = sessao.Consultar(
      "SELECT C.ID FROM Z8_BLOCOSEFD C INNER JOIN Z8_TpRegEFD T ON T.IDF_TIPOBLOCOEFD = "
      "C.IDF_TIPOBLOCOEFD WHERE (C.IDF_EFD = :ID_EFD) AND (T.FAMILIA = :FAMILIA)",
      {{"ID_EFD", id_efd}, {"FAMILIA", familia}});
  const std::string do_registro = "(B.IDF_BLOCOSEFD = :BLOCO) AND (B.REGISTRO = :REGISTRO)";
  for (const auto& b : blocos.linhas) {
    TParametros p{{"BLOCO", b[0]}, {"REGISTRO", codigo}};
    // Found by the block's index, usually with no rows: a generator clears
    // its register before its first row. The register's table is then read
    // within the span of ids, not whole (some engines scan the outer table of
    // "IN (SELECT ...)").
    const TxbResultado span =
        sessao.Consultar("SELECT MIN(B.ID), MAX(B.ID) FROM Z8_REGEFD B WHERE " + do_registro, p);
    if (span.linhas.empty() || span.linhas[0][0].IsNull()) continue;
    p.emplace_back("MENOR", span.linhas[0][0]);
    p.emplace_back("MAIOR", span.linhas[0][1]);
    sessao.ExecutarDiretoNoBD(
        fmt::format("DELETE FROM {0} WHERE ({0}.IDA BETWEEN :MENOR AND :MAIOR) AND EXISTS "
                    "(SELECT B.ID FROM Z8_REGEFD B WHERE (B.ID = {0}.IDA) AND {1})",
                    f->tabela, do_registro),
        p);
    sessao.ExecutarDiretoNoBD(
        "DELETE FROM Z8_REGEFD WHERE (IDF_BLOCOSEFD = :BLOCO) AND (REGISTRO = :REGISTRO)", p);
  }
}

// Removes headers with their block rows and register rows. Each family's
// rows are deleted within the span of ids the generation gave it, each row
// tested for its generation by key, so that the database walks that span
// by the family's index rather than the family's rows of every generation
// ever stored; the generic rows go block by block.
void ExcluirRegistrosAntigos(TxbSession& sessao, const std::string& lista) {
  for (const auto& texto : Dividir(lista, ',')) {
    if (!TextoEhInteiro(texto)) continue;
    const TVariant id_efd(TextoParaInteiro(texto));
    // The span of each family taken here as the rows are read: a GROUP BY
    // would sort every row of the generation first.
    std::map<std::string, std::pair<int64_t, int64_t>> familias;
    sessao.Percorrer(
        "SELECT B.FD, B.ID FROM Z8_REGEFD B INNER JOIN Z8_BLOCOSEFD C ON C.ID = B.IDF_BLOCOSEFD "
        "WHERE C.IDF_EFD = :ID_EFD",
        {{"ID_EFD", id_efd}}, [&](const std::vector<TVariant>& l) {
          const int64_t id = l[1].AsInt64();
          auto [it, nova] = familias.try_emplace(l[0].AsString(), id, id);
          if (nova) return;
          it->second.first = std::min(it->second.first, id);
          it->second.second = std::max(it->second.second, id);
        });
    for (const auto& [familia, span] : familias) {
      const TxbFamilia* f = TxbMetadados::Instancia().Familia(Trim(familia));
      if (f == nullptr || f->ancestral != "RegistrosEFD") continue;
      sessao.ExecutarDiretoNoBD(
          fmt::format("DELETE FROM {0} WHERE ({0}.IDA BETWEEN :MENOR AND :MAIOR) AND EXISTS "
                      "(SELECT B.ID FROM Z8_REGEFD B INNER JOIN Z8_BLOCOSEFD C ON C.ID = "
                      "B.IDF_BLOCOSEFD WHERE (B.ID = {0}.IDA) AND (C.IDF_EFD = :ID_EFD))",
                      f->tabela),
          {{"MENOR", span.first}, {"MAIOR", span.second}, {"ID_EFD", id_efd}});
    }
    TxbResultado blocos = sessao.Consultar("SELECT ID FROM Z8_BLOCOSEFD WHERE IDF_EFD = :ID_EFD",
                                           {{"ID_EFD", id_efd}});
    for (const auto& b : blocos.linhas)
      sessao.ExecutarDiretoNoBD("DELETE FROM Z8_REGEFD WHERE IDF_BLOCOSEFD = :BLOCO",
                                {{"BLOCO", b[0]}});
    const TParametros id{{"ID_EFD", id_efd}};
    sessao.ExecutarDiretoNoBD("DELETE FROM Z8_BLOCOSEFD WHERE IDF_EFD = :ID_EFD", id);
    sessao.ExecutarDiretoNoBD("DELETE FROM Z8_FILIALEFD WHERE IDF_EFD = :ID_EFD", id);
    sessao.ExecutarDiretoNoBD("DELETE FROM Z8_EFD WHERE ID = :ID_EFD", id);
  }
}

std::string ListaDoCatalogo(TxbSession& sessao, int id_efd, bool registros) {
  std::string lista;
  for (const auto& bloco : LerCatalogo(sessao, LerCabecalho(sessao, id_efd).modelo)) {
    if (!registros)
      lista += bloco.nome + "\r\n";
    else
      for (const auto& r : bloco.registros) lista += r.nome + "\r\n";
  }
  return lista;
}

}  // namespace

std::vector<TxbTipoBloco> LerCatalogo(TxbSession& sessao, int modelo) {
  TxbResultado r = sessao.Consultar(
      "SELECT B.ID, B.NOME, B.DESCRICAO, A.ID, A.NOME, A.FAMILIA FROM Z8_TPBLOCOEFD B "
      "LEFT JOIN Z8_TpRegEFD A ON A.IDF_TIPOBLOCOEFD = B.ID "
      "WHERE B.MODELOEFD = :MODELO ORDER BY B.ORDEM, A.FAMILIA",
      {{"MODELO", modelo}});
  std::vector<TxbTipoBloco> catalogo;
  for (const auto& linha : r.linhas) {
    const int id_bloco = linha[0].AsInteger();
    if (catalogo.empty() || catalogo.back().id != id_bloco)
      catalogo.push_back({id_bloco, Trim(linha[1].AsString()), linha[2].AsString(), {}});
    if (!linha[3].IsNull())
      catalogo.back().registros.push_back({linha[3].AsInteger(), id_bloco,
                                           Trim(linha[4].AsString()), Trim(linha[5].AsString()),
                                           catalogo.back().nome});
  }
  return catalogo;
}

void RegistrarComponenteExterno(int modelo, TxbComponenteExterno componente) {
  ComponentesExternos()[modelo].push_back(std::move(componente));
}

void RegistrarGeradorEFD() {
  TxbAplicacao& app = Aplicacao();
  auto sessao = [](ThbObjetoNegocio& o) -> TxbSession& { return o.GetSession(); };
  app.RegistrarImplementacao("EFD", "GerarRegistros", [=](ThbObjetoNegocio& o, auto& a) {
    return TVariant(GerarRegistros(sessao(o), a[0].AsInteger(), a[1].AsString(), a[2].AsString()));
  });
  app.RegistrarImplementacao("RegistrosEFD", "GerarRegistros", [=](ThbObjetoNegocio& o, auto& a) {
    GerarRegistros(sessao(o), a[0].AsInteger(), "", a[1].AsString());
    return TVariant(true);
  });
  auto gerar_arquivos = [=](ThbObjetoNegocio& o, std::vector<TVariant>& a) {
    return TVariant(GerarArquivos(sessao(o), a[0].AsInteger(), a[1].AsString()));
  };
  app.RegistrarImplementacao("RegistrosEFD", "GerarArquivos", gerar_arquivos);
  app.RegistrarImplementacao("EFD", "GerarArquivo", gerar_arquivos);
  app.RegistrarImplementacao("RegistrosEFD", "ExcluirRegistroEFD",
                             [=](ThbObjetoNegocio& o, auto& a) {
                               ExcluirRegistroEFD(sessao(o), o.Familia(), a[0].AsInteger());
                               return TVariant();
                             });
  app.RegistrarImplementacao("RegistrosEFD", "ExcluirRegistrosEFD",
                             [=](ThbObjetoNegocio& o, auto& a) {
                               ExcluirRegistrosAntigos(sessao(o), a[0].AsString());
                               return TVariant(true);
                             });
  app.RegistrarImplementacao("EFD", "ExcluirRegistrosAntigos", [=](ThbObjetoNegocio& o, auto& a) {
    ExcluirRegistrosAntigos(sessao(o), a[0].AsString());
    return TVariant();
  });
  app.RegistrarImplementacao("EFD", "AtualizarMensagem", [=](ThbObjetoNegocio& o, auto& a) {
    sessao(o).Progresso(a[0].AsString());
    return TVariant();
  });
  for (const char* familia : {"EFD", "RegistrosEFD"}) {
    app.RegistrarImplementacao(familia, "RetornarListaReg", [=](ThbObjetoNegocio& o, auto& a) {
      return TVariant(ListaDoCatalogo(sessao(o), a[0].AsInteger(), true));
    });
    app.RegistrarImplementacao(familia, "RetornarListaBlocos", [=](ThbObjetoNegocio& o, auto& a) {
      return TVariant(ListaDoCatalogo(sessao(o), a[0].AsInteger(), false));
    });
  }
}

}  // namespace efd
