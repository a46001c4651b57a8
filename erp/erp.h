// The stand-in ERP: the families of the ERP's other modules that the EFD
// module reads (declared in erp/*.json), registered in the metadata and in
// the application.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace efd {

class TpbBD;

// Generated from erp/*.json: registers the metadata of every ERP family.
void RegistrarFamilias_erp();

namespace erp {

// Families of optional ERP modules whose presence in the application switches
// the module's behaviour. Their tables always exist; their classes are
// registered only when asked.
const std::vector<std::string>& FamiliasOpcionais();

// Registers the ERP's families in the metadata and each of them as a class of
// the application (a plain business object), so that the module opens them by
// family name and through its relationships. Of the optional families only
// those named in `opcionais` are registered; naming another raises
// ENomeDesconhecido. A family that already has a class keeps it; calling it
// again adds classes, it never removes any.
void Registrar(const std::set<std::string>& opcionais = {"ParEmpContabilidade"});

// The optional modules switched on in an ERP database, kept with its data so
// that every command opening it registers the same families: a database that
// has them never holds their rows in vain, and one that lacks them never has
// them read. Gravar replaces the list (the demo company writes its own);
// Gravados is empty for a database that never had one written.
void GravarModulos(TpbBD& bd, const std::set<std::string>& opcionais);
std::set<std::string> ModulosGravados(TpbBD& bd);

// The names of the ERP's families, in declaration order.
std::vector<std::string> Familias();

}  // namespace erp
}  // namespace efd
