// What the builders of the demo company share: the generator its values come
// from, the helpers that turn cents and hundredths into column values, the
// writer of rows, and the rows that a person, a branch and a goods document
// get wherever they are built.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "erp/demo.h"
#include "erp/insercao.h"
#include "framework/pbbd.h"
#include "framework/xbvariant.h"

namespace efd::erp {

// splitmix64: small, fast, and the same sequence everywhere.
class TGerador {
 public:
  explicit TGerador(uint64_t semente) : estado_(semente) {}
  uint64_t Proximo() {
    uint64_t z = (estado_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // An integer of [minimo, maximo].
  int64_t Entre(int64_t minimo, int64_t maximo) {
    return minimo + static_cast<int64_t>(Proximo() % static_cast<uint64_t>(maximo - minimo + 1));
  }
  bool Chance(int por_cento) { return Entre(1, 100) <= por_cento; }
  std::string Digitos(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + Entre(0, 9));
    return s;
  }
  template <typename T>
  const T& Um(const std::vector<T>& v) {
    return v[static_cast<size_t>(Entre(0, static_cast<int64_t>(v.size()) - 1))];
  }

 private:
  uint64_t estado_;
};

// Amounts are kept in cents and rates in hundredths of a percent, so that
// every value is computed exactly and stored as the double nearest to it.
TVariant Reais(int64_t centavos);
TVariant Percentual(int centesimos);
int64_t Aplicar(int64_t centavos, int centesimos);
// Null for an empty text.
TVariant Texto(const std::string& s);
TVariant Flag(bool v);

// CNPJ and CPF with their check digits, and as typed.
std::string CompletarCNPJ(const std::string& doze);
std::string CompletarCPF(const std::string& nove);
std::string FormatarCNPJ(const std::string& digitos);
std::string FormatarCPF(const std::string& digitos);

// Access key of an NF-e/NFC-e: 43 digits and the modulo-11 check digit.
std::string ChaveAcesso(const std::string& uf, TDateTime emissao, const std::string& cnpj,
                        const std::string& modelo, const std::string& serie, int64_t numero,
                        const std::string& codigo);

using TValores = std::initializer_list<std::pair<const char*, TVariant>>;
using TNovoId = std::function<int64_t()>;

// Writes rows of every table through one prepared statement per table,
// binding by column name.
class TEscritor {
 public:
  struct TTabela {
    std::unique_ptr<TxbInsercao> insercao;
    std::unordered_map<std::string, size_t> indices;
  };

  explicit TEscritor(TpbBD& bd) : bd_(bd) {}

  TTabela& Tabela(const std::string& nome);
  void Inserir(TTabela& t, TValores valores);
  void Inserir(const std::string& tabela, TValores valores) { Inserir(Tabela(tabela), valores); }

  std::vector<TTempoTabela> Tempos() const;

