// Storing register rows and reading them back, shared by the generators and
// writers of every block.
//
// A document month holds hundreds of thousands of rows: they are inserted
// through statements prepared once per session, and read back by the writers
// a page at a time, children by their parent link, so that no register is
// ever held whole in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/pbbd.h"
#include "framework/xbvariant.h"

namespace efd {

class TxbSession;
struct TxbFamilia;

// Rows read at a time by the paged generators (the documents of a page, with
// one query per side table) and writers (parent rows, with everything under
// them): the memory of a generation follows this size, not the month's.
// Tests force small windows to show that they do not change the file.
size_t LinhasPorJanela();
// 0 restores the default.
void DefinirLinhasPorJanela(size_t linhas);

// A condition on a register's table A: its row belongs to the block row
// :BLOCO. Tested row by row against the family row's key, so that a page is
// found by the register's own key or parent link: joined the other way, an
// engine may walk every row of the block for each page, and writing grows
// with the square of the block.
extern const char* const kRegistroDoBloco;

// Inserts rows of one register family: the family row of Z8_REGEFD and the
// register's own row, with the attributes named at construction (fields
// without the prefix, in the order the values come). Texts are cut to their
// column; an empty text is stored as null.
class TxbInsercaoRegistro {
 public:
  TxbInsercaoRegistro(TxbSession& sessao, const std::string& codigo,
                      std::vector<std::string> campos);
  // The new row's identifier.
  int64_t Inserir(int bloco, int tipo, const std::vector<TVariant>& valores);

 private:
  TxbSession& sessao_;
  const TxbFamilia& familia_;
  std::string codigo_;
  TVariant familia_nome_, codigo_registro_;  // the family row's FD and REGISTRO
  std::string sql_;
  // The session's prepared statements, found on the first row: looking them
  // up by their text cost a hash of the whole statement per row.
  TxbComando* comando_familia_ = nullptr;
  TxbComando* comando_linha_ = nullptr;
  std::vector<int> tamanhos_;  // characters a text column takes, 0 unlimited
  std::vector<bool> textos_;
  std::vector<TTipoCampo> tipos_;  // ID, IDA, then the fields
};

// The rows of one register read for a page of parents: each row's fields by
// name, grouped by the parent's identifier in the order of the query.
class TxbFilhosPorPai {
 public:
  struct TLinha {
    int64_t id = 0;                 // the row's own identifier
    std::vector<TVariant> valores;  // the fields asked for, in order
  };
  // Rows of register codigo whose link (attribute) lies in [primeiro,
  // ultimo] and whose family row is in the block, ordered by the link and
  // then by ordem (a column of the register's table, "" for insertion
  // order). campos: the attributes to read.
  void Carregar(TxbSession& sessao, int bloco, const std::string& codigo,
                const std::string& vinculo, int64_t primeiro, int64_t ultimo,
                const std::vector<std::string>& campos, const std::string& ordem = "");
  // The rows of one parent, in order; empty when none.
  const std::vector<TLinha>& De(int64_t pai) const;
  // The smallest and the greatest identifier of the rows read; an empty
  // range (greater before smaller) when none.
  std::pair<int64_t, int64_t> Identificadores() const;

 private:
  std::map<int64_t, std::vector<TLinha>> por_pai_;
};

// The block's rows of register codigo, a page (LinhasPorJanela rows) at a
// time in the order they were stored, each row its identifier followed by
// the attributes campos; with pai greater than 0, only the rows whose link
// (attribute vinculo) is pai. pagina is called with each page in turn and
// may take its rows.
void LerPorPaginas(TxbSession& sessao, int bloco, const std::string& codigo,
                   const std::vector<std::string>& campos,
                   const std::function<void(std::vector<std::vector<TVariant>>&)>& pagina,
                   const std::string& vinculo = "", int64_t pai = 0);

// The number of the block's rows of register codigo.
int LinhasDoBloco(TxbSession& sessao, int bloco, const std::string& codigo);

// The block row of a generation by the block's name ("Bloco C"); 0 when the
// generation has no such block.
int IdBlocoDaGeracao(TxbSession& sessao, int id_efd, const std::string& nome);

class TxbLinhasEFD;

// A register written under its parent rows: its fields in the layout's order,
// the attribute that links it to the parent and the registers written under
// each of its own rows. Rows are read for a range of parents at a time.
struct TxbRegistroFilho {
  TxbRegistroFilho(const char* codigo, const char* vinculo, std::vector<std::string> campos,
                   std::vector<TxbRegistroFilho*> filhos = {}, const char* ordem = "")
      : codigo(codigo),
        vinculo(vinculo),
        campos(std::move(campos)),
        filhos(std::move(filhos)),
        ordem(ordem) {}

  // Reads the rows whose parent lies in [primeiro, ultimo], and under them
  // their children's.
  void Carregar(TxbSession& sessao, int bloco, int64_t primeiro, int64_t ultimo);
  // Appends the lines of one parent's rows, each followed by its children's.
  void Escrever(TxbLinhasEFD& linhas, int64_t pai) const;
  // Writes the block's rows of this register a page at a time, in the order
  // they were stored, each followed by its children: those of one parent
  // when pai is greater than 0, all of the block otherwise. avanco is called
  // after each row.
  void EscreverPorPaginas(TxbSession& sessao, TxbLinhasEFD& linhas, int bloco, int64_t pai,
                          const std::function<void()>& avanco);

  const char* codigo;
  const char* vinculo;
  std::vector<std::string> campos;
  std::vector<TxbRegistroFilho*> filhos;
  const char* ordem;  // column that orders the rows of a parent, "" for insertion order
  // Turns the stored values into the written ones, when they differ.
  std::function<void(std::vector<TVariant>&)> ajustar;
  TxbFilhosPorPai linhas;
};

// "|" + code + "|" + each value as a field followed by "|".
std::string LinhaDosValores(std::string_view codigo, const std::vector<TVariant>& valores);

// The registers a generation was asked for, from its list of register-type
// names ("Registro C170", one a line): their codes, and the list as block
// 0's insertions take it ("RegistroEFDC170=1" lines, empty when every
// insertion of block 0 is chosen). An empty list chooses every register.
struct TListaRegistros {
  explicit TListaRegistros(const std::string& registros);
  bool Selecionado(const std::string& codigo) const {
    return codigos.empty() || codigos.count(codigo) > 0;
  }
  std::set<std::string> codigos;
  std::string bloco0;
};

// The text of a stored value as a field of the file: numbers with the
// decimal comma, null as empty, texts trimmed and kept on one line.
std::string TextoDoCampo(const TVariant& valor);

// A document number typed as text as the file's numeric fields take it: its
// digits without leading zeros ("000123" -> "123", "000" -> "0").
std::string NumeroSemZeros(const std::string& numero);

}  // namespace efd
