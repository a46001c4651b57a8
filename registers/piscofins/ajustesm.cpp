#include "registers/piscofins/ajustesm.h"

#include <fmt/format.h>

#include <cmath>
#include <map>

#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0500.h"

namespace efd {
namespace {

constexpr const char* kAjustes =
    "SELECT A.ID, A.OBJETO, A.CODCREDITO, A.CODCONTRIBUICAO, A.ALIQUOTA, A.INDAJUSTE, A.VALOR, "
    "A.CODAJUSTE, A.NUMDOCTO, A.DESCRICAO, A.DATAREF, A.IDF_FILIAL, A.IDF_CTACTB, A.INFOCOMPL, "
    "A.DETVALOR, A.DETCST, A.DETBASE, A.DETALIQUOTA, A.DETDATA, A.DETDESCRICAO "
    "FROM Z8_AJAPPISCOF A WHERE A.IDF_EMPRESA = :EMPRESA AND A.CONTRIBUICAO = :CONTRIBUICAO "
    "AND A.DATAREF BETWEEN :INICIO AND :FIM ORDER BY A.DATAREF, A.ID";

// The CNPJ of an establishment of the file, as its 0140 states it.
std::string CnpjDoEstabelecimento(TxbSession& sessao, int bloco0, int filial) {
  TxbResultado r = sessao.Consultar(
      "SELECT A.CNPJ FROM Z8_REGEFD0140 A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO AND A.CODEST = :FILIAL",
      {{"BLOCO", bloco0}, {"FILIAL", std::to_string(filial)}});
  return r.Vazio() ? "" : Trim(r.linhas[0][0].AsString());
}

class TLeituraAjustes {
 public:
  TLeituraAjustes(TxbSession& sessao, int id_efd)
      : sessao_(sessao),
        cabecalho_(LerCabecalhoEFD(sessao, id_efd)),
        bloco0_(IdBloco0(sessao, id_efd)) {}
  ~TLeituraAjustes() {
    if (r0500_) Aplicacao().Destruir(r0500_);
  }

  std::vector<TAjusteApuracao> Ler(bool cofins) {
    std::vector<TAjusteApuracao> ajustes;
    const bool com_base = cabecalho_.inicio >= TDateTime::EncodeDate(2019, 1, 1);
    TxbResultado r = sessao_.Consultar(kAjustes, {{"EMPRESA", cabecalho_.empresa},
                                                  {"CONTRIBUICAO", cofins ? "2" : "1"},
                                                  {"INICIO", cabecalho_.inicio.DateOf()},
                                                  {"FIM", cabecalho_.fim.DateOf()}});
    for (const auto& l : r.linhas) {
      TAjusteApuracao a = Ajuste(l, cofins);
      if (a.objeto != 'B' || com_base) ajustes.push_back(std::move(a));
    }
    return ajustes;
  }

 private:
  TAjusteApuracao Ajuste(const std::vector<TVariant>& l, bool cofins) {
    auto t = [&l](size_t i) { return Trim(l[i].AsString()); };
    auto n = [&l](size_t i) { return l[i].IsNull() ? 0.0 : l[i].AsFloat(); };
    const std::string objeto = UpperCase(t(1));
    const char* registro = objeto == "C"   ? (cofins ? "M510" : "M110")
                           : objeto == "B" ? (cofins ? "M615" : "M215")
                                           : (cofins ? "M620" : "M220");
    auto erro = [&](const std::string& campo, const std::string& problema) {
      return EErro(fmt::format("Registro {}, campo {}: o ajuste {} (AjApPisCof_{}) {}", registro,
                               campo, l[0].AsInt64(), campo, problema));
    };
    if (objeto != "C" && objeto != "B" && objeto != "V")
      throw erro("Objeto", "não diz se ajusta crédito (C), base (B) ou contribuição (V)");
    TAjusteApuracao a;
    a.objeto = objeto[0];
    a.codigo = a.objeto == 'C' ? t(2) : t(3);
    if (a.codigo.empty())
      throw erro(a.objeto == 'C' ? "CodCredito" : "CodContribuicao", "não diz o que ajusta");
    a.aliquota = n(4);
    if (t(5) != "0" && t(5) != "1") throw erro("IndAjuste", "não é 0 (redução) nem 1 (acréscimo)");
    a.acrescimo = t(5) == "1";
    a.valor = Arredondar(n(6), 2);
    if (a.valor <= 0) throw erro("Valor", "não é maior que zero");
    a.codigo_ajuste = t(7);
    if (a.codigo_ajuste.size() != 2) throw erro("CodAjuste", "não tem dois caracteres");
    a.documento = t(8);
    a.descricao = t(9);
    a.data = l[10].AsDateTime().DateOf();
    if (a.objeto == 'B') {
      const int filial = l[11].IsNull() ? cabecalho_.filial : l[11].AsInteger();
      a.cnpj = CnpjDoEstabelecimento(sessao_, bloco0_, filial);
      if (a.cnpj.empty()) throw erro("IDF_Filial", "não é estabelecimento do arquivo");
    }
    if (!l[12].IsNull()) a.conta = Conta(l[12].AsInteger());
    a.complemento = t(13);
    a.valor_detalhe = Arredondar(n(14), 2);
    if (a.valor_detalhe > 0) {
      a.cst_detalhe = t(15);
      a.base_detalhe = n(16);
      a.aliquota_detalhe = n(17);
      a.data_detalhe = l[18].IsNull() ? a.data : l[18].AsDateTime().DateOf();
      a.descricao_detalhe = t(19);
    }
    return a;
  }

  std::string Conta(int id_conta) {
    auto [it, nova] = contas_.try_emplace(id_conta);
    if (!nova) return it->second;
    if (!r0500_) r0500_ = Aplicacao().CriarComo<Th5RegistroEFD0500>("RegistroEFD0500", sessao_);
    std::string natureza;
    r0500_->INTERNO_Incluir(cabecalho_.id, bloco0_, IdTipoRegistro(sessao_, bloco0_, "0500"), "",
                            "", "", id_conta, natureza, "A", "", false);
    return it->second = Trim(r0500_->Campo("RegEFD0500_CodConta").AsString());
  }

  TxbSession& sessao_;
  TxbCabecalhoEFD cabecalho_;
  int bloco0_;
  std::map<int, std::string> contas_;
  std::shared_ptr<Th5RegistroEFD0500> r0500_;
};

}  // namespace

bool TAjusteApuracao::De(char o, const std::string& c, double a) const {
  return objeto == o && codigo == c && (aliquota == 0 || std::fabs(aliquota - a) < 1e-6);
}

std::vector<TAjusteApuracao> LerAjustesApuracao(TxbSession& sessao, int id_efd, bool cofins) {
  return TLeituraAjustes(sessao, id_efd).Ler(cofins);
}

}  // namespace efd
