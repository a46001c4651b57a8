// The application server on loopback: members run remotely by number, the
// signature tables and the token guard it, a generation through it gives the
// rows and the file of a local one, and bad requests leave it serving.
#include <gtest/gtest.h>

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/banco.h"
#include "app/geracao.h"
#include "app/geracao_remota.h"
#include "control/arquivoefd.h"
#include "control/catalogo.h"
#include "control/uh5efd.h"
#include "erp/demo.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "objects/servidoraplicacao.h"
#include "objects/transportehttp.h"
#include "tests/testutil.h"
#include "uh0blocosefd.h"
#include "uh0registrosefd.h"

namespace efd {
namespace {

const char* kToken = "segredo-de-teste";

std::string Ler(const std::string& caminho) {
  std::ifstream in(caminho, std::ios::binary);
  std::stringstream texto;
  texto << in.rdbuf();
  return texto.str();
}

// A demo company in an SQLite file and a server on a free loopback port,
// stopped when the test ends.
class Remoto : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!url_.empty()) return;  // built once, for the suites that derive from this one too
    url_ = "sqlite:" + teste::DiretorioTemporario() + "/remoto.db";
    auto sessao = app::AbrirBanco(url_, app::TCriacaoBanco::Criar);
    CarregarCatalogo(*sessao);
    erp::OpcoesDemo opcoes;
    opcoes.documentos = 12;
    demo_ = erp::ConstruirEmpresaDemo(*sessao, opcoes);
    sessao->ConfirmarImplicita();
    app::RegistrarGeracaoRemota();
  }

  void SetUp() override {
    sessao_ = std::make_unique<TxsSessionZ8>(TpbBD::Conectar(url_));
    TxbConfigServidor config;
    config.token = kToken;
    config.abrir_sessao = [] { return std::make_unique<TxsSessionZ8>(TpbBD::Conectar(url_)); };
    config.tamanho_maximo = 64 * 1024;
    config.pasta = teste::DiretorioTemporario();
    Ajustar(config);
    servidor_ = std::make_unique<TxbServidorAplicacao>(config);
    porta_ = servidor_->Vincular();
    servindo_ = std::thread([this] { servidor_->Servir(); });
    url_servidor_ = "http://127.0.0.1:" + std::to_string(porta_);
  }

  void TearDown() override {
    servidor_->Parar();
    servindo_.join();
  }

  virtual void Ajustar(TxbConfigServidor&) {}

  // A client session whose objects run on the server.
  std::unique_ptr<TxsSessionZ8> Cliente(std::shared_ptr<TxbTransporteHttp>* transporte = nullptr) {
    auto t = std::make_shared<TxbTransporteHttp>(url_servidor_, kToken, 120);
    auto cliente = std::make_unique<TxsSessionZ8>(TpbBD::SemConexao("TpbBDSQLite"));
    cliente->SetTransporte(t);
    if (transporte) *transporte = t;
    return cliente;
  }

  // A stored header of the month of the demo, not yet generated.
  int Cabecalho(int filial) {
    auto efd = Aplicacao().CriarComo<Th5EFD>("EFD", *sessao_);
    TxbObjetoTemporario liberar(efd);
    sessao_->DefinirEmpresaSessao(static_cast<int>(demo_.empresa));
    efd->SuprimirGeracao(true);
    efd->SetModeloEFD("1");
    efd->GetDados().Isolar(0, "VsEDC01");
    efd->IncluirRegistro();
    efd->Campo("EFD_IDF_Filial").SetAsInteger(filial);
    efd->Campo("EFD_DataInicio").SetAsDateTime(demo_.inicio);
    efd->ConfirmarRegistro();
    efd->Confirmar();
    return efd->Campo("EFD_ID").AsInteger();
  }

  // Rows of a generation: register code and count, in code order.
  std::string Linhas(int id_efd) {
    TxbResultado r = sessao_->Consultar(
        "SELECT B.REGISTRO, COUNT(*) FROM Z8_REGEFD B INNER JOIN Z8_BLOCOSEFD C "
        "ON C.ID = B.IDF_BLOCOSEFD WHERE C.IDF_EFD = :ID GROUP BY B.REGISTRO ORDER BY B.REGISTRO",
        {{"ID", id_efd}});
    std::string texto;
    for (const auto& l : r.linhas) texto += l[0].AsString() + ":" + l[1].AsString() + " ";
    return texto;
  }

  std::string Escrever(int id_efd, const std::string& nome) {
    auto registros = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistrosEFD", *sessao_);
    TxbObjetoTemporario liberar(registros);
    const std::string caminho = teste::DiretorioTemporario() + "/" + nome;
    registros->GerarArquivos(id_efd, caminho);
    return Ler(caminho);
  }

  static inline std::string url_;
  static inline erp::ResultadoDemo demo_;
  std::unique_ptr<TxsSessionZ8> sessao_;
  std::unique_ptr<TxbServidorAplicacao> servidor_;
  std::thread servindo_;
  int porta_ = 0;
  std::string url_servidor_;
};

