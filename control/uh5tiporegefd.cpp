#include "control/uh5tiporegefd.h"

namespace efd {

void Th5TipoRegEFD::CreateKLV() {
  Th0TipoRegEFD::CreateKLV();
  SetIgnorarFiltrosPorSessao(true);
}

void Th5TipoRegEFD::Preencher(int bloco, const std::string& nome, const std::string& familia,
                              int nivel, const std::string& interface,
                              const std::string& descricao) {
  Campo("TpRegEFD_IDF_TipoBlocoEFD").SetAsInteger(bloco);
  Campo("TpRegEFD_Nome").SetAsString(nome);
  Campo("TpRegEFD_Familia").SetAsString(familia);
  Campo("TpRegEFD_Nivel").SetAsInteger(nivel);
  Campo("TpRegEFD_Interface").SetAsString(interface);
  Campo("TpRegEFD_Descricao").SetAsString(descricao);
}

int Th5TipoRegEFD::INTERNO_Incluir(int bloco, const std::string& nome, const std::string& familia,
                                   int nivel, bool, const std::string& interface,
                                   const std::string& descricao) {
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsEDC01");
  IncluirRegistro();
  Preencher(bloco, nome, familia, nivel, interface, descricao);
  ConfirmarRegistro();
  return Campo("TpRegEFD_ID").AsInteger();
}

bool Th5TipoRegEFD::INTERNO_Atualizar(int bloco, const std::string& nome,
                                      const std::string& familia, int nivel,
                                      const std::string& interface, const std::string& descricao) {
  EditarRegistro();
  Preencher(bloco, nome, familia, nivel, interface, descricao);
  ConfirmarRegistro();
  return true;
}

bool Th5TipoRegEFD::INTERNO_Selecionar(int bloco, const std::string& nome, const std::string&) {
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (!cds.Active()) GetDados().AtivarDataSet("VsEDC01");
  return cds.Locate("TpRegEFD_IDF_TipoBlocoEFD;TpRegEFD_Nome", {TVariant(bloco), TVariant(nome)});
}

void Th5TipoRegEFD::INTERNO_ChecarRegLivroElet(const std::string& nome) {
  if (!Selecionar(0, nome, "VsEDC01")) return;
  EditarRegistro();
  Campo("TpRegEFD_Gerar").SetAsBoolean(true);
  ConfirmarRegistro();
}

void Th5TipoRegEFD::INTERNO_ZerarChecagem() {
  ThbClientDataSet& cds = GetDados().GetCDS();
  GetDados().AtivarDataSet("VsEDC01");
  for (cds.First(); !cds.Eof(); cds.Next()) {
    EditarRegistro();
    Campo("TpRegEFD_Gerar").SetAsBoolean(false);
    ConfirmarRegistro();
  }
  Confirmar();
}

TVariant Th5TipoRegEFD::ExecutarMetodo(const std::string& metodo, TArrayVariant& parametros,
                                       void* thread) {
  if (metodo == "Publicar") {
    Th0TipoRegEFD::ExecutarMetodo(metodo, parametros, thread);
    Publicar();
    return TVariant();
  }
  return Th0TipoRegEFD::ExecutarMetodo(metodo, parametros, thread);
}

}  // namespace efd
