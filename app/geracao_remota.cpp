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

// The request of member "23": model, branches, purpose, profile, activity,
// operations, start, end ("YYYY-MM-DD" or empty), register codes and the
// option for earlier headers, as a generation's options.
OpcoesGeracao Opcoes(std::vector<TVariant>& a) {
  OpcoesGeracao o;
  o.modelo = static_cast<int>(TextoParaInteiroDef(a[0].AsString(), 0));
  for (const auto& f : Dividir(a[1].AsString(), ','))
    if (!Trim(f).empty()) o.filiais.push_back(static_cast<int>(TextoParaInteiro(f)));
  o.finalidade = a[2].AsString();
  o.perfil = a[3].AsString();
  o.atividade = a[4].AsString();
  o.operacoes = a[5].AsString();
  o.inicio = a[6].AsDateTime();
  if (!a[7].AsString().empty()) o.fim = TDateTime::Parse(a[7].AsString());
  for (const auto& r : Dividir(a[8].AsString(), ','))
    if (!Trim(r).empty()) o.registros.push_back(Trim(r));
  o.opcao_existente = static_cast<int>(TextoParaInteiroDef(a[9].AsString(), 6));
  return o;
}

// What the header's GerarEFD does around each GerarRegistros, for a
// generation that the client drives; the headers to generate as "id:branch".
std::string PrepararGeracao(Th5EFD& efd) {
  ThbClientDataSet& cds = efd.GetDados().GetCDS();
  std::string cabecalhos;
  const bool icms_ipi = TextoParaInteiroDef(efd.GetModeloEFD(), 0) == efd.kModeloIPI_ICMS();
  for (cds.First(); !cds.Eof(); cds.Next()) {
    if (icms_ipi && !efd.VerificarGeracaoAnterior()) continue;
    if (icms_ipi) efd.AnularDataInventarioZero();
    cabecalhos +=
        fmt::format("{}{}:{}", cabecalhos.empty() ? "" : ",", cds.FieldByName("EFD_ID").AsInteger(),
                    cds.FieldByName("EFD_IDF_Filial").AsInteger());
    if (!icms_ipi) break;  // one header, generated once
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
        efd->SuprimirGeracao(true);
        IncluirCabecalhos(*efd, Opcoes(a));
        efd->SuprimirGeracao(false);
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

  const TDateTime fim = opcoes.FimDoPeriodo();
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
    arquivos.push_back(VerificarArquivoGerado(id, filial, caminho));
  }
  return arquivos;
}

}  // namespace efd::app
