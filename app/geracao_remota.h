// A generation on an application server (efd generate --server): the header
// is created on the server, the registers are generated there through the
// EFD object's proxy (GerarRegistros, member "10"), the writers run there into
// the server session's work folder (RegistrosEFD.GerarArquivos, "3") and each
// file is streamed back and written locally, byte for byte the file a local
// generation writes.
//
// The header is created by the server body of EFD.GerarEFDIPI_ICMS ("23"),
// whose ten arguments here are: model ("1"/"2"), branch list ("10,20"),
// purpose, profile, activity (empty keeps the default), operations
// ("0"/"1"/"2"), first day, last day ("YYYY-MM-DD", empty: end of the first
// day's month), register codes ("C100,C170", empty: all) and the option for
// an earlier header of the same branch and period ("6", "5", "0"). Like the
// header's own GerarEFD, it then deals with earlier headers (option 6 deletes
// them, option 5 drops the new one) and leaves in the session value
// "EFD_Cabecalhos" the headers to generate, "id:branch" separated by commas.
#pragma once

#include <string>
#include <vector>

#include "app/geracao.h"

namespace efd::app {

// The shared secret of a token file, without surrounding blanks; EErro when
// the file cannot be read or holds none.
std::string LerToken(const std::string& arquivo);

// Generates on the server at url ("http://HOST:PORT") and writes the files
// locally, as Gerar does.
std::vector<ArquivoGerado> GerarRemoto(const std::string& url, const std::string& token,
                                       const OpcoesGeracao& opcoes);

// Server side: registers the body of EFD.GerarEFDIPI_ICMS described above.
void RegistrarGeracaoRemota();

}  // namespace efd::app
