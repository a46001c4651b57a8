#include "registers/blockC/geracaoc100.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

#include "control/linhaefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0190.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/block0/uh5registroefd0400.h"
#include "registers/block0/uh5registroefd0450.h"
#include "registers/block0/uh5registroefd0460.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/blockC/uh5registroefdc100.h"

namespace efd {
namespace {

// The registers of block 0 that the documents' insertions consult the list
// for.
// What the PIS/COFINS model's documents carry under them.
const std::string kFilhosContribuicoes[] = {"C110", "C111", "C120", "C170", "C175"};
bool Cancelado(const std::string& situacao) {
  return situacao == "02" || situacao == "03" || situacao == "04" || situacao == "05";
}

double Arred(double v) {
  return Arredondar(v, 2);
}

// A text of the ERP as one line: line breaks become blanks, ends trimmed.
std::string UmaLinha(const std::string& texto) {
  std::string r = SubstituirTodos(SubstituirTodos(texto, "\r\n", " "), "\n", " ");
  return Trim(SubstituirTodos(r, "\r", " "));
}

// The leading digits of an instalment's identity ("2/3" -> "2"); empty
// when it starts otherwise.
std::string DigitosIniciais(const std::string& s) {
  std::string r;
  for (char c : Trim(s)) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    r += c;
  }
  return r;
}

TVariant Valor(double v) {
  return TVariant(Arred(v));
}

// A state registration as the file takes it: "ISENTO" is no registration.
std::string SemIsento(const std::string& ie) {
  return UpperCase(Trim(ie)) == "ISENTO" ? "" : Trim(ie);
}

}  // namespace

// A complementary text (0450 code and text) with the rows under it (C112 to
// C115: register code and fields).
struct TGeracaoC100::TTextoMontado {
  std::string codigo, texto;
  std::vector<std::pair<std::string, std::vector<TVariant>>> filhos;
};

// A document as it will be stored: the C100 row and its children.
struct TGeracaoC100::TDocumentoMontado {
  int64_t id_docto = 0;
  std::string ind_oper, ind_emit, cod_part, modelo, situacao, serie, numero, chave, data_emi,
      data_es, ind_pgto, ind_frete;
  bool com_valores = false;
  double total = 0, desconto = 0, abat_nt = 0, mercadorias = 0, frete = 0, seguro = 0, outras = 0,
         base = 0, icms = 0, base_st = 0, st = 0, ipi = 0, pis = 0, cofins = 0;
  std::vector<TItemC170> itens;
  std::vector<std::vector<TTanqueC100>> tanques;                  // by item, for fuel entries
  std::vector<std::vector<TLoteC173>> lotes;                      // by item
  std::vector<std::optional<TRessarcimentoC176>> ressarcimentos;  // by item
  TAnaliticosC190 analiticos;
  std::vector<TTextoMontado> textos;
  std::string processo, ind_processo;
  std::vector<TParcelaC100> parcelas;
  bool c160 = false;
  std::string transportador, placa, uf_veiculo;
  double volumes = 0, peso_bruto = 0, peso_liquido = 0;
  double fcp_dest = 0, icms_dest = 0, icms_remet = 0;
  double servicos_nt = 0, base_iss = 0, iss = 0;
  bool importacao = false;
  std::string ind_importacao, declaracao, drawback;
  double pis_importacao = 0, cofins_importacao = 0;
  // PIS/COFINS model: a consumer invoice's items summed by CFOP, CSTs and
  // rates (C175), and the revenues without the contribution.
  std::vector<TItemC170> consolidados;
  struct TReceitaMontada {
    std::string cst_pis, cst_cofins, natureza, conta;
    double valor = 0;
  };
  std::vector<TReceitaMontada> receitas;
  TDestinoConsolidacao consolidacao = TDestinoConsolidacao::Nenhum;
  std::vector<TDocumentoConsolidado::TItem> consolidar;
  // Observations (0460 code, text) with their adjustments.
  std::vector<std::pair<std::pair<std::string, std::string>, std::vector<TAjusteC197>>> observacoes;
};

TGeracaoC100::TGeracaoC100(TxbSession& sessao, int id_efd, int tipo_c100, int bloco,
                           const std::string& registros,
                           std::optional<TEstabelecimentoC100> estabelecimento)
    : sessao_(sessao),
      cabecalho_(LerCabecalhoEFD(sessao, id_efd)),
      estabelecimento_(std::move(estabelecimento)),
      tipo_c100_(tipo_c100),
      bloco_(bloco) {
  if (estabelecimento_) {
    cabecalho_.filial = estabelecimento_->filial;
    id_0140_ = estabelecimento_->id_0140;
  }
  const TListaRegistros lista(registros);
  registros_ = lista.codigos;
  lista_bloco0_ = lista.bloco0;
  // The PIS/COFINS model shares codes of block C with other meanings.
  if (estabelecimento_)
    std::erase_if(registros_, [](const std::string& codigo) {
      return codigo[0] == 'C' &&
             std::find(std::begin(kFilhosContribuicoes), std::end(kFilhosContribuicoes), codigo) ==
                 std::end(kFilhosContribuicoes);
    });
  bloco0_ = IdBloco0(sessao_, id_efd);
  TxbAplicacao& app = Aplicacao();
  r0150_ = app.CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", sessao_);
  r0190_ = app.CriarComo<Th5RegistroEFD0190>("RegistroEFD0190", sessao_);
  r0200_ = app.CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", sessao_);
  r0400_ = app.CriarComo<Th5RegistroEFD0400>("RegistroEFD0400", sessao_);
  r0450_ = app.CriarComo<Th5RegistroEFD0450>("RegistroEFD0450", sessao_);
  r0460_ = app.CriarComo<Th5RegistroEFD0460>("RegistroEFD0460", sessao_);
  r0500_ = app.CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", sessao_);
  c170_ = app.CriarComo<Th5RegistroEFDC170>("RegistroEFDC170", sessao_);
  c176_ = app.CriarComo<Th5RegistroEFDC176>("RegistroEFDC176", sessao_);
  c190_ = app.CriarComo<Th5RegistroEFDC190>("RegistroEFDC190", sessao_);
  if (estabelecimento_ && estabelecimento_->consolidada)
    consolidacoes_ =
        std::make_unique<TConsolidacoesC>(sessao_, bloco_, estabelecimento_->id_c010, registros);
}

TGeracaoC100::~TGeracaoC100() {
  for (std::shared_ptr<ThbObjetoNegocio> o :
       std::initializer_list<std::shared_ptr<ThbObjetoNegocio>>{
           r0150_, r0190_, r0200_, r0400_, r0450_, r0460_, r0500_, c170_, c176_, c190_})
    if (o) Aplicacao().Destruir(o);
}

bool TGeracaoC100::Selecionado(const std::string& codigo) const {
  return registros_.empty() || registros_.count(codigo) > 0;
}

int TGeracaoC100::Tipo(const std::string& codigo) {
  return tipos_registro_(codigo[0] == '0' ? bloco0_ : bloco_, codigo);
}

TxbInsercaoRegistro& TGeracaoC100::Insercao(const std::string& codigo,
                                            std::vector<std::string> campos) {
  auto& i = insercoes_[codigo];
  if (!i) i = std::make_unique<TxbInsercaoRegistro>(sessao_, codigo, std::move(campos));
  return *i;
}

