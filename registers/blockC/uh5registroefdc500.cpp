#include "registers/blockC/uh5registroefdc500.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <set>

#include "control/linhaefd.h"
#include "control/linhasregistros.h"
#include "framework/pbbd.h"
#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0190.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/block0/uh5registroefd0460.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/blockC/documentosc100.h"
#include "registers/blockC/geracaoc100.h"
#include "registers/blockC/itensservico.h"
#include "registers/blockC/uh5registroefdc100.h"
#include "registers/blockC/uh5registroefdc190.h"
#include "registers/blockC/uh5registroefdc501.h"
#include "registers/blockC/uh5registroefdc505.h"
#include "registers/blockC/uh5registroefdc510.h"
#include "registers/blockC/uh5registroefdc590.h"

namespace efd {
namespace {

// Internal codes of the document standards whose bills are entries.
constexpr int kEntradas[] = {13, 32, 42, 118, 119, 122};
constexpr int64_t kMaiorId = std::numeric_limits<int32_t>::max();

// C500 fields in the order written; the 2020 group and the 2022 group end
// the line from those years on.
const std::vector<std::string> kCamposC500 = {
    "IndOpera",        "IndEmit",     "CodPart",         "CodModel",     "CodSit",
    "Serie",           "SubSerie",    "CodCons",         "NroDocto",     "DataEmi",
    "DataEntSai",      "ValDocto",    "ValDesc",         "ValFornCons",  "ValServNT",
    "ValTerc",         "ValDespAces", "BaseCalcICMS",    "ValICMS",      "BaseCalcSubsTrib",
    "ValICMSSubsTrib", "CodInf",      "ValPIS",          "ValCOFINS",    "TipoLigacao",
    "CodGrupoTensao",  "CHV_DOCe",    "FIN_DOCe",        "CHV_DOCe_REF", "IND_DEST",
    "COD_MUN_DEST",    "COD_CTA",     "COD_MOD_DOC_REF", "HASH_DOC_REF", "SER_DOC_REF",
    "NUM_DOC_REF",     "MES_DOC_REF", "ENER_INJET",      "OUTRAS_DED"};
constexpr size_t kCamposAte2019 = 26;
constexpr size_t kCamposAte2021 = 32;

// The text of the observation that carries a bill's adjustments.
constexpr const char* kTextoObservacaoAjustes = "Ajustes de ICMS da conta de consumo";
// The document standard whose bills carry their ICMS adjustments under an
// observation (C595 with its C597 lines).
constexpr int kPadraoComAjustes = 42;

double Arred(double v) {
  return Arredondar(v, 2);
}

// What a page of bills reads beyond the goods documents' page: the book
// record, the electricity part of the document type and the electronic
// bill's data.
struct TComplementosC500 {
  struct TLivro {
    double fornecimento = 0, servicos_nt = 0, terceiros = 0, despesas = 0;
  };
  struct TEnergia {
    std::string classe, ligacao, grupo;
  };
  std::map<int64_t, TLivro> livros;                         // by document
  std::map<int64_t, TEnergia> energia;                      // by document type
  std::map<int64_t, bool> complementar;                     // by document type
  std::map<int64_t, std::vector<TVariant>> eletronica;      // by document, the 2020/2022 data
  std::map<int64_t, std::vector<TAnaliticoC190>> tributos;  // by document, its own taxes
  TItensServico servicos;
};

// The document's own ICMS and ICMS-ST rows, each a total of CST "000" by
// CFOP and rate: base and tax, the exempt and other values as the
// reduction for the ICMS.
void CarregarTributos(TxbSession& s, const std::vector<int64_t>& documentos, TComplementosC500& c) {
  for (const auto& l :
       s.Consultar("SELECT T.IDF_DOCTO, I.TIPO, CF.CODIGO, T.ALIQUOTA, T.BASECALCULO, "
                   "T.VALORIMPOSTO, T.VALORISENTO, T.VALOROUTRAS FROM Z8_DOCTOTRIB T " +
                   s.JuncaoIds("T.IDF_DOCTO", documentos) +
                   "INNER JOIN Z8_IMPOSTO I ON I.ID = T.IDF_IMPOSTO "
                   "LEFT JOIN Z8_CODFISOPE CF ON CF.ID = T.IDF_CFOP "
                   "WHERE I.TIPO IN ('0', 'A') ORDER BY T.IDF_DOCTO, T.ID")
           .linhas) {
    TAnaliticoC190 t;
    t.cst = "000";
    t.cfop = Digitos(l[2].AsString()).substr(0, 4);
    t.aliquota = l[3].AsFloat();
    if (Trim(l[1].AsString()) == "0") {
      t.base = l[4].AsFloat();
      t.icms = l[5].AsFloat();
      t.reducao = Arred(l[6].AsFloat() + l[7].AsFloat());
    } else {
      t.base_st = l[4].AsFloat();
      t.st = l[5].AsFloat();
    }
    c.tributos[l[0].AsInt64()].push_back(std::move(t));
  }
}

TComplementosC500 CarregarComplementos(TxbSession& s, const std::vector<int64_t>& documentos,
                                       const std::vector<int64_t>& tipos) {
  TComplementosC500 c;
  for (const auto& l : s.Consultar("SELECT L.IDF_DOCTO, L.VALFORNECCONSUM, L.VALSERVNAOTRIB, "
                                   "L.VALNOMETERC, L.VALDESPACES FROM Z8_REGLIVRO L " +
                                   s.JuncaoIds("L.IDF_DOCTO", documentos))
                           .linhas)
    c.livros[l[0].AsInt64()] = {l[1].AsFloat(), l[2].AsFloat(), l[3].AsFloat(), l[4].AsFloat()};
  for (const auto& l :
       s.Consultar("SELECT P.IDF_TIPDOC, E.CODCONS, E.TIPOLIGACAO, E.CODGRUPOTENSAO FROM "
                   "Z8_PARTETPDOC P " +
                   s.JuncaoIds("P.IDF_TIPDOC", tipos) +
                   "INNER JOIN Z8_TPDOCINFEE E ON E.IDA = P.ID")
           .linhas) {
    auto texto = [&l](size_t i) { return Trim(l[i].AsString()); };
    c.energia[l[0].AsInt64()] = {texto(1), texto(2), texto(3)};
  }
  for (const auto& l :
       s.Consultar("SELECT T.ID, T.NFCOMPLEMENTAR FROM Z8_TIPDOC T " + s.JuncaoIds("T.ID", tipos))
           .linhas)
    c.complementar[l[0].AsInt64()] = UpperCase(Trim(l[1].AsString())) == "T";
  for (auto& l : s.Consultar("SELECT P.IDF_DOCTO, D.CHVDOCEREF, D.INDDEST, D.CODMUNDEST, "
                             "D.CODMODDOCREF, D.HASHDOCREF, D.SERDOCREF, D.NUMDOCREF, "
                             "D.MESDOCREF, D.ENERINJET, D.OUTRASDED FROM Z8_PARTEDOCTO P " +
                             s.JuncaoIds("P.IDF_DOCTO", documentos) +
                             "INNER JOIN Z8_DADCONSUMO D ON D.IDA = P.ID")
                     .linhas)
    c.eletronica[l[0].AsInt64()] = std::vector<TVariant>(l.begin() + 1, l.end());
  CarregarTributos(s, documentos, c);
  c.servicos = CarregarItensServico(s, documentos);
  return c;
}

// One generation of the C500 family for an EFD and its block-C row: the
// branch's bills for the ICMS/IPI model, or an establishment's for the
// PIS/COFINS model.
class TGeracaoC500 {
 public:
  TGeracaoC500(Th5RegistroEFDC500& registro, int id_efd, int tipo, int bloco,
               const std::string& registros,
               std::optional<TEstabelecimentoC100> estabelecimento = std::nullopt)
      : registro_(registro),
        sessao_(registro.GetSession()),
        cabecalho_(LerCabecalhoEFD(sessao_, id_efd)),
        estabelecimento_(std::move(estabelecimento)),
        tipo_c500_(tipo),
        bloco_(bloco),
        bloco0_(IdBloco0(sessao_, id_efd)),
        lista_(registros) {
    TxbAplicacao& app = Aplicacao();
    r0150_ = app.CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", sessao_);
    r0190_ = app.CriarComo<Th5RegistroEFD0190>("RegistroEFD0190", sessao_);
    r0200_ = app.CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", sessao_);
    if (estabelecimento_) {
      cabecalho_.filial = estabelecimento_->filial;
      id_0140_ = estabelecimento_->id_0140;
      r0500_ = app.CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", sessao_);
      c501_ = app.CriarComo<Th5RegistroEFDC501>("RegistroEFDC501", sessao_);
      c505_ = app.CriarComo<Th5RegistroEFDC505>("RegistroEFDC505", sessao_);
    } else {
      c510_ = app.CriarComo<Th5RegistroEFDC510>("RegistroEFDC510", sessao_);
      c590_ = app.CriarComo<Th5RegistroEFDC590>("RegistroEFDC590", sessao_);
    }
    sem_prefixo_ =
        r0200_->GerarProdSemPrefixo(cabecalho_.empresa, cabecalho_.inicio, cabecalho_.fim);
    if (!estabelecimento_ && lista_.Selecionado("0460") && ObservacoesDosAjustes()) {
      r0460_ = app.CriarComo<Th5RegistroEFD0460>("RegistroEFD0460", sessao_);
    }
    insercao_ = std::make_unique<TxbInsercaoRegistro>(sessao_, "C500", [] {
      std::vector<std::string> campos = kCamposC500;
      campos.push_back("IDF_Docto");
      campos.push_back("IDF_RegEFDC010");
      campos.push_back("CodObsAjustes");
      return campos;
    }());
  }
  ~TGeracaoC500() {
    for (std::shared_ptr<ThbObjetoNegocio> o :
         std::initializer_list<std::shared_ptr<ThbObjetoNegocio>>{
             r0150_, r0190_, r0200_, r0460_, r0500_, c501_, c505_, c510_, c590_})
      if (o) Aplicacao().Destruir(o);
  }

