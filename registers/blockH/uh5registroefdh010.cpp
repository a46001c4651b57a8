#include "registers/blockH/uh5registroefdh010.h"

#include "framework/xbsession.h"

namespace efd {

int Th5RegistroEFDH010::Incluir(int bloco, int tipo, int id_h005, const std::string& cod_item,
                                const std::string& unidade, double quantidade,
                                double valor_unitario, double valor_total,
                                const std::string& ind_prop, const std::string& cod_part,
                                const std::string& texto, const std::string& conta) {
  const auto chave = std::make_tuple(id_h005, Trim(cod_item), ind_prop, Trim(cod_part));
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
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsPRC01");
  IncluirLinha(tipo, bloco, "H010");
  Campo("RegEFDH010_IDF_RegEFDH005").SetAsInteger(id_h005);
  Campo("RegEFDH010_CodItem").SetAsString(cod_item);
  Campo("RegEFDH010_Unidade").SetAsString(unidade);
  Campo("RegEFDH010_IndProp").SetAsString(ind_prop);
  Campo("RegEFDH010_CodPart").SetAsString(cod_part);
  Campo("RegEFDH010_TextoCopl").SetAsString(texto);
  Campo("RegEFDH010_CodCtaAna").SetAsString(conta);
  Campo("RegEFDH010_ValUnit").SetAsFloat(valor_unitario);
  Campo("RegEFDH010_Qtde").SetAsFloat(quantidade);
  Campo("RegEFDH010_ValTotItem").SetAsFloat(valor_total);
  ConfirmarRegistro();
  const int id = Campo("RegEFDH010_ID").AsInteger();
  linhas_[chave] = id;
  return id;
}

}  // namespace efd
