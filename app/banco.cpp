#include "app/banco.h"

#include "control/modulo.h"
#include "erp/erp.h"
#include "framework/xbmetadados.h"

namespace efd::app {

std::unique_ptr<TxsSessionZ8> AbrirBanco(const std::string& url) {
  erp::Registrar();
  RegistrarModulo();
  auto sessao = std::make_unique<TxsSessionZ8>(TpbBD::Conectar(url));
  CriarEsquema(sessao->GetBD());
  return sessao;
}

}  // namespace efd::app
