#include "tests/testutil.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "framework/pbbd.h"

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

std::string CopiaDoModelo() {
  const std::string destino = NovoArquivo("banco", ".fdb");
  fs::copy_file(ModeloFirebird(), destino);
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

std::string NovaUrl(const std::string& motor) {
  if (motor == "sqlite") return "sqlite::memory:";
  if (motor == "firebird") return "firebird:" + CopiaDoModelo();
  if (motor == "firebird-server") {
    const std::string servidor = ServidorFirebird();
    if (servidor.empty())
      throw std::runtime_error(
          "firebird-server: EFD_TEST_FIREBIRD_SERVER (HOST:PORT) não definida");
    // The server runs on this machine and opens the copy by its path.
    return "firebird://" + servidor + CopiaDoModelo();
  }
  throw std::invalid_argument("Motor de teste desconhecido: " + motor);
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

}  // namespace efd::teste
