#include "registers/blockE/uh5registroefde100.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {
namespace {

// The analytic registers whose ICMS makes the debits and credits of an
// assessment without the ERP's: code, ICMS attribute, parent, and whether
// the parent's situation code leaves cancelled documents out.
struct TAnalitico {
  const char* codigo;
  const char* icms;
  const char* pai;
  bool situacao;
};
constexpr TAnalitico kAnaliticos[] = {{"C190", "ValICMS", "C100", true},
                                      {"C490", "ValICMS", "C405", false},
                                      {"C590", "ValICMS", "C500", true},
                                      {"D190", "ValICMS", "D100", true},
                                      {"D590", "ValorICMS", "D500", true}};

// Output CFOPs are debits, input CFOPs credits; 5605 and 1605 change sides.
// "@" stands for the register's CFOP column.
constexpr const char* kCfopDebito =
    "(((X.@ LIKE '5%') AND (X.@ <> '5605')) OR (X.@ LIKE '6%') OR (X.@ = '1605'))";
constexpr const char* kCfopCredito =
    "(((X.@ LIKE '1%') AND (X.@ <> '1605')) OR (X.@ LIKE '2%') OR (X.@ LIKE '3%') "
    "OR (X.@ = '5605'))";

// The sum of one analytic register's ICMS in the EFD under a CFOP
// condition, as a SELECT over its table with the columns the metadata
// gives; empty when the register or one of its attributes is not declared.
std::string SomaDoAnalitico(const TAnalitico& a, const std::string& condicao, bool credito) {
  if (credito && std::string(a.codigo) == "C490") return "";
  const TxbMetadados& m = TxbMetadados::Instancia();
  const TxbFamilia* f = m.Familia(std::string("RegistroEFD") + a.codigo);
  const TxbFamilia* p = m.Familia(std::string("RegistroEFD") + a.pai);
  if (!f || !p || !Aplicacao().ChecarFamiliaRegistrada(f->nome)) return "";
  const TxbAtributo* icms = f->Atributo(a.icms);
  const TxbAtributo* cfop = f->Atributo("CFOP");
  const TxbAtributo* ligacao = f->Atributo(std::string("IDF_RegEFD") + a.pai);
  const TxbAtributo* situacao = p->Atributo("CodSit");
  if (!icms || !cfop || !ligacao || (a.situacao && !situacao)) return "";
  std::string cond = condicao;
  for (size_t i = cond.find('@'); i != std::string::npos;
       i = cond.find('@', i + cfop->coluna.size()))
    cond.replace(i, 1, cfop->coluna);
  std::string sql = fmt::format(
      "SELECT SUM(X.{}) AS VALOR FROM {} X INNER JOIN Z8_REGEFD B ON B.ID = X.IDA "
      "INNER JOIN Z8_BLOCOSEFD C ON C.ID = B.IDF_BLOCOSEFD ",
      icms->coluna, f->tabela);
  if (a.situacao) sql += fmt::format("INNER JOIN {} P ON P.ID = X.{} ", p->tabela, ligacao->coluna);
  sql += "WHERE (C.IDF_EFD = :ID_EFD) AND " + cond;
  // Extemporaneous documents (situations 01 and 07) belong to the period of
  // their issue.
  if (a.situacao) sql += fmt::format(" AND (P.{} NOT IN ('1', '7', '01', '07'))", situacao->coluna);
  return sql;
}

double SomarAnaliticos(TxbSession& sessao, int id_efd, bool credito) {
  std::string uniao;
  for (const TAnalitico& a : kAnaliticos) {
    const std::string sql = SomaDoAnalitico(a, credito ? kCfopCredito : kCfopDebito, credito);
    if (sql.empty()) continue;
    uniao += (uniao.empty() ? "" : " UNION ALL ") + sql;
  }
  if (uniao.empty()) return 0;
  double total = 0;
  for (const auto& l : sessao.Consultar(uniao, {{"ID_EFD", id_efd}}).linhas)
    total += l[0].AsFloat();
  return total;
}

}  // namespace

std::string Th5RegistroEFDE100::RetornarDiaVencimento(const std::string& codigo) {
  const char c = codigo.empty() ? ' ' : codigo[0];
  if (c >= '1' && c <= '9') return fmt::format("{:02}", c - '0');
  if (c >= 'A' && c <= 'V') return fmt::format("{:02}", c - 'A' + 10);
  return "";
}

std::string Th5RegistroEFDE100::RetornaClasseVencimento(const std::string& codigo) {
  static const std::map<char, const char*> kClasses = {
      {'1', "10103"}, {'2', "10014"}, {'3', "10120"}, {'4', "10022"}, {'5', "10073"},
      {'6', "10138"}, {'7', "10065"}, {'8', "10103"}, {'9', "10189"}, {'A', "10197"},
      {'B', "10200"}, {'C', "10278"}, {'D', "10294"}, {'E', "10308"}, {'F', "10316"},
      {'G', "10340"}, {'H', "10359"}, {'I', "10375"}, {'L', "10383"}, {'M', "10391"},
      {'N', "10413"}, {'O', "10049"}, {'P', "10421"}, {'S', "10243"}};
  auto it = codigo.empty() ? kClasses.end() : kClasses.find(codigo[0]);
  return it == kClasses.end() ? "" : it->second;
}

void Th5RegistroEFDE100::DestroyKLV() {
  for (auto* objeto : {&e110_, &e116_}) {
    if (*objeto) Aplicacao().Destruir(*objeto);
    objeto->reset();
  }
  if (participantes_) Aplicacao().Destruir(participantes_);
  participantes_.reset();
  Th0RegistroEFDE100::DestroyKLV();
}

Th5RegistroEFDE100::TCabecalho Th5RegistroEFDE100::LerCabecalho(int id_efd) {
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsEDC01");
  ThbClientDataSet& h = cabecalho.GetCDS();
  return {h.FieldByName("EFD_IDF_Filial").AsInteger(),
          h.FieldByName("EFD_DataInicio").AsDateTime().DateOf(),
          h.FieldByName("EFD_DataFim").AsDateTime().DateOf()};
}

