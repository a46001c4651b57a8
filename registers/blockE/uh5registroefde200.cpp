#include "registers/blockE/uh5registroefde200.h"

#include <fmt/format.h>

#include <algorithm>

#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/blockE/uh5registroefde100.h"

namespace efd {
namespace {

// The revenue codes under which a GNRE pays ICMS-ST.
constexpr const char* kReceitasST = "('100048', '147310049', '100099', '137-6', '1376', '2212')";

// The model of the state's own collection documents among the collection
// references (GNRE are "1").
constexpr const char* kModeloArrecadacao = "0";

}  // namespace

TValoresE210 ApurarST(const TParteApuracao& p, double deducoes, double debitos_especiais,
                      bool& zerada) {
  const double debitos = p.debitos + p.outros_debitos + p.estornos_creditos;
  const double creditos =
      p.saldo_anterior + p.valor_devol + p.outros_creditos + p.estornos_debitos + p.valor_ressarc;
  const double saldo = debitos - creditos;
  TValoresE210 v;
  v.saldo_credor_ant = p.saldo_anterior;
  v.devolucoes = p.valor_devol;
  v.ressarcimentos = p.valor_ressarc;
  v.outros_creditos = p.outros_creditos;
  v.retencao = p.debitos;
  v.outros_debitos = p.outros_debitos;
  v.saldo_devedor = saldo >= 0 ? saldo : 0;
  v.deducoes = deducoes;
  v.icms_recolher = v.saldo_devedor - p.deducoes;
  v.saldo_credor_transportar = saldo <= 0 ? -saldo : 0;
  v.debitos_especiais = debitos_especiais;
  zerada = p.saldo_anterior == 0 && p.valor_devol == 0 && p.outros_creditos == 0 &&
           p.debitos == 0 && p.outros_debitos == 0 && p.deducoes == 0 && v.icms_recolher == 0 &&
           v.saldo_credor_transportar == 0 && debitos_especiais == 0 && saldo == 0;
  return v;
}

std::string Th5RegistroEFDE200::RetornarCodigoObrigacaoPeloIndice(int indice) {
  static const char* const kCodigos[] = {"000", "001", "002", "003", "004",
                                         "005", "006", "090", "999"};
  return indice >= 0 && indice < static_cast<int>(std::size(kCodigos)) ? kCodigos[indice] : "";
}

TDateTime Th5RegistroEFDE200::RetornarDataVencto(const std::string& codigo, TDateTime referencia) {
  const std::string c = Trim(codigo);
  if (c == "Y") return TDateTime(referencia.DateOf().dias + 5);
  const TDateTime seguinte(UltimoDiaDoMes(referencia).DateOf().dias + 1);
  if (c == "X") return UltimoDiaDoMes(seguinte).DateOf();
  return DiaDoMes(seguinte, Th5RegistroEFDE100::RetornarDiaVencimento(c));
}

bool Th5RegistroEFDE200::DeducaoDaST(const std::string& codigo) {
  const std::string c = Trim(codigo);
  return c.size() >= 4 && ((c[2] == '1' && c[3] == '4') || (c[2] == '6' && c[3] == '1'));
}

Th5RegistroEFDE200::TParametrosGNRE Th5RegistroEFDE200::ParametrosGNRE(int filial, TDateTime inicio,
                                                                       TDateTime fim,
                                                                       const std::string& uf) {
  TParametrosGNRE p;
  if (!FamiliasRegistradas({"DetalhaDespGNRE"})) return p;
  TxbResultado r = GetSession().Consultar(
      "SELECT B.TIPODOCDESPESA, B.CODOBRIGREC, B.CODRECEITA FROM Z8_ParamFil A "
      "INNER JOIN Z8_DETDESGNRE B ON B.IDA = A.ID INNER JOIN KLVG_UF U ON U.ID = B.IDF_UF "
      "WHERE (U.SIGLA = :UF) AND (A.DATAINICIAL <= :FIM) AND (A.DATAFINAL >= :INICIO) "
      "AND (A.IDF_FILIAL = :FILIAL) ORDER BY A.DATAINICIAL DESC, A.ID",
      {{"UF", uf}, {"FIM", fim}, {"INICIO", inicio}, {"FILIAL", filial}});
  if (r.Vazio()) return p;
  const auto& l = r.linhas[0];
  return {true, Trim(l[0].AsString()) == "2",
          l[1].IsNull() ? "" : RetornarCodigoObrigacaoPeloIndice(l[1].AsInteger()),
          Trim(l[2].AsString())};
}

std::vector<TObrigacaoST> Th5RegistroEFDE200::ObrigacoesDoEstado(int filial, int imposto,
                                                                 TDateTime inicio, TDateTime fim,
                                                                 const std::string& uf) {
  const TParametrosGNRE parametros = ParametrosGNRE(filial, inicio, fim, uf);
  std::vector<TObrigacaoST> obrigacoes =
      ObrigacoesGNRE(filial, imposto, inicio, fim, uf, parametros);
  if (obrigacoes.empty() && parametros.existe)
    obrigacoes = ObrigacoesArrecadacao(filial, inicio, fim, uf, parametros);
  for (TObrigacaoST& o : ObrigacoesDosAjustes(filial, inicio, fim, uf))
    obrigacoes.push_back(std::move(o));
  return obrigacoes;
}

std::vector<TObrigacaoST> Th5RegistroEFDE200::ObrigacoesGNRE(int filial, int imposto,
                                                             TDateTime inicio, TDateTime fim,
                                                             const std::string& uf,
                                                             const TParametrosGNRE& parametros) {
  std::vector<TObrigacaoST> obrigacoes;
  if (!FamiliasRegistradas({"GNRE", "DoctoDespesaFiscal", "DoctoDespesaPublica"}))
    return obrigacoes;
  // A GNRE is valued by its fiscal expense document, or by its public
  // expense document of the ICMS-ST when the branch's parameters say so.
  TxbResultado r = GetSession().Consultar(
      std::string("SELECT G.CODOBRIGREC, F.VALTOTALNF, G.DATAVENCTO, G.CODRECEITA, G.NUMPROC, "
                  "G.INDPROC, G.DESCPROC, G.DATAREF, P.VALLIQUIDO FROM Z8_GNRE G "
                  "INNER JOIN Z8_PARTEDOCTO D0 ON D0.ID = G.IDA "
                  "INNER JOIN Z8_DOCTO D ON D.ID = D0.IDF_DOCTO "
                  "LEFT JOIN Z8_DOCTODEFIS F ON F.IDA = D.ID "
                  "LEFT JOIN Z8_DOCTODESPU P ON (P.IDA = D.ID) AND (P.IDF_IMPOSTO = :IMPOSTO) "
                  "WHERE (D.IDF_FILIAL = :FILIAL) AND (G.DATAREF BETWEEN :INICIO AND :FIM) "
                  "AND (G.UNFEDFAV = :UF) AND (G.CODRECEITA IN ") +
          kReceitasST + ") ORDER BY G.DATAREF, G.ID",
      {{"IMPOSTO", imposto}, {"FILIAL", filial}, {"INICIO", inicio}, {"FIM", fim}, {"UF", uf}});
  for (const auto& l : r.linhas)
    obrigacoes.push_back({RetornarCodigoObrigacaoPeloIndice(l[0].AsInteger()),
                          (parametros.despesa_publica ? l[8] : l[1]).AsFloat(), l[2].AsDateTime(),
                          Trim(l[3].AsString()), Trim(l[4].AsString()), Trim(l[5].AsString()),
                          Trim(l[6].AsString()), l[7].AsDateTime()});
  return obrigacoes;
}

std::vector<TObrigacaoST> Th5RegistroEFDE200::ObrigacoesArrecadacao(
    int filial, TDateTime inicio, TDateTime fim, const std::string& uf,
    const TParametrosGNRE& parametros) {
  std::vector<TObrigacaoST> obrigacoes;
  if (!FamiliasRegistradas({"ArrecadacaoReferenciada"})) return obrigacoes;
  // The branch's collection documents issued by the state's treasury.
  TxbResultado r = GetSession().Consultar(
      "SELECT C.VLRDOCTO, H.SIGLA, C.NRODOCTO, A.DATAEMI   FROM Z8_DOCTO A "
      "INNER JOIN Z8_PARTEDOCTO B ON B.IDF_DOCTO = A.ID INNER JOIN Z8_ARRECREFER C ON C.IDA = B.ID "
      "INNER JOIN KLVG_IDENT D ON D.ID = A.IDF_IDENT INNER JOIN KLVG_ENDER E ON E.ID = D.IDF_ENDER "
      "INNER JOIN KLVG_CID G ON G.ID = E.IDF_CID INNER JOIN KLVG_UF H ON H.ID = G.IDF_UF "
      "WHERE (A.DATAEMI BETWEEN :DATAINI AND :DATAFIM) "
      "AND (C.CODMOD = :CODMODELO) "
      "AND (A.IDF_FILIAL = :IDF_FILIAL) "
      "AND (A.SITUACAONF <> '1') "
      "AND (H.SIGLA = :SIGLA) ORDER BY A.DATAEMI, A.ID",
      {{"DATAINI", inicio},
       {"DATAFIM", fim},
       {"CODMODELO", kModeloArrecadacao},
       {"IDF_FILIAL", filial},
       {"SIGLA", uf}});
  for (const auto& l : r.linhas)
    obrigacoes.push_back({parametros.obrigacao, l[0].AsFloat(), l[3].AsDateTime(),
                          parametros.receita, "", "", "", l[3].AsDateTime()});
  return obrigacoes;
}

std::vector<TObrigacaoST> Th5RegistroEFDE200::ObrigacoesDosAjustes(int filial, TDateTime inicio,
                                                                   TDateTime fim,
                                                                   const std::string& uf) {
  std::vector<TObrigacaoST> obrigacoes;
  if (!FamiliasRegistradas({"AjusteTribItem", "TabCodReceita", "ItemDocto"})) return obrigacoes;
  TxbResultado r = GetSession().Consultar(
      "SELECT A.VALOR, E.DTENTSAI, F.CODIGO, F.DIAVENCTO FROM Z8_AJTRIBITDO A "
      "INNER JOIN Z8_TRIBITEM B ON B.ID = A.IDF_TRIBITEM "
      "INNER JOIN Z8_DOCTOITEM C ON C.ID = B.IDF_DOCTOITEM "
      "INNER JOIN Z8_PARTEDOCTO D ON D.ID = C.IDA INNER JOIN Z8_DOCTO E ON E.ID = D.IDF_DOCTO "
      "INNER JOIN Z8_TABCODREC F ON F.ID = A.IDF_TABCODREC "
      "WHERE (A.IDF_TABCODREC > 0) "
      "AND (E.IDF_FILIAL = :IDF_FILIAL) "
      "AND (E.DTENTSAI BETWEEN :DATAINI AND :DATAFIN) "
      "AND (F.UF = :SIGLAUF) ORDER BY E.DTENTSAI, A.ID",
      {{"IDF_FILIAL", filial}, {"DATAINI", inicio}, {"DATAFIN", fim}, {"SIGLAUF", uf}});
  for (const auto& l : r.linhas) {
    const TDateTime data = l[1].AsDateTime();
    obrigacoes.push_back({"001", l[0].AsFloat(), RetornarDataVencto(l[3].AsString(), data),
                          Trim(l[2].AsString()), "", "", "", data});
  }
  return obrigacoes;
}

void Th5RegistroEFDE200::IncluirGrupo(int tipo, int bloco, const TApuracao& apuracao,
                                      const std::string& uf, const TValoresE210& v,
                                      const std::vector<TLinhaRubrica>& rubricas,
                                      const std::vector<TObrigacaoST>& obrigacoes) {
  IncluirLinha(tipo, bloco, "E200");
  Campo("RegEFDE200_UFICMSSubTr").SetAsString(uf);
  Campo("RegEFDE200_DataInicio").SetAsString(FormatarData(apuracao.inicio));
  Campo("RegEFDE200_DataFim").SetAsString(FormatarData(apuracao.fim));
  ConfirmarRegistro();

  auto e210 = Aplicacao().Criar("RegistroEFDE210", GetSession());
  TxbObjetoTemporario liberar_e210(e210);
  const int id_e210 = IncluirFilho(
      *e210, IdTipoRegistro(GetSession(), bloco, "E210"), bloco, "E210", "E200",
      Campo("RegEFDE200_ID").AsInteger(), [&] {
        e210->Campo("RegEFDE210_IndMov").SetAsString("1");
        const std::pair<const char*, double> campos[] = {
            {"ValSalCredAnt", v.saldo_credor_ant}, {"ValDevolST", v.devolucoes},
            {"ValRessST", v.ressarcimentos},       {"ValOutCredST", v.outros_creditos},
            {"ValAjustCredST", v.aj_creditos},     {"ValRetST", v.retencao},
            {"ValOutDebST", v.outros_debitos},     {"ValAjustDebST", v.aj_debitos},
            {"ValSalDevAnt", v.saldo_devedor},     {"ValDedST", v.deducoes},
            {"ValICMSRecST", v.icms_recolher},     {"ValSalCredTrans", v.saldo_credor_transportar},
            {"DebEspST", v.debitos_especiais}};
        for (const auto& [campo, valor] : campos)
          e210->Campo(std::string("RegEFDE210_") + campo).SetAsFloat(valor);
      });

  auto e220 = Aplicacao().Criar("RegistroEFDE220", GetSession());
  TxbObjetoTemporario liberar_e220(e220);
  const int tipo_e220 = IdTipoRegistro(GetSession(), bloco, "E220");
  for (const TLinhaRubrica& l : rubricas)
    IncluirFilho(*e220, tipo_e220, bloco, "E220", "E210", id_e210, [&] {
      e220->Campo("RegEFDE220_CodAjustApur").SetAsString(l.codigo);
      e220->Campo("RegEFDE220_DescCompl").SetAsString(l.descricao);
      e220->Campo("RegEFDE220_ValAjustApura").SetAsFloat(l.valor);
    });

  auto e250 = Aplicacao().Criar("RegistroEFDE250", GetSession());
  TxbObjetoTemporario liberar_e250(e250);
  const int tipo_e250 = IdTipoRegistro(GetSession(), bloco, "E250");
  for (const TObrigacaoST& o : obrigacoes)
    IncluirFilho(*e250, tipo_e250, bloco, "E250", "E210", id_e210, [&] {
      e250->Campo("RegEFDE250_CodObrigRec").SetAsString(o.codigo);
      e250->Campo("RegEFDE250_ValObriga").SetAsFloat(o.valor);
      e250->Campo("RegEFDE250_DataVecto").SetAsString(FormatarData(o.vencimento));
      e250->Campo("RegEFDE250_CodReceita").SetAsString(o.receita);
      e250->Campo("RegEFDE250_NumProc").SetAsString(o.num_proc);
      e250->Campo("RegEFDE250_IndProc").SetAsString(o.ind_proc);
      e250->Campo("RegEFDE250_Processo").SetAsString(o.processo);
      e250->Campo("RegEFDE250_MesRef").SetAsString(o.referencia.Formatar("MMYYYY"));
    });
}

int Th5RegistroEFDE200::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string&,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [E200]");
  const TxbCabecalhoEFD cabecalho = LerCabecalhoEFD(GetSession(), id_efd);
  const int filial = cabecalho.filial;
  const TDateTime inicio = cabecalho.inicio.DateOf(), fim = cabecalho.fim.DateOf();
  ExcluirRegistroEFD(id_efd);
  const int imposto =
      IdImpostoConfigurado(GetSession(), EmpresaDaFilial(GetSession(), filial).id, "A", fim);
  if (!Aplicacao().ChecarFamiliaRegistrada("ApuImposto") || imposto == 0) return 0;