void TGeracaoC100::LerParametros() {
  TxbResultado efd =
      sessao_.Consultar("SELECT INDOPER, INDATIV, AGERC170NFEPROP FROM Z8_EFD WHERE ID = :ID",
                        {{"ID", cabecalho_.id}});
  if (!efd.Vazio()) {
    ind_oper_ = Trim(efd.linhas[0][0].AsString());
    ind_ativ_ = Trim(efd.linhas[0][1].AsString());
    gerar_c170_propria_ = Trim(efd.linhas[0][2].AsString());
  }
  TxbResultado empresa = sessao_.Consultar(
      "SELECT A.SUBSTRIBCOMERCIO, A.GERARC140EC141TDSMOD, A.GERARPRODSEMPREFIXO "
      "FROM Z8_PEMPGERAL A INNER JOIN Z8_PAREMP B ON B.ID = A.IDA "
      "WHERE B.IDF_EMPRESA = :EMPRESA AND B.DATAINICIAL <= :INICIO AND B.DATAFINAL >= :FIM "
      "AND B.SITUACAO = '1' ORDER BY B.DATAINICIAL DESC",
      {{"EMPRESA", cabecalho_.empresa},
       {"INICIO", cabecalho_.inicio.DateOf()},
       {"FIM", cabecalho_.fim.DateOf()}});
  if (!empresa.Vazio()) {
    auto sim = [&empresa](size_t i) {
      return UpperCase(Trim(empresa.linhas[0][i].AsString())) == "T";
    };
    subst_tributaria_ = sim(0);
    c140_todos_modelos_ = sim(1);
    sem_prefixo_ = sim(2);
  }
  TxbResultado filial = sessao_.Consultar(
      "SELECT A.UFEXGC110C120IPICMS, A.PRIOVLRUNIT, A.GRCTACBLCTAFINITLANC FROM Z8_PARFILGER A "
      "INNER JOIN Z8_PARAMFIL B ON B.ID = A.IDA "
      "WHERE B.IDF_FILIAL = :FILIAL AND B.DATAINICIAL <= :INICIO ORDER BY B.DATAINICIAL DESC",
      {{"FILIAL", cabecalho_.filial}, {"INICIO", cabecalho_.inicio.DateOf()}});
  uf_c110_c120_ = !filial.Vazio() && UpperCase(Trim(filial.linhas[0][0].AsString())) == "T";
  const std::string prioridade = filial.Vazio() ? "" : Trim(filial.linhas[0][1].AsString());
  desconto_proprio_ = prioridade == "2" || prioridade == "3";
  conta_financeira_ = !filial.Vazio() && UpperCase(Trim(filial.linhas[0][2].AsString())) == "T";
  TxbResultado uf = sessao_.Consultar(
      "SELECT UF.SIGLA FROM Z8_FILIAL F INNER JOIN KLVG_PAPELREL P ON P.ID = F.IDF_PAPELREL "
      "INNER JOIN KLVG_IDENT I ON I.ID = P.IDF_IDENT INNER JOIN KLVG_ENDER E ON E.ID = I.IDF_ENDER "
      "INNER JOIN KLVG_CID C ON C.ID = E.IDF_CID INNER JOIN KLVG_UF UF ON UF.ID = C.IDF_UF "
      "WHERE F.ID = :FILIAL",
      {{"FILIAL", cabecalho_.filial}});
  if (!uf.Vazio()) uf_filial_ = Trim(uf.linhas[0][0].AsString());
}

int TGeracaoC100::Executar() {
  TxbBlocoMonitorado monitor(sessao_.Monitor(), 330, "Geração Registro C100 - SPED");
  LerParametros();
  TSelecaoC100 selecao =
      SelecionarDocumentosC100(sessao_, cabecalho_.filial, cabecalho_.inicio, cabecalho_.fim);
  size_t proximo_digitado = 0;
  // Documents are read and stored a window at a time: one statement per kind
  // of record and window, and the rows of one window in memory.
  const size_t por_pagina = LinhasPorJanela();
  for (size_t inicio = 0; inicio < selecao.ids.size(); inicio += por_pagina) {
    const size_t fim = std::min(selecao.ids.size(), inicio + por_pagina);
    Pagina(std::vector<int64_t>(selecao.ids.begin() + static_cast<ptrdiff_t>(inicio),
                                selecao.ids.begin() + static_cast<ptrdiff_t>(fim)),
           selecao.digitados, proximo_digitado);
    sessao_.Progresso(fmt::format("RegistroEFD [C100] - {}/{}", fim, selecao.ids.size()));
    // The first window has stored rows in tables that were empty when the
    // statistics were taken. Planned on those, the look-ups of the row store
    // (0450's next code) start from the generation's block and walk every
    // row stored so far, once per new text: a month's cost grows with its
    // square.
    if (inicio == 0 && fim < selecao.ids.size()) sessao_.GetBD().AtualizarEstatisticas();
  }
  if (consolidacoes_) consolidacoes_->Gravar();
  return linhas_c100_;
}

void TGeracaoC100::Pagina(const std::vector<int64_t>& ids, std::vector<TDocumentoC100>& digitados,
                          size_t& proximo_digitado) {
  std::vector<int64_t> do_erp;
  for (int64_t id : ids)
    if (id > 0) do_erp.push_back(id);
  const TPaginaC100 p = CarregarPaginaC100(sessao_, do_erp);
  std::vector<int64_t> pessoas;
  for (const auto& [id, d] : p.documentos) {
    pessoas.push_back(d.ident);
    auto e = p.entregas.find(id);
    if (e != p.entregas.end()) pessoas.push_back(e->second.transportador);
  }
  complementos_ = CarregarComplementosC110(sessao_, do_erp);
  lotes_ = CarregarLotesC173(sessao_, do_erp);
  if (conta_financeira_) CarregarContasFinanceiras(p);
  if (Selecionado("C176") && !estabelecimento_) {
    TxbBlocoMonitorado monitor(sessao_.Monitor(), 330, "Ultimas Compras.");
    ultimas_entradas_ = CarregarUltimasEntradasC176(sessao_, do_erp);
    for (const auto& [item, e] : ultimas_entradas_) {
      pessoas.push_back(e.fornecedor);
      pessoas.push_back(e.substituto);
    }
  }
  for (const auto& [id, referenciados] : complementos_.referenciados)
    for (const TDocReferenciadoC113& r : referenciados) pessoas.push_back(r.ident);
  CarregarParticipantesC100(sessao_, pessoas, participantes_);
  for (int64_t id : ids) {
    if (id == 0) {
      Documento(digitados[proximo_digitado++], p);
      continue;
    }
    auto it = p.documentos.find(id);
    if (it != p.documentos.end()) Documento(it->second, p);
  }
}

std::string TGeracaoC100::Participante(int64_t ident, int64_t local_entrega) {
  auto it = participantes_.find(ident);
  if (ident <= 0 || it == participantes_.end()) return "";
  TParticipanteC100 p = it->second;
  if (local_entrega > 0) {
    // A delivery place taxed by its own registration stands for the customer.
    auto local = locais_entrega_.find(local_entrega);
    if (local == locais_entrega_.end()) {
      TxbResultado r = sessao_.Consultar(
          "SELECT TRIBUTACAOLOCENTREGA, CNPJ, INSCEST, NUMENDERECO, COMPLEMENTO FROM "
          "Z8_LOCENTCLI WHERE ID = :ID",
          {{"ID", local_entrega}});
      std::vector<std::string> campos;
      if (!r.Vazio() && UpperCase(Trim(r.linhas[0][0].AsString())) == "T")
        for (size_t i = 1; i < 5; ++i) campos.push_back(Trim(r.linhas[0][i].AsString()));
      local = locais_entrega_.emplace(local_entrega, std::move(campos)).first;
    }
    if (!local->second.empty()) {
      p.documento = Digitos(local->second[0]);
      p.ie = local->second[1];
      p.numero = local->second[2];
      p.complemento = local->second[3];
    }
  }
  std::string codigo = CodigoParticipanteC100(p.codigo);
  r0150_->IncluirNovo(cabecalho_.id, bloco0_, lista_bloco0_, static_cast<int>(ident), codigo,
                      p.nome, p.pais, p.documento, p.ie, p.municipio, p.suframa, p.logradouro,
                      p.numero, p.complemento, p.bairro, cabecalho_.inicio, cabecalho_.fim, false,
                      id_0140_);
  return codigo;
}

