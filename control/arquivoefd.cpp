#include "control/arquivoefd.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "framework/xberros.h"

namespace efd {
namespace {

[[noreturn]] void CaractereInvalido(std::string_view texto, size_t posicao) {
  size_t inicio = texto.rfind('\n', posicao);
  inicio = inicio == std::string_view::npos ? 0 : inicio + 1;
  std::string_view linha = texto.substr(inicio);
  size_t fim_codigo = linha.find('|', 1);
  std::string registro(linha.substr(1, fim_codigo == std::string_view::npos ? 0 : fim_codigo - 1));
  long campo = std::count(texto.begin() + static_cast<long>(inicio),
                          texto.begin() + static_cast<long>(posicao), '|') -
               1;
  size_t n = 1;
  while (posicao + n < texto.size() &&
         (static_cast<unsigned char>(texto[posicao + n]) & 0xC0) == 0x80)
    ++n;
  throw EErro(
      fmt::format("Registro {}, campo {}: o caractere '{}' não pode ser gravado em ISO-8859-1",
                  registro, campo, texto.substr(posicao, n)));
}

}  // namespace

std::string ParaLatin1(std::string_view utf8) {
  std::string r;
  r.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      r += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      r += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
      ++i;
    } else {
      CaractereInvalido(utf8, i);
    }
  }
  return r;
}

TxbArquivoEFD::TxbArquivoEFD(std::string caminho) : caminho_(std::move(caminho)) {
  std::filesystem::path destino(caminho_);
  std::filesystem::path pasta = destino.has_parent_path() ? destino.parent_path() : ".";
  std::string modelo = (pasta / ("." + destino.filename().string() + ".XXXXXX")).string();
  int fd = mkstemp(modelo.data());
  if (fd < 0)
    throw EErro(fmt::format("Não foi possível criar o arquivo em {}: {}", pasta.string(),
                            std::strerror(errno)));
  temporario_ = modelo;
  arquivo_ = fdopen(fd, "wb");
}

TxbArquivoEFD::~TxbArquivoEFD() {
  if (arquivo_) {
    std::fclose(arquivo_);
    std::remove(temporario_.c_str());
  }
}

void TxbArquivoEFD::Escrever(std::string_view texto) {
  const std::string bytes = ParaLatin1(texto);
  linhas_ += std::count(bytes.begin(), bytes.end(), '\n');
  if (std::fwrite(bytes.data(), 1, bytes.size(), arquivo_) != bytes.size())
    throw EErro("Falha ao gravar " + caminho_ + ": " + std::strerror(errno));
}

void TxbArquivoEFD::Concluir() {
  std::FILE* f = arquivo_;
  arquivo_ = nullptr;
  if (std::fflush(f) != 0 || fsync(fileno(f)) != 0 || std::fclose(f) != 0) {
    std::remove(temporario_.c_str());
    throw EErro("Falha ao gravar " + caminho_ + ": " + std::strerror(errno));
  }
  std::filesystem::rename(temporario_, caminho_);
}

}  // namespace efd
