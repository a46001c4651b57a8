#include "registers/piscofins/receitaspresumidas.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/blockC/uh5registroefdc100.h"

namespace efd {
namespace {

// The documents of the period with the amount each brings to the month: by
// cash what was received of it, by competence its total; the account only
// the receipts state.
constexpr const char* kColunasDocumento = "A.ID, A.NRODOCTO, A.VALTOTALNF, E.CODMODELO, P.CPFCNPJ ";
constexpr const char* kJuncoesDocumento =
    "INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = A.IDF_TPDOCTO "
    "INNER JOIN Z8_TPDOCTOGER D ON D.IDA = C.ID "
    "INNER JOIN Z8_MODELODOCT E ON E.ID = COALESCE(A.IDF_MODELODOCTO, D.IDF_MODELODOCT) "
    "LEFT JOIN KLVG_IDENT P ON P.ID = A.IDF_IDENT ";
const std::string kRecebimentos =
    std::string("SELECT R.VALOR, R.IDF_CTACTB, ") + kColunasDocumento +
    "FROM Z8_RECEBDOCTO R INNER JOIN Z8_DOCTO A ON A.ID = R.IDF_DOCTO " + kJuncoesDocumento +
    "WHERE R.IDF_FILIAL = :FILIAL AND R.DATA >= :INICIO AND R.DATA <= :FIM ORDER BY R.DATA, R.ID";
const std::string kEmitidos =
    std::string("SELECT A.VALTOTALNF, CAST(NULL AS INTEGER), ") + kColunasDocumento +
    "FROM Z8_DOCTO A " + kJuncoesDocumento +
    "WHERE A.IDF_FILIAL = :FILIAL AND A.DATAEMI >= :INICIO AND A.DATAEMI <= :FIM "
    "AND A.SITUACAO = '1' ORDER BY A.DATAEMI, A.ID";

// The items of a window of documents with their classification, the
// document first.
constexpr const char* kItens =
    "SELECT CF.CODIGO, I.VALLIQUIDONF, I.QDADE, T.CLATRIBPIS, T.PISALIQ, T.VALFIXOPIS, "
    "T.CLATRIBCOFINS, T.COFINSALIQ, T.VALFIXOCOFINS, T.NATRECPISCOFINS, P.IDF_DOCTO "
    "FROM Z8_PARTEDOCTO P {}INNER JOIN Z8_DOCTOITEM I ON I.IDA = P.ID "
    "LEFT JOIN Z8_CODFISOPE CF ON CF.ID = I.IDF_CFOP "
    "LEFT JOIN Z8_TRIBITEM TB ON TB.IDF_DOCTOITEM = I.ID "
    "LEFT JOIN Z8_TRIITEMPRO T ON T.IDA = TB.ID "
    "ORDER BY P.IDF_DOCTO, I.SEQITEM, I.ID";
constexpr size_t kColunaDocumentoItem = 10;

std::string S(const TVariant& v) {
  return Trim(v.AsString());
}
double D(const TVariant& v) {
  return v.AsFloat();
}
double Arred(double v) {
  return Arredondar(v, 2);
}

// What a contribution's CST does to a revenue's base: taxed on its value
// (01, 02), taxed per unit (03), or not taxed (the others).
bool TributadaPorValor(const std::string& cst) {
  return cst == "01" || cst == "02";
}
bool TributadaPorUnidade(const std::string& cst) {
  return cst == "03";
}

// One contribution of an item: CST and rate (percent, or reais per unit).
struct TTributo {
  std::string cst;
  double aliquota = 0, aliquota_reais = 0;
};

TTributo Tributo(const TVariant& letra, const TVariant& aliquota, const TVariant& fixo) {
  TTributo t{Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(S(letra))};
  if (TributadaPorUnidade(t.cst))
    t.aliquota_reais = Arredondar(D(fixo), 4);
  else if (TributadaPorValor(t.cst))
    t.aliquota = Arredondar(D(aliquota), 4);
  return t;
}

// The key of a consolidation line: per unit or by value, each
// contribution's CST and rate, model, CFOP and account.
using TChave = std::tuple<bool, std::string, double, double, std::string, double, double,
                          std::string, std::string, std::string>;

struct TSoma {
  double receita = 0, base_pis = 0, base_cofins = 0;
};

class TReceitasPresumidas {
 public:
  TReceitasPresumidas(const TEstabelecimento& e, int bloco, int64_t id_f010, bool caixa)
      : e_(e),
        sessao_(e.sessao),
        bloco_(bloco),
        id_f010_(id_f010),
        caixa_(caixa),
        r0500_(Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", sessao_)),
        liberar_0500_(r0500_) {}

  void Executar() {
    TxbResultado documentos = sessao_.Consultar(caixa_ ? kRecebimentos : kEmitidos,
                                                PeriodoDaFilial(e_.cabecalho, e_.filial));
    const size_t janela = LinhasPorJanela();
    for (size_t inicio = 0; inicio < documentos.linhas.size(); inicio += janela) {
      const auto primeiro = documentos.linhas.begin() + static_cast<std::ptrdiff_t>(inicio);
      const auto fim = documentos.linhas.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                       inicio + janela, documentos.linhas.size()));
      const auto itens = Itens(primeiro, fim);
      static const TLinhas kSemItens;
      for (auto l = primeiro; l != fim; ++l) {
        auto i = itens.find((*l)[2].AsInt64());
        Documento(*l, i == itens.end() ? kSemItens : i->second);
      }
    }
    Gravar();
  }