int Th5RegistroEFDE100::IncluirE100(int tipo, int bloco, TDateTime inicio, TDateTime fim) {
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo, bloco, "E100");
  Campo("RegEFDE100_DataInicio").SetAsString(FormatarData(inicio));
  Campo("RegEFDE100_DataFim").SetAsString(FormatarData(fim));
  ConfirmarRegistro();
  return Campo("RegEFDE100_ID").AsInteger();
}

int Th5RegistroEFDE100::IncluirE110(int bloco, int id_e100, const TValoresE110& v) {
  if (!e110_) e110_ = Aplicacao().Criar("RegistroEFDE110", GetSession());
  ThbObjetoNegocio& e = *e110_;
  return IncluirFilho(e, IdTipoRegistro(GetSession(), bloco, "E110"), bloco, "E110", "E100",
                      id_e100, [&] {
                        const std::pair<const char*, double> campos[] = {
                            {"ValTotDeb", v.tot_debitos},
                            {"ValAjustDebDoc", v.aj_debitos_doc},
                            {"ValTotAjDeb", v.tot_aj_debitos},
                            {"ValEstCred", v.estornos_cred},
                            {"ValTotCred", v.tot_creditos},
                            {"ValAjustCred", v.aj_creditos_doc},
                            {"ValTotAjCred", v.tot_aj_creditos},
                            {"ValEstDeb", v.estornos_deb},
                            {"ValSalCredAnt", v.saldo_credor_ant},
                            {"ValSalApurado", v.saldo_apurado},
                            {"ValTotDed", v.tot_deducoes},
                            {"ValICMSaRec", v.icms_recolher},
                            {"ValSalCredTran", v.saldo_credor_transportar},
                            {"DebEsp", v.debitos_especiais}};
                        for (const auto& [campo, valor] : campos)
                          e.Campo(std::string("RegEFDE110_") + campo).SetAsFloat(valor);
                      });
}

int Th5RegistroEFDE100::IncluirE116(int bloco, int id_e110, const std::string& obrigacao,
                                    double valor, TDateTime vencimento, const std::string& receita,
                                    TDateTime referencia) {
  if (!e116_) e116_ = Aplicacao().Criar("RegistroEFDE116", GetSession());
  ThbObjetoNegocio& e = *e116_;
  return IncluirFilho(e, IdTipoRegistro(GetSession(), bloco, "E116"), bloco, "E116", "E110",
                      id_e110, [&] {
                        e.Campo("RegEFDE116_CodObrig").SetAsString(obrigacao);
                        e.Campo("RegEFDE116_ValOBrig").SetAsFloat(valor);
                        e.Campo("RegEFDE116_DataVencto").SetAsString(FormatarData(vencimento));
                        e.Campo("RegEFDE116_CodRec").SetAsString(receita);
                        e.Campo("RegEFDE116_MesRef").SetAsString(referencia.Formatar("MMYYYY"));
                      });
}

int Th5RegistroEFDE100::RetornarIDEstadoFilial(int id_filial, std::string& sigla) {
  TxbResultado r = GetSession().Consultar(
      "select e.idf_uf as id_estado, f.sigla from Z8_FILIAL a "
      "inner join KLVG_PAPELREL b on b.id = a.idf_papelrel "
      "inner join KLVG_IDENT c on c.id = b.idf_ident "
      "inner join KLVG_ENDER d on d.id = c.idf_ender "
      "inner join KLVG_CID e on e.id = d.idf_cid "
      "inner join KLVG_UF f on f.id = e.idf_uf where (a.id = :id_filial)",
      {{"id_filial", id_filial}});
  sigla = r.Vazio() ? "" : Trim(r.linhas[0][1].AsString());
  return r.Vazio() ? 0 : r.linhas[0][0].AsInteger();
}

int Th5RegistroEFDE100::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco,
                                              const std::string& lista,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [E100]");
  const TCabecalho c = LerCabecalho(id_efd);
  ExcluirRegistroEFD(id_efd);
  GetDados().Isolar(0, "VsEDC01");
  if (!Aplicacao().ChecarFamiliaRegistrada("ApuImposto"))
    return GerarApuracaoPeloRegSPED(id_efd, tipo, bloco, lista);

  const std::vector<TApuracao> apuracoes = ApuracoesDoPeriodo(
      GetSession(), c.filial, IdImpostoDoTipo(GetSession(), "0"), c.inicio, c.fim);
  if (apuracoes.empty() && DocumentosComICMS(c))
    GetSession().Logar(fmt::format(
        "Filial {}: os documentos de {} a {} têm ICMS, mas o ERP não tem apuração do ICMS do "
        "período; o E110 vai zerado",
        c.filial, c.inicio.Formatar("DD/MM/YYYY"), c.fim.Formatar("DD/MM/YYYY")));
  if (!RegistroPedido(lista, "Registro E100") || apuracoes.empty()) {
    IncluirE110(bloco, IncluirE100(tipo, bloco, c.inicio, c.fim), TValoresE110{});
    return 2;
  }
  const TApuracao& apuracao = apuracoes.front();
  const int id_e100 = IncluirE100(tipo, bloco, apuracao.inicio, apuracao.fim);
  TParteApuracao parte;
  if (!RegistroPedido(lista, "Registro E110") ||
      !LerParteApuracao(GetSession(), apuracao.id_docto, parte))
    return 1;
  ApurarPeloERP(id_efd, bloco, lista, c, id_e100, apuracao, parte);
  return 1;
}

bool Th5RegistroEFDE100::DocumentosComICMS(const TCabecalho& c) {
  if (!FamiliasRegistradas({"TribItemProd", "ItemDocto"})) return false;
  TxbResultado r = GetSession().Consultar(
      "SELECT COUNT(*) FROM Z8_TRIITEMPRO A INNER JOIN Z8_TRIBITEM B ON B.ID = A.IDA "
      "INNER JOIN Z8_DOCTOITEM C ON C.ID = B.IDF_DOCTOITEM "
      "INNER JOIN Z8_PARTEDOCTO D ON D.ID = C.IDA INNER JOIN Z8_DOCTO E ON E.ID = D.IDF_DOCTO "
      "WHERE (E.IDF_FILIAL = :FILIAL) AND (E.SITUACAO = '1') AND (A.ICMSVALOR <> 0) "
      "AND (E.DTENTSAI BETWEEN :INICIO AND :FIM)",
      {{"FILIAL", c.filial}, {"INICIO", c.inicio}, {"FIM", c.fim}});
  return !r.Vazio() && r.linhas[0][0].AsInteger() > 0;
}

