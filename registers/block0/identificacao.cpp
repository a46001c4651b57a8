#include "registers/block0/identificacao.h"

#include "framework/xbsession.h"

namespace efd {

std::string TelefoneDoTipo(TxbSession& sessao, int identidade, const std::string& tipo) {
  TxbResultado r = sessao.Consultar(
      "SELECT NUMERO FROM KLVG_FONE WHERE IDF_IDENT = :IDENT AND TIPO = :TIPO ORDER BY ID",
      {{"IDENT", identidade}, {"TIPO", tipo}});
  return r.Vazio() ? std::string() : r.linhas[0][0].AsString();
}

std::string EmailDaIdentidade(TxbSession& sessao, int identidade) {
  TxbResultado r =
      sessao.Consultar("SELECT ENDERECO FROM KLVG_ENDVIRT WHERE IDF_IDENT = :IDENT ORDER BY ID",
                       {{"IDENT", identidade}});
  return r.Vazio() ? std::string() : r.linhas[0][0].AsString();
}

}  // namespace efd
