#include "registers/blockC/documentosc100.h"

#include <algorithm>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

// The column indexes of a result, found by name once and then by the
// address of the name's literal: a window's rows are read by the same names.
class TColunas {
 public:
  explicit TColunas(const TxbResultado& r) : r_(r) {}
  size_t Indice(const char* coluna) const {
    auto [it, novo] = indices_.try_emplace(coluna, 0);
    if (novo) {
      const int i = r_.IndiceColuna(coluna);
      if (i < 0) throw EErro(std::string("Coluna ausente na leitura dos documentos: ") + coluna);
      it->second = static_cast<size_t>(i);
    }
    return it->second;
  }

 private:
  const TxbResultado& r_;
  mutable std::unordered_map<const char*, size_t> indices_;
};

// Reads a row by column name.
class TLeitor {
 public:
  TLeitor(const TColunas& c, const std::vector<TVariant>& linha) : c_(c), l_(linha) {}
  const TVariant& V(const char* coluna) const { return l_[c_.Indice(coluna)]; }
  std::string S(const char* coluna) const { return Trim(V(coluna).AsString()); }
  // Texts keep their inner line breaks; only the ends are trimmed.
  double D(const char* coluna) const { return V(coluna).AsFloat(); }
  int64_t I(const char* coluna) const { return V(coluna).AsInt64(); }
  TDateTime Data(const char* coluna) const {
    return V(coluna).IsNull() ? TDateTime() : V(coluna).AsDateTime().DateOf();
  }
  bool Flag(const char* coluna) const { return UpperCase(S(coluna)) == "T"; }

 private:
  const TColunas& c_;
  const std::vector<TVariant>& l_;
};

// Whether the branch's documents pass through fiscal integration: the
// integration family is in the application and the branch's latest general
// parameter valid for the period does not say otherwise.
bool RestringirIntegrados(TxbSession& sessao, int filial, TDateTime inicio) {
  if (!Aplicacao().ChecarFamiliaRegistrada("IntegracaoFIS")) return false;
  TxbResultado r = sessao.Consultar(
      "select NaoIntegraFiscal from Z8_ParFilGer A "
      " INNER JOIN Z8_PARAMFIL B ON B.ID = A.IDA "
      " WHERE B.FD = 'ParamFilialGeral' AND B.IDF_FILIAL = :FILIAL AND B.DATAINICIAL <= :INICIO "
      " ORDER BY B.DATAINICIAL DESC",
      {{"FILIAL", filial}, {"INICIO", inicio.DateOf()}});
  return r.Vazio() || UpperCase(Trim(r.linhas[0][0].AsString())) != "T";
}

constexpr const char* kColunasDocumento =
    "SELECT A.ID ID_DOCTO, A.IDF_TPDOCTO, A.NRODOCTO, A.IDF_IDENT, A.DATAEMI, A.DTENTSAI, "
    "A.IDF_SERIEDOCTO, A.SITUACAONF, A.SITUACAONFE, A.FD, A.SIGLASISTORIGEM, E.CODMODELO, "
    "G.CODINTERNO, A.OBSFISCAL, A.IDF_FILIAL, SERIE.REGIMEESPECIAL, '0' IndEmit, "
    "SERIE.CODIGO SERIE_CODIGO, SERIE.TIPO SERIE_TIPO, A.IDF_LOCENTCLI, A.IDF_PROCESSOIMP, "
    "A.VALTOTALNF, A.VALMERCADORIAS, A.VALSERVICOS, A.VALDESCONTO, A.VALDESCSUFRAMA, A.VALFRETE, "
    "A.VALSEGURO, A.VALOUTRASDESPPROD, A.VALOUTRASDESPSERV, A.VALDESPADUANEIRA, "
    "A.VALIMPIMPORTACAO, A.VALPISIMP, A.VALCOFINSIMP, PI.INDIMPORT, PI.NUMDI, "
    "PI.NROATOREGDRAWB ";