Th5RegistroEFDE100::TAjustesDocumentos Th5RegistroEFDE100::AjustesDosDocumentos(
    const TCabecalho& c) {
  TAjustesDocumentos somas;
  if (!FamiliasRegistradas(
          {"AjusteTribItem", "TabAjusteDocFiscal", "TribItemProd", "ItemDocto", "CFOP"}))
    return somas;
  const std::string f = Aplicacao().FragmentoSQL(GetSession().GetBD());
  // The adjustments of the items of goods documents, then those of freight
  // documents; codes of ICMS-ST (71) stay out, reversals ("3") count only on
  // the returns of CFOP 1.653/2.653 and on the standards that allow them.
  const std::string colunas =
      "SELECT SUM(CASE WHEN K.TIPOAJUSTE = '2' THEN K.BASE * K.ALIQUOTA / 100 ELSE K.VALOR END) "
      "VALORTOTAL, G.CODAJUSTE, ";
  const std::string documentos = "INNER JOIN Z8_DOCTO E " + f +
                                 " ON E.ID = D.IDF_DOCTO INNER JOIN Z8_TABAJVPRDF G " + f +
                                 " ON G.ID = K.IDF_TABAJVPRDF INNER JOIN Z8_CODFISOPE H " + f;
  const std::string tipos = " INNER JOIN Z8_TIPDOC I " + f +
                            " ON I.ID = E.IDF_TPDOCTO INNER JOIN Z8_PADRAODOC J " + f +
                            " ON J.ID = I.IDF_PADRAODOC ";
  const std::string periodo =
      "WHERE (E.IDF_FILIAL = :FILIAL) AND (E.DTENTSAI BETWEEN :INICIO AND :FIM) ";
  const std::string grupos =
      " GROUP BY K.TIPOAJUSTE, H.CODIGO, G.CODAJUSTE, E.IDF_SERIEDOCTO, E.ID, K.ALIQUOTA, H.ID";
  std::string sql =
      colunas + "'DOC' AS ORIGEM, E.ID, K.TIPOAJUSTE, K.ALIQUOTA, H.ID FROM Z8_TRIITEMPRO A " + f +
      " INNER JOIN Z8_TRIBITEM B " + f + " ON B.ID = A.IDA INNER JOIN Z8_DOCTOITEM C " + f +
      " ON C.ID = B.IDF_DOCTOITEM INNER JOIN Z8_PARTEDOCTO D " + f +
      " ON D.ID = C.IDA INNER JOIN Z8_AJTRIBITDO K " + f + " ON K.IDF_TRIBITEM = B.ID " +
      documentos + " ON H.ID = C.IDF_CFOP" + tipos + "LEFT JOIN Z8_IMPOSTO U " + f +
      " ON U.ID = K.IDF_IMPOSTO " + periodo +
      "AND (J.CODINTERNO in (41,42,117,118,119,122)) "
      "AND (((NOT G.CODAJUSTE LIKE '__71%') AND (K.TIPOAJUSTE <> '3')) "
      "OR (((H.CODIGO = '1.653')  OR (H.CODIGO = '2.653') OR (J.CODINTERNO in (41,117))) "
      "AND (K.TIPOAJUSTE = '3') AND (U.TIPO = '0')))" +
      grupos;
  // Freight adjustments are of the ICMS alone.
  if (FamiliasRegistradas({"ParteDoctoConheceFrete", "AjusteTribConheceFrete"}))
    sql += " UNION " + colunas +
           "'FRT' AS ORIGEM, E.ID, K.TIPOAJUSTE, K.ALIQUOTA, H.ID FROM Z8_ParDcCoFre B " + f +
           " INNER JOIN Z8_PARTEDOCTO D " + f + " ON D.ID = B.IDA INNER JOIN Z8_AJTRIBCOFR K " + f +
           " ON K.IDF_CONHFREDOC = B.ID " + documentos + " ON H.ID = B.IDF_CFOP" + tipos + periodo +
           "AND (J.CODINTERNO in (13, 134)) "
           "AND (((NOT G.CODAJUSTE LIKE '__71%') AND (K.TIPOAJUSTE <> '3')) "
           "OR (((H.CODIGO = '1.653')  OR (H.CODIGO = '2.653')) AND (K.TIPOAJUSTE = '3')))" +
           grupos;
  TxbResultado r =
      GetSession().Consultar(sql, {{"FILIAL", c.filial}, {"INICIO", c.inicio}, {"FIM", c.fim}});
  for (const auto& l : r.linhas) {
    const double valor = Centavos(l[0].AsFloat());
    switch (SomaDoAjusteDeDocumento(l[1].AsString(), Trim(l[2].AsString()))) {
      case 'A':
        somas.a += valor;
        break;
      case 'D':
        somas.d += valor;
        break;
      case 'O':
        somas.o += valor;
        break;
    }
  }
  return somas;
}

std::vector<Th5RegistroEFDE100::TAjusteApuracao>::iterator Th5RegistroEFDE100::Acumular(
    std::vector<TAjusteApuracao>& ajustes, const std::string& codigo, const std::string& descricao,
    double valor) {
  auto it = std::find_if(ajustes.begin(), ajustes.end(), [&](const TAjusteApuracao& a) {
    return a.codigo == codigo && a.descricao == descricao;
  });
  if (it == ajustes.end()) it = ajustes.insert(ajustes.end(), {codigo, descricao, 0, {}, {}});
  it->valor += valor;
  return it;
}