 private:
  TpbBD& bd_;
  std::map<std::string, TTabela> tabelas_;
  std::vector<std::string> ordem_;
};

// ---- persons ----

struct TNovaPessoa {
  std::string codigo, nome, fantasia;
  bool juridica = true;
  int64_t cidade = 0;     // KLVG_CID
  std::string cep;        // first digits of the city's postcodes, "" for none
  int64_t pais = 0;       // KLVG_PAIS
  bool brasil = true;     // the tax id is a CNPJ
  std::string digitos;    // CNPJ or CPF, "" for none
  std::string documento;  // as typed; a foreign tax id abroad
  std::string ie, im;
  std::string fone, fax, email;
  std::string papel;
  bool estabelecimento = false;  // reports under itself (IDENT_IDIdentFil)
};

struct TPessoaEscrita {
  int64_t ident = 0;
  int64_t papel = 0;  // the role's KLVG_PAPELREL, 0 without one
};

// The person with its address (street, district, number and complement
// drawn from g), phones, e-mail and role.
TPessoaEscrita EscreverPessoaDemo(TEscritor& e, TGerador& g, const TNovoId& id,
                                  const TNovaPessoa& p);

// ---- branches ----
//
// The records below have an initializer on every member, so that a
// designated initializer may leave any of them out.

// The general parameters of a branch, valid from inicio_validade on; the
// states that want C110 and C120 with IPI and ICMS say so.
void ParametrosDaFilialDemo(TEscritor& e, int64_t id, int64_t filial, TDateTime inicio_validade,
                            bool c110_c120_com_impostos);

// Series of a branch: own NF-e, own NFC-e, own model 01, third-party NF-e,
// third-party model 01, special regime.
enum { kSerieNFe, kSerieNFCe, kSerie01, kSerieTerceiroNFe, kSerieTerceiro01, kSerieEspecial };
extern const char* const kCodigoSerie[6];
struct TSeriesFilial {
  std::array<int64_t, 6> ids{};
  std::array<int64_t, 6> proximo_numero{};  // of the own series
};
TSeriesFilial SeriesDaFilialDemo(TEscritor& e, const TNovoId& id, int64_t filial);

// The ICMS settings of a branch in a state, with the ordinary and a reduced rate.
struct TTributacaoFilial {
  int64_t filial = 0, estado = 0;
  TDateTime inicio{}, fim{};
  bool inativo = false;
  int aliquota_interna = 0;  // hundredths of a percent
  int64_t tipo_aliquota_normal = 0, tipo_aliquota_reduzida = 0;
  std::string inscricao_difal{};  // "" for none
  int64_t imposto_difal = 0, imposto_fcp = 0;
};
int64_t TributacaoDaFilialDemo(TEscritor& e, const TNovoId& id, const TTributacaoFilial& t);

// ---- goods documents ----

// The document's row; amounts in cents.
struct TDocumentoDemo {
  int64_t id = 0, filial = 0, tipo = 0, serie = 0;
  int64_t modelo = 0, participante = 0, processo = 0, local_entrega = 0;  // 0 for none
  std::string numero{};
  TDateTime emissao{}, entrada_saida{};
  bool rascunho = false, propria = true;
  std::string situacao_nf{}, situacao_nfe{}, observacao_fiscal{};
  int64_t total = 0, mercadorias = 0, servicos = 0, desconto = 0, suframa = 0, frete = 0,
          seguro = 0, outras = 0, aduaneiras = 0, imposto_importacao = 0, pis_importacao = 0,
          cofins_importacao = 0;
};
void EscreverDocumentoDemo(TEscritor& e, const TDocumentoDemo& d);

// A product item with its taxes; amounts in cents, rates in hundredths of a
// percent, money rates in ten-thousandths of a real per unit.
struct TItemProdutoDemo {
  int64_t id = 0, documento = 0;
  int seq = 0;
  int64_t produto = 0, unidade = 0, cfop = 0, conta_financeira = 0;
  int64_t decimos = 0;  // quantity in tenths
  int64_t unitario = 0, bruto = 0, desconto = 0, suframa = 0;
  int64_t liquido = 0, liquido_nf = 0;
  int64_t origem = 0, tributacao = 0;  // Z8_CLAORIGEM and Z8_CLATRIBUT
  int64_t base = 0, icms = 0, isento = 0, outras = 0, reducao = 0;
  int aliquota = 0;
  int64_t base_st = 0, valor_st = 0, fcp_st = 0, difal = 0;
  int aliquota_st = 0;
  std::string cst_ipi{};  // the ERP's letter, "" for none
  int64_t base_ipi = 0, ipi = 0;
  int aliquota_ipi = 0;
  std::string cst_pis{};  // the ERP's letter, PIS and COFINS alike
  int pis = 0, cofins = 0;
  int64_t fixo_pis = 0, fixo_cofins = 0;
  int64_t base_pis = 0;  // units when the rates are money per unit
  int64_t valor_pis = 0, valor_cofins = 0;
  bool importacao = false;
  std::string natureza_receita{};
};
void EscreverItemProdutoDemo(TEscritor& e, const TItemProdutoDemo& i);

// An adjustment of an item's ICMS by a code of the state's table.
struct TAjusteItemDemo {
  int64_t id = 0, item = 0, tabela = 0, imposto = 0;
  std::string tipo{};
  int64_t base = 0;  // cents
  int aliquota = 0;  // hundredths of a percent
};
void EscreverAjusteICMSDemo(TEscritor& e, const TAjusteItemDemo& a);

}  // namespace efd::erp
