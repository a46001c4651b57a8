#include "registers/blockD/geracaod100.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

#include "control/linhaefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/blockD/consolidacoesd.h"
#include "registers/blockD/contribuicoesd.h"
#include "registers/blockD/trajetosfrete.h"
#include "registers/blockD/uh5registroefdd100.h"
#include "registers/blockD/uh5registroefdd190.h"
#include "registers/blockD/uh5registroefdd195.h"

namespace efd {
namespace {

constexpr size_t kDocumentosPorPagina = 500;

// Standards whose documents are dated by their entry.
constexpr const char* kPadroesPelaEntrada = "(32, 42, 122, 118, 119, 12, 13, 134)";
// A transport document is bookkept as such when its type is parameterised
// as a fiscal expense, a freight or a financial document, or when its
// standard is one of these; never when its type has a part of freight bills
// (those typed on its documents are taken one by one) or of expenses (its
// documents are bookkept with the expenses).
constexpr const char* kTipoDeTransporte =
    "AND NOT EXISTS (SELECT PT.ID FROM Z8_PARTETPDOC PT WHERE PT.IDF_TIPDOC = A.IDF_TPDOCTO AND "
    "PT.FD IN ('TpDocDespesa', 'TpDocConFrete')) "
    "AND ((G.CODINTERNO IN (42, 33, 122)) OR EXISTS (SELECT PP.ID FROM Z8_PARTETPDOC PP WHERE "
    "PP.IDF_TIPDOC = A.IDF_TPDOCTO AND PP.FD IN ('ParamTpDoctoDespFis', 'ParamTpDoctoFrete', "
    "'ParamTpDoctoFin'))) ";

bool Cancelado(const std::string& situacao) {
  return situacao == "02" || situacao == "04" || situacao == "05";
}

// The one code outside the IBGE table that the published municipality
// fields of D100 accept: a service that starts or ends abroad. The freight
// path writes it, and no other invented code (such as 9999998, which no
// published table knows and the validator would reject), for an origin
// abroad.
constexpr const char* kMunicipioNoExterior = "9999999";

// Whether a freight bill of this model and CT-e type describes a transport
// performance, from its start to its end: a CT-e (model 57) of the normal
// type (0) or complementing one (1). An annulling (2) or replacing (3) CT-e
// refers to another and keeps the municipalities as found, as the other
// models do.
bool PrestacaoDeCTe(const std::string& modelo, const std::string& tipo_cte) {
  return modelo == "57" && (tipo_cte == "0" || tipo_cte == "1");
}

bool CTe(const std::string& modelo) {
  return modelo == "57" || modelo == "63" || modelo == "67";
}

// A text of the ERP on one line: line breaks become blanks.
std::string UmaLinha(const std::string& texto) {
  std::string r = texto;
  for (char& c : r)
    if (c == '\r' || c == '\n') c = ' ';
  return Trim(r);
}

double Valor(const TVariant& v) {
  return v.AsFloat();
}
std::string Texto(const TVariant& v) {
  return Trim(v.AsString());
}
int64_t Id(const TVariant& v) {
  return v.AsInt64();
}

// The series condition of the selection: an electronic own series needs an
// authorised (or voided, denied) document; other series pass.
constexpr const char* kCondicaoSerie =
    "AND (((SERIE.SERIENFE IN ('1','T')) AND (A.SITUACAONFE IN ('3','5','7','9')) AND "
    "(SERIE.TIPO = '1')) OR ((NOT (SERIE.SERIENFE IN ('1','T'))) OR (SERIE.TIPO = '2'))) ";

}  // namespace

// A D100 row as it will be stored, with its children.
struct TGeracaoD100::TDocumentoD100 {
  int64_t id_docto = 0, id_frete = 0;
  std::string ind_oper, cod_part, modelo, situacao, serie, numero, chave, data_emi, data_ap,
      tipo_cte, ind_frete, cod_inf, conta, mun_origem, mun_destino;
  int ind_emit = 0;
  double total = 0, desconto = 0, servico = 0, base = 0, icms = 0, nao_tributado = 0;
  TAnaliticosD analiticos;
  struct TItem {
    std::string numero, codigo;
    double valor = 0;
  };
  std::vector<TItem> itens;  // D110
  // The items whose PIS and COFINS the PIS/COFINS model totals.
  std::vector<const TItemDocumentoC100*> contribuicoes;
  bool d130 = false;
  std::string redespacho, ind_frete_red, placa, uf_veiculo;
  double frete_total = 0;
  struct TAjuste {
    std::string codigo, descricao, item;
    double base = 0, aliquota = 0, icms = 0, outros = 0;
  };
  // Observations (0460 code, text) with their adjustments.
  std::vector<std::pair<std::pair<std::string, std::string>, std::vector<TAjuste>>> observacoes;
};

// What a page of documents carries besides block C's reading.
struct TGeracaoD100::TPagina {
  TPaginaC100 c;
  std::map<int64_t, std::vector<TFreteD100>> fretes;                // by document
  std::map<int64_t, std::vector<TAjusteC100>> ajustes_frete;        // by freight part
  std::map<int64_t, double> nao_tributados;                         // exempt + other, by item
  std::map<int64_t, std::pair<std::string, std::string>> trajetos;  // by document
  std::map<int64_t, TLivroD> livros;                                // by document
  std::map<int64_t, TTrajetoFreteD> trajetos_frete;                 // by freight part
};

std::string TGeracaoD100::SqlSelecao(TxbSession& sessao, int filial, TDateTime inicio,
                                     TDateTime fim) {
  const TpbBD& bd = sessao.GetBD();
  const std::string de = bd.LiteralData(inicio.DateOf()), ate = bd.LiteralData(fim.DateOf());
  std::string modelos = "'07', '08', '8B', '09', '10', '11', '26', '27', '57', '67'";
  if (inicio >= TDateTime::EncodeDate(2018, 1, 1)) modelos += ", '63'";
  const std::string texto_filial = std::to_string(filial);
  std::string integrados;
  if (Aplicacao().ChecarFamiliaRegistrada("IntegracaoFIS")) {
    TxbResultado r = sessao.Consultar(
        "select NaoIntegraFiscal from Z8_ParFilGer A INNER JOIN Z8_PARAMFIL B ON B.ID = A.IDA "
        "WHERE B.FD = 'ParamFilialGeral' AND B.IDF_FILIAL = :FILIAL AND (B.DATAINICIAL <= "
        ":DTINI) AND (B.DATAFINAL >= :DTFIN) ORDER BY B.DATAINICIAL DESC",
        {{"FILIAL", filial}, {"DTINI", inicio.DateOf()}, {"DTFIN", fim.DateOf()}});
    if (r.Vazio() || UpperCase(Texto(r.linhas[0][0])) != "T")
      integrados =
          "AND EXISTS (SELECT INTEG.ID FROM Z8_INTEGRA INTEG INNER JOIN Z8_INTEGRAFIS INTF ON "
          "INTF.IDA = INTEG.ID WHERE INTEG.IDF_DOCTO = A.ID AND INTEG.SITUACAO = '1') ";
  }
  // The second part starts from the period's freight parts: tested document
  // by document, it walked every document of the branch's history.
  const std::string sql =
      "SELECT A.ID, A.DATAEMI FROM Z8_DOCTO A "
      "INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = A.IDF_TPDOCTO "
      "INNER JOIN Z8_TPDOCTOGER D ON D.IDA = C.ID "
      "INNER JOIN Z8_MODELODOCT E ON E.ID = coalesce(A.IDF_MODELODOCTO, D.IDF_MODELODOCT) "
      "INNER JOIN Z8_TIPDOC H ON H.ID = A.IDF_TPDOCTO "
      "INNER JOIN Z8_PADRAODOC G ON G.ID = H.IDF_PADRAODOC "
      "INNER JOIN Z8_SERIEDOCTO SERIE ON SERIE.ID = A.IDF_SERIEDOCTO "
      "WHERE (A.SITUACAO = '1') AND (A.IDF_FILIAL = " +
      texto_filial + ") AND (E.CODMODELO IN (" + modelos + ")) " + kCondicaoSerie +
      "AND (((G.CODINTERNO IN " + kPadroesPelaEntrada + ") AND (A.DTENTSAI BETWEEN " + de +
      " AND " + ate + ")) OR ((G.CODINTERNO NOT IN " + kPadroesPelaEntrada +
      ") AND (A.DATAEMI BETWEEN " + de + " AND " + ate + "))) " + kTipoDeTransporte + integrados +
      "UNION SELECT A.ID, A.DATAEMI FROM Z8_DOCTO A "
      "INNER JOIN Z8_SERIEDOCTO SERIE ON SERIE.ID = A.IDF_SERIEDOCTO "
      "WHERE (A.SITUACAO = '1') AND (A.IDF_FILIAL = " +
      texto_filial + ") " + kCondicaoSerie +
      "AND A.ID IN (SELECT PF.IDF_DOCTO FROM Z8_PARTEDOCTO PF INNER JOIN Z8_PARDCCOFRE FRETE ON "
      "FRETE.IDA = PF.ID WHERE (FRETE.DATAENTRADA BETWEEN " +
      de + " AND " + ate + ") AND FRETE.VALORFRETE > 0) " + integrados;
  return sql;
}

std::vector<int64_t> TGeracaoD100::Selecionar(TxbSession& sessao, int filial, TDateTime inicio,
                                              TDateTime fim) {
  std::vector<int64_t> ids;
  sessao.Percorrer(SqlSelecao(sessao, filial, inicio, fim) + "ORDER BY 2, 1", {},
                   [&](const std::vector<TVariant>& l) { ids.push_back(l[0].AsInt64()); });
  return ids;
}

bool TGeracaoD100::HaDocumentos(TxbSession& sessao, int filial, TDateTime inicio, TDateTime fim) {
  const std::string uniao = SqlSelecao(sessao, filial, inicio, fim);
  return !sessao.Consultar(sessao.GetBD().LimitarLinhas("SELECT T.ID FROM (" + uniao + ") T", 1))
              .Vazio();
}

TGeracaoD100::TGeracaoD100(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
                           std::optional<TEstabelecimentoD> estabelecimento)
    : sessao_(sessao), refs_(sessao, id_efd, bloco, registros, estabelecimento) {
  if (estabelecimento) {
    contribuicoes_ = std::make_unique<TContribuicoesD>(sessao_, refs_, "D100");
    consolidacoes_ = std::make_unique<TConsolidacoesD>(refs_);
  }
  com_municipios_ = refs_.Cabecalho().inicio >= TDateTime::EncodeDate(2018, 1, 1);
  if (refs_.Selecionado("D190"))
    d190_ = Aplicacao().CriarComo<Th5RegistroEFDD190>("RegistroEFDD190", sessao_);
  if (refs_.Selecionado("D195"))
    d195_ = Aplicacao().CriarComo<Th5RegistroEFDD195>("RegistroEFDD195", sessao_);
}

TGeracaoD100::~TGeracaoD100() {
  if (d190_) Aplicacao().Destruir(d190_);
  if (d195_) Aplicacao().Destruir(d195_);
}

int TGeracaoD100::Executar() {
  const TxbCabecalhoEFD& c = refs_.Cabecalho();
  const std::vector<int64_t> ids = Selecionar(sessao_, c.filial, c.inicio, c.fim);
  for (size_t inicio = 0; inicio < ids.size(); inicio += kDocumentosPorPagina) {
    const size_t fim = std::min(ids.size(), inicio + kDocumentosPorPagina);
    Pagina(std::vector<int64_t>(ids.begin() + static_cast<ptrdiff_t>(inicio),
                                ids.begin() + static_cast<ptrdiff_t>(fim)));
    sessao_.Progresso(fmt::format("RegistroEFD [D100] - {}/{}", fim, ids.size()));
  }
  if (consolidacoes_) linhas_ += consolidacoes_->Gravar();
  return linhas_;
}

void TGeracaoD100::Pagina(const std::vector<int64_t>& ids) {
  TPagina p;
  p.c = CarregarPaginaC100(sessao_, ids);
  p.livros = CarregarLivrosD(sessao_, ids);
  auto da_pagina = [this, &ids](const char* coluna) { return sessao_.JuncaoIds(coluna, ids); };
  const TxbCabecalhoEFD& c = refs_.Cabecalho();
  {
    TxbResultado r = sessao_.Consultar(
        "SELECT P.IDF_DOCTO, F.ID, F.IDF_TRANSPORTADORA, F.IDF_DOCUMENTO, S.CODIGO SERIE, "
        "S.TIPO TIPO_SERIE, F.NUMEROCONHECIMENTO, F.CHAVECTE, F.FRETECIF, CF.CODIGO CFOP, "
        "CT.CODIGO TRIB, F.OBSFISCAL, F.DATAEMISSAO, F.DATAENTRADA, F.VALORFRETE, "
        "F.BASECALCICMSFRETE, F.ALIQUOTAICMS, F.VALORICMS, F.ISENTASICMS, F.OUTROSICMS "
        "FROM Z8_PARTEDOCTO P " +
            da_pagina("P.IDF_DOCTO") +
            "INNER JOIN Z8_PARDCCOFRE F ON F.IDA = P.ID "
            "LEFT JOIN Z8_SERIEDOCTO S ON S.ID = F.IDF_SERIEDOCTO "
            "LEFT JOIN Z8_CODFISOPE CF ON CF.ID = F.IDF_CFOP "
            "LEFT JOIN Z8_CLATRIBUT CT ON CT.ID = F.IDF_CLATRIBUT "
            "WHERE F.DATAENTRADA BETWEEN :INICIO AND :FIM AND F.VALORFRETE > 0 "
            "ORDER BY P.IDF_DOCTO, F.ID",
        {{"INICIO", c.inicio.DateOf()}, {"FIM", c.fim.DateOf()}});
    for (const auto& l : r.linhas) {
      TFreteD100 f;
      f.documento = Id(l[0]);
      f.id = Id(l[1]);
      f.transportadora = Id(l[2]);
      f.documento_transportado = Id(l[3]);
      f.serie = Texto(l[4]);
      f.tipo_serie = Texto(l[5]);
      f.numero = Texto(l[6]);
      f.chave = Digitos(Texto(l[7]));
      f.frete_cif = Texto(l[8]);
      f.cfop = Digitos(Texto(l[9])).substr(0, 4);
      f.tributacao = Texto(l[10]);
      f.obs_fiscal = Texto(l[11]);
      f.emissao = l[12].IsNull() ? TDateTime() : l[12].AsDateTime().DateOf();
      f.entrada = l[13].IsNull() ? TDateTime() : l[13].AsDateTime().DateOf();
      f.valor = Valor(l[14]);
      f.base = Valor(l[15]);
      f.aliquota = Valor(l[16]);
      f.icms = Valor(l[17]);
      f.isentas = Valor(l[18]);
      f.outros = Valor(l[19]);
      p.fretes[f.documento].push_back(std::move(f));
    }
  }
  {
    TxbResultado r = sessao_.Consultar(
        "SELECT F.ID, AJ.BASE, AJ.ALIQUOTA, AJ.VALOR, AJ.VLROUTROS, AJ.DESCCOMPL, TA.CODAJUSTE, "
        "TA.DESCRICAORED FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") +
        "INNER JOIN Z8_PARDCCOFRE F ON F.IDA = P.ID "
        "INNER JOIN Z8_AJTRIBCOFR AJ ON AJ.IDF_CONHFREDOC = F.ID "
        "INNER JOIN Z8_TABAJVPRDF TA ON TA.ID = AJ.IDF_TABAJVPRDF ORDER BY F.ID, AJ.ID");
    for (const auto& l : r.linhas) {
      TAjusteC100 a;
      a.base = Valor(l[1]);
      a.aliquota = Valor(l[2]);
      a.valor = Valor(l[3]);
      a.outros = Valor(l[4]);
      a.complemento = Texto(l[5]);
      a.codigo = Texto(l[6]);
      a.descricao_red = Texto(l[7]);
      p.ajustes_frete[Id(l[0])].push_back(std::move(a));
    }
  }
  {
    TxbResultado r = sessao_.Consultar(
        "SELECT TB.IDF_DOCTOITEM, T.ICMSVALORISENTO, T.ICMSVALOROUTRAS FROM Z8_PARTEDOCTO P " +
        da_pagina("P.IDF_DOCTO") +
        "INNER JOIN Z8_TRIBITEM TB ON TB.IDF_DOCTOITEM = P.ID "
        "INNER JOIN Z8_TRIITEMPRO T ON T.IDA = TB.ID");
    for (const auto& l : r.linhas) p.nao_tributados[Id(l[0])] = Valor(l[1]) + Valor(l[2]);
  }
  if (com_municipios_) {
    TxbResultado r = sessao_.Consultar(
        "SELECT B.IDF_DOCTO, CIDINI.GEOCODIGO AS CID_INI_GEOCODIGO, CIDTER.GEOCODIGO AS "
        "CID_TER_GEOCODIGO FROM Z8_PARTEDOCTO B " +
        da_pagina("B.IDF_DOCTO") +
        "INNER JOIN Z8_DADOSTRANS A ON A.IDA = B.ID "
        "LEFT JOIN KLVG_CID CIDINI ON CIDINI.ID = A.IDF_MUNINI "
        "LEFT JOIN KLVG_CID CIDTER ON CIDTER.ID = A.IDF_MUNTER");
    for (const auto& l : r.linhas) p.trajetos[Id(l[0])] = {Texto(l[1]), Texto(l[2])};
  }
  if (com_municipios_) {
    std::vector<TFreteTransportadoD> transportados;
    for (const auto& [documento, fretes] : p.fretes)
      for (const TFreteD100& f : fretes)
        transportados.push_back({f.id, documento, f.documento_transportado});
    p.trajetos_frete = TrajetosDosFretesD(sessao_, refs_, std::move(transportados));
  }
  std::vector<int64_t> pessoas;
  for (const auto& [id, d] : p.c.documentos) {
    pessoas.push_back(d.ident);
    auto e = p.c.entregas.find(id);
    if (e != p.c.entregas.end()) pessoas.push_back(e->second.transportador);
  }
  for (const auto& [id, fretes] : p.fretes)
    for (const TFreteD100& f : fretes) pessoas.push_back(f.transportadora);
  refs_.CarregarParticipantes(pessoas);

