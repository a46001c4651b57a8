// What every kind of database shares: the URL, statements with named
// parameters, prepared commands, transactions and the allocation of ids.
#include "framework/pbbd.h"

#include <fmt/format.h>
#include <soci/soci.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <filesystem>
#include <regex>
#include <set>
#include <typeinfo>

#include "framework/pbbd_kinds.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd {

// ---------------------------------------------------------------------------
// Helpers shared by the kinds

namespace bd {

std::string LiteralTexto(const std::string& texto) {
  return "'" + SubstituirTodos(texto, "'", "''") + "'";
}

namespace {

bool ComecaPalavra(const std::string& s, size_t pos, std::string_view palavra) {
  if (s.size() - pos < palavra.size()) return false;
  for (size_t i = 0; i < palavra.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(s[pos + i])) != palavra[i]) return false;
  const size_t fim = pos + palavra.size();
  return fim == s.size() || !(std::isalnum(static_cast<unsigned char>(s[fim])) || s[fim] == '_');
}

size_t PularEspacos(const std::string& s, size_t pos) {
  while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos]))) ++pos;
  return pos;
}

bool InicioDeNome(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool ParteDeNome(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

}  // namespace

std::string InserirAposSelect(const std::string& select, const std::string& inserido,
                              bool depois_de_distinct) {
  size_t pos = PularEspacos(select, 0);
  if (!ComecaPalavra(select, pos, "SELECT"))
    throw EBancoDados(MensagemErroSql("Só é possível limitar as linhas de um SELECT", select));
  pos += 6;
  if (depois_de_distinct) {
    const size_t p = PularEspacos(select, pos);
    if (ComecaPalavra(select, p, "DISTINCT")) pos = p + 8;
  }
  std::string resto = select.substr(pos);
  const bool espaco = !resto.empty() && std::isspace(static_cast<unsigned char>(resto[0]));
  return select.substr(0, pos) + " " + inserido + (espaco ? "" : " ") + resto;
}

int64_t PrimeiroInteiro(const TxbResultado& r) {
  if (r.linhas.empty() || r.linhas[0].empty()) return 0;
  return r.linhas[0][0].AsInt64();
}

TSqlPosicional ConverterParametros(const std::string& sql) {
  TSqlPosicional r;
  r.texto.reserve(sql.size());
  const size_t n = sql.size();
  size_t i = 0;
  while (i < n) {
    const char c = sql[i];
    size_t fim = i + 1;
    if (c == '\'' || c == '"') {
      // A doubled quote inside stays part of the literal.
      while (fim < n && (sql[fim] != c || (fim + 1 < n && sql[fim + 1] == c)))
        fim += sql[fim] == c ? 2 : 1;
      fim = std::min(fim + 1, n);
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      fim = std::min(sql.find('\n', i), n);
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      const size_t f = sql.find("*/", i + 2);
      fim = f == std::string::npos ? n : f + 2;
    } else if (c == '?') {
      r.texto += '?';
      r.nomes.emplace_back();
      ++i;
      continue;
    } else if (c == ':' && i + 1 < n && InicioDeNome(sql[i + 1]) && (i == 0 || sql[i - 1] != ':')) {
      while (fim < n && ParteDeNome(sql[fim])) ++fim;
      r.nomes.push_back(UpperCase(std::string_view(sql).substr(i + 1, fim - i - 1)));
      r.texto += '?';
      i = fim;
      continue;
    }
    r.texto.append(sql, i, fim - i);
    i = fim;
  }
  return r;
}

std::string MensagemErroSql(const std::string& erro, const std::string& sql) {
  return TrimRight(erro) + "\nSQL: " + sql;
}

std::string MensagemColunaNaoLida(const std::string& coluna) {
  return fmt::format("A coluna {} tem um tipo que não é lido (BLOB ou XML)", coluna);
}

namespace {

const TVariant* ProcurarParametro(const TParametros& parametros, const std::string& nome) {
  for (const auto& [n, v] : parametros) {
    std::string_view s = n;
    if (!s.empty() && s[0] == ':') s.remove_prefix(1);
    if (UpperCase(s) == nome) return &v;
  }
  return nullptr;
}

}  // namespace

std::vector<const TVariant*> ValoresDasMarcas(const TSqlPosicional& convertido,
                                              const TParametros& parametros,
                                              const std::string& sql) {
  std::vector<const TVariant*> valores;
  valores.reserve(convertido.nomes.size());
  size_t posicionais = 0;
  for (const std::string& nome : convertido.nomes) {
    const TVariant* valor = nullptr;
    if (nome.empty()) {
      if (posicionais < parametros.size()) valor = &parametros[posicionais].second;
      ++posicionais;
    } else {
      valor = ProcurarParametro(parametros, nome);
    }
    if (!valor)
      throw EBancoDados(MensagemErroSql(
          fmt::format("O parâmetro {} não recebeu valor", nome.empty() ? "?" : ":" + nome), sql));
    valores.push_back(valor);
  }
  return valores;
}

TMarcasDoComando MarcasDoComando(const std::string& sql, size_t tipos) {
  TSqlPosicional convertido = ConverterParametros(sql);
  TMarcasDoComando r;
  r.texto = std::move(convertido.texto);
  // Each distinct name is one parameter, numbered by its first appearance.
  std::vector<std::string> distintos;
  for (const std::string& nome : convertido.nomes) {
    auto it = nome.empty() ? distintos.end() : std::find(distintos.begin(), distintos.end(), nome);
    r.parametro_da_marca.push_back(static_cast<size_t>(it - distintos.begin()));
    if (it == distintos.end()) distintos.push_back(nome);
  }
  if (distintos.size() != tipos)
    throw EBancoDados(MensagemErroSql(
        fmt::format("O comando tem {} parâmetros e foram dados {} tipos", distintos.size(), tipos),
        sql));
  return r;
}

TDateTime DataDeTm(const std::tm& tm) {
  // A TIME column comes back with no date.
  if (tm.tm_mday == 0 && tm.tm_mon == 0 && tm.tm_year <= 0)
    return TDateTime((tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) / 86400.0);
  return TDateTime::FromTm(tm);
}

}  // namespace bd

