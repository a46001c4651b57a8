// Block M beyond the month's plain credits and contribution: credits bound to
// several kinds of revenue apportioned by the gross revenues of 0111, the
// amount to pay by revenue code, and the adjustments that the ERP's
// assessment stores under the credits and contributions, on every engine.
#include "control/linhasregistros.h"
#include "registers/block0/referencias.h"
#include "registers/piscofins/detalhesm.h"
#include "registers/piscofins/linhasblocom.h"
#include "registers/piscofins/rateiocreditos.h"
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

class BlocoM : public TDocumentos {
 protected:
  // The company apportions its credits by the proportional method.
  void SetUp() override {
    TDocumentos::SetUp();
    if (IsSkipped()) return;
    sessao_->ExecutarDiretoNoBD("UPDATE Z8_PEMPGERAL SET INDMETAPROPPADRAO = '2'");
    sessao_->ExecutarDiretoNoBD("UPDATE Z8_PARFILGER SET INDMETAPROPPADRAO = '2'");
    sessao_->ConfirmarImplicita();
  }

  // A month of 3.000,00 of taxed sales and 1.000,00 of zero-rate sales, and
  // purchases for resale giving credit: 300,00 bound to the taxed sales (CST
  // 50), 800,00 to both kinds (CST 53) and 400,00 to every kind (CST 56).
  void CarregarMes() {
    TDocumentoTeste venda{.id = 4501, .numero = "21"};
    venda.itens[0].valor = 3000;
    venda.itens.push_back(
        TItemTeste{.seq = 2, .valor = 1000, .letra_pis = "E", .natureza_receita = "121"});
    TDocumentoTeste compra{
        .id = 4502, .tipo = "compranfe", .serie = "3", .numero = "22", .participante = 202};
    compra.itens.clear();
    int seq = 1;
    for (const auto& [letra, valor] :
         std::vector<std::pair<std::string, double>>{{"K", 300}, {"N", 800}, {"Q", 400}})
      compra.itens.push_back(
          TItemTeste{.seq = seq++, .cfop = "1.102", .valor = valor, .letra_pis = letra});
    Carregar({venda, compra});
  }

  TArquivo GerarContribuicoes() { return Gerar(2, 2024, 3, nullptr); }

  // The lines of the block from the first of that code to the next of it or
  // of any code in `ate`.
  static std::vector<std::string> Sequencia(const TArquivo& a, const std::string& codigo,
                                            const std::vector<std::string>& ate) {
    std::vector<std::string> r;
    for (const auto& l : a.linhas) {
      const std::string c = l.substr(1, 4);
      if (!r.empty() && std::find(ate.begin(), ate.end(), c) != ate.end()) break;
      if (c == codigo || !r.empty()) r.push_back(l);
    }
    return r;
  }
};

