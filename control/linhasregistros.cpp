#include "control/linhasregistros.h"

#include <algorithm>
#include <atomic>

#include <fmt/format.h>

#include "control/linhaefd.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

constexpr const char* kInsertFamilia =
    "INSERT INTO Z8_REGEFD (ID, FD, IDF_BLOCOSEFD, IDF_TIPOREGEFD, REGISTRO) "
    "VALUES (:ID, :FD, :IDF_BLOCOSEFD, :IDF_TIPOREGEFD, :REGISTRO)";

// The block-0 registers that documents insert on demand.
constexpr const char* kInsercoesDoBloco0[] = {"0150", "0175", "0190", "0200",
                                              "0205", "0206", "0220"};

std::atomic<size_t> g_linhas_por_janela{0};
constexpr size_t kLinhasPorJanela = 500;

// A text column without a declared size is a memo; every engine keeps 8000
// characters of one in a plain text column.
constexpr int kTamanhoMemo = 8000;

}  // namespace

const char* const kRegistroDoBloco =
    "EXISTS (SELECT B.ID FROM Z8_REGEFD B WHERE B.ID = A.IDA AND B.IDF_BLOCOSEFD = :BLOCO)";

size_t LinhasPorJanela() {
  const size_t linhas = g_linhas_por_janela.load();
  return linhas > 0 ? linhas : kLinhasPorJanela;
}

void DefinirLinhasPorJanela(size_t linhas) {
  g_linhas_por_janela = linhas;
}

