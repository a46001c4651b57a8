#include "registers/piscofins/geracaoa100.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>

#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/block0/uh5registroefd0450.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/blockC/documentosc100.h"
#include "registers/blockC/uh5registroefdc100.h"
#include "registers/piscofins/uh5registroefda110.h"
#include "registers/piscofins/uh5registroefda170.h"

namespace efd {
namespace {

// The ERP's model of the municipal service invoices.
constexpr const char* kModeloServico = "SE";
// A service taken as an input: the nature of its credit's base.
constexpr const char* kNaturezaServicoInsumo = "03";

std::string Selecao(const char* colunas) {
  return fmt::format(
      "SELECT {} FROM Z8_DOCTO A "
      "INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = A.IDF_TPDOCTO "
      "INNER JOIN Z8_TPDOCTOGER D ON D.IDA = C.ID "
      "INNER JOIN Z8_MODELODOCT E ON E.ID = COALESCE(A.IDF_MODELODOCTO, D.IDF_MODELODOCT) "
      "INNER JOIN Z8_TIPDOC H ON H.ID = A.IDF_TPDOCTO "
      "INNER JOIN Z8_PADRAODOC G ON G.ID = H.IDF_PADRAODOC "
      "INNER JOIN Z8_SERIEDOCTO SERIE ON SERIE.ID = A.IDF_SERIEDOCTO "
      "WHERE A.IDF_FILIAL = :FILIAL AND E.CODMODELO = '{}' AND A.SITUACAO = '1' AND "
      "((A.DATAEMI >= :INICIO AND A.DATAEMI <= :FIM) OR "
      "(A.DTENTSAI >= :INICIO AND A.DTENTSAI <= :FIM)) ",
      colunas, kModeloServico);
}

// A service item with its taxes, as the A170 takes it.
struct TItemServico {
  int seq = 0;
  int64_t servico = 0;
  std::string codigo, nome, cod_serv, cst_pis, cst_cofins, natureza_receita;
  double valor = 0, desconto = 0, iss = 0;
  double base_pis = 0, aliquota_pis = 0, pis = 0, base_cofins = 0, aliquota_cofins = 0, cofins = 0;
};

class TGeracaoA100 {
 public:
  TGeracaoA100(const TEstabelecimento& e, int bloco)
      : e_(e),
        sessao_(e.sessao),
        c_(e.cabecalho),
        bloco_(bloco),
        bloco0_(IdBloco0(sessao_, c_.id)),
        a110_(Criar<Th5RegistroEFDA110>("RegistroEFDA110")),
        a170_(Criar<Th5RegistroEFDA170>("RegistroEFDA170")),
        r0150_(Criar<Th5RegistroEFD0150>("RegistroEFD0150")),
        r0200_(Criar<Th5RegistroEFD0200>("RegistroEFD0200")),
        r0450_(Criar<Th5RegistroEFD0450>("RegistroEFD0450")),
        r0500_(Criar<Th5RegistroEFD0500>("RegistroEFD0500")) {}

  ~TGeracaoA100() {
    for (const auto& o : objetos_) Aplicacao().Destruir(o);
  }

  void Executar() {
    id_a010_ =
        TxbInsercaoRegistro(sessao_, "A010", {"CNPJ"}).Inserir(bloco_, Tipo("A010"), {e_.cnpj});
    TxbResultado r = sessao_.Consultar(
        Selecao("A.ID, A.NRODOCTO, A.IDF_IDENT, A.DATAEMI, A.DTENTSAI, A.SITUACAONF, "
                "A.VALTOTALNF, A.VALDESCONTO, A.IDF_TPDOCTO, A.OBSFISCAL, G.CODINTERNO, "
                "SERIE.CODIGO, SERIE.TIPO") +
            "ORDER BY A.DATAEMI, A.ID",
        PeriodoDaFilial(c_, e_.filial));
    for (const auto& l : r.linhas) Documento(l);
  }

 private:
  template <typename T>
  std::shared_ptr<T> Criar(const char* familia) {
    auto o = Aplicacao().CriarComo<T>(familia, sessao_);
    objetos_.push_back(o);
    return o;
  }
  int Tipo(const char* codigo) { return tipos_(bloco_, codigo); }
  int Tipo0(const char* codigo) { return tipos_(bloco0_, codigo); }
  bool Escolhido(const char* codigo) const { return efd::Escolhido(e_.nomes, codigo); }

  static std::string S(const TVariant& v) { return Trim(v.AsString()); }
  static double D(const TVariant& v) { return v.AsFloat(); }