std::string TGeracaoC100::CodigoItem(const TItemDocumentoC100& i) {
  return (sem_prefixo_ ? "" : "P") + Trim(i.cod_prod);
}

void TGeracaoC100::CarregarContasFinanceiras(const TPaginaC100& p) {
  std::vector<int64_t> novas;
  for (const auto& [documento, itens] : p.itens)
    for (const TItemDocumentoC100& i : itens)
      if (i.conta_financeira > 0 && !contas_financeiras_.count(i.conta_financeira))
        novas.push_back(i.conta_financeira);
  if (novas.empty()) return;
  TxbResultado r = sessao_.Consultar("SELECT A.ID, B.CODIGO, B.NOME FROM Z8_CTAFINAN A " +
                                     sessao_.JuncaoIds("A.ID", novas) +
                                     "INNER JOIN KLVG_CLASSE B ON A.IDA = B.ID");
  for (const auto& l : r.linhas)
    contas_financeiras_[l[0].AsInt64()] = {Trim(l[1].AsString()), Trim(l[2].AsString())};
}

std::string TGeracaoC100::ContaFinanceira(int64_t conta) {
  auto it = contas_financeiras_.find(conta);
  if (it == contas_financeiras_.end()) return "";
  TContaFinanceira& c = it->second;
  if (!c.declarada && Selecionado("0500") && !c.codigo.empty()) {
    // A financial account is an analytic account of results; its level is
    // the number of parts of its code.
    std::string natureza = "04";
    const std::string nivel = std::to_string(std::count(c.codigo.begin(), c.codigo.end(), '.') + 1);
    r0500_->INTERNO_Incluir(cabecalho_.id, bloco0_, Tipo("0500"), c.codigo, c.nome, nivel, 0,
                            natureza, "A", "", false);
  }
  c.declarada = true;
  return c.codigo;
}

std::optional<TRessarcimentoC176> TGeracaoC100::Ressarcimento(const TDocumentoC100& d,
                                                              const TItemDocumentoC100& i,
                                                              const std::string& operacao) {
  auto e = ultimas_entradas_.find(i.id);
  if (operacao != "1" || e == ultimas_entradas_.end()) return std::nullopt;
  auto cliente = participantes_.find(d.ident);
  const bool contribuinte = cliente != participantes_.end() && cliente->second.contribuinte;
  if (!CFOPComRessarcimentoC176(e->second.cfop, contribuinte)) return std::nullopt;
  TRessarcimentoC176 r = Th5RegistroEFDC176::Ressarcimento(e->second);
  r.participante = Participante(e->second.fornecedor, 0);
  if (e->second.substituto > 0 && r.resp_ret != "3")
    r.participante_ret = Participante(e->second.substituto, 0);
  return r;
}

std::string TGeracaoC100::Conta(int64_t tipo_documento) {
  auto it = contas_.find(tipo_documento);
  if (it != contas_.end()) return it->second;
  return contas_[tipo_documento] = Selecionado("0500")
                                       ? r0500_->IncluirContaDoTipoDocumento(
                                             cabecalho_.id, bloco0_, Tipo("0500"), tipo_documento)
                                       : "";
}

void TGeracaoC100::Documento(const TDocumentoC100& d, const TPaginaC100& p) {
  const bool digitado = d.id == 0;
  // Voided numbers of electronic documents are not bookkept, nor, from
  // 2023, denied ones.
  if (d.situacao_nfe == "7") return;
  if (d.situacao_nfe == "9" && cabecalho_.inicio > TDateTime::EncodeDate(2022, 12, 31)) return;
  const std::string operacao = Th5RegistroEFDC100::OperacaoDoCodigoInterno(d.codigo_interno);
  if ((ind_oper_ == "1" && operacao == "1") || (ind_oper_ == "2" && operacao == "0")) return;
  // The selection takes either date: an output counts in the month it was
  // issued, an entry in the month it came in.
  if (!digitado && operacao == "1" && d.emissao < cabecalho_.inicio.DateOf()) return;
  if (!digitado && operacao == "0" && d.entrada_saida > cabecalho_.fim.DateOf()) return;

  TDocumentoMontado m;
  m.id_docto = d.id;
  m.ind_oper = operacao;
  m.modelo = d.modelo;
  const std::string descricao =
      fmt::format("documento {} (ID {}), série {}", d.numero, d.id, d.serie);
  m.ind_emit =
      digitado ? d.ind_emit : Th5RegistroEFDC100::IndicadorEmitente(d.tipo_serie, descricao);
  m.serie = Trim(d.serie);
  if (m.serie.empty() && (d.modelo == "55" || d.modelo == "65")) m.serie = "0";
  m.numero = Trim(d.numero);
  m.situacao = Th5RegistroEFDC100::SituacaoDocumento(d.situacao_nf, d.situacao_nfe,
                                                     d.codigo_interno, d.regime_especial, m.serie);
  auto outros = p.outros.find(d.id);
  if (!digitado && outros != p.outros.end()) m.chave = Digitos(outros->second.chave);
  if (m.situacao == "05") m.chave.clear();

  if (Cancelado(m.situacao)) {
    Gravar(m);
    return;
  }
  if (consolidacoes_) m.consolidacao = Destino(d, p, operacao, m.ind_emit);
  // Consumer invoices (65) name no participant, nor do consolidations.
  if (d.modelo != "65" && m.consolidacao == TDestinoConsolidacao::Nenhum)
    m.cod_part = Participante(d.ident, d.local_entrega);
  m.data_emi = FormatarData(d.emissao);
  if (operacao == "0" ||
      (!d.entrada_saida.EhDataZero() && d.entrada_saida <= cabecalho_.fim.DateOf()))
    m.data_es = FormatarData(d.entrada_saida);
  m.com_valores = !(m.situacao == "08" && d.modelo == "04");
  if (!m.com_valores) m.data_es.clear();

  // Freight, and the carrier with the volumes of models 01 and 04.
  m.ind_frete = "9";
  auto entrega = p.entregas.find(d.id);
  if (entrega != p.entregas.end()) {
    const TEntregaC100& e = entrega->second;
    const std::string letra = operacao == "1"        ? e.tipo_frete
                              : e.tipo_frete.empty() ? e.frete_a_pagar
                                                     : e.tipo_frete;
    const std::string op_frete = d.codigo_interno == 510 ? "1" : operacao;
    m.ind_frete = Th5RegistroEFDC100::RetornarIndicadorFrete(letra, op_frete, cabecalho_.inicio);
    if ((d.modelo == "01" || d.modelo == "04") && e.transportador > 0 &&
        (operacao == "0" || e.responsavel == "2") && Selecionado("C160")) {
      m.c160 = true;
      m.transportador = Participante(e.transportador, 0);
      m.placa = CopiarUtf8(SubstituirTodos(e.placa, "-", ""), 7);
      m.uf_veiculo = e.uf_veiculo;
      m.volumes = e.volumes;
      m.peso_bruto = e.peso_bruto;
      m.peso_liquido = e.peso_liquido;
    }
  }

  Itens(d, p, m);
  if (m.consolidacao != TDestinoConsolidacao::Nenhum) {
    Consolidar(d, p, m);
    return;
  }
  Textos(d, p, m);
  Complementos(d, m);
  Ajustes(d, p, m);
  NotasSantaCatarina(d, p, m);

  // Values of the document; a complement of price or tax carries its total only.
  m.total = d.total;
  const bool complemento = d.codigo_interno == 121 || d.codigo_interno == 122;
  if (complemento) {
    m.desconto = m.abat_nt = m.mercadorias = m.frete = m.seguro = m.outras = m.base = m.icms =
        m.base_st = m.st = m.ipi = m.pis = m.cofins = 0;
  } else {
    m.desconto = d.desconto;
    m.abat_nt = d.suframa;
    m.mercadorias = d.mercadorias + d.servicos;
    m.frete = d.frete;
    m.seguro = d.seguro;
    m.outras = d.outras_prod + d.outras_serv + d.aduaneiras + d.imposto_importacao;
  }

  // Imports: the import process, for own issue or where the state asks.
  if (d.processo_importacao > 0 && Selecionado("C120") && (m.ind_emit == "0" || uf_c110_c120_)) {
    m.importacao = true;
    m.ind_importacao = d.ind_importacao.empty() ? "0" : d.ind_importacao;
    m.declaracao = CopiarUtf8(d.declaracao_importacao, 15);
    m.drawback = d.drawback;
    m.pis_importacao = d.pis_importacao;
    m.cofins_importacao = d.cofins_importacao;
  }

  // Payment: instalments give their indicator and, for model 01 (or every
  // model when the company asks), C140 with a C141 per instalment.
  auto parcelas = p.parcelas.find(d.id);
  const int quantas = parcelas == p.parcelas.end() ? 0 : static_cast<int>(parcelas->second.size());
  const bool a_vista = quantas == 1 && parcelas->second[0].vencimento == d.emissao.DateOf();
  m.ind_pgto = Th5RegistroEFDC100::IndicadorPagamento(quantas, a_vista, cabecalho_.inicio);
  if (quantas > 0 && (c140_todos_modelos_ || d.modelo == "01") && Selecionado("C140"))
    m.parcelas = parcelas->second;
  if (!m.com_valores) m.ind_pgto.clear(), m.ind_frete.clear();

  // Services of the document: ISS complement of own outputs.
  auto servicos = p.servicos.find(d.id);
  if (servicos != p.servicos.end() && operacao == "1" && m.ind_emit == "0")
    for (const TServicoDocumentoC100& s : servicos->second) {
      m.base_iss = Arred(m.base_iss + s.iss_base);
      m.iss = Arred(m.iss + s.iss_valor);
    }
  Gravar(m);
}

