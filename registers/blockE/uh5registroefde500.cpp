#include "registers/blockE/uh5registroefde500.h"

#include <fmt/format.h>

#include <map>
#include <utility>

#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0150.h"

namespace efd {
namespace {

// The documents of the period and their items' IPI: products with their IPI
// base and value, services with the accounting value alone. Entries are
// dated by their entry date, the other documents by their issue date.
constexpr const char* kDocumentosDoPeriodo =
    " INNER JOIN Z8_TRIBITEM B ON B.ID = A.IDA"
    " INNER JOIN Z8_DOCTOITEM C ON C.ID = B.IDF_DOCTOITEM"
    " INNER JOIN Z8_PARTEDOCTO D ON D.ID = C.IDA"
    " INNER JOIN Z8_DOCTO E ON E.ID = D.IDF_DOCTO"
    " INNER JOIN Z8_CODFISOPE F ON F.ID = C.IDF_CFOP"
    " INNER JOIN Z8_TIPDOC G ON G.ID = E.IDF_TPDOCTO"
    " INNER JOIN Z8_PADRAODOC J ON J.ID = G.IDF_PADRAODOC"
    " LEFT JOIN Z8_PARTETPDOC K ON K.IDF_TIPDOC = G.ID"
    " LEFT JOIN Z8_TPDOCTOGER L ON L.IDA = K.ID"
    " LEFT JOIN Z8_MODELODOCT N ON N.ID = COALESCE(E.IDF_MODELODOCTO, L.IDF_MODELODOCT)"
    " WHERE (E.IDF_FILIAL = :FILIAL) AND (E.Situacao  = '1') AND (E.SituacaoNF <> '1')"
    " AND (N.CODMODELO IN ('01', '1B', '04', '55', '65'))"
    " AND (((J.CODINTERNO IN (13, 32, 42, 55, 118, 119, 122, 320))"
    " AND (E.DTENTSAI BETWEEN :INICIO AND :FIM))"
    " OR ((J.CODINTERNO NOT IN (13, 32, 42, 55, 118, 119, 122, 320))"
    " AND (E.DATAEMI BETWEEN :INICIO AND :FIM)))";

}  // namespace

std::string Th5RegistroEFDE500::RetornarSituacaoTribIPI(const std::string& codigo) {
  static const std::map<char, const char*> kSituacoes = {
      {'A', "00"}, {'B', "01"}, {'C', "02"}, {'D', "03"}, {'E', "04"}, {'F', "05"}, {'G', "49"},
      {'H', "50"}, {'I', "51"}, {'J', "52"}, {'L', "53"}, {'M', "54"}, {'N', "55"}, {'O', "99"}};
  const std::string c = Trim(codigo);
  auto it = c.empty() ? kSituacoes.end() : kSituacoes.find(c[0]);
  return it == kSituacoes.end() ? "00" : it->second;
}

std::string Th5RegistroEFDE500::RetornarTipoAjuste(const std::string& tipo) {
  const char c = tipo.empty() ? ' ' : tipo[0];
  if (c == '1' || c == '4' || c == '6') return "0";
  if (c == '2' || c == '3') return "1";
  return "";
}

std::string Th5RegistroEFDE500::RetornarIndAjuste(const std::string& indicador) {
  static const std::map<char, const char*> kIndicadores = {
      {'0', "0"}, {'1', "1"}, {'3', "1"}, {'2', "2"}, {'4', "2"}, {'9', "9"}, {'A', "3"}};
  auto it = indicador.empty() ? kIndicadores.end() : kIndicadores.find(indicador[0]);
  return it == kIndicadores.end() ? "9" : it->second;
}

void Th5RegistroEFDE500::DestroyKLV() {
  if (participantes_) Aplicacao().Destruir(participantes_);
  if (e531_) Aplicacao().Destruir(e531_);
  participantes_.reset();
  e531_.reset();
  Th0RegistroEFDE500::DestroyKLV();
}

void Th5RegistroEFDE500::IncluirE531(int id_efd, int id_e530, int bloco, TDateTime inicio,
                                     TDateTime fim, const TLinhaRubrica& l) {
  TDocumentoAjuste d;
  if (!LerDocumentoDeOrigem(GetSession(), l.id_docto_origem, d)) return;
  if (!participantes_) {
    participantes_ = Aplicacao().CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", GetSession());
    e531_ = Aplicacao().Criar("RegistroEFDE531", GetSession());
  }
  const std::string participante = participantes_->IncluirIdentidade(
      id_efd, IdBloco0(GetSession(), id_efd), d.id_ident, inicio, fim);
  if (d.numero.empty()) return;
  IncluirFilho(*e531_, IdTipoRegistro(GetSession(), bloco, "E531"), bloco, "E531", "E530", id_e530,
               [&] {
                 ThbObjetoNegocio& e = *e531_;
                 e.Campo("RegEFDE531_CodPart").SetAsString(participante);
                 e.Campo("RegEFDE531_CodModel").SetAsString(d.modelo);
                 e.Campo("RegEFDE531_Serie").SetAsString(d.serie);
                 e.Campo("RegEFDE531_NroDocto").SetAsString(d.numero);
                 e.Campo("RegEFDE531_DataEmi").SetAsString(FormatarData(d.emissao));
                 e.Campo("RegEFDE531_ValAjuste").SetAsFloat(l.valor);
                 e.Campo("RegEFDE531_ChaveNfe").SetAsString(d.chave);
               });
}

void Th5RegistroEFDE500::IncluirE530(int id_efd, int id_e520, int bloco, int filial,
                                     TDateTime inicio, TDateTime fim) {
  const std::vector<TLinhaRubrica> linhas = RubricasDoPeriodo(
      GetSession(), filial, inicio, fim, IdImpostoDoTipo(GetSession(), "1"), TTabelaAjuste::IPI);
  if (linhas.empty()) return;
  auto e530 = Aplicacao().Criar("RegistroEFDE530", GetSession());
  TxbObjetoTemporario liberar(e530);
  const int tipo = IdTipoRegistro(GetSession(), bloco, "E530");
  for (const TLinhaRubrica& l : linhas) {
    // An adjustment with an origin document is told by it; otherwise by the
    // document's process.
    std::string origem = "3";
    if (l.id_docto_origem == 0) {
      const std::vector<TProcesso> processos = ProcessosDoDocumento(GetSession(), l.id_docto);
      origem = RetornarIndAjuste(processos.empty() ? "" : processos.front().ind_proc);
    }
    const int id_e530 = IncluirFilho(*e530, tipo, bloco, "E530", "E520", id_e520, [&] {
      e530->Campo("RegEFDE530_IndAjuste").SetAsString(RetornarTipoAjuste(l.tipo));
      e530->Campo("RegEFDE530_ValAjuste").SetAsFloat(l.valor);
      e530->Campo("RegEFDE530_CodAjuste").SetAsString(l.codigo);
      e530->Campo("RegEFDE530_IndDocto").SetAsString(origem);
      e530->Campo("RegEFDE530_NroDocto").SetAsString(l.nro_docto);
      e530->Campo("RegEFDE530_DescAjuste")
          .SetAsString(Aplicacao().GetSuporteG().TratarTexto(l.descricao));
    });
    if (l.id_docto_origem != 0) IncluirE531(id_efd, id_e530, bloco, inicio, fim, l);
  }
}

void Th5RegistroEFDE500::IncluirE510(int id_e500, int bloco, int filial, TDateTime inicio,
                                     TDateTime fim) {
  if (!FamiliasRegistradas({"TribItemProd", "TribItemServ", "ItemDocto", "CFOP", "ModeloDocto"}))
    return;
  // The month's items summed here as they are read, by CFOP and situation
  // as stored, then by the codes as written: a service's situation may meet
  // a product's. A GROUP BY would sort every item of the month first.
  struct TSoma {
    double contabil = 0, base = 0, ipi = 0;
  };
  std::map<std::pair<std::string, std::string>, TSoma> lidas;
  GetSession().Percorrer(
      std::string("SELECT F.Codigo, A.ClaTribIPI, C.ValLiquidoNF, A.IPIBase, A.IPIValor "
                  "FROM Z8_TriItemPro A") +
          kDocumentosDoPeriodo +
          " UNION ALL SELECT F.Codigo, '' ClaTribIPI, C.ValLiquidoNF, 0, 0 FROM Z8_TriItemSer A" +
          kDocumentosDoPeriodo,
      {{"FILIAL", filial}, {"INICIO", inicio}, {"FIM", fim}}, [&](const std::vector<TVariant>& l) {
        TSoma& s = lidas[{l[0].AsString(), l[1].AsString()}];
        s.contabil += l[2].AsFloat();
        s.base += l[3].AsFloat();
        s.ipi += l[4].AsFloat();
      });
  std::map<std::pair<std::string, std::string>, TSoma> somas;
  for (const auto& [lida, l] : lidas) {
    TSoma& s = somas[{LimparConteudo(lida.first), RetornarSituacaoTribIPI(lida.second)}];
    s.contabil += l.contabil;
    s.base += l.base;
    s.ipi += l.ipi;
  }
  auto e510 = Aplicacao().Criar("RegistroEFDE510", GetSession());
  TxbObjetoTemporario liberar(e510);
  const int tipo = IdTipoRegistro(GetSession(), bloco, "E510");
  for (const auto& [chave, s] : somas)
    IncluirFilho(*e510, tipo, bloco, "E510", "E500", id_e500, [&] {
      e510->Campo("RegEFDE510_CFOP").SetAsString(chave.first);
      e510->Campo("RegEFDE510_CST_IPI").SetAsString(chave.second);
      // Sums of many amounts carry the binary remainders of their parts.
      e510->Campo("RegEFDE510_ValContabil").SetAsFloat(Arredondar(s.contabil, 2));
      e510->Campo("RegEFDE510_BaseCalcIPI").SetAsFloat(Arredondar(s.base, 2));
      e510->Campo("RegEFDE510_ValIPI").SetAsFloat(Arredondar(s.ipi, 2));
    });
}

int Th5RegistroEFDE500::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string&,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [E500]");
  const TxbCabecalhoEFD cabecalho = LerCabecalhoEFD(GetSession(), id_efd);
  const int filial = cabecalho.filial;
  const TDateTime inicio = cabecalho.inicio.DateOf(), fim = cabecalho.fim.DateOf();
  ExcluirRegistroEFD(id_efd);
  if (!Aplicacao().ChecarFamiliaRegistrada("ApuImposto")) return 0;
  const std::vector<TApuracao> apuracoes =
      ApuracoesDoPeriodo(GetSession(), filial, IdImpostoDoTipo(GetSession(), "1"), inicio, fim);

  GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo, bloco, "E500");
  Campo("RegEFDE500_IndApura").SetAsString("0");
  Campo("RegEFDE500_DataInicio")
      .SetAsString(FormatarData(apuracoes.empty() ? inicio : apuracoes.front().inicio));
  Campo("RegEFDE500_DataFim")
      .SetAsString(FormatarData(apuracoes.empty() ? fim : apuracoes.front().fim));
  ConfirmarRegistro();
  if (apuracoes.empty()) return 1;
  const int id_e500 = Campo("RegEFDE500_ID").AsInteger();

  IncluirE510(id_e500, bloco, filial, inicio, fim);
  TParteApuracao parte;
  if (LerParteApuracao(GetSession(), apuracoes.front().id_docto, parte)) {
    auto e520 = Aplicacao().Criar("RegistroEFDE520", GetSession());
    TxbObjetoTemporario liberar(e520);
    const int id_e520 = IncluirFilho(
        *e520, IdTipoRegistro(GetSession(), bloco, "E520"), bloco, "E520", "E500", id_e500, [&] {
          e520->Campo("RegEFDE520_SalCredAnt").SetAsFloat(parte.saldo_anterior);
          e520->Campo("RegEFDE520_ValTotDeb").SetAsFloat(parte.debitos);
          e520->Campo("RegEFDE520_ValTotCred").SetAsFloat(parte.creditos);
          e520->Campo("RegEFDE520_ValOutrosDeb").SetAsFloat(0);
          e520->Campo("RegEFDE520_ValOutrosCred").SetAsFloat(0);
          e520->Campo("RegEFDE520_ValSalCredTran").SetAsFloat(parte.imposto_transportar);
          e520->Campo("RegEFDE520_ValSalDevedor").SetAsFloat(parte.imposto_recolher);
        });
    IncluirE530(id_efd, id_e520, bloco, filial, inicio, fim);
  }
  return 1;
}

