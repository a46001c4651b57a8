// What a branch's own settings add to its goods documents: a Santa
// Catarina branch's fixed notes and adjustment codes (0460, C195, C197),
// and items booked on their financial account (C170 with 0500), on every
// engine.
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

class NotasDaFilial : public TDocumentos {
 protected:
  static std::vector<std::string> Linhas(const TArquivo& a, const std::string& codigo) {
    std::vector<std::string> r;
    for (const auto& l : a.linhas)
      if (l.starts_with("|" + codigo + "|")) r.push_back(l);
    return r;
  }
  static TItemTeste Item(int produto, int seq, const std::string& tributacao, double aliquota) {
    TItemTeste i;
    i.produto = produto;
    i.seq = seq;
    i.tributacao = tributacao;
    i.aliquota = aliquota;
    return i;
  }
};

TEST_P(NotasDaFilial, SantaCatarinaNotaSaidasComSTInterestadualEItensIsentos) {
  if (IsSkipped()) return;
  // Items 5000 to 5003 of the sale; 5004 bought.
  TDocumentoTeste venda{.id = 1, .numero = "1"};
  venda.itens = {Item(70, 1, "10", 18), Item(71, 2, "00", 18), Item(72, 3, "40", 0),
                 Item(70, 4, "00", 18)};
  TDocumentoTeste compra{
      .id = 2, .tipo = "compranfe", .serie = "3", .numero = "2", .participante = 202};
  compra.itens[0].cfop = "1.102";
  Carregar({venda, compra});
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "Z8_CLATRIBUT": [{"ID": 9001, "CODIGO": "40"}],
    "Z8_CODFISOPE": [{"ID": 9002, "CODIGO": "6.404", "NOME": "Venda com ST já retido"}],
    "Z8_TABAJVPRDF": [{"ID": 9003, "CODAJUSTE": "SC10000034", "DESCRICAO": "Crédito presumido"}],
    "Z8_AJTRIBITDO": [{"ID": 9004, "IDF_TRIBITEM": 5004, "IDF_TABAJVPRDF": 9003,
                       "TIPOAJUSTE": "1", "BASE": 100, "ALIQUOTA": 7, "VALOR": 7}]})");
  TpbBD& bd = sessao_->GetBD();
  bd.Executar("UPDATE Z8_DOCTOITEM SET IDF_CFOP = 9002 WHERE ID IN (5000, 5001)");
  bd.Executar("UPDATE Z8_TRIITEMPRO SET IDF_CLATRIBICMS = 9001 WHERE ID = 5002");
  bd.Confirmar();

  // In São Paulo: the adjustment as the ERP codes it, no notes.
  TArquivo a = GerarMes();
  EXPECT_TRUE(Linhas(a, "0460").size() == 1 && Linhas(a, "C197").size() == 1);
  EXPECT_TRUE(Linhas(a, "C197")[0].starts_with("|C197|SC10000034|"));

  bd.Executar("UPDATE KLVG_UF SET SIGLA = 'SC' WHERE ID = 1");
  bd.Confirmar();
  a = GerarMes();
  ASSERT_TRUE(a.problemas.empty()) << a.problemas[0];
  const auto notas = Linhas(a, "0460");
  EXPECT_NE(std::find(notas.begin(), notas.end(), "|0460|199999|ICMS|"), notas.end());
  EXPECT_NE(std::find(notas.begin(), notas.end(), "|0460|900001|Isento Nao Tributada|"),
            notas.end());
  // The interstate ST outputs under one note, by their taxation; the exempt
  // item under the other; the fourth item (5.102) under none.
  const auto venda_linhas = Documento(a, "1");
  const std::vector<std::string> observacoes(
      std::find_if(venda_linhas.begin(), venda_linhas.end(),
                   [](const auto& l) { return l.starts_with("|C195|"); }),
      venda_linhas.end());
  EXPECT_EQ(observacoes, (std::vector<std::string>{
                             "|C195|199999|ICMS|",
                             "|C197|SC10000051||P10001|100|18|18|0|",
                             "|C197|SC10000036||P10002|100|18|18|0|",
                             "|C195|900001|Isento Nao Tributada|",
                             "|C197|SC90000001||P20001|0|0|0|0|",
                         }));
  // From June 2022 the presumed credit of an entry inside the state has a
  // code of its own.
  const auto entrada = Documento(a, "2");
  ASSERT_EQ(entrada.size(), 5u);
  EXPECT_TRUE(entrada[4].starts_with("|C197|SC10000100|Cr")) << entrada[4];
  EXPECT_TRUE(entrada[4].ends_with("|P10001|100|7|7|0|")) << entrada[4];
}

TEST_P(NotasDaFilial, ItemNaContaFinanceiraDeclaradaUmaVezEm0500) {
  if (IsSkipped()) return;
  TDocumentoTeste outra{.id = 2, .numero = "2"};
  Carregar({TDocumentoTeste{.id = 1, .numero = "1"}, outra});
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "KLVG_CLASSE": [{"ID": 9101, "FD": "ContaFinanceira", "CODIGO": "3.1.05",
                     "NOME": "Receita de vendas"}],
    "Z8_CTAFINAN": [{"ID": 9101, "IDA": 9101, "TIPO": "R"}],
    "Z8_PARAMFIL": [{"ID": 9102, "FD": "ParamFilialGeral", "IDF_FILIAL": 10,
                     "DATAINICIAL": "2024-01-01", "SITUACAO": "1"}],
    "Z8_PARFILGER": [{"ID": 9102, "IDA": 9102, "GRCTACBLCTAFINITLANC": true}]})");
  sessao_->GetBD().Executar("UPDATE Z8_DOCTOITEM SET IDF_CONTAFIN = 9101 WHERE ID = 5000");
  sessao_->GetBD().Executar("UPDATE Z8_DOCTOITEM SET IDF_CONTAFIN = 9101 WHERE ID = 5001");
  sessao_->GetBD().Confirmar();
  const TArquivo a = GerarMes();
  ASSERT_TRUE(a.problemas.empty()) << a.problemas[0];
  for (const std::string numero : {"1", "2"}) {
    const auto documento = Documento(a, numero);
    ASSERT_GE(documento.size(), 2u);
    EXPECT_EQ(Campos(documento[1])[36], "3.1.05") << documento[1];
  }
  EXPECT_EQ(Linhas(a, "0500"),
            (std::vector<std::string>{"|0500|01032024|04|A|3|3.1.05|Receita de vendas|"}));
}

INSTANTIATE_TEST_SUITE_P(Motores, NotasDaFilial, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
