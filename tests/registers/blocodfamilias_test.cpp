// Block D: the services of communication bills and invoices classed by
// their families — the D510 class of the family, the ICMS class of the
// family's tax rule in the generation's branch — on every engine.
#include "tests/registers/blocod_teste.h"

namespace efd::teste {
namespace {

// Telephony (class 0301) has a rule only in another branch (11); data
// services, without a class, have one there too, of the lowest identifier,
// and two in branch 10, of classes 40 (the lower) and 00. A third service
// has no family.
constexpr const char* kFamiliasDeServicos = R"({
  "Z8_FILIAL": [{"ID": 11, "IDF_EMPRESA": 1, "CODIGO": "2", "NOME": "Filial", "IDF_PAPELREL": 7}],
  "Z8_FAMSERVICO": [{"ID": 7801, "CODIGO": "TEL", "NOME": "Telefonia", "CODCLASSPEDD510": "0301"},
                    {"ID": 7802, "CODIGO": "DADOS", "NOME": "Dados"}],
  "Z8_SERVICO": [{"ID": 2502, "IDF_EMPRESA": 1, "CODIGO": "NET", "NOME": "Internet",
                  "IDF_FAMSERVICO": 7802},
                 {"ID": 2503, "IDF_EMPRESA": 1, "CODIGO": "AVULSO", "NOME": "Avulso"}],
  "Z8_TRIBSERV": [{"ID": 7811, "CODIGO": "OUTRAS", "CODCLATRI": "90"},
                  {"ID": 7812, "CODIGO": "ISENTA", "CODCLATRI": "40"},
                  {"ID": 7813, "CODIGO": "TRIBUTADA", "CODCLATRI": "00"}],
  "Z8_TRIBFAMSER": [{"ID": 7821, "IDF_TRIBSERV": 7811, "IDF_FAMSERVICO": 7801, "IDF_FILIAL": 11},
                    {"ID": 7822, "IDF_TRIBSERV": 7811, "IDF_FAMSERVICO": 7802, "IDF_FILIAL": 11},
                    {"ID": 7823, "IDF_TRIBSERV": 7813, "IDF_FAMSERVICO": 7802, "IDF_FILIAL": 10},
                    {"ID": 7824, "IDF_TRIBSERV": 7812, "IDF_FAMSERVICO": 7802, "IDF_FILIAL": 10}]
})";

class BlocoDFamilias : public TBlocoD {
 protected:
  void SetUp() override {
    TBlocoD::SetUp();
    if (IsSkipped()) return;
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFamiliasDeServicos);
    sessao_->ExecutarDiretoNoBD("UPDATE Z8_SERVICO SET IDF_FAMSERVICO = 7801 WHERE ID = 2501");
  }

  // A bill of the document type given, of services only: telephony of
  // class 00 and without a class, data without a class and of class 20,
  // and the service without family.
  static TDocumentoD Servicos(int tipo, const std::string& numero) {
    TDocumentoD d{.id = 3001,
                  .tipo = tipo,
                  .serie = 1202,
                  .numero = numero,
                  .participante = 302,
                  .emissao = "2024-03-05",
                  .entrada = "2024-03-06"};
    d.itens = {};
    d.servicos = {
        TItemD{.cfop = 2403, .valor = 60, .aliquota = 25, .seq = 1},
        TItemD{.cfop = 2403, .tributacao = "", .valor = 10, .aliquota = 0, .seq = 2},
        TItemD{
            .cfop = 2403, .tributacao = "", .valor = 40, .aliquota = 0, .seq = 3, .servico = 2502},
        TItemD{.cfop = 2403,
               .tributacao = "20",
               .valor = 20,
               .aliquota = 25,
               .outras = 8,
               .seq = 4,
               .servico = 2502},
        TItemD{
            .cfop = 2403, .tributacao = "", .valor = 5, .aliquota = 0, .seq = 5, .servico = 2503}};
    return d;
  }
};

TEST_P(BlocoDFamilias, ContaDeComunicacaoClassificaOsServicosPelaFamiliaEPelaRegraDaFilial) {
  Carregar({Servicos(2107, "60")});
  std::vector<std::string> itens, totais;
  for (const auto& l : LinhasD(GerarD())) {
    const auto c = Campos(l);
    if (c[0] == "D510") itens.push_back(c[2] + " " + c[3] + " " + c[8]);
    if (l.starts_with("|D590|")) totais.push_back(l);
  }
  // Item, class, CST: telephony is of its family's class; data, whose
  // family has none, of the class of services. Without a class of its own
  // a data service takes the lowest of the branch's rules of its family
  // (not the other branch's, lower still); telephony, whose family has a
  // rule only in the other branch, and the service without a family are of
  // class 0.
  EXPECT_EQ(itens, (std::vector<std::string>{"STELEF 0301 000", "STELEF 0301 000", "SNET 0601 040",
                                             "SNET 0601 020", "SAVULSO 0601 000"}));
  EXPECT_EQ(totais, (std::vector<std::string>{
                        "|D590|000|1303|25|60|60|15|0|0|0||", "|D590|000|1303|0|15|0|0|0|0|0||",
                        "|D590|040|1303|0|40|0|0|0|0|0||", "|D590|020|1303|25|20|12|3|0|0|8||"}));
}

TEST_P(BlocoDFamilias, NotaEletronicaTotalizaSoOsServicosComClasseDaRegraDaFilial) {
  TDocumentoD nfcom = Servicos(2108, "56001");
  nfcom.chave = Chave("62", 1, 56001);
  Carregar({nfcom});
  const auto d = LinhasD(GerarD());
  ASSERT_EQ(d.size(), 6u);
  // The data service without a class of its own is of its branch's rule;
  // the telephony without one (its family's rule is another branch's) and
  // the service without a family count in nothing: ICMS 15 + 3, PIS and
  // COFINS of 60 + 40 + 20.
  EXPECT_TRUE(
      d[1].starts_with("|D700|0|1|0000004502|62|00|2|000056001|05032024|06032024|135|0|"
                       "135|0|0|0|72|18||1,98|9,12|"))
      << d[1];
  EXPECT_EQ(
      std::vector<std::string>(d.begin() + 2, d.end() - 1),
      (std::vector<std::string>{"|D730|000|1303|25|60|60|15|0||", "|D730|040|1303|0|40|0|0|0||",
                                "|D730|020|1303|25|20|12|3|0||"}));
}

INSTANTIATE_TEST_SUITE_P(Motores, BlocoDFamilias, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