// The tables joined to a document A. A utility bill may have no series; the
// goods documents' selection asks for the series' kind and so still leaves
// such documents out.
constexpr const char* kJuncoesDocumento =
    "INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = A.IDF_TPDOCTO "
    "INNER JOIN Z8_TPDOCTOGER D ON D.IDA = C.ID "
    "INNER JOIN Z8_MODELODOCT E ON E.ID = coalesce(A.IDF_MODELODOCTO, D.IDF_MODELODOCT) "
    "INNER JOIN Z8_TIPDOC H ON H.ID = A.IDF_TPDOCTO "
    "INNER JOIN Z8_PADRAODOC G ON G.ID = H.IDF_PADRAODOC "
    "LEFT JOIN Z8_SERIEDOCTO SERIE ON SERIE.ID = A.IDF_SERIEDOCTO "
    "LEFT JOIN Z8_PROCIMPOR PI ON PI.ID = A.IDF_PROCESSOIMP ";

TDocumentoC100 LerDocumento(const TLeitor& l) {
  TDocumentoC100 d;
  d.id = l.I("ID_DOCTO");
  d.tipo_documento = l.I("IDF_TPDOCTO");
  d.ident = l.I("IDF_IDENT");
  d.local_entrega = l.I("IDF_LOCENTCLI");
  d.processo_importacao = l.I("IDF_PROCESSOIMP");
  d.numero = l.S("NRODOCTO");
  d.situacao_nf = l.S("SITUACAONF");
  d.situacao_nfe = l.S("SITUACAONFE");
  d.modelo = l.S("CODMODELO");
  d.obs_fiscal = l.V("OBSFISCAL").AsString();
  d.codigo_interno = static_cast<int>(l.I("CODINTERNO"));
  d.emissao = l.Data("DATAEMI");
  d.entrada_saida = l.Data("DTENTSAI");
  d.serie = l.S("SERIE_CODIGO");
  d.tipo_serie = l.S("SERIE_TIPO");
  d.regime_especial = l.Flag("REGIMEESPECIAL");
  d.total = l.D("VALTOTALNF");
  d.mercadorias = l.D("VALMERCADORIAS");
  d.servicos = l.D("VALSERVICOS");
  d.desconto = l.D("VALDESCONTO");
  d.suframa = l.D("VALDESCSUFRAMA");
  d.frete = l.D("VALFRETE");
  d.seguro = l.D("VALSEGURO");
  d.outras_prod = l.D("VALOUTRASDESPPROD");
  d.outras_serv = l.D("VALOUTRASDESPSERV");
  d.aduaneiras = l.D("VALDESPADUANEIRA");
  d.imposto_importacao = l.D("VALIMPIMPORTACAO");
  d.pis_importacao = l.D("VALPISIMP");
  d.cofins_importacao = l.D("VALCOFINSIMP");
  d.ind_importacao = l.S("INDIMPORT");
  d.declaracao_importacao = l.S("NUMDI");
  d.drawback = l.S("NROATOREGDRAWB");
  return d;
}

// The month's documents of the branch, without their order.
std::string SqlDocumentosC100(TxbSession& sessao, int filial, TDateTime inicio, TDateTime fim) {
  const TpbBD& bd = sessao.GetBD();
  const std::string de = bd.LiteralData(inicio.DateOf()), ate = bd.LiteralData(fim.DateOf());
  std::string sql =
      std::string("SELECT A.ID, A.DATAEMI FROM Z8_DOCTO A ") + kJuncoesDocumento +
      "WHERE (((A.DATAEMI >= " + de + ") AND (A.DATAEMI <= " + ate + ")) OR ((A.DTENTSAI >= " + de +
      ") AND (A.DTENTSAI <= " + ate + "))) AND (A.IDF_FILIAL = " + std::to_string(filial) +
      ") AND (E.CODMODELO IN ('01', '1B', '04', '55', '65')) "
      "AND (((SERIE.SERIENFE IN ('1','T')) AND (A.SITUACAONFE IN ('3','5','7','9')) AND "
      "(SERIE.TIPO = '1')) OR ((NOT (SERIE.SERIENFE IN ('1','T'))) OR (SERIE.TIPO = '2'))) "
      "AND (A.SITUACAO = '1') ";
  if (RestringirIntegrados(sessao, filial, inicio))
    sql +=
        "AND EXISTS (SELECT I.ID FROM Z8_INTEGRA I INNER JOIN Z8_INTEGRAFIS F ON F.IDA = I.ID "
        "WHERE I.IDF_DOCTO = A.ID AND I.SITUACAO = '1') ";
  return sql;
}

