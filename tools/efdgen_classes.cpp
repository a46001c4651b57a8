// Generation of the business-object layer from the declarations: per object
// the Th0 class (uh0<name>.h and .cpp), and for the whole module the factory
// with its resources (uhsmodulo.h, <stem>_modulo.cpp) and the registration of
// the generated and hand-written classes (<stem>_classes.cpp).
//
// Member declaration: {"no": "1", "name": "GerarArquivo", "args": ["integer", "string"],
//   "result": "string", "impl": "external"}; kinds: a method (default), "property": TYPE
//   (held by the object; "local": true when it never travels), "notify": true (a
//   notification method, overridden directly), "const": VALUE. An argument "var string" is a
//   text the member may change for its caller. "impl": "external" marks a
//   member whose body lies outside the module (the generation driver): its INTERNO_ twin asks
//   the application's external implementation.
//
// A member travels to the application server under its number ("10"; a property as "3_1"
// to read and "3_2" to write) unless it is local, a notification, or takes an object, a
// notification or a var argument. The public method decides: on a client session it sends the
// number and the arguments through Executar; otherwise it calls the INTERNO_ twin, which the
// hand-written class overrides, so an override never sees the transport. ExecutarMetodo
// turns a number back into the call on the server. "paths": [1] lists the text arguments of a
// travelling member that name files on the server's machine (CaminhosDoMembro answers them by
// number), which the application server keeps inside the calling session's work folder.
//
// The signature table k20<name>Assinatura holds, per member in declaration order, a 16-bit
// check value (CRC-16/CCITT of the member's declaration text) in decimal; equal
// declarations give equal values in every object, and an object without members of its
// own has the single entry "...".
#include <fmt/format.h>

#include <cstdint>
#include <map>
#include <set>
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
  // A text the member may change for its caller; such members never travel.
  if (t == "var string") return {"std::string&", "std::string", "std::string()", ".AsString()"};
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
  std::vector<size_t> caminhos;  // positions of the arguments that name files
  bool notificacao = false, local = false, externo = false;

  // Whether the member travels to the application server under its number.
  bool Viaja() const {
    if (no.empty() || local || notificacao || propriedade == "notify") return false;
    for (const auto& a : args)
      if (a == "object" || a == "notify" || a.starts_with("var ")) return false;
    return true;
  }
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
  for (const auto& i : m.value("paths", json::array())) {
    const size_t posicao = i.get<size_t>();
    if (posicao >= r.args.size() || r.args[posicao] != "string" || !r.Viaja())
      throw std::runtime_error(r.nome + ": a path must be a text argument of a travelling member");
    r.caminhos.push_back(posicao);
  }
  return r;
}

// The declaration text whose check value goes into the signature table.
std::string TextoDeclaracao(const Membro& m) {
  if (m.notificacao) return "procedure " + m.nome + "(object)";
  if (!m.propriedade.empty()) return "property " + m.nome + ":" + m.propriedade;
  std::string texto = (m.resultado.empty() ? "procedure " : "function ") + m.nome + "(";
  for (size_t i = 0; i < m.args.size(); ++i) texto += (i ? "," : "") + m.args[i];
  texto += ")";
  if (!m.resultado.empty()) texto += ":" + m.resultado;
  return texto;
}

// CRC-16/CCITT-FALSE (polynomial 0x1021, initial value 0xFFFF).
uint16_t Crc16(const std::string& texto) {
  uint16_t crc = 0xFFFF;
  for (unsigned char c : texto) {
    crc ^= static_cast<uint16_t>(c << 8);
    for (int i = 0; i < 8; ++i)
      crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

std::string Parametros(const Membro& m, bool com_tipos) {
  std::string r;
  for (size_t i = 0; i < m.args.size(); ++i) {
    if (i) r += ", ";
    r += com_tipos ? Tipo(m.args[i]).parametro + " a" + std::to_string(i) : "a" + std::to_string(i);
  }
  return r;
}

// The variant array of a remote call: null without arguments.
std::string ArrayParametros(const Membro& m) {
  if (m.args.empty()) return "efd::TArrayVariant()";
  std::string lista;
  for (size_t i = 0; i < m.args.size(); ++i)
    lista += (i ? ", " : "") + std::string("efd::TVariant(a") + std::to_string(i) + ")";
  return "efd::TArrayVariant(std::vector<efd::TVariant>{" + lista + "})";
}

std::string Retornar(const std::string& tipo, const std::string& expressao) {
  return tipo == "void" ? expressao + ";" : "return " + expressao + ";";
}

struct Objeto {
  json f;
  std::string nome, arquivo, prefixo, ancestral;
  std::vector<Membro> membros;
  bool tem_descendentes = false;
};

// Text of a UTF-8 string in ISO-8859-1 bytes.
std::string Latin1(const std::string& utf8) {
  std::string r;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      r += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      r += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      throw std::runtime_error("text not representable in ISO-8859-1: " + utf8);
    }
  }
  return r;
}

