#include "registers/blockC/uh5registroefdc176.h"

#include <algorithm>

#include "control/linhaefd.h"
#include "control/linhasregistros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

const std::vector<std::string> kCampos = {
    "CodModUltEn",       "NroDocUltEn",    "SerieUltEn",      "DataUltEn",     "CodPartUltEn",
    "QtdeUltEnt",        "ValUnitUltEn",   "BaseCalcSubTrib", "ChvDocUltEnt",  "NumItemDoc",
    "ValUniBC",          "AliqIcmsUltEnt", "ValBCUltEnt",     "ValICMSUltEnt", "AliqIcmsStUltEnt",
    "ValRessarc",        "CodRespRet",     "CodMotRessarc",   "ChvDocRet",     "CodParNfeRet",
    "SerDocRet",         "NumDocRet",      "NumItemRet",      "CodModDocArr",  "NumDocArrec",
    "VL_UNIT_RES_FCP_ST"};
// The last entry alone (the layouts before 2016).
constexpr size_t kCamposDaEntrada = 8;

}  // namespace

void Th5RegistroEFDC176::DestroyKLV() {
  insercao_.reset();
  Th0RegistroEFDC176::DestroyKLV();
}

TRessarcimentoC176 Th5RegistroEFDC176::Ressarcimento(const TUltimaEntradaC176& e) {
  TRessarcimentoC176 r;
  // Without a quantity nothing is per unit.
  const double q = e.quantidade > 0 ? e.quantidade : 1;
  const double base_st = e.st_base + e.st_base_obs;
  const double icms = e.icms_valor + e.icms_valor_obs;
  r.modelo = e.modelo;
  r.numero = NumeroSemZeros(e.numero);
  r.serie = Trim(e.serie);
  r.data = FormatarData(e.data);
  r.quantidade = Arredondar(e.quantidade, 3);
  r.unitario = Arredondar(e.unitario, 3);
  r.unit_bc_st = Arredondar(base_st / q, 3);
  r.chave = Digitos(e.chave);
  r.item = e.item > 0 ? std::to_string(e.item) : "";
  r.unit_bc_icms = Arredondar((e.icms_base + e.icms_base_obs) / q, 2);
  r.aliq_icms = e.icms_aliq > 0       ? e.icms_aliq
                : e.icms_base_obs > 0 ? Arredondar(e.icms_valor_obs / e.icms_base_obs * 100, 2)
                                      : 0;
  r.unit_limite_bc = std::min(r.unit_bc_st, r.unit_bc_icms);
  r.unit_icms = Arredondar(icms / q, 3);
  r.aliq_st = e.st_aliq;
  r.unit_ressarcimento = Arredondar((base_st * e.st_aliq / 100 - icms) / q, 3);
  r.motivo = "1";
  r.unit_fcp_st = Arredondar(e.fcp_st / q, 3);
  if (!e.modelo_arrecadacao.empty()) {
    r.resp_ret = "3";
    r.modelo_arrecadacao = e.modelo_arrecadacao;
    r.numero_arrecadacao = Trim(e.numero_arrecadacao);
    return r;
  }
  r.resp_ret = e.item_ret > 0 ? "2" : "1";
  if (e.substituto > 0) {
    r.chave_ret = Digitos(e.chave_ret);
    r.serie_ret = Trim(e.serie_ret);
    r.numero_ret = Trim(e.numero_ret).empty() ? "" : NumeroSemZeros(e.numero_ret);
    r.item_ret = e.item_ret > 0 ? std::to_string(e.item_ret) : "";
  }
  return r;
}

int64_t Th5RegistroEFDC176::INTERNO_Incluir(int bloco, int tipo, int64_t c170,
                                            const TRessarcimentoC176& r) {
  if (!insercao_) {
    std::vector<std::string> campos = kCampos;
    campos.push_back("IDF_RegEFDC170");
    insercao_ = std::make_unique<TxbInsercaoRegistro>(GetSession(), "C176", std::move(campos));
  }
  return insercao_->Inserir(bloco, tipo,
                            {r.modelo,
                             r.numero,
                             r.serie,
                             r.data,
                             r.participante,
                             r.quantidade,
                             r.unitario,
                             r.unit_bc_st,
                             r.chave,
                             r.item,
                             r.unit_bc_icms,
                             r.aliq_icms,
                             r.unit_limite_bc,
                             r.unit_icms,
                             r.aliq_st,
                             r.unit_ressarcimento,
                             r.resp_ret,
                             r.motivo,
                             r.chave_ret,
                             r.participante_ret,
                             r.serie_ret,
                             r.numero_ret,
                             r.item_ret,
                             r.modelo_arrecadacao,
                             r.numero_arrecadacao,
                             r.unit_fcp_st,
                             c170});
}

std::vector<std::string> Th5RegistroEFDC176::CamposDaLinha(TDateTime inicio) {
  const int ano = inicio.Ano();
  const size_t quantos = ano < 2016   ? kCamposDaEntrada
                         : ano < 2019 ? kCampos.size() - 1
                                      : kCampos.size();
  return {kCampos.begin(), kCampos.begin() + static_cast<ptrdiff_t>(quantos)};
}

}  // namespace efd