TEST_P(BlocoM, CreditosComunsRateadosPelasReceitasDo0111) {
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Linhas(a, "0110"), std::vector<std::string>{"|0110|1|2|1||"});
  EXPECT_EQ(Linhas(a, "0111"),
            std::vector<std::string>{"|0111|3000,00|1000,00|0,00|0,00|4000,00|"});
  // Three quarters of the revenue is taxed: the CST 53 and 56 bases go three
  // quarters to the credit of the taxed revenue (101), a quarter to that of
  // the untaxed (201); the 56's has no export to give a part to.
  // PIS: 1,65% of 300 + 600 + 300 = 1.200,00 is 19,80; of 200 + 100 is 4,95.
  EXPECT_EQ(Sequencia(a, "M100", {"M200"}),
            (std::vector<std::string>{
                "|M100|101|0|1200,00|1,6500|0,000||19,80|0,00|0,00|0,00|19,80|0|19,80|0,00|",
                "|M105|01|50|300,00||300,00|300,00||0,000||",
                "|M105|01|53|800,00||800,00|600,00||0,000||",
                "|M105|01|56|400,00||400,00|300,00||0,000||",
                "|M100|201|0|300,00|1,6500|0,000||4,95|0,00|0,00|0,00|4,95|0|4,95|0,00|",
                "|M105|01|53|800,00||800,00|200,00||0,000||",
                "|M105|01|56|400,00||400,00|100,00||0,000||"}));
  // 49,50 of contribution less 24,75 of credits leaves 24,75 to pay under
  // the non-cumulative PIS code.
  EXPECT_EQ(Sequencia(a, "M200", {"M400"}),
            (std::vector<std::string>{
                "|M200|49,50|24,75|0,00|24,75|0,00|0,00|24,75|0,00|0,00|0,00|0,00|24,75|",
                "|M205|08|691201|24,75|",
                "|M210|01|3000,00|3000,00|0,00|0,00|3000,00|1,65|0,000||49,50|0,00|0,00|0,00|"
                "0,00|49,50|"}));
  // COFINS: 7,6% of the same bases, 91,20 and 22,80, against 228,00.
  EXPECT_EQ(Campos(Linhas(a, "M500")[0])[7], "91,20");
  EXPECT_EQ(Campos(Linhas(a, "M500")[1])[7], "22,80");
  EXPECT_EQ(Linhas(a, "M505")[4], "|M505|01|56|400,00|0,00|400,00|100,00||0,000||");
  EXPECT_EQ(Sequencia(a, "M600", {"M610"}),
            (std::vector<std::string>{
                "|M600|228,00|114,00|0,00|114,00|0,00|0,00|114,00|0,00|0,00|0,00|0,00|114,00|",
                "|M605|08|585601|114,00|"}));
}

TEST_P(BlocoM, SemO0111OCreditoComumRateiaPelasReceitasDoMes) {
  // A company of the direct method has no 0111; its common credit is split
  // by the same revenues all the same.
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PEMPGERAL SET INDMETAPROPPADRAO = '1'");
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PARFILGER SET INDMETAPROPPADRAO = '1'");
  sessao_->ConfirmarImplicita();
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  EXPECT_TRUE(Linhas(a, "0111").empty());
  EXPECT_EQ(Linhas(a, "M105")[1], "|M105|01|53|800,00||800,00|600,00||0,000||");
  EXPECT_EQ(Linhas(a, "M105")[3], "|M105|01|53|800,00||800,00|200,00||0,000||");
}