  int Executar() {
    TxbBlocoMonitorado monitor(sessao_.Monitor(), 330, "REGISTRO C500!");
    const std::vector<int64_t> ids = Selecionar();
    const size_t por_pagina = LinhasPorJanela();
    for (size_t inicio = 0; inicio < ids.size(); inicio += por_pagina) {
      const size_t fim = std::min(ids.size(), inicio + por_pagina);
      Pagina(std::vector<int64_t>(ids.begin() + static_cast<ptrdiff_t>(inicio),
                                  ids.begin() + static_cast<ptrdiff_t>(fim)));
    }
    return gravadas_;
  }

 private:
  int Tipo(const std::string& codigo) {
    return tipos_(codigo[0] == '0' ? bloco0_ : bloco_, codigo);
  }

  // Whether the company has its bills' adjustments written under an
  // observation of the bill (C595 and C597).
  bool ObservacoesDosAjustes() {
    TxbResultado r = sessao_.Consultar(
        "SELECT A.OBSAJUSTESCONTACONSUMO FROM Z8_PEMPGERAL A INNER JOIN Z8_PAREMP B ON B.ID = "
        "A.IDA WHERE B.IDF_EMPRESA = :EMPRESA AND B.DATAINICIAL <= :INICIO AND B.DATAFINAL >= "
        ":FIM AND B.SITUACAO = '1' ORDER BY B.DATAINICIAL DESC",
        {{"EMPRESA", cabecalho_.empresa},
         {"INICIO", cabecalho_.inicio.DateOf()},
         {"FIM", cabecalho_.fim.DateOf()}});
    return !r.Vazio() && UpperCase(Trim(r.linhas[0][0].AsString())) == "T";
  }

