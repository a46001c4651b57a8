#include "erp/demo.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

#include "erp/demo_apuracao.h"
#include "erp/demo_apuracaocontribuicoes.h"
#include "erp/demo_ciap.h"
#include "erp/demo_complementosdocumento.h"
#include "erp/demo_comum.h"
#include "erp/demo_consolidacoes.h"
#include "erp/demo_contasconsumo.h"
#include "erp/demo_ecf.h"
#include "erp/demo_estoque.h"
#include "erp/demo_notasservico.h"
#include "erp/demo_outrasoperacoes.h"
#include "erp/demo_santacatarina.h"
#include "erp/demo_servicos.h"
#include "erp/demo_ultimascompras.h"
#include "erp/erp.h"
#include "erp/insercao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"

namespace efd::erp {

std::string ResultadoDemo::RelatorioTempos() const {
  std::string texto =
      fmt::format("{:<18} {:>10} {:>9} {:>12}\n", "table", "rows", "seconds", "rows/s");
  int64_t linhas = 0;
  double soma = 0;
  for (const auto& t : tempos) {
    texto += fmt::format("{:<18} {:>10} {:>9.3f} {:>12.0f}\n", t.tabela, t.linhas, t.segundos,
                         t.segundos > 0 ? t.linhas / t.segundos : 0.0);
    linhas += t.linhas;
    soma += t.segundos;
  }
  texto += fmt::format("{:<18} {:>10} {:>9.3f}   (whole build {:.3f} s)\n", "inserts", linhas, soma,
                       segundos);
  return texto;
}

namespace {

// The nature of a revenue without PIS/COFINS, by the ERP's CST letter:
// monophase resale (04), zero rate (06), exempt (07), export (08) and
// suspended (09), each from its table of the tax authority.
std::string NaturezaDaReceita(const std::string& cst_pis) {
  static const std::map<std::string, std::string> kNaturezas = {
      {"D", "102"}, {"E", "121"}, {"F", "201"}, {"G", "301"}, {"H", "110"}};
  auto it = kNaturezas.find(cst_pis);
  return it == kNaturezas.end() ? "" : it->second;
}
TDateTime Dia(int ano, int mes, int dia) {
  return TDateTime::EncodeDate(ano, mes, dia);
}

// --- reference data -------------------------------------------------------

struct TEstado {
  const char* sigla;
  const char* nome;
  const char* ibge;
  int aliquota;      // internal ICMS rate, hundredths of a percent
  bool sul_sudeste;  // origin of the 7% interstate rate (ES excluded)
};

const TEstado kEstados[] = {
    {"SP", "São Paulo", "35", 1800, true},       {"RJ", "Rio de Janeiro", "33", 2000, true},
    {"MG", "Minas Gerais", "31", 1800, true},    {"PR", "Paraná", "41", 1950, true},
    {"SC", "Santa Catarina", "42", 1700, true},  {"RS", "Rio Grande do Sul", "43", 1700, true},
    {"BA", "Bahia", "29", 2050, false},          {"PE", "Pernambuco", "26", 2050, false},
    {"GO", "Goiás", "52", 1900, false},          {"AM", "Amazonas", "13", 2000, false},
    {"ES", "Espírito Santo", "32", 1700, false}, {"EX", "Exterior", "99", 0, false},
};
constexpr size_t kSP = 0, kRJ = 1, kMG = 2, kPR = 3, kSC = 4, kAM = 9, kEX = 11;

struct TCidade {
  const char* nome;
  const char* ibge;
  size_t estado;
  const char* cep;  // first digits of the city's postcodes
};

const TCidade kCidades[] = {
    {"São Paulo", "3550308", kSP, "01"},  {"Campinas", "3509502", kSP, "13"},
    {"Guarulhos", "3518800", kSP, "07"},  {"Rio de Janeiro", "3304557", kRJ, "20"},
    {"Niterói", "3303302", kRJ, "24"},    {"Belo Horizonte", "3106200", kMG, "30"},
    {"Uberlândia", "3170206", kMG, "38"}, {"Curitiba", "4106902", kPR, "80"},
    {"Londrina", "4113700", kPR, "86"},   {"Joinville", "4209102", kSC, "89"},
    {"Porto Alegre", "4314902", 5, "90"}, {"Salvador", "2927408", 6, "40"},
    {"Recife", "2611606", 7, "50"},       {"Goiânia", "5208707", 8, "74"},
    {"Manaus", "1302603", kAM, "69"},     {"Vitória", "3205309", 10, "29"},
    {"Buenos Aires", "9999999", kEX, ""}, {"Miami", "9999999", kEX, ""},
};
constexpr size_t kSaoPaulo = 0, kCampinas = 1, kRio = 3, kNiteroi = 4, kManaus = 14,
                 kBuenosAires = 16, kMiami = 17;

struct TPais {
  const char* nome;
  const char* bacen;
  const char* iso;
};
const TPais kPaises[] = {
    {"Brasil", "1058", "BR"}, {"Argentina", "0639", "AR"}, {"Estados Unidos", "2496", "US"}};

const std::vector<std::string> kRamos = {"Mercado",    "Distribuidora", "Comercial", "Supermercado",
                                         "Atacadista", "Loja",          "Empório",   "Casa"};
const std::vector<std::string> kNomesFantasia = {"Bom Preço", "Central",  "do Vale",   "Estrela",
                                                 "Horizonte", "Paulista", "Mineira",   "do Sul",
                                                 "Nordeste",  "Aliança",  "Progresso", "União"};
const std::vector<std::string> kNaturezas = {"Ltda", "S.A.", "ME", "EIRELI"};
const std::vector<std::string> kPrenomes = {"Ana",     "Bruno",  "Carla",    "Diego",
                                            "Eduarda", "Felipe", "Gabriela", "Henrique",
                                            "Isabela", "João",   "Larissa",  "Marcos"};
const std::vector<std::string> kSobrenomes = {"Silva",     "Souza", "Oliveira", "Santos",
                                              "Pereira",   "Costa", "Almeida",  "Ferreira",
                                              "Rodrigues", "Gomes"};

// Products come from these categories, one product per variant.
struct TCategoria {
  const char* variantes;  // "|"-separated names
  const char* ncm;
  const char* cest;
  char familia;  // item kind of the family: A resale, B raw material, C packaging,
                 // E finished goods, H consumption, I fixed assets
  const char* unidade;
  const char* embalagem;     // a second unit, "" for none
  int fator;                 // standard units in one of the second unit
  int preco_min, preco_max;  // cents, per standard unit
  char pis;  // N rate on value, M money per unit, Z monophase at zero, E zero rate, I exempt,
             // S suspended
  int ipi;   // IPI rate of own production, hundredths of a percent
  char origem;
  const char* anp;  // fuel code of the petroleum agency's table
};

const TCategoria kCategorias[] = {
    {"Refrigerante cola 2L|Refrigerante guaraná 2L|Refrigerante laranja 350ml", "22021000",
     "0300700", 'A', "UN", "CX", 6, 600, 1200, 'M', 0, '0', ""},
    {"Cerveja pilsen lata 350ml|Cerveja puro malte 600ml|Cerveja sem álcool 350ml", "22030000",
     "0302100", 'A', "UN", "CX", 12, 300, 900, 'M', 0, '0', ""},
    {"Água mineral 500ml|Água mineral com gás 500ml|Água mineral 1,5L", "22011000", "0300400", 'A',
     "UN", "FD", 12, 150, 400, 'E', 0, '0', ""},
    {"Pneu aro 13|Pneu aro 14|Pneu aro 15", "40111000", "1600100", 'A', "UN", "", 1, 25000, 60000,
     'Z', 0, '0', ""},
    {"Gasolina comum|Gasolina aditivada", "27101259", "0600200", 'A', "LT", "", 1, 550, 650, 'Z', 0,
     '0', "320102001"},
    {"Óleo diesel S10|Óleo diesel S500", "27101921", "0600600", 'A', "LT", "", 1, 580, 680, 'Z', 0,
     '0', "820101034"},
    {"Analgésico 20 comprimidos|Antitérmico gotas 20ml|Anti-inflamatório 10 cápsulas", "30049099",
     "1300100", 'A', "CX", "", 1, 1200, 3500, 'Z', 0, '0', ""},
    {"Notebook 14 polegadas|Notebook 15 polegadas|Monitor 24 polegadas", "84713012", "", 'A', "UN",
     "", 1, 150000, 480000, 'N', 0, '2', ""},
    {"Parafuso sextavado 8mm|Parafuso sextavado 10mm|Porca sextavada 8mm", "73181500", "1007800",
     'B', "KG", "CX", 5, 1800, 3200, 'N', 0, '0', ""},
    {"Chapa de aço 2mm|Chapa de aço 3mm|Tubo de aço 1 polegada", "72085200", "", 'B', "KG", "", 1,
     700, 1100, 'N', 0, '0', ""},
    {"Caixa de papelão pequena|Caixa de papelão média|Caixa de papelão grande", "48191000", "", 'C',
     "UN", "FD", 25, 200, 600, 'N', 0, '0', ""},
    {"Mesa de escritório|Mesa de reunião|Balcão de atendimento", "94033000", "", 'E', "UN", "", 1,
     45000, 90000, 'N', 500, '0', ""},
    {"Cadeira giratória|Cadeira fixa|Poltrona de espera", "94013000", "", 'E', "UN", "", 1, 35000,
     70000, 'N', 500, '0', ""},
    {"Estante de aço|Armário de aço|Arquivo de aço", "94032000", "", 'E', "UN", "", 1, 30000, 55000,
     'I', 1000, '0', ""},
    {"Papel A4 resma|Envelope ofício|Caneta esferográfica", "48025610", "", 'H', "UN", "CX", 10,
     200, 3200, 'N', 0, '0', ""},
    {"Detergente neutro|Desinfetante|Sabonete líquido", "34022000", "", 'H', "UN", "CX", 24, 250,
     900, 'N', 0, '0', ""},
    {"Máquina de solda|Compressor de ar", "85152100", "", 'I', "UN", "", 1, 300000, 700000, 'N', 0,
     '1', ""},
    {"Kit promocional|Brinde promocional", "99999999", "", 'A', "UN", "", 1, 100, 500, 'S', 0, '0',
     ""},
};

struct TFamiliaProduto {
  char tipo;
  const char* codigo;
  const char* nome;
};
const TFamiliaProduto kFamilias[] = {{'A', "FAM01", "Mercadorias para revenda"},
                                     {'B', "FAM02", "Matérias-primas"},
                                     {'C', "FAM03", "Embalagens"},
                                     {'E', "FAM04", "Produtos acabados"},
                                     {'H', "FAM05", "Material de uso e consumo"},
                                     {'I', "FAM06", "Ativo imobilizado"},
                                     {'J', "FAM07", "Serviços"}};

struct TServicoDemo {
  const char* nome;
  const char* lista;  // code of the federal service list
  int preco;          // cents
};
const TServicoDemo kServicos[] = {{"Instalação de equipamentos", "1401", 15000},
                                  {"Manutenção de máquinas", "1401", 32000},
                                  {"Suporte técnico em informática", "0107", 18000},
                                  {"Treinamento de operadores", "0801", 45000},
                                  {"Montagem de móveis", "1406", 9000},
                                  {"Serviços diversos", "0000", 5000}};

struct TCFOP {
  const char* codigo;
  const char* nome;
  const char* tipo;  // 1 entry, 2 output
};
const TCFOP kCFOPs[] = {
    {"1.101", "Compra para industrialização", "1"},
    {"1.102", "Compra para comercialização", "1"},
    {"1.202", "Devolução de venda de mercadoria adquirida ou recebida de terceiros", "1"},
    {"1.403",
     "Compra para comercialização em operação com mercadoria sujeita ao regime de "
     "substituição tributária",
     "1"},
    {"1.551", "Compra de bem para o ativo imobilizado", "1"},
    {"1.556", "Compra de material para uso ou consumo", "1"},
    {"2.101", "Compra para industrialização", "1"},
    {"2.102", "Compra para comercialização", "1"},
    {"2.202", "Devolução de venda de mercadoria adquirida ou recebida de terceiros", "1"},
    {"2.403",
     "Compra para comercialização em operação com mercadoria sujeita ao regime de "
     "substituição tributária",
     "1"},
    {"2.551", "Compra de bem para o ativo imobilizado", "1"},
    {"2.556", "Compra de material para uso ou consumo", "1"},
    {"3.102", "Compra para comercialização", "1"},
    {"5.101", "Venda de produção do estabelecimento", "2"},
    {"5.102", "Venda de mercadoria adquirida ou recebida de terceiros", "2"},
    {"5.405",
     "Venda de mercadoria adquirida ou recebida de terceiros em operação com mercadoria "
     "sujeita ao regime de substituição tributária, na condição de contribuinte "
     "substituído",
     "2"},
    {"5.929",
     "Lançamento efetuado em decorrência de emissão de documento fiscal relativo a "
     "operação ou prestação também registrada em equipamento Emissor de Cupom Fiscal - "
     "ECF",
     "2"},
    {"5.933", "Prestação de serviço tributado pelo ISSQN", "2"},
    {"6.101", "Venda de produção do estabelecimento", "2"},
    {"6.102", "Venda de mercadoria adquirida ou recebida de terceiros", "2"},
    {"6.108",
     "Venda de mercadoria adquirida ou recebida de terceiros, destinada a não "
     "contribuinte",
     "2"},
    {"6.403",
     "Venda de mercadoria adquirida ou recebida de terceiros em operação com mercadoria "
     "sujeita ao regime de substituição tributária, na condição de contribuinte "
     "substituto",
     "2"},
    {"6.933", "Prestação de serviço tributado pelo ISSQN", "2"},
    {"7.102", "Venda de mercadoria adquirida ou recebida de terceiros", "2"},
};

// --- the builder ---------------------------------------------------------------

struct TPessoa {
  int64_t id = 0;
  size_t cidade = 0;
  bool juridica = true;
  bool contribuinte = true;  // ICMS taxpayer
  std::string cnpj;          // digits, "" for none
};

struct TProduto {
  int64_t id = 0;
  int64_t unidade = 0;    // Z8_UNPROD of the standard unit
  int64_t embalagem = 0;  // Z8_UNPROD of the second unit, 0 for none
  int fator = 1;
  int64_t preco = 0;  // cents per standard unit
  std::string nome;
  const TCategoria* categoria = nullptr;
  bool st() const { return categoria->cest[0] != '\0'; }
};

struct TServico {
  int64_t id = 0;
  int64_t preco = 0;
};

struct TFilial {
  int64_t id = 0;
  int64_t ident = 0;
  size_t cidade = 0;
  std::string cnpj;
  TSeriesFilial series;
  std::vector<size_t> estados_substituto;  // states where it is the ICMS-ST substitute
};

// The kinds of document of the month.
enum class TTipo {
  VendaNFe,
  VendaNFCe,
  Venda01,
  CompraNFe,
  Compra01,
  DevolucaoVenda,
  Complementar,
  Importacao
};

// Documents with a fixed shape come first, each showing one case the files
// must treat; the rest are drawn.
enum class TEspecial {
  Nenhum,
  Complementar,
  Cancelado,
  Inutilizado,
  Denegado,
  Exportacao,
  Importacao,
  Isento,
  LocalEntrega,
  Transportador,
  EntradaMesAnterior,
  SaidaMesAnterior,
  SaidaAposPeriodo,
  CupomFiscal,
  RegimeEspecial,
  Rascunho,
  CodigoComBarra,
  Suframa,
  AjusteICMS
};
const TEspecial kEspeciais[] = {TEspecial::Complementar,     TEspecial::Cancelado,
                                TEspecial::Inutilizado,      TEspecial::Denegado,
                                TEspecial::Exportacao,       TEspecial::Importacao,
                                TEspecial::Isento,           TEspecial::LocalEntrega,
                                TEspecial::Transportador,    TEspecial::EntradaMesAnterior,
                                TEspecial::SaidaMesAnterior, TEspecial::SaidaAposPeriodo,
                                TEspecial::CupomFiscal,      TEspecial::RegimeEspecial,
                                TEspecial::Rascunho,         TEspecial::CodigoComBarra,
                                TEspecial::Suframa,          TEspecial::AjusteICMS};

class TConstrutor {
 public:
  TConstrutor(TpbBD& bd, const OpcoesDemo& opcoes)
      : bd_(bd), opcoes_(opcoes), g_(opcoes.semente), e_(bd) {
    TDateTime mes = opcoes.mes;
    if (mes.EhDataZero()) mes = TDateTime(PrimeiroDiaDoMes(TDateTime::Today()).dias - 1);
    inicio_ = PrimeiroDiaDoMes(mes);
    fim_ = UltimoDiaDoMes(mes);
    ano_ = inicio_.Ano();
    mes_ = inicio_.Mes();
  }