 private:
  using TLinhas = std::vector<std::vector<TVariant>>;

  // The items of the documents of a window, by document, in one statement.
  std::map<int64_t, TLinhas> Itens(TLinhas::const_iterator primeiro, TLinhas::const_iterator fim) {
    std::vector<int64_t> ids;
    for (auto l = primeiro; l != fim; ++l) ids.push_back((*l)[2].AsInt64());
    std::map<int64_t, TLinhas> itens;
    for (auto& i :
         sessao_.Consultar(fmt::format(kItens, sessao_.JuncaoIds("P.IDF_DOCTO", ids))).linhas)
      itens[i[kColunaDocumentoItem].AsInt64()].push_back(std::move(i));
    return itens;
  }

  // A document's share of the month over its output items; by cash each
  // receipt detailed per CST (F525).
  void Documento(const std::vector<TVariant>& l, const TLinhas& itens) {
    const double valor = D(l[0]), total = D(l[4]);
    if (valor == 0 || total == 0) return;
    const std::string conta = Conta(l[1]), modelo = S(l[5]);
    const double fracao = valor / total;
    std::map<std::pair<std::string, std::string>, double> por_cst;
    for (const auto& i : itens) {
      const std::string cfop = SubstituirTodos(S(i[0]), ".", "");
      if (cfop.empty() || cfop[0] < '5') continue;  // an entry's item brings no revenue
      const double receita = Arred(D(i[1]) * fracao);
      const double quantidade = Arredondar(D(i[2]) * fracao, 3);
      const TTributo pis = Tributo(i[3], i[4], i[5]), cofins = Tributo(i[6], i[7], i[8]);
      const bool por_unidade = TributadaPorUnidade(pis.cst);
      TSoma& s = somas_[{por_unidade, pis.cst, pis.aliquota, pis.aliquota_reais, cofins.cst,
                         cofins.aliquota, cofins.aliquota_reais, modelo, cfop, conta}];
      s.receita = Arred(s.receita + receita);
      s.base_pis += Base(pis, receita, quantidade);
      s.base_cofins += Base(cofins, receita, quantidade);
      por_cst[{pis.cst, cofins.cst}] += receita;
      if (!TributadaPorValor(pis.cst) && !por_unidade && e_.receita_sem_contribuicao)
        e_.receita_sem_contribuicao(pis.cst, cofins.cst, S(i[9]), conta, receita);
    }
    if (!caixa_ || !Escolhido(e_.nomes, "F525")) return;
    // The payer as the document names it: CNPJ or CPF, digits only.
    const std::string pagador = S(l[6]);
    for (const auto& [cst, recebido] : por_cst)
      f525_.Inserir(bloco_, tipo_f525_,
                    {id_f010_, Arred(valor), "04", pagador, S(l[3]), "", Arred(recebido), cst.first,
                     cst.second, "", conta});
  }

  static double Base(const TTributo& t, double receita, double quantidade) {
    return TributadaPorUnidade(t.cst) ? quantidade : TributadaPorValor(t.cst) ? receita : 0.0;
  }

  void Gravar() {
    const char* valor = caixa_ ? "F500" : "F550";
    const char* unidade = caixa_ ? "F510" : "F560";
    const char* receita = caixa_ ? "VL_REC_CAIXA" : "VL_REC_COMP";
    TxbInsercaoRegistro por_valor(sessao_, valor, Campos(receita, false));
    TxbInsercaoRegistro por_unidade(sessao_, unidade, Campos(receita, true));
    const int tipo_valor = IdTipoRegistro(sessao_, bloco_, valor);
    const int tipo_unidade = IdTipoRegistro(sessao_, bloco_, unidade);
    for (const auto& [k, s] : somas_) {
      const auto& [quantidade, cst_pis, aliq_pis, reais_pis, cst_cofins, aliq_cofins, reais_cofins,
                   modelo, cfop, conta] = k;
      const char* codigo = quantidade ? unidade : valor;
      if (!Escolhido(e_.nomes, codigo)) continue;
      auto contribuicao = [&](double base, double aliquota, double reais) {
        return Arred(quantidade ? base * reais : base * aliquota / 100);
      };
      const double base_pis = Arredondar(s.base_pis, quantidade ? 3 : 2);
      const double base_cofins = Arredondar(s.base_cofins, quantidade ? 3 : 2);
      (quantidade ? por_unidade : por_valor)
          .Inserir(bloco_, quantidade ? tipo_unidade : tipo_valor,
                   {id_f010_, s.receita, cst_pis, 0.0, base_pis, quantidade ? reais_pis : aliq_pis,
                    contribuicao(base_pis, aliq_pis, reais_pis), cst_cofins, 0.0, base_cofins,
                    quantidade ? reais_cofins : aliq_cofins,
                    contribuicao(base_cofins, aliq_cofins, reais_cofins), modelo, cfop, conta, ""});
    }
  }