std::vector<Th5RegistroEFDE100::TAjusteApuracao> Th5RegistroEFDE100::AjustesDasRubricas(
    const TCabecalho& c, const std::string& lista, const TParametrosEstado& estado,
    TTotaisAjustes& totais) {
  std::vector<TAjusteApuracao> ajustes;
  if (!RegistroPedido(lista, "Registro E111")) return ajustes;
  const bool com_processos = RegistroPedido(lista, "Registro E112");
  const bool com_documentos = RegistroPedido(lista, "Registro E113");
  const int icms = IdImpostoDoTipo(GetSession(), "0");
  auto arredondar = [&ajustes] {
    for (auto& a : ajustes) a.valor = Centavos(a.valor);
  };
  int documento = 0;
  for (const TLinhaRubrica& l :
       RubricasDoPeriodo(GetSession(), c.filial, c.inicio, c.fim, icms, TTabelaAjuste::ICMS)) {
    // Each document's lines are rounded once it is done.
    if (l.id_docto != documento) arredondar();
    documento = l.id_docto;
    // Codes of 10 characters adjust documents, not the assessment.
    if (l.codigo.size() != 8) continue;
    auto it = Acumular(ajustes, l.codigo, Trim(Aplicacao().GetSuporteG().TratarTexto(l.descricao)),
                       l.valor_fiscal);
    if (com_processos)
      for (const TProcesso& p : ProcessosDoDocumento(GetSession(), l.id_docto))
        if (std::none_of(it->processos.begin(), it->processos.end(),
                         [&](const TProcesso& q) { return q.nro_proc == p.nro_proc; }))
          it->processos.push_back(p);
    // The purchase an adjustment of Simples Nacional purchases ("2") or of
    // the rate difference ("1") refers to, when its items carry it.
    const char* tipo = l.id_tipo_docto == estado.tipo_simples ? "2"
                       : l.id_tipo_docto == estado.tipo_difal ? "1"
                                                              : nullptr;
    TDocumentoAjuste d;
    if (com_documentos && l.id_docto_compra != 0 && tipo &&
        LerDocumentoDeCompra(GetSession(), l.id_docto_compra, c.filial, icms, tipo, d))
      it->documentos.emplace_back(d, l.valor_fiscal);
  }
  arredondar();
  // The totals are those of the lines the file shows.
  for (const TAjusteApuracao& a : ajustes) {
    if (a.codigo[2] != '0') continue;
    if (a.codigo[3] == '0') totais.debitos += a.valor;
    if (a.codigo[3] == '2') totais.creditos += a.valor;
    if (a.codigo[3] == '4') totais.deducoes += a.valor;
  }
  return ajustes;
}

Th5RegistroEFDE100::TParametrosEstado Th5RegistroEFDE100::ParametrosDoEstado(int id_estado) {
  TParametrosEstado p;
  if (!FamiliasRegistradas({"ParamEstadoEscritaFiscal"})) return p;
  TxbResultado r = GetSession().Consultar(
      "SELECT IDF_TPDOCRUBSIMNAC, IDF_TPDOCRUBDIFALIQ, IDF_TPDOCRUBCREDPRESICMSTTD, "
      "IDF_TDESTCREDPRESICMSTTD, CLASSEVENC, CODRECEITA FROM Z8_PESTESCFIS "
      "WHERE IDF_ESTADO = :ESTADO ORDER BY ID",
      {{"ESTADO", id_estado}});
  if (!r.Vazio()) {
    const auto& l = r.linhas[0];
    p = {l[0].AsInteger(), l[1].AsInteger(),      l[2].AsInteger(),
         l[3].AsInteger(), Trim(l[4].AsString()), Trim(l[5].AsString())};
  }
  return p;
}

void Th5RegistroEFDE100::IncluirDocumentos(int id_efd, int bloco, const TCabecalho& c, int id_e111,
                                           const TAjusteApuracao& a) {
  if (a.documentos.empty()) return;
  if (!participantes_)
    participantes_ = Aplicacao().CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", GetSession());
  auto e113 = Aplicacao().Criar("RegistroEFDE113", GetSession());
  TxbObjetoTemporario liberar(e113);
  const int tipo = IdTipoRegistro(GetSession(), bloco, "E113");
  for (const auto& [d, valor] : a.documentos) {
    const std::string participante = participantes_->IncluirIdentidade(
        id_efd, IdBloco0(GetSession(), id_efd), d.id_ident, c.inicio, c.fim);
    // Consumer documents name no participant.
    const bool consumidor = d.modelo == "59" || d.modelo == "63" || d.modelo == "65";
    IncluirFilho(*e113, tipo, bloco, "E113", "E111", id_e111, [&] {
      e113->Campo("RegEFDE113_CodPart").SetAsString(consumidor ? "" : participante);
      e113->Campo("RegEFDE113_CodMod").SetAsString(d.modelo);
      e113->Campo("RegEFDE113_SerDoc").SetAsString(d.serie.substr(0, 4));
      e113->Campo("RegEFDE113_NumDoc").SetAsString(d.numero);
      e113->Campo("RegEFDE113_DatEmi").SetAsString(FormatarData(d.emissao));
      e113->Campo("RegEFDE113_VlrAju").SetAsFloat(Centavos(valor));
      e113->Campo("RegEFDE113_ChvNFE").SetAsString(d.chave);
    });
  }
}

void Th5RegistroEFDE100::IncluirAjustes(int id_efd, int bloco, const TCabecalho& c, int id_e110,
                                        const std::vector<TAjusteApuracao>& ajustes) {
  if (ajustes.empty()) return;
  auto e111 = Aplicacao().Criar("RegistroEFDE111", GetSession());
  TxbObjetoTemporario liberar(e111);
  auto e112 = Aplicacao().Criar("RegistroEFDE112", GetSession());
  TxbObjetoTemporario liberar_e112(e112);
  const int tipo_e111 = IdTipoRegistro(GetSession(), bloco, "E111");
  const int tipo_e112 = IdTipoRegistro(GetSession(), bloco, "E112");
  for (const TAjusteApuracao& a : ajustes) {
    const int id = IncluirFilho(*e111, tipo_e111, bloco, "E111", "E110", id_e110, [&] {
      e111->Campo("RegEFDE111_CodAjustApur").SetAsString(a.codigo);
      e111->Campo("RegEFDE111_DescCompl").SetAsString(a.descricao);
      e111->Campo("RegEFDE111_ValAjusApura").SetAsFloat(a.valor);
    });
    for (const TProcesso& p : a.processos)
      IncluirFilho(*e112, tipo_e112, bloco, "E112", "E111", id, [&] {
        e112->Campo("RegEFDE112_NroDocAr").SetAsString(p.nro_doc_arrec);
        e112->Campo("RegEFDE112_NroProc").SetAsString(p.nro_proc);
        e112->Campo("RegEFDE112_IndProc").SetAsString(p.ind_proc);
        e112->Campo("RegEFDE112_DescProc").SetAsString(p.desc_proc);
      });
    IncluirDocumentos(id_efd, bloco, c, id, a);
  }
}

