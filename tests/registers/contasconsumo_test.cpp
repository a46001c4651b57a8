// Utility bills of block C (C500 with C510 and C590): which bills a month
// takes, their situations, the fields of the electricity bills by period,
// the items that keep their ICMS out, and the PIS/COFINS shares, on every
// engine.
#include "registers/blockC/uh5registroefdc500.h"
#include "registers/blockC/uh5registroefdc501.h"
#include "registers/blockC/uh5registroefdc505.h"
#include "registers/blockC/uh5registroefdc510.h"
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

// A bill of the tests: an electricity bill (model 06) bought by branch 10
// from supplier 202 with one item, unless said otherwise.
struct TContaTeste {
  int id = 0;
  std::string modelo = "06";
  std::string numero = "42";
  std::string dia = "2024-03-08";
  std::string situacao_nf = "0";
  std::string tributacao = "00";  // 00 or 60
  double valor = 1000, aliquota = 18;
  bool dados_2022 = false;
  std::string letra_pis_cofins = "A";  // the ERP's index of the PIS/COFINS CST
  std::string processo = "";           // the process the bill names
  bool sem_serie = false;
  // The ICMS and ICMS-ST stated on the bill's total instead of its item.
  bool icms_do_documento = false;
  double servico = 0;  // the value of a reconnection fee billed with the supply
};

