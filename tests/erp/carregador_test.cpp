// The JSON fixture loader: names and types checked against the metadata,
// references checked against the database and the fixture, all or nothing.
#include "erp/carregador.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <memory>
#include <string>

#include "erp/erp.h"
#include "framework/xbmetadados.h"
#include "tests/erp/despejo.h"
#include "tests/testutil.h"

namespace efd::erp {
namespace {

// A branch, a customer and one sales document with two items.
const char* const kFixtura = R"({
  "KLVG_PAIS": [{"ID": 1, "NOME": "Brasil", "CODIGOBACEN": "1058"}],
  "KLVG_UF": [{"ID": 2, "SIGLA": "SP", "NOME": "São Paulo", "IDF_PAIS": 1}],
  "KLVG_CID": [{"ID": 3, "NOME": "São Paulo", "GEOCODIGO": "3550308", "IDF_UF": 2}],
  "KLVG_ENDER": [{"ID": 4, "CEP": "01310-100", "LOGRADOURO": "Avenida Paulista", "IDF_CID": 3}],
  "KLVG_IDENT": [
    {"ID": 10, "FD": "PessoaJuridica", "CODIGO": "1", "NOME": "Empresa Ltda", "IDF_ENDER": 4,
     "IDF_PAIS": 1, "IDIDENTFIL": 10},
    {"ID": 11, "FD": "PessoaFisica", "CODIGO": "2", "NOME": "José da Silva", "IDF_ENDER": 4,
     "IDF_PAIS": 1, "FANTASIA": null}],
  "KLVG_PESJUR": [{"ID": 10, "IDA": 10, "CNPJ": "12.345.678/0001-95", "IE": "ISENTO"}],
  "KLVG_PESFIS": [{"ID": 11, "IDA": 11, "CPF": "123.456.789-09"}],
  "KLVG_OCALTIDENT": [{"ID": 12, "IDF_IDENT": 11, "DATAALT": "2024-03-05", "HORAALT": "14:30:00",
                       "CAMPOALTERADO": "7", "CONTEUDOANTER": "Rua Velha"}],
  "KLVG_PAPELREL": [{"ID": 13, "IDF_IDENT": 10, "PAPEL": "FIL"}],
  "Z8_EMPRESA": [{"ID": 20, "CODIGO": "1", "NOME": "Empresa", "IDF_IDENT": 10}],
  "Z8_FILIAL": [{"ID": 21, "IDF_EMPRESA": 20, "CODIGO": "0001", "IDF_PAPELREL": 13}],
  "Z8_SERIEDOCTO": [{"ID": 30, "IDF_FILIAL": 21, "CODIGO": "1", "TIPO": "1", "SERIENFE": true,
                     "REGIMEESPECIAL": false}],
  "Z8_DOCTO": [
    {"ID": 40, "FD": "Docto", "IDF_FILIAL": 21, "IDF_SERIEDOCTO": 30, "IDF_IDENT": 11,
     "NRODOCTO": "1001", "DATAEMI": "2024-03-05", "DTENTSAI": "2024-03-06", "SITUACAO": "1",
     "VALTOTALNF": 150.25},
    {"ID": 41, "FD": "Docto", "IDF_FILIAL": 21, "NRODOCTO": "1002", "DATAEMI": "2024-03-07"}],
  "Z8_PARTEDOCTO": [{"ID": 50, "FD": "ItemDocto", "IDF_DOCTO": 40},
                    {"ID": 51, "FD": "ItemDocto", "IDF_DOCTO": 40}],
  "Z8_DOCTOITEM": [{"ID": 50, "IDA": 50, "SEQITEM": 1, "QDADE": 2, "VALLIQUIDO": 100},
                   {"ID": 51, "IDA": 51, "SEQITEM": 2, "QDADE": 0.5, "VALLIQUIDO": 50.25}]
})";

class Carregador : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!teste::MotorDisponivel(GetParam())) GTEST_SKIP() << GetParam() << " not available";
    Registrar();
    sessao_ = std::make_unique<TxsSessionZ8>(TpbBD::Conectar(teste::NovaUrl(GetParam())));
    CriarEsquema(sessao_->GetBD());
  }

  TResultadoCarga Carregar(const std::string& texto) {
    return TxbCarregadorJSON(*sessao_).CarregarTexto(texto);
  }

  // The fixture must fail at (tabela, linha, coluna), leaving the database as it was.
  void EsperarFalha(const std::string& texto, const std::string& tabela, int linha,
                    const std::string& coluna, const std::string& trecho = "") {
    const std::string antes = teste::DespejoERP(sessao_->GetBD());
    try {
      Carregar(texto);
      ADD_FAILURE() << "loaded; expected a failure at " << tabela << "[" << linha << "]." << coluna;
    } catch (const ECarga& e) {
      EXPECT_EQ(e.Tabela(), tabela) << e.what();
      EXPECT_EQ(e.Linha(), linha) << e.what();
      EXPECT_EQ(e.Coluna(), coluna) << e.what();
      EXPECT_NE(std::string(e.what()).find(trecho), std::string::npos) << e.what();
    }
    EXPECT_EQ(teste::DespejoERP(sessao_->GetBD()), antes);
  }

  // The fixture with one text replaced (which must occur in it).
  static std::string Trocar(std::string texto, const std::string& de, const std::string& para) {
    const auto p = texto.find(de);
    EXPECT_NE(p, std::string::npos) << de;
    if (p != std::string::npos) texto.replace(p, de.size(), para);
    return texto;
  }

  std::unique_ptr<TxsSessionZ8> sessao_;
};

