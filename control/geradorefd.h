// The generation driver: walks the catalogue of a model and calls every
// register's generator, then every register's writer, in catalogue order
// (blocks by position, registers by family), appending the writers' text to
// the file. It also stands for the ERP components outside the module: blocks
// that the published layout requires and that nobody wrote get their empty
// opening and closing lines, and a block whose writers leave its closing line
// to the outside gets it from the block's counter.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace efd {

class TxbSession;

struct TxbTipoRegistro {
  int id = 0;
  int id_tipo_bloco = 0;
  std::string nome;     // "Registro 0150"
  std::string familia;  // "RegistroEFD0150"
  std::string bloco;    // "Bloco 0"
};

struct TxbTipoBloco {
  int id = 0;
  std::string nome;  // "Bloco 0"
  std::string descricao;
  std::vector<TxbTipoRegistro> registros;
};

// The catalogue of a model in generation order.
std::vector<TxbTipoBloco> LerCatalogo(TxbSession& sessao, int modelo);

// Forgets what the registers of a generation keep in the session (block and
// register-type rows, change-occurrence caches on the company object), so
// that nothing of an earlier generation, finished or failed, leaks into the
// next one.
void EsquecerCachesDaGeracao(TxbSession& sessao);

// An ERP component that stores rows of a model during the driver's run, after
// the register generators: the session, the EFD, the branches the request
// named (comma-separated, empty for the header's own choice) and the
// register-type names of the generation, one a line.
using TxbComponenteExterno =
    std::function<void(TxbSession&, int, const std::string&, const std::string&)>;
// Adds a component to the generations of a model, in the order of calls.
void RegistrarComponenteExterno(int modelo, TxbComponenteExterno componente);

// Registers the driver as the implementation of the members the module leaves
// to it (EFD.GerarRegistros, RegistrosEFD.GerarArquivos and the others).
void RegistrarGeradorEFD();

}  // namespace efd
