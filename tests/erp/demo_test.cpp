// The demo company: the same data for the same options on every engine, with
// every reference resolved, and read as the module's SQL reads it.
#include "erp/demo.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "erp/erp.h"
#include "erp/insercao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "tests/erp/despejo.h"
#include "tests/testutil.h"

namespace efd::erp {
namespace {

// The tables the documents of the month fill; the rest is master data.
const std::set<std::string> kTabelasDosDocumentos = {
    "Z8_DOCTO", "Z8_PARTEDOCTO", "Z8_DOCTOITEM", "Z8_TRIBITEM", "Z8_TRIITEMPRO", "Z8_TRIITEMSER",
    "Z8_OUTDADOSDO", "Z8_OUTDADCOMP", "Z8_PARCDOCTO", "Z8_ENTREGADOC", "Z8_ENTREGACOM",
    "Z8_OCODOCTO", "Z8_OCODOCELET", "Z8_AJTRIBITDO", "Z8_PROCIMPOR", "Z8_ARMAZCOMB",
    "Z8_APUIMPOSTO", "Z8_PARTEDFAPU", "Z8_VENIMPTRBN", "Z8_PARDFISRUB", "Z8_PARPROCJUD", "Z8_GNRE",
    "Z8_DOCTODEFIS", "Z8_PROPAPPTR", "Z8_CREAPIMP", "Z8_CREAPIPARC", "Z8_APURACIAP",
    "Z8_PTDFAIVLRS", "Z8_PARDCCOFRE", "Z8_DADOSTRANS", "Z8_AJTRIBCOFR", "Z8_INTEGRA", "Z8_MOVFIS",
    "Z8_MOVFISIMP", "Z8_ARRECREFER", "Z8_SLDCTACTBM", "Z8_SLDCLAMEN", "Z8_DOCREFER", "Z8_CUPDOCTO",
    "Z8_LOTE", "Z8_ITEMLOTE",
    // The services' records in the books, their freight notes and delivery place.
    "Z8_REGLIVRO", "Z8_NOTASCFRET", "Z8_LOCALENT", "Z8_LOCENTCOMP"};

struct TDemo {
  std::unique_ptr<TxsSessionZ8> sessao;
  ResultadoDemo resultado;
  TpbBD& bd() { return sessao->GetBD(); }
};

TDemo Construir(const std::string& motor, int documentos, uint64_t semente = 7) {
  Registrar();
  TDemo d;
  d.sessao = std::make_unique<TxsSessionZ8>(TpbBD::Conectar(teste::NovaUrl(motor)));
  CriarEsquema(d.bd());
  OpcoesDemo o;
  o.documentos = documentos;
  o.semente = semente;
  o.mes = TDateTime::EncodeDate(2024, 3, 15);
  d.resultado = ConstruirEmpresaDemo(*d.sessao, o);
  return d;
}

// The master data's rows: those with ids below `ate`, or from it on.
std::string DespejoCadastros(TpbBD& bd, int64_t ate, bool depois = false) {
  std::string texto;
  for (const auto& nome : Familias()) {
    const TxbFamilia& f = TxbMetadados::Instancia().FamiliaObrigatoria(nome);
    if (kTabelasDosDocumentos.count(f.tabela)) continue;
    std::istringstream linhas(teste::DespejoTabela(bd, f));
    for (std::string l; std::getline(linhas, l);)
      if (l[0] == '[' || (std::stoll(l.substr(0, l.find('|'))) < ate) != depois) texto += l + "\n";
  }
  return texto;
}

int64_t Contar(TpbBD& bd, const std::string& sql, const TParametros& p = {}) {
  return bd.Consultar(sql, p).linhas.at(0).at(0).AsInt64();
}

TEST(EmpresaDemo, MesmaSementeMesmosDadosEmTodosOsMotores) {
  TDemo sqlite = Construir("sqlite", 30);
  const std::string esperado = teste::DespejoERP(sqlite.bd());
  EXPECT_EQ(teste::DespejoERP(Construir("sqlite", 30).bd()), esperado);
  for (const auto& motor : teste::MotoresDeTeste()) {
    if (motor == "sqlite" || !teste::MotorDisponivel(motor)) continue;
    TDemo outro = Construir(motor, 30);
    const std::string despejo = teste::DespejoERP(outro.bd());
    EXPECT_EQ(despejo.size(), esperado.size()) << motor;
    EXPECT_TRUE(despejo == esperado) << motor << ": the demo differs from SQLite's";
  }
  EXPECT_NE(teste::DespejoERP(Construir("sqlite", 30, 8).bd()), esperado);
}

TEST(EmpresaDemo, CadastrosNaoDependemDaQuantidadeDeDocumentos) {
  TDemo poucos = Construir("sqlite", 3);
  TDemo muitos = Construir("sqlite", 60);
  // The Santa Catarina branch comes after the documents: its rows are the
  // same, with other ids.
  const int64_t sc_poucos = poucos.resultado.filiais.back();
  const int64_t sc_muitos = muitos.resultado.filiais.back();
  EXPECT_EQ(DespejoCadastros(poucos.bd(), sc_poucos), DespejoCadastros(muitos.bd(), sc_muitos));
  EXPECT_EQ(DespejoCadastros(poucos.bd(), sc_poucos, true).size(),
            DespejoCadastros(muitos.bd(), sc_muitos, true).size());
  const std::string documentos_sc =
      "SELECT COUNT(*) FROM Z8_DOCTO WHERE IDF_FILIAL = :F AND ID NOT IN (SELECT IDF_DOCTO FROM "
      "Z8_APUIMPOSTO)";
  EXPECT_EQ(poucos.resultado.documentos,
            3 + Contar(poucos.bd(), documentos_sc, {{"F", sc_poucos}}));
  EXPECT_EQ(muitos.resultado.documentos,
            60 + Contar(muitos.bd(), documentos_sc, {{"F", sc_muitos}}));
  // Besides the invoices, the documents of the tax assessments, rubrics and
  // GNRE, the coupons, the utility bills and the service documents.
  EXPECT_EQ(
      Contar(muitos.bd(),
             "SELECT COUNT(*) FROM Z8_DOCTO WHERE ID NOT IN (SELECT IDF_DOCTO FROM Z8_APUIMPOSTO) "
             "AND ID NOT IN (SELECT P.IDF_DOCTO FROM Z8_PARTEDOCTO P INNER JOIN "
             "Z8_PARDFISRUB R ON R.IDA = P.ID) AND FD <> 'DoctoDespesaFiscal' AND FD <> "
             "'DoctoCupFiscal' AND IDF_TPDOCTO NOT IN "
             "(SELECT ID FROM Z8_TIPDOC WHERE CODIGO LIKE 'CONTA-%' OR CODIGO LIKE 'SRV%') "
             "AND IDF_FILIAL <> :F",
             {{"F", sc_muitos}}),
      60);
  EXPECT_EQ(Contar(muitos.bd(),
                   "SELECT COUNT(*) FROM Z8_DOCTOITEM I INNER JOIN Z8_PARTEDOCTO P ON P.ID = "
                   "I.IDA INNER JOIN Z8_DOCTO D ON D.ID = P.IDF_DOCTO INNER JOIN Z8_TIPDOC T ON "
                   "T.ID = D.IDF_TPDOCTO WHERE T.CODIGO NOT LIKE 'CONTA-%' AND T.CODIGO NOT LIKE "
                   "'SRV%'"),
            muitos.resultado.itens);
}

TEST(EmpresaDemo, ReferenciasEHerancaConsistentes) {
  TDemo d = Construir("sqlite", 80);
  TpbBD& bd = d.bd();
  for (const auto& nome : Familias()) {
    const TxbFamilia& f = TxbMetadados::Instancia().FamiliaObrigatoria(nome);
    for (const auto& a : f.atributos) {
      if (a.referencia.empty()) continue;
      const TxbFamilia& alvo = TxbMetadados::Instancia().FamiliaObrigatoria(a.referencia);
      EXPECT_EQ(Contar(bd, fmt::format("SELECT COUNT(*) FROM {0} A WHERE A.{1} IS NOT NULL AND NOT "
                                       "EXISTS (SELECT 1 FROM {2} B WHERE B.ID = A.{1})",
                                       f.tabela, a.coluna, alvo.tabela)),
                0)
          << f.tabela << "." << a.coluna;
    }
    if (f.ancestral.empty()) continue;
    // Every row has its ancestor's row, which names this family.
    const TxbFamilia& pai = TxbMetadados::Instancia().FamiliaObrigatoria(f.ancestral);
    EXPECT_EQ(Contar(bd, fmt::format("SELECT COUNT(*) FROM {} A LEFT JOIN {} B ON B.ID = A.IDA "
                                     "WHERE B.ID IS NULL OR B.FD <> '{}'",
                                     f.tabela, pai.tabela, f.nome)),
              0)
        << f.tabela;
  }
  // Rows of an ancestor's table name a family that descends from it.
  for (const auto& nome : Familias()) {
    const TxbFamilia& f = TxbMetadados::Instancia().FamiliaObrigatoria(nome);
    if (!TemDescendentes(f)) continue;
    for (const auto& linha : bd.Consultar("SELECT DISTINCT FD FROM " + f.tabela).linhas)
      EXPECT_TRUE(DescendeDe(linha[0].AsString(), f.nome))
          << f.tabela << ": " << linha[0].AsString();
  }
}

TEST(EmpresaDemo, MesPadraoEOAnteriorAoDeHojeESessaoNaMatriz) {
  Registrar();
  TxsSessionZ8 sessao(TpbBD::Conectar(teste::NovaUrl("sqlite")));
  CriarEsquema(sessao.GetBD());
  OpcoesDemo o;
  o.documentos = 2;
  int64_t chamadas = 0;
  o.progresso = [&](const std::string&, int64_t, int64_t) { ++chamadas; };
  const ResultadoDemo r = ConstruirEmpresaDemo(sessao, o);
  const TDateTime hoje = TDateTime::Today();
  const TDateTime esperado = PrimeiroDiaDoMes(TDateTime(PrimeiroDiaDoMes(hoje).dias - 1));
  EXPECT_EQ(r.inicio, esperado);
  EXPECT_EQ(r.fim, UltimoDiaDoMes(esperado));
  EXPECT_GT(chamadas, 0);
  EXPECT_EQ(r.filiais.size(), 5u);
  EXPECT_EQ(sessao.RetornarIDFEmpresaSessao(), r.empresa);
  EXPECT_EQ(sessao.RetornarIDFFilialSessao(), r.filiais[0]);
  EXPECT_GT(sessao.GetBD().NovoID(), r.maior_id);
  // A second company does not go into the same database.
  const std::string antes = teste::DespejoERP(sessao.GetBD());
  EXPECT_THROW(ConstruirEmpresaDemo(sessao, o), EErro);
  EXPECT_EQ(teste::DespejoERP(sessao.GetBD()), antes);
}

// The SQL the module runs against the ERP, as written, on every engine. The
// tests only read: one demo per engine serves them all.
class DemoNoSQLDoModulo : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!teste::MotorDisponivel(GetParam())) GTEST_SKIP() << GetParam() << " not available";
    auto& demo = demos_[GetParam()];
    if (!demo) demo = std::make_unique<TDemo>(Construir(GetParam(), 40));
    demo_ = demo.get();
    matriz_ = demo_->resultado.filiais[0];
  }
  // The connections close while the engines' libraries are still up.
  static void TearDownTestSuite() { demos_.clear(); }
  TpbBD& bd() { return demo_->bd(); }
  TDateTime inicio() const { return demo_->resultado.inicio; }
  TDateTime fim() const { return demo_->resultado.fim; }

  static inline std::map<std::string, std::unique_ptr<TDemo>> demos_;
  TDemo* demo_ = nullptr;
  int64_t matriz_ = 0;
};

