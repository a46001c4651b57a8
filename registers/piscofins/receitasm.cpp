#include "registers/piscofins/receitasm.h"

#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {

int64_t TxbReceitasSemContribuicao::NovaLinha(TxbSession& sessao, int bloco, int tipo,
                                              const std::string& codigo) {
  const int64_t id = sessao.GetBD().NovoID();
  sessao.ExecutarDiretoNoBD(
      "INSERT INTO Z8_REGEFD (ID, FD, IDF_BLOCOSEFD, IDF_TIPOREGEFD, REGISTRO)           "
      "VALUES (:ID, :FD, :IDF_BLOCOSEFD, :IDF_TIPOREGEFD, :REGISTRO) ",
      {{"ID", id},
       {"FD", "RegistroEFD" + codigo},
       {"IDF_BLOCOSEFD", bloco},
       {"IDF_TIPOREGEFD", tipo},
       {"REGISTRO", codigo}});
  return id;
}

void TxbReceitasSemContribuicao::Somar(std::unique_ptr<TxbComando>& comando, TxbSession& sessao,
                                       const std::string& sql, double valor, int64_t id) {
  if (!comando) comando = sessao.GetBD().Preparar(sql, {TTipoCampo::Real, TTipoCampo::Inteiro});
  comando->Definir(0, valor);
  comando->Definir(1, id);
  comando->Executar();
}

int TxbReceitasSemContribuicao::Incluir(TxbSession& sessao, const std::string& parametros,
                                        const std::string& cst, const std::string& natureza,
                                        const std::string& conta, double valor) {
  if (valor == 0) return 0;
  const std::string pai = cofins_ ? "M800" : "M400";
  const std::string filho = cofins_ ? "M810" : "M410";
  const int bloco = RetornarValorLista(parametros, kBlocoM);
  const int tipo_pai = RetornarValorLista(parametros, "RegistroEFD" + pai);
  const int tipo_filho = RetornarValorLista(parametros, "RegistroEFD" + filho);
  if (bloco <= 0 || tipo_pai <= 0 || tipo_filho <= 0) return 0;

  auto p = pais_.find({cst, conta});
  if (p == pais_.end()) {
    const int64_t id = NovaLinha(sessao, bloco, tipo_pai, pai);
    sessao.ExecutarDiretoNoBD(
        cofins_ ? "INSERT INTO Z8_REGEFDM800 (ID, IDA, CST_COFINS, COD_CTA, VL_TOT_REC)           "
                  "VALUES (:ID, :IDA, :CST, :COD_CTA, :VL_REC) "
                : "INSERT INTO Z8_REGEFDM400 (ID, IDA, CST_PIS, COD_CTA, VL_REC)               "
                  "VALUES (:ID, :IDA, :CST, :COD_CTA, :VL_REC) ",
        {{"ID", id}, {"IDA", id}, {"CST", cst}, {"COD_CTA", conta}, {"VL_REC", valor}});
    p = pais_.emplace(std::make_pair(cst, conta), id).first;
  } else {
    Somar(somar_pai_, sessao,
          cofins_ ? "UPDATE Z8_REGEFDM800 SET VL_TOT_REC = VL_TOT_REC + :VL_REC WHERE ID = :ID"
                  : "UPDATE Z8_REGEFDM400 SET VL_REC = VL_REC + :VL_REC WHERE ID = :ID",
          valor, p->second);
  }

  const auto chave = std::make_tuple(p->second, natureza, conta);
  auto f = filhos_.find(chave);
  if (f == filhos_.end()) {
    const int64_t id = NovaLinha(sessao, bloco, tipo_filho, filho);
    sessao.ExecutarDiretoNoBD("INSERT INTO Z8_REGEFD" + filho + " (ID, IDA, IDF_REGEFD" + pai +
                                  ", NAT_REC, COD_CTA, VL_REC) VALUES (:ID, :IDA, :PAI, "
                                  ":NAT_REC, :COD_CTA, :VL_REC)",
                              {{"ID", id},
                               {"IDA", id},
                               {"PAI", p->second},
                               {"NAT_REC", natureza},
                               {"COD_CTA", conta},
                               {"VL_REC", valor}});
    f = filhos_.emplace(chave, id).first;
  } else {
    Somar(somar_filho_, sessao,
          "UPDATE Z8_REGEFD" + filho + " SET VL_REC = VL_REC + :VL_REC WHERE ID = :ID", valor,
          f->second);
  }
  return static_cast<int>(f->second);
}

}  // namespace efd
