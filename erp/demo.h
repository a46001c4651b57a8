// The demo company: a deterministic ERP data set to generate files from.
//
// One company with four branches in two states (SP and RJ) and a fifth in
// Santa Catarina (demo_santacatarina.h), its accountants,
// ICMS settings per state with substitute registrations, company and branch
// parameters valid today, customers and suppliers in several states (one
// abroad, one exempt from state registration, one under SUFRAMA, some with
// changes of their data inside the month), products and services with
// units, NCM, CEST and conversion factors (some with earlier codes or
// names), a small chart of accounts, and a month of goods documents of
// models 55, 65 and 01: sales, purchases, returns, one complementary, some
// cancelled, voided or denied, with items taxed by ICMS, ICMS-ST, IPI, PIS
// and COFINS, instalments, delivery data and access keys; and the stock of
// two branches (demo_estoque.h).
//
// The same options give the same rows, ids included, on every engine: the
// values come from a generator seeded by the options (splitmix64), not from
// the clock or the library's random distributions. The master data does not
// depend on the number of documents.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "framework/xbsession.h"
#include "framework/xbvariant.h"

namespace efd::erp {

struct OpcoesDemo {
  int documentos = 300;
  uint64_t semente = 1;
  // A day of the month of the documents; the zero date means the month
  // before today's, the period a header created today gets by default.
  TDateTime mes;
  // Called as the work goes: the stage, the rows done and the rows expected.
  std::function<void(const std::string& etapa, int64_t feitos, int64_t total)> progresso;
};

struct TTempoTabela {
  std::string tabela;
  int64_t linhas = 0;
  double segundos = 0;  // spent executing the inserts
};

struct ResultadoDemo {
  int64_t empresa = 0;
  std::vector<int64_t> filiais;  // the head office first, the Santa Catarina branch last
  TDateTime inicio, fim;         // first and last day of the month of the documents
  int64_t documentos = 0;
  int64_t itens = 0;
  int64_t maior_id = 0;
  std::vector<TTempoTabela> tempos;  // in the order the tables were first written
  double segundos = 0;               // the whole build

  // One line per table: rows, seconds and rows per second.
  std::string RelatorioTempos() const;
};

// The ERP's optional modules that the demo company's data feeds (accounting,
// the typed cancelled numbers, the electronic-document occurrences and the
// fuel tanks): erp::Registrar of these keeps its books as the demo intends.
const std::set<std::string>& ModulosDaDemo();

// Writes the demo company into the session's database, whose schema must
// exist and whose ERP tables must be empty (EErro otherwise), in one
// transaction; afterwards the database hands out ids above the demo's. The
// session's company and branch become the demo company and its head office.
ResultadoDemo ConstruirEmpresaDemo(TxsSessionZ8& sessao, const OpcoesDemo& opcoes);

}  // namespace efd::erp
