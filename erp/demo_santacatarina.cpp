#include "erp/demo_santacatarina.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "erp/demo_apuracao.h"
#include "erp/demo_comum.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd::erp {
namespace {

// The adjustment of the state's table that the branch's purchases from
// Simples Nacional companies carry.
constexpr const char* kCreditoPresumido = "SC10000034";

struct TCFOPNovo {
  const char* codigo;
  const char* nome;
};
const TCFOPNovo kCFOPsNovos[] = {
    {"6.404",
     "Venda de mercadoria sujeita ao regime de substituição tributária, cujo imposto já tenha "
     "sido retido anteriormente"},
    {"6.152", "Transferência de mercadoria adquirida ou recebida de terceiros"}};

// The branch's people: customers and suppliers, in Joinville or Curitiba.
enum TParte { kClienteSC, kClientePR, kFornecedorSC, kFornecedorPR, kMatriz };
struct TPessoaSC {
  const char* codigo;
  const char* nome;
  const char* geocodigo;  // of the city
  const char* cep;        // first digits of the city's postcodes
  const char* ddd;
  const char* papel;
};
const TPessoaSC kPessoas[] = {
    {"250001", "Joinvilense Materiais Elétricos Ltda", "4209102", "89", "47", "CLI"},
    {"250002", "Paranaense Distribuidora de Ferragens Ltda", "4106902", "80", "41", "CLI"},
    {"350001", "Oficina Catarinense de Metais ME", "4209102", "89", "47", "FOR"},
    {"350002", "Metalúrgica Curitibana EPP", "4106902", "80", "41", "FOR"}};

// An item of the month: the product by name, the quantity in tenths, the
// unit price in cents, the CFOP, the origin and ICMS taxation codes and the
// ICMS rate (hundredths of a percent); an ICMS-ST rate, and an adjustment
// of the presumed credit of that type at that rate, where given.
struct TItemSC {
  const char* produto;
  int64_t decimos;
  int64_t preco;
  const char* cfop;
  char origem;
  const char* tributacao;
  int aliquota;
  int aliquota_st = 0;
  const char* tipo_ajuste = "";
  int aliquota_ajuste = 0;
};

struct TDocumentoSC {
  int dia;
  bool saida;
  TParte parte;
  std::vector<TItemSC> itens;
};

// Sales inside the state and to another, with goods whose ICMS-ST was
// withheld before, a transfer to the head office, exempt and untaxed goods,
// and purchases with the presumed credit of the Simples Nacional supplier.
const TDocumentoSC kMes[] = {
    {3,
     true,
     kClienteSC,
     {{"Monitor 24 polegadas", 40, 98000, "5.102", '2', "00", 1700},
      {"Kit promocional", 100, 350, "5.102", '0', "41", 0},
      {"Analgésico 20 comprimidos", 60, 2400, "5.102", '0', "40", 0}}},
    {6,
     false,
     kFornecedorSC,
     {{"Parafuso sextavado 10mm", 250, 2100, "1.102", '0', "90", 0, 0, "1", 1200},
      {"Analgésico 20 comprimidos", 120, 1500, "1.102", '0', "40", 0}}},
    {9,
     true,
     kClientePR,
     {{"Parafuso sextavado 10mm", 120, 3200, "6.404", '0', "10", 1200, 1950},
      {"Notebook 14 polegadas", 20, 320000, "6.102", '2', "00", 400}}},
    {14,
     true,
     kMatriz,
     {{"Notebook 15 polegadas", 30, 360000, "6.152", '2', "00", 400},
      {"Mesa de escritório", 20, 62000, "6.152", '0', "00", 1200}}},
    {17,
     false,
     kFornecedorPR,
     {{"Chapa de aço 2mm", 800, 820, "2.102", '0', "00", 1200},
      {"Tubo de aço 1 polegada", 400, 950, "2.102", '0', "90", 0, 0, "2", 1200}}},
    {21,
     true,
     kClienteSC,
     {{"Cadeira giratória", 50, 41000, "5.102", '0', "00", 1700},
      {"Água mineral 500ml", 480, 220, "5.102", '0', "40", 0}}},
    {24, true, kClientePR, {{"Porca sextavada 8mm", 300, 2500, "6.404", '0', "00", 1200}}},
    {27, false, kFornecedorSC, {{"Caixa de papelão média", 1000, 390, "1.102", '0', "00", 1700}}},
};

// What the rest of the demo company wrote that the branch's rows name.
class TConstrutorSC {
 public:
  TConstrutorSC(TpbBD& bd, ResultadoDemo& demo, uint64_t semente)
      : bd_(bd), demo_(demo), e_(bd), g_(semente ^ 0xBB67AE8584CAA73Bull) {}

