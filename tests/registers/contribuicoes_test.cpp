// The PIS/COFINS file: the company's establishments with their block 0 and
// block C, the regime and the assessment of block M worked out by hand, on
// every engine; and the field rules of its writers.
#include "registers/blockC/uh5registroefdc170.h"
#include "registers/piscofins/linhasblocom.h"
#include "registers/piscofins/receitasm.h"
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

// A second branch of the company, whose state registration says it is
// exempt.
constexpr const char* kSegundaFilial = R"({
  "KLVG_IDENT": [{"ID": 6, "FD": "PessoaJuridica", "CODIGO": "E2", "NOME": "Açúcar & Cia Filial",
                  "IDF_ENDER": 1, "NUMERO": "2000", "IDF_PAIS": 1, "IDIDENTFIL": 6}],
  "KLVG_PESJUR": [{"ID": 6, "IDA": 6, "CNPJ": "12.345.678/0002-76", "IE": "Isento"}],
  "KLVG_PAPELREL": [{"ID": 8, "IDF_IDENT": 6, "PAPEL": "FIL"}],
  "Z8_FILIAL": [{"ID": 20, "IDF_EMPRESA": 1, "CODIGO": "2", "NOME": "Filial", "IDF_PAPELREL": 8}],
  "Z8_SERIEDOCTO": [{"ID": 1206, "IDF_FILIAL": 20, "CODIGO": "1", "TIPO": "1", "SERIENFE": false}]
})";

class Contribuicoes : public TDocumentos {
 protected:
  void SetUp() override {
    TDocumentos::SetUp();
    if (IsSkipped()) return;
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kSegundaFilial);
  }

  // The head office's month: a taxed sale with a monophase item, a purchase
  // giving credit; the second branch's taxed sale to the same customer.
  void CarregarMes() {
    TDocumentoTeste venda{.id = 4001, .numero = "1"};
    venda.itens[0].valor = 1000;
    TItemTeste monofasico{.seq = 2, .valor = 200, .letra_pis = "D", .natureza_receita = "102"};
    venda.itens.push_back(monofasico);
    TDocumentoTeste compra{
        .id = 4002, .tipo = "compranfe", .serie = "3", .numero = "2", .participante = 202};
    compra.itens[0].cfop = "1.102";
    compra.itens[0].valor = 500;
    compra.itens[0].letra_pis = "K";
    TDocumentoTeste filial{.id = 4003, .numero = "3", .filial = 20};
    filial.itens[0].valor = 300;
    Carregar({venda, compra, filial});
  }

  TArquivo GerarContribuicoes() { return Gerar(2, 2024, 3, nullptr); }
};

TEST_P(Contribuicoes, UmArquivoDaEmpresaComCadaFilialEmSeuEstabelecimento) {
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Linhas(a, "0110"), std::vector<std::string>{"|0110|1|1|1||"});
  EXPECT_EQ(Linhas(a, "0140"),
            (std::vector<std::string>{
                Latin1("|0140|10|Açúcar & Cia Ltda|12345678000195|SP|123456789110|3550308||"
                       "000000000|"),
                Latin1("|0140|20|Açúcar & Cia Filial|12345678000276|SP||3550308||000000000|")}));
  // The customer of both branches stands under each establishment.
  const std::vector<std::string> bloco0 =
      Trecho(a, "0140", {"0150", "0190", "0200", "0205", "0400", "0450"});
  EXPECT_EQ(std::count_if(bloco0.begin(), bloco0.end(),
                          [](const std::string& l) { return l.starts_with("|0150|300201|"); }),
            2);
  EXPECT_EQ(Linhas(a, "C010"),
            (std::vector<std::string>{"|C010|12345678000195|2|", "|C010|12345678000276|2|"}));
  // Documents under their establishment, in the order the lines come.
  std::vector<std::string> ordem;
  for (const auto& l : a.linhas)
    if (l.starts_with("|C010|") || l.starts_with("|C100|"))
      ordem.push_back(l.starts_with("|C010|") ? Campos(l)[1] : Campos(l)[7]);
  EXPECT_EQ(ordem, (std::vector<std::string>{"12345678000195", "1", "2", "12345678000276", "3"}));
  const auto item = Campos(Linhas(a, "C170")[0]);
  ASSERT_EQ(item.size(), 37u);
  EXPECT_EQ(std::vector<std::string>(item.begin() + 24, item.begin() + 30),
            (std::vector<std::string>{"01", "1000", "1,65", "", "", "16,5"}));
  EXPECT_TRUE(Linhas(a, "C190").empty());
  EXPECT_TRUE(Linhas(a, "E110").empty());
}

