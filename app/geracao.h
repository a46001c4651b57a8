// A generation as a user asks for it: the header(s) created with their
// defaults and the options, the generation run on commit, and one file
// written per generated header.
#pragma once

#include <string>
#include <vector>

#include "control/verificadorefd.h"
#include "framework/xbsession.h"
#include "framework/xbvariant.h"

namespace efd {
class Th5EFD;
}

namespace efd::app {

struct OpcoesGeracao {
  int modelo = 1;  // 1 ICMS/IPI, 2 PIS/COFINS
  std::vector<int> filiais;
  TDateTime inicio, fim;                // fim zero: the end of the start's month
  std::string finalidade = "0";         // EFD_CodFinArq
  std::string perfil;                   // EFD_IndPerfilFis; empty keeps the default
  std::string atividade;                // EFD_IndAtiv; empty keeps the default
  std::string operacoes = "0";          // EFD_IndOper: 0 both, 1 entries, 2 outputs
  std::vector<std::string> registros;   // register codes; empty generates all
  int opcao_existente = 6;              // 6 replace, 5 keep, 0 add
  TDateTime inventario;                 // EFD_DataInventEst; zero: no inventory (block H)
  std::string motivo_inventario = "1";  // EFD_MotivInvent
  std::string tipo_inventario = "1";    // EFD_TipoInventario: "2" leaves out use and
                                        // consumption, fixed assets and services
  std::string saida;                    // file or folder; empty: the current folder
  bool drcst = false;                   // EFD_DRCST
  std::string layout;                   // EFD_Layout; empty keeps the default
  // Branches generated at once, each in its own session, connection and
  // transaction, on an engine that takes concurrent writers (the Firebird
  // server); the others take the branches one after the other.
  int tarefas = 1;

  // The last day of the period: fim, or the end of the start's month.
  TDateTime FimDoPeriodo() const {
    return fim.EhDataZero() ? UltimoDiaDoMes(inicio).DateOf() : fim;
  }
};

struct ArquivoGerado {
  int id_efd = 0;
  int filial = 0;
  std::string caminho;
  TxbResumoArquivo resumo;
};

// The register list of a header from register codes: TpRegEFD_ID values of
// the model's catalogue, one a line; empty for all.
std::string ListaDeRegistros(TxsSessionZ8& sessao, int modelo,
                             const std::vector<std::string>& codigos);

// Creates and stores the header(s) of a request as a user would; storing
// them runs the generation unless the header's generation is suppressed.
void IncluirCabecalhos(Th5EFD& efd, const OpcoesGeracao& opcoes);

// Creates the headers, generates and writes the files. A header dropped
// because an earlier one is kept (option 5) gives no file. With more than one
// task and several branches of the ICMS/IPI model, each branch is a request
// of its own in a session of its own on the same database: a branch that
// fails leaves neither rows nor a file, the others are written, and then an
// error names the branches that failed.
std::vector<ArquivoGerado> Gerar(TxsSessionZ8& sessao, const OpcoesGeracao& opcoes);

// The order in which a parallel run starts the branches of `opcoes`, as
// indexes into opcoes.filiais: the most documents in the period first, so
// that the largest branch does not start last and run alone.
std::vector<size_t> OrdemDasFiliais(TxsSessionZ8& sessao, const OpcoesGeracao& opcoes);

// Checks a written file against its block-9 totals. A file that fails is not
// left under its final name: it is renamed "<name>.INVALIDO.txt" and the
// result names that path.
ArquivoGerado VerificarArquivoGerado(int id_efd, int filial, const std::string& caminho);

// "EFD-ICMS-IPI-<branch>-<YYYY-MM>.txt" (or with the two dates when the
// period is not one whole month).
std::string NomeDoArquivo(int modelo, int filial, TDateTime inicio, TDateTime fim);

}  // namespace efd::app