  for (int64_t id : ids) {
    auto it = p.c.documentos.find(id);
    if (it == p.c.documentos.end()) continue;
    auto fretes = p.fretes.find(id);
    if (fretes == p.fretes.end()) {
      Documento(it->second, p);
      continue;
    }
    for (const TFreteD100& f : fretes->second) Frete(it->second, f, p);
  }
}

void TGeracaoD100::Documento(const TDocumentoC100& d, const TPagina& p) {
  const TxbCabecalhoEFD& c = refs_.Cabecalho();
  const std::string operacao = OperacaoDoPadraoD(d.codigo_interno, true);
  if (!OperacaoNoFiltro(refs_.IndOper(), operacao)) return;
  // Outputs count in the month of their issue, entries in the month they came in.
  if (operacao == "1" && d.emissao < c.inicio.DateOf()) return;
  if (operacao == "0" && d.entrada_saida > c.fim.DateOf()) return;
  if (Trim(d.numero).empty())
    throw EErro(
        fmt::format("Documento Padrao {} da data de emissão {} está com situação de "
                    "Rascunho/Digitado",
                    "Docto", d.emissao.Formatar("DD/MM/YYYY")));

  TDocumentoD100 m;
  m.id_docto = d.id;
  m.ind_oper = operacao;
  m.ind_emit = EmitenteDaSerie(d.tipo_serie);
  m.modelo = d.modelo;
  m.situacao =
      Th5RegistroEFDD100::SituacaoDocumento(d.situacao_nf, d.situacao_nfe, operacao, m.ind_emit);
  m.serie = Trim(d.serie);
  m.numero = NumeroDocumentoD(d.numero);
  auto outros = p.c.outros.find(d.id);
  if (outros != p.c.outros.end()) m.chave = Digitos(outros->second.chave);
  // A CT-e's series is the one its access key carries.
  if (CTe(d.modelo) && m.chave.size() == 44) {
    const std::string da_chave = std::to_string(TextoParaInteiroDef(m.chave.substr(22, 3), 0));
    if (da_chave != m.serie) m.serie = da_chave;
  }
  m.data_emi = FormatarData(d.emissao);
  // The PIS/COFINS model's D100 are the services the establishment took;
  // those it rendered are consolidated by day.
  if (consolidacoes_ && operacao == "1") {
    Consolidar(d, p, m);
    return;
  }
  if (Cancelado(m.situacao)) {
    Gravar(m);
    return;
  }
  m.cod_part = refs_.Participante(d.ident);
  m.data_ap = FormatarData(m.ind_emit == 1 ? d.entrada_saida : d.emissao);
  m.tipo_cte = CTe(d.modelo) ? "0" : "";
  if (outros != p.c.outros.end()) m.cod_inf = refs_.Informacao(outros->second.texto_fiscal);
  const TValoresD valores = ValoresD(d, LivroDe(p.livros, d.id));
  m.total = valores.documento;
  m.desconto = d.desconto;
  m.servico = valores.servico;
  m.ind_frete = "1";
  auto entrega = p.c.entregas.find(d.id);
  if (entrega != p.c.entregas.end())
    m.ind_frete = Th5RegistroEFDD100::RetornarIndicadorFrete(entrega->second.frete_a_pagar,
                                                             operacao, c.inicio);
  m.conta = refs_.Conta(d.tipo_documento);

  if (com_municipios_) {
    auto trajeto = p.trajetos.find(d.id);
    if (trajeto != p.trajetos.end()) {
      m.mun_origem = trajeto->second.first;
      m.mun_destino = trajeto->second.second;
    } else {
      const std::string filial = refs_.MunicipioDaFilial(), outro = refs_.MunicipioDe(d.ident);
      m.mun_origem = operacao == "1" ? filial : outro;
      m.mun_destino = operacao == "1" ? outro : filial;
    }
  }

  auto itens = p.c.itens.find(d.id);
  if (itens != p.c.itens.end())
    for (const TItemDocumentoC100& i : itens->second) {
      auto nt = p.nao_tributados.find(i.id);
      const double nao_tributado = nt == p.nao_tributados.end() ? 0 : nt->second;
      m.base = Arredondar(m.base + i.icms_base, 2);
      m.icms = Arredondar(m.icms + i.icms_valor, 2);
      m.nao_tributado = Arredondar(m.nao_tributado + nao_tributado, 2);
      TAnaliticoD a;
      a.cst = (Trim(i.origem).empty() ? "0" : Trim(i.origem)) + Trim(i.tributacao);
      a.cfop = Digitos(i.cfop).substr(0, 4);
      a.aliquota = i.icms_aliq;
      a.operacao = i.liquido_nf;
      a.base = i.icms_base;
      a.icms = i.icms_valor;
      const std::string t = Trim(i.tributacao);
      if (t == "20" || t == "70" || t == "90") a.reducao = nao_tributado;
      m.analiticos.Somar(a);
      m.contribuicoes.push_back(&i);
      if (operacao == "1" && d.modelo == "07" && refs_.Selecionado("D110"))
        m.itens.push_back({std::to_string(i.seq), refs_.Item(i), i.liquido_nf});
    }

  if (d.modelo == "08" && entrega != p.c.entregas.end() && refs_.Selecionado("D130")) {
    const TEntregaC100& e = entrega->second;
    m.d130 = true;
    m.redespacho = refs_.Participante(e.transportador);
    m.ind_frete_red = Th5RegistroEFDD100::RetornarIndicadorFrete(e.tipo_frete, operacao, c.inicio);
    m.placa = e.placa;
    m.uf_veiculo = e.uf_veiculo;
    m.frete_total = d.total;
  }
  auto ajustes = p.c.ajustes.find(d.id);
  if (ajustes != p.c.ajustes.end()) Ajustes(ajustes->second, p, d.id, m);
  Gravar(m);
}

