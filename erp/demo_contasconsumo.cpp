#include "erp/demo_contasconsumo.h"

#include <fmt/format.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "erp/insercao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd::erp {
namespace {

using TValores = std::vector<std::pair<std::string, TVariant>>;

// A utility bill of the month: its kind, the product billed, the day, the
// ICMS of its one item and whether the supplier cancelled it.
struct TContaDemo {
  const char* modelo;
  const char* produto;
  int dia;
  double quantidade, valor, aliquota;
  const char* cst;  // taxation digits; the origin is national
  const char* cfop;
  bool cancelada;
  // The ICMS stated on the bill's total rather than on its item, and a
  // reconnection fee billed with the supply.
  bool icms_do_documento = false;
  double servico = 0;
};
const TContaDemo kContas[] = {{"06", "ENERGIA", 8, 3200, 2450.80, 18, "00", "1.253", false},
                              {"29", "AGUA", 12, 85, 612.35, 0, "40", "1.556", false},
                              {"28", "GAS", 15, 140, 980.00, 12, "00", "1.556", false, true, 45.00},
                              {"28", "GAS", 20, 60, 410.00, 12, "00", "1.556", true}};

struct TProdutoDemo {
  const char* codigo;
  const char* nome;
  const char* unidade;
  const char* ncm;
};
const TProdutoDemo kProdutos[] = {{"ENERGIA", "Energia elétrica", "KWH", "27160000"},
                                  {"AGUA", "Água canalizada", "M3", "22019000"},
                                  {"GAS", "Gás natural canalizado", "M3", "27112100"}};

class TContasDemo {
 public:
  TContasDemo(TpbBD& bd, const ResultadoDemo& demo)
      : bd_(bd), demo_(demo), proximo_(demo.maior_id + 1) {}

  int64_t Construir() {
    const int64_t filial = demo_.filiais.front();
    Cadastros(filial);
    int64_t numero = 104512;
    for (const TContaDemo& c : kContas) Conta(filial, c, numero++);
    return proximo_ - 1;
  }

 private:
  void Inserir(const std::string& tabela, const TValores& v) { InserirValores(bd_, tabela, v); }
  int64_t Id(const std::string& sql, const TParametros& p = {}) {
    TxbResultado r = bd_.Consultar(sql, p);
    if (r.Vazio() || r.linhas[0][0].IsNull()) throw EErro("Demo: nothing for " + sql);
    return r.linhas[0][0].AsInt64();
  }
  int64_t Modelo(const std::string& codigo, const std::string& nome) {
    TxbResultado r =
        bd_.Consultar("SELECT ID FROM Z8_MODELODOCT WHERE CODMODELO = :C", {{"C", codigo}});
    if (!r.Vazio()) return r.linhas[0][0].AsInt64();
    const int64_t id = proximo_++;
    Inserir("Z8_MODELODOCT", {{"ID", id}, {"CODMODELO", codigo}, {"DESCRICAO", nome}});
    return id;
  }
  int64_t Cfop(const std::string& codigo, const std::string& nome) {
    TxbResultado r =
        bd_.Consultar("SELECT ID FROM Z8_CODFISOPE WHERE CODIGO = :C", {{"C", codigo}});
    if (!r.Vazio()) return r.linhas[0][0].AsInt64();
    const int64_t id = proximo_++;
    Inserir("Z8_CODFISOPE", {{"ID", id}, {"CODIGO", codigo}, {"NOME", nome}, {"TIPOMOV", "1"}});
    return id;
  }