  ResultadoDemo Construir() {
    Progresso("reference data", 0, 0);
    Referencias();
    Contabilidade();
    Pessoas();
    Empresa();
    Parametros();
    TributacaoICMS();
    Produtos();
    std::vector<int64_t> filiais;
    for (const auto& f : filiais_) filiais.push_back(f.id);
    ConstruirEstoqueDemo(bd_, empresa_, filiais, inicio_, NovoId());
    TiposDeDocumento();
    proximo_id_ = CadastrosDaApuracaoDemo(bd_, proximo_id_);
    proximo_id_ = CadastrosDoCIAPDemo(bd_, empresa_, proximo_id_);
    proximo_id_ = CadastrosDosServicosDemo(bd_, proximo_id_, empresa_, filiais_.front().id);
    proximo_id_ = CadastrosDasNotasServicoDemo(bd_, proximo_id_, filiais_.front().id);
    proximo_id_ = CadastrosDasConsolidacoesDemo(bd_, proximo_id_, filiais_.back().id, inicio_);
    proximo_id_ =
        CadastrosDosComplementosDemo(bd_, proximo_id_, clientes_[3].id, cidades_[kCampinas]);
    proximo_id_ = CadastrosDaApuracaoContribuicoesDemo(bd_, proximo_id_, empresa_, inicio_);
    ContasEcupons();
    Documentos();
    ResultadoDemo r;
    r.empresa = empresa_;
    for (const auto& f : filiais_) r.filiais.push_back(f.id);
    r.inicio = inicio_;
    r.fim = fim_;
    r.documentos = documentos_;
    r.itens = itens_;
    r.maior_id = proximo_id_ - 1;
    r.tempos = e_.Tempos();
    return r;
  }

 private:
  int64_t Id() { return proximo_id_++; }
  // The same sequence, for the writers shared with the other builders.
  TNovoId NovoId() {
    return [this] { return Id(); };
  }
  // The utility bills and the fiscal printers come before the invoices, so
  // that their ids do not depend on the number of invoices.
  void ContasEcupons() {
    ResultadoDemo r;
    r.empresa = empresa_;
    for (const auto& f : filiais_) r.filiais.push_back(f.id);
    r.inicio = inicio_;
    r.fim = fim_;
    r.maior_id = proximo_id_ - 1;
    r.maior_id = ConstruirContasDeConsumoDemo(bd_, r);
    r.maior_id = ConstruirCuponsFiscaisDemo(bd_, r);
    proximo_id_ = ConstruirImpressoraDaFilialDemo(bd_, r) + 1;
  }
  void Progresso(const std::string& etapa, int64_t feitos, int64_t total) {
    if (opcoes_.progresso) opcoes_.progresso(etapa, feitos, total);
  }
  TDateTime DiaDoMes(int dia) const { return Dia(ano_, mes_, dia); }

  // ---- places, taxes, codes ----
  void Referencias() {
    // The 'Normal' rate type keeps id 2, the id the inventory queries name.
    e_.Inserir("Z8_TPALIQICMS", {{"ID", Id()}, {"DESCRICAO", "Reduzida"}});
    tipo_aliquota_normal_ = Id();
    e_.Inserir("Z8_TPALIQICMS", {{"ID", tipo_aliquota_normal_}, {"DESCRICAO", "Normal"}});

    for (const auto& p : kPaises) {
      paises_.push_back(Id());
      e_.Inserir("KLVG_PAIS", {{"ID", paises_.back()},
                               {"NOME", p.nome},
                               {"CODIGOBACEN", p.bacen},
                               {"SIGLAISO", p.iso}});
    }
    for (const auto& uf : kEstados) {
      estados_.push_back(Id());
      const bool exterior = std::string(uf.sigla) == "EX";
      e_.Inserir("KLVG_UF", {{"ID", estados_.back()},
                             {"SIGLA", uf.sigla},
                             {"NOME", uf.nome},
                             {"CODIGOIBGE", uf.ibge},
                             {"IDF_PAIS", exterior ? TVariant() : TVariant(paises_[0])}});
    }
    for (const auto& c : kCidades) {
      cidades_.push_back(Id());
      e_.Inserir("KLVG_CID", {{"ID", cidades_.back()},
                              {"NOME", c.nome},
                              {"GEOCODIGO", c.ibge},
                              {"IDF_UF", estados_[c.estado]}});
    }

    const std::pair<const char*, const char*> impostos[] = {
        {"0", "ICMS"}, {"1", "IPI"},     {"2", "PIS"},        {"3", "COFINS"},
        {"4", "ISS"},  {"A", "ICMS-ST"}, {"B", "ICMS DIFAL"}, {"C", "FCP"}};
    for (const auto& [tipo, nome] : impostos) {
      impostos_[tipo] = Id();
      e_.Inserir("Z8_IMPOSTO", {{"ID", impostos_[tipo]},
                                {"CODIGO", nome},
                                {"NOME", nome},
                                {"TIPO", tipo},
                                {"CODRECEITA", std::string(tipo) == "0" ? "046-2" : ""}});
    }
    for (const auto& c : kCFOPs) {
      cfops_[c.codigo] = Id();
      e_.Inserir(
          "Z8_CODFISOPE",
          {{"ID", cfops_[c.codigo]}, {"CODIGO", c.codigo}, {"NOME", c.nome}, {"TIPOMOV", c.tipo}});
    }
    const char* origens[] = {"Nacional", "Estrangeira - importação direta",
                             "Estrangeira - adquirida no mercado interno",
                             "Nacional com conteúdo de importação superior a 40%"};
    for (int i = 0; i < 4; ++i) {
      origens_.push_back(Id());
      e_.Inserir(
          "Z8_CLAORIGEM",
          {{"ID", origens_.back()}, {"CODIGO", std::to_string(i)}, {"DESCRICAO", origens[i]}});
    }
    const std::pair<const char*, const char*> tributacoes[] = {
        {"00", "Tributada integralmente"},
        {"10", "Tributada e com cobrança do ICMS por substituição tributária"},
        {"20", "Com redução de base de cálculo"},
        {"40", "Isenta"},
        {"41", "Não tributada"},
        {"60", "ICMS cobrado anteriormente por substituição tributária"},
        {"90", "Outras"}};
    for (const auto& [codigo, nome] : tributacoes) {
      tributacoes_[codigo] = Id();
      e_.Inserir("Z8_CLATRIBUT",
                 {{"ID", tributacoes_[codigo]}, {"CODIGO", codigo}, {"DESCRICAO", nome}});
    }
    const std::pair<const char*, const char*> modelos[] = {
        {"01", "Nota Fiscal modelo 1/1A"},
        {"1B", "Nota Fiscal Avulsa"},
        {"04", "Nota Fiscal de Produtor"},
        {"06", "Nota Fiscal/Conta de Energia Elétrica"},
        {"55", "Nota Fiscal Eletrônica (NF-e)"},
        {"57", "Conhecimento de Transporte Eletrônico (CT-e)"},
        {"65", "Nota Fiscal de Consumidor Eletrônica (NFC-e)"}};
    for (const auto& [codigo, nome] : modelos) {
      modelos_[codigo] = Id();
      e_.Inserir("Z8_MODELODOCT",
                 {{"ID", modelos_[codigo]}, {"CODMODELO", codigo}, {"DESCRICAO", nome}});
    }
    // Adjustment codes of the state tables; the last has nine characters,
    // which the files leave out.
    const std::array<const char*, 3> ajustes[] = {
        {"SP10090721", "Crédito outorgado - operações com produtos da indústria", "SP"},
        {"RJ10000003", "Crédito presumido - operações internas", "RJ"},
        {"SP1009072", "Estorno de crédito - código incompleto", "SP"}};
    for (const auto& a : ajustes) {
      ajustes_.push_back(Id());
      const size_t uf = std::string(a[2]) == "SP" ? kSP : kRJ;
      e_.Inserir("Z8_TABAJVPRDF", {{"ID", ajustes_.back()},
                                   {"CODAJUSTE", a[0]},
                                   {"DESCRICAO", a[1]},
                                   {"DESCRICAODET", std::string(a[1]) + ", conforme regulamento"},
                                   {"DESCRICAORED", CopiarUtf8(a[1], 60)},
                                   {"IDF_UF", estados_[uf]}});
    }
  }

