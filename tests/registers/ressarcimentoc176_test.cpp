// The ICMS-ST refund of an output item on its product's last entry (C176):
// which entry, its values per unit, who withheld the tax and the line by
// layout year, on every engine.
#include "tests/registers/documentos_teste.h"

namespace efd::teste {
namespace {

class Ressarcimento : public TDocumentos {
 protected:
  // The item of a document (its first).
  int Item(int documento) {
    return static_cast<int>(sessao_->GetBD()
                                .Consultar("SELECT I.ID FROM Z8_DOCTOITEM I INNER JOIN "
                                           "Z8_PARTEDOCTO P ON P.ID = I.IDA WHERE P.IDF_DOCTO = " +
                                           std::to_string(documento))
                                .linhas.at(0)[0]
                                .AsInt64());
  }
  // A purchase of the product on that day, of 100.00 for 3 units with ICMS
  // of 12% and ICMS-ST of 18% on 140.00.
  TDocumentoTeste Compra(int id, int produto, const std::string& dia) {
    TDocumentoTeste c;
    c.id = id;
    c.tipo = "compranfe";
    c.serie = "3";
    c.numero = std::to_string(id);
    c.participante = 202;
    c.emissao = c.entrada_saida = dia;
    c.itens[0].produto = produto;
    c.itens[0].cfop = "1.102";
    c.itens[0].quantidade = 3;
    c.itens[0].aliquota = 12;
    c.itens[0].st = 13.2;
    return c;
  }
  // The branch's last purchases: product, day, purchase document.
  void UltimasCompras(const std::vector<std::tuple<int, std::string, int>>& compras) {
    nlohmann::json f;
    int id = 9000;
    for (const auto& [produto, dia, documento] : compras)
      f["Z8_ULTCOMPRAS"].push_back({{"ID", id++},
                                    {"IDF_FILIAL", 10},
                                    {"IDF_PROD", produto},
                                    {"DATAENTRADA", dia},
                                    {"IDF_DOCTOITEM", Item(documento)}});
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(f.dump());
  }
  static TDocumentoTeste Venda(int id, const std::string& emissao, std::vector<int> produtos,
                               const std::string& cfop = "6.108") {
    TDocumentoTeste v;
    v.id = id;
    v.numero = std::to_string(id);
    v.emissao = v.entrada_saida = emissao;
    v.itens.clear();
    for (size_t i = 0; i < produtos.size(); ++i) {
      TItemTeste item;
      item.produto = produtos[i];
      item.seq = static_cast<int>(i + 1);
      item.cfop = cfop;
      v.itens.push_back(item);
    }
    return v;
  }
  static std::vector<std::vector<std::string>> Linhas(const std::vector<std::string>& documento,
                                                      const std::string& codigo) {
    std::vector<std::vector<std::string>> r;
    for (const auto& l : documento)
      if (l.starts_with("|" + codigo + "|")) r.push_back(Campos(l));
    return r;
  }
};

TEST_P(Ressarcimento, UltimaEntradaAntesDaSaidaPorUnidadeEQuemReteveOImposto) {
  if (IsSkipped()) return;
  Carregar({Venda(1, "2024-03-10", {70, 71, 72, 74}), Venda(2, "2024-03-11", {70}, "5.102"),
            Compra(11, 70, "2024-01-05"), Compra(12, 70, "2024-02-20"),
            Compra(13, 70, "2024-03-25"), Compra(14, 71, "2024-02-21"),
            Compra(15, 72, "2024-02-22"), Compra(16, 74, "2024-02-23")});
  UltimasCompras({{70, "2024-01-05", 11},
                  {70, "2024-02-20", 12},
                  {70, "2024-03-25", 13},
                  {71, "2024-02-21", 14},
                  {72, "2024-02-22", 15},
                  {74, "2024-02-23", 16}});
  TpbBD& bd = sessao_->GetBD();
  // The earlier purchase and the one after the sale have other values.
  for (int documento : {11, 13})
    bd.Executar("UPDATE Z8_TRIITEMPRO SET ICMSRETALIQ = 25 WHERE ID = " +
                std::to_string(Item(documento)));
  // Feijão's own ICMS is stated in the observations only: its rate comes
  // from them. Its tax was withheld by a substitute's NF-e item; Gasolina's
  // paid by a GNRE, which wins over the substitute; the last entry of the
  // product without own ICMS claims nothing.
  bd.Executar(
      "UPDATE Z8_TRIITEMPRO SET ICMSALIQ = 0, ICMSBASE = 0, ICMSVALOR = 0, "
      "ICMSBASEOBS = 70, ICMSVALOROBS = 8.4 WHERE ID = " +
      std::to_string(Item(14)));
  bd.Executar("UPDATE Z8_TRIITEMPRO SET ICMSVALOR = 0 WHERE ID = " + std::to_string(Item(16)));
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(nlohmann::json{
      {"Z8_SUBSSTITEM",
       {{{"ID", 9101},
         {"IDF_DOCTOITEM", Item(14)},
         {"IDF_IDENT", 201},
         {"CHAVENFE", std::string(44, '3')},
         {"SERIE", "2"},
         {"NRODOCTO", "000777"},
         {"SEQITEM", 4}},
        {{"ID", 9102},
         {"IDF_DOCTOITEM", Item(15)},
         {"IDF_IDENT", 201},
         {"NRODOCTO", "778"},
         {"SEQITEM", 2}}}},
      {"Z8_PARTEDOCTO", {{{"ID", 9201}, {"FD", "ArrecadacaoReferenciada"}, {"IDF_DOCTO", 15}}}},
      {"Z8_ARRECREFER", {{{"ID", 9201}, {"IDA", 9201}, {"CODMOD", "0"}, {"NRODOCTO", "DAE-55"}}}}}
                                                     .dump());

  const TArquivo a = GerarMes();
  ASSERT_TRUE(a.problemas.empty()) << a.problemas[0];
  const auto venda = Documento(a, "1");
  const auto linhas = Linhas(venda, "C176");
  ASSERT_EQ(linhas.size(), 3u);
  // Right under its item.
  for (size_t i = 1; i < venda.size(); ++i)
    if (venda[i].starts_with("|C176|")) {
      EXPECT_TRUE(venda[i - 1].starts_with("|C170|"));
    }
  // Arroz: 3 units; ST base 140/3 = 46.667, own base 100/3 = 33.33 (the
  // limit), own ICMS 12/3 = 4, refund (140 x 18% - 12)/3 = 4.4; the sender
  // withheld it.
  EXPECT_EQ(linhas[0], (std::vector<std::string>{
                           "C176", "55", "12",    "3",  "20022024", "300202", "3",  "0",   "46,667",
                           "",     "1",  "33,33", "12", "33,33",    "4",      "18", "4,4", "1",
                           "1",    "",   "",      "",   "",         "",       "",   "",    "0"}));
  // Feijão: rate 8.4 / 70 = 12%, own base 70/3 = 23.33; the substitute's
  // NF-e and item; refund (25.2 - 8.4)/3 = 5.6.
  EXPECT_EQ(
      std::vector<std::string>(linhas[1].begin() + 11, linhas[1].end()),
      (std::vector<std::string>{"23,33", "12", "23,33", "2,8", "18", "5,6", "2", "1",
                                std::string(44, '3'), "300201", "2", "777", "4", "", "", "0"}));
  // Gasolina: the GNRE, nothing of the substitute.
  EXPECT_EQ(std::vector<std::string>(linhas[2].begin() + 17, linhas[2].end()),
            (std::vector<std::string>{"3", "1", "", "", "", "", "", "0", "DAE-55", "0"}));
  // A sale inside the state is no candidate.
  EXPECT_TRUE(Linhas(Documento(a, "2"), "C176").empty());
  // The suppliers are participants of the file.
  EXPECT_TRUE(std::any_of(a.linhas.begin(), a.linhas.end(),
                          [](const auto& l) { return l.starts_with("|0150|300202|"); }));
}

TEST_P(Ressarcimento, CamposDaLinhaPeloAnoDoArquivo) {
  if (IsSkipped()) return;
  const std::pair<int, size_t> anos[] = {{2015, 9}, {2016, 26}, {2019, 27}};
  std::vector<TDocumentoTeste> documentos;
  std::vector<std::tuple<int, std::string, int>> compras;
  int id = 1;
  for (const auto& [ano, campos] : anos) {
    const std::string mes = std::to_string(ano) + "-03-";
    documentos.push_back(Venda(id, mes + "10", {70}));
    documentos.push_back(Compra(id + 1, 70, mes + "02"));
    compras.emplace_back(70, mes + "02", id + 1);
    id += 2;
  }
  Carregar(documentos);
  UltimasCompras(compras);
  id = 1;
  for (const auto& [ano, campos] : anos) {
    const TArquivo a = GerarMes(ano, 3);
    const auto linhas = Linhas(Documento(a, std::to_string(id)), "C176");
    ASSERT_EQ(linhas.size(), 1u) << ano;
    EXPECT_EQ(linhas[0].size(), campos) << ano;
    EXPECT_EQ(linhas[0][8], "46,667") << ano;
    id += 2;
  }
}

TEST_P(Ressarcimento, CompraDigitadaAntesDosDocumentosDoErp) {
  if (IsSkipped()) return;
  Carregar({Venda(1, "2024-03-10", {70})});
  erp::TxbCarregadorJSON(*sessao_).CarregarTexto(R"({
    "Z8_DOCTONTFIC": [{"ID": 9301, "CODMODELO": "01", "NRODOCTO": "000455", "SERIE": "U",
                       "DATAEMI": "2023-12-01", "IDF_IDENT": 202, "SEQITEM": 2, "QDADE": 8,
                       "VALUNITARIO": 7.125, "ICMSBASE": 57, "ICMSALIQ": 7, "ICMSVALOR": 3.99,
                       "ICMSRETBASE": 80, "ICMSRETALIQ": 18, "ICMSVALFCPSTUFDEST": 1.6}],
    "Z8_ULTCOMPRAS": [{"ID": 9302, "IDF_FILIAL": 10, "IDF_PROD": 70, "DATAENTRADA": "2023-12-04",
                       "IDF_DOCTONTFIC": 9301}]})");
  const auto linhas = Linhas(Documento(GerarMes(), "1"), "C176");
  ASSERT_EQ(linhas.size(), 1u);
  // Per unit of 8: ST base 10, own base 7.125 -> 7.13, own ICMS 0.49875 ->
  // 0.499, refund (14.4 - 3.99)/8 = 1.30125 -> 1.301, FCP 0.2.
  EXPECT_EQ(linhas[0], (std::vector<std::string>{
                           "C176", "01", "455",  "U", "04122023", "300202", "8",  "7,125", "10",
                           "",     "2",  "7,13", "7", "7,13",     "0,499",  "18", "1,301", "1",
                           "1",    "",   "",     "",  "",         "",       "",   "",      "0,2"}));
}

INSTANTIATE_TEST_SUITE_P(Motores, Ressarcimento, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
