#include "erp/demo_notasservico.h"

#include <fmt/format.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "erp/insercao.h"
#include "framework/xberros.h"

namespace efd::erp {
namespace {

// A service invoice of the head office: one item of a registered service.
struct TNotaServico {
  int padrao;  // internal code of the standard: 1 provided, 13 taken
  const char* numero;
  int dia;
  int servico;  // the n-th service of the company
  double valor;
  const char* letra_pis;  // PIS/COFINS taxation letter
  const char* texto;      // fiscal text, "" for none
};

constexpr TNotaServico kNotas[] = {
    {1, "2024", 5, 0, 1500, "A", "Serviço prestado conforme contrato de manutenção"},
    {13, "9071", 12, 1, 800, "K", ""},
};

class TNotasServicoDemo {
 public:
  TNotasServicoDemo(TpbBD& bd, int64_t proximo, int64_t filial)
      : bd_(bd), proximo_(proximo), filial_(filial) {}

  // The model "SE", a document type and a series for each standard; the
  // next free id.
  int64_t Cadastros() {
    const int64_t modelo = proximo_++;
    InserirValores(bd_, "Z8_MODELODOCT",
                   {{"ID", modelo}, {"CODMODELO", "SE"}, {"DESCRICAO", "Nota Fiscal de Serviço"}});
    const int64_t conta =
        Um("SELECT IDF_CTACTB FROM Z8_TPDOCTOGER WHERE IDF_CTACTB IS NOT NULL ORDER BY ID");
    for (const int padrao : {1, 13}) {
      const int64_t tipo = proximo_++, parte = proximo_++, serie = proximo_++;
      InserirValores(bd_, "Z8_TIPDOC",
                     {{"ID", tipo},
                      {"CODIGO", CodigoDoTipo(padrao)},
                      {"DESCRICAO", padrao == 1 ? "Serviço prestado" : "Serviço tomado"},
                      {"IDF_PADRAODOC",
                       Um("SELECT ID FROM Z8_PADRAODOC WHERE CODINTERNO = :C", {{"C", padrao}})},
                      {"NFCOMPLEMENTAR", TVariant(false)}});
      InserirValores(bd_, "Z8_PARTETPDOC",
                     {{"ID", parte}, {"FD", "TipoDoctoGeral"}, {"IDF_TIPDOC", tipo}});
      InserirValores(
          bd_, "Z8_TPDOCTOGER",
          {{"ID", parte}, {"IDA", parte}, {"IDF_MODELODOCT", modelo}, {"IDF_CTACTB", conta}});
      InserirValores(bd_, "Z8_SERIEDOCTO",
                     {{"ID", serie},
                      {"IDF_FILIAL", filial_},
                      {"CODIGO", "A1"},
                      {"DESCRICAO", DescricaoDaSerie(padrao)},
                      {"TIPO", padrao == 1 ? "1" : "2"},
                      {"SERIENFE", TVariant(false)},
                      {"REGIMEESPECIAL", TVariant(false)}});
    }
    return proximo_;
  }

  // The invoices of the month; the last id used.
  int64_t Construir(const TDateTime& inicio) {
    const TxbResultado participantes = bd_.Consultar(
        "SELECT DISTINCT IDF_IDENT FROM Z8_DOCTO WHERE IDF_FILIAL = :F AND IDF_IDENT IS NOT NULL "
        "ORDER BY IDF_IDENT",
        {{"F", filial_}});
    // Services are bought from and provided to the goods documents'
    // participants: a month without documents has none.
    if (participantes.Vazio()) return proximo_ - 1;
    for (size_t n = 0; n < std::size(kNotas); ++n)
      Nota(kNotas[n], inicio, participantes.linhas[n % participantes.linhas.size()][0].AsInt64());
    return proximo_ - 1;
  }

 private:
  int64_t Um(const std::string& sql, const TParametros& p = {}) {
    TxbResultado r = bd_.Consultar(sql, p);
    if (r.Vazio()) throw EErro("Demo: nada encontrado por " + sql);
    return r.linhas[0][0].AsInt64();
  }