TEST_P(Contribuicoes, BlocoMConfereComAsContasFeitasAMao) {
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  // PIS: 1,65% of 1.300,00 of taxed sales (21,45), less the credit of
  // 1,65% of 500,00 bought for resale (8,25), leaves 13,20.
  EXPECT_EQ(Linhas(a, "M100"),
            std::vector<std::string>{"|M100|101|0|500,00|1,6500|0,000||8,25|0,00|0,00|0,00|8,25|0|"
                                     "8,25|0,00|"});
  EXPECT_EQ(Linhas(a, "M105"),
            std::vector<std::string>{"|M105|01|50|500,00||500,00|500,00||0,000||"});
  EXPECT_EQ(Linhas(a, "M200"),
            std::vector<std::string>{
                "|M200|21,45|8,25|0,00|13,20|0,00|0,00|13,20|0,00|0,00|0,00|0,00|13,20|"});
  EXPECT_EQ(Linhas(a, "M210"),
            std::vector<std::string>{"|M210|01|1300,00|1300,00|0,00|0,00|1300,00|1,65|0,000||21,45|"
                                     "0,00|0,00|0,00|0,00|21,45|"});
  // COFINS: 7,6% of the same: 98,80 less 38,00.
  EXPECT_EQ(Linhas(a, "M500"),
            std::vector<std::string>{"|M500|101|0|500,00|7,6000|0,000||38,00|0,00|0,00|0,00|38,00|"
                                     "0|38,00|0,00|"});
  EXPECT_EQ(Linhas(a, "M505"),
            std::vector<std::string>{"|M505|01|50|500,00|0,00|500,00|500,00||0,000||"});
  EXPECT_EQ(Linhas(a, "M600"),
            std::vector<std::string>{
                "|M600|98,80|38,00|0,00|60,80|0,00|0,00|60,80|0,00|0,00|0,00|0,00|60,80|"});
  EXPECT_EQ(Linhas(a, "M610"),
            std::vector<std::string>{"|M610|01|1300,00|1300,00|0,00|0,00|1300,00|7,60|0,000||98,80|"
                                     "0,00|0,00|0,00|0,00|98,80|"});
  // The monophase item's revenue, by its nature.
  EXPECT_EQ(Linhas(a, "M400"), std::vector<std::string>{"|M400|04|200,00|||"});
  EXPECT_EQ(Linhas(a, "M410"), std::vector<std::string>{"|M410|102|200,00|||"});
  EXPECT_EQ(Linhas(a, "M800"), std::vector<std::string>{"|M800|04|200,00|||"});
  EXPECT_EQ(Linhas(a, "M810"), std::vector<std::string>{"|M810|102|200,00|||"});
  EXPECT_EQ(a.linhas[std::distance(a.linhas.begin(),
                                   std::find(a.linhas.begin(), a.linhas.end(), "|M001|0|")) +
                     1],
            Linhas(a, "M100")[0]);
  // What is left to pay, under each contribution's non-cumulative revenue code.
  EXPECT_EQ(Linhas(a, "M205"), std::vector<std::string>{"|M205|08|691201|13,20|"});
  EXPECT_EQ(Linhas(a, "M605"), std::vector<std::string>{"|M605|08|585601|60,80|"});
  EXPECT_EQ(Linhas(a, "M990"), std::vector<std::string>{"|M990|16|"});
}

