// Business objects stored and read through their data access on every engine:
// inherited families (ancestor and descendant tables under one id), filters,
// orderings, views with joins, explicit transactions, edits, and the errors
// that bad input raises. Also the performance monitor.
#include "framework/t2bdados.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "framework/hbobjetonegocio.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbperformancemonitor.h"
#include "framework/xbsession.h"
#include "tests/testutil.h"

namespace efd {
namespace {

using teste::Mensagem;

using Codigos = std::vector<std::string>;

// TstPessoa (ancestor) and TstCliente (descendant, pointing at a TstCidade);
// the view VsComCidade joins the city. Registering twice changes nothing.
void RegistrarFamilias() {
  TxbFamilia cidade;
  cidade.nome = "TstCidade";
  cidade.prefixo = "TstCid";
  cidade.tabela = "TST_CIDADE";
  cidade.atributos = {TxbAtributo::De("Nome", TTipoCampo::Texto, 30),
                      TxbAtributo::De("UF", TTipoCampo::Texto, 2)};
  TxbFamilia pessoa;
  pessoa.nome = "TstPessoa";
  pessoa.prefixo = "TstPes";
  pessoa.tabela = "TST_PESSOA";
  pessoa.atributos = {TxbAtributo::De("Codigo", TTipoCampo::Texto, 10),
                      TxbAtributo::De("Nome", TTipoCampo::Texto, 40),
                      TxbAtributo::De("Nascimento", TTipoCampo::Data)};
  TxbFamilia cliente;
  cliente.nome = "TstCliente";
  cliente.prefixo = "TstCli";
  cliente.tabela = "TST_CLIENTE";
  cliente.ancestral = "TstPessoa";
  cliente.atributos = {TxbAtributo::De("Limite", TTipoCampo::Real),
                       TxbAtributo::De("Vendas", TTipoCampo::Inteiro),
                       TxbAtributo::De("Categoria", TTipoCampo::Texto, 3),
                       TxbAtributo::De("IDF_Cidade", TTipoCampo::Inteiro, 0, "TstCidade")};
  cliente.visoes = {{"VsComCidade", {{"TstCidade", "TstCli_IDF_Cidade"}}}};
  for (TxbFamilia* f : {&cidade, &pessoa, &cliente}) {
    TxbMetadados::Instancia().Registrar(*f);
    Aplicacao().RegistrarClasse(f->nome, [] { return std::make_shared<ThbObjetoNegocio>(); });
  }
}

class Persistencia : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    RegistrarFamilias();
    if (!teste::MotorDisponivel(GetParam())) GTEST_SKIP() << GetParam() << " indisponível";
    sessao_ = std::make_unique<TxbSession>(TpbBD::Conectar(teste::NovaUrl(GetParam())));
    // Only these families' tables: other tests of the program register many more.
    TpbBD& bd = sessao_->GetBD();
    bd.CriarSequencia();
    for (const char* nome : {"TstCidade", "TstPessoa", "TstCliente"})
      bd.Executar(DDLTabela(bd, TxbMetadados::Instancia().FamiliaObrigatoria(nome)));
    bd.Confirmar();
  }

  std::shared_ptr<ThbObjetoNegocio> Novo(const std::string& familia = "TstCliente") {
    return Aplicacao().Criar(familia, *sessao_);
  }

  int64_t IncluirCidade(const std::string& nome, const std::string& uf) {
    auto cidade = Novo("TstCidade");
    cidade->IncluirRegistro();
    cidade->Campo("TstCid_Nome").SetAsString(nome);
    cidade->Campo("TstCid_UF").SetAsString(uf);
    cidade->Confirmar();
    return cidade->Campo("TstCid_ID").AsInt64();
  }

  int64_t IncluirCliente(const std::string& codigo, const TVariant& nome, int vendas,
                         const TVariant& categoria, const TVariant& cidade) {
    auto cliente = Novo();
    cliente->IncluirRegistro();
    cliente->Campo("TstPes_Codigo").SetAsString(codigo);
    cliente->Campo("TstPes_Nome").SetValue(nome);
    cliente->Campo("TstCli_Vendas").SetAsInteger(vendas);
    cliente->Campo("TstCli_Categoria").SetValue(categoria);
    cliente->Campo("TstCli_IDF_Cidade").SetValue(cidade);
    cliente->Confirmar();
    return cliente->Campo("TstCli_ID").AsInt64();
  }