void TGeracaoC100::Itens(const TDocumentoC100& d, const TPaginaC100& p, TDocumentoMontado& m) {
  auto itens = p.itens.find(d.id);
  if (itens == p.itens.end()) return;
  // Own electronic invoices list their items only when the header asks.
  const bool propria_eletronica = m.ind_emit == "0" && d.modelo == "55";
  const bool gravar_itens =
      Selecionado("C170") && d.modelo != "65" &&
      (estabelecimento_ || !propria_eletronica || gerar_c170_propria_ == "1" ||
       gerar_c170_propria_ == "2" || gerar_c170_propria_ == "3");
  const bool importacao_antiga = cabecalho_.inicio < TDateTime::EncodeDate(2015, 9, 1);
  for (const TItemDocumentoC100& i : itens->second) {
    if (i.nao_gerar_val_fin == "A") continue;
    TItemC170 c;
    c.num_item = std::to_string(i.seq);
    c.cfop = Digitos(i.cfop);
    c.cst_icms = Trim(i.origem) + Trim(i.tributacao);
    // Special-regime operations (5929/6929) make the document "08".
    const bool especial = c.cfop == "5929" || c.cfop == "6929";
    if (especial) m.situacao = "08";
    c.aliq_icms = especial ? 0 : i.icms_aliq;
    c.bc_icms = i.icms_base;
    c.icms = i.icms_valor;
    if (subst_tributaria_) {
      c.bc_st = i.st_base;
      c.aliq_st = i.st_aliq;
      c.st = Arred(i.st_valor + i.fcp_st);
    }
    c.cst_ipi = Th5RegistroEFDC100::RetornarSituacaoTribIPI(i.cst_ipi);
    if (i.cst_ipi.empty() && ind_ativ_ == "0") c.cst_ipi = m.ind_oper == "1" ? "53" : "03";
    if (!c.cst_ipi.empty()) {
      c.enq_ipi = i.enq_ipi;
      c.bc_ipi = i.ipi_base;
      c.aliq_ipi = i.ipi_aliq;
      c.ipi = i.ipi_valor;
    }
    c.cst_pis = Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(i.cst_pis);
    c.cst_cofins = Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(i.cst_cofins);
    const bool importado = d.processo_importacao > 0 || (c.cfop.size() == 4 && c.cfop[0] == '3');
    c.bc_pis = i.pis_base;
    c.aliq_pis =
        importacao_antiga && importado ? i.pis_aliq_imp * i.pis_recup_imp / 100 : i.pis_aliq;
    c.aliq_pis_reais = i.pis_fixo;
    c.pis = i.pis_valor;
    c.bc_cofins = i.cofins_base;
    c.aliq_cofins = importacao_antiga && importado ? i.cofins_aliq_imp * i.cofins_recup_imp / 100
                                                   : i.cofins_aliq;
    c.aliq_cofins_reais = i.cofins_fixo;
    c.cofins = i.cofins_valor;
    // A branch that prices items by their gross value gives each its own
    // discounts, not its share of the document's.
    c.desconto = desconto_proprio_     ? Arred(i.desconto + i.funrural + i.desconto_simples)
                 : i.desconto_prop > 0 ? i.desconto_prop
                                       : i.desconto;
    if (cabecalho_.inicio.Ano() >= 2019) c.abat_nt = i.desconto_suframa;
    c.valor = i.bruto;
    c.qtde = i.quantidade;
    c.ind_mov = i.estoque ? "0" : "1";
    c.descricao = i.nome_prod;
    c.ind_apur = c.cst_ipi.empty() || c.ipi == 0 ? "" : "0";

    // Block 0: the nature of the operation, the item and its units.
    c.cod_nat = c.cfop;
    if (m.consolidacao == TDestinoConsolidacao::Nenhum && naturezas_.insert(c.cod_nat).second &&
        Selecionado("0400"))
      r0400_->IncluirNovo(cabecalho_.id, bloco0_, Tipo("0400"), c.cod_nat,
                          i.nome_cfop.empty() ? i.cfop : i.nome_cfop, id_0140_);
    c.cod_item = CodigoItem(i);
    std::string unidade = SubstituirTodos(i.unidade, " ", "");
    r0200_->IncluirNovo(cabecalho_.id, bloco0_, c.cod_item, static_cast<int>(i.produto),
                        i.nome_prod, i.cod_barras, "", i.tipo_item, unidade, i.ncm, i.ex_tipi,
                        i.genero, "", i.cest, i.icms_aliq, cabecalho_.inicio, cabecalho_.fim,
                        id_0140_, cabecalho_.filial, lista_bloco0_);
    c.unidade = SubstituirTodos(i.unidade, " ", "");
    if (c.unidade.empty()) c.unidade = unidade;
    if (unidades_.insert(c.unidade).second && Selecionado("0190"))
      r0190_->IncluirNovo(cabecalho_.id, bloco0_, Tipo("0190"), c.unidade, c.unidade, id_0140_);
    c.conta = conta_financeira_ ? ContaFinanceira(i.conta_financeira) : Conta(d.tipo_documento);

    // The document's totals and its analytic rows.
    m.base = Arred(m.base + c.bc_icms);
    m.icms = Arred(m.icms + c.icms);
    m.base_st = Arred(m.base_st + c.bc_st);
    m.st = Arred(m.st + c.st);
    m.ipi = Arred(m.ipi + c.ipi);
    m.pis = Arred(m.pis + c.pis);
    m.cofins = Arred(m.cofins + c.cofins);
    m.fcp_dest = Arred(m.fcp_dest + i.fcp_dest);
    m.icms_dest = Arred(m.icms_dest + i.difal_dest);
    m.icms_remet = Arred(m.icms_remet + i.difal_remet);
    TAnaliticoC190 a;
    a.cst = c.cst_icms;
    a.cfop = c.cfop;
    a.aliquota = c.aliq_icms;
    a.operacao = i.liquido_nf > 0 ? i.liquido_nf : i.liquido;
    a.base = c.bc_icms;
    a.icms = c.icms;
    a.base_st = c.bc_st;
    a.st = c.st;
    a.reducao = i.reducao;
    a.ipi = c.ipi;
    a.fcp_st = subst_tributaria_ ? i.fcp_st : 0;
    m.analiticos.Somar(a);
    if (estabelecimento_) Contribuicoes(d, i, c, m);
    if (!gravar_itens) continue;
    m.itens.push_back(std::move(c));
    auto lotes = lotes_.find(i.id);
    m.lotes.push_back(lotes != lotes_.end() && Selecionado("C173") ? lotes->second
                                                                   : std::vector<TLoteC173>{});
    m.ressarcimentos.push_back(Ressarcimento(d, i, m.ind_oper));
    auto tanques = p.tanques.find(i.id);
    m.tanques.push_back(m.ind_oper == "0" && tanques != p.tanques.end() && Selecionado("C171")
                            ? tanques->second
                            : std::vector<TTanqueC100>{});
  }
}