  // ---- chart of accounts ----
  void Contabilidade() {
    plano_ = Id();
    e_.Inserir(
        "KLVG_PLVISUAL",
        {{"ID", plano_}, {"FD", "VisaoContabil"}, {"CODIGO", "PC01"}, {"NOME", "Plano de contas"}});
    e_.Inserir("Z8_VISCNTCTB", {{"ID", plano_}, {"IDA", plano_}, {"TIPO", "1"}});
    plano_referencial_ = Id();
    e_.Inserir("KLVG_PLVISUAL", {{"ID", plano_referencial_},
                                 {"FD", "VisaoContabil"},
                                 {"CODIGO", "REF01"},
                                 {"NOME", "Plano referencial"}});
    e_.Inserir("Z8_VISCNTCTB",
               {{"ID", plano_referencial_}, {"IDA", plano_referencial_}, {"TIPO", "2"}});

    struct TConta {
      const char* codigo;
      const char* nome;
      int nivel;
      bool analitica;
      const char* natureza;     // of the top synthetic entries
      const char* referencial;  // code in the referential chart, analytic only
    };
    const TConta contas[] = {
        {"1", "ATIVO", 1, false, "1", ""},
        {"1.1", "ATIVO CIRCULANTE", 2, false, "", ""},
        {"1.1.3", "ESTOQUES", 3, false, "", ""},
        {"1.1.3.01", "Mercadorias para revenda", 4, true, "", "1.01.03.01.01"},
        {"1.1.3.02", "Matérias-primas", 4, true, "", "1.01.03.01.02"},
        {"1.1.3.03", "Material de uso e consumo", 4, true, "", "1.01.03.01.04"},
        {"1.2", "ATIVO NÃO CIRCULANTE", 2, false, "", ""},
        {"1.2.3", "IMOBILIZADO", 3, false, "", ""},
        {"1.2.3.01", "Máquinas e equipamentos", 4, true, "", "1.02.03.01.05"},
        {"2", "PASSIVO", 1, false, "2", ""},
        {"2.1", "PASSIVO CIRCULANTE", 2, false, "", ""},
        {"2.1.01", "Fornecedores nacionais", 3, true, "", "2.01.01.03.01"},
        {"3", "RECEITAS", 1, false, "4", ""},
        {"3.1", "RECEITA BRUTA", 2, false, "", ""},
        {"3.1.01", "Receita de venda de mercadorias", 3, true, "", "3.01.01.01.01"},
        {"3.1.02", "Receita de venda de produtos", 3, true, "", "3.01.01.01.02"},
        {"4", "CUSTOS E DESPESAS", 1, false, "4", ""},
        {"4.1", "CUSTOS", 2, false, "", ""},
        {"4.1.01", "Custo das mercadorias vendidas", 3, true, "", "3.01.01.03.01"},
    };
    std::vector<int64_t> pais(5, 0);  // the synthetic entry of each level
    for (const auto& c : contas) {
      const int64_t id = Id();
      contas_[c.codigo] = id;
      // One account has no inclusion date: the files then use the period's start.
      const bool sem_data = std::string(c.codigo) == "1.1.3.03";
      e_.Inserir("KLVG_CLASSE", {{"ID", id},
                                 {"FD", "ContaContabil"},
                                 {"CODIGO", c.codigo},
                                 {"NOME", c.nome},
                                 {"DTINCLUSAO", sem_data ? TVariant() : TVariant(Dia(2015, 1, 2))},
                                 {"STATUS", "0"}});
      e_.Inserir("Z8_CTACTB",
                 {{"ID", id}, {"IDA", id}, {"CODREDUZIDO", std::to_string(1000 + contas_.size())}});
      e_.Inserir("KLVG_CLASSEVIS", {{"ID", id},
                                    {"FD", c.analitica ? "Analitico" : "Sintetico"},
                                    {"IDF_PLANOVISUAL", plano_},
                                    {"IDF_CLASSE", id},
                                    {"NIVEL", c.nivel},
                                    {"MASCARA", c.codigo}});
      const TVariant pai = c.nivel > 1 ? TVariant(pais[c.nivel - 1]) : TVariant();
      e_.Inserir(c.analitica ? "KLVG_ANALITICO" : "KLVG_SINTETICO",
                 {{"ID", id}, {"IDA", id}, {"IDF_SINTETICO", pai}});
      if (!c.analitica) pais[c.nivel] = id;
      if (c.natureza[0])
        e_.Inserir("Z8_NCCTBSPED",
                   {{"ID", Id()}, {"IDF_SINTETICO", id}, {"NATUREZACTCTB", c.natureza}});
      if (c.referencial[0])
        e_.Inserir("KLVG_CLASSEVIS", {{"ID", Id()},
                                      {"FD", "ClasseVisual"},
                                      {"IDF_PLANOVISUAL", plano_referencial_},
                                      {"IDF_CLASSE", id},
                                      {"NIVEL", 5},
                                      {"MASCARA", c.referencial}});
    }
    const std::array<const char*, 3> financeiras[] = {{"01.01", "Receita de vendas", "R"},
                                                      {"02.01", "Compras de mercadorias", "D"}};
    for (const auto& f : financeiras) {
      const int64_t id = Id();
      contas_financeiras_[f[2]] = id;
      e_.Inserir("KLVG_CLASSE", {{"ID", id},
                                 {"FD", "ContaFinanceira"},
                                 {"CODIGO", f[0]},
                                 {"NOME", f[1]},
                                 {"DTINCLUSAO", Dia(2015, 1, 2)},
                                 {"STATUS", "0"}});
      e_.Inserir("Z8_CTAFINAN", {{"ID", id}, {"IDA", id}, {"TIPO", f[2]}});
    }
  }

  // ---- persons ----
  // The person in a city of kCidades and a country of kPaises.
  int64_t NovaPessoa(TNovaPessoa p, size_t cidade, size_t pais = 0) {
    p.cidade = cidades_[cidade];
    p.cep = kCidades[cidade].cep;
    p.pais = paises_[pais];
    p.brasil = pais == 0;
    const TPessoaEscrita r = EscreverPessoaDemo(e_, g_, NovoId(), p);
    if (r.papel) ultimo_papel_ = r.papel;
    return r.ident;
  }

  std::string Telefone(size_t cidade) {
    static const std::map<std::string, std::string> ddd = {
        {"SP", "11"}, {"RJ", "21"}, {"MG", "31"}, {"PR", "41"}, {"SC", "47"}, {"RS", "51"},
        {"BA", "71"}, {"PE", "81"}, {"GO", "62"}, {"AM", "92"}, {"ES", "27"}};
    const std::string uf = kEstados[kCidades[cidade].estado].sigla;
    if (uf == "EX") return "+1 305 555 " + g_.Digitos(4);
    return "(" + ddd.at(uf) + ") " + g_.Digitos(4) + "-" + g_.Digitos(4);
  }

  std::string InscricaoEstadual(size_t estado) {
    if (estado == kSP)
      return g_.Digitos(3) + "." + g_.Digitos(3) + "." + g_.Digitos(3) + "." + g_.Digitos(3);
    if (estado == kRJ)
      return g_.Digitos(2) + "." + g_.Digitos(3) + "." + g_.Digitos(2) + "-" + g_.Digitos(1);
    return g_.Digitos(9);
  }

  std::string NomeEmpresa() {
    return g_.Um(kRamos) + " " + g_.Um(kNomesFantasia) + " " + g_.Um(kNaturezas);
  }

  TPessoa Participante(const std::string& codigo, size_t cidade, bool juridica,
                       const std::string& papel, const std::string& ie = "") {
    TNovaPessoa p;
    p.codigo = codigo;
    p.juridica = juridica;
    p.papel = papel;
    p.fone = Telefone(cidade);
    TPessoa r;
    r.cidade = cidade;
    r.juridica = juridica;
    if (juridica) {
      p.nome = NomeEmpresa();
      p.fantasia = p.nome.substr(0, p.nome.rfind(' '));
      r.cnpj = CompletarCNPJ(g_.Digitos(8) + "0001");
      p.digitos = r.cnpj;
      p.documento = FormatarCNPJ(r.cnpj);
      p.ie = ie.empty() ? InscricaoEstadual(kCidades[cidade].estado) : ie;
      r.contribuinte = ie != "ISENTO";
      p.email = "fiscal@" + LowerCase(SubstituirTodos(g_.Um(kNomesFantasia), " ", "")) +
                std::to_string(g_.Entre(1, 99)) + ".com.br";
    } else {
      p.nome = g_.Um(kPrenomes) + " " + g_.Um(kSobrenomes) + " " + g_.Um(kSobrenomes);
      const std::string cpf = CompletarCPF(g_.Digitos(9));
      p.digitos = cpf;
      p.documento = FormatarCPF(cpf);
      r.contribuinte = false;
    }
    r.id = NovaPessoa(p, cidade);
    return r;
  }

