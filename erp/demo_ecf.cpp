#include "erp/demo_ecf.h"

#include <cctype>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "erp/insercao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd::erp {
namespace {

using TValores = std::vector<std::pair<std::string, TVariant>>;

struct TImpressoraDemo {
  const char* serie;
  const char* caixa;
  const char* modelo;
  std::vector<int> dias;
  double grande_total;            // before the month
  int64_t coo, crz;               // the counters before the month
  int dia_arredondado = -1;       // the closing whose ICMS the printer rounds up
  int dia_cancelado = -1;         // the day whose third coupon is cancelled
  bool digitado = false;          // the month before's last coupon, typed as cancelled
  bool itens_da_reducao = false;  // closings with their item totals
};
const TImpressoraDemo kImpressoras[] = {
    {"BE091010100011200001", "1", "MP-4200 TH FI", {3, 4, 5}, 185432.10, 1200, 410, 1},
    {"EP011112000000012345", "2", "TM-T81 FBIII", {3, 4}, 97310.55, 4200, 610, -1, 1, true}};
// The second branch's printer keeps its closings' item totals.
const TImpressoraDemo kImpressorasDaFilial[] = {
    {"DR030300000000077777", "1", "DR800 ETH", {6}, 41250.00, 300, 95, -1, -1, false, true}};

// An item of a coupon: the product (by its position among the demo's), the
// ERP's tax type, rate and CST, quantity and value, and its PIS/COFINS CST
// (01 taxed at the basic rates, 06 at zero rate with its nature of revenue).
struct TItemDemo {
  size_t produto;
  const char* tipo;
  double aliquota;
  const char* cst;
  double quantidade, valor;
  const char* cst_pis_cofins = "01";
  const char* natureza = nullptr;
};
// The coupons of every day; the third is the one cancelled on the second
// printer's second day.
const std::vector<std::vector<TItemDemo>> kCupons = {
    {{0, "0", 18, "000", 2, 25.90}, {1, "1", 0, "040", 1, 10.00, "06", "101"}},
    {{2, "2", 0, "060", 3, 15.50}, {0, "0", 18, "000", 1, 12.95}},
    {{3, "0", 12, "000", 1, 33.33}}};

double Arred(double v) {
  return Arredondar(v, 2);
}

class TCuponsDemo {
 public:
  TCuponsDemo(TpbBD& bd, const ResultadoDemo& demo, int64_t filial)
      : bd_(bd), demo_(demo), proximo_(demo.maior_id + 1), filial_(filial) {}

  template <size_t N>
  int64_t Construir(const TImpressoraDemo (&impressoras)[N]) {
    Produtos();
    Totalizadores();
    for (const TImpressoraDemo& e : impressoras) Impressora(e);
    return proximo_ - 1;
  }

 private:
  void Inserir(const std::string& tabela, const TValores& v) { InserirValores(bd_, tabela, v); }
  int64_t Id(const std::string& sql) {
    TxbResultado r = bd_.Consultar(sql);
    if (r.Vazio() || r.linhas[0][0].IsNull()) throw EErro("Demo: nothing for " + sql);
    return r.linhas[0][0].AsInt64();
  }

  // The first goods of the demo's catalogue, with their stock unit.
  void Produtos() {
    TxbResultado r = bd_.Consultar(
        "SELECT P.ID, U.ID, P.CODPROD, UN.CODIGO FROM Z8_PROD P INNER JOIN Z8_UNPROD U ON "
        "U.IDF_PROD = P.ID INNER JOIN Z8_UNIDADE UN ON UN.ID = U.IDF_UNIDADE "
        "INNER JOIN Z8_FAMILIA F ON F.ID = P.IDF_FAMILIA WHERE F.TIPOITEM = 'A' AND "
        "U.UNIDADEPADRAOEST = :SIM ORDER BY P.ID",
        {{"SIM", TVariant(true)}});
    for (size_t i = 0; i < 4 && i < r.linhas.size(); ++i)
      produtos_.push_back({r.linhas[i][0].AsInt64(), r.linhas[i][1].AsInt64(),
                           Trim(r.linhas[i][2].AsString()), Trim(r.linhas[i][3].AsString())});
    if (produtos_.size() < 4) throw EErro("Demo: the printers need four goods");
  }

  void Totalizadores() {
    const int64_t icms = Id("SELECT ID FROM Z8_IMPOSTO WHERE TIPO = '0'");
    const int64_t venda = Id("SELECT ID FROM Z8_CODFISOPE WHERE CODIGO = '5.102'");
    const int64_t st = Id("SELECT ID FROM Z8_CODFISOPE WHERE CODIGO = '5.405'");
    const std::tuple<const char*, double, int64_t> totalizadores[] = {
        {"1", 18, venda}, {"1", 12, venda}, {"2", 0, venda}, {"3", 0, venda}, {"4", 0, st}};
    for (const auto& [tipo, aliquota, cfop] : totalizadores)
      Inserir("Z8_TOTAUTCOME", {{"ID", proximo_++},
                                {"IDF_FILIAL", filial_},
                                {"IDF_IMPOSTO", icms},
                                {"TIPO", tipo},
                                {"ALIQUOTA", aliquota},
                                {"IDF_CFOP", cfop}});
  }