// The adjustments are stored by the ERP's assessment under the rows of the
// credit and of the contribution; the writer puts each under its parent.
TEST_P(BlocoM, AjustesEscritosSobOCreditoEAContribuicao) {
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  const int bloco = IdBlocoDaGeracao(*sessao_, a.id_efd, "Bloco M");
  const auto id = [&](const std::string& sql) {
    return sessao_->Consultar(sql, {{"BLOCO", bloco}}).linhas.at(0).at(0).AsInt64();
  };
  const std::string do_bloco =
      " A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA WHERE B.IDF_BLOCOSEFD = :BLOCO";
  const int64_t m100 = id("SELECT A.ID FROM Z8_REGEFDM100" + do_bloco + " AND A.COD_CRED = '201'");
  const int64_t m210 = id("SELECT MIN(A.ID) FROM Z8_REGEFDM210" + do_bloco);
  const int64_t m610 = id("SELECT MIN(A.ID) FROM Z8_REGEFDM610" + do_bloco);
  const auto tipo = [&](const std::string& codigo) {
    return IdTipoRegistro(*sessao_, bloco, codigo);
  };
  const TVariant dia(TDateTime::EncodeDate(2024, 3, 15));
  const int64_t m110 =
      TxbInsercaoRegistro(
          *sessao_, "M110",
          {"IDF_RegEFDM100", "IND_AJ", "VL_AJ", "COD_AJ", "NUM_DOC", "DESCR_AJ", "DT_REF"})
          .Inserir(bloco, tipo("M110"),
                   {m100, "0", 1.5, "06", "", "Estorno de crédito de mercadoria extraviada", dia});
  TxbInsercaoRegistro(*sessao_, "M115",
                      {"IDF_RegEFDM110", "DET_VALOR_AJ", "CST_PIS", "DET_BC_CRED", "DET_ALIQ",
                       "DT_OPER_AJ", "DESC_AJ", "COD_CTA", "INFO_COMPL"})
      .Inserir(bloco, tipo("M115"), {m110, 1.5, "53", 90.909, 1.65, dia, "Extravio", "1.1.01", ""});
  TxbInsercaoRegistro(*sessao_, "M215",
                      {"IDF_RegEFDM210", "IND_AJ_BC", "VL_AJ_BC", "COD_AJ_BC", "NUM_DOC",
                       "DESCR_AJ_BC", "DT_REF", "COD_CTA", "CNPJ", "INFO_COMPL"})
      .Inserir(bloco, tipo("M215"),
               {m210, "0", 100.0, "02", "", "Devolução de venda", dia, "", "12345678000195", ""});
  const int64_t m220 = TxbInsercaoRegistro(*sessao_, "M220",
                                           {"IDF_RegEFDM210", "IND_AJ", "VL_AJ", "COD_AJ",
                                            "NUM_DOC", "DESCR_AJ", "DT_REF"})
                           .Inserir(bloco, tipo("M220"), {m210, "1", 2.0, "03", "", "Lei", dia});
  TxbInsercaoRegistro(*sessao_, "M225",
                      {"IDF_RegistroEFDM220", "DET_VALOR_AJ", "CST_PIS", "DET_BC_CRED", "DET_ALIQ",
                       "DT_OPER_AJ", "DESC_AJ", "COD_CTA", "INFO_COMPL"})
      .Inserir(bloco, tipo("M225"), {m220, 2.0, "1", 0.0, 0.0, dia, "", "", "Complemento"});
  TxbInsercaoRegistro(
      *sessao_, "M620",
      {"IDF_RegEFDM610", "IND_AJ", "VL_AJ", "COD_AJ", "NUM_DOC", "DESCR_AJ", "DT_REF"})
      .Inserir(bloco, tipo("M620"), {m610, "1", 9.0, "3", "", "", TVariant()});

  const std::vector<std::string> pis = Dividir(EscreverApuracaoM(*sessao_, a.id_efd, false), '\n');
  const auto depois = [&pis](const std::string& linha) {
    auto it = std::find(pis.begin(), pis.end(), linha + "\r");
    return it == pis.end() || it + 1 == pis.end() ? std::string() : *(it + 1);
  };
  // The credit's adjustment after its bases, its detail after it.
  EXPECT_EQ(depois("|M105|01|56|400,00||400,00|100,00||0,000||"),
            "|M110|0|1,50|06||Estorno de crédito de mercadoria extraviada|15032024|\r");
  EXPECT_EQ(depois("|M110|0|1,50|06||Estorno de crédito de mercadoria extraviada|15032024|"),
            "|M115|1,50|53|90,909|1,6500|15032024|Extravio|1.1.01||\r");
  // The base's adjustment, then the contribution's with its detail, under
  // the M210; a detail without base nor rate leaves them empty. The text is
  // the writer's, before the file's encoding.
  const std::string m210_linha =
      "|M210|01|3000,00|3000,00|0,00|0,00|3000,00|1,65|0,000||49,50|0,00|0,00|0,00|0,00|49,50|";
  EXPECT_EQ(depois(m210_linha),
            "|M215|0|100,00|02||Devolução de venda|15032024||12345678000195||\r");
  EXPECT_EQ(depois("|M215|0|100,00|02||Devolução de venda|15032024||12345678000195||"),
            "|M220|1|2,00|03||Lei|15032024|\r");
  EXPECT_EQ(depois("|M220|1|2,00|03||Lei|15032024|"), "|M225|2,00|01|||15032024|||Complemento|\r");
  // COFINS zero-fills its contribution's adjustment code; no date, no field.
  const std::string cofins = EscreverApuracaoM(*sessao_, a.id_efd, true);
  EXPECT_NE(cofins.find("|M620|1|9,00|03||||\r\n"), std::string::npos) << cofins;
}

