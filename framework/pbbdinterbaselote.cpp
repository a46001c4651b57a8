#include "framework/pbbdinterbaselote.h"

#include <fmt/format.h>

#include <cstdlib>
#include <optional>
#include <regex>

#include "framework/pbbd_kinds.h"
#include "framework/xberros.h"

namespace efd::bd {

std::string MensagemStatus(const ISC_STATUS* status) {
  std::string msg;
  char buf[512];
  const ISC_STATUS* p = status;
  while (fb_interpret(buf, sizeof buf, &p)) msg += (msg.empty() ? "" : "\n") + std::string(buf);
  return msg;
}

namespace {

// Each row's INSERT is one of the 256 contexts a statement may hold.
constexpr size_t kLinhasPorBloco = 64;
// Firebird 3 takes statements of up to 64 KB of text.
constexpr size_t kTamanhoDoTexto = 60000;

struct TInsercao {
  std::string tabela;
  std::vector<std::string> colunas;
  std::vector<std::string> valores;  // "?" for a marker, else an expression
};

// The items of a list, split at the commas outside parentheses and quotes.
std::vector<std::string> Itens(const std::string& lista) {
  std::vector<std::string> itens(1);
  int nivel = 0;
  char aspas = 0;
  for (char c : lista) {
    if (aspas) {
      aspas = c == aspas ? 0 : aspas;
    } else if (c == '\'' || c == '"') {
      aspas = c;
    } else if (c == '(' || c == ')') {
      nivel += c == '(' ? 1 : -1;
    } else if (c == ',' && nivel == 0) {
      itens.emplace_back();
      continue;
    }
    itens.back() += c;
  }
  for (std::string& item : itens) {
    item.erase(0, item.find_first_not_of(" \t\r\n"));
    item.erase(item.find_last_not_of(" \t\r\n") + 1);
  }
  return itens;
}

// texto: the statement with its markers as "?".
std::optional<TInsercao> Analisar(const std::string& texto) {
  static const std::regex forma(
      R"(\s*INSERT\s+INTO\s+([A-Za-z_][A-Za-z0-9_$]*)\s*\(([^()]*)\)\s*VALUES\s*\((.*)\)\s*)",
      std::regex::icase);
  std::smatch m;
  if (!std::regex_match(texto, m, forma)) return std::nullopt;
  TInsercao insercao{m[1], Itens(m[2]), Itens(m[3])};
  if (insercao.colunas.size() != insercao.valores.size()) return std::nullopt;
  for (const std::string& valor : insercao.valores)
    if (valor != "?" && valor.find('?') != std::string::npos) return std::nullopt;
  return insercao;
}

// EXECUTE BLOCK (LINHAS INTEGER = ?, P0_0 TYPE OF COLUMN T.C = ?, ...) AS
// BEGIN INSERT ... (:P0_0, ...); IF (:LINHAS > 1) THEN INSERT ...; END: the
// first LINHAS of `linhas` rows are stored.
std::string TextoDoBloco(const TInsercao& insercao, size_t linhas) {
  std::string colunas;
  for (const std::string& coluna : insercao.colunas)
    colunas += (colunas.empty() ? "" : ", ") + coluna;
  std::string parametros = "LINHAS INTEGER = ?", corpo;
  for (size_t linha = 0; linha < linhas; ++linha) {
    std::string valores;
    size_t marca = 0;
    for (size_t c = 0; c < insercao.colunas.size(); ++c) {
      std::string valor = insercao.valores[c];
      if (valor == "?") {
        valor = fmt::format(":P{}_{}", linha, marca++);
        parametros += fmt::format(", {} TYPE OF COLUMN {}.{} = ?", valor.substr(1), insercao.tabela,
                                  insercao.colunas[c]);
      }
      valores += (valores.empty() ? "" : ", ") + valor;
    }
    if (linha > 0) corpo += fmt::format("IF (:LINHAS > {}) THEN ", linha);
    corpo += fmt::format("INSERT INTO {} ({}) VALUES ({}); ", insercao.tabela, colunas, valores);
  }
  return "EXECUTE BLOCK (" + parametros + ") AS BEGIN " + corpo + "END";
}

// As many rows as the limits of a statement take.
size_t LinhasPorBloco(const TInsercao& insercao) {
  const size_t uma = TextoDoBloco(insercao, 1).size();
  const size_t por_linha = TextoDoBloco(insercao, 2).size() - uma;
  return std::clamp<size_t>((kTamanhoDoTexto - uma) / por_linha + 1, 1, kLinhasPorBloco);
}

// The sizes of the statements a table's rows are sent by: the powers of two
// below the largest block, then the largest. Preparing a block takes the
// server milliseconds for each row it holds, and each row it holds costs
// binding and converting its parameters, used or not; so a few rows go by a
// statement of about their number, prepared once it is first needed.
std::vector<size_t> TamanhosDeBloco(size_t maior) {
  std::vector<size_t> tamanhos;
  for (size_t t = 1; t < maior; t *= 2) tamanhos.push_back(t);
  tamanhos.push_back(maior);
  return tamanhos;
}

class TxbInsercaoEmLoteFirebird final : public TxbInsercaoEmLote {
 public:
  TxbInsercaoEmLoteFirebird(TpbBD& bd, isc_db_handle* banco, isc_tr_handle* transacao,
                            std::string sql, std::vector<TTipoCampo> tipos,
                            std::vector<size_t> parametro_da_marca, TInsercao insercao)
      : bd_(bd),
        banco_(banco),
        transacao_(transacao),
        sql_(std::move(sql)),
        tipos_(std::move(tipos)),
        parametro_da_marca_(std::move(parametro_da_marca)),
        insercao_(std::move(insercao)),
        capacidade_(LinhasPorBloco(insercao_)),
        atual_(tipos_.size()),
        linhas_(capacidade_, atual_),
        binarios_(1 + capacidade_ * parametro_da_marca_.size()),
        textos_(binarios_.size()),
        nulos_(binarios_.size()) {
    for (size_t tamanho : TamanhosDeBloco(capacidade_)) blocos_.push_back({tamanho});
    // Checks the text now, as any other prepared command does.
    Preparar(blocos_.front());
  }