std::string Th5RegistroEFDE500::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro E500");
  if (GetSession().Valor("ModeloEFD") == "2") return "";
  TxbLinhasEFD linhas(GetSession());
  const int antes = LerContador("QtdeLinhasBloco_E");
  const int bloco = IdBloco(id_efd, "Bloco E");
  if (bloco > 0) {
    AbrirRegistrosDoBloco(bloco, "1");
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (!cds.IsEmpty()) {
      TxbFilhosDoBloco e510(GetSession(), "E510", "E500", bloco);
      TxbFilhosDoBloco e520(GetSession(), "E520", "E500", bloco);
      TxbFilhosDoBloco e530(GetSession(), "E530", "E520", bloco);
      TxbFilhosDoBloco e531(GetSession(), "E531", "E530", bloco);
      if (antes == 0) linhas.AdicionarPronta("|E001|0|");
      for (cds.First(); !cds.Eof(); cds.Next()) {
        AtualizarAvanco(id_efd, "E500", cds.RecNo(), cds.RecordCount());
        linhas.Adicionar("E500", {Texto("RegEFDE500_IndApura"), Texto("RegEFDE500_DataInicio"),
                                  Texto("RegEFDE500_DataFim")});
        const int id = Campo("RegEFDE500_ID").AsInteger();
        e510.ParaCada(id, [&] {
          linhas.Adicionar(
              "E510",
              {e510.Texto("CFOP"), e510.Texto("CST_IPI"), FormatarValor(e510.Valor("ValContabil")),
               FormatarValor(e510.Valor("BaseCalcIPI")), FormatarValor(e510.Valor("ValIPI"))});
        });
        e520.ParaCada(id, [&] {
          linhas.Adicionar(
              "E520",
              {FormatarValor(e520.Valor("SalCredAnt")), FormatarValor(e520.Valor("ValTotDeb")),
               FormatarValor(e520.Valor("ValTotCred")), FormatarValor(e520.Valor("ValOutrosDeb")),
               FormatarValor(e520.Valor("ValOutrosCred")),
               FormatarValor(e520.Valor("ValSalCredTran")),
               FormatarValor(e520.Valor("ValSalDevedor"))});
          e530.ParaCada(e520.Id(), [&] {
            linhas.Adicionar(
                "E530", {e530.Texto("IndAjuste"), FormatarValor(e530.Valor("ValAjuste")),
                         e530.Texto("CodAjuste"), e530.Texto("IndDocto"), e530.Texto("NroDocto"),
                         e530.Texto("DescAjuste")});
            e531.ParaCada(e530.Id(), [&] {
              linhas.Adicionar(
                  "E531", {e531.Texto("CodPart"), e531.Texto("CodModel"), e531.Texto("Serie"),
                           e531.Texto("SubSerie"), e531.Texto("NroDocto"), e531.Texto("DataEmi"),
                           e531.Texto("CodItem"), FormatarValor(e531.Valor("ValAjuste")),
                           e531.Texto("ChaveNfe")});
            });
          });
        });
      }
    }
  }
  if (antes + linhas.Quantidade() == 0) linhas.AdicionarPronta("|E001|1|");
  const int total = antes + linhas.Quantidade() + 1;
  linhas.AdicionarPronta(fmt::format("|E990|{}|", total));
  GravarContador("QtdeLinhasBloco_E", total);
  return linhas.Extrair();
}

}  // namespace efd
