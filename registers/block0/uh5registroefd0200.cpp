#include "registers/block0/uh5registroefd0200.h"

#include <fmt/format.h>

#include <algorithm>

#include "control/linhaefd.h"
#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "registers/block0/uh5registroefd0190.h"
#include "registers/block0/uh5registroefd0205.h"
#include "registers/block0/uh5registroefd0206.h"
#include "registers/block0/uh5registroefd0220.h"

namespace efd {
namespace {

// The ERP's message table: what a product without a standard stock unit
// is told.
constexpr int kTextoSemUnidade = 11001;
constexpr int kTextoCadastrarUnidade = 11002;

// 0200's fields in the order written; the CEST from 2017.
const std::vector<std::string> kCamposDaLinha = {"Codigo",  "Descricao", "CodBarras", "CodAnt",
                                                 "CodUnid", "TipoItem",  "NCM",       "CodTIPI",
                                                 "CodGen",  "CodServ",   "AliqICMS",  "CodCest"};

void RegistrarTextos() {
  static const bool registrados = [] {
    Aplicacao().RegistrarTexto(kTextoSemUnidade, "Produto sem unidade padrão de estoque.");
    Aplicacao().RegistrarTexto(kTextoCadastrarUnidade,
                               "Informe a unidade padrão de estoque no cadastro do produto.");
    return true;
  }();
  (void)registrados;
}

// A text cut to the size of the register's column, as a direct INSERT needs.
std::string Cortar(const TxbFamilia& familia, const char* campo, const std::string& valor) {
  const TxbAtributo* a = familia.Atributo(campo);
  return a && a->tamanho > 0 ? CopiarUtf8(valor, static_cast<size_t>(a->tamanho)) : valor;
}

TVariant TextoOuNulo(const std::string& s) {
  return s.empty() ? TVariant() : TVariant(s);
}

// "###,###,##0.0000": thousands with ".", four decimals after the comma.
std::string FormatarFator(double fator) {
  const std::string texto = FormatarMascara(fator, "0.0000");
  const size_t virgula = texto.find(kSeparadorDecimal);
  std::string inteiro = texto.substr(0, virgula);
  const bool negativo = !inteiro.empty() && inteiro[0] == '-';
  if (negativo) inteiro.erase(0, 1);
  std::string agrupado;
  for (size_t i = 0; i < inteiro.size(); ++i) {
    if (i > 0 && (inteiro.size() - i) % 3 == 0) agrupado += '.';
    agrupado += inteiro[i];
  }
  return (negativo ? "-" : "") + agrupado + texto.substr(virgula);
}

constexpr const char* kInsertRegistro =
    "INSERT INTO Z8_REGEFD (ID, FD, IDF_BLOCOSEFD, IDF_TIPOREGEFD, REGISTRO) "
    "VALUES (:ID, :FD, :IDF_BLOCOSEFD, :IDF_TIPOREGEFD, :REGISTRO)";
constexpr const char* kInsertItem =
    "INSERT INTO Z8_REGEFD0200 (ID, IDA, IDF_REGEFD0140, CODIGO, DESCRICAO, CODBARRAS, CODANT, "
    "TIPOITEM, NCM, CODTIPI, CODGEN, CODSERV, ALIQICMS, CODUNID, CODCEST) VALUES (:ID, :IDA, "
    ":IDF_REGEFD0140, :CODIGO, :DESCRICAO, :CODBARRAS, :CODANT, :TIPOITEM, :NCM, :CODTIPI, "
    ":CODGEN, :CODSERV, :ALIQICMS, :CODUNID, :CODCEST)";

}  // namespace

std::string CodigoItemNoArquivo(const std::string& codigo) {
  return SubstituirTodos(codigo, "|", "(PIPE)");
}

std::string Th5RegistroEFD0200::RetornarTipoItemPeloIndice(const std::string& letra) {
  const std::string l = UpperCase(Trim(letra));
  if (l.empty()) return "  ";
  if (l.size() == 1 && l[0] >= 'A' && l[0] <= 'K')
    return PreencherZerosEsquerda(std::to_string(l[0] - 'A'), 2);
  return "99";
}

void Th5RegistroEFD0200::CreateKLV() {
  Th0RegistroEFD0200::CreateKLV();
  RegistrarTextos();
  // The items of the generation, answered from memory.
  itens_ = std::make_unique<ThbClientDataSet>();
  itens_->AdicionarCampo("RegEFD0200_IDF_RegEFD0140", TTipoCampo::Inteiro);
  itens_->AdicionarCampo("RegEFD0200_ID", TTipoCampo::Inteiro);
  itens_->AdicionarCampo("RegEFD0200_Codigo", TTipoCampo::Texto);
  itens_->AdicionarCampo("RegEFD0200_CodUnid", TTipoCampo::Texto);
  itens_->CreateDataSet();
  itens_->AddIndex("idx_0200", "RegEFD0200_IDF_RegEFD0140;RegEFD0200_Codigo");
  itens_->SetIndexName("idx_0200");
}

void Th5RegistroEFD0200::DestroyKLV() {
  for (auto objeto : std::initializer_list<std::shared_ptr<ThbObjetoNegocio>>{
           unidades_, anteriores_, combustiveis_, conversoes_})
    if (objeto) Aplicacao().Destruir(objeto);
  unidades_.reset();
  anteriores_.reset();
  combustiveis_.reset();
  conversoes_.reset();
  Th0RegistroEFD0200::DestroyKLV();
}

Th5RegistroEFD0200::TGeracao& Th5RegistroEFD0200::Geracao(int id_efd, int bloco) {
  if (!geracao_ || geracao_->cabecalho.id != id_efd) {
    geracao_ = std::make_unique<TGeracao>();
    geracao_->cabecalho = LerCabecalhoEFD(GetSession(), id_efd);
    geracao_->bloco = IdBloco0(GetSession(), id_efd);
    geracao_->tipo_0190 = IdTipoRegistro(GetSession(), geracao_->bloco, "0190");
    // Conversions that other objects of the generation stored.
    TxbResultado r = GetSession().Consultar(
        "SELECT A.IDF_REGEFD0200, A.UNIDCONV FROM Z8_REGEFD0220 A "
        "INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
        "INNER JOIN Z8_BLOCOSEFD C ON C.ID = B.IDF_BLOCOSEFD WHERE C.IDF_EFD = :ID_EFD",
        {{"ID_EFD", id_efd}});
    for (const auto& l : r.linhas)
      geracao_->conversoes.insert({l[0].AsInteger(), Trim(l[1].AsString())});
  }
  if (bloco > 0) geracao_->bloco = bloco;
  if (geracao_->bloco <= 0) throw EErro("Necessário selecionar o bloco 0 !!");
  return *geracao_;
}

void Th5RegistroEFD0200::CarregarItens(int id_efd) {
  TxbResultado r = GetSession().Consultar(
      "SELECT A.IDF_REGEFD0140, A.ID, A.CODIGO, A.CODUNID FROM Z8_REGEFD0200 A "
      "INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "INNER JOIN Z8_BLOCOSEFD C ON C.ID = B.IDF_BLOCOSEFD WHERE C.IDF_EFD = :ID_EFD",
      {{"ID_EFD", id_efd}});
  std::vector<std::vector<TVariant>> linhas;
  linhas.reserve(r.linhas.size());
  for (const auto& l : r.linhas)
    linhas.push_back({TVariant(l[0].AsInt64()), TVariant(l[1].AsInt64()),
                      TVariant(Trim(l[2].AsString())), TVariant(Trim(l[3].AsString()))});
  itens_->Carregar(std::move(linhas));
  efd_itens_ = id_efd;
}

ThbClientDataSet& Th5RegistroEFD0200::AtivarOcorrenciasProduto(TDateTime inicio, TDateTime fim) {
  std::shared_ptr<ThbObjetoNegocio> empresa = GetSessionZ8().ObjetoEmpresaSessao();
  if (!empresa) throw EErro("A sessão não tem o objeto da empresa (família Empresa)");
  if (auto cache = empresa->RetornarInstanciaAgregada("OcoAltProduto"))
    return cache->GetDados().GetCDS();
  auto ocorrencias = Aplicacao().Criar("OcoAlteracaoProd", GetSession());
  // Changes that ended on any day of the period: DTFIN is the day after it.
  TxbResultado r = GetSession().Consultar(
      std::string(
          "SELECT IDF_PRODUTO, CODANT, DESCRICAOANT, DATAINI, DATAFIM FROM Z8_OCOALTPROD ") +
          "WHERE (DATAFIM >= :DTINI) " + "AND (DATAFIM < :DTFIN) " + "AND (TIPOALTERACAO <> 'A') " +
          "AND (TIPOALTERACAO <> 'I') " +
          "AND (DESCRICAOANT IS NULL OR not(DESCRICAOANT like 'Copia%'))",
      {{"DTINI", inicio.DateOf()}, {"DTFIN", TDateTime(fim.DateOf().dias + 1)}});
  std::vector<std::vector<TVariant>> linhas;
  linhas.reserve(r.linhas.size());
  for (const auto& l : r.linhas)
    linhas.push_back({TVariant(l[0].AsInt64()), TVariant(Trim(l[1].AsString())),
                      TVariant(Trim(l[2].AsString())), TVariant(l[3].AsDateTime()),
                      TVariant(l[4].AsDateTime())});
  ThbClientDataSet& cds = ocorrencias->GetDados().GetCDS();
  cds.DefinirCampos({{"IDF_PRODUTO", TTipoCampo::Inteiro, 0},
                     {"CODANT", TTipoCampo::Texto, 0},
                     {"DESCRICAOANT", TTipoCampo::Texto, 0},
                     {"DATAINI", TTipoCampo::Data, 0},
                     {"DATAFIM", TTipoCampo::Data, 0}});
  cds.Carregar(std::move(linhas));
  cds.SetIndexFieldNames("IDF_PRODUTO;DATAFIM");
  empresa->AdicionarInstanciaAgregada("OcoAltProduto", ocorrencias);
  return cds;
}

bool Th5RegistroEFD0200::GerarProdSemPrefixo(int empresa, TDateTime inicio, TDateTime fim) {
  TxbResultado r = GetSession().Consultar(
      "select A.GERARPRODSEMPREFIXO from Z8_PEMPGERAL A "
      "  INNER JOIN Z8_PAREMP B "
      " ON B.ID = A.IDA "
      " WHERE (B.IDF_EMPRESA = :EMPRESA) AND "
      " (B.DATAINICIAL <= :DTINI) AND "
      " (B.DATAFINAL >= :DTFIN) AND "
      " (B.SITUACAO = '1') "
      " ORDER BY B.DATAINICIAL DESC",
      {{"EMPRESA", empresa}, {"DTINI", inicio.DateOf()}, {"DTFIN", fim.DateOf()}});
  return !r.Vazio() && Trim(r.linhas[0][0].AsString()) == "T";
}

double Th5RegistroEFD0200::RetornarAliqIcmsEstFilial(int id_efd, int filial) {
  const TxbCabecalhoEFD c = LerCabecalhoEFD(GetSession(), id_efd);
  // The branch's own state is the state of its legal person's address.
  TxbResultado r = GetSession().Consultar(
      "SELECT A.ALIQVENDACONTRIB FROM Z8_ALIQICMS A "
      "INNER JOIN Z8_TRIBUFICMS B ON B.ID = A.IDF_TRIBUFICMS "
      "INNER JOIN Z8_TPALIQICMS C ON C.ID = A.IDF_TPALIQICMS "
      "INNER JOIN Z8_FILIAL D ON D.ID = B.IDF_FILIAL "
      "INNER JOIN KLVG_PAPELREL E ON E.ID = D.IDF_PAPELREL "
      "INNER JOIN KLVG_IDENT F ON F.ID = E.IDF_IDENT "
      "INNER JOIN KLVG_ENDER G ON G.ID = F.IDF_ENDER "
      "INNER JOIN KLVG_CID H ON H.ID = G.IDF_CID "
      "WHERE C.DESCRICAO = 'Normal' AND B.IDF_FILIAL = :FILIAL AND B.IDF_UF = H.IDF_UF "
      "AND (B.DATAINICIO IS NULL OR B.DATAINICIO <= :DTINI) AND B.DATAFINAL >= :DTFIN "
      "ORDER BY B.DATAINICIO DESC",
      {{"FILIAL", filial}, {"DTINI", c.inicio.DateOf()}, {"DTFIN", c.fim.DateOf()}});
  return r.Vazio() ? 0.0 : r.linhas[0][0].AsFloat();
}

Th5RegistroEFD0200::TItem Th5RegistroEFD0200::MontarItem(
    int id_0140, const std::string& codigo, const std::string& letra, const std::string& descricao,
    const std::string& cod_barras, const std::string& cod_ant, const std::string& ncm,
    const std::string& tipi, const std::string& genero, const std::string& cod_serv,
    const std::string& cest) {
  TItem item;
  item.id_0140 = id_0140;
  item.codigo = codigo;
  item.descricao = descricao;
  item.cod_barras = cod_barras;
  item.cod_ant = cod_ant;
  item.tipo_item = RetornarTipoItemPeloIndice(letra);
  item.ncm = CopiarUtf8(Trim(ncm), 8);
  if (item.ncm == "99999999") item.ncm = "00000000";
  item.tipi = tipi;
  item.genero = genero;
  // The service of the federal list without its leading zeros ("0107" is
  // 107); none for "0", "0000" or nothing. Separators do not count.
  const std::string servico = CopiarUtf8(LimparConteudo(cod_serv), 4);
  if (!TextoEhInteiro(servico))
    item.cod_serv = servico;
  else if (TextoParaInteiro(servico) > 0)
    item.cod_serv = std::to_string(TextoParaInteiro(servico));
  item.cest = Trim(cest);
  return item;
}

const std::vector<Th5RegistroEFD0200::TUnidadeProduto>* Th5RegistroEFD0200::UnidadesEmMemoria(
    TGeracao& g, int id_produto) {
  // Past this many products read one by one, one query for all of them
  // costs less than the queries still to come.
  constexpr int kLimite = 200;
  if (!g.unidades_carregadas && ++g.consultas_unidade > kLimite) {
    g.unidades_carregadas = true;
    TxbResultado r = GetSession().Consultar(
        "SELECT A.IDF_PROD, A.UNIDADEPADRAOEST, A.FATORCONV, A.CODBARRAS, B.CODIGO, B.NOME, "
        "B.TPCALCULO FROM Z8_UNPROD A "
        "INNER JOIN Z8_UNIDADE B ON B.ID = A.IDF_UNIDADE "
        "INNER JOIN Z8_PROD C ON C.ID = A.IDF_PROD "
        "WHERE C.IDF_EMPRESA = :EMPRESA ORDER BY A.ID",
        {{"EMPRESA", g.cabecalho.empresa}});
    for (const auto& l : r.linhas)
      g.unidades[l[0].AsInt64()].push_back({Trim(l[4].AsString()), Trim(l[5].AsString()),
                                            Trim(l[6].AsString()), Trim(l[3].AsString()),
                                            l[2].AsFloat(), Trim(l[1].AsString()) == "T"});
  }
  if (!g.unidades_carregadas) return nullptr;
  // A product of another company is read alone.
  auto it = g.unidades.find(id_produto);
  return it == g.unidades.end() ? nullptr : &it->second;
}

std::string Th5RegistroEFD0200::UnidadeDoItem(TGeracao& g, int id_produto,
                                              const std::string& tipo_letra,
                                              const std::string& codigo,
                                              const std::string& descricao, int id_0140) {
  std::pair<std::string, std::string> unidade{"Serv", "Serviço"};
  const std::vector<TUnidadeProduto>* em_memoria =
      tipo_letra == "J" ? nullptr : UnidadesEmMemoria(g, id_produto);
  if (em_memoria) {
    auto padrao = std::find_if(em_memoria->begin(), em_memoria->end(),
                               [](const TUnidadeProduto& u) { return u.padrao; });
    if (padrao == em_memoria->end())
      throw EErro(Aplicacao().ObterTexto(kTextoSemUnidade) + " " +
                  Aplicacao().ObterTexto(kTextoCadastrarUnidade) + " Produto: " + codigo + " - " +
                  descricao);
    unidade = {padrao->codigo, padrao->nome};
  } else if (tipo_letra != "J") {
    TxbResultado r = GetSession().Consultar(
        " SELECT B.CODIGO, B.NOME FROM Z8_UNPROD A "
        " INNER JOIN Z8_UNIDADE B "
        " ON B.ID = A.IDF_UNIDADE "
        " WHERE A.UNIDADEPADRAOEST = :PADRAO "
        " AND A.IDF_PROD = :ID_PROD ",
        {{"PADRAO", "T"}, {"ID_PROD", id_produto}});
    if (r.Vazio())
      throw EErro(Aplicacao().ObterTexto(kTextoSemUnidade) + " " +
                  Aplicacao().ObterTexto(kTextoCadastrarUnidade) + " Produto: " + codigo + " - " +
                  descricao);
    unidade = {Trim(r.linhas[0][0].AsString()), Trim(r.linhas[0][1].AsString())};
  }
  if (!unidades_)
    unidades_ = Aplicacao().CriarComo<Th5RegistroEFD0190>("RegistroEFD0190", GetSession());
  unidades_->IncluirNovo(g.cabecalho.id, g.bloco, g.tipo_0190, unidade.first, unidade.second,
                         id_0140);
  return unidade.first;
}

std::string Th5RegistroEFD0200::AliquotaDoItem(TGeracao& g, int id_efd,
                                               const std::string& tipo_letra, double aliquota,
                                               int filial) {
  if (tipo_letra == "J") return "";
  if (filial > 0) {
    auto it = g.aliquotas.find(filial);
    if (it == g.aliquotas.end()) {
      const double da_filial = RetornarAliqIcmsEstFilial(id_efd, filial);
      it = g.aliquotas
               .emplace(filial, da_filial > 0 ? FormatarMascara(da_filial, "0.00") : std::string())
               .first;
    }
    // A branch without a rate of its state falls back to the given rate.
    if (!it->second.empty()) return it->second;
  }
  return aliquota > 0 ? FormatarMascara(aliquota, "0.00") : "17,00";
}

int Th5RegistroEFD0200::Inserir(TGeracao& g, const TItem& item) {
  const TxbFamilia& familia = TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD0200");
  TxbSession& sessao = GetSession();
  const int64_t id = sessao.GetBD().NovoID();
  TxbComando& registro = sessao.ComandoPreparado(
      kInsertRegistro, {TTipoCampo::Inteiro, TTipoCampo::Texto, TTipoCampo::Inteiro,
                        TTipoCampo::Inteiro, TTipoCampo::Texto});
  registro.Definir(0, id);
  registro.Definir(1, "RegistroEFD0200");
  registro.Definir(2, g.bloco);
  registro.Definir(3, IdTipoRegistroDaSessao(sessao, g.bloco, "0200"));
  registro.Definir(4, "0200");
  registro.Executar();

  std::vector<TTipoCampo> tipos(15, TTipoCampo::Texto);
  tipos[0] = tipos[1] = tipos[2] = TTipoCampo::Inteiro;
  TxbComando& linha = sessao.ComandoPreparado(kInsertItem, tipos);
  linha.Definir(0, id);
  linha.Definir(1, id);
  linha.Definir(2, item.id_0140 > 0 ? TVariant(item.id_0140) : TVariant());
  size_t p = 3;
  for (auto [campo, valor] : std::initializer_list<std::pair<const char*, const std::string*>>{
           {"Codigo", &item.codigo},
           {"Descricao", &item.descricao},
           {"CodBarras", &item.cod_barras},
           {"CodAnt", &item.cod_ant},
           {"TipoItem", &item.tipo_item},
           {"NCM", &item.ncm},
           {"CodTIPI", &item.tipi},
           {"CodGen", &item.genero},
           {"CodServ", &item.cod_serv},
           {"AliqICMS", &item.aliquota},
           {"CodUnid", &item.unidade},
           {"CodCest", &item.cest}})
    linha.Definir(p++, TextoOuNulo(Cortar(familia, campo, *valor)));
  linha.Executar();

  if (efd_itens_ == g.cabecalho.id) {
    itens_->Append();
    itens_->FieldByName("RegEFD0200_IDF_RegEFD0140").SetAsInteger(item.id_0140);
    itens_->FieldByName("RegEFD0200_ID").SetAsInteger(id);
    itens_->FieldByName("RegEFD0200_Codigo").SetAsString(item.codigo);
    itens_->FieldByName("RegEFD0200_CodUnid").SetAsString(item.unidade);
    itens_->Post();
  }
  return static_cast<int>(id);
}

void Th5RegistroEFD0200::InserirFilhos(TGeracao& g, int id_efd, int id_0200, int id_produto,
                                       const std::string& tipo_letra, TDateTime inicio,
                                       TDateTime fim, const std::string& combustivel) {
  if (tipo_letra == "J") return;
  // Earlier codes and descriptions that ended inside the period.
  ThbClientDataSet& ocorrencias = AtivarOcorrenciasProduto(inicio, fim);
  for (bool achou = ocorrencias.FindKey({TVariant(id_produto)});
       achou && !ocorrencias.Eof() &&
       ocorrencias.FieldByName("IDF_PRODUTO").AsInteger() == id_produto;
       ocorrencias.Next()) {
    if (g.sem_prefixo < 0)
      g.sem_prefixo =
          GerarProdSemPrefixo(g.cabecalho.empresa, g.cabecalho.inicio, g.cabecalho.fim) ? 1 : 0;
    if (!anteriores_)
      anteriores_ = Aplicacao().CriarComo<Th5RegistroEFD0205>("RegistroEFD0205", GetSession());
    const TDateTime de = ocorrencias.FieldByName("DATAINI").AsDateTime();
    const TDateTime ate = ocorrencias.FieldByName("DATAFIM").AsDateTime();
    const std::string codigo = ocorrencias.FieldByName("CODANT").AsString();
    const std::string descricao = ocorrencias.FieldByName("DESCRICAOANT").AsString();
    // IncluirNovo moves the cursor of no dataset of ours: the walk goes on.
    if (!codigo.empty())
      anteriores_->IncluirNovo(id_efd, g.bloco, g.cabecalho.filial, 0, codigo, "", de, ate, id_0200,
                               g.sem_prefixo == 1);
    if (!descricao.empty())
      anteriores_->IncluirNovo(id_efd, g.bloco, 0, 0, "", descricao, de, ate, id_0200,
                               g.sem_prefixo == 1);
  }
  if (!combustivel.empty()) {
    if (!combustiveis_)
      combustiveis_ = Aplicacao().CriarComo<Th5RegistroEFD0206>("RegistroEFD0206", GetSession());
    combustiveis_->Incluir(id_efd, g.bloco, id_0200, 0, combustivel);
  }
}

double Th5RegistroEFD0200::Converter(TGeracao& g, int id_0200, int id_produto,
                                     const std::string& unidade_documento,
                                     const std::string& unidade_item, int id_0140) {
  const std::string unidade = Trim(unidade_documento);
  if (unidade.empty() || unidade == unidade_item) return 0;
  if (!g.conversoes.insert({id_0200, unidade}).second) return 0;
  TUnidadeProduto u;
  if (const std::vector<TUnidadeProduto>* em_memoria = UnidadesEmMemoria(g, id_produto)) {
    auto achada =
        std::find_if(em_memoria->begin(), em_memoria->end(),
                     [&unidade](const TUnidadeProduto& x) { return x.codigo == unidade; });
    if (achada == em_memoria->end()) return 0;
    u = *achada;
  } else {
    TxbResultado r = GetSession().Consultar(
        " select A.ID, A.IDF_PROD, A.UNIDADEPADRAOEST, A.FATORCONV, A.CODBARRAS, B.ID ID_B, "
        "B.CODIGO CODIGO_B, B.NOME NOME_B, B.TPCALCULO TPCALCULO_B from Z8_UNPROD A "
        "inner join Z8_UNIDADE B on B.ID = A.IDF_UNIDADE "
        "inner join Z8_PROD C on C.ID = A.IDF_PROD "
        "inner join Z8_EMPRESA D on D.ID = C.IDF_EMPRESA "
        "where (D.ID = :IDEMPRESA) and (A.IDF_PROD = :IDPRODUTO) and (B.CODIGO = :CODUNIDADE)",
        {{"IDEMPRESA", g.cabecalho.empresa}, {"IDPRODUTO", id_produto}, {"CODUNIDADE", unidade}});
    if (r.Vazio()) return 0;
    u = {unidade,
         Trim(r.Valor(0, "NOME_B").AsString()),
         Trim(r.Valor(0, "TPCALCULO_B").AsString()),
         Trim(r.Valor(0, "CODBARRAS").AsString()),
         r.Valor(0, "FATORCONV").AsFloat(),
         false};
  }
  double fator = u.fator;
  if (fator <= 0) return 0;
  // A unit that divides holds the stock unit the other way round.
  if (u.tp_calculo == "D") fator = 1 / fator;
  if (!unidades_)
    unidades_ = Aplicacao().CriarComo<Th5RegistroEFD0190>("RegistroEFD0190", GetSession());
  unidades_->IncluirNovo(g.cabecalho.id, g.bloco, g.tipo_0190, unidade, u.nome, id_0140);
  if (!conversoes_)
    conversoes_ = Aplicacao().CriarComo<Th5RegistroEFD0220>("RegistroEFD0220", GetSession());
  conversoes_->Incluir(g.cabecalho.id, g.bloco, id_0200, unidade, fator, u.cod_barras);
  return fator;
}

std::string Th5RegistroEFD0200::IncluirProdutoDoCupom(int id_efd, int bloco, int64_t produto,
                                                      bool sem_prefixo, std::string& unidade,
                                                      TDateTime inicio, TDateTime fim, int id_0140,
                                                      int filial, const std::string& registros,
                                                      const std::string& registro) {
  TxbResultado r = GetSession().Consultar(
      "SELECT PR.CODPROD, PR.NMPROD, PR.CODBARRAS, PR.CODIGONCM, PR.EXTIPI, PR.CODCEST, "
      "PR.CODGENERO, FA.TIPOITEM FROM Z8_PROD PR LEFT JOIN Z8_FAMILIA FA ON FA.ID = "
      "PR.IDF_FAMILIA WHERE PR.ID = :ID",
      {{"ID", produto}});
  if (r.Vazio())
    throw EErro(fmt::format("Registro {}: o produto {} do cupom (ItemCupFis_IDF_Prod) não existe",
                            registro, produto));
  auto t = [&r](size_t i) { return Trim(r.linhas[0][i].AsString()); };
  const std::string codigo = (sem_prefixo ? "" : "P") + t(0);
  IncluirNovo(id_efd, bloco, codigo, static_cast<int>(produto), t(1), t(2), "", t(7), unidade, t(3),
              t(4), t(6), "", t(5), 0, inicio, fim, id_0140, filial, registros);
  return codigo;
}

int Th5RegistroEFD0200::IncluirNovo(int id_efd, int bloco, const std::string& codigo,
                                    int id_produto, const std::string& descricao,
                                    const std::string& cod_barras, const std::string& cod_ant,
                                    const std::string& tipo_item, std::string& unidade,
                                    const std::string& ncm, const std::string& tipi,
                                    const std::string& genero, const std::string& cod_serv,
                                    const std::string& cest, double aliquota, TDateTime inicio,
                                    TDateTime fim, int id_0140, int filial,
                                    const std::string& registros) {
  if (!RegistroNaLista(registros, "RegistroEFD0200")) return 0;
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 330, "Th5RegistroEFD0200._INTERNO_Incluir");
  TGeracao& g = Geracao(id_efd, bloco);
  if (efd_itens_ != id_efd) CarregarItens(id_efd);
  const int estabelecimento = id_0140 > 0 ? id_0140 : 0;
  const std::string item = CodigoItemNoArquivo(Trim(codigo));
  const std::string unidade_documento = unidade;
  const std::string letra = UpperCase(Trim(tipo_item));
  if (itens_->FindKey({TVariant(estabelecimento), TVariant(item)})) {
    const int id = itens_->FieldByName("RegEFD0200_ID").AsInteger();
    unidade = itens_->FieldByName("RegEFD0200_CodUnid").AsString();
    GetSession().DefinirValor("CodUnidade_Reg0200", unidade);
    if (letra != "J") Converter(g, id, id_produto, unidade_documento, unidade, estabelecimento);
    return id;
  }

