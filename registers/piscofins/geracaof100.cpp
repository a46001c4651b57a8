#include "registers/piscofins/geracaof100.h"

#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/blockC/linhasblococ.h"
#include "registers/blockC/uh5registroefdc100.h"
#include "registers/piscofins/receitaspresumidas.h"

namespace efd {
namespace {

constexpr const char* kPeriodo =
    " WHERE IDF_FILIAL = :FILIAL AND DATA >= :INICIO AND DATA <= :FIM ";

std::string S(const TVariant& v) {
  return v.IsNull() ? "" : Trim(v.AsString());
}
double D(const TVariant& v) {
  return v.IsNull() ? 0.0 : v.AsFloat();
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
        liberar_0150_(r0150_),
        liberar_0500_(r0500_) {}

  void Executar() {
    id_f010_ = TxbInsercaoRegistro(sessao_, "F010", {"CNPJ"})
                   .Inserir(bloco_, IdTipoRegistro(sessao_, bloco_, "F010"), {e_.cnpj});
    if (Escolhido(e_.nomes, "F100")) Operacoes();
    GerarReceitasPresumidas(e_, bloco_, id_f010_);
    if (Escolhido(e_.nomes, "F600")) Retencoes();
  }

 private:
  void Operacoes() {
    TxbResultado r = sessao_.Consultar(
        std::string("SELECT INDOPER, IDF_IDENT, DATA, VALOR, CLATRIBPIS, PISBASE, PISALIQ, "
                    "PISVALOR, CLATRIBCOFINS, COFINSBASE, COFINSALIQ, COFINSVALOR, NATBCCRED, "
                    "IDF_CTACTB, DESCRICAO FROM Z8_OPEPISCOF") +
            kPeriodo + "ORDER BY DATA, ID",
        PeriodoDaFilial(c_, e_.filial));
    TxbInsercaoRegistro f100(
        sessao_, "F100",
        {"IDF_RegEFDF010", "IND_OPER", "COD_PART", "DT_OPER", "VL_OPER", "CST_PIS", "VL_BC_PIS",
         "ALIQ_PIS", "VL_PIS", "CST_COFINS", "VL_BC_COFINS", "ALIQ_COFINS", "VL_COFINS",
         "NAT_BC_CRED", "IND_ORIG_CRED", "COD_CTA", "DESC_DOC_OPER"});
    for (const auto& l : r.linhas) {
      const std::string operacao = S(l[0]);
      const bool credito = operacao == "0";
      f100.Inserir(
          bloco_, IdTipoRegistro(sessao_, bloco_, "F100"),
          {id_f010_, operacao, Participante(l[1]), l[2].AsDateTime().DateOf(), D(l[3]),
           Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(S(l[4])), D(l[5]), D(l[6]), D(l[7]),
           Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(S(l[8])), D(l[9]), D(l[10]), D(l[11]),
           credito ? S(l[12]) : "", credito ? "0" : "", Conta(l[13]), S(l[14])});
    }
  }

  void Retencoes() {
    TxbResultado r = sessao_.Consultar(
        std::string("SELECT NATUREZA, DATA, BASE, VALOR, CODRECEITA, NATRECEITA, CNPJFONTE, "
                    "VALORPIS, VALORCOFINS, INDDECLARANTE FROM Z8_RETPISCOF") +
            kPeriodo + "ORDER BY DATA, ID",
        PeriodoDaFilial(c_, e_.filial));
    TxbInsercaoRegistro f600(
        sessao_, "F600",
        {"IDF_RegEFDF010", "IND_NAT_RET", "DT_RET", "VL_BC_RET", "VL_RET", "COD_REC", "INT_NAT_REC",
         "CNPJ", "VL_RET_PIS", "VL_RET_COFINS", "IND_DEC"});
    for (const auto& l : r.linhas)
      f600.Inserir(bloco_, IdTipoRegistro(sessao_, bloco_, "F600"),
                   {id_f010_, S(l[0]), l[1].AsDateTime().DateOf(), D(l[2]), D(l[3]), S(l[4]),
                    S(l[5]), PreencherZerosEsquerda(S(l[6]), 14), D(l[7]), D(l[8]), S(l[9])});
  }

  std::string Participante(const TVariant& ident) {
    if (ident.IsNull()) return "";
    return r0150_->IncluirIdentidade(c_.id, bloco0_, static_cast<int>(ident.AsInt64()), c_.inicio,
                                     c_.fim, e_.id_0140);
  }

  std::string Conta(const TVariant& conta) {
    if (conta.IsNull() || !Escolhido(e_.nomes, "0500")) return "";
    std::string natureza;
    r0500_->INTERNO_Incluir(c_.id, bloco0_, IdTipoRegistro(sessao_, bloco0_, "0500"), "", "", "",
                            static_cast<int>(conta.AsInt64()), natureza, "A", "", false);
    return Trim(r0500_->Campo("RegEFD0500_CodConta").AsString());
  }

  const TEstabelecimento& e_;
  TxbSession& sessao_;
  const TxbCabecalhoEFD& c_;
  int bloco_, bloco0_;
  int64_t id_f010_ = 0;
  std::shared_ptr<Th5RegistroEFD0150> r0150_;
  std::shared_ptr<Th5RegistroEFD0500> r0500_;
  TxbObjetoTemporario liberar_0150_, liberar_0500_;
};

}  // namespace

bool MovimentoF100(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial) {
  for (const char* tabela : {"Z8_OPEPISCOF", "Z8_RETPISCOF"})
    if (!sessao
             .Consultar(std::string("SELECT ID FROM ") + tabela + kPeriodo,
                        PeriodoDaFilial(cabecalho, filial))
             .Vazio())
      return true;
  return MovimentoReceitasPresumidas(sessao, cabecalho, filial);
}

void GerarBlocoF(const TEstabelecimento& e, int bloco) {
  TGeracaoF100(e, bloco).Executar();
}

}  // namespace efd