void TGeracaoC100::Contribuicoes(const TDocumentoC100& d, const TItemDocumentoC100& i,
                                 const TItemC170& c, TDocumentoMontado& m) {
  if (m.consolidacao != TDestinoConsolidacao::Nenhum)
    m.consolidar.push_back({c, i.ncm, i.ex_tipi});
  else if (d.modelo == "65" && Selecionado("C175")) {
    auto igual = std::find_if(m.consolidados.begin(), m.consolidados.end(), [&c](const auto& x) {
      return x.cfop == c.cfop && x.cst_pis == c.cst_pis && x.cst_cofins == c.cst_cofins &&
             x.aliq_pis == c.aliq_pis && x.aliq_cofins == c.aliq_cofins;
    });
    if (igual == m.consolidados.end()) {
      m.consolidados.push_back(c);
    } else {
      igual->valor = Arred(igual->valor + c.valor);
      igual->desconto = Arred(igual->desconto + c.desconto);
      igual->bc_pis = Arred(igual->bc_pis + c.bc_pis);
      igual->pis = Arred(igual->pis + c.pis);
      igual->bc_cofins = Arred(igual->bc_cofins + c.bc_cofins);
      igual->cofins = Arred(igual->cofins + c.cofins);
    }
  }
  if (m.ind_oper != "1" || !CSTSemContribuicao(c.cst_pis)) return;
  if (Trim(i.natureza_receita).empty())
    throw EErro(
        fmt::format("Registro M410, documento {} (ID {}), item {}: a tributação do item "
                    "(TribItemProd_NatRecPisCofins) não informa a natureza da receita do CST {}",
                    d.numero, d.id, i.seq, c.cst_pis));
  m.receitas.push_back(
      {c.cst_pis, c.cst_cofins, Trim(i.natureza_receita), c.conta, Arred(c.valor - c.desconto)});
}

void TGeracaoC100::Textos(const TDocumentoC100& d, const TPaginaC100& p, TDocumentoMontado& m) {
  if (!Selecionado("C110") || d.modelo == "65") return;
  if (m.ind_oper == "1" && gerar_c170_propria_ != "1" && gerar_c170_propria_ != "2" &&
      gerar_c170_propria_ != "3" && !uf_c110_c120_)
    return;
  auto outros = p.outros.find(d.id);
  if (outros == p.outros.end()) return;
  const TOutrosDadosC100& o = outros->second;
  for (const std::string* texto :
       {&o.texto_fiscal, &o.observacao, &o.texto_pad_1, &o.texto_pad_2, &o.texto_pad_3}) {
    const std::string linha = Trim(*texto);
    if (!linha.empty()) Texto(m, linha);
  }
  if (!m.textos.empty() && !o.processo.empty() && Selecionado("C111")) {
    m.processo = o.processo;
    m.ind_processo = o.ind_processo.empty() ? "9" : o.ind_processo;
  }
}

TGeracaoC100::TTextoMontado& TGeracaoC100::Texto(TDocumentoMontado& m, const std::string& linha) {
  const std::string chave = TextoInformacao0450(linha);
  auto it = codigos_0450_.find(chave);
  if (it == codigos_0450_.end()) {
    // 0450 keeps what its column holds; C110 carries the whole text.
    const TxbAtributo* coluna =
        TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD0450").Atributo("Texto");
    const std::string informacao = coluna && coluna->tamanho > 0
                                       ? CopiarUtf8(linha, static_cast<size_t>(coluna->tamanho))
                                       : linha;
    const int codigo =
        r0450_->IncluirNovo(cabecalho_.id, bloco0_, Tipo("0450"), informacao, id_0140_);
    it = codigos_0450_.emplace(chave, std::to_string(codigo)).first;
  }
  // One C110 per code under a document.
  auto igual = std::find_if(m.textos.begin(), m.textos.end(),
                            [&it](const auto& t) { return t.codigo == it->second; });
  if (igual != m.textos.end()) return *igual;
  m.textos.push_back({it->second, linha, {}});
  return m.textos.back();
}

void TGeracaoC100::Complementos(const TDocumentoC100& d, TDocumentoMontado& m) {
  if (!Selecionado("C110") || d.modelo == "65") return;
  // Referenced documents and coupons stand under the document's fiscal
  // observation, which names them.
  auto sob_observacao = [&]() -> TTextoMontado& {
    const std::string observacao = UmaLinha(d.obs_fiscal);
    return Texto(m, observacao.empty() ? "Documento Referenciado" : observacao);
  };
  auto referenciados = complementos_.referenciados.find(d.id);
  if (referenciados != complementos_.referenciados.end() && Selecionado("C113")) {
    auto& texto = sob_observacao();
    for (const TDocReferenciadoC113& r : referenciados->second) {
      const std::string chave = Digitos(r.chave);
      const bool repetido =
          !chave.empty() &&
          std::any_of(texto.filhos.begin(), texto.filhos.end(), [&chave](const auto& f) {
            return f.first == "C113" && f.second.back().AsString() == chave;
          });
      if (repetido) continue;
      texto.filhos.push_back(
          {"C113",
           {r.ind_oper, r.ind_emit, Participante(r.ident, 0), r.modelo, r.serie,
            Digitos(r.subserie), NumeroSemZeros(r.numero), FormatarData(r.emissao), chave}});
    }
  }
  auto cupons = complementos_.cupons.find(d.id);
  if (cupons != complementos_.cupons.end() && Selecionado("C114")) {
    auto& texto = sob_observacao();
    for (const TCupomC114& c : cupons->second)
      texto.filhos.push_back(
          {"C114", {"2D", c.serie_ecf, c.caixa, c.coo, FormatarData(c.emissao)}});
  }
  auto arrecadacoes = complementos_.arrecadacoes.find(d.id);
  if (arrecadacoes != complementos_.arrecadacoes.end() && Selecionado("C112")) {
    auto& texto = Texto(m, "Documento de Arrecadação Referenciado");
    for (const TArrecadacaoC112& a : arrecadacoes->second)
      texto.filhos.push_back({"C112",
                              {a.modelo, a.uf, a.numero, a.autenticacao, Valor(a.valor),
                               FormatarData(a.vencimento), FormatarData(a.pagamento)}});
  }
  // Printed invoices name where their goods were delivered.
  auto local = complementos_.locais.find(d.id);
  const bool impressa = d.modelo == "01" || d.modelo == "1B" || d.modelo == "04";
  if (local != complementos_.locais.end() && impressa && Selecionado("C115")) {
    const TLocalEntregaC115& l = local->second;
    const bool cpf = l.cnpj.size() == 11;
    Texto(m, "Local de Entrega")
        .filhos.push_back({"C115",
                           {"", "", "", "", "", cpf ? "" : l.cnpj, SemIsento(l.ie),
                            cpf ? l.cnpj : "", l.municipio}});
  }
}