std::string EscaparXml(const std::string& texto) {
  std::string r;
  for (char c : texto) {
    if (c == '&')
      r += "&amp;";
    else if (c == '<')
      r += "&lt;";
    else if (c == '>')
      r += "&gt;";
    else if (c == '"')
      r += "&quot;";
    else
      r += c;
  }
  return r;
}

// A C++ literal of raw bytes (the resources are ISO-8859-1).
std::string LiteralBytes(const std::string& bytes) {
  std::string r = "std::string(\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\')
      r += '\\', r += static_cast<char>(c);
    else if (c == '\n')
      r += "\\n";
    else if (c == '\r')
      r += "\\r";
    else if (c < 0x20 || c >= 0x7F)
      r += fmt::format("\\{:03o}", c);
    else
      r += static_cast<char>(c);
  }
  return r + "\", " + std::to_string(bytes.size()) + ")";
}

class Gerador {
 public:
  Gerador(const std::vector<Declaracao>& declaracoes, const json* modulo, const std::string& stem,
          const std::string& saida)
      : modulo_(modulo), stem_(stem), saida_(saida) {
    for (const auto& d : declaracoes)
      for (const auto& f : d.doc.value("families", json::array())) {
        if (!f.contains("class")) continue;
        Objeto o;
        o.f = f;
        o.nome = f.at("name");
        o.arquivo = d.arquivo;
        o.prefixo = f.value("prefix", o.nome);
        o.ancestral = f.value("ancestor", "");
        if (f.contains("members"))
          for (const auto& m : f.at("members")) o.membros.push_back(LerMembro(m));
        objetos_[o.nome] = std::move(o);
      }
    for (auto& [nome, o] : objetos_) {
      if (o.ancestral.empty()) continue;
      auto it = objetos_.find(o.ancestral);
      if (it == objetos_.end())
        throw std::runtime_error(o.arquivo + ": unknown ancestor " + o.ancestral);
      it->second.tem_descendentes = true;
    }
  }