  // C1..C5 in this order of ids; C4 has neither name, category nor city.
  void IncluirExemplo() {
    const int64_t sp = IncluirCidade("São Paulo", "SP"), rj = IncluirCidade("Rio de Janeiro", "RJ");
    IncluirCliente("C1", "Maria", 5, "A", sp);
    IncluirCliente("C2", "Marcos", 15, "B", rj);
    IncluirCliente("C3", "Ana Maria", 25, "A", sp);
    IncluirCliente("C4", TVariant(), 15, TVariant(), TVariant());
    IncluirCliente("C5", "Mario", 30, "B", rj);
  }

  // The codes of the rows the filters and orderings of the object give.
  Codigos Ativar(ThbObjetoNegocio& objeto, const std::string& visao = "") {
    objeto.GetDados().AtivarDataSet(visao);
    Codigos codigos;
    ThbClientDataSet& cds = objeto.GetDados().GetCDS();
    for (cds.First(); !cds.Eof(); cds.Next())
      codigos.push_back(cds.FieldByName("TstPes_Codigo").AsString());
    return codigos;
  }

  int64_t Contar(const std::string& sql) {
    return sessao_->Consultar(sql).linhas.at(0).at(0).AsInt64();
  }

  std::unique_ptr<TxbSession> sessao_;
};

TEST_P(Persistencia, LinhaHerdadaGravaAncestralEDescendenteComUmId) {
  auto cliente = Novo();
  cliente->GetDados().Isolar(0);
  cliente->IncluirRegistro();
  cliente->Campo("TstPes_Codigo").SetAsString("C1");
  cliente->Campo("TstPes_Nome").SetAsString("Ação Ltda");
  cliente->Campo("TstPes_Nascimento").SetAsDateTime(TDateTime::EncodeDate(1980, 2, 29));
  cliente->Campo("TstCli_Limite").SetAsFloat(1234.5);
  cliente->Campo("TstCli_Vendas").SetAsInteger(42);
  // Three characters, six bytes: fits a column of three on every engine.
  cliente->Campo("TstCli_Categoria").SetAsString("ÁÉÍ");
  cliente->ConfirmarRegistro();
  cliente->Confirmar();
  const int64_t id = cliente->Campo("TstCli_ID").AsInt64();
  EXPECT_GT(id, 0);
  EXPECT_EQ(cliente->Campo("TstPes_ID").AsInt64(), id);

  const TxbResultado r = sessao_->Consultar(
      "SELECT P.ID, P.FD, C.IDA, P.NOME, C.VENDAS FROM TST_PESSOA P "
      "JOIN TST_CLIENTE C ON C.ID = P.ID");
  ASSERT_EQ(r.linhas.size(), 1u);
  EXPECT_EQ(r.linhas[0][0].AsInt64(), id);
  EXPECT_EQ(Trim(r.linhas[0][1].AsString()), "TstCliente");
  EXPECT_EQ(r.linhas[0][2].AsInt64(), id);
  EXPECT_EQ(r.linhas[0][3].AsString(), "Ação Ltda");
  EXPECT_EQ(r.linhas[0][4].AsInt64(), 42);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_PESSOA"), 1);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_CLIENTE"), 1);

  // Read back by another object: both levels, typed as declared.
  auto lido = Novo();
  lido->GetDados().Isolar(id);
  ASSERT_EQ(lido->GetDados().GetCDS().RecordCount(), 1);
  EXPECT_EQ(lido->Campo("TstCli_ID").AsInt64(), id);
  EXPECT_EQ(lido->Campo("TstPes_ID").AsInt64(), id);
  EXPECT_EQ(lido->Campo("ID").AsInt64(), id);
  EXPECT_EQ(lido->Campo("TstPes_Codigo").AsString(), "C1");
  EXPECT_EQ(lido->Campo("TstPes_Nome").AsString(), "Ação Ltda");
  EXPECT_EQ(lido->Campo("TstPes_Nascimento").AsDateTime(), TDateTime::EncodeDate(1980, 2, 29));
  EXPECT_DOUBLE_EQ(lido->Campo("TstCli_Limite").AsFloat(), 1234.5);
  EXPECT_TRUE(lido->Campo("TstCli_Vendas").Value().EhInteiro());
  EXPECT_EQ(lido->Campo("TstCli_Vendas").AsInteger(), 42);
  EXPECT_EQ(lido->Campo("TstCli_Categoria").AsString(), "ÁÉÍ");
  EXPECT_TRUE(lido->Campo("TstCli_IDF_Cidade").IsNull());

  // The ancestor family reads its part of the same row.
  auto pessoa = Novo("TstPessoa");
  pessoa->GetDados().Isolar(id);
  ASSERT_EQ(pessoa->GetDados().GetCDS().RecordCount(), 1);
  EXPECT_EQ(pessoa->Campo("TstPes_Nome").AsString(), "Ação Ltda");
  EXPECT_EQ(pessoa->GetDados().GetCDS().FindField("TstCli_Vendas"), nullptr);

  lido->GetDados().Isolar(id + 1000);
  EXPECT_TRUE(lido->GetDados().GetCDS().IsEmpty());
}

