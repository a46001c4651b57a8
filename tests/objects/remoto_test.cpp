// The application server on loopback: members run remotely by number, the
// signature tables and the token guard it, a generation through it gives the
// rows and the file of a local one, paths stay in the session's folder,
// silent sessions make room for new clients, and bad requests leave it
// serving.
#include <gtest/gtest.h>

#include <fmt/format.h>
#include <httplib.h>

#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
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
  const std::string sem_token =
      teste::Mensagem<EErro>([&] { TxbTransporteHttp t(url_servidor_, "outro-token", 30); });
  EXPECT_NE(sem_token.find("token"), std::string::npos) << sem_token;
  TxbTransporteHttp t(url_servidor_, kToken, 30);
  auto tabela = k20EFDAssinatura;
  tabela.back() = "0";
  const std::string outra_interface = teste::Mensagem<EErro>([&] { t.CriarObjeto("EFD", tabela); });
  EXPECT_NE(outra_interface.find("interface"), std::string::npos) << outra_interface;
  EXPECT_THROW(t.CriarObjeto("EFD", k20BlocosEFDAssinatura), EErro);
  EXPECT_THROW(t.CriarObjeto("NaoExiste", {"..."}), EErro);
  EXPECT_GT(t.CriarObjeto("EFD", k20EFDAssinatura), 0);
}

// Every path a member receives is resolved in the session's folder: one that
// leads out of it is refused, naming the member, before anything is written.
TEST_F(Remoto, CaminhosSaoConfinadosAPastaDaSessao) {
  namespace fs = std::filesystem;
  std::shared_ptr<TxbTransporteHttp> transporte;
  auto cliente = Cliente(&transporte);
  const fs::path pasta = transporte->PastaRemota();
  const int id = Cabecalho(static_cast<int>(demo_.filiais.front()));
  sessao_->ConfirmarImplicita();
  auto efd = Aplicacao().CriarComo<Th5EFD>("EFD", *cliente);
  efd->GerarRegistros(id, "", "", "1", "", false);  // a blank import path names no file
  auto registros = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistrosEFD", *cliente);
  auto registro0000 = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistroEFD0000", *cliente);

  const fs::path fora = fs::path(teste::DiretorioTemporario()) / "fora-da-sessao";
  fs::create_directories(fora);
  fs::create_directory_symlink(fora, pasta / "atalho");
  auto recusado = [&](const std::string& membro, const fs::path& alvo, auto chamada) {
    const std::string erro = teste::Mensagem<EErro>(chamada);
    EXPECT_NE(erro.find(membro), std::string::npos) << erro;
    EXPECT_NE(erro.find("fora da pasta"), std::string::npos) << erro;
    if (!alvo.empty()) {
      EXPECT_FALSE(fs::exists(alvo)) << alvo;
    }
  };
  const auto cabecalhos = [&] {
    return sessao_->Consultar("SELECT COUNT(*) FROM Z8_EFD", {}).linhas.at(0).at(0).AsInteger();
  };
  const auto antes = cabecalhos();
  recusado("EFD.GerarArquivo", fora / "absoluto.txt",
           [&] { efd->GerarArquivo(id, (fora / "absoluto.txt").string()); });
  recusado("RegistrosEFD.GerarArquivos", pasta.parent_path() / "acima.txt",
           [&] { registros->GerarArquivos(id, "../acima.txt"); });
  recusado("RegistrosEFD.GerarArquivos", fora / "descida.txt",
           [&] { registros->GerarArquivos(id, "nova/../../../fora-da-sessao/descida.txt"); });
  recusado("RegistroEFD0000.GerarArquivos", fora / "atalho.txt",
           [&] { registro0000->GerarArquivos(id, "atalho/atalho.txt"); });
  recusado("EFD.GerarRegistros", "",
           [&] { efd->GerarRegistros(id, "", "", "1", "/etc/passwd", false); });
  recusado("EFD.GerarEFDPAF", fora / "paf.txt", [&] {
    efd->GerarEFDPAF(static_cast<int>(demo_.filiais.front()), demo_.inicio, demo_.fim, "0", "A",
                     "0", (fora / "paf.txt").string());
  });
  EXPECT_EQ(cabecalhos(), antes) << "a refused call stored a header";
  EXPECT_TRUE(fs::is_empty(fora));

  // Relative paths start at the folder; absolute ones may name it.
  EXPECT_EQ(registros->GerarArquivos(id, "relativo.txt"), (pasta / "relativo.txt").string());
  registros->GerarArquivos(id, (pasta / "nova/../absoluto.txt").string());
  const std::string local = teste::DiretorioTemporario() + "/relativo.txt";
  transporte->BaixarArquivo("relativo.txt", local);
  EXPECT_EQ(Ler(local), Ler((pasta / "absoluto.txt").string()));
  EXPECT_GT(Ler(local).size(), 100u);
  // Through the link, ".." leads out of the folder, to a file that exists.
  EXPECT_THROW(transporte->BaixarArquivo("atalho/../relativo.txt", local + ".2"), EErro);
}

