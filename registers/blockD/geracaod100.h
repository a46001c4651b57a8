// The pass over the month's transport documents that stores the D100
// family (see Th5RegistroEFDD100).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "registers/blockD/insercaosomada.h"
#include "registers/blockD/referenciasd.h"

namespace efd {

class TxbSession;
class Th5RegistroEFDD190;
class Th5RegistroEFDD195;
class TConsolidacoesD;
class TContribuicoesD;

// A freight bill typed on a goods entry.
struct TFreteD100 {
  int64_t id = 0, documento = 0, transportadora = 0, documento_transportado = 0;
  std::string serie, tipo_serie, numero, chave, frete_cif, cfop, tributacao, obs_fiscal, modelo;
  TDateTime emissao, entrada;
  double valor = 0, base = 0, aliquota = 0, icms = 0, isentas = 0, outros = 0;
};

// One generation of the D100 family for an EFD and its block-D row: the
// branch's documents for the ICMS/IPI model, or, given an establishment, the
// services it contracted with their PIS (D101) and COFINS (D105), and those
// it rendered consolidated by day (D200 with D201/D205), for the PIS/COFINS
// model.
class TGeracaoD100 {
 public:
  TGeracaoD100(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
               std::optional<TEstabelecimentoD> estabelecimento = std::nullopt);
  ~TGeracaoD100();
  // Stores every document of the period; the number of D100 and D200 rows.
  int Executar();

  // The selection of the month: ERP transport documents and the goods
  // entries that carry freight bills, by issue date and identifier.
  static std::vector<int64_t> Selecionar(TxbSession& sessao, int filial, TDateTime inicio,
                                         TDateTime fim);
  // Whether the selection has any document, asking for one row only.
  static bool HaDocumentos(TxbSession& sessao, int filial, TDateTime inicio, TDateTime fim);

 private:
  // The selection's union, without its order.
  static std::string SqlSelecao(TxbSession& sessao, int filial, TDateTime inicio, TDateTime fim);
  struct TDocumentoD100;
  struct TPagina;
  void Pagina(const std::vector<int64_t>& ids);
  void Documento(const TDocumentoC100& d, const TPagina& p);
  void Frete(const TDocumentoC100& d, const TFreteD100& f, const TPagina& p);
  void Consolidar(const TDocumentoC100& d, const TPagina& p, const TDocumentoD100& m);
  void Ajustes(const std::vector<TAjusteC100>& ajustes, const TPagina& p, int64_t documento,
               TDocumentoD100& m);
  void Gravar(TDocumentoD100& m);

  TxbSession& sessao_;
  TReferenciasD refs_;
  bool com_municipios_ = false;
  std::set<std::string> gravados_;  // number;participant;series
  // By document type, the model and the CT-e type of the freight bills typed
  // on its documents.
  std::map<int64_t, std::pair<std::string, std::string>> modelos_frete_;
  int linhas_ = 0;
  std::shared_ptr<Th5RegistroEFDD190> d190_;
  std::shared_ptr<Th5RegistroEFDD195> d195_;
  std::unique_ptr<TContribuicoesD> contribuicoes_;
  std::unique_ptr<TConsolidacoesD> consolidacoes_;
};

}  // namespace efd
