#include "erp/carregador.h"

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unordered_set>

#include "erp/insercao.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"

namespace efd::erp {

ECarga::ECarga(std::string tabela, int linha, std::string coluna, const std::string& motivo)
    : EErro(linha < 0 ? fmt::format("{}: {}", tabela.empty() ? "fixture" : tabela, motivo)
            : coluna.empty()
                ? fmt::format("{}, row {}: {}", tabela, linha, motivo)
                : fmt::format("{}, row {}, column {}: {}", tabela, linha, coluna, motivo)),
      tabela_(std::move(tabela)),
      linha_(linha),
      coluna_(std::move(coluna)) {}

namespace {

using json = nlohmann::ordered_json;

bool Digitos(const std::string& s, size_t inicio, size_t n) {
  for (size_t i = inicio; i < inicio + n; ++i)
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
  return true;
}

int Numero(const std::string& s, size_t inicio, size_t n) {
  return std::stoi(s.substr(inicio, n));
}

// "YYYY-MM-DD"; EncodeDate rejects days that do not exist.
TDateTime LerData(const std::string& s) {
  if (s.size() < 10 || !Digitos(s, 0, 4) || s[4] != '-' || !Digitos(s, 5, 2) || s[7] != '-' ||
      !Digitos(s, 8, 2))
    throw EConversao("date '" + s + "' is not in the form YYYY-MM-DD");
  return TDateTime::EncodeDate(Numero(s, 0, 4), Numero(s, 5, 2), Numero(s, 8, 2));
}

double LerHora(const std::string& s, const std::string& texto) {
  if (s.size() != 8 || !Digitos(s, 0, 2) || s[2] != ':' || !Digitos(s, 3, 2) || s[5] != ':' ||
      !Digitos(s, 6, 2) || Numero(s, 0, 2) > 23 || Numero(s, 3, 2) > 59 || Numero(s, 6, 2) > 59)
    throw EConversao("time '" + texto + "' is not a time HH:MM:SS");
  return (Numero(s, 0, 2) * 3600 + Numero(s, 3, 2) * 60 + Numero(s, 6, 2)) / 86400.0;
}

TVariant Converter(const json& v, const TxbColunaTabela& c) {
  if (v.is_null()) return TVariant();
  switch (c.tipo) {
    case TTipoCampo::Inteiro:
      if (!v.is_number_integer()) throw EConversao("expected an integer, found " + v.dump());
      return TVariant(v.get<int64_t>());
    case TTipoCampo::Real:
      if (!v.is_number()) throw EConversao("expected a number, found " + v.dump());
      return TVariant(v.get<double>());
    case TTipoCampo::Logico:
      if (!v.is_boolean()) throw EConversao("expected true or false, found " + v.dump());
      return TVariant(v.get<bool>());
    case TTipoCampo::Texto:
    case TTipoCampo::Memo: {
      if (!v.is_string()) throw EConversao("expected a text, found " + v.dump());
      std::string s = v.get<std::string>();
      if (c.tipo == TTipoCampo::Texto && c.tamanho > 0 &&
          TamanhoUtf8(s) > static_cast<size_t>(c.tamanho))
        throw EConversao(fmt::format("text of {} characters is longer than the column's {}",
                                     TamanhoUtf8(s), c.tamanho));
      return TVariant(std::move(s));
    }
    case TTipoCampo::Data:
    case TTipoCampo::Hora:
    case TTipoCampo::DataHora: {
      if (!v.is_string())
        throw EConversao("expected a text with a date or time, found " + v.dump());
      const std::string s = v.get<std::string>();
      if (c.tipo == TTipoCampo::Hora) return TVariant(TDateTime(LerHora(s, s)));
      if (c.tipo == TTipoCampo::Data) {
        if (s.size() != 10) throw EConversao("date '" + s + "' is not in the form YYYY-MM-DD");
        return TVariant(LerData(s));
      }
      if (s.size() == 10) return TVariant(LerData(s));
      if (s.size() != 19 || (s[10] != ' ' && s[10] != 'T'))
        throw EConversao("date-time '" + s + "' is not in the form YYYY-MM-DD HH:MM:SS");
      TDateTime d = LerData(s.substr(0, 10));
      d.dias += LerHora(s.substr(11), s);
      return TVariant(d);
    }
  }
  return TVariant();
}

// A value that must name an existing row, checked once every row is stored.
struct TReferencia {
  std::string tabela;  // as the fixture names it
  int linha;
  std::string coluna;
  std::string familia;  // family of the row holding the value
  std::string alvo;     // family referred to
  int64_t id;
};

class TCarga {
 public:
  explicit TCarga(TpbBD& bd) : bd_(bd) {}

