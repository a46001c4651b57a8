// Block C of the PIS/COFINS file for an establishment that bookkeeps its
// electronic invoices consolidated by item: sales in C180 (C181, C185,
// C188), acquisitions with credit in C190 (C191, C195, C199), every other
// document a C100; and block M assessing them, with figures worked out by
// hand, on every engine.
#include "registers/blockC/consolidacoesc.h"
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

// Branch 10 consolidates in 2024; sale 10 and import 21 name a process,
// the import's of no stated kind.
constexpr const char* kConsolidada = R"({
  "Z8_PARAMFIL": [{"ID": 7001, "FD": "ParamFilialContribuicoes", "IDF_FILIAL": 10,
                   "DATAINICIAL": "2024-01-01", "DATAFINAL": "2024-12-31", "SITUACAO": "1"}],
  "Z8_PARFILCON": [{"ID": 7001, "IDA": 7001, "ESCRITCONSOLIDADA": true}]
})";
constexpr const char* kProcesso = R"({
  "Z8_PARTEDOCTO": [{"ID": 7002, "FD": "OutrosDadosDocto", "IDF_DOCTO": 10},
                    {"ID": 7003, "FD": "OutrosDadosDocto", "IDF_DOCTO": 21}],
  "Z8_OUTDADOSDO": [{"ID": 7002, "IDA": 7002, "NROPROCESSO": "0001234", "INDPROCESSO": "1"},
                    {"ID": 7003, "IDA": 7003, "NROPROCESSO": "0005678"}]
})";

class ConsolidacoesC : public TDocumentos {
 protected:
  void SetUp() override {
    TDocumentos::SetUp();
    if (IsSkipped()) return;
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kConsolidada);
  }

  // Two NF-e sales of rice (one of its PIS per unit) and one of beans
  // outside the contribution; two NF-e purchases of rice giving credit, the
  // second an import, from supplier 202; and what stays a document: a model
  // 01 sale, a purchase without credit from customer 201 and a cancelled
  // NF-e sale.
  void CarregarMes() {
    TDocumentoTeste venda1{
        .id = 10, .tipo = "vendanfe", .serie = "2", .numero = "10", .situacao_nfe = "3"};
    venda1.emissao = venda1.entrada_saida = "2024-03-05";
    venda1.itens[0].valor = 1000;
    venda1.itens.push_back(
        {.produto = 71, .seq = 2, .valor = 200, .letra_pis = "D", .natureza_receita = "102"});
    TDocumentoTeste venda2{
        .id = 11, .tipo = "vendanfe", .serie = "2", .numero = "11", .situacao_nfe = "3"};
    venda2.emissao = venda2.entrada_saida = "2024-03-20";
    venda2.itens[0].valor = 500;
    venda2.itens[0].quantidade = 100;
    venda2.itens[0].pis_fixo = 0.0165;
    auto compra = [](int id, const std::string& entrada, double valor, const std::string& letra,
                     int fornecedor = 202) {
      TDocumentoTeste c{.id = id,
                        .tipo = "compranfe",
                        .serie = "3",
                        .numero = std::to_string(id),
                        .participante = fornecedor};
      c.emissao = c.entrada_saida = entrada;
      c.itens[0].cfop = "1.102";
      c.itens[0].valor = valor;
      c.itens[0].letra_pis = letra;
      return c;
    };
    // The importer issues the import's NF-e itself.
    TDocumentoTeste importacao = compra(21, "2024-03-15", 300, "K");
    importacao.processo = 1501;
    importacao.serie = "2";
    importacao.situacao_nfe = "3";
    TDocumentoTeste modelo01{.id = 30, .numero = "30"};
    modelo01.itens[0].valor = 100;
    TDocumentoTeste cancelada{.id = 12,
                              .tipo = "vendanfe",
                              .serie = "2",
                              .numero = "12",
                              .situacao_nf = "1",
                              .situacao_nfe = "5"};
    Carregar({venda1, venda2, compra(20, "2024-03-12", 500, "K"), importacao, modelo01,
              compra(31, "2024-03-10", 50, "2", 201), cancelada});
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kProcesso);
  }

  TArquivo GerarContribuicoes() { return Gerar(2, 2024, 3, nullptr); }
};

TEST_P(ConsolidacoesC, VendasEAquisicoesComCreditoConsolidadasPorItem) {
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Linhas(a, "C010"), std::vector<std::string>{"|C010|12345678000195|1|"});
  EXPECT_EQ(Numeros(a), (std::vector<std::string>{"12", "30", "31"}));
  // Rice sold on the 5th and the 20th: PIS by percentage (1.000,00 at
  // 1,65%) and per unit (100 at 0,0165), COFINS at 7,6% of both; beans
  // outside the contribution. The process of sale 10 under each item.
  EXPECT_EQ(Trecho(a, "C180", {"C181", "C185", "C188"}),
            (std::vector<std::string>{
                "|C180|55|05032024|20032024|P10001|||1500|",
                "|C181|01|5102|500|0|||100|0,0165|1,65||",
                "|C181|01|5102|1000|0|1000|1,65|||16,5||",
                "|C185|01|5102|1500|0|1500|7,6|||114||",
                "|C188|0001234|1|",
                "|C180|55|05032024|05032024|P10002|||200|",
                "|C181|04|5102|200|0|200|1,65|||3,3||",
                "|C185|04|5102|200|0|200|7,6|||15,2||",
                "|C188|0001234|1|",
            }));
  // Rice bought on the 12th and imported on the 15th from the same
  // supplier: one detail each, the import's process in C198 and its own
  // PIS and COFINS in C199.
  EXPECT_EQ(Trecho(a, "C190", {"C191", "C195", "C198", "C199"}),
            (std::vector<std::string>{
                "|C190|55|12032024|15032024|P10001|||800|",
                "|C191|44555666000172|50|1102|800|0|800|1,65|||13,2||",
                "|C195|44555666000172|50|1102|800|0|800|7,6|||60,8||",
                "|C198|0005678|9|",
                "|C199|1|24/1234567-8901|4,95|22,8||",
            }));
  // The consolidations follow the establishment's documents.
  const auto posicao = [&a](const std::string& inicio) {
    return std::find_if(a.linhas.begin(), a.linhas.end(),
                        [&inicio](const std::string& l) { return l.starts_with(inicio); }) -
           a.linhas.begin();
  };
  EXPECT_LT(posicao("|C100|"), posicao("|C180|"));
  EXPECT_LT(posicao("|C180|"), posicao("|C190|"));
  EXPECT_LT(posicao("|C190|"), posicao("|C990|"));
  // Consolidated purchases name their supplier by CNPJ: 202 is not in 0150.
  const auto participantes = Linhas(a, "0150");
  EXPECT_TRUE(participantes.size() == 1 && participantes[0].starts_with("|0150|300201|"));
}

