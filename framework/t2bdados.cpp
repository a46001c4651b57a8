#include "framework/t2bdados.h"

#include <fmt/format.h>

#include <unordered_map>

#include "framework/hbobjetonegocio.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {

// How a view reads and writes: the tables it touches, with their aliases, and
// which dataset field each column fills.
struct T2bDados::TCampoMapeado {
  std::string atributo;  // field name in the dataset
  std::string sql;       // qualified column, "A.CODIGO"
  TTipoCampo tipo;
  int tamanho = 0;  // characters of a text column, 0 unbounded
};

struct T2bDados::TTabela {
  const TxbFamilia* familia;
  std::string alias;
  size_t primeiro_campo;  // index of Prefix_ID in the dataset
  size_t campos;          // how many fields (ID and attributes)
  bool raiz;              // holds FD instead of IDA
  bool tem_fd;
  // Statements of the table, built once: parameters are the id (and IDA, FD
  // for an insert) followed by the table's attributes in field order.
  std::string insert, update;
  std::vector<TTipoCampo> tipos_insert, tipos_update;
  // The session's prepared statements for them, found on first use.
  TxbComando* comando_insert = nullptr;
  TxbComando* comando_update = nullptr;
};

struct T2bDados::TPlano {
  std::string nome;
  std::vector<TCampoMapeado> campos;
  std::vector<TTabela> tabelas;  // chain tables first (own family first), then joins
  size_t tabelas_da_cadeia = 0;
  std::string select;                                    // SELECT ... FROM ... JOIN ...
  std::unordered_map<std::string, size_t> por_atributo;  // upper-case attribute -> field
};

namespace {

TVariant ConverterLido(const TVariant& v, TTipoCampo tipo) {
  if (v.IsNull()) return v;
  switch (tipo) {
    case TTipoCampo::Inteiro:
      return TVariant(v.AsInt64());
    case TTipoCampo::Real:
      return TVariant(v.AsFloat());
    case TTipoCampo::Data:
    case TTipoCampo::Hora:
    case TTipoCampo::DataHora:
      return TVariant(v.AsDateTime());
    case TTipoCampo::Logico:
      return TVariant(v.AsBoolean());
    case TTipoCampo::Texto:
    case TTipoCampo::Memo:
      return v.EhTexto() ? v : TVariant(v.AsString());
  }
  return v;
}

bool EhAncestralDeAlguem(const TxbFamilia& familia) {
  for (const TxbFamilia* f : TxbMetadados::Instancia().Todas())
    if (f->ancestral == familia.nome) return true;
  return false;
}

}  // namespace

T2bDados::T2bDados(ThbObjetoNegocio& dono, const TxbFamilia& familia)
    : dono_(dono), familia_(familia), cadeia_(TxbMetadados::Instancia().Cadeia(familia.nome)) {}

T2bDados::~T2bDados() = default;

TxbSession& T2bDados::Sessao() {
  return dono_.GetSession();
}

