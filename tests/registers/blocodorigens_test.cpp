// Block D: where the documents' values and complements come from — the
// fiscal books, the types parameterised as transport, the invoices a
// freight carried, the classes of the communication items — and the
// complements written from rows stored outside, on every engine.
#include "control/linhasregistros.h"
#include "registers/blockD/uh5registroefdd100.h"
#include "registers/blockD/uh5registroefdd500.h"
#include "tests/registers/blocod_teste.h"

namespace efd::teste {
namespace {

using BlocoDOrigens = TBlocoD;

// The fields of the first line of a register.
std::vector<std::string> Primeira(const std::vector<std::string>& bloco,
                                  const std::string& registro) {
  for (const auto& l : bloco)
    if (l.starts_with("|" + registro + "|")) return Dividir(l.substr(1, l.size() - 2), '|');
  ADD_FAILURE() << "sem " << registro;
  return {};
}

TEST_P(BlocoDOrigens, OsValoresVemDoRegistroNoLivroQuandoHa) {
  TDocumentoD conta = ContaDeComunicacao();
  conta.livro = {130, 20, 7, 3};
  TDocumentoD nfcom = conta;
  nfcom.id = 3002, nfcom.tipo = 2108, nfcom.numero = "51", nfcom.livro = {120, 20, 0, 2};
  TDocumentoD do_livro{.id = 3003, .numero = "15", .livro = {180, 0, 0, 0}};
  TDocumentoD sem_livro{.id = 3004, .numero = "16"};
  Carregar({conta, nfcom, do_livro, sem_livro});
  const auto d = LinhasD(GerarD());

  // Document, discount, service, not taxed, third parties, expenses.
  const auto d500 = Primeira(d, "D500");
  EXPECT_EQ(std::vector<std::string>(d500.begin() + 11, d500.begin() + 17),
            (std::vector<std::string>{"130", "0", "130", "20", "7", "3"}));
  const auto d700 = Primeira(d, "D700");
  EXPECT_EQ(std::vector<std::string>(d700.begin() + 10, d700.begin() + 16),
            (std::vector<std::string>{"120", "0", "120", "20", "0", "2"}));
  // A transport document's value and service; without a record in the
  // books, its own total.
  auto valores = [&d](const std::string& numero) {
    const auto c = Campos(Documento(d, numero).at(0));
    return std::make_pair(c[14], c[17]);
  };
  EXPECT_EQ(valores("000000015"), std::make_pair(std::string("180"), std::string("180")));
  EXPECT_EQ(valores("000000016"), std::make_pair(std::string("100"), std::string("100")));
}

TEST_P(BlocoDOrigens, SoOsTiposParametrizadosComoTransporteOuDoPadraoDeFrete) {
  const TDocumentoD sem_parametro{
      .id = 3001, .tipo = 2121, .serie = 1202, .numero = "31", .participante = 302};
  const TDocumentoD padrao_de_frete{
      .id = 3002, .tipo = 2122, .serie = 1202, .numero = "32", .participante = 302};
  const TDocumentoD despesa_fiscal{
      .id = 3003, .tipo = 2102, .serie = 1202, .numero = "33", .participante = 302};
  Carregar({sem_parametro, padrao_de_frete, despesa_fiscal});
  const auto d = LinhasD(GerarD());
  EXPECT_TRUE(Documento(d, "000000031").empty());
  ASSERT_FALSE(Documento(d, "000000032").empty());
  EXPECT_EQ(Campos(Documento(d, "000000032")[0])[1], "0");  // contracted
  EXPECT_FALSE(Documento(d, "000000033").empty());
}

// Campinas, where supplier 303 is, and Santos, where a purchase and a
// customer take their deliveries; the branch is in São Paulo.
constexpr const char* kOutrasCidades = R"({
  "KLVG_CID": [{"ID": 2, "NOME": "Campinas", "GEOCODIGO": "3509502", "IDF_UF": 1},
               {"ID": 3, "NOME": "Santos", "GEOCODIGO": "3548500", "IDF_UF": 1}],
  "KLVG_ENDER": [{"ID": 2, "CEP": "13010-000", "LOGRADOURO": "Rua Barão", "BAIRRO": "Centro", "IDF_CID": 2},
                 {"ID": 3, "CEP": "11010-000", "LOGRADOURO": "Rua do Porto", "BAIRRO": "Centro", "IDF_CID": 3}],
  "KLVG_IDENT": [{"ID": 303, "FD": "Identificacao", "CODIGO": "4503", "NOME": "Fornecedor de Campinas",
                  "CPFCNPJ": "77888999000155", "INSCRICAOEST": "244555666777", "IDF_ENDER": 2,
                  "NUMERO": "30", "IDF_PAIS": 1}],
  "Z8_LOCALENT": [{"ID": 7901, "NOME": "Armazém do porto", "IDF_ENDER": 3}],
  "Z8_LOCENTCLI": [{"ID": 7904, "IDF_IDENT": 301, "IDF_ENDER": 3}]
})";
// A purchase delivered in Santos, and a freight bill's two notes.
constexpr const char* kEntregaENotas = R"({
  "Z8_PARTEDOCTO": [{"ID": 7902, "FD": "DadosEntCompras", "IDF_DOCTO": 3020}],
  "Z8_ENTREGACOM": [{"ID": 7902, "IDA": 7902}],
  "Z8_LOCENTCOMP": [{"ID": 7903, "IDF_ENTREGACOM": 7902, "IDF_LOCALENT": 7901}],
  "Z8_NOTASCFRET": [{"ID": 7911, "IDF_PARDCCOFRE": 3012, "NRODOCTOTERC": "7001"},
                    {"ID": 7912, "IDF_PARDCCOFRE": 3012, "NRODOCTOTERC": "7002"}]
})";