  // The observation (0460) under which the writer puts the bill's
  // adjustments; none when the bill has none or the company does not want
  // them.
  TVariant ObservacaoDosAjustes(const TDocumentoC100& d, const TPaginaC100& p) {
    if (!r0460_ || d.codigo_interno != kPadraoComAjustes || !p.ajustes.count(d.id))
      return TVariant();
    return std::to_string(
        r0460_->Incluir(cabecalho_.id, bloco0_, Tipo("0460"), kTextoObservacaoAjustes, 0));
  }

  // The bills issued or received in the period, in the order they are
  // bookkept.
  std::vector<int64_t> Selecionar() {
    const TpbBD& bd = sessao_.GetBD();
    const std::string de = bd.LiteralData(cabecalho_.inicio.DateOf()),
                      ate = bd.LiteralData(cabecalho_.fim.DateOf()),
                      nolock = Th5RegistroEFDC500::NoLockSql(bd);
    const std::string nl = nolock.empty() ? "" : " " + nolock;
    TxbResultado r = sessao_.Consultar(
        "SELECT A.ID FROM Z8_DOCTO A" + nl + " INNER JOIN Z8_PARTETPDOC C" + nl +
            " ON C.IDF_TIPDOC = A.IDF_TPDOCTO INNER JOIN Z8_TPDOCTOGER D" + nl +
            " ON D.IDA = C.ID INNER JOIN Z8_MODELODOCT E" + nl +
            " ON E.ID = coalesce(A.IDF_MODELODOCTO, D.IDF_MODELODOCT) WHERE (((A.DATAEMI >= " + de +
            ") AND (A.DATAEMI <= " + ate + ")) OR ((A.DTENTSAI >= " + de +
            ") AND (A.DTENTSAI <= " + ate +
            "))) AND (A.IDF_FILIAL = :FILIAL) AND ((e.CodModelo = '06') or (e.CodModelo = "
            "'28') or (e.CodModelo = '29') or (e.CodModelo = '66')) order by a.DataEmi, a.id",
        {{"FILIAL", cabecalho_.filial}});
    std::vector<int64_t> ids;
    for (const auto& l : r.linhas) ids.push_back(l[0].AsInt64());
    return ids;
  }