class ContasDeConsumo : public TDocumentos {
 protected:
  void SetUp() override {
    TDocumentos::SetUp();
    if (IsSkipped()) return;
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kCadastros);
  }

  void Carregar(const std::vector<TContaTeste>& contas) {
    nlohmann::json f = nlohmann::json::object();
    int proximo = 7600;
    for (const TContaTeste& c : contas) {
      const int tipo = c.modelo == "06" ? 7101 : c.modelo == "29" ? 7102 : 7103;
      f["Z8_DOCTO"].push_back(
          {{"ID", c.id},
           {"FD", "Docto"},
           {"IDF_FILIAL", 10},
           {"IDF_TPDOCTO", tipo},
           {"IDF_SERIEDOCTO", c.sem_serie ? nlohmann::json() : nlohmann::json(1203)},
           {"IDF_IDENT", 202},
           {"NRODOCTO", c.numero},
           {"DATAEMI", c.dia},
           {"DTENTSAI", c.dia},
           {"SITUACAO", "1"},
           {"SITUACAONF", c.situacao_nf},
           {"VALTOTALNF", c.valor},
           {"VALDESCONTO", 0.0}});
      f["Z8_REGLIVRO"].push_back({{"ID", proximo++},
                                  {"IDF_DOCTO", c.id},
                                  {"VALFORNECCONSUM", c.valor},
                                  {"VALSERVNAOTRIB", 0.0},
                                  {"VALNOMETERC", 12.5},
                                  {"VALDESPACES", 0.0}});
      const int item = proximo++;
      const double base = c.aliquota > 0 && !c.icms_do_documento ? c.valor : 0;
      f["Z8_PARTEDOCTO"].push_back({{"ID", item}, {"FD", "ItemDocto"}, {"IDF_DOCTO", c.id}});
      f["Z8_DOCTOITEM"].push_back({{"ID", item},
                                   {"IDA", item},
                                   {"SEQITEM", 1},
                                   {"IDF_PROD", 70},
                                   {"IDF_CFOP", 7401},
                                   {"QDADE", 250.0},
                                   {"VALBRUTO", c.valor},
                                   {"VALLIQUIDO", c.valor},
                                   {"VALLIQUIDONF", c.valor}});
      f["Z8_TRIBITEM"].push_back({{"ID", item}, {"FD", "TribItemProd"}, {"IDF_DOCTOITEM", item}});
      f["Z8_TRIITEMPRO"].push_back({{"ID", item},
                                    {"IDA", item},
                                    {"IDF_CLAORIGEM", 1301},
                                    {"IDF_CLATRIBICMS", c.tributacao == "00" ? 1311 : 1313},
                                    {"ICMSBASE", base},
                                    {"ICMSALIQ", c.aliquota},
                                    {"ICMSVALOR", base * c.aliquota / 100},
                                    {"ICMSVALORISENTO", c.icms_do_documento ? 0 : c.valor - base},
                                    {"CLATRIBPIS", c.letra_pis_cofins},
                                    {"PISBASE", c.valor},
                                    {"PISALIQ", 1.65},
                                    {"PISVALOR", c.valor * 0.0165},
                                    {"CLATRIBCOFINS", c.letra_pis_cofins},
                                    {"COFINSBASE", c.valor},
                                    {"COFINSALIQ", 7.6},
                                    {"COFINSVALOR", c.valor * 0.076}});
      if (c.icms_do_documento) {
        f["Z8_DOCTOTRIB"].push_back({{"ID", proximo++},
                                     {"IDF_DOCTO", c.id},
                                     {"IDF_IMPOSTO", 7801},
                                     {"IDF_CFOP", 7401},
                                     {"BASECALCULO", c.valor},
                                     {"ALIQUOTA", c.aliquota},
                                     {"VALORIMPOSTO", c.valor * c.aliquota / 100},
                                     {"VALOROUTRAS", 25}});
        f["Z8_DOCTOTRIB"].push_back({{"ID", proximo++},
                                     {"IDF_DOCTO", c.id},
                                     {"IDF_IMPOSTO", 7802},
                                     {"IDF_CFOP", 7401},
                                     {"BASECALCULO", 200},
                                     {"ALIQUOTA", c.aliquota},
                                     {"VALORIMPOSTO", 36}});
      }
      if (c.servico > 0) {
        const int servico = proximo++;
        f["Z8_PARTEDOCTO"].push_back({{"ID", servico}, {"FD", "ItemDocto"}, {"IDF_DOCTO", c.id}});
        f["Z8_DOCTOITEM"].push_back({{"ID", servico},
                                     {"IDA", servico},
                                     {"SEQITEM", 2},
                                     {"IDF_SERVICO", 7701},
                                     {"IDF_CFOP", 7401},
                                     {"QDADE", 1.0},
                                     {"VALLIQUIDO", c.servico}});
        f["Z8_TRIBITEM"].push_back(
            {{"ID", servico}, {"FD", "TribItemServ"}, {"IDF_DOCTOITEM", servico}});
        f["Z8_TRIITEMSER"].push_back({{"ID", servico},
                                      {"IDA", servico},
                                      {"IDF_CLATRIBICMS", 1313},
                                      {"CLATRIBPIS", "A"},
                                      {"PISVALOR", 0.58},
                                      {"CLATRIBCOFINS", "A"},
                                      {"COFINSVALOR", 2.66}});
      }
      if (!c.processo.empty()) {
        const int parte = proximo++;
        f["Z8_PARTEDOCTO"].push_back(
            {{"ID", parte}, {"FD", "OutrosDadosDocto"}, {"IDF_DOCTO", c.id}});
        f["Z8_OUTDADOSDO"].push_back(
            {{"ID", parte}, {"IDA", parte}, {"NROPROCESSO", c.processo}, {"INDPROCESSO", "1"}});
      }
      if (c.dados_2022) {
        const int parte = proximo++;
        f["Z8_PARTEDOCTO"].push_back(
            {{"ID", parte}, {"FD", "DadosDoctoConsumo"}, {"IDF_DOCTO", c.id}});
        f["Z8_DADCONSUMO"].push_back({{"ID", parte},
                                      {"IDA", parte},
                                      {"CODMODDOCREF", "06"},
                                      {"NUMDOCREF", "41"},
                                      {"MESDOCREF", "022024"},
                                      {"ENERINJET", 75.3}});
      }
    }
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(f.dump());
  }

  // The lines of the C500 of that number and the lines under it.
  static std::vector<std::vector<std::string>> Conta(const TArquivo& a, const std::string& numero) {
    std::vector<std::vector<std::string>> r;
    bool dentro = false;
    for (const auto& l : a.linhas) {
      if (l.starts_with("|C500|"))
        dentro = Campos(l)[9] == numero;
      else if (!l.starts_with("|C510|") && !l.starts_with("|C590|"))
        dentro = false;
      if (dentro) r.push_back(Campos(l));
    }
    return r;
  }

 private:
  static constexpr const char* kCadastros = R"({
    "Z8_MODELODOCT": [{"ID": 7001, "CODMODELO": "06", "DESCRICAO": "Conta de energia"},
                      {"ID": 7002, "CODMODELO": "29", "DESCRICAO": "Conta de água"},
                      {"ID": 7003, "CODMODELO": "28", "DESCRICAO": "Conta de gás"}],
    "Z8_PADRAODOC": [{"ID": 7121, "CODINTERNO": 42, "DESCRICAO": "Compra de energia"}],
    "Z8_TIPDOC": [{"ID": 7101, "CODIGO": "ENERGIA", "DESCRICAO": "Energia", "IDF_PADRAODOC": 7121},
                  {"ID": 7102, "CODIGO": "AGUA", "DESCRICAO": "Água", "IDF_PADRAODOC": 1012},
                  {"ID": 7103, "CODIGO": "GAS", "DESCRICAO": "Gás", "IDF_PADRAODOC": 1012}],
    "Z8_PARTETPDOC": [{"ID": 7111, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 7101},
                      {"ID": 7112, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 7102},
                      {"ID": 7113, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 7103},
                      {"ID": 7114, "FD": "ParteTpDocInfEnerElet", "IDF_TIPDOC": 7101}],
    "Z8_TPDOCTOGER": [{"ID": 7111, "IDA": 7111, "IDF_MODELODOCT": 7001},
                      {"ID": 7112, "IDA": 7112, "IDF_MODELODOCT": 7002},
                      {"ID": 7113, "IDA": 7113, "IDF_MODELODOCT": 7003}],
    "Z8_TPDOCINFEE": [{"ID": 7114, "IDA": 7114, "CODCONS": "02", "TIPOLIGACAO": "3",
                       "CODGRUPOTENSAO": "B"}],
    "Z8_CODFISOPE": [{"ID": 7401, "CODIGO": "1.253", "NOME": "Compra de energia elétrica"}],
    "Z8_IMPOSTO": [{"ID": 7801, "CODIGO": "ICMS", "NOME": "ICMS", "TIPO": "0"},
                   {"ID": 7802, "CODIGO": "ICMS-ST", "NOME": "ICMS-ST", "TIPO": "A"},
                   {"ID": 7803, "CODIGO": "PIS", "NOME": "PIS", "TIPO": "2"}],
    "Z8_SERVICO": [{"ID": 7701, "CODIGO": "RELIG", "NOME": "Taxa de religação",
                    "CODSERV": "0107"}]
  })";
};