TEST_P(Persistencia, EdicaoAtualizaAsDuasTabelasEExclusaoRemoveAsDuas) {
  const int64_t a = IncluirCliente("C1", "Ana", 10, "A", TVariant());
  const int64_t b = IncluirCliente("C2", "Bia", 20, "B", TVariant());

  auto cliente = Novo();
  cliente->GetDados().Isolar(a);
  cliente->EditarRegistro();
  cliente->Campo("TstPes_Nome").SetAsString("Ana Paula");
  cliente->Campo("TstCli_Vendas").SetAsInteger(11);
  cliente->Campo("TstCli_Categoria").Clear();
  cliente->ConfirmarRegistro();
  cliente->Confirmar();

  const TxbResultado r = sessao_->Consultar(
      "SELECT P.ID, P.NOME, P.FD, C.VENDAS, C.CATEGORIA, C.IDA FROM TST_PESSOA P "
      "JOIN TST_CLIENTE C ON C.ID = P.ID ORDER BY P.ID");
  ASSERT_EQ(r.linhas.size(), 2u);
  EXPECT_EQ(r.linhas[0][1].AsString(), "Ana Paula");
  EXPECT_EQ(Trim(r.linhas[0][2].AsString()), "TstCliente");
  EXPECT_EQ(r.linhas[0][3].AsInt64(), 11);
  EXPECT_TRUE(r.linhas[0][4].IsNull());
  EXPECT_EQ(r.linhas[0][5].AsInt64(), a);
  // The other row is untouched.
  EXPECT_EQ(r.linhas[1][1].AsString(), "Bia");
  EXPECT_EQ(r.linhas[1][3].AsInt64(), 20);
  EXPECT_EQ(r.linhas[1][4].AsString(), "B");

  cliente->GetDados().Isolar(b);
  cliente->GetDados().ExcluirRegistro();
  sessao_->ConfirmarImplicita();
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_PESSOA"), 1);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_CLIENTE"), 1);
  EXPECT_EQ(Contar("SELECT MAX(ID) FROM TST_CLIENTE"), a);
}

TEST_P(Persistencia, FiltrosSobreOsDoisNiveis) {
  IncluirExemplo();
  auto cliente = Novo();
  TxbFiltros& filtros = cliente->GetDados().GetFiltros();
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C1", "C2", "C3", "C4", "C5"}));

  // Conditions of one filter and of several filters all apply.
  filtros.Adicionar("F")
      .IncluirConstante("TstCli_Vendas", TOperador::MaiorIgual, 15)
      .IncluirConstante("TstPes_Codigo", TOperador::Diferente, "C3");
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C2", "C4", "C5"}));
  filtros.Adicionar("G").IncluirConstante("TstCli_Categoria", TOperador::Igual, "B");
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C2", "C5"}));
  filtros.Remover("G");
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C2", "C4", "C5"}));

  const struct {
    TOperador operador;
    Codigos esperados;
  } comparacoes[] = {
      {TOperador::Igual, {"C2", "C4"}}, {TOperador::Diferente, {"C1", "C3", "C5"}},
      {TOperador::Menor, {"C1"}},       {TOperador::MenorIgual, {"C1", "C2", "C4"}},
      {TOperador::Maior, {"C3", "C5"}}, {TOperador::MaiorIgual, {"C2", "C3", "C4", "C5"}}};
  for (const auto& c : comparacoes) {
    filtros.Adicionar("F").IncluirConstante("TstCli_Vendas", c.operador, 15);
    EXPECT_EQ(Ativar(*cliente), c.esperados) << static_cast<int>(c.operador);
  }

  // The start of a text: "Ana Maria" does not start with "Mar"; null matches nothing.
  filtros.Adicionar("F").IncluirConstanteParcial("TstPes_Nome", "Mar");
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C1", "C2", "C5"}));

  filtros.Adicionar("F").IncluirLista("TstPes_Codigo", {"C4", "C1", "C9"});
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C1", "C4"}));
  filtros.Adicionar("F").IncluirLista("TstCli_Vendas", {15, 30});
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C2", "C4", "C5"}));
  filtros.Adicionar("F").IncluirLista("TstCli_Vendas", {});
  EXPECT_EQ(Ativar(*cliente), Codigos{});

  filtros.Adicionar("F").IncluirConstante("TstPes_Nome", TOperador::Igual, TVariant());
  EXPECT_EQ(Ativar(*cliente), Codigos{"C4"});
  filtros.Adicionar("F").IncluirConstante("TstCli_IDF_Cidade", TOperador::Diferente, TVariant());
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C1", "C2", "C3", "C5"}));
}