  ~TxbInsercaoEmLoteFirebird() override {
    if (na_fila_) bd_.Esquecer(*this);
  }

  void Definir(size_t indice, const TVariant& valor) override {
    if (indice >= tipos_.size())
      throw EErro(MensagemErroSql(
          fmt::format("Parâmetro {} inexistente: o comando tem {}", indice, tipos_.size()), sql_));
    atual_[indice] = valor;
  }

  void Executar() override {
    bd_.IniciarSemEnviar();
    if (!na_fila_) bd_.Aguardar(*this);
    na_fila_ = true;
    linhas_[usadas_] = atual_;  // reuses the slot's texts
    if (++usadas_ == capacidade_) EnviarBloco();
  }

  void Enviar() override {
    na_fila_ = false;
    if (usadas_ > 0) EnviarBloco();
  }

  void Descartar() override {
    na_fila_ = false;
    usadas_ = 0;
  }

 private:
  struct TComando {
    ~TComando() {
      ISC_STATUS_ARRAY status;
      if (handle) isc_dsql_free_statement(status, &handle, DSQL_drop);
    }
    isc_stmt_handle handle = 0;
  };

  // The statement of a block of `linhas` rows, prepared when first needed.
  struct TBloco {
    size_t linhas;
    std::unique_ptr<TComando> comando = nullptr;
    std::unique_ptr<XSQLDA, decltype(&std::free)> entrada{nullptr, &std::free};
  };

  union TBinario {
    int64_t inteiro;
    double real;
    ISC_TIMESTAMP data;
  };

  void Preparar(TBloco& bloco) {
    const std::string texto = TextoDoBloco(insercao_, bloco.linhas);
    const size_t variaveis = 1 + bloco.linhas * parametro_da_marca_.size();
    auto comando = std::make_unique<TComando>();
    ISC_STATUS_ARRAY status;
    if (isc_dsql_allocate_statement(status, banco_, &comando->handle) ||
        isc_dsql_prepare(status, transacao_, &comando->handle, 0, texto.c_str(), SQL_DIALECT_V6,
                         nullptr))
      throw EBancoDados(MensagemErroSql(MensagemStatus(status), texto));
    bloco.entrada.reset(static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(variaveis))));
    XSQLDA& entrada = *bloco.entrada;
    entrada.version = SQLDA_VERSION1;
    entrada.sqln = static_cast<short>(variaveis);
    // Described for the text columns' character sets; each value then goes
    // in the type of its own, which the server converts.
    if (isc_dsql_describe_bind(status, &comando->handle, SQLDA_VERSION1, &entrada))
      throw EBancoDados(MensagemErroSql(MensagemStatus(status), texto));
    for (size_t v = 0; v < variaveis; ++v) {
      entrada.sqlvar[v].sqlind = &nulos_[v];
      entrada.sqlvar[v].sqlscale = 0;
    }
    bloco.comando = std::move(comando);
  }