T2bDados::TPlano& T2bDados::Plano(const std::string& visao) {
  const TxbVisao* declarada = familia_.Visao(visao);
  const std::string chave = declarada ? visao : "";
  for (const auto& p : planos_)
    if (p->nome == chave) return *p;

  auto plano = std::make_unique<TPlano>();
  plano->nome = chave;
  auto adicionar_tabela = [&](const TxbFamilia& f, bool raiz) {
    TTabela t;
    t.familia = &f;
    t.alias = std::string(1, static_cast<char>('A' + plano->tabelas.size()));
    t.primeiro_campo = plano->campos.size();
    t.raiz = raiz;
    t.tem_fd = raiz && EhAncestralDeAlguem(f);
    plano->campos.push_back({f.prefixo + "_ID", t.alias + ".ID", TTipoCampo::Inteiro, 0});
    for (const auto& a : f.atributos)
      plano->campos.push_back({f.NomeAtributo(a), t.alias + "." + a.coluna, a.tipo,
                               a.tipo == TTipoCampo::Texto ? a.tamanho : 0});
    t.campos = plano->campos.size() - t.primeiro_campo;
    std::string colunas = "ID", marcas = ":P0", sets;
    t.tipos_insert = {TTipoCampo::Inteiro};
    if (!raiz) colunas += ", IDA", marcas += ", :P1", t.tipos_insert.push_back(TTipoCampo::Inteiro);
    if (t.tem_fd) {
      colunas += ", FD";
      marcas += ", :P" + std::to_string(t.tipos_insert.size());
      t.tipos_insert.push_back(TTipoCampo::Texto);
    }
    for (const auto& a : f.atributos) {
      colunas += ", " + a.coluna;
      marcas += ", :P" + std::to_string(t.tipos_insert.size());
      t.tipos_insert.push_back(a.tipo);
      sets +=
          (sets.empty() ? "" : ", ") + a.coluna + " = :P" + std::to_string(t.tipos_update.size());
      t.tipos_update.push_back(a.tipo);
    }
    t.insert = "INSERT INTO " + f.tabela + " (" + colunas + ") VALUES (" + marcas + ")";
    t.update = "UPDATE " + f.tabela + " SET " + sets + " WHERE ID = :P" +
               std::to_string(t.tipos_update.size());
    t.tipos_update.push_back(TTipoCampo::Inteiro);
    plano->tabelas.push_back(t);
  };
  for (size_t i = 0; i < cadeia_.size(); ++i)
    adicionar_tabela(*cadeia_[i], i + 1 == cadeia_.size());
  plano->tabelas_da_cadeia = plano->tabelas.size();
  for (size_t i = 0; i < plano->campos.size(); ++i)
    plano->por_atributo[UpperCase(plano->campos[i].atributo)] = i;

  std::string from = familia_.tabela + " A";
  for (size_t i = 1; i < plano->tabelas_da_cadeia; ++i) {
    const TTabela& t = plano->tabelas[i];
    from += fmt::format(" INNER JOIN {} {} ON {}.ID = {}.IDA", t.familia->tabela, t.alias, t.alias,
                        plano->tabelas[i - 1].alias);
  }
  if (declarada) {
    for (const auto& juncao : declarada->juncoes) {
      const TxbFamilia& f = TxbMetadados::Instancia().FamiliaObrigatoria(juncao.familia);
      std::string por = ColunaSQL(*plano, juncao.atributo);
      adicionar_tabela(f, false);
      const TTabela& t = plano->tabelas.back();
      from += fmt::format(" LEFT JOIN {} {} ON {}.ID = {}", f.tabela, t.alias, t.alias, por);
      for (size_t i = t.primeiro_campo; i < plano->campos.size(); ++i)
        plano->por_atributo[UpperCase(plano->campos[i].atributo)] = i;
    }
  }
  std::string colunas;
  for (const auto& c : plano->campos) colunas += (colunas.empty() ? "" : ", ") + c.sql;
  plano->select = "SELECT " + colunas + " FROM " + from;
  planos_.push_back(std::move(plano));
  return *planos_.back();
}

std::string T2bDados::ColunaSQL(const TPlano& plano, const std::string& atributo) const {
  auto it = plano.por_atributo.find(UpperCase(atributo));
  if (it == plano.por_atributo.end())
    throw ENomeDesconhecido(fmt::format("Atributo {} não existe na família {}{}", atributo,
                                        familia_.nome,
                                        plano.nome.empty() ? "" : " (visão " + plano.nome + ")"));
  return plano.campos[it->second].sql;
}

std::string T2bDados::MontarWhere(const TPlano& plano, TParametros& parametros) const {
  static const char* kOperadores[] = {" = ", " <> ", " < ", " <= ", " > ", " >= ", " LIKE "};
  std::string where;
  auto e = [&where]() -> std::string& { return where += where.empty() ? " WHERE " : " AND "; };
  for (const TxbFiltro& filtro : filtros_.Todos()) {
    for (const TxbCondicao& c : filtro.Condicoes()) {
      if (c.tipo == TxbCondicao::TTipo::Expressao) {
        e() += "(" + c.expressao + ")";
        continue;
      }
      std::string coluna = ColunaSQL(plano, c.atributo);
      if (c.operador == TOperador::Em) {
        std::string lista;
        for (const auto& v : c.valores) {
          std::string p = "P" + std::to_string(parametros.size());
          parametros.emplace_back(p, v);
          lista += (lista.empty() ? ":" : ", :") + p;
        }
        e() += lista.empty() ? "1 = 0" : coluna + " IN (" + lista + ")";
        continue;
      }
      if (c.valor.IsNull()) {
        e() += coluna + (c.operador == TOperador::Diferente ? " IS NOT NULL" : " IS NULL");
        continue;
      }
      std::string p = "P" + std::to_string(parametros.size());
      parametros.emplace_back(p, c.valor);
      e() += coluna + kOperadores[static_cast<int>(c.operador)] + ":" + p;
    }
  }
  return where;
}

