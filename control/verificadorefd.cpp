#include "control/verificadorefd.h"

#include <fmt/format.h>

#include <fstream>
#include <istream>

#include "framework/xbformato.h"

namespace efd {

namespace {

// Reads the file's lines as the validator splits them, on CRLF, one at a
// time: a month's file can be far larger than the memory it deserves. A bare
// LF stays inside its line, as it would for the validator.
class TLeitorCRLF {
 public:
  explicit TLeitorCRLF(std::istream& in) : in_(in) {}

  // The next line without its CRLF; false at the end. `terminada` tells
  // whether the line ended in CRLF (only the last one may not).
  bool Proxima(std::string& linha, bool& terminada) {
    linha.clear();
    std::string trecho;
    while (std::getline(in_, trecho, '\n')) {
      if (in_.eof()) break;  // no LF after it: the file's unterminated end
      if (!trecho.empty() && trecho.back() == '\r') {
        trecho.pop_back();
        linha += trecho;
        terminada = true;
        return true;
      }
      linha += trecho;
      linha += '\n';
    }
    linha += trecho;
    terminada = false;
    return !linha.empty();
  }

 private:
  std::istream& in_;
};

}  // namespace

TxbResumoArquivo VerificarArquivoEFD(const std::string& caminho) {
  TxbResumoArquivo resumo;
  std::ifstream in(caminho, std::ios::binary);
  if (!in) {
    resumo.problemas.push_back("não foi possível ler " + caminho);
    return resumo;
  }
  std::map<std::string, long> declarados;
  long bloco9 = 0, total_9999 = -1, total_9990 = -1;
  TLeitorCRLF leitor(in);
  std::string linha;
  bool terminada = true;
  while (leitor.Proxima(linha, terminada)) {
    const long numero = ++resumo.linhas;
    if (!terminada) resumo.problemas.push_back(fmt::format("linha {} não termina em CRLF", numero));
    if (linha.size() < 6 || linha.front() != '|' || linha.back() != '|' ||
        linha.find('\n') != std::string::npos) {
      resumo.problemas.push_back(fmt::format("linha {} fora do formato: {}", numero, linha));
      continue;
    }
    const std::vector<std::string> campos = Dividir(linha.substr(1, linha.size() - 2), '|');
    const std::string& codigo = campos[0];
    resumo.por_registro[codigo]++;
    resumo.por_bloco[codigo[0]]++;
    if (codigo[0] == '9') ++bloco9;
    if (codigo == "9900" && campos.size() >= 3)
      declarados[campos[1]] = TextoParaInteiroDef(campos[2], -1);
    if (codigo == "9990" && campos.size() >= 2) total_9990 = TextoParaInteiroDef(campos[1], -1);
    if (codigo == "9999" && campos.size() >= 2) total_9999 = TextoParaInteiroDef(campos[1], -1);
  }
  for (const auto& [codigo, quantidade] : resumo.por_registro) {
    auto it = declarados.find(codigo);
    if (it == declarados.end())
      resumo.problemas.push_back(fmt::format("{} sem linha 9900", codigo));
    else if (it->second != quantidade)
      resumo.problemas.push_back(
          fmt::format("9900 de {} diz {}, o arquivo tem {}", codigo, it->second, quantidade));
  }
  for (const auto& [codigo, quantidade] : declarados)
    if (!resumo.por_registro.count(codigo))
      resumo.problemas.push_back(
          fmt::format("9900 de {} diz {}, o arquivo não tem", codigo, quantidade));
  if (total_9990 != bloco9)
    resumo.problemas.push_back(fmt::format("9990 diz {}, o bloco 9 tem {}", total_9990, bloco9));
  if (total_9999 != resumo.linhas)
    resumo.problemas.push_back(
        fmt::format("9999 diz {}, o arquivo tem {}", total_9999, resumo.linhas));
  return resumo;
}

}  // namespace efd
