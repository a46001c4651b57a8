#include "registers/blockC/geracaoc400.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "control/linhaefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/uh5registroefd0190.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/blockC/documentosc100.h"
#include "registers/blockC/uh5registroefdc400.h"

namespace efd {
namespace {

// The closing's totals that make a partial totalizer of their own, by
// column of the closing and code of the totalizer.
struct TTotalReducao {
  const char* coluna;
  const char* codigo;
};
constexpr TTotalReducao kTotaisReducao[] = {
    {"TOTALSUBSTICMS", "F1"},  {"TOTALISENTOICMS", "I1"},      {"TOTALNAOINCIDICMS", "N1"},
    {"TOTALSUBSTISS", "FS1"},  {"TOTALISENTOISS", "IS1"},      {"TOTALNAOINCIDISS", "NS1"},
    {"TOTALDESCICMS", "DT"},   {"TOTALDESCISS", "DS"},         {"TOTALDESCNAOFISCAL", "DO"},
    {"TOTALACRESISS", "AS"},   {"TOTALACRESNAOFISCAL", "AO"},  {"TOTALCANCICMS", "Can-T"},
    {"TOTALCANCISS", "Can-S"}, {"TOTALCANCNAOFISCAL", "Can-O"}};

// How a coupon item's tax type names its totalizer: the closing's code
// (the rate's code for a taxed item), the branch's totalizer type, the
// name in messages and the text of the missing-C420 error.
struct TTributacao {
  const char* tipo;
  const char* codigo;
  const char* totalizador;
  const char* nome;
};
constexpr TTributacao kTributacoes[] = {{"0", "", "1", "Tributado"},
                                        {"1", "I1", "2", "Isento"},
                                        {"2", "F1", "4", "Subs. Trib."},
                                        {"3", "N1", "3", "Outros"}};

const TTributacao* Tributacao(const std::string& tipo) {
  for (const TTributacao& t : kTributacoes)
    if (tipo == t.tipo) return &t;
  return nullptr;
}

double Arred(double v) {
  return Arredondar(v, 2);
}

std::string Dia(TDateTime d) {
  const std::string t = FormatarData(d);
  return t.substr(0, 2) + "/" + t.substr(2, 2) + "/" + t.substr(4);
}

// The coupons of a printer on a day, with their items, and the item totals
// of a closing, read as coupon items.
struct TContribuicaoCupom {
  std::string cst;  // two digits, empty when the item has none
  double base = 0, aliquota = 0, quantidade = 0, aliquota_reais = 0;
};
struct TItemCupom {
  int64_t produto = 0;
  std::string unidade, situacao, tipo, cst, natureza_receita;
  double aliquota = 0, quantidade = 0, cancelada = 0, valor = 0, pis = 0, cofins = 0;
  TContribuicaoCupom contribuicao_pis, contribuicao_cofins;
};
struct TCupom {
  int64_t id = 0, tipo_documento = 0;
  std::string coo, situacao, documento, nome;
  TDateTime emissao;
  double valor = 0, bruto = 0;
  std::vector<TItemCupom> itens;
};

std::vector<TCupom> CarregarCupons(TxbSession& sessao, const std::string& serie, TDateTime dia);

// The CST, base, rate, quantity base and rate per unit of a PIS or COFINS
// whose columns start at primeira.
TContribuicaoCupom Contribuicao(const std::vector<TVariant>& l, size_t primeira) {
  const std::string cst = Trim(l[primeira].AsString());
  auto n = [&l, primeira](size_t i) { return l[primeira + i].AsFloat(); };
  return TContribuicaoCupom{cst.empty() ? cst : PreencherZerosEsquerda(cst, 2), n(1), n(2), n(3),
                            n(4)};
}

// The error of an item whose totalizer the closing lacks.
EErro SemTotalizador(const std::string& serie, TDateTime dia, const TItemCupom& i) {
  const std::string fim =
      fmt::format("NrSerie: [{}] Dia Inicio: [{}] Dia Fim: [{}]", serie, Dia(dia), Dia(dia));
  if (i.tipo == "0")
    return EErro(fmt::format("Não encontrado C420 compativel. aliquota: [{}] {}",
                             FormatarValor(i.aliquota), fim));
  if (i.tipo == "1") return EErro("Não encontrado C420 compativel Isento. " + fim);
  if (i.tipo == "2") return EErro("Não encontrado C420 compativel. Substituição Tributária " + fim);
  return EErro("Não encontrado C420 compativel. Não Incide " + fim);
}

}  // namespace

struct TGeracaoC400::TReducao {
  int64_t id = 0;
  TDateTime data;
  std::string serie, numero, modelo;
  int64_t cro = 0, crz = 0, coo = 0;
  double grande_total = 0, bruto = 0;
  std::vector<double> totais;  // as kTotaisReducao
  // The closing's item totals, when its C425 take them instead of the
  // coupons; the coupons the user typed as cancelled (C460 rows).
  std::vector<TItemCupom> itens;
  std::vector<std::vector<TVariant>> cancelados;
  // The printer's coupons of the day, read once while the closing is stored.
  std::vector<TCupom> cupons;
};

// A valid item of a valid coupon of the day, or of the closing's item
// totals, as C425 adds it up; its PIS/COFINS those of the first one sold,
// the bases summed.
struct TGeracaoC400::TItemVendido {
  std::string codigo, unidade;
  double quantidade = 0, valor = 0, pis = 0, cofins = 0;
  TContribuicaoCupom contribuicao_pis, contribuicao_cofins;
};

struct TGeracaoC400::TAnalitico {
  std::string cst, cfop;
  double aliquota = 0, operacao = 0, base = 0, icms = 0;
};

TGeracaoC400::TGeracaoC400(Th5RegistroEFDC400& registro, int id_efd, int tipo_c400, int bloco,
                           const std::string& registros,
                           std::optional<TEstabelecimentoC100> estabelecimento)
    : registro_(registro),
      sessao_(registro.GetSession()),
      cabecalho_(LerCabecalhoEFD(sessao_, id_efd)),
      estabelecimento_(std::move(estabelecimento)),
      tipo_c400_(tipo_c400),
      bloco_(bloco),
      bloco0_(IdBloco0(sessao_, id_efd)),
      lista_(registros) {
  if (estabelecimento_) {
    cabecalho_.filial = estabelecimento_->filial;
    id_0140_ = estabelecimento_->id_0140;
  }
  r0190_ = Aplicacao().CriarComo<Th5RegistroEFD0190>("RegistroEFD0190", sessao_);
  r0200_ = Aplicacao().CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", sessao_);
  sem_prefixo_ = r0200_->GerarProdSemPrefixo(cabecalho_.empresa, cabecalho_.inicio, cabecalho_.fim);
  if (estabelecimento_) return;
  TxbResultado efd =
      sessao_.Consultar("SELECT INDPERFILFIS, LAYOUT FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  // A profile-B declarant reports what the printer totalled per item, unless
  // the ERP integrates the totals some other way.
  itens_da_reducao_ = lista_.Selecionado("C425") && Trim(efd.linhas[0][0].AsString()) == "B" &&
                      !Aplicacao().ChecarFamiliaRegistrada("TabelaIntegracaoTotall");
  detalhe_c425_ = Trim(efd.linhas[0][1].AsString()) == "1";
}

TGeracaoC400::~TGeracaoC400() {
  if (r0190_) Aplicacao().Destruir(r0190_);
  if (r0200_) Aplicacao().Destruir(r0200_);
}

int TGeracaoC400::Tipo(const std::string& codigo) {
  return tipos_(codigo[0] == '0' ? bloco0_ : bloco_, codigo);
}

TxbInsercaoRegistro& TGeracaoC400::Insercao(const std::string& codigo,
                                            std::vector<std::string> campos) {
  auto& i = insercoes_[codigo];
  if (!i) i = std::make_unique<TxbInsercaoRegistro>(sessao_, codigo, std::move(campos));
  return *i;
}

void TGeracaoC400::LerTotalizadores() {
  TxbResultado r = sessao_.Consultar(
      "SELECT T.TIPO, T.ALIQUOTA, CF.CODIGO FROM Z8_TOTAUTCOME T "
      "INNER JOIN Z8_IMPOSTO I ON I.ID = T.IDF_IMPOSTO "
      "LEFT JOIN Z8_CODFISOPE CF ON CF.ID = T.IDF_CFOP "
      "WHERE T.IDF_FILIAL = :FILIAL AND I.TIPO = '0'",
      {{"FILIAL", cabecalho_.filial}});
  for (const auto& l : r.linhas) {
    const std::string tipo = Trim(l[0].AsString());
    const double aliquota = tipo == "1" && !l[1].IsNull() ? Arred(l[1].AsFloat()) : 0;
    cfops_[{tipo, aliquota}] = Digitos(l[2].AsString()).substr(0, 4);
  }
}

int TGeracaoC400::Executar() {
  TxbBlocoMonitorado monitor(sessao_.Monitor(), 330, "REGISTRO C400");
  // The totalizers give the CFOPs of the ICMS/IPI model's coupon items.
  if (!estabelecimento_) LerTotalizadores();
  std::string colunas =
      "A.ID, A.DATAMOV, A.NRSERIEECF, A.NUMEROECF, A.MODELOECF, A.CRO, A.CONTREDUCOESZ, "
      "A.COOREDUCAOZ, A.TOTALGERAL, A.TOTALVENDABRUTA";
  for (const TTotalReducao& t : kTotaisReducao) colunas += std::string(", A.") + t.coluna;
  TxbResultado r = sessao_.Consultar("SELECT " + colunas +
                                         " FROM Z8_RDZ A WHERE (A.DATAMOV BETWEEN :DTINI AND "
                                         ":DTFIN) AND (A.IDF_FILIAL = :FILIAL_ID) AND "
                                         "(A.TOTALVENDABRUTA > 0) ORDER BY A.ID",
                                     {{"DTINI", cabecalho_.inicio.DateOf()},
                                      {"DTFIN", cabecalho_.fim.DateOf()},
                                      {"FILIAL_ID", cabecalho_.filial}});
  std::vector<TReducao> janela;
  for (const auto& l : r.linhas) {
    TReducao& z = janela.emplace_back();
    auto texto = [&l](size_t i) { return Trim(l[i].AsString()); };
    auto numero = [&l](size_t i) { return l[i].AsFloat(); };
    z.id = l[0].AsInt64();
    z.data = l[1].AsDateTime().DateOf();
    z.serie = texto(2);
    z.numero = texto(3);
    z.modelo = texto(4);
    z.cro = l[5].AsInt64();
    z.crz = l[6].AsInt64();
    z.coo = l[7].AsInt64();
    z.grande_total = numero(8);
    z.bruto = numero(9);
    for (size_t i = 0; i < std::size(kTotaisReducao); ++i) z.totais.push_back(numero(10 + i));
    if (janela.size() == LinhasPorJanela()) Janela(janela);
  }
  Janela(janela);
  return static_cast<int>(impressoras_.size());
}

void TGeracaoC400::Janela(std::vector<TReducao>& janela) {
  if (janela.empty()) return;
  if (itens_da_reducao_) ItensDasReducoes(janela);
  if (!estabelecimento_ && lista_.Selecionado("C460")) CuponsDigitados(janela);
  for (TReducao& z : janela) {
    sessao_.Progresso("Registro C400 - Redução Z para ECF = " + z.serie);
    z.cupons = CarregarCupons(sessao_, z.serie, z.data);
    Reducao(z);
    std::vector<TCupom>().swap(z.cupons);
  }
  janela.clear();
}

void TGeracaoC400::ItensDasReducoes(std::vector<TReducao>& janela) {
  std::vector<int64_t> ids;
  std::map<int64_t, TReducao*> por_id;
  for (TReducao& z : janela) ids.push_back((por_id[z.id] = &z)->id);
  // The product by its code in the company, the unit by its code in any case.
  TxbResultado r = sessao_.Consultar(
      "SELECT I.IDF_REDUCAOZ, I.TIPOTRIBUTACAO, I.ALIQUOTA, I.CODPRODUTO, I.CODUNIDADE, "
      "(SELECT MIN(P.ID) FROM Z8_PROD P WHERE P.CODPROD = I.CODPRODUTO AND P.IDF_EMPRESA = "
      ":EMPRESA), (SELECT MIN(U.CODIGO) FROM Z8_UNIDADE U WHERE UPPER(U.CODIGO) = "
      "UPPER(I.CODUNIDADE)), I.QTDEACUM, I.VLRACUM, I.VALPIS, I.VALCOFINS, I.CSTPIS, I.BASEPIS, "
      "I.ALIQPIS, I.QTDBASEPIS, I.ALIQPISREAIS, I.CSTCOFINS, I.BASECOFINS, I.ALIQCOFINS, "
      "I.QTDBASECOFINS, I.ALIQCOFINSREAIS FROM Z8_ITENSRDZ I " +
          sessao_.JuncaoIds("I.IDF_REDUCAOZ", ids) + "ORDER BY I.IDF_REDUCAOZ, I.ID",
      {{"EMPRESA", cabecalho_.empresa}});
  for (const auto& l : r.linhas) {
    const TReducao& z = *por_id.at(l[0].AsInt64());
    auto t = [&l](size_t i) { return Trim(l[i].AsString()); };
    auto falta = [&](const char* o_que, size_t coluna, const char* atributo) {
      return EErro(fmt::format(
          "Registro C425, redução Z do ECF {} de {}: {} \"{}\" dos totais de item ({}) não existe",
          z.serie, Dia(z.data), o_que, t(coluna), atributo));
    };
    if (l[5].IsNull()) throw falta("o produto", 3, "ItensRdz_CodProduto");
    if (l[6].IsNull()) throw falta("a unidade", 4, "ItensRdz_CodUnidade");
    TItemCupom i;
    i.situacao = "0";
    i.tipo = t(1);
    i.aliquota = Arred(l[2].AsFloat());
    i.produto = l[5].AsInt64();
    i.unidade = SubstituirTodos(t(6), " ", "");
    i.quantidade = l[7].AsFloat();
    i.valor = Arred(l[8].AsFloat());
    i.pis = l[9].AsFloat();
    i.cofins = l[10].AsFloat();
    i.contribuicao_pis = Contribuicao(l, 11);
    i.contribuicao_cofins = Contribuicao(l, 16);
    por_id.at(l[0].AsInt64())->itens.push_back(std::move(i));
  }
}

int64_t TGeracaoC400::Impressora(const TReducao& z) {
  auto it = impressoras_.find(z.serie);
  if (it != impressoras_.end()) return it->second;
  const int64_t id =
      Insercao("C400", {"CodModel", "ModeloEquip", "NumSerie", "NumCaixa", "IDF_RegEFDC010"})
          .Inserir(bloco_, tipo_c400_,
                   {"2D", z.modelo, z.serie, registro_.AcertarConteudo(z.numero, 3, "N", 0),
                    estabelecimento_ ? TVariant(estabelecimento_->id_c010) : TVariant()});
  return impressoras_[z.serie] = id;
}

void TGeracaoC400::Reducao(const TReducao& z) {
  const int64_t c400 = Impressora(z);
  const int64_t c405 = Insercao("C405", {"DataMov", "CRO", "CRZ", "COO", "ValGrandeTot",
                                         "ValorBruto", "IDF_ReducaoZ", "IDF_RegEFDC400"})
                           .Inserir(bloco_, Tipo("C405"),
                                    {FormatarData(z.data),
                                     registro_.AcertarConteudo(std::to_string(z.cro), 3, "N", 0),
                                     registro_.AcertarConteudo(std::to_string(z.crz), 6, "N", 0),
                                     registro_.AcertarConteudo(std::to_string(z.coo), 6, "N", 0),
                                     z.grande_total, z.bruto, z.id, c400});
  if (estabelecimento_) {
    ResumoContribuicoes(z, c405);
    return;
  }

  TxbResultado pis_cofins = sessao_.Consultar(
      "SELECT TIPO, TOTIMPOSTO FROM Z8_PISCOFRDZ WHERE IDF_REDUCAOZ = :ID", {{"ID", z.id}});
  if (!pis_cofins.Vazio()) {
    sessao_.Progresso("RegistroEFD [C410]");
    double pis = 0, cofins = 0;
    for (const auto& l : pis_cofins.linhas)
      (Trim(l[0].AsString()) == "1" ? pis : cofins) += l[1].AsFloat();
    Insercao("C410", {"ValorPIS", "ValorCOFINS", "IDF_RegEFDC405"})
        .Inserir(bloco_, Tipo("C410"), {Arred(pis), Arred(cofins), c405});
  }

  const std::map<std::string, int64_t> c420 = Totalizadores(z, c405);
  if (lista_.Selecionado("C425")) ItensDoDia(z, c420);
  std::vector<TAnalitico> analiticos;
  Cupons(z, c405, analiticos);

  // The C490 ICMS follows the printer's total when they part by cents.
  TxbResultado total = sessao_.Consultar(
      "SELECT SUM(ICMSRDZ.TOTALIMPOSTO) FROM Z8_ICMSRDZ ICMSRDZ WHERE ICMSRDZ.IDF_REDUCAOZ = :ID",
      {{"ID", z.id}});
  double soma = 0;
  for (TAnalitico& a : analiticos) soma = Arred(soma + (a.icms = Arred(a.icms)));
  const double acerto = Th5RegistroEFDC400::AcertoDeArredondamento(
      total.Vazio() ? 0 : total.linhas[0][0].AsFloat(), soma);
  if (acerto != 0) {
    auto maior =
        std::max_element(analiticos.begin(), analiticos.end(),
                         [](const TAnalitico& a, const TAnalitico& b) { return a.icms < b.icms; });
    maior->icms = Arred(maior->icms + acerto);
  }
  sessao_.Progresso("RegistroEFD [C490]");
  for (const TAnalitico& a : analiticos)
    Insercao("C490", {"CSTICMS", "CFOP", "Aliquota", "ValOper", "BaseCalcICMS", "ValICMS", "CodObs",
                      "IDF_RegEFDC405"})
        .Inserir(bloco_, Tipo("C490"),
                 {a.cst, a.cfop, a.aliquota, Arred(a.operacao), Arred(a.base), a.icms, TVariant(),
                  c405});
}

std::map<std::string, int64_t> TGeracaoC400::Totalizadores(const TReducao& z, int64_t c405) {
  sessao_.Progresso("RegistroEFD [C420]");
  std::map<std::string, int64_t> c420;
  auto incluir = [&](const std::string& codigo, double valor, const std::string& numero) {
    if (Arred(valor) == 0) return;
    auto existente = c420.find(codigo);
    if (existente != c420.end()) {
      sessao_.ExecutarDiretoNoBD(
          "UPDATE Z8_REGEFDC420 SET VALACUMTOT = VALACUMTOT + :VALOR WHERE ID = :ID",
          {{"VALOR", Arred(valor)}, {"ID", existente->second}});
      return;
    }
    c420[codigo] =
        Insercao("C420", {"CodTot", "ValAcumTot", "NumTot", "DescSitTot", "IDF_RegEFDC405"})
            .Inserir(bloco_, Tipo("C420"), {codigo, Arred(valor), numero, TVariant(), c405});
  };
  for (const auto& l : sessao_
                           .Consultar("SELECT ALIQUOTA, BASECALCULO FROM Z8_ICMSRDZ WHERE "
                                      "IDF_REDUCAOZ = :ID ORDER BY ALIQUOTA",
                                      {{"ID", z.id}})
                           .linhas)
    incluir(registro_.CodigoTotalizadorICMS(l[0].AsFloat()), l[1].AsFloat(), "1");
  for (const auto& l : sessao_
                           .Consultar("SELECT ALIQUOTA, BASECALCULO FROM Z8_ISSRDZ WHERE "
                                      "IDF_REDUCAOZ = :ID ORDER BY ALIQUOTA",
                                      {{"ID", z.id}})
                           .linhas)
    incluir("S" + registro_.AcertarConteudo(FormatarValor(l[0].AsFloat()), 4, "N", 2),
            l[1].AsFloat(), "1");
  // Cash movements are not sales: supplies, withdrawals and receipts stay out.
  TxbResultado nao_fiscal = sessao_.Consultar(
      "SELECT SUM(VALOR) FROM Z8_NAOFISRDZ WHERE IDF_REDUCAOZ = :ID AND DESCRICAO NOT IN "
      "('Suprimento', 'Sangria', 'Recibo')",
      {{"ID", z.id}});
  if (!nao_fiscal.Vazio() && !nao_fiscal.linhas[0][0].IsNull())
    incluir("OPNF", nao_fiscal.linhas[0][0].AsFloat(), "");
  for (size_t i = 0; i < std::size(kTotaisReducao); ++i)
    incluir(kTotaisReducao[i].codigo, z.totais[i], "");
  return c420;
}

std::string TGeracaoC400::Item(int64_t produto, std::string& unidade) {
  auto it = itens_.find(produto);
  if (it == itens_.end()) {
    std::string estoque = unidade;
    const std::string codigo = r0200_->IncluirProdutoDoCupom(
        cabecalho_.id, bloco0_, produto, sem_prefixo_, estoque, cabecalho_.inicio, cabecalho_.fim,
        id_0140_, cabecalho_.filial, lista_.bloco0, "C425/C470");
    it = itens_.emplace(produto, std::make_pair(codigo, estoque)).first;
  }
  if (unidade.empty()) unidade = it->second.second;
  if (unidades_.insert(unidade).second && lista_.Selecionado("0190"))
    r0190_->IncluirNovo(cabecalho_.id, bloco0_, Tipo("0190"), unidade, unidade, id_0140_);
  return it->second.first;
}

namespace {

std::vector<TCupom> CarregarCupons(TxbSession& sessao, const std::string& serie, TDateTime dia) {
  const TParametros p = {{"SERIE", serie}, {"INICIO", dia}, {"FIM", TDateTime(dia.dias + 1)}};
  std::vector<TCupom> cupons;
  std::map<int64_t, size_t> posicao;
  TxbResultado r = sessao.Consultar(
      "SELECT D.ID, D.COOCUPOM, D.SITUACAOCF, D.VALLIQUIDO, D.VALBRUTO, D.CPF_CNPJCLIENTE, "
      "D.NOMECLIENTE, C.DATAEMI, I.CPFCNPJ, I.NOME, C.IDF_TPDOCTO FROM Z8_CUPFISCAL D "
      "INNER JOIN Z8_DOCTO C ON C.ID = D.IDA LEFT JOIN KLVG_IDENT I ON I.ID = C.IDF_IDENT "
      "WHERE D.NUMSERIEECF = :SERIE AND D.DATAFINALIMPRESSAO >= :INICIO "
      "AND D.DATAFINALIMPRESSAO < :FIM ORDER BY D.COOCUPOM, D.ID",
      p);
  for (const auto& l : r.linhas) {
    auto t = [&l](size_t i) { return Trim(l[i].AsString()); };
    TCupom c;
    c.id = l[0].AsInt64();
    c.coo = t(1);
    c.situacao = t(2);
    c.valor = l[3].AsFloat();
    c.bruto = l[4].AsFloat();
    c.documento = Digitos(t(5).empty() ? t(8) : t(5));
    c.nome = t(6).empty() ? t(9) : t(6);
    c.emissao = l[7].AsDateTime().DateOf();
    c.tipo_documento = l[10].IsNull() ? 0 : l[10].AsInt64();
    posicao[c.id] = cupons.size();
    cupons.push_back(std::move(c));
  }
  if (cupons.empty()) return cupons;
  TxbResultado itens = sessao.Consultar(
      "SELECT A.IDF_CUPFISCAL, A.IDF_PROD, U.CODIGO, A.SITUACAOITEM, A.TIPOTRIBUTACAO, "
      "A.ALIQUOTA, A.CST, A.QUANTIDADE, A.QTDECANCELADA, A.VALLIQUIDO, A.VALDESCPROP, "
      "A.VALDESCFIN, A.VALACRESPROP, A.VALACRESFIN, A.VALPIS, A.VALCOFINS, A.CSTPIS, A.BASEPIS, "
      "A.ALIQPIS, A.QTDBASEPIS, A.ALIQPISREAIS, A.CSTCOFINS, A.BASECOFINS, A.ALIQCOFINS, "
      "A.QTDBASECOFINS, A.ALIQCOFINSREAIS, A.NATRECPISCOFINS "
      "FROM Z8_ITEMCUPFIS A INNER JOIN Z8_CUPFISCAL D ON D.ID = A.IDF_CUPFISCAL "
      "LEFT JOIN Z8_UNPROD UP ON UP.ID = A.IDF_UNPROD "
      "LEFT JOIN Z8_UNIDADE U ON U.ID = UP.IDF_UNIDADE "
      "WHERE D.NUMSERIEECF = :SERIE AND D.DATAFINALIMPRESSAO >= :INICIO "
      "AND D.DATAFINALIMPRESSAO < :FIM ORDER BY A.IDF_CUPFISCAL, A.ID",
      p);
  for (const auto& l : itens.linhas) {
    auto t = [&l](size_t i) { return Trim(l[i].AsString()); };
    auto n = [&l](size_t i) { return l[i].AsFloat(); };
    TItemCupom i;
    i.produto = l[1].AsInt64();
    i.unidade = SubstituirTodos(t(2), " ", "");
    i.situacao = t(3);
    i.tipo = t(4);
    i.aliquota = Arred(n(5));
    i.cst = t(6);
    i.quantidade = n(7);
    i.cancelada = n(8);
    // What the item sold for: its net value less the financial and shared
    // discounts, plus the shared and financial increases.
    i.valor = Arred(n(9) - n(11) - n(10) + n(12) + n(13));
    i.pis = n(14);
    i.cofins = n(15);
    i.contribuicao_pis = Contribuicao(l, 16);
    i.contribuicao_cofins = Contribuicao(l, 21);
    i.natureza_receita = t(26);
    cupons[posicao.at(l[0].AsInt64())].itens.push_back(std::move(i));
  }
  return cupons;
}

bool Valido(const TCupom& c) {
  return c.situacao != "1" && c.bruto > 0;
}

}  // namespace

void TGeracaoC400::ItensDoDia(const TReducao& z, const std::map<std::string, int64_t>& c420) {
  sessao_.Progresso("Registro C425");
  // By C420 row, the items in the order they were first sold.
  std::map<int64_t, std::vector<TItemVendido>> grupos;
  auto somar = [&](const TItemCupom& i) {
    if (i.situacao != "0" || i.produto == 0) return;
    const TTributacao* t = Tributacao(i.tipo);
    const std::string codigo = !t           ? "N1"
                               : *t->codigo ? t->codigo
                                            : registro_.CodigoTotalizadorICMS(i.aliquota);
    auto totalizador = c420.find(codigo);
    if (totalizador == c420.end()) throw SemTotalizador(z.serie, z.data, i);
    std::string unidade = i.unidade;
    const std::string item = Item(i.produto, unidade);
    std::vector<TItemVendido>& itens = grupos[totalizador->second];
    auto g = std::find_if(itens.begin(), itens.end(),
                          [&item](const TItemVendido& v) { return v.codigo == item; });
    if (g == itens.end())
      g = itens.insert(itens.end(), TItemVendido{item, unidade, 0, 0, 0, 0, i.contribuicao_pis,
                                                 i.contribuicao_cofins});
    else
      for (auto [soma, parcela] : {std::pair{&g->contribuicao_pis, &i.contribuicao_pis},
                                   std::pair{&g->contribuicao_cofins, &i.contribuicao_cofins}}) {
        soma->base = Arred(soma->base + parcela->base);
        soma->quantidade += parcela->quantidade;
      }
    g->quantidade += i.quantidade;
    g->valor = Arred(g->valor + i.valor);
    g->pis = Arred(g->pis + i.pis);
    g->cofins = Arred(g->cofins + i.cofins);
  };
  if (!z.itens.empty())
    for (const TItemCupom& i : z.itens) somar(i);
  else
    for (const TCupom& c : z.cupons)
      if (Valido(c))
        for (const TItemCupom& i : c.itens) somar(i);

  std::vector<std::string> campos = {"CodigoItem", "Qtde",        "Unidade",       "ValorItem",
                                     "ValorPIS",   "ValorCOFINS", "IDF_RegEFDC420"};
  if (detalhe_c425_)
    campos.insert(campos.end(),
                  {"CST_PIS", "BasePIS", "AliqPIS", "QtdBasePIS", "QtdAliqPIS", "CST_COFINS",
                   "BaseCOFINS", "AliqCOFINS", "QtdBaseCOFINS", "QtdAliqCOFINS"});
  TxbInsercaoRegistro& insercao = Insercao("C425", campos);
  for (const auto& [pai, itens] : grupos)
    for (const TItemVendido& v : itens) {
      std::vector<TVariant> valores = {v.codigo, v.quantidade, v.unidade, v.valor,
                                       v.pis,    v.cofins,     pai};
      if (detalhe_c425_)
        for (const TContribuicaoCupom& c : {v.contribuicao_pis, v.contribuicao_cofins})
          valores.insert(valores.end(),
                         {c.cst, c.base, c.aliquota, c.quantidade, c.aliquota_reais});
      insercao.Inserir(bloco_, Tipo("C425"), valores);
    }
}

std::string TGeracaoC400::Cfop(const std::string& tipo_tributacao, double aliquota) {
  const TTributacao* t = Tributacao(tipo_tributacao);
  auto it = t ? cfops_.find({t->totalizador, tipo_tributacao == "0" ? Arred(aliquota) : 0.0})
              : cfops_.end();
  if (it == cfops_.end())
    throw EErro(
        "Necessário Configurar o Totalizador Automação Comercial em Parametros por Filial para o "
        "imposto ICMS!! Alíquota: " +
        FormatarValor(aliquota) + "Tipo : " + (t ? t->nome : tipo_tributacao));
  return it->second;
}

void TGeracaoC400::Cupons(const TReducao& z, int64_t c405, std::vector<TAnalitico>& analiticos) {
  const bool c460 = lista_.Selecionado("C460");
  // A closing whose items come from its item totals sums its coupons by the
  // totalizers' own CFOPs (tax substitution 5405, every other 5102), the
  // ICMS of each item rounded.
  const bool pelos_totais = !z.itens.empty();
  for (const TCupom& c : z.cupons) {
    const std::string situacao = Th5RegistroEFDC400::SituacaoCupom(c.situacao);
    const bool valido = Valido(c);
    double pis = 0, cofins = 0;
    std::vector<std::vector<TVariant>> c470;
    for (const TItemCupom& i : c.itens) {
      if (i.situacao != "0" || i.produto == 0 || situacao == "02") continue;
      const std::string cfop = Cfop(i.tipo, i.aliquota);
      std::string unidade = i.unidade;
      const std::string item = Item(i.produto, unidade);
      pis = Arred(pis + i.pis);
      cofins = Arred(cofins + i.cofins);
      c470.push_back({item, i.quantidade, i.cancelada, unidade, i.valor, i.cst, cfop, i.aliquota,
                      i.pis, i.cofins});
      if (!valido) continue;
      const std::string cfop_c490 = !pelos_totais ? cfop : i.tipo == "2" ? "5405" : "5102";
      auto a = std::find_if(analiticos.begin(), analiticos.end(), [&](const TAnalitico& x) {
        return x.cst == i.cst && x.cfop == cfop_c490 && std::fabs(x.aliquota - i.aliquota) < 1e-9;
      });
      if (a == analiticos.end())
        a = analiticos.insert(analiticos.end(), TAnalitico{i.cst, cfop_c490, i.aliquota});
      a->operacao += i.valor;
      if (i.tipo == "0") {
        const double icms = i.valor * i.aliquota / 100;
        a->base += i.valor;
        a->icms += pelos_totais ? Arred(icms) : icms;
      }
    }
    if (!c460) continue;
    const bool cancelado = situacao == "02";
    const int64_t id = Cupom(
        {"2D", situacao, registro_.AcertarConteudo(c.coo, 6, "N", 0), FormatarData(c.emissao),
         cancelado ? TVariant() : TVariant(Arred(c.valor)), cancelado ? TVariant() : TVariant(pis),
         cancelado ? TVariant() : TVariant(cofins), cancelado ? TVariant() : TVariant(c.documento),
         cancelado ? TVariant() : TVariant(c.nome), c405});
    for (std::vector<TVariant>& v : c470) {
      v.push_back(id);
      Insercao("C470", {"CodItem", "Qtde", "QtdeCanc", "Unidade", "ValorItem", "CSTICMS", "CFOP",
                        "Aliquota", "ValorPIS", "ValorCOFINS", "IDF_RegEFDC460"})
          .Inserir(bloco_, Tipo("C470"), v);
    }
  }
  if (!c460) return;
  for (std::vector<TVariant> cancelado : z.cancelados) {
    cancelado.push_back(c405);
    Cupom(cancelado);
  }
}

int64_t TGeracaoC400::Cupom(const std::vector<TVariant>& valores) {
  return Insercao("C460", {"CodModelo", "CodSit", "NumDocCOO", "DataEmi", "ValDoc", "ValorPIS",
                           "ValorCOFINS", "CPFCNPJ", "NomeAdq", "IDF_RegEFDC405"})
      .Inserir(bloco_, Tipo("C460"), valores);
}

void TGeracaoC400::CuponsDigitados(std::vector<TReducao>& janela) {
  if (!Aplicacao().ChecarFamiliaRegistrada("DoctoCancelSped")) return;
  double primeiro = janela.front().data.dias, ultimo = primeiro;
  std::map<std::pair<std::string, double>, std::vector<TReducao*>> por_dia;
  for (TReducao& z : janela) {
    primeiro = std::min(primeiro, z.data.dias);
    ultimo = std::max(ultimo, z.data.dias);
    por_dia[{z.serie, z.data.dias}].push_back(&z);
  }
  TxbResultado r = sessao_.Consultar(
      "SELECT A.NRSERIEECF, A.COD_MOD, A.COD_SIT, A.NUM_DOC, A.DT_DOC FROM Z8_DOCCANSPED A WHERE "
      "(A.REG = 'C460') AND (A.IDF_FILIAL = :FILIAL) AND (A.DT_DOC >= :INICIO) AND (A.DT_DOC < "
      ":FIM) ORDER BY A.NUM_DOC, A.ID",
      {{"FILIAL", cabecalho_.filial},
       {"INICIO", TDateTime(primeiro)},
       {"FIM", TDateTime(ultimo + 1)}});
  for (const auto& l : r.linhas) {
    auto texto = [&l](size_t i) { return Trim(l[i].AsString()); };
    const TDateTime dia = l[4].AsDateTime().DateOf();
    auto reducoes = por_dia.find({texto(0), dia.dias});
    if (reducoes == por_dia.end()) continue;
    for (TReducao* z : reducoes->second)
      z->cancelados.push_back({texto(1).empty() ? "2D" : texto(1),
                               texto(2).empty() ? "02" : texto(2),
                               registro_.AcertarConteudo(texto(3), 6, "N", 0), FormatarData(dia),
                               TVariant(), TVariant(), TVariant(), TVariant(), TVariant()});
  }
}

namespace {

// A line of C481 or C485: a closing's sales of one CST, rate and item.
using TChaveResumo = std::tuple<std::string, double, double, std::string>;
struct TResumo {
  double item = 0, base = 0, quantidade = 0, valor = 0;
};

void Resumir(std::map<TChaveResumo, TResumo>& resumo, const TContribuicaoCupom& c,
             const std::string& item, double valor, double imposto) {
  if (c.cst.empty()) return;
  TResumo& r = resumo[{c.cst, Arredondar(c.aliquota, 4), Arredondar(c.aliquota_reais, 4), item}];
  r.item = Arred(r.item + valor);
  r.base = Arred(r.base + c.base);
  r.quantidade += c.quantidade;
  r.valor = Arred(r.valor + imposto);
}

}  // namespace

void TGeracaoC400::ResumoContribuicoes(const TReducao& z, int64_t c405) {
  std::map<TChaveResumo, TResumo> pis, cofins;
  for (const TCupom& c : z.cupons) {
    if (!Valido(c)) continue;
    for (const TItemCupom& i : c.itens) {
      if (i.situacao != "0" || i.produto == 0) continue;
      std::string unidade = i.unidade;
      const std::string item = Item(i.produto, unidade);
      Resumir(pis, i.contribuicao_pis, item, i.valor, i.pis);
      Resumir(cofins, i.contribuicao_cofins, item, i.valor, i.cofins);
      if (!CSTSemContribuicao(i.contribuicao_pis.cst) ||
          !estabelecimento_->receita_sem_contribuicao)
        continue;
      if (i.natureza_receita.empty())
        throw EErro(fmt::format(
            "Registro M410, cupom {} do ECF {}: o item do cupom (ItemCupFis_NatRecPisCofins) não "
            "informa a natureza da receita do CST {}",
            c.coo, z.serie, i.contribuicao_pis.cst));
      estabelecimento_->receita_sem_contribuicao(i.contribuicao_pis.cst, i.contribuicao_cofins.cst,
                                                 i.natureza_receita, contas_(c.tipo_documento),
                                                 i.valor);
    }
  }
  for (const auto& [codigo, resumo] :
       {std::make_pair("C481", &pis), std::make_pair("C485", &cofins)}) {
    if (!lista_.Selecionado(codigo)) continue;
    const std::string t = std::string(codigo) == "C481" ? "PIS" : "COFINS";
    TxbInsercaoRegistro& insercao = Insercao(
        codigo, {"CST_" + t, "VL_ITEM", "VL_BC_" + t, "ALIQ_" + t, "QUANT_BC_" + t,
                 "ALIQ_" + t + "_QUANT", "VL_" + t, "COD_ITEM", "COD_CTA", "IDF_RegEFDC405"});
    for (const auto& [chave, r] : *resumo) {
      const auto& [cst, aliquota, aliquota_reais, item] = chave;
      insercao.Inserir(bloco_, Tipo(codigo),
                       {cst, r.item, r.base, aliquota, r.quantidade, aliquota_reais, r.valor, item,
                        TVariant(), c405});
    }
  }
}

}  // namespace efd