  static std::vector<std::string> Campos(const char* receita, bool quantidade) {
    std::vector<std::string> c{"IDF_RegEFDF010"};
    for (const std::string& campo : CamposConsolidacao(receita, quantidade)) c.push_back(campo);
    return c;
  }

  // The account of a receipt, declared in 0500 once.
  std::string Conta(const TVariant& conta) {
    if (conta.IsNull() || !Escolhido(e_.nomes, "0500")) return "";
    auto [codigo, nova] = contas_.try_emplace(conta.AsInt64());
    if (!nova) return codigo->second;
    const int bloco0 = IdBloco0(sessao_, e_.cabecalho.id);
    std::string natureza;
    r0500_->INTERNO_Incluir(e_.cabecalho.id, bloco0, IdTipoRegistro(sessao_, bloco0, "0500"), "",
                            "", "", static_cast<int>(conta.AsInt64()), natureza, "A", "", false);
    return codigo->second = Trim(r0500_->Campo("RegEFD0500_CodConta").AsString());
  }

  const TEstabelecimento& e_;
  TxbSession& sessao_;
  int bloco_;
  int64_t id_f010_;
  bool caixa_;
  std::shared_ptr<Th5RegistroEFD0500> r0500_;
  TxbObjetoTemporario liberar_0500_;
  std::map<TChave, TSoma> somas_;
  std::map<int64_t, std::string> contas_;  // ERP account -> its code in 0500
  const int tipo_f525_ = IdTipoRegistro(sessao_, bloco_, "F525");
  TxbInsercaoRegistro f525_{
      sessao_,
      "F525",
      {"IDF_RegEFDF010", "VL_REC", "IND_REC", "CNPJ_CPF", "NUM_DOC", "COD_ITEM", "VL_REC_DET",
       "CST_PIS", "CST_COFINS", "INFO_COMPL", "COD_CTA"}};
};

}  // namespace

std::vector<std::string> CamposConsolidacao(const char* receita, bool quantidade) {
  std::vector<std::string> c{receita};
  for (const std::string t : {"PIS", "COFINS"}) {
    const std::string base = quantidade ? "QUANT_BC_" + t : "VL_BC_" + t;
    const std::string aliquota = quantidade ? "ALIQ_" + t + "_QUANT" : "ALIQ_" + t;
    c.insert(c.end(), {"CST_" + t, "VL_DESC_" + t, base, aliquota, "VL_" + t});
  }
  c.insert(c.end(), {"COD_MOD", "CFOP", "COD_CTA", "INFO_COMPL"});
  return c;
}

bool RegimeCumulativo(TxbSession& sessao, int id_efd) {
  TxbResultado r =
      sessao.Consultar("SELECT INDINCTRIB FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  return !r.Vazio() && S(r.linhas[0][0]) == "2";
}

std::string RegimeConsolidado(TxbSession& sessao, int id_efd) {
  TxbResultado r = sessao.Consultar("SELECT INDINCTRIB, REGIMEAPURA FROM Z8_EFD WHERE ID = :ID",
                                    {{"ID", id_efd}});
  if (r.Vazio() || S(r.linhas[0][0]) != "2") return "";
  const std::string regime = S(r.linhas[0][1]);
  return regime == "1" || regime == "2" ? regime : "";
}

bool MovimentoReceitasPresumidas(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial) {
  const std::string regime = RegimeConsolidado(sessao, cabecalho.id);
  if (regime.empty()) return false;
  return !sessao
              .Consultar(sessao.GetBD().LimitarLinhas(regime == "1" ? kRecebimentos : kEmitidos, 1),
                         PeriodoDaFilial(cabecalho, filial))
              .Vazio();
}

void GerarReceitasPresumidas(const TEstabelecimento& e, int bloco, int64_t id_f010) {
  const std::string regime = RegimeConsolidado(e.sessao, e.cabecalho.id);
  if (regime.empty()) return;
  TReceitasPresumidas(e, bloco, id_f010, regime == "1").Executar();
}

}  // namespace efd
