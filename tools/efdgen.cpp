// efdgen: reads the JSON declarations of business-object families and writes
// the C++ that registers their metadata.
//
// Declaration file:
//   {"module": "Fiscal", "families": [{
//      "name": "EFD", "prefix": "EFD", "table": "Z8_EFD", "ancestor": "",
//      "description": "...", "caption": "...",
//      "attributes": {"IDF_Filial": ["integer", "Branch.", "Filial"], "Modelo": "string(1)"},
//      "views": {"VsX": [["TipoBlocoEFD", "TpRegEFD_IDF_TipoBlocoEFD"]]},
//      "relationships": {"Filial": "Filial"},
//      "indexes": ["IDF_EFD"]}]}
// prefix defaults to name; table to "Z8_" + upper(prefix).
// Types: integer, string(n), text, float, date, time, datetime, boolean.
// An attribute's optional third element names the family its value refers to
// (a foreign key: the ID of a row of that family's table).
// --doc FILE writes the Markdown description of the declared tables.
// --classes also writes the generated classes; --module FILE (the module's own
// declaration: file name, long name, version, product line, resources) adds
// the module factory and resources.
#include <fmt/format.h>

#include <cctype>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/efdgen.h"

using namespace efdgen;

namespace {

struct Tipo {
  std::string enumerado;
  int tamanho = 0;
};

Tipo LerTipo(const std::string& texto, const std::string& onde) {
  std::string base = texto;
  int tamanho = 0;
  if (auto p = texto.find('('); p != std::string::npos) {
    base = texto.substr(0, p);
    tamanho = std::stoi(texto.substr(p + 1));
  }
  if (base == "integer") return {"Inteiro", 0};
  if (base == "string") return {"Texto", tamanho ? tamanho : 100};
  if (base == "text") return {"Memo", 0};
  if (base == "float") return {"Real", 0};
  if (base == "date") return {"Data", 0};
  if (base == "time") return {"Hora", 0};
  if (base == "datetime") return {"DataHora", 0};
  if (base == "boolean") return {"Logico", 1};
  throw std::runtime_error(onde + ": unknown type '" + texto + "'");
}

// The tables of one family (attributes, views, relationships, indexes),
// named by the family's position, and its entry in the list of families.
void GerarFamilia(std::ostream& tabelas, std::ostream& lista, int n, const json& f,
                  const std::string& modulo, const std::string& arquivo) {
  const std::string nome = f.at("name");
  const std::string prefixo = f.value("prefix", nome);
  const std::string onde = arquivo + ": " + nome;
  // A table with its entries, or an empty span where the family has none.
  auto tabela = [&](const char* tipo, const char* nome_tabela, const std::string& entradas) {
    if (entradas.empty()) return std::string("{}");
    const std::string id = fmt::format("{}{}", nome_tabela, n);
    tabelas << "constexpr " << tipo << " " << id << "[] = {\n" << entradas << "};\n";
    return id;
  };
  std::string atributos, visoes, relacionamentos, indices;
  if (f.contains("attributes"))
    for (const auto& [campo, def] : f.at("attributes").items()) {
      std::string tipo_texto =
          def.is_array() ? def.at(0).get<std::string>() : def.get<std::string>();
      std::string descricao = def.is_array() && def.size() > 1 ? def.at(1).get<std::string>() : "";
      std::string referencia = def.is_array() && def.size() > 2 ? def.at(2).get<std::string>() : "";
      Tipo t = LerTipo(tipo_texto, onde + "." + campo);
      atributos += fmt::format("    {{{}, {}, TTipoCampo::{}, {}, {}, {}}},\n", Literal(campo),
                               Literal(Upper(campo)), t.enumerado, t.tamanho, Literal(descricao),
                               Literal(referencia));
    }
  if (f.contains("views"))
    for (const auto& [visao, juncoes] : f.at("views").items()) {
      if (juncoes.empty()) visoes += fmt::format("    {{{}, nullptr, nullptr}},\n", Literal(visao));
      for (const auto& j : juncoes)
        visoes += fmt::format("    {{{}, {}, {}}},\n", Literal(visao), Literal(j.at(0)),
                              Literal(j.at(1)));
    }
  if (f.contains("relationships"))
    for (const auto& [rel, familia] : f.at("relationships").items())
      relacionamentos += fmt::format("    {{{}, {}}},\n", Literal(rel), Literal(familia));
  if (f.contains("indexes"))
    for (const auto& i : f.at("indexes")) indices += "    " + Literal(i) + ",\n";
  lista << "    {" << Literal(nome) << ", " << Literal(prefixo) << ", "
        << Literal(f.value("table", "Z8_" + Upper(prefixo))) << ", "
        << Literal(f.value("ancestor", "")) << ", " << Literal(f.value("module", modulo)) << ", "
        << Literal(f.value("description", "")) << ", " << Literal(f.value("caption", "")) << ", "
        << tabela("TxbAtributoDeclarado", "kAtributos", atributos) << ", "
        << tabela("TxbJuncaoDeclarada", "kVisoes", visoes) << ", "
        << tabela("TxbRelacionamentoDeclarado", "kRelacionamentos", relacionamentos) << ", "
        << tabela("const char*", "kIndices", indices) << "},\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::string stem, saida, documentacao, modulo;
  bool classes = false;
  std::vector<std::string> arquivos;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--stem" && i + 1 < argc)
      stem = argv[++i];
    else if (a == "--out" && i + 1 < argc)
      saida = argv[++i];
    else if (a == "--classes")
      classes = true;
    else if (a == "--module" && i + 1 < argc)
      modulo = argv[++i];
    else if (a == "--doc" && i + 1 < argc)
      documentacao = argv[++i];
    else
      arquivos.push_back(a);
  }
  if ((stem.empty() || saida.empty()) && documentacao.empty()) {
    std::cerr
        << "usage: efdgen [--stem NAME --out DIR [--classes [--module FILE]]] [--doc FILE.md] "
           "DECLARATION.json...\n";
    return 2;
  }
  try {
    std::ostringstream tabelas, lista;
    std::vector<Declaracao> declaracoes;
    int n = 0;
    for (const auto& arquivo : arquivos) {
      std::ifstream in(arquivo);
      if (!in) throw std::runtime_error("cannot read " + arquivo);
      Declaracao d{arquivo, {}};
      try {
        d.doc = json::parse(in);
      } catch (const json::exception& e) {
        throw std::runtime_error(arquivo + ": " + e.what());
      }
      const std::string modulo = d.doc.value("module", "");
      for (const auto& f : d.doc.at("families"))
        GerarFamilia(tabelas, lista, n++, f, modulo, arquivo);
      declaracoes.push_back(std::move(d));
    }
    std::ostringstream out;
    out << "// Generated by efdgen from the declarations; do not edit.\n"
        << "#include \"framework/xbmetadados.h\"\n\nnamespace efd {\nnamespace {\n\n"
        << tabelas.str() << "\nconstexpr TxbFamiliaDeclarada kFamilias[] = {\n"
        << lista.str() << "};\n\n}  // namespace\n\n"
        << "void RegistrarFamilias_" << stem << "() {\n"
        << "  RegistrarFamiliasDeclaradas(kFamilias);\n}\n\n}  // namespace efd\n";
    if (!stem.empty()) Escrever(saida + "/" + stem + "_metadados.cpp", out.str());
    if (classes) {
      json declaracao_modulo;
      if (!modulo.empty()) {
        std::ifstream in(modulo);
        if (!in) throw std::runtime_error("cannot read " + modulo);
        declaracao_modulo = json::parse(in);
      }
      GerarClasses(declaracoes, modulo.empty() ? nullptr : &declaracao_modulo, stem, saida);
    }
    if (!documentacao.empty()) GerarDocumentacao(declaracoes, documentacao);
  } catch (const std::exception& e) {
    std::cerr << "efdgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
