// Goods documents of block C: which documents a month takes, their
// situations, analytic totals, items, texts, instalments and the failures
// that stop a generation, on every engine.
#include "framework/xbaplicacao.h"
#include "registers/blockC/uh5registroefdc100.h"
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

using Documentos = TDocumentos;

TEST_P(Documentos, OMesTomaSaidasPelaEmissaoEEntradasPelaEntrada) {
  TDocumentoTeste no_mes{.id = 3001, .numero = "1"};
  TDocumentoTeste saida_anterior{
      .id = 3002, .numero = "2", .emissao = "2024-02-28", .entrada_saida = "2024-03-01"};
  TDocumentoTeste entrada_anterior{.id = 3003,
                                   .tipo = "compranfe",
                                   .serie = "3",
                                   .numero = "3",
                                   .participante = 202,
                                   .emissao = "2024-02-27",
                                   .entrada_saida = "2024-03-02"};
  entrada_anterior.itens[0].cfop = "1.102";
  TDocumentoTeste entrada_seguinte = entrada_anterior;
  entrada_seguinte.id = 3004;
  entrada_seguinte.numero = "4";
  entrada_seguinte.emissao = "2024-03-30";
  entrada_seguinte.entrada_saida = "2024-04-02";
  TDocumentoTeste saida_no_fim{
      .id = 3005, .numero = "5", .emissao = "2024-03-31", .entrada_saida = "2024-04-01"};
  Carregar({no_mes, saida_anterior, entrada_anterior, entrada_seguinte, saida_no_fim});

  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Numeros(a), (std::vector<std::string>{"3", "1", "5"}));
  const auto entrada = Campos(Documento(a, "3")[0]);
  EXPECT_EQ(entrada[1], "0");  // entry
  EXPECT_EQ(entrada[2], "1");  // third party's issue
  EXPECT_EQ(entrada[3], "300202");
  EXPECT_EQ(entrada[10], "02032024");
  // An output that leaves after the period has no exit date yet.
  EXPECT_EQ(Campos(Documento(a, "5")[0])[10], "");
  EXPECT_EQ(Linhas(a, "0150").size(), 2u);
}

TEST_P(Documentos, SituacaoPeloCancelamentoPeloPadraoEPelaSerie) {
  auto nfe = [](int id, std::string numero, std::string nf, std::string nfe) {
    TDocumentoTeste d{.id = id,
                      .tipo = "vendanfe",
                      .serie = "2",
                      .numero = std::move(numero),
                      .situacao_nf = std::move(nf),
                      .situacao_nfe = std::move(nfe)};
    d.chave = "3524031122233300018155002000000" + d.numero + "1234567890123";
    d.chave.resize(44, '0');
    return d;
  };
  TDocumentoTeste complementar = nfe(3015, "15", "0", "3");
  complementar.tipo = "complementar";
  TDocumentoTeste especial{.id = 3016, .serie = "890", .numero = "16"};
  TDocumentoTeste cupom{.id = 3017, .numero = "17"};
  cupom.itens[0].cfop = "5.929";
  Carregar({nfe(3011, "11", "0", "3"), nfe(3012, "12", "1", "5"), nfe(3013, "13", "1", "7"),
            complementar, especial, cupom});

  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  std::map<std::string, std::string> situacao;
  for (const auto& l : Linhas(a, "C100")) situacao[Campos(l)[7]] = Campos(l)[5];
  EXPECT_EQ(situacao, (std::map<std::string, std::string>{
                          {"11", "00"}, {"12", "02"}, {"15", "06"}, {"16", "08"}, {"17", "08"}}));
  // A cancelled document keeps its key and nothing else: no values, no children.
  const auto cancelado = Documento(a, "12");
  ASSERT_EQ(cancelado.size(), 1u);
  const auto campos = Campos(cancelado[0]);
  EXPECT_EQ(campos[8].size(), 44u);
  EXPECT_EQ(campos[3], "");
  for (size_t i = 9; i < campos.size(); ++i) EXPECT_EQ(campos[i], "") << "campo " << i;
}

