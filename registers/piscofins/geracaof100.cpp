#include "registers/piscofins/geracaof100.h"

#include <fmt/format.h>

#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/block0/uh5registroefd0600.h"
#include "registers/blockC/documentosc100.h"
#include "registers/blockC/uh5registroefdc100.h"
#include "registers/piscofins/receitaspresumidas.h"

namespace efd {
namespace {

constexpr const char* kPeriodo =
    " WHERE IDF_FILIAL = :FILIAL AND DATA >= :INICIO AND DATA <= :FIM ";
// The month's PIS/COFINS credits of the branch's fixed assets (C), with the
// asset (B), its product (P) and cost centre (CC).
constexpr const char* kCreditosDosBens =
    " FROM Z8_CREPCBEM C INNER JOIN Z8_PROPAPPTR B ON B.ID = C.IDF_PROPAPPTR "
    "LEFT JOIN Z8_PROD P ON P.ID = B.IDF_PROD LEFT JOIN Z8_CCUSTO CC ON CC.ID = B.IDF_CENTROCUSTO "
    "WHERE B.IDF_FILIAL = :FILIAL AND C.DATA >= :INICIO AND C.DATA <= :FIM ";

std::string S(const TVariant& v) {
  return Trim(v.AsString());
}
double D(const TVariant& v) {
  return v.AsFloat();
}

class TGeracaoF100 {
 public:
  TGeracaoF100(const TEstabelecimento& e, int bloco)
      : e_(e),
        sessao_(e.sessao),
        c_(e.cabecalho),
        bloco_(bloco),
        bloco0_(IdBloco0(sessao_, c_.id)),
        r0150_(Aplicacao().CriarComo<Th5RegistroEFD0150>("RegistroEFD0150", sessao_)),
        r0500_(Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", sessao_)),
        r0600_(Aplicacao().CriarComo<Th5RegistroEFD0600>("RegistroEFD0600", sessao_)),
        liberar_0150_(r0150_),
        liberar_0500_(r0500_),
        liberar_0600_(r0600_) {}

  void Executar() {
    id_f010_ = TxbInsercaoRegistro(sessao_, "F010", {"CNPJ"})
                   .Inserir(bloco_, tipos_(bloco_, "F010"), {e_.cnpj});
    if (Escolhido(e_.nomes, "F100")) Operacoes();
    if (Escolhido(e_.nomes, "F120") || Escolhido(e_.nomes, "F130")) Bens();
    GerarReceitasPresumidas(e_, bloco_, id_f010_);
    if (Escolhido(e_.nomes, "F600")) Retencoes();
    if (Escolhido(e_.nomes, "F700")) Deducoes();
  }

 private:
  void Operacoes() {
    TxbResultado r = DoPeriodo(
        "SELECT INDOPER, IDF_IDENT, DATA, VALOR, CLATRIBPIS, PISBASE, PISALIQ, "
        "PISVALOR, CLATRIBCOFINS, COFINSBASE, COFINSALIQ, COFINSVALOR, NATBCCRED, "
        "IDF_CTACTB, DESCRICAO, NATRECEITA, NUMPROCESSO, INDPROCESSO, ID "
        "FROM Z8_OPEPISCOF");
    TxbInsercaoRegistro f100(
        sessao_, "F100",
        {"IDF_RegEFDF010", "IND_OPER", "COD_PART", "DT_OPER", "VL_OPER", "CST_PIS", "VL_BC_PIS",
         "ALIQ_PIS", "VL_PIS", "CST_COFINS", "VL_BC_COFINS", "ALIQ_COFINS", "VL_COFINS",
         "NAT_BC_CRED", "IND_ORIG_CRED", "COD_CTA", "DESC_DOC_OPER"});
    for (const auto& l : r.linhas) {
      const std::string operacao = S(l[0]);
      const bool credito = operacao == "0";
      const std::string cst_pis = Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(S(l[4]));
      const std::string cst_cofins = Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(S(l[8]));
      const std::string conta = Conta(l[13]);
      const int64_t id =
          f100.Inserir(bloco_, tipos_(bloco_, "F100"),
                       {id_f010_, operacao, Participante(l[1]), l[2].AsDateTime().DateOf(), D(l[3]),
                        cst_pis, D(l[5]), D(l[6]), D(l[7]), cst_cofins, D(l[9]), D(l[10]), D(l[11]),
                        credito ? S(l[12]) : "", credito ? "0" : "", conta, S(l[14])});
      Processo("F111", "IDF_RegEFDF100", id, l[16], l[17]);
      if (!credito && CSTSemContribuicao(cst_pis)) {
        if (S(l[15]).empty())
          throw EErro(fmt::format(
              "Registro M410, operação {}: a operação (OpePisCof_NatReceita) não informa a "
              "natureza da receita do CST {}",
              l[18].AsInt64(), cst_pis));
        if (e_.receita_sem_contribuicao)
          e_.receita_sem_contribuicao(cst_pis, cst_cofins, S(l[15]), conta, Arredondar(D(l[3]), 2));
      }
    }
  }

  // The asset credits of the month: on the depreciation charges (F120, with
  // its process in F129) and on the acquisition value (F130).
  void Bens() {
    TxbResultado r = sessao_.Consultar(
        std::string("SELECT B.NUMITEM, C.BASE, C.NATBCCRED, C.IDENTBEM, C.ORIGCRED, "
                    "C.UTILIZACAO, C.VALOR, C.PARCNAOCRED, C.BASECREDAQUIS, C.NRPARCELAS, "
                    "C.CLATRIBPIS, C.PISBASE, C.PISALIQ, C.PISVALOR, C.CLATRIBCOFINS, "
                    "C.COFINSBASE, C.COFINSALIQ, C.COFINSVALOR, C.IDF_CTACTB, C.NUMPROCESSO, "
                    "C.INDPROCESSO, B.DATAAQUISICAO, P.NMPROD, CC.CODIGO, CC.NOME, "
                    "CC.DTINCLUSAO") +
            kCreditosDosBens + "ORDER BY C.DATA, C.ID",
        PeriodoDaFilial(c_, e_.filial));
    const std::vector<std::string> tributos = {
        "CST_PIS",     "VL_BC_PIS", "ALIQ_PIS", "VL_PIS",   "CST_COFINS",   "VL_BC_COFINS",
        "ALIQ_COFINS", "VL_COFINS", "COD_CTA",  "COD_CCUS", "DESC_BEM_IMOB"};
    auto campos = [&tributos](std::vector<std::string> proprios) {
      proprios.insert(proprios.end(), tributos.begin(), tributos.end());
      return proprios;
    };
    TxbInsercaoRegistro f120(
        sessao_, "F120",
        campos({"IDF_RegEFDF010", "NAT_BC_CRED", "IDENT_BEM_IMOB", "IND_ORIG_CRED",
                "IND_UTIL_BEM_IMOB", "VL_OPER_DEP", "PARC_OPER_NAO_BC_CRE"}));
    TxbInsercaoRegistro f130(
        sessao_, "F130",
        campos({"IDF_RegEFDF010", "NAT_BC_CRED", "IDENT_BEM_IMOB", "IND_ORIG_CRED",
                "IND_UTIL_BEM_IMOB", "MES_OPER_AQUIS", "VL_OPER_AQUIS", "PARC_OPER_NAO_BC_CRE",
                "VL_BC_CRED", "IND_NR_PARC"}));
    for (const auto& l : r.linhas) {
      const std::string base = S(l[1]);
      if (base != "1" && base != "2")
        throw EErro(fmt::format(
            "Registro F120, bem {}: a base do crédito (CrePCBem_Base) deve ser 1 (depreciação) "
            "ou 2 (aquisição), não \"{}\"",
            S(l[0]), base));
      const bool depreciacao = base == "1";
      if (!Escolhido(e_.nomes, depreciacao ? "F120" : "F130")) continue;
      // Nature, kind, origin and use of the asset; the acquisition's month,
      // value, part without credit, base and instalments, or the
      // depreciation charges and their part without credit.
      std::vector<TVariant> v{id_f010_, S(l[2]), S(l[3]), S(l[4]), S(l[5])};
      const std::vector<TVariant> valores =
          depreciacao
              ? std::vector<TVariant>{D(l[6]), D(l[7])}
              : std::vector<TVariant>{MesAquisicao(l[21]), D(l[6]), D(l[7]), D(l[8]), S(l[9])};
      v.insert(v.end(), valores.begin(), valores.end());
      for (size_t i : {10, 14}) {  // PIS, then COFINS
        v.push_back(Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(S(l[i])));
        for (size_t j = i + 1; j <= i + 3; ++j) v.emplace_back(D(l[j]));
      }
      v.push_back(Conta(l[18]));
      v.push_back(CentroDeCusto(l[23], l[24], l[25]));
      v.push_back(S(l[22]).empty() ? S(l[0]) : S(l[22]));  // the product, or the asset's code
      if (depreciacao) {
        const int64_t id = f120.Inserir(bloco_, tipos_(bloco_, "F120"), v);
        Processo("F129", "IDF_RegEFDF120", id, l[19], l[20]);
      } else {
        f130.Inserir(bloco_, tipos_(bloco_, "F130"), v);
      }
    }
  }

  // A process the operation's taxation follows, under the operation's row.
  void Processo(const char* codigo, const char* vinculo, int64_t pai, const TVariant& numero,
                const TVariant& origem) {
    if (S(numero).empty() || !Escolhido(e_.nomes, codigo)) return;
    TxbInsercaoRegistro(sessao_, codigo, {vinculo, "NUM_PROC", "IND_PROC"})
        .Inserir(bloco_, tipos_(bloco_, codigo), {pai, S(numero), S(origem)});
  }

  void Retencoes() {
    TxbResultado r = DoPeriodo(
        "SELECT NATUREZA, DATA, BASE, VALOR, CODRECEITA, NATRECEITA, CNPJFONTE, "
        "VALORPIS, VALORCOFINS, INDDECLARANTE FROM Z8_RETPISCOF");
    TxbInsercaoRegistro f600(
        sessao_, "F600",
        {"IDF_RegEFDF010", "IND_NAT_RET", "DT_RET", "VL_BC_RET", "VL_RET", "COD_REC", "INT_NAT_REC",
         "CNPJ", "VL_RET_PIS", "VL_RET_COFINS", "IND_DEC"});
    for (const auto& l : r.linhas)
      f600.Inserir(bloco_, tipos_(bloco_, "F600"),
                   {id_f010_, S(l[0]), l[1].AsDateTime().DateOf(), D(l[2]), D(l[3]), S(l[4]),
                    S(l[5]), PreencherZerosEsquerda(S(l[6]), 14), D(l[7]), D(l[8]), S(l[9])});
  }

  // Deductions from the contribution due other than the withholdings (F700).
  void Deducoes() {
    TxbResultado r = DoPeriodo(
        "SELECT ORIGEM, NATUREZA, VALORPIS, VALORCOFINS, BASEOPERACAO, CNPJ, COMPLEMENTO "
        "FROM Z8_DEDPISCOF");
    TxbInsercaoRegistro f700(sessao_, "F700",
                             {"IDF_RegEFDF010", "IND_ORI_DED", "IND_NAT_DED", "VL_DED_PIS",
                              "VL_DED_COFINS", "VL_BC_OPER", "CNPJ", "INF_COMP"});
    for (const auto& l : r.linhas) {
      const std::string cnpj = S(l[5]);
      f700.Inserir(
          bloco_, tipos_(bloco_, "F700"),
          {id_f010_, S(l[0]), S(l[1]), D(l[2]), D(l[3]), l[4].IsNull() ? TVariant() : D(l[4]),
           cnpj.empty() ? "" : PreencherZerosEsquerda(cnpj, 14), S(l[6])});
    }
  }

  // The branch's rows of the period of an ERP table, in date order.
  TxbResultado DoPeriodo(const std::string& selecao) {
    return sessao_.Consultar(selecao + kPeriodo + "ORDER BY DATA, ID",
                             PeriodoDaFilial(c_, e_.filial));
  }

  static std::string MesAquisicao(const TVariant& data) {
    if (data.IsNull()) return "";
    const TDateTime d = data.AsDateTime();
    return fmt::format("{:02}{:04}", d.Mes(), d.Ano());
  }

  std::string CentroDeCusto(const TVariant& codigo, const TVariant& nome,
                            const TVariant& inclusao) {
    if (S(codigo).empty() || !Escolhido(e_.nomes, "0600")) return "";
    r0600_->Incluir(c_.id, bloco0_, tipos_(bloco0_, "0600"),
                    inclusao.IsNull() ? c_.inicio : inclusao.AsDateTime(), S(codigo), S(nome));
    return S(codigo);
  }

  std::string Participante(const TVariant& ident) {
    if (ident.IsNull()) return "";
    return r0150_->IncluirIdentidade(c_.id, bloco0_, static_cast<int>(ident.AsInt64()), c_.inicio,
                                     c_.fim, e_.id_0140);
  }

  std::string Conta(const TVariant& conta) {
    if (conta.IsNull() || !Escolhido(e_.nomes, "0500")) return "";
    std::string natureza;
    r0500_->INTERNO_Incluir(c_.id, bloco0_, tipos_(bloco0_, "0500"), "", "", "",
                            static_cast<int>(conta.AsInt64()), natureza, "A", "", false);
    return Trim(r0500_->Campo("RegEFD0500_CodConta").AsString());
  }

  const TEstabelecimento& e_;
  TxbSession& sessao_;
  const TxbCabecalhoEFD& c_;
  int bloco_, bloco0_;
  TTiposRegistro tipos_{sessao_};
  int64_t id_f010_ = 0;
  std::shared_ptr<Th5RegistroEFD0150> r0150_;
  std::shared_ptr<Th5RegistroEFD0500> r0500_;
  std::shared_ptr<Th5RegistroEFD0600> r0600_;
  TxbObjetoTemporario liberar_0150_, liberar_0500_, liberar_0600_;
};

}  // namespace

bool MovimentoF100(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial) {
  for (const std::string& consulta : {std::string("SELECT C.ID") + kCreditosDosBens,
                                      std::string("SELECT ID FROM Z8_OPEPISCOF") + kPeriodo,
                                      std::string("SELECT ID FROM Z8_RETPISCOF") + kPeriodo,
                                      std::string("SELECT ID FROM Z8_DEDPISCOF") + kPeriodo})
    if (!sessao
             .Consultar(sessao.GetBD().LimitarLinhas(consulta, 1),
                        PeriodoDaFilial(cabecalho, filial))
             .Vazio())
      return true;
  return MovimentoReceitasPresumidas(sessao, cabecalho, filial);
}

void GerarBlocoF(const TEstabelecimento& e, int bloco) {
  TGeracaoF100(e, bloco).Executar();
}

}  // namespace efd
