// The ICMS/IPI file of the demo company's Santa Catarina branch, on every
// engine: the state's notes on interstate sales and on exempt or untaxed
// goods, the codes its presumed credits take, and the head office's file
// without any of them.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/registers/arquivo_demo_teste.h"

namespace efd {
namespace {

using teste::Registros;
using teste::TLinhas;

// A goods document of the file: its analytic rows by CST;CFOP and, by
// adjustment code, its C197 lines.
struct TDocumentoDoArquivo {
  std::vector<std::string> c100;
  std::map<std::string, std::vector<std::string>> c190;  // by CST;CFOP
  std::multimap<std::string, std::vector<std::string>> c197;
  std::set<std::string> observacoes;  // COD_OBS of its C195
};

std::vector<TDocumentoDoArquivo> Documentos(const TLinhas& linhas) {
  std::vector<TDocumentoDoArquivo> docs;
  for (const auto& l : linhas) {
    if (l.size() < 3) continue;
    if (l[1] == "C100") docs.push_back({l, {}, {}, {}});
    if (docs.empty() || l[1][0] != 'C' || l[1] >= "C300") continue;
    if (l[1] == "C190") docs.back().c190[l[2] + ";" + l[3]] = l;
    if (l[1] == "C195") docs.back().observacoes.insert(l[2]);
    if (l[1] == "C197") docs.back().c197.emplace(l[2], l);
  }
  return docs;
}

class SantaCatarina : public teste::TesteDoDemo {
 protected:
  void SetUp() override {
    // The branch's month does not depend on the company's number of documents.
    if (!ConstruirDemo(4)) GTEST_SKIP() << GetParam() << " indisponível";
  }

  TLinhas Gerar(int64_t filial) {
    app::OpcoesGeracao o;
    o.modelo = 1;
    o.filiais = {static_cast<int>(filial)};
    o.inicio = demo_.inicio;
    return GerarArquivo(o);
  }

  // The file's document that has an analytic row of the CFOP.
  static const TDocumentoDoArquivo& ComCFOP(const std::vector<TDocumentoDoArquivo>& docs,
                                            const std::string& cst, const std::string& cfop) {
    for (const auto& d : docs)
      if (d.c190.count(cst + ";" + cfop)) return d;
    ADD_FAILURE() << "no document with " << cst << " " << cfop;
    static const TDocumentoDoArquivo nenhum;
    return nenhum;
  }
};

TEST_P(SantaCatarina, NotasDoEstadoNasSaidasInterestaduaisENosItensIsentos) {
  const TLinhas linhas = Gerar(demo_.filiais.back());
  ASSERT_FALSE(linhas.empty());
  EXPECT_EQ(linhas[0].at(9), "SC");
  std::map<std::string, std::string> notas;
  for (const auto& l : Registros(linhas, "0460")) notas[l.at(2)] = l.at(3);
  EXPECT_EQ(notas["199999"], "ICMS");
  EXPECT_EQ(notas["900001"], "Isento Nao Tributada");

  const auto docs = Documentos(linhas);
  // A sale of goods whose ICMS-ST was withheld, taxed with ST: its own
  // ICMS is noted as such; the sale's other CFOP is not noted.
  const auto& st = ComCFOP(docs, "010", "6404");
  ASSERT_EQ(st.c197.count("SC10000051"), 1u);
  const auto& nota = st.c197.find("SC10000051")->second;
  const auto& analitico = st.c190.at("010;6404");
  EXPECT_EQ(nota.at(5), analitico.at(6));  // base
  EXPECT_EQ(nota.at(7), analitico.at(7));  // ICMS
  EXPECT_EQ(st.c197.size(), 1u);
  EXPECT_EQ(st.observacoes, std::set<std::string>{"199999"});
  // Fully taxed: the same CFOP and the transfers.
  EXPECT_EQ(ComCFOP(docs, "000", "6404").c197.count("SC10000036"), 1u);
  const auto& transferencia = ComCFOP(docs, "200", "6152");
  EXPECT_EQ(transferencia.c197.count("SC10000036"), 2u);  // one per item
  EXPECT_EQ(transferencia.c197.size(), 2u);
  // Exempt and untaxed goods, sold or bought, one line per item.
  const auto& isentos = ComCFOP(docs, "041", "5102");
  EXPECT_EQ(isentos.c197.count("SC90000001"), 2u);
  EXPECT_EQ(isentos.c197.size(), 2u);
  EXPECT_EQ(isentos.observacoes, std::set<std::string>{"900001"});
}

TEST_P(SantaCatarina, CreditoPresumidoDoSimplesPelaOrigemDaCompra) {
  const auto docs = Documentos(Gerar(demo_.filiais.back()));
  std::multiset<std::string> codigos;
  for (const auto& d : docs)
    for (const auto& [codigo, l] : d.c197) codigos.insert(codigo);
  EXPECT_EQ(codigos.count("SC10000034"), 0u);
  // Bought inside the state, and from another state (by its type of
  // adjustment), each with the rule's description (Latin-1 in the file).
  const auto& interna = ComCFOP(docs, "090", "1102");
  ASSERT_EQ(interna.c197.count("SC10000100"), 1u);
  EXPECT_TRUE(interna.c197.find("SC10000100")
                  ->second.at(3)
                  .ends_with("Simples Nacional - An.2, art. 15, XXVI"));
  const auto& interestadual = ComCFOP(docs, "090", "2102");
  ASSERT_EQ(interestadual.c197.count("SC10000099"), 1u);
  EXPECT_TRUE(interestadual.c197.find("SC10000099")
                  ->second.at(3)
                  .ends_with("Simples Nacional - LC 123/2006 , art. 23"));
  // The exempt item of the internal purchase keeps its own note.
  EXPECT_EQ(interna.c197.count("SC90000001"), 1u);
}

TEST_P(SantaCatarina, OutrasFiliaisSemAsNotasDoEstado) {
  const TLinhas linhas = Gerar(demo_.filiais.front());
  for (const auto& l : Registros(linhas, "0460"))
    EXPECT_TRUE(l.at(2) != "199999" && l.at(2) != "900001") << l.at(2);
  for (const auto& l : Registros(linhas, "C197")) EXPECT_NE(l.at(2).substr(0, 2), "SC");
}

INSTANTIATE_TEST_SUITE_P(Motores, SantaCatarina, ::testing::ValuesIn(teste::MotoresDeTeste()));

}  // namespace
}  // namespace efd