  void Pagina(const std::vector<int64_t>& ids) {
    const TPaginaC100 p = CarregarPaginaC100(sessao_, ids);
    std::vector<int64_t> pessoas, tipos;
    for (const auto& [id, d] : p.documentos) {
      pessoas.push_back(d.ident);
      tipos.push_back(d.tipo_documento);
    }
    CarregarParticipantesC100(sessao_, pessoas, participantes_);
    const TComplementosC500 c = CarregarComplementos(sessao_, ids, tipos);
    for (int64_t id : ids) {
      auto it = p.documentos.find(id);
      if (it != p.documentos.end()) Conta(it->second, p, c);
    }
  }

  std::string Participante(int64_t ident) {
    auto it = participantes_.find(ident);
    if (ident <= 0 || it == participantes_.end()) return "";
    const TParticipanteC100& p = it->second;
    std::string codigo = registro_.AcertarConteudo(p.codigo, 10, "N", 0);
    r0150_->IncluirNovo(cabecalho_.id, bloco0_, lista_.bloco0, static_cast<int>(ident), codigo,
                        p.nome, p.pais, p.documento, p.ie, p.municipio, p.suframa, p.logradouro,
                        p.numero, p.complemento, p.bairro, cabecalho_.inicio, cabecalho_.fim, false,
                        id_0140_);
    return codigo;
  }

  // Registers the item (a service with its code of the service list) and
  // its unit in block 0; the item's code and unit.
  std::pair<std::string, std::string> Item(const TItemDocumentoC100& i,
                                           const std::string* codigo_servico) {
    const std::string codigo = CodigoItemDocumento(i.cod_prod, codigo_servico, sem_prefixo_);
    std::string unidade = SubstituirTodos(i.unidade, " ", "");
    r0200_->IncluirNovo(cabecalho_.id, bloco0_, codigo, static_cast<int>(i.produto), i.nome_prod,
                        i.cod_barras, "", i.tipo_item, unidade, i.ncm, i.ex_tipi, i.genero,
                        codigo_servico ? *codigo_servico : "", i.cest, i.icms_aliq,
                        cabecalho_.inicio, cabecalho_.fim, id_0140_, cabecalho_.filial,
                        lista_.bloco0);
    std::string unidade_item = SubstituirTodos(i.unidade, " ", "");
    if (unidade_item.empty()) unidade_item = unidade;
    if (unidades_.insert(unidade_item).second && lista_.Selecionado("0190"))
      r0190_->IncluirNovo(cabecalho_.id, bloco0_, Tipo("0190"), unidade_item, unidade_item,
                          id_0140_);
    return {codigo, unidade_item};
  }

  // The account (0500) of a bill's document type; empty when it has none.
  std::string ContaContabil(int64_t tipo_documento) {
    auto it = contas_.find(tipo_documento);
    if (it != contas_.end()) return it->second;
    return contas_[tipo_documento] = lista_.Selecionado("0500")
                                         ? r0500_->IncluirContaDoTipoDocumento(
                                               cabecalho_.id, bloco0_, Tipo("0500"), tipo_documento)
                                         : "";
  }