  TPessoa Estrangeiro(const std::string& codigo, const std::string& nome, size_t cidade,
                      size_t pais, const std::string& documento, const std::string& papel) {
    TNovaPessoa p;
    p.codigo = codigo;
    p.nome = nome;
    p.documento = documento;
    p.fone = Telefone(cidade);
    p.papel = papel;
    TPessoa r;
    r.id = NovaPessoa(p, cidade, pais);
    r.cidade = cidade;
    r.contribuinte = false;
    return r;
  }

  void Alteracao(const TPessoa& p, TDateTime data, const char* campo, const std::string& anterior) {
    TDateTime hora(static_cast<double>(g_.Entre(8 * 60, 18 * 60)) / (24 * 60));
    e_.Inserir("KLVG_OCALTIDENT", {{"ID", Id()},
                                   {"IDF_IDENT", p.id},
                                   {"DATAALT", data},
                                   {"HORAALT", hora},
                                   {"CAMPOALTERADO", campo},
                                   {"CONTEUDOANTER", anterior}});
  }

  void Pessoas() {
    // Customers: the first four show cases of the participant table
    // (abroad, exempt from state registration, SUFRAMA, delivery place).
    const std::vector<size_t> cidades = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15};
    for (int i = 0; i < 36; ++i) {
      const std::string codigo = std::to_string(200001 + i);
      if (i == 0)
        clientes_.push_back(Estrangeiro(codigo, "Importadora Rioplatense S.A.", kBuenosAires, 1,
                                        "30-71234567-9", "CLI"));
      else if (i == 1)
        clientes_.push_back(Participante(codigo, kRio, true, "CLI", "ISENTO"));
      else if (i == 2)
        clientes_.push_back(Participante(codigo, kManaus, true, "CLI"));
      else
        clientes_.push_back(Participante(codigo, g_.Um(cidades), i == 3 || !g_.Chance(25), "CLI"));
      const TPessoa& c = clientes_.back();
      e_.Inserir("Z8_PARTRIBCLI",
                 {{"ID", Id()},
                  {"IDF_IDENT", c.id},
                  {"INSCRICAOSUFRAMA", i == 2 ? TVariant("200123456") : TVariant()},
                  {"CONTRIBUINTEICMS", Flag(c.contribuinte)}});
    }
    // A delivery place taxed under its own registration.
    const TPessoa& entrega = clientes_[3];
    const int64_t endereco = Id();
    e_.Inserir("KLVG_ENDER", {{"ID", endereco},
                              {"CEP", std::string(kCidades[entrega.cidade].cep) + g_.Digitos(6)},
                              {"LOGRADOURO", "Rodovia dos Bandeirantes, km 42"},
                              {"BAIRRO", "Distrito Industrial"},
                              {"IDF_CID", cidades_[entrega.cidade]}});
    local_entrega_ = Id();
    e_.Inserir("Z8_LOCENTCLI",
               {{"ID", local_entrega_},
                {"IDF_IDENT", entrega.id},
                {"TRIBUTACAOLOCENTREGA", Flag(true)},
                {"CNPJ", FormatarCNPJ(CompletarCNPJ(entrega.cnpj.substr(0, 8) + "0002"))},
                {"INSCEST", InscricaoEstadual(kCidades[entrega.cidade].estado)},
                {"IDF_ENDER", endereco},
                {"NUMENDERECO", "S/N"},
                {"COMPLEMENTO", "Galpão 3"}});

    const std::vector<size_t> cidades_fornecedores = {0, 1, 2, 5, 6, 7, 8, 9, 10, 11, 13};
    for (int i = 0; i < 16; ++i) {
      const std::string codigo = std::to_string(300001 + i);
      if (i == 0)
        fornecedores_.push_back(
            Estrangeiro(codigo, "Global Parts Inc.", kMiami, 2, "12-3456789", "FOR"));
      else
        fornecedores_.push_back(Participante(codigo, g_.Um(cidades_fornecedores), true, "FOR"));
    }
    transportadores_.push_back(Participante("400001", kSaoPaulo, true, "TRA"));
    transportadores_.push_back(Participante("400002", kRio, true, "TRA"));

    // Changes of registration data: inside the month, and some that the
    // files leave out (before the month, an abroad participant's tax id, a
    // previous content "ISENTO", a state registration).
    Alteracao(clientes_[4], DiaDoMes(5), "7", "Rua Antiga do Comércio");
    Alteracao(clientes_[4], DiaDoMes(5), "8", "12");
    Alteracao(clientes_[4], TDateTime(inicio_.dias - 10), "7", "Travessa Velha");
    Alteracao(clientes_[5], DiaDoMes(10), "0", "Mercado Nome Anterior Ltda");
    Alteracao(clientes_[6], DiaDoMes(15), "4", "ISENTO");
    Alteracao(clientes_[6], DiaDoMes(15), "0", "Isento Comércio de Bebidas Ltda");
    Alteracao(clientes_[0], DiaDoMes(3), "2", "30-70000000-1");
    Alteracao(fornecedores_[1], DiaDoMes(20), "2",
              FormatarCNPJ(CompletarCNPJ(fornecedores_[1].cnpj.substr(0, 8) + "0009")));
    Alteracao(fornecedores_[1], DiaDoMes(20), "A", "Vila Operária");
  }

  void Empresa() {
    TNovaPessoa contadora;
    contadora.codigo = "900001";
    contadora.nome = "Maria Aparecida Lopes";
    contadora.juridica = false;
    contadora.digitos = CompletarCPF(g_.Digitos(9));
    contadora.documento = FormatarCPF(contadora.digitos);
    contadora.fone = Telefone(kSaoPaulo);
    contadora.fax = Telefone(kSaoPaulo);
    contadora.email = "maria.lopes@lopescontabilidade.com.br";
    contadora.papel = "CON";
    const int64_t contadora_id = NovaPessoa(contadora, kSaoPaulo);

    TNovaPessoa escritorio;
    escritorio.codigo = "900002";
    escritorio.nome = "Carioca Serviços Contábeis Ltda";
    escritorio.fantasia = "Carioca Contábil";
    escritorio.digitos = CompletarCNPJ(g_.Digitos(8) + "0001");
    escritorio.documento = FormatarCNPJ(escritorio.digitos);
    escritorio.im = g_.Digitos(8);
    escritorio.fone = Telefone(kRio);
    escritorio.email = "contato@cariocacontabil.com.br";
    escritorio.papel = "CON";
    const int64_t escritorio_id = NovaPessoa(escritorio, kRio);

    struct TDadosFilial {
      size_t cidade;
      const char* nome;
      const char* fantasia;  // "" : the files fall back on the company name
    };
    const TDadosFilial dados[] = {{kSaoPaulo, "Matriz São Paulo", "Demo Comercial"},
                                  {kCampinas, "Filial Campinas", "Demo Comercial Campinas"},
                                  {kRio, "Filial Rio de Janeiro", "Demo Comercial Rio"},
                                  {kNiteroi, "Filial Niterói", ""}};
    const std::string raiz = g_.Digitos(8);
    for (size_t i = 0; i < std::size(dados); ++i) {
      TFilial f;
      f.cidade = dados[i].cidade;
      f.cnpj = CompletarCNPJ(raiz + PreencherZerosEsquerda(std::to_string(i + 1), 4));
      TNovaPessoa p;
      p.codigo = std::to_string(100001 + i);
      p.nome = "Comercial Demonstração de Produtos Ltda";
      p.fantasia = dados[i].fantasia;
      p.digitos = f.cnpj;
      p.documento = FormatarCNPJ(f.cnpj);
      p.ie = InscricaoEstadual(kCidades[f.cidade].estado);
      p.im = g_.Digitos(7);
      p.fone = Telefone(f.cidade);
      p.fax = Telefone(f.cidade);
      p.email = fmt::format("fiscal{}@democomercial.com.br", i + 1);
      p.papel = "FIL";
      p.estabelecimento = true;
      f.ident = NovaPessoa(p, f.cidade);
      const int64_t papel = ultimo_papel_;
      if (i == 0) {
        empresa_ = Id();
        e_.Inserir("Z8_EMPRESA", {{"ID", empresa_},
                                  {"CODIGO", "1"},
                                  {"NOME", "Comercial Demonstração de Produtos Ltda"},
                                  {"IDF_IDENT", f.ident}});
      }
      f.id = Id();
      // The Rio branch has an accounting firm; the others the accountant.
      const bool escritorio_contabil = f.cidade == kRio;
      e_.Inserir("Z8_FILIAL",
                 {{"ID", f.id},
                  {"IDF_EMPRESA", empresa_},
                  {"CODIGO", PreencherZerosEsquerda(std::to_string(i + 1), 4)},
                  {"NOME", dados[i].nome},
                  {"IDF_PAPELREL", papel},
                  {"IDF_CONTADOR", escritorio_contabil ? escritorio_id : contadora_id},
                  {"CRCCONTADOR", escritorio_contabil ? "2RJ012345/O-0" : "1SP123456/O-7"}});
      filiais_.push_back(f);
    }
  }

  void Parametros() {
    const TDateTime inicio_validade = Dia(ano_ - 1, 1, 1);
    const TDateTime fim_validade = Dia(2099, 12, 31);
    struct TGeral {
      TDateTime inicio, fim;
      const char* situacao;
      const char* perfil;
      bool sem_prefixo;
    };
    // The row in force, an expired one and an inactive one.
    const TGeral gerais[] = {{inicio_validade, fim_validade, "1", "A", false},
                             {Dia(ano_ - 3, 1, 1), Dia(ano_ - 2, 12, 31), "1", "B", true},
                             {inicio_validade, fim_validade, "0", "C", true}};
    for (const auto& p : gerais) {
      const int64_t id = Id();
      e_.Inserir("Z8_PAREMP", {{"ID", id},
                               {"FD", "ParEmpGeral"},
                               {"IDF_EMPRESA", empresa_},
                               {"DATAINICIAL", p.inicio},
                               {"DATAFINAL", p.fim},
                               {"SITUACAO", p.situacao}});
      e_.Inserir("Z8_PEMPGERAL", {{"ID", id},
                                  {"IDA", id},
                                  {"GRUPOEMPRESARIAL", Flag(false)},
                                  {"INDSITESPPADRAO", "9"},
                                  {"INDTPATIVPADRAO", "0"},
                                  {"INDINCTRIBPADRAO", "1"},
                                  {"INDMETAPROPPADRAO", "2"},
                                  {"INDTPCONTRIBPADRAO", "1"},
                                  {"INDPERFISCALPADRAO", p.perfil},
                                  {"INDNATPJPADRAO", "00"},
                                  {"REGIMEAPURA", "2"},
                                  {"TIPOGERACAOPADRAO", "0"},
                                  {"CLASESTABIND", "00"},
                                  {"GERARC140EC141TDSMOD", Flag(false)},
                                  {"GERARPRODSEMPREFIXO", Flag(p.sem_prefixo)},
                                  {"ORICODCTACTB", "1"},
                                  {"SUBSTRIBCOMERCIO", Flag(true)}});
    }
    int64_t id = Id();
    e_.Inserir("Z8_PAREMP", {{"ID", id},
                             {"FD", "ParEmpContabilidade"},
                             {"IDF_EMPRESA", empresa_},
                             {"DATAINICIAL", inicio_validade},
                             {"DATAFINAL", fim_validade},
                             {"SITUACAO", "1"}});
    e_.Inserir("Z8_PAREMPCTB", {{"ID", id},
                                {"IDA", id},
                                {"INDATIV", "0"},
                                {"IDF_VISCNTCTB", plano_},
                                {"IDF_VISCNTREF", plano_referencial_},
                                {"IDF_CTAATIVOIMOB", contas_.at("1.2.3.01")}});
    id = Id();
    e_.Inserir("Z8_PAREMP", {{"ID", id},
                             {"FD", "ParEmpPatrimonio"},
                             {"IDF_EMPRESA", empresa_},
                             {"DATAINICIAL", inicio_validade},
                             {"DATAFINAL", fim_validade},
                             {"SITUACAO", "1"}});
    e_.Inserir("Z8_PAREMPPATR", {{"ID", id}, {"IDA", id}, {"UTILIZAFILIALCIAP", Flag(false)}});

    for (const auto& f : filiais_)
      ParametrosDaFilialDemo(e_, Id(), f.id, inicio_validade, kCidades[f.cidade].estado == kRJ);
  }