TEST_P(Contribuicoes, CreditoMaiorQueAContribuicaoFicaComSaldo) {
  TDocumentoTeste compra{
      .id = 4101, .tipo = "compranfe", .serie = "3", .numero = "7", .participante = 202};
  compra.itens[0].cfop = "1.102";
  compra.itens[0].valor = 1000;
  compra.itens[0].letra_pis = "K";
  TDocumentoTeste venda{.id = 4102, .numero = "8"};
  venda.itens[0].valor = 200;
  Carregar({compra, venda});
  const TArquivo a = GerarContribuicoes();
  // 16,50 of credit against 3,30 of contribution: 3,30 used, 13,20 left.
  EXPECT_EQ(Campos(Linhas(a, "M100")[0]),
            (std::vector<std::string>{"M100", "101", "0", "1000,00", "1,6500", "0,000", "", "16,50",
                                      "0,00", "0,00", "0,00", "16,50", "1", "3,30", "13,20"}));
  EXPECT_EQ(Campos(Linhas(a, "M200")[0])[4], "0,00");  // nothing left to pay
  EXPECT_TRUE(Linhas(a, "M205").empty());              // nor a revenue code to pay under
  EXPECT_TRUE(Linhas(a, "M605").empty());
}

TEST_P(Contribuicoes, VendaSemNaturezaDaReceitaParaComONomeDoCampo) {
  TDocumentoTeste venda{.id = 4201, .numero = "9"};
  venda.itens[0].letra_pis = "F";  // exempt, without the nature of its revenue
  Carregar({venda});
  const std::string erro =
      teste::Mensagem<EErro>([&] { app::Gerar(*sessao_, OpcoesDoMes(2, 2024, 3)); });
  EXPECT_NE(erro.find("TribItemProd_NatRecPisCofins"), std::string::npos) << erro;
  EXPECT_NE(erro.find("documento 9"), std::string::npos) << erro;
  EXPECT_EQ(sessao_->Consultar("SELECT COUNT(*) FROM Z8_REGEFD").linhas[0][0].AsInteger(), 0);
}

TEST_P(Contribuicoes, MesSemDocumentosTemOEstabelecimentoEOBlocoMZerado) {
  const TArquivo a = GerarContribuicoes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Linhas(a, "0140").size(), 1u);  // the head office only
  EXPECT_EQ(Linhas(a, "C001"), std::vector<std::string>{"|C001|1|"});
  EXPECT_EQ(Linhas(a, "C990"), std::vector<std::string>{"|C990|2|"});
  EXPECT_EQ(Linhas(a, "M200"),
            std::vector<std::string>{
                "|M200|0,00|0,00|0,00|0,00|0,00|0,00|0,00|0,00|0,00|0,00|0,00|0,00|"});
  EXPECT_TRUE(Linhas(a, "M210").empty());
  EXPECT_EQ(Linhas(a, "M990"), std::vector<std::string>{"|M990|4|"});
}

TEST_P(Contribuicoes, ReceitasDoMesmoCSTEContaSomamPorNatureza) {
  TDocumentoTeste venda{.id = 4301, .numero = "10"};
  venda.itens[0].letra_pis = "D";
  venda.itens[0].natureza_receita = "102";
  TItemTeste outra{.seq = 2, .valor = 50, .letra_pis = "D", .natureza_receita = "103"};
  venda.itens.push_back(outra);
  TItemTeste igual{.seq = 3, .valor = 25, .letra_pis = "D", .natureza_receita = "102"};
  venda.itens.push_back(igual);
  Carregar({venda});
  const TArquivo a = GerarContribuicoes();
  EXPECT_EQ(Linhas(a, "M400"), std::vector<std::string>{"|M400|04|175,00|||"});
  EXPECT_EQ(Linhas(a, "M410"),
            (std::vector<std::string>{"|M410|102|125,00|||", "|M410|103|50,00|||"}));
}

