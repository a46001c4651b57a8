#include "erp/insercao.h"

#include <chrono>

#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd::erp {

bool TemDescendentes(const TxbFamilia& familia) {
  for (const TxbFamilia* f : TxbMetadados::Instancia().Todas())
    if (f->ancestral == familia.nome) return true;
  return false;
}

bool DescendeDe(const std::string& familia, const std::string& ancestral) {
  const TxbMetadados& m = TxbMetadados::Instancia();
  for (const TxbFamilia* f = m.Familia(familia); f;
       f = f->ancestral.empty() ? nullptr : m.Familia(f->ancestral))
    if (f->nome == ancestral) return true;
  return false;
}

std::optional<TxbColunaTabela> ColunaDaTabela(const TxbFamilia& familia, const std::string& nome) {
  const std::string coluna = UpperCase(nome);
  if (coluna == "ID") return TxbColunaTabela{"ID", TTipoCampo::Inteiro, 0, nullptr, ""};
  if (coluna == "IDA") {
    if (familia.ancestral.empty()) return std::nullopt;
    return TxbColunaTabela{"IDA", TTipoCampo::Inteiro, 0, nullptr, familia.ancestral};
  }
  if (coluna == "FD") {
    if (!TemDescendentes(familia)) return std::nullopt;
    return TxbColunaTabela{"FD", TTipoCampo::Texto, 60, nullptr, ""};
  }
  const TxbAtributo* a = familia.Atributo(coluna);
  if (!a) return std::nullopt;
  return TxbColunaTabela{a->coluna, a->tipo, a->tamanho, a, a->referencia};
}

TxbInsercao::TxbInsercao(TpbBD& bd, const std::string& tabela,
                         const std::vector<std::string>& colunas) {
  familia_ = TxbMetadados::Instancia().FamiliaPorTabela(tabela);
  if (!familia_) throw ENomeDesconhecido("Tabela desconhecida: " + tabela);
  std::string nomes, marcas;
  std::vector<TTipoCampo> tipos;
  for (const auto& nome : colunas) {
    auto c = ColunaDaTabela(*familia_, nome);
    if (!c) throw ENomeDesconhecido("Coluna desconhecida: " + familia_->tabela + "." + nome);
    nomes += (nomes.empty() ? "" : ", ") + c->nome;
    marcas += (marcas.empty() ? ":P" : ", :P") + std::to_string(tipos.size());
    tipos.push_back(c->tipo);
    colunas_.push_back(std::move(*c));
  }
  comando_ = bd.Preparar(
      "INSERT INTO " + familia_->tabela + " (" + nomes + ") VALUES (" + marcas + ")", tipos);
}

size_t TxbInsercao::Indice(const std::string& coluna) const {
  const std::string procurada = UpperCase(coluna);
  for (size_t i = 0; i < colunas_.size(); ++i)
    if (colunas_[i].nome == procurada) return i;
  throw ENomeDesconhecido("Coluna fora da inserção: " + familia_->tabela + "." + coluna);
}

void TxbInsercao::Gravar() {
  const auto inicio = std::chrono::steady_clock::now();
  comando_->Executar();
  segundos_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  ++linhas_;
  for (size_t i = 0; i < colunas_.size(); ++i) comando_->Definir(i, TVariant());
}

void InserirValores(TpbBD& bd, const std::string& tabela,
                    const std::vector<std::pair<std::string, TVariant>>& valores) {
  std::string colunas, marcas;
  TParametros parametros;
  for (const auto& [coluna, valor] : valores) {
    colunas += (colunas.empty() ? "" : ", ") + coluna;
    marcas += (marcas.empty() ? ":" : ", :") + coluna;
    parametros.emplace_back(coluna, valor);
  }
  bd.Executar("INSERT INTO " + tabela + " (" + colunas + ") VALUES (" + marcas + ")", parametros);
}

}  // namespace efd::erp