void Th5RegistroEFDE100::ApurarPeloERP(int id_efd, int bloco, const std::string& lista,
                                       const TCabecalho& c, int id_e100, const TApuracao& apuracao,
                                       const TParteApuracao& parte) {
  std::string uf;
  const int id_estado = RetornarIDEstadoFilial(c.filial, uf);
  if (id_estado == 0)
    throw EErro(
        fmt::format("A filial {} não tem estado no endereço: a apuração do ICMS "
                    "precisa do estado da filial",
                    c.filial));
  const bool rj = uf == "RJ";
  const TParametrosEstado estado = ParametrosDoEstado(id_estado);
  const TAjustesDocumentos ajustes = AjustesDosDocumentos(c);
  // The presumed credit of a special regime adjusts credits, its reversal
  // debits, as the documents' adjustments do.
  const TCreditoPresumido presumido = CreditoPresumidoDoPeriodo(
      GetSession(), c.filial, estado.tipo_credito_ttd, estado.tipo_estorno_ttd, c.inicio, c.fim);
  // Rio de Janeiro's fund, unless the ERP's module of imports declares it.
  TFundoPobreza fecep;
  if (rj && !Aplicacao().ChecarFamiliaRegistrada("ImpProdDeclarImp")) {
    fecep = FundoPobrezaDoPeriodo(GetSession(), c.filial, c.inicio, c.fim);
    fecep = {Centavos(fecep.saidas), Centavos(fecep.entradas)};
  }
  // The file shows the adjustments to the cent, and E110 their totals.
  const TDifalDevolucoes difal =
      DifalDasDevolucoes(GetSession(), c.filial, id_estado, c.inicio, c.fim);
  const double devolucoes = Centavos(difal.valor);
  const double creditos_doc = ajustes.a + presumido.credito;
  TValoresE110 v;
  v.tot_debitos = parte.debitos;
  v.aj_debitos_doc = ajustes.d + presumido.estorno;
  v.tot_aj_debitos = ajustes.o;
  v.estornos_cred = parte.estornos_creditos;
  v.tot_creditos = parte.creditos;
  // Reversals of debits already counted among the documents' adjustments
  // are not counted twice.
  v.aj_creditos_doc = Centavos(parte.estornos_debitos) == Centavos(creditos_doc) ? 0 : creditos_doc;
  v.estornos_deb = parte.estornos_debitos;
  v.saldo_credor_ant = parte.saldo_anterior;
  TTotaisAjustes totais;
  std::vector<TAjusteApuracao> rubricas = AjustesDasRubricas(c, lista, estado, totais);
  const bool com_ajustes = RegistroPedido(lista, "Registro E111");
  // The rate difference of returned goods is a credit adjustment; the fund
  // of the outputs a debit beyond the assessment, that of the entries a
  // deduction.
  if (devolucoes != 0) {
    if (com_ajustes) Acumular(rubricas, difal.codigo, "", devolucoes);
    totais.creditos += devolucoes;
  }
  if (com_ajustes && fecep.saidas != 0)
    Acumular(rubricas, "RJ050008", "FECEP SAIDA - DEBITO EXTRA APURACAO", fecep.saidas);
  if (com_ajustes && fecep.entradas != 0)
    Acumular(rubricas, "RJ040010", "FECEP ENTRADA - DEDUCOES", fecep.entradas);
  v.tot_aj_debitos += totais.debitos;
  v.tot_aj_creditos = totais.creditos;
  v.tot_deducoes = fecep.entradas + totais.deducoes;
  v.debitos_especiais = SomaDosAjustesC197(GetSession(), id_efd, {"__72%", "__70%"}) + fecep.saidas;

  if (Aplicacao().ChecarFamiliaRegistrada("IntegraDravik") &&
      parte.outros_creditos > v.aj_creditos_doc + v.tot_aj_creditos)
    v.aj_creditos_doc += parte.outros_creditos - (v.aj_creditos_doc + v.tot_aj_creditos);
  if (Aplicacao().ChecarFamiliaRegistrada("PrioridadeOlvecor")) v.aj_creditos_doc = 0;
  // One company books its reversals of debits as credit adjustments.
  if (EmpresaDaFilial(GetSession(), c.filial).nome.find("PARVINT") != std::string::npos) {
    v.aj_creditos_doc = parte.estornos_debitos;
    v.estornos_deb = 0;
  }
  FecharSaldos(v, rj);
  const int id_e110 = IncluirE110(bloco, id_e100, v);
  IncluirAjustes(id_efd, bloco, c, id_e110, rubricas);
  if (GerarObrigacoes(bloco, c, id_e110, v, apuracao, parte, rj, estado, fecep))
    IncluirDeclaratorios(bloco, c, id_e110, id_estado);
}