  void Impressora(const TImpressoraDemo& e) {
    double grande_total = e.grande_total;
    int64_t coo = e.coo;
    int64_t crz = e.crz;
    // The last coupon of the month before was cancelled on the first day,
    // and the user typed it in.
    if (e.digitado)
      Inserir("Z8_DOCCANSPED",
              {{"ID", proximo_++},
               {"IDF_FILIAL", filial_},
               {"REG", "C460"},
               {"NRSERIEECF", e.serie},
               {"DT_DOC", TDateTime::EncodeDate(demo_.inicio.Ano(), demo_.inicio.Mes(), e.dias[0])},
               {"NUM_DOC", std::to_string(coo)},
               {"COD_MOD", "2D"},
               {"COD_SIT", "02"}});
    for (size_t d = 0; d < e.dias.size(); ++d) {
      const TDateTime dia =
          TDateTime::EncodeDate(demo_.inicio.Ano(), demo_.inicio.Mes(), e.dias[d]);
      std::map<double, double> bases;  // rate -> sales
      double st = 0, isento = 0, cancelado = 0, bruto = 0, pis = 0, cofins = 0;
      for (size_t c = 0; c < kCupons.size(); ++c) {
        const bool cancelar = static_cast<int>(d) == e.dia_cancelado && c == 2;
        const double valor = Cupom(e, dia, ++coo, c, cancelar, pis, cofins);
        bruto = Arred(bruto + valor);
        if (cancelar) {
          cancelado = Arred(cancelado + valor);
          continue;
        }
        for (const TItemDemo& i : kCupons[c]) {
          if (std::string(i.tipo) == "0") bases[i.aliquota] = Arred(bases[i.aliquota] + i.valor);
          if (std::string(i.tipo) == "1") isento = Arred(isento + i.valor);
          if (std::string(i.tipo) == "2") st = Arred(st + i.valor);
        }
      }
      grande_total = Arred(grande_total + bruto);
      const int64_t z = proximo_++;
      Inserir("Z8_RDZ", {{"ID", z},
                         {"IDF_FILIAL", filial_},
                         {"DATAMOV", dia},
                         {"DATA", TDateTime(dia.dias + 22.0 / 24)},
                         {"NRSERIEECF", e.serie},
                         {"NUMEROECF", e.caixa},
                         {"MODELOECF", e.modelo},
                         {"CRO", 1},
                         {"CONTREDUCOESZ", ++crz},
                         {"COOREDUCAOZ", ++coo},
                         {"TOTALGERAL", grande_total},
                         {"TOTALVENDABRUTA", bruto},
                         {"TOTALSUBSTICMS", st},
                         {"TOTALISENTOICMS", isento},
                         {"TOTALCANCICMS", cancelado}});
      if (e.itens_da_reducao) ItensDaReducao(z, d == static_cast<size_t>(e.dia_cancelado));
      const double arredondamento = static_cast<int>(d) == e.dia_arredondado ? 0.03 : 0;
      for (const auto& [aliquota, base] : bases)
        Inserir("Z8_ICMSRDZ", {{"ID", proximo_++},
                               {"IDF_REDUCAOZ", z},
                               {"ALIQUOTA", aliquota},
                               {"BASECALCULO", base},
                               {"TOTALIMPOSTO", Arred(base * aliquota / 100 +
                                                      (aliquota == 18 ? arredondamento : 0))}});
      Inserir("Z8_PISCOFRDZ",
              {{"ID", proximo_++}, {"IDF_REDUCAOZ", z}, {"TIPO", "1"}, {"TOTIMPOSTO", pis}});
      Inserir("Z8_PISCOFRDZ",
              {{"ID", proximo_++}, {"IDF_REDUCAOZ", z}, {"TIPO", "2"}, {"TOTIMPOSTO", cofins}});
      const std::pair<const char*, double> nao_fiscais[] = {{"Recebimento", 50.00},
                                                            {"Sangria", 200.00}};
      for (const auto& [descricao, valor] : nao_fiscais)
        Inserir(
            "Z8_NAOFISRDZ",
            {{"ID", proximo_++}, {"IDF_REDUCAOZ", z}, {"DESCRICAO", descricao}, {"VALOR", valor}});
    }
  }