TEST_P(Documentos, DenegadasSao04AteOsArquivosDe2022) {
  auto denegada = [](int id, std::string numero, std::string data) {
    return TDocumentoTeste{.id = id,
                           .tipo = "vendanfe",
                           .serie = "2",
                           .numero = std::move(numero),
                           .emissao = data,
                           .entrada_saida = data,
                           .situacao_nf = "1",
                           .situacao_nfe = "9"};
  };
  Carregar({denegada(3021, "21", "2022-12-10"), denegada(3022, "22", "2023-01-10")});
  const TArquivo dezembro = GerarMes(2022, 12);
  ASSERT_EQ(Numeros(dezembro), std::vector<std::string>{"21"});
  EXPECT_EQ(Campos(Linhas(dezembro, "C100")[0])[5], "04");
  EXPECT_TRUE(Numeros(GerarMes(2023, 1)).empty());
}

TEST_P(Documentos, AnaliticosSomamPorCstCfopEAliquotaEBatemComODocumento) {
  TDocumentoTeste d{.id = 3031, .numero = "31"};
  d.itens = {TItemTeste{.seq = 1, .valor = 100, .aliquota = 18},
             TItemTeste{.seq = 2, .valor = 50, .aliquota = 18},
             TItemTeste{.seq = 3, .valor = 200, .aliquota = 12}};
  Carregar({d});

  const TArquivo a = GerarMes();
  const auto linhas = Documento(a, "31");
  std::vector<std::string> analiticos;
  for (const auto& l : linhas)
    if (l.starts_with("|C190|")) analiticos.push_back(l);
  EXPECT_EQ(analiticos, (std::vector<std::string>{"|C190|000|5102|18|150|150|27|0|0|0|0||",
                                                  "|C190|000|5102|12|200|200|24|0|0|0|0||"}));
  const auto c100 = Campos(linhas[0]);
  EXPECT_EQ(c100[20], "350");  // base
  EXPECT_EQ(c100[21], "51");   // ICMS, the sum of the analytic rows
  EXPECT_EQ(Linhas(a, "C170").size(), 3u);
}

TEST_P(Documentos, ItensGuardamCodigoNumeroCstEPisComoOArquivoPede) {
  TDocumentoTeste compra{.id = 3041,
                         .tipo = "compranfe",
                         .serie = "3",
                         .numero = "41",
                         .participante = 202,
                         .emissao = "2024-03-05",
                         .entrada_saida = "2024-03-05"};
  compra.itens = {TItemTeste{.produto = 74,
                             .seq = 7,
                             .cfop = "1.102",
                             .quantidade = 3,
                             .letra_ipi = "K",
                             .letra_pis = "C"}};
  Carregar({compra});

  const TArquivo a = GerarMes();
  ASSERT_EQ(Linhas(a, "C170").size(), 1u);
  const auto item = Campos(Linhas(a, "C170")[0]);
  ASSERT_EQ(item.size(), 38u);
  EXPECT_EQ(item[1], "7");
  EXPECT_EQ(item[2], "PKIT(PIPE)01");
  EXPECT_EQ(item[19], "");    // IPI letter K has no CST
  EXPECT_EQ(item[24], "03");  // PIS by quantity: quantity base and money rate, even at 0
  EXPECT_EQ(item[25], "");
  EXPECT_EQ(item[26], "");
  EXPECT_EQ(item[27], "3");
  EXPECT_EQ(item[28], "0");
  // Every code the item cites is declared in block 0.
  EXPECT_EQ(Linhas(a, "0200").size(), 1u);
  EXPECT_TRUE(Linhas(a, "0200")[0].starts_with("|0200|PKIT(PIPE)01|"));
  EXPECT_EQ(Linhas(a, "0400"),
            std::vector<std::string>{Latin1("|0400|1102|Compra para comercialização|")});
}

TEST_P(Documentos, ImportacaoPropriaTrazADeclaracaoCortadaAoLeiaute) {
  TDocumentoTeste importacao{.id = 3045,
                             .tipo = "compranfe",
                             .serie = "2",
                             .numero = "45",
                             .participante = 202,
                             .situacao_nfe = "3",
                             .processo = 1501};
  importacao.itens[0].cfop = "1.102";
  TDocumentoTeste sem_processo = importacao;
  sem_processo.id = 3046;
  sem_processo.numero = "46";
  sem_processo.processo = 0;
  Carregar({importacao, sem_processo});
  const TArquivo a = GerarMes();
  EXPECT_EQ(Linhas(a, "C120"), std::vector<std::string>{"|C120|1|24/1234567-8901|0|0||"});
  EXPECT_EQ(Documento(a, "45")[1], "|C120|1|24/1234567-8901|0|0||");
}

