#include "framework/xbmetadados.h"

#include <fmt/format.h>

#include <memory>
#include <set>

#include "framework/xberros.h"
#include "framework/xbformato.h"

namespace efd {

TxbAtributo TxbAtributo::De(const std::string& campo, TTipoCampo tipo, int tamanho,
                            const std::string& referencia) {
  TxbAtributo a;
  a.campo = campo;
  a.coluna = UpperCase(campo);
  a.tipo = tipo;
  a.tamanho = tamanho;
  a.referencia = referencia;
  return a;
}

const TxbVisao* TxbFamilia::Visao(const std::string& nome) const {
  for (const auto& v : visoes)
    if (v.nome == nome) return &v;
  return nullptr;
}

const TxbAtributo* TxbFamilia::Atributo(const std::string& campo) const {
  const std::string procurado = UpperCase(campo);
  for (const auto& a : atributos)
    if (a.coluna == procurado) return &a;
  return nullptr;
}

TxbMetadados& TxbMetadados::Instancia() {
  static TxbMetadados instancia;
  return instancia;
}

void RegistrarFamiliasDeclaradas(std::span<const TxbFamiliaDeclarada> familias) {
  for (const TxbFamiliaDeclarada& d : familias) {
    TxbFamilia f;
    f.nome = d.nome;
    f.prefixo = d.prefixo;
    f.tabela = d.tabela;
    f.ancestral = d.ancestral;
    f.modulo = d.modulo;
    f.descricao = d.descricao;
    f.legenda = d.legenda;
    for (const auto& a : d.atributos)
      f.atributos.push_back({a.campo, a.coluna, a.tipo, a.tamanho, a.descricao, a.referencia});
    for (const auto& j : d.visoes) {
      if (f.visoes.empty() || f.visoes.back().nome != j.visao) f.visoes.push_back({j.visao, {}});
      if (j.familia) f.visoes.back().juncoes.push_back({j.familia, j.atributo});
    }
    for (const auto& r : d.relacionamentos) f.relacionamentos.emplace_back(r.nome, r.familia);
    for (const char* i : d.indices) f.indices.emplace_back(i);
    TxbMetadados::Instancia().Registrar(std::move(f));
  }
}

void TxbMetadados::Registrar(TxbFamilia familia) {
  if (familias_.count(familia.nome)) return;
  auto f = std::make_unique<TxbFamilia>(std::move(familia));
  por_tabela_[UpperCase(f->tabela)] = f.get();
  ordem_.push_back(f.get());
  familias_[f->nome] = std::move(f);
}

const TxbFamilia* TxbMetadados::Familia(const std::string& nome) const {
  auto it = familias_.find(nome);
  return it == familias_.end() ? nullptr : it->second.get();
}

const TxbFamilia& TxbMetadados::FamiliaObrigatoria(const std::string& nome) const {
  const TxbFamilia* f = Familia(nome);
  if (!f) throw ENomeDesconhecido("Família desconhecida: " + nome);
  return *f;
}

const TxbFamilia* TxbMetadados::FamiliaPorTabela(const std::string& tabela) const {
  auto it = por_tabela_.find(UpperCase(tabela));
  return it == por_tabela_.end() ? nullptr : it->second;
}

std::vector<const TxbFamilia*> TxbMetadados::Cadeia(const std::string& nome) const {
  std::vector<const TxbFamilia*> cadeia;
  for (const TxbFamilia* f = &FamiliaObrigatoria(nome); f;
       f = f->ancestral.empty() ? nullptr : &FamiliaObrigatoria(f->ancestral))
    cadeia.push_back(f);
  return cadeia;
}

namespace {

struct TColuna {
  std::string nome;
  TTipoCampo tipo;
  int tamanho;
};

std::vector<TColuna> ColunasDaFamilia(const TxbFamilia& familia) {
  std::vector<TColuna> colunas{{"ID", TTipoCampo::Inteiro, 0}};
  if (!familia.ancestral.empty()) colunas.push_back({"IDA", TTipoCampo::Inteiro, 0});
  bool eh_ancestral = false;
  for (const TxbFamilia* f : TxbMetadados::Instancia().Todas())
    if (f->ancestral == familia.nome) eh_ancestral = true;
  if (eh_ancestral) colunas.push_back({"FD", TTipoCampo::Texto, 60});
  for (const auto& a : familia.atributos) colunas.push_back({a.coluna, a.tipo, a.tamanho});
  return colunas;
}

}  // namespace

std::string DDLTabela(const TpbBD& bd, const TxbFamilia& familia) {
  std::string ddl = "CREATE TABLE " + familia.tabela + " (";
  bool primeira = true;
  for (const auto& c : ColunasDaFamilia(familia)) {
    ddl += primeira ? "" : ", ";
    ddl += c.nome + " " + bd.TipoColuna(c.tipo, c.tamanho);
    if (c.nome == "ID") ddl += " NOT NULL PRIMARY KEY";
    primeira = false;
  }
  return ddl + ")" + bd.OpcoesTabela();
}

int CriarEsquema(TpbBD& bd) {
  bd.CriarSequencia();
  int criadas = 0;
  const std::map<std::string, std::vector<std::string>> tabelas = bd.ColunasDasTabelas();
  for (const TxbFamilia* f : TxbMetadados::Instancia().Todas()) {
    const auto tabela = tabelas.find(UpperCase(f->tabela));
    if (tabela == tabelas.end()) {
      // Some engines use a table only once its DDL is committed.
      bd.Executar(DDLTabela(bd, *f));
      bd.Confirmar();
      if (!f->ancestral.empty())
        bd.Executar(fmt::format("CREATE INDEX {0}_IDA ON {0} (IDA)", f->tabela));
      int n = 0;
      for (const auto& indice : f->indices)
        bd.Executar(fmt::format("CREATE INDEX {0}_I{1} ON {0} ({2})", f->tabela, ++n, indice));
      bd.Confirmar();
      ++criadas;
      continue;
    }
    const std::set<std::string> conhecidas(tabela->second.begin(), tabela->second.end());
    for (const auto& c : ColunasDaFamilia(*f))
      if (!conhecidas.count(c.nome))
        bd.Executar(fmt::format("ALTER TABLE {} ADD {} {}", f->tabela, c.nome,
                                bd.TipoColuna(c.tipo, c.tamanho)));
  }
  bd.Confirmar();
  return criadas;
}

}  // namespace efd