TEST_P(DemoNoSQLDoModulo, InscricoesDeSubstitutoDaFilial) {
  const TxbResultado r = bd().Consultar(
      "SELECT B.ID, B.IDF_FILIAL, C.SIGLA, B.INSCICMSSTDIFAL, B.IDF_INSTPUBICMSSTDIFAL, "
      "       B.NAOPINSCICMSSTDIFAL, B.FORMACALCDIFAL, B.IDF_ICMSDIFAL, B.IDF_ICMSFCP, "
      "       A.INSCRICAO INSCRICAOST"
      "  FROM Z8_TRIBUFICMS B"
      " INNER JOIN KLVG_UF C  ON C.ID = B.IDF_UF"
      "  LEFT JOIN Z8_PERCSUBSTR A  ON B.ID = A.IDF_TRIBUFICMS"
      " WHERE (B.IDF_FILIAL = :FILIAL)"
      "   AND (B.DATAFINAL >= :DATA)"
      "   AND ((B.INATIVO IS NULL) OR (B.INATIVO = 'F'))"
      "   AND ((NOT (A.INSCRICAO IS NULL))"
      "        OR (NOT (B.INSCICMSSTDIFAL IS NULL)))",
      {{"FILIAL", matriz_}, {"DATA", inicio()}});
  std::multiset<std::string> estados;
  for (const auto& l : r.linhas) estados.insert(Trim(l[2].AsString()));
  // RJ twice (two rows of the same settings), MG, PR by its DIFAL registration;
  // not SC (inactive) nor the RJ settings that ended before the month.
  EXPECT_EQ(estados, (std::multiset<std::string>{"MG", "PR", "RJ", "RJ"}));
}