  void Construir() {
    proximo_ = demo_.maior_id + 1;
    // The branch's id comes first: the rows from it on are the branch's.
    filial_ = Id();
    Referencias();
    Filial();
    Pessoas();
    for (const TDocumentoSC& d : kMes) Documento(d);
    demo_.filiais.push_back(filial_);
    demo_.maior_id = proximo_ - 1;
    demo_.maior_id = ConstruirApuracaoDaFilialDemo(bd_, demo_, filial_);
  }

 private:
  int64_t Id() { return proximo_++; }
  TNovoId NovoId() {
    return [this] { return Id(); };
  }

  int64_t Um(const std::string& sql, const TParametros& p = {}) {
    const TxbResultado r = bd_.Consultar(sql, p);
    if (r.Vazio() || r.linhas[0][0].IsNull())
      throw EErro("The Santa Catarina branch of the demo misses the company's row of: " + sql);
    return r.linhas[0][0].AsInt64();
  }
  int64_t Codigo(const std::string& tabela, const std::string& coluna, const std::string& valor) {
    return Um("SELECT ID FROM " + tabela + " WHERE " + coluna + " = :V", {{"V", valor}});
  }
  std::string Telefone(const std::string& ddd) {
    std::string numero = "(" + ddd + ") " + g_.Digitos(4);
    return numero + "-" + g_.Digitos(4);
  }
  TDateTime Dia(int dia) const { return TDateTime(demo_.inicio.dias + dia - 1); }

  void Referencias() {
    estado_ = Codigo("KLVG_UF", "SIGLA", "SC");
    pais_ = Codigo("KLVG_PAIS", "CODIGOBACEN", "1058");
    icms_ = Codigo("Z8_IMPOSTO", "TIPO", "0");
    for (const char* c : {"00", "10", "40", "41", "90"})
      tributacoes_[c] = Codigo("Z8_CLATRIBUT", "CODIGO", c);
    for (const char* o : {"0", "2"}) origens_[o[0]] = Codigo("Z8_CLAORIGEM", "CODIGO", o);
    for (const char* t : {"VENDA-NFE", "COMPRA-NFE"}) tipos_[t] = Codigo("Z8_TIPDOC", "CODIGO", t);
    receita_ = Codigo("Z8_CTAFINAN", "TIPO", "R");
    despesa_ = Codigo("Z8_CTAFINAN", "TIPO", "D");
    const TxbResultado cfops = bd_.Consultar("SELECT CODIGO, ID FROM Z8_CODFISOPE");
    for (const auto& l : cfops.linhas) cfops_[Trim(l[0].AsString())] = l[1].AsInt64();
    for (const auto& c : kCFOPsNovos) {
      cfops_[c.codigo] = Id();
      e_.Inserir(
          "Z8_CODFISOPE",
          {{"ID", cfops_[c.codigo]}, {"CODIGO", c.codigo}, {"NOME", c.nome}, {"TIPOMOV", "2"}});
    }
    const std::string descricao = "Crédito presumido nas aquisições de optante do Simples Nacional";
    ajuste_ = Id();
    e_.Inserir("Z8_TABAJVPRDF", {{"ID", ajuste_},
                                 {"CODAJUSTE", kCreditoPresumido},
                                 {"DESCRICAO", descricao},
                                 {"DESCRICAODET", descricao + ", conforme regulamento"},
                                 {"DESCRICAORED", CopiarUtf8(descricao, 60)},
                                 {"IDF_UF", estado_}});
  }