  // ICMS settings of a branch in a state; the ordinary and a reduced rate.
  int64_t Tributacao(const TFilial& f, size_t estado, TDateTime inicio, TDateTime fim, bool inativo,
                     const std::string& inscricao_difal = "") {
    return TributacaoDaFilialDemo(
        e_, NovoId(),
        {f.id, estados_[estado], inicio, fim, inativo, kEstados[estado].aliquota,
         tipo_aliquota_normal_, tipo_aliquota_normal_ - 1, inscricao_difal, impostos_.at("B"),
         impostos_.at("C")});
  }

  void Substituto(int64_t tributacao, const std::string& inscricao, int mva) {
    e_.Inserir("Z8_PERCSUBSTR", {{"ID", Id()},
                                 {"IDF_TRIBUFICMS", tributacao},
                                 {"INSCRICAO", Texto(inscricao)},
                                 {"MVA", Percentual(mva)}});
  }

  void TributacaoICMS() {
    const TDateTime desde = Dia(2020, 1, 1), ate = Dia(2099, 12, 31);
    for (auto& f : filiais_) Tributacao(f, kCidades[f.cidade].estado, desde, ate, false);
    // The head office is the ICMS-ST substitute in RJ (two settings rows with
    // the same registration, and an older one that ended before the month)
    // and in MG; it has a DIFAL registration in PR, and a registration in SC
    // that is no longer in use.
    TFilial& matriz = filiais_[0];
    const std::string inscricao_rj = InscricaoEstadual(kRJ);
    Substituto(Tributacao(matriz, kRJ, desde, TDateTime(inicio_.dias - 1), false),
               InscricaoEstadual(kRJ), 3500);
    const int64_t rj = Tributacao(matriz, kRJ, inicio_, ate, false);
    Substituto(rj, inscricao_rj, 4000);
    Substituto(rj, inscricao_rj, 5000);
    Substituto(Tributacao(matriz, kMG, desde, ate, false), InscricaoEstadual(kMG), 4000);
    Tributacao(matriz, kPR, desde, ate, false, InscricaoEstadual(kPR));
    Substituto(Tributacao(matriz, kSC, desde, ate, true), InscricaoEstadual(kSC), 4000);
    matriz.estados_substituto = {kRJ, kMG};
    // The Rio branch has settings for SP without a substitute registration.
    Substituto(Tributacao(filiais_[2], kSP, desde, ate, false), "", 4000);
  }

  void Produtos() {
    const std::array<const char*, 2> unidades[] = {
        {"UN", "Unidade"}, {"CX", "Caixa"}, {"FD", "Fardo"}, {"KG", "Quilograma"}, {"LT", "Litro"}};
    for (const auto& u : unidades) {
      unidades_[u[0]] = Id();
      e_.Inserir("Z8_UNIDADE",
                 {{"ID", unidades_[u[0]]}, {"CODIGO", u[0]}, {"NOME", u[1]}, {"TPCALCULO", "M"}});
    }
    for (const auto& f : kFamilias) {
      familias_[f.tipo] = Id();
      e_.Inserir("Z8_FAMILIA", {{"ID", familias_[f.tipo]},
                                {"CODIGO", f.codigo},
                                {"NOME", f.nome},
                                {"TIPOITEM", std::string(1, f.tipo)}});
    }
    std::map<std::string, int64_t> ncms;
    int64_t codigo = 10001;
    for (const auto& c : kCategorias) {
      if (!ncms.count(c.ncm)) {
        ncms[c.ncm] = Id();
        e_.Inserir("Z8_CLATIPI", {{"ID", ncms[c.ncm]},
                                  {"CODIGONBM", c.ncm},
                                  {"DESCRICAO", Dividir(c.variantes, '|')[0]},
                                  {"ENVBLOCOH020SPED", Flag(std::string(c.ncm) == "30049099")}});
      }
      for (const auto& nome : Dividir(c.variantes, '|')) {
        TProduto p;
        p.id = Id();
        p.categoria = &c;
        p.nome = nome;
        p.fator = c.fator;
        p.preco = g_.Entre(c.preco_min / 10, c.preco_max / 10) * 10;
        // One product code holds the files' field separator.
        if (nome == "Kit promocional") produto_kit_ = produtos_.size();
        const std::string cod = nome == "Kit promocional" ? "KIT|01" : std::to_string(codigo++);
        e_.Inserir("Z8_PROD", {{"ID", p.id},
                               {"IDF_EMPRESA", empresa_},
                               {"CODPROD", cod},
                               {"NMPROD", nome},
                               {"IDF_FAMILIA", familias_.at(c.familia)},
                               {"CODIGONCM", c.ncm},
                               {"IDF_CLATIPI", ncms[c.ncm]},
                               {"CODBARRAS", Gtin("789" + g_.Digitos(9))},
                               {"CODCEST", Texto(c.cest)},
                               {"CODGENERO", std::string(c.ncm).substr(0, 2)}});
        p.unidade = Id();
        e_.Inserir("Z8_UNPROD", {{"ID", p.unidade},
                                 {"IDF_PROD", p.id},
                                 {"IDF_UNIDADE", unidades_.at(c.unidade)},
                                 {"UNIDADEPADRAOEST", Flag(true)},
                                 {"FATORCONV", TVariant(1.0)}});
        if (c.embalagem[0]) {
          p.embalagem = Id();
          e_.Inserir("Z8_UNPROD", {{"ID", p.embalagem},
                                   {"IDF_PROD", p.id},
                                   {"IDF_UNIDADE", unidades_.at(c.embalagem)},
                                   {"UNIDADEPADRAOEST", Flag(false)},
                                   {"FATORCONV", TVariant(static_cast<double>(c.fator))},
                                   {"CODBARRAS", Gtin("1789" + g_.Digitos(9))}});
        }
        if (c.anp[0])
          e_.Inserir("Z8_CODPRODANP", {{"ID", Id()}, {"IDF_PRODUTO", p.id}, {"COD_COMB", c.anp}});
        produtos_.push_back(p);
      }
    }
    // Earlier codes and names: reported when they ended inside the month and
    // were a change of code or name (not an inclusion, another change or a
    // copy). A change of code keeps the name it had, the current one.
    struct TAlteracao {
      const char* tipo;
      int fim;  // day of the month; 0 the day before the month
      bool codigo, nome, copia;
    };
    const TAlteracao alteracoes[] = {{"C", 10, true, false, false}, {"D", 16, false, true, false},
                                     {"B", 21, true, true, false},  {"I", 6, true, true, false},
                                     {"D", 12, false, true, true},  {"C", 0, true, false, false},
                                     {"A", 8, false, true, false}};
    for (size_t i = 0; i < std::size(alteracoes); ++i) {
      const TAlteracao& a = alteracoes[i];
      const TDateTime fim = a.fim ? DiaDoMes(a.fim) : TDateTime(inicio_.dias - 1);
      e_.Inserir("Z8_OCOALTPROD",
                 {{"ID", Id()},
                  {"IDF_PRODUTO", produtos_[i].id},
                  {"CODANT", a.codigo ? TVariant(std::to_string(90001 + i)) : TVariant()},
                  {"DESCRICAOANT", !a.nome   ? TVariant(produtos_[i].nome)
                                   : a.copia ? TVariant("Copia de " + produtos_[i].nome)
                                             : TVariant(fmt::format("Produto antigo {}", i + 1))},
                  {"DATAINI", Dia(ano_ - 2, 3, 1)},
                  {"DATAFIM", fim},
                  {"TIPOALTERACAO", a.tipo}});
    }
    int64_t codigo_servico = 501;
    for (const auto& s : kServicos) {
      TServico sv;
      sv.id = Id();
      sv.preco = s.preco;
      e_.Inserir("Z8_SERVICO", {{"ID", sv.id},
                                {"IDF_EMPRESA", empresa_},
                                {"CODIGO", std::to_string(codigo_servico++)},
                                {"NOME", s.nome},
                                {"CODSERV", s.lista}});
      servicos_.push_back(sv);
    }
  }

  static std::string Gtin(const std::string& sem_digito) {
    int soma = 0;
    for (size_t i = 0; i < sem_digito.size(); ++i)
      soma += (sem_digito[sem_digito.size() - 1 - i] - '0') * (i % 2 == 0 ? 3 : 1);
    return sem_digito + static_cast<char>('0' + (10 - soma % 10) % 10);
  }

  void TiposDeDocumento() {
    const std::pair<int, const char*> padroes[] = {{1, "Venda de mercadorias"},
                                                   {5, "Devolução de compra"},
                                                   {13, "Compra de mercadorias"},
                                                   {55, "Devolução de venda"},
                                                   {121, "Complemento de preço de saída"}};
    std::map<int, int64_t> padrao;
    for (const auto& [codigo, nome] : padroes) {
      padrao[codigo] = Id();
      e_.Inserir("Z8_PADRAODOC",
                 {{"ID", padrao[codigo]}, {"CODINTERNO", codigo}, {"DESCRICAO", nome}});
    }
    struct TTipoDoc {
      TTipo tipo;
      const char* codigo;
      const char* nome;
      int padrao;
      const char* modelo;
      const char* conta;
    };
    const TTipoDoc tipos[] = {
        {TTipo::VendaNFe, "VENDA-NFE", "Venda com NF-e", 1, "55", "3.1.01"},
        {TTipo::VendaNFCe, "VENDA-NFCE", "Venda ao consumidor com NFC-e", 1, "65", "3.1.01"},
        {TTipo::Venda01, "VENDA-NF1", "Venda com nota fiscal modelo 1", 1, "01", "3.1.01"},
        {TTipo::CompraNFe, "COMPRA-NFE", "Compra com NF-e", 13, "55", "1.1.3.01"},
        {TTipo::Compra01, "COMPRA-NF1", "Compra com nota fiscal modelo 1", 13, "01", "1.1.3.01"},
        {TTipo::DevolucaoVenda, "DEVVENDA", "Devolução de venda", 55, "55", "3.1.01"},
        {TTipo::Complementar, "COMPL-NFE", "Complemento de preço", 121, "55", "3.1.01"},
        {TTipo::Importacao, "IMPORT-NFE", "Importação", 13, "55", "1.1.3.01"}};
    for (const auto& t : tipos) {
      const int64_t id = Id();
      tipos_doc_[t.tipo] = id;
      e_.Inserir("Z8_TIPDOC", {{"ID", id},
                               {"CODIGO", t.codigo},
                               {"DESCRICAO", t.nome},
                               {"IDF_PADRAODOC", padrao[t.padrao]},
                               {"NFCOMPLEMENTAR", Flag(t.tipo == TTipo::Complementar)}});
      const int64_t parte = Id();
      e_.Inserir("Z8_PARTETPDOC", {{"ID", parte}, {"FD", "TipoDoctoGeral"}, {"IDF_TIPDOC", id}});
      e_.Inserir("Z8_TPDOCTOGER", {{"ID", parte},
                                   {"IDA", parte},
                                   {"IDF_MODELODOCT", modelos_.at(t.modelo)},
                                   {"IDF_CTACTB", contas_.at(t.conta)}});
    }
    for (auto& f : filiais_) f.series = SeriesDaFilialDemo(e_, NovoId(), f.id);
    // Voided numbers typed for the files.
    for (int i = 0; i < 2; ++i)
      e_.Inserir("Z8_DOCCANSPED", {{"ID", Id()},
                                   {"IDF_FILIAL", filiais_[0].id},
                                   {"REG", "C100"},
                                   {"DT_DOC", DiaDoMes(7 + i)},
                                   {"NUM_DOC", std::to_string(900001 + i)},
                                   {"SER", "1"},
                                   {"COD_SIT", "05"},
                                   {"COD_MOD", "55"},
                                   {"IND_EMIT", "0"}});
  }