TEST_P(DemoNoSQLDoModulo, AlteracoesDosParticipantesEDosProdutosNoMes) {
  EXPECT_EQ(bd().Consultar("SELECT IDF_IDENT, DATAALT, CAMPOALTERADO, CONTEUDOANTER FROM "
                           "KLVG_OCALTIDENT "
                           " WHERE (DATAALT >= :DATAINI) AND (DATAALT <= :DATAFIN) AND "
                           "(CAMPOALTERADO IN('0','1','2','3','5','6','7','8','9','A'))",
                           {{"DataIni", inicio()}, {"DataFin", fim()}})
                .linhas.size(),
            7u);
  EXPECT_EQ(bd().Consultar("SELECT IDF_PRODUTO, CODANT, DESCRICAOANT, DATAINI, DATAFIM FROM "
                           "Z8_OCOALTPROD "
                           "WHERE (DATAFIM >= :DTINI) "
                           "AND (DATAFIM < :DTFIN) "
                           "AND (TIPOALTERACAO <> 'A') "
                           "AND (TIPOALTERACAO <> 'I') "
                           "AND not(DESCRICAOANT like 'Copia%')",
                           {{"DTINI", inicio()}, {"DTFIN", fim()}})
                .linhas.size(),
            3u);
}

TEST_P(DemoNoSQLDoModulo, UnidadePadraoEParametrosDaEmpresa) {
  const int64_t produto =
      bd().Consultar("SELECT MIN(ID) FROM Z8_PROD").linhas.at(0).at(0).AsInt64();
  const TxbResultado unidade = bd().Consultar(
      " SELECT B.CODIGO, B.NOME FROM Z8_UNPROD A "
      " INNER JOIN Z8_UNIDADE B "
      " ON B.ID = A.IDF_UNIDADE "
      " WHERE A.UNIDADEPADRAOEST = :PADRAO "
      " AND A.IDF_PROD = :ID_PROD ",
      {{"PADRAO", "T"}, {"ID_PROD", produto}});
  ASSERT_EQ(unidade.linhas.size(), 1u);
  EXPECT_EQ(Trim(unidade.linhas[0][0].AsString()), "UN");

  const TParametros empresa = {
      {"EMPRESA", demo_->resultado.empresa}, {"DTINI", inicio()}, {"DTFIN", fim()}};
  const TxbResultado prefixo = bd().Consultar(
      "select A.GERARPRODSEMPREFIXO from Z8_PEMPGERAL A "
      "  INNER JOIN Z8_PAREMP B "
      " ON B.ID = A.IDA "
      " WHERE (B.IDF_EMPRESA = :EMPRESA) AND "
      " (B.DATAINICIAL <= :DTINI) AND "
      " (B.DATAFINAL >= :DTFIN) AND "
      " (B.SITUACAO = '1') "
      " ORDER BY B.DATAINICIAL DESC",
      empresa);
  ASSERT_EQ(prefixo.linhas.size(), 1u);  // neither the expired row nor the inactive one
  EXPECT_EQ(prefixo.linhas[0][0].AsString(), "F");

  const TxbResultado origem = bd().Consultar(
      "SELECT A.ORICODCTACTB FROM Z8_PEMPGERAL A "
      "  INNER JOIN Z8_PAREMP B "
      " ON B.ID = A.IDA "
      "WHERE B.IDF_EMPRESA = :EMPRESA "
      "  AND B.DATAINICIAL <= :DATA "
      "  AND B.DATAFINAL >= :DATA2 "
      "  AND B.SITUACAO = :SITUACAO",
      {{"EMPRESA", demo_->resultado.empresa},
       {"DATA", inicio()},
       {"DATA2", inicio()},
       {"SITUACAO", "1"}});
  ASSERT_EQ(origem.linhas.size(), 1u);
  EXPECT_EQ(origem.linhas[0][0].AsString(), "1");
}