  // The closing's item totals: what the valid coupons of the day sold, per
  // totalizer and product, with the unit as the printer types it, in small
  // letters.
  void ItensDaReducao(int64_t z, bool com_cancelado) {
    std::map<std::tuple<std::string, double, size_t>, std::pair<double, double>> itens;
    for (size_t c = 0; c < kCupons.size(); ++c) {
      if (com_cancelado && c == 2) continue;
      for (const TItemDemo& i : kCupons[c]) {
        auto& [quantidade, valor] = itens[{i.tipo, i.aliquota, i.produto}];
        quantidade += i.quantidade;
        valor = Arred(valor + i.valor);
      }
    }
    for (const auto& [chave, soma] : itens) {
      const auto& [tipo, aliquota, produto] = chave;
      const auto& [quantidade, valor] = soma;
      const double pis = Arred(valor * 0.0165), cofins = Arred(valor * 0.076);
      std::string unidade = produtos_[produto].unidade;
      for (char& ch : unidade) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      Inserir("Z8_ITENSRDZ", {{"ID", proximo_++},
                              {"IDF_REDUCAOZ", z},
                              {"TIPOTRIBUTACAO", tipo},
                              {"ALIQUOTA", aliquota},
                              {"CODPRODUTO", produtos_[produto].codigo},
                              {"CODUNIDADE", unidade},
                              {"QTDEACUM", quantidade},
                              {"VLRACUM", valor},
                              {"VALPIS", pis},
                              {"CSTPIS", "01"},
                              {"BASEPIS", valor},
                              {"ALIQPIS", 1.65},
                              {"VALCOFINS", cofins},
                              {"CSTCOFINS", "01"},
                              {"BASECOFINS", valor},
                              {"ALIQCOFINS", 7.6}});
    }
  }

  // Writes one coupon; its value.
  double Cupom(const TImpressoraDemo& e, TDateTime dia, int64_t coo, size_t c, bool cancelar,
               double& pis, double& cofins) {
    double valor = 0;
    for (const TItemDemo& i : kCupons[c]) valor = Arred(valor + i.valor);
    const int64_t docto = proximo_++;
    Inserir("Z8_DOCTO", {{"ID", docto},
                         {"FD", "DoctoCupFiscal"},
                         {"IDF_FILIAL", filial_},
                         {"NRODOCTO", std::to_string(coo)},
                         {"DATAEMI", dia},
                         {"DTENTSAI", dia},
                         {"SITUACAO", "1"},
                         {"SITUACAONF", cancelar ? "1" : "0"},
                         {"VALTOTALNF", valor}});
    const bool com_cpf = c == 1;
    Inserir("Z8_CUPFISCAL", {{"ID", docto},
                             {"IDA", docto},
                             {"NUMSERIEECF", e.serie},
                             {"COOCUPOM", coo},
                             {"SITUACAOCF", cancelar ? "1" : "0"},
                             {"VALBRUTO", valor},
                             {"VALLIQUIDO", valor},
                             {"DATAFINALIMPRESSAO", TDateTime(dia.dias + (10.0 + c) / 24)},
                             {"CPF_CNPJCLIENTE", com_cpf ? TVariant("12345678909") : TVariant()},
                             {"NOMECLIENTE", com_cpf ? TVariant("Maria da Silva") : TVariant()}});
    for (const TItemDemo& i : kCupons[c]) {
      const bool tributado = std::string(i.cst_pis_cofins) == "01";
      const double p = tributado ? Arred(i.valor * 0.0165) : 0,
                   f = tributado ? Arred(i.valor * 0.076) : 0;
      if (!cancelar) pis = Arred(pis + p), cofins = Arred(cofins + f);
      Inserir("Z8_ITEMCUPFIS",
              {{"ID", proximo_++},
               {"IDF_CUPFISCAL", docto},
               {"IDF_PROD", produtos_[i.produto].id},
               {"IDF_UNPROD", produtos_[i.produto].unidade_produto},
               {"SITUACAOITEM", "0"},
               {"TIPOTRIBUTACAO", i.tipo},
               {"ALIQUOTA", i.aliquota},
               {"CST", i.cst},
               {"QUANTIDADE", i.quantidade},
               {"QTDECANCELADA", 0.0},
               {"VALLIQUIDO", i.valor},
               {"VALDESCPROP", 0.0},
               {"VALDESCFIN", 0.0},
               {"VALACRESPROP", 0.0},
               {"VALACRESFIN", 0.0},
               {"VALPIS", p},
               {"VALCOFINS", f},
               {"CSTPIS", i.cst_pis_cofins},
               {"BASEPIS", tributado ? i.valor : 0.0},
               {"ALIQPIS", tributado ? 1.65 : 0.0},
               {"CSTCOFINS", i.cst_pis_cofins},
               {"BASECOFINS", tributado ? i.valor : 0.0},
               {"ALIQCOFINS", tributado ? 7.6 : 0.0},
               {"NATRECPISCOFINS", i.natureza ? TVariant(i.natureza) : TVariant()}});
    }
    return valor;
  }

  TpbBD& bd_;
  const ResultadoDemo& demo_;
  int64_t proximo_;
  int64_t filial_;
  struct TProdutoDemo {
    int64_t id, unidade_produto;  // the product and its stock unit
    std::string codigo, unidade;  // their codes
  };
  std::vector<TProdutoDemo> produtos_;
};

}  // namespace

int64_t ConstruirCuponsFiscaisDemo(TpbBD& bd, const ResultadoDemo& demo) {
  return TCuponsDemo(bd, demo, demo.filiais.front()).Construir(kImpressoras);
}

int64_t ConstruirImpressoraDaFilialDemo(TpbBD& bd, const ResultadoDemo& demo) {
  return TCuponsDemo(bd, demo, demo.filiais.at(1)).Construir(kImpressorasDaFilial);
}

}  // namespace efd::erp