  void Documento(const std::vector<TVariant>& l) {
    const int64_t id = l[0].AsInt64();
    const std::string numero = S(l[1]);
    const TDateTime emissao = l[3].IsNull() ? TDateTime() : l[3].AsDateTime().DateOf();
    const TDateTime execucao = l[4].IsNull() ? TDateTime() : l[4].AsDateTime().DateOf();
    const std::string operacao =
        Th5RegistroEFDC100::OperacaoDoCodigoInterno(static_cast<int>(l[10].AsInt64()));
    // An output counts in the month it was issued, an entry in the month it
    // came in.
    if (operacao == "1" && emissao < c_.inicio.DateOf()) return;
    if (operacao == "0" && execucao > c_.fim.DateOf()) return;
    const std::string descricao = fmt::format("documento {} (ID {})", numero, id);
    const bool cancelado = S(l[5]) == "1";
    const std::vector<TItemServico> itens = Itens(id);
    double base_pis = 0, pis = 0, base_cofins = 0, cofins = 0, iss = 0;
    for (const TItemServico& i : itens) {
      base_pis += i.base_pis;
      pis += i.pis;
      base_cofins += i.base_cofins;
      cofins += i.cofins;
      iss += i.iss;
    }
    const std::string participante =
        l[2].IsNull() ? ""
                      : r0150_->IncluirIdentidade(c_.id, bloco0_, static_cast<int>(l[2].AsInt64()),
                                                  c_.inicio, c_.fim, e_.id_0140);
    const int64_t id_a100 =
        TxbInsercaoRegistro(
            sessao_, "A100",
            {"IDF_RegEFDA010", "IND_OPER", "IND_EMIT", "COD_PART", "COD_SIT", "SER", "NUM_DOC",
             "DT_DOC", "DT_EXE_SERV", "VL_DOC", "IND_PGTO", "VL_DESC", "VL_BC_PIS", "VL_PIS",
             "VL_BC_COFINS", "VL_COFINS", "VL_PIS_RET", "VL_COFINS_RET", "VL_ISS"})
            .Inserir(
                bloco_, Tipo("A100"),
                {id_a010_, operacao, Th5RegistroEFDC100::IndicadorEmitente(S(l[12]), descricao),
                 participante, cancelado ? "1" : "0", S(l[11]), numero, Data(emissao),
                 Data(execucao), D(l[6]), IndicadorPagamento(id, emissao), D(l[7]),
                 Arredondar(base_pis, 2), Arredondar(pis, 2), Arredondar(base_cofins, 2),
                 Arredondar(cofins, 2), 0.0, 0.0, Arredondar(iss, 2)});
    // A cancelled document carries no texts, items nor values of its own.
    if (cancelado) return;
    Texto(id_a100, S(l[9]));
    const std::string conta = Conta(l[8].AsInt64());
    for (const TItemServico& i : itens) Item(id_a100, operacao, i, conta, descricao);
  }

  static TVariant Data(TDateTime d) { return d.EhDataZero() ? TVariant() : TVariant(d); }

  // "9" without instalments; otherwise cash when the only one falls due on
  // the emission date.
  std::string IndicadorPagamento(int64_t id, TDateTime emissao) {
    TxbResultado r = sessao_.Consultar(
        "SELECT COUNT(*), MAX(V.DATAVENCTO) FROM Z8_PARTEDOCTO P "
        "INNER JOIN Z8_PARCDOCTO V ON V.IDA = P.ID WHERE P.IDF_DOCTO = :DOC",
        {{"DOC", id}});
    const int parcelas = static_cast<int>(r.linhas[0][0].AsInt64());
    if (parcelas == 0) return "9";
    return Th5RegistroEFDC100::IndicadorPagamento(
        parcelas, r.linhas[0][1].AsDateTime().DateOf() <= emissao, c_.inicio);
  }

