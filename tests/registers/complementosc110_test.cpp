// What a goods document carries under its complementary texts: the
// documents it refers to (C113), the collection documents that paid its tax
// (C112), the coupons it was issued for (C114) and its delivery place
// (C115); and the batches of its medicine items (C173), on every engine.
#include "erp/erp.h"
#include "framework/xbaplicacao.h"
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

class ComplementosC110 : public TDocumentos {
 protected:
  // A sale on model 01 of branch 10; under it, one that refers to an NF-e twice by the same key and
  // to a model-1 invoice without one, names a GNRE, was issued for a coupon tied to it twice, and
  // was delivered at a person's place exempt from state registration.
  static TDocumentoTeste Venda(int id, const std::string& numero, const std::string& emissao,
                               const std::string& situacao_nf = "0") {
    return {.id = id,
            .numero = numero,
            .emissao = emissao,
            .entrada_saida = emissao,
            .situacao_nf = situacao_nf};
  }
  // What the sale id (loaded) carries; rows from id + 1 to id + 9.
  void Complementos(int id) {
    const std::string chave = "35240311222333000181550020000000771000000771";
    // The same NF-e, referred to by two parts.
    auto nfe = [&chave](int parte) {
      return nlohmann::json{{"ID", parte},      {"IDA", parte},     {"INDOPER", "1"},
                            {"INDEMIT", "0"},   {"IDF_IDENT", 201}, {"CODMODELO", "55"},
                            {"SERIE", "2"},     {"NRODOCTO", "77"}, {"DATAEMI", "2024-03-01"},
                            {"CHAVENFE", chave}};
    };
    nlohmann::json f = {{"Z8_PARTEDOCTO",
                         {{{"ID", id + 1}, {"FD", "DoctoReferenciado"}, {"IDF_DOCTO", id}},
                          {{"ID", id + 2}, {"FD", "DoctoReferenciado"}, {"IDF_DOCTO", id}},
                          {{"ID", id + 3}, {"FD", "DoctoReferenciado"}, {"IDF_DOCTO", id}},
                          {{"ID", id + 4}, {"FD", "ArrecadacaoReferenciada"}, {"IDF_DOCTO", id}},
                          {{"ID", id + 5}, {"FD", "CupomDocto"}, {"IDF_DOCTO", id}},
                          {{"ID", id + 6}, {"FD", "CupomDocto"}, {"IDF_DOCTO", id}}}},
                        {"Z8_DOCREFER",
                         {nfe(id + 1),
                          nfe(id + 2),
                          {{"ID", id + 3},
                           {"IDA", id + 3},
                           {"INDOPER", "0"},
                           {"INDEMIT", "1"},
                           {"IDF_IDENT", 202},
                           {"CODMODELO", "01"},
                           {"SERIE", "1"},
                           {"SUBSERIE", "2"},
                           {"NRODOCTO", "000123"},
                           {"DATAEMI", "2024-02-20"}}}},
                        {"Z8_ARRECREFER",
                         {{{"ID", id + 4},
                           {"IDA", id + 4},
                           {"CODMOD", "1"},
                           {"UF", "RJ"},
                           {"NRODOCTO", "GNRE-9|1"},
                           {"CODAUTBAN", "AUT123"},
                           {"VLRDOCTO", 12.5},
                           {"DATAVENCTO", "2024-03-15"},
                           {"DATAPAGTO", "2024-03-14"}}}},
                        {"Z8_DOCTO",
                         {{{"ID", id + 7},
                           {"FD", "DoctoCupFiscal"},
                           {"IDF_FILIAL", 10},
                           {"NRODOCTO", "4321"},
                           {"DATAEMI", "2024-03-09"},
                           {"SITUACAO", "1"},
                           {"SITUACAONF", "0"}}}},
                        {"Z8_CUPFISCAL",
                         {{{"ID", id + 7},
                           {"IDA", id + 7},
                           {"NUMSERIEECF", "BE0123456789"},
                           {"COOCUPOM", 4321},
                           {"SITUACAOCF", "0"}}}},
                        {"Z8_RDZ",
                         {{{"ID", id + 8},
                           {"IDF_FILIAL", 10},
                           {"DATAMOV", "2024-03-09"},
                           {"NRSERIEECF", "BE0123456789"},
                           {"NUMEROECF", "002"}}}},
                        {"Z8_CUPDOCTO",
                         {{{"ID", id + 5}, {"IDA", id + 5}, {"IDF_CUPFISCAL", id + 7}},
                          {{"ID", id + 6}, {"IDA", id + 6}, {"IDF_CUPFISCAL", id + 7}}}},
                        {"Z8_LOCENTCLI",
                         {{{"ID", id + 9},
                           {"IDF_IDENT", 201},
                           {"TRIBUTACAOLOCENTREGA", false},
                           {"CNPJ", "111.444.777-35"},
                           {"INSCEST", " isento "},
                           {"IDF_ENDER", 1}}}}};
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(f.dump());
    sessao_->GetBD().Executar(
        "UPDATE Z8_DOCTO SET OBSFISCAL = :OBS, IDF_LOCENTCLI = :LOCAL WHERE ID = :ID",
        {{"OBS", std::string("Referente às notas 77 e 123\r\ne ao cupom 4321")},
         {"LOCAL", id + 9},
         {"ID", id}});
    sessao_->GetBD().Confirmar();
  }
};