  // ---- documents ----

  // Interstate ICMS rate from one state to another for goods of an origin.
  static int AliquotaInterestadual(size_t de, size_t para, char origem) {
    if (origem == '1' || origem == '2' || origem == '3') return 400;
    return kEstados[de].sul_sudeste && !kEstados[para].sul_sudeste ? 700 : 1200;
  }

  struct TTotais {
    int64_t mercadorias = 0, servicos = 0, desconto = 0, ipi = 0, st = 0, suframa = 0;
  };

  void Documentos() {
    TGerador g(opcoes_.semente ^ 0x6A09E667F3BCC909ull);  // documents draw from their own stream
    e_.Tabela("Z8_DOCTO");  // the timings list the tables in the order they are first named
    parte_ = &e_.Tabela("Z8_PARTEDOCTO");
    item_ = &e_.Tabela("Z8_DOCTOITEM");
    tributacao_ = &e_.Tabela("Z8_TRIBITEM");
    e_.Tabela("Z8_TRIITEMPRO");
    parcela_ = &e_.Tabela("Z8_PARCDOCTO");
    const int64_t total = opcoes_.documentos;
    for (int64_t d = 0; d < total; ++d) {
      const TEspecial especial =
          d < static_cast<int64_t>(std::size(kEspeciais)) ? kEspeciais[d] : TEspecial::Nenhum;
      Documento(g, especial);
      if ((d + 1) % 1000 == 0 || d + 1 == total) Progresso("documents", d + 1, total);
    }
  }

  TTipo TipoDoEspecial(TGerador& g, TEspecial especial) {
    switch (especial) {
      case TEspecial::Complementar:
        return TTipo::Complementar;
      case TEspecial::Importacao:
        return TTipo::Importacao;
      case TEspecial::EntradaMesAnterior:
      case TEspecial::AjusteICMS:
        return TTipo::CompraNFe;
      case TEspecial::Transportador:
        return TTipo::Venda01;
      case TEspecial::Nenhum:
        break;
      default:
        return TTipo::VendaNFe;
    }
    const int64_t r = g.Entre(1, 100);
    if (r <= 40) return TTipo::VendaNFe;
    if (r <= 60) return TTipo::VendaNFCe;
    if (r <= 65) return TTipo::Venda01;
    if (r <= 90) return TTipo::CompraNFe;
    if (r <= 96) return TTipo::Compra01;
    return TTipo::DevolucaoVenda;
  }

  void Documento(TGerador& g, TEspecial especial) {
    const TTipo tipo = TipoDoEspecial(g, especial);
    const bool saida = tipo == TTipo::VendaNFe || tipo == TTipo::VendaNFCe ||
                       tipo == TTipo::Venda01 || tipo == TTipo::Complementar;
    const bool propria = tipo != TTipo::CompraNFe && tipo != TTipo::Compra01;
    TFilial& f = filiais_[especial != TEspecial::Nenhum || g.Chance(40)
                              ? 0
                              : static_cast<size_t>(g.Entre(1, 3))];
    const size_t uf_filial = kCidades[f.cidade].estado;

    // The participant.
    const TPessoa* p = nullptr;
    switch (especial) {
      case TEspecial::Exportacao:
        p = &clientes_[0];
        break;
      case TEspecial::Isento:
        p = &clientes_[1];
        break;
      case TEspecial::Suframa:
        p = &clientes_[2];
        break;
      case TEspecial::LocalEntrega:
        p = &clientes_[3];
        break;
      case TEspecial::Importacao:
        p = &fornecedores_[0];
        break;
      default:
        if (tipo == TTipo::VendaNFCe) {
          const TPessoa& c = clientes_[static_cast<size_t>(g.Entre(3, 35))];
          if (!c.juridica) p = &c;  // an identified consumer, or none
        } else if (tipo == TTipo::CompraNFe || tipo == TTipo::Compra01) {
          p = &fornecedores_[static_cast<size_t>(g.Entre(1, 15))];
        } else {
          p = &clientes_[static_cast<size_t>(g.Entre(3, 35))];
        }
    }
    const size_t uf_part = p ? kCidades[p->cidade].estado : uf_filial;
    const bool exterior = uf_part == kEX;
    const bool interestadual = uf_part != uf_filial && !exterior;

    // Series, number and dates.
    size_t serie = kSerieNFe;
    std::string modelo = "55";
    if (tipo == TTipo::VendaNFCe) serie = kSerieNFCe, modelo = "65";
    if (tipo == TTipo::Venda01) serie = kSerie01, modelo = "01";
    if (tipo == TTipo::CompraNFe) serie = kSerieTerceiroNFe;
    if (tipo == TTipo::Compra01) serie = kSerieTerceiro01, modelo = "01";
    if (especial == TEspecial::RegimeEspecial) serie = kSerieEspecial;
    const int64_t numero = propria ? f.series.proximo_numero[serie]++ : g.Entre(1000, 999999);
    const bool eletronico = modelo != "01";

    TDateTime emissao = DiaDoMes(static_cast<int>(g.Entre(1, fim_.Dia())));
    TDateTime entrada_saida = emissao;
    if (saida) {
      if (g.Chance(50) && emissao < fim_) entrada_saida = TDateTime(emissao.dias + 1);
    } else {
      entrada_saida = TDateTime(std::min(fim_.dias, emissao.dias + g.Entre(0, 3)));
    }
    if (especial == TEspecial::EntradaMesAnterior)
      emissao = TDateTime(inicio_.dias - 2), entrada_saida = TDateTime(inicio_.dias + 1);
    if (especial == TEspecial::SaidaMesAnterior)
      emissao = TDateTime(inicio_.dias - 1), entrada_saida = inicio_;
    if (especial == TEspecial::SaidaAposPeriodo)
      emissao = fim_, entrada_saida = TDateTime(fim_.dias + 1);

    std::string situacao_nf = "0", situacao_nfe = eletronico ? "3" : "";
    if (especial == TEspecial::Cancelado ||
        (especial == TEspecial::Nenhum && propria && eletronico && g.Chance(2)))
      situacao_nf = "1", situacao_nfe = "5";
    if (especial == TEspecial::Inutilizado) situacao_nf = "1", situacao_nfe = "7";
    if (especial == TEspecial::Denegado) situacao_nf = "1", situacao_nfe = "9";

    const int64_t doc = Id();
    ++documentos_;
    // An import comes with its declaration.
    int64_t processo = 0;
    if (tipo == TTipo::Importacao) {
      processo = Id();
      e_.Inserir("Z8_PROCIMPOR",
                 {{"ID", processo},
                  {"INDIMPORT", "0"},
                  {"NUMDI", fmt::format("{:02d}/{:07d}-0", ano_ % 100, doc % 10000000)},
                  {"NROATOREGDRAWB", TVariant()}});
    }

    // Items.
    int n = tipo == TTipo::VendaNFCe ? static_cast<int>(g.Entre(1, 6))
                                     : static_cast<int>(g.Entre(1, 19));
    if (tipo == TTipo::Complementar) n = 1;
    if (especial == TEspecial::Inutilizado) n = 0;
    TTotais t;
    for (int i = 0; i < n; ++i) {
      const TProduto* prod = nullptr;
      if (especial == TEspecial::CodigoComBarra && i == 0) prod = &produtos_[produto_kit_];
      while (!prod) {
        const TProduto& candidato = g.Um(produtos_);
        const char familia = candidato.categoria->familia;
        const bool vende = familia == 'A' || familia == 'E';
        if ((saida || tipo == TTipo::DevolucaoVenda) ? vende : familia != 'E') prod = &candidato;
      }
      Item(g, doc, i + 1, *prod, tipo, especial, f, p, uf_filial, uf_part, interestadual, exterior,
           saida, t);
    }
    if (especial == TEspecial::CodigoComBarra)
      ItemServico(g, doc, n + 1, servicos_[static_cast<size_t>(g.Entre(0, 5))], interestadual, t);

    // Document values.
    int64_t frete = 0, seguro = 0, outras = 0, aduaneiras = 0, imposto_importacao = 0;
    if (tipo != TTipo::VendaNFCe && n > 0) {
      if (g.Chance(20)) frete = g.Entre(2000, 30000);
      if (g.Chance(5)) seguro = g.Entre(500, 5000);
      if (g.Chance(3)) outras = g.Entre(100, 2000);
    }
    if (tipo == TTipo::Importacao) {
      aduaneiras = g.Entre(50000, 150000);
      imposto_importacao = Aplicar(t.mercadorias, 1200);
    }
    const int64_t total = t.mercadorias + t.servicos - t.desconto - t.suframa + frete + seguro +
                          outras + t.ipi + t.st + aduaneiras + imposto_importacao;
    EscreverDocumentoDemo(
        e_, {.id = doc,
             .filial = f.id,
             .tipo = tipos_doc_.at(tipo),
             .serie = f.series.ids[serie],
             .modelo = especial == TEspecial::RegimeEspecial ? modelos_.at("55") : 0,
             .participante = p ? p->id : 0,
             .processo = processo,
             .local_entrega = especial == TEspecial::LocalEntrega ? local_entrega_ : 0,
             .numero = std::to_string(numero),
             .emissao = emissao,
             .entrada_saida = entrada_saida,
             .rascunho = especial == TEspecial::Rascunho,
             .propria = propria,
             .situacao_nf = situacao_nf,
             .situacao_nfe = situacao_nfe,
             .observacao_fiscal = especial == TEspecial::CupomFiscal
                                      ? "Nota fiscal referente ao cupom fiscal COO 001234"
                                      : "",
             .total = total,
             .mercadorias = t.mercadorias,
             .servicos = t.servicos,
             .desconto = t.desconto,
             .suframa = t.suframa,
             .frete = frete,
             .seguro = seguro,
             .outras = outras,
             .aduaneiras = aduaneiras,
             .imposto_importacao = imposto_importacao,
             .pis_importacao = tipo == TTipo::Importacao ? Aplicar(t.mercadorias, 210) : 0,
             .cofins_importacao = tipo == TTipo::Importacao ? Aplicar(t.mercadorias, 965) : 0});

    // Other parts: access key and texts, delivery, instalments, occurrences.
    if (eletronico) {
      const std::string& cnpj = propria ? f.cnpj : p->cnpj;
      const size_t uf = propria ? uf_filial : uf_part;
      const std::string chave = ChaveAcesso(kEstados[uf].ibge, emissao, cnpj, modelo,
                                            kCodigoSerie[serie], numero, g.Digitos(8));
      const int64_t parte = Id();
      e_.Inserir(*parte_, {{"ID", parte},
                           {"FD", propria ? "OutrosDadosDocto" : "OutrosDadosCompras"},
                           {"IDF_DOCTO", doc}});
      if (propria) {
        e_.Inserir(
            "Z8_OUTDADOSDO",
            {{"ID", parte},
             {"IDA", parte},
             {"CHAVENFE", chave},
             {"TEXTOFISCAL", g.Chance(15) || processo ? TVariant("Documento emitido por empresa "
                                                                 "optante pelo regime normal.\r\n"
                                                                 "Valores aproximados de tributos "
                                                                 "conforme Lei 12.741/2012.")
                                                      : TVariant()},
             {"OBSERVACAO",
              g.Chance(10) ? TVariant("Pedido do cliente nº " + std::to_string(g.Entre(1000, 9999)))
                           : TVariant()},
             {"TEXTOPAD1", g.Chance(5) ? TVariant("Mercadoria entregue | conferida") : TVariant()},
             {"NROPROCESSO", g.Chance(1) ? TVariant("PA-" + g.Digitos(8))
                             : processo  ? TVariant(fmt::format("DI-{:08d}", doc))
                                         : TVariant()},
             {"INDPROCESSO", TVariant()}});
        if (situacao_nfe == "3" || situacao_nfe == "5") {
          const int64_t oco = Id();
          e_.Inserir("Z8_OCODOCTO", {{"ID", oco},
                                     {"FD", "OcoDocumentoElet"},
                                     {"IDF_DOCUMENTO", doc},
                                     {"DATA", emissao},
                                     {"DESCRICAO", "Autorizado o uso da NF-e"}});
          e_.Inserir("Z8_OCODOCELET",
                     {{"ID", oco},
                      {"IDA", oco},
                      {"CHAVEACESSO", chave},
                      {"PROTOCOLO", "1" + std::string(kEstados[uf].ibge) + g.Digitos(12)},
                      {"SITUACAO", "100"}});
        }
      } else {
        e_.Inserir(
            "Z8_OUTDADCOMP",
            {{"ID", parte},
             {"IDA", parte},
             {"CHAVENFE", chave},
             {"TEXTOFISCAL",
              g.Chance(10) ? TVariant("ICMS retido por substituição tributária") : TVariant()}});
      }
    }
    if (tipo == TTipo::VendaNFe || tipo == TTipo::Venda01) {
      const bool transportador = especial == TEspecial::Transportador || g.Chance(10);
      const int64_t parte = Id();
      e_.Inserir(*parte_, {{"ID", parte}, {"FD", "DadosEntDoc"}, {"IDF_DOCTO", doc}});
      e_.Inserir("Z8_ENTREGADOC",
                 {{"ID", parte},
                  {"IDA", parte},
                  {"TIPOFRETE", g.Um(std::vector<std::string>{"C", "C", "F", "T", "A", "D"})},
                  {"RESPONSAVEL", transportador ? "2" : "1"},
                  {"IDF_TRANSP", transportador ? TVariant(transportadores_[g.Chance(50) ? 0 : 1].id)
                                               : TVariant()},
                  {"PLACAVEICULO", transportador ? TVariant("ABC1D" + g.Digitos(2)) : TVariant()},
                  {"UFVEICULO", transportador ? TVariant("SP") : TVariant()},
                  {"QTDEPORVOLUME", TVariant(static_cast<double>(g.Entre(1, 40)))},
                  {"PESOBRUTO", Reais(g.Entre(1000, 500000))},
                  {"PESOLIQUIDO", Reais(g.Entre(900, 450000))},
                  {"VALORFRETE", Reais(frete)}});
    }
    if (tipo == TTipo::CompraNFe || tipo == TTipo::Compra01) {
      const int64_t parte = Id();
      e_.Inserir(*parte_, {{"ID", parte}, {"FD", "DadosEntCompras"}, {"IDF_DOCTO", doc}});
      e_.Inserir("Z8_ENTREGACOM", {{"ID", parte},
                                   {"IDA", parte},
                                   {"FORMAPAGFRETE", g.Chance(70) ? TVariant("C") : TVariant("F")},
                                   {"FRETEAPAGAR", TVariant()},
                                   {"QTDEPORVOLUME", TVariant(static_cast<double>(g.Entre(1, 40)))},
                                   {"PESOBRUTO", Reais(g.Entre(1000, 500000))},
                                   {"PESOLIQUIDO", Reais(g.Entre(900, 450000))}});
    }
    if (tipo == TTipo::VendaNFe || tipo == TTipo::Venda01 || tipo == TTipo::CompraNFe ||
        tipo == TTipo::Compra01) {
      // Cash, one instalment (some falling due on the day of issue) or two or three.
      const int64_t r = g.Entre(1, 10);
      const int parcelas = r <= 3 ? 0 : r <= 7 ? 1 : static_cast<int>(g.Entre(2, 3));
      const bool a_vista = parcelas == 1 && g.Chance(50);
      for (int k = 1; k <= parcelas; ++k) {
        const int64_t parte = Id();
        const int64_t valor = k < parcelas ? total / parcelas : total - total / parcelas * (k - 1);
        e_.Inserir(*parte_, {{"ID", parte}, {"FD", "ParcelDocto"}, {"IDF_DOCTO", doc}});
        e_.Inserir(*parcela_, {{"ID", parte},
                               {"IDA", parte},
                               {"IDENTPARCELA", fmt::format("{}/{}", k, parcelas)},
                               {"DATAVENCTO", TDateTime(emissao.dias + (a_vista ? 0 : 30 * k))},
                               {"VALORPARCELA", Reais(valor)}});
      }
    }
  }

