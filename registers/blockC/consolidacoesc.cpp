#include "registers/blockC/consolidacoesc.h"

#include <algorithm>

#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/blockC/documentosc100.h"

namespace efd {
namespace {

double Arred(double v) {
  return Arredondar(v, 2);
}

bool Saida(const std::string& cst) {
  return (cst >= "01" && cst <= "49") || cst == "99";
}
bool Entrada(const std::string& cst) {
  return cst >= "50" && cst <= "99";
}

// A detail's fields after its parent link; the acquisitions name the
// participant first, and C195 spells its item and discount its own way.
std::vector<std::string> CamposDetalhe(const std::string& t, bool com_participante,
                                       bool valores_com_a = false) {
  std::vector<std::string> c;
  if (com_participante) c.push_back("CNPJ_CPF_PART");
  const std::string prefixo = valores_com_a ? "VAL_" : "VL_";
  for (std::string campo :
       {"CST_" + t, std::string("CFOP"), prefixo + "ITEM", prefixo + "DESC", "VL_BC_" + t,
        "ALIQ_" + t, "QUANT_BC_" + t, "ALIQ_" + t + "_QUANT", "VL_" + t, std::string("COD_CTA")})
    c.push_back(campo);
  return c;
}

// Base, percentage, quantity base and money rate are written only above zero.
std::function<void(std::vector<TVariant>&)> SoAcimaDeZero(bool com_participante) {
  const size_t base = com_participante ? 5 : 4;
  return [base](std::vector<TVariant>& v) {
    for (size_t i = base; i < base + 4; ++i)
      if (v[i].IsNull() || v[i].AsFloat() <= 0) v[i] = TVariant();
  };
}

// The period's first and last days are kept as dates.
void AjustarPeriodo(std::vector<TVariant>& v) {
  for (size_t i : {1, 2}) v[i] = v[i].IsNull() ? std::string() : FormatarData(v[i].AsDateTime());
}

const std::vector<std::string> kCamposProcesso = {"NUM_PROC", "IND_PROC"};

}  // namespace

bool EscrituracaoConsolidada(TxbSession& sessao, int filial, TDateTime inicio) {
  TxbResultado r = sessao.Consultar(
      "SELECT A.ESCRITCONSOLIDADA FROM Z8_PARFILCON A INNER JOIN Z8_PARAMFIL B ON B.ID = A.IDA "
      "WHERE B.IDF_FILIAL = :FILIAL AND B.DATAINICIAL <= :INICIO AND B.SITUACAO = '1' "
      "ORDER BY B.DATAINICIAL DESC",
      {{"FILIAL", filial}, {"INICIO", inicio.DateOf()}});
  return !r.Vazio() && UpperCase(Trim(r.linhas[0][0].AsString())) == "T";
}

TDestinoConsolidacao TConsolidacoesC::Destino(const std::string& operacao,
                                              const std::string& ind_emit,
                                              const std::string& modelo,
                                              const std::vector<std::string>& csts) {
  if (csts.empty()) return TDestinoConsolidacao::Nenhum;
  if (operacao == "1" && ind_emit == "0" && (modelo == "55" || modelo == "65") &&
      std::all_of(csts.begin(), csts.end(), Saida))
    return TDestinoConsolidacao::Venda;
  if (operacao == "0" && modelo == "55" && std::all_of(csts.begin(), csts.end(), Entrada) &&
      std::any_of(csts.begin(), csts.end(), CSTComCredito))
    return TDestinoConsolidacao::Aquisicao;
  return TDestinoConsolidacao::Nenhum;
}

TConsolidacoesC::TConsolidacoesC(TxbSession& sessao, int bloco, int64_t id_c010,
                                 const std::string& registros)
    : sessao_(sessao), bloco_(bloco), id_c010_(id_c010), registros_(registros) {}

TConsolidacoesC::~TConsolidacoesC() = default;

void TConsolidacoesC::Somar(TDestinoConsolidacao destino, const TDocumentoConsolidado& d) {
  const bool venda = destino == TDestinoConsolidacao::Venda;
  auto& consolidacoes = venda ? vendas_ : aquisicoes_;
  const std::string participante = venda ? "" : d.participante;
  for (const TDocumentoConsolidado::TItem& di : d.itens) {
    const TItemC170& i = di.item;
    auto [existente, nova] = consolidacoes.try_emplace({d.modelo, i.cod_item});
    TConsolidacao& c = existente->second;
    if (nova) {
      c.inicio = c.fim = d.data.DateOf();
      c.ncm = di.ncm;
      c.ex_ipi = di.ex_ipi;
    }
    c.inicio = std::min(c.inicio, d.data.DateOf());
    c.fim = std::max(c.fim, d.data.DateOf());
    c.total = Arred(c.total + i.valor);
    // Per unit when the money rate is above zero or the CST says so.
    auto somar = [&](std::map<TChaveDetalhe, TSoma>& m, const std::string& cst, double base,
                     double aliquota, double reais, double valor) {
      const bool por_unidade = reais > 0 || cst == "03";
      TSoma& s = m[{participante, cst, i.cfop, por_unidade ? 0.0 : Arredondar(aliquota, 4),
                    por_unidade ? Arredondar(reais, 4) : 0.0}];
      s.item = Arred(s.item + i.valor);
      s.desconto = Arred(s.desconto + i.desconto);
      if (por_unidade)
        s.quantidade = Arredondar(s.quantidade + base, 3);
      else
        s.base = Arred(s.base + base);
      s.valor = Arred(s.valor + valor);
      s.conta = i.conta;
    };
    somar(c.pis, i.cst_pis, i.bc_pis, i.aliq_pis, i.aliq_pis_reais, i.pis);
    somar(c.cofins, i.cst_cofins, i.bc_cofins, i.aliq_cofins, i.aliq_cofins_reais, i.cofins);
    if (!d.processo.empty())
      c.processos.insert({d.processo, d.ind_processo.empty() ? "9" : d.ind_processo});
    if (d.importacao && CSTComCredito(i.cst_pis)) {
      auto& [pis, cofins] = c.importacoes[{d.ind_importacao, d.declaracao, d.drawback}];
      pis = Arred(pis + i.pis);
      cofins = Arred(cofins + i.cofins);
    }
  }
}

int64_t TConsolidacoesC::Inserir(const std::string& codigo, const std::vector<std::string>& campos,
                                 const std::vector<TVariant>& valores) {
  auto& i = insercoes_[codigo];
  if (!i) i = std::make_unique<TxbInsercaoRegistro>(sessao_, codigo, campos);
  return i->Inserir(bloco_, tipos_(bloco_, codigo), valores);
}

void TConsolidacoesC::GravarDetalhes(const std::string& codigo, const std::string& pai, int64_t id,
                                     const std::map<TChaveDetalhe, TSoma>& somas,
                                     bool com_participante) {
  if (!registros_.Selecionado(codigo)) return;
  const bool cofins = codigo == "C185" || codigo == "C195";
  std::vector<std::string> campos{"IDF_RegEFD" + pai};
  for (const std::string& c :
       CamposDetalhe(cofins ? "COFINS" : "PIS", com_participante, codigo == "C195"))
    campos.push_back(c);
  const TVariant nada;
  auto se = [&nada](double v) { return v > 0 ? TVariant(v) : nada; };
  for (const auto& [chave, s] : somas) {
    const auto& [participante, cst, cfop, aliquota, reais] = chave;
    std::vector<TVariant> v{id};
    if (com_participante) v.push_back(participante);
    for (const TVariant& x :
         {TVariant(cst), TVariant(cfop), TVariant(s.item), TVariant(s.desconto), se(s.base),
          se(aliquota), se(s.quantidade), se(reais), TVariant(s.valor), TVariant(s.conta)})
      v.push_back(x);
    Inserir(codigo, campos, v);
  }
}

void TConsolidacoesC::GravarFamilia(const std::map<TChave, TConsolidacao>& consolidacoes,
                                    bool venda) {
  const std::string codigo = venda ? "C180" : "C190";
  const std::string inicio = venda ? "DT_DOC_INI" : "DT_REF_INI";
  const std::string fim = venda ? "DT_DOC_FIN" : "DT_REF_FIN";
  for (const auto& [chave, c] : consolidacoes) {
    const int64_t id = Inserir(
        codigo,
        {"IDF_RegEFDC010", "COD_MOD", inicio, fim, "COD_ITEM", "COD_NCM", "EX_IPI", "VAL_TOT_ITEM"},
        {id_c010_, chave.first, c.inicio, c.fim, CodigoItemNoArquivo(chave.second), c.ncm, c.ex_ipi,
         c.total});
    GravarDetalhes(venda ? "C181" : "C191", codigo, id, c.pis, !venda);
    GravarDetalhes(venda ? "C185" : "C195", codigo, id, c.cofins, !venda);
    const std::string processo = venda ? "C188" : "C198";
    if (registros_.Selecionado(processo))
      for (const auto& [numero, indicador] : c.processos)
        Inserir(processo, {"IDF_RegEFD" + codigo, "NUM_PROC", "IND_PROC"}, {id, numero, indicador});
    if (!venda && registros_.Selecionado("C199"))
      for (const auto& [declaracao, valores] : c.importacoes) {
        const auto& [tipo, numero, drawback] = declaracao;
        Inserir("C199",
                {"IDF_RegEFDC190", "COD_DOC_IMP", "NUM_DOC_IMP", "VL_PIS_IMP", "VL_COFINS_IMP",
                 "NUM_ACDRAW"},
                {id, tipo, numero, valores.first, valores.second, drawback});
      }
  }
}

int TConsolidacoesC::Gravar() {
  int linhas = 0;
  for (bool venda : {true, false}) {
    if (!registros_.Selecionado(venda ? "C180" : "C190")) continue;
    const auto& consolidacoes = venda ? vendas_ : aquisicoes_;
    GravarFamilia(consolidacoes, venda);
    linhas += static_cast<int>(consolidacoes.size());
  }
  return linhas;
}

TEscritaConsolidacoesC::TEscritaConsolidacoesC()
    : c181_("C181", "IDF_RegEFDC180", CamposDetalhe("PIS", false)),
      c185_("C185", "IDF_RegEFDC180", CamposDetalhe("COFINS", false)),
      c188_("C188", "IDF_RegEFDC180", kCamposProcesso),
      c180_(
          "C180", "IDF_RegEFDC010",
          {"COD_MOD", "DT_DOC_INI", "DT_DOC_FIN", "COD_ITEM", "COD_NCM", "EX_IPI", "VAL_TOT_ITEM"},
          {&c181_, &c185_, &c188_}),
      c191_("C191", "IDF_RegEFDC190", CamposDetalhe("PIS", true)),
      c195_("C195", "IDF_RegEFDC190", CamposDetalhe("COFINS", true, true)),
      c198_("C198", "IDF_RegEFDC190", kCamposProcesso),
      c199_("C199", "IDF_RegEFDC190",
            {"COD_DOC_IMP", "NUM_DOC_IMP", "VL_PIS_IMP", "VL_COFINS_IMP", "NUM_ACDRAW"}),
      c190_(
          "C190", "IDF_RegEFDC010",
          {"COD_MOD", "DT_REF_INI", "DT_REF_FIN", "COD_ITEM", "COD_NCM", "EX_IPI", "VAL_TOT_ITEM"},
          {&c191_, &c195_, &c198_, &c199_}) {
  c181_.ajustar = c185_.ajustar = SoAcimaDeZero(false);
  c191_.ajustar = c195_.ajustar = SoAcimaDeZero(true);
  c180_.ajustar = c190_.ajustar = AjustarPeriodo;
}

void TEscritaConsolidacoesC::Escrever(TxbSession& sessao, TxbLinhasEFD& linhas, int bloco,
                                      int64_t id_c010) {
  for (TxbRegistroFilho* familia : {&c180_, &c190_})
    familia->EscreverPorPaginas(sessao, linhas, bloco, id_c010, [] {});
}

}  // namespace efd