// ---------------------------------------------------------------------------
// Results

// Called per value of every row read by name: compares in place, the length first.
int TxbResultado::IndiceColuna(const std::string& nome) const {
  auto igual = [&nome](const std::string& coluna) {
    return coluna.size() == nome.size() &&
           std::equal(coluna.begin(), coluna.end(), nome.begin(), [](char a, char b) {
             return a == (b >= 'a' && b <= 'z' ? static_cast<char>(b - 32) : b);
           });
  };
  for (size_t i = 0; i < colunas.size(); ++i)
    if (igual(colunas[i])) return static_cast<int>(i);
  return -1;
}

const TVariant& TxbResultado::Valor(size_t linha, const std::string& coluna) const {
  const int i = IndiceColuna(coluna);
  if (i < 0) {
    std::string nomes;
    for (const auto& c : colunas) nomes += (nomes.empty() ? "" : ", ") + c;
    throw ENomeDesconhecido(
        fmt::format("A coluna '{}' não está no resultado (colunas: {})", coluna, nomes));
  }
  if (linha >= linhas.size())
    throw EErro(fmt::format("Linha {} fora do resultado de {} linhas", linha, linhas.size()));
  return linhas[linha][static_cast<size_t>(i)];
}

// ---------------------------------------------------------------------------
// Statements

namespace {

constexpr int64_t kTamanhoBlocoIDs = 1000;

// The values bound to a statement. SOCI keeps references to them, so they
// live in deques, which never move what they hold. Trocar puts another
// execution's values in the same holders: values of the same types.
class TVinculos {
 public:
  // The holder a value goes into: 'i' integer, 'r' real, 'd' date, 't' text
  // (texts, logicals and nulls: the engines take a null text for a parameter
  // of any type).
  static char Holder(const TVariant& valor) {
    const TVariant::Valor& v = valor.valor();
    return std::holds_alternative<int64_t>(v)     ? 'i'
           : std::holds_alternative<double>(v)    ? 'r'
           : std::holds_alternative<TDateTime>(v) ? 'd'
                                                  : 't';
  }

  void Vincular(soci::statement& st, const TVariant& valor) {
    soci::indicator& ind = indicadores_.emplace_back();
    TDestino& destino = destinos_.emplace_back();
    switch (Holder(valor)) {
      case 'i':
        st.exchange(soci::use(*(destino.inteiro = &inteiros_.emplace_back()), ind));
        break;
      case 'r':
        st.exchange(soci::use(*(destino.real = &reais_.emplace_back()), ind));
        break;
      case 'd':
        st.exchange(soci::use(*(destino.data = &datas_.emplace_back()), ind));
        break;
      default:
        st.exchange(soci::use(*(destino.texto = &textos_.emplace_back()), ind));
    }
    Trocar(destinos_.size() - 1, valor);
  }

