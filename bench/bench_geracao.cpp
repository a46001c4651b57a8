// The generation spine at volume (not a test): a register of block C whose
// generator stores ROWS rows through the business-object path and whose
// writer writes one line per row, run by the real driver (the header's
// confirmation, then RegistrosEFD.GerarArquivos into a file) on an SQLite
// file. Reports rows per second of the generation, lines per second of the
// writing and the memory of both; while writing, the memory must not grow
// with the lines beyond the rows the writer holds: the text streams to the
// file.
//
//   bench_geracao [ROWS [DIR]]    default 1000000 rows, a temporary directory
#include <fmt/core.h>
#include <malloc.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "bench/medidas.h"
#include "control/modulo.h"
#include "control/uh5efd.h"
#include "control/uh5registrosefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "uh0registrosefd.h"
#include "uh0tipoblocoefd.h"
#include "uh0tiporegefd.h"

namespace {

using namespace efd;
using bench::MemoriaMiB;
using bench::ReiniciarPico;
using bench::Relogio;
using bench::Segundos;

int g_linhas = 1000000;
// Measured inside the writer: resident memory once its rows are read, and the
// peak while it writes them.
double g_rss_linhas_lidas = 0, g_pico_escrevendo = 0;

class TRegistroCX01 : public Th5RegistrosEFD {
 public:
  int INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string&,
                            std::shared_ptr<ThbObjetoNegocio>&) override {
    ExcluirRegistroEFD(id_efd);
    GetDados().Isolar(0, "VsEDC01");
    const TDateTime base = TDateTime::EncodeDate(2024, 3, 1);
    for (int i = 1; i <= g_linhas; ++i) {
      IncluirRegistro();
      Campo("RegEFD_IDF_TipoRegEFD").SetAsInteger(tipo);
      Campo("RegEFD_IDF_BlocosEFD").SetAsInteger(bloco);
      Campo("RegEFD_Registro").SetAsString("CX01");
      Campo("RegEFDCX01_NumDoc").SetAsString("DOC" + std::to_string(i));
      Campo("RegEFDCX01_DtDoc").SetAsDateTime(TDateTime(base.dias + i % 31));
      Campo("RegEFDCX01_VlDoc").SetAsFloat(i * 0.01);
      Campo("RegEFDCX01_Qtd").SetAsInteger(i % 100);
      ConfirmarRegistro();
    }
    return 0;
  }

  std::string INTERNO_GerarArquivo(int id_efd) override {
    AbrirRegistrosDoBloco(IdBloco(id_efd, "Bloco C"), "1");
    g_rss_linhas_lidas = MemoriaMiB("VmRSS");
    ReiniciarPico();
    TxbLinhasEFD linhas(GetSession());
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (LerContador("QtdeLinhasBloco_C") == 0 && !cds.IsEmpty()) linhas.Adicionar("C001", {"0"});
    for (cds.First(); !cds.Eof(); cds.Next())
      linhas.Adicionar("CX01", {Texto("RegEFDCX01_NumDoc"),
                                FormatarData(cds.FieldByName("RegEFDCX01_DtDoc").AsDateTime()),
                                FormatarValor(cds.FieldByName("RegEFDCX01_VlDoc").AsFloat()),
                                cds.FieldByName("RegEFDCX01_Qtd").AsString()});
    SomarContador("QtdeLinhasBloco_C", linhas.Quantidade());
    g_pico_escrevendo = MemoriaMiB("VmHWM");
    return linhas.Extrair();
  }
};