  void Item(TGerador& g, int64_t doc, int seq, const TProduto& prod, TTipo tipo, TEspecial especial,
            const TFilial& f, const TPessoa* p, size_t uf_filial, size_t uf_part,
            bool interestadual, bool exterior, bool saida, TTotais& t) {
    const TCategoria& c = *prod.categoria;
    const bool embalagem = prod.embalagem && g.Chance(20);
    const int fator = embalagem ? prod.fator : 1;
    const int64_t preco = prod.preco * fator;
    // Quantities in tenths: goods sold by weight or volume get fractions.
    const bool fracionada =
        !embalagem && (std::string(c.unidade) == "KG" || std::string(c.unidade) == "LT");
    const int64_t decimos = fracionada ? g.Entre(5, 2000) : g.Entre(1, 48) * 10;
    const int64_t bruto = (decimos * preco + 5) / 10;
    const int64_t desconto =
        g.Chance(10) ? Aplicar(bruto, static_cast<int>(g.Entre(100, 1000))) : 0;
    const int64_t liquido = bruto - desconto;
    const int64_t suframa = especial == TEspecial::Suframa ? Aplicar(liquido, 700) : 0;
    const char origem = tipo == TTipo::Importacao ? '1' : c.origem;
    const bool st = c.cest[0] != '\0';
    const bool substituto = std::find(f.estados_substituto.begin(), f.estados_substituto.end(),
                                      uf_part) != f.estados_substituto.end();
    const bool contribuinte = p && p->contribuinte;

    // CFOP and ICMS taxation.
    std::string cfop, cst = "00";
    if (saida) {
      const bool producao = c.familia == 'E';
      if (exterior)
        cfop = "7.102", cst = "41";
      else if (st && !interestadual)
        cfop = "5.405", cst = "60";
      else if (st && substituto && contribuinte)
        cfop = "6.403", cst = "10";
      else if (!interestadual)
        cfop = producao ? "5.101" : "5.102";
      else if (!contribuinte)
        cfop = "6.108";
      else
        cfop = producao ? "6.101" : "6.102";
      if (especial == TEspecial::CupomFiscal) cfop = "5.929";
    } else if (tipo == TTipo::Importacao) {
      cfop = "3.102";
    } else if (tipo == TTipo::DevolucaoVenda) {
      cfop = interestadual ? "2.202" : "1.202";
    } else {
      const char* prefixo = interestadual ? "2." : "1.";
      if (c.familia == 'H')
        cfop = std::string(prefixo) + "556", cst = "90";
      else if (c.familia == 'I')
        cfop = std::string(prefixo) + "551";
      else if (c.familia == 'B' || c.familia == 'C')
        cfop = std::string(prefixo) + "101";
      else if (st)
        cfop = std::string(prefixo) + "403", cst = interestadual ? "10" : "60";
      else
        cfop = std::string(prefixo) + "102";
    }
    if (cst == "00" && !exterior && tipo != TTipo::Importacao && g.Chance(12)) cst = "20";

    int aliquota = 0;
    if (cst == "00" || cst == "10" || cst == "20") {
      if (!interestadual)
        aliquota = kEstados[uf_filial].aliquota;
      else if (saida)
        aliquota = AliquotaInterestadual(uf_filial, uf_part, origem);
      else
        aliquota = AliquotaInterestadual(uf_part, uf_filial, origem);
    }
    int64_t base = aliquota ? liquido : 0;
    int64_t reducao = 0;
    if (cst == "20") reducao = Aplicar(base, 3000), base -= reducao;
    const int64_t icms = Aplicar(base, aliquota);
    const int64_t isento = cst == "40" || cst == "41" ? liquido : 0;
    const int64_t outras = cst == "60" || cst == "90" ? liquido : 0;

    // IPI: own production on outputs, raw material from industry and imports on entries.
    std::string cst_ipi;
    int aliquota_ipi = 0;
    if (saida && c.familia == 'E') cst_ipi = "H", aliquota_ipi = c.ipi;
    if (!saida && tipo == TTipo::Importacao) cst_ipi = "A", aliquota_ipi = 1000;
    if (!saida && c.familia == 'B' && g.Chance(50)) cst_ipi = "A", aliquota_ipi = 500;
    const int64_t base_ipi = cst_ipi.empty() ? 0 : liquido;
    const int64_t ipi = Aplicar(base_ipi, aliquota_ipi);

    // ICMS-ST on the goods' value with the margin, at the destination's rate.
    int64_t base_st = 0, valor_st = 0, fcp_st = 0;
    int aliquota_st = 0;
    if (cst == "10") {
      const size_t destino = saida ? uf_part : uf_filial;
      aliquota_st = kEstados[destino].aliquota;
      base_st = Aplicar(liquido + ipi, 14000);
      valor_st = std::max<int64_t>(0, Aplicar(base_st, aliquota_st) - icms);
      if (destino == kRJ) fcp_st = Aplicar(base_st, 200);
    }
    // Interstate sales to non-taxpayers: the destination's share of the rate difference.
    int64_t difal = 0;
    if (saida && interestadual && !contribuinte && aliquota > 0)
      difal = std::max<int64_t>(0, Aplicar(base, kEstados[uf_part].aliquota - aliquota));

    // PIS and COFINS: imports give credit at the import rates; sales without
    // the contribution carry the nature of their revenue.
    std::string cst_pis = "A";
    int pis = 165, cofins = 760;
    int64_t fixo_pis = 0, fixo_cofins = 0;  // ten-thousandths of a real per unit
    if (exterior && !saida)
      cst_pis = "K", pis = 210, cofins = 965;
    else if (exterior)
      cst_pis = "G", pis = cofins = 0;
    else if (saida && c.pis == 'M')
      cst_pis = "C", pis = cofins = 0, fixo_pis = 857, fixo_cofins = 3946;
    else if (saida && (c.pis == 'Z' || c.pis == 'E' || c.pis == 'I' || c.pis == 'S'))
      cst_pis = c.pis == 'Z'   ? "D"
                : c.pis == 'E' ? "E"
                : c.pis == 'I' ? "F"
                               : "H",
      pis = cofins = 0;
    else if (tipo == TTipo::DevolucaoVenda)
      cst_pis = "Y";
    else if (!saida && (c.pis != 'N' || c.familia == 'H'))
      cst_pis = "2", pis = cofins = 0;
    else if (!saida)
      cst_pis = "K";
    const int64_t unidades = decimos * fator / 10;
    const int64_t base_pis = fixo_pis ? unidades : liquido;
    const int64_t valor_pis = fixo_pis ? (unidades * fixo_pis + 50) / 100 : Aplicar(liquido, pis);
    const int64_t valor_cofins =
        fixo_cofins ? (unidades * fixo_cofins + 50) / 100 : Aplicar(liquido, cofins);

    const int64_t item = Id();
    const int64_t contafin =
        contas_financeiras_.at(saida || tipo == TTipo::DevolucaoVenda ? "R" : "D");
    EscreverItemProdutoDemo(e_, {.id = item,
                                 .documento = doc,
                                 .seq = seq,
                                 .produto = prod.id,
                                 .unidade = embalagem ? prod.embalagem : prod.unidade,
                                 .cfop = cfops_.at(cfop),
                                 .conta_financeira = contafin,
                                 .decimos = decimos,
                                 .unitario = preco,
                                 .bruto = bruto,
                                 .desconto = desconto,
                                 .suframa = suframa,
                                 .liquido = liquido - suframa,
                                 .liquido_nf = liquido - suframa + ipi + valor_st + fcp_st,
                                 .origem = origens_[static_cast<size_t>(origem - '0')],
                                 .tributacao = tributacoes_.at(cst),
                                 .base = base,
                                 .icms = icms,
                                 .isento = isento,
                                 .outras = outras,
                                 .reducao = reducao,
                                 .aliquota = aliquota,
                                 .base_st = base_st,
                                 .valor_st = valor_st,
                                 .fcp_st = fcp_st,
                                 .difal = difal,
                                 .aliquota_st = aliquota_st,
                                 .cst_ipi = cst_ipi,
                                 .base_ipi = base_ipi,
                                 .ipi = ipi,
                                 .aliquota_ipi = aliquota_ipi,
                                 .cst_pis = cst_pis,
                                 .pis = pis,
                                 .cofins = cofins,
                                 .fixo_pis = fixo_pis,
                                 .fixo_cofins = fixo_cofins,
                                 .base_pis = base_pis,
                                 .valor_pis = valor_pis,
                                 .valor_cofins = valor_cofins,
                                 .importacao = tipo == TTipo::Importacao,
                                 .natureza_receita = NaturezaDaReceita(cst_pis)});
    ++itens_;
    // Fuel bought goes into one of the branch's tanks.
    if (!saida && c.anp[0])
      e_.Inserir("Z8_ARMAZCOMB", {{"ID", Id()},
                                  {"DOCTOITEM_ID", item},
                                  {"NUM_TANQUE", std::to_string(1 + item % 3)},
                                  {"QTDE", TVariant(static_cast<double>(decimos * fator) / 10.0)}});

    // Adjustments of the item's ICMS, from the state's table.
    const bool ajuste = (especial == TEspecial::AjusteICMS && seq <= 2) ||
                        (especial == TEspecial::Nenhum && base > 0 && g.Chance(1));
    if (ajuste) {
      const size_t codigo = especial == TEspecial::AjusteICMS ? (seq == 1 ? 0 : 2)
                            : uf_filial == kRJ                ? 1
                                                              : 0;
      EscreverAjusteICMSDemo(e_, {Id(), item, ajustes_[codigo], impostos_.at("0"), "1", base, 300});
    }
    t.mercadorias += bruto;
    t.desconto += desconto;
    t.suframa += suframa;
    t.ipi += ipi;
    t.st += valor_st + fcp_st;
  }