void TGeracaoD100::Consolidar(const TDocumentoC100& d, const TPagina& p, const TDocumentoD100& m) {
  auto itens = p.c.itens.find(d.id);
  if (itens == p.c.itens.end()) return;
  const bool cancelado = Cancelado(m.situacao);
  TPrestacaoD s{m.modelo, m.situacao, m.serie, m.numero,   "",
                "",       d.emissao,  d.total, d.desconto, d.servicos};
  if (!cancelado) s.conta = refs_.Conta(d.tipo_documento);
  consolidacoes_->Transporte(s, itens->second, cancelado);
}

void TGeracaoD100::Frete(const TDocumentoC100& d, const TFreteD100& f, const TPagina& p) {
  const TxbCabecalhoEFD& c = refs_.Cabecalho();
  // A freight bill typed on a goods entry states no PIS or COFINS of its own.
  if (contribuicoes_ || !OperacaoNoFiltro(refs_.IndOper(), "0")) return;
  auto modelo = modelos_frete_.find(d.tipo_documento);
  if (modelo == modelos_frete_.end()) {
    TxbResultado r = sessao_.Consultar(
        "SELECT A.NTRIBSPED, B.IDF_TIPDOC, A.TIPOCTE, M.CODMODELO FROM Z8_TPDOCCONFR A "
        "INNER JOIN Z8_PARTETPDOC B ON A.IDA = B.ID "
        "LEFT JOIN Z8_MODELODOCT M ON M.ID = A.IDF_MODELODOCT WHERE B.IDF_TIPDOC = :TIPO",
        {{"TIPO", d.tipo_documento}});
    if (r.Vazio() || Texto(r.linhas[0][3]).empty())
      throw EErro(fmt::format(
          "Registro D100, conhecimento de frete {} do documento {} (ID {}): o tipo do documento "
          "(ID {}) não diz o modelo dos seus conhecimentos (TpDocConFr_IDF_ModeloDoct)",
          f.numero, d.numero, d.id, d.tipo_documento));
    modelo =
        modelos_frete_
            .emplace(d.tipo_documento, std::make_pair(Texto(r.linhas[0][3]), Texto(r.linhas[0][2])))
            .first;
  }
  if (Trim(f.numero).empty())
    throw EErro(
        fmt::format("Registro D100, documento {} (ID {}): conhecimento de frete (ID {}) "
                    "sem número (ParDcCoFre_NumeroConhecimento)",
                    d.numero, d.id, f.id));
  TDocumentoD100 m;
  m.id_docto = d.id;
  m.id_frete = f.id;
  m.ind_oper = "0";
  m.ind_emit = EmitenteDaSerie(f.tipo_serie);
  m.modelo = modelo->second.first;
  m.serie = f.serie;
  // Series 890 to 899 are those of the special regime.
  m.situacao = f.serie.size() == 3 && f.serie >= "890" && f.serie <= "899" ? "08" : "00";
  m.numero = NumeroDocumentoD(f.numero);
  m.chave = f.chave;
  m.cod_part = refs_.Participante(f.transportadora);
  m.data_emi = FormatarData(f.emissao);
  m.data_ap =
      FormatarData(m.ind_emit == 0 && f.emissao >= c.inicio.DateOf() ? f.emissao : f.entrada);
  m.tipo_cte = CTe(m.modelo) ? "0" : "";
  m.total = m.servico = f.valor;
  m.ind_frete = Th5RegistroEFDD100::RetornarIndicadorFrete(f.frete_cif, "0", c.inicio);
  m.base = f.base;
  m.icms = f.icms;
  m.nao_tributado = f.outros;
  m.cod_inf = refs_.Informacao(f.obs_fiscal);
  m.conta = refs_.Conta(d.tipo_documento);
  auto trajeto = p.trajetos_frete.find(f.id);
  if (trajeto != p.trajetos_frete.end()) {
    m.mun_origem = trajeto->second.origem;
    m.mun_destino = trajeto->second.destino;
    if (trajeto->second.origem_no_exterior && PrestacaoDeCTe(m.modelo, modelo->second.second))
      m.mun_origem = kMunicipioNoExterior;
  }
  TAnaliticoD a;
  a.cst = !f.tributacao.empty() ? "0" + f.tributacao
          : f.base > 0          ? "000"
          : f.isentas > 0       ? "040"
                                : "090";
  a.cfop = f.cfop;
  a.aliquota = f.aliquota;
  a.operacao = f.valor;
  a.base = f.base;
  a.icms = f.icms;
  m.analiticos.Somar(a);
  auto ajustes = p.ajustes_frete.find(f.id);
  if (ajustes != p.ajustes_frete.end()) Ajustes(ajustes->second, p, 0, m);
  Gravar(m);
}