void T2bDados::Carregar(const TPlano& plano, const std::string& where,
                        const TParametros& parametros) {
  // An empty where loads no rows: the empty set of Isolar(0).
  std::string sql = plano.select + where;
  // Without an ordering the rows come in the order they were stored, the
  // same on every engine.
  std::string ordem;
  for (const auto& o : ordenacoes_.Todas())
    ordem += ColunaSQL(plano, o.atributo) + (o.descendente ? " DESC" : "") + ", ";
  sql += " ORDER BY " + ordem + "A.ID";
  std::vector<std::vector<TVariant>> linhas;
  if (!where.empty()) {
    TxbResultado r = Sessao().Consultar(sql, parametros);
    linhas.reserve(r.linhas.size());
    for (auto& linha : r.linhas) {
      for (size_t i = 0; i < linha.size(); ++i)
        linha[i] = ConverterLido(linha[i], plano.campos[i].tipo);
      linhas.push_back(std::move(linha));
    }
  }
  if (plano_carregado_ != "#" + plano.nome) {
    std::vector<TxbDefCampo> defs;
    for (const auto& c : plano.campos) defs.push_back({c.atributo, c.tipo, 0});
    cds_.DefinirCampos(std::move(defs));
    // Columns answer for their field where the name is not ambiguous.
    std::unordered_map<std::string, int> vistos;
    for (const auto& c : plano.campos) vistos[c.sql.substr(c.sql.find('.') + 1)]++;
    for (size_t i = 0; i < plano.campos.size(); ++i) {
      std::string coluna = plano.campos[i].sql.substr(plano.campos[i].sql.find('.') + 1);
      if (vistos[coluna] == 1 && cds_.IndiceCampo(coluna) < 0) cds_.AdicionarApelido(coluna, i);
    }
    cds_.AdicionarApelido("ID", 0);
    plano_carregado_ = "#" + plano.nome;
  }
  cds_.Carregar(std::move(linhas));
  linha_nova_ = false;
}

void T2bDados::Isolar(int64_t id, const std::string& visao, bool) {
  if (!visao.empty()) visao_ = visao;
  const TPlano& plano = Plano(visao_);
  if (id == 0) {
    Carregar(plano, "", {});
    return;
  }
  Carregar(plano, " WHERE A.ID = :ID", {{"ID", TVariant(id)}});
}

void T2bDados::SetVisao(const std::string& visao) {
  visao_ = visao;
}

void T2bDados::AtivarDataSet(const std::string& visao, bool) {
  if (!visao.empty()) visao_ = visao;
  const TPlano& plano = Plano(visao_);
  TParametros parametros;
  std::string where = MontarWhere(plano, parametros);
  Carregar(plano, where.empty() ? " WHERE 1 = 1" : where, parametros);
}

bool T2bDados::GetAtributoExiste(const std::string& atributo) const {
  const std::string procurado = UpperCase(atributo);
  for (const TxbFamilia* f : cadeia_) {
    if (procurado == UpperCase(f->prefixo + "_ID")) return true;
    for (const auto& a : f->atributos)
      if (UpperCase(f->NomeAtributo(a)) == procurado) return true;
  }
  return false;
}

std::string T2bDados::Coluna(const std::string& atributo) const {
  for (const TxbFamilia* f : cadeia_) {
    for (const auto& a : f->atributos)
      if (UpperCase(f->NomeAtributo(a)) == UpperCase(atributo)) return a.coluna;
  }
  throw ENomeDesconhecido(
      fmt::format("Atributo {} não existe na família {}", atributo, familia_.nome));
}

