// The data access of a business object: its rows in a client dataset, read
// through named views under named filters and orderings, and written back
// row by row.
//
// A view loads the family's attributes and its ancestors' (descendant rows
// joined to the ancestor's on IDA), plus the attributes of the families the
// view joins. Dataset fields are named by attribute ("EFD_DataInicio",
// "RegEFD_Registro"); each also answers to its column name when that is
// unambiguous, so that filter texts may use either. Every family has the
// field Prefix_ID.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/hbclientdataset.h"
#include "framework/xbfiltros.h"
#include "framework/xbmetadados.h"

namespace efd {

class ThbObjetoNegocio;
class TxbSession;

class T2bDados {
 public:
  T2bDados(ThbObjetoNegocio& dono, const TxbFamilia& familia);
  ~T2bDados();

  ThbClientDataSet& GetCDS() { return cds_; }
  const TxbFamilia& Familia() const { return familia_; }

  // One row by identifier; 0 gives an empty set ready for inclusion.
  void Isolar(int64_t id, const std::string& visao = "", bool flag = false);
  void SetVisao(const std::string& visao);
  const std::string& Visao() const { return visao_; }
  // Opens the rows of the view under the current filters and orderings.
  void AtivarDataSet(const std::string& visao = "", bool flag = false);
  bool GetAtributoExiste(const std::string& atributo) const;
  // The dataset column (field name) of an attribute.
  std::string Coluna(const std::string& atributo) const;
  TxbFiltros& GetFiltros() { return filtros_; }
  TxbOrdenacoes& GetOrdenacoes() { return ordenacoes_; }

  // --- used by the business object ---
  void IncluirRegistro();
  void EditarRegistro();
  // Posts the current row and stores it (insert or update of every table of
  // the family chain).
  void ConfirmarRegistro();
  void CancelarRegistro();
  // Deletes the current row from the database and the dataset.
  void ExcluirRegistro();

 private:
  struct TCampoMapeado;
  struct TTabela;
  struct TPlano;
  TPlano& Plano(const std::string& visao);
  void Carregar(const TPlano& plano, const std::string& where, const TParametros& parametros);
  std::string MontarWhere(const TPlano& plano, TParametros& parametros) const;
  std::string ColunaSQL(const TPlano& plano, const std::string& atributo) const;
  void Gravar(bool novo);
  TxbSession& Sessao();

  ThbObjetoNegocio& dono_;
  const TxbFamilia& familia_;
  std::vector<const TxbFamilia*> cadeia_;  // the family first, then its ancestors
  ThbClientDataSet cds_;
  std::string visao_;
  std::string plano_carregado_;
  TxbFiltros filtros_;
  TxbOrdenacoes ordenacoes_;
  std::vector<std::unique_ptr<TPlano>> planos_;
  bool linha_nova_ = false;
};

}  // namespace efd