  void Trocar(const std::vector<const TVariant*>& valores) {
    for (size_t i = 0; i < valores.size(); ++i) Trocar(i, *valores[i]);
  }

 private:
  struct TDestino {
    long long* inteiro = nullptr;
    double* real = nullptr;
    std::tm* data = nullptr;
    std::string* texto = nullptr;
  };

  void Trocar(size_t i, const TVariant& valor) {
    indicadores_[i] = valor.IsNull() ? soci::i_null : soci::i_ok;
    const TDestino& destino = destinos_[i];
    const TVariant::Valor& v = valor.valor();
    if (const auto* n = std::get_if<int64_t>(&v)) {
      *destino.inteiro = *n;
    } else if (const auto* r = std::get_if<double>(&v)) {
      *destino.real = *r;
    } else if (const auto* d = std::get_if<TDateTime>(&v)) {
      *destino.data = d->ToTm();
    } else if (const auto* t = std::get_if<std::string>(&v)) {
      destino.texto->assign(*t);
    } else if (const auto* b = std::get_if<bool>(&v)) {
      destino.texto->assign(*b ? "T" : "F");
    }
  }

  std::deque<long long> inteiros_;
  std::deque<double> reais_;
  std::deque<std::string> textos_;
  std::deque<std::tm> datas_;
  std::deque<soci::indicator> indicadores_;
  std::vector<TDestino> destinos_;
};

TVariant LerColuna(const soci::row& linha, size_t i, soci::data_type tipo) {
  if (linha.get_indicator(i) == soci::i_null) return {};
  switch (tipo) {
    case soci::dt_string:
      return TVariant(linha.get<std::string>(i));
    case soci::dt_double:
      return TVariant(linha.get<double>(i));
    case soci::dt_integer:
      return TVariant(linha.get<int>(i));
    case soci::dt_long_long:
      return TVariant(static_cast<int64_t>(linha.get<long long>(i)));
    case soci::dt_unsigned_long_long:
      return TVariant(static_cast<int64_t>(linha.get<unsigned long long>(i)));
    case soci::dt_date:
      return TVariant(bd::DataDeTm(linha.get<std::tm>(i)));
    default:
      throw EBancoDados(bd::MensagemColunaNaoLida(linha.get_properties(i).get_name()));
  }
}

// A statement prepared once, its parameters bound once to holders of fixed
// type; each Executar only copies the values in and runs it.
class TxbComandoSoci final : public TxbComando {
 public:
  TxbComandoSoci(TpbBD& bd, soci::session& sessao, std::string sql, std::vector<TTipoCampo> tipos)
      : bd_(bd),
        sql_(std::move(sql)),
        tipos_(std::move(tipos)),
        inteiros_(tipos_.size()),
        reais_(tipos_.size()),
        textos_(tipos_.size()),
        datas_(tipos_.size()),
        indicadores_(tipos_.size(), soci::i_null),
        st_(sessao) {
    bd::TMarcasDoComando marcas = bd::MarcasDoComando(sql_, tipos_.size());
    // The text is checked now; the statement that runs it is made on the
    // first Executar: SOCI's SQLite backend cannot destroy a statement whose
    // bound parameters were never used (a command prepared for rows that
    // never came).
    try {
      soci::statement verificacao(sessao);
      verificacao.alloc();
      verificacao.prepare(marcas.texto);
      verificacao.define_and_bind();
    } catch (const soci::soci_error& e) {
      throw EBancoDados(bd::MensagemErroSql(e.what(), sql_));
    }
    texto_ = std::move(marcas.texto);
    indice_da_marca_ = std::move(marcas.parametro_da_marca);
  }

  void Definir(size_t indice, const TVariant& valor) override {
    if (indice >= tipos_.size())
      throw EErro(bd::MensagemErroSql(
          fmt::format("Parâmetro {} inexistente: o comando tem {}", indice, tipos_.size()), sql_));
    if (valor.IsNull()) {
      indicadores_[indice] = soci::i_null;
      return;
    }
    switch (tipos_[indice]) {
      case TTipoCampo::Inteiro:
        inteiros_[indice] = valor.AsInt64();
        break;
      case TTipoCampo::Real:
        reais_[indice] = valor.AsFloat();
        break;
      case TTipoCampo::Texto:
      case TTipoCampo::Memo:
        if (const auto* s = std::get_if<std::string>(&valor.valor()))
          textos_[indice].assign(*s);
        else
          textos_[indice] = valor.AsString();
        break;
      case TTipoCampo::Logico:
        textos_[indice].assign(valor.AsBoolean() ? "T" : "F");
        break;
      case TTipoCampo::Data:
      case TTipoCampo::Hora:
      case TTipoCampo::DataHora:
        datas_[indice] = valor.AsDateTime().ToTm();
        break;
    }
    indicadores_[indice] = soci::i_ok;
  }