TEST_P(Persistencia, OrdenacoesEVisaoComJuncao) {
  IncluirExemplo();
  auto cliente = Novo();
  TxbOrdenacoes& ordens = cliente->GetDados().GetOrdenacoes();
  ordens.Adicionar("TstCli_Vendas", true);
  ordens.Adicionar("TstPes_Codigo", true);
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C5", "C3", "C4", "C2", "C1"}));
  // Ties beyond the orderings come in the order the rows were stored.
  ordens.Limpar();
  ordens.Adicionar("TstCli_Vendas");
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C1", "C2", "C4", "C3", "C5"}));

  // The view adds the city; a row without one stays, with nulls.
  ordens.Limpar();
  EXPECT_EQ(Ativar(*cliente, "VsComCidade"), (Codigos{"C1", "C2", "C3", "C4", "C5"}));
  ThbClientDataSet& cds = cliente->GetDados().GetCDS();
  ASSERT_TRUE(cds.Locate("TstPes_Codigo", {"C4"}));
  EXPECT_TRUE(cds.FieldByName("TstCid_Nome").IsNull());
  ASSERT_TRUE(cds.Locate("TstPes_Codigo", {"C2"}));
  EXPECT_EQ(cds.FieldByName("TstCid_Nome").AsString(), "Rio de Janeiro");
  EXPECT_EQ(cds.FieldByName("TstCid_ID").AsInt64(), cds.FieldByName("TstCli_IDF_Cidade").AsInt64());
  EXPECT_EQ(cds.FieldByName("TstCli_ID").AsInt64(), cds.FieldByName("ID").AsInt64());

  // Its attributes filter and order like the family's own.
  ordens.Adicionar("TstCid_Nome");
  ordens.Adicionar("TstPes_Codigo", true);
  cliente->GetDados().GetFiltros().Adicionar("F").IncluirLista("TstCid_UF", {"SP", "RJ"});
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C5", "C2", "C3", "C1"}));
  cliente->GetDados().GetFiltros().Adicionar("F").IncluirConstante("TstCid_UF", TOperador::Igual,
                                                                   "SP");
  EXPECT_EQ(Ativar(*cliente), (Codigos{"C3", "C1"}));

  // Back on the family's own view the joined fields are gone.
  ordens.Limpar();
  cliente->GetDados().GetFiltros().Limpar();
  cliente->GetDados().SetVisao("");
  EXPECT_EQ(Ativar(*cliente).size(), 5u);
  EXPECT_EQ(cds.FindField("TstCid_Nome"), nullptr);
}

TEST_P(Persistencia, TransacaoExplicitaDesfeitaNaoDeixaNada) {
  sessao_->StartTransactionExplicito();
  IncluirCliente("C1", "Ana", 1, "A", TVariant());  // its Confirmar must not commit
  sessao_->StartTransactionExplicito();
  IncluirCliente("C2", "Bia", 2, "B", TVariant());
  sessao_->CommitExplicito();  // the inner one: still nothing committed
  EXPECT_TRUE(sessao_->EmTransacaoExplicita());
  sessao_->RollBackExplicito();
  EXPECT_FALSE(sessao_->EmTransacaoExplicita());
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_PESSOA"), 0);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_CLIENTE"), 0);

  // The session goes on storing.
  const int64_t id = IncluirCliente("C3", "Caio", 3, "C", TVariant());
  sessao_->DesfazerImplicita();
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_CLIENTE"), 1);
  EXPECT_EQ(Contar("SELECT MAX(IDA) FROM TST_CLIENTE"), id);
}