  GetDados().Isolar(0, "VsEDC01");
  int grupos = 0;
  for (const TApuracao& apuracao : ApuracoesDoPeriodo(GetSession(), filial, imposto, inicio, fim)) {
    TParteApuracao parte;
    if (!LerParteApuracao(GetSession(), apuracao.id_docto, parte)) continue;
    const std::string uf = SiglaDoEstado(GetSession(), apuracao.id_uf);
    const std::vector<TLinhaRubrica> rubricas = RubricasDoPeriodo(
        GetSession(), filial, inicio, fim, imposto, TTabelaAjuste::ICMSST, apuracao.id_uf);
    double deducoes = 0;
    for (const TLinhaRubrica& l : rubricas)
      if (DeducaoDaST(l.codigo)) deducoes += l.valor;
    bool zerada = false;
    const TValoresE210 v =
        ApurarST(parte, deducoes, SomaDosAjustesC197(GetSession(), id_efd, {uf + "71%"}), zerada);
    if (zerada) continue;
    IncluirGrupo(tipo, bloco, apuracao, uf, v, rubricas,
                 ObrigacoesDoEstado(filial, imposto, inicio, fim, uf));
    ++grupos;
  }
  return grupos;
}

std::string Th5RegistroEFDE200::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro E200");
  if (GetSession().Valor("ModeloEFD") == "2") return "";
  TxbLinhasEFD linhas(GetSession());
  const int antes = LerContador("QtdeLinhasBloco_E");
  const int bloco = IdBloco(id_efd, "Bloco E");
  if (bloco > 0) {
    AbrirRegistrosDoBloco(bloco, "1");
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (!cds.IsEmpty()) {
      const bool mes_ref = LerCabecalhoEFD(GetSession(), id_efd).inicio.Ano() >= 2011;
      TxbFilhosDoBloco e210(GetSession(), "E210", "E200", bloco);
      TxbFilhosDoBloco e220(GetSession(), "E220", "E210", bloco);
      TxbFilhosDoBloco e250(GetSession(), "E250", "E210", bloco);
      if (antes == 0) linhas.AdicionarPronta("|E001|0|");
      for (cds.First(); !cds.Eof(); cds.Next()) {
        AtualizarAvanco(id_efd, "E200", cds.RecNo(), cds.RecordCount());
        linhas.Adicionar("E200", {Texto("RegEFDE200_UFICMSSubTr"), Texto("RegEFDE200_DataInicio"),
                                  Texto("RegEFDE200_DataFim")});
        e210.ParaCada(Campo("RegEFDE200_ID").AsInteger(), [&] {
          auto v = [&](const char* campo) { return FormatarValor(e210.Valor(campo)); };
          linhas.Adicionar(
              "E210", {e210.Texto("IndMov"), v("ValSalCredAnt"), v("ValDevolST"), v("ValRessST"),
                       v("ValOutCredST"), v("ValAjustCredST"), v("ValRetST"), v("ValOutDebST"),
                       v("ValAjustDebST"), v("ValSalDevAnt"), v("ValDedST"), v("ValICMSRecST"),
                       v("ValSalCredTrans"), v("DebEspST")});
          e220.ParaCada(e210.Id(), [&] {
            linhas.Adicionar("E220",
                             {e220.Texto("CodAjustApur"),
                              Trim(Aplicacao().GetSuporteG().TratarTexto(e220.Texto("DescCompl"))),
                              FormatarValor(e220.Valor("ValAjustApura"))});
          });
          e250.ParaCada(e210.Id(), [&] {
            linhas.Adicionar("E250",
                             {e250.Texto("CodObrigRec"), FormatarValor(e250.Valor("ValObriga")),
                              e250.Texto("DataVecto"), e250.Texto("CodReceita"),
                              e250.Texto("NumProc"), e250.Texto("IndProc"), e250.Texto("Processo"),
                              e250.Texto("TextoCompl"), e250.Texto("MesRef")},
                             mes_ref ? 9 : 8);
          });
        });
      }
    }
  }
  GravarContador("QtdeLinhasBloco_E", antes + linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
