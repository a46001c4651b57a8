#include "control/uh5registroefd9900.h"

#include <fmt/format.h>

#include <map>
#include <set>

#include "control/geradorefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "uh0tiporegefd.h"

namespace efd {
namespace {

// How block 9 counts the opening and closing lines of a block.
enum class TLeitura { Tolerante, Estrita };
struct TBloco {
  char letra;
  TLeitura leitura;
};
// In the order their counts are added to the total.
constexpr TBloco kBlocos[] = {
    {'0', TLeitura::Tolerante}, {'A', TLeitura::Tolerante}, {'B', TLeitura::Tolerante},
    {'C', TLeitura::Tolerante}, {'D', TLeitura::Tolerante}, {'E', TLeitura::Tolerante},
    {'F', TLeitura::Tolerante}, {'G', TLeitura::Estrita},   {'K', TLeitura::Estrita},
    {'H', TLeitura::Estrita},   {'I', TLeitura::Estrita},   {'M', TLeitura::Estrita},
    {'1', TLeitura::Estrita},   {'2', TLeitura::Estrita},   {'P', TLeitura::Estrita}};

}  // namespace

int Th5RegistroEFD9900::INTERNO_GerarRegistro(int id_efd, int, int, const std::string&,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [9900]");
  EsquecerCachesDaGeracao(GetSession());
  return 0;
}

int Th5RegistroEFD9900::ContarRegistros(int id_efd, const std::string& familia) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 320,
                             "Retornando Quantidade Registros Familia [" + familia + "]");
  const std::string f = Aplicacao().FragmentoSQL(sessao.GetBD());
  const std::string tabela = "Z8_REGEFD" + familia.substr(11, 4);
  TxbResultado r = sessao.Consultar(
      " SELECT COUNT(*) AS QTD_REG FROM " + tabela + " A " + f + " INNER JOIN Z8_REGEFD B " + f +
          "ON B.ID = A.IDA " + " INNER JOIN Z8_BLOCOSEFD C " + f + "on C.ID = B.IDF_BLOCOSEFD " +
          " WHERE C.IDF_EFD = :ID_EFD ",
      {{"ID_EFD", id_efd}});
  return r.Vazio() ? 0 : r.linhas[0][0].AsInteger();
}

std::string Th5RegistroEFD9900::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro 9900");
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsESPGeracao");
  const std::string modelo = Trim(cabecalho.GetCDS().FieldByName("EFD_Modelo").AsString());
  const TDateTime inicio = cabecalho.GetCDS().FieldByName("EFD_DataInicio").AsDateTime();
  const bool desde_2011 = inicio >= TDateTime::EncodeDate(2011, 1, 1);

  TxbLinhasEFD linhas(GetSession());
  linhas.AdicionarPronta("|9001|0|");

  auto tipos = Aplicacao().CriarComo<Th0TipoRegEFD>("TipoRegEFD", sessao);
  TxbObjetoTemporario liberar(tipos);
  T2bDados& catalogo = tipos->GetDados();
  catalogo.GetFiltros().Adicionar("Flt").IncluirConstante("TpBlocoEFD_ModeloEFD", TOperador::Igual,
                                                          TextoParaInteiroDef(modelo, 0));
  catalogo.GetOrdenacoes().Adicionar("TpBlocoEFD_Ordem");
  catalogo.GetOrdenacoes().Adicionar("TpRegEFD_Familia");
  catalogo.AtivarDataSet("VsESPGerarEFD");
  std::set<std::string> tratadas;
  ThbClientDataSet& cds = catalogo.GetCDS();
  for (cds.First(); !cds.Eof(); cds.Next()) {
    const std::string familia = Trim(cds.FieldByName("TpRegEFD_Familia").AsString());
    if (!tratadas.insert(familia).second || !Aplicacao().ChecarFamiliaRegistrada(familia)) continue;
    const std::string codigo = familia.substr(11, 4);
    int quantidade = ContarRegistros(id_efd, familia);
    if (codigo == "0460" && modelo == "1") quantidade += LerContador("QtdeLinhasBloco_0460_C595");
    if (quantidade > 0) linhas.AdicionarPronta(fmt::format("|9900|{}|{}|", codigo, quantidade));
  }
  for (const char* codigo : {"C595", "C597"}) {
    const int quantidade = LerContador(std::string("QtdeLinhasBloco_") + codigo);
    if (quantidade > 0) linhas.AdicionarPronta(fmt::format("|9900|{}|{}|", codigo, quantidade));
  }

  // Line counts of the blocks; blocks that do not apply count 0.
  std::map<char, int> contagem;
  for (const TBloco& b : kBlocos) {
    const std::string valor = sessao.Valor(std::string("QtdeLinhasBloco_") + b.letra);
    const bool aplica =
        (b.letra != 'G' || desde_2011) && ((b.letra != 'P' && b.letra != 'I') || modelo == "2");
    if (!aplica) continue;
    if (b.leitura == TLeitura::Tolerante)
      contagem[b.letra] = static_cast<int>(TextoParaInteiroDef(valor, 0));
    else if (!valor.empty())
      contagem[b.letra] = static_cast<int>(TextoParaInteiro(valor));
  }
  auto abre_fecha = [&](char letra, bool aplica) {
    if (!aplica || contagem[letra] <= 0) {
      contagem[letra] = 0;
      return;
    }
    linhas.AdicionarPronta(fmt::format("|9900|{}001|1|", letra));
    linhas.AdicionarPronta(fmt::format("|9900|{}990|1|", letra));
  };
  linhas.AdicionarPronta("|9900|9001|1|");
  linhas.AdicionarPronta("|9900|9990|1|");
  linhas.AdicionarPronta("|9900|9999|1|");
  abre_fecha('0', true);
  abre_fecha('A', modelo == "2");
  abre_fecha('B', modelo == "1" && inicio >= TDateTime::EncodeDate(2019, 1, 1));
  abre_fecha('C', true);
  abre_fecha('D', true);
  abre_fecha('E', modelo != "2");
  abre_fecha('F', modelo == "2");
  abre_fecha('G', desde_2011);
  abre_fecha('H', true);
  abre_fecha('I', modelo == "2" && inicio >= TDateTime::EncodeDate(2014, 1, 1));
  abre_fecha('2', true);
  if (contagem['K'] > 0) {
    linhas.AdicionarPronta("|9900|K001|1|");
    if (inicio >= TDateTime::EncodeDate(2023, 1, 1) && contagem['K'] > 2)
      linhas.AdicionarPronta("|9900|K010|1|");
    linhas.AdicionarPronta("|9900|K990|1|");
  }
  abre_fecha('M', modelo == "2");
  abre_fecha('P', modelo == "2");
  abre_fecha('1', true);
  linhas.AdicionarPronta(fmt::format("|9900|9900|{}|", linhas.Quantidade()));
  linhas.AdicionarPronta(fmt::format("|9990|{}|", linhas.Quantidade() + 2));
  int total = linhas.Quantidade();
  for (const TBloco& b : kBlocos) total += contagem[b.letra];
  linhas.AdicionarPronta(fmt::format("|9999|{}|", total + 1));
  return linhas.Extrair();
}

}  // namespace efd
