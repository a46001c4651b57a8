#include "registers/blockD/referenciasd.h"

#include <algorithm>

#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0190.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/block0/uh5registroefd0450.h"
#include "registers/block0/uh5registroefd0460.h"
#include "registers/block0/uh5registroefd0500.h"

namespace efd {
namespace {

// The registers of block 0 that the insertions consult the list for.
// Entry standards of every service document, and those only transport
// documents count as entries.
constexpr int kEntradas[] = {13, 32, 42, 118, 119, 122};
constexpr int kEntradasTransporte[] = {12, 134};
// The registers of block D that the PIS/COFINS model's documents carry.
const std::string kContribuicoesD[] = {"D101", "D105", "D200", "D201", "D205",
                                       "D501", "D505", "D600", "D601", "D605"};

// Brazil's code in the central bank's table of countries.
constexpr int kBrasil = 1058;

// A participant code of kind "N": trimmed, without separators.
std::string CodigoNumerico(const std::string& codigo) {
  std::string r;
  for (char c : Trim(codigo))
    if (std::string_view(" (),-./\\").find(c) == std::string_view::npos) r += c;
  return r.empty() ? "0" : r;
}

std::vector<int64_t> SelecionarServicos(TxbSession& sessao, int filial, TDateTime inicio,
                                        TDateTime fim, const std::string& modelos) {
  const TpbBD& bd = sessao.GetBD();
  const std::string de = bd.LiteralData(inicio.DateOf()), ate = bd.LiteralData(fim.DateOf());
  TxbResultado r = sessao.Consultar(
      "SELECT A.ID FROM Z8_DOCTO A INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = A.IDF_TPDOCTO "
      "INNER JOIN Z8_TPDOCTOGER D ON D.IDA = C.ID "
      "INNER JOIN Z8_MODELODOCT E ON E.ID = coalesce(A.IDF_MODELODOCTO, D.IDF_MODELODOCT) "
      "WHERE (((A.DATAEMI >= " +
      de + ") AND (A.DATAEMI <= " + ate + ")) OR ((A.DTENTSAI >= " + de +
      ") AND (A.DTENTSAI <= " + ate + "))) AND (A.IDF_FILIAL = " + std::to_string(filial) +
      ") AND (A.SITUACAO = '1') AND E.CODMODELO in (" + modelos + ") ORDER BY A.DATAEMI, A.ID");
  std::vector<int64_t> ids;
  for (const auto& l : r.linhas) ids.push_back(l[0].AsInt64());
  return ids;
}

std::set<int64_t> Complementares(TxbSession& sessao, const std::vector<int64_t>& ids) {
  std::set<int64_t> r;
  if (ids.empty()) return r;
  for (const auto& l : sessao
                           .Consultar("SELECT A.ID, H.NFCOMPLEMENTAR FROM Z8_DOCTO A " +
                                      sessao.JuncaoIds("A.ID", ids) +
                                      "INNER JOIN Z8_TIPDOC H ON H.ID = A.IDF_TPDOCTO")
                           .linhas)
    if (!l[1].IsNull() && (UpperCase(Trim(l[1].AsString())) == "T" || Trim(l[1].AsString()) == "1"))
      r.insert(l[0].AsInt64());
  return r;
}

// The class of communication items that the families of their products and
// of their services give them, by item.
std::map<int64_t, std::string> ClassesDosItens(TxbSession& sessao,
                                               const std::vector<int64_t>& documentos) {
  std::map<int64_t, std::string> r;
  for (const auto& l :
       sessao
           .Consultar("SELECT I.ID, COALESCE(F.CODCLASSPEDD510, FS.CODCLASSPEDD510) FROM "
                      "Z8_PARTEDOCTO P " +
                      sessao.JuncaoIds("P.IDF_DOCTO", documentos) +
                      "INNER JOIN Z8_DOCTOITEM I ON I.IDA = P.ID "
                      "LEFT JOIN Z8_PROD PR ON PR.ID = I.IDF_PROD "
                      "LEFT JOIN Z8_FAMILIA F ON F.ID = PR.IDF_FAMILIA "
                      "LEFT JOIN Z8_SERVICO S ON S.ID = I.IDF_SERVICO "
                      "LEFT JOIN Z8_FAMSERVICO FS ON FS.ID = S.IDF_FAMSERVICO "
                      "WHERE F.CODCLASSPEDD510 IS NOT NULL OR FS.CODCLASSPEDD510 IS NOT NULL")
           .linhas)
    if (!Trim(l[1].AsString()).empty()) r[l[0].AsInt64()] = Trim(l[1].AsString());
  return r;
}

}  // namespace

std::map<int64_t, TLivroD> CarregarLivrosD(TxbSession& sessao, const std::vector<int64_t>& ids) {
  std::map<int64_t, TLivroD> r;
  if (ids.empty()) return r;
  for (const auto& l : sessao
                           .Consultar("SELECT L.IDF_DOCTO, L.VALFORNECCONSUM, L.VALSERVNAOTRIB, "
                                      "L.VALNOMETERC, L.VALDESPACES FROM Z8_REGLIVRO L " +
                                      sessao.JuncaoIds("L.IDF_DOCTO", ids))
                           .linhas)
    r[l[0].AsInt64()] = {l[1].AsFloat(), l[2].AsFloat(), l[3].AsFloat(), l[4].AsFloat()};
  return r;
}

const TLivroD* LivroDe(const std::map<int64_t, TLivroD>& livros, int64_t documento) {
  auto it = livros.find(documento);
  return it == livros.end() ? nullptr : &it->second;
}

TValoresD ValoresD(const TDocumentoC100& d, const TLivroD* livro) {
  if (livro)
    return {livro->fornecimento, livro->fornecimento, livro->nao_tributado, livro->terceiros,
            livro->despesas};
  return {d.total, d.servicos > 0 ? d.servicos : d.total, 0, 0, 0};
}

std::string OperacaoDoPadraoD(int codigo, bool transporte) {
  const bool entrada =
      std::find(std::begin(kEntradas), std::end(kEntradas), codigo) != std::end(kEntradas) ||
      (transporte && std::find(std::begin(kEntradasTransporte), std::end(kEntradasTransporte),
                               codigo) != std::end(kEntradasTransporte));
  return entrada ? "0" : "1";
}

bool OperacaoNoFiltro(const std::string& ind_oper, const std::string& operacao) {
  return !((ind_oper == "1" && operacao != "0") || (ind_oper == "2" && operacao != "1"));
}

int EmitenteDaSerie(const std::string& tipo_serie) {
  const std::string t = Trim(tipo_serie);
  return TextoEhInteiro(t) ? static_cast<int>(TextoParaInteiro(t)) - 1 : 0;
}

std::string NumeroDocumentoD(const std::string& numero) {
  return PreencherZerosEsquerda(Digitos(numero), 9);
}

std::string CfopD(const std::string& cfop) {
  return Digitos(cfop).substr(0, 4);
}

TAnaliticoD AnaliticoDoItemD(const TItemDocumentoC100& i) {
  return AnaliticoDoItem(i, CfopD(i.cfop));
}

TReferenciasD::TReferenciasD(TxbSession& sessao, int id_efd, int bloco,
                             const std::string& registros,
                             std::optional<TEstabelecimentoD> estabelecimento)
    : sessao_(sessao),
      cabecalho_(LerCabecalhoEFD(sessao, id_efd)),
      estabelecimento_(estabelecimento),
      bloco_(bloco) {
  if (estabelecimento_) {
    cabecalho_.filial = estabelecimento_->filial;
    id_0140_ = estabelecimento_->id_0140;
  }
  const TListaRegistros lista(registros);
  registros_ = lista.codigos;
  lista_bloco0_ = lista.bloco0;
  bloco0_ = IdBloco0(sessao_, id_efd);
  TxbResultado efd =
      sessao_.Consultar("SELECT INDOPER FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  if (!efd.Vazio() && !efd.linhas[0][0].IsNull()) ind_oper_ = Trim(efd.linhas[0][0].AsString());
  TxbAplicacao& app = Aplicacao();
  r0150_ = app.CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", sessao_);
  r0190_ = app.CriarComo<Th5RegistroEFD0190>("RegistroEFD0190", sessao_);
  r0200_ = app.CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", sessao_);
  r0450_ = app.CriarComo<Th5RegistroEFD0450>("RegistroEFD0450", sessao_);
  r0460_ = app.CriarComo<Th5RegistroEFD0460>("RegistroEFD0460", sessao_);
  r0500_ = app.CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", sessao_);
  sem_prefixo_ = r0200_->GerarProdSemPrefixo(cabecalho_.empresa, cabecalho_.inicio, cabecalho_.fim);
}

TReferenciasD::~TReferenciasD() {
  for (std::shared_ptr<ThbObjetoNegocio> o :
       std::initializer_list<std::shared_ptr<ThbObjetoNegocio>>{r0150_, r0190_, r0200_, r0450_,
                                                                r0460_, r0500_})
    if (o) Aplicacao().Destruir(o);
}

TVariant TReferenciasD::IdD010() {
  return estabelecimento_ ? TVariant(estabelecimento_->d010()) : TVariant();
}

bool TReferenciasD::Selecionado(const std::string& codigo) const {
  if (!registros_.empty() && !registros_.count(codigo)) return false;
  // The PIS/COFINS model shares codes of block D with other meanings, and
  // has no 0460.
  if (estabelecimento_ &&
      (codigo == "0460" ||
       (codigo[0] == 'D' && std::find(std::begin(kContribuicoesD), std::end(kContribuicoesD),
                                      codigo) == std::end(kContribuicoesD))))
    return false;
  // A register the application does not know is not generated.
  return Aplicacao().ChecarFamiliaRegistrada("RegistroEFD" + codigo);
}

int TReferenciasD::Tipo(const std::string& codigo) {
  return tipos_(codigo[0] == '0' ? bloco0_ : bloco_, codigo);
}

int64_t TReferenciasD::Inserir(const std::string& codigo, const std::vector<std::string>& campos,
                               const std::vector<TVariant>& valores) {
  auto& i = insercoes_[codigo];
  if (!i) i = std::make_unique<TxbInsercaoRegistro>(sessao_, codigo, campos);
  return i->Inserir(bloco_, Tipo(codigo), valores);
}

void TReferenciasD::CarregarParticipantes(const std::vector<int64_t>& idents) {
  CarregarParticipantesC100(sessao_, idents, participantes_);
}

std::string TReferenciasD::Participante(int64_t ident) {
  auto feito = codigos_participantes_.find(ident);
  if (feito != codigos_participantes_.end()) return feito->second;
  if (ident > 0 && !participantes_.count(ident)) CarregarParticipantes({ident});
  auto it = participantes_.find(ident);
  if (ident <= 0 || it == participantes_.end()) return "";
  const TParticipanteC100& p = it->second;
  std::string codigo = PreencherZerosEsquerda(CodigoNumerico(p.codigo), 10);
  r0150_->IncluirNovo(cabecalho_.id, bloco0_, lista_bloco0_, static_cast<int>(ident), codigo,
                      p.nome, p.pais, p.documento, p.ie, p.municipio, p.suframa, p.logradouro,
                      p.numero, p.complemento, p.bairro, cabecalho_.inicio, cabecalho_.fim, false,
                      id_0140_);
  return codigos_participantes_[ident] = codigo;
}

std::string TReferenciasD::MunicipioDe(int64_t ident) {
  if (ident > 0 && !participantes_.count(ident)) CarregarParticipantes({ident});
  auto it = participantes_.find(ident);
  return it == participantes_.end() ? "" : it->second.municipio;
}

bool TReferenciasD::NoExterior(int64_t ident) {
  if (ident > 0 && !participantes_.count(ident)) CarregarParticipantes({ident});
  auto it = participantes_.find(ident);
  if (it == participantes_.end()) return false;
  const std::string pais = Digitos(it->second.pais);
  return !pais.empty() && TextoParaInteiroDef(pais, 0) != kBrasil;
}

std::string TReferenciasD::MunicipioDaFilial() {
  if (!municipio_filial_.empty()) return municipio_filial_;
  TxbResultado r = sessao_.Consultar(
      "SELECT C.GEOCODIGO FROM Z8_FILIAL F INNER JOIN KLVG_PAPELREL P ON P.ID = F.IDF_PAPELREL "
      "INNER JOIN KLVG_IDENT I ON I.ID = P.IDF_IDENT INNER JOIN KLVG_ENDER E ON E.ID = I.IDF_ENDER "
      "INNER JOIN KLVG_CID C ON C.ID = E.IDF_CID WHERE F.ID = :FILIAL",
      {{"FILIAL", cabecalho_.filial}});
  if (!r.Vazio() && !r.linhas[0][0].IsNull()) municipio_filial_ = Trim(r.linhas[0][0].AsString());
  return municipio_filial_;
}

std::string TReferenciasD::Item(const TItemDocumentoC100& i, const std::string* codigo_servico,
                                std::string* unidade_item) {
  const std::string codigo = CodigoItemDocumento(i.cod_prod, codigo_servico, sem_prefixo_);
  std::string unidade = SubstituirTodos(i.unidade, " ", "");
  r0200_->IncluirNovo(cabecalho_.id, bloco0_, codigo, static_cast<int>(i.produto), i.nome_prod,
                      i.cod_barras, "", i.tipo_item, unidade, i.ncm, i.ex_tipi, i.genero,
                      codigo_servico ? *codigo_servico : "", i.cest, i.icms_aliq, cabecalho_.inicio,
                      cabecalho_.fim, id_0140_, cabecalho_.filial, lista_bloco0_);
  const std::string do_documento = SubstituirTodos(i.unidade, " ", "");
  const std::string u = do_documento.empty() ? unidade : do_documento;
  if (!u.empty() && unidades_.insert(u).second && Selecionado("0190"))
    r0190_->IncluirNovo(cabecalho_.id, bloco0_, Tipo("0190"), u, u, id_0140_);
  if (unidade_item) *unidade_item = u;
  return CodigoItemNoArquivo(codigo);
}

std::string TReferenciasD::Informacao(const std::string& texto) {
  const std::string linha = Trim(texto);
  if (linha.empty() || !Selecionado("0450")) return "";
  const std::string chave = TextoInformacao0450(linha);
  auto it = informacoes_.find(chave);
  if (it != informacoes_.end()) return it->second;
  const TxbAtributo* coluna =
      TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD0450").Atributo("Texto");
  const std::string cabe = coluna && coluna->tamanho > 0
                               ? CopiarUtf8(chave, static_cast<size_t>(coluna->tamanho))
                               : chave;
  const int codigo = r0450_->IncluirNovo(cabecalho_.id, bloco0_, Tipo("0450"), cabe, id_0140_);
  return informacoes_[chave] = std::to_string(codigo);
}

std::string TReferenciasD::Observacao(const std::string& texto) {
  const std::string linha = Trim(texto);
  if (linha.empty()) return "";
  auto it = observacoes_.find(linha);
  if (it != observacoes_.end()) return it->second;
  const int codigo = r0460_->Incluir(cabecalho_.id, bloco0_, Tipo("0460"), linha, 0);
  return observacoes_[linha] = std::to_string(codigo);
}

std::string TReferenciasD::Conta(int64_t tipo_documento) {
  auto it = contas_.find(tipo_documento);
  if (it != contas_.end()) return it->second;
  return contas_[tipo_documento] = Selecionado("0500")
                                       ? r0500_->IncluirContaDoTipoDocumento(
                                             cabecalho_.id, bloco0_, Tipo("0500"), tipo_documento)
                                       : "";
}

void PercorrerServicosD(TxbSession& sessao, TReferenciasD& refs, const std::string& modelos,
                        const std::function<void(const TServicoD&)>& f) {
  constexpr size_t kPorPagina = 500;
  const TxbCabecalhoEFD& c = refs.Cabecalho();
  const std::vector<int64_t> ids = SelecionarServicos(sessao, c.filial, c.inicio, c.fim, modelos);
  for (size_t i = 0; i < ids.size(); i += kPorPagina) {
    const std::vector<int64_t> pagina(
        ids.begin() + static_cast<ptrdiff_t>(i),
        ids.begin() + static_cast<ptrdiff_t>(std::min(ids.size(), i + kPorPagina)));
    const TPaginaC100 p = CarregarPaginaC100(sessao, pagina);
    const std::set<int64_t> complementares = Complementares(sessao, pagina);
    const std::map<int64_t, TLivroD> livros = CarregarLivrosD(sessao, pagina);
    const std::map<int64_t, std::string> classes = ClassesDosItens(sessao, pagina);
    const TItensServico servicos = CarregarItensServico(sessao, pagina, c.filial);
    std::vector<int64_t> pessoas;
    for (const auto& [id, d] : p.documentos) pessoas.push_back(d.ident);
    refs.CarregarParticipantes(pessoas);
    for (int64_t id : pagina) {
      auto it = p.documentos.find(id);
      if (it == p.documentos.end()) continue;
      const TDocumentoC100& d = it->second;
      const std::string operacao = OperacaoDoPadraoD(d.codigo_interno, false);
      if (!OperacaoNoFiltro(refs.IndOper(), operacao)) continue;
      if (operacao == "1" && d.emissao < c.inicio.DateOf()) continue;
      if (operacao == "0" && d.entrada_saida > c.fim.DateOf()) continue;
      f({d, p, operacao, complementares.count(id) > 0, LivroDe(livros, id), classes, servicos});
    }
  }
}

}  // namespace efd
