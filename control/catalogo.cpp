#include "control/catalogo.h"

#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "uh0tipoblocoefd.h"
#include "uh0tiporegefd.h"

namespace efd {

extern const std::string_view kCatalogo_icms_ipi;
extern const std::string_view kCatalogo_pis_cofins;

std::vector<TxbLinhaCatalogo> CatalogoDoModelo(int modelo) {
  const std::string_view texto = modelo == 1 ? kCatalogo_icms_ipi : kCatalogo_pis_cofins;
  std::vector<TxbLinhaCatalogo> linhas;
  std::string descricao_bloco;
  for (const std::string& linha : Dividir(texto, '\n')) {
    if (linha.empty() || linha[0] == '#') continue;
    const std::vector<std::string> campos = Dividir(linha, '\t');
    if (campos[0] == "B" && campos.size() == 3) {
      descricao_bloco = campos[2];
      linhas.push_back({campos[1][0], descricao_bloco, "", 0, ""});
    } else if (campos[0] == "R" && campos.size() == 4 && !linhas.empty()) {
      linhas.push_back({linhas.back().bloco, descricao_bloco, campos[1],
                        static_cast<int>(TextoParaInteiro(campos[2])), campos[3]});
    } else {
      throw EErro("Linha inválida no catálogo do modelo " + std::to_string(modelo) + ": " + linha);
    }
  }
  return linhas;
}

int CarregarCatalogo(TxbSession& sessao) {
  int criadas = 0;
  auto blocos = Aplicacao().CriarComo<Th0TipoBlocoEFD>("TipoBlocoEFD", sessao);
  auto tipos = Aplicacao().CriarComo<Th0TipoRegEFD>("TipoRegEFD", sessao);
  TxbObjetoTemporario liberar_blocos(blocos), liberar_tipos(tipos);
  for (int modelo : {1, 2}) {
    int ordem = 0, id_bloco = 0;
    for (const TxbLinhaCatalogo& l : CatalogoDoModelo(modelo)) {
      if (l.codigo.empty()) {
        const std::string nome = std::string("Bloco ") + l.bloco;
        ++ordem;
        if (blocos->Selecionar(modelo, nome, "VsEDC01")) {
          blocos->EditarRegistro();
          blocos->Campo("TpBlocoEFD_Descricao").SetAsString(l.descricao_bloco);
          blocos->Campo("TpBlocoEFD_Ordem").SetAsInteger(ordem);
          blocos->ConfirmarRegistro();
          id_bloco = blocos->Campo("TpBlocoEFD_ID").AsInteger();
        } else {
          id_bloco = blocos->Incluir(modelo, nome, l.descricao_bloco, ordem);
          ++criadas;
        }
        continue;
      }
      const std::string nome = "Registro " + l.codigo, familia = "RegistroEFD" + l.codigo;
      if (tipos->Selecionar(id_bloco, nome, "VsEDC01")) {
        tipos->Atualizar(id_bloco, nome, familia, l.nivel, "I20" + familia, l.descricao);
      } else {
        tipos->Incluir(id_bloco, nome, familia, l.nivel, false, "I20" + familia, l.descricao);
        ++criadas;
      }
    }
  }
  sessao.ConfirmarImplicita();
  return criadas;
}

}  // namespace efd