  void Cadastros(int64_t filial) {
    const int64_t compra = Id("SELECT ID FROM Z8_PADRAODOC WHERE CODINTERNO = 13");
    // Electricity is bought under a document standard of its own, 42: the
    // one whose bills have their ICMS adjustments under an observation.
    const int64_t compra_energia = proximo_++;
    Inserir(
        "Z8_PADRAODOC",
        {{"ID", compra_energia}, {"CODINTERNO", 42}, {"DESCRICAO", "Compra de energia elétrica"}});
    // The supplier of the branch's first purchase, or a company of the
    // demo's when the month has no purchase.
    TxbResultado fornecedor = bd_.Consultar(
        "SELECT MIN(A.IDF_IDENT) FROM Z8_DOCTO A INNER JOIN Z8_TIPDOC T ON T.ID = A.IDF_TPDOCTO "
        "INNER JOIN Z8_PADRAODOC P ON P.ID = T.IDF_PADRAODOC WHERE P.CODINTERNO = 13 AND "
        "A.IDF_FILIAL = :F",
        {{"F", filial}});
    fornecedor_ = fornecedor.Vazio() || fornecedor.linhas[0][0].IsNull()
                      ? Id("SELECT MAX(ID) FROM KLVG_PESJUR")
                      : fornecedor.linhas[0][0].AsInt64();
    origem_ = Id("SELECT ID FROM Z8_CLAORIGEM WHERE CODIGO = '0'");
    icms_ = Id("SELECT ID FROM Z8_IMPOSTO WHERE TIPO = '0'");
    // The company has its bills' ICMS adjustments written under an
    // observation of the bill; the electricity bill informs the ICMS of the
    // energy the branch's panels injected.
    bd_.Executar(
        "UPDATE Z8_PEMPGERAL SET OBSAJUSTESCONTACONSUMO = :SIM WHERE IDA IN (SELECT ID FROM "
        "Z8_PAREMP WHERE IDF_EMPRESA = :EMPRESA)",
        {{"SIM", TVariant(true)}, {"EMPRESA", demo_.empresa}});
    ajuste_ = proximo_++;
    Inserir("Z8_TABAJVPRDF", {{"ID", ajuste_},
                              {"CODAJUSTE", "SP90090104"},
                              {"DESCRICAO", "Informação do ICMS da energia elétrica injetada"},
                              {"IDF_UF", Id("SELECT ID FROM KLVG_UF WHERE SIGLA = 'SP'")}});
    religacao_ = proximo_++;
    Inserir("Z8_SERVICO", {{"ID", religacao_},
                           {"IDF_EMPRESA", demo_.empresa},
                           {"CODIGO", "RELIGACAO"},
                           {"NOME", "Taxa de religação"}});
    cfops_["1.253"] = Cfop("1.253", "Compra de energia elétrica por estabelecimento comercial");
    cfops_["1.556"] = Cfop("1.556", "Compra de material para uso ou consumo");
    const std::pair<const char*, const char*> modelos[] = {
        {"06", "Nota Fiscal/Conta de Energia Elétrica"},
        {"28", "Nota Fiscal/Conta de Fornecimento de Gás Canalizado"},
        {"29", "Nota Fiscal/Conta de Fornecimento de Água Canalizada"}};
    for (const auto& [codigo, nome] : modelos) {
      const int64_t tipo = proximo_++, parte = proximo_++, serie = proximo_++;
      Inserir("Z8_TIPDOC",
              {{"ID", tipo},
               {"CODIGO", std::string("CONTA-") + codigo},
               {"DESCRICAO", nome},
               {"IDF_PADRAODOC", std::string(codigo) == "06" ? compra_energia : compra},
               {"NFCOMPLEMENTAR", TVariant(false)}});
      Inserir("Z8_PARTETPDOC", {{"ID", parte}, {"FD", "TipoDoctoGeral"}, {"IDF_TIPDOC", tipo}});
      Inserir("Z8_TPDOCTOGER",
              {{"ID", parte}, {"IDA", parte}, {"IDF_MODELODOCT", Modelo(codigo, nome)}});
      if (std::string(codigo) == "06") {
        const int64_t energia = proximo_++;
        Inserir("Z8_PARTETPDOC",
                {{"ID", energia}, {"FD", "ParteTpDocInfEnerElet"}, {"IDF_TIPDOC", tipo}});
        Inserir("Z8_TPDOCINFEE", {{"ID", energia},
                                  {"IDA", energia},
                                  {"CODCONS", "02"},
                                  {"TIPOLIGACAO", "3"},
                                  {"CODGRUPOTENSAO", "B"}});
      }
      Inserir("Z8_SERIEDOCTO", {{"ID", serie},
                                {"IDF_FILIAL", filial},
                                {"CODIGO", "U"},
                                {"DESCRICAO", std::string("Contas de consumo ") + codigo},
                                {"TIPO", "2"},
                                {"SERIENFE", TVariant(false)},
                                {"REGIMEESPECIAL", TVariant(false)}});
      tipos_[codigo] = {tipo, serie};
    }
    const int64_t familia = proximo_++;
    Inserir(
        "Z8_FAMILIA",
        {{"ID", familia}, {"CODIGO", "CONSUMO"}, {"NOME", "Contas de consumo"}, {"TIPOITEM", "H"}});
    for (const TProdutoDemo& p : kProdutos) {
      TxbResultado u =
          bd_.Consultar("SELECT ID FROM Z8_UNIDADE WHERE CODIGO = :C", {{"C", p.unidade}});
      int64_t unidade = u.Vazio() ? 0 : u.linhas[0][0].AsInt64();
      if (unidade == 0) {
        unidade = proximo_++;
        Inserir("Z8_UNIDADE",
                {{"ID", unidade}, {"CODIGO", p.unidade}, {"NOME", p.unidade}, {"TPCALCULO", "M"}});
      }
      const int64_t produto = proximo_++, unprod = proximo_++;
      Inserir("Z8_PROD", {{"ID", produto},
                          {"IDF_EMPRESA", demo_.empresa},
                          {"CODPROD", p.codigo},
                          {"NMPROD", p.nome},
                          {"IDF_FAMILIA", familia},
                          {"CODIGONCM", p.ncm},
                          {"CODGENERO", std::string(p.ncm).substr(0, 2)}});
      Inserir("Z8_UNPROD", {{"ID", unprod},
                            {"IDF_PROD", produto},
                            {"IDF_UNIDADE", unidade},
                            {"UNIDADEPADRAOEST", TVariant(true)},
                            {"FATORCONV", TVariant(1.0)}});
      produtos_[p.codigo] = {produto, unprod};
    }
  }