  void Conta(const TDocumentoC100& d, const TPaginaC100& p, const TComplementosC500& c) {
    const bool entrada = std::find(std::begin(kEntradas), std::end(kEntradas), d.codigo_interno) !=
                         std::end(kEntradas);
    // An output counts in the month it was issued, an entry in the month it
    // came in.
    if (!entrada && d.emissao < cabecalho_.inicio.DateOf()) return;
    if (entrada && d.entrada_saida > cabecalho_.fim.DateOf()) return;
    // The PIS/COFINS file reports the bills the establishment acquired.
    if (estabelecimento_ && !entrada) return;

    std::vector<TVariant> v(kCamposC500.size());
    auto campo = [&v](const char* nome) -> TVariant& {
      return v[static_cast<size_t>(std::find(kCamposC500.begin(), kCamposC500.end(), nome) -
                                   kCamposC500.begin())];
    };
    const std::string situacao = Th5RegistroEFDC500::SituacaoConta(d.situacao_nf);
    campo("IndOpera") = entrada ? "0" : "1";
    campo("IndEmit") = Th5RegistroEFDC500::IndicadorEmitente(d.tipo_serie);
    campo("CodModel") = d.modelo;
    campo("CodSit") = situacao;
    campo("Serie") = Trim(registro_.AcertarConteudo(Trim(d.serie), 3, "C", 0));
    campo("NroDocto") = registro_.AcertarConteudo(d.numero, 9, "N", 0);
    campo("DataEmi") = FormatarData(d.emissao);
    if (situacao == "02") {
      // A cancelled bill is reported by its identification only.
      Gravar(v, d.id, {}, {}, {});
      return;
    }
    campo("CodPart") = Participante(d.ident);
    campo("DataEntSai") = FormatarData(d.entrada_saida.EhDataZero() ? d.emissao : d.entrada_saida);
    campo("ValDocto") = Arred(d.total);
    campo("ValDesc") = Arred(d.desconto);
    auto livro = c.livros.find(d.id);
    const TComplementosC500::TLivro l =
        livro == c.livros.end() ? TComplementosC500::TLivro{} : livro->second;
    campo("ValFornCons") = Arred(l.fornecimento);
    campo("ValServNT") = Arred(l.servicos_nt);
    campo("ValTerc") = Arred(l.terceiros);
    campo("ValDespAces") = Arred(l.despesas);
    if (d.modelo == "06") {
      auto e = c.energia.find(d.tipo_documento);
      if (e != c.energia.end()) {
        if (e->second.classe != "0") campo("CodCons") = e->second.classe;
        campo("TipoLigacao") = e->second.ligacao;
        campo("CodGrupoTensao") = Th5RegistroEFDC500::RetornarGrupoTensao(e->second.grupo);
      }
    }
    if (d.modelo == "66") {
      auto o = p.outros.find(d.id);
      if (o != p.outros.end()) campo("CHV_DOCe") = Digitos(o->second.chave);
      auto t = c.complementar.find(d.tipo_documento);
      campo("FIN_DOCe") = t != c.complementar.end() && t->second ? "2" : "1";
    }
    auto el = c.eletronica.find(d.id);
    if (el != c.eletronica.end()) {
      const char* nomes[] = {"CHV_DOCe_REF", "IND_DEST",    "COD_MUN_DEST", "COD_MOD_DOC_REF",
                             "HASH_DOC_REF", "SER_DOC_REF", "NUM_DOC_REF",  "MES_DOC_REF",
                             "ENER_INJET",   "OUTRAS_DED"};
      for (size_t i = 0; i < std::size(nomes); ++i) campo(nomes[i]) = el->second[i];
    }

    // Items: the analytic totals by CST, CFOP and rate, the bill's PIS and
    // COFINS, and the C510 rows.
    TAnaliticosC190 totais;
    std::vector<TItemC510> itens;
    TContribuicoesC500 contribuicoes;
    if (estabelecimento_) {
      contribuicoes.conta = ContaContabil(d.tipo_documento);
      auto o = p.outros.find(d.id);
      if (o != p.outros.end() && !Trim(o->second.processo).empty())
        contribuicoes.processo = std::make_pair(
            Trim(o->second.processo),
            Trim(o->second.ind_processo).empty() ? "9" : Trim(o->second.ind_processo));
    }
    // The bill's own taxes open their totals before its items add to them.
    auto tributos = c.tributos.find(d.id);
    if (tributos != c.tributos.end())
      for (const TAnaliticoC190& t : tributos->second) totais.Somar(t);
    double pis = 0, cofins = 0;
    auto somar = [&](const TItemDocumentoC100& i, const std::string* codigo_servico) {
      TAnaliticoC190 a = AnaliticoDoItem(i, Digitos(i.cfop));
      a.reducao = Arred(i.outras + i.isento);
      totais.Somar(a);
      pis = Arred(pis + i.pis_valor);
      cofins = Arred(cofins + i.cofins_valor);
      if (estabelecimento_) {
        contribuicoes.itens.push_back(&i);
        return;
      }
      const auto [codigo, unidade] = Item(i, codigo_servico);
      if (!lista_.Selecionado("C510")) return;
      TItemC510 t;
      t.num_item = std::to_string(i.seq);
      t.cod_item = codigo;
      t.cod_class = "0601";
      // A service is billed by its value only.
      if (!codigo_servico) {
        t.qtde = i.quantidade;
        t.unidade = unidade;
      }
      t.valor = Arred(i.liquido);
      t.desconto = Arred(i.desconto);
      t.cst = a.cst;
      t.cfop = a.cfop;
      t.base = i.icms_base;
      t.aliquota = i.icms_aliq;
      t.icms = i.icms_valor;
      t.base_st = i.st_base;
      t.aliquota_st = i.st_aliq;
      t.st = i.st_valor;
      t.ind_rec = "0";
      t.cod_part = campo("CodPart").AsString();
      t.pis = i.pis_valor;
      t.cofins = i.cofins_valor;
      itens.push_back(std::move(t));
    };
    PercorrerItensDoDocumento(p.itens, c.servicos, d.id, somar);
    double base = 0, icms = 0, base_st = 0, st = 0;
    for (const TAnaliticoC190& t : totais.Totais()) {
      base = Arred(base + t.base);
      icms = Arred(icms + t.icms);
      base_st = Arred(base_st + t.base_st);
      st = Arred(st + t.st);
    }
    campo("BaseCalcICMS") = base;
    campo("ValICMS") = icms;
    campo("BaseCalcSubsTrib") = base_st;
    campo("ValICMSSubsTrib") = st;
    campo("ValPIS") = pis;
    campo("ValCOFINS") = cofins;
    Gravar(v, d.id, itens, totais.Totais(), contribuicoes, ObservacaoDosAjustes(d, p));
  }