TEST_P(DemoNoSQLDoModulo, EstadoDaFilialPeloPapelDaIdentificacao) {
  const auto& filiais = demo_->resultado.filiais;
  for (const auto& [filial, estado] : {std::pair{filiais[2], "RJ"}, std::pair{filiais[4], "SC"}}) {
    const TxbResultado r = bd().Consultar(
        "select e.idf_uf as id_estado, f.sigla from Z8_FILIAL a "
        " inner join KLVG_PAPELREL b on b.id = a.idf_papelrel "
        " inner join KLVG_IDENT c on c.id = b.idf_ident "
        " inner join KLVG_ENDER d on d.id = c.idf_ender "
        " inner join KLVG_CID e on e.id = d.idf_cid "
        " inner join KLVG_UF f on f.id = e.idf_uf "
        " where (a.id = :id_filial)",
        {{"id_filial", filial}});
    ASSERT_EQ(r.linhas.size(), 1u);
    EXPECT_EQ(Trim(r.linhas[0][1].AsString()), estado);
  }
}

TEST_P(DemoNoSQLDoModulo, ContasNaturezasEContasFinanceiras) {
  const TxbResultado naturezas = bd().Consultar(
      "SELECT A.ID, A.IDF_SINTETICO, B.NATUREZACTCTB FROM KLVG_SINTETICO A"
      " LEFT JOIN Z8_NCCTBSPED B "
      "ON A.ID = B.IDF_SINTETICO ");
  int com_natureza = 0;
  for (const auto& l : naturezas.linhas) com_natureza += l[2].IsNull() ? 0 : 1;
  EXPECT_EQ(naturezas.linhas.size(), 11u);
  EXPECT_EQ(com_natureza, 4);
  const int64_t conta =
      bd().Consultar("SELECT MIN(ID) FROM Z8_CTAFINAN").linhas.at(0).at(0).AsInt64();
  const TxbResultado codigo = bd().Consultar(
      "SELECT B.CODIGO FROM Z8_CTAFINAN A  INNER JOIN KLVG_CLASSE B  ON A.IDA = B.ID  WHERE A.ID "
      "= " +
      std::to_string(conta));
  ASSERT_EQ(codigo.linhas.size(), 1u);
  EXPECT_EQ(Trim(codigo.linhas[0][0].AsString()), "01.01");
}

