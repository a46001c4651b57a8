// Block D: the services billed on communication bills (D510, D590 and the
// PIS/COFINS shares), the document types the transport selection leaves to
// other books, the origin abroad of a freight bill, and the D010 of an
// establishment the header's filter empties, on every engine.
#include "tests/registers/blocod_teste.h"

namespace efd::teste {
namespace {

using BlocoDServicos = TBlocoD;

// A telephone bill: a device and two services, one of them taxed.
TDocumentoD ContaTelefonica(const std::string& letra_pis = "") {
  TDocumentoD conta{.id = 3001,
                    .tipo = 2107,
                    .serie = 1202,
                    .numero = "60",
                    .participante = 302,
                    .emissao = "2024-03-05",
                    .entrada = "2024-03-06"};
  conta.itens = {TItemD{.cfop = 2403, .valor = 100, .aliquota = 25, .letra_pis = letra_pis}};
  conta.servicos = {
      TItemD{.cfop = 2403, .valor = 60, .aliquota = 25, .seq = 2, .letra_pis = letra_pis},
      TItemD{.cfop = 2403,
             .tributacao = "40",
             .valor = 15,
             .aliquota = 0,
             .seq = 3,
             .letra_pis = letra_pis}};
  return conta;
}

TEST_P(BlocoDServicos, OsServicosDaContaSaoItensComOSeuIcms) {
  Carregar({ContaTelefonica()});
  const TArquivo a = GerarD();
  const auto d = LinhasD(a);
  // The services' ICMS adds to the bill's and to its analytic totals; a
  // service is an item "S" + its code, of the class of services, counted in
  // the unit of services.
  EXPECT_EQ(d, (std::vector<std::string>{
                   "|D001|0|",
                   "|D500|0|1|0000004502|22|00|2||000000060|05032024|06032024|175|0|175|0|0|0|"
                   "160|40||2,89|13,3|||",
                   "|D510|1|P10001|0101|1|UN|100|0|000|1303|100|25|25|0|0|0|0000004502|1,65|7,6||",
                   "|D510|2|STELEF|0601|1|Serv|60|0|000|1303|60|25|15|0|0|0|0000004502|0,99|4,56||",
                   "|D510|3|STELEF|0601|1|Serv|15|0|040|1303|0|0|0|0|0|0|0000004502|0,25|1,14||",
                   "|D590|000|1303|25|160|160|40|0|0|0||", "|D590|040|1303|0|15|0|0|0|0|0||",
                   "|D990|8|"}));
  // The service stands in block 0 as an item of services with its unit.
  const auto r0200 = Linhas(a, "0200");
  const auto servico = std::find_if(r0200.begin(), r0200.end(), [](const std::string& l) {
    return l.starts_with("|0200|STELEF|");
  });
  ASSERT_NE(servico, r0200.end());
  EXPECT_EQ(Campos(*servico)[2], "Telefonia");
  EXPECT_EQ(Campos(*servico)[6], "09");
  const auto r0190 = Linhas(a, "0190");
  EXPECT_NE(std::find(r0190.begin(), r0190.end(), "|0190|Serv|Serv|"), r0190.end());
}

TEST_P(BlocoDServicos, OsServicosDaNotaEletronicaSomamComOsProdutos) {
  TDocumentoD nfcom = ContaTelefonica();
  nfcom.tipo = 2108;
  nfcom.numero = "56001";
  nfcom.chave = Chave("62", 1, 56001);
  nfcom.servicos[1].tributacao = "";
  Carregar({nfcom});
  const auto d = LinhasD(GerarD());
  // The taxed service meets the device in one D730; the service without a
  // class counts in none of the invoice's taxes.
  ASSERT_EQ(d.size(), 4u);
  EXPECT_TRUE(d[1].starts_with(
      "|D700|0|1|0000004502|62|00|2|000056001|05032024|06032024|175|0|175|0|0|0|160|40||2,64|"
      "12,16|"))
      << d[1];
  EXPECT_EQ(d[2], "|D730|000|1303|25|160|160|40|0||");
}

TEST_P(BlocoDServicos, OsServicosDaContaSomamPisECofinsDoModeloDasContribuicoes) {
  Carregar({ContaTelefonica("K")});
  const TArquivo a = Gerar(2, 2024, 3, nullptr);
  // Goods and services of CST 50 at one rate: one D501 and one D505.
  const auto d501 = Linhas(a, "D501");
  ASSERT_EQ(d501.size(), 1u);
  const auto pis = Campos(d501[0]);
  EXPECT_EQ(std::vector<std::string>(pis.begin() + 1, pis.begin() + 7),
            (std::vector<std::string>{"50", "175", "03", "175", "1,65", "2,89"}));
  const auto d505 = Linhas(a, "D505");
  ASSERT_EQ(d505.size(), 1u);
  EXPECT_EQ(Campos(d505[0])[2], "175");
  EXPECT_EQ(Campos(d505[0])[6], "13,3");
}

TEST_P(BlocoDServicos, TiposComParteDeDespesaOuDeConhecimentosFicamForaDosTransportes) {
  auto cte = [](int id, int tipo) {
    return TDocumentoD{
        .id = id, .tipo = tipo, .serie = 1202, .numero = std::to_string(id), .participante = 302};
  };
  // A fiscal expense's type, with and without its own part of expenses; a
  // freight type whose documents carry typed freight bills.
  Carregar({cte(3001, 2102), cte(3002, 2123), cte(3003, 2124)});
  const auto d = LinhasD(GerarD());
  EXPECT_FALSE(Documento(d, "000003001").empty());
  EXPECT_TRUE(Documento(d, "000003002").empty());
  EXPECT_TRUE(Documento(d, "000003003").empty());
}

TEST_P(BlocoDServicos, OrigemNoExteriorDeUmCTeDePrestacao) {
  const TDocumentoD entrada{.id = 3010, .tipo = 2109, .serie = 1202, .numero = "5501"};
  const TDocumentoD importada{
      .id = 3020, .tipo = 2109, .serie = 1202, .numero = "5502", .participante = 304};
  Carregar({entrada, importada},
           {TFreteD{.id = 3011, .documento = 3010, .numero = "901", .transportado = 3020},
            TFreteD{.id = 3012, .documento = 3010, .numero = "902"}});
  auto municipios = [](const std::vector<std::string>& d, const std::string& numero) {
    const auto c = Campos(Documento(d, numero).at(0));
    return c[23] + ">" + c[24];
  };
  // A normal CT-e that carried goods issued abroad starts abroad; one
  // carried in the country starts where its invoice was issued.
  const auto normal = LinhasD(GerarD());
  EXPECT_EQ(municipios(normal, "000000901"), "9999999>3550308");
  EXPECT_EQ(municipios(normal, "000000902"), "3550308>3550308");
  // A complementing CT-e too; an annulling one refers to another and states
  // no performance of its own.
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_TPDOCCONFR SET TIPOCTE = '1' WHERE ID = 2219");
  EXPECT_EQ(municipios(LinhasD(GerarD()), "000000901"), "9999999>3550308");
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_TPDOCCONFR SET TIPOCTE = '2' WHERE ID = 2219");
  EXPECT_EQ(municipios(LinhasD(GerarD()), "000000901"), ">3550308");
}

TEST_P(BlocoDServicos, EstabelecimentoQueOFiltroEsvaziaNaoTemD010) {
  // Only services taken: a file of the outputs has none of them.
  Carregar(
      {TDocumentoD{.id = 3002, .tipo = 2102, .serie = 1202, .numero = "1", .participante = 302},
       ContaTelefonica("K")});
  auto gerar = [this](const std::string& operacoes) {
    app::OpcoesGeracao o = OpcoesDoMes(2, 2024, 3);
    o.operacoes = operacoes;
    ASSERT_EQ(app::Gerar(*sessao_, o).size(), 1u);
  };
  // A D010 deleted leaves its identifier here: none is stored to be deleted.
  sessao_->ExecutarDiretoNoBD("CREATE TABLE D010_APAGADOS (ID INTEGER)");
  sessao_->ExecutarDiretoNoBD(
      GetParam() == "sqlite"
          ? "CREATE TRIGGER D010_APAGADO AFTER DELETE ON Z8_REGEFDD010 BEGIN INSERT INTO "
            "D010_APAGADOS (ID) VALUES (OLD.ID); END"
          : "CREATE TRIGGER D010_APAGADO FOR Z8_REGEFDD010 AFTER DELETE AS BEGIN INSERT INTO "
            "D010_APAGADOS (ID) VALUES (OLD.ID); END");
  gerar("2");
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDD010"), 0);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM D010_APAGADOS"), 0);
  // With the entries the D010 is stored before the documents under it.
  gerar("1");
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDD010"), 1);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDD100 A INNER JOIN Z8_REGEFDD010 B ON B.ID = "
                   "A.IDF_REGEFDD010 WHERE B.ID < A.ID"),
            1);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDD500 A INNER JOIN Z8_REGEFDD010 B ON B.ID = "
                   "A.IDF_REGEFDD010 WHERE B.ID < A.ID"),
            1);
}

INSTANTIATE_TEST_SUITE_P(Motores, BlocoDServicos, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
