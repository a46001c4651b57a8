#include "control/uh5registroefd9900.h"

#include <fmt/format.h>

#include <map>
#include <set>

#include "control/geradorefd.h"
#include "control/leiauteefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "uh0tiporegefd.h"

namespace efd {

int Th5RegistroEFD9900::INTERNO_GerarRegistro(int id_efd, int, int, const std::string&,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [9900]");
  EsquecerCachesDaGeracao(GetSession());
  return 0;
}

std::map<std::string, int> Th5RegistroEFD9900::ContarPorTabela(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 320, "Retornando Quantidade Registros por Família");
  const std::string f = Aplicacao().FragmentoSQL(sessao.GetBD());
  // One query for the whole generation, its rows counted here as they are
  // read: a count per register family joined table by table walked the
  // generation's family rows once per family, and a GROUP BY sorts every
  // row of the generation before it counts.
  std::map<std::string, int> por_familia;
  sessao.Percorrer(" SELECT B.FD FROM Z8_REGEFD B " + f + " INNER JOIN Z8_BLOCOSEFD C " + f +
                       "on C.ID = B.IDF_BLOCOSEFD " + " WHERE C.IDF_EFD = :ID_EFD",
                   {{"ID_EFD", id_efd}},
                   [&](const std::vector<TVariant>& linha) { ++por_familia[linha[0].AsString()]; });
  // A family row stands for one row in each table of its family's chain.
  std::map<std::string, int> por_tabela;
  const TxbMetadados& metadados = TxbMetadados::Instancia();
  for (const auto& [texto, quantidade] : por_familia) {
    const std::string familia = Trim(texto);
    if (!metadados.Familia(familia)) continue;
    for (const TxbFamilia* f_cadeia : metadados.Cadeia(familia))
      por_tabela[UpperCase(f_cadeia->tabela)] += quantidade;
  }
  return por_tabela;
}

int Th5RegistroEFD9900::ContagemDoBloco(const TxbBlocoLeiaute& bloco) const {
  const std::string valor = GetSession().Valor(std::string("QtdeLinhasBloco_") + bloco.letra);
  if (bloco.leitura == TLeituraContador::Tolerante)
    return static_cast<int>(TextoParaInteiroDef(valor, 0));
  return valor.empty() ? 0 : static_cast<int>(TextoParaInteiro(valor));
}

std::string Th5RegistroEFD9900::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro 9900");
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsESPGeracao");
  const std::string modelo = Trim(cabecalho.GetCDS().FieldByName("EFD_Modelo").AsString());
  const TDateTime inicio = cabecalho.GetCDS().FieldByName("EFD_DataInicio").AsDateTime();
  const int modelo_numerico = static_cast<int>(TextoParaInteiroDef(modelo, 0));

  TxbLinhasEFD linhas(GetSession());
  linhas.AdicionarPronta("|9001|0|");

  auto tipos = Aplicacao().CriarComo<Th0TipoRegEFD>("TipoRegEFD", sessao);
  TxbObjetoTemporario liberar(tipos);
  T2bDados& catalogo = tipos->GetDados();
  catalogo.GetFiltros().Adicionar("Flt").IncluirConstante("TpBlocoEFD_ModeloEFD", TOperador::Igual,
                                                          modelo_numerico);
  catalogo.GetOrdenacoes().Adicionar("TpBlocoEFD_Ordem");
  catalogo.GetOrdenacoes().Adicionar("TpRegEFD_Familia");
  catalogo.AtivarDataSet("VsESPGerarEFD");
  std::set<std::string> tratadas;
  const std::map<std::string, int> por_tabela = ContarPorTabela(id_efd);
  ThbClientDataSet& cds = catalogo.GetCDS();
  for (cds.First(); !cds.Eof(); cds.Next()) {
    const std::string familia = Trim(cds.FieldByName("TpRegEFD_Familia").AsString());
    if (!tratadas.insert(familia).second || !Aplicacao().ChecarFamiliaRegistrada(familia)) continue;
    const std::string codigo = familia.substr(11, 4);
    auto contagem = por_tabela.find("Z8_REGEFD" + UpperCase(codigo));
    int quantidade = contagem == por_tabela.end() ? 0 : contagem->second;
    if (codigo == "0460" && modelo == "1") quantidade += LerContador("QtdeLinhasBloco_0460_C595");
    if (quantidade > 0) linhas.AdicionarPronta(fmt::format("|9900|{}|{}|", codigo, quantidade));
  }
  for (const char* codigo : {"C595", "C597"}) {
    const int quantidade = LerContador(std::string("QtdeLinhasBloco_") + codigo);
    if (quantidade > 0) linhas.AdicionarPronta(fmt::format("|9900|{}|{}|", codigo, quantidade));
  }

  // Opening and closing counts of the blocks that have lines, in the
  // layout's order; a block the period's layout lacks counts no line.
  linhas.AdicionarPronta("|9900|9001|1|");
  linhas.AdicionarPronta("|9900|9990|1|");
  linhas.AdicionarPronta("|9900|9999|1|");
  int linhas_dos_blocos = 0;
  for (const TxbBlocoLeiaute& bloco : BlocosDoLeiaute()) {
    if (bloco.modelo != modelo_numerico || !BlocoVigente(bloco, inicio)) continue;
    const int contagem = ContagemDoBloco(bloco);
    if (contagem <= 0) continue;
    linhas_dos_blocos += contagem;
    linhas.AdicionarPronta(fmt::format("|9900|{}001|1|", bloco.letra));
    if (bloco.letra == 'K' && inicio >= TDateTime::EncodeDate(2023, 1, 1) && contagem > 2)
      linhas.AdicionarPronta("|9900|K010|1|");
    linhas.AdicionarPronta(fmt::format("|9900|{}990|1|", bloco.letra));
  }
  linhas.AdicionarPronta(fmt::format("|9900|9900|{}|", linhas.Quantidade()));
  linhas.AdicionarPronta(fmt::format("|9990|{}|", linhas.Quantidade() + 2));
  linhas.AdicionarPronta(fmt::format("|9999|{}|", linhas.Quantidade() + linhas_dos_blocos + 1));
  return linhas.Extrair();
}

}  // namespace efd