TEST_P(Documentos, CombustivelQueEntraDizSeusTanquesQuandoOErpOsGuarda) {
  TDocumentoTeste compra{
      .id = 3047, .tipo = "compranfe", .serie = "3", .numero = "47", .participante = 202};
  compra.itens[0] = TItemTeste{
      .produto = 72, .cfop = "1.102", .quantidade = 5000, .tanques = {{"1", 3000}, {"2", 2000}}};
  TDocumentoTeste venda{.id = 3048, .numero = "48"};
  venda.itens[0] = compra.itens[0];
  venda.itens[0].cfop = "5.102";
  const teste::TModuloOpcional modulo({"ArmazenCombust"});
  Carregar({compra, venda});
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  const auto entrada = Documento(a, "47");
  ASSERT_EQ(entrada.size(), 5u);
  EXPECT_TRUE(entrada[1].starts_with("|C170|1|P20001|"));
  EXPECT_EQ(entrada[2], "|C171|1|3000|");
  EXPECT_EQ(entrada[3], "|C171|2|2000|");
  // Outputs do not report tanks.
  EXPECT_EQ(Linhas(a, "C171").size(), 2u);
}

TEST_P(Documentos, ArquivosAntesDe2019NaoTemAbatimentoNoItem) {
  TDocumentoTeste d{
      .id = 3051, .numero = "51", .emissao = "2018-03-05", .entrada_saida = "2018-03-05"};
  Carregar({d});
  const TArquivo a = GerarMes(2018, 3);
  ASSERT_EQ(Linhas(a, "C170").size(), 1u);
  EXPECT_EQ(Campos(Linhas(a, "C170")[0]).size(), 37u);
  EXPECT_TRUE(Linhas(a, "C191").empty());
}

TEST_P(Documentos, TextosHostisFicamNumaLinhaDoArquivo) {
  TDocumentoTeste d{.id = 3061,
                    .tipo = "compranfe",
                    .serie = "3",
                    .numero = "61",
                    .participante = 202,
                    .emissao = "2024-03-05",
                    .entrada_saida = "2024-03-05",
                    .texto_fiscal = "Linha um\r\nLinha | dois\nLinha três"};
  d.itens[0].cfop = "1.102";
  TDocumentoTeste longo = d;
  longo.id = 3062;
  longo.numero = "62";
  longo.texto_fiscal = std::string(7990, 'x') + "|fim\r\n";
  Carregar({d, longo});

  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  const auto textos = Linhas(a, "C110");
  ASSERT_EQ(textos.size(), 2u);
  EXPECT_EQ(textos[0], Latin1("|C110|1|Linha um Linha   dois - Linha três|"));
  EXPECT_EQ(Campos(textos[1]).size(), 3u);
  EXPECT_EQ(Campos(textos[1])[1], "2");
  EXPECT_EQ(Linhas(a, "0450").size(), 2u);
}

TEST_P(Documentos, OMesmoDocumentoEncontradoDuasVezesFicaUmaVez) {
  TDocumentoTeste primeiro{.id = 3071, .numero = "71"};
  TDocumentoTeste segundo{
      .id = 3072, .numero = "71", .emissao = "2024-03-20", .entrada_saida = "2024-03-20"};
  segundo.itens[0].valor = 300;
  Carregar({primeiro, segundo});

  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  const auto documento = Documento(a, "71");
  ASSERT_EQ(Linhas(a, "C100").size(), 1u);
  EXPECT_EQ(Campos(documento[0])[9], "20032024");
  EXPECT_EQ(Linhas(a, "C170").size(), 1u);
  EXPECT_EQ(Linhas(a, "C190").size(), 1u);
}

// The numbers typed as cancelled go among the ERP's documents by date, before
// those of their own date.
TEST_P(Documentos, NumerosDigitadosEntramPelaDataAntesDosDocumentosDoDia) {
  Carregar({{.id = 3081, .numero = "81", .emissao = "2024-03-05", .entrada_saida = "2024-03-05"},
            {.id = 3082, .numero = "82"}});
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({"Z8_DOCCANSPED": [
    {"ID": 8391, "IDF_FILIAL": 10, "REG": "C100", "DT_DOC": "2024-03-31", "NUM_DOC": "93",
     "COD_MOD": "55", "COD_SIT": "02", "SER": "1"},
    {"ID": 8392, "IDF_FILIAL": 10, "REG": "C100", "DT_DOC": "2024-03-10", "NUM_DOC": "92",
     "COD_MOD": "55", "COD_SIT": "02", "SER": "1"},
    {"ID": 8393, "IDF_FILIAL": 10, "REG": "C100", "DT_DOC": "2024-03-01", "NUM_DOC": "91",
     "COD_MOD": "55", "COD_SIT": "02", "SER": "1"}]})");
  const teste::TModuloOpcional modulo({"DoctoCancelSped"});
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Numeros(a), (std::vector<std::string>{"91", "81", "92", "82", "93"}));
}

