#include "registers/piscofins/geracaoc490.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <memory>
#include <tuple>

#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/blockC/geracaoc100.h"

namespace efd {
namespace {

// The valid items of the branch's valid coupons printed in the period,
// summed by what C491 and C495 keep apart and by what gives their CFOP (the
// branch's totalizer of ICMS for the item's taxation: taxed at its rate,
// exempt, under substitution or outside ICMS), their account (the coupon's
// document type) and the nature of a revenue without the contribution.
constexpr const char* kVendasDoPeriodo =
    "SELECT A.IDF_PROD, U.CODIGO, A.TIPOTRIBUTACAO, A.ALIQUOTA, CF.CODIGO, C.IDF_TPDOCTO, "
    "A.NATRECPISCOFINS, A.CSTPIS, A.ALIQPIS, A.ALIQPISREAIS, A.CSTCOFINS, A.ALIQCOFINS, "
    "A.ALIQCOFINSREAIS, SUM(A.VALLIQUIDO - COALESCE(A.VALDESCFIN, 0) - "
    "COALESCE(A.VALDESCPROP, 0) + COALESCE(A.VALACRESPROP, 0) + COALESCE(A.VALACRESFIN, 0)), "
    "SUM(A.BASEPIS), SUM(A.QTDBASEPIS), SUM(A.VALPIS), SUM(A.BASECOFINS), "
    "SUM(A.QTDBASECOFINS), SUM(A.VALCOFINS), MIN(D.DATAFINALIMPRESSAO), "
    "MAX(D.DATAFINALIMPRESSAO) "
    "FROM Z8_ITEMCUPFIS A INNER JOIN Z8_CUPFISCAL D ON D.ID = A.IDF_CUPFISCAL "
    "INNER JOIN Z8_DOCTO C ON C.ID = D.IDA "
    "LEFT JOIN Z8_UNPROD UP ON UP.ID = A.IDF_UNPROD "
    "LEFT JOIN Z8_UNIDADE U ON U.ID = UP.IDF_UNIDADE "
    "LEFT JOIN Z8_TOTAUTCOME T ON T.IDF_FILIAL = C.IDF_FILIAL "
    "AND T.IDF_IMPOSTO IN (SELECT I.ID FROM Z8_IMPOSTO I WHERE I.TIPO = '0') "
    "AND T.TIPO = CASE A.TIPOTRIBUTACAO WHEN '0' THEN '1' WHEN '1' THEN '2' WHEN '2' THEN '4' "
    "ELSE '3' END AND (T.TIPO <> '1' OR ROUND(T.ALIQUOTA, 2) = ROUND(A.ALIQUOTA, 2)) "
    "LEFT JOIN Z8_CODFISOPE CF ON CF.ID = T.IDF_CFOP "
    "WHERE C.IDF_FILIAL = :FILIAL AND D.DATAFINALIMPRESSAO >= :INICIO "
    "AND D.DATAFINALIMPRESSAO < :FIM AND COALESCE(D.SITUACAOCF, '0') <> '1' "
    "AND D.VALBRUTO > 0 AND A.SITUACAOITEM = '0' AND A.IDF_PROD > 0 "
    "GROUP BY A.IDF_PROD, U.CODIGO, A.TIPOTRIBUTACAO, A.ALIQUOTA, CF.CODIGO, C.IDF_TPDOCTO, "
    "A.NATRECPISCOFINS, A.CSTPIS, A.ALIQPIS, A.ALIQPISREAIS, A.CSTCOFINS, A.ALIQCOFINS, "
    "A.ALIQCOFINSREAIS";

// The columns of one contribution in a row of kVendasDoPeriodo.
struct TColunas {
  size_t cst, aliquota, aliquota_reais, base, quantidade, valor;
};
constexpr TColunas kColunasPIS{7, 8, 9, 14, 15, 16};
constexpr TColunas kColunasCOFINS{10, 11, 12, 17, 18, 19};

double Arred(double v) {
  return Arredondar(v, 2);
}

// A line of C491 or C495: item, CST, CFOP, rate, money rate and account.
using TChave = std::tuple<std::string, std::string, std::string, double, double, std::string>;
struct TSoma {
  double item = 0, base = 0, quantidade = 0, valor = 0;
};

class TGeracaoC490 {
 public:
  TGeracaoC490(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
               const TEstabelecimentoC100& estabelecimento)
      : sessao_(sessao),
        cabecalho_(LerCabecalhoEFD(sessao, id_efd)),
        bloco_(bloco),
        bloco0_(IdBloco0(sessao, id_efd)),
        lista_(registros),
        estabelecimento_(estabelecimento),
        contas_(sessao, id_efd, bloco0_, lista_.Selecionado("0500")) {
    r0200_ = Aplicacao().CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", sessao_);
    sem_prefixo_ =
        r0200_->GerarProdSemPrefixo(cabecalho_.empresa, cabecalho_.inicio, cabecalho_.fim);
  }
  ~TGeracaoC490() { Aplicacao().Destruir(r0200_); }