void TGeracaoC100::Ajustes(const TDocumentoC100& d, const TPaginaC100& p, TDocumentoMontado& m) {
  auto ajustes = p.ajustes.find(d.id);
  if (ajustes == p.ajustes.end() || !Selecionado("C195")) return;
  auto itens = p.itens.find(d.id);
  const bool santa_catarina_2022 =
      uf_filial_ == "SC" && cabecalho_.inicio >= TDateTime::EncodeDate(2022, 6, 1);
  for (const TAjusteC100& a : ajustes->second) {
    const TItemDocumentoC100* item = nullptr;
    if (itens != p.itens.end())
      for (const auto& i : itens->second)
        if (i.id == a.item) item = &i;
    std::string texto = !a.complemento.empty()     ? a.complemento
                        : !a.descricao.empty()     ? a.descricao
                        : !a.descricao_det.empty() ? a.descricao_det
                                                   : a.descricao_red;
    texto = UmaLinha(texto);
    if (texto.empty()) continue;
    auto obs = codigos_0460_.find(texto);
    if (obs == codigos_0460_.end()) {
      const int codigo = r0460_->Incluir(cabecalho_.id, bloco0_, Tipo("0460"), texto, 0);
      obs = codigos_0460_.emplace(texto, std::to_string(codigo)).first;
    }
    std::string codigo = Trim(a.codigo);
    if (TamanhoUtf8(codigo) != 10 || !Selecionado("C197")) {
      Observacao(m, obs->second, texto, std::nullopt);
      continue;
    }
    std::string descricao = UmaLinha(a.complemento);
    const std::string cfop = item ? Digitos(item->cfop) : "";
    if (santa_catarina_2022 && (codigo == "SC10000034" || a.tipo == "2")) {
      codigo = "SC10000099";
      descricao = "Crédito por Aquisição de Empresa do Simples Nacional - LC 123/2006 , art. 23";
      if (cfop.starts_with("1")) {
        codigo = "SC10000100";
        descricao =
            "Crédito Presumido por Aquisição em Operação Interna de Empresa do Simples Nacional "
            "- An.2, art. 15, XXVI";
      }
    }
    Observacao(m, obs->second, texto,
               TAjusteC197{codigo, CopiarUtf8(descricao, 120), item ? CodigoItem(*item) : "",
                           a.base, a.aliquota, a.valor, a.outros});
  }
}

void TGeracaoC100::Observacao(TDocumentoMontado& m, const std::string& codigo,
                              const std::string& texto, std::optional<TAjusteC197> ajuste) {
  auto grupo = std::find_if(m.observacoes.begin(), m.observacoes.end(),
                            [&texto](const auto& o) { return o.first.second == texto; });
  if (grupo == m.observacoes.end()) {
    m.observacoes.push_back({{codigo, texto}, {}});
    grupo = m.observacoes.end() - 1;
  }
  if (!ajuste) return;
  auto& lista = grupo->second;
  auto igual = std::find_if(lista.begin(), lista.end(), [&ajuste](const auto& x) {
    return x.codigo == ajuste->codigo && x.item == ajuste->item && x.descricao == ajuste->descricao;
  });
  if (igual == lista.end()) {
    lista.push_back(std::move(*ajuste));
    return;
  }
  igual->base = Arred(igual->base + ajuste->base);
  igual->icms = Arred(igual->icms + ajuste->icms);
  igual->outros = Arred(igual->outros + ajuste->outros);
}

void TGeracaoC100::NotasSantaCatarina(const TDocumentoC100& d, const TPaginaC100& p,
                                      TDocumentoMontado& m) {
  auto itens = p.itens.find(d.id);
  if (estabelecimento_ || uf_filial_ != "SC" || itens == p.itens.end() || !Selecionado("C195"))
    return;
  for (const TItemDocumentoC100& i : itens->second) {
    if (i.nao_gerar_val_fin == "A") continue;
    const std::string tributacao = Trim(i.tributacao), cfop = Digitos(i.cfop);
    const bool st_interestadual = m.ind_oper == "1" &&
                                  (cfop == "6404" || cfop == "6409" || cfop == "6152") &&
                                  (tributacao == "10" || tributacao == "00");
    const bool isenta = tributacao == "40" || tributacao == "41";
    if (!st_interestadual && !isenta) continue;
    const std::string obs = st_interestadual ? "199999" : "900001";
    const std::string texto = st_interestadual ? "ICMS" : "Isento Nao Tributada";
    if (notas_0460_.insert(obs).second)
      r0460_->IncluirComCodigo(cabecalho_.id, bloco0_, Tipo("0460"), obs, texto);
    std::optional<TAjusteC197> ajuste;
    if (Selecionado("C197"))
      ajuste = TAjusteC197{!st_interestadual    ? "SC90000001"
                           : tributacao == "10" ? "SC10000051"
                                                : "SC10000036",
                           "",
                           CodigoItem(i),
                           i.icms_base,
                           i.icms_aliq,
                           i.icms_valor,
                           0};
    Observacao(m, obs, texto, std::move(ajuste));
  }
}

namespace {

// The registers under C100 and, for each, the register whose rows it hangs
// from and the link attribute.
struct TVinculoC100 {
  const char* codigo;
  const char* pai;
  const char* vinculo;
};
constexpr TVinculoC100 kFilhos[] = {
    {"C112", "C110", "IDF_RegEFDC110"},      {"C113", "C110", "IDF_RegEFDC110"},
    {"C114", "C110", "IDF_RegEFDC110"},      {"C115", "C110", "IDF_RegEFDC110"},
    {"C173", "C170", "IDF_RegEFDC170"},      {"C176", "C170", "IDF_RegEFDC170"},
    {"C111", "C110", "IDF_RegEFDC110"},      {"C141", "C140", "IDF_RegEFDC140"},
    {"C171", "C170", "IDF_RegistroEFDC170"}, {"C191", "C190", "IDF_RegEFDC190"},
    {"C197", "C195", "IDF_RegEFDC195"},      {"C101", "C100", "IDF_RegEFDC100"},
    {"C110", "C100", "IDF_RegEFDC100"},      {"C120", "C100", "IDF_RegEFDC100"},
    {"C130", "C100", "IDF_RegEFDC100"},      {"C140", "C100", "IDF_RegEFDC100"},
    {"C160", "C100", "IDF_RegEFDC100"},      {"C170", "C100", "IDF_RegEFDC100"},
    {"C190", "C100", "IDF_RegEFDC100"},      {"C195", "C100", "IDF_RegEFDC100"},
    {"C175", "C100", "IDF_RegEDFC100"}};

}  // namespace

