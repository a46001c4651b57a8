#include "registers/blockH/uh5registroefdh010.h"

#include "control/linhasregistros.h"
#include "framework/xbsession.h"

namespace efd {

Th5RegistroEFDH010::Th5RegistroEFDH010() = default;
Th5RegistroEFDH010::~Th5RegistroEFDH010() = default;

int Th5RegistroEFDH010::Incluir(int bloco, int tipo, int id_h005, const std::string& cod_item,
                                const std::string& unidade, double quantidade,
                                double valor_unitario, double valor_total,
                                const std::string& ind_prop, const std::string& cod_part,
                                const std::string& texto, const std::string& conta) {
  auto item = std::make_pair(id_h005, Trim(cod_item));
  if (item != item_) {
    item_ = std::move(item);
    linhas_.clear();
  }
  const auto chave = std::make_pair(ind_prop, Trim(cod_part));
  const auto achado = linhas_.find(chave);
  const bool consolidada = GetSession().Valor("DRCCONSOLIDADA") == "T";
  if (achado != linhas_.end() && !consolidada) {
    if (ind_prop == "0") return achado->second;
    GetSession().ExecutarDiretoNoBD(
        "UPDATE Z8_REGEFDH010 SET QTDE = QTDE + :QTDE, VALTOTITEM = VALTOTITEM + :VALOR "
        "WHERE ID = :ID",
        {{"QTDE", quantidade}, {"VALOR", valor_total}, {"ID", achado->second}});
    return achado->second;
  }
  if (!insercao_)
    insercao_ = std::make_unique<TxbInsercaoRegistro>(
        GetSession(), "H010",
        std::vector<std::string>{"IDF_RegEFDH005", "CodItem", "Unidade", "Qtde", "ValUnit",
                                 "ValTotItem", "IndProp", "CodPart", "TextoCopl", "CodCtaAna"});
  const int id =
      static_cast<int>(insercao_->Inserir(bloco, tipo,
                                          {id_h005, cod_item, unidade, quantidade, valor_unitario,
                                           valor_total, ind_prop, cod_part, texto, conta}));
  linhas_[chave] = id;
  return id;
}

}  // namespace efd