  TItem novo = MontarItem(estabelecimento, item, letra, descricao, cod_barras, cod_ant, ncm, tipi,
                          genero, cod_serv, cest);
  const std::string unidade_item =
      UnidadeDoItem(g, id_produto, letra, item, descricao, estabelecimento);
  if (TamanhoUtf8(unidade_item) <= 6) novo.unidade = unidade_item;
  novo.aliquota = AliquotaDoItem(g, id_efd, letra, aliquota, filial);
  const int id = Inserir(g, novo);

  if (!g.anp_lido) {
    g.anp_lido = true;
    if (Aplicacao().ChecarFamiliaRegistrada("CodProdTabANP")) {
      auto anp = Aplicacao().Criar("CodProdTabANP", GetSession());
      TxbObjetoTemporario liberar(anp);
      anp->GetDados().AtivarDataSet("VsBRW");
      ThbClientDataSet& cds = anp->GetDados().GetCDS();
      for (cds.First(); !cds.Eof(); cds.Next())
        g.anp.emplace(cds.FieldByName("CodProdANP_IDF_Produto").AsInt64(),
                      Trim(cds.FieldByName("CodProdANP_COD_COMB").AsString()));
    }
  }
  auto combustivel = g.anp.find(id_produto);
  InserirFilhos(g, id_efd, id, id_produto, letra, inicio, fim,
                combustivel == g.anp.end() ? std::string() : combustivel->second);
  unidade = unidade_item;
  GetSession().DefinirValor("CodUnidade_Reg0200", unidade);
  if (letra != "J") Converter(g, id, id_produto, unidade_documento, unidade, estabelecimento);
  return id;
}