// The ERP's adjustments of March 2024's PIS: the taxed market's credit
// increased by 0,20 (detailed by the purchases it concerns), the untaxed
// market's reduced by 0,95, the basic-rate contribution's base reduced by
// 100,00 and its value increased by 2,15.
constexpr const char* kAjustesPIS = R"({"Z8_AJAPPISCOF": [
  {"ID": 9701, "IDF_EMPRESA": 1, "DATAREF": "2024-03-15", "CONTRIBUICAO": "1", "OBJETO": "C",
   "CODCREDITO": "101", "INDAJUSTE": "1", "VALOR": 0.2, "CODAJUSTE": "01", "NUMDOCTO": "123",
   "DESCRICAO": "Decisao judicial", "DETVALOR": 0.2, "DETCST": "50", "DETBASE": 12.121,
   "DETALIQUOTA": 1.65, "DETDESCRICAO": "Insumos"},
  {"ID": 9702, "IDF_EMPRESA": 1, "DATAREF": "2024-03-20", "CONTRIBUICAO": "1", "OBJETO": "C",
   "CODCREDITO": "201", "ALIQUOTA": 1.65, "INDAJUSTE": "0", "VALOR": 0.95, "CODAJUSTE": "06",
   "DESCRICAO": "Estorno"},
  {"ID": 9703, "IDF_EMPRESA": 1, "DATAREF": "2024-03-10", "CONTRIBUICAO": "1", "OBJETO": "B",
   "CODCONTRIBUICAO": "01", "INDAJUSTE": "0", "VALOR": 100, "CODAJUSTE": "01",
   "DESCRICAO": "Vendas canceladas"},
  {"ID": 9704, "IDF_EMPRESA": 1, "DATAREF": "2024-03-31", "CONTRIBUICAO": "1", "OBJETO": "V",
   "CODCONTRIBUICAO": "01", "ALIQUOTA": 1.65, "INDAJUSTE": "1", "VALOR": 2.15, "CODAJUSTE": "03",
   "DESCRICAO": "Lei"},
  {"ID": 9705, "IDF_EMPRESA": 1, "DATAREF": "2024-04-01", "CONTRIBUICAO": "1", "OBJETO": "V",
   "CODCONTRIBUICAO": "01", "INDAJUSTE": "1", "VALOR": 500, "CODAJUSTE": "03"}]})";

TEST_P(BlocoM, AjustesDoERPEntramNosCreditosNaContribuicaoENosTotais) {
  CarregarMes();
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kAjustesPIS);
  const TArquivo a = GerarContribuicoes();
  EXPECT_TRUE(a.problemas.empty());
  // Credits of 19,80 + 0,20 and 4,95 - 0,95 available.
  EXPECT_EQ(
      Sequencia(a, "M100", {"M200"}),
      (std::vector<std::string>{
          "|M100|101|0|1200,00|1,6500|0,000||19,80|0,20|0,00|0,00|20,00|0|20,00|0,00|",
          "|M105|01|50|300,00||300,00|300,00||0,000||",
          "|M105|01|53|800,00||800,00|600,00||0,000||",
          "|M105|01|56|400,00||400,00|300,00||0,000||",
          "|M110|1|0,20|01|123|Decisao judicial|15032024|",
          "|M115|0,20|50|12,121|1,6500|15032024|Insumos|||",
          "|M100|201|0|300,00|1,6500|0,000||4,95|0,00|0,95|0,00|4,00|0|4,00|0,00|",
          "|M105|01|53|800,00||800,00|200,00||0,000||",
          "|M105|01|56|400,00||400,00|100,00||0,000||", "|M110|0|0,95|06||Estorno|20032024|"}));
  // A base of 3.000,00 - 100,00 gives 1,65% = 47,85, plus 2,15 is 50,00;
  // the credits of 24,00 leave 26,00 to pay. April's adjustment stays out.
  EXPECT_EQ(Sequencia(a, "M200", {"M400", "M500"}),
            (std::vector<std::string>{
                "|M200|50,00|24,00|0,00|26,00|0,00|0,00|26,00|0,00|0,00|0,00|0,00|26,00|",
                "|M205|08|691201|26,00|",
                "|M210|01|3000,00|3000,00|0,00|100,00|2900,00|1,65|0,000||47,85|2,15|0,00|0,00|"
                "0,00|50,00|",
                "|M215|0|100,00|01||Vendas canceladas|10032024||12345678000195||",
                "|M220|1|2,15|03||Lei|31032024|"}));
  // COFINS has no adjustment: as without them.
  EXPECT_EQ(Linhas(a, "M600"), std::vector<std::string>{"|M600|228,00|114,00|0,00|114,00|0,00|"
                                                        "0,00|114,00|0,00|0,00|0,00|0,00|114,00|"});
  EXPECT_TRUE(Linhas(a, "M510").empty());
}