  // The branch: the company's person in Joinville, under the head office's
  // accountant, with the head office's parameters, series and ICMS settings.
  void Filial() {
    const TxbResultado matriz = bd_.Consultar(
        "SELECT F.IDF_EMPRESA, F.IDF_CONTADOR, F.CRCCONTADOR, I.CPFCNPJ, I.NOME, P.IDF_IDENT "
        "FROM Z8_FILIAL F INNER JOIN KLVG_PAPELREL P ON P.ID = F.IDF_PAPELREL "
        "INNER JOIN KLVG_IDENT I ON I.ID = P.IDF_IDENT WHERE F.ID = :F",
        {{"F", demo_.filiais.front()}});
    if (matriz.Vazio()) throw EErro("The demo company has no head office");
    const auto& m = matriz.linhas[0];
    matriz_ident_ = m[5].AsInt64();
    cnpj_ = CompletarCNPJ(Trim(m[3].AsString()).substr(0, 8) + "0005");
    TNovaPessoa p;
    p.codigo = "100005";
    p.nome = Trim(m[4].AsString());
    p.fantasia = "Demo Comercial Joinville";
    p.cidade = Codigo("KLVG_CID", "GEOCODIGO", "4209102");
    p.cep = "89";
    p.pais = pais_;
    p.digitos = cnpj_;
    p.documento = FormatarCNPJ(cnpj_);
    p.ie = g_.Digitos(9);
    p.im = g_.Digitos(7);
    p.fone = Telefone("47");
    p.email = "fiscal5@democomercial.com.br";
    p.papel = "FIL";
    p.estabelecimento = true;
    const TPessoaEscrita pessoa = EscreverPessoaDemo(e_, g_, NovoId(), p);
    e_.Inserir("Z8_FILIAL", {{"ID", filial_},
                             {"IDF_EMPRESA", m[0]},
                             {"CODIGO", "0005"},
                             {"NOME", "Filial Joinville"},
                             {"IDF_PAPELREL", pessoa.papel},
                             {"IDF_CONTADOR", m[1]},
                             {"CRCCONTADOR", m[2]}});
    ParametrosDaFilialDemo(e_, Id(), filial_, TDateTime::EncodeDate(demo_.inicio.Ano() - 1, 1, 1),
                           false);
    series_ = SeriesDaFilialDemo(e_, NovoId(), filial_);
    const int64_t normal = Codigo("Z8_TPALIQICMS", "DESCRICAO", "Normal");
    TributacaoDaFilialDemo(
        e_, NovoId(),
        {filial_, estado_, TDateTime::EncodeDate(2020, 1, 1), TDateTime::EncodeDate(2099, 12, 31),
         false, 1700, normal, Codigo("Z8_TPALIQICMS", "DESCRICAO", "Reduzida")});
  }

  void Pessoas() {
    for (const TPessoaSC& s : kPessoas) {
      TNovaPessoa p;
      p.codigo = s.codigo;
      p.nome = s.nome;
      p.fantasia = p.nome.substr(0, p.nome.rfind(' '));
      p.cidade = Codigo("KLVG_CID", "GEOCODIGO", s.geocodigo);
      p.cep = s.cep;
      p.pais = pais_;
      p.digitos = CompletarCNPJ(g_.Digitos(8) + "0001");
      p.documento = FormatarCNPJ(p.digitos);
      p.ie = g_.Digitos(9);
      p.fone = Telefone(s.ddd);
      p.papel = s.papel;
      const int64_t id = EscreverPessoaDemo(e_, g_, NovoId(), p).ident;
      if (std::string(s.papel) == "CLI")
        e_.Inserir("Z8_PARTRIBCLI",
                   {{"ID", Id()}, {"IDF_IDENT", id}, {"CONTRIBUINTEICMS", Flag(true)}});
      pessoas_.push_back({id, p.digitos, std::string(s.geocodigo).substr(0, 2)});
    }
  }

  struct TTotais {
    int64_t mercadorias = 0, st = 0;
  };

  void Documento(const TDocumentoSC& d) {
    const int64_t doc = Id();
    const size_t serie = d.saida ? kSerieNFe : kSerieTerceiroNFe;
    const int64_t numero = d.saida ? series_.proximo_numero[serie]++ : g_.Entre(1000, 999999);
    TTotais t;
    int seq = 0;
    for (const TItemSC& i : d.itens) Item(doc, ++seq, i, d.saida, t);
    const int64_t participante = d.parte == kMatriz ? matriz_ident_ : pessoas_[d.parte].ident;
    EscreverDocumentoDemo(e_, {.id = doc,
                               .filial = filial_,
                               .tipo = tipos_.at(d.saida ? "VENDA-NFE" : "COMPRA-NFE"),
                               .serie = series_.ids[serie],
                               .participante = participante,
                               .numero = std::to_string(numero),
                               .emissao = Dia(d.dia),
                               .entrada_saida = Dia(d.dia),
                               .propria = d.saida,
                               .situacao_nf = "0",
                               .situacao_nfe = "3",
                               .total = t.mercadorias + t.st,
                               .mercadorias = t.mercadorias});
    // The access key: the branch's own for its sales, the supplier's for its purchases.
    const std::string chave =
        d.saida
            ? ChaveAcesso("42", Dia(d.dia), cnpj_, "55", kCodigoSerie[serie], numero, g_.Digitos(8))
            : ChaveAcesso(pessoas_[d.parte].uf, Dia(d.dia), pessoas_[d.parte].cnpj, "55",
                          kCodigoSerie[serie], numero, g_.Digitos(8));
    const int64_t parte = Id();
    e_.Inserir("Z8_PARTEDOCTO", {{"ID", parte},
                                 {"FD", d.saida ? "OutrosDadosDocto" : "OutrosDadosCompras"},
                                 {"IDF_DOCTO", doc}});
    e_.Inserir(d.saida ? "Z8_OUTDADOSDO" : "Z8_OUTDADCOMP",
               {{"ID", parte}, {"IDA", parte}, {"CHAVENFE", chave}});
    ++demo_.documentos;
  }