// A server that keeps two sessions at a time and lets one go after two seconds
// of silence when a new client needs its place.
class RemotoOcioso : public Remoto {
 protected:
  void Ajustar(TxbConfigServidor& config) override {
    config.sessoes_maximas = 2;
    config.ociosidade_maxima = std::chrono::milliseconds(0);
    config.carencia = std::chrono::seconds(2);
  }

  httplib::Result Postar(const char* rota, const nlohmann::json& corpo) {
    httplib::Client http("127.0.0.1", porta_);
    http.set_bearer_token_auth(kToken);
    return http.Post(rota, corpo.dump(), "application/json");
  }
  int64_t Abrir() {
    auto r = Postar("/sessao/abrir", nlohmann::json::object());
    if (!r || r->status != 200) return 0;
    return nlohmann::json::parse(r->body).at("sessao").get<int64_t>();
  }
  int Status(int64_t sessao) {
    auto r = Postar("/sessao/valor", {{"sessao", sessao}, {"nome", "ModeloEFD"}});
    return r ? r->status : 0;
  }
};

TEST_F(RemotoOcioso, SessaoSilenciosaDaLugarAMaisAntigaPrimeiro) {
  const int64_t primeira = Abrir();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const int64_t segunda = Abrir();
  ASSERT_NE(primeira, 0);
  ASSERT_NE(segunda, 0);
  EXPECT_EQ(Abrir(), 0) << "a session not yet silent for the grace gave its place";

  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  EXPECT_NE(Abrir(), 0);
  EXPECT_EQ(Status(primeira), 404) << "the longest-silent session is the one closed";
  EXPECT_EQ(Status(segunda), 200) << "one place was needed, one session closed";
  EXPECT_EQ(Abrir(), 0) << "the sessions left were heard from just now";
}

// Without a grace, only the idle limit closes sessions: at the next request
// for a new one, full table or not.
class RemotoSemCarencia : public RemotoOcioso {
 protected:
  void Ajustar(TxbConfigServidor& config) override {
    config.sessoes_maximas = 2;
    config.ociosidade_maxima = std::chrono::seconds(1);
    config.carencia = std::chrono::milliseconds(0);
  }
};

TEST_F(RemotoSemCarencia, SessaoAlemDoLimiteEFechadaComLugarSobrando) {
  const int64_t primeira = Abrir();
  ASSERT_NE(primeira, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  const int64_t segunda = Abrir();
  ASSERT_NE(segunda, 0);
  EXPECT_EQ(Status(primeira), 404);
  EXPECT_NE(Abrir(), 0);
  EXPECT_EQ(Abrir(), 0) << "a full table without a grace refuses";
  EXPECT_EQ(Status(segunda), 200);
}

// A member that holds its session until the test lets it go.
struct TPortao {
  std::mutex mutex;
  std::condition_variable sinal;
  bool entrou = false, aberto = false;
};

TEST_F(RemotoOcioso, SessaoNumaChamadaOuEsperandoSuaVezNuncaEFechada) {
  static TPortao portao;
  Aplicacao().RegistrarImplementacao("EFD", "PublicarMetodoAgendado", [](auto&, auto&) {
    std::unique_lock trava(portao.mutex);
    portao.entrou = true;
    portao.sinal.notify_all();
    portao.sinal.wait_for(trava, std::chrono::seconds(30), [] { return portao.aberto; });
    return TVariant();
  });
  auto abrir_portao = [] {
    std::lock_guard trava(portao.mutex);
    portao.aberto = true;
    portao.sinal.notify_all();
  };
  auto cliente = Cliente();
  auto efd = Aplicacao().CriarComo<Th0EFD>("EFD", *cliente);
  ASSERT_EQ(efd->kModeloIPI_ICMS(), 1);
  TxbTransporteHttp outro(url_servidor_, kToken, 60);
  const int64_t objeto = outro.CriarObjeto("EFD", k20EFDAssinatura);

  std::string erro, erro_da_espera;
  TVariant resposta;
  std::thread chamada([&] {
    try {
      efd->PublicarMetodoAgendado();
    } catch (const std::exception& e) {
      erro = e.what();
    }
  });
  {
    std::unique_lock trava(portao.mutex);
    portao.sinal.wait_for(trava, std::chrono::seconds(30), [] { return portao.entrou; });
  }
  // Member calls run one at a time here: this one waits for its turn.
  std::thread espera([&] {
    try {
      resposta = outro.Executar(objeto, "12", std::nullopt, false);
    } catch (const std::exception& e) {
      erro_da_espera = e.what();
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(2300));
  const int64_t nova = Abrir();
  abrir_portao();
  chamada.join();
  espera.join();
  EXPECT_EQ(nova, 0) << "a session in use gave its place";
  EXPECT_EQ(erro, "");
  EXPECT_EQ(erro_da_espera, "");
  EXPECT_EQ(resposta, TVariant(int64_t{1}));
  EXPECT_EQ(efd->kModeloPIS_COFINS(), 2);

  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  EXPECT_NE(Abrir(), 0) << "once idle, a silent session makes room again";
}

// A server that takes bodies of a few megabytes, to be fed a burst of bad
// requests.
class RemotoRajada : public Remoto {
 protected:
  void Ajustar(TxbConfigServidor& config) override { config.tamanho_maximo = 4 << 20; }
};

// Bytes on a connection of their own; the head of the server's answer (empty
// when it closed the connection or said nothing for 5 s).
std::string Bruto(int porta, const std::string& bytes) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in endereco{};
  endereco.sin_family = AF_INET;
  endereco.sin_port = htons(static_cast<uint16_t>(porta));
  endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string resposta;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) == 0) {
    timeval espera{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &espera, sizeof espera);
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    char bloco[4096];
    for (ssize_t lido; resposta.find("\r\n\r\n") == std::string::npos &&
                       (lido = ::recv(fd, bloco, sizeof bloco, 0)) > 0;)
      resposta.append(bloco, static_cast<size_t>(lido));
  }
  ::close(fd);
  return resposta;
}