TEST_P(BlocoDOrigens, MunicipiosDoFreteDaNotaTransportadaEDoSeuLocalDeEntrega) {
  auto nota = [](int id, int participante) {
    return TDocumentoD{.id = id,
                       .tipo = 2109,
                       .serie = 1202,
                       .numero = std::to_string(id),
                       .participante = participante};
  };
  const TDocumentoD entrada = nota(3010, 301);
  TFreteD nomeada{.id = 3011, .documento = 3010, .numero = "901", .transportado = 3020};
  TFreteD por_notas{.id = 3012, .documento = 3010, .numero = "902"};
  TFreteD sem_nota{.id = 3013, .documento = 3010, .numero = "903"};
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kOutrasCidades);
  Carregar({entrada, nota(3020, 303), nota(3021, 301), nota(3022, 303)},
           {nomeada, por_notas, sem_nota});
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kEntregaENotas);
  // The older note's invoice was delivered to a customer in Santos; the
  // newest note's, numbered among others, to nobody in particular.
  sessao_->ExecutarDiretoNoBD(
      "UPDATE Z8_DOCTO SET DOCTODIGITADO = 'NF 7001', IDF_LOCENTCLI = 7904 WHERE ID = 3021");
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_DOCTO SET DOCTODIGITADO = '7002/1' WHERE ID = 3022");

  const auto d = LinhasD(GerarD());
  auto municipios = [&d](const std::string& numero) {
    const auto c = Campos(Documento(d, numero).at(0));
    return c[23] + ">" + c[24];
  };
  EXPECT_EQ(municipios("000000901"), "3509502>3548500");
  EXPECT_EQ(municipios("000000902"), "3509502>3550308");
  EXPECT_EQ(municipios("000000903"), "3550308>3550308");

  // Before 2018 a freight's line has no municipalities.
  Carregar({}, {TFreteD{.id = 3014,
                        .documento = 3010,
                        .numero = "904",
                        .emissao = "2017-12-04",
                        .entrada = "2017-12-05"}});
  const auto dezembro = Documento(LinhasD(GerarD(2017, 12)), "000000904");
  ASSERT_FALSE(dezembro.empty());
  EXPECT_EQ(Campos(dezembro[0]).size(), 23u);
}

TEST_P(BlocoDOrigens, AClasseDosItensDeComunicacaoVemDaFamiliaDoProduto) {
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(
      R"({"Z8_FAMILIA": [{"ID": 7950, "CODIGO": "TEL", "NOME": "Telefonia", "TIPOITEM": "J",
                          "CODCLASSPEDD510": "0104"}]})");
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PROD SET IDF_FAMILIA = 7950 WHERE ID = 70");
  TDocumentoD conta{.id = 3001, .tipo = 2106, .serie = 1202, .numero = "50", .participante = 302};
  conta.itens = {TItemD{.cfop = 2403, .valor = 100, .aliquota = 25}};
  Carregar({conta});
  EXPECT_EQ(Primeira(LinhasD(GerarD()), "D510")[3], "0104");
}

