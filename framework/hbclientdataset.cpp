#include "framework/hbclientdataset.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>
#include <utility>

#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd {
namespace {

const TVariant kNulo;
const std::vector<TVariant> kSemLinha;

bool EhTipoTexto(TTipoCampo t) {
  return t == TTipoCampo::Texto || t == TTipoCampo::Memo;
}

bool EhTipoData(TTipoCampo t) {
  return t == TTipoCampo::Data || t == TTipoCampo::Hora || t == TTipoCampo::DataHora;
}

int Sinal(int c) {
  return (c > 0) - (c < 0);
}

// The order of CompararValores, without copying texts: sorts, binary searches
// and filters run this once per comparison.
int Comparar(const TVariant& a, const TVariant& b) {
  if (a.EhTexto() && b.EhTexto())
    return Sinal(std::get<std::string>(a.valor()).compare(std::get<std::string>(b.valor())));
  if (a.EhInteiro() && b.EhInteiro()) {
    int64_t x = std::get<int64_t>(a.valor()), y = std::get<int64_t>(b.valor());
    return (x > y) - (x < y);
  }
  return CompararValores(a, b);
}

// The text of a value as a view; null reads as "". tmp holds converted texts.
std::string_view VisaoTexto(const TVariant& v, std::string& tmp) {
  if (v.EhTexto()) return std::get<std::string>(v.valor());
  if (v.IsNull()) return {};
  tmp = v.AsString();
  return tmp;
}

bool TextoEmBranco(const TVariant& v) {
  if (!v.EhTexto()) return false;
  for (char c : std::get<std::string>(v.valor()))
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

bool LerDigitos(const std::string& s, size_t& i, size_t maximo, int& valor) {
  size_t inicio = i;
  valor = 0;
  while (i < s.size() && i - inicio < maximo && std::isdigit(static_cast<unsigned char>(s[i])))
    valor = valor * 10 + (s[i++] - '0');
  return i > inicio;
}

// Dates as users type them and AsString writes them ("DD/MM/YYYY", with an
// optional "HH:NN" or "HH:NN:SS"), plus the database forms TDateTime::Parse takes.
TDateTime TextoParaData(const std::string& texto) {
  const std::string s = Trim(texto);
  if (s.find('/') == std::string::npos) return TDateTime::Parse(s);
  size_t i = 0;
  int dia = 0, mes = 0, ano = 0, hora = 0, minuto = 0, segundo = 0;
  bool ok = LerDigitos(s, i, 2, dia) && i < s.size() && s[i++] == '/' && LerDigitos(s, i, 2, mes) &&
            i < s.size() && s[i++] == '/' && LerDigitos(s, i, 4, ano);
  if (ok && i < s.size()) {
    while (i < s.size() && s[i] == ' ') ++i;
    ok = LerDigitos(s, i, 2, hora) && i < s.size() && s[i++] == ':' && LerDigitos(s, i, 2, minuto);
    if (ok && i < s.size()) ok = s[i++] == ':' && LerDigitos(s, i, 2, segundo);
    ok = ok && i == s.size() && hora < 24 && minuto < 60 && segundo < 60;
  }
  if (!ok) throw EConversao("'" + texto + "' não é uma data válida");
  return TDateTime::EncodeDateTime(ano, mes, dia, hora, minuto, segundo);
}

TDateTime SoHora(TDateTime d) {
  return TDateTime(d.dias - d.DateOf().dias);
}

// A value as stored in a field of the type. Raises EConversao without the
// field's name (the caller adds it). tamanho > 0 cuts Texto values.
TVariant ConverterPara(TTipoCampo tipo, int tamanho, const TVariant& v) {
  if (v.IsNull()) return v;
  switch (tipo) {
    case TTipoCampo::Texto:
    case TTipoCampo::Memo: {
      if (v.EhTexto() && (tamanho <= 0 || tipo == TTipoCampo::Memo)) return v;
      std::string s = v.AsString();
      if (tipo == TTipoCampo::Texto && tamanho > 0 && TamanhoUtf8(s) > static_cast<size_t>(tamanho))
        s = CopiarUtf8(s, static_cast<size_t>(tamanho));
      return TVariant(std::move(s));
    }
    case TTipoCampo::Inteiro:
      if (TextoEmBranco(v)) return {};
      return TVariant(v.AsInt64());
    case TTipoCampo::Real:
      if (TextoEmBranco(v)) return {};
      return TVariant(v.AsFloat());
    case TTipoCampo::Data:
    case TTipoCampo::Hora:
    case TTipoCampo::DataHora: {
      if (TextoEmBranco(v)) return {};
      if (v.EhLogico()) throw EConversao("Um valor lógico não é uma data");
      TDateTime d = v.EhTexto() ? TextoParaData(v.AsString()) : v.AsDateTime();
      if (tipo == TTipoCampo::Data) d = d.DateOf();
      if (tipo == TTipoCampo::Hora) d = SoHora(d);
      return TVariant(d);
    }
    case TTipoCampo::Logico:
      if (TextoEmBranco(v)) return {};
      return TVariant(v.AsBoolean());
  }
  return v;
}

// --- filter expressions ---

enum class TipoNo { Campo, Constante, Comparacao, Like, Nulo, E, Ou, Nao };
enum class Operador { Igual, Diferente, Menor, Maior, MenorIgual, MaiorIgual };

struct No {
  TipoNo tipo;
  Operador op = Operador::Igual;
  bool negado = false;  // not like, is not null
  size_t campo = 0;
  bool campo_texto = false;
  TVariant constante;
  std::unique_ptr<No> esq, dir;

  explicit No(TipoNo t) : tipo(t) {}
};

size_t ProximoCaractere(std::string_view s, size_t i) {
  ++i;
  while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  return i;
}

// % stands for any run of characters, _ for exactly one; the rest matches
// byte for byte (case matters).
bool CasaLike(std::string_view texto, std::string_view padrao) {
  size_t t = 0, p = 0;
  size_t volta_p = std::string_view::npos, volta_t = 0;
  while (t < texto.size()) {
    if (p < padrao.size() && padrao[p] == '%') {
      volta_p = ++p;
      volta_t = t;
    } else if (p < padrao.size() && padrao[p] == '_') {
      t = ProximoCaractere(texto, t);
      ++p;
    } else if (p < padrao.size() && padrao[p] == texto[t]) {
      ++t;
      ++p;
    } else if (volta_p != std::string_view::npos) {
      volta_t = ProximoCaractere(texto, volta_t);
      t = volta_t;
      p = volta_p;
    } else {
      return false;
    }
  }
  while (p < padrao.size() && padrao[p] == '%') ++p;
  return p == padrao.size();
}

bool Verdadeiro(const No& n, const std::vector<TVariant>& linha);

const TVariant& Valor(const No& n, const std::vector<TVariant>& linha, TVariant& tmp) {
  if (n.tipo == TipoNo::Campo) return linha[n.campo];
  if (n.tipo == TipoNo::Constante) return n.constante;
  tmp = TVariant(Verdadeiro(n, linha));
  return tmp;
}

bool EhNuloNoFiltro(const No& n, const TVariant& v) {
  if (v.IsNull()) return true;
  return n.tipo == TipoNo::Campo && n.campo_texto && v.EhTexto() &&
         std::get<std::string>(v.valor()).empty();
}

bool Comparacao(const No& n, const std::vector<TVariant>& linha) {
  TVariant ta, tb;
  const TVariant& a = Valor(*n.esq, linha, ta);
  const TVariant& b = Valor(*n.dir, linha, tb);
  int c;
  if (a.IsNull() || b.IsNull()) {
    if (a.EhTexto() || b.EhTexto()) {
      std::string sa, sb;
      c = Sinal(VisaoTexto(a, sa).compare(VisaoTexto(b, sb)));
    } else {
      const bool ambos = a.IsNull() && b.IsNull();
      if (n.op == Operador::Igual) return ambos;
      if (n.op == Operador::Diferente) return !ambos;
      return false;
    }
  } else {
    c = Comparar(a, b);
  }
  switch (n.op) {
    case Operador::Igual:
      return c == 0;
    case Operador::Diferente:
      return c != 0;
    case Operador::Menor:
      return c < 0;
    case Operador::Maior:
      return c > 0;
    case Operador::MenorIgual:
      return c <= 0;
    case Operador::MaiorIgual:
      return c >= 0;
  }
  return false;
}

bool Verdadeiro(const No& n, const std::vector<TVariant>& linha) {
  switch (n.tipo) {
    case TipoNo::E:
      return Verdadeiro(*n.esq, linha) && Verdadeiro(*n.dir, linha);
    case TipoNo::Ou:
      return Verdadeiro(*n.esq, linha) || Verdadeiro(*n.dir, linha);
    case TipoNo::Nao:
      return !Verdadeiro(*n.esq, linha);
    case TipoNo::Comparacao:
      return Comparacao(n, linha);
    case TipoNo::Nulo: {
      TVariant tmp;
      return EhNuloNoFiltro(*n.esq, Valor(*n.esq, linha, tmp)) != n.negado;
    }
    case TipoNo::Like: {
      TVariant ta, tb;
      std::string sa, sb;
      std::string_view texto = VisaoTexto(Valor(*n.esq, linha, ta), sa);
      std::string_view padrao = VisaoTexto(Valor(*n.dir, linha, tb), sb);
      return CasaLike(texto, padrao) != n.negado;
    }
    case TipoNo::Campo:
      return linha[n.campo].AsBoolean();
    case TipoNo::Constante:
      return n.constante.AsBoolean();
  }
  return false;
}

// Recursive descent over the filter text. Precedence, loosest first: or,
// and, not, then a comparison / like / is null between two operands.
class AnalisadorFiltro {
 public:
  AnalisadorFiltro(const std::string& texto, const ThbClientDataSet& ds) : s_(texto), ds_(ds) {}

  std::unique_ptr<No> Analisar() {
    Avancar();
    if (tok_.tipo == Tok::Fim) return nullptr;
    auto raiz = Ou();
    if (tok_.tipo != Tok::Fim) Erro("texto inesperado");
    return raiz;
  }

 private:
  enum class Tok { Fim, Nome, Texto, Inteiro, Real, Operador, AbreParentese, FechaParentese };
  struct Token {
    Tok tipo = Tok::Fim;
    std::string texto;
    size_t pos = 0;
    bool colchetes = false;
    Operador op = Operador::Igual;
  };

  [[noreturn]] void Erro(const std::string& detalhe) const { Erro(detalhe, tok_.pos); }
  [[noreturn]] void Erro(const std::string& detalhe, size_t pos) const {
    throw EErro(fmt::format("Filtro inválido \"{}\": {} (posição {})", s_, detalhe, pos + 1));
  }

  static bool InicioNome(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
  static bool ParteNome(unsigned char c) { return InicioNome(c) || std::isdigit(c); }

  void Avancar() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
    tok_ = Token{};
    tok_.pos = i_;
    if (i_ >= s_.size()) return;
    const char c = s_[i_];
    auto digito = [&](size_t k) {
      return k < s_.size() && std::isdigit(static_cast<unsigned char>(s_[k]));
    };
    if (c == '(' || c == ')') {
      tok_.tipo = c == '(' ? Tok::AbreParentese : Tok::FechaParentese;
      ++i_;
    } else if (c == '\'') {
      tok_.tipo = Tok::Texto;
      for (++i_;; ++i_) {
        if (i_ >= s_.size()) Erro("texto sem o apóstrofo final", tok_.pos);
        if (s_[i_] == '\'') {
          if (i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
            tok_.texto += '\'';
            ++i_;
            continue;
          }
          ++i_;
          break;
        }
        tok_.texto += s_[i_];
      }
    } else if (c == '[') {
      size_t fim = s_.find(']', i_);
      if (fim == std::string::npos) Erro("nome de campo sem o ']' final");
      tok_.tipo = Tok::Nome;
      tok_.colchetes = true;
      tok_.texto = s_.substr(i_ + 1, fim - i_ - 1);
      i_ = fim + 1;
    } else if (InicioNumero(digito)) {
      size_t inicio = i_;
      if (s_[i_] == '-') ++i_;
      while (digito(i_)) ++i_;
      tok_.tipo = Tok::Inteiro;
      if (i_ < s_.size() && s_[i_] == '.') {
        tok_.tipo = Tok::Real;
        ++i_;
        if (!digito(i_)) Erro("número inválido", inicio);
        while (digito(i_)) ++i_;
      }
      if (i_ < s_.size() && ParteNome(static_cast<unsigned char>(s_[i_])))
        Erro("número inválido", inicio);
      tok_.texto = s_.substr(inicio, i_ - inicio);
    } else if (InicioNome(static_cast<unsigned char>(c))) {
      size_t inicio = i_;
      while (i_ < s_.size() && ParteNome(static_cast<unsigned char>(s_[i_]))) ++i_;
      tok_.tipo = Tok::Nome;
      tok_.texto = s_.substr(inicio, i_ - inicio);
    } else if (c == '=' || c == '<' || c == '>') {
      tok_.tipo = Tok::Operador;
      const char d = i_ + 1 < s_.size() ? s_[i_ + 1] : '\0';
      i_ += 1;
      if (c == '=') {
        tok_.op = Operador::Igual;
      } else if (c == '<' && d == '>') {
        tok_.op = Operador::Diferente;
        ++i_;
      } else if (d == '=') {
        tok_.op = c == '<' ? Operador::MenorIgual : Operador::MaiorIgual;
        ++i_;
      } else {
        tok_.op = c == '<' ? Operador::Menor : Operador::Maior;
      }
    } else {
      Erro(fmt::format("caractere inesperado '{}'", c));
    }
  }

  // 12, 1.5, .5, -3, -.5
  template <typename Digito>
  bool InicioNumero(Digito digito) const {
    size_t k = i_;
    if (s_[k] == '-') ++k;
    if (k < s_.size() && s_[k] == '.') ++k;
    return digito(k);
  }

  bool Palavra(const char* chave) const {
    return tok_.tipo == Tok::Nome && !tok_.colchetes && UpperCase(tok_.texto) == chave;
  }

  bool EhPalavraReservada() const {
    for (const char* p : {"AND", "OR", "NOT", "LIKE", "IS", "NULL", "TRUE", "FALSE"})
      if (Palavra(p)) return true;
    return false;
  }

  static std::unique_ptr<No> Juntar(TipoNo tipo, std::unique_ptr<No> esq, std::unique_ptr<No> dir) {
    auto n = std::make_unique<No>(tipo);
    n->esq = std::move(esq);
    n->dir = std::move(dir);
    return n;
  }

  std::unique_ptr<No> Ou() {
    auto e = E();
    while (Palavra("OR")) {
      Avancar();
      e = Juntar(TipoNo::Ou, std::move(e), E());
    }
    return e;
  }

  std::unique_ptr<No> E() {
    auto e = Nao();
    while (Palavra("AND")) {
      Avancar();
      e = Juntar(TipoNo::E, std::move(e), Nao());
    }
    return e;
  }

  std::unique_ptr<No> Nao() {
    if (Palavra("NOT")) {
      Avancar();
      return Juntar(TipoNo::Nao, Nao(), nullptr);
    }
    return Condicao();
  }

  bool EhCondicao(const No& n) const {
    switch (n.tipo) {
      case TipoNo::Campo:
        return ds_.Campos()[n.campo].tipo == TTipoCampo::Logico;
      case TipoNo::Constante:
        return n.constante.EhLogico();
      default:
        return true;
    }
  }

  std::unique_ptr<No> Condicao() {
    const size_t pos = tok_.pos;
    auto a = Operando();
    if (tok_.tipo == Tok::Operador) {
      auto n = std::make_unique<No>(TipoNo::Comparacao);
      n->op = tok_.op;
      Avancar();
      n->esq = std::move(a);
      n->dir = Operando();
      AjustarConstante(*n->esq, *n->dir);
      AjustarConstante(*n->dir, *n->esq);
      return n;
    }
    bool negado = false;
    if (Palavra("NOT")) {
      Avancar();
      if (!Palavra("LIKE")) Erro("esperado LIKE depois de NOT");
      negado = true;
    }
    if (Palavra("LIKE")) {
      Avancar();
      auto n = Juntar(TipoNo::Like, std::move(a), Operando());
      n->negado = negado;
      return n;
    }
    if (Palavra("IS")) {
      Avancar();
      auto n = Juntar(TipoNo::Nulo, std::move(a), nullptr);
      if (Palavra("NOT")) {
        Avancar();
        n->negado = true;
      }
      if (!Palavra("NULL")) Erro("esperado NULL depois de IS");
      Avancar();
      return n;
    }
    if (!EhCondicao(*a)) Erro("esperada uma condição", pos);
    return a;
  }

  std::unique_ptr<No> Constante(TVariant v) {
    auto n = std::make_unique<No>(TipoNo::Constante);
    n->constante = std::move(v);
    Avancar();
    return n;
  }

  std::unique_ptr<No> Operando() {
    switch (tok_.tipo) {
      case Tok::AbreParentese: {
        Avancar();
        auto e = Ou();
        if (tok_.tipo != Tok::FechaParentese) Erro("esperado ')'");
        Avancar();
        return e;
      }
      case Tok::Texto:
        return Constante(TVariant(tok_.texto));
      case Tok::Inteiro:
        try {
          return Constante(TVariant(TextoParaInteiro(tok_.texto)));
        } catch (const std::exception&) {
          return Constante(TVariant(TextoParaReal(tok_.texto)));
        }
      case Tok::Real:
        return Constante(TVariant(TextoParaReal(tok_.texto)));
      case Tok::Nome: {
        if (Palavra("NULL")) return Constante(TVariant());
        if (Palavra("TRUE")) return Constante(TVariant(true));
        if (Palavra("FALSE")) return Constante(TVariant(false));
        if (EhPalavraReservada()) Erro(fmt::format("'{}' fora de lugar", tok_.texto));
        const int indice = ds_.IndiceCampo(tok_.texto);
        if (indice < 0)
          throw ENomeDesconhecido(
              fmt::format("Campo '{}' desconhecido no filtro \"{}\"", tok_.texto, s_));
        auto n = std::make_unique<No>(TipoNo::Campo);
        n->campo = static_cast<size_t>(indice);
        n->campo_texto = EhTipoTexto(ds_.Campos()[n->campo].tipo);
        Avancar();
        return n;
      }
      default:
        Erro("esperado um campo ou um valor");
    }
  }

  // A constant compared with a field is read once, here, as the field's type.
  void AjustarConstante(const No& campo, No& constante) const {
    if (campo.tipo != TipoNo::Campo || constante.tipo != TipoNo::Constante) return;
    TVariant& c = constante.constante;
    if (c.IsNull()) return;
    const TxbDefCampo& def = ds_.Campos()[campo.campo];
    try {
      if (EhTipoTexto(def.tipo)) {
        if (!c.EhTexto()) c = TVariant(c.AsString());
      } else if (def.tipo == TTipoCampo::Inteiro || def.tipo == TTipoCampo::Real) {
        if (c.EhTexto())
          c = TextoEhInteiro(c.AsString()) ? TVariant(TextoParaInteiro(c.AsString()))
                                           : TVariant(TextoParaReal(c.AsString()));
      } else if (EhTipoData(def.tipo)) {
        if (c.EhTexto()) c = TVariant(TextoParaData(c.AsString()));
      } else if (def.tipo == TTipoCampo::Logico) {
        c = TVariant(c.AsBoolean());
      }
    } catch (const EConversao& e) {
      throw EConversao(fmt::format("Filtro \"{}\": campo '{}': {}", s_, def.nome, e.what()));
    }
  }

  const std::string& s_;
  const ThbClientDataSet& ds_;
  size_t i_ = 0;
  Token tok_;
};

}  // namespace

struct ThbClientDataSet::Expressao {
  std::unique_ptr<No> raiz;  // null: the filter lets every row through
};

// --- TxbCampo ---

const std::string& TxbCampo::FieldName() const {
  return dataset_->defs_[indice_].nome;
}

TTipoCampo TxbCampo::DataType() const {
  return dataset_->defs_[indice_].tipo;
}

const TVariant& TxbCampo::Value() const {
  return dataset_->ValorAtual(indice_);
}

std::string TxbCampo::AsString() const {
  const TVariant& v = Value();
  if (v.IsNull()) return {};
  switch (DataType()) {
    case TTipoCampo::Data:
      return v.AsDateTime().Formatar("DD/MM/YYYY");
    case TTipoCampo::Hora:
      return v.AsDateTime().Formatar("HH:NN:SS");
    case TTipoCampo::DataHora:
      return TVariant(v.AsDateTime()).AsString();
    default:
      return v.AsString();
  }
}

void TxbCampo::SetValue(const TVariant& valor) {
  ThbClientDataSet& ds = *dataset_;
  if (ds.estado_ != ThbClientDataSet::TEstado::Inserindo &&
      ds.estado_ != ThbClientDataSet::TEstado::Editando)
    ds.ExigirEdicao(fmt::format("Campo '{}'", FieldName()).c_str());
  TVariant convertido = ds.Converter(indice_, valor);
  ds.linhas_[ds.visiveis_[ds.cursor_]][indice_] = std::move(convertido);
  ds.modificado_ = true;
  if (ds.notificacoes_[indice_]) {
    // A copy: the notification may replace itself.
    ThbClientDataSet::TNotificacaoCampo notificacao = ds.notificacoes_[indice_];
    notificacao(*this);
  }
}

// --- structure ---

ThbClientDataSet::ThbClientDataSet() = default;
ThbClientDataSet::~ThbClientDataSet() = default;

void ThbClientDataSet::AdicionarCampo(const std::string& nome, TTipoCampo tipo, int tamanho) {
  if (estado_ == TEstado::Inserindo || estado_ == TEstado::Editando)
    throw EErro(fmt::format("Campo '{}': não se acrescentam campos a uma linha em edição", nome));
  std::string limpo = Trim(nome);
  std::string chave = UpperCase(limpo);
  if (chave.empty()) throw EErro("Campo sem nome");
  if (por_nome_.count(chave)) throw EErro(fmt::format("Campo '{}' duplicado", limpo));
  defs_.push_back({std::move(limpo), tipo, tamanho});
  campos_.push_back(std::make_unique<TxbCampo>(this, defs_.size() - 1));
  por_nome_.emplace(std::move(chave), defs_.size() - 1);
  for (auto& linha : linhas_) linha.emplace_back();
  const bool pendentes = nomes_pendentes_;
  ResolverNomes(false);
  if (pendentes && !nomes_pendentes_ && estado_ == TEstado::Navegando) Atualizar(true);
}

void ThbClientDataSet::DefinirCampos(std::vector<TxbDefCampo> campos) {
  std::unordered_map<std::string, size_t> nomes;
  for (size_t i = 0; i < campos.size(); ++i) {
    std::string chave = UpperCase(Trim(campos[i].nome));
    if (chave.empty()) throw EErro("Campo sem nome");
    if (!nomes.emplace(std::move(chave), i).second)
      throw EErro(fmt::format("Campo '{}' duplicado", campos[i].nome));
  }
  const bool ativo = Active();
  defs_ = std::move(campos);
  for (auto& d : defs_) d.nome = Trim(d.nome);
  por_nome_ = std::move(nomes);
  campos_.clear();
  for (size_t i = 0; i < defs_.size(); ++i) campos_.push_back(std::make_unique<TxbCampo>(this, i));
  linhas_.clear();
  visiveis_.clear();
  copia_edicao_.clear();
  cursor_ = 0;
  eof_ = bof_ = true;
  modificado_ = linha_nova_ = false;
  estado_ = ativo ? TEstado::Navegando : TEstado::Inativo;
  ResolverNomes(false);
}

void ThbClientDataSet::AdicionarApelido(const std::string& apelido, size_t indice) {
  if (indice >= defs_.size())
    throw EErro(fmt::format("Apelido '{}': não há campo de índice {}", apelido, indice));
  std::string chave = UpperCase(Trim(apelido));
  if (chave.empty() || !por_nome_.emplace(std::move(chave), indice).second) return;
  const bool pendentes = nomes_pendentes_;
  ResolverNomes(false);
  if (pendentes && !nomes_pendentes_ && estado_ == TEstado::Navegando) Atualizar(true);
}

void ThbClientDataSet::ResolverNomes(bool estrito) {
  nomes_pendentes_ = false;
  index_campos_.clear();
  filtro_.reset();
  try {
    if (!index_nome_.empty())
      index_campos_ = IndicesDeCampos(indices_nomeados_.at(UpperCase(index_nome_)));
    else
      index_campos_ = IndicesDeCampos(index_campos_texto_);
  } catch (const ENomeDesconhecido&) {
    nomes_pendentes_ = true;
    if (estrito) throw;
  }
  try {
    auto e = std::make_shared<Expressao>();
    e->raiz = AnalisadorFiltro(filtro_texto_, *this).Analisar();
    if (e->raiz) filtro_ = std::move(e);
  } catch (const EErro&) {  // a field gone, or a constant the new type does not take
    nomes_pendentes_ = true;
    if (estrito) throw;
  }
  notificacoes_.assign(defs_.size(), nullptr);
  for (const auto& [nome, notificacao] : notificacoes_por_nome_) {
    auto it = por_nome_.find(nome);
    if (it != por_nome_.end()) notificacoes_[it->second] = notificacao;
  }
}

void ThbClientDataSet::CreateDataSet() {
  if (defs_.empty()) throw EErro("CreateDataSet: nenhum campo definido");
  if (nomes_pendentes_) ResolverNomes(true);
  linhas_.clear();
  copia_edicao_.clear();
  modificado_ = linha_nova_ = false;
  estado_ = TEstado::Navegando;
  Atualizar(false);
}

int ThbClientDataSet::IndiceCampo(const std::string& nome) const {
  auto it = por_nome_.find(UpperCase(nome));
  return it == por_nome_.end() ? -1 : static_cast<int>(it->second);
}

TxbCampo& ThbClientDataSet::FieldByName(const std::string& nome) {
  TxbCampo* campo = FindField(nome);
  if (!campo) throw ENomeDesconhecido(fmt::format("Campo '{}' não existe", nome));
  return *campo;
}

TxbCampo* ThbClientDataSet::FindField(const std::string& nome) {
  int i = IndiceCampo(nome);
  return i < 0 ? nullptr : campos_[static_cast<size_t>(i)].get();
}

std::vector<size_t> ThbClientDataSet::IndicesDeCampos(const std::string& campos) const {
  std::vector<size_t> indices;
  for (const std::string& parte : Dividir(campos, ';')) {
    std::string nome = Trim(parte);
    if (nome.empty()) continue;
    int i = IndiceCampo(nome);
    if (i < 0) throw ENomeDesconhecido(fmt::format("Campo '{}' não existe", nome));
    indices.push_back(static_cast<size_t>(i));
  }
  return indices;
}

TVariant ThbClientDataSet::Converter(size_t campo, const TVariant& valor) const {
  const TxbDefCampo& def = defs_[campo];
  try {
    return ConverterPara(def.tipo, def.tamanho, valor);
  } catch (const EConversao& e) {
    throw EConversao(fmt::format("Campo '{}': {}", def.nome, e.what()));
  }
}

const TVariant& ThbClientDataSet::ValorAtual(size_t campo) const {
  if (cursor_ >= visiveis_.size()) return kNulo;
  return linhas_[visiveis_[cursor_]][campo];
}

// --- content ---

void ThbClientDataSet::Carregar(std::vector<std::vector<TVariant>> linhas) {
  if (defs_.empty()) throw EErro("Carregar: nenhum campo definido");
  for (size_t i = 0; i < linhas.size(); ++i)
    if (linhas[i].size() != defs_.size())
      throw EErro(fmt::format("Carregar: a linha {} tem {} valores e há {} campos", i + 1,
                              linhas[i].size(), defs_.size()));
  if (nomes_pendentes_) ResolverNomes(true);
  linhas_ = std::move(linhas);
  copia_edicao_.clear();
  modificado_ = linha_nova_ = false;
  estado_ = TEstado::Navegando;
  Atualizar(false);
}

void ThbClientDataSet::Close() {
  estado_ = TEstado::Inativo;
  linhas_ = {};
  visiveis_ = {};
  copia_edicao_.clear();
  modificado_ = linha_nova_ = false;
  cursor_ = 0;
  eof_ = bof_ = true;
}

void ThbClientDataSet::EmptyDataSet() {
  ExigirAtivo("EmptyDataSet");
  Cancel();
  linhas_.clear();
  visiveis_.clear();
  cursor_ = 0;
  eof_ = bof_ = true;
}

void ThbClientDataSet::ExigirAtivo(const char* operacao) const {
  if (estado_ == TEstado::Inativo)
    throw EErro(fmt::format("{}: o conjunto de dados está fechado", operacao));
}

void ThbClientDataSet::ExigirEdicao(const char* operacao) const {
  if (estado_ != TEstado::Inserindo && estado_ != TEstado::Editando)
    throw EErro(
        fmt::format("{}: o conjunto de dados não está em inclusão nem em edição", operacao));
}

// --- order and visibility ---

bool ThbClientDataSet::Visivel(size_t linha) const {
  if (!filtrado_ || !filtro_ || !filtro_->raiz) return true;
  return Verdadeiro(*filtro_->raiz, linhas_[linha]);
}

void ThbClientDataSet::Ordenar(std::vector<size_t>& linhas) const {
  if (index_campos_.empty()) return;
  auto menor_completo = [this](size_t a, size_t b) {
    const auto& la = linhas_[a];
    const auto& lb = linhas_[b];
    for (size_t campo : index_campos_) {
      int c = Comparar(la[campo], lb[campo]);
      if (c != 0) return c < 0;
    }
    return false;
  };
  // Big datasets: sort keys copied out of the rows (the first index field's
  // number, or the first 8 bytes of its text), so that most comparisons stay
  // in cache. Equal keys fall back to the full comparison. Only when the
  // column holds texts alone or numbers alone, where the key agrees with
  // CompararValores.
  const size_t primeiro = index_campos_[0];
  bool textos = true, numeros = true;
  for (size_t linha : linhas) {
    const TVariant& v = linhas_[linha][primeiro];
    if (v.EhTexto())
      numeros = false;
    else if (!v.IsNull())
      textos = false;
  }
  if (linhas.size() < 64 || (!textos && !numeros)) {
    std::stable_sort(linhas.begin(), linhas.end(), menor_completo);
    return;
  }
  struct Chave {
    bool nulo;
    uint64_t texto;  // first bytes, big-endian: compares as the bytes do
    double numero;
    size_t linha;
  };
  std::vector<Chave> chaves;
  chaves.reserve(linhas.size());
  for (size_t linha : linhas) {
    const TVariant& v = linhas_[linha][primeiro];
    Chave c{v.IsNull(), 0, 0.0, linha};
    if (v.EhTexto()) {
      const std::string& t = std::get<std::string>(v.valor());
      for (size_t i = 0; i < 8; ++i)
        c.texto = c.texto << 8 | (i < t.size() ? static_cast<unsigned char>(t[i]) : 0u);
    } else if (!c.nulo) {
      c.numero = v.AsFloat();
    }
    chaves.push_back(c);
  }
  std::stable_sort(chaves.begin(), chaves.end(), [&](const Chave& a, const Chave& b) {
    if (a.nulo != b.nulo) return a.nulo;
    if (a.texto != b.texto) return a.texto < b.texto;
    if (a.numero != b.numero) return a.numero < b.numero;
    return menor_completo(a.linha, b.linha);
  });
  for (size_t i = 0; i < linhas.size(); ++i) linhas[i] = chaves[i].linha;
}

void ThbClientDataSet::Atualizar(bool manter_linha) {
  const size_t nenhuma = static_cast<size_t>(-1);
  const size_t atual = manter_linha && cursor_ < visiveis_.size() ? visiveis_[cursor_] : nenhuma;
  visiveis_.clear();
  visiveis_.reserve(linhas_.size());
  for (size_t i = 0; i < linhas_.size(); ++i)
    if (Visivel(i)) visiveis_.push_back(i);
  Ordenar(visiveis_);
  cursor_ = 0;
  bof_ = true;
  eof_ = visiveis_.empty();
  if (atual != nenhuma) {
    auto it = std::find(visiveis_.begin(), visiveis_.end(), atual);
    if (it != visiveis_.end()) {
      cursor_ = static_cast<size_t>(it - visiveis_.begin());
      bof_ = eof_ = false;
    }
  }
}

// --- navigation ---

void ThbClientDataSet::ConfirmarPendente() {
  if (estado_ != TEstado::Inserindo && estado_ != TEstado::Editando) return;
  if (modificado_)
    Post();
  else
    Cancel();
}

void ThbClientDataSet::First() {
  ExigirAtivo("First");
  ConfirmarPendente();
  cursor_ = 0;
  bof_ = true;
  eof_ = visiveis_.empty();
}

void ThbClientDataSet::Last() {
  ExigirAtivo("Last");
  ConfirmarPendente();
  cursor_ = visiveis_.empty() ? 0 : visiveis_.size() - 1;
  eof_ = true;
  bof_ = visiveis_.empty();
}

void ThbClientDataSet::Next() {
  ExigirAtivo("Next");
  ConfirmarPendente();
  if (visiveis_.empty()) {
    eof_ = bof_ = true;
    return;
  }
  bof_ = false;
  if (cursor_ + 1 < visiveis_.size()) {
    ++cursor_;
    eof_ = false;
  } else {
    eof_ = true;
  }
}

void ThbClientDataSet::Prior() {
  ExigirAtivo("Prior");
  ConfirmarPendente();
  if (visiveis_.empty()) {
    eof_ = bof_ = true;
    return;
  }
  eof_ = false;
  if (cursor_ > 0) {
    --cursor_;
    bof_ = false;
  } else {
    bof_ = true;
  }
}

bool ThbClientDataSet::Eof() const {
  return eof_;
}
bool ThbClientDataSet::Bof() const {
  return bof_;
}

int ThbClientDataSet::RecordCount() const {
  return static_cast<int>(visiveis_.size()) - (estado_ == TEstado::Inserindo ? 1 : 0);
}

int ThbClientDataSet::RecNo() const {
  return visiveis_.empty() ? 0 : static_cast<int>(cursor_) + 1;
}

// --- editing ---

void ThbClientDataSet::Append() {
  ExigirAtivo("Append");
  ConfirmarPendente();
  cursor_antes_insercao_ = cursor_;
  linhas_.emplace_back(defs_.size());
  visiveis_.push_back(linhas_.size() - 1);
  cursor_ = visiveis_.size() - 1;
  estado_ = TEstado::Inserindo;
  modificado_ = false;
  linha_nova_ = true;
  eof_ = bof_ = false;
}

void ThbClientDataSet::Edit() {
  ExigirAtivo("Edit");
  if (estado_ == TEstado::Inserindo || estado_ == TEstado::Editando) return;
  if (visiveis_.empty()) {
    Append();
    return;
  }
  copia_edicao_ = linhas_[visiveis_[cursor_]];
  estado_ = TEstado::Editando;
  modificado_ = false;
}

void ThbClientDataSet::Post() {
  ExigirEdicao("Post");
  const size_t linha = visiveis_[cursor_];
  estado_ = TEstado::Navegando;
  copia_edicao_.clear();
  modificado_ = linha_nova_ = false;
  eof_ = bof_ = false;
  if (index_campos_.empty() && !(filtrado_ && filtro_ && filtro_->raiz)) return;
  // visiveis_ is ordered by (index key, storage position): put the row back
  // where that order wants it, if it still passes the filter.
  visiveis_.erase(visiveis_.begin() + static_cast<std::ptrdiff_t>(cursor_));
  if (Visivel(linha)) {
    auto menor = [this](size_t a, size_t b) {
      for (size_t campo : index_campos_) {
        int c = Comparar(linhas_[a][campo], linhas_[b][campo]);
        if (c != 0) return c < 0;
      }
      return a < b;
    };
    auto it = std::lower_bound(visiveis_.begin(), visiveis_.end(), linha, menor);
    cursor_ = static_cast<size_t>(it - visiveis_.begin());
    visiveis_.insert(it, linha);
  } else if (visiveis_.empty()) {
    cursor_ = 0;
    eof_ = bof_ = true;
  } else {
    cursor_ = std::min(cursor_, visiveis_.size() - 1);
  }
}

void ThbClientDataSet::Cancel() {
  if (estado_ == TEstado::Inserindo) {
    // The new row is the last one stored: Append pushes it, and nothing else
    // adds rows while it is pending.
    linhas_.pop_back();
    visiveis_.erase(visiveis_.begin() + static_cast<std::ptrdiff_t>(cursor_));
    cursor_ = visiveis_.empty() ? 0 : std::min(cursor_antes_insercao_, visiveis_.size() - 1);
    eof_ = bof_ = visiveis_.empty();
  } else if (estado_ == TEstado::Editando) {
    linhas_[visiveis_[cursor_]] = std::move(copia_edicao_);
  } else {
    return;
  }
  copia_edicao_.clear();
  estado_ = TEstado::Navegando;
  modificado_ = linha_nova_ = false;
}

void ThbClientDataSet::Delete() {
  ExigirAtivo("Delete");
  if (estado_ == TEstado::Inserindo) {
    Cancel();
    return;
  }
  if (visiveis_.empty()) throw EErro("Delete: o conjunto de dados está vazio");
  if (estado_ == TEstado::Editando) {
    estado_ = TEstado::Navegando;
    copia_edicao_.clear();
    modificado_ = false;
  }
  const size_t linha = visiveis_[cursor_];
  linhas_.erase(linhas_.begin() + static_cast<std::ptrdiff_t>(linha));
  visiveis_.erase(visiveis_.begin() + static_cast<std::ptrdiff_t>(cursor_));
  for (size_t& v : visiveis_)
    if (v > linha) --v;
  if (visiveis_.empty()) {
    cursor_ = 0;
    eof_ = bof_ = true;
  } else {
    cursor_ = std::min(cursor_, visiveis_.size() - 1);
    eof_ = bof_ = false;
  }
}

const std::vector<TVariant>& ThbClientDataSet::LinhaAtual() const {
  return cursor_ < visiveis_.size() ? linhas_[visiveis_[cursor_]] : kSemLinha;
}

// --- order ---

void ThbClientDataSet::SetIndexFieldNames(const std::string& campos) {
  std::vector<size_t> indices = IndicesDeCampos(campos);
  ConfirmarPendente();
  index_campos_texto_ = indices.empty() ? std::string() : campos;
  index_campos_ = std::move(indices);
  index_nome_.clear();
  if (Active()) Atualizar(true);
}

void ThbClientDataSet::AddIndex(const std::string& nome, const std::string& campos) {
  std::string chave = UpperCase(Trim(nome));
  if (chave.empty()) throw EErro("AddIndex: índice sem nome");
  if (indices_nomeados_.count(chave))
    throw EErro(fmt::format("AddIndex: o índice '{}' já existe", nome));
  if (IndicesDeCampos(campos).empty())
    throw EErro(fmt::format("AddIndex: o índice '{}' não tem campos", nome));
  indices_nomeados_.emplace(std::move(chave), campos);
}

void ThbClientDataSet::SetIndexName(const std::string& nome) {
  std::vector<size_t> indices;
  if (!Trim(nome).empty()) {
    auto it = indices_nomeados_.find(UpperCase(Trim(nome)));
    if (it == indices_nomeados_.end())
      throw ENomeDesconhecido(fmt::format("Índice '{}' não existe", nome));
    indices = IndicesDeCampos(it->second);
  }
  ConfirmarPendente();
  index_nome_ = indices.empty() ? std::string() : Trim(nome);
  index_campos_texto_.clear();
  index_campos_ = std::move(indices);
  if (Active()) Atualizar(true);
}

// --- search ---

bool ThbClientDataSet::Locate(const std::string& campos, const std::vector<TVariant>& valores,
                              bool parcial, bool sem_caixa) {
  ExigirAtivo("Locate");
  const std::vector<size_t> indices = IndicesDeCampos(campos);
  if (indices.empty() || indices.size() != valores.size())
    throw EErro(fmt::format("Locate: {} valores para os campos \"{}\"", valores.size(), campos));
  struct Criterio {
    size_t campo;
    bool texto;
    std::string procurado;  // texts, upper-cased when ignoring case
    TVariant valor;         // other types, converted to the field's type
  };
  std::vector<Criterio> criterios;
  for (size_t i = 0; i < indices.size(); ++i) {
    Criterio c{indices[i], EhTipoTexto(defs_[indices[i]].tipo), {}, {}};
    if (c.texto) {
      c.procurado = valores[i].AsString();
      if (sem_caixa) c.procurado = UpperCase(c.procurado);
    } else {
      const TxbDefCampo& def = defs_[c.campo];
      try {
        c.valor = ConverterPara(def.tipo, 0, valores[i]);
      } catch (const EConversao& e) {
        throw EConversao(fmt::format("Locate: campo '{}': {}", def.nome, e.what()));
      }
    }
    criterios.push_back(std::move(c));
  }
  ConfirmarPendente();
  std::string tmp;
  auto casa = [&](const Criterio& c, const TVariant& v) {
    if (!c.texto) {
      if (v.IsNull() || c.valor.IsNull()) return v.IsNull() && c.valor.IsNull();
      return Comparar(v, c.valor) == 0;
    }
    std::string_view texto = VisaoTexto(v, tmp);
    if (sem_caixa) {
      tmp = UpperCase(texto);
      texto = tmp;
    }
    return parcial ? texto.starts_with(c.procurado) : texto == c.procurado;
  };
  for (size_t pos = 0; pos < visiveis_.size(); ++pos) {
    const std::vector<TVariant>& linha = linhas_[visiveis_[pos]];
    bool achou = true;
    for (const Criterio& c : criterios)
      if (!casa(c, linha[c.campo])) {
        achou = false;
        break;
      }
    if (achou) {
      cursor_ = pos;
      eof_ = bof_ = false;
      return true;
    }
  }
  return false;
}

bool ThbClientDataSet::FindKey(const std::vector<TVariant>& valores) {
  ExigirAtivo("FindKey");
  if (index_campos_.empty()) throw EErro("FindKey: nenhum índice ativo");
  if (valores.empty() || valores.size() > index_campos_.size())
    throw EErro(fmt::format("FindKey: {} valores para um índice de {} campos", valores.size(),
                            index_campos_.size()));
  std::vector<TVariant> chave;
  for (size_t i = 0; i < valores.size(); ++i) {
    const TxbDefCampo& def = defs_[index_campos_[i]];
    try {
      chave.push_back(ConverterPara(def.tipo, 0, valores[i]));
    } catch (const EConversao& e) {
      throw EConversao(fmt::format("FindKey: campo '{}': {}", def.nome, e.what()));
    }
  }
  ConfirmarPendente();
  auto comparar = [&](size_t linha) {
    for (size_t i = 0; i < chave.size(); ++i) {
      int c = Comparar(linhas_[linha][index_campos_[i]], chave[i]);
      if (c != 0) return c;
    }
    return 0;
  };
  auto it = std::partition_point(visiveis_.begin(), visiveis_.end(),
                                 [&](size_t linha) { return comparar(linha) < 0; });
  if (it == visiveis_.end() || comparar(*it) != 0) return false;
  cursor_ = static_cast<size_t>(it - visiveis_.begin());
  eof_ = bof_ = false;
  return true;
}

// --- filter ---

void ThbClientDataSet::SetFilter(const std::string& texto) {
  auto e = std::make_shared<Expressao>();
  e->raiz = AnalisadorFiltro(texto, *this).Analisar();
  ConfirmarPendente();
  filtro_texto_ = texto;
  filtro_ = e->raiz ? std::move(e) : nullptr;
  if (filtrado_ && Active()) Atualizar(false);
}

void ThbClientDataSet::SetFiltered(bool filtrado) {
  if (filtrado == filtrado_) return;
  ConfirmarPendente();
  filtrado_ = filtrado;
  if (Active()) Atualizar(false);
}

void ThbClientDataSet::SetOnChange(const std::string& campo, TNotificacaoCampo notificacao) {
  const int indice = IndiceCampo(campo);
  if (indice < 0 && !defs_.empty())
    throw ENomeDesconhecido(fmt::format("SetOnChange: campo '{}' não existe", campo));
  const std::string chave =
      UpperCase(indice < 0 ? Trim(campo) : defs_[static_cast<size_t>(indice)].nome);
  if (notificacao)
    notificacoes_por_nome_[chave] = notificacao;
  else
    notificacoes_por_nome_.erase(chave);
  if (indice >= 0) notificacoes_[static_cast<size_t>(indice)] = std::move(notificacao);
}

}  // namespace efd