TEST_F(RemotoRajada, PedidosMalformadosRecebemErroEOServidorContinuaAtendendo) {
  using nlohmann::json;
  httplib::Client http("127.0.0.1", porta_);
  http.set_bearer_token_auth(kToken);
  http.set_read_timeout(30);
  const auto aberta = http.Post("/sessao/abrir", "{}", "application/json");
  ASSERT_TRUE(aberta);
  const int64_t sessao = json::parse(aberta->body).at("sessao").get<int64_t>();
  const auto criado = http.Post(
      "/objeto/criar",
      json{{"sessao", sessao}, {"familia", "EFD"}, {"assinatura", k20EFDAssinatura}}.dump(),
      "application/json");
  ASSERT_TRUE(criado);
  const int64_t objeto = json::parse(criado->body).at("objeto").get<int64_t>();
  const json chamada = {{"sessao", sessao},
                        {"objeto", objeto},
                        {"metodo", "12"},
                        {"parametros", {1, "a", {{"data", 3.5}}}}};

  // Each bad request gets a refusal with a message, never a failure of the server.
  auto recusado = [](const httplib::Result& r, const std::string& o_que, int status = 0) {
    if (!r) {
      ADD_FAILURE() << o_que << ": no answer";
      return;
    }
    EXPECT_TRUE(r->status >= 400 && r->status < 500)
        << o_que << ": " << r->status << " " << r->body;
    if (status) {
      EXPECT_EQ(r->status, status) << o_que;
    }
    const json corpo = json::parse(r->body, nullptr, false);
    EXPECT_TRUE(corpo.is_object() && !corpo.value("erro", "").empty()) << o_que << ": " << r->body;
  };
  const char* rotas[] = {"/sessao/abrir", "/sessao/fechar",  "/sessao/valor",
                         "/objeto/criar", "/objeto/liberar", "/objeto/executar"};
  std::mt19937 sorteio(20260);
  for (int i = 0; i < 12; ++i) {
    std::string lixo(64 + sorteio() % 2048, '\0');
    for (char& c : lixo) c = static_cast<char>(sorteio());
    const std::string resposta = Bruto(porta_, lixo + "\r\n\r\n");
    EXPECT_TRUE(resposta.starts_with("HTTP/1.1 4")) << resposta.substr(0, 80);
    recusado(http.Post(rotas[i % 6], lixo, "application/json"), "random body");
  }
  const std::string texto = chamada.dump();
  for (size_t corte = 0; corte < texto.size(); ++corte)
    recusado(http.Post("/objeto/executar", texto.substr(0, corte), "application/json"),
             "truncated at " + std::to_string(corte), 400);
  const size_t fundo = 1'000'000;
  recusado(http.Post("/objeto/executar", std::string(fundo, '[') + std::string(fundo, ']'),
                     "application/json"),
           "nested arrays", 400);
  std::string objetos;
  for (size_t i = 0; i < fundo / 8; ++i) objetos += "{\"a\":";
  objetos += "1" + std::string(fundo / 8, '}');
  recusado(http.Post("/sessao/valor", objetos, "application/json"), "nested objects", 400);
  const std::string aninhados = std::string(fundo, '[') + std::string(fundo, ']');
  recusado(http.Post("/objeto/executar",
                     fmt::format(R"({{"sessao": {}, "objeto": {}, "metodo": "12", "parametros": )",
                                 sessao, objeto) +
                         aninhados + "}",
                     "application/json"),
           "nested parameters", 400);

  // Well-formed JSON with fields of the wrong type or value: route and body.
  std::vector<std::pair<std::string, std::string>> errados;
  auto trocar = [&](const char* campo, const json& valor) {
    json pedido = chamada;
    pedido[campo] = valor;
    errados.emplace_back("/objeto/executar", pedido.dump());
  };
  for (const json& valor : {json("1"), json::array({1}), json(nullptr), json(1.5), json(true)}) {
    trocar("sessao", valor);
    trocar("objeto", valor);
  }
  for (const json& valor : {json(12), json(nullptr), json::object()}) trocar("metodo", valor);
  for (const json& valor : {json::object({{"a", 1}}), json("1"), json::array({json::array({1})}),
                            json::array({json::object({{"x", 1}})})})
    trocar("parametros", valor);
  for (const json& assinatura : {json("x"), json::array({1, 2}), json::array()})
    errados.emplace_back(
        "/objeto/criar",
        json{{"sessao", sessao}, {"familia", "EFD"}, {"assinatura", assinatura}}.dump());
  errados.emplace_back("/objeto/criar", R"({"sessao": 1, "familia": 7, "assinatura": ["1"]})");
  errados.emplace_back("/sessao/valor", json{{"sessao", sessao}, {"nome", 5}}.dump());
  errados.emplace_back("/sessao/fechar", R"({"sessao": "todas"})");
  errados.emplace_back("/objeto/liberar", json{{"sessao", sessao}, {"objeto", 99}}.dump());
  for (const char* id : {"-1", "99999", "9223372036854775807", "18446744073709551615"})
    errados.emplace_back("/sessao/valor", fmt::format(R"({{"sessao": {}, "nome": "x"}})", id));
  for (const char* corpo : {"[]", "1", "\"x\"", "null", "true", ""})
    errados.emplace_back("/objeto/executar", corpo);
  for (const auto& [rota, corpo] : errados)
    recusado(http.Post(rota, corpo, "application/json"), rota + " " + corpo);
  recusado(http.Get("/arquivo?sessao=abc&caminho=x"), "session in a file request", 400);
  recusado(http.Get("/rota/que/nao/existe"), "unknown route", 404);
  const size_t demais = (4 << 20) + 1;
  const std::string grande =
      Bruto(porta_, fmt::format("POST /sessao/abrir HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: "
                                "Bearer {}\r\nContent-Length: {}\r\n\r\n",
                                kToken, demais) +
                        std::string(demais, ' '));
  EXPECT_TRUE(grande.starts_with("HTTP/1.1 413")) << grande.substr(0, 80);

  for (const std::string& autorizacao : std::vector<std::string>{
           "Bearer errado", "Bearer " + std::string(kToken) + "x", "bearer " + std::string(kToken),
           std::string(kToken), "Basic " + std::string(kToken), "Bearer ", ""}) {
    httplib::Client estranho("127.0.0.1", porta_);
    const httplib::Headers cabecalhos = {{"Authorization", autorizacao}};
    recusado(estranho.Post("/objeto/executar", cabecalhos, texto, "application/json"),
             "token '" + autorizacao + "'", 401);
    recusado(estranho.Get("/arquivo?sessao=1&caminho=x", cabecalhos), "token on a file", 401);
  }

  // The server still serves the session opened before and a new client.
  const auto depois = http.Post("/objeto/executar", texto, "application/json");
  ASSERT_TRUE(depois);
  EXPECT_EQ(depois->status, 200) << depois->body;
  EXPECT_EQ(json::parse(depois->body).at("resultado"), 1);
  auto cliente = Cliente();
  auto efd = Aplicacao().CriarComo<Th0EFD>("EFD", *cliente);
  EXPECT_EQ(efd->kModeloPIS_COFINS(), 2);
}

}  // namespace
}  // namespace efd
