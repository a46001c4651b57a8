#include "control/uh5tipoblocoefd.h"

namespace efd {

void Th5TipoBlocoEFD::CreateKLV() {
  Th0TipoBlocoEFD::CreateKLV();
  SetIgnorarFiltrosPorSessao(true);
}

void Th5TipoBlocoEFD::AfterIncluirRegistroCDS() {
  Th0TipoBlocoEFD::AfterIncluirRegistroCDS();
  Campo("TpBlocoEFD_Gerar").SetAsBoolean(false);
  Campo("TpBlocoEFD_QtdeBlocos").SetAsString("N");
}

bool Th5TipoBlocoEFD::INTERNO_Selecionar(int modelo, const std::string& nome,
                                         const std::string& visao) {
  T2bDados& dados = GetDados();
  dados.SetVisao(visao.empty() ? "VsEDC01" : visao);
  if (modelo == 0 || nome.empty()) {
    dados.Isolar(0);
    return false;
  }
  dados.GetFiltros()
      .Adicionar("FltTipoReg")
      .IncluirConstante("TpBlocoEFD_ModeloEFD", TOperador::Igual, modelo)
      .IncluirConstante("TpBlocoEFD_Nome", TOperador::Igual, nome);
  dados.AtivarDataSet();
  dados.GetFiltros().Remover("FltTipoReg");
  return !dados.GetCDS().IsEmpty();
}

int Th5TipoBlocoEFD::INTERNO_Incluir(int modelo, const std::string& nome,
                                     const std::string& descricao, int ordem) {
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsEDC01");
  IncluirRegistro();
  Campo("TpBlocoEFD_ModeloEFD").SetAsInteger(modelo);
  Campo("TpBlocoEFD_Nome").SetAsString(nome);
  Campo("TpBlocoEFD_Descricao").SetAsString(descricao);
  Campo("TpBlocoEFD_Ordem").SetAsInteger(ordem);
  ConfirmarRegistro();
  return Campo("TpBlocoEFD_ID").AsInteger();
}

}  // namespace efd