  void Conta(int64_t filial, const TContaDemo& c, int64_t numero) {
    const TDateTime dia = TDateTime::EncodeDate(demo_.inicio.Ano(), demo_.inicio.Mes(), c.dia);
    const auto [tipo, serie] = tipos_.at(c.modelo);
    const int64_t docto = proximo_++;
    Inserir("Z8_DOCTO", {{"ID", docto},
                         {"FD", "Docto"},
                         {"IDF_FILIAL", filial},
                         {"IDF_TPDOCTO", tipo},
                         {"IDF_SERIEDOCTO", serie},
                         {"IDF_IDENT", fornecedor_},
                         {"NRODOCTO", std::to_string(numero)},
                         {"DATAEMI", dia},
                         {"DTENTSAI", dia},
                         {"SITUACAO", "1"},
                         {"SITUACAONF", c.cancelada ? "1" : "0"},
                         {"VALTOTALNF", Arredondar(c.valor + c.servico, 2)},
                         {"VALMERCADORIAS", c.valor},
                         {"VALSERVICOS", c.servico},
                         {"VALDESCONTO", 0.0}});
    Inserir("Z8_REGLIVRO", {{"ID", proximo_++},
                            {"IDF_DOCTO", docto},
                            {"VALFORNECCONSUM", c.valor},
                            {"VALSERVNAOTRIB", c.servico},
                            {"VALNOMETERC", 0.0},
                            {"VALDESPACES", 0.0}});
    const auto [produto, unprod] = produtos_.at(c.produto);
    const int64_t item = proximo_++;
    const double base = c.aliquota > 0 ? c.valor : 0;
    const double icms = Arredondar(base * c.aliquota / 100, 2);
    const bool no_item = !c.icms_do_documento;
    Inserir("Z8_PARTEDOCTO", {{"ID", item}, {"FD", "ItemDocto"}, {"IDF_DOCTO", docto}});
    Inserir("Z8_DOCTOITEM", {{"ID", item},
                             {"IDA", item},
                             {"SEQITEM", 1},
                             {"IDF_PROD", produto},
                             {"IDF_UNPROD", unprod},
                             {"IDF_CFOP", cfops_.at(c.cfop)},
                             {"QDADE", c.quantidade},
                             {"VALUNITARIO", Arredondar(c.valor / c.quantidade, 4)},
                             {"VALBRUTO", c.valor},
                             {"VALDESCONTO", 0.0},
                             {"VALLIQUIDO", c.valor},
                             {"VALLIQUIDONF", c.valor}});
    Inserir("Z8_TRIBITEM", {{"ID", item}, {"FD", "TribItemProd"}, {"IDF_DOCTOITEM", item}});
    Inserir("Z8_TRIITEMPRO",
            {{"ID", item},
             {"IDA", item},
             {"IDF_CLAORIGEM", origem_},
             {"IDF_CLATRIBICMS",
              Id("SELECT ID FROM Z8_CLATRIBUT WHERE CODIGO = :C", {{"C", std::string(c.cst)}})},
             {"ICMSBASE", no_item ? base : 0.0},
             {"ICMSALIQ", c.aliquota},
             {"ICMSVALOR", no_item ? icms : 0.0},
             {"ICMSVALORISENTO", base > 0 ? 0.0 : c.valor},
             {"ICMSVALOROUTRAS", 0.0},
             // Bills of inputs give credit of PIS and COFINS (CST 50).
             {"CLATRIBPIS", "K"},
             {"PISBASE", c.valor},
             {"PISALIQ", 1.65},
             {"PISVALOR", Arredondar(c.valor * 0.0165, 2)},
             {"CLATRIBCOFINS", "K"},
             {"COFINSBASE", c.valor},
             {"COFINSALIQ", 7.6},
             {"COFINSVALOR", Arredondar(c.valor * 0.076, 2)}});
    if (std::string(c.modelo) == "06")
      Inserir("Z8_AJTRIBITDO", {{"ID", proximo_++},
                                {"IDF_TRIBITEM", item},
                                {"IDF_TABAJVPRDF", ajuste_},
                                {"IDF_IMPOSTO", icms_},
                                {"IDF_TABCODREC", 0},
                                {"TIPOAJUSTE", "3"},
                                {"BASE", 312.40},
                                {"ALIQUOTA", c.aliquota},
                                {"VALOR", Arredondar(312.40 * c.aliquota / 100, 2)},
                                {"VLROUTROS", 0.0},
                                {"DESCCOMPL", "Energia injetada na rede"}});
    if (c.icms_do_documento)
      Inserir("Z8_DOCTOTRIB", {{"ID", proximo_++},
                               {"IDF_DOCTO", docto},
                               {"IDF_IMPOSTO", icms_},
                               {"IDF_CFOP", cfops_.at(c.cfop)},
                               {"BASECALCULO", base},
                               {"ALIQUOTA", c.aliquota},
                               {"VALORIMPOSTO", icms},
                               {"VALORISENTO", 0.0},
                               {"VALOROUTRAS", 0.0}});
    if (c.servico > 0) Servico(docto, c);
    // The water bill's credit stands on a court decision.
    if (std::string(c.modelo) == "29") {
      const int64_t outros = proximo_++;
      Inserir("Z8_PARTEDOCTO", {{"ID", outros}, {"FD", "OutrosDadosDocto"}, {"IDF_DOCTO", docto}});
      Inserir("Z8_OUTDADOSDO", {{"ID", outros},
                                {"IDA", outros},
                                {"NROPROCESSO", "5001234-56.2023.4.03"},
                                {"INDPROCESSO", "1"}});
    }
    // The electricity bill carries the data of the 2022 layout: the energy
    // the branch's panels injected and the earlier bill it settles.
    if (std::string(c.modelo) == "06") {
      const int64_t dados = proximo_++;
      const TDateTime anterior = TDateTime(demo_.inicio.dias - 1);
      Inserir("Z8_PARTEDOCTO", {{"ID", dados}, {"FD", "DadosDoctoConsumo"}, {"IDF_DOCTO", docto}});
      Inserir("Z8_DADCONSUMO",
              {{"ID", dados},
               {"IDA", dados},
               {"INDDEST", "1"},
               {"CODMUNDEST", "3550308"},
               {"CODMODDOCREF", "06"},
               {"SERDOCREF", "U"},
               {"NUMDOCREF", std::to_string(numero - 1)},
               {"MESDOCREF", fmt::format("{:02d}{:04d}", anterior.Mes(), anterior.Ano())},
               {"ENERINJET", 312.40},
               {"OUTRASDED", 0.0}});
    }
  }