  int Executar() {
    TxbResultado r =
        sessao_.Consultar(kVendasDoPeriodo, {{"FILIAL", estabelecimento_.filial},
                                             {"INICIO", cabecalho_.inicio.DateOf()},
                                             {"FIM", TDateTime(cabecalho_.fim.DateOf().dias + 1)}});
    if (r.Vazio()) return 0;
    TDateTime inicio = r.linhas[0][20].AsDateTime().DateOf(), fim = inicio;
    for (const auto& l : r.linhas) {
      inicio = std::min(inicio, l[20].AsDateTime().DateOf());
      fim = std::max(fim, l[21].AsDateTime().DateOf());
      Venda(l);
    }
    const int64_t c490 =
        TxbInsercaoRegistro(sessao_, "C490",
                            {"DT_DOC_INI", "DT_DOC_FIN", "COD_MOD", "IDF_RegEFDC010"})
            .Inserir(bloco_, Tipo("C490"), {inicio, fim, "2D", estabelecimento_.id_c010});
    Gravar("C491", "PIS", pis_, c490);
    Gravar("C495", "COFINS", cofins_, c490);
    return 1;
  }

 private:
  void Venda(const std::vector<TVariant>& l) {
    auto t = [&l](size_t i) { return Trim(l[i].AsString()); };
    std::string unidade = SubstituirTodos(t(1), " ", "");
    const std::string item = Item(l[0].AsInt64(), unidade);
    const std::string cfop = Digitos(t(4)).substr(0, 4);
    if (cfop.empty())
      throw EErro(fmt::format(
          "Registro C491, campo CFOP: a filial {} não tem totalizador de automação comercial "
          "(TotAutComercial_IDF_CFOP) do ICMS para o tipo de tributação {} e a alíquota {} do "
          "item {} dos cupons",
          estabelecimento_.filial, t(2), FormatarValor(l[3].AsFloat()), item));
    const std::string conta = contas_(l[5].IsNull() ? 0 : l[5].AsInt64());
    const double valor = Arred(l[13].AsFloat());
    Somar(pis_, l, kColunasPIS, item, cfop, conta, valor);
    Somar(cofins_, l, kColunasCOFINS, item, cfop, conta, valor);
    const std::string cst_pis = Cst(t(kColunasPIS.cst));
    if (!CSTSemContribuicao(cst_pis) || !estabelecimento_.receita_sem_contribuicao) return;
    if (t(6).empty())
      throw EErro(fmt::format(
          "Registro M410, campo NAT_REC: o item {} dos cupons (ItemCupFis_NatRecPisCofins) não "
          "informa a natureza da receita do CST {}",
          item, cst_pis));
    estabelecimento_.receita_sem_contribuicao(cst_pis, Cst(t(kColunasCOFINS.cst)), t(6), conta,
                                              valor);
  }

  static std::string Cst(const std::string& cst) {
    return cst.empty() ? cst : PreencherZerosEsquerda(cst, 2);
  }

  static void Somar(std::map<TChave, TSoma>& somas, const std::vector<TVariant>& l,
                    const TColunas& c, const std::string& item, const std::string& cfop,
                    const std::string& conta, double valor) {
    const std::string cst = Cst(Trim(l[c.cst].AsString()));
    if (cst.empty()) return;
    TSoma& s = somas[{item, cst, cfop, Arredondar(l[c.aliquota].AsFloat(), 4),
                      Arredondar(l[c.aliquota_reais].AsFloat(), 4), conta}];
    s.item = Arred(s.item + valor);
    s.base = Arred(s.base + l[c.base].AsFloat());
    s.quantidade += l[c.quantidade].AsFloat();
    s.valor = Arred(s.valor + l[c.valor].AsFloat());
  }

  void Gravar(const std::string& codigo, const std::string& t, const std::map<TChave, TSoma>& somas,
              int64_t c490) {
    if (!lista_.Selecionado(codigo)) return;
    TxbInsercaoRegistro insercao(
        sessao_, codigo,
        {"COD_ITEM", "CST_" + t, "CFOP", "VL_ITEM", "VL_BC_" + t, "ALIQ_" + t, "QUANT_BC_" + t,
         "ALIQ_" + t + "_QUANT", "VL_" + t, "COD_CTA", "IDF_RegEFDC490"});
    for (const auto& [chave, s] : somas) {
      const auto& [item, cst, cfop, aliquota, aliquota_reais, conta] = chave;
      insercao.Inserir(bloco_, Tipo(codigo),
                       {item, cst, cfop, s.item, s.base, aliquota, s.quantidade, aliquota_reais,
                        s.valor, conta, c490});
    }
  }

  // The item's code in block 0, registered under the establishment with its
  // stock unit (and the coupon's unit converted to it).
  std::string Item(int64_t produto, std::string& unidade) {
    auto ja = itens_.find(produto);
    if (ja != itens_.end()) return ja->second;
    const std::string codigo = r0200_->IncluirProdutoDoCupom(
        cabecalho_.id, bloco0_, produto, sem_prefixo_, unidade, cabecalho_.inicio, cabecalho_.fim,
        estabelecimento_.id_0140, estabelecimento_.filial, lista_.bloco0, "C491");
    return itens_[produto] = codigo;
  }

  int Tipo(const std::string& codigo) {
    return tipos_(codigo[0] == '0' ? bloco0_ : bloco_, codigo);
  }

  TxbSession& sessao_;
  TxbCabecalhoEFD cabecalho_;
  int bloco_, bloco0_;
  TListaRegistros lista_;
  const TEstabelecimentoC100& estabelecimento_;
  bool sem_prefixo_ = false;
  TTiposRegistro tipos_{sessao_};
  std::map<int64_t, std::string> itens_;  // product -> item code
  TContasDosTiposDocumento contas_;
  std::map<TChave, TSoma> pis_, cofins_;
  std::shared_ptr<Th5RegistroEFD0200> r0200_;
};

}  // namespace

int GerarC490(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
              const TEstabelecimentoC100& estabelecimento) {
  return TGeracaoC490(sessao, id_efd, bloco, registros, estabelecimento).Executar();
}

}  // namespace efd