  TResultadoCarga Executar(const json& documento) {
    if (!documento.is_object())
      throw ECarga("", -1, "", "a fixture is an object whose members are tables");
    for (const auto& [tabela, linhas] : documento.items()) CarregarTabela(tabela, linhas);
    ChecarReferencias();
    return std::move(resultado_);
  }

 private:
  void CarregarTabela(const std::string& tabela, const json& linhas) {
    const TxbFamilia* familia = TxbMetadados::Instancia().FamiliaPorTabela(tabela);
    if (!familia) throw ECarga(tabela, -1, "", "no family of the metadata has this table");
    if (!linhas.is_array()) throw ECarga(tabela, -1, "", "a table is an array of rows");
    auto& ids = ids_[familia->tabela];
    for (size_t i = 0; i < linhas.size(); ++i) {
      const int n = static_cast<int>(i);
      const json& linha = linhas[i];
      if (!linha.is_object()) throw ECarga(tabela, n, "", "a row is an object of columns");

      std::vector<std::string> nomes;
      std::vector<TVariant> valores;
      std::vector<TxbColunaTabela> colunas;
      for (const auto& [coluna, valor] : linha.items()) {
        auto c = ColunaDaTabela(*familia, coluna);
        if (!c)
          throw ECarga(
              tabela, n, coluna,
              fmt::format("no such column in {} (family {})", familia->tabela, familia->nome));
        if (std::find(nomes.begin(), nomes.end(), c->nome) != nomes.end())
          throw ECarga(tabela, n, coluna, "the column is given twice");
        try {
          valores.push_back(Converter(valor, *c));
        } catch (const EConversao& e) {
          throw ECarga(tabela, n, coluna, e.what());
        }
        nomes.push_back(c->nome);
        colunas.push_back(std::move(*c));
      }
      auto valor_de = [&](const std::string& coluna) -> const TVariant* {
        auto it = std::find(nomes.begin(), nomes.end(), coluna);
        return it == nomes.end() ? nullptr : &valores[it - nomes.begin()];
      };

      const TVariant* id = valor_de("ID");
      if (!id || id->IsNull() || id->AsInt64() <= 0)
        throw ECarga(tabela, n, "ID", "every row needs its ID, a positive integer");
      if (!ids.insert(id->AsInt64()).second)
        throw ECarga(tabela, n, "ID", fmt::format("id {} repeats an earlier row", id->AsInt64()));
      if (!familia->ancestral.empty()) {
        const TVariant* ida = valor_de("IDA");
        if (!ida || ida->IsNull())
          throw ECarga(tabela, n, "IDA",
                       "a row of a descendant's table needs IDA, the row of " + familia->ancestral);
      }
      if (TemDescendentes(*familia)) {
        const TVariant* fd = valor_de("FD");
        if (!fd || fd->IsNull())
          throw ECarga(tabela, n, "FD", "a row of an ancestor's table needs FD, its family");
        const std::string concreta = fd->AsString();
        if (!TxbMetadados::Instancia().Familia(concreta) || !DescendeDe(concreta, familia->nome))
          throw ECarga(tabela, n, "FD",
                       fmt::format("'{}' is not {} nor a family descending from it", concreta,
                                   familia->nome));
        familia_da_linha_[{familia->tabela, id->AsInt64()}] = concreta;
      }
      for (size_t k = 0; k < colunas.size(); ++k)
        if (!colunas[k].referencia.empty() && !valores[k].IsNull())
          referencias_.push_back({tabela, n, colunas[k].nome, familia->nome, colunas[k].referencia,
                                  valores[k].AsInt64()});

      TxbInsercao& insercao = Insercao(familia->tabela, nomes);
      for (size_t k = 0; k < valores.size(); ++k) insercao.Definir(k, valores[k]);
      try {
        insercao.Gravar();
      } catch (const EErro& e) {
        throw ECarga(tabela, n, "", std::string("the database refused the row: ") + e.what());
      }
      resultado_.maior_id = std::max(resultado_.maior_id, id->AsInt64());
      ++resultado_.linhas;
    }
    resultado_.linhas_por_tabela.emplace_back(tabela, static_cast<int64_t>(linhas.size()));
  }