TEST_P(ContasDeConsumo, ContaComItensTotaisAnaliticosESituacao) {
  Carregar({{.id = 7501},
            {.id = 7502, .modelo = "29", .numero = "43", .tributacao = "60", .valor = 300},
            {.id = 7503, .modelo = "28", .numero = "44", .situacao_nf = "1"},
            {.id = 7504, .numero = "45", .dia = "2024-02-27"}});
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  ASSERT_EQ(Linhas(a, "C500").size(), 3u);  // the bill of February stays out

  const auto energia = Conta(a, "000000042");
  ASSERT_EQ(energia.size(), 3u);
  const auto& c500 = energia[0];
  ASSERT_EQ(c500.size(), 40u);  // from 2022 the line ends with the fields of 2022
  EXPECT_EQ(c500[1], "0");      // an entry
  EXPECT_EQ(c500[2], "1");      // issued by the supplier
  EXPECT_EQ(c500[3], "0000300202");
  EXPECT_EQ(c500[4], "06");
  EXPECT_EQ(c500[5], "00");
  EXPECT_EQ(c500[8], "02");  // consumption class of the type
  EXPECT_EQ(c500[11], "08032024");
  EXPECT_EQ(c500[14], "1000");  // supplied, from the book record
  EXPECT_EQ(c500[16], "12,5");  // billed for third parties
  EXPECT_EQ(c500[18], "1000");  // base and ICMS: the C590 totals
  EXPECT_EQ(c500[19], "180");
  EXPECT_EQ(c500[23], "16,5");
  EXPECT_EQ(c500[24], "76");
  EXPECT_EQ(c500[25], "3");
  EXPECT_EQ(c500[26], "11");  // voltage group B
  EXPECT_EQ(energia[1][0], "C510");
  EXPECT_EQ(energia[1][2], "P10001");
  EXPECT_EQ(energia[1][3], "0601");
  EXPECT_EQ(energia[1][8], "000");
  EXPECT_EQ(energia[1][9], "1253");
  EXPECT_EQ(energia[2], (std::vector<std::string>{"C590", "000", "1253", "18", "1000", "1000",
                                                  "180", "0", "0", "0", ""}));

  // A substituted item keeps no ICMS of its own on the item, whatever the
  // ERP holds.
  const auto agua = Conta(a, "000000043");
  ASSERT_EQ(agua.size(), 3u);
  EXPECT_EQ(agua[0][8], "");  // the consumption class is the electricity's
  EXPECT_EQ(agua[1][8], "060");
  EXPECT_EQ(agua[1][10], "0");
  EXPECT_EQ(agua[1][11], "0");
  EXPECT_EQ(agua[1][12], "0");
  EXPECT_EQ(agua[2][1], "060");

  // A cancelled bill is reported by its identification only.
  const auto gas = Conta(a, "000000044");
  ASSERT_EQ(gas.size(), 1u);
  EXPECT_EQ(gas[0][5], "02");
  EXPECT_EQ(gas[0][3], "");
  EXPECT_EQ(gas[0][13], "");
  EXPECT_EQ(Linhas(a, "0200").size(), 1u);
}