int Th5RegistroEFD0200::Incluir(int id_efd, int bloco, const std::string& codigo, int id_produto,
                                const std::string& descricao, const std::string& cod_barras,
                                const std::string& cod_ant, const std::string& tipo_item,
                                std::string& unidade, const std::string& ncm,
                                const std::string& tipi, const std::string& genero,
                                const std::string& cod_serv, const std::string& cest,
                                double aliquota, TDateTime inicio, TDateTime fim, int id_0140,
                                int filial) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 330, "Th5RegistroEFD0200._INTERNO_Incluir");
  TxbSession& sessao = GetSession();
  TGeracao& g = Geracao(id_efd, bloco);
  const std::string item = CodigoItemNoArquivo(Trim(codigo));
  const std::string unidade_documento = unidade;
  const std::string letra = UpperCase(Trim(tipo_item));
  sessao.DefinirValor("FatorConv_Reg0200", "");
  auto deixar = [&](int id, const std::string& unidade_item, const std::string& aliq,
                    const std::string& tipo) {
    unidade = unidade_item;
    sessao.DefinirValor("CodUnidade_Reg0200", unidade_item);
    sessao.DefinirValor("AliqICMS_Reg0200", aliq);
    sessao.DefinirValor("TipoItem_Reg0200", tipo);
    if (letra == "J") return;
    const double fator =
        Converter(g, id, id_produto, unidade_documento, unidade_item, id_0140 > 0 ? id_0140 : 0);
    if (fator > 0) sessao.DefinirValor("FatorConv_Reg0200", FormatarFator(fator));
  };
  TxbResultado r = sessao.Consultar(
      "SELECT A.ID, A.CODIGO, A.CODUNID, A.ALIQICMS, A.TIPOITEM FROM Z8_REGEFD0200 A "
      "INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "INNER JOIN Z8_BLOCOSEFD C ON C.ID = B.IDF_BLOCOSEFD "
      "WHERE (A.CODIGO = :ACODIGO) AND (C.IDF_EFD = :IID_EFD) ",
      {{"ACODIGO", item}, {"IID_EFD", id_efd}});
  if (!r.Vazio()) {
    const int id = r.linhas[0][0].AsInteger();
    deixar(id, Trim(r.linhas[0][2].AsString()), Trim(r.linhas[0][3].AsString()),
           r.linhas[0][4].AsString());
    return id;
  }
  // The fuel code through the ERP's object, for this product.
  std::string combustivel;
  if (letra != "J" && Aplicacao().ChecarFamiliaRegistrada("CodProdTabANP")) {
    auto anp = Aplicacao().Criar("CodProdTabANP", sessao);
    TxbObjetoTemporario liberar(anp);
    anp->GetDados().GetFiltros().Adicionar("FLT_ANP").IncluirConstante(
        "CodProdANP_IDF_Produto", TOperador::Igual, id_produto);
    anp->GetDados().AtivarDataSet("VsBRW");
    if (!anp->GetDados().GetCDS().IsEmpty())
      combustivel = Trim(anp->GetDados().GetCDS().FieldByName("CodProdANP_COD_COMB").AsString());
  }
  const int estabelecimento = id_0140 > 0 ? id_0140 : 0;
  TItem novo = MontarItem(estabelecimento, item, letra, descricao, cod_barras, cod_ant, ncm, tipi,
                          genero, cod_serv, cest);
  const std::string unidade_item =
      UnidadeDoItem(g, id_produto, letra, item, descricao, estabelecimento);
  if (TamanhoUtf8(unidade_item) <= 6) novo.unidade = unidade_item;
  novo.aliquota = AliquotaDoItem(g, id_efd, letra, aliquota, filial);
  const int id = Inserir(g, novo);
  InserirFilhos(g, id_efd, id, id_produto, letra, inicio, fim, combustivel);
  deixar(id, unidade_item, novo.aliquota, novo.tipo_item);
  return id;
}

