#include "app/geracao_remota.h"

#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "control/geradorefd.h"
#include "control/modulo.h"
#include "control/uh5efd.h"
#include "erp/erp.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "objects/transportehttp.h"
#include "uh0registrosefd.h"

namespace efd::app {
namespace {

const char* kCabecalhos = "EFD_Cabecalhos";

TDateTime LerData(const std::string& texto) {
  return texto.empty() ? TDateTime() : TDateTime::Parse(texto);
}

// The register list of a header: TpRegEFD_ID values, one a line.
std::string ListaDeRegistros(TxbSession& sessao, int modelo, const std::string& codigos) {
  std::string lista;
  if (Trim(codigos).empty()) return lista;
  const std::vector<TxbTipoBloco> catalogo = LerCatalogo(sessao, modelo);
  for (const std::string& codigo : Dividir(codigos, ',')) {
    bool achado = false;
    for (const auto& bloco : catalogo)
      for (const auto& tipo : bloco.registros)
        if (tipo.nome == "Registro " + Trim(codigo)) {
          lista += std::to_string(tipo.id) + "\r\n";
          achado = true;
        }
    if (!achado)
      throw EErro(
          fmt::format("O registro {} não existe no catálogo do modelo {}", Trim(codigo), modelo));
  }
  return lista;
}

// Creates and stores the header(s) of a request without generating them.
void IncluirCabecalhos(Th5EFD& efd, std::vector<TVariant>& a) {
  TxsSessionZ8& sessao = efd.GetSessionZ8();
  const std::string modelo = a[0].AsString();
  std::vector<int> filiais;
  for (const auto& f : Dividir(a[1].AsString(), ','))
    filiais.push_back(static_cast<int>(TextoParaInteiro(f)));
  if (filiais.empty()) throw EErro("Nenhuma filial informada");
  TxbResultado r = sessao.Consultar("SELECT IDF_EMPRESA FROM Z8_FILIAL WHERE ID = :ID",
                                    {{"ID", filiais.front()}});
  if (r.Vazio()) throw EErro(fmt::format("A filial {} não existe (Z8_FILIAL)", filiais.front()));
  sessao.DefinirEmpresaSessao(r.linhas[0][0].AsInteger());
  sessao.DefinirFilialSessao(filiais.front());

  efd.SuprimirGeracao(true);
  efd.SetModeloEFD(modelo);
  efd.SetFiliaisSelecionadas(filiais.size() > 1 ? a[1].AsString() : "");
  efd.SetListaReg(
      ListaDeRegistros(sessao, static_cast<int>(TextoParaInteiroDef(modelo, 0)), a[8].AsString()));
  efd.SetbOpcaoGeracao(static_cast<int>(TextoParaInteiroDef(a[9].AsString(), 6)));
  efd.GetDados().Isolar(0, "VsEDC01");
  efd.IncluirRegistro();
  efd.Campo("EFD_IDF_Filial").SetAsInteger(filiais.front());
  efd.Campo("EFD_DataInicio").SetAsDateTime(a[6].AsDateTime());
  if (!a[7].AsString().empty()) efd.Campo("EFD_DataFim").SetAsDateTime(LerData(a[7].AsString()));
  efd.Campo("EFD_CodFinArq").SetAsString(a[2].AsString());
  efd.Campo("EFD_IndOper").SetAsString(a[5].AsString());
  if (!a[3].AsString().empty()) efd.Campo("EFD_IndPerfilFis").SetAsString(a[3].AsString());
  if (!a[4].AsString().empty()) efd.Campo("EFD_IndAtiv").SetAsString(a[4].AsString());
  efd.ConfirmarRegistro();
  efd.Confirmar();
  efd.SuprimirGeracao(false);
}

// What the header's GerarEFD does before and after each GerarRegistros, for a
// generation that the client drives: earlier headers of the same branch and
// period are deleted (option 6) or make the new one be dropped (option 5).
std::string PrepararGeracao(Th5EFD& efd) {
  TxbSession& sessao = efd.GetSession();
  ThbClientDataSet& cds = efd.GetDados().GetCDS();
  std::string cabecalhos;
  auto anotar = [&](int id, int filial) {
    cabecalhos += fmt::format("{}{}:{}", cabecalhos.empty() ? "" : ",", id, filial);
  };
  if (TextoParaInteiroDef(efd.GetModeloEFD(), 0) != efd.kModeloIPI_ICMS()) {
    cds.First();
    if (!cds.IsEmpty())
      anotar(cds.FieldByName("EFD_ID").AsInteger(), cds.FieldByName("EFD_IDF_Filial").AsInteger());
    return cabecalhos;
  }
  const std::string sql = "SELECT A.ID FROM Z8_EFD A " + Aplicacao().FragmentoSQL(sessao.GetBD()) +
                          "WHERE A.IDF_FILIAL = :FILIAL  AND A.DATAINICIO = :DTINICIO"
                          "  AND A.DATAFIM = :DTFIM  AND A.ID <> :IDATUAL";
  for (cds.First(); !cds.Eof(); cds.Next()) {
    const int id = cds.FieldByName("EFD_ID").AsInteger();
    std::string anteriores;
    TxbResultado r =
        sessao.Consultar(sql, {{"FILIAL", cds.FieldByName("EFD_IDF_Filial").Value()},
                               {"DTINICIO", cds.FieldByName("EFD_DataInicio").AsDateTime()},
                               {"DTFIM", cds.FieldByName("EFD_DataFim").AsDateTime()},
                               {"IDATUAL", id}});
    for (const auto& linha : r.linhas)
      anteriores += (anteriores.empty() ? "" : ",") + linha[0].AsString();
    if (efd.GetbOpcaoGeracao() == 6) efd.ExcluirRegistrosAntigos(anteriores);
    if (!anteriores.empty() && efd.GetbOpcaoGeracao() == 5) {
      sessao.ExecutarDiretoNoBD("DELETE FROM Z8_EFD WHERE ID = " + std::to_string(id));
      continue;
    }
    if (cds.FieldByName("EFD_DataInventEst").AsDateTime().EhDataZero())
      sessao.ExecutarDiretoNoBD("UPDATE Z8_EFD SET DATAINVENTEST = NULL WHERE ID = " +
                                std::to_string(id));
    anotar(id, cds.FieldByName("EFD_IDF_Filial").AsInteger());
  }
  return cabecalhos;
}

}  // namespace

std::string LerToken(const std::string& arquivo) {
  std::ifstream in(arquivo);
  if (!in) throw EErro("não foi possível ler o arquivo de token " + arquivo);
  std::stringstream texto;
  texto << in.rdbuf();
  const std::string token = Trim(texto.str());
  if (token.empty()) throw EErro("o arquivo de token " + arquivo + " está vazio");
  return token;
}

void RegistrarGeracaoRemota() {
  Aplicacao().RegistrarImplementacao(
      "EFD", "GerarEFDIPI_ICMS", [](ThbObjetoNegocio& objeto, std::vector<TVariant>& a) {
        auto* efd = dynamic_cast<Th5EFD*>(&objeto);
        if (!efd) throw EErro("GerarEFDIPI_ICMS requer o objeto EFD do módulo");
        a.resize(10);
        IncluirCabecalhos(*efd, a);
        efd->GetSession().DefinirValor(kCabecalhos, PrepararGeracao(*efd));
        return TVariant();
      });
}

std::vector<ArquivoGerado> GerarRemoto(const std::string& url, const std::string& token,
                                       const OpcoesGeracao& opcoes) {
  if (opcoes.filiais.empty()) throw EErro("Nenhuma filial informada");
  erp::Registrar();
  RegistrarModulo();
  auto transporte = std::make_shared<TxbTransporteHttp>(url, token);
  // A client session: no database of its own, its objects run on the server.
  TxsSessionZ8 sessao(TpbBD::SemConexao("TpbBDSQLite"));
  sessao.SetTransporte(transporte);

  std::string filiais, registros;
  for (int f : opcoes.filiais) filiais += (filiais.empty() ? "" : ",") + std::to_string(f);
  for (const auto& r : opcoes.registros) registros += (registros.empty() ? "" : ",") + r;
  const std::string modelo = std::to_string(opcoes.modelo);
  auto efd = Aplicacao().CriarComo<Th5EFD>("EFD", sessao);
  TxbObjetoTemporario liberar(efd);
  efd->SetModeloEFD(modelo);
  efd->GerarEFDIPI_ICMS(modelo, filiais, opcoes.finalidade, opcoes.perfil, opcoes.atividade,
                        opcoes.operacoes, opcoes.inicio,
                        opcoes.fim.EhDataZero() ? "" : opcoes.fim.Formatar("YYYY-MM-DD"), registros,
                        std::to_string(opcoes.opcao_existente));
  std::vector<std::pair<int, int>> cabecalhos;
  for (const auto& par : Dividir(transporte->ValorSessao(kCabecalhos), ',')) {
    const auto partes = Dividir(par, ':');
    if (partes.size() == 2)
      cabecalhos.emplace_back(static_cast<int>(TextoParaInteiro(partes[0])),
                              static_cast<int>(TextoParaInteiro(partes[1])));
  }
  const std::string lista = efd->GetListaReg();
  const std::string selecionadas = opcoes.modelo == 1 || opcoes.filiais.size() < 2 ? "" : filiais;
  for (const auto& [id, filial] : cabecalhos)
    efd->GerarRegistros(id, selecionadas, lista, modelo, "", false);

  const TDateTime fim =
      opcoes.fim.EhDataZero() ? UltimoDiaDoMes(opcoes.inicio).DateOf() : opcoes.fim;
  const bool pasta = opcoes.saida.empty() || std::filesystem::is_directory(opcoes.saida);
  if (!pasta && cabecalhos.size() > 1)
    throw EErro("Vários arquivos gerados: --out deve ser uma pasta");
  auto escritores = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistrosEFD", sessao);
  TxbObjetoTemporario liberar_escritores(escritores);
  std::vector<ArquivoGerado> arquivos;
  for (const auto& [id, filial] : cabecalhos) {
    const std::string nome = NomeDoArquivo(opcoes.modelo, filial, opcoes.inicio, fim);
    const std::string remoto = (std::filesystem::path(transporte->PastaRemota()) / nome).string();
    std::string caminho = opcoes.saida;
    if (pasta)
      caminho = (std::filesystem::path(opcoes.saida.empty() ? "." : opcoes.saida) / nome).string();
    escritores->GerarArquivos(id, remoto);
    transporte->BaixarArquivo(remoto, caminho);
    arquivos.push_back({id, filial, caminho, VerificarArquivoEFD(caminho)});
  }
  return arquivos;
}

}  // namespace efd::app