// The complements the ERP's components store under the generated rows are
// written under their documents, in the layout's order.
TEST_P(BlocoDOrigens, ComplementosGravadosForaSobSeusDocumentos) {
  TDocumentoD modelo07{.id = 3001, .tipo = 2104, .numero = "22"};
  TDocumentoD conta{.id = 3002, .tipo = 2106, .serie = 1202, .numero = "50", .participante = 302};
  conta.itens = {TItemD{.cfop = 2403, .valor = 100, .aliquota = 25}};
  Carregar({modelo07, conta});
  const TArquivo a = GerarD();
  const int bloco = Contar(fmt::format(
      "SELECT ID FROM Z8_BLOCOSEFD WHERE IDF_EFD = {} AND NOMEBLOCO = 'Bloco D'", a.id_efd));
  auto id = [&](const std::string& codigo) {
    return sessao_
        ->Consultar("SELECT MIN(A.ID) FROM Z8_REGEFD" + codigo +
                        " A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA WHERE B.IDF_BLOCOSEFD = :B",
                    {{"B", bloco}})
        .linhas.at(0)
        .at(0)
        .AsInt64();
  };
  auto inserir = [&](const std::string& codigo, std::vector<std::string> campos,
                     const std::vector<TVariant>& valores) {
    return TxbInsercaoRegistro(*sessao_, codigo, std::move(campos))
        .Inserir(bloco, IdTipoRegistro(*sessao_, bloco, codigo), valores);
  };
  const int64_t d100 = id("D100"), d500 = id("D500");
  const int64_t d160 = inserir("D160",
                               {"IDF_RegEFDD100", "Despacho", "CNPJCPF", "IERem", "CodMunOrig",
                                "CNPJCPFDest", "IEDest", "CodMunDest"},
                               {d100, "D-1", "11222333000181", "123456789", "3550308",
                                "44555666000172", "111222333444", "3509502"});
  inserir("D162",
          {"IDF_RegREFD160", "CodModelo", "Serie", "NroDocto", "DataEmi", "ValTotDocto", "ValMerc",
           "QtdeVol", "PesoBruto", "PesoLiquido"},
          {d160, "55", "1", "000001234", "09032024", 500.0, 450.0, 3.0, 120.5, 110.0});
  inserir("D120", {"IDF_RegEFDD100", "CodMunOri", "CodMunDest", "Veiculo", "UFVeiculo"},
          {d100, "3550308", "3509502", "ABC1D23", "SP"});
  inserir("D530",
          {"IDF_RegEFDD500", "IndServ", "DataInicio", "DataFim", "PeriodoFiscal", "CodArea",
           "Terminal"},
          {d500, "0", "01032024", "31032024", "032024", "11", "1133334444"});

  auto linhas = [](const std::string& texto) {
    std::vector<std::string> l;
    for (const auto& x : Dividir(texto, '\n'))
      if (!x.empty()) l.push_back(x.substr(0, x.size() - 1));
    return l;
  };
  auto transporte = Aplicacao().CriarComo<Th5RegistroEFDD100>("RegistroEFDD100", *sessao_);
  TxbObjetoTemporario liberar_transporte(transporte);
  auto comunicacao = Aplicacao().CriarComo<Th5RegistroEFDD500>("RegistroEFDD500", *sessao_);
  TxbObjetoTemporario liberar_comunicacao(comunicacao);
  const auto d = linhas(transporte->INTERNO_GerarArquivo(a.id_efd));
  const auto c = linhas(comunicacao->INTERNO_GerarArquivo(a.id_efd));
  EXPECT_EQ(std::vector<std::string>(d.begin() + 2, d.begin() + 6),
            (std::vector<std::string>{
                "|D110|1|P10001|100|0|", "|D120|3550308|3509502|ABC1D23|SP|",
                "|D160|D-1|11222333000181|123456789|3550308|44555666000172|111222333444|3509502|",
                "|D162|55|1|000001234|09032024|500|450|3|120,5|110|"}));
  const auto d530 =
      std::find(c.begin(), c.end(), "|D530|0|01032024|31032024|032024|11|1133334444|");
  ASSERT_NE(d530, c.end());
  EXPECT_TRUE((d530 - 1)->starts_with("|D510|"));
  EXPECT_TRUE((d530 + 1)->starts_with("|D590|"));
}

INSTANTIATE_TEST_SUITE_P(Motores, BlocoDOrigens, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