TEST_P(ConsolidacoesC, BlocoMApuraAsConsolidacoesComAsContasFeitasAMao) {
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  // PIS at 1,65% of 1.000,00 consolidated and 100,00 of the model 01 sale:
  // 18,15; per unit, 100 at 0,0165: 1,65. Credit: 1,65% of 800,00 bought
  // for resale, 13,20, all deducted from the 19,80 due.
  EXPECT_EQ(Linhas(a, "M210"), (std::vector<std::string>{
                                   "|M210|01|500,00|0,00|0,00|0,00|0,00|0,00|100,000|0,0165|1,65|"
                                   "0,00|0,00|0,00|0,00|1,65|",
                                   "|M210|01|1100,00|1100,00|0,00|0,00|1100,00|1,65|0,000||18,15|"
                                   "0,00|0,00|0,00|0,00|18,15|"}));
  EXPECT_EQ(Linhas(a, "M100"), std::vector<std::string>{
                                   "|M100|101|0|800,00|1,6500|0,000||13,20|0,00|0,00|0,00|13,20|0|"
                                   "13,20|0,00|"});
  EXPECT_EQ(Linhas(a, "M105"),
            std::vector<std::string>{"|M105|01|50|800,00||800,00|800,00||0,000||"});
  EXPECT_EQ(Linhas(a, "M200"),
            std::vector<std::string>{
                "|M200|19,80|13,20|0,00|6,60|0,00|0,00|6,60|0,00|0,00|0,00|0,00|6,60|"});
  // COFINS at 7,6% of 1.600,00 of rice sold: 121,60, less 7,6% of 800,00.
  EXPECT_EQ(Linhas(a, "M610"), std::vector<std::string>{
                                   "|M610|01|1600,00|1600,00|0,00|0,00|1600,00|7,60|0,000||121,60|"
                                   "0,00|0,00|0,00|0,00|121,60|"});
  EXPECT_EQ(Linhas(a, "M505"),
            std::vector<std::string>{"|M505|01|50|800,00|0,00|800,00|800,00||0,000||"});
  // The beans' revenue outside the contribution, by its nature.
  EXPECT_EQ(Linhas(a, "M400"), std::vector<std::string>{"|M400|04|200,00|||"});
  EXPECT_EQ(Linhas(a, "M810"), std::vector<std::string>{"|M810|102|200,00|||"});
}

TEST_P(ConsolidacoesC, SemOParametroCadaNotaEUmDocumento) {
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PARFILCON SET ESCRITCONSOLIDADA = 'F'");
  CarregarMes();
  const TArquivo a = GerarContribuicoes();
  EXPECT_EQ(Linhas(a, "C010"), std::vector<std::string>{"|C010|12345678000195|2|"});
  EXPECT_EQ(Numeros(a).size(), 7u);
  EXPECT_TRUE(Linhas(a, "C180").empty() && Linhas(a, "C190").empty());
}

TEST(DestinoDaConsolidacao, SoNotasEletronicasDeVendaOuComCredito) {
  using D = TDestinoConsolidacao;
  const auto destino = [](const char* operacao, const char* emitente, const char* modelo,
                          std::vector<std::string> csts) {
    return TConsolidacoesC::Destino(operacao, emitente, modelo, csts);
  };
  EXPECT_EQ(destino("1", "0", "55", {"01", "06", "49", "99"}), D::Venda);
  EXPECT_EQ(destino("1", "0", "65", {"01"}), D::Venda);
  // A third party's or a model 01 output, or one with an entry's CST.
  EXPECT_EQ(destino("1", "1", "55", {"01"}), D::Nenhum);
  EXPECT_EQ(destino("1", "0", "01", {"01"}), D::Nenhum);
  EXPECT_EQ(destino("1", "0", "55", {"01", "50"}), D::Nenhum);
  // Entries of model 55 only, when an item gives credit.
  EXPECT_EQ(destino("0", "1", "55", {"50", "98"}), D::Aquisicao);
  EXPECT_EQ(destino("0", "0", "55", {"66"}), D::Aquisicao);
  EXPECT_EQ(destino("0", "1", "55", {"70", "98"}), D::Nenhum);
  EXPECT_EQ(destino("0", "1", "55", {"50", "01"}), D::Nenhum);
  EXPECT_EQ(destino("0", "1", "65", {"50"}), D::Nenhum);
  // Items without a CST of PIS, or no items.
  EXPECT_EQ(destino("1", "0", "55", {""}), D::Nenhum);
  EXPECT_EQ(destino("1", "0", "55", {}), D::Nenhum);
}

INSTANTIATE_TEST_SUITE_P(Motores, ConsolidacoesC, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
