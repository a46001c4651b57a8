#include "registers/block0/uh5registroefd0150.h"

#include <cctype>

#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0175.h"

namespace efd {
namespace {

constexpr const char* kBrasil = "01058";
// The ERP's codes of the changed fields that 0175 reports: all of 0150's but
// the state registration ("4").
constexpr const char* kCamposDaAlteracao = "('0','1','2','3','5','6','7','8','9','A')";

// 0150's fields in the order written.
const std::vector<std::string> kCamposDaLinha = {"Codigo",     "Nome",   "CodPais",     "CNPJ",
                                                 "CPF",        "IE",     "CodMun",      "Suframa",
                                                 "Logradouro", "Numero", "Complemento", "Bairro"};

// Changes whose previous content was an exemption are not reported, nor
// changes of a CNPJ outside Brazil.
bool AlteracaoReportada(const std::string& campo, const std::string& anterior,
                        const std::string& pais) {
  if (UpperCase(Trim(anterior)).find("ISENT") != std::string::npos) return false;
  return Trim(campo) != "2" || pais == kBrasil;
}

}  // namespace

void Th5RegistroEFD0150::DestroyKLV() {
  if (alteracoes_) Aplicacao().Destruir(alteracoes_);
  alteracoes_.reset();
  Th0RegistroEFD0150::DestroyKLV();
}

Th5RegistroEFD0150::TParticipante Th5RegistroEFD0150::Normalizar(
    const std::string& codigo, const std::string& nome, const std::string& pais,
    const std::string& cnpj, const std::string& cpf, const std::string& ie,
    const std::string& municipio, const std::string& suframa, const std::string& logradouro,
    const std::string& numero, const std::string& complemento, const std::string& bairro,
    int id_0140) {
  TParticipante p;
  p.id_0140 = id_0140 > 0 ? id_0140 : 0;
  p.codigo = Trim(codigo);
  p.nome = Trim(CopiarUtf8(Trim(nome), 100));
  p.pais = AcertarConteudo(pais, 5, "N", 0);
  // Tax numbers only for participants in Brazil.
  if (p.pais == kBrasil) {
    p.cnpj = Trim(cnpj);
    p.cpf = Trim(cpf);
  }
  p.ie = LimparConteudo(ie);
  if (UpperCase(p.ie) == "ISENTO") p.ie.clear();
  p.municipio = Trim(AcertarConteudo(municipio, 7, "N", 0));
  if (p.municipio == "0000000") p.municipio.clear();
  p.suframa = suframa;
  p.logradouro = Trim(CopiarUtf8(Trim(logradouro), 60));
  p.numero = Trim(numero);
  p.complemento = Trim(complemento);
  p.bairro = Trim(bairro);
  return p;
}

int Th5RegistroEFD0150::Resolver(const std::vector<const TParticipante*>& candidatos,
                                 TParticipante& p) {
  // The same address: with a CNPJ, street, CNPJ and number; with a CPF,
  // street, CPF and number; otherwise street, number and name.
  const bool com_cnpj = TamanhoUtf8(p.cnpj) == 14;
  const bool com_cpf = !com_cnpj && TamanhoUtf8(p.cpf) == 11;
  for (const TParticipante* c : candidatos) {
    if (c->logradouro != p.logradouro || c->numero != p.numero) continue;
    if (com_cnpj ? c->cnpj == p.cnpj : com_cpf ? c->cpf == p.cpf : c->nome == p.nome) {
      p.codigo = c->codigo;
      return c->id;
    }
  }
  if (!candidatos.empty() && !p.codigo.empty() &&
      std::isdigit(static_cast<unsigned char>(p.codigo.back())))
    p.codigo += static_cast<char>(64 + candidatos.size());
  return 0;
}

void Th5RegistroEFD0150::CarregarExistentes(int id_efd) {
  T2bDados& dados = GetDados();
  dados.GetFiltros().Adicionar("Flt").IncluirConstante("BlocosEFD_IDF_EFD", TOperador::Igual,
                                                       id_efd);
  dados.AtivarDataSet("VsPRC01");
  linhas_.clear();
  ThbClientDataSet& cds = dados.GetCDS();
  for (cds.First(); !cds.Eof(); cds.Next()) {
    TParticipante p;
    p.id = cds.FieldByName("RegEFD0150_ID").AsInteger();
    p.id_0140 = cds.FieldByName("RegEFD0150_IDF_RegEFD0140").AsInteger();
    p.codigo = Texto("RegEFD0150_Codigo");
    p.nome = Texto("RegEFD0150_Nome");
    p.pais = Texto("RegEFD0150_CodPais");
    p.cnpj = Texto("RegEFD0150_CNPJ");
    p.cpf = Texto("RegEFD0150_CPF");
    p.logradouro = Texto("RegEFD0150_Logradouro");
    p.numero = Texto("RegEFD0150_Numero");
    linhas_[{p.id_0140, p.codigo}] = std::move(p);
  }
  efd_carregada_ = id_efd;
}

std::vector<const Th5RegistroEFD0150::TParticipante*> Th5RegistroEFD0150::Candidatos(
    int id_0140, const std::string& codigo) const {
  // The codes that start with the code, under the same establishment.
  std::vector<const TParticipante*> r;
  for (auto it = linhas_.lower_bound({id_0140, codigo});
       it != linhas_.end() && it->first.first == id_0140 && it->first.second.starts_with(codigo);
       ++it)
    r.push_back(&it->second);
  return r;
}

int Th5RegistroEFD0150::Inserir(int id_efd, int bloco, TParticipante& p) {
  const int linha_bloco = bloco > 0 ? bloco : IdBloco0(GetSession(), id_efd);
  if (linha_bloco <= 0) throw EErro("ID bloco 0 inválido na inclusão do registro 0150! ");
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsEDC01");
  IncluirRegistro();
  Campo("RegEFD_IDF_TipoRegEFD")
      .SetAsInteger(IdTipoRegistroDaSessao(GetSession(), linha_bloco, "0150"));
  Campo("RegEFD_IDF_BlocosEFD").SetAsInteger(linha_bloco);
  Campo("RegEFD_Registro").SetAsString("0150");
  Campo("RegEFD0150_Codigo").SetAsString(p.codigo);
  Campo("RegEFD0150_Nome").SetAsString(p.nome);
  Campo("RegEFD0150_CodPais").SetAsString(p.pais);
  Campo("RegEFD0150_CNPJ").SetAsString(p.cnpj);
  Campo("RegEFD0150_CPF").SetAsString(p.cpf);
  Campo("RegEFD0150_IE").SetAsString(p.ie);
  Campo("RegEFD0150_CodMun").SetAsString(p.municipio);
  Campo("RegEFD0150_Suframa").SetAsString(p.suframa);
  Campo("RegEFD0150_Logradouro").SetAsString(p.logradouro);
  Campo("RegEFD0150_Numero").SetAsString(p.numero);
  Campo("RegEFD0150_Complemento").SetAsString(p.complemento);
  Campo("RegEFD0150_Bairro").SetAsString(p.bairro);
  if (p.id_0140 > 0) Campo("RegEFD0150_IDF_RegEFD0140").SetAsInteger(p.id_0140);
  ConfirmarRegistro();
  p.id = Campo("RegEFD0150_ID").AsInteger();
  if (efd_carregada_ == id_efd) linhas_[{p.id_0140, p.codigo}] = p;
  return p.id;
}

void Th5RegistroEFD0150::InserirAlteracoes(int id_efd, int bloco, int id_0150,
                                           const std::string& pais,
                                           const std::vector<TAlteracao>& alteracoes) {
  if (alteracoes.empty()) return;
  if (!alteracoes_)
    alteracoes_ = Aplicacao().CriarComo<Th5RegistroEFD0175>("RegistroEFD0175", GetSession());
  if (!alteracoes_) return;
  const int linha_bloco = bloco > 0 ? bloco : IdBloco0(GetSession(), id_efd);
  for (const TAlteracao& a : alteracoes)
    if (AlteracaoReportada(a.campo, a.anterior, pais))
      alteracoes_->IncluirNovo(id_efd, linha_bloco, id_0150, a.data, a.campo, a.anterior, 0);
}

ThbClientDataSet& Th5RegistroEFD0150::AtivarOcorrenciasAlteracao(TDateTime inicio, TDateTime fim) {
  std::shared_ptr<ThbObjetoNegocio> empresa = GetSessionZ8().ObjetoEmpresaSessao();
  if (!empresa) throw EErro("A sessão não tem o objeto da empresa (família Empresa)");
  if (auto cache = empresa->RetornarInstanciaAgregada("OcoAlteracaoIdent"))
    return cache->GetDados().GetCDS();
  auto ocorrencias = Aplicacao().Criar("OcoAlteracaoIdent", GetSession());
  TxbResultado r = GetSession().Consultar(
      std::string("SELECT IDF_IDENT, DATAALT, CAMPOALTERADO, CONTEUDOANTER FROM KLVG_OCALTIDENT ") +
          " WHERE (DATAALT >= :DATAINI) AND (DATAALT <= :DATAFIN) AND (CAMPOALTERADO IN" +
          kCamposDaAlteracao + ")",
      {{"DataIni", inicio.DateOf()}, {"DataFin", fim.DateOf()}});
  std::vector<std::vector<TVariant>> linhas;
  linhas.reserve(r.linhas.size());
  for (const auto& l : r.linhas)
    linhas.push_back({TVariant(l[0].AsInt64()), TVariant(l[1].AsDateTime().DateOf()),
                      TVariant(Trim(l[2].AsString())), TVariant(l[3].AsString())});
  ThbClientDataSet& cds = ocorrencias->GetDados().GetCDS();
  cds.DefinirCampos({{"IDF_IDENT", TTipoCampo::Inteiro, 0},
                     {"DATAALT", TTipoCampo::Data, 0},
                     {"CAMPOALTERADO", TTipoCampo::Texto, 0},
                     {"CONTEUDOANTER", TTipoCampo::Texto, 0}});
  cds.Carregar(std::move(linhas));
  cds.SetIndexFieldNames("IDF_IDENT;DATAALT;CAMPOALTERADO");
  empresa->AdicionarInstanciaAgregada("OcoAlteracaoIdent", ocorrencias);
  return cds;
}

int Th5RegistroEFD0150::IncluirNovo(int id_efd, int bloco, const std::string& registros,
                                    int id_ident, std::string& codigo, const std::string& nome,
                                    const std::string& pais, const std::string& documento,
                                    const std::string& ie, const std::string& municipio,
                                    const std::string& suframa, const std::string& logradouro,
                                    const std::string& numero, const std::string& complemento,
                                    const std::string& bairro, TDateTime inicio, TDateTime fim,
                                    bool so_consulta, int id_0140) {
  if (!RegistroNaLista(registros, "RegistroEFD0150")) return 0;
  const std::string doc = Trim(documento);
  const bool cnpj = TamanhoUtf8(doc) == 14;
  TParticipante p = Normalizar(codigo, nome, pais, cnpj ? doc : "", cnpj ? "" : doc, ie, municipio,
                               suframa, logradouro, numero, complemento, bairro, id_0140);
  if (efd_carregada_ != id_efd) CarregarExistentes(id_efd);
  const int achado = Resolver(Candidatos(p.id_0140, p.codigo), p);
  codigo = p.codigo;
  if (achado > 0 || so_consulta) return achado;
  const int id = Inserir(id_efd, bloco, p);

  if (RegistroNaLista(registros, "RegistroEFD0175")) {
    ThbClientDataSet& ocorrencias = AtivarOcorrenciasAlteracao(inicio, fim);
    std::vector<TAlteracao> alteracoes;
    for (bool achou = ocorrencias.FindKey({TVariant(id_ident)});
         achou && !ocorrencias.Eof() &&
         ocorrencias.FieldByName("IDF_IDENT").AsInteger() == id_ident;
         ocorrencias.Next())
      alteracoes.push_back({ocorrencias.FieldByName("DATAALT").AsDateTime(),
                            ocorrencias.FieldByName("CAMPOALTERADO").AsString(),
                            ocorrencias.FieldByName("CONTEUDOANTER").AsString()});
    InserirAlteracoes(id_efd, bloco, id, p.pais, alteracoes);
  }
  return id;
}

int Th5RegistroEFD0150::Incluir(int id_efd, int bloco, const std::string& registros, int id_ident,
                                std::string& codigo, const std::string& nome,
                                const std::string& pais, const std::string& cnpj,
                                const std::string& cpf, const std::string& ie,
                                const std::string& municipio, const std::string& suframa,
                                const std::string& logradouro, const std::string& numero,
                                const std::string& complemento, const std::string& bairro,
                                TDateTime inicio, TDateTime fim, int id_0140, bool so_consulta) {
  if (!RegistroNaLista(registros, "RegistroEFD0150")) return 0;
  TParticipante p = Normalizar(codigo, nome, pais, cnpj, cpf, ie, municipio, suframa, logradouro,
                               numero, complemento, bairro, id_0140);
  TParametros parametros{{"ID_EFD", id_efd}, {"PREFIXO", p.codigo + "%"}, {"CODIGO", p.codigo}};
  std::string estabelecimento = "A.IDF_REGEFD0140 IS NULL";
  if (p.id_0140 > 0) {
    estabelecimento = "A.IDF_REGEFD0140 = :ID_0140";
    parametros.emplace_back("ID_0140", p.id_0140);
  }
  TxbResultado r = GetSession().Consultar(
      "SELECT A.ID, A.CODIGO, A.NOME, A.CNPJ, A.CPF, A.LOGRADOURO, A.NUMERO FROM Z8_REGEFD0150 A "
      "INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "INNER JOIN Z8_BLOCOSEFD C ON C.ID = B.IDF_BLOCOSEFD "
      "WHERE C.IDF_EFD = :ID_EFD AND ((A.CODIGO LIKE :PREFIXO) OR (A.CODIGO = :CODIGO)) AND " +
          estabelecimento + " ORDER BY A.ID",
      parametros);
  std::vector<TParticipante> existentes;
  for (const auto& l : r.linhas) {
    TParticipante e;
    e.id = l[0].AsInteger();
    e.codigo = Trim(l[1].AsString());
    e.nome = Trim(l[2].AsString());
    e.cnpj = Trim(l[3].AsString());
    e.cpf = Trim(l[4].AsString());
    e.logradouro = Trim(l[5].AsString());
    e.numero = Trim(l[6].AsString());
    existentes.push_back(std::move(e));
  }
  std::vector<const TParticipante*> candidatos;
  for (const auto& e : existentes) candidatos.push_back(&e);
  const int achado = Resolver(candidatos, p);
  codigo = p.codigo;
  if (achado > 0 || so_consulta) return achado;
  const int id = Inserir(id_efd, bloco, p);

  if (RegistroNaLista(registros, "RegistroEFD0175") &&
      Aplicacao().ChecarFamiliaRegistrada("OcoAlteracaoIdent")) {
    auto ocorrencias = Aplicacao().Criar("OcoAlteracaoIdent", GetSession());
    TxbObjetoTemporario liberar(ocorrencias);
    T2bDados& dados = ocorrencias->GetDados();
    dados.GetFiltros()
        .Adicionar("Flt")
        .IncluirConstante("OcAltIdent_IDF_Ident", TOperador::Igual, id_ident)
        .IncluirConstante("OcAltIdent_DataAlt", TOperador::MaiorIgual, inicio.DateOf())
        .IncluirConstante("OcAltIdent_DataAlt", TOperador::MenorIgual, fim.DateOf())
        .IncluirLista("OcAltIdent_CampoAlterado",
                      {"0", "1", "2", "3", "5", "6", "7", "8", "9", "A"});
    dados.GetOrdenacoes().Adicionar("OcAltIdent_DataAlt");
    dados.GetOrdenacoes().Adicionar("OcAltIdent_CampoAlterado");
    dados.AtivarDataSet("VsESP01");
    std::vector<TAlteracao> alteracoes;
    ThbClientDataSet& cds = dados.GetCDS();
    for (cds.First(); !cds.Eof(); cds.Next())
      alteracoes.push_back({cds.FieldByName("OcAltIdent_DataAlt").AsDateTime(),
                            cds.FieldByName("OcAltIdent_CampoAlterado").AsString(),
                            cds.FieldByName("OcAltIdent_ConteudoAnter").AsString()});
    InserirAlteracoes(id_efd, bloco, id, p.pais, alteracoes);
  }
  return id;
}

std::string Th5RegistroEFD0150::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0150");
  if (GetSession().Valor("ModeloEFD") == "2") return "";
  const int bloco = IdBloco(id_efd, "Bloco 0");
  if (bloco == 0) return "";
  TxbSession& sessao = GetSession();
  const size_t total = static_cast<size_t>(LinhasDoBloco(sessao, bloco, "0150"));
  size_t feitas = 0;
  TxbLinhasEFD linhas(sessao);
  TxbFilhosPorPai alteracoes;
  LerPorPaginas(
      sessao, bloco, "0150", kCamposDaLinha, [&](std::vector<std::vector<TVariant>>& pagina) {
        alteracoes.Carregar(sessao, bloco, "0175", "IDF_RegEFD0150", pagina.front()[0].AsInt64(),
                            pagina.back()[0].AsInt64(), {"DataAlt", "NroCampoAlt", "ContAntCampo"});
        for (const auto& l : pagina) {
          AtualizarAvanco(id_efd, "0150", ++feitas, total);
          auto c = [&l](size_t i) { return l[i].AsString(); };
          linhas.Adicionar("0150", {c(1), c(2), c(3), c(4), c(5), c(6), c(7), Trim(c(8)),
                                    Trim(c(9)), c(10), c(11), c(12)});
          for (const auto& a : alteracoes.De(l[0].AsInt64())) {
            AtualizarMensagem(id_efd, "RegistroEFD [0175]");
            auto t = [&a](size_t i) { return Trim(a.valores[i].AsString()); };
            linhas.Adicionar("0175", {t(0), t(1), t(2)});
          }
        }
      });
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

int Th5RegistroEFD0150::INTERNO_RetornarQtdReg(int id_efd) {
  const int bloco = IdBloco(id_efd, "Bloco 0");
  return bloco == 0 ? 0 : LinhasDoBloco(GetSession(), bloco, "0150");
}

std::string Th5RegistroEFD0150::IncluirIdentidade(int id_efd, int bloco, int id_ident,
                                                  TDateTime inicio, TDateTime fim, int id_0140) {
  TxbResultado p = GetSession().Consultar(
      "SELECT I.CODIGO, I.NOME, PA.CODIGOBACEN, J.CNPJ, PF.CPF, J.IE, CI.GEOCODIGO, "
      "E.LOGRADOURO, I.NUMERO, I.COMPLEMENTO, E.BAIRRO "
      "FROM KLVG_IDENT I "
      "LEFT JOIN KLVG_PESJUR J ON J.IDA = I.ID "
      "LEFT JOIN KLVG_PESFIS PF ON PF.IDA = I.ID "
      "LEFT JOIN KLVG_ENDER E ON E.ID = I.IDF_ENDER "
      "LEFT JOIN KLVG_CID CI ON CI.ID = E.IDF_CID "
      "LEFT JOIN KLVG_PAIS PA ON PA.ID = I.IDF_PAIS "
      "WHERE I.ID = :ID",
      {{"ID", id_ident}});
  if (p.Vazio()) return "";
  auto c = [&p](size_t i) { return Trim(p.linhas[0][i].AsString()); };
  std::string codigo = c(0);
  if (!codigo.empty() && codigo != "0")
    IncluirNovo(id_efd, bloco, "", id_ident, codigo, c(1), c(2),
                LimparConteudo(c(3).empty() ? c(4) : c(3)), LimparConteudo(c(5)), c(6), "", c(7),
                c(8), c(9), c(10), inicio, fim, false, id_0140);
  return codigo;
}

}  // namespace efd