void T2bDados::IncluirRegistro() {
  if (!cds_.Active()) Isolar(0, visao_);
  cds_.Append();
  const TVariant id(Sessao().GetBD().NovoID());
  const TPlano& plano = Plano(visao_);
  for (size_t i = 0; i < plano.tabelas_da_cadeia; ++i)
    cds_.Campo(plano.tabelas[i].primeiro_campo).SetValue(id);
  linha_nova_ = true;
}

void T2bDados::EditarRegistro() {
  if (cds_.State() == ThbClientDataSet::TEstado::Inserindo ||
      cds_.State() == ThbClientDataSet::TEstado::Editando)
    return;
  cds_.Edit();
  linha_nova_ = false;
}

void T2bDados::ConfirmarRegistro() {
  const bool novo = cds_.State() == ThbClientDataSet::TEstado::Inserindo || linha_nova_;
  if (cds_.State() != ThbClientDataSet::TEstado::Inserindo &&
      cds_.State() != ThbClientDataSet::TEstado::Editando)
    return;
  // Store first: a failed statement leaves the row in edition.
  Gravar(novo);
  cds_.Post();
  linha_nova_ = false;
}

void T2bDados::CancelarRegistro() {
  cds_.Cancel();
  linha_nova_ = false;
}

void T2bDados::Gravar(bool novo) {
  TPlano& plano = Plano(visao_);
  const std::vector<TVariant>& linha = cds_.LinhaAtual();
  const TVariant& id = linha[plano.tabelas[0].primeiro_campo];
  // Every engine refuses a text longer than its column the same way, before
  // anything of the row is stored.
  for (size_t i = 0; i < linha.size(); ++i) {
    const TCampoMapeado& campo = plano.campos[i];
    if (campo.tamanho == 0 || !linha[i].EhTexto()) continue;
    const size_t tamanho = TamanhoUtf8(std::get<std::string>(linha[i].valor()));
    if (tamanho > static_cast<size_t>(campo.tamanho))
      throw EErro(fmt::format("{}: o texto de {} caracteres excede o tamanho de {} ({})",
                              campo.atributo, tamanho, campo.tamanho, familia_.nome));
  }
  const TVariant familia(familia_.nome);
  // The root ancestor's row first, so that descendants can point at it. A
  // new row that fails half-way is taken back out.
  size_t gravadas = 0;
  try {
    for (size_t k = plano.tabelas_da_cadeia; k-- > 0;) {
      TTabela& t = plano.tabelas[k];
      if (!novo && t.campos == 1) continue;
      TxbComando*& preparado = novo ? t.comando_insert : t.comando_update;
      if (!preparado)
        preparado = novo ? &Sessao().ComandoPreparado(t.insert, t.tipos_insert)
                         : &Sessao().ComandoPreparado(t.update, t.tipos_update);
      TxbComando& comando = *preparado;
      size_t p = 0;
      if (novo) {
        comando.Definir(p++, id);
        if (!t.raiz) comando.Definir(p++, id);
        if (t.tem_fd) comando.Definir(p++, familia);
      }
      for (size_t i = 1; i < t.campos; ++i) comando.Definir(p++, linha[t.primeiro_campo + i]);
      if (!novo) comando.Definir(p, id);
      comando.Executar();
      ++gravadas;
    }
  } catch (...) {
    for (size_t k = plano.tabelas_da_cadeia; novo && gravadas > 0 && k-- > 0; --gravadas)
      Sessao().ExecutarDiretoNoBD(
          "DELETE FROM " + plano.tabelas[k].familia->tabela + " WHERE ID = :ID", {{"ID", id}});
    throw;
  }
}

void T2bDados::ExcluirRegistro() {
  const TPlano& plano = Plano(visao_);
  const TVariant id = cds_.LinhaAtual()[plano.tabelas[0].primeiro_campo];
  for (size_t k = 0; k < plano.tabelas_da_cadeia; ++k)
    Sessao().ExecutarDiretoNoBD(
        "DELETE FROM " + plano.tabelas[k].familia->tabela + " WHERE ID = :ID", {{"ID", id}});
  cds_.Delete();
}

}  // namespace efd
