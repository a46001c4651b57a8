// A canonical text of the rows of the ERP's tables, for comparing databases:
// the same rows give the same text on every engine.
#pragma once

#include <fmt/format.h>

#include <string>

#include "erp/erp.h"
#include "erp/insercao.h"
#include "framework/pbbd.h"
#include "framework/xbmetadados.h"

namespace efd::teste {

inline std::string ValorCanonico(const TVariant& v, TTipoCampo tipo) {
  if (v.IsNull()) return "NULL";
  switch (tipo) {
    case TTipoCampo::Inteiro:
      return std::to_string(v.AsInt64());
    case TTipoCampo::Real:
      return fmt::format("{}", v.AsFloat());
    case TTipoCampo::Data:
      return v.AsDateTime().Formatar("YYYY-MM-DD");
    case TTipoCampo::Hora:
      return v.AsDateTime().Formatar("HH:NN:SS");
    case TTipoCampo::DataHora:
      return v.AsDateTime().Iso();
    case TTipoCampo::Logico:
    case TTipoCampo::Texto:
    case TTipoCampo::Memo:
      return "'" + v.AsString() + "'";
  }
  return "?";
}

// Every row of one family's table, ordered by ID, one line a row.
inline std::string DespejoTabela(TpbBD& bd, const TxbFamilia& f) {
  std::vector<std::pair<std::string, TTipoCampo>> colunas = {{"ID", TTipoCampo::Inteiro}};
  if (!f.ancestral.empty()) colunas.emplace_back("IDA", TTipoCampo::Inteiro);
  if (erp::TemDescendentes(f)) colunas.emplace_back("FD", TTipoCampo::Texto);
  for (const auto& a : f.atributos) colunas.emplace_back(a.coluna, a.tipo);
  std::string lista;
  for (const auto& c : colunas) lista += (lista.empty() ? "" : ", ") + c.first;
  const TxbResultado r = bd.Consultar("SELECT " + lista + " FROM " + f.tabela + " ORDER BY ID");
  std::string texto = "[" + f.tabela + "]\n";
  for (const auto& linha : r.linhas) {
    for (size_t i = 0; i < colunas.size(); ++i)
      texto += (i ? "|" : "") + ValorCanonico(linha[i], colunas[i].second);
    texto += "\n";
  }
  return texto;
}

// Every ERP table.
inline std::string DespejoERP(TpbBD& bd) {
  std::string texto;
  for (const auto& nome : erp::Familias())
    texto += DespejoTabela(bd, TxbMetadados::Instancia().FamiliaObrigatoria(nome));
  return texto;
}

}  // namespace efd::teste