  // What the PIS/COFINS model keeps under an acquired bill: its items' PIS
  // and COFINS by CST and rate, with the account of its type, and the
  // process it names.
  struct TContribuicoesC500 {
    std::vector<const TItemDocumentoC100*> itens;
    std::string conta;
    std::optional<std::pair<std::string, std::string>> processo;  // number, origin
  };

  void Gravar(std::vector<TVariant> v, int64_t documento, const std::vector<TItemC510>& itens,
              const std::vector<TAnaliticoC190>& totais, const TContribuicoesC500& contribuicoes,
              TVariant observacao = TVariant()) {
    v.push_back(documento);
    v.push_back(estabelecimento_ ? TVariant(estabelecimento_->id_c010) : TVariant());
    v.push_back(std::move(observacao));
    const int64_t c500 = insercao_->Inserir(bloco_, tipo_c500_, v);
    ++gravadas_;
    if (estabelecimento_) {
      Contribuicoes(c500, contribuicoes);
      return;
    }
    for (const TItemC510& i : itens) c510_->Incluir(bloco_, Tipo("C510"), c500, i);
    sessao_.Progresso("RegistroEFD [C590]");
    for (const TAnaliticoC190& t : totais) c590_->Incluir(bloco_, Tipo("C590"), c500, t, "");
  }

  void Contribuicoes(int64_t c500, const TContribuicoesC500& c) {
    for (const TItemDocumentoC100* i : c.itens) {
      const double valor = Arred(i->liquido);
      const std::string cfop = Digitos(i->cfop).substr(0, 4);
      auto parcela = [&](const std::string& letra, double base, double aliquota, double imposto) {
        TParcelaC500 r;
        r.cst = Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(letra);
        // Only a credit has a nature of its base.
        if (CSTComCredito(r.cst)) r.natureza = NaturezaBaseCredito(cfop);
        r.conta = c.conta;
        r.valor_item = valor;
        r.base = Arred(base);
        r.aliquota = aliquota;
        r.valor = Arred(imposto);
        return r;
      };
      const TParcelaC500 pis = parcela(i->cst_pis, i->pis_base, i->pis_aliq, i->pis_valor);
      const TParcelaC500 cofins =
          parcela(i->cst_cofins, i->cofins_base, i->cofins_aliq, i->cofins_valor);
      if (!pis.cst.empty() && lista_.Selecionado("C501"))
        c501_->Incluir(bloco_, Tipo("C501"), c500, pis);
      if (!cofins.cst.empty() && lista_.Selecionado("C505"))
        c505_->Incluir(bloco_, Tipo("C505"), c500, cofins);
    }
    if (c.processo && lista_.Selecionado("C509")) {
      if (!c509_)
        c509_ = std::make_unique<TxbInsercaoRegistro>(
            sessao_, "C509", std::vector<std::string>{"NUM_PROC", "IND_PROC", "IDF_RegEFDC500"});
      c509_->Inserir(bloco_, Tipo("C509"), {c.processo->first, c.processo->second, c500});
    }
  }