// A bill without a series is kept, issued by its supplier as far as the
// file can tell; its own ICMS and ICMS-ST open an analytic total that its
// goods then add to, and a fee billed with the supply is a service item
// with its value, PIS and COFINS only.
TEST_P(ContasDeConsumo, ContaSemSerieTributosDoDocumentoEServicos) {
  Carregar({{.id = 7551,
             .modelo = "28",
             .numero = "61",
             .sem_serie = true,
             .icms_do_documento = true,
             .servico = 35}});
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  const auto gas = Conta(a, "000000061");
  ASSERT_EQ(gas.size(), 5u);
  EXPECT_EQ(gas[0][2], "0");  // no series: no kind of issuer
  EXPECT_EQ(gas[0][6], "");
  EXPECT_EQ(std::vector<std::string>(gas[0].begin() + 18, gas[0].begin() + 25),
            (std::vector<std::string>{"1000", "180", "200", "36", "", "17,08", "78,66"}));
  EXPECT_EQ(gas[1][8], "000");
  EXPECT_EQ(gas[1][10], "0");  // the item states no ICMS of its own
  EXPECT_EQ(gas[2],
            (std::vector<std::string>{"C510", "2",   "SRELIG", "0601",       "0",    "",     "35",
                                      "0",    "060", "1253",   "0",          "0",    "0",    "0",
                                      "0",    "0",   "0",      "0000300202", "0,58", "2,66", ""}));
  EXPECT_EQ(gas[3], (std::vector<std::string>{"C590", "000", "1253", "18", "1000", "1000", "180",
                                              "200", "36", "25", ""}));
  EXPECT_EQ(gas[4], (std::vector<std::string>{"C590", "060", "1253", "0", "35", "0", "0", "0", "0",
                                              "0", ""}));
  const auto servico = Campos(Linhas(a, "0200").at(1));
  EXPECT_EQ(servico[1], "SRELIG");
  EXPECT_EQ(servico[6], "09");
  EXPECT_EQ(servico[10], "107");
}