// An adjustment of a credit or contribution the month does not have, or
// with an invalid indicator, stops the generation naming the field.
TEST_P(BlocoM, AjusteSemCreditoOuComIndicadorInvalidoParaAGeracao) {
  CarregarMes();
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({"Z8_AJAPPISCOF": [
    {"ID": 9711, "IDF_EMPRESA": 1, "DATAREF": "2024-03-15", "CONTRIBUICAO": "2", "OBJETO": "C",
     "CODCREDITO": "301", "INDAJUSTE": "1", "VALOR": 1, "CODAJUSTE": "01"}]})");
  const std::string sem_credito = teste::Mensagem<EErro>([this] { GerarContribuicoes(); });
  EXPECT_NE(sem_credito.find("Registro M510, campo AjApPisCof_CodCredito"), std::string::npos)
      << sem_credito;
  sessao_->ExecutarDiretoNoBD(
      "UPDATE Z8_AJAPPISCOF SET CODCREDITO = '101', INDAJUSTE = 'X' WHERE ID = 9711");
  const std::string indicador = teste::Mensagem<EErro>([this] { GerarContribuicoes(); });
  EXPECT_NE(indicador.find("campo IndAjuste"), std::string::npos) << indicador;
}

INSTANTIATE_TEST_SUITE_P(Motores, BlocoM, ::testing::ValuesIn(MotoresDeTeste()));

TEST(RateioDeCreditos, CadaCSTPelasReceitasQueOVinculam) {
  const TReceitasBrutas receitas{.tributada = 700, .nao_tributada = 200, .exportacao = 100};
  const auto partes = [&](const std::string& cst) {
    std::vector<std::pair<char, double>> r;
    for (const TParcelaCredito& p : RatearCredito(cst, 1000, 0, receitas, false).parcelas)
      r.emplace_back(p.grupo, p.base);
    return r;
  };
  using P = std::vector<std::pair<char, double>>;
  EXPECT_EQ(partes("50"), (P{{'1', 1000}}));
  EXPECT_EQ(partes("51"), (P{{'2', 1000}}));
  EXPECT_EQ(partes("52"), (P{{'3', 1000}}));
  EXPECT_EQ(partes("53"), (P{{'1', 777.78}, {'2', 222.22}}));
  EXPECT_EQ(partes("54"), (P{{'1', 875}, {'3', 125}}));
  EXPECT_EQ(partes("55"), (P{{'2', 666.67}, {'3', 333.33}}));
  EXPECT_EQ(partes("56"), (P{{'1', 700}, {'2', 200}, {'3', 100}}));
}

TEST(RateioDeCreditos, PartesSomamOTodoAoCentavo) {
  // Thirds of 100,00: each part is its share of what the earlier left, so
  // 33,33 leaves 66,67, whose half rounds to 33,34, and 33,33 is left.
  const TReceitasBrutas receitas{.tributada = 1, .nao_tributada = 1, .exportacao = 1};
  const TRateioCredito r = RatearCredito("56", 100, 10, receitas, false);
  ASSERT_EQ(r.parcelas.size(), 3u);
  EXPECT_DOUBLE_EQ(r.parcelas[0].base, 33.33);
  EXPECT_DOUBLE_EQ(r.parcelas[1].base, 33.34);
  EXPECT_DOUBLE_EQ(r.parcelas[2].base, 33.33);
  EXPECT_DOUBLE_EQ(r.parcelas[0].quantidade + r.parcelas[1].quantidade + r.parcelas[2].quantidade,
                   10);
}