void TGeracaoC100::ExcluirDocumento(int64_t c100) {
  // Grandchildren first, through their parent's link to the document.
  for (const TVinculoC100& v : kFilhos) {
    const std::string tabela = std::string("Z8_REGEFD") + v.codigo;
    const std::string vinculo = UpperCase(v.vinculo);
    const std::string filtro = std::string(v.pai) == "C100"
                                   ? "A." + vinculo + " = :C100"
                                   : "A." + vinculo + " IN (SELECT P.ID FROM Z8_REGEFD" + v.pai +
                                         " P WHERE P.IDF_REGEFDC100 = :C100)";
    sessao_.ExecutarDiretoNoBD("DELETE FROM Z8_REGEFD WHERE ID IN (SELECT A.IDA FROM " + tabela +
                                   " A WHERE " + filtro + ")",
                               {{"C100", c100}});
    sessao_.ExecutarDiretoNoBD("DELETE FROM " + tabela + " WHERE ID IN (SELECT A.ID FROM " +
                                   tabela + " A WHERE " + filtro + ")",
                               {{"C100", c100}});
  }
  sessao_.ExecutarDiretoNoBD("DELETE FROM Z8_REGEFDC100 WHERE ID = :C100", {{"C100", c100}});
  sessao_.ExecutarDiretoNoBD("DELETE FROM Z8_REGEFD WHERE ID = :C100", {{"C100", c100}});
}

bool TGeracaoC100::MesmoDocumento(int64_t c100, const TDocumentoMontado& m) {
  TxbResultado r = sessao_.Consultar(
      "SELECT NRODOCTO, CODPART, SERIE, INDEMIT, INDOPER, CHAVENFE FROM Z8_REGEFDC100 "
      "WHERE ID = :ID",
      {{"ID", c100}});
  if (r.Vazio()) return false;
  // Each field as it was stored: cut to its column.
  const TxbFamilia& familia = TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFDC100");
  auto mesmo = [&](size_t coluna, const char* atributo, const std::string& valor) {
    const std::string guardado = Trim(r.linhas[0][coluna].AsString());
    const int tamanho = familia.Atributo(atributo)->tamanho;
    return guardado == Trim(tamanho > 0 ? CopiarUtf8(valor, static_cast<size_t>(tamanho)) : valor);
  };
  if (!mesmo(0, "NroDocto", m.numero) || !mesmo(5, "ChaveNFe", m.chave)) return false;
  // A document with an access key is known by its number and key alone.
  return !m.chave.empty() || (mesmo(1, "CodPart", m.cod_part) && mesmo(2, "Serie", m.serie) &&
                              mesmo(3, "IndEmit", m.ind_emit) && mesmo(4, "IndOper", m.ind_oper));
}

void TGeracaoC100::Gravar(TDocumentoMontado& m) {
  // The same document met again (same number, participant, series, issuer
  // and operation, or the same access key) replaces the earlier row.
  const uint64_t chave =
      std::hash<std::string>{}(m.chave.empty() ? fmt::format("{}|{}|{}|{}|{}", m.numero, m.cod_part,
                                                             m.serie, m.ind_emit, m.ind_oper)
                                               : m.numero + "|" + m.chave);
  const auto [de, ate] = ja_gravados_.equal_range(chave);
  for (auto anterior = de; anterior != ate; ++anterior)
    if (MesmoDocumento(anterior->second, m)) {
      ExcluirDocumento(anterior->second);
      ja_gravados_.erase(anterior);
      --linhas_c100_;
      break;
    }
  const bool cancelado = Cancelado(m.situacao);
  const bool valores = !cancelado && m.com_valores;
  const TVariant nada;
  auto v = [&](double x) { return valores ? Valor(x) : nada; };
  const int64_t id =
      Insercao(
          "C100",
          {"IDDocto",      "IndOper",     "IndEmit",          "CodPart",          "CodModelo",
           "CodSit",       "Serie",       "NroDocto",         "ChaveNFe",         "DataEmi",
           "DataEntSai",   "ValTotDocto", "IndTpPAgto",       "ValTotDesc",       "ValAbatNT",
           "ValMerc",      "IndFrete",    "ValFrete",         "ValSeguro",        "ValOutrasDesp",
           "BaseCalcICMS", "ValICMS",     "BsCalICMSSubTrib", "ValICMSSubTrib",   "ValIPI",
           "ValPIS",       "ValCOFINS",   "ValPISSubTrib",    "ValCOFINSSubTrib", "IDF_RegEFDC010"})
          .Inserir(bloco_, tipo_c100_,
                   {m.id_docto,
                    m.ind_oper,
                    m.ind_emit,
                    m.cod_part,
                    m.modelo,
                    m.situacao,
                    m.serie,
                    m.numero,
                    m.chave,
                    m.data_emi,
                    m.data_es,
                    v(m.total),
                    valores ? m.ind_pgto : "",
                    v(m.desconto),
                    v(m.abat_nt),
                    v(m.mercadorias),
                    valores ? m.ind_frete : "",
                    v(m.frete),
                    v(m.seguro),
                    v(m.outras),
                    v(m.base),
                    v(m.icms),
                    v(m.base_st),
                    v(m.st),
                    v(m.ipi),
                    v(m.pis),
                    v(m.cofins),
                    v(0),
                    v(0),
                    estabelecimento_ ? TVariant(estabelecimento_->id_c010) : TVariant()});
  ja_gravados_.emplace(chave, id);
  ++linhas_c100_;
  if (!cancelado) GravarFilhos(m, id);
}