  void Gerar() {
    std::ostringstream registro, corpo_registro;
    registro << "// Generated by efdgen from the declarations; do not edit.\n"
             << "#include <memory>\n\n#include \"framework/xbaplicacao.h\"\n";
    for (const auto& [nome, o] : objetos_) {
      GerarCabecalho(o);
      GerarFonte(o);
      const json& classe = o.f.at("class");
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
    if (modulo_) {
      registro << "#include \"uhsmodulo.h\"\n";
      corpo_registro << "  IniciarPacote();\n";
      GerarModulo();
    }
    registro << "\nnamespace efd {\n\n// Generated class first, then the hand-written class under "
                "the same family name.\nvoid RegistrarClasses_"
             << stem_ << "() {\n"
             << corpo_registro.str() << "}\n\n}  // namespace efd\n";
    Escrever(saida_ + "/" + stem_ + "_classes.cpp", registro.str());
  }

 private:
  std::string Interface(const std::string& nome) const { return "I20" + nome; }

  std::string Base(const Objeto& o) const {
    if (o.ancestral.empty()) return "ThbObjetoNegocio";
    const json& classe = objetos_.at(o.ancestral).f.at("class");
    return classe.value("handwritten", "Th0" + o.ancestral);
  }

  std::string IncludeBase(const Objeto& o) const {
    if (o.ancestral.empty()) return "framework/hbobjetonegocio.h";
    const json& classe = objetos_.at(o.ancestral).f.at("class");
    return classe.value("header", "uh0" + Lower(o.ancestral) + ".h");
  }

  std::vector<std::string> Assinaturas(const Objeto& o) const {
    std::vector<std::string> r;
    for (const auto& m : o.membros) r.push_back(std::to_string(Crc16(TextoDeclaracao(m))));
    if (r.empty()) r.push_back("...");
    return r;
  }

  static bool TemMembrosQueViajam(const Objeto& o) {
    for (const auto& m : o.membros)
      if (m.Viaja()) return true;
    return false;
  }

  static bool TemCaminhos(const Objeto& o) {
    for (const auto& m : o.membros)
      if (!m.caminhos.empty()) return true;
    return false;
  }

  void GerarCabecalho(const Objeto& o) {
    const std::string& nome = o.nome;
    const std::string classe = "Th0" + nome;
    std::ostringstream h;
    h << "// Generated by efdgen from " << o.arquivo << "; do not edit.\n#pragma once\n\n"
      << "#include <memory>\n#include <string>\n#include <vector>\n\n#include \"" << IncludeBase(o)
      << "\"\n#include \"framework/xbaplicacao.h\"\n#include \"framework/xbvariant.h\"\n\n"
      << "namespace efd {\n\n"
      << "class ThsModuloZ8EscrituracaoFiscalDigital;\nclass " << classe << ";\n"
      << "// The interface of " << nome << ": the generated member set.\n"
      << "using " << Interface(nome) << " = " << classe << ";\n"
      << "// One 16-bit check value per member, in declaration order.\n"
      << "extern const std::vector<std::string> k20" << nome << "Assinatura;\n\n";
    h << "class " << classe << " : public " << Base(o) << " {\n public:\n";
    h << "  static constexpr const char* kFamilia = " << Literal(nome) << ";\n";
    h << "  ~" << classe << "() override;\n\n";
    h << "  " << Interface(nome) << "* GetL();\n";
    if (o.f.contains("relationships"))
      for (const auto& [rel, alvo] : o.f.at("relationships").items()) {
        h << "  std::shared_ptr<ThbObjetoNegocio> Get" << rel << "();\n";
        h << "  void Set" << rel << "(std::shared_ptr<ThbObjetoNegocio> o);\n";
      }
    if (!o.ancestral.empty()) {
      const Objeto& a = objetos_.at(o.ancestral);
      if (a.f.contains("relationships"))
        for (const auto& [rel, alvo] : a.f.at("relationships").items()) {
          h << "  std::shared_ptr<ThbObjetoNegocio> Get" << rel << "_" << a.nome << "();\n";
          h << "  void Set" << rel << "_" << a.nome << "(std::shared_ptr<ThbObjetoNegocio> o);\n";
        }
    }
    h << "  ThsModuloZ8EscrituracaoFiscalDigital& ModuloKLV() const;\n\n";
    for (const auto& m : o.membros) DeclararMembro(h, m);
    h << "\n  std::vector<std::string> Assinatura() const override;\n"
      << "  bool AutenticarInterface(const std::vector<std::string>& assinatura, int alto, bool "
         "flag) override;\n"
      << "  std::string Informacao(int tipo) const;\n"
      << "  void DesativarInterfacesVinculadas() override;\n";
    if (TemMembrosQueViajam(o))
      h << "  efd::TVariant ExecutarMetodo(const std::string& metodo, efd::TArrayVariant& "
           "parametros, void* thread) override;\n";
    if (TemCaminhos(o))
      h << "  efd::TxbCaminhosDoMembro CaminhosDoMembro(const std::string& metodo) const "
           "override;\n";
    if (!o.ancestral.empty()) {
      const std::string ia = Interface(o.ancestral);
      h << "\n  // The object of the ancestor family, created on first use.\n"
        << "  std::shared_ptr<" << ia << "> GetAncestral();\n"
        << "  // An own " << o.ancestral << " object, created on first use through the module.\n"
        << "  std::shared_ptr<" << ia << "> GetEH();\n"
        << "  void SetEH(std::shared_ptr<" << ia << "> eh);\n"
        << "  static constexpr const char* FamiliaAncestralMW() { return " << Literal(o.ancestral)
        << "; }\n";
    }
    h << "\n protected:\n";
    for (const auto& m : o.membros)
      if (!m.propriedade.empty())
        h << "  " << Tipo(m.propriedade).valor << " f" << m.nome << "{};\n";
    h << "\n private:\n  " << Interface(nome) << "* fL = nullptr;\n";
    if (!o.ancestral.empty())
      h << "  std::shared_ptr<ThbObjetoNegocio> fAncestral;\n"
        << "  std::shared_ptr<" << Interface(o.ancestral) << "> fEH;\n"
        << "  bool fEHCriado = false;\n";
    h << "};\n\n}  // namespace efd\n";
    Escrever(saida_ + "/uh0" + Lower(nome) + ".h", h.str());
  }

  void DeclararMembro(std::ostream& h, const Membro& m) {
    if (m.notificacao) {
      h << fmt::format("  // {}: notification method.\n", m.nome);
      h << fmt::format("  virtual void {}(ThbObjetoNegocio& remetente) {{ (void)remetente; }}\n",
                       m.nome);
      return;
    }
    if (!m.propriedade.empty()) {
      TipoCpp t = Tipo(m.propriedade);
      h << fmt::format("  {} Get{}();\n  void Set{}({} valor);\n", t.valor, m.nome, m.nome,
                       t.parametro);
      h << fmt::format("  virtual {} INTERNO_Get{}() {{ return f{}; }}\n", t.valor, m.nome, m.nome);
      h << fmt::format("  virtual void INTERNO_Set{}({} valor) {{ f{} = valor; }}\n", m.nome,
                       t.parametro, m.nome);
      return;
    }
    TipoCpp r = Tipo(m.resultado);
    h << fmt::format("  {} {}({});\n", r.valor, m.nome, Parametros(m, true));
    h << fmt::format("  virtual {} INTERNO_{}({});\n", r.valor, m.nome, Parametros(m, true));
  }

  // The ancestor's public members run the descendant's when one is attached.
  std::string Descendente(const Objeto& o, const std::string& tipo, const std::string& chamada) {
    if (!o.tem_descendentes) return "";
    const std::string no_descendente = "static_cast<Th0" + o.nome + "*>(d.get())->" + chamada;
    return fmt::format(
        "  if (auto d = GetDescendente(); d && d.get() != this) {{\n"
        "    {}\n"
        "  }}\n",
        tipo == "void" ? no_descendente + ";\n    return;" : "return " + no_descendente + ";");
  }

  void DefinirMembro(std::ostream& c, const Objeto& o, const Membro& m) {
    const std::string classe = "Th0" + o.nome;
    if (m.notificacao) return;
    if (!m.propriedade.empty()) {
      TipoCpp t = Tipo(m.propriedade);
      c << fmt::format("{} {}::Get{}() {{\n", t.valor, classe, m.nome)
        << Descendente(o, t.valor, "Get" + m.nome + "()");
      if (m.Viaja())
        c << fmt::format(
            "  if (!GetLocal()) return Executar(GetIdRemoto(), \"{}_1\", efd::TArrayVariant(), "
            "false){};\n",
            m.no, t.conversao);
      c << fmt::format("  return GetL()->INTERNO_Get{}();\n}}\n\n", m.nome);
      c << fmt::format("void {}::Set{}({} valor) {{\n", classe, m.nome, t.parametro)
        << Descendente(o, "void", "Set" + m.nome + "(valor)");
      if (m.Viaja())
        c << fmt::format(
            "  if (!GetLocal()) {{\n    Executar(GetIdRemoto(), \"{}_2\", "
            "efd::TArrayVariant(std::vector<efd::TVariant>{{efd::TVariant(valor)}}), false);\n"
            "    return;\n  }}\n",
            m.no);
      c << fmt::format("  GetL()->INTERNO_Set{}(valor);\n}}\n\n", m.nome);
      return;
    }
    TipoCpp r = Tipo(m.resultado);
    const std::string args = Parametros(m, false);
    c << fmt::format("{} {}::{}({}) {{\n", r.valor, classe, m.nome, Parametros(m, true))
      << Descendente(o, r.valor, m.nome + "(" + args + ")");
    if (m.Viaja()) {
      const std::string remoto =
          fmt::format("Executar(GetIdRemoto(), {}, {}, false)", Literal(m.no), ArrayParametros(m));
      c << "  if (!GetLocal()) "
        << (r.valor == "void" ? "{\n    " + remoto + ";\n    return;\n  }\n"
                              : "return " + remoto + r.conversao + ";\n");
    }
    c << "  " << Retornar(r.valor, "GetL()->INTERNO_" + m.nome + "(" + args + ")") << "\n}\n\n";

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
    c << fmt::format("{} {}::INTERNO_{}({}) {{ {} }}\n\n", r.valor, classe, m.nome,
                     Parametros(m, true), corpo);
  }

  // The server side: each number in declaration order, one test per number.
  void DefinirDespachante(std::ostream& c, const Objeto& o) {
    if (!TemMembrosQueViajam(o)) return;
    const std::string classe = "Th0" + o.nome;
    c << "efd::TVariant " << classe
      << "::ExecutarMetodo(const std::string& metodo, efd::TArrayVariant& parametros, void* "
         "thread) {\n"
      << "  efd::TVariant resultado = " << Base(o)
      << "::ExecutarMetodo(metodo, parametros, thread);\n";
    if (o.ancestral.empty()) c << "  resultado = efd::TVariant();\n";
    c << "  auto p = [&](size_t i) -> const efd::TVariant& { return ElementoArray(parametros, i); "
         "};\n  (void)p;\n";
    for (const auto& m : o.membros) {
      if (!m.Viaja()) continue;
      if (!m.propriedade.empty()) {
        TipoCpp t = Tipo(m.propriedade);
        c << fmt::format("  if (metodo == \"{}_1\") resultado = efd::TVariant(Get{}());\n", m.no,
                         m.nome);
        c << fmt::format("  if (metodo == \"{}_2\") Set{}(p(0){});\n", m.no, m.nome, t.conversao);
        continue;
      }
      std::string args;
      for (size_t i = 0; i < m.args.size(); ++i) {
        const std::string conv = m.args[i] == "date"
                                     ? "efd::TDateTime(p(" + std::to_string(i) + ").AsFloat())"
                                     : "p(" + std::to_string(i) + ")" + Tipo(m.args[i]).conversao;
        args += (i ? ", " : "") + conv;
      }
      const std::string chamada = m.nome + "(" + args + ")";
      c << fmt::format(
          "  if (metodo == {}) {}\n", Literal(m.no),
          m.resultado.empty() ? chamada + ";" : "resultado = efd::TVariant(" + chamada + ");");
    }
    c << "  return resultado;\n}\n\n";
  }

  // The members declared with paths, by number; the ancestor's after the own.
  void DefinirCaminhos(std::ostream& c, const Objeto& o) {
    if (!TemCaminhos(o)) return;
    c << "efd::TxbCaminhosDoMembro Th0" << o.nome
      << "::CaminhosDoMembro(const std::string& metodo) const {\n";
    for (const auto& m : o.membros) {
      if (m.caminhos.empty()) continue;
      std::string posicoes;
      for (size_t i : m.caminhos) posicoes += (posicoes.empty() ? "" : ", ") + std::to_string(i);
      c << fmt::format("  if (metodo == {}) return {{{}, {{{}}}}};\n", Literal(m.no),
                       Literal(m.nome), posicoes);
    }
    c << "  return " << Base(o) << "::CaminhosDoMembro(metodo);\n}\n\n";
  }

  void GerarFonte(const Objeto& o) {
    const std::string& nome = o.nome;
    const std::string classe = "Th0" + nome;
    std::ostringstream c;
    c << "// Generated by efdgen from " << o.arquivo << "; do not edit.\n"
      << "#include \"uh0" << Lower(nome) << ".h\"\n\n"
      << "#include <stdexcept>\n\n#include \"framework/xbaplicacao.h\"\n"
      << "#include \"framework/xbremoto.h\"\n";
    if (modulo_) c << "#include \"uhsmodulo.h\"\n";
    c << "\nnamespace efd {\n\nconst std::vector<std::string> k20" << nome << "Assinatura = {";
    const auto assinaturas = Assinaturas(o);
    for (size_t i = 0; i < assinaturas.size(); ++i) c << (i ? ", " : "") << Literal(assinaturas[i]);
    c << "};\n\n";
    c << classe << "::~" << classe << "() {\n";
    if (!o.ancestral.empty())
      c << "  if (fEHCriado) ModuloKLV()." << o.ancestral << "Destruir(fEH);\n"
        << "  if (fAncestral) Aplicacao().Destruir(fAncestral);\n";
    c << "}\n\n";
    c << Interface(nome) << "* " << classe << "::GetL() {\n"
      << "  if (!fL) fL = dynamic_cast<" << Interface(nome) << "*>(this);\n  return fL;\n}\n\n";
    if (o.f.contains("relationships"))
      for (const auto& [rel, alvo] : o.f.at("relationships").items())
        c << fmt::format(
            "std::shared_ptr<ThbObjetoNegocio> {0}::Get{1}() {{ return "
            "GetPropRelacionamentoMW(\"Rl{1}\"); }}\n"
            "void {0}::Set{1}(std::shared_ptr<ThbObjetoNegocio> o) {{ "
            "SetPropRelacionamentoMW(\"Rl{1}\", std::move(o)); }}\n",
            classe, rel);
    if (!o.ancestral.empty()) {
      const Objeto& a = objetos_.at(o.ancestral);
      if (a.f.contains("relationships"))
        for (const auto& [rel, alvo] : a.f.at("relationships").items())
          c << fmt::format(
              "std::shared_ptr<ThbObjetoNegocio> {0}::Get{1}_{2}() {{ return "
              "GetAncestral()->Get{1}(); }}\n"
              "void {0}::Set{1}_{2}(std::shared_ptr<ThbObjetoNegocio> o) {{ "
              "GetAncestral()->Set{1}(std::move(o)); }}\n",
              classe, rel, a.nome);
    }
    c << "\nThsModuloZ8EscrituracaoFiscalDigital& " << classe << "::ModuloKLV() const {\n"
      << (modulo_ ? "  return *fModuloR8IrovirezaravEvezorAvuvozaR();\n"
                  : "  throw std::logic_error(\"no module declared\");\n")
      << "}\n\n";
    for (const auto& m : o.membros) DefinirMembro(c, o, m);
    c << "std::vector<std::string> " << classe << "::Assinatura() const { return k20" << nome
      << "Assinatura; }\n\n"
      << "bool " << classe
      << "::AutenticarInterface(const std::vector<std::string>& assinatura, int alto, bool) {\n"
      << "  return ValidarInterface(assinatura, alto, k20" << nome << "Assinatura,\n"
      << "                          static_cast<int>(k20" << nome
      << "Assinatura.size()) - 1);\n}\n\n";
    c << "std::string " << classe << "::Informacao(int tipo) const {\n  switch (tipo) {\n"
      << "    case 0: return " << Literal(o.f.value("description", "")) << ";\n"
      << "    case 1: return " << Literal(o.f.value("caption", "")) << ";\n"
      << "    case 3: return " << Literal(o.prefixo) << ";\n"
      << "    case 4: return \"110\";\n    default: return std::string();\n  }\n}\n\n";
    c << "void " << classe << "::DesativarInterfacesVinculadas() {\n  " << Base(o)
      << "::DesativarInterfacesVinculadas();\n  fL = nullptr;\n}\n\n";
    DefinirDespachante(c, o);
    DefinirCaminhos(c, o);
    if (!o.ancestral.empty()) {
      const std::string ia = Interface(o.ancestral);
      c << "std::shared_ptr<" << ia << "> " << classe << "::GetAncestral() {\n"
        << "  auto ancestral = GetAncestralMW();\n  if (!ancestral) {\n"
        << "    fAncestral = Aplicacao().Criar(FamiliaAncestralMW(), GetSession());\n"
        << "    fAncestral->SetDescendente(shared_from_this());\n"
        << "    SetAncestralMW(fAncestral);\n    ancestral = fAncestral;\n  }\n"
        << "  return std::dynamic_pointer_cast<" << ia << ">(ancestral);\n}\n\n"
        << "std::shared_ptr<" << ia << "> " << classe << "::GetEH() {\n"
        << "  if (!fEH) fEHCriado = ModuloKLV()." << o.ancestral
        << "Criar(fEH, GetSession(), false);\n  return fEH;\n}\n\n"
        << "void " << classe << "::SetEH(std::shared_ptr<" << ia << "> eh) {\n"
        << "  if (fEHCriado) ModuloKLV()." << o.ancestral << "Destruir(fEH);\n"
        << "  fEH = std::move(eh);\n  fEHCriado = false;\n}\n\n";
    }
    c << "}  // namespace efd\n";
    Escrever(saida_ + "/uh0" + Lower(nome) + ".cpp", c.str());
  }

  // Every object the module knows: its own and those its relationships name.
  std::map<std::string, bool> ObjetosConhecidos() const {
    std::map<std::string, bool> r;  // name -> own
    for (const auto& [nome, o] : objetos_) {
      r[nome] = true;
      if (o.f.contains("relationships"))
        for (const auto& [rel, alvo] : o.f.at("relationships").items())
          r.emplace(alvo.get<std::string>(), false);
    }
    return r;
  }

  void GerarModulo() {
    const json& m = *modulo_;
    const std::string arquivo = m.at("file"), nome_longo = m.at("longName");
    const std::string ffm = m.at("functionalFamily"), afm = m.at("functionalArea");
    const auto conhecidos = ObjetosConhecidos();

    std::ostringstream h;
    h << "// Generated by efdgen from the declarations; do not edit.\n"
      << "// The module factory: creation, destruction, authentication and release of\n"
      << "// every business object the module knows, and the module's resources.\n"
      << "#pragma once\n\n#include <memory>\n#include <string>\n#include <vector>\n\n"
      << "namespace efd {\n\nclass ThbObjetoNegocio;\nclass TxbSession;\n";
    for (const auto& [nome, o] : objetos_)
      h << "class Th0" << nome << ";\nusing " << Interface(nome) << " = Th0" << nome << ";\n";
    h << "\nclass ThsModuloZ8EscrituracaoFiscalDigital {\n public:\n"
      << "  static constexpr const char* kCodigo = " << Literal(m.at("code")) << ";\n"
      << "  // Objects the module knows, own and foreign, by name.\n"
      << "  static const std::vector<std::string>& Objetos();\n"
      << "  // The signature table of an own object; nullptr for any other name.\n"
      << "  static const std::vector<std::string>* AssinaturaDe(const std::string& objeto);\n"
      << "  // Resources, ISO-8859-1 bytes.\n"
      << "  static std::string Descricao();\n  static std::string Identidade();\n"
      << "  static std::string ListaFamilias();\n\n"
      << "  // Per object: Criar creates it through the repository for the owner's session;\n"
      << "  // Autenticar also validates its interface; Destruir destroys what the\n"
      << "  // reference holds; Liberar clears the reference.\n";
    for (const auto& [nome, proprio] : conhecidos) {
      const std::string i =
          "std::shared_ptr<" + (proprio ? Interface(nome) : std::string("ThbObjetoNegocio")) + ">&";
      h << fmt::format(
          "  bool {0}Criar({1} i, TxbSession& dono, bool flag = false);\n"
          "  void {0}Destruir({1} i);\n  bool {0}Autenticar({1} i, TxbSession& dono);\n"
          "  void {0}Liberar({1} i);\n",
          nome, i);
    }
    h << "};\n\n// The module object, created on first use.\n"
      << "ThsModuloZ8EscrituracaoFiscalDigital* fModuloR8IrovirezaravEvezorAvuvozaR();\n"
      << "// Package start: the module is created at once, unless the host program is the\n"
      << "// application server (" << Literal(m.at("serverProgram"))
      << "), where it is created on first use.\n"
      << "void IniciarPacote();\n\n}  // namespace efd\n";
    Escrever(saida_ + "/uhsmodulo.h", h.str());

    std::ostringstream c;
    c << "// Generated by efdgen from the declarations; do not edit.\n"
      << "#include \"uhsmodulo.h\"\n\n#include <cctype>\n#include <filesystem>\n\n"
      << "#include \"framework/hbobjetonegocio.h\"\n#include \"framework/xbaplicacao.h\"\n"
      << "#include \"framework/xbsession.h\"\n";
    for (const auto& [nome, o] : objetos_) c << "#include \"uh0" << Lower(nome) << ".h\"\n";
    c << "\nnamespace efd {\nnamespace {\n\n"
      << "template <class I>\nbool Criar(const char* familia, std::shared_ptr<I>& i, TxbSession& "
         "dono) {\n"
      << "  if (!Aplicacao().ChecarFamiliaRegistrada(familia)) return false;\n"
      << "  i = std::dynamic_pointer_cast<I>(Aplicacao().Criar(familia, dono));\n"
      << "  return i != nullptr;\n}\n\n"
      << "template <class I>\nvoid Destruir(std::shared_ptr<I>& i) {\n"
      << "  if (i) Aplicacao().Destruir(i);\n  i.reset();\n}\n\n"
      << "template <class I>\nbool Autenticar(const char* familia, std::shared_ptr<I>& i, "
         "TxbSession& dono,\n"
      << "                const std::vector<std::string>& assinatura) {\n"
      << "  if (!Criar(familia, i, dono)) return false;\n"
      << "  return i->AutenticarInterface(assinatura, static_cast<int>(assinatura.size()) - 1, "
         "false);\n}\n\n"
      << "const std::vector<std::string> kSemMembros = {\"...\"};\n\n}  // namespace\n\n";
    c << "const std::vector<std::string>& ThsModuloZ8EscrituracaoFiscalDigital::Objetos() {\n"
      << "  static const std::vector<std::string> objetos = {";
    bool primeiro = true;
    for (const auto& [nome, proprio] : conhecidos) {
      c << (primeiro ? "" : ", ") << Literal(nome);
      primeiro = false;
    }
    c << "};\n  return objetos;\n}\n\n";
    c << "const std::vector<std::string>* ThsModuloZ8EscrituracaoFiscalDigital::AssinaturaDe(\n"
      << "    const std::string& objeto) {\n";
    for (const auto& [nome, o] : objetos_)
      c << "  if (objeto == " << Literal(nome) << ") return &k20" << nome << "Assinatura;\n";
    c << "  return nullptr;\n}\n\n";

    // Resources.
    const std::string declaracao =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"no\"?>\r\n";
    std::string identidade = declaracao + "<identidade>";
    auto elemento = [&](const std::string& tag, const std::string& valor) {
      identidade += "<" + tag + ">" + EscaparXml(valor) + "</" + tag + ">";
    };
    elemento("nf", arquivo);
    elemento("nl", nome_longo);
    elemento("vrs", m.at("version"));
    elemento("nst", "*** " + m.at("productLineName").get<std::string>());
    elemento("sst", m.at("productLineCode"));
    elemento("tmd", m.at("type"));
    identidade += "</identidade>\r\n";
    std::map<std::string, std::string> familias;  // name -> long name, in byte order
    for (const auto& [nome, o] : objetos_) familias[nome] = o.f.value("description", "");
    std::string lista = declaracao + "<logico>";
    for (const auto& [nome, longo] : familias)
      lista += "<fam nf=\"" + EscaparXml(nome) + "\" nfl=\"" + EscaparXml(longo) + "\" ffm=\"" +
               EscaparXml(ffm) + "\" afm=\"" + EscaparXml(afm) + "\"/>";
    lista += "</logico>\r\n";
    c << "std::string ThsModuloZ8EscrituracaoFiscalDigital::Descricao() {\n  return "
      << LiteralBytes(Latin1(m.at("description"))) << ";\n}\n\n"
      << "std::string ThsModuloZ8EscrituracaoFiscalDigital::Identidade() {\n  return "
      << LiteralBytes(Latin1(identidade)) << ";\n}\n\n"
      << "std::string ThsModuloZ8EscrituracaoFiscalDigital::ListaFamilias() {\n  return "
      << LiteralBytes(Latin1(lista)) << ";\n}\n\n";

    for (const auto& [nome, proprio] : conhecidos) {
      const std::string i =
          "std::shared_ptr<" + (proprio ? Interface(nome) : std::string("ThbObjetoNegocio")) + ">&";
      const std::string assinatura = proprio ? "k20" + nome + "Assinatura" : "kSemMembros";
      c << fmt::format(
          "bool ThsModuloZ8EscrituracaoFiscalDigital::{0}Criar({1} i, TxbSession& dono, bool) {{\n"
          "  return Criar({2}, i, dono);\n}}\n"
          "void ThsModuloZ8EscrituracaoFiscalDigital::{0}Destruir({1} i) {{ Destruir(i); }}\n"
          "bool ThsModuloZ8EscrituracaoFiscalDigital::{0}Autenticar({1} i, TxbSession& dono) {{\n"
          "  return Autenticar({2}, i, dono, {3});\n}}\n"
          "void ThsModuloZ8EscrituracaoFiscalDigital::{0}Liberar({1} i) {{ i.reset(); }}\n\n",
          nome, i, Literal(nome), assinatura);
    }
    c << "ThsModuloZ8EscrituracaoFiscalDigital* fModuloR8IrovirezaravEvezorAvuvozaR() {\n"
      << "  static ThsModuloZ8EscrituracaoFiscalDigital modulo;\n  return &modulo;\n}\n\n"
      << "void IniciarPacote() {\n  std::error_code erro;\n"
      << "  std::string programa =\n"
      << "      std::filesystem::read_symlink(\"/proc/self/exe\", erro).filename().string();\n"
      << "  for (char& ch : programa) ch = static_cast<char>(std::toupper(static_cast<unsigned "
         "char>(ch)));\n"
      << "  if (programa != " << Literal(m.at("serverProgram"))
      << ") fModuloR8IrovirezaravEvezorAvuvozaR();\n}\n\n"
      << "}  // namespace efd\n";
    Escrever(saida_ + "/" + stem_ + "_modulo.cpp", c.str());
  }

  std::map<std::string, Objeto> objetos_;
  const json* modulo_;
  std::string stem_, saida_;
};

}  // namespace

void GerarClasses(const std::vector<Declaracao>& declaracoes, const json* modulo,
                  const std::string& stem, const std::string& saida) {
  Gerador(declaracoes, modulo, stem, saida).Gerar();
}

}  // namespace efdgen