TEST_P(Persistencia, ErrosNomeiamOQueFalhou) {
  auto cliente = Novo();
  TxbFiltros& filtros = cliente->GetDados().GetFiltros();

  filtros.Adicionar("F").IncluirExpressao("COLUNA_QUE_NAO_HA = 1");
  std::string m = Mensagem<EBancoDados>([&] { cliente->GetDados().AtivarDataSet(); });
  EXPECT_NE(m.find("FROM TST_CLIENTE A"), std::string::npos) << m;
  EXPECT_NE(m.find("COLUNA_QUE_NAO_HA = 1"), std::string::npos) << m;

  auto nomeia_familia_e = [](const std::string& atributo, const std::string& mensagem) {
    EXPECT_NE(mensagem.find("TstCliente"), std::string::npos) << mensagem;
    EXPECT_NE(mensagem.find(atributo), std::string::npos) << mensagem;
  };
  filtros.Adicionar("F").IncluirConstante("TstCli_Inexistente", TOperador::Igual, 1);
  nomeia_familia_e("TstCli_Inexistente",
                   Mensagem<ENomeDesconhecido>([&] { cliente->GetDados().AtivarDataSet(); }));
  // A joined family's attribute exists only in the view that joins it.
  filtros.Adicionar("F").IncluirConstante("TstCid_UF", TOperador::Igual, "SP");
  nomeia_familia_e("TstCid_UF",
                   Mensagem<ENomeDesconhecido>([&] { cliente->GetDados().AtivarDataSet(); }));
  filtros.Limpar();
  cliente->GetDados().GetOrdenacoes().Adicionar("TstCli_Ordem");
  nomeia_familia_e("TstCli_Ordem",
                   Mensagem<ENomeDesconhecido>([&] { cliente->GetDados().AtivarDataSet(); }));
  cliente->GetDados().GetOrdenacoes().Limpar();

  cliente->GetDados().Isolar(0);
  cliente->IncluirRegistro();
  nomeia_familia_e("TstCli_Inexistente",
                   Mensagem<ENomeDesconhecido>([&] { cliente->Campo("TstCli_Inexistente"); }));
  nomeia_familia_e("TstCli_Outro", Mensagem<ENomeDesconhecido>(
                                       [&] { cliente->GetDados().Coluna("TstCli_Outro"); }));
  m = Mensagem<EConversao>([&] { cliente->Campo("TstCli_Vendas").SetAsString("abc"); });
  EXPECT_NE(m.find("TstCli_Vendas"), std::string::npos) << m;
  EXPECT_TRUE(cliente->Campo("TstCli_Vendas").IsNull());
}

TEST_P(Persistencia, TextoMaiorQueAColunaEhRecusadoSemGravarNada) {
  auto cliente = Novo();
  cliente->GetDados().Isolar(0);
  cliente->IncluirRegistro();
  cliente->Campo("TstPes_Codigo").SetAsString("C1");
  cliente->Campo("TstPes_Nome").SetAsString("Ana");
  // The descendant's column: the ancestor's row would be stored first.
  cliente->Campo("TstCli_Categoria").SetAsString("ABCD");
  std::string m = Mensagem<EErro>([&] { cliente->ConfirmarRegistro(); });
  EXPECT_NE(m.find("TstCli_Categoria"), std::string::npos) << m;
  sessao_->ConfirmarImplicita();
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_PESSOA"), 0);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_CLIENTE"), 0);

  // Characters, not bytes, count.
  cliente->Campo("TstCli_Categoria").SetAsString("ÁÉÍ");
  cliente->Campo("TstPes_Codigo").SetAsString("ÁÉÍÓÚÀÈÌÒÙÇ");
  m = Mensagem<EErro>([&] { cliente->ConfirmarRegistro(); });
  EXPECT_NE(m.find("TstPes_Codigo"), std::string::npos) << m;
  sessao_->ConfirmarImplicita();
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_PESSOA"), 0);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_CLIENTE"), 0);

  // The row stays in edition: corrected, it is stored once.
  cliente->Campo("TstPes_Codigo").SetAsString("ÁÉÍÓÚÀÈÌÒÙ");
  cliente->Confirmar();
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_PESSOA"), 1);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_CLIENTE"), 1);
  auto lido = Novo();
  lido->GetDados().Isolar(cliente->Campo("TstCli_ID").AsInt64());
  EXPECT_EQ(lido->Campo("TstPes_Codigo").AsString(), "ÁÉÍÓÚÀÈÌÒÙ");
  EXPECT_EQ(lido->Campo("TstCli_Categoria").AsString(), "ÁÉÍ");
}