// The company that wants them has the ICMS adjustments of each bill of
// the electricity standard written under an observation of the bill, summed
// by code, rate and text; a bill without adjustments, or of another
// standard, has no observation.
TEST_P(ContasDeConsumo, AjustesDaContaSobUmaObservacaoQuandoAEmpresaQuer) {
  Carregar({{.id = 7561}, {.id = 7562, .numero = "62"}, {.id = 7563, .modelo = "29"}});
  const auto tributacao = [&](int documento) {
    return sessao_
        ->Consultar(
            "SELECT TB.ID FROM Z8_TRIBITEM TB INNER JOIN Z8_PARTEDOCTO P ON P.ID = "
            "TB.IDF_DOCTOITEM WHERE P.IDF_DOCTO = :D",
            {{"D", documento}})
        .linhas.at(0)
        .at(0)
        .AsInt64();
  };
  nlohmann::json ajustes = {
      {"Z8_TABAJVPRDF", {{{"ID", 7901}, {"CODAJUSTE", "SP90090104"}, {"IDF_UF", 1}}}}};
  const std::tuple<int, int, double, double, const char*> linhas[] = {
      {7911, 7561, 100, 18, "Energia injetada"},
      {7912, 7561, 50, 9, "Energia injetada"},
      {7913, 7561, 10, 1.8, "Energia compensada"},
      {7914, 7563, 20, 3.6, "Água"}};
  for (const auto& [id, documento, base, valor, texto] : linhas)
    ajustes["Z8_AJTRIBITDO"].push_back({{"ID", id},
                                        {"IDF_TRIBITEM", tributacao(documento)},
                                        {"IDF_TABAJVPRDF", 7901},
                                        {"IDF_IMPOSTO", 7801},
                                        {"TIPOAJUSTE", "3"},
                                        {"BASE", base},
                                        {"ALIQUOTA", 18},
                                        {"VALOR", valor},
                                        {"DESCCOMPL", texto}});
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(ajustes.dump());
  EXPECT_TRUE(Linhas(GerarMes(), "C595").empty());

  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PEMPGERAL SET OBSAJUSTESCONTACONSUMO = 'T'");
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  std::vector<std::string> ordem;
  for (const auto& l : a.linhas)
    if (l.starts_with("|C5")) ordem.push_back(l.substr(1, 4));
  EXPECT_EQ(ordem, (std::vector<std::string>{"C500", "C510", "C590", "C595", "C597", "C597", "C500",
                                             "C510", "C590", "C500", "C510", "C590"}));
  const auto observacao = Campos(Linhas(a, "0460").at(0));
  EXPECT_EQ(observacao[2], "Ajustes de ICMS da conta de consumo");
  EXPECT_EQ(Linhas(a, "C595"), std::vector<std::string>{"|C595|" + observacao[1] + "||"});
  EXPECT_EQ(Linhas(a, "C597"),
            (std::vector<std::string>{"|C597|SP90090104|Energia compensada||10|18|1,8||",
                                      "|C597|SP90090104|Energia injetada||150|18|27||"}));
  EXPECT_EQ(Linhas(a, "9900|C595"), std::vector<std::string>{"|9900|C595|1|"});
  EXPECT_EQ(Linhas(a, "9900|C597"), std::vector<std::string>{"|9900|C597|2|"});
  // The next file of the session, of the other model, counts none.
  EXPECT_TRUE(Linhas(Gerar(2, 2024, 3, nullptr), "9900|C595").empty());
}

TEST_P(ContasDeConsumo, OsCamposDa2020EDa2022PeloPeriodo) {
  Carregar({{.id = 7511, .numero = "51", .dia = "2019-03-05", .dados_2022 = true},
            {.id = 7512, .numero = "52", .dia = "2021-03-05", .dados_2022 = true},
            {.id = 7513, .numero = "53", .dia = "2022-03-05", .dados_2022 = true}});
  const std::pair<int, size_t> periodos[] = {{2019, 27u}, {2021, 33u}, {2022, 40u}};
  for (const auto& [ano, campos] : periodos) {
    const TArquivo a = GerarMes(ano, 3);
    const auto c500 = Linhas(a, "C500");
    ASSERT_EQ(c500.size(), 1u) << ano;
    const auto c = Campos(c500[0]);
    EXPECT_EQ(c.size(), campos) << ano;
    if (ano == 2022) {
      EXPECT_EQ(c[33], "06");
      EXPECT_EQ(c[36], "41");
      EXPECT_EQ(c[37], "022024");
      EXPECT_EQ(c[38], "75,3");
    }
  }
}

