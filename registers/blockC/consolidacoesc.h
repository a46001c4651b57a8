// The PIS/COFINS model's consolidations of the electronic invoices of an
// establishment that bookkeeps them by item instead of document by document
// (C010's indicator "1"):
// - its own sales on models 55 and 65 by model and item (C180), with their
//   PIS in C181 and COFINS in C185 by CST, CFOP and rate, and the processes
//   the documents name (C188);
// - its entries on model 55 that give credit by model and item (C190), with
//   their PIS in C191 and COFINS in C195 by participant, CST, CFOP and rate,
//   the processes (C198) and the import declarations (C199).
// Every other document of the establishment stays a C100.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "control/linhasregistros.h"
#include "framework/xbvariant.h"
#include "registers/block0/referencias.h"
#include "registers/blockC/uh5registroefdc170.h"

namespace efd {

class TxbSession;

// Whether the branch bookkeeps its electronic invoices consolidated in the
// period (its latest contributions parameter valid at the period's start).
bool EscrituracaoConsolidada(TxbSession& sessao, int filial, TDateTime inicio);

enum class TDestinoConsolidacao { Nenhum, Venda, Aquisicao };

// A document to consolidate, with its items.
struct TDocumentoConsolidado {
  std::string modelo;
  TDateTime data;            // of issue for a sale, of entry for an acquisition
  std::string participante;  // CNPJ or CPF of the supplier (acquisitions)
  std::string processo, ind_processo;
  bool importacao = false;
  std::string ind_importacao, declaracao, drawback;
  struct TItem {
    TItemC170 item;
    std::string ncm, ex_ipi;
  };
  std::vector<TItem> itens;
};

// The month's totals of one establishment, kept until Gravar stores them: a
// row per key, however many documents (a month's keys are its items times
// their CSTs, CFOPs and rates).
class TConsolidacoesC {
 public:
  TConsolidacoesC(TxbSession& sessao, int bloco, int64_t id_c010, const std::string& registros);
  ~TConsolidacoesC();

  // Where a document that is neither cancelled nor voided goes, by its
  // operation ("0" entry, "1" output), issuer, model and the PIS CSTs of its
  // items: an own sale whose items are all outputs' (01 to 49, 99); an entry
  // of model 55 whose items are all entries' (50 to 99) and one of them gives
  // credit (50 to 66); otherwise it stays a document.
  static TDestinoConsolidacao Destino(const std::string& operacao, const std::string& ind_emit,
                                      const std::string& modelo,
                                      const std::vector<std::string>& csts_pis);

  void Somar(TDestinoConsolidacao destino, const TDocumentoConsolidado& d);
  // Stores the consolidations under the establishment's C010; the number of
  // C180 and C190 rows.
  int Gravar();

 private:
  struct TSoma {
    double item = 0, desconto = 0, base = 0, quantidade = 0, valor = 0;
    std::string conta;
  };
  // PIS or COFINS by participant, CST, CFOP, percentage and money rate.
  using TChaveDetalhe = std::tuple<std::string, std::string, std::string, double, double>;
  struct TConsolidacao {
    TDateTime inicio, fim;
    std::string ncm, ex_ipi;
    double total = 0;
    std::map<TChaveDetalhe, TSoma> pis, cofins;
    std::set<std::pair<std::string, std::string>> processos;
    // Imports by kind, declaration and drawback act: PIS and COFINS.
    std::map<std::tuple<std::string, std::string, std::string>, std::pair<double, double>>
        importacoes;
  };
  // By model and item.
  using TChave = std::pair<std::string, std::string>;

  int64_t Inserir(const std::string& codigo, const std::vector<std::string>& campos,
                  const std::vector<TVariant>& valores);
  void GravarDetalhes(const std::string& codigo, const std::string& pai, int64_t id,
                      const std::map<TChaveDetalhe, TSoma>& somas, bool com_participante);
  void GravarFamilia(const std::map<TChave, TConsolidacao>& consolidacoes, bool venda);

  TxbSession& sessao_;
  int bloco_;
  int64_t id_c010_;
  TListaRegistros registros_;
  std::map<std::string, std::unique_ptr<TxbInsercaoRegistro>> insercoes_;
  TTiposRegistro tipos_{sessao_};
  std::map<TChave, TConsolidacao> vendas_, aquisicoes_;
};

// The writer's share: C180 with C181, C185 and C188, and C190 with C191,
// C195, C198 and C199, under each C010.
class TEscritaConsolidacoesC {
 public:
  TEscritaConsolidacoesC();
  void Escrever(TxbSession& sessao, TxbLinhasEFD& linhas, int bloco, int64_t id_c010);

 private:
  TxbRegistroFilho c181_, c185_, c188_, c180_, c191_, c195_, c198_, c199_, c190_;
};

}  // namespace efd
