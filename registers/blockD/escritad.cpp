#include "registers/blockD/escritad.h"

#include <fmt/format.h>

#include <limits>

#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

// Documents written together, with everything under them.
constexpr int kDocumentosPorPagina = 500;
constexpr int64_t kMaiorId = std::numeric_limits<int32_t>::max();

void Carregar(TxbSession& sessao, int bloco, TFilhoD& f, int64_t primeiro, int64_t limite) {
  f.linhas.Carregar(sessao, bloco, f.codigo, f.vinculo, primeiro, limite, f.campos);
  // The rows under these children hang on the children's own identifiers,
  // which rows stored outside the generation need not keep in the parents'.
  const auto [menor, maior] = f.linhas.Identificadores();
  for (TFilhoD* neto : f.netos) Carregar(sessao, bloco, *neto, menor, maior);
}

std::string Unido(const std::vector<TVariant>& valores) {
  std::string r;
  for (const TVariant& v : valores) r += TextoDoCampo(v) + "|";
  return r;
}

void Escrever(TxbLinhasEFD& linhas, const TFilhoD& f, int64_t pai) {
  for (const auto& filho : f.linhas.De(pai)) {
    linhas.AdicionarPronta("|" + f.codigo + "|" + Unido(filho.valores));
    for (const TFilhoD* neto : f.netos) Escrever(linhas, *neto, filho.id);
  }
}

// The closing of block D by its last writer: "|D001|1|" first when nothing
// opened it, then "|D990|" with the block's lines counted.
void FecharBlocoD(TxbLinhasEFD& linhas, int& contador) {
  if (contador == 0) {
    linhas.AdicionarPronta("|D001|1|");
    contador = 1;
  }
  ++contador;
  linhas.AdicionarPronta(fmt::format("|D990|{}|", contador));
}

}  // namespace

int EscreverFamiliaD(TxbSession& sessao, int bloco, const TFamiliaD& familia, TxbLinhasEFD& linhas,
                     const std::function<void(int)>& avanco) {
  const TxbFamilia& f =
      TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD" + familia.codigo);
  std::string colunas = "A.ID";
  for (const std::string& campo : familia.campos) colunas += ", A." + f.Atributo(campo)->coluna;
  const std::string pagina = sessao.GetBD().LimitarLinhas(
      "SELECT " + colunas + " FROM " + f.tabela +
          " A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
          "WHERE B.IDF_BLOCOSEFD = :BLOCO AND A.ID > :ULTIMO ORDER BY A.ID",
      kDocumentosPorPagina + 1);
  int feitos = 0;
  int64_t ultimo = 0;
  for (;;) {
    TxbResultado r = sessao.Consultar(pagina, {{"BLOCO", bloco}, {"ULTIMO", ultimo}});
    if (r.Vazio()) break;
    const bool mais = r.linhas.size() > static_cast<size_t>(kDocumentosPorPagina);
    // The rows under this page's documents were stored after the first of
    // them and before the first document of the next page.
    const int64_t primeiro = r.linhas.front()[0].AsInt64();
    const int64_t limite = mais ? r.linhas.back()[0].AsInt64() - 1 : kMaiorId;
    if (mais) r.linhas.pop_back();
    for (TFilhoD* filho : familia.filhos) Carregar(sessao, bloco, *filho, primeiro, limite);
    for (auto& l : r.linhas) {
      const int64_t id = l[0].AsInt64();
      std::vector<TVariant> valores(l.begin() + 1, l.end());
      if (familia.ajustar) familia.ajustar(valores);
      linhas.AdicionarPronta("|" + familia.codigo + "|" + Unido(valores));
      for (const TFilhoD* filho : familia.filhos) Escrever(linhas, *filho, id);
      if (avanco) avanco(++feitos);
      ultimo = id;
    }
    if (!mais) break;
  }
  return feitos;
}

int EscreverFamiliaNoFimD(TxbSession& sessao, int bloco, int total, const TFamiliaD& familia,
                          TxbLinhasEFD& linhas, int contador, bool fechar,
                          const std::function<void(int)>& avanco) {
  if (total > 0) {
    if (contador == 0) linhas.AdicionarPronta("|D001|0|");
    EscreverFamiliaD(sessao, bloco, familia, linhas, avanco);
  }
  contador += linhas.Quantidade();
  if (fechar) FecharBlocoD(linhas, contador);
  return contador;
}

int ContarRegistrosD(TxbSession& sessao, int id_efd, const std::string& codigo) {
  const int bloco = IdBlocoDaGeracao(sessao, id_efd, "Bloco D");
  return bloco == 0 ? 0 : LinhasDoBloco(sessao, bloco, codigo);
}

TModeloEFD LerModeloEFD(TxbSession& sessao, int id_efd) {
  TxbResultado r =
      sessao.Consultar("SELECT MODELO, DATAINICIO FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  if (r.Vazio()) return {};
  return {Trim(r.linhas[0][0].AsString()), r.linhas[0][1].AsDateTime()};
}

}  // namespace efd