  void Executar() override {
    bd_.Iniciar();
    try {
      if (!preparado_) Preparar();
      st_.execute(true);
    } catch (const soci::soci_error& e) {
      throw EBancoDados(bd::MensagemErroSql(e.what(), sql_));
    }
  }

 private:
  // Binds each parameter to the holder of its type and prepares the text.
  void Preparar() {
    for (size_t k : indice_da_marca_) {
      soci::indicator& ind = indicadores_[k];
      switch (tipos_[k]) {
        case TTipoCampo::Inteiro:
          st_.exchange(soci::use(inteiros_[k], ind));
          break;
        case TTipoCampo::Real:
          st_.exchange(soci::use(reais_[k], ind));
          break;
        case TTipoCampo::Texto:
        case TTipoCampo::Memo:
        case TTipoCampo::Logico:
          st_.exchange(soci::use(textos_[k], ind));
          break;
        case TTipoCampo::Data:
        case TTipoCampo::Hora:
        case TTipoCampo::DataHora:
          st_.exchange(soci::use(datas_[k], ind));
          break;
      }
    }
    st_.alloc();
    st_.prepare(texto_);
    st_.define_and_bind();
    preparado_ = true;
  }

  TpbBD& bd_;
  const std::string sql_;
  const std::vector<TTipoCampo> tipos_;
  std::string texto_;                    // with positional marks
  std::vector<size_t> indice_da_marca_;  // parameter of each mark
  bool preparado_ = false;
  // One holder of each type per parameter; only the one of its type is bound.
  std::vector<long long> inteiros_;
  std::vector<double> reais_;
  std::vector<std::string> textos_;
  std::vector<std::tm> datas_;
  std::vector<soci::indicator> indicadores_;
  soci::statement st_;  // last: goes before the holders it refers to
};

}  // namespace

namespace bd {

namespace {

// A statement through SOCI, its parameters bound to holders of the types of
// its first values: run again with values of the same types, it is not
// prepared again.
class TConsultaSoci {
 public:
  TConsultaSoci(soci::session& sessao, const std::string& texto,
                const std::vector<const TVariant*>& valores, bool com_resultado)
      : st_(sessao) {
    if (com_resultado) st_.exchange(soci::into(linha_));
    for (const TVariant* valor : valores) vinculos_.Vincular(st_, *valor);
    st_.alloc();
    st_.prepare(texto);
    st_.define_and_bind();
  }

  void Executar(const std::vector<const TVariant*>& valores, TxbResultado* resultado,
                const TxbVisitaLinha* linha_lida) {
    vinculos_.Trocar(valores);
    bool tem = st_.execute(true);
    if (!resultado) return;

    std::vector<soci::data_type> tipos;
    for (size_t i = 0; i < linha_.size(); ++i) {
      const soci::column_properties& p = linha_.get_properties(i);
      resultado->colunas.push_back(UpperCase(p.get_name()));
      tipos.push_back(p.get_data_type());
    }
    std::vector<TVariant> atual;
    while (tem) {
      std::vector<TVariant>& valores_lidos = linha_lida ? atual : resultado->linhas.emplace_back();
      valores_lidos.clear();
      valores_lidos.reserve(tipos.size());
      for (size_t i = 0; i < tipos.size(); ++i)
        valores_lidos.push_back(LerColuna(linha_, i, tipos[i]));
      if (linha_lida) (*linha_lida)(atual);
      tem = st_.fetch();
    }
  }

