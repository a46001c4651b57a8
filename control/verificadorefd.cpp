#include "control/verificadorefd.h"

#include <fmt/format.h>

#include <fstream>
#include <iterator>

#include "framework/xbformato.h"

namespace efd {

TxbResumoArquivo VerificarArquivoEFD(const std::string& caminho) {
  TxbResumoArquivo resumo;
  std::ifstream in(caminho, std::ios::binary);
  if (!in) {
    resumo.problemas.push_back("não foi possível ler " + caminho);
    return resumo;
  }
  const std::string texto((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::map<std::string, long> declarados;
  long bloco9 = 0, total_9999 = -1, total_9990 = -1;
  size_t inicio = 0;
  while (inicio < texto.size()) {
    size_t fim = texto.find("\r\n", inicio);
    const long numero = resumo.linhas + 1;
    if (fim == std::string::npos) {
      resumo.problemas.push_back(fmt::format("linha {} não termina em CRLF", numero));
      fim = texto.size();
    }
    const std::string linha = texto.substr(inicio, fim - inicio);
    inicio = fim + 2;
    ++resumo.linhas;
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