TEST_F(Remoto, PropriedadeLidaEEscritaNoServidor) {
  std::shared_ptr<TxbTransporteHttp> transporte;
  auto cliente = Cliente(&transporte);
  auto efd = Aplicacao().CriarComo<Th0EFD>("EFD", *cliente);
  EXPECT_FALSE(efd->GetLocal());
  efd->SetListaReg("101\r\n102");  // "3_2"
  EXPECT_EQ(efd->INTERNO_GetListaReg(), "") << "the value lives on the server object";
  EXPECT_EQ(efd->GetListaReg(), "101\r\n102");  // "3_1"
  const TVariant lido = transporte->Executar(efd->GetIdRemoto(), "3_1", std::nullopt, false);
  EXPECT_EQ(lido, TVariant("101\r\n102"));
  // Local properties stay on the client.
  efd->SetModeloEFD("2");
  EXPECT_EQ(efd->INTERNO_GetModeloEFD(), "2");
  // Each proxy has its own server object.
  auto outro = Aplicacao().CriarComo<Th0EFD>("EFD", *cliente);
  EXPECT_EQ(outro->GetListaReg(), "");
}

TEST_F(Remoto, ConstanteNumeroDesconhecidoENumeroSemCorpo) {
  std::shared_ptr<TxbTransporteHttp> transporte;
  auto cliente = Cliente(&transporte);
  auto efd = Aplicacao().CriarComo<Th0EFD>("EFD", *cliente);
  EXPECT_EQ(efd->kModeloIPI_ICMS(), 1);
  const TVariant doze = transporte->Executar(efd->GetIdRemoto(), "12", std::nullopt, false);
  EXPECT_TRUE(doze.EhInteiro());
  EXPECT_EQ(doze.AsInteger(), 1);
  EXPECT_TRUE(transporte->Executar(efd->GetIdRemoto(), "99", std::nullopt, false).IsNull());
  EXPECT_TRUE(transporte->Executar(efd->GetIdRemoto(), "9", std::nullopt, false).IsNull());
  // A register answers its ancestor's numbers.
  auto registro = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistroEFD0000", *cliente);
  EXPECT_EQ(registro->kBlocoC(), "BlocoC");  // "24"
  // A member that raises on the server raises on the client with its message.
  EXPECT_THROW(efd->RetornarListaReg(999999), EErro);
  EXPECT_EQ(efd->kModeloPIS_COFINS(), 2);  // the session goes on
}

TEST_F(Remoto, GeracaoPeloNumero10DaAsLinhasDaLocal) {
  const int filial = static_cast<int>(demo_.filiais.front());
  const int local = Cabecalho(filial), remoto = Cabecalho(filial);
  sessao_->ConfirmarImplicita();
  {
    auto efd = Aplicacao().CriarComo<Th5EFD>("EFD", *sessao_);
    TxbObjetoTemporario liberar(efd);
    efd->GerarRegistros(local, "", "", "1", "", false);
    sessao_->ConfirmarImplicita();
  }
  {
    auto cliente = Cliente();
    auto efd = Aplicacao().CriarComo<Th5EFD>("EFD", *cliente);
    const std::string r = efd->GerarRegistros(remoto, "", "", "1", "", false);
    (void)r;
  }
  const std::string linhas = Linhas(local);
  EXPECT_NE(linhas.find("0000:1"), std::string::npos) << linhas;
  EXPECT_EQ(Linhas(remoto), linhas);
  EXPECT_EQ(Escrever(remoto, "remoto.txt"), Escrever(local, "local.txt"));
}