 private:
  TVinculos vinculos_;
  soci::row linha_;
  soci::statement st_;  // last: goes before the holders it refers to
};

// What a prepared statement was bound for: whether it returns rows, and the
// holder each value went into.
std::string FormaDaExecucao(const std::vector<const TVariant*>& valores, bool com_resultado) {
  std::string forma(1, com_resultado ? 'R' : 'C');
  for (const TVariant* valor : valores) forma += TVinculos::Holder(*valor);
  return forma;
}

// Whether the text reads or changes rows, rather than the schema.
bool ManipulaDados(const std::string& texto) {
  static const std::set<std::string> kPalavras = {"SELECT", "WITH",  "INSERT", "UPDATE",
                                                  "DELETE", "MERGE", "EXECUTE"};
  const size_t inicio = texto.find_first_not_of(" \t\r\n(");
  if (inicio == std::string::npos) return false;
  size_t fim = inicio;
  while (fim < texto.size() && std::isalpha(static_cast<unsigned char>(texto[fim]))) ++fim;
  return kPalavras.count(UpperCase(texto.substr(inicio, fim - inicio))) > 0;
}

template <typename F>
void TraduzirErrosSoci(const std::string& sql, F&& executar) {
  try {
    executar();
  } catch (const soci::soci_error& e) {
    throw EBancoDados(MensagemErroSql(e.what(), sql));
  } catch (const std::bad_cast&) {
    throw EBancoDados(MensagemErroSql("Tipo de coluna inesperado na leitura", sql));
  }
}

// A statement prepared for one execution.
void ExecutarUmaVez(soci::session& sessao, const TSqlPosicional& convertido, const std::string& sql,
                    const TParametros& parametros, TxbResultado* resultado,
                    const TxbVisitaLinha* linha_lida) {
  TraduzirErrosSoci(sql, [&] {
    const std::vector<const TVariant*> valores = ValoresDasMarcas(convertido, parametros, sql);
    TConsultaSoci(sessao, convertido.texto, valores, resultado != nullptr)
        .Executar(valores, resultado, linha_lida);
  });
}

}  // namespace

void ExecutarSoci(soci::session& sessao, const std::string& sql, const TParametros& parametros,
                  TxbResultado* resultado, const TxbVisitaLinha* linha_lida) {
  ExecutarUmaVez(sessao, ConverterParametros(sql), sql, parametros, resultado, linha_lida);
}

struct TConsultasPreparadasSoci::TPreparada {
  TSqlPosicional convertido;
  std::string forma;
  std::unique_ptr<TConsultaSoci> consulta;
  bool em_uso = false;  // its rows are being read
};

TConsultasPreparadasSoci::TConsultasPreparadasSoci() = default;
TConsultasPreparadasSoci::~TConsultasPreparadasSoci() = default;

void TConsultasPreparadasSoci::Executar(soci::session& sessao, const std::string& sql,
                                        const TParametros& parametros, TxbResultado* resultado,
                                        const TxbVisitaLinha* linha_lida) {
  auto it = preparadas_.find(sql);
  if (it == preparadas_.end()) {
    TSqlPosicional convertido = ConverterParametros(sql);
    // A text that carries its values is seldom run twice; one that changes
    // the schema would find it in use by the statements kept.
    if (convertido.nomes.empty()) {
      if (!ManipulaDados(convertido.texto)) Esquecer();
      return ExecutarUmaVez(sessao, convertido, sql, parametros, resultado, linha_lida);
    }
    if (preparadas_.size() >= kLimite) Esquecer();
    auto nova = std::make_shared<TPreparada>();
    nova->convertido = std::move(convertido);
    it = preparadas_.emplace(sql, std::move(nova)).first;
  }
  // Held here: a query run while reading the rows may forget it.
  const std::shared_ptr<TPreparada> preparada = it->second;
  // The same text again while its rows are read: a statement of its own.
  if (preparada->em_uso)
    return ExecutarUmaVez(sessao, preparada->convertido, sql, parametros, resultado, linha_lida);
  TraduzirErrosSoci(sql, [&] {
    const std::vector<const TVariant*> valores =
        ValoresDasMarcas(preparada->convertido, parametros, sql);
    std::string forma = FormaDaExecucao(valores, resultado != nullptr);
    if (!preparada->consulta || preparada->forma != forma) {
      preparada->consulta.reset();
      preparada->consulta = std::make_unique<TConsultaSoci>(sessao, preparada->convertido.texto,
                                                            valores, resultado != nullptr);
      preparada->forma = std::move(forma);
    }
    preparada->em_uso = true;
    try {
      preparada->consulta->Executar(valores, resultado, linha_lida);
    } catch (...) {
      // Left mid-way: prepared again next time.
      preparada->consulta.reset();
      preparada->em_uso = false;
      throw;
    }
    preparada->em_uso = false;
  });
}

void TConsultasPreparadasSoci::Esquecer() {
  std::erase_if(preparadas_, [](const auto& par) { return !par.second->em_uso; });
}

std::unique_ptr<TxbComando> NovoComandoSoci(TpbBD& bd, soci::session& sessao,
                                            const std::string& sql, std::vector<TTipoCampo> tipos) {
  return std::make_unique<TxbComandoSoci>(bd, sessao, sql, std::move(tipos));
}

}  // namespace bd

