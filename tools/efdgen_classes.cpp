// Generation of the Th0 classes: per member the public method and its
// virtual INTERNO_ twin, properties, constants, relationship accessors,
// Informacao, and the registration of the generated and hand-written classes.
//
// Member declaration: {"no": "1", "name": "GerarArquivo", "args": ["integer", "string"],
//   "result": "string", "impl": "external"}; kinds: a method (default), "property": TYPE
//   (held by the object; "local": true when it never travels), "notify": true (a
//   notification method, overridden directly), "const": VALUE. "impl": "external" marks a
//   member whose body lies outside the module (the generation driver): its INTERNO_ twin asks
//   the application's external implementation.
#include <fmt/format.h>

#include <map>
#include <sstream>
#include <stdexcept>

#include "tools/efdgen.h"

namespace efdgen {
namespace {

struct TipoCpp {
  std::string parametro;  // as an argument
  std::string valor;      // as a result or field
  std::string neutro;     // neutral value
  std::string conversao;  // TVariant -> value
};

TipoCpp Tipo(const std::string& t) {
  if (t == "integer") return {"int", "int", "0", ".AsInteger()"};
  if (t == "string") return {"const std::string&", "std::string", "std::string()", ".AsString()"};
  if (t == "boolean") return {"bool", "bool", "false", ".AsBoolean()"};
  if (t == "date") return {"efd::TDateTime", "efd::TDateTime", "efd::TDateTime()", ".AsDateTime()"};
  if (t == "real") return {"double", "double", "0.0", ".AsFloat()"};
  if (t == "object")
    return {"std::shared_ptr<ThbObjetoNegocio>&", "std::shared_ptr<ThbObjetoNegocio>", "nullptr",
            ""};
  if (t == "notify") return {"TNotificacao", "TNotificacao", "TNotificacao()", ""};
  if (t.empty() || t == "void") return {"void", "void", "", ""};
  throw std::runtime_error("unknown member type '" + t + "'");
}

struct Membro {
  std::string no, nome, resultado, propriedade, constante;
  std::vector<std::string> args;
  bool notificacao = false, local = false, externo = false;
};

Membro LerMembro(const json& m) {
  Membro r;
  r.no = m.value("no", "");
  r.nome = m.at("name");
  r.resultado = m.value("result", "");
  r.propriedade = m.value("property", "");
  r.notificacao = m.value("notify", false);
  r.local = m.value("local", false);
  r.externo = m.value("impl", "") == "external";
  if (m.contains("const")) r.constante = m.at("const").dump();
  if (m.contains("args"))
    for (const auto& a : m.at("args")) r.args.push_back(a);
  return r;
}

std::string Parametros(const Membro& m, bool com_tipos) {
  std::string r;
  for (size_t i = 0; i < m.args.size(); ++i) {
    if (i) r += ", ";
    r += com_tipos ? Tipo(m.args[i]).parametro + " a" + std::to_string(i) : "a" + std::to_string(i);
  }
  return r;
}

void GerarMembro(std::ostream& h, const Membro& m) {
  if (m.notificacao) {
    h << fmt::format("  // {}: notification method.\n", m.nome);
    h << fmt::format("  virtual void {}(ThbObjetoNegocio& remetente) {{ (void)remetente; }}\n",
                     m.nome);
    return;
  }
  if (!m.propriedade.empty()) {
    TipoCpp t = Tipo(m.propriedade);
    h << fmt::format("  {} Get{}() {{ return INTERNO_Get{}(); }}\n", t.valor, m.nome, m.nome);
    h << fmt::format("  void Set{}({} valor) {{ INTERNO_Set{}(valor); }}\n", m.nome, t.parametro,
                     m.nome);
    h << fmt::format("  virtual {} INTERNO_Get{}() {{ return f{}; }}\n", t.valor, m.nome, m.nome);
    h << fmt::format("  virtual void INTERNO_Set{}({} valor) {{ f{} = valor; }}\n", m.nome,
                     t.parametro, m.nome);
    return;
  }
  TipoCpp r = Tipo(m.resultado);
  std::string retorno = r.valor == "void" ? "" : "return ";
  h << fmt::format("  {} {}({}) {{ {}INTERNO_{}({}); }}\n", r.valor, m.nome, Parametros(m, true),
                   retorno, m.nome, Parametros(m, false));
  std::string corpo;
  if (!m.constante.empty()) {
    corpo = "return " + m.constante + ";";
  } else if (m.externo) {
    std::string lista;
    for (size_t i = 0; i < m.args.size(); ++i)
      lista += (i ? ", " : "") + std::string("efd::TVariant(a") + std::to_string(i) + ")";
    std::string chamada =
        fmt::format("Aplicacao().ExecutarExterno(*this, {}, {{{}}})", Literal(m.nome), lista);
    corpo = r.valor == "void" ? chamada + ";" : "return " + chamada + r.conversao + ";";
  } else {
    for (size_t i = 0; i < m.args.size(); ++i) corpo += "(void)a" + std::to_string(i) + "; ";
    corpo += r.valor == "void" ? "" : "return " + r.neutro + ";";
  }
  h << fmt::format("  virtual {} INTERNO_{}({}) {{ {} }}\n", r.valor, m.nome, Parametros(m, true),
                   corpo);
}

struct Objeto {
  json f;
  std::string nome, arquivo;
};

}  // namespace

void GerarClasses(const std::vector<Declaracao>& declaracoes, const std::string& stem,
                  const std::string& saida) {
  std::map<std::string, Objeto> objetos;
  for (const auto& d : declaracoes)
    for (const auto& f : d.doc.at("families"))
      if (f.contains("class")) objetos[f.at("name")] = {f, f.at("name"), d.arquivo};

  std::ostringstream registro;
  registro << "// Generated by efdgen from the declarations; do not edit.\n"
           << "#include <memory>\n\n#include \"framework/xbaplicacao.h\"\n";
  std::ostringstream corpo_registro;

  for (const auto& [nome, o] : objetos) {
    const json& f = o.f;
    const json& classe = f.at("class");
    const std::string prefixo = f.value("prefix", nome);
    const std::string ancestral = f.value("ancestor", "");
    std::string base = "ThbObjetoNegocio", include_base = "framework/hbobjetonegocio.h";
    if (!ancestral.empty()) {
      auto it = objetos.find(ancestral);
      if (it == objetos.end())
        throw std::runtime_error(o.arquivo + ": unknown ancestor " + ancestral);
      base = it->second.f.at("class").value("handwritten", "Th0" + ancestral);
      include_base = it->second.f.at("class").value("header", "uh0" + Lower(ancestral) + ".h");
    }
    std::ostringstream h;
    h << "// Generated by efdgen from " << o.arquivo << "; do not edit.\n#pragma once\n\n"
      << "#include <memory>\n#include <string>\n\n#include \"" << include_base << "\"\n"
      << "#include \"framework/xbaplicacao.h\"\n#include \"framework/xbvariant.h\"\n\n"
      << "namespace efd {\n\n";
    h << "class Th0" << nome << " : public " << base << " {\n public:\n";
    h << "  static constexpr const char* kFamilia = " << Literal(nome) << ";\n";
    if (f.contains("relationships"))
      for (const auto& [rel, alvo] : f.at("relationships").items()) {
        h << fmt::format(
            "  std::shared_ptr<ThbObjetoNegocio> Get{0}() {{ return "
            "GetPropRelacionamentoMW(\"Rl{0}\"); "
            "}}\n",
            rel);
        h << fmt::format(
            "  void Set{0}(std::shared_ptr<ThbObjetoNegocio> o) {{ "
            "SetPropRelacionamentoMW(\"Rl{0}\", "
            "std::move(o)); }}\n",
            rel);
      }
    std::vector<Membro> membros;
    if (f.contains("members"))
      for (const auto& m : f.at("members")) membros.push_back(LerMembro(m));
    for (const auto& m : membros) GerarMembro(h, m);
    h << "  std::string Informacao(int tipo) const {\n    switch (tipo) {\n"
      << "      case 0: return " << Literal(f.value("description", "")) << ";\n"
      << "      case 1: return " << Literal(f.value("caption", "")) << ";\n"
      << "      case 3: return " << Literal(prefixo) << ";\n"
      << "      case 4: return \"110\";\n      default: return std::string();\n    }\n  }\n";
    if (!ancestral.empty())
      h << "  static constexpr const char* FamiliaAncestralMW() { return " << Literal(ancestral)
        << "; }\n";
    h << "\n protected:\n";
    for (const auto& m : membros)
      if (!m.propriedade.empty())
        h << "  " << Tipo(m.propriedade).valor << " f" << m.nome << "{};\n";
    h << "};\n\n}  // namespace efd\n";
    Escrever(saida + "/uh0" + Lower(nome) + ".h", h.str());

    registro << "#include \"uh0" << Lower(nome) << ".h\"\n";
    corpo_registro << fmt::format(
        "  Aplicacao().RegistrarClasse({0}, [] {{ return std::make_shared<Th0{1}>(); }});\n",
        Literal(nome), nome);
    if (classe.contains("handwritten")) {
      registro << "#include \"" << classe.at("header").get<std::string>() << "\"\n";
      corpo_registro << fmt::format(
          "  Aplicacao().RegistrarClasse({0}, [] {{ return std::make_shared<{1}>(); }});\n",
          Literal(nome), classe.at("handwritten").get<std::string>());
    }
  }
  registro
      << "\nnamespace efd {\n\n// Generated class first, then the hand-written class under the "
         "same family name.\nvoid RegistrarClasses_"
      << stem << "() {\n"
      << corpo_registro.str() << "}\n\n}  // namespace efd\n";
  Escrever(saida + "/" + stem + "_classes.cpp", registro.str());
}

}  // namespace efdgen
