// Block D: transport documents (D100 from the ERP's documents and from the
// freight bills typed on goods entries), communication bills (D500) and
// electronic communication invoices (D700), and the block's closing, on
// every engine.
#include "registers/blockD/uh5registroefdd100.h"
#include "registers/blockD/uh5registroefdd501.h"
#include "tests/registers/blocod_teste.h"

namespace efd::teste {
namespace {

using BlocoD = TBlocoD;

TEST_P(BlocoD, ConhecimentosContratadosEPrestadosComSeusAnaliticos) {
  TDocumentoD prestado{.id = 3001, .serie = 1203, .numero = "15", .situacao_nfe = "3"};
  prestado.chave = Chave("57", 3, 15);
  prestado.itens = {TItemD{.valor = 100}, TItemD{.valor = 50, .seq = 2}};
  TDocumentoD contratado{.id = 3002,
                         .tipo = 2102,
                         .serie = 1202,
                         .numero = "77",
                         .participante = 302,
                         .emissao = "2024-03-02",
                         .entrada = "2024-03-04"};
  contratado.itens = {TItemD{.cfop = 2402, .tributacao = "20", .valor = 200, .outras = 80}};
  Carregar({prestado, contratado});

  const auto d = LinhasD(GerarD());
  // By issue date; the participant's code zero-filled to ten digits, the
  // number to nine. Items of one CST, CFOP and rate make one D190, whose
  // ICMS is the document's; only a reduced class adds to VL_RED_BC.
  EXPECT_EQ(Documento(d, "000000077"),
            (std::vector<std::string>{
                "|D100|0|1|0000004502|57|00|2||000000077||02032024|04032024|0||200|0|1|200|120|"
                "14,4|80|||3550308|3550308|",
                "|D190|020|1353|12|200|120|14,4|80||"}));
  EXPECT_EQ(
      Documento(d, "000000015"),
      (std::vector<std::string>{"|D100|1|0|0000004501|57|00|3||000000015|" + Chave("57", 3, 15) +
                                    "|10032024|10032024|0||150|0|1|150|150|18|0|||3550308|"
                                    "3550308|",
                                "|D190|000|5353|12|150|150|18|0||"}));
  EXPECT_EQ(d.front(), "|D001|0|");
  EXPECT_EQ(d.back(), fmt::format("|D990|{}|", d.size()));
}

TEST_P(BlocoD, Modelo63EOsMunicipiosSoDesde2018) {
  const TDocumentoD dezembro{
      .id = 3001, .numero = "1", .emissao = "2017-12-05", .entrada = "2017-12-05"};
  const TDocumentoD modelo63{
      .id = 3002, .tipo = 2103, .numero = "2", .emissao = "2017-12-06", .entrada = "2017-12-06"};
  TDocumentoD janeiro = dezembro, modelo63_janeiro = modelo63;
  janeiro.id = 3003, janeiro.numero = "3", janeiro.emissao = janeiro.entrada = "2018-01-05";
  modelo63_janeiro.id = 3004, modelo63_janeiro.numero = "4";
  modelo63_janeiro.emissao = modelo63_janeiro.entrada = "2018-01-06";
  Carregar({dezembro, modelo63, janeiro, modelo63_janeiro});

  auto cabecalhos = [](const std::vector<std::string>& bloco) {
    std::vector<std::pair<std::string, size_t>> r;  // model, field count
    for (const auto& l : bloco)
      if (l.starts_with("|D100|")) r.emplace_back(Campos(l)[4], Campos(l).size());
    return r;
  };
  EXPECT_EQ(cabecalhos(LinhasD(GerarD(2017, 12))),
            (std::vector<std::pair<std::string, size_t>>{{"57", 23}}));
  EXPECT_EQ(cabecalhos(LinhasD(GerarD(2018, 1))),
            (std::vector<std::pair<std::string, size_t>>{{"57", 25}, {"63", 25}}));
}

TEST_P(BlocoD, OFiltroDeOperacoesDoCabecalho) {
  Carregar(
      {TDocumentoD{.id = 3001, .numero = "1"},
       TDocumentoD{.id = 3002, .tipo = 2102, .serie = 1202, .numero = "2", .participante = 302}});
  auto operacoes = [](const std::vector<std::string>& bloco) {
    std::string r;
    for (const auto& l : bloco)
      if (l.starts_with("|D100|")) r += Campos(l)[1];
    return r;
  };
  EXPECT_EQ(operacoes(LinhasD(GerarD(2024, 3, "0"))), "10");
  EXPECT_EQ(operacoes(LinhasD(GerarD(2024, 3, "1"))), "0");
  EXPECT_EQ(operacoes(LinhasD(GerarD(2024, 3, "2"))), "1");
}

TEST_P(BlocoD, CanceladosEInutilizadosSemParticipanteContaNemValores) {
  TDocumentoD cancelado{
      .id = 3001, .serie = 1203, .numero = "20", .situacao_nf = "1", .situacao_nfe = "3"};
  TDocumentoD inutilizado{.id = 3002, .serie = 1203, .numero = "21", .situacao_nfe = "7"};
  // A bill of a series that is not electronic has no electronic situation.
  TDocumentoD modelo07{.id = 3003, .tipo = 2104, .numero = "22"};
  modelo07.itens = {TItemD{.valor = 30},
                    TItemD{.tributacao = "40", .valor = 10, .aliquota = 0, .seq = 2}};
  Carregar({cancelado, inutilizado, modelo07});
  const auto d = LinhasD(GerarD());
  for (const auto& [numero, situacao] :
       std::vector<std::pair<std::string, std::string>>{{"000000020", "02"}, {"000000021", "05"}}) {
    const auto linhas = Documento(d, numero);
    ASSERT_EQ(linhas.size(), 1u) << numero;  // nothing under it
    const auto c = Campos(linhas[0]);
    EXPECT_EQ(c[5], situacao);
    EXPECT_EQ(c[3], "");   // participant
    EXPECT_EQ(c[14], "");  // value
    EXPECT_EQ(c[22], "");  // account
  }
  // Model 07 rendered: its items in D110 with their codes in 0200.
  EXPECT_EQ(
      Documento(d, "000000022"),
      (std::vector<std::string>{
          "|D100|1|0|0000004501|07|00|1||000000022||10032024|10032024|||40|0|1|40|30|3,6|10|||"
          "3550308|3550308|",
          "|D110|1|P10001|30|0|", "|D110|2|P10001|10|0|", "|D190|000|5353|12|30|30|3,6|0||",
          "|D190|040|5353|0|10|0|0|0||"}));
}

TEST_P(BlocoD, FretesDigitadosNasEntradasSaoConhecimentosDaTransportadora) {
  const TDocumentoD entrada{.id = 3010,
                            .tipo = 2109,
                            .serie = 1202,
                            .numero = "5501",
                            .participante = 301,
                            .emissao = "2024-03-04",
                            .entrada = "2024-03-05"};
  TFreteD tributado{.id = 3011, .documento = 3010, .tributacao = 1311};
  // A bill of the special regime's series, exempt.
  TFreteD especial{.id = 3012,
                   .documento = 3010,
                   .serie = 1204,
                   .numero = "901",
                   .valor = 80,
                   .base = 0,
                   .aliquota = 0,
                   .icms = 0,
                   .isentas = 80};
  Carregar({entrada}, {tributado, especial});
  const auto d = LinhasD(GerarD());
  EXPECT_EQ(
      Documento(d, "000000900"),
      (std::vector<std::string>{"|D100|0|1|0000004502|57|00|2||000000900||05032024|06032024|0||"
                                "200|0|1|200|200|24|0|||3550308|3550308|",
                                "|D190|000|1353|12|200|200|24|0||"}));
  const auto e = Documento(d, "000000901");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(Campos(e[0])[5], "08");
  EXPECT_EQ(e[1], "|D190|040|1353|0|80|0|0|0||");
  // The goods entry itself is no transport document.
  EXPECT_TRUE(Documento(d, "000005501").empty());
}

TEST_P(BlocoD, UmTipoSemModeloDeFreteParaAGeracaoNomeandoOCampo) {
  // A document stored before the failure is rolled back with it.
  const TDocumentoD antes{.id = 3001, .numero = "1", .emissao = "2024-03-01"};
  const TDocumentoD entrada{.id = 3010, .tipo = 2106, .serie = 1202, .numero = "5501"};
  Carregar({antes, entrada}, {TFreteD{.id = 3011, .documento = 3010}});
  const std::string erro = teste::Mensagem<std::exception>([this] { GerarD(); });
  EXPECT_NE(erro.find("TpDocConFr_IDF_ModeloDoct"), std::string::npos) << erro;
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDD100"), 0);
}

TEST(IndicadorDeFreteD100, LetrasPorOperacaoEAntesOuDepoisDeJulhoDe2012) {
  const TDateTime depois = TDateTime::EncodeDate(2012, 7, 2),
                  no_dia = TDateTime::EncodeDate(2012, 7, 1);
  EXPECT_EQ(Th5RegistroEFDD100::RetornarIndicadorFrete("F", "0", depois), "1");
  EXPECT_EQ(Th5RegistroEFDD100::RetornarIndicadorFrete("F", "1", depois), "0");
  EXPECT_EQ(Th5RegistroEFDD100::RetornarIndicadorFrete("T", "0", depois), "0");
  EXPECT_EQ(Th5RegistroEFDD100::RetornarIndicadorFrete("t", "1", no_dia), "2");
  EXPECT_EQ(Th5RegistroEFDD100::RetornarIndicadorFrete("A", "1", depois), "2");
  EXPECT_EQ(Th5RegistroEFDD100::RetornarIndicadorFrete("A", "1", no_dia), "0");
  EXPECT_EQ(Th5RegistroEFDD100::RetornarIndicadorFrete("B", "0", no_dia), "9");
  EXPECT_EQ(Th5RegistroEFDD100::RetornarIndicadorFrete("", "0", depois), "1");
  EXPECT_EQ(Th5RegistroEFDD100::RetornarIndicadorFrete("X", "0", depois), "1");
}

TEST_P(BlocoD, ContasDeComunicacaoComItensEAnaliticos) {
  TDocumentoD conta = ContaDeComunicacao();
  TDocumentoD complementar = conta;
  complementar.id = 3002, complementar.tipo = 2110, complementar.numero = "51";
  Carregar({conta, complementar});
  const auto d = LinhasD(GerarD());
  EXPECT_EQ(d,
            (std::vector<std::string>{
                "|D001|0|",
                "|D500|0|1|0000004502|21|00|2||000000050|05032024|06032024|120|0|120|0|0|0|100|"
                "25||1,98|9,12|||",
                "|D510|1|P10001|0101|1|UN|100|0|000|1303|100|25|25|0|0|0|0000004502|1,65|7,6||",
                "|D510|2|P10001|0101|1|UN|20|0|040|1303|0|0|0|0|0|0|0000004502|0,33|1,52||",
                "|D590|000|1303|25|100|100|25|0|0|0||", "|D590|040|1303|0|20|0|0|0|0|0||",
                // A complementary bill carries no values of its own.
                "|D500|0|1|0000004502|21|08|2||000000051|05032024|06032024" + std::string(14, '|'),
                "|D990|8|"}));
}

TEST_P(BlocoD, SemDocumentosOBlocoSeAbreVazioEFechaUmaVez) {
  EXPECT_EQ(LinhasD(GerarD()), (std::vector<std::string>{"|D001|1|", "|D990|2|"}));
}

TEST_P(BlocoD, NotasDeComunicacaoEletronicasSemAnaliticoParaItemSemClasse) {
  TDocumentoD nfcom{.id = 3001,
                    .tipo = 2108,
                    .serie = 1202,
                    .numero = "56001",
                    .participante = 302,
                    .emissao = "2024-03-07",
                    .entrada = "2024-03-08"};
  nfcom.chave = Chave("62", 1, 56001);
  nfcom.itens = {
      TItemD{.cfop = 2403, .valor = 300, .aliquota = 25},
      TItemD{
          .cfop = 2403, .tributacao = "20", .valor = 100, .aliquota = 25, .outras = 40, .seq = 2},
      TItemD{.cfop = 2403, .tributacao = "", .valor = 45, .aliquota = 0, .seq = 3}};
  TDocumentoD conta{.id = 3002,
                    .tipo = 2107,
                    .serie = 1202,
                    .numero = "60",
                    .participante = 302,
                    .emissao = "2024-03-02",
                    .entrada = "2024-03-03"};
  conta.itens = {TItemD{.cfop = 2403, .valor = 10, .aliquota = 25}};
  Carregar({nfcom, conta});
  const TArquivo a = GerarD();
  const auto d = LinhasD(a);
  ASSERT_EQ(d.size(), 8u);
  EXPECT_EQ(d[0], "|D001|0|");
  EXPECT_TRUE(d[1].starts_with("|D500|0|1|0000004502|22|00|2||000000060|"));
  // The item without a class counts in neither the ICMS nor the PIS and
  // COFINS of the invoice.
  EXPECT_EQ(d[4],
            "|D700|0|1|0000004502|62|00|2|000056001|07032024|08032024|445|0|445|0|0|0|360|90||6,6|"
            "30,4|" +
                Chave("62", 1, 56001) + "|0|0|" + std::string(8, '|'));
  EXPECT_EQ(d[5], "|D730|000|1303|25|300|300|75|0||");
  EXPECT_EQ(d[6], "|D730|020|1303|25|100|60|15|0||");
  // The electronic invoices' writer closes the block, after the bills.
  EXPECT_EQ(d[7], "|D990|8|");
  const auto contagens = Linhas(a, "9900");
  EXPECT_NE(std::find(contagens.begin(), contagens.end(), "|9900|D730|2|"), contagens.end());
}

TEST_P(BlocoD, ComplementoDePisSomaPorCstEAliquotaSobOMesmoDocumento) {
  const TArquivo a = GerarD();
  const int bloco = Contar(fmt::format(
      "SELECT ID FROM Z8_BLOCOSEFD WHERE IDF_EFD = {} AND NOMEBLOCO = 'Bloco D'", a.id_efd));
  auto d501 = Aplicacao().CriarComo<Th5RegistroEFDD501>("RegistroEFDD501", *sessao_);
  TxbObjetoTemporario liberar(d501);
  const int64_t primeiro =
      d501->Incluir(bloco, 0, 77, a.id_efd, "13", 100, "50", 100, 1.65, 1.65, "1.1.01");
  const int64_t mesmo =
      d501->Incluir(bloco, 0, 77, a.id_efd, "13", 50.5, "50", 50.5, 1.65, 0.83, "1.1.01");
  const int64_t outra_cst = d501->Incluir(bloco, 0, 77, a.id_efd, "13", 10, "70", 0, 0, 0, "");
  const int64_t outro_pai =
      d501->Incluir(bloco, 0, 78, a.id_efd, "13", 10, "50", 10, 1.65, 0.17, "");
  EXPECT_EQ(primeiro, mesmo);
  EXPECT_NE(primeiro, outra_cst);
  EXPECT_NE(primeiro, outro_pai);
  const TxbResultado r = sessao_->Consultar(
      "SELECT VL_ITEM, VL_BC_PIS, VL_PIS, COD_CTA FROM Z8_REGEFDD501 WHERE ID = :ID",
      {{"ID", primeiro}});
  ASSERT_EQ(r.linhas.size(), 1u);
  EXPECT_NEAR(r.linhas[0][0].AsFloat(), 150.5, 1e-9);
  EXPECT_NEAR(r.linhas[0][1].AsFloat(), 150.5, 1e-9);
  EXPECT_NEAR(r.linhas[0][2].AsFloat(), 2.48, 1e-9);
  EXPECT_EQ(Trim(r.linhas[0][3].AsString()), "1.1.01");
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDD501"), 3);
}

INSTANTIATE_TEST_SUITE_P(Motores, BlocoD, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