  void EnviarBloco() {
    TBloco& bloco = *std::find_if(blocos_.begin(), blocos_.end(),
                                  [&](const TBloco& b) { return b.linhas >= usadas_; });
    if (!bloco.comando) Preparar(bloco);
    XSQLDA& entrada = *bloco.entrada;
    const size_t marcas = parametro_da_marca_.size();
    const TVariant nulo;
    Vincular(entrada, 0, TTipoCampo::Inteiro, TVariant(static_cast<int64_t>(usadas_)));
    for (size_t linha = 0; linha < bloco.linhas; ++linha)
      for (size_t m = 0; m < marcas; ++m) {
        const size_t v = 1 + linha * marcas + m, parametro = parametro_da_marca_[m];
        Vincular(entrada, v, tipos_[parametro], linha < usadas_ ? linhas_[linha][parametro] : nulo);
      }
    usadas_ = 0;
    ISC_STATUS_ARRAY status;
    if (isc_dsql_execute(status, transacao_, &bloco.comando->handle, SQL_DIALECT_V6, &entrada))
      throw EBancoDados(MensagemErroSql(MensagemStatus(status), sql_));
  }

  // Points variable v at the value, in the type it goes in.
  void Vincular(XSQLDA& entrada, size_t v, TTipoCampo tipo, const TVariant& valor) {
    XSQLVAR& var = entrada.sqlvar[v];
    TBinario& binario = binarios_[v];
    nulos_[v] = valor.IsNull() ? -1 : 0;
    if (valor.IsNull()) {
      Apontar(var, SQL_TEXT, &binario, 0);
      return;
    }
    switch (tipo) {
      case TTipoCampo::Inteiro:
        binario.inteiro = valor.AsInt64();
        Apontar(var, SQL_INT64, &binario, sizeof binario.inteiro);
        return;
      case TTipoCampo::Real:
        binario.real = valor.AsFloat();
        Apontar(var, SQL_DOUBLE, &binario, sizeof binario.real);
        return;
      case TTipoCampo::Data:
      case TTipoCampo::Hora:
      case TTipoCampo::DataHora: {
        std::tm tm = valor.AsDateTime().ToTm();
        isc_encode_timestamp(&tm, &binario.data);
        Apontar(var, SQL_TIMESTAMP, &binario, sizeof binario.data);
        return;
      }
      case TTipoCampo::Texto:
      case TTipoCampo::Memo:
      case TTipoCampo::Logico: {
        const std::string* texto = std::get_if<std::string>(&valor.valor());
        if (!texto || tipo == TTipoCampo::Logico) {
          textos_[v] =
              tipo == TTipoCampo::Logico ? (valor.AsBoolean() ? "T" : "F") : valor.AsString();
          texto = &textos_[v];
        }
        Apontar(var, SQL_TEXT, const_cast<char*>(texto->data()), texto->size());
        return;
      }
    }
  }

  static void Apontar(XSQLVAR& var, short tipo, void* dados, size_t tamanho) {
    var.sqltype = static_cast<short>(tipo + 1);  // + 1: may be null
    var.sqldata = static_cast<char*>(dados);
    var.sqllen = static_cast<short>(tamanho);
  }

  TpbBD& bd_;
  isc_db_handle* banco_;
  isc_tr_handle* transacao_;
  const std::string sql_;
  const std::vector<TTipoCampo> tipos_;
  const std::vector<size_t> parametro_da_marca_;
  const TInsercao insercao_;
  const size_t capacidade_;                    // rows of the largest block
  std::vector<TVariant> atual_;                // the row being defined, by parameter
  std::vector<std::vector<TVariant>> linhas_;  // the rows waiting
  size_t usadas_ = 0;                          // of linhas_
  bool na_fila_ = false;                       // among the connection's rows waiting
  std::vector<TBinario> binarios_;             // per variable: LINHAS, then each row's markers
  std::vector<std::string> textos_;
  std::vector<short> nulos_;
  std::vector<TBloco> blocos_;  // by size, smallest first
};

}  // namespace

std::unique_ptr<TxbComando> NovaInsercaoEmLote(TpbBD& bd, isc_db_handle* banco,
                                               isc_tr_handle* transacao, const std::string& sql,
                                               const std::vector<TTipoCampo>& tipos) {
  TMarcasDoComando marcas = MarcasDoComando(sql, tipos.size());
  std::optional<TInsercao> insercao = Analisar(marcas.texto);
  if (!insercao) return nullptr;
  return std::make_unique<TxbInsercaoEmLoteFirebird>(
      bd, banco, transacao, sql, tipos, std::move(marcas.parametro_da_marca), std::move(*insercao));
}

}  // namespace efd::bd