  // A fee billed with the supply: a service item without ICMS of its own
  // (CST 090) that gives credit of PIS and COFINS as the supply does.
  void Servico(int64_t docto, const TContaDemo& c) {
    const int64_t item = proximo_++;
    Inserir("Z8_PARTEDOCTO", {{"ID", item}, {"FD", "ItemDocto"}, {"IDF_DOCTO", docto}});
    Inserir("Z8_DOCTOITEM", {{"ID", item},
                             {"IDA", item},
                             {"SEQITEM", 2},
                             {"IDF_SERVICO", religacao_},
                             {"IDF_CFOP", cfops_.at(c.cfop)},
                             {"QDADE", 1.0},
                             {"VALUNITARIO", c.servico},
                             {"VALBRUTO", c.servico},
                             {"VALDESCONTO", 0.0},
                             {"VALLIQUIDO", c.servico},
                             {"VALLIQUIDONF", c.servico}});
    Inserir("Z8_TRIBITEM", {{"ID", item}, {"FD", "TribItemServ"}, {"IDF_DOCTOITEM", item}});
    Inserir("Z8_TRIITEMSER",
            {{"ID", item},
             {"IDA", item},
             {"IDF_CLATRIBICMS", Id("SELECT ID FROM Z8_CLATRIBUT WHERE CODIGO = '90'")},
             {"CLATRIBPIS", "K"},
             {"PISBASE", c.servico},
             {"PISALIQ", 1.65},
             {"PISVALOR", Arredondar(c.servico * 0.0165, 2)},
             {"CLATRIBCOFINS", "K"},
             {"COFINSBASE", c.servico},
             {"COFINSALIQ", 7.6},
             {"COFINSVALOR", Arredondar(c.servico * 0.076, 2)}});
  }

  TpbBD& bd_;
  const ResultadoDemo& demo_;
  int64_t proximo_;
  int64_t fornecedor_ = 0, origem_ = 0, icms_ = 0, religacao_ = 0, ajuste_ = 0;
  std::map<std::string, int64_t> cfops_;
  std::map<std::string, std::pair<int64_t, int64_t>> tipos_, produtos_;
};

}  // namespace

int64_t ConstruirContasDeConsumoDemo(TpbBD& bd, const ResultadoDemo& demo) {
  return TContasDemo(bd, demo).Construir();
}

}  // namespace efd::erp