// The numbers typed as cancelled or voided, when the ERP has that table.
bool HaDigitados() {
  return Aplicacao().ChecarFamiliaRegistrada("DoctoCancelSped");
}
constexpr const char* kSqlDigitados =
    "SELECT a.DT_DOC, a.NUM_DOC, a.SER, a.COD_SIT, a.COD_MOD, a.Ind_Emit, a.ID from "
    "Z8_DocCanSped a where (a.REG = 'C100') and (a.IDF_FILIAL = :FILIAL) and (a.DT_DOC >= "
    ":INICIO) and (a.DT_DOC <= :FIM) ";

TParametros ParametrosDigitados(int filial, TDateTime inicio, TDateTime fim) {
  return {{"FILIAL", filial}, {"INICIO", inicio.DateOf()}, {"FIM", fim.DateOf()}};
}

}  // namespace

namespace {

struct TNaturezaBaseCredito {
  const char* final_cfop;  // the CFOP's last three digits
  const char* natureza;
};
// Returns of sales (x201, x202, x410, x411) give back the credit of a
// taxed sale: nature "12".
constexpr TNaturezaBaseCredito kNaturezasBaseCredito[] = {
    {"102", "01"}, {"403", "01"}, {"101", "02"}, {"401", "02"}, {"126", "03"},
    {"252", "04"}, {"253", "04"}, {"551", "09"}, {"556", "02"}, {"933", "03"},
    {"201", "12"}, {"202", "12"}, {"410", "12"}, {"411", "12"}};

}  // namespace

std::string NaturezaBaseCredito(const std::string& cfop) {
  const std::string final = cfop.size() == 4 ? cfop.substr(1) : cfop;
  for (const auto& n : kNaturezasBaseCredito)
    if (final == n.final_cfop) return n.natureza;
  return "13";
}

bool CSTSemContribuicao(const std::string& cst) {
  // 05 (substitution) is a revenue with the contribution, paid by another.
  return cst == "04" || (cst >= "06" && cst <= "09");
}

bool CSTComCredito(const std::string& cst) {
  return cst >= "50" && cst <= "66";
}

bool HaDocumentosC100(TxbSession& sessao, int filial, TDateTime inicio, TDateTime fim) {
  auto alguma = [&sessao](const std::string& sql, const TParametros& parametros) {
    return !sessao.Consultar(sessao.GetBD().LimitarLinhas(sql, 1), parametros).Vazio();
  };
  return alguma(SqlDocumentosC100(sessao, filial, inicio, fim), {}) ||
         (HaDigitados() && alguma(kSqlDigitados, ParametrosDigitados(filial, inicio, fim)));
}

TSelecaoC100 SelecionarDocumentosC100(TxbSession& sessao, int filial, TDateTime inicio,
                                      TDateTime fim) {
  TxbBlocoMonitorado monitor(sessao.Monitor(), 330, "Seleção dos documentos");
  TxbResultado digitados;
  if (HaDigitados())
    digitados = sessao.Consultar(std::string(kSqlDigitados) + "order by a.DT_DOC, a.ID",
                                 ParametrosDigitados(filial, inicio, fim));

  // Merged by date as the documents are read, only their ids kept; on the
  // same date the typed numbers come first, as their identifier counts as 0.
  TSelecaoC100 s;
  size_t c = 0;
  auto digitados_ate = [&](const TDateTime* data) {
    for (; c < digitados.linhas.size(); ++c) {
      const auto& l = digitados.linhas[c];
      if (data && l[0].AsDateTime().DateOf() > *data) return;
      TDocumentoC100 doc;
      doc.emissao = doc.entrada_saida = l[0].AsDateTime().DateOf();
      doc.numero = Trim(l[1].AsString());
      doc.serie = Trim(l[2].AsString());
      doc.situacao_nf = "1";
      doc.situacao_nfe = Trim(l[3].AsString());
      doc.modelo = Trim(l[4].AsString());
      doc.ind_emit = Trim(l[5].AsString());
      doc.obs_fiscal = "C100";
      s.ids.push_back(0);
      s.digitados.push_back(std::move(doc));
    }
  };
  sessao.Percorrer(SqlDocumentosC100(sessao, filial, inicio, fim) + "ORDER BY A.DATAEMI, A.ID", {},
                   [&](const std::vector<TVariant>& l) {
                     const TDateTime data = l[1].AsDateTime().DateOf();
                     digitados_ate(&data);
                     s.ids.push_back(l[0].AsInt64());
                   });
  digitados_ate(nullptr);
  return s;
}

