#include "tests/testutil.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "app/banco.h"
#include "erp/erp.h"
#include "framework/pbbd.h"
#include "framework/xbaplicacao.h"

namespace efd::teste {
namespace {

namespace fs = std::filesystem;

class TDiretorio {
 public:
  TDiretorio() {
    std::string modelo = (fs::temp_directory_path() / "efd-teste-XXXXXX").string();
    if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp falhou em " + modelo);
    // A Firebird server running as another user must reach the files inside.
    chmod(modelo.c_str(), 0711);
    caminho_ = modelo;
  }
  ~TDiretorio() {
    std::error_code erro;
    fs::remove_all(caminho_, erro);
  }
  const std::string& Caminho() const { return caminho_; }

 private:
  std::string caminho_;
};

std::string NovoArquivo(const std::string& prefixo, const std::string& extensao) {
  static std::atomic<int> contador{0};
  return (fs::path(DiretorioTemporario()) / (prefixo + std::to_string(++contador) + extensao))
      .string();
}

// An empty Firebird database made once per process (creating one costs tens of
// milliseconds; copying it, a few).
const std::string& ModeloFirebird() {
  static const std::string modelo = [] {
    const std::string caminho = NovoArquivo("modelo", ".fdb");
    TpbBD::Conectar("firebird:" + caminho);  // creates the file, then detaches
    return caminho;
  }();
  return modelo;
}

// The schema of the ERP and the module in a Firebird file, made once per build
// of the tests and shared by their processes: creating its hundreds of tables
// takes seconds on Firebird, copying the file milliseconds. It lives beside
// the test binary, named after the binary's size and time, so a new build
// makes a new one and removes the old.
const std::string& EsquemaFirebird() {
  static const std::string esquema = [] {
    const fs::path binario = fs::read_symlink("/proc/self/exe");
    const std::string prefixo = binario.filename().string() + ".esquema-";
    struct stat dados {};
    stat(binario.c_str(), &dados);
    const std::string selo = std::to_string(dados.st_size) + "-" +
                             std::to_string(dados.st_mtim.tv_sec) + "." +
                             std::to_string(dados.st_mtim.tv_nsec);
    const fs::path caminho = binario.parent_path() / (prefixo + selo + ".fdb");
    const std::string trava = caminho.string() + ".lock";
    const int fd = open(trava.c_str(), O_CREAT | O_RDWR, 0644);
    if (fd < 0 || flock(fd, LOCK_EX) != 0)
      throw std::runtime_error("Não foi possível travar " + trava);
    if (!fs::exists(caminho)) {
      // Those of earlier builds go; this build's lock stays, as it is held.
      for (const auto& antigo : fs::directory_iterator(binario.parent_path())) {
        const std::string nome = antigo.path().filename().string();
        if (nome.starts_with(prefixo) && !nome.starts_with(caminho.filename().string()))
          fs::remove(antigo.path());
      }
      const std::string feito = NovoArquivo("esquema", ".fdb");
      app::AbrirBanco("firebird:" + feito, app::TCriacaoBanco::Criar);  // detaches at the end
      fs::copy_file(feito, caminho.string() + ".novo", fs::copy_options::overwrite_existing);
      fs::rename(caminho.string() + ".novo", caminho);
    }
    close(fd);  // releases the lock
    return caminho.string();
  }();
  return esquema;
}

std::string CopiaDe(const std::string& origem) {
  const std::string destino = NovoArquivo("banco", ".fdb");
  fs::copy_file(origem, destino);
  chmod(destino.c_str(), 0666);
  return destino;
}

std::string ServidorFirebird() {
  const char* servidor = std::getenv("EFD_TEST_FIREBIRD_SERVER");
  return servidor ? servidor : "";
}

}  // namespace

std::string DiretorioTemporario() {
  static TDiretorio diretorio;
  return diretorio.Caminho();
}

namespace {

std::string UrlDaCopia(const std::string& motor, const std::string& (*origem)()) {
  if (motor == "sqlite") return "sqlite::memory:";
  if (motor == "firebird") return "firebird:" + CopiaDe(origem());
  if (motor == "firebird-server") {
    const std::string servidor = ServidorFirebird();
    if (servidor.empty())
      throw std::runtime_error(
          "firebird-server: EFD_TEST_FIREBIRD_SERVER (HOST:PORT) não definida");
    // The server runs on this machine and opens the copy by its path.
    return "firebird://" + servidor + CopiaDe(origem());
  }
  throw std::invalid_argument("Motor de teste desconhecido: " + motor);
}

}  // namespace

std::string NovaUrl(const std::string& motor) {
  return UrlDaCopia(motor, ModeloFirebird);
}

std::string NovaUrlComEsquema(const std::string& motor) {
  return UrlDaCopia(motor, EsquemaFirebird);
}

std::vector<std::string> MotoresDeTeste() {
  return {"sqlite", "firebird", "firebird-server"};
}

bool MotorDisponivel(const std::string& motor) {
  return motor != "firebird-server" || !ServidorFirebird().empty();
}

std::vector<std::string> UrlsDeTeste() {
  std::vector<std::string> urls;
  for (const std::string& motor : MotoresDeTeste())
    if (MotorDisponivel(motor)) urls.push_back(NovaUrl(motor));
  return urls;
}

TModuloOpcional::TModuloOpcional(std::vector<std::string> familias) : removida_(familias.back()) {
  erp::Registrar(std::set<std::string>(familias.begin(), familias.end()));
}

TModuloOpcional::~TModuloOpcional() {
  Aplicacao().RemoverClasse(removida_);
}

}  // namespace efd::teste