void TGeracaoC100::GravarFilhos(TDocumentoMontado& m, int64_t c100) {
  const double difal = m.fcp_dest + m.icms_dest + m.icms_remet;
  if (Selecionado("C101") && m.ind_oper == "1" && difal > 0 &&
      cabecalho_.inicio >= TDateTime::EncodeDate(2016, 1, 1))
    Insercao("C101", {"VL_UF_DEST", "VL_ICMS_DEST", "VL_ICMS_REM", "IDF_RegEFDC100"})
        .Inserir(bloco_, Tipo("C101"),
                 {Valor(m.fcp_dest), Valor(m.icms_dest), Valor(m.icms_remet), c100});
  bool primeiro = true;
  for (const auto& t : m.textos) {
    const int64_t c110 =
        Insercao("C110", {"Codigo", "Texto", "IDF_RegEFDC100"})
            .Inserir(bloco_, Tipo("C110"), {t.codigo, TextoInformacao0450(t.texto), c100});
    if (primeiro && !m.processo.empty())
      Insercao("C111", {"NumProc", "IndProc", "IDF_RegEFDC110"})
          .Inserir(bloco_, Tipo("C111"), {m.processo, m.ind_processo, c110});
    primeiro = false;
    for (const auto& [codigo, valores] : t.filhos)
      GravarComplemento(codigo, valores, "IDF_RegEFDC110", c110);
  }
  if (m.importacao)
    Insercao("C120", {"CodDocImp", "NroDocImp", "ValPISImp", "ValCOFINSImp", "NrpRegDrawback",
                      "IDF_RegEFDC100"})
        .Inserir(bloco_, Tipo("C120"),
                 {m.ind_importacao, m.declaracao, Valor(m.pis_importacao),
                  Valor(m.cofins_importacao), m.drawback, c100});
  if (Selecionado("C130") && (m.base_iss > 0 || m.iss > 0))
    Insercao("C130", {"ValServNT", "BaseCalcISSQN", "ValISSQN", "BaseCalcIRRF", "ValIRRF",
                      "BaseCalcPrevSoc", "ValPrevSocial", "IDF_RegEFDC100"})
        .Inserir(bloco_, Tipo("C130"),
                 {Valor(m.servicos_nt), Valor(m.base_iss), Valor(m.iss), Valor(0), Valor(0),
                  Valor(0), Valor(0), c100});
  if (!m.parcelas.empty()) {
    double total = 0;
    for (const TParcelaC100& p : m.parcelas) total = Arred(total + p.valor);
    const int64_t c140 =
        Insercao("C140", {"IndEmit", "IndTitulo", "DescTitulo", "NumTitulo", "QtdeParc",
                          "ValOriTitulo", "IDF_RegEFDC100"})
            .Inserir(bloco_, Tipo("C140"),
                     {m.ind_emit, "00", "", m.numero, static_cast<int64_t>(m.parcelas.size()),
                      Valor(total), c100});
    if (Selecionado("C141"))
      for (size_t i = 0; i < m.parcelas.size(); ++i) {
        const std::string numero = DigitosIniciais(m.parcelas[i].numero);
        Insercao("C141", {"NumParc", "DataVencto", "ValParc", "IDF_RegEFDC140"})
            .Inserir(bloco_, Tipo("C141"),
                     {numero.empty() ? std::to_string(i + 1) : numero,
                      FormatarData(m.parcelas[i].vencimento), Valor(m.parcelas[i].valor), c140});
      }
  }
  if (m.c160)
    Insercao("C160", {"CodPart", "PlacaVeic", "QtdeVol", "PesoBruto", "PesoLiq", "UFVeiculo",
                      "IDF_RegEFDC100"})
        .Inserir(bloco_, Tipo("C160"),
                 {m.transportador, m.placa, std::round(m.volumes), Valor(m.peso_bruto),
                  Valor(m.peso_liquido), m.uf_veiculo, c100});
  for (size_t i = 0; i < m.itens.size(); ++i) {
    const int64_t c170 = c170_->Incluir(bloco_, Tipo("C170"), c100, m.itens[i]);
    for (const TLoteC173& l : m.lotes[i])
      GravarComplemento(
          "C173",
          {l.lote, l.quantidade, FormatarData(l.fabricacao), FormatarData(l.validade),
           Th5RegistroEFDC100::RetornarIndicadorMedicao(l.indicador), l.tipo, Valor(l.preco)},
          "IDF_RegEFDC170", c170);
    for (const TTanqueC100& t : m.tanques[i])
      Insercao("C171", {"NumTq", "QTDE", "IDF_RegistroEFDC170"})
          .Inserir(bloco_, Tipo("C171"), {t.tanque, t.quantidade, c170});
    if (m.ressarcimentos[i])
      c176_->INTERNO_Incluir(bloco_, Tipo("C176"), c170, *m.ressarcimentos[i]);
  }
  if (Selecionado("C190")) {
    const bool fcp = cabecalho_.inicio >= TDateTime::EncodeDate(2019, 1, 1) && Selecionado("C191");
    for (const TAnaliticoC190& t : m.analiticos.Totais()) {
      const int64_t c190 = c190_->Incluir(bloco_, Tipo("C190"), c100, t, "");
      if (fcp && t.fcp_op + t.fcp_st + t.fcp_ret != 0)
        Insercao("C191", {"VL_FCP_OP", "VL_FCP_ST", "VL_FCP_RET", "IDF_RegEFDC190"})
            .Inserir(bloco_, Tipo("C191"),
                     {Valor(t.fcp_op), Valor(t.fcp_st), Valor(t.fcp_ret), c190});
    }
  }
  for (const TItemC170& c : m.consolidados) {
    const bool pis_por_unidade = c.aliq_pis_reais > 0;
    const bool cofins_por_unidade = c.aliq_cofins_reais > 0;
    const TVariant nada;
    auto se = [&nada](bool condicao, double valor) { return condicao ? Valor(valor) : nada; };
    Insercao("C175", {"CFOP", "ValOpera", "ValDesc", "CSTPIS", "BaseCalcPIS", "AliqPIS",
                      "BaseCalcQtdePIS", "AliqPISReais", "ValPIS", "CSTCOFINS", "BaseCalcCOFINS",
                      "AliqCOFINS", "BaseCalcQtdeCOFINS", "AliqCOFINSReais", "ValCOFINS",
                      "CodCtaCtbAnal", "IDF_RegEDFC100"})
        .Inserir(bloco_, Tipo("C175"),
                 {c.cfop, Valor(c.valor), Valor(c.desconto), c.cst_pis,
                  se(!pis_por_unidade, c.bc_pis), se(!pis_por_unidade, c.aliq_pis),
                  se(pis_por_unidade, c.bc_pis), se(pis_por_unidade, c.aliq_pis_reais),
                  Valor(c.pis), c.cst_cofins, se(!cofins_por_unidade, c.bc_cofins),
                  se(!cofins_por_unidade, c.aliq_cofins), se(cofins_por_unidade, c.bc_cofins),
                  se(cofins_por_unidade, c.aliq_cofins_reais), Valor(c.cofins), c.conta, c100});
  }
  EntregarReceitas(m);
  for (const auto& [observacao, ajustes] : m.observacoes) {
    const int64_t c195 =
        Insercao("C195", {"Codigo", "Texto", "IDF_RegEFDC100"})
            .Inserir(bloco_, Tipo("C195"), {observacao.first, observacao.second, c100});
    for (const auto& a : ajustes)
      Insercao("C197", {"CodAjuste", "DescAjuste", "CodItem", "BaseCalcICMS", "AliqICMS", "ValICMS",
                        "ValOutros", "IDF_RegEFDC195"})
          .Inserir(bloco_, Tipo("C197"),
                   {a.codigo, a.descricao, CodigoItemNoArquivo(a.item), Valor(a.base),
                    Valor(a.aliquota), Valor(a.icms), Valor(a.outros), c195});
  }
}

void TGeracaoC100::GravarComplemento(const std::string& codigo, std::vector<TVariant> valores,
                                     const char* vinculo, int64_t pai) {
  std::vector<std::string> campos = CamposDoComplementoC110(codigo);
  campos.push_back(vinculo);
  valores.push_back(pai);
  Insercao(codigo, std::move(campos)).Inserir(bloco_, Tipo(codigo), valores);
}

void TGeracaoC100::EntregarReceitas(const TDocumentoMontado& m) {
  if (m.receitas.empty() || !estabelecimento_->receita_sem_contribuicao) return;
  for (const auto& r : m.receitas)
    estabelecimento_->receita_sem_contribuicao(r.cst_pis, r.cst_cofins, r.natureza, r.conta,
                                               r.valor);
}

TDestinoConsolidacao TGeracaoC100::Destino(const TDocumentoC100& d, const TPaginaC100& p,
                                           const std::string& operacao,
                                           const std::string& ind_emit) const {
  std::vector<std::string> csts;
  auto itens = p.itens.find(d.id);
  if (itens != p.itens.end())
    for (const TItemDocumentoC100& i : itens->second)
      if (i.nao_gerar_val_fin != "A") {
        // Sales already bookkept by a fiscal printer stay documents of their own.
        const std::string cfop = Digitos(i.cfop);
        if (cfop == "5929" || cfop == "6929") return TDestinoConsolidacao::Nenhum;
        csts.push_back(Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(i.cst_pis));
      }
  return TConsolidacoesC::Destino(operacao, ind_emit, d.modelo, csts);
}

void TGeracaoC100::Consolidar(const TDocumentoC100& d, const TPaginaC100& p, TDocumentoMontado& m) {
  const bool venda = m.consolidacao == TDestinoConsolidacao::Venda;
  TDocumentoConsolidado c;
  c.modelo = d.modelo;
  c.data = venda ? d.emissao : d.entrada_saida;
  auto participante = participantes_.find(d.ident);
  if (!venda && participante != participantes_.end())
    c.participante = Digitos(participante->second.documento);
  auto outros = p.outros.find(d.id);
  if (outros != p.outros.end()) {
    c.processo = outros->second.processo;
    c.ind_processo = outros->second.ind_processo;
  }
  c.importacao = d.processo_importacao > 0;
  c.ind_importacao = d.ind_importacao.empty() ? "0" : d.ind_importacao;
  c.declaracao = CopiarUtf8(d.declaracao_importacao, 15);
  c.drawback = d.drawback;
  c.itens = std::move(m.consolidar);
  consolidacoes_->Somar(m.consolidacao, c);
  EntregarReceitas(m);
}

}  // namespace efd