  std::vector<TItemServico> Itens(int64_t documento) {
    TxbResultado r = sessao_.Consultar(
        "SELECT I.SEQITEM, S.ID, S.CODIGO, S.NOME, S.CODSERV, I.VALBRUTO, I.VALDESCONTO, "
        "T.ISSVALOR, T.CLATRIBPIS, T.PISBASE, T.PISALIQ, T.PISVALOR, T.CLATRIBCOFINS, "
        "T.COFINSBASE, T.COFINSALIQ, T.COFINSVALOR, T.NATRECPISCOFINS "
        "FROM Z8_PARTEDOCTO P INNER JOIN Z8_DOCTOITEM I ON I.IDA = P.ID "
        "INNER JOIN Z8_SERVICO S ON S.ID = I.IDF_SERVICO "
        "LEFT JOIN Z8_TRIBITEM TB ON TB.IDF_DOCTOITEM = I.ID "
        "LEFT JOIN Z8_TRIITEMSER T ON T.IDA = TB.ID "
        "WHERE P.IDF_DOCTO = :DOC ORDER BY I.SEQITEM",
        {{"DOC", documento}});
    std::vector<TItemServico> itens;
    for (const auto& l : r.linhas)
      itens.push_back({static_cast<int>(l[0].AsInt64()), l[1].AsInt64(), S(l[2]), S(l[3]), S(l[4]),
                       Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(S(l[8])),
                       Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(S(l[12])), S(l[16]),
                       D(l[5]), D(l[6]), D(l[7]), D(l[9]), D(l[10]), D(l[11]), D(l[13]), D(l[14]),
                       D(l[15])});
    return itens;
  }

  void Texto(int64_t id_a100, const std::string& texto) {
    if (texto.empty() || !Escolhido("A110") || !Escolhido("0450")) return;
    const int codigo = r0450_->IncluirNovo(c_.id, bloco0_, Tipo0("0450"), texto, e_.id_0140);
    a110_->Incluir(c_.id, bloco_, Tipo("A110"), static_cast<int>(id_a100), std::to_string(codigo),
                   texto, 0);
  }

  std::string Conta(int64_t tipo_documento) {
    auto it = contas_.find(tipo_documento);
    if (it != contas_.end()) return it->second;
    return contas_[tipo_documento] = Escolhido("0500")
                                         ? r0500_->IncluirContaDoTipoDocumento(
                                               c_.id, bloco0_, Tipo0("0500"), tipo_documento)
                                         : "";
  }

  void Item(int64_t id_a100, const std::string& operacao, const TItemServico& i,
            const std::string& conta, const std::string& documento) {
    std::string codigo = "S" + i.codigo, unidade;
    r0200_->IncluirNovo(c_.id, bloco0_, codigo, static_cast<int>(i.servico), i.nome, "", "", "J",
                        unidade, "", "", "", i.cod_serv, "", 0, c_.inicio, c_.fim, e_.id_0140,
                        e_.filial);
    const bool credito = operacao == "0" && i.cst_pis >= "50" && i.cst_pis <= "56";
    if (Escolhido("A170"))
      a170_->Incluir(c_.id, bloco_, Tipo("A170"), static_cast<int>(id_a100), i.seq, codigo, i.nome,
                     i.valor, i.desconto, credito ? kNaturezaServicoInsumo : "", credito ? "0" : "",
                     i.cst_pis, i.base_pis, i.aliquota_pis, i.pis, i.cst_cofins, i.base_cofins,
                     i.aliquota_cofins, i.cofins, conta, "", 0);
    if (operacao != "1" || !CSTSemContribuicao(i.cst_pis) || !e_.receita_sem_contribuicao) return;
    if (i.natureza_receita.empty())
      throw EErro(fmt::format(
          "Registro M410, {}, item {}: a tributação do serviço (TribItemServ_NatRecPisCofins) "
          "não informa a natureza da receita do CST {}",
          documento, i.seq, i.cst_pis));
    e_.receita_sem_contribuicao(i.cst_pis, i.cst_cofins, i.natureza_receita, conta,
                                Arredondar(i.valor - i.desconto, 2));
  }

  const TEstabelecimento& e_;
  TxbSession& sessao_;
  const TxbCabecalhoEFD& c_;
  int bloco_, bloco0_;
  TTiposRegistro tipos_{sessao_};
  int64_t id_a010_ = 0;
  std::vector<std::shared_ptr<ThbObjetoNegocio>> objetos_;
  std::shared_ptr<Th5RegistroEFDA110> a110_;
  std::shared_ptr<Th5RegistroEFDA170> a170_;
  std::shared_ptr<Th5RegistroEFD0150> r0150_;
  std::shared_ptr<Th5RegistroEFD0200> r0200_;
  std::shared_ptr<Th5RegistroEFD0450> r0450_;
  std::shared_ptr<Th5RegistroEFD0500> r0500_;
  std::map<int64_t, std::string> contas_;
};

}  // namespace

bool MovimentoA100(TxbSession& sessao, const TxbCabecalhoEFD& cabecalho, int filial) {
  return !sessao.Consultar(Selecao("A.ID"), PeriodoDaFilial(cabecalho, filial)).Vazio();
}

void GerarBlocoA(const TEstabelecimento& e, int bloco) {
  TGeracaoA100(e, bloco).Executar();
}

}  // namespace efd