void RegistrarRegistro() {
  TxbFamilia f;
  f.nome = "RegistroEFDCX01";
  f.prefixo = "RegEFDCX01";
  f.tabela = "Z8_REGEFDCX01";
  f.ancestral = "RegistrosEFD";
  f.atributos = {
      TxbAtributo::De("NumDoc", TTipoCampo::Texto, 20), TxbAtributo::De("DtDoc", TTipoCampo::Data),
      TxbAtributo::De("VlDoc", TTipoCampo::Real), TxbAtributo::De("Qtd", TTipoCampo::Inteiro)};
  TxbMetadados::Instancia().Registrar(f);
  Aplicacao().RegistrarClasse(f.nome, [] { return std::make_shared<TRegistroCX01>(); });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_linhas = std::atoi(argv[1]);
  std::filesystem::path pasta;
  if (argc > 2) {
    pasta = argv[2];
    std::filesystem::create_directories(pasta);
  } else {
    std::string modelo = (std::filesystem::temp_directory_path() / "efd-bench-XXXXXX").string();
    if (!mkdtemp(modelo.data())) return 1;
    pasta = modelo;
  }
  try {
    RegistrarModulo();
    RegistrarRegistro();
    const std::string banco = (pasta / "geracao.db").string();
    std::filesystem::remove(banco);
    TxsSessionZ8 sessao(TpbBD::Conectar("sqlite:" + banco));
    sessao.DefinirEmpresaSessao(1);
    CriarEsquema(sessao.GetBD());

    // Model 1: block C with the one register.
    auto blocos = Aplicacao().CriarComo<Th0TipoBlocoEFD>("TipoBlocoEFD", sessao);
    auto tipos = Aplicacao().CriarComo<Th0TipoRegEFD>("TipoRegEFD", sessao);
    const int bloco_c = blocos->Incluir(1, "Bloco C", "", 1);
    tipos->Incluir(bloco_c, "Registro CX01", "RegistroEFDCX01", 2, true, "", "");
    sessao.ConfirmarImplicita();

    const double rss_inicio = MemoriaMiB("VmRSS");
    auto inicio = Relogio::now();
    auto efd = Aplicacao().CriarComo<Th5EFD>("EFD", sessao);
    efd->SetModeloEFD("1");
    efd->GetDados().Isolar(0, "VsEDC01");
    efd->IncluirRegistro();
    efd->Campo("EFD_IDF_Filial").SetAsInteger(10);
    efd->Campo("EFD_DataInicio").SetAsDateTime(TDateTime::EncodeDate(2024, 3, 1));
    efd->Confirmar();  // stores the header and runs the generation
    const double geracao = Segundos(inicio);
    const double pico_geracao = MemoriaMiB("VmHWM");
    const int id_efd = efd->Campo("EFD_ID").AsInteger();
    const int64_t gravadas =
        sessao.Consultar("SELECT COUNT(*) FROM Z8_REGEFDCX01").linhas[0][0].AsInt64();
    fmt::print(
        "generation: {} rows in {:.2f} s: {:.0f} rows/s; peak resident {:.0f} MiB ({:.0f} "
        "MiB at start)\n",
        gravadas, geracao, gravadas / geracao, pico_geracao, rss_inicio);

    // The generator's objects are gone: give their memory back before writing.
    malloc_trim(0);
    const double rss_antes = MemoriaMiB("VmRSS");
    const bool pico_reiniciado = ReiniciarPico();
    const std::string arquivo = (pasta / "efd.txt").string();
    auto registros = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistrosEFD", sessao);
    inicio = Relogio::now();
    registros->GerarArquivos(id_efd, arquivo);
    const double escrita = Segundos(inicio);
    const double pico_total = MemoriaMiB("VmHWM");
    const auto bytes = std::filesystem::file_size(arquivo);
    const long linhas = std::stol(sessao.Valor("QtdeLinhasBloco_C"));
    fmt::print("writing: {} lines ({:.1f} MiB file) in {:.2f} s: {:.0f} lines/s\n", linhas,
               bytes / 1048576.0, escrita, linhas / escrita);
    fmt::print(
        "memory while writing{}: {:.0f} MiB resident before; {:.0f} MiB once the writer read its "
        "rows (+{:.0f} MiB); peak while writing the lines {:.0f} MiB (+{:.1f} MiB over the rows "
        "read); peak of the whole writing {:.0f} MiB (+{:.0f} MiB)\n",
        pico_reiniciado ? "" : " (peaks are the process's)", rss_antes, g_rss_linhas_lidas,
        g_rss_linhas_lidas - rss_antes, g_pico_escrevendo, g_pico_escrevendo - g_rss_linhas_lidas,
        pico_total, pico_total - rss_antes);

    // Control: the same writer called outside the driver has no line output
    // and holds all its text; the measurement must show it.
    malloc_trim(0);
    auto registro = Aplicacao().CriarComo<Th0RegistrosEFD>("RegistroEFDCX01", sessao);
    const size_t retido = registro->GerarArquivo(id_efd).size();
    fmt::print(
        "control, the writer outside the driver: {:.1f} MiB of text held, peak +{:.1f} MiB "
        "over the rows read\n",
        retido / 1048576.0, g_pico_escrevendo - g_rss_linhas_lidas);
    if (argc <= 2) std::filesystem::remove_all(pasta);
  } catch (const std::exception& e) {
    fmt::print(stderr, "bench_geracao: {}\n", e.what());
    return 1;
  }
  return 0;
}