TPaginaC100 CarregarPaginaC100(TxbSession& sessao, const std::vector<int64_t>& ids) {
  TPaginaC100 p;
  // Every query keeps the rows of the page's documents.
  auto da_pagina = [&sessao, &ids](const char* coluna) { return sessao.JuncaoIds(coluna, ids); };
  {
    TxbResultado r = sessao.Consultar(std::string(kColunasDocumento) + "FROM Z8_DOCTO A " +
                                      da_pagina("A.ID") + kJuncoesDocumento);
    const TColunas colunas(r);
    for (const auto& linha : r.linhas) {
      TDocumentoC100 d = LerDocumento(TLeitor(colunas, linha));
      p.documentos[d.id] = std::move(d);
    }
  }
  {
    TxbBlocoMonitorado monitor(sessao.Monitor(), 330, "Ativação Tributação Item Produto!");
    TxbResultado r = sessao.Consultar(
        "SELECT P.IDF_DOCTO, I.ID, I.SEQITEM, I.IDF_PROD, I.IDF_CONTAFIN, I.QDADE, I.VALBRUTO, "
        "I.VALDESCONTO, I.VALDESCPROP, I.VALDESCSUFRAMA, I.VALLIQUIDO, I.VALLIQUIDONF, "
        "I.VALFUNRURALPROP, I.VALDESCSIMPNAC, "
        "I.NAOGERARVALFIN, CF.CODIGO CFOP, CF.NOME NOME_CFOP, O.CODIGO ORIGEM, CT.CODIGO TRIB, "
        "T.ICMSBASE, T.ICMSALIQ, T.ICMSVALOR, T.VALREDICMS, T.ICMSVALORISENTO, T.ICMSVALOROUTRAS, "
        "T.ICMSRETBASE, T.ICMSRETALIQ, "
        "T.ICMSRETVALOR, T.ICMSVALFCPSTUFDEST, T.ICMSVALINTERUFREMET, T.ICMSVALINTERUFDEST, "
        "T.ICMSVALFCPUFDEST, T.CLATRIBIPI, T.CODENQIPI, T.IPIBASE, T.IPIALIQ, T.IPIVALOR, "
        "T.CLATRIBPIS, T.PISBASE, T.PISALIQ, T.VALFIXOPIS, T.PISVALOR, T.CLATRIBCOFINS, "
        "T.COFINSBASE, T.COFINSALIQ, T.VALFIXOCOFINS, T.COFINSVALOR, T.PISALIQIMPORT, "
        "T.COFINSALIQIMPORT, T.PERCRECUPCREDPISIMP, T.PERCRECCREDCOFINSIMP, T.NATRECPISCOFINS, "
        "PR.CODPROD, "
        "PR.NMPROD, PR.CODBARRAS, PR.CODIGONCM, PR.EXTIPI, PR.CODCEST, PR.CODGENERO, "
        "FA.TIPOITEM, UN.CODIGO UNIDADE "
        "FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") +
        "INNER JOIN Z8_DOCTOITEM I ON I.IDA = P.ID "
        "INNER JOIN Z8_PROD PR ON PR.ID = I.IDF_PROD "
        "LEFT JOIN Z8_FAMILIA FA ON FA.ID = PR.IDF_FAMILIA "
        "LEFT JOIN Z8_UNPROD UP ON UP.ID = I.IDF_UNPROD "
        "LEFT JOIN Z8_UNIDADE UN ON UN.ID = UP.IDF_UNIDADE "
        "LEFT JOIN Z8_CODFISOPE CF ON CF.ID = I.IDF_CFOP "
        "LEFT JOIN Z8_TRIBITEM TB ON TB.IDF_DOCTOITEM = I.ID "
        "LEFT JOIN Z8_TRIITEMPRO T ON T.IDA = TB.ID "
        "LEFT JOIN Z8_CLAORIGEM O ON O.ID = T.IDF_CLAORIGEM "
        "LEFT JOIN Z8_CLATRIBUT CT ON CT.ID = T.IDF_CLATRIBICMS "
        "ORDER BY P.IDF_DOCTO, I.SEQITEM, I.ID");
    const TColunas colunas(r);
    for (const auto& linha : r.linhas) {
      TLeitor l(colunas, linha);
      TItemDocumentoC100 i;
      i.id = l.I("ID");
      i.seq = static_cast<int>(l.I("SEQITEM"));
      i.produto = l.I("IDF_PROD");
      i.conta_financeira = l.I("IDF_CONTAFIN");
      i.quantidade = l.D("QDADE");
      i.bruto = l.D("VALBRUTO");
      i.desconto = l.D("VALDESCONTO");
      i.desconto_prop = l.D("VALDESCPROP");
      i.desconto_suframa = l.D("VALDESCSUFRAMA");
      i.funrural = l.D("VALFUNRURALPROP");
      i.desconto_simples = l.D("VALDESCSIMPNAC");
      i.liquido = l.D("VALLIQUIDO");
      i.liquido_nf = l.D("VALLIQUIDONF");
      i.nao_gerar_val_fin = l.S("NAOGERARVALFIN");
      i.cfop = l.S("CFOP");
      i.nome_cfop = l.S("NOME_CFOP");
      i.origem = l.S("ORIGEM");
      i.tributacao = l.S("TRIB");
      i.unidade = l.S("UNIDADE");
      i.icms_base = l.D("ICMSBASE");
      i.icms_aliq = l.D("ICMSALIQ");
      i.icms_valor = l.D("ICMSVALOR");
      i.reducao = l.D("VALREDICMS");
      i.isento = l.D("ICMSVALORISENTO");
      i.outras = l.D("ICMSVALOROUTRAS");
      i.st_base = l.D("ICMSRETBASE");
      i.st_aliq = l.D("ICMSRETALIQ");
      i.st_valor = l.D("ICMSRETVALOR");
      i.fcp_st = l.D("ICMSVALFCPSTUFDEST");
      i.difal_remet = l.D("ICMSVALINTERUFREMET");
      i.difal_dest = l.D("ICMSVALINTERUFDEST");
      i.fcp_dest = l.D("ICMSVALFCPUFDEST");
      i.cst_ipi = l.S("CLATRIBIPI");
      i.enq_ipi = l.S("CODENQIPI");
      i.ipi_base = l.D("IPIBASE");
      i.ipi_aliq = l.D("IPIALIQ");
      i.ipi_valor = l.D("IPIVALOR");
      i.cst_pis = l.S("CLATRIBPIS");
      i.pis_base = l.D("PISBASE");
      i.pis_aliq = l.D("PISALIQ");
      i.pis_fixo = l.D("VALFIXOPIS");
      i.pis_valor = l.D("PISVALOR");
      i.cst_cofins = l.S("CLATRIBCOFINS");
      i.cofins_base = l.D("COFINSBASE");
      i.cofins_aliq = l.D("COFINSALIQ");
      i.cofins_fixo = l.D("VALFIXOCOFINS");
      i.cofins_valor = l.D("COFINSVALOR");
      i.pis_aliq_imp = l.D("PISALIQIMPORT");
      i.cofins_aliq_imp = l.D("COFINSALIQIMPORT");
      i.pis_recup_imp = l.D("PERCRECUPCREDPISIMP");
      i.cofins_recup_imp = l.D("PERCRECCREDCOFINSIMP");
      i.natureza_receita = l.S("NATRECPISCOFINS");
      i.cod_prod = l.S("CODPROD");
      i.nome_prod = l.S("NMPROD");
      i.cod_barras = l.S("CODBARRAS");
      i.ncm = l.S("CODIGONCM");
      i.ex_tipi = l.S("EXTIPI");
      i.cest = l.S("CODCEST");
      i.genero = l.S("CODGENERO");
      i.tipo_item = l.S("TIPOITEM");
      // Services, fixed assets and consumption goods do not move stock.
      i.estoque = i.tipo_item != "H" && i.tipo_item != "I" && i.tipo_item != "G";
      p.itens[l.I("IDF_DOCTO")].push_back(std::move(i));
    }
  }
  {
    TxbBlocoMonitorado monitor(sessao.Monitor(), 330, "Ativação Tributação Item Serviço!");
    TxbResultado r = sessao.Consultar(
        "SELECT P.IDF_DOCTO, I.VALLIQUIDO, T.ISSBASE, T.ISSVALOR FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") +
        "INNER JOIN Z8_DOCTOITEM I ON I.IDA = P.ID "
        "LEFT JOIN Z8_TRIBITEM TB ON TB.IDF_DOCTOITEM = I.ID "
        "LEFT JOIN Z8_TRIITEMSER T ON T.IDA = TB.ID "
        "WHERE I.IDF_SERVICO IS NOT NULL ORDER BY P.IDF_DOCTO, I.SEQITEM");
    const TColunas colunas(r);
    for (const auto& linha : r.linhas) {
      TLeitor l(colunas, linha);
      p.servicos[l.I("IDF_DOCTO")].push_back({l.D("VALLIQUIDO"), l.D("ISSBASE"), l.D("ISSVALOR")});
    }
  }
  {
    TxbBlocoMonitorado monitor(sessao.Monitor(), 330, "Ativação Outros Dados Documento!");
    TxbResultado r = sessao.Consultar(
        "SELECT P.IDF_DOCTO, O.CHAVENFE, O.TEXTOFISCAL, O.OBSERVACAO, O.TEXTOPAD1, O.TEXTOPAD2, "
        "O.TEXTOPAD3, O.NROPROCESSO, O.INDPROCESSO FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") +
        "INNER JOIN Z8_OUTDADOSDO O ON O.IDA = P.ID "
        "UNION ALL SELECT P.IDF_DOCTO, O.CHAVENFE, O.TEXTOFISCAL, NULL, NULL, NULL, NULL, "
        "NULL, NULL FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") + "INNER JOIN Z8_OUTDADCOMP O ON O.IDA = P.ID");
    for (const auto& linha : r.linhas) {
      auto texto = [&linha](size_t i) { return Trim(linha[i].AsString()); };
      TOutrosDadosC100& o = p.outros[linha[0].AsInt64()];
      if (o.chave.empty()) o.chave = texto(1);
      if (o.texto_fiscal.empty()) o.texto_fiscal = texto(2);
      if (o.observacao.empty()) o.observacao = texto(3);
      if (o.texto_pad_1.empty()) o.texto_pad_1 = texto(4);
      if (o.texto_pad_2.empty()) o.texto_pad_2 = texto(5);
      if (o.texto_pad_3.empty()) o.texto_pad_3 = texto(6);
      if (o.processo.empty()) o.processo = texto(7);
      if (o.ind_processo.empty()) o.ind_processo = texto(8);
    }
  }
  if (Aplicacao().ChecarFamiliaRegistrada("OcoDocumentoElet")) {
    // The tax authority's answers keep the key of a document whose own data
    // lacks it.
    TxbResultado r = sessao.Consultar(
        "SELECT DISTINCT A.IDF_DOCUMENTO, B.CHAVEACESSO FROM Z8_OCODOCTO A " +
        da_pagina("A.IDF_DOCUMENTO") +
        "INNER JOIN Z8_OCODOCELET B ON B.IDA = A.ID WHERE B.CHAVEACESSO IS NOT NULL "
        "ORDER BY A.IDF_DOCUMENTO, B.CHAVEACESSO");
    for (const auto& linha : r.linhas) {
      TOutrosDadosC100& o = p.outros[linha[0].AsInt64()];
      if (o.chave.empty()) o.chave = Trim(linha[1].AsString());
    }
  }
  {
    TxbBlocoMonitorado monitor(sessao.Monitor(), 330, "Ativação Parcela Documento!");
    TxbResultado r = sessao.Consultar(
        "SELECT P.IDF_DOCTO, A.IDENTPARCELA, A.DATAVENCTO, A.VALORPARCELA FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") +
        "INNER JOIN Z8_PARCDOCTO A ON A.IDA = P.ID ORDER BY P.IDF_DOCTO, A.DATAVENCTO, P.ID");
    for (const auto& linha : r.linhas)
      p.parcelas[linha[0].AsInt64()].push_back(
          {Trim(linha[1].AsString()),
           linha[2].IsNull() ? TDateTime() : linha[2].AsDateTime().DateOf(), linha[3].AsFloat()});
  }
  {
    TxbBlocoMonitorado monitor(sessao.Monitor(), 330, "Ativação Dados Entrega Documento!");
    TxbResultado r = sessao.Consultar(
        "SELECT P.IDF_DOCTO, E.TIPOFRETE, E.FRETEAPAGAR, E.RESPONSAVEL, E.IDF_TRANSP, "
        "E.PLACAVEICULO, E.UFVEICULO, E.QTDEPORVOLUME, E.PESOBRUTO, E.PESOLIQUIDO "
        "FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") +
        "INNER JOIN Z8_ENTREGADOC E ON E.IDA = P.ID "
        "UNION ALL SELECT P.IDF_DOCTO, E.FORMAPAGFRETE, E.FRETEAPAGAR, NULL, E.IDF_TRANSP, "
        "E.PLACAVEICULO, NULL, E.QTDEPORVOLUME, E.PESOBRUTO, E.PESOLIQUIDO "
        "FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") + "INNER JOIN Z8_ENTREGACOM E ON E.IDA = P.ID");
    for (const auto& linha : r.linhas) {
      auto texto = [&linha](size_t i) { return Trim(linha[i].AsString()); };
      auto real = [&linha](size_t i) { return linha[i].AsFloat(); };
      TEntregaC100& e = p.entregas[linha[0].AsInt64()];
      e.tipo_frete = texto(1);
      e.frete_a_pagar = texto(2);
      e.responsavel = texto(3);
      e.transportador = linha[4].AsInt64();
      e.placa = texto(5);
      e.uf_veiculo = texto(6);
      e.tem_volumes = !linha[7].IsNull() || !linha[8].IsNull() || !linha[9].IsNull();
      e.volumes = real(7);
      e.peso_bruto = real(8);
      e.peso_liquido = real(9);
    }
  }
  if (Aplicacao().ChecarFamiliaRegistrada("ArmazenCombust")) {
    TxbResultado r = sessao.Consultar(
        "SELECT A.DOCTOITEM_ID, A.NUM_TANQUE, A.QTDE FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") +
        "INNER JOIN Z8_ARMAZCOMB A ON A.DOCTOITEM_ID = P.ID ORDER BY A.DOCTOITEM_ID, A.ID");
    for (const auto& linha : r.linhas)
      p.tanques[linha[0].AsInt64()].push_back({Trim(linha[1].AsString()), linha[2].AsFloat()});
  }
  {
    TxbResultado r = sessao.Consultar(
        "SELECT P.IDF_DOCTO, TB.IDF_DOCTOITEM, AJ.TIPOAJUSTE, AJ.BASE, AJ.ALIQUOTA, AJ.VALOR, "
        "AJ.VLROUTROS, AJ.DESCCOMPL, TA.CODAJUSTE, TA.DESCRICAO, TA.DESCRICAODET, "
        "TA.DESCRICAORED FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") +
        "INNER JOIN Z8_TRIBITEM TB ON TB.IDF_DOCTOITEM = P.ID "
        "INNER JOIN Z8_AJTRIBITDO AJ ON AJ.IDF_TRIBITEM = TB.ID "
        "INNER JOIN Z8_TABAJVPRDF TA ON TA.ID = AJ.IDF_TABAJVPRDF "
        "ORDER BY P.IDF_DOCTO, AJ.ID");
    const TColunas colunas(r);
    for (const auto& linha : r.linhas) {
      TLeitor l(colunas, linha);
      TAjusteC100 a;
      a.item = l.I("IDF_DOCTOITEM");
      a.tipo = l.S("TIPOAJUSTE");
      a.base = l.D("BASE");
      a.aliquota = l.D("ALIQUOTA");
      a.valor = l.D("VALOR");
      a.outros = l.D("VLROUTROS");
      a.complemento = l.S("DESCCOMPL");
      a.codigo = l.S("CODAJUSTE");
      a.descricao = l.S("DESCRICAO");
      a.descricao_det = l.S("DESCRICAODET");
      a.descricao_red = l.S("DESCRICAORED");
      p.ajustes[l.I("IDF_DOCTO")].push_back(std::move(a));
    }
  }
  return p;
}