  static std::string CodigoDoTipo(int padrao) { return fmt::format("SRVSE-{}", padrao); }
  static const char* DescricaoDaSerie(int padrao) {
    return padrao == 1 ? "Notas de serviço" : "Serviços tomados";
  }

  void Nota(const TNotaServico& n, const TDateTime& inicio, int64_t participante) {
    const int64_t doc = proximo_++;
    const TDateTime dia(inicio.dias + n.dia - 1);
    const auto centavos = [](double v) { return std::round(v * 100) / 100; };
    InserirValores(bd_, "Z8_DOCTO",
                   {{"ID", doc},
                    {"FD", "Docto"},
                    {"IDF_FILIAL", filial_},
                    {"IDF_TPDOCTO", Um("SELECT ID FROM Z8_TIPDOC WHERE CODIGO = :C",
                                       {{"C", CodigoDoTipo(n.padrao)}})},
                    {"IDF_SERIEDOCTO",
                     Um("SELECT ID FROM Z8_SERIEDOCTO WHERE IDF_FILIAL = :F AND DESCRICAO = :D",
                        {{"F", filial_}, {"D", DescricaoDaSerie(n.padrao)}})},
                    {"IDF_IDENT", participante},
                    {"NRODOCTO", n.numero},
                    {"DATAEMI", dia},
                    {"DTENTSAI", dia},
                    {"SITUACAO", "1"},
                    {"SITUACAONF", "0"},
                    {"VALTOTALNF", n.valor},
                    {"VALSERVICOS", n.valor},
                    {"VALDESCONTO", 0.0},
                    {"OBSFISCAL", *n.texto ? TVariant(std::string(n.texto)) : TVariant()}});
    const int64_t item = proximo_++;
    const int64_t servico = bd_.Consultar("SELECT ID FROM Z8_SERVICO ORDER BY ID")
                                .linhas.at(static_cast<size_t>(n.servico))[0]
                                .AsInt64();
    InserirValores(bd_, "Z8_PARTEDOCTO", {{"ID", item}, {"FD", "ItemDocto"}, {"IDF_DOCTO", doc}});
    InserirValores(bd_, "Z8_DOCTOITEM",
                   {{"ID", item},
                    {"IDA", item},
                    {"SEQITEM", 1},
                    {"IDF_SERVICO", servico},
                    {"QDADE", 1.0},
                    {"VALUNITARIO", n.valor},
                    {"VALBRUTO", n.valor},
                    {"VALDESCONTO", 0.0},
                    {"VALLIQUIDO", n.valor},
                    {"VALLIQUIDONF", n.valor}});
    InserirValores(bd_, "Z8_TRIBITEM",
                   {{"ID", item}, {"FD", "TribItemServ"}, {"IDF_DOCTOITEM", item}});
    InserirValores(bd_, "Z8_TRIITEMSER",
                   {{"ID", item},
                    {"IDA", item},
                    {"ISSBASE", n.valor},
                    {"ISSALIQ", 5.0},
                    {"ISSVALOR", centavos(n.valor * 0.05)},
                    {"CLATRIBPIS", n.letra_pis},
                    {"PISBASE", n.valor},
                    {"PISALIQ", 1.65},
                    {"PISVALOR", centavos(n.valor * 0.0165)},
                    {"CLATRIBCOFINS", n.letra_pis},
                    {"COFINSBASE", n.valor},
                    {"COFINSALIQ", 7.6},
                    {"COFINSVALOR", centavos(n.valor * 0.076)}});
  }

  TpbBD& bd_;
  int64_t proximo_, filial_;
};

}  // namespace

int64_t CadastrosDasNotasServicoDemo(TpbBD& bd, int64_t proximo, int64_t filial) {
  return TNotasServicoDemo(bd, proximo, filial).Cadastros();
}

int64_t ConstruirNotasServicoDemo(TpbBD& bd, const ResultadoDemo& demo) {
  return TNotasServicoDemo(bd, demo.maior_id + 1, demo.filiais.front()).Construir(demo.inicio);
}

}  // namespace efd::erp