TEST_P(Persistencia, FalhaNaTabelaDescendenteDesfazALinhaDoAncestral) {
  sessao_->ExecutarDiretoNoBD("DROP TABLE TST_CLIENTE");
  sessao_->ConfirmarImplicita();
  auto cliente = Novo();
  cliente->GetDados().Isolar(0);
  cliente->IncluirRegistro();
  cliente->Campo("TstPes_Codigo").SetAsString("C1");
  std::string m = Mensagem<EBancoDados>([&] { cliente->ConfirmarRegistro(); });
  EXPECT_NE(m.find("TST_CLIENTE"), std::string::npos) << m;
  sessao_->ConfirmarImplicita();
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM TST_PESSOA"), 0);
}

INSTANTIATE_TEST_SUITE_P(Motores, Persistencia, ::testing::ValuesIn(teste::MotoresDeTeste()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string nome = info.param;
                           std::replace(nome.begin(), nome.end(), '-', '_');
                           return nome;
                         });

TEST(MonitorDesempenho, BlocosAninhadosDaoContagemTotalEProprio) {
  TxbPerformanceMonitor monitor;
  auto espera = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
  for (int vez = 0; vez < 2; ++vez) {
    TxbBlocoMonitorado externo(monitor, 1, "externo");
    espera();
    for (int i = 0; i < 3; ++i) {
      TxbBlocoMonitorado interno(monitor, 2, "interno");
      espera();
    }
  }
  // Same code, another text: another block.
  { TxbBlocoMonitorado outro(monitor, 2, "outro"); }

  const auto resumo = monitor.Resumo();
  ASSERT_EQ(resumo.size(), 3u);
  const auto& externo = resumo[0];  // longest first
  const auto& interno = resumo[1];
  EXPECT_EQ(externo.texto, "externo");
  EXPECT_EQ(externo.contagem, 2);
  EXPECT_EQ(interno.texto, "interno");
  EXPECT_EQ(interno.contagem, 6);
  EXPECT_EQ(resumo[2].texto, "outro");
  EXPECT_EQ(resumo[2].contagem, 1);
  EXPECT_GE(interno.total_s, 6 * 0.002);
  EXPECT_DOUBLE_EQ(interno.proprio_s, interno.total_s);
  EXPECT_GE(externo.proprio_s, 2 * 0.002);
  EXPECT_GT(externo.total_s, externo.proprio_s);
  EXPECT_NEAR(externo.proprio_s, externo.total_s - interno.total_s, 1e-9);
}

TEST(MonitorDesempenho, BlocoFechadoForaDeOrdemOuPorExcecao) {
  TxbPerformanceMonitor monitor;
  EXPECT_THROW(monitor.SairBloco(1, "nenhum"), EErro);
  monitor.EntrarBloco(1, "a");
  EXPECT_THROW(monitor.SairBloco(1, "b"), EErro);
  monitor.SairBloco(1, "a");

  try {
    TxbBlocoMonitorado bloco(monitor, 2, "falha");
    throw std::runtime_error("x");
  } catch (const std::runtime_error&) {
  }
  // Closed by the exception: a later block is not counted inside it.
  { TxbBlocoMonitorado depois(monitor, 3, "depois"); }
  for (const auto& r : monitor.Resumo()) {
    EXPECT_EQ(r.contagem, 1) << r.texto;
    EXPECT_DOUBLE_EQ(r.proprio_s, r.total_s) << r.texto;
  }
  EXPECT_EQ(monitor.Resumo().size(), 3u);
}

}  // namespace
}  // namespace efd