TEST_P(ComplementosC110, CadaComplementoFicaSobSeuTextoUmaVezNaOrdemDoLeiaute) {
  // The coupons count only where the ERP keeps them.
  const teste::TModuloOpcional cupons({"DoctoCupFiscal"});
  Carregar({Venda(3101, "101", "2024-03-10")});
  Complementos(3101);
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  const auto linhas = Documento(a, "101");
  ASSERT_GE(linhas.size(), 9u);
  EXPECT_EQ(linhas[1], Latin1("|C110|1|Referente às notas 77 e 123 e ao cupom 4321|"));
  // The same key twice is one reference; a printed invoice has no key.
  EXPECT_EQ(linhas[2],
            "|C113|1|0|300201|55|2||77|01032024|35240311222333000181550020000000771000000771|");
  EXPECT_EQ(linhas[3], "|C113|0|1|300202|01|1|2|123|20022024||");
  EXPECT_EQ(linhas[4], "|C114|2D|BE0123456789|002|4321|09032024|");
  EXPECT_TRUE(linhas[5].starts_with("|C110|2|Documento de Arrecada"));
  EXPECT_EQ(linhas[6], "|C112|1|RJ|GNRE-9 1|AUT123|12,5|15032024|14032024|");
  EXPECT_EQ(linhas[7], "|C110|3|Local de Entrega|");
  // A person's place: CPF, and no registration where it is exempt.
  EXPECT_EQ(linhas[8], "|C115||||||||11144477735|3550308|");
  EXPECT_TRUE(linhas[9].starts_with("|C170|"));
  EXPECT_EQ(Linhas(a, "0450").size(), 3u);
  // The participants the references name are declared.
  EXPECT_EQ(Linhas(a, "0150").size(), 2u);
}

TEST_P(ComplementosC110, ChaveDoReferenciadoDesde2016ECanceladoSemComplementos) {
  // The coupons count only where the ERP keeps them.
  const teste::TModuloOpcional cupons({"DoctoCupFiscal"});
  Carregar({Venda(3201, "201", "2015-12-10"), Venda(3301, "301", "2016-01-10"),
            Venda(3401, "401", "2016-01-11", "1")});
  for (int id : {3201, 3301, 3401}) Complementos(id);
  const TArquivo antes = GerarMes(2015, 12);
  EXPECT_TRUE(antes.problemas.empty());
  ASSERT_EQ(Linhas(antes, "C113").size(), 2u);
  EXPECT_EQ(Campos(Linhas(antes, "C113")[0]).size(), 9u);

  const TArquivo depois = GerarMes(2016, 1);
  EXPECT_TRUE(depois.problemas.empty());
  ASSERT_EQ(Linhas(depois, "C113").size(), 2u);
  EXPECT_EQ(Campos(Linhas(depois, "C113")[0]).size(), 10u);
  // A cancelled document keeps none of them.
  EXPECT_EQ(Documento(depois, "401").size(), 1u);
}

TEST_P(ComplementosC110, CuponsSoQuandoOErpOsGuardaEEletronicaSemLocalDeEntrega) {
  TDocumentoTeste nfe{.id = 3601, .tipo = "vendanfe", .serie = "2", .numero = "601"};
  Carregar({Venda(3501, "501", "2024-03-10"), nfe});
  Complementos(3501);
  sessao_->GetBD().Executar("UPDATE Z8_DOCTO SET IDF_LOCENTCLI = 3510 WHERE ID = 3601");
  sessao_->GetBD().Confirmar();
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  EXPECT_TRUE(Linhas(a, "C114").empty());
  EXPECT_EQ(Linhas(a, "C113").size(), 2u);
  // The NF-e names its delivery place itself.
  EXPECT_EQ(Linhas(a, "C115").size(), 1u);
}

TEST_P(ComplementosC110, LotesDoMedicamentoSobOItemQuandoOErpGuardaLotes) {
  TDocumentoTeste compra{
      .id = 3701, .tipo = "compranfe", .serie = "3", .numero = "701", .participante = 202};
  compra.itens[0].cfop = "1.102";
  compra.itens[0].quantidade = 30;
  Carregar({compra});
  const std::string lotes = R"({
    "Z8_LOTE": [{"ID": 3702, "IDF_PROD": 70, "CODLOTE": "L-01|A", "DTAFABRICACAO": "2024-01-05",
                 "VALIDADE": "2025-12-31", "INDMEDICAO": "B", "TIPOPROD": "2", "VALORPMC": 12.5},
                {"ID": 3703, "IDF_PROD": 70, "CODLOTE": "L-02", "DTAFABRICACAO": "2024-02-01",
                 "VALIDADE": "2026-01-31", "INDMEDICAO": "A", "TIPOPROD": "1", "VALORPMC": 11}],
    "Z8_ITEMLOTE": [{"ID": 3704, "IDF_DOCTOITEM": 5000, "IDF_LOTE": 3702, "QTDE": 20},
                    {"ID": 3705, "IDF_DOCTOITEM": 5000, "IDF_LOTE": 3703, "QTDE": 10}]})";
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(lotes);
  // Without the ERP's batches there is nothing to tell.
  EXPECT_TRUE(Linhas(GerarMes(), "C173").empty());

  const teste::TModuloOpcional modulo({"Lote"});
  const TArquivo a = GerarMes();
  EXPECT_TRUE(a.problemas.empty());
  const auto linhas = Documento(a, "701");
  ASSERT_GE(linhas.size(), 4u);
  EXPECT_TRUE(linhas[1].starts_with("|C170|1|"));
  EXPECT_EQ(linhas[2], "|C173|L-01 A|20|05012024|31122025|1|2|12,5|");
  EXPECT_EQ(linhas[3], "|C173|L-02|10|01022024|31012026|0|1|11|");
}

INSTANTIATE_TEST_SUITE_P(Motores, ComplementosC110, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