// Without the ERP's assessment the bills' ICMS is credited from their
// analytic totals; a cancelled bill adds nothing.
TEST_P(ContasDeConsumo, SemOModuloDeApuracaoOICMSDasContasECredito) {
  Aplicacao().RemoverClasse("ApuImposto");
  Carregar({{.id = 7531}, {.id = 7532, .numero = "46", .situacao_nf = "1"}});
  const auto e110 = Campos(Linhas(GerarMes(), "E110").at(0));
  EXPECT_EQ(e110[1], "0");
  EXPECT_EQ(e110[5], "180");
}

TEST_P(ContasDeConsumo, ParcelasDePISECOFINSSomamPorCSTEAliquota) {
  Carregar({{.id = 7521}});
  GerarMes();
  TxbResultado c500 = sessao_->Consultar(
      "SELECT A.ID, B.IDF_BLOCOSEFD FROM Z8_REGEFDC500 A "
      "INNER JOIN Z8_REGEFD B ON B.ID = A.IDA");
  ASSERT_EQ(c500.linhas.size(), 1u);
  const int64_t id = c500.linhas[0][0].AsInt64();
  const int bloco = c500.linhas[0][1].AsInteger();
  auto c501 = Aplicacao().CriarComo<Th5RegistroEFDC501>("RegistroEFDC501", *sessao_);
  auto c505 = Aplicacao().CriarComo<Th5RegistroEFDC505>("RegistroEFDC505", *sessao_);
  const int64_t primeiro = c501->Incluir(bloco, 0, id, {"13", "50", "", 600, 600, 1.65, 9.9});
  EXPECT_EQ(c501->Incluir(bloco, 0, id, {"13", "50", "", 400, 400, 1.65, 6.6}), primeiro);
  EXPECT_NE(c501->Incluir(bloco, 0, id, {"13", "50", "", 100, 100, 0.65, 0.65}), primeiro);
  c505->Incluir(bloco, 0, id, {"13", "50", "", 1000, 1000, 7.6, 76});
  TxbResultado pis = sessao_->Consultar(
      "SELECT VL_ITEM, VL_BC_PIS, VL_PIS FROM Z8_REGEFDC501 WHERE ID = :ID", {{"ID", primeiro}});
  EXPECT_DOUBLE_EQ(pis.linhas[0][0].AsFloat(), 1000);
  EXPECT_DOUBLE_EQ(pis.linhas[0][1].AsFloat(), 1000);
  EXPECT_NEAR(pis.linhas[0][2].AsFloat(), 16.5, 1e-9);
  EXPECT_EQ(sessao_->Consultar("SELECT COUNT(*) FROM Z8_REGEFDC501").linhas[0][0].AsInteger(), 2);
  EXPECT_EQ(sessao_->Consultar("SELECT COUNT(*) FROM Z8_REGEFDC505").linhas[0][0].AsInteger(), 1);
  Aplicacao().Destruir(c501);
  Aplicacao().Destruir(c505);
}