TxbInsercaoRegistro::TxbInsercaoRegistro(TxbSession& sessao, const std::string& codigo,
                                         std::vector<std::string> campos)
    : sessao_(sessao),
      familia_(TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD" + codigo)),
      codigo_(codigo),
      familia_nome_(familia_.nome),
      codigo_registro_(codigo),
      tipos_{TTipoCampo::Inteiro, TTipoCampo::Inteiro} {
  std::string colunas = "ID, IDA", marcas = ":ID, :IDA";
  for (const std::string& campo : campos) {
    const TxbAtributo* a = familia_.Atributo(campo);
    if (!a) throw ENomeDesconhecido(familia_.prefixo + "_" + campo);
    colunas += ", " + a->coluna;
    marcas += ", :" + a->coluna;
    const bool texto = a->tipo == TTipoCampo::Texto || a->tipo == TTipoCampo::Memo;
    textos_.push_back(texto);
    tamanhos_.push_back(a->tipo == TTipoCampo::Memo ? kTamanhoMemo : a->tamanho);
    tipos_.push_back(texto ? TTipoCampo::Texto : a->tipo);
  }
  sql_ = "INSERT INTO " + familia_.tabela + " (" + colunas + ") VALUES (" + marcas + ")";
}

int64_t TxbInsercaoRegistro::Inserir(int bloco, int tipo, const std::vector<TVariant>& valores) {
  if (valores.size() != textos_.size())
    throw EErro(fmt::format("Registro {}: {} valores para {} campos", codigo_, valores.size(),
                            textos_.size()));
  const int64_t id = sessao_.GetBD().NovoID();
  if (!comando_familia_) {
    comando_familia_ = &sessao_.InsercaoPreparada(
        kInsertFamilia, {TTipoCampo::Inteiro, TTipoCampo::Texto, TTipoCampo::Inteiro,
                         TTipoCampo::Inteiro, TTipoCampo::Texto});
    comando_linha_ = &sessao_.InsercaoPreparada(sql_, tipos_);
  }
  TxbComando& familia = *comando_familia_;
  familia.Definir(0, id);
  familia.Definir(1, familia_nome_);
  familia.Definir(2, bloco);
  familia.Definir(3, tipo);
  familia.Definir(4, codigo_registro_);
  familia.Executar();

  TxbComando& linha = *comando_linha_;
  linha.Definir(0, id);
  linha.Definir(1, id);
  const TVariant nulo;
  for (size_t i = 0; i < valores.size(); ++i) {
    const TVariant& valor = valores[i];
    if (!textos_[i] || valor.IsNull()) {
      linha.Definir(i + 2, valor);
      continue;
    }
    // A text no longer in bytes than the column in characters fits as it is.
    const std::string* texto = std::get_if<std::string>(&valor.valor());
    if (texto && (tamanhos_[i] <= 0 || texto->size() <= static_cast<size_t>(tamanhos_[i]))) {
      linha.Definir(i + 2, texto->empty() ? nulo : valor);
      continue;
    }
    std::string cortado = valor.AsString();
    if (tamanhos_[i] > 0) cortado = CopiarUtf8(cortado, static_cast<size_t>(tamanhos_[i]));
    linha.Definir(i + 2, cortado.empty() ? nulo : TVariant(std::move(cortado)));
  }
  linha.Executar();
  return id;
}

void TxbFilhosPorPai::Carregar(TxbSession& sessao, int bloco, const std::string& codigo,
                               const std::string& vinculo, int64_t primeiro, int64_t ultimo,
                               const std::vector<std::string>& campos, const std::string& ordem) {
  const TxbFamilia& familia = TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD" + codigo);
  const TxbAtributo* link = familia.Atributo(vinculo);
  if (!link) throw ENomeDesconhecido(familia.prefixo + "_" + vinculo);
  std::string colunas = "A." + link->coluna + ", A.ID";
  for (const std::string& campo : campos) {
    const TxbAtributo* a = familia.Atributo(campo);
    if (!a) throw ENomeDesconhecido(familia.prefixo + "_" + campo);
    colunas += ", A." + a->coluna;
  }
  TxbResultado r = sessao.Consultar(
      "SELECT " + colunas + " FROM " + familia.tabela + " A WHERE A." + link->coluna +
          " BETWEEN :PRIMEIRO AND :ULTIMO AND " + kRegistroDoBloco + " ORDER BY A." + link->coluna +
          ", " + (ordem.empty() ? "" : "A." + ordem + ", ") + "A.ID",
      {{"BLOCO", bloco}, {"PRIMEIRO", primeiro}, {"ULTIMO", ultimo}});
  por_pai_.clear();
  for (auto& l : r.linhas)
    por_pai_[l[0].AsInt64()].push_back(
        {l[1].AsInt64(), std::vector<TVariant>(std::make_move_iterator(l.begin() + 2),
                                               std::make_move_iterator(l.end()))});
}

const std::vector<TxbFilhosPorPai::TLinha>& TxbFilhosPorPai::De(int64_t pai) const {
  static const std::vector<TLinha> kNenhum;
  auto it = por_pai_.find(pai);
  return it == por_pai_.end() ? kNenhum : it->second;
}

std::pair<int64_t, int64_t> TxbFilhosPorPai::Identificadores() const {
  int64_t menor = 0, maior = -1;
  for (const auto& [pai, linhas] : por_pai_)
    for (const TLinha& l : linhas) {
      if (maior < menor || l.id < menor) menor = l.id;
      if (l.id > maior) maior = l.id;
    }
  return {menor, maior};
}

void TxbRegistroFilho::Carregar(TxbSession& sessao, int bloco, int64_t primeiro, int64_t ultimo) {
  linhas.Carregar(sessao, bloco, codigo, vinculo, primeiro, ultimo, campos, ordem);
  const auto [menor, maior] = linhas.Identificadores();
  for (TxbRegistroFilho* filho : filhos) filho->Carregar(sessao, bloco, menor, maior);
}

void TxbRegistroFilho::Escrever(TxbLinhasEFD& saida, int64_t pai) const {
  for (const auto& linha : linhas.De(pai)) {
    if (ajustar) {
      std::vector<TVariant> valores = linha.valores;
      ajustar(valores);
      saida.AdicionarPronta(LinhaDosValores(codigo, valores));
    } else {
      saida.AdicionarPronta(LinhaDosValores(codigo, linha.valores));
    }
    for (const TxbRegistroFilho* filho : filhos) filho->Escrever(saida, linha.id);
  }
}

void LerPorPaginas(TxbSession& sessao, int bloco, const std::string& codigo,
                   const std::vector<std::string>& campos,
                   const std::function<void(std::vector<std::vector<TVariant>>&)>& pagina,
                   const std::string& vinculo, int64_t pai) {
  const TxbFamilia& familia = TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD" + codigo);
  std::string colunas = "A.ID";
  for (const std::string& campo : campos) {
    const TxbAtributo* a = familia.Atributo(campo);
    if (!a) throw ENomeDesconhecido(familia.prefixo + "_" + campo);
    colunas += ", A." + a->coluna;
  }
  TParametros parametros{{"BLOCO", bloco}, {"ULTIMO", 0}};
  std::string filtro;
  if (pai > 0) {
    const TxbAtributo* link = familia.Atributo(vinculo);
    if (!link) throw ENomeDesconhecido(familia.prefixo + "_" + vinculo);
    filtro = " AND A." + link->coluna + " = :PAI";
    parametros.emplace_back("PAI", pai);
  }
  const size_t por_pagina = LinhasPorJanela();
  const std::string sql = sessao.GetBD().LimitarLinhas(
      "SELECT " + colunas + " FROM " + familia.tabela + " A WHERE A.ID > :ULTIMO AND " +
          kRegistroDoBloco + filtro + " ORDER BY A.ID",
      static_cast<int>(por_pagina));
  for (;;) {
    TxbResultado r = sessao.Consultar(sql, parametros);
    if (r.Vazio()) break;
    const size_t lidas = r.linhas.size();
    parametros[1].second = TVariant(r.linhas.back()[0].AsInt64());
    pagina(r.linhas);
    if (lidas < por_pagina) break;
  }
}

int LinhasDoBloco(TxbSession& sessao, int bloco, const std::string& codigo) {
  const TxbFamilia& familia = TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD" + codigo);
  TxbResultado r = sessao.Consultar("SELECT COUNT(*) FROM " + familia.tabela +
                                        " A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
                                        "WHERE B.IDF_BLOCOSEFD = :BLOCO",
                                    {{"BLOCO", bloco}});
  return r.Vazio() ? 0 : r.linhas[0][0].AsInteger();
}

int IdBlocoDaGeracao(TxbSession& sessao, int id_efd, const std::string& nome) {
  TxbResultado r =
      sessao.Consultar("SELECT ID FROM Z8_BLOCOSEFD WHERE IDF_EFD = :EFD AND NOMEBLOCO = :NOME",
                       {{"EFD", id_efd}, {"NOME", nome}});
  return r.Vazio() ? 0 : r.linhas[0][0].AsInteger();
}

void TxbRegistroFilho::EscreverPorPaginas(TxbSession& sessao, TxbLinhasEFD& saida, int bloco,
                                          int64_t pai, const std::function<void()>& avanco) {
  LerPorPaginas(
      sessao, bloco, codigo, campos,
      [&](std::vector<std::vector<TVariant>>& pagina) {
        for (TxbRegistroFilho* filho : filhos)
          filho->Carregar(sessao, bloco, pagina.front()[0].AsInt64(), pagina.back()[0].AsInt64());
        for (auto& l : pagina) {
          const int64_t id = l[0].AsInt64();
          std::vector<TVariant> valores(std::make_move_iterator(l.begin() + 1),
                                        std::make_move_iterator(l.end()));
          if (ajustar) ajustar(valores);
          saida.AdicionarPronta(LinhaDosValores(codigo, valores));
          for (const TxbRegistroFilho* filho : filhos) filho->Escrever(saida, id);
          avanco();
        }
      },
      vinculo, pai);
}

std::string LinhaDosValores(std::string_view codigo, const std::vector<TVariant>& valores) {
  std::string linha = "|" + std::string(codigo) + "|";
  for (const TVariant& v : valores) linha += TextoDoCampo(v) + "|";
  return linha;
}

TListaRegistros::TListaRegistros(const std::string& registros) {
  for (const std::string& linha : Dividir(registros, '\n')) {
    const std::string nome = Trim(linha);
    if (!nome.starts_with("Registro ")) continue;
    codigos.insert(nome.substr(9));
    bloco0 += "RegistroEFD" + nome.substr(9) + "=1\r\n";
  }
  // Block 0's insertions read the list on every call: when they are all
  // chosen, an empty list (no restriction) says the same at no cost.
  if (std::all_of(std::begin(kInsercoesDoBloco0), std::end(kInsercoesDoBloco0),
                  [this](const char* codigo) { return Selecionado(codigo); }))
    bloco0.clear();
}

std::string NumeroSemZeros(const std::string& numero) {
  const std::string digitos = Digitos(numero);
  const size_t primeiro = digitos.find_first_not_of('0');
  return primeiro == std::string::npos ? digitos.substr(0, 1) : digitos.substr(primeiro);
}

std::string TextoDoCampo(const TVariant& valor) {
  if (valor.IsNull()) return "";
  if (valor.EhReal()) return FormatarValor(valor.AsFloat());
  if (valor.EhInteiro()) return std::to_string(valor.AsInt64());
  // A text never breaks the line: separators and line breaks become blanks.
  std::string texto = Trim(valor.AsString());
  for (char& c : texto)
    if (c == '|' || c == '\r' || c == '\n') c = ' ';
  return texto;
}

}  // namespace efd