std::string Th5RegistroEFD0200::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0200");
  if (GetSession().Valor("ModeloEFD") == "2") return "";
  const int bloco = IdBloco(id_efd, "Bloco 0");
  if (bloco == 0) return "";
  TxbSession& sessao = GetSession();
  const TxbCabecalhoEFD cabecalho = LerCabecalhoEFD(sessao, id_efd);
  const bool com_cest = cabecalho.inicio.Ano() >= 2017;
  const bool com_barras_0220 = cabecalho.inicio.Ano() >= 2022 && !cabecalho.drcst;
  const size_t total = static_cast<size_t>(LinhasDoBloco(sessao, bloco, "0200"));
  if (total == 0) return "";

  // The children of a page of items, each found by its item, in the order
  // they are written.
  struct TFilhos {
    const char* codigo;
    std::vector<std::string> campos;
    TxbFilhosPorPai linhas;
  };
  std::vector<TFilhos> filhos = {{"0205", {"DescAnt", "DataIni", "DataFim", "CodAntItem"}, {}},
                                 {"0206", {"CodComb"}, {}},
                                 {"0210", {"CodItemComp", "QTD_COMP", "Perda"}, {}},
                                 {"0220", {"UnidConv", "FatorConv", "COD_BARRA"}, {}}};
  std::erase_if(filhos, [](const TFilhos& f) {
    return !Aplicacao().ChecarFamiliaRegistrada(std::string("RegistroEFD") + f.codigo);
  });

  TxbLinhasEFD linhas(sessao);
  if (LerContador("QtdeLinhasBloco_0") == 0) linhas.AdicionarPronta("|0001|0|");
  size_t feitas = 0;
  LerPorPaginas(
      sessao, bloco, "0200", kCamposDaLinha, [&](std::vector<std::vector<TVariant>>& pagina) {
        for (TFilhos& f : filhos)
          f.linhas.Carregar(sessao, bloco, f.codigo, "IDF_RegEFD0200", pagina.front()[0].AsInt64(),
                            pagina.back()[0].AsInt64(), f.campos);
        for (const auto& l : pagina) {
          AtualizarAvanco(id_efd, "0200", ++feitas, total);
          auto c = [&l](size_t i) { return l[i].AsString(); };
          auto t = [&l](size_t i) { return Trim(l[i].AsString()); };
          std::string descricao = c(2);
          if (com_cest) descricao = Trim(SubstituirTodos(descricao, "\r\n", " - "));
          linhas.Adicionar(
              "0200",
              {c(1), descricao, c(3), c(4), t(5), t(6), t(7), t(8), t(9), t(10), t(11), t(12)},
              com_cest ? 12 : 11);
          for (const TFilhos& f : filhos)
            for (const auto& filho : f.linhas.De(l[0].AsInt64()))
              EscreverFilho(linhas, f.codigo, filho.valores, com_barras_0220);
        }
      });
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

void Th5RegistroEFD0200::EscreverFilho(TxbLinhasEFD& linhas, const std::string& codigo,
                                       const std::vector<TVariant>& v, bool com_barras_0220) {
  auto t = [&v](size_t i) { return Trim(v[i].AsString()); };
  auto n = [&v](size_t i) { return FormatarValor(v[i].AsFloat()); };
  if (codigo == "0205")
    linhas.Adicionar(codigo, {v[0].AsString(), t(1), t(2), v[3].AsString()});
  else if (codigo == "0206")
    linhas.Adicionar(codigo, {t(0)});
  else if (codigo == "0210")
    linhas.Adicionar(codigo, {t(0), n(1), n(2)});
  else
    linhas.Adicionar(codigo, {t(0), n(1), t(2)}, com_barras_0220 ? 3 : 2);
}

}  // namespace efd
