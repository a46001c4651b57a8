// In-memory client dataset: the rows a business object works on, and the
// caches and totals that registers keep for themselves.
//
// Field names are case-insensitive. Rows are kept in storage order; an index
// (IndexFieldNames or a named index) and a filter decide which rows are
// visible and in which order. The cursor walks the visible rows.
//
// Like the ERP's datasets, First sets Bof and Last sets Eof even when they
// land on a row; Next past the last row sets Eof, Prior before the first sets
// Bof. Moving, searching or changing the order or the filter while a row is
// being inserted or edited posts it first (a new row nobody wrote to is
// dropped instead).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/pbbd.h"
#include "framework/xbvariant.h"

namespace efd {

struct TxbDefCampo {
  std::string nome;
  TTipoCampo tipo = TTipoCampo::Texto;
  int tamanho = 0;
};

class ThbClientDataSet;

// A field of the dataset, read and written on the current row.
class TxbCampo {
 public:
  TxbCampo(ThbClientDataSet* dataset, size_t indice) : dataset_(dataset), indice_(indice) {}

  const std::string& FieldName() const;
  TTipoCampo DataType() const;
  size_t Indice() const { return indice_; }

  bool IsNull() const { return Value().IsNull(); }
  const TVariant& Value() const;
  std::string AsString() const;  // dates as DD/MM/YYYY, reals in the general format
  int AsInteger() const { return Value().AsInteger(); }
  int64_t AsInt64() const { return Value().AsInt64(); }
  double AsFloat() const { return Value().AsFloat(); }
  TDateTime AsDateTime() const { return Value().AsDateTime(); }
  bool AsBoolean() const { return Value().AsBoolean(); }

  // Writing converts to the field's type (a text "12" into an integer field
  // becomes 12; a text that does not convert raises EConversao naming the
  // field). Allowed only while the dataset is inserting or editing. A blank
  // text written to a number, date or logical field clears it; a text longer
  // than a Texto field's tamanho (in characters, when set) is cut to it.
  // The field's OnChange notification runs after every write.
  void SetValue(const TVariant& valor);
  void SetAsString(const std::string& v) { SetValue(TVariant(v)); }
  void SetAsInteger(int64_t v) { SetValue(TVariant(v)); }
  void SetAsFloat(double v) { SetValue(TVariant(v)); }
  void SetAsDateTime(TDateTime v) { SetValue(TVariant(v)); }
  void SetAsBoolean(bool v) { SetValue(TVariant(v)); }
  void Clear() { SetValue(TVariant()); }

 private:
  ThbClientDataSet* dataset_;
  size_t indice_;
};

class ThbClientDataSet {
 public:
  enum class TEstado { Inativo, Navegando, Inserindo, Editando };
  using TNotificacaoCampo = std::function<void(TxbCampo&)>;

  ThbClientDataSet();
  ~ThbClientDataSet();
  ThbClientDataSet(const ThbClientDataSet&) = delete;
  ThbClientDataSet& operator=(const ThbClientDataSet&) = delete;

  // --- structure ---
  void AdicionarCampo(const std::string& nome, TTipoCampo tipo, int tamanho = 0);
  // Replaces fields and rows (and aliases). The index, named indexes, filter
  // and notifications stay, by name: one naming a field that no longer exists
  // waits for it (a later field or alias); Carregar and CreateDataSet raise
  // ENomeDesconhecido if it is still missing then.
  void DefinirCampos(std::vector<TxbDefCampo> campos);
  // Another name for an existing field (in FieldByName, filters, indexes,
  // searches). A name already taken by a field or an alias is left as it is.
  void AdicionarApelido(const std::string& apelido, size_t indice);
  // Opens an empty in-memory dataset with the fields defined so far.
  void CreateDataSet();
  const std::vector<TxbDefCampo>& Campos() const { return defs_; }
  int IndiceCampo(const std::string& nome) const;  // -1 when absent
  TxbCampo& FieldByName(const std::string& nome);  // ENomeDesconhecido naming the field
  TxbCampo* FindField(const std::string& nome);
  TxbCampo& Campo(size_t indice) { return *campos_[indice]; }

  // --- content ---
  // Replaces the rows (each with one value per field, already of the field's
  // type) and opens the dataset on the first visible row.
  void Carregar(std::vector<std::vector<TVariant>> linhas);
  bool Active() const { return estado_ != TEstado::Inativo; }
  void Close();  // drops the rows; fields, indexes and filter stay
  void EmptyDataSet();

