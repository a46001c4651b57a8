#include "erp/erp.h"

#include <algorithm>
#include <memory>

#include "framework/hbobjetonegocio.h"
#include "framework/pbbd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"

namespace efd::erp {
namespace {

// The modules of the declarations in erp/*.json.
const std::set<std::string> kModulos = {"Pessoas",    "Empresa",       "Produtos", "Fiscal",
                                        "Documentos", "Contabilidade", "Estoque",  "Apuração",
                                        "Patrimônio", "Serviços"};

constexpr const char* kTabelaModulos = "KLVG_MODULOATIVO";

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

void GravarModulos(TpbBD& bd, const std::set<std::string>& opcionais) {
  if (!bd.TabelaExiste(kTabelaModulos)) {
    bd.Executar(std::string("CREATE TABLE ") + kTabelaModulos +
                " (FAMILIA VARCHAR(60) NOT NULL PRIMARY KEY)");
    // Some engines use a table only once its DDL is committed.
    bd.Confirmar();
  }
  bd.Executar(std::string("DELETE FROM ") + kTabelaModulos);
  for (const auto& familia : opcionais)
    bd.Executar(std::string("INSERT INTO ") + kTabelaModulos + " (FAMILIA) VALUES (:FAMILIA)",
                {{"FAMILIA", familia}});
}

std::set<std::string> ModulosGravados(TpbBD& bd) {
  std::set<std::string> modulos;
  if (!bd.TabelaExiste(kTabelaModulos)) return modulos;
  for (const auto& linha :
       bd.Consultar(std::string("SELECT FAMILIA FROM ") + kTabelaModulos).linhas)
    modulos.insert(Trim(linha[0].AsString()));
  return modulos;
}

}  // namespace efd::erp