TEST_P(Contribuicoes, ReceitaZeradaOuSemOsIdentificadoresNaoGuardaNada) {
  TxbReceitasSemContribuicao receitas(false);
  const std::string completos = "BlocoM=1\r\nRegistroEFDM400=2\r\nRegistroEFDM410=3\r\n";
  EXPECT_EQ(receitas.Incluir(*sessao_, completos, "06", "121", "", 0), 0);
  EXPECT_EQ(receitas.Incluir(*sessao_, "BlocoM=1\r\nRegistroEFDM400=2\r\n", "06", "121", "", 10),
            0);
  EXPECT_EQ(sessao_->Consultar("SELECT COUNT(*) FROM Z8_REGEFD").linhas[0][0].AsInteger(), 0);
  EXPECT_GT(receitas.Incluir(*sessao_, completos, "06", "121", "", 10), 0);
  EXPECT_EQ(sessao_->Consultar("SELECT COUNT(*) FROM Z8_REGEFD").linhas[0][0].AsInteger(), 2);
}

TEST_P(Contribuicoes, AntesDeJulhoDe2012O0110NaoTemORegimeCumulativo) {
  const TArquivo a = Gerar(2, 2012, 6, nullptr);
  EXPECT_EQ(Linhas(a, "0110"), std::vector<std::string>{"|0110|1|1|1|"});
}

INSTANTIATE_TEST_SUITE_P(Motores, Contribuicoes, ::testing::ValuesIn(MotoresDeTeste()));

// The PIS/COFINS line of C170: the quantity only above zero, and each
// contribution's pair chosen as the model says.
TEST(LinhaC170Contribuicoes, PisPelaAliquotaEmReaisCofinsPelaBaseEmQuantidade) {
  std::vector<TVariant> v(Th5RegistroEFDC170::CamposDaLinhaContribuicoes().size());
  v[0] = TVariant("001");
  v[3] = TVariant(0.0);
  // PIS at 0,0165 a unit on 100 units, with a base and rate left behind.
  v[24] = TVariant(500.0), v[25] = TVariant(1.65), v[26] = TVariant(100.0),
  v[27] = TVariant(0.0165);
  // COFINS with a money rate stored but no quantity base: by percentage.
  v[30] = TVariant(500.0), v[31] = TVariant(7.6), v[32] = TVariant(0.0), v[33] = TVariant(0.076);
  Th5RegistroEFDC170::AjustarLinhaContribuicoes(v);
  EXPECT_EQ(v[0].AsString(), "1");
  EXPECT_TRUE(v[3].IsNull());
  EXPECT_TRUE(v[24].IsNull() && v[25].IsNull());
  EXPECT_EQ(v[26].AsFloat(), 100.0);
  EXPECT_EQ(v[27].AsFloat(), 0.0165);
  EXPECT_EQ(v[30].AsFloat(), 500.0);
  EXPECT_EQ(v[31].AsFloat(), 7.6);
  EXPECT_TRUE(v[32].IsNull() && v[33].IsNull());

  // No money rate: base and percentage even with a quantity base stored.
  std::vector<TVariant> w(v.size());
  w[24] = TVariant(500.0), w[25] = TVariant(1.65), w[26] = TVariant(100.0), w[27] = TVariant(0.0);
  Th5RegistroEFDC170::AjustarLinhaContribuicoes(w);
  EXPECT_EQ(w[24].AsFloat(), 500.0);
  EXPECT_TRUE(w[26].IsNull() && w[27].IsNull());
}

TEST(ValoresDoBlocoM, CasasDecimaisEVazioQuandoNaoPositivo) {
  EXPECT_EQ(ValorBlocoM(0, 2), "0,00");
  EXPECT_EQ(ValorBlocoM(0, 3, true), "");
  EXPECT_EQ(ValorBlocoM(-1, 2, true), "");
  EXPECT_EQ(ValorBlocoM(1.65, 4), "1,6500");
  EXPECT_EQ(ValorBlocoM(1234567.891, 2), "1234567,89");
}

TEST(RegistrosDoBlocoM, M210TemOsAjustesDaBaseA_PartirDe2019) {
  const auto campos = [](int ano) {
    return RegistrosDaApuracao(false, TDateTime::EncodeDate(ano, 1, 1))
        .contribuicao.filhos
        .at(1)  // after M205
        .campos.size();
  };
  EXPECT_EQ(campos(2018), 12u);
  EXPECT_EQ(campos(2019), 15u);
}

}  // namespace
}  // namespace efd::teste
