#include "registers/blockD/consolidacoesd.h"

#include <fmt/format.h>

#include <algorithm>

#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "registers/blockC/uh5registroefdc100.h"
#include "registers/blockD/referenciasd.h"

namespace efd {
namespace {

double Arred(double v) {
  return Arredondar(v, 2);
}

// The revenue of a consolidation is the establishment's own services.
constexpr const char* kReceitaPropria = "0";

}  // namespace

std::vector<std::string> CamposConsolidadosD(const std::string& t, bool com_classe) {
  if (com_classe)
    return {"COD_CLASS",  "VL_ITEM",   "VL_DESC", "CST_" + t,
            "VL_BC_" + t, "ALIQ_" + t, "VL_" + t, "COD_CTA"};
  return {"CST_" + t, "VL_ITEM", "VL_BC_" + t, "ALIQ_" + t, "VL_" + t, "COD_CTA"};
}

void TConsolidacoesD::TContribuicoes::Somar(const TItemDocumentoC100& i, const std::string& classe,
                                            const std::string& conta) {
  auto somar = [&](std::map<TChave, TSoma>& m, const std::string& letra, double base,
                   double aliquota, double valor) {
    const std::string cst = Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(letra);
    // An item without the CST of a contribution adds nothing to it.
    if (cst.empty()) return;
    TSoma& s = m[{classe, cst, Arredondar(aliquota, 4), conta}];
    s.item = Arred(s.item + i.liquido + i.desconto);
    s.desconto = Arred(s.desconto + i.desconto);
    s.base = Arred(s.base + base);
    s.valor = Arred(s.valor + valor);
  };
  somar(pis, i.cst_pis, i.pis_base, i.pis_aliq, i.pis_valor);
  somar(cofins, i.cst_cofins, i.cofins_base, i.cofins_aliq, i.cofins_valor);
}

void TConsolidacoesD::Transporte(const TPrestacaoD& d, const std::vector<TItemDocumentoC100>& itens,
                                 bool cancelado) {
  for (const TItemDocumentoC100& i : itens) {
    TDia& dia = dias_[{d.emissao.DateOf(), d.modelo, d.situacao, d.serie, CfopD(i.cfop)}];
    if (dia.primeiro.empty() || d.numero < dia.primeiro) dia.primeiro = d.numero;
    dia.ultimo = std::max(dia.ultimo, d.numero);
    if (cancelado) continue;
    dia.total = Arred(dia.total + i.liquido_nf);
    dia.desconto = Arred(dia.desconto + i.desconto);
    dia.contribuicoes.Somar(i, "", d.conta);
    Receita(d, i, i.liquido + i.desconto);
  }
}

void TConsolidacoesD::Comunicacao(const TPrestacaoD& d,
                                  const std::vector<TItemClassificado>& itens) {
  TPeriodo& p = periodos_[{d.modelo, d.municipio, d.serie}];
  const TDateTime dia = d.emissao.DateOf();
  if (p.quantidade++ == 0 || dia < p.inicio) p.inicio = dia;
  p.fim = std::max(p.fim, dia);
  p.total = Arred(p.total + d.total);
  p.desconto = Arred(p.desconto + d.desconto);
  p.servicos = Arred(p.servicos + (d.servicos > 0 ? d.servicos : d.total));
  for (const auto& [i, classe] : itens) {
    p.base_icms = Arred(p.base_icms + i->icms_base);
    p.icms = Arred(p.icms + i->icms_valor);
    p.pis = Arred(p.pis + i->pis_valor);
    p.cofins = Arred(p.cofins + i->cofins_valor);
    p.contribuicoes.Somar(*i, classe, d.conta);
    Receita(d, *i, i->liquido);
  }
}

void TConsolidacoesD::Receita(const TPrestacaoD& d, const TItemDocumentoC100& i, double valor) {
  const auto& estabelecimento = refs_.Estabelecimento();
  if (!estabelecimento || !estabelecimento->receita_sem_contribuicao) return;
  const std::string cst_pis = Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(i.cst_pis);
  if (!CSTSemContribuicao(cst_pis)) return;
  if (Trim(i.natureza_receita).empty())
    throw EErro(
        fmt::format("Registro M410, documento {} do modelo {}, item {}: a tributação do item "
                    "(TribItemProd_NatRecPisCofins) não informa a natureza da receita do CST {}",
                    d.numero, d.modelo, i.seq, cst_pis));
  estabelecimento->receita_sem_contribuicao(
      cst_pis, Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(i.cst_cofins),
      Trim(i.natureza_receita), d.conta, Arred(valor));
}

void TConsolidacoesD::GravarContribuicoes(const std::string& pis, const std::string& cofins,
                                          int64_t pai, const TContribuicoes& c, bool com_classe) {
  const std::string pai_campo = "IDF_RegEFD" + std::string(com_classe ? "D600" : "D200");
  for (const auto& [codigo, somas, contribuicao] :
       {std::tuple{pis, &c.pis, "PIS"}, std::tuple{cofins, &c.cofins, "COFINS"}}) {
    if (!refs_.Selecionado(codigo)) continue;
    std::vector<std::string> campos{pai_campo};
    const std::vector<std::string> proprios = CamposConsolidadosD(contribuicao, com_classe);
    campos.insert(campos.end(), proprios.begin(), proprios.end());
    for (const auto& [chave, s] : *somas) {
      const auto& [classe, cst, aliquota, conta] = chave;
      // D201 and D205 have no discount: their item value is net of it.
      const std::vector<TVariant> valores =
          com_classe ? std::vector<TVariant>{pai,    classe,   s.item,  s.desconto, cst,
                                             s.base, aliquota, s.valor, conta}
                     : std::vector<TVariant>{
                           pai, cst, Arred(s.item - s.desconto), s.base, aliquota, s.valor, conta};
      refs_.Inserir(codigo, campos, valores);
    }
  }
}

int TConsolidacoesD::Gravar() {
  int linhas = 0;
  if (refs_.Selecionado("D200"))
    for (const auto& [chave, dia] : dias_) {
      const auto& [data, modelo, situacao, serie, cfop] = chave;
      const int64_t id =
          refs_.Inserir("D200",
                        {"IDF_RegEFDD010", "COD_MOD", "COD_SIT", "SER", "SUB", "NUM_DOC_INI",
                         "NUM_DOC_FIN", "CFOP", "DT_REF", "VL_DOC", "VL_DESC"},
                        {refs_.IdD010(), modelo, TextoParaInteiroDef(situacao, 0), serie, "",
                         dia.primeiro, dia.ultimo, cfop, data, dia.total, dia.desconto});
      ++linhas;
      GravarContribuicoes("D201", "D205", id, dia.contribuicoes, false);
    }
  if (refs_.Selecionado("D600"))
    for (const auto& [chave, p] : periodos_) {
      const auto& [modelo, municipio, serie] = chave;
      const int64_t id = refs_.Inserir(
          "D600",
          {"IDF_RegEFDD010", "COD_MOD", "COD_MUN", "SER", "SUB", "IND_REC", "QTD_CONS",
           "DT_DOC_INI", "DT_DOC_FIN", "VL_DOC", "VL_DESC", "VL_SERV", "VL_SERV_NT", "VL_TERC",
           "VL_DA", "VL_BC_ICMS", "VL_ICMS", "VL_PIS", "VL_COFINS"},
          {refs_.IdD010(), modelo, municipio, serie, "", kReceitaPropria,
           static_cast<int64_t>(p.quantidade), p.inicio.Formatar("DD/MM/YYYY"),
           p.fim.Formatar("DD/MM/YYYY"), p.total, p.desconto, p.servicos, 0.0, 0.0, 0.0,
           p.base_icms, p.icms, p.pis, p.cofins});
      ++linhas;
      GravarContribuicoes("D601", "D605", id, p.contribuicoes, true);
    }
  return linhas;
}

}  // namespace efd