namespace {

std::string MinusculasAscii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// "firebird://HOST[:PORT]/PATH" → "HOST/PORT:PATH", the path keeping its
// leading slash ("/tmp/x.fdb"), except before a drive letter ("C:/x.fdb").
std::string ServicoFirebird(const std::string& url, const std::string& resto) {
  const size_t barra = resto.find('/', 2);
  if (barra == std::string::npos || barra == 2 || barra + 1 == resto.size())
    throw EBancoDados("URL de Firebird sem servidor ou sem caminho: " + url);
  std::string servidor = resto.substr(2, barra - 2);
  std::string caminho = resto.substr(barra);
  if (caminho.size() >= 3 && std::isalpha(static_cast<unsigned char>(caminho[1])) &&
      caminho[2] == ':')
    caminho.erase(0, 1);
  // The port follows the last colon, outside the brackets of an IPv6 address.
  const size_t dois_pontos = servidor.rfind(':');
  const size_t colchete = servidor.rfind(']');
  if (dois_pontos != std::string::npos && (colchete == std::string::npos || dois_pontos > colchete))
    servidor[dois_pontos] = '/';
  return servidor + ":" + caminho;
}

// The URL as error messages show it: without passwords.
std::string UrlSemSenha(const std::string& url) {
  static const std::regex senha(R"(((?:pwd|password)\s*=\s*)[^; ]*)", std::regex::icase);
  return std::regex_replace(url, senha, "$1***");
}

[[noreturn]] void FalhaAoConectar(const std::string& url, const soci::soci_error& e) {
  throw EBancoDados(
      fmt::format("Não foi possível conectar a {}: {}", UrlSemSenha(url), TrimRight(e.what())));
}

}  // namespace

// ---------------------------------------------------------------------------
// TpbBD

std::unique_ptr<TpbBD> TpbBD::Conectar(const std::string& url) {
  const size_t dois_pontos = url.find(':');
  if (dois_pontos == std::string::npos || dois_pontos == 0)
    throw EBancoDados("URL de banco de dados sem o tipo (sqlite:, firebird:, ...): " + url);
  const std::string tipo = MinusculasAscii(url.substr(0, dois_pontos));
  const std::string resto = url.substr(dois_pontos + 1);
  if (tipo == "oracle") return bd::ConectarOracle(url);
  if (resto.empty()) throw EBancoDados("URL de banco de dados sem caminho: " + url);
  if (tipo == "sqlite") return bd::ConectarSQLite(url, resto);
  if (tipo == "firebird") {
    if (resto.rfind("//", 0) == 0) return bd::ConectarInterbase(url, ServicoFirebird(url, resto));
    return bd::ConectarInterbase(url, std::filesystem::absolute(resto).string());
  }
  if (tipo == "sqlserver") return bd::ConectarSQLServer(url, resto);
  throw EBancoDados("Tipo de banco de dados desconhecido na URL: " + tipo);
}

std::unique_ptr<TpbBD> TpbBD::SemConexao(const std::string& nome_classe) {
  if (nome_classe == "TpbBDSQLite") return bd::NovoSQLite();
  if (nome_classe == "TpbBDInterbase") return bd::NovoInterbase();
  if (nome_classe == "TpbBDSQLServer") return bd::NovoSQLServer();
  if (nome_classe == "TpbBDOracle") return bd::NovoOracle();
  throw ENomeDesconhecido("Tipo de banco de dados desconhecido: " + nome_classe);
}

TpbBD::TpbBD() = default;

TpbBD::~TpbBD() {
  // Work not confirmed is lost with the connection (SOCI's Firebird backend
  // would commit it on close).
  if (sessao_ && em_transacao_) {
    try {
      sessao_->rollback();
    } catch (...) {
    }
  }
}

void TpbBD::Abrir(const std::string& url, const std::string& conexao_soci) {
  url_ = url;
  try {
    sessao_ = std::make_unique<soci::session>(conexao_soci);
  } catch (const soci::soci_error& e) {
    sessao_.reset();
    FalhaAoConectar(url, e);
  }
}

