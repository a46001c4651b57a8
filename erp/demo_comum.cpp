#include "erp/demo_comum.h"

#include <fmt/format.h>

#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"

namespace efd::erp {

TVariant Reais(int64_t centavos) {
  return TVariant(static_cast<double>(centavos) / 100.0);
}
TVariant Percentual(int centesimos) {
  return TVariant(static_cast<double>(centesimos) / 100.0);
}
int64_t Aplicar(int64_t centavos, int centesimos) {
  return (centavos * centesimos + 5000) / 10000;
}
TVariant Texto(const std::string& s) {
  return s.empty() ? TVariant() : TVariant(s);
}
TVariant Flag(bool v) {
  return TVariant(v);
}

namespace {

// Check digit modulo 11 with the registries' weights.
char DigitoModulo11(const std::string& digitos, int peso_inicial, int peso_maximo) {
  int soma = 0, peso = peso_inicial;
  for (auto it = digitos.rbegin(); it != digitos.rend(); ++it) {
    soma += (*it - '0') * peso;
    peso = peso == peso_maximo ? 2 : peso + 1;
  }
  const int resto = soma % 11;
  return static_cast<char>('0' + (resto < 2 ? 0 : 11 - resto));
}

const std::vector<std::string> kRuas = {
    "Rua das Flores",       "Avenida Paulista",       "Rua XV de Novembro", "Avenida Brasil",
    "Rua Sete de Setembro", "Rua da Consolação",      "Avenida Rio Branco", "Rua Barão de Mauá",
    "Rua Tiradentes",       "Avenida Getúlio Vargas", "Rua Santos Dumont",  "Rua Marechal Deodoro"};
const std::vector<std::string> kBairros = {
    "Centro",    "Jardim América", "Vila Nova",  "Distrito Industrial",
    "Boa Vista", "Santa Cecília",  "Copacabana", "Batel"};

}  // namespace

std::string CompletarCNPJ(const std::string& doze) {
  std::string s = doze;
  s += DigitoModulo11(s, 2, 9);
  s += DigitoModulo11(s, 2, 9);
  return s;
}

std::string CompletarCPF(const std::string& nove) {
  std::string s = nove;
  s += DigitoModulo11(s, 2, 11);
  s += DigitoModulo11(s, 2, 11);
  return s;
}

std::string FormatarCNPJ(const std::string& d) {
  return d.substr(0, 2) + "." + d.substr(2, 3) + "." + d.substr(5, 3) + "/" + d.substr(8, 4) + "-" +
         d.substr(12, 2);
}

std::string FormatarCPF(const std::string& d) {
  return d.substr(0, 3) + "." + d.substr(3, 3) + "." + d.substr(6, 3) + "-" + d.substr(9, 2);
}

std::string ChaveAcesso(const std::string& uf, TDateTime emissao, const std::string& cnpj,
                        const std::string& modelo, const std::string& serie, int64_t numero,
                        const std::string& codigo) {
  std::string chave = uf + emissao.Formatar("YYMM") + cnpj + modelo +
                      PreencherZerosEsquerda(serie, 3) +
                      PreencherZerosEsquerda(std::to_string(numero), 9) + "1" + codigo;
  int soma = 0, peso = 2;
  for (auto it = chave.rbegin(); it != chave.rend(); ++it) {
    soma += (*it - '0') * peso;
    peso = peso == 9 ? 2 : peso + 1;
  }
  const int dv = 11 - soma % 11;
  return chave + static_cast<char>('0' + (dv >= 10 ? 0 : dv));
}

// ---- rows ----

TEscritor::TTabela& TEscritor::Tabela(const std::string& nome) {
  auto it = tabelas_.find(nome);
  if (it != tabelas_.end()) return it->second;
  const TxbFamilia& f = *TxbMetadados::Instancia().FamiliaPorTabela(nome);
  std::vector<std::string> colunas{"ID"};
  if (!f.ancestral.empty()) colunas.push_back("IDA");
  if (TemDescendentes(f)) colunas.push_back("FD");
  for (const auto& a : f.atributos) colunas.push_back(a.coluna);
  TTabela& t = tabelas_[nome];
  t.insercao = std::make_unique<TxbInsercao>(bd_, nome, colunas);
  for (size_t i = 0; i < colunas.size(); ++i) t.indices[colunas[i]] = i;
  ordem_.push_back(nome);
  return t;
}

void TEscritor::Inserir(TTabela& t, TValores valores) {
  for (const auto& [coluna, valor] : valores) {
    auto it = t.indices.find(coluna);
    if (it == t.indices.end())
      throw ENomeDesconhecido(std::string("Coluna desconhecida na empresa demo: ") + coluna);
    t.insercao->Definir(it->second, valor);
  }
  t.insercao->Gravar();
}

std::vector<TTempoTabela> TEscritor::Tempos() const {
  std::vector<TTempoTabela> tempos;
  for (const auto& nome : ordem_) {
    const TxbInsercao& i = *tabelas_.at(nome).insercao;
    tempos.push_back({nome, i.Linhas(), i.Segundos()});
  }
  return tempos;
}

// ---- persons ----

TPessoaEscrita EscreverPessoaDemo(TEscritor& e, TGerador& g, const TNovoId& Id,
                                  const TNovaPessoa& p) {
  const int64_t endereco = Id();
  e.Inserir("KLVG_ENDER", {{"ID", endereco},
                           {"CEP", p.cep.empty() ? TVariant() : TVariant(p.cep + g.Digitos(6))},
                           {"LOGRADOURO", g.Um(kRuas)},
                           {"BAIRRO", g.Um(kBairros)},
                           {"IDF_CID", p.cidade}});
  const int64_t id = Id();
  e.Inserir("KLVG_IDENT",
            {{"ID", id},
             {"FD", p.juridica ? "PessoaJuridica" : "PessoaFisica"},
             {"CODIGO", p.codigo},
             {"NOME", p.nome},
             {"FANTASIA", Texto(p.fantasia)},
             {"IDENTIFICACAO", Texto(p.documento)},
             {"CPFCNPJ", Texto(p.digitos)},
             {"INSCRICAOEST", Texto(p.ie)},
             {"IDF_ENDER", endereco},
             {"NUMERO", std::to_string(g.Entre(1, 3999))},
             {"COMPLEMENTO",
              g.Chance(30) ? TVariant(fmt::format("Sala {}", g.Entre(1, 40))) : TVariant()},
             {"TELEFONEPADRAO", Texto(p.fone)},
             {"IDF_PAIS", p.pais},
             {"IDIDENTFIL", p.estabelecimento ? TVariant(id) : TVariant()}});
  if (p.juridica)
    e.Inserir("KLVG_PESJUR", {{"ID", id},
                              {"IDA", id},
                              {"CNPJ", Texto(p.brasil ? p.documento : "")},
                              {"IE", Texto(p.ie)},
                              {"IM", Texto(p.im)}});
  else
    e.Inserir("KLVG_PESFIS",
              {{"ID", id}, {"IDA", id}, {"CPF", Texto(p.documento)}, {"RG", g.Digitos(9)}});
  if (!p.fone.empty())
    e.Inserir("KLVG_FONE", {{"ID", Id()}, {"IDF_IDENT", id}, {"TIPO", "1"}, {"NUMERO", p.fone}});
  if (!p.fax.empty())
    e.Inserir("KLVG_FONE", {{"ID", Id()}, {"IDF_IDENT", id}, {"TIPO", "2"}, {"NUMERO", p.fax}});
  if (!p.email.empty())
    e.Inserir("KLVG_ENDVIRT",
              {{"ID", Id()}, {"IDF_IDENT", id}, {"TIPO", "1"}, {"ENDERECO", p.email}});
  TPessoaEscrita r{id, 0};
  if (!p.papel.empty()) {
    r.papel = Id();
    e.Inserir("KLVG_PAPELREL", {{"ID", r.papel}, {"IDF_IDENT", id}, {"PAPEL", p.papel}});
  }
  return r;
}

// ---- branches ----

void ParametrosDaFilialDemo(TEscritor& e, int64_t id, int64_t filial, TDateTime inicio_validade,
                            bool c110_c120_com_impostos) {
  e.Inserir("Z8_PARAMFIL", {{"ID", id},
                            {"FD", "ParamFilialGeral"},
                            {"IDF_FILIAL", filial},
                            {"DATAINICIAL", inicio_validade},
                            {"DATAFINAL", TDateTime::EncodeDate(2099, 12, 31)},
                            {"SITUACAO", "1"}});
  e.Inserir("Z8_PARFILGER", {{"ID", id},
                             {"IDA", id},
                             {"INDSITESPPADRAO", "9"},
                             {"INDTPATIVPADRAO", "0"},
                             {"INDINCTRIBPADRAO", "1"},
                             {"INDMETAPROPPADRAO", "2"},
                             {"INDTPCONTRIBPADRAO", "1"},
                             {"INDPERFISCALPADRAO", "A"},
                             {"INDNATPJPADRAO", "00"},
                             {"REGIMEAPURA", "2"},
                             {"TIPOGERACAOPADRAO", "0"},
                             {"UFEXGC110C120IPICMS", Flag(c110_c120_com_impostos)},
                             {"PRIOVLRUNIT", "1"},
                             {"GRCTACBLCTAFINITLANC", Flag(false)},
                             {"NAOINTEGRAFISCAL", Flag(true)}});
}

const char* const kCodigoSerie[6] = {"1", "2", "3", "1", "1", "890"};

TSeriesFilial SeriesDaFilialDemo(TEscritor& e, const TNovoId& Id, int64_t filial) {
  const std::array<const char*, 2> series[] = {{"NF-e de emissão própria", "1"},
                                               {"NFC-e", "1"},
                                               {"Nota fiscal modelo 1", "1"},
                                               {"NF-e de terceiros", "2"},
                                               {"Nota fiscal modelo 1 de terceiros", "2"},
                                               {"NF-e avulsa (regime especial)", "1"}};
  const int64_t primeiros[] = {1001, 5001, 301, 0, 0, 1};
  TSeriesFilial r;
  for (size_t s = 0; s < std::size(series); ++s) {
    r.ids[s] = Id();
    r.proximo_numero[s] = primeiros[s];
    e.Inserir("Z8_SERIEDOCTO", {{"ID", r.ids[s]},
                                {"IDF_FILIAL", filial},
                                {"CODIGO", kCodigoSerie[s]},
                                {"DESCRICAO", series[s][0]},
                                {"TIPO", series[s][1]},
                                {"SERIENFE", Flag(s != kSerie01 && s != kSerieTerceiro01)},
                                {"REGIMEESPECIAL", Flag(s == kSerieEspecial)}});
  }
  return r;
}

int64_t TributacaoDaFilialDemo(TEscritor& e, const TNovoId& Id, const TTributacaoFilial& t) {
  const int64_t id = Id();
  const bool difal = !t.inscricao_difal.empty();
  e.Inserir("Z8_TRIBUFICMS", {{"ID", id},
                              {"IDF_FILIAL", t.filial},
                              {"IDF_UF", t.estado},
                              {"DATAINICIO", t.inicio},
                              {"DATAFINAL", t.fim},
                              {"INATIVO", Flag(t.inativo)},
                              {"INSCICMSSTDIFAL", Texto(t.inscricao_difal)},
                              {"NAOPINSCICMSSTDIFAL", Flag(!difal)},
                              {"FORMACALCDIFAL", difal ? TVariant("1") : TVariant()},
                              {"IDF_ICMSDIFAL", difal ? TVariant(t.imposto_difal) : TVariant()},
                              {"IDF_ICMSFCP", difal ? TVariant(t.imposto_fcp) : TVariant()}});
  e.Inserir("Z8_ALIQICMS", {{"ID", Id()},
                            {"IDF_TRIBUFICMS", id},
                            {"IDF_TPALIQICMS", t.tipo_aliquota_normal},
                            {"ALIQVENDACONTRIB", Percentual(t.aliquota_interna)},
                            {"ALIQVENDANAOCONTRIB", Percentual(t.aliquota_interna)},
                            {"ALIQCOMPRA", Percentual(t.aliquota_interna)}});
  e.Inserir("Z8_ALIQICMS", {{"ID", Id()},
                            {"IDF_TRIBUFICMS", id},
                            {"IDF_TPALIQICMS", t.tipo_aliquota_reduzida},
                            {"ALIQVENDACONTRIB", Percentual(1200)},
                            {"ALIQVENDANAOCONTRIB", Percentual(1200)},
                            {"ALIQCOMPRA", Percentual(1200)}});
  return id;
}

// ---- goods documents ----

void EscreverDocumentoDemo(TEscritor& e, const TDocumentoDemo& d) {
  auto id = [](int64_t v) { return v ? TVariant(v) : TVariant(); };
  e.Inserir("Z8_DOCTO", {{"ID", d.id},
                         {"FD", "Docto"},
                         {"IDF_FILIAL", d.filial},
                         {"IDF_TPDOCTO", d.tipo},
                         {"IDF_MODELODOCTO", id(d.modelo)},
                         {"IDF_SERIEDOCTO", d.serie},
                         {"IDF_IDENT", id(d.participante)},
                         {"IDF_PROCESSOIMP", id(d.processo)},
                         {"IDF_LOCENTCLI", id(d.local_entrega)},
                         {"NRODOCTO", d.numero},
                         {"DATAEMI", d.emissao},
                         {"DTENTSAI", d.entrada_saida},
                         {"SITUACAO", d.rascunho ? "0" : "1"},
                         {"SITUACAONF", d.situacao_nf},
                         {"SITUACAONFE", Texto(d.situacao_nfe)},
                         {"SIGLASISTORIGEM", d.propria ? "FAT" : "COM"},
                         {"OBSFISCAL", Texto(d.observacao_fiscal)},
                         {"VALTOTALNF", Reais(d.total)},
                         {"VALMERCADORIAS", Reais(d.mercadorias)},
                         {"VALSERVICOS", Reais(d.servicos)},
                         {"VALDESCONTO", Reais(d.desconto)},
                         {"VALDESCSUFRAMA", Reais(d.suframa)},
                         {"VALFRETE", Reais(d.frete)},
                         {"VALSEGURO", Reais(d.seguro)},
                         {"VALOUTRASDESPPROD", Reais(d.outras)},
                         {"VALOUTRASDESPSERV", Reais(0)},
                         {"VALDESPADUANEIRA", Reais(d.aduaneiras)},
                         {"VALIMPIMPORTACAO", Reais(d.imposto_importacao)},
                         {"VALPISIMP", Reais(d.pis_importacao)},
                         {"VALCOFINSIMP", Reais(d.cofins_importacao)}});
}

void EscreverItemProdutoDemo(TEscritor& e, const TItemProdutoDemo& i) {
  e.Inserir("Z8_PARTEDOCTO", {{"ID", i.id}, {"FD", "ItemDocto"}, {"IDF_DOCTO", i.documento}});
  e.Inserir("Z8_DOCTOITEM", {{"ID", i.id},
                             {"IDA", i.id},
                             {"SEQITEM", i.seq},
                             {"IDF_PROD", i.produto},
                             {"IDF_UNPROD", i.unidade},
                             {"IDF_CFOP", i.cfop},
                             {"IDF_CONTAFIN", i.conta_financeira},
                             {"QDADE", TVariant(static_cast<double>(i.decimos) / 10.0)},
                             {"VALUNITARIO", Reais(i.unitario)},
                             {"VALBRUTO", Reais(i.bruto)},
                             {"VALDESCONTO", Reais(i.desconto)},
                             {"VALDESCPROP", Reais(0)},
                             {"VALDESCSIMPNAC", Reais(0)},
                             {"VALDESCSUFRAMA", Reais(i.suframa)},
                             {"VALFUNRURALPROP", Reais(0)},
                             {"VALLIQUIDO", Reais(i.liquido)},
                             {"VALLIQUIDONF", Reais(i.liquido_nf)}});
  e.Inserir("Z8_TRIBITEM", {{"ID", i.id}, {"FD", "TribItemProd"}, {"IDF_DOCTOITEM", i.id}});
  const bool por_unidade = i.fixo_pis != 0;
  const TVariant base_pis =
      por_unidade ? TVariant(static_cast<double>(i.base_pis)) : Reais(i.base_pis);
  e.Inserir("Z8_TRIITEMPRO",
            {{"ID", i.id},
             {"IDA", i.id},
             {"IDF_CLAORIGEM", i.origem},
             {"IDF_CLATRIBICMS", i.tributacao},
             {"ICMSBASE", Reais(i.base)},
             {"ICMSALIQ", Percentual(i.aliquota)},
             {"ICMSVALOR", Reais(i.icms)},
             {"ICMSVALORISENTO", Reais(i.isento)},
             {"ICMSVALOROUTRAS", Reais(i.outras)},
             {"VALREDICMS", Reais(i.reducao)},
             {"ICMSBASEOBS", Reais(0)},
             {"ICMSVALOROBS", Reais(0)},
             {"ICMSRETBASE", Reais(i.base_st)},
             {"ICMSRETALIQ", Percentual(i.aliquota_st)},
             {"ICMSRETVALOR", Reais(i.valor_st)},
             {"ICMSRETBASEOBSERV", Reais(0)},
             {"ICMSVALFCPSTUFDEST", Reais(i.fcp_st)},
             {"ICMSVALINTERUFREMET", Reais(0)},
             {"ICMSVALINTERUFDEST", Reais(i.difal)},
             {"ICMSVALFCPUFDEST", Reais(0)},
             {"CLATRIBIPI", Texto(i.cst_ipi)},
             {"CODENQIPI", i.cst_ipi.empty() ? TVariant() : TVariant("999")},
             {"IPIBASE", Reais(i.base_ipi)},
             {"IPIALIQ", Percentual(i.aliquota_ipi)},
             {"IPIVALOR", Reais(i.ipi)},
             {"CLATRIBPIS", i.cst_pis},
             {"PISBASE", base_pis},
             {"PISALIQ", Percentual(i.pis)},
             {"VALFIXOPIS", TVariant(static_cast<double>(i.fixo_pis) / 10000.0)},
             {"PISVALOR", Reais(i.valor_pis)},
             {"CLATRIBCOFINS", i.cst_pis},
             {"COFINSBASE", base_pis},
             {"COFINSALIQ", Percentual(i.cofins)},
             {"VALFIXOCOFINS", TVariant(static_cast<double>(i.fixo_cofins) / 10000.0)},
             {"COFINSVALOR", Reais(i.valor_cofins)},
             {"PISALIQIMPORT", Percentual(i.importacao ? 210 : 0)},
             {"COFINSALIQIMPORT", Percentual(i.importacao ? 965 : 0)},
             {"PERCRECUPCREDPISIMP", Percentual(i.importacao ? 10000 : 0)},
             {"PERCRECCREDCOFINSIMP", Percentual(i.importacao ? 10000 : 0)},
             {"NATRECPISCOFINS", Texto(i.natureza_receita)}});
}

void EscreverAjusteICMSDemo(TEscritor& e, const TAjusteItemDemo& a) {
  e.Inserir("Z8_AJTRIBITDO", {{"ID", a.id},
                              {"IDF_TRIBITEM", a.item},
                              {"IDF_TABAJVPRDF", a.tabela},
                              {"IDF_IMPOSTO", a.imposto},
                              {"IDF_TABCODREC", 0},
                              {"TIPOAJUSTE", a.tipo},
                              {"BASE", Reais(a.base)},
                              {"ALIQUOTA", Percentual(a.aliquota)},
                              {"VALOR", Reais(Aplicar(a.base, a.aliquota))},
                              {"VLROUTROS", Reais(0)},
                              {"DESCCOMPL", TVariant()}});
}

}  // namespace efd::erp
