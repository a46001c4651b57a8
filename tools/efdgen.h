// Shared pieces of the efdgen generator.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace efdgen {

using json = nlohmann::ordered_json;

struct Declaracao {
  std::string arquivo;
  json doc;
};

std::string Upper(std::string s);
std::string Lower(std::string s);
std::string Literal(const std::string& s);
// Writes the file only when its content changes.
void Escrever(const std::string& destino, const std::string& conteudo);

// The generated classes (uh0<name>.h/.cpp) of every family that declares
// "class", and <stem>_classes.cpp registering them; with a module declaration
// (modulo, may be null) also the module factory and resources (uhsmodulo.h,
// <stem>_modulo.cpp).
void GerarClasses(const std::vector<Declaracao>& declaracoes, const json* modulo,
                  const std::string& stem, const std::string& saida);

// The Markdown description of every declared table (its columns, their types,
// meanings and the families they refer to), grouped by module, written to
// destino.
void GerarDocumentacao(const std::vector<Declaracao>& declaracoes, const std::string& destino);

}  // namespace efdgen