void TpbBD::Abrir(const std::string& url, const soci::backend_factory& motor,
                  const std::string& conexao) {
  url_ = url;
  try {
    sessao_ = std::make_unique<soci::session>(motor, conexao);
  } catch (const soci::soci_error& e) {
    sessao_.reset();
    FalhaAoConectar(url, e);
  }
}

std::string TpbBD::Concatenar(const std::string& a, const std::string& b) const {
  return a + " || " + b;
}

soci::session& TpbBD::Sessao() {
  Iniciar();
  return *sessao_;
}

void TpbBD::Executar(const std::string& sql, const TParametros& parametros) {
  Iniciar();
  ExecutarNoMotor(sql, parametros, nullptr, nullptr);
}

TxbResultado TpbBD::Consultar(const std::string& sql, const TParametros& parametros) {
  Iniciar();
  TxbResultado r;
  ExecutarNoMotor(sql, parametros, &r, nullptr);
  return r;
}

void TpbBD::Percorrer(const std::string& sql, const TParametros& parametros,
                      const TxbVisitaLinha& linha) {
  Iniciar();
  TxbResultado colunas;
  ExecutarNoMotor(sql, parametros, &colunas, &linha);
}

std::unique_ptr<TxbComando> TpbBD::Preparar(const std::string& sql, std::vector<TTipoCampo> tipos) {
  // Firebird prepares inside a transaction: ours must be the one open.
  Iniciar();
  return PrepararNoMotor(sql, std::move(tipos));
}

std::unique_ptr<TxbComando> TpbBD::PrepararInsercao(const std::string& sql,
                                                    std::vector<TTipoCampo> tipos) {
  Iniciar();
  return PrepararInsercaoNoMotor(sql, std::move(tipos));
}

void TpbBD::ExecutarNoMotor(const std::string& sql, const TParametros& parametros,
                            TxbResultado* resultado, const TxbVisitaLinha* linha) {
  bd::ExecutarSoci(*sessao_, sql, parametros, resultado, linha);
}

std::unique_ptr<TxbComando> TpbBD::PrepararNoMotor(const std::string& sql,
                                                   std::vector<TTipoCampo> tipos) {
  return bd::NovoComandoSoci(*this, *sessao_, sql, std::move(tipos));
}

std::unique_ptr<TxbComando> TpbBD::PrepararInsercaoNoMotor(const std::string& sql,
                                                           std::vector<TTipoCampo> tipos) {
  return PrepararNoMotor(sql, std::move(tipos));
}

void TpbBD::IniciarNoMotor() {
  sessao_->begin();
}

void TpbBD::Iniciar() {
  IniciarSemEnviar();
  if (!aguardando_.empty()) EnviarAguardando();
}

void TpbBD::Aguardar(TxbInsercaoEmLote& insercao) {
  aguardando_.push_back(&insercao);
}

void TpbBD::Esquecer(TxbInsercaoEmLote& insercao) {
  std::erase(aguardando_, &insercao);
}

void TpbBD::EnviarAguardando() {
  // Each leaves the list before it is sent: one that fails is not sent again.
  while (!aguardando_.empty()) {
    TxbInsercaoEmLote* insercao = aguardando_.front();
    aguardando_.erase(aguardando_.begin());
    insercao->Enviar();
  }
}

void TpbBD::IniciarSemEnviar() {
  if (em_transacao_) return;
  if (!sessao_) throw EBancoDados(ClassName() + ": sem conexão com o banco de dados");
  try {
    IniciarNoMotor();
  } catch (const soci::soci_error& e) {
    throw EBancoDados(bd::MensagemErroSql(e.what(), "BEGIN"));
  }
  em_transacao_ = true;
}

std::string TpbBD::JuncaoIds(const std::string& coluna, std::vector<int64_t> ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  std::string apelido = "IDS_" + coluna;
  std::replace(apelido.begin(), apelido.end(), '.', '_');
  return JuncaoConjuntoIds(coluna, apelido, ids);
}

std::string TpbBD::JuncaoConjuntoIds(const std::string& coluna, const std::string& apelido,
                                     const std::vector<int64_t>& ids) {
  std::string valores;
  for (int64_t id : ids) valores += (valores.empty() ? "(" : ", (") + std::to_string(id) + ")";
  if (valores.empty()) valores = "(NULL)";  // equal to nothing
  return fmt::format("INNER JOIN (VALUES {}) {} (ID) ON {}.ID = {} ", valores, apelido, apelido,
                     coluna);
}