std::string CodigoParticipanteC100(const std::string& codigo) {
  std::string r;
  for (char c : Trim(codigo))
    if (std::string_view(" (),-./\\").find(c) == std::string_view::npos) r += c;
  return r.empty() ? "0" : r;
}

void CarregarParticipantesC100(TxbSession& sessao, const std::vector<int64_t>& ids,
                               std::map<int64_t, TParticipanteC100>& conhecidos) {
  std::vector<int64_t> novos;
  for (int64_t id : ids)
    if (id > 0 && !conhecidos.count(id)) novos.push_back(id);
  std::sort(novos.begin(), novos.end());
  novos.erase(std::unique(novos.begin(), novos.end()), novos.end());
  if (novos.empty()) return;
  TxbResultado r = sessao.Consultar(
      "SELECT I.ID, I.CODIGO, I.NOME, I.IDENTIFICACAO, I.CPFCNPJ, I.INSCRICAOEST, I.NUMERO, "
      "I.COMPLEMENTO, EN.LOGRADOURO, EN.BAIRRO, CI.GEOCODIGO, UF.SIGLA, PA.CODIGOBACEN, "
      "TC.INSCRICAOSUFRAMA, TC.CONTRIBUINTEICMS FROM KLVG_IDENT I " +
      sessao.JuncaoIds("I.ID", novos) +
      "LEFT JOIN KLVG_ENDER EN ON EN.ID = I.IDF_ENDER "
      "LEFT JOIN KLVG_CID CI ON CI.ID = EN.IDF_CID "
      "LEFT JOIN KLVG_UF UF ON UF.ID = CI.IDF_UF "
      "LEFT JOIN KLVG_PAIS PA ON PA.ID = I.IDF_PAIS "
      "LEFT JOIN Z8_PARTRIBCLI TC ON TC.IDF_IDENT = I.ID");
  const TColunas colunas(r);
  for (const auto& linha : r.linhas) {
    TLeitor l(colunas, linha);
    TParticipanteC100 p;
    p.codigo = l.S("CODIGO");
    p.nome = l.S("NOME");
    const std::string digitos = l.S("CPFCNPJ");
    p.documento = digitos.empty() ? l.S("IDENTIFICACAO") : digitos;
    p.ie = l.S("INSCRICAOEST");
    p.numero = l.S("NUMERO");
    p.complemento = l.S("COMPLEMENTO");
    p.logradouro = l.S("LOGRADOURO");
    p.bairro = l.S("BAIRRO");
    p.municipio = l.S("GEOCODIGO");
    p.uf = l.S("SIGLA");
    p.pais = l.S("CODIGOBACEN");
    p.suframa = l.S("INSCRICAOSUFRAMA");
    p.contribuinte = l.V("CONTRIBUINTEICMS").IsNull() || l.Flag("CONTRIBUINTEICMS");
    conhecidos[l.I("ID")] = std::move(p);
  }
}

}  // namespace efd