void TGeracaoD100::Ajustes(const std::vector<TAjusteC100>& ajustes, const TPagina& p,
                           int64_t documento, TDocumentoD100& m) {
  if (!d195_) return;
  auto itens = p.c.itens.find(documento);
  for (const TAjusteC100& a : ajustes) {
    const std::string texto = UmaLinha(a.descricao_red.empty() ? a.complemento : a.descricao_red);
    if (texto.empty()) continue;
    const std::string codigo_obs = refs_.Observacao(texto);
    const std::string complemento = UmaLinha(a.complemento);
    auto grupo = std::find_if(m.observacoes.begin(), m.observacoes.end(), [&](const auto& o) {
      return o.first.first == codigo_obs && o.first.second == complemento;
    });
    if (grupo == m.observacoes.end()) {
      m.observacoes.push_back({{codigo_obs, complemento}, {}});
      grupo = m.observacoes.end() - 1;
    }
    if (!refs_.Selecionado("D197") || Trim(a.codigo).empty()) continue;
    const TItemDocumentoC100* item = nullptr;
    if (itens != p.c.itens.end())
      for (const auto& i : itens->second)
        if (i.id == a.item) item = &i;
    const std::string cod_item = item ? refs_.Item(*item) : "";
    auto& lista = grupo->second;
    auto igual = std::find_if(lista.begin(), lista.end(), [&](const auto& x) {
      return x.codigo == Trim(a.codigo) && x.item == cod_item;
    });
    if (igual != lista.end()) {
      igual->base = Arredondar(igual->base + a.base, 2);
      igual->icms = Arredondar(igual->icms + a.valor, 2);
      igual->outros = Arredondar(igual->outros + a.outros, 2);
    } else {
      lista.push_back(
          {Trim(a.codigo), complemento, cod_item, a.base, a.aliquota, a.valor, a.outros});
    }
  }
}