  void ItemServico(TGerador& g, int64_t doc, int seq, const TServico& s, bool interestadual,
                   TTotais& t) {
    const int64_t quantidade = g.Entre(1, 4);
    const int64_t valor = quantidade * s.preco;
    const int64_t item = Id();
    e_.Inserir(*parte_, {{"ID", item}, {"FD", "ItemDocto"}, {"IDF_DOCTO", doc}});
    e_.Inserir(*item_, {{"ID", item},
                        {"IDA", item},
                        {"SEQITEM", seq},
                        {"IDF_SERVICO", s.id},
                        {"IDF_CFOP", cfops_.at(interestadual ? "6.933" : "5.933")},
                        {"IDF_CONTAFIN", contas_financeiras_.at("R")},
                        {"QDADE", TVariant(static_cast<double>(quantidade))},
                        {"VALUNITARIO", Reais(s.preco)},
                        {"VALBRUTO", Reais(valor)},
                        {"VALDESCONTO", Reais(0)},
                        {"VALLIQUIDO", Reais(valor)},
                        {"VALLIQUIDONF", Reais(valor)}});
    e_.Inserir(*tributacao_, {{"ID", item}, {"FD", "TribItemServ"}, {"IDF_DOCTOITEM", item}});
    e_.Inserir("Z8_TRIITEMSER", {{"ID", item},
                                 {"IDA", item},
                                 {"ISSBASE", Reais(valor)},
                                 {"ISSALIQ", Percentual(500)},
                                 {"ISSVALOR", Reais(Aplicar(valor, 500))},
                                 {"CLATRIBPIS", "A"},
                                 {"PISBASE", Reais(valor)},
                                 {"PISALIQ", Percentual(165)},
                                 {"PISVALOR", Reais(Aplicar(valor, 165))},
                                 {"CLATRIBCOFINS", "A"},
                                 {"COFINSBASE", Reais(valor)},
                                 {"COFINSALIQ", Percentual(760)},
                                 {"COFINSVALOR", Reais(Aplicar(valor, 760))}});
    ++itens_;
    t.servicos += valor;
  }

  TpbBD& bd_;
  const OpcoesDemo& opcoes_;
  TGerador g_;
  TEscritor e_;
  TDateTime inicio_, fim_;
  int ano_ = 0, mes_ = 0;
  int64_t proximo_id_ = 1;

  int64_t tipo_aliquota_normal_ = 0;
  std::vector<int64_t> paises_, estados_, cidades_, origens_, ajustes_;
  std::map<std::string, int64_t> impostos_, cfops_, tributacoes_, modelos_, contas_,
      contas_financeiras_;
  int64_t plano_ = 0, plano_referencial_ = 0;
  int64_t ultimo_papel_ = 0;

  int64_t local_entrega_ = 0;
  std::map<char, int64_t> familias_;
  std::map<std::string, int64_t> unidades_;
  std::map<TTipo, int64_t> tipos_doc_;
  size_t produto_kit_ = 0;
  TEscritor::TTabela* parte_ = nullptr;
  TEscritor::TTabela* item_ = nullptr;
  TEscritor::TTabela* tributacao_ = nullptr;
  TEscritor::TTabela* parcela_ = nullptr;

  int64_t empresa_ = 0;
  std::vector<TFilial> filiais_;
  std::vector<TPessoa> clientes_, fornecedores_, transportadores_;
  std::vector<TProduto> produtos_;
  std::vector<TServico> servicos_;
  int64_t documentos_ = 0, itens_ = 0;
};

// Firebird measures an index's selectivity when the index is created and
// never again by itself: the indexes, created on empty tables, would look
// useless to its planner, which then scans whole tables (every item of the
// database for a page of documents) instead. A loaded ERP's database has
// them measured; the new figures count from the commit.
void MedirIndices(TpbBD& bd) {
  if (bd.ClassName() != "TpbBDInterbase") return;
  const TxbResultado r = bd.Consultar(
      "SELECT TRIM(RDB$INDEX_NAME) FROM RDB$INDICES WHERE coalesce(RDB$SYSTEM_FLAG, 0) = 0 "
      "AND coalesce(RDB$INDEX_INACTIVE, 0) = 0");
  for (const auto& linha : r.linhas) bd.Executar("SET STATISTICS INDEX " + linha[0].AsString());
  bd.Confirmar();
}

}  // namespace

const std::set<std::string>& ModulosDaDemo() {
  static const std::set<std::string> modulos = {
      "ParEmpContabilidade", "MovCtb", "DoctoCancelSped", "OcoDocumentoElet", "ArmazenCombust",
      "DoctoCupFiscal",      "Lote"};
  return modulos;
}

ResultadoDemo ConstruirEmpresaDemo(TxsSessionZ8& sessao, const OpcoesDemo& opcoes) {
  const auto inicio = std::chrono::steady_clock::now();
  TpbBD& bd = sessao.GetBD();
  if (sessao.EmTransacaoExplicita())
    throw EErro("The demo company is built in a transaction of its own");
  if (bd.Consultar("SELECT ID FROM Z8_EMPRESA").linhas.size() > 0)
    throw EErro("The database already holds ERP data: the demo company goes into an empty one");
  GravarModulos(bd, ModulosDaDemo());
  bd.Confirmar();
  bd.Iniciar();
  ResultadoDemo r;
  try {
    r = TConstrutor(bd, opcoes).Construir();
    r.maior_id = ConstruirServicosDemo(bd, r);
    // The ERP's assessment sums every document of the month with ICMS; the
    // fixed assets' credits read its outputs.
    r.maior_id = ConstruirApuracoesDemo(bd, r);
    r.maior_id = ConstruirCIAPDemo(bd, r);
    r.maior_id = ConstruirNotasServicoDemo(bd, r);
    r.maior_id = ConstruirOutrasOperacoesDemo(bd, r);
    r.maior_id = ConstruirConsolidacoesDemo(bd, r);
    r.maior_id = ConstruirComplementosDocumentoDemo(bd, r);
    r.maior_id = ConstruirUltimasComprasDemo(bd, r);
    ConstruirApuracaoContribuicoesDemo(bd);
    ConstruirSantaCatarinaDemo(bd, r, opcoes.semente);
    bd.ReservarIDsAte(r.maior_id);
    bd.Confirmar();
  } catch (...) {
    bd.Desfazer();
    throw;
  }
  MedirIndices(bd);
  sessao.DefinirEmpresaSessao(static_cast<int>(r.empresa));
  sessao.DefinirFilialSessao(static_cast<int>(r.filiais.front()));
  r.segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  return r;
}

}  // namespace efd::erp
