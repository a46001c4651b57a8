// Metadata of the business-object families: table, attribute prefix,
// attributes with their types and columns, ancestor family and named views.
//
// The metadata is generated from the JSON declarations of each subsystem
// (tools/efdgen); nothing here is written by hand per family. An attribute
// "Prefix_Field" maps to column FIELD (upper case) of the family's table.
// A descendant family keeps its rows in its own table linked to the
// ancestor's row by IDA; the ancestor table carries the concrete family's
// name in FD.
#pragma once

#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/pbbd.h"

namespace efd {

struct TxbAtributo {
  std::string campo;   // "DataInicio"
  std::string coluna;  // "DATAINICIO"
  TTipoCampo tipo = TTipoCampo::Texto;
  int tamanho = 0;
  std::string descricao;
  std::string referencia;  // family whose row ID the value holds ("" for none)

  // An attribute declared in code (families registered at run time): the
  // column is the field in upper case.
  static TxbAtributo De(const std::string& campo, TTipoCampo tipo, int tamanho = 0,
                        const std::string& referencia = "");
};

// A join that a named view adds: the family joined on its ID equal to an
// attribute (full name) of the families before it.
struct TxbJuncao {
  std::string familia;
  std::string atributo;
};

struct TxbVisao {
  std::string nome;
  std::vector<TxbJuncao> juncoes;
};

struct TxbFamilia {
  std::string nome;       // "EFD", "RegistroEFD0000"
  std::string prefixo;    // "EFD", "RegEFD0000"
  std::string tabela;     // "Z8_EFD"
  std::string ancestral;  // family name of the ancestor, "" for none
  std::string modulo;     // ERP module the family belongs to (documentation)
  std::string descricao;
  std::string legenda;                 // short caption
  std::vector<TxbAtributo> atributos;  // own attributes, without ID/IDA/FD
  std::vector<TxbVisao> visoes;
  std::vector<std::string> indices;  // "COL1,COL2" indexes of the table
  // Relationship name (without "Rl") -> family of the related object.
  std::vector<std::pair<std::string, std::string>> relacionamentos;

  std::string NomeAtributo(const TxbAtributo& a) const { return prefixo + "_" + a.campo; }
  const TxbVisao* Visao(const std::string& nome) const;
  const TxbAtributo* Atributo(const std::string& campo) const;  // by field, case-insensitive
};

// A family as the generator declares it: literals only, so that the
// generated tables compile as data; RegistrarFamiliasDeclaradas turns them
// into families. A view is the run of joins that carry its name; a view
// without joins is one entry with a null family.
struct TxbAtributoDeclarado {
  const char* campo;
  const char* coluna;
  TTipoCampo tipo;
  int tamanho;
  const char* descricao;
  const char* referencia;
};
struct TxbJuncaoDeclarada {
  const char* visao;
  const char* familia;
  const char* atributo;
};
struct TxbRelacionamentoDeclarado {
  const char* nome;
  const char* familia;
};
struct TxbFamiliaDeclarada {
  const char* nome;
  const char* prefixo;
  const char* tabela;
  const char* ancestral;
  const char* modulo;
  const char* descricao;
  const char* legenda;
  std::span<const TxbAtributoDeclarado> atributos;
  std::span<const TxbJuncaoDeclarada> visoes;
  std::span<const TxbRelacionamentoDeclarado> relacionamentos;
  std::span<const char* const> indices;
};

// The registry of every family the program knows (the module's own and the
// ERP's), filled at start-up by the generated declarations.
class TxbMetadados {
 public:
  static TxbMetadados& Instancia();

  void Registrar(TxbFamilia familia);
  const TxbFamilia* Familia(const std::string& nome) const;             // nullptr when unknown
  const TxbFamilia& FamiliaObrigatoria(const std::string& nome) const;  // ENomeDesconhecido
  const TxbFamilia* FamiliaPorTabela(const std::string& tabela) const;  // case-insensitive
  const std::vector<const TxbFamilia*>& Todas() const { return ordem_; }
  // The ancestor chain of a family, itself first.
  std::vector<const TxbFamilia*> Cadeia(const std::string& nome) const;

 private:
  std::unordered_map<std::string, std::unique_ptr<TxbFamilia>> familias_;
  std::unordered_map<std::string, const TxbFamilia*> por_tabela_;
  std::vector<const TxbFamilia*> ordem_;
};

// Creates the tables, columns, indexes and the id sequence that the metadata
// describes and that the database lacks (an existing table gets its missing
// columns). Returns the number of tables created.
int CriarEsquema(TpbBD& bd);
// The DDL of one family's table for a kind of database.
// Registers the generator's declared families, in order.
void RegistrarFamiliasDeclaradas(std::span<const TxbFamiliaDeclarada> familias);

std::string DDLTabela(const TpbBD& bd, const TxbFamilia& familia);

}  // namespace efd