bool Th5RegistroEFDE100::GerarObrigacoes(int bloco, const TCabecalho& c, int id_e110,
                                         const TValoresE110& v, const TApuracao& apuracao,
                                         const TParteApuracao& parte, bool rj,
                                         const TParametrosEstado& estado,
                                         const TFundoPobreza& fecep) {
  if (!Aplicacao().ChecarFamiliaRegistrada("VencImpTribNormal")) return false;
  TxbResultado r = GetSession().Consultar(
      "SELECT DIAVENCTO, CLASSVENC, CODRECEITA FROM Z8_VENIMPTRBN "
      "WHERE (IDF_IMPOSTO = :IMPOSTO) AND ((IDF_FILIAL = :FILIAL) OR (IDF_FILIAL IS NULL)) "
      "ORDER BY INICIOVIGENCIA, DIAVENCTO",
      {{"IMPOSTO", IdImpostoDoTipo(GetSession(), "0")}, {"FILIAL", c.filial}});
  if (r.Vazio()) return false;
  const std::string dia = RetornarDiaVencimento(Trim(r.linhas[0][0].AsString()));
  const TDateTime vencimento = DiaDoMes(TDateTime(apuracao.fim.dias + 10), dia);
  std::string uf;
  RetornarIDEstadoFilial(c.filial, uf);
  // From 2013 the state's parameters complete the revenue code: in SC the
  // due date's class (the state's, else the configuration's) is its
  // suffix, and a revenue code of the state replaces the configuration's.
  std::string classe, receita = Trim(r.linhas[0][2].AsString());
  if (c.inicio.Ano() >= 2013) {
    if (uf == "SC")
      classe =
          RetornaClasseVencimento(estado.classe_vencimento.empty() ? Trim(r.linhas[0][1].AsString())
                                                                   : estado.classe_vencimento);
    if (!estado.receita.empty()) receita = estado.receita;
  }
  // In RJ the fund of the outputs has an obligation of its own: the
  // assessed balance is the ICMS's, unless the fund of the entries exceeds
  // that of the outputs.
  double valor = v.icms_recolher + v.debitos_especiais - parte.imposto_recolher_ttd;
  if (rj)
    valor =
        v.icms_recolher != 0 && fecep.entradas > fecep.saidas ? v.icms_recolher : v.saldo_apurado;
  IncluirE116(bloco, id_e110, "000", valor, vencimento, receita + classe, apuracao.fim);
  if (parte.imposto_recolher_ttd > 0)
    IncluirE116(bloco, id_e110, "000", parte.imposto_recolher_ttd, vencimento, "2496" + classe,
                apuracao.fim);
  if (rj && fecep.saidas != 0) {
    const TDateTime seguinte(apuracao.fim.DateOf().dias + 1);
    const double fundo = v.saldo_credor_transportar == 0 && fecep.saidas > fecep.entradas
                             ? fecep.saidas - fecep.entradas
                             : fecep.saidas;
    IncluirE116(bloco, id_e110, "006", fundo, DiaDoMes(seguinte, "10"), "7501", apuracao.fim);
  }
  return true;
}

Th5RegistroEFDE100::TSaldosPorMascara Th5RegistroEFDE100::SaldosPorMascara(const TCabecalho& c,
                                                                           int id_plano) {
  TSaldosPorMascara saldos;
  if (!FamiliasRegistradas({"SaldoContaContabilMes", "SaldoClasseMensal", "ClasseVisual"}))
    return saldos;
  // A class's movements are those of the accounts under it: of the classes
  // of its mask and of the masks it begins.
  TxbResultado r = GetSession().Consultar(
      "SELECT F.MASCARA, SUM(B.VALOR) AS SALDO FROM Z8_SLDCLAMEN A "
      "INNER JOIN Z8_SLDCTACTBM B ON B.ID = A.IDF_SLDCTACTBM "
      "INNER JOIN KLVG_CLASSEVIS C ON C.ID = A.IDF_CLASSEVIS "
      "INNER JOIN KLVG_CLASSEVIS F ON (F.IDF_PLANOVISUAL = C.IDF_PLANOVISUAL) "
      "AND ((C.MASCARA = F.MASCARA) OR (C.MASCARA LIKE F.MASCARA || '.%')) "
      "INNER JOIN KLVG_PLVISUAL G ON G.ID = F.IDF_PLANOVISUAL "
      "WHERE (B.DATA BETWEEN :DATAINICIAL AND :DATAFINAL) "
      "AND A.IDF_PERCENCLS IS NULL "
      "AND (B.IDF_FILIAL = :FILIAL_ID) "
      "AND G.ID = :PLVISUAL_ID "
      "GROUP BY F.MASCARA",
      {{"DATAINICIAL", c.inicio},
       {"DATAFINAL", c.fim},
       {"FILIAL_ID", c.filial},
       {"PLVISUAL_ID", id_plano}});
  for (const auto& l : r.linhas) saldos[Trim(l[0].AsString())] = l[1].AsFloat();
  return saldos;
}

double Th5RegistroEFDE100::ValorDeclaratorio(const TCabecalho& c, const TLinhaDeclaratoria& l,
                                             std::optional<TSaldosPorMascara>& saldos) {
  if (l.id_cfop != 0)
    return IsentasOuOutrasDoCFOP(GetSession(), c.filial, l.id_cfop, l.tipo_valor == "0", c.inicio,
                                 c.fim);
  if (!l.mascara.empty()) {
    if (!saldos) saldos = SaldosPorMascara(c, l.id_plano);
    auto it = saldos->find(l.mascara);
    return it == saldos->end() ? 0 : std::fabs(it->second);
  }
  if (l.tipo_reg != "2" || !FamiliasRegistradas({"FuncionariosFilial"})) return 0;
  // The branch's employees at the latest count of the period.
  TxbResultado r = GetSession().Consultar(
      "SELECT NUMFUNC FROM Z8_FUNCFILIAL WHERE (IDF_FILIAL = :FILIAL) "
      "AND (INICIOVIGENCIA <= :FIM) ORDER BY INICIOVIGENCIA DESC",
      {{"FILIAL", c.filial}, {"FIM", c.fim}});
  return r.Vazio() ? 0 : std::round(r.linhas[0][0].AsFloat());
}

void Th5RegistroEFDE100::IncluirDeclaratorios(int bloco, const TCabecalho& c, int id_e110,
                                              int id_estado) {
  auto e115 = Aplicacao().Criar("RegistroEFDE115", GetSession());
  TxbObjetoTemporario liberar(e115);
  const int tipo = IdTipoRegistro(GetSession(), bloco, "E115");
  // Values of one code add up under the E110; the last description stays.
  const TIncluirDeclaratorio incluir = [&](const std::string& codigo, double valor,
                                           const std::string& texto) {
    if (!e115->Ativo()) e115->GetDados().Isolar(0, "VsEDC01");
    if (e115->GetDados().GetCDS().Locate("RegEFDE115_IDF_RegEFDE110;RegEFDE115_CodInfAd",
                                         {TVariant(id_e110), TVariant(codigo)})) {
      e115->EditarRegistro();
      e115->Campo("RegEFDE115_ValRefInfAd")
          .SetAsFloat(e115->Campo("RegEFDE115_ValRefInfAd").AsFloat() + valor);
      e115->Campo("RegEFDE115_DescComplAj").SetAsString(texto);
      e115->ConfirmarRegistro();
      return;
    }
    IncluirFilho(*e115, tipo, bloco, "E115", "E110", id_e110, [&] {
      e115->Campo("RegEFDE115_CodInfAd").SetAsString(codigo);
      e115->Campo("RegEFDE115_ValRefInfAd").SetAsFloat(valor);
      e115->Campo("RegEFDE115_DescComplAj").SetAsString(texto);
    });
  };
  DeclaratoriosDaTabela(c, id_estado, incluir);
  BeneficiosDoParana(c, incluir);
}

