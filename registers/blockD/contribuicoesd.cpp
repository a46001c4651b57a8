#include "registers/blockD/contribuicoesd.h"

#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "registers/blockC/uh5registroefdc100.h"
#include "registers/blockD/referenciasd.h"
#include "registers/blockD/uh5registroefdd101.h"
#include "registers/blockD/uh5registroefdd105.h"
#include "registers/blockD/uh5registroefdd501.h"
#include "registers/blockD/uh5registroefdd505.h"

namespace efd {
namespace {

double Arred(double v) {
  return Arredondar(v, 2);
}

// The nature of the freight of a service taken: a purchase that gives
// credit ("2") or one that does not ("3").
std::string NaturezaFrete(const std::string& cst) {
  return NaturezaCreditoServico(cst).empty() ? "3" : "2";
}

template <typename T>
std::shared_ptr<T> Criar(TxbSession& sessao, TReferenciasD& refs, const std::string& codigo) {
  return refs.Selecionado(codigo) ? Aplicacao().CriarComo<T>("RegistroEFD" + codigo, sessao)
                                  : nullptr;
}

}  // namespace

std::string NaturezaCreditoServico(const std::string& cst) {
  return CSTComCredito(cst) ? "03" : "";
}

TContribuicoesD::TContribuicoesD(TxbSession& sessao, TReferenciasD& refs,
                                 const std::string& documento)
    : refs_(refs) {
  if (documento == "D100") {
    d101_ = Criar<Th5RegistroEFDD101>(sessao, refs, "D101");
    d105_ = Criar<Th5RegistroEFDD105>(sessao, refs, "D105");
  } else {
    d501_ = Criar<Th5RegistroEFDD501>(sessao, refs, "D501");
    d505_ = Criar<Th5RegistroEFDD505>(sessao, refs, "D505");
  }
}

TContribuicoesD::~TContribuicoesD() {
  for (std::shared_ptr<ThbObjetoNegocio> o :
       std::initializer_list<std::shared_ptr<ThbObjetoNegocio>>{d101_, d105_, d501_, d505_})
    if (o) Aplicacao().Destruir(o);
}

void TContribuicoesD::Incluir(int64_t documento, const TItemDocumentoC100& i,
                              const std::string& conta) {
  const int bloco = refs_.Bloco(), efd = refs_.Cabecalho().id;
  const std::string pis = Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(i.cst_pis);
  const std::string cofins = Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(i.cst_cofins);
  const double valor = Arred(i.liquido);
  if (!pis.empty()) {
    if (d101_)
      d101_->Incluir(bloco, refs_.Tipo("D101"), documento, efd, NaturezaFrete(pis), valor, pis,
                     NaturezaCreditoServico(pis), Arred(i.pis_base), i.pis_aliq, Arred(i.pis_valor),
                     conta);
    if (d501_)
      d501_->Incluir(bloco, refs_.Tipo("D501"), documento, efd, NaturezaCreditoServico(pis), valor,
                     pis, Arred(i.pis_base), i.pis_aliq, Arred(i.pis_valor), conta);
  }
  if (!cofins.empty()) {
    if (d105_)
      d105_->Incluir(bloco, refs_.Tipo("D105"), documento, efd, NaturezaFrete(cofins), valor,
                     cofins, Arred(i.cofins_base), i.cofins_aliq, Arred(i.cofins_valor),
                     NaturezaCreditoServico(cofins), conta);
    if (d505_)
      d505_->Incluir(bloco, refs_.Tipo("D505"), documento, efd, NaturezaCreditoServico(cofins),
                     valor, cofins, Arred(i.cofins_base), i.cofins_aliq, Arred(i.cofins_valor),
                     conta);
  }
}

}  // namespace efd