void TGeracaoD100::Gravar(TDocumentoD100& m) {
  // The same document is not stored twice.
  if (!gravados_.insert(m.numero + ";" + m.cod_part + ";" + m.serie).second) return;
  const bool cancelado = Cancelado(m.situacao);
  const TVariant nada;
  auto v = [&](double x) { return cancelado ? nada : TVariant(Arredondar(x, 2)); };
  const int bloco = refs_.Bloco();
  const int64_t id = refs_.Inserir(
      "D100",
      {"IDDocto",       "IDParteFrete", "IndOper",       "IndEmit",    "CodPart",  "CodModelo",
       "CodSit",        "Serie",        "SubSerie",      "NroDocto",   "ChaveCTE", "DataEmi",
       "DataAquiPrest", "TipoCTe",      "ChaveCTeRef",   "ValDocto",   "ValDesc",  "IndFrete",
       "ValServ",       "BaseCalcICMS", "ValICMS",       "ValNaoTrib", "CodInf",   "CodCtaAna",
       "CodMunOrig",    "CodMunDest",   "IDF_RegEFDD010"},
      {m.id_docto,
       m.id_frete,
       m.ind_oper,
       static_cast<int64_t>(m.ind_emit),
       m.cod_part,
       m.modelo,
       m.situacao,
       m.serie,
       "",
       m.numero,
       m.chave,
       m.data_emi,
       m.data_ap,
       m.tipo_cte,
       "",
       v(m.total),
       v(m.desconto),
       cancelado ? "" : m.ind_frete,
       v(m.servico),
       v(m.base),
       v(m.icms),
       v(m.nao_tributado),
       m.cod_inf,
       m.conta,
       m.mun_origem,
       m.mun_destino,
       refs_.IdD010()});
  ++linhas_;
  if (cancelado) return;
  if (contribuicoes_)
    for (const TItemDocumentoC100* i : m.contribuicoes) contribuicoes_->Incluir(id, *i, m.conta);
  for (const auto& i : m.itens)
    refs_.Inserir("D110", {"IDF_RegEFDD100", "NroItem", "CodItem", "ValServ", "OutrosVal"},
                  {id, i.numero, i.codigo, Arredondar(i.valor, 2), 0.0});
  if (m.d130)
    refs_.Inserir("D130",
                  {"IDF_RegEFDD100", "CodPartCons", "CodPartRed", "IndFrete", "CodMunOri",
                   "CodMunDest", "Veiculo", "ValLiqFrete", "SomaValSecCat", "ValDesp", "ValPedagio",
                   "OutrosVal", "ValTotFrete", "UFVeiculo"},
                  {id, "", m.redespacho, m.ind_frete_red, m.mun_origem, m.mun_destino, m.placa, 0.0,
                   0.0, 0.0, 0.0, 0.0, Arredondar(m.frete_total, 2), m.uf_veiculo});
  if (d190_)
    for (const TAnaliticoD& t : m.analiticos.Totais())
      d190_->Incluir(bloco, refs_.Tipo("D190"), id, refs_.Cabecalho().id, t, "");
  if (d195_)
    for (const auto& [observacao, ajustes] : m.observacoes) {
      const int64_t d195 = d195_->Incluir(bloco, refs_.Tipo("D195"), id, refs_.Cabecalho().id,
                                          observacao.first, observacao.second);
      for (const auto& a : ajustes)
        refs_.Inserir("D197",
                      {"IDF_RegEFDD195", "COD_AJ", "DESCRCOMPLAJ", "COD_ITEM", "VL_BC_ICMS",
                       "ALIQ_ICMS", "VL_ICMS", "VL_OUTROS"},
                      {d195, a.codigo, a.descricao, a.item, Arredondar(a.base, 2), a.aliquota,
                       Arredondar(a.icms, 2), Arredondar(a.outros, 2)});
    }
}

}  // namespace efd