  void Item(int64_t doc, int seq, const TItemSC& s, bool saida, TTotais& t) {
    const TxbResultado produto = bd_.Consultar(
        "SELECT P.ID, U.ID FROM Z8_PROD P INNER JOIN Z8_UNPROD U ON U.IDF_PROD = P.ID "
        "WHERE P.NMPROD = :NOME AND U.UNIDADEPADRAOEST = 'T'",
        {{"NOME", s.produto}});
    if (produto.Vazio()) throw EErro(std::string("The demo company has no product ") + s.produto);
    const std::string cst = s.tributacao;
    const int64_t liquido = (s.decimos * s.preco + 5) / 10;
    const int64_t base = s.aliquota ? liquido : 0;
    const int64_t icms = Aplicar(base, s.aliquota);
    int64_t base_st = 0, valor_st = 0;
    if (s.aliquota_st) {
      base_st = Aplicar(liquido, 14000);
      valor_st = std::max<int64_t>(0, Aplicar(base_st, s.aliquota_st) - icms);
    }
    const int64_t item = Id();
    EscreverItemProdutoDemo(e_, {.id = item,
                                 .documento = doc,
                                 .seq = seq,
                                 .produto = produto.linhas[0][0].AsInt64(),
                                 .unidade = produto.linhas[0][1].AsInt64(),
                                 .cfop = cfops_.at(s.cfop),
                                 .conta_financeira = saida ? receita_ : despesa_,
                                 .decimos = s.decimos,
                                 .unitario = s.preco,
                                 .bruto = liquido,
                                 .liquido = liquido,
                                 .liquido_nf = liquido + valor_st,
                                 .origem = origens_.at(s.origem),
                                 .tributacao = tributacoes_.at(cst),
                                 .base = base,
                                 .icms = icms,
                                 .isento = cst == "40" || cst == "41" ? liquido : 0,
                                 .outras = cst == "90" ? liquido : 0,
                                 .aliquota = s.aliquota,
                                 .base_st = base_st,
                                 .valor_st = valor_st,
                                 .aliquota_st = s.aliquota_st,
                                 .cst_pis = saida ? "A" : "K",
                                 .pis = 165,
                                 .cofins = 760,
                                 .base_pis = liquido,
                                 .valor_pis = Aplicar(liquido, 165),
                                 .valor_cofins = Aplicar(liquido, 760)});
    if (s.tipo_ajuste[0])
      EscreverAjusteICMSDemo(
          e_, {Id(), item, ajuste_, icms_, s.tipo_ajuste, liquido, s.aliquota_ajuste});
    t.mercadorias += liquido;
    t.st += valor_st;
    ++demo_.itens;
  }

  struct TParticipante {
    int64_t ident = 0;
    std::string cnpj;
    std::string uf;  // the state's code
  };

  TpbBD& bd_;
  ResultadoDemo& demo_;
  TEscritor e_;
  TGerador g_;
  int64_t proximo_ = 0;
  int64_t filial_ = 0, matriz_ident_ = 0, estado_ = 0, pais_ = 0, icms_ = 0, ajuste_ = 0;
  int64_t receita_ = 0, despesa_ = 0;
  std::string cnpj_;
  TSeriesFilial series_;
  std::map<std::string, int64_t> tributacoes_, tipos_, cfops_;
  std::map<char, int64_t> origens_;
  std::vector<TParticipante> pessoas_;
};

}  // namespace

void ConstruirSantaCatarinaDemo(TpbBD& bd, ResultadoDemo& demo, uint64_t semente) {
  TConstrutorSC(bd, demo, semente).Construir();
}

}  // namespace efd::erp