void TpbBD::Confirmar() {
  if (!em_transacao_) return;
  EnviarAguardando();  // a failure leaves the transaction open, for the caller to undo
  em_transacao_ = false;
  TransacaoEncerrada();
  try {
    sessao_->commit();
  } catch (const soci::soci_error& e) {
    // A failed commit may leave the transaction open: end it, so that the
    // connection starts clean, and treat it as rolled back.
    try {
      sessao_->rollback();
    } catch (...) {
    }
    if (SequenciaTransacional()) {
      proximo_id_ = 0;
      ultimo_id_bloco_ = -1;
      sequencia_pronta_ = false;
    }
    throw EBancoDados(bd::MensagemErroSql(e.what(), "COMMIT"));
  }
}

void TpbBD::Desfazer() {
  for (TxbInsercaoEmLote* insercao : std::exchange(aguardando_, {})) insercao->Descartar();
  if (!em_transacao_) return;
  em_transacao_ = false;
  TransacaoEncerrada();
  if (SequenciaTransacional()) {
    // The rollback returns the block to the sequence: handing its ids out
    // again would repeat ids the next block will also hold.
    proximo_id_ = 0;
    ultimo_id_bloco_ = -1;
    sequencia_pronta_ = false;
  }
  try {
    sessao_->rollback();
  } catch (const soci::soci_error& e) {
    throw EBancoDados(bd::MensagemErroSql(e.what(), "ROLLBACK"));
  }
}

void TpbBD::CriarSequenciaUmaVez() {
  if (sequencia_pronta_) return;
  CriarSequenciaSeAusente();
  sequencia_pronta_ = true;
}

int64_t TpbBD::NovoID() {
  if (ultimo_id_bloco_ < 0 || proximo_id_ > ultimo_id_bloco_) {
    CriarSequenciaUmaVez();
    const int64_t ultimo = ReservarBlocoIDs(kTamanhoBlocoIDs);
    proximo_id_ = ultimo - kTamanhoBlocoIDs + 1;
    ultimo_id_bloco_ = ultimo;
  }
  return proximo_id_++;
}

void TpbBD::ReservarIDsAte(int64_t maximo) {
  if (ultimo_id_bloco_ >= 0 && proximo_id_ <= maximo) {
    if (maximo < ultimo_id_bloco_) {
      proximo_id_ = maximo + 1;
    } else {
      proximo_id_ = 0;
      ultimo_id_bloco_ = -1;
    }
  }
  CriarSequenciaUmaVez();
  // Advancing by the difference keeps ids taken meanwhile by other
  // connections: the sequence only grows.
  const int64_t atual = ReservarBlocoIDs(0);
  if (atual < maximo) ReservarBlocoIDs(maximo - atual);
}

bool TpbBD::TabelaExiste(const std::string& nome) {
  return ExisteTabela(nome);
}

std::vector<std::string> TpbBD::ColunasDaTabela(const std::string& nome) {
  std::vector<std::string> colunas = ListarColunas(nome);
  for (std::string& c : colunas) c = UpperCase(Trim(c));
  return colunas;
}

std::map<std::string, std::vector<std::string>> TpbBD::ColunasDasTabelas() {
  std::map<std::string, std::vector<std::string>> tabelas;
  Percorrer(SqlColunasDasTabelas(), {}, [&tabelas](const std::vector<TVariant>& coluna) {
    tabelas[UpperCase(Trim(coluna[0].AsString()))].push_back(UpperCase(Trim(coluna[1].AsString())));
  });
  return tabelas;
}

void TpbBD::CriarSequencia() {
  CriarSequenciaSeAusente();
  sequencia_pronta_ = true;
}

std::string TpbBD::TipoColuna(TTipoCampo tipo, int tamanho) const {
  return fmt::format(fmt::runtime(TiposColuna()[static_cast<size_t>(tipo)]),
                     tamanho > 0 ? tamanho : 100);
}

int64_t TpbBD::ReservarBlocoIDsNaTabela(int64_t tamanho) {
  Executar(fmt::format("UPDATE {} SET ID = ID + {}", bd::kSequenciaIDs, tamanho));
  return bd::PrimeiroInteiro(Consultar(fmt::format("SELECT ID FROM {}", bd::kSequenciaIDs)));
}

}  // namespace efd