  Th5RegistroEFDC500& registro_;
  TxbSession& sessao_;
  TxbCabecalhoEFD cabecalho_;
  std::optional<TEstabelecimentoC100> estabelecimento_;
  int id_0140_ = 0;  // the establishment's 0140 row, 0 for the ICMS/IPI model
  int tipo_c500_, bloco_, bloco0_;
  TListaRegistros lista_;
  bool sem_prefixo_ = false;
  TTiposRegistro tipos_{sessao_};
  std::set<std::string> unidades_;
  std::map<int64_t, TParticipanteC100> participantes_;
  std::map<int64_t, std::string> contas_;  // document type -> account code
  std::unique_ptr<TxbInsercaoRegistro> insercao_, c509_;
  int gravadas_ = 0;
  std::shared_ptr<Th5RegistroEFD0150> r0150_;
  std::shared_ptr<Th5RegistroEFD0190> r0190_;
  std::shared_ptr<Th5RegistroEFD0200> r0200_;
  std::shared_ptr<Th5RegistroEFD0460> r0460_;
  std::shared_ptr<Th5RegistroEFD0500> r0500_;
  std::shared_ptr<Th5RegistroEFDC501> c501_;
  std::shared_ptr<Th5RegistroEFDC505> c505_;
  std::shared_ptr<Th5RegistroEFDC510> c510_;
  std::shared_ptr<Th5RegistroEFDC590> c590_;
};

// The C597 lines of the page's bills that have an observation of their
// adjustments (second and third columns of the page: document and
// observation), by document: per adjustment code, rate and complementary
// text, the sums of base and ICMS. Only bills of the document standard that
// carries its adjustments have such an observation (ObservacaoDosAjustes).
std::map<int64_t, std::vector<std::string>> LinhasDosAjustes(TxbSession& sessao,
                                                             const TxbResultado& pagina) {
  std::vector<int64_t> documentos;
  for (const auto& l : pagina.linhas)
    if (!Trim(l[2].AsString()).empty()) documentos.push_back(l[1].AsInt64());
  std::map<int64_t, std::vector<std::string>> r;
  if (documentos.empty()) return r;
  for (const auto& l :
       sessao
           .Consultar("SELECT P.IDF_DOCTO, TA.CODAJUSTE, AJ.DESCCOMPL, AJ.ALIQUOTA, "
                      "SUM(AJ.BASE), SUM(AJ.VALOR) FROM Z8_PARTEDOCTO P " +
                      sessao.JuncaoIds("P.IDF_DOCTO", documentos) +
                      "INNER JOIN Z8_TRIBITEM TB ON TB.IDF_DOCTOITEM = P.ID "
                      "INNER JOIN Z8_AJTRIBITDO AJ ON AJ.IDF_TRIBITEM = TB.ID "
                      "INNER JOIN Z8_TABAJVPRDF TA ON TA.ID = AJ.IDF_TABAJVPRDF "
                      "GROUP BY P.IDF_DOCTO, TA.CODAJUSTE, AJ.ALIQUOTA, AJ.DESCCOMPL "
                      "ORDER BY P.IDF_DOCTO, TA.CODAJUSTE, AJ.ALIQUOTA, AJ.DESCCOMPL")
           .linhas)
    r[l[0].AsInt64()].push_back("|C597|" + Trim(l[1].AsString()) + "|" + Trim(l[2].AsString()) +
                                "||" + TextoDoCampo(TVariant(Arred(l[4].AsFloat()))) + "|" +
                                TextoDoCampo(l[3]) + "|" +
                                TextoDoCampo(TVariant(Arred(l[5].AsFloat()))) + "||");
  return r;
}

std::string Unido(const std::vector<TVariant>& linha, size_t quantos) {
  std::string r;
  for (size_t i = 0; i < quantos && i < linha.size(); ++i) r += TextoDoCampo(linha[i]) + "|";
  return r;
}

}  // namespace

std::string Th5RegistroEFDC500::RetornarGrupoTensao(const std::string& codigo) {
  const std::string c = Trim(codigo);
  if (c.empty()) return "01";
  const char p = c[0];
  if (p >= '1' && p <= '9') return std::string("0") + p;
  if (p >= 'A' && p <= 'D') return std::to_string(10 + (p - 'A'));
  return c;
}

std::string Th5RegistroEFDC500::NoLockSql(const TpbBD& bd) {
  return bd.ClassName() == "TpbBDSQLServer" ? "(NOLOCK)" : "";
}

std::string Th5RegistroEFDC500::SituacaoConta(const std::string& situacao_nf) {
  return Trim(situacao_nf) == "1" ? "02" : "00";
}

int Th5RegistroEFDC500::IndicadorEmitente(const std::string& tipo_serie) {
  const std::string t = Trim(tipo_serie);
  return TextoEhInteiro(t) ? static_cast<int>(TextoParaInteiro(t)) - 1 : 0;
}

int Th5RegistroEFDC500::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco,
                                              const std::string& registros,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [C500]");
  if (bloco <= 0) return 0;
  // The PIS/COFINS model's bills are stored by the ERP's components.
  TxbResultado modelo =
      GetSession().Consultar("SELECT MODELO FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  if (modelo.Vazio() || Trim(modelo.linhas[0][0].AsString()) != "1") return 0;
  return TGeracaoC500(*this, id_efd, tipo, bloco, registros).Executar();
}

int GerarC500(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
              const TEstabelecimentoC100& estabelecimento) {
  return GerarDoEstabelecimento<Th5RegistroEFDC500, TGeracaoC500>(sessao, "C500", id_efd, bloco,
                                                                  registros, estabelecimento);
}

int Th5RegistroEFDC500::INTERNO_RetornarQtdReg(int id_efd) {
  const int bloco = IdBloco(id_efd, "Bloco C");
  return bloco == 0 ? 0 : LinhasDoBloco(GetSession(), bloco, "C500");
}

std::string Th5RegistroEFDC500::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro C500");
  TxbResultado efd =
      sessao.Consultar("SELECT MODELO, DATAINICIO FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  // The observations' counters start again with every file, whatever its
  // model: block 9 counts them in both.
  GravarContador("QtdeLinhasBloco_C595", 0);
  GravarContador("QtdeLinhasBloco_C597", 0);
  if (efd.Vazio() || Trim(efd.linhas[0][0].AsString()) != "1") return "";
  const int ano = efd.linhas[0][1].AsDateTime().Ano();
  const size_t campos = ano >= 2022   ? kCamposC500.size()
                        : ano >= 2020 ? kCamposAte2021
                                      : kCamposAte2019;
  const int bloco = IdBloco(id_efd, "Bloco C");
  const int total = bloco == 0 ? 0 : INTERNO_RetornarQtdReg(id_efd);
  if (total == 0) return "";

  TxbLinhasEFD linhas(sessao);
  // Bills are the block's first lines when the branch has no goods
  // document nor fiscal printer: the block opens here then.
  if (LerContador("QtdeLinhasBloco_C") == 0) linhas.AdicionarPronta("|C001|0|");
  const TxbFamilia& familia = TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFDC500");
  std::string colunas = "A.ID, A.IDF_DOCTO, A.CODOBSAJUSTES";
  for (const std::string& campo : kCamposC500) colunas += ", A." + familia.Atributo(campo)->coluna;
  const size_t por_pagina = LinhasPorJanela();
  const std::string pagina = sessao.GetBD().LimitarLinhas(
      "SELECT " + colunas + " FROM Z8_REGEFDC500 A WHERE A.ID > :ULTIMO AND " + kRegistroDoBloco +
          " ORDER BY A.ID",
      static_cast<int>(por_pagina) + 1);
  const std::vector<std::string> campos_c510 = Th5RegistroEFDC510::CamposDaLinha();
  const std::vector<std::string> campos_c590 = Th5RegistroEFDC590::CamposDaLinha();
  TxbFilhosPorPai c510, c590;
  int feitas = 0;
  int64_t ultimo = 0;
  for (;;) {
    TxbResultado r = sessao.Consultar(pagina, {{"BLOCO", bloco}, {"ULTIMO", ultimo}});
    if (r.Vazio()) break;
    const bool mais = r.linhas.size() > por_pagina;
    const int64_t primeiro = r.linhas.front()[0].AsInt64();
    // The children of a page were stored after its first bill and before
    // the first bill of the next page.
    const int64_t limite = mais ? r.linhas.back()[0].AsInt64() - 1 : kMaiorId;
    if (mais) r.linhas.pop_back();
    c510.Carregar(sessao, bloco, "C510", "IDF_RegEFDC500", primeiro, limite, campos_c510);
    c590.Carregar(sessao, bloco, "C590", "IDF_RegEFDC500", primeiro, limite, campos_c590);
    const std::map<int64_t, std::vector<std::string>> ajustes = LinhasDosAjustes(sessao, r);
    for (auto& l : r.linhas) {
      const int64_t id = l[0].AsInt64();
      AtualizarAvanco(id_efd, "C500", static_cast<size_t>(++feitas), static_cast<size_t>(total));
      linhas.AdicionarPronta("|C500|" +
                             Unido(std::vector<TVariant>(l.begin() + 3, l.end()), campos));
      for (const auto& f : c510.De(id))
        linhas.AdicionarPronta("|C510|" + Unido(f.valores, f.valores.size()));
      for (const auto& f : c590.De(id))
        linhas.AdicionarPronta("|C590|" + Unido(f.valores, f.valores.size()));
      const std::string observacao = Trim(l[2].AsString());
      if (!observacao.empty()) {
        linhas.AdicionarPronta("|C595|" + observacao + "||");
        SomarContador("QtdeLinhasBloco_C595", 1);
        auto a = ajustes.find(l[1].AsInt64());
        if (a != ajustes.end())
          for (const std::string& c597 : a->second) {
            linhas.AdicionarPronta(c597);
            SomarContador("QtdeLinhasBloco_C597", 1);
          }
      }
      ultimo = id;
    }
    if (!mais) break;
  }
  SomarContador("QtdeLinhasBloco_C", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