TEST_F(Remoto, DoisClientesAoMesmoTempoGeramOsArquivosDaGeracaoLocal) {
  ASSERT_GE(demo_.filiais.size(), 2u);
  auto opcoes = [&](int filial, const std::string& pasta) {
    app::OpcoesGeracao o;
    o.filiais = {filial};
    o.inicio = demo_.inicio;
    o.opcao_existente = 0;  // keep every earlier generation
    o.saida = teste::DiretorioTemporario() + "/" + pasta;
    std::filesystem::create_directories(o.saida);
    return o;
  };
  const int f1 = static_cast<int>(demo_.filiais[0]), f2 = static_cast<int>(demo_.filiais[1]);
  std::vector<app::ArquivoGerado> a1, a2;
  std::string erro;
  std::mutex mutex;
  auto gerar = [&](int filial, const char* pasta, std::vector<app::ArquivoGerado>& saida) {
    try {
      saida = app::GerarRemoto(url_servidor_, kToken, opcoes(filial, pasta));
    } catch (const std::exception& e) {
      std::lock_guard trava(mutex);
      erro = e.what();
    }
  };
  std::thread primeiro([&] { gerar(f1, "remoto1", a1); });
  std::thread segundo([&] { gerar(f2, "remoto2", a2); });
  primeiro.join();
  segundo.join();
  ASSERT_EQ(erro, "");
  ASSERT_EQ(a1.size(), 1u);
  ASSERT_EQ(a2.size(), 1u);
  EXPECT_TRUE(a1[0].resumo.problemas.empty());
  const auto l1 = app::Gerar(*sessao_, opcoes(f1, "local1"));
  const auto l2 = app::Gerar(*sessao_, opcoes(f2, "local2"));
  ASSERT_EQ(l1.size(), 1u);
  ASSERT_EQ(l2.size(), 1u);
  EXPECT_EQ(std::filesystem::path(a1[0].caminho).filename(),
            std::filesystem::path(l1[0].caminho).filename());
  const std::string texto1 = Ler(a1[0].caminho);
  EXPECT_GT(texto1.size(), 100u);
  EXPECT_EQ(texto1, Ler(l1[0].caminho));
  EXPECT_EQ(Ler(a2[0].caminho), Ler(l2[0].caminho));
  EXPECT_NE(texto1, Ler(a2[0].caminho));
}

TEST_F(Remoto, GeracaoNumaChamadaDevolveOTextoDoArquivo) {
  std::shared_ptr<TxbTransporteHttp> transporte;
  auto cliente = Cliente(&transporte);
  auto efd = Aplicacao().CriarComo<Th5EFD>("EFD", *cliente);
  const std::string remoto = transporte->PastaRemota() + "/paf.txt";
  const std::string texto = efd->GerarEFDPAF(static_cast<int>(demo_.filiais.front()), demo_.inicio,
                                             demo_.fim, "0", "A", "0", remoto);
  const std::string local = teste::DiretorioTemporario() + "/paf.txt";
  transporte->BaixarArquivo(remoto, local);
  EXPECT_EQ(texto.substr(0, 6), "|0000|");
  EXPECT_EQ(ParaLatin1(texto), Ler(local));
  // Only files of the session's own folder can be fetched.
  EXPECT_THROW(transporte->BaixarArquivo("/etc/passwd", local + ".x"), EErro);
  EXPECT_FALSE(std::filesystem::exists(local + ".x"));
}