  // One prepared statement per table and set of columns.
  TxbInsercao& Insercao(const std::string& tabela, const std::vector<std::string>& colunas) {
    std::string chave = tabela;
    for (const auto& c : colunas) chave += "," + c;
    auto& insercao = insercoes_[chave];
    if (!insercao) insercao = std::make_unique<TxbInsercao>(bd_, tabela, colunas);
    return *insercao;
  }

  bool Existe(const TxbFamilia& alvo, int64_t id) {
    if (ids_[alvo.tabela].count(id)) return true;
    auto chave = std::make_pair(alvo.tabela, id);
    auto it = no_banco_.find(chave);
    if (it == no_banco_.end())
      it = no_banco_
               .emplace(chave, !bd_.Consultar("SELECT ID FROM " + alvo.tabela + " WHERE ID = :ID",
                                              {{"ID", TVariant(id)}})
                                    .Vazio())
               .first;
    return it->second;
  }

  void ChecarReferencias() {
    for (const auto& r : referencias_) {
      const TxbFamilia* alvo = TxbMetadados::Instancia().Familia(r.alvo);
      if (!alvo)
        throw ECarga(r.tabela, r.linha, r.coluna,
                     "refers to family " + r.alvo + ", which is not registered");
      if (!Existe(*alvo, r.id))
        throw ECarga(r.tabela, r.linha, r.coluna,
                     fmt::format("refers to {} {} (table {}), which is neither in the database "
                                 "nor in the fixture",
                                 alvo->nome, r.id, alvo->tabela));
      if (r.coluna != "IDA") continue;
      // The ancestor's row must be of this family (or of one below it).
      auto it = familia_da_linha_.find({alvo->tabela, r.id});
      if (it != familia_da_linha_.end() && !DescendeDe(it->second, r.familia))
        throw ECarga(r.tabela, r.linha, r.coluna,
                     fmt::format("the row {} of {} is of family {}, not {}", r.id, alvo->tabela,
                                 it->second, r.familia));
    }
  }

  TpbBD& bd_;
  TResultadoCarga resultado_;
  std::map<std::string, std::unordered_set<int64_t>> ids_;  // by table of the metadata
  std::map<std::pair<std::string, int64_t>, std::string> familia_da_linha_;  // FD by row
  std::map<std::pair<std::string, int64_t>, bool> no_banco_;
  std::vector<TReferencia> referencias_;
  std::map<std::string, std::unique_ptr<TxbInsercao>> insercoes_;
};

}  // namespace

TResultadoCarga TxbCarregadorJSON::CarregarTexto(const std::string& texto) {
  json documento;
  try {
    documento = json::parse(texto);
  } catch (const json::exception& e) {
    throw ECarga("", -1, "", std::string("not valid JSON: ") + e.what());
  }
  if (sessao_.EmTransacaoExplicita())
    throw EErro("A fixture is loaded in a transaction of its own, not inside an explicit one");
  TpbBD& bd = sessao_.GetBD();
  bd.Confirmar();
  bd.Iniciar();
  try {
    TResultadoCarga resultado = TCarga(bd).Executar(documento);
    if (resultado.maior_id > 0) bd.ReservarIDsAte(resultado.maior_id);
    bd.Confirmar();
    return resultado;
  } catch (...) {
    bd.Desfazer();
    throw;
  }
}

TResultadoCarga TxbCarregadorJSON::CarregarArquivo(const std::string& caminho) {
  std::ifstream in(caminho);
  if (!in) throw EErro("Cannot read " + caminho);
  std::stringstream texto;
  texto << in.rdbuf();
  return CarregarTexto(texto.str());
}

}  // namespace efd::erp
