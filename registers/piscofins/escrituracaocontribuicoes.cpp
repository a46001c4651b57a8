#include "registers/piscofins/escrituracaocontribuicoes.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "control/geradorefd.h"
#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/piscofins/ajustesm.h"
#include "registers/piscofins/blocosestabelecimento.h"
#include "registers/piscofins/detalhesm.h"
#include "registers/piscofins/rateiocreditos.h"
#include "registers/piscofins/receitasm.h"
#include "registers/piscofins/receitaspresumidas.h"
#include "registers/piscofins/retencoesf600.h"
#include "registers/piscofins/uh5registroefd0140.h"
#include "registers/piscofins/uh5registroefdm410.h"
#include "registers/piscofins/uh5registroefdm810.h"
#include "uh0filialefd.h"

namespace efd {
namespace {

// The regime of the header: taxation (1 non-cumulative, 2 cumulative, 3
// both), apportionment of credits (1 direct, 2 proportional), type of
// contribution and the cumulative regime's basis.
struct TRegime {
  std::string incidencia, apropriacao, tipo_contribuicao, regime_cumulativo;
  bool NaoCumulativo() const { return incidencia == "1" || incidencia == "3"; }
};

TRegime LerRegime(TxbSession& sessao, int id_efd) {
  TxbResultado r = sessao.Consultar(
      "SELECT INDINCTRIB, INDMETAPROP, INDTPCONTRIB, REGIMEAPURA FROM Z8_EFD WHERE ID = :ID",
      {{"ID", id_efd}});
  auto t = [&r](size_t i) { return r.Vazio() ? "" : Trim(r.linhas[0][i].AsString()); };
  return {t(0).empty() ? "1" : t(0), t(1).empty() ? "1" : t(1), t(2).empty() ? "1" : t(2), t(3)};
}

// ---- Establishments -------------------------------------------------------

// The branches of the file, the header's first; each stored as a branch of
// the header.
std::vector<int> FiliaisDaEscrituracao(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho,
                                       const std::string& filiais) {
  std::vector<int> ids{cabecalho.filial};
  std::vector<std::string> pedidas = Dividir(filiais, ',');
  if (pedidas.size() < 2) {
    pedidas.clear();
    TxbResultado r = sessao.Consultar(
        "SELECT ID FROM Z8_FILIAL WHERE IDF_EMPRESA = :EMPRESA "
        "ORDER BY ID",
        {{"EMPRESA", cabecalho.empresa}});
    for (const auto& l : r.linhas) pedidas.push_back(std::to_string(l[0].AsInt64()));
  }
  for (const std::string& texto : pedidas)
    if (TextoEhInteiro(Trim(texto))) {
      const int id = static_cast<int>(TextoParaInteiro(Trim(texto)));
      if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
  auto filial_efd = Aplicacao().CriarComo<Th0FilialEFD>("FilialEFD", sessao);
  TxbObjetoTemporario liberar(filial_efd);
  for (int id : ids) filial_efd->Incluir(cabecalho.id, id);
  return ids;
}

struct TFilialContribuicoes {
  std::string nome, cnpj, ie, im, uf, municipio;
};

TFilialContribuicoes LerFilial(TxbSession& sessao, int filial) {
  TxbResultado r = sessao.Consultar(
      "SELECT I.NOME, J.CNPJ, J.IE, J.IM, UF.SIGLA, C.GEOCODIGO FROM Z8_FILIAL F "
      "INNER JOIN KLVG_PAPELREL P ON P.ID = F.IDF_PAPELREL "
      "INNER JOIN KLVG_IDENT I ON I.ID = P.IDF_IDENT "
      "LEFT JOIN KLVG_PESJUR J ON J.IDA = I.ID "
      "LEFT JOIN KLVG_ENDER E ON E.ID = I.IDF_ENDER "
      "LEFT JOIN KLVG_CID C ON C.ID = E.IDF_CID "
      "LEFT JOIN KLVG_UF UF ON UF.ID = C.IDF_UF WHERE F.ID = :FILIAL",
      {{"FILIAL", filial}});
  if (r.Vazio())
    throw EErro(fmt::format("Registro 0140: a filial {} (Filial_ID) não existe", filial));
  auto t = [&r](size_t i) { return Trim(r.linhas[0][i].AsString()); };
  // The number as the opening writes the declarant's: digits, zero-filled.
  std::string cnpj;
  for (char c : t(1))
    if (c >= '0' && c <= '9') cnpj += c;
  return {t(0), PreencherZerosEsquerda(cnpj, 14), t(2), t(3), t(4), t(5)};
}

class TEstabelecimentos {
 public:
  TEstabelecimentos(TxbSession& sessao, int id_efd, const std::string& nomes)
      : sessao_(sessao),
        cabecalho_(LerCabecalhoEFD(sessao, id_efd)),
        nomes_(nomes),
        bloco0_(IdBloco0(sessao, id_efd)),
        bloco_m_(IdBlocoDaGeracao(sessao, id_efd, "Bloco M")) {
    // A file that consolidates the revenues in block F itemises no document.
    const bool consolidado = !RegimeConsolidado(sessao, id_efd).empty();
    for (const TBlocoEstabelecimento& b : BlocosEstabelecimento()) {
      const int bloco = IdBlocoDaGeracao(sessao, id_efd, b.bloco);
      if (consolidado && std::string_view(b.bloco) != "Bloco F") continue;
      if (bloco > 0 && Escolhido(nomes, b.abertura)) blocos_.push_back({&b, bloco});
    }
  }
  ~TEstabelecimentos() {
    if (m410_) Aplicacao().Destruir(m410_);
    if (m810_) Aplicacao().Destruir(m810_);
  }

  void Gerar(const std::string& filiais) {
    if (bloco0_ == 0 || !Escolhido(nomes_, "0140")) return;
    auto r0140 = Aplicacao().CriarComo<Th5RegistroEFD0140>("RegistroEFD0140", sessao_);
    TxbObjetoTemporario liberar(r0140);
    for (int filial : FiliaisDaEscrituracao(sessao_, cabecalho_, filiais)) {
      std::vector<const TBlocoAtivo*> com_movimento;
      for (const TBlocoAtivo& b : blocos_)
        if (b.bloco->movimento(sessao_, cabecalho_, filial)) com_movimento.push_back(&b);
      if (com_movimento.empty() && filial != cabecalho_.filial) continue;
      const TFilialContribuicoes f = LerFilial(sessao_, filial);
      TEstabelecimento e{sessao_, cabecalho_, nomes_, filial, 0, f.cnpj, nullptr};
      e.id_0140 = r0140->Incluir(cabecalho_.id, bloco0_, IdTipoRegistro(sessao_, bloco0_, "0140"),
                                 std::to_string(filial), f.nome, f.cnpj, f.uf, 0, f.ie, f.municipio,
                                 f.im, "", 0, 0);
      e.receita_sem_contribuicao = [this](const std::string& cst_pis, const std::string& cst_cofins,
                                          const std::string& natureza, const std::string& conta,
                                          double valor) {
        ReceitaSemContribuicao(cst_pis, cst_cofins, natureza, conta, valor);
      };
      for (const TBlocoAtivo* b : com_movimento) b->bloco->gerar(e, b->id);
    }
  }

 private:
  // The revenues go to M400/M410 and M800/M810 through their registers'
  // insertion, which keeps the keys of the generation.
  void ReceitaSemContribuicao(const std::string& cst_pis, const std::string& cst_cofins,
                              const std::string& natureza, const std::string& conta, double valor) {
    if (bloco_m_ == 0) return;
    if (!m410_) {
      m410_ = Aplicacao().CriarComo<Th5RegistroEFDM410>("RegistroEFDM410", sessao_);
      m810_ = Aplicacao().CriarComo<Th5RegistroEFDM810>("RegistroEFDM810", sessao_);
      parametros_ = fmt::format("{}={}\r\n", kBlocoM, bloco_m_);
      for (const char* codigo : {"M400", "M410", "M800", "M810"})
        if (Escolhido(nomes_, codigo))
          parametros_ += fmt::format("RegistroEFD{}={}\r\n", codigo,
                                     IdTipoRegistro(sessao_, bloco_m_, codigo));
    }
    m410_->Incluir(cabecalho_.id, bloco_m_, 0, parametros_, cst_pis, natureza, conta, valor);
    m810_->Incluir(cabecalho_.id, bloco_m_, 0, parametros_, cst_cofins, natureza, conta, valor);
  }

  TxbSession& sessao_;
  TxbCabecalhoEFD cabecalho_;
  std::string nomes_;
  struct TBlocoAtivo {
    const TBlocoEstabelecimento* bloco;
    int id;  // the block's row in the generation
  };
  std::vector<TBlocoAtivo> blocos_;  // those the generation has and the request chose
  int bloco0_, bloco_m_;
  std::shared_ptr<Th5RegistroEFDM410> m410_;
  std::shared_ptr<Th5RegistroEFDM810> m810_;
  std::string parametros_;
};

// ---- Contribution codes, credit types and natures of the credit base ----

struct TCodigoContribuicao {
  const char* cst;
  const char* nao_cumulativo;
  const char* cumulativo;
};
// The contribution code of a taxed output line by its CST and regime.
constexpr TCodigoContribuicao kCodigosContribuicao[] = {
    {"01", "01", "51"}, {"02", "02", "52"}, {"03", "03", "53"}, {"05", "31", "31"}};

const TCodigoContribuicao* Contribuicao(const std::string& cst) {
  for (const auto& c : kCodigosContribuicao)
    if (cst == c.cst) return &c;
  return nullptr;
}

// The basic rates of each regime, PIS and COFINS.
constexpr double kAliquotaBasica[2][2] = {{1.65, 7.6}, {0.65, 3.0}};

bool Cumulativa(const TRegime& regime, double aliquota, bool cofins) {
  if (regime.incidencia == "2") return true;
  if (regime.incidencia == "1") return false;
  return aliquota == kAliquotaBasica[1][cofins ? 1 : 0];
}

// The kind of a credit's base, the last two digits of its type (01 basic
// rate, 02 other rates, 03 per unit, 08 import); the first is the revenue the
// credit is bound to (rateiocreditos.h).
std::string TipoDeCredito(const TDetalhe& d, bool cofins) {
  return d.aliquota_reais > 0                               ? "03"
         : d.cfop.starts_with("3")                          ? "08"
         : d.aliquota == kAliquotaBasica[0][cofins ? 1 : 0] ? "01"
                                                            : "02";
}

// The revenue codes of the contribution to pay, by the field of M200/M600
// that holds it: the non-cumulative and the cumulative contribution.
struct TCodigoReceita {
  const char* campo;
  const char* pis;
  const char* cofins;
};
constexpr TCodigoReceita kCodigosReceita[] = {{"08", "691201", "585601"},
                                              {"12", "810902", "217201"}};

double Arred(double v) {
  return Arredondar(v, 2);
}

// The registers of the adjustments of a credit or contribution, PIS and
// COFINS: the adjustment, its detail, the adjustment's parent and the
// detail's link (the contribution's keep the family's spelling).
struct TRegistrosAjuste {
  const char* ajuste;
  const char* detalhe;
  const char* pai;
  const char* vinculo_detalhe;
};
constexpr TRegistrosAjuste kAjustesCredito[] = {{"M110", "M115", "M100", "IDF_RegEFDM110"},
                                                {"M510", "M515", "M500", "IDF_RegEFDM510"}};
constexpr TRegistrosAjuste kAjustesContribuicao[] = {
    {"M220", "M225", "M210", "IDF_RegistroEFDM220"},
    {"M620", "M625", "M610", "IDF_RegistroEFDM620"}};

// ---- The assessment of one contribution ---------------------------------------

class TApuracao {
 public:
  TApuracao(TxbSession& sessao, int bloco_m, const TRegime& regime, const TReceitasBrutas& receitas,
            bool cofins)
      : sessao_(sessao), bloco_(bloco_m), regime_(regime), receitas_(receitas), cofins_(cofins) {}

  void Apurar(const std::vector<TDetalhe>& detalhes, std::vector<TAjusteApuracao> ajustes) {
    for (const TDetalhe& d : detalhes) {
      if (d.operacao == "1" && Contribuicao(d.cst)) Contribuir(d);
      if (d.operacao == "0" && regime_.NaoCumulativo() && d.cst >= "50" && d.cst <= "56")
        Creditar(d);
    }
    RatearCreditos();
    Ajustar(std::move(ajustes));
    GravarCreditosEContribuicao();
  }

 private:
  // The adjustments of one credit or contribution: the increases, the
  // reductions and the rows they come from.
  struct TAjustes {
    double acrescimos = 0, reducoes = 0;
    std::vector<TAjusteApuracao> linhas;
    double Saldo() const { return Arred(acrescimos - reducoes); }
    void Somar(TAjusteApuracao a) {
      (a.acrescimo ? acrescimos : reducoes) += a.valor;
      acrescimos = Arred(acrescimos);
      reducoes = Arred(reducoes);
      linhas.push_back(std::move(a));
    }
  };
  struct TContribuicao {
    std::string codigo;
    double aliquota = 0, aliquota_reais = 0, receita = 0, base = 0, quantidade = 0;
    TAjustes da_base, do_valor;
    double BaseAjustada() const { return Arred(base + da_base.Saldo()); }
    double Valor() const {
      return Arred(aliquota_reais > 0 ? quantidade * aliquota_reais
                                      : BaseAjustada() * aliquota / 100);
    }
    // What the period owes of it, after its adjustments.
    double DoPeriodo() const { return Arred(Valor() + do_valor.Saldo()); }
    bool Cumulativa() const { return codigo >= "51" && codigo <= "54"; }
  };
  struct TBaseCredito {
    double base = 0, quantidade = 0;
  };
  // A base of one nature and CST: its whole, the share of the cumulative
  // revenue, and the part bound to the credit's kind of revenue.
  struct TBaseRateada {
    double total = 0, cumulativa = 0, parte = 0;
    double quantidade_total = 0, quantidade = 0;
  };
  struct TCredito {
    std::string codigo;
    double aliquota = 0, aliquota_reais = 0, base = 0, quantidade = 0;
    std::map<std::pair<std::string, std::string>, TBaseRateada> bases;  // nature, CST
    TAjustes ajustes;
    double Valor() const {
      return Arred(aliquota_reais > 0 ? quantidade * aliquota_reais : base * aliquota / 100);
    }
    double Disponivel() const { return Arred(Valor() + ajustes.Saldo()); }
  };

  using TChave = std::tuple<std::string, double, double>;
  // A code with its rate: the percentage, or the money rate for a base in
  // quantity; the rates as the file writes them.
  static TChave Chave(const std::string& codigo, const TDetalhe& d) {
    return d.aliquota_reais > 0 ? TChave{codigo, 0.0, Arredondar(d.aliquota_reais, 4)}
                                : TChave{codigo, Arredondar(d.aliquota, 4), 0.0};
  }

  void Contribuir(const TDetalhe& d) {
    const TCodigoContribuicao* c = Contribuicao(d.cst);
    const std::string codigo =
        Cumulativa(regime_, d.aliquota, cofins_) ? c->cumulativo : c->nao_cumulativo;
    const TChave chave = Chave(codigo, d);
    TContribuicao& t = contribuicoes_[chave];
    t.codigo = codigo;
    t.aliquota = std::get<1>(chave);
    t.aliquota_reais = std::get<2>(chave);
    t.receita = Arred(t.receita + d.receita);
    if (d.aliquota_reais > 0)
      t.quantidade += d.quantidade;
    else
      t.base = Arred(t.base + d.base);
  }

  // The entry's base, summed by kind of credit, rate, nature and CST.
  void Creditar(const TDetalhe& d) {
    TBaseCredito& b = bases_[Chave(TipoDeCredito(d, cofins_), d)][{
        d.natureza.empty() ? NaturezaBaseCredito(d.cfop) : d.natureza, d.cst}];
    if (d.aliquota_reais > 0)
      b.quantidade += d.quantidade;
    else
      b.base = Arred(b.base + d.base);
  }

  // Each base goes to the credits of the revenues its CST binds it to.
  void RatearCreditos() {
    for (const auto& [tipo, bases] : bases_)
      for (const auto& [natureza_cst, b] : bases) {
        const TRateioCredito r = RatearCredito(natureza_cst.second, b.base, b.quantidade, receitas_,
                                               regime_.incidencia == "3");
        for (const TParcelaCredito& p : r.parcelas) {
          const TChave chave{p.grupo + std::get<0>(tipo), std::get<1>(tipo), std::get<2>(tipo)};
          TCredito& c = creditos_[chave];
          c.codigo = std::get<0>(chave);
          c.aliquota = std::get<1>(chave);
          c.aliquota_reais = std::get<2>(chave);
          c.base = Arred(c.base + p.base);
          c.quantidade += p.quantidade;
          c.bases[natureza_cst] = {b.base, r.base_cumulativa, p.base, b.quantidade, p.quantidade};
        }
      }
  }

  // Each adjustment goes to the credit or contribution of its code and rate;
  // one the period does not have is refused.
  void Ajustar(std::vector<TAjusteApuracao> ajustes) {
    for (TAjusteApuracao& a : ajustes) {
      TAjustes* destino = nullptr;
      for (auto& [chave, c] : creditos_)
        if (!destino && a.De('C', c.codigo, c.aliquota)) destino = &c.ajustes;
      for (auto& [chave, c] : contribuicoes_)
        if (!destino && a.objeto != 'C' && a.De(a.objeto, c.codigo, c.aliquota))
          destino = a.objeto == 'B' ? &c.da_base : &c.do_valor;
      if (!destino) {
        const bool credito = a.objeto == 'C';
        throw EErro(fmt::format(
            "Registro {}, campo {}: o período não tem {} de código {} e alíquota {} para o ajuste",
            a.objeto == 'C'   ? Codigo("M110", "M510")
            : a.objeto == 'B' ? Codigo("M215", "M615")
                              : Codigo("M220", "M620"),
            credito ? "AjApPisCof_CodCredito" : "AjApPisCof_CodContribuicao",
            credito ? "crédito" : "contribuição", a.codigo, FormatarValor(a.aliquota)));
      }
      destino->Somar(std::move(a));
    }
  }

  // The adjustments of a credit (M110) or contribution (M220) under their
  // row, each with its detail (M115, M225).
  void GravarAjustes(const TAjustes& ajustes, const TRegistrosAjuste& r, int64_t pai) {
    const std::string t = cofins_ ? "COFINS" : "PIS";
    TxbInsercaoRegistro ajuste(sessao_, r.ajuste,
                               {std::string("IDF_RegEFD") + r.pai, "IND_AJ", "VL_AJ", "COD_AJ",
                                "NUM_DOC", "DESCR_AJ", "DT_REF"});
    TxbInsercaoRegistro detalhe(sessao_, r.detalhe,
                                {r.vinculo_detalhe, "DET_VALOR_AJ", "CST_" + t, "DET_BC_CRED",
                                 "DET_ALIQ", "DT_OPER_AJ", "DESC_AJ", "COD_CTA", "INFO_COMPL"});
    for (const TAjusteApuracao& a : ajustes.linhas) {
      const int64_t id = ajuste.Inserir(bloco_, Tipo(r.ajuste),
                                        {pai, a.acrescimo ? "1" : "0", a.valor, a.codigo_ajuste,
                                         a.documento, a.descricao, a.data});
      if (a.valor_detalhe > 0)
        detalhe.Inserir(bloco_, Tipo(r.detalhe),
                        {id, a.valor_detalhe, a.cst_detalhe, a.base_detalhe, a.aliquota_detalhe,
                         a.data_detalhe, a.descricao_detalhe, a.conta, a.complemento});
    }
  }

  // The adjustments of a contribution's base (M215), under its row.
  void GravarAjustesDaBase(const TAjustes& ajustes, int64_t pai) {
    const std::string codigo = Codigo("M215", "M615");
    TxbInsercaoRegistro ajuste(
        sessao_, codigo,
        {"IDF_RegEFD" + Codigo("M210", "M610"), "IND_AJ_BC", "VL_AJ_BC", "COD_AJ_BC", "NUM_DOC",
         "DESCR_AJ_BC", "DT_REF", "COD_CTA", "CNPJ", "INFO_COMPL"});
    for (const TAjusteApuracao& a : ajustes.linhas)
      ajuste.Inserir(bloco_, Tipo(codigo),
                     {pai, a.acrescimo ? "1" : "0", a.valor, a.codigo_ajuste, a.documento,
                      a.descricao, a.data, a.conta, a.cnpj, a.complemento});
  }

  std::string Codigo(const char* pis, const char* cofins) const { return cofins_ ? cofins : pis; }
  int Tipo(const std::string& codigo) { return IdTipoRegistro(sessao_, bloco_, codigo); }

  void GravarCreditosEContribuicao() {
    double nao_cumulativa = 0, cumulativa = 0;
    for (const auto& [chave, t] : contribuicoes_)
      (t.Cumulativa() ? cumulativa : nao_cumulativa) += t.DoPeriodo();
    nao_cumulativa = Arred(nao_cumulativa);
    cumulativa = Arred(cumulativa);

    // Credits, each deducted from the non-cumulative contribution as far as
    // what is left of it goes.
    const std::string t = cofins_ ? "COFINS" : "PIS";
    const std::string m100 = Codigo("M100", "M500"), m105 = Codigo("M105", "M505");
    TxbInsercaoRegistro credito(sessao_, m100,
                                {"COD_CRED", "IND_CRED_ORI", "VL_BC_" + t, "ALIQ_" + t,
                                 "QUAN_BC_" + t, "ALIQ_" + t + "_QUANT", "VL_CRED", "VL_AJUS_ACRES",
                                 "VL_AJUS_REDUC", cofins_ ? "VL_CRED_DIFER" : "VL_CRED_DIF",
                                 "VL_CRED_DISP", "IND_DESC_CRED", "VL_CRED_DESC", "SLD_CRED"});
    TxbInsercaoRegistro base(sessao_, m105,
                             {"IDF_RegEFD" + m100, "NAT_BC_CRED", "CST_" + t, "VL_BC_" + t + "_TOT",
                              "VL_BC_" + t + "_CUM", "VL_BC_" + t + "_NC", "VL_BC_" + t,
                              "QUANT_BC_" + t + "_TOT", "QUANT_BC_" + t});
    double a_deduzir = nao_cumulativa, deduzido = 0;
    for (const auto& [chave, c] : creditos_) {
      const double disponivel = c.Disponivel();
      if (disponivel < 0)
        throw EErro(
            fmt::format("Registro {}, campo VL_AJUS_REDUC: as reduções do crédito {} "
                        "passam do crédito apurado",
                        m100, c.codigo));
      const double desconto = std::min(disponivel, a_deduzir);
      a_deduzir = Arred(a_deduzir - desconto);
      deduzido = Arred(deduzido + desconto);
      const int64_t id = credito.Inserir(
          bloco_, Tipo(m100),
          {c.codigo, "0", c.base, c.aliquota, c.quantidade, c.aliquota_reais, c.Valor(),
           c.ajustes.acrescimos, c.ajustes.reducoes, 0.0, disponivel,
           desconto < disponivel ? "1" : "0", desconto, Arred(disponivel - desconto)});
      GravarAjustes(c.ajustes, kAjustesCredito[cofins_], id);
      for (const auto& [natureza_cst, b] : c.bases)
        base.Inserir(bloco_, Tipo(m105),
                     {id, natureza_cst.first, natureza_cst.second, b.total, b.cumulativa,
                      Arred(b.total - b.cumulativa), b.parte, b.quantidade_total, b.quantidade});
    }

    const std::string m200 = Codigo("M200", "M600"), m210 = Codigo("M210", "M610");
    const double devida = Arred(nao_cumulativa - deduzido);
    // Withholdings at source, then the other deductions, each from its
    // regime's contribution as far as what is left of it goes.
    const TDeducoesBlocoF retido = RetencoesNaFonte(sessao_, bloco_, cofins_);
    const double retido_nc = Arred(std::min(retido.nao_cumulativa, devida));
    const double retido_cum = Arred(std::min(retido.cumulativa, cumulativa));
    const TDeducoesBlocoF outras = OutrasDeducoes(sessao_, bloco_, cofins_);
    const double outras_nc = Arred(std::min(outras.nao_cumulativa, devida - retido_nc));
    const double outras_cum = Arred(std::min(outras.cumulativa, cumulativa - retido_cum));
    const double a_recolher_nc = Arred(devida - retido_nc - outras_nc);
    const double a_recolher_cum = Arred(cumulativa - retido_cum - outras_cum);
    const int64_t id_m200 =
        TxbInsercaoRegistro(
            sessao_, m200,
            {"VL_TOT_CONT_NC_PER", "VL_TOT_CRED_DESC", "VL_TOT_CRED_DESC_ANT", "VL_TOT_CONT_NC_DEV",
             "VL_RET_NC", "VL_OUT_DED_NC", "VL_CONT_NC_REC", "VL_TOT_CONT_CUM_PER", "VL_RET_CUM",
             "VL_OUT_DED_CUM", "VL_CONT_CUM_REC", "VL_TOT_CONT_REC"})
            .Inserir(bloco_, Tipo(m200),
                     {nao_cumulativa, deduzido, 0.0, devida, retido_nc, outras_nc, a_recolher_nc,
                      cumulativa, retido_cum, outras_cum, a_recolher_cum,
                      Arred(a_recolher_nc + a_recolher_cum)});
    GravarCodigosReceita({a_recolher_nc, a_recolher_cum});
    TxbInsercaoRegistro detalhe(
        sessao_, m210,
        {"IDF_RegEFD" + m200, "COD_CONT", "VL_REC_BRT", "VL_BC_CONT", "VL_AJUS_ACRES_BC_" + t,
         "VL_AJUS_REDUC_BC_" + t, "VL_BC_CONT_AJUS", "ALIQ_" + t, "QUANT_BC_" + t,
         "ALIQ_" + t + "_QUANT", "VL_CONT_APUR", "VL_AJUS_ACRES", "VL_AJUS_REDUC", "VL_CONT_DIFER",
         "VL_CONT_DIFER_ANT", "VL_CONT_PER"});
    for (const auto& [chave, c] : contribuicoes_) {
      const int64_t id = detalhe.Inserir(
          bloco_, Tipo(m210),
          {id_m200, c.codigo, c.receita, c.base, c.da_base.acrescimos, c.da_base.reducoes,
           c.BaseAjustada(), c.aliquota, c.quantidade, c.aliquota_reais, c.Valor(),
           c.do_valor.acrescimos, c.do_valor.reducoes, 0.0, 0.0, c.DoPeriodo()});
      GravarAjustesDaBase(c.da_base, id);
      GravarAjustes(c.do_valor, kAjustesContribuicao[cofins_], id);
    }
  }

  // The contribution to pay of each regime under its revenue code.
  void GravarCodigosReceita(const std::vector<double>& a_recolher) {
    const std::string m205 = Codigo("M205", "M605");
    TxbInsercaoRegistro receita(sessao_, m205, {"NUM_CAMPO", "COD_REC", "VL_DEBITO"});
    for (size_t i = 0; i < a_recolher.size(); ++i)
      if (a_recolher[i] > 0)
        receita.Inserir(
            bloco_, Tipo(m205),
            {kCodigosReceita[i].campo, cofins_ ? kCodigosReceita[i].cofins : kCodigosReceita[i].pis,
             a_recolher[i]});
  }

  TxbSession& sessao_;
  int bloco_;
  const TRegime& regime_;
  const TReceitasBrutas& receitas_;
  bool cofins_;
  std::map<TChave, std::map<std::pair<std::string, std::string>, TBaseCredito>> bases_;
  std::map<TChave, TContribuicao> contribuicoes_;
  std::map<TChave, TCredito> creditos_;
};

// ---- The regime ---------------------------------------------------------

// The month's gross revenues by kind, from the output lines of the details.
TReceitasBrutas ReceitasBrutasDoMes(TxbSession& sessao, int id_efd, const TRegime& regime) {
  TReceitasBrutas r;
  for (const TDetalhe& d : LerDetalhes(sessao, id_efd, false)) {
    if (d.operacao != "1") continue;
    const bool tributavel = Contribuicao(d.cst) != nullptr;
    if (d.cfop.starts_with("7"))
      r.exportacao += d.receita;
    else if (tributavel && Cumulativa(regime, d.aliquota, false))
      r.cumulativa += d.receita;
    else if (tributavel)
      r.tributada += d.receita;
    else if (d.cst >= "04" && d.cst <= "09")
      r.nao_tributada += d.receita;
  }
  return {Arred(r.tributada), Arred(r.nao_tributada), Arred(r.exportacao), Arred(r.cumulativa)};
}

void GerarRegime(TxbSession& sessao, int id_efd, const std::string& nomes) {
  const int bloco0 = IdBloco0(sessao, id_efd);
  if (bloco0 == 0 || !Escolhido(nomes, "0110")) return;
  const TRegime regime = LerRegime(sessao, id_efd);
  const bool nao_cumulativo = regime.NaoCumulativo();
  const int64_t id =
      TxbInsercaoRegistro(sessao, "0110", {"CodIncTrib", "IndAproCred", "CodTipoCont", "IndRegCum"})
          .Inserir(bloco0, IdTipoRegistro(sessao, bloco0, "0110"),
                   {regime.incidencia, nao_cumulativo ? regime.apropriacao : "",
                    nao_cumulativo ? regime.tipo_contribuicao : "",
                    regime.incidencia == "2" ? regime.regime_cumulativo : ""});
  if (!nao_cumulativo || regime.apropriacao != "2" || !Escolhido(nomes, "0111")) return;
  // The month's gross revenues, for the apportionment of credits.
  const TReceitasBrutas r = ReceitasBrutasDoMes(sessao, id_efd, regime);
  TxbInsercaoRegistro(sessao, "0111",
                      {"IDF_RegEFD0110", "RecBruNCumTribMI", "RecBruNCumNTMI", "RecBruNCumExp",
                       "RecBruCum", "RecBruTotal"})
      .Inserir(bloco0, IdTipoRegistro(sessao, bloco0, "0111"),
               {id, r.tributada, r.nao_tributada, r.exportacao, r.cumulativa, Arred(r.Total())});
}

}  // namespace

void ApurarContribuicoes(TxbSession& sessao, int id_efd) {
  const int bloco_m = IdBlocoDaGeracao(sessao, id_efd, "Bloco M");
  if (bloco_m == 0) return;
  const TRegime regime = LerRegime(sessao, id_efd);
  // The credits are apportioned by the revenues 0111 states; a generation
  // without it apportions by the same revenues of the month.
  std::optional<TReceitasBrutas> receitas = ReceitasDo0111(sessao, id_efd);
  if (!receitas) receitas = ReceitasBrutasDoMes(sessao, id_efd, regime);
  for (bool cofins : {false, true})
    TApuracao(sessao, bloco_m, regime, *receitas, cofins)
        .Apurar(LerDetalhes(sessao, id_efd, cofins), LerAjustesApuracao(sessao, id_efd, cofins));
}

void RegistrarEscrituracaoContribuicoes() {
  RegistrarComponenteExterno(
      2, [](TxbSession& sessao, int id_efd, const std::string& filiais, const std::string& nomes) {
        TEstabelecimentos(sessao, id_efd, nomes).Gerar(filiais);
        GerarRegime(sessao, id_efd, nomes);
        if (Escolhido(nomes, "M200") || Escolhido(nomes, "M600"))
          ApurarContribuicoes(sessao, id_efd);
      });
}

}  // namespace efd
