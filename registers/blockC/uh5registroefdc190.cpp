#include "registers/blockC/uh5registroefdc190.h"

#include <cmath>

#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/blockC/documentosc100.h"

namespace efd {
namespace {

double Somado(double a, double b) {
  return Arredondar(a + b, 2);
}

}  // namespace

void TAnaliticosC190::Somar(const TAnaliticoC190& item) {
  for (TAnaliticoC190& t : totais_) {
    if (t.cst != item.cst || t.cfop != item.cfop || std::fabs(t.aliquota - item.aliquota) > 1e-9)
      continue;
    t.operacao = Somado(t.operacao, item.operacao);
    t.base = Somado(t.base, item.base);
    t.icms = Somado(t.icms, item.icms);
    t.base_st = Somado(t.base_st, item.base_st);
    t.st = Somado(t.st, item.st);
    t.reducao = Somado(t.reducao, item.reducao);
    t.ipi = Somado(t.ipi, item.ipi);
    t.fcp_op = Somado(t.fcp_op, item.fcp_op);
    t.fcp_st = Somado(t.fcp_st, item.fcp_st);
    t.fcp_ret = Somado(t.fcp_ret, item.fcp_ret);
    return;
  }
  totais_.push_back(item);
}

TAnaliticoC190 AnaliticoDoItem(const TItemDocumentoC100& i, const std::string& cfop) {
  TAnaliticoC190 a;
  const std::string origem = Trim(i.origem);
  a.cst = (origem.empty() ? "0" : origem) + Trim(i.tributacao);
  a.cfop = cfop;
  a.aliquota = i.icms_aliq;
  a.operacao = i.liquido;
  a.base = i.icms_base;
  a.icms = i.icms_valor;
  a.base_st = i.st_base;
  a.st = i.st_valor;
  return a;
}

void Th5RegistroEFDC190::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDC190::DestroyKLV();
}

const std::vector<std::string>& Th5RegistroEFDC190::CamposDaLinha() {
  static const std::vector<std::string> kCampos = {
      "CST_ICMS",         "CFOP",           "AliqICMS",       "ValOpera", "BaseCalcICMS", "ValICMS",
      "BaseCalcICMSSubT", "ValICMSSubTrib", "ValRedBaseCalc", "ValIPI",   "CodObs"};
  return kCampos;
}

int64_t Th5RegistroEFDC190::Incluir(int bloco, int tipo, int64_t c100, const TAnaliticoC190& t,
                                    const std::string& cod_obs) {
  if (!insercao_) {
    std::vector<std::string> campos = CamposDaLinha();
    campos.push_back("IDF_RegEFDC100");
    insercao_ = std::make_unique<TxbInsercaoRegistro>(GetSession(), "C190", campos);
  }
  return insercao_->Inserir(bloco, tipo,
                            {t.cst, t.cfop, t.aliquota, t.operacao, t.base, t.icms, t.base_st, t.st,
                             t.reducao, t.ipi, cod_obs, c100});
}

}  // namespace efd