void Th5RegistroEFDE100::DeclaratoriosDaTabela(const TCabecalho& c, int id_estado,
                                               const TIncluirDeclaratorio& incluir) {
  if (!FamiliasRegistradas({"InfAdicApuracaoICMS", "ParamEstadoEscritaFiscal"})) return;
  TxbResultado r = GetSession().Consultar(
      " SELECT A.TIPOVALOR, A.DESCICAOCOMPL, A.ADICREGGERALOBSERV, A.TIPOREG, A.IDF_CFOP AS "
      "IDCFOP, B.CODAJUSAPURA, E.ID AS ID_CLASSEVIS, E.IDF_PLANOVISUAL, E.MASCARA "
      "FROM Z8_IADICAPICM A "
      "INNER JOIN Z8_TABAJSALAP B ON B.ID = A.IDF_TABAJSALAP "
      "LEFT JOIN KLVG_CLASSEVIS E ON E.ID = A.IDF_CLASSEVIS "
      "INNER JOIN Z8_PESTESCFIS C ON C.ID = A.IDF_PESTESCFIS "
      "LEFT JOIN Z8_CODFISOPE CC ON CC.ID = A.IDF_CFOP "
      " WHERE (C.IDF_ESTADO = :ID_ESTADO) AND ((CC.TIPOMOV = '2') OR (CC.ID IS NULL)) "
      " ORDER BY A.TIPOREG DESC, A.ID",
      {{"ID_ESTADO", id_estado}});
  std::string observacao;
  std::optional<TSaldosPorMascara> saldos;
  for (const auto& l : r.linhas) {
    const std::string tipo_reg = Trim(l[3].AsString()), descricao = Trim(l[1].AsString());
    const double valor = ValorDeclaratorio(c,
                                           {tipo_reg, Trim(l[0].AsString()), Trim(l[8].AsString()),
                                            l[4].AsInteger(), l[7].AsInteger()},
                                           saldos);
    // A row of kind "0" carries the general observation of the rows before.
    incluir(Trim(l[5].AsString()), valor, Trim(tipo_reg == "0" ? observacao : descricao));
    if (UpperCase(Trim(l[2].AsString())) == "T") observacao += descricao + " ";
  }
}

void Th5RegistroEFDE100::BeneficiosDoParana(const TCabecalho& c,
                                            const TIncluirDeclaratorio& incluir) {
  if (!FamiliasRegistradas({"AjusteTribItem", "TabAjusteDocFiscal", "TribItemProd", "ItemDocto",
                            "ClaTrib", "SerieDocto", "ModeloDocto"}))
    return;
  // The benefit adjustments of the items of the branch's own authorised
  // NF-e and NFC-e of the period.
  TxbResultado r = GetSession().Consultar(
      "SELECT K.VALOR, G.CODAJUSTE, G.DESCRICAODET AS DESCRICAO, H.CODIGO AS CST, "
      "C.VALLIQUIDONF, A.ICMSVALORISENTO, A.ICMSVALOROUTRAS, A.ICMSVALOR, A.VALREDICMS, "
      "A.ICMSBASE, K.ALIQUOTA FROM Z8_TRIITEMPRO A INNER JOIN Z8_TRIBITEM B ON B.ID = A.IDA "
      "INNER JOIN Z8_DOCTOITEM C ON C.ID = B.IDF_DOCTOITEM "
      "INNER JOIN Z8_PARTEDOCTO D ON D.ID = C.IDA INNER JOIN Z8_DOCTO E ON E.ID = D.IDF_DOCTO "
      "INNER JOIN Z8_AJTRIBITDO K ON K.IDF_TRIBITEM = B.ID "
      "INNER JOIN Z8_TABAJVPRDF G ON G.ID = K.IDF_TABAJVPRDF "
      "INNER JOIN Z8_CLATRIBUT H ON H.ID = A.IDF_CLATRIBICMS "
      "INNER JOIN Z8_IMPOSTO U ON U.ID = K.IDF_IMPOSTO "
      "INNER JOIN Z8_SERIEDOCTO SERIE ON SERIE.ID = E.IDF_SERIEDOCTO "
      "LEFT JOIN Z8_PARTETPDOC PT ON (PT.IDF_TIPDOC = E.IDF_TPDOCTO) AND (PT.FD = "
      "'TipoDoctoGeral') "
      "LEFT JOIN Z8_TPDOCTOGER L ON L.IDA = PT.ID "
      "LEFT JOIN Z8_MODELODOCT N ON N.ID = COALESCE(E.IDF_MODELODOCTO, L.IDF_MODELODOCT) "
      "WHERE (E.IDF_FILIAL = :FILIAL) AND (E.DTENTSAI BETWEEN :INICIO AND :FIM) "
      "AND ( K.TIPOAJUSTE IN ('6','7','8','9','A','B','C','D')) "
      "AND (N.CODMODELO IN ('55', '65')) "
      "AND (SERIE.SERIENFE IN ('1','T')) AND (E.SITUACAONFE = '3') AND (SERIE.TIPO = '1') "
      "AND ( U.TIPO = '0' ) "
      "AND ( H.CODIGO IN ('20', '30', '40', '41', '50', '51','70')) "
      "AND ( G.CODAJUSTE LIKE 'PR%' ) "
      "AND ( E.SITUACAO    = '1') ORDER BY E.ID, K.ID",
      {{"FILIAL", c.filial}, {"INICIO", c.inicio}, {"FIM", c.fim}});
  for (const auto& l : r.linhas)
    incluir(Trim(l[1].AsString()),
            ValorDoBeneficio(Trim(l[3].AsString()),
                             {l[0].AsFloat(), l[4].AsFloat(), l[5].AsFloat(), l[6].AsFloat(),
                              l[7].AsFloat(), l[8].AsFloat(), l[9].AsFloat(), l[10].AsFloat()}),
            Trim(l[2].AsString()));
}