// The PIS/COFINS file: the bills the establishment acquired under its C010
// with their shares by CST and rate and the process they name; the credits
// of block M worked out by hand.
TEST_P(ContasDeConsumo, ContasAdquiridasComCreditoNoBlocoM) {
  Carregar({{.id = 7541, .letra_pis_cofins = "K"},
            {.id = 7542,
             .modelo = "29",
             .numero = "43",
             .tributacao = "60",
             .valor = 300,
             .letra_pis_cofins = "K",
             .processo = "0801234-55.2023"},
            {.id = 7543, .modelo = "28", .numero = "44", .situacao_nf = "1"},
            {.id = 7544, .numero = "47", .valor = 200, .letra_pis_cofins = "2"}});
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  EXPECT_TRUE(a.problemas.empty());
  auto sem_conta = [](const std::string& l) {
    auto c = Campos(l);
    c.pop_back();
    return c;
  };
  std::vector<std::string> ordem;
  for (const auto& l : a.linhas)
    if (l.starts_with("|C0") || l.starts_with("|C5")) ordem.push_back(l.substr(1, 4));
  EXPECT_EQ(ordem, (std::vector<std::string>{"C001", "C010", "C500", "C501", "C505", "C500", "C501",
                                             "C505", "C509", "C500", "C500", "C501", "C505"}));
  const auto c500 = Campos(Linhas(a, "C500").at(0));
  ASSERT_EQ(c500.size(), 15u);  // from 2020 the line ends with the electronic key
  EXPECT_EQ(std::vector<std::string>(c500.begin() + 1, c500.begin() + 4),
            (std::vector<std::string>{"0000300202", "06", "00"}));
  EXPECT_EQ(std::vector<std::string>(c500.begin() + 6, c500.begin() + 11),
            (std::vector<std::string>{"000000042", "08032024", "08032024", "1000", "180"}));
  EXPECT_EQ(c500[12], "16,5");
  EXPECT_EQ(c500[13], "76");
  // Energy is a credit of nature 04; a CST without credit states none.
  const auto c501 = Linhas(a, "C501");
  ASSERT_EQ(c501.size(), 3u);
  EXPECT_EQ(sem_conta(c501[0]),
            (std::vector<std::string>{"C501", "50", "1000", "04", "1000", "1,65", "16,5"}));
  EXPECT_EQ(sem_conta(c501[2]),
            (std::vector<std::string>{"C501", "70", "200", "", "200", "1,65", "3,3"}));
  EXPECT_EQ(sem_conta(Linhas(a, "C505").at(1)),
            (std::vector<std::string>{"C505", "50", "300", "04", "300", "7,6", "22,8"}));
  EXPECT_EQ(Linhas(a, "C509"), std::vector<std::string>{"|C509|0801234-55.2023|1|"});
  // The cancelled bill: its identification only.
  const auto gas = Campos(Linhas(a, "C500").at(2));
  EXPECT_EQ(gas[3], "02");
  EXPECT_EQ(gas[1], "");
  EXPECT_EQ(Linhas(a, "0150").size(), 1u);
  // 1.300,00 of energy with credit: PIS 1,65 % = 21,45, COFINS 7,6 % =
  // 98,80; the CST 70 bill gives none.
  EXPECT_EQ(Linhas(a, "M105"),
            std::vector<std::string>{"|M105|04|50|1300,00||1300,00|1300,00||0,000||"});
  const auto m100 = Campos(Linhas(a, "M100").at(0));
  EXPECT_EQ(
      std::vector<std::string>(m100.begin(), m100.begin() + 8),
      (std::vector<std::string>{"M100", "101", "0", "1300,00", "1,6500", "0,000", "", "21,45"}));
  EXPECT_EQ(Campos(Linhas(a, "M500").at(0))[7], "98,80");
  // The ICMS/IPI model's block C has no establishment and no shares.
  const TArquivo icms = GerarMes();
  EXPECT_TRUE(Linhas(icms, "C010").empty());
  EXPECT_EQ(Linhas(icms, "C500").size(), 4u);
}

TEST(ContasDeConsumoRegras, GrupoDeTensaoSituacaoEEmitente) {
  EXPECT_EQ(Th5RegistroEFDC500::RetornarGrupoTensao("B"), "11");
  EXPECT_EQ(Th5RegistroEFDC500::RetornarGrupoTensao("D"), "13");
  EXPECT_EQ(Th5RegistroEFDC500::RetornarGrupoTensao("7"), "07");
  EXPECT_EQ(Th5RegistroEFDC500::RetornarGrupoTensao(""), "01");
  EXPECT_EQ(Th5RegistroEFDC500::SituacaoConta("1"), "02");
  EXPECT_EQ(Th5RegistroEFDC500::SituacaoConta("0"), "00");
  EXPECT_EQ(Th5RegistroEFDC500::SituacaoConta("3"), "00");
  EXPECT_EQ(Th5RegistroEFDC500::IndicadorEmitente("1"), 0);
  EXPECT_EQ(Th5RegistroEFDC500::IndicadorEmitente("2"), 1);
  EXPECT_EQ(Th5RegistroEFDC500::IndicadorEmitente(""), 0);
  for (const char* cst : {"040", "041", "030", "050", "060", "160"})
    EXPECT_TRUE(Th5RegistroEFDC510::SemICMSProprio(cst)) << cst;
  for (const char* cst : {"000", "010", "020", "051", "090", ""})
    EXPECT_FALSE(Th5RegistroEFDC510::SemICMSProprio(cst)) << cst;
}

INSTANTIATE_TEST_SUITE_P(Motores, ContasDeConsumo, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