TEST_P(Carregador, CarregaTudoComOsIdsDados) {
  const TResultadoCarga r = Carregar(kFixtura);
  EXPECT_EQ(r.linhas, 19);
  EXPECT_EQ(r.maior_id, 51);
  TpbBD& bd = sessao_->GetBD();
  const TxbResultado doc = bd.Consultar(
      "SELECT NRODOCTO, DATAEMI, VALTOTALNF, IDF_MODELODOCTO FROM Z8_DOCTO WHERE ID = 40");
  ASSERT_EQ(doc.linhas.size(), 1u);
  EXPECT_EQ(doc.linhas[0][0].AsString(), "1001");
  EXPECT_EQ(doc.linhas[0][1].AsDateTime(), TDateTime::EncodeDate(2024, 3, 5));
  EXPECT_DOUBLE_EQ(doc.linhas[0][2].AsFloat(), 150.25);
  EXPECT_TRUE(doc.linhas[0][3].IsNull());
  // Flags as 'T'/'F'; times kept.
  EXPECT_EQ(
      bd.Consultar("SELECT SERIENFE, REGIMEESPECIAL FROM Z8_SERIEDOCTO").linhas[0][0].AsString(),
      "T");
  EXPECT_EQ(bd.Consultar("SELECT REGIMEESPECIAL FROM Z8_SERIEDOCTO").linhas[0][0].AsString(), "F");
  EXPECT_EQ(bd.Consultar("SELECT HORAALT FROM KLVG_OCALTIDENT")
                .linhas[0][0]
                .AsDateTime()
                .Formatar("HH:NN:SS"),
            "14:30:00");
  // Ids handed out afterwards are above the fixture's.
  EXPECT_GT(bd.NovoID(), 51);
}

TEST_P(Carregador, ReferenciasValemNoBancoENaFixturaEmQualquerOrdem) {
  Carregar(kFixtura);
  // A document of a branch loaded before, and an item listed before its document.
  const TResultadoCarga r = Carregar(R"({
    "Z8_PARTEDOCTO": [{"ID": 60, "FD": "ItemDocto", "IDF_DOCTO": 61}],
    "Z8_DOCTO": [{"ID": 61, "FD": "Docto", "IDF_FILIAL": 21, "NRODOCTO": "7"}]})");
  EXPECT_EQ(r.linhas, 2);
  EXPECT_EQ(r.maior_id, 61);
  EXPECT_GT(sessao_->GetBD().NovoID(), 61);
}

// The three faults of a hand-written fixture: the place is named and nothing stays.
TEST_P(Carregador, ColunaComNomeErradoNaoCarregaNada) {
  Carregar(R"({"KLVG_PAIS": [{"ID": 1, "NOME": "Brasil"}]})");
  EsperarFalha(Trocar(Trocar(kFixtura, R"("KLVG_PAIS": [{"ID": 1,)", R"("KLVG_PAIS": [{"ID": 2,)"),
                      R"("NRODOCTO": "1002")", R"("NRODOCUMENTO": "1002")"),
               "Z8_DOCTO", 1, "NRODOCUMENTO", "no such column");
}

TEST_P(Carregador, DataForaDoFormatoNaoCarregaNada) {
  EsperarFalha(Trocar(kFixtura, R"("DATAEMI": "2024-03-07")", R"("DATAEMI": "07/03/2024")"),
               "Z8_DOCTO", 1, "DATAEMI", "YYYY-MM-DD");
}

TEST_P(Carregador, ItemDeDocumentoInexistenteNaoCarregaNada) {
  EsperarFalha(Trocar(kFixtura, R"({"ID": 51, "FD": "ItemDocto", "IDF_DOCTO": 40})",
                      R"({"ID": 51, "FD": "ItemDocto", "IDF_DOCTO": 49})"),
               "Z8_PARTEDOCTO", 1, "IDF_DOCTO", "Docto 49");
}

INSTANTIATE_TEST_SUITE_P(Motores, Carregador, ::testing::ValuesIn(teste::MotoresDeTeste()));

// The other faults, on SQLite: each fixture fails at its place.
class CarregadorFalhas : public Carregador {};