TEST(RateioDeCreditos, SemReceitaDosGruposVaiTudoAoPrimeiro) {
  const TReceitasBrutas so_exportacao{.exportacao = 500};
  const TRateioCredito r = RatearCredito("53", 80, 0, so_exportacao, false);
  ASSERT_EQ(r.parcelas.size(), 1u);
  EXPECT_EQ(r.parcelas[0].grupo, '1');
  EXPECT_DOUBLE_EQ(r.parcelas[0].base, 80);
}

TEST(RateioDeCreditos, RegimeMistoSeparaAParteCumulativaAntes) {
  // A quarter of the revenue is cumulative: 250,00 of the base gives no
  // credit, the rest is split between the taxed and the export revenue.
  const TReceitasBrutas receitas{.tributada = 500, .exportacao = 250, .cumulativa = 250};
  const TRateioCredito r = RatearCredito("54", 1000, 0, receitas, true);
  EXPECT_DOUBLE_EQ(r.base_cumulativa, 250);
  ASSERT_EQ(r.parcelas.size(), 2u);
  EXPECT_DOUBLE_EQ(r.parcelas[0].base, 500);
  EXPECT_DOUBLE_EQ(r.parcelas[1].base, 250);
  // Without the mixed regime the cumulative revenue sets nothing apart.
  EXPECT_DOUBLE_EQ(RatearCredito("50", 1000, 0, receitas, false).parcelas[0].base, 1000);
}

TEST(RegistrosDoBlocoM, AjustesDaBaseSoDesde2019EAjustesSobCadaRegistro) {
  const auto filhos = [](const TRegistroM& r) {
    std::vector<std::string> codigos;
    for (const TRegistroM& f : r.filhos) codigos.push_back(f.codigo);
    return codigos;
  };
  using V = std::vector<std::string>;
  for (bool cofins : {false, true}) {
    const TApuracaoM antes = RegistrosDaApuracao(cofins, TDateTime::EncodeDate(2018, 12, 1));
    const TApuracaoM depois = RegistrosDaApuracao(cofins, TDateTime::EncodeDate(2019, 1, 1));
    EXPECT_EQ(filhos(antes.credito), (cofins ? V{"M505", "M510"} : V{"M105", "M110"}));
    EXPECT_EQ(filhos(antes.credito.filhos[1]), cofins ? V{"M515"} : V{"M115"});
    EXPECT_EQ(filhos(antes.contribuicao), (cofins ? V{"M605", "M610"} : V{"M205", "M210"}));
    EXPECT_EQ(filhos(antes.contribuicao.filhos[1]), cofins ? V{"M620"} : V{"M220"});
    EXPECT_EQ(filhos(depois.contribuicao.filhos[1]),
              (cofins ? V{"M615", "M620"} : V{"M215", "M220"}));
    // The details of a contribution's adjustment keep the family's link.
    EXPECT_EQ(depois.contribuicao.filhos[1].filhos[1].filhos[0].vinculo,
              cofins ? "IDF_RegistroEFDM620" : "IDF_RegistroEFDM220");
    // Field counts of the published layouts, without the register's code.
    EXPECT_EQ(antes.credito.filhos[1].campos.size(), 6u);
    EXPECT_EQ(antes.credito.filhos[1].filhos[0].campos.size(), 8u);
    EXPECT_EQ(antes.contribuicao.filhos[0].campos.size(), 3u);
    EXPECT_EQ(depois.contribuicao.filhos[1].filhos[0].campos.size(), 9u);
  }
}

}  // namespace
}  // namespace efd::teste