  // --- navigation over the visible rows ---
  void First();
  void Next();
  void Prior();
  void Last();
  bool Eof() const;
  bool Bof() const;
  bool IsEmpty() const { return RecordCount() == 0; }
  int RecordCount() const;  // the row being appended is counted once posted
  int RecNo() const;        // 1-based, 0 when empty

  // --- editing ---
  // Edit on an empty dataset appends, as the ERP's datasets do; Delete of a
  // row being appended cancels it; Cancel outside edition does nothing.
  void Append();
  void Insert() { Append(); }
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  TEstado State() const { return estado_; }
  const std::vector<TVariant>& LinhaAtual() const;

  // --- order ---
  // "CAMPO1;CAMPO2": rows visible in ascending order of those fields.
  void SetIndexFieldNames(const std::string& campos);
  const std::string& IndexFieldNames() const { return index_campos_texto_; }
  void AddIndex(const std::string& nome, const std::string& campos);
  // A named index replaces IndexFieldNames and the other way round; ""
  // drops whichever is active (rows back in storage order).
  void SetIndexName(const std::string& nome);
  const std::string& IndexName() const { return index_nome_; }

  // --- search ---
  // Finds the first visible row whose fields ("A;B;C") equal the values and
  // makes it current. Partial: texts match by prefix; SemCaixa: ignoring case.
  bool Locate(const std::string& campos, const std::vector<TVariant>& valores, bool parcial = false,
              bool sem_caixa = false);
  // Exact match on the fields of the current index (IndexFieldNames or named index).
  bool FindKey(const std::vector<TVariant>& valores);

  // --- filter ---
  // Filter text: field comparisons (= <> < > <= >=), Like with % and _,
  // "is null", "is not null", and/or/not, parentheses, quoted texts, numbers.
  // Example: "((CODIGO Like 'X%') or (CODIGO= 'X')) and IDF_REGEFD0140 = 5".
  // Constants compared with a field are read as the field's type (dates as
  // 'DD/MM/YYYY' or 'YYYY-MM-DD'). A null only equals null, and is neither
  // less nor greater than anything; in a text field, null and '' are the same
  // text (both "is null", both = ''). Changing the filter goes to the first row.
  void SetFilter(const std::string& texto);
  const std::string& Filter() const { return filtro_texto_; }
  void SetFiltered(bool filtrado);
  bool Filtered() const { return filtrado_; }

  // Called after a field's value changes through TxbCampo::SetValue. Kept by
  // name: it may be set before the fields are defined.
  void SetOnChange(const std::string& campo, TNotificacaoCampo notificacao);

 private:
  friend class TxbCampo;
  struct Expressao;
  void Atualizar(bool manter_linha);  // rebuilds the visible rows
  bool Visivel(size_t linha) const;
  void Ordenar(std::vector<size_t>& linhas) const;
  void ExigirEdicao(const char* operacao) const;
  void ExigirAtivo(const char* operacao) const;
  void ConfirmarPendente();  // posts a pending row, or drops an untouched new one
  // After the fields change: index, filter and notifications by name. Names
  // not found raise when estrito, else leave nomes_pendentes_ set.
  void ResolverNomes(bool estrito);
  const TVariant& ValorAtual(size_t campo) const;
  TVariant Converter(size_t campo, const TVariant& valor) const;
  std::vector<size_t> IndicesDeCampos(const std::string& campos) const;

  std::vector<TxbDefCampo> defs_;
  std::vector<std::unique_ptr<TxbCampo>> campos_;
  std::unordered_map<std::string, size_t> por_nome_;  // upper-case name -> index
  std::vector<TNotificacaoCampo> notificacoes_;

  std::vector<std::vector<TVariant>> linhas_;
  std::vector<size_t> visiveis_;  // storage indexes in visible order
  size_t cursor_ = 0;             // position in visiveis_
  bool eof_ = true;
  bool bof_ = true;
  TEstado estado_ = TEstado::Inativo;
  std::vector<TVariant> copia_edicao_;
  bool linha_nova_ = false;
  bool modificado_ = false;           // a field was written since Append/Edit
  size_t cursor_antes_insercao_ = 0;  // where Cancel of an Append goes back to
  std::unordered_map<std::string, TNotificacaoCampo> notificacoes_por_nome_;

  std::string index_campos_texto_;
  std::vector<size_t> index_campos_;
  std::unordered_map<std::string, std::string> indices_nomeados_;
  std::string index_nome_;

  std::string filtro_texto_;
  bool filtrado_ = false;
  std::shared_ptr<Expressao> filtro_;
  bool nomes_pendentes_ = false;  // the index or filter names a field not (yet) defined
};

}  // namespace efd