double Th5RegistroEFDE100::ValorDoBeneficio(const std::string& cst, const TItemBeneficiado& i) {
  if (cst == "30" || cst == "40" || cst == "41") return i.liquido;
  if (cst == "20" || cst == "70") return i.isento > 0 ? i.isento : i.outras;
  // A deferral with a credit percentage is worth the ICMS deferred.
  if (cst == "51") return i.percentual != 0 && i.base != 0 ? i.icms - i.reduzido : i.liquido;
  if (cst == "50") return i.ajuste;
  return 0;
}

int Th5RegistroEFDE100::GerarApuracaoPeloRegSPED(int id_efd, int tipo, int bloco,
                                                 const std::string&) {
  const TCabecalho c = LerCabecalho(id_efd);
  ExcluirRegistroEFD(id_efd);
  const int id_e100 = IncluirE100(tipo, bloco, c.inicio, c.fim);
  TValoresE110 v;
  v.tot_debitos = SomarAnaliticos(GetSession(), id_efd, false);
  v.tot_creditos = SomarAnaliticos(GetSession(), id_efd, true);
  FecharSaldos(v, false);
  const int id_e110 = IncluirE110(bloco, id_e100, v);
  const int icms = IdImpostoDoTipo(GetSession(), "0");
  if (icms == 0) return 2;
  TxbResultado r =
      GetSession().Consultar("SELECT CODRECEITA FROM Z8_IMPOSTO WHERE ID = :ID", {{"ID", icms}});
  IncluirE116(bloco, id_e110, "000", v.icms_recolher,
              PrimeiroDiaUtilDoMesSeguinte(GetSession(), c.fim), Trim(r.linhas[0][0].AsString()),
              c.fim);
  return 3;
}

std::string Th5RegistroEFDE100::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro E100");
  TxbLinhasEFD linhas(GetSession());
  const int bloco = IdBloco(id_efd, "Bloco E");
  if (bloco > 0 && GetSession().Valor("ModeloEFD") != "2") {
    AbrirRegistrosDoBloco(bloco, "1");
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (!cds.IsEmpty()) {
      T2bDados& cabecalho = GetEFD()->GetDados();
      cabecalho.Isolar(id_efd, "VsESPGeracao");
      const int ano = cabecalho.GetCDS().FieldByName("EFD_DataInicio").AsDateTime().Ano();
      const bool mes_ref = ano >= 2011, chave = ano >= 2017;
      TxbFilhosDoBloco e110(GetSession(), "E110", "E100", bloco);
      TxbFilhosDoBloco e111(GetSession(), "E111", "E110", bloco);
      TxbFilhosDoBloco e112(GetSession(), "E112", "E111", bloco);
      TxbFilhosDoBloco e113(GetSession(), "E113", "E111", bloco);
      TxbFilhosDoBloco e115(GetSession(), "E115", "E110", bloco);
      TxbFilhosDoBloco e116(GetSession(), "E116", "E110", bloco);
      linhas.AdicionarPronta("|E001|0|");
      for (cds.First(); !cds.Eof(); cds.Next()) {
        AtualizarAvanco(id_efd, "E100", cds.RecNo(), cds.RecordCount());
        linhas.Adicionar("E100", {Texto("RegEFDE100_DataInicio"), Texto("RegEFDE100_DataFim")});
        e110.ParaCada(Campo("RegEFDE100_ID").AsInteger(), [&] {
          auto v = [&](const char* campo) { return FormatarValor(e110.Valor(campo)); };
          linhas.Adicionar(
              "E110", {v("ValTotDeb"), v("ValAjustDebDoc"), v("ValTotAjDeb"), v("ValEstCred"),
                       v("ValTotCred"), v("ValAjustCred"), v("ValTotAjCred"), v("ValEstDeb"),
                       v("ValSalCredAnt"), v("ValSalApurado"), v("ValTotDed"), v("ValICMSaRec"),
                       v("ValSalCredTran"), v("DebEsp")});
          e111.ParaCada(e110.Id(), [&] {
            linhas.Adicionar("E111", {e111.Texto("CodAjustApur"), e111.Texto("DescCompl"),
                                      FormatarValor(Centavos(e111.Valor("ValAjusApura")))});
            e112.ParaCada(e111.Id(), [&] {
              linhas.Adicionar(
                  "E112", {e112.Texto("NroDocAr"), e112.Texto("NroProc"), e112.Texto("IndProc"),
                           e112.Texto("DescProc"), e112.Texto("CodObs")});
            });
            e113.ParaCada(e111.Id(), [&] {
              linhas.Adicionar("E113",
                               {e113.Texto("CodPart"), e113.Texto("CodMod"), e113.Texto("SerDoc"),
                                e113.Texto("SubSeDoc"), e113.Texto("NumDoc"), e113.Texto("DatEmi"),
                                e113.Texto("CodItem"), FormatarValor(e113.Valor("VlrAju")),
                                e113.Texto("ChvNFE")},
                               chave ? 9 : 8);
            });
          });
          e115.ParaCada(e110.Id(), [&] {
            linhas.Adicionar(
                "E115", {e115.Texto("CodInfAd"), FormatarValor(e115.Valor("ValRefInfAd")),
                         Trim(Aplicacao().GetSuporteG().TratarTexto(e115.Texto("DescComplAj")))});
          });
          e116.ParaCada(e110.Id(), [&] {
            linhas.Adicionar("E116",
                             {e116.Texto("CodObrig"), FormatarValor(e116.Valor("ValOBrig")),
                              e116.Texto("DataVencto"), e116.Texto("CodRec"), e116.Texto("NroProc"),
                              e116.Texto("IndProc"), e116.Texto("DescProc"),
                              e116.Texto("TextoCompl"), e116.Texto("MesRef")},
                             mes_ref ? 9 : 8);
          });
        });
      }
    }
  }
  GravarContador("QtdeLinhasBloco_E", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