TEST_P(DemoNoSQLDoModulo, SelecaoDosDocumentosDaFilial) {
  const TxbResultado r = bd().Consultar(
      "SELECT A.ID ID_DOCTO, A.IDF_TPDOCTO IDF_TPDOCTO, A.NRODOCTO, A.IDF_IDENT, A.DATAEMI, "
      "A.DTENTSAI, A.IDF_SERIEDOCTO, A.SITUACAONF, A.SITUACAONFE, A.FD, A.SIGLASISTORIGEM, "
      "E.CODMODELO, G.CODINTERNO, A.OBSFISCAL, A.IDF_FILIAL, SERIE.REGIMEESPECIAL, '0' IndEmit "
      "FROM Z8_DOCTO A "
      " INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = A.IDF_TPDOCTO "
      " INNER JOIN Z8_TPDOCTOGER D ON D.IDA = C.ID "
      " INNER JOIN Z8_MODELODOCT E ON E.ID = coalesce(a.idf_modelodocto, D.IDF_MODELODOCT) "
      " INNER JOIN Z8_TIPDOC H ON H.ID = A.IDF_TPDOCTO "
      " INNER JOIN Z8_PADRAODOC G ON G.ID = H.IDF_PADRAODOC "
      " INNER JOIN Z8_SERIEDOCTO SERIE ON SERIE.ID = A.IDF_SERIEDOCTO "
      "WHERE (((A.DATAEMI >= :INI1) AND (A.DATAEMI <= :FIM1)) "
      "OR  (A.DTENTSAI >= :INI2) AND (A.DTENTSAI <= :FIM2)) "
      "AND (A.IDF_FILIAL = :FILIAL) "
      "AND (E.CODMODELO IN ('01', '1B', '04', '55', '65')) "
      "AND (((SERIE.SERIENFE IN ('1','T')) AND (A.SITUACAONFE IN ('3','5','7','9')) AND "
      "(SERIE.TIPO = '1')) "
      "OR   ((NOT  (SERIE.SERIENFE IN ('1','T'))) OR (SERIE.TIPO = '2'))) "
      "AND (A.SITUACAO = '1') "
      " order by a.DataEmi, a.id ",
      {{"INI1", inicio()},
       {"FIM1", fim()},
       {"INI2", inicio()},
       {"FIM2", fim()},
       {"FILIAL", matriz_}});
  // Every posted goods document of the head office is selected, the draft
  // is not; the coupons, the utility bills and the service documents have
  // registers of their own.
  EXPECT_EQ(static_cast<int64_t>(r.linhas.size()),
            Contar(bd(),
                   "SELECT COUNT(*) FROM Z8_DOCTO A INNER JOIN Z8_TIPDOC T ON T.ID = "
                   "A.IDF_TPDOCTO WHERE A.IDF_FILIAL = :F AND A.SITUACAO = '1' AND T.CODIGO NOT "
                   "LIKE 'CONTA-%' AND T.CODIGO NOT LIKE 'SRV%' AND T.CODIGO <> 'CF'",
                   {{"F", matriz_}}));
  std::set<std::string> modelos, situacoes;
  for (const auto& l : r.linhas) {
    modelos.insert(Trim(l[11].AsString()));
    situacoes.insert(l[8].AsString());
  }
  EXPECT_TRUE(modelos.count("01") && modelos.count("55"));
  for (const char* s : {"3", "5", "7", "9"}) EXPECT_TRUE(situacoes.count(s)) << s;
}

INSTANTIATE_TEST_SUITE_P(Motores, DemoNoSQLDoModulo, ::testing::ValuesIn(teste::MotoresDeTeste()));

}  // namespace
}  // namespace efd::erp