TEST_P(Documentos, ParcelasDaoOIndicadorDePagamentoEAFatura) {
  Carregar(
      {TDocumentoTeste{.id = 3081, .numero = "81"},
       TDocumentoTeste{.id = 3082, .numero = "82", .vencimentos = {"2024-03-10"}},
       TDocumentoTeste{.id = 3083, .numero = "83", .vencimentos = {"2024-04-10", "2024-05-10"}}});
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_EQ(Campos(Documento(a, "81")[0])[12], "2");
  const auto a_vista = Documento(a, "82");
  EXPECT_EQ(Campos(a_vista[0])[12], "0");
  EXPECT_EQ(a_vista[1], "|C140|0|00||82|1|100|");
  EXPECT_EQ(a_vista[2], "|C141|1|10032024|100|");
  const auto a_prazo = Documento(a, "83");
  EXPECT_EQ(Campos(a_prazo[0])[12], "1");
  EXPECT_EQ(a_prazo[1], "|C140|0|00||83|2|100|");
  EXPECT_EQ(a_prazo[3], "|C141|2|10052024|50|");
}

TEST_P(Documentos, SerieDeTipoDesconhecidoParaAGeracaoSemGuardarNada) {
  Carregar({TDocumentoTeste{.id = 3091, .numero = "91"},
            TDocumentoTeste{.id = 3092, .serie = "X", .numero = "92"}});
  const std::string erro = teste::Mensagem<EErro>([this] { GerarMes(); });
  EXPECT_NE(erro.find("SerieDocto_Tipo"), std::string::npos) << erro;
  EXPECT_NE(erro.find("92"), std::string::npos) << erro;
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFDC100"), 0);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD0150"), 0);
}

TEST_P(Documentos, ChaveDasOcorrenciasSoQuandoOsDadosDoDocumentoNaoATem) {
  TDocumentoTeste sem_chave{
      .id = 3091, .tipo = "vendanfe", .serie = "2", .numero = "91", .situacao_nfe = "3"};
  TDocumentoTeste com_chave = sem_chave;
  com_chave.id = 3092;
  com_chave.numero = "92";
  com_chave.chave = "35240311222333000181550020000000921000000921";
  Carregar({sem_chave, com_chave});
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "Z8_OCODOCTO": [{"ID": 3093, "FD": "OcoDocumentoElet", "IDF_DOCUMENTO": 3091},
                    {"ID": 3094, "FD": "OcoDocumentoElet", "IDF_DOCUMENTO": 3092}],
    "Z8_OCODOCELET": [
      {"ID": 3093, "IDA": 3093, "CHAVEACESSO": "35240311222333000181550020000000911000000911"},
      {"ID": 3094, "IDA": 3094, "CHAVEACESSO": "35240311222333000181550020000000929999999999"}]})");
  // Without the ERP's occurrences the key is the document's own, or none.
  EXPECT_EQ(Campos(Documento(GerarMes(), "91")[0])[8], "");

  const teste::TModuloOpcional modulo({"OcoDocumentoElet"});
  const TArquivo a = GerarMes();
  EXPECT_EQ(Campos(Documento(a, "91")[0])[8], "35240311222333000181550020000000911000000911");
  EXPECT_EQ(Campos(Documento(a, "92")[0])[8], com_chave.chave);
}

TEST_P(Documentos, FilialQuePrecificaPeloBrutoDaAoItemSeusPropriosDescontos) {
  Carregar({TDocumentoTeste{.id = 3095, .numero = "95"}});
  sessao_->GetBD().Executar(
      "UPDATE Z8_DOCTOITEM SET VALDESCONTO = 5, VALDESCPROP = 7, VALFUNRURALPROP = 1, "
      "VALDESCSIMPNAC = 0.5 WHERE ID = 5000");
  sessao_->GetBD().Confirmar();
  auto desconto = [this] { return Campos(Linhas(GerarMes(), "C170").at(0))[7]; };
  EXPECT_EQ(desconto(), "7");  // its share of the document's discount

  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "Z8_PARAMFIL": [{"ID": 3096, "FD": "ParamFilialGeral", "IDF_FILIAL": 10,
                     "DATAINICIAL": "2024-01-01", "SITUACAO": "1"}],
    "Z8_PARFILGER": [{"ID": 3096, "IDA": 3096, "PRIOVLRUNIT": "2"}]})");
  EXPECT_EQ(desconto(), "6,5");
}

