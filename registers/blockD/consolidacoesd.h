// The PIS/COFINS model's consolidations of the services an establishment
// rendered: its transport documents by model, situation, series, CFOP and
// day (D200, with their PIS in D201 and COFINS in D205 by CST and rate), and
// its communication bills by model, municipality, series and revenue (D600,
// with D601 and D605 by class, CST and rate).
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "framework/xbvariant.h"
#include "registers/blockC/documentosc100.h"

namespace efd {

class TReferenciasD;

// The fields of a consolidation's PIS or COFINS ("PIS", "COFINS") after the
// parent link: D201/D205 without the class, D601/D605 with it.
std::vector<std::string> CamposConsolidadosD(const std::string& contribuicao, bool com_classe);

// A rendered document as the consolidations read it.
struct TPrestacaoD {
  std::string modelo, situacao, serie, numero;  // situation and number as the file writes them
  std::string municipio;                        // where the billed terminals are (D600)
  std::string conta;                            // account of the document's type
  TDateTime emissao;
  double total = 0, desconto = 0, servicos = 0;
};

// The month's totals are kept until Gravar stores them: a row per key,
// however many documents; the keys of a month are few (days times CFOPs).
class TConsolidacoesD {
 public:
  explicit TConsolidacoesD(TReferenciasD& refs) : refs_(refs) {}

  // A transport document: its items, split by CFOP, add to the D200 of their
  // day; a cancelled one counts its number and nothing else.
  void Transporte(const TPrestacaoD& d, const std::vector<TItemDocumentoC100>& itens,
                  bool cancelado);
  // A communication item with the class the bill's items are written with.
  struct TItemClassificado {
    const TItemDocumentoC100* item;
    std::string classe;
  };
  // A communication bill, goods and services, adds to the D600 of its
  // period.
  void Comunicacao(const TPrestacaoD& d, const std::vector<TItemClassificado>& itens);

  // Stores the consolidations under the establishment's D010; the number of
  // D200 and D600 rows.
  int Gravar();

 private:
  // PIS or COFINS of consolidated items by class, CST, rate and account.
  using TChave = std::tuple<std::string, std::string, double, std::string>;
  struct TSoma {
    double item = 0, desconto = 0, base = 0, valor = 0;
  };
  struct TContribuicoes {
    std::map<TChave, TSoma> pis, cofins;
    void Somar(const TItemDocumentoC100& i, const std::string& classe, const std::string& conta);
  };
  struct TDia {
    std::string primeiro, ultimo;
    double total = 0, desconto = 0;
    TContribuicoes contribuicoes;
  };
  struct TPeriodo {
    int quantidade = 0;
    TDateTime inicio, fim;
    double total = 0, desconto = 0, servicos = 0, base_icms = 0, icms = 0, pis = 0, cofins = 0;
    TContribuicoes contribuicoes;
  };
  // D200 by day, model, situation, series and CFOP.
  using TChaveDia = std::tuple<TDateTime, std::string, std::string, std::string, std::string>;
  // D600 by model, municipality and series.
  using TChavePeriodo = std::tuple<std::string, std::string, std::string>;

  // A rendered item without the contribution is a revenue of its nature
  // (M400/M800), of the amount block M counts for its CST otherwise.
  void Receita(const TPrestacaoD& d, const TItemDocumentoC100& i, double valor);
  void GravarContribuicoes(const std::string& pis, const std::string& cofins, int64_t pai,
                           const TContribuicoes& c, bool com_classe);

  TReferenciasD& refs_;
  std::map<TChaveDia, TDia> dias_;
  std::map<TChavePeriodo, TPeriodo> periodos_;
};

}  // namespace efd