TEST_P(CarregadorFalhas, CadaFalhaNomeiaSeuLugar) {
  struct TCaso {
    const char* fixtura;
    const char* tabela;
    int linha;
    const char* coluna;
    const char* trecho;
  };
  const TCaso casos[] = {
      {R"({"Z8_NADA": []})", "Z8_NADA", -1, "", "no family"},
      {R"({"KLVG_UF": {"ID": 1}})", "KLVG_UF", -1, "", "array"},
      {R"({"KLVG_UF": [[1]]})", "KLVG_UF", 0, "", "object"},
      {R"([1])", "", -1, "", "object whose members"},
      {R"({"KLVG_UF": [{"ID": 1}, {"SIGLA": "SP"}]})", "KLVG_UF", 1, "ID", "ID"},
      {R"({"KLVG_UF": [{"ID": 0}]})", "KLVG_UF", 0, "ID", "positive"},
      {R"({"KLVG_UF": [{"ID": 1}, {"ID": 1}]})", "KLVG_UF", 1, "ID", "repeats"},
      {R"({"KLVG_UF": [{"ID": 1, "IDF_PAIS": "1"}]})", "KLVG_UF", 0, "IDF_PAIS", "integer"},
      {R"({"KLVG_UF": [{"ID": 1, "IDF_PAIS": 1.5}]})", "KLVG_UF", 0, "IDF_PAIS", "integer"},
      {R"({"KLVG_UF": [{"ID": 1, "SIGLA": 35}]})", "KLVG_UF", 0, "SIGLA", "text"},
      {R"({"KLVG_UF": [{"ID": 1, "SIGLA": "SPX"}]})", "KLVG_UF", 0, "SIGLA", "longer"},
      {R"({"Z8_DOCTO": [{"ID": 1, "FD": "Docto", "VALTOTALNF": "10,5"}]})", "Z8_DOCTO", 0,
       "VALTOTALNF", "number"},
      {R"({"Z8_DOCTO": [{"ID": 1, "FD": "Docto", "DATAEMI": "2024-02-30"}]})", "Z8_DOCTO", 0,
       "DATAEMI", ""},
      {R"({"KLVG_OCALTIDENT": [{"ID": 1, "HORAALT": "25:00:00"}]})", "KLVG_OCALTIDENT", 0,
       "HORAALT", "HH:MM:SS"},
      {R"({"Z8_SERIEDOCTO": [{"ID": 1, "SERIENFE": "T"}]})", "Z8_SERIEDOCTO", 0, "SERIENFE",
       "true or false"},
      {R"({"Z8_SERIEDOCTO": [{"ID": 1, "CODIGO": "1", "codigo": "2"}]})", "Z8_SERIEDOCTO", 0,
       "codigo", "twice"},
      // A descendant's row without its ancestor's; an ancestor's row without its family.
      {R"({"KLVG_PESJUR": [{"ID": 1, "CNPJ": "1"}]})", "KLVG_PESJUR", 0, "IDA", "IDA"},
      {R"({"KLVG_IDENT": [{"ID": 1, "NOME": "X"}]})", "KLVG_IDENT", 0, "FD", "FD"},
      {R"({"KLVG_IDENT": [{"ID": 1, "FD": "Filial"}]})", "KLVG_IDENT", 0, "FD", "Filial"},
      // IDA of a table without ancestor, FD of a table without descendants.
      {R"({"KLVG_UF": [{"ID": 1, "IDA": 1}]})", "KLVG_UF", 0, "IDA", "no such column"},
      {R"({"KLVG_UF": [{"ID": 1, "FD": "UF"}]})", "KLVG_UF", 0, "FD", "no such column"},
      // The ancestor's row is of another family.
      {R"({"KLVG_IDENT": [{"ID": 1, "FD": "PessoaFisica"}],
           "KLVG_PESJUR": [{"ID": 2, "IDA": 1}]})",
       "KLVG_PESJUR", 0, "IDA", "PessoaFisica"},
      {R"({"KLVG_PESJUR": [{"ID": 2, "IDA": 9}]})", "KLVG_PESJUR", 0, "IDA", "Identificacao 9"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.fixtura);
    EsperarFalha(c.fixtura, c.tabela, c.linha, c.coluna, c.trecho);
  }
}

TEST_P(CarregadorFalhas, IdJaGravadoNoBancoNaoCarregaNada) {
  Carregar(kFixtura);
  EsperarFalha(R"({"KLVG_UF": [{"ID": 90, "SIGLA": "RJ"}, {"ID": 2, "SIGLA": "MG"}]})", "KLVG_UF",
               1, "", "refused");
}

TEST_P(CarregadorFalhas, TextoQueNaoEJson) {
  EsperarFalha(R"({"KLVG_UF": [)", "", -1, "", "not valid JSON");
}

INSTANTIATE_TEST_SUITE_P(SQLite, CarregadorFalhas, ::testing::Values("sqlite"));

}  // namespace
}  // namespace efd::erp