TEST_F(Remoto, TokenOuInterfaceErradosSaoRecusados) {
  try {
    TxbTransporteHttp t(url_servidor_, "outro-token", 30);
    FAIL() << "session opened with a wrong token";
  } catch (const EErro& e) {
    EXPECT_NE(std::string(e.what()).find("token"), std::string::npos) << e.what();
  }
  TxbTransporteHttp t(url_servidor_, kToken, 30);
  auto tabela = k20EFDAssinatura;
  tabela.back() = "0";
  try {
    t.CriarObjeto("EFD", tabela);
    FAIL() << "object created with another signature table";
  } catch (const EErro& e) {
    EXPECT_NE(std::string(e.what()).find("interface"), std::string::npos) << e.what();
  }
  EXPECT_THROW(t.CriarObjeto("EFD", k20BlocosEFDAssinatura), EErro);
  EXPECT_THROW(t.CriarObjeto("NaoExiste", {"..."}), EErro);
  EXPECT_GT(t.CriarObjeto("EFD", k20EFDAssinatura), 0);
}

TEST_F(Remoto, PedidosMalformadosRecebemErroEOServidorContinua) {
  httplib::Client http("127.0.0.1", porta_);
  http.set_bearer_token_auth(kToken);
  auto erro = [](const httplib::Result& r) {
    return r ? nlohmann::json::parse(r->body).value("erro", "") : std::string("no answer");
  };
  auto lixo = http.Post("/objeto/executar", "\x01{{ not json", "application/json");
  ASSERT_TRUE(lixo);
  EXPECT_EQ(lixo->status, 400);
  EXPECT_NE(erro(lixo), "");
  auto sem_campos = http.Post("/objeto/executar", "{\"metodo\": 10}", "application/json");
  ASSERT_TRUE(sem_campos);
  EXPECT_EQ(sem_campos->status, 400);
  auto sessao_falsa = http.Post(
      "/objeto/executar", R"({"sessao": 999, "objeto": 1, "metodo": "12"})", "application/json");
  ASSERT_TRUE(sessao_falsa);
  EXPECT_EQ(sessao_falsa->status, 404);
  auto grande = http.Post("/sessao/abrir", std::string(100 * 1024, ' '), "application/json");
  ASSERT_TRUE(grande);
  EXPECT_EQ(grande->status, 413);
  httplib::Client anonimo("127.0.0.1", porta_);
  auto sem_token = anonimo.Post("/sessao/abrir", "{}", "application/json");
  ASSERT_TRUE(sem_token);
  EXPECT_EQ(sem_token->status, 401);

  auto cliente = Cliente();
  auto efd = Aplicacao().CriarComo<Th0EFD>("EFD", *cliente);
  EXPECT_EQ(efd->kModeloIPI_ICMS(), 1);
}

// A server that keeps one session at a time and may close it after a
// second of silence.
class RemotoOcioso : public Remoto {
 protected:
  void Ajustar(TxbConfigServidor& config) override {
    config.sessoes_maximas = 1;
    config.ociosidade_maxima = std::chrono::seconds(1);
  }
};

TEST_F(RemotoOcioso, SessaoAbandonadaDaLugarAUmaNova) {
  httplib::Client http("127.0.0.1", porta_);
  http.set_bearer_token_auth(kToken);
  auto abrir = [&] { return http.Post("/sessao/abrir", "{}", "application/json"); };
  auto primeira = abrir();
  ASSERT_TRUE(primeira);
  ASSERT_EQ(primeira->status, 200);
  auto cheio = abrir();  // the first is not idle yet
  ASSERT_TRUE(cheio);
  EXPECT_EQ(cheio->status, 503);

  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  auto segunda = abrir();
  ASSERT_TRUE(segunda);
  EXPECT_EQ(segunda->status, 200);
  const nlohmann::json valor = {{"sessao", nlohmann::json::parse(primeira->body).at("sessao")},
                                {"nome", "ModeloEFD"}};
  auto antiga = http.Post("/sessao/valor", valor.dump(), "application/json");
  ASSERT_TRUE(antiga);
  EXPECT_EQ(antiga->status, 404);
}

}  // namespace
}  // namespace efd
