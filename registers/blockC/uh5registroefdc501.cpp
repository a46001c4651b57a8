#include "registers/blockC/uh5registroefdc501.h"

#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"

namespace efd {

int64_t SomarParcelaC500(TxbSession& sessao, std::unique_ptr<TxbInsercaoRegistro>& insercao,
                         const std::string& codigo, const std::vector<std::string>& campos,
                         int bloco, int tipo, int64_t c500, const TParcelaC500& p) {
  const TxbFamilia& familia = TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD" + codigo);
  auto coluna = [&familia](const std::string& campo) { return familia.Atributo(campo)->coluna; };
  const std::string cst = coluna(campos[0]), item = coluna(campos[1]), base = coluna(campos[3]),
                    aliquota = coluna(campos[4]), valor = coluna(campos[5]);
  TxbResultado r = sessao.Consultar(
      "SELECT A.ID FROM " + familia.tabela +
          " A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA WHERE B.IDF_BLOCOSEFD = :BLOCO AND "
          "A.IDF_REGEFDC500 = :PAI AND A." +
          cst + " = :CST AND A." + aliquota + " = :ALIQUOTA",
      {{"BLOCO", bloco}, {"PAI", c500}, {"CST", p.cst}, {"ALIQUOTA", p.aliquota}});
  if (!r.Vazio()) {
    const int64_t id = r.linhas[0][0].AsInt64();
    sessao.ExecutarDiretoNoBD(
        "UPDATE " + familia.tabela + " SET " + item + " = " + item + " + :ITEM, " + base + " = " +
            base + " + :BASE, " + valor + " = " + valor + " + :VALOR WHERE ID = :ID",
        {{"ITEM", p.valor_item}, {"BASE", p.base}, {"VALOR", p.valor}, {"ID", id}});
    return id;
  }
  if (!insercao) {
    std::vector<std::string> todos = campos;
    todos.push_back("IDF_RegEFDC500");
    insercao = std::make_unique<TxbInsercaoRegistro>(sessao, codigo, todos);
  }
  return insercao->Inserir(
      bloco, tipo, {p.cst, p.valor_item, p.natureza, p.base, p.aliquota, p.valor, p.conta, c500});
}

void Th5RegistroEFDC501::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDC501::DestroyKLV();
}

int64_t Th5RegistroEFDC501::Incluir(int bloco, int tipo, int64_t c500, const TParcelaC500& p) {
  static const std::vector<std::string> kCampos = {"CST_PIS",  "VL_ITEM", "NAT_BC_CRE", "VL_BC_PIS",
                                                   "ALIQ_PIS", "VL_PIS",  "COD_CTA"};
  return SomarParcelaC500(GetSession(), insercao_, "C501", kCampos, bloco, tipo, c500, p);
}

}  // namespace efd
