#include "erp/erp.h"

#include <algorithm>
#include <memory>

#include "framework/hbobjetonegocio.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbmetadados.h"

namespace efd::erp {
namespace {

// The modules of the declarations in erp/*.json.
const std::set<std::string> kModulos = {"Pessoas",    "Empresa",       "Produtos", "Fiscal",
                                        "Documentos", "Contabilidade", "Estoque",  "Apuração",
                                        "Patrimônio", "Serviços"};

}  // namespace

const std::vector<std::string>& FamiliasOpcionais() {
  static const std::vector<std::string> opcionais = {
      "ParEmpContabilidade",  // accounting parameters: default activity indicator
      "MovCtb",               // accounting: account level and name from the visual chart
      "OcoDocumentoElet",     // access keys from electronic-document occurrences
      "DoctoCupFiscal",       // coupons of fiscal printers tied to invoices
      "DoctoCancelSped",      // cancelled documents typed for the fiscal books
      "IntegracaoFIS",        // only documents integrated into the fiscal books are bookkept
      "ArmazenCombust",       // fuel entries by tank
      "Lote",                 // batches of the items (medicines)
  };
  return opcionais;
}

std::vector<std::string> Familias() {
  RegistrarFamilias_erp();
  std::vector<std::string> nomes;
  for (const TxbFamilia* f : TxbMetadados::Instancia().Todas())
    if (kModulos.count(f->modulo)) nomes.push_back(f->nome);
  return nomes;
}

void Registrar(const std::set<std::string>& opcionais) {
  const auto& conhecidas = FamiliasOpcionais();
  for (const auto& nome : opcionais)
    if (std::find(conhecidas.begin(), conhecidas.end(), nome) == conhecidas.end())
      throw ENomeDesconhecido("Família opcional do ERP desconhecida: " + nome);
  for (const auto& nome : Familias()) {
    const bool opcional = std::find(conhecidas.begin(), conhecidas.end(), nome) != conhecidas.end();
    if (opcional && !opcionais.count(nome)) continue;
    // A class registered earlier (a hand-written one) stays.
    if (Aplicacao().ChecarFamiliaRegistrada(nome)) continue;
    Aplicacao().RegistrarClasse(nome, [] { return std::make_shared<ThbObjetoNegocio>(); });
  }
}

}  // namespace efd::erp