INSTANTIATE_TEST_SUITE_P(Motores, Documentos, ::testing::ValuesIn(MotoresDeTeste()));

// The code tables of the documents, without a database.
TEST(RegrasDosDocumentos, FreteSegueATabelaDoPeriodo) {
  const TDateTime de2011 = TDateTime::EncodeDate(2011, 6, 1),
                  de2015 = TDateTime::EncodeDate(2015, 6, 1),
                  de2024 = TDateTime::EncodeDate(2024, 3, 1);
  struct {
    const char* letra;
    const char* operacao;
    TDateTime inicio;
    const char* indicador;
  } casos[] = {{"A", "1", de2011, "0"}, {"A", "1", de2015, "2"}, {"C", "1", de2015, "0"},
               {"C", "1", de2024, "3"}, {"D", "0", de2024, "4"}, {"F", "0", de2024, "1"},
               {"F", "1", de2024, "0"}, {"T", "1", de2024, "1"}, {"T", "0", de2011, "1"},
               {"F", "0", de2011, "2"}, {"B", "1", de2011, "9"}, {"", "1", de2024, "1"},
               {"Z", "0", de2024, "1"}};
  for (const auto& c : casos)
    EXPECT_EQ(Th5RegistroEFDC100::RetornarIndicadorFrete(c.letra, c.operacao, c.inicio),
              c.indicador)
        << c.letra << " " << c.operacao << " " << c.inicio.Ano();
}

TEST(RegrasDosDocumentos, CodigosDeSituacaoTributaria) {
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribIPI("0"), "99");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribIPI("G"), "49");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribIPI("N"), "55");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribIPI("K"), "");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribIPI("1"), "");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS("1"), "67");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS("E"), "06");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS("I"), "05");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS("K"), "50");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS("Z"), "99");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS("0"), "");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarIndicadorMedicao("F"), "5");
  EXPECT_EQ(Th5RegistroEFDC100::RetornarIndicadorMedicao("G"), "");
}

TEST(RegrasDosDocumentos, OperacaoEmitentePagamento) {
  EXPECT_EQ(Th5RegistroEFDC100::OperacaoDoCodigoInterno(13), "0");
  EXPECT_EQ(Th5RegistroEFDC100::OperacaoDoCodigoInterno(512), "0");
  EXPECT_EQ(Th5RegistroEFDC100::OperacaoDoCodigoInterno(121), "1");
  EXPECT_EQ(Th5RegistroEFDC100::IndicadorEmitente("1", ""), "0");
  EXPECT_EQ(Th5RegistroEFDC100::IndicadorEmitente("2", ""), "1");
  EXPECT_EQ(Th5RegistroEFDC100::IndicadorEmitente("p", ""), "0");
  EXPECT_EQ(Th5RegistroEFDC100::IndicadorEmitente("T", ""), "1");
  EXPECT_THROW(Th5RegistroEFDC100::IndicadorEmitente("", "documento 1"), EErro);
  EXPECT_EQ(Th5RegistroEFDC100::IndicadorPagamento(0, false, TDateTime::EncodeDate(2012, 6, 1)),
            "9");
  EXPECT_EQ(Th5RegistroEFDC100::IndicadorPagamento(0, false, TDateTime::EncodeDate(2012, 7, 1)),
            "2");
  EXPECT_EQ(Th5RegistroEFDC100::SituacaoDocumento("1", "05", 1, false, "1"), "05");
  EXPECT_EQ(Th5RegistroEFDC100::SituacaoDocumento("1", "04", 1, false, "1"), "04");
  EXPECT_EQ(Th5RegistroEFDC100::SituacaoDocumento("0", "3", 410, false, "1"), "06");
  EXPECT_EQ(Th5RegistroEFDC100::SituacaoDocumento("0", "3", 1, true, "1"), "08");
  EXPECT_EQ(Th5RegistroEFDC100::SituacaoDocumento("1", "5", 1, false, "899"), "08");
}

}  // namespace
}  // namespace efd::teste
