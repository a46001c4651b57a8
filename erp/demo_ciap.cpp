#include "erp/demo_ciap.h"

#include <string>
#include <utility>
#include <vector>

#include "erp/insercao.h"

namespace efd::erp {
namespace {

using TLinha = std::vector<std::pair<std::string, TVariant>>;

// The share of taxed outputs of the month (200,000.00 of 250,000.00).
constexpr double kIndiceDoMes = 0.8;

// An asset of the demo and its credit: the ICMS recorded, the number of
// instalments and the month's instalment.
struct TBemDemo {
  const char* codigo;
  const char* descricao;
  const char* tipo_mov;
  int meses_antes;  // acquisition, months before the demo's month
  int dia;          // day of the acquisition
  int parcelas, parcela;
  double icms, difal;
  bool baixado;
};
const TBemDemo kBens[] = {
    {"BEM0002", "Torno mecânico CNC", "2", 24, 12, 48, 25, 2400.0, 0.0, false},
    {"BEM0003", "Empilhadeira elétrica", "1", 47, 3, 48, 48, 1440.0, 480.0, false},
    {"BEM0004", "Caldeira industrial", "1", 12, 20, 60, 13, 6000.0, 0.0, false},
    {"BEM0005", "Veículo de carga", "1", 19, 8, 48, 20, 1920.0, 0.0, true},
};

void Inserir(TpbBD& bd, const std::string& tabela, const TLinha& linha) {
  std::vector<std::string> colunas;
  for (const auto& [coluna, valor] : linha) colunas.push_back(coluna);
  TxbInsercao insercao(bd, tabela, colunas);
  for (size_t i = 0; i < linha.size(); ++i) insercao.Definir(i, linha[i].second);
  insercao.Gravar();
}

// The products of the assets bought before the month, by code.
const std::pair<const char*, const char*> kProdutosDosBens[] = {
    {"90001", "Torno mecânico CNC"},  {"90002", "Empilhadeira elétrica"},
    {"90003", "Caldeira industrial"}, {"90004", "Veículo de carga"},
    {"90005", "Motor do torno CNC"},  {"90006", "Máquina de envase"}};

class TCIAPDemo {
 public:
  TCIAPDemo(TpbBD& bd, const ResultadoDemo& demo)
      : bd_(bd), demo_(demo), proximo_(demo.maior_id + 1) {}

  int64_t Construir() {
    matriz_ = demo_.filiais.front();
    icms_ =
        bd_.Consultar("SELECT ID FROM Z8_IMPOSTO WHERE TIPO = '0'").linhas.at(0).at(0).AsInt64();
    Faturamento();
    const int64_t producao = CentroCusto("CC01");
    const int64_t administracao = CentroCusto("CC02");

    // Bought in the month: the product of the first item of the first
    // purchase on an electronic invoice.
    TxbResultado compra = bd_.Consultar(
        "SELECT D.ID, D.DATAEMI, I.IDF_PROD FROM Z8_DOCTO D "
        "INNER JOIN Z8_TIPDOC T ON T.ID = D.IDF_TPDOCTO "
        "INNER JOIN Z8_PADRAODOC P ON P.ID = T.IDF_PADRAODOC "
        "INNER JOIN Z8_PARTETPDOC C ON C.IDF_TIPDOC = T.ID "
        "INNER JOIN Z8_TPDOCTOGER G ON G.IDA = C.ID "
        "INNER JOIN Z8_MODELODOCT M ON M.ID = COALESCE(D.IDF_MODELODOCTO, G.IDF_MODELODOCT) "
        "INNER JOIN Z8_PARTEDOCTO R ON R.IDF_DOCTO = D.ID "
        "INNER JOIN Z8_DOCTOITEM I ON I.IDA = R.ID "
        "WHERE (D.IDF_FILIAL = :FILIAL) AND (P.CODINTERNO = 13) AND (I.IDF_PROD IS NOT NULL) "
        "AND (M.CODMODELO = '55') "
        "AND (D.DTENTSAI BETWEEN :INICIO AND :FIM) ORDER BY D.ID, I.SEQITEM",
        {{"FILIAL", matriz_}, {"INICIO", demo_.inicio}, {"FIM", demo_.fim}});
    const bool comprado = !compra.Vazio();
    const int64_t novo =
        Bem("BEM0001", comprado ? compra.linhas[0][2].AsInt64() : Produto("Máquina de envase"), "2",
            comprado ? compra.linhas[0][1].AsDateTime() : Dia(0, 10), producao, 0,
            comprado ? compra.linhas[0][0] : TVariant());
    Credito(novo, 48, 4800.0, 96.0, 0.0, 1, TVariant(), kIndiceDoMes);

    int64_t torno = 0;
    for (const TBemDemo& b : kBens) {
      const int64_t id = Bem(b.codigo, Produto(b.descricao), b.tipo_mov, Dia(b.meses_antes, b.dia),
                             b.baixado ? administracao : producao, 0, TVariant());
      if (!torno) torno = id;
      Credito(id, b.parcelas, b.icms, 0.0, b.difal, b.parcela, TVariant(),
              b.baixado ? 0.0 : kIndiceDoMes);
    }

    // The lathe's motor, incorporated on the 5th and credited on the 20th,
    // under the month's CIAP assessment.
    const int64_t motor =
        Bem("BEM0006", Produto("Motor do torno CNC"), "4", Dia(0, 5), producao, torno, TVariant());
    Credito(motor, 48, 960.0, 0.0, 0.0, 1, Dia(0, 20), 0.75);
    Inserir("Z8_APURACIAP", {{"ID", proximo_++},
                             {"IDF_IMPOSTO", icms_},
                             {"IDF_FILIAL", matriz_},
                             {"DATAINI", demo_.inicio},
                             {"DATAFIN", demo_.fim},
                             {"VALVENDASTRIB", 180000.0},
                             {"VALFATURAMENTO", 240000.0}});
    return proximo_ - 1;
  }

 private:
  void Inserir(const std::string& tabela, const TLinha& linha) { erp::Inserir(bd_, tabela, linha); }

  int64_t Id(const std::string& sql, const char* codigo) {
    return bd_.Consultar(sql, {{"CODIGO", codigo}}).linhas.at(0).at(0).AsInt64();
  }
  int64_t Produto(const char* nome) {
    for (const auto& [codigo, descricao] : kProdutosDosBens)
      if (std::string(descricao) == nome)
        return Id("SELECT ID FROM Z8_PROD WHERE CODPROD = :CODIGO", codigo);
    return 0;
  }
  int64_t CentroCusto(const char* codigo) {
    return Id("SELECT ID FROM Z8_CCUSTO WHERE CODIGO = :CODIGO", codigo);
  }

  // A day of the month `meses` months before the demo's.
  TDateTime Dia(int meses, int dia) const {
    int mes = demo_.inicio.Mes() - meses, ano = demo_.inicio.Ano();
    for (; mes < 1; mes += 12) --ano;
    return TDateTime::EncodeDate(ano, mes, dia);
  }

  // The outputs of the month on the head office's ICMS assessment.
  void Faturamento() {
    TxbResultado parte = bd_.Consultar(
        "SELECT P.ID FROM Z8_APUIMPOSTO A INNER JOIN Z8_PARTEDOCTO D ON D.IDF_DOCTO = A.IDF_DOCTO "
        "INNER JOIN Z8_PARTEDFAPU P ON P.IDA = D.ID "
        "WHERE A.IDF_FILIAL = :FILIAL AND A.IDF_IMPOSTO = :ICMS AND A.PERINICIAL = :INICIO",
        {{"FILIAL", matriz_}, {"ICMS", icms_}, {"INICIO", demo_.inicio}});
    if (parte.Vazio()) return;
    for (auto [tipo, valor] : {std::pair{"A", 250000.0}, std::pair{"B", 200000.0}})
      Inserir("Z8_PTDFAIVLRS", {{"ID", proximo_++},
                                {"IDF_PARTEDFAPU", parte.linhas[0][0]},
                                {"TIPOCAMPO", tipo},
                                {"VALOR", valor}});
  }

  int64_t Bem(const char* codigo, int64_t produto, const char* tipo_mov, TDateTime aquisicao,
              int64_t centro, int64_t principal, const TVariant& compra) {
    const int64_t id = proximo_++;
    Inserir("Z8_PROPAPPTR", {{"ID", id},
                             {"IDF_PROD", produto},
                             {"IDF_FILIAL", matriz_},
                             {"NUMITEM", codigo},
                             {"TIPOMOV", tipo_mov},
                             {"DATAAQUISICAO", aquisicao},
                             {"CONTROLECREDITOS", TVariant(true)},
                             {"IDF_DOCTONFCOMPRA", compra},
                             {"TIPOMERC", principal ? "2" : "1"},
                             {"IDF_PROPRINC", principal ? TVariant(principal) : TVariant()},
                             {"FUNCAO", principal ? "Acionamento do torno" : "Produção"},
                             {"VIDAUTIL", 120},
                             {"IDF_CENTROCUSTO", centro}});
    return id;
  }

  // The asset's ICMS credit and its instalment of the month: the credit
  // over the instalments, of which the share of taxed outputs may be used
  // (none for an asset written off).
  void Credito(int64_t bem, int parcelas, double icms, double frete, double difal, int parcela,
               const TVariant& data_credito, double indice) {
    const int64_t credito = proximo_++;
    Inserir("Z8_CREAPIMP", {{"ID", credito},
                            {"IDF_IMPOSTO", icms_},
                            {"IDF_FILIALCREDITO", matriz_},
                            {"IDF_PROPAPPTR", bem},
                            {"NRPARCELAS", parcelas},
                            {"ICMSNORMAL", icms},
                            {"ICMSSIMPLESNAC", 0.0},
                            {"ICMSSUBSTTRIB", 0.0},
                            {"ICMSFRETE", frete},
                            {"ICMSDIFALIQ", difal}});
    const double valor = (icms + frete + difal) / parcelas;
    Inserir("Z8_CREAPIPARC", {{"ID", proximo_++},
                              {"IDF_CREAPIMP", credito},
                              {"DATAREFERENCIA", demo_.inicio},
                              {"DATACREDITO", data_credito},
                              {"NRPARCELA", parcela},
                              {"VLRCREPARCELA", valor},
                              {"VLRCREUTIPARCELA", valor * indice}});
  }

  TpbBD& bd_;
  const ResultadoDemo& demo_;
  int64_t proximo_;
  int64_t matriz_ = 0, icms_ = 0;
};

}  // namespace

int64_t CadastrosDoCIAPDemo(TpbBD& bd, int64_t empresa, int64_t proximo) {
  for (auto [codigo, nome] : {std::pair{"CC01", "Produção"}, std::pair{"CC02", "Administração"}})
    Inserir(bd, "Z8_CCUSTO",
            {{"ID", proximo++},
             {"CODIGO", codigo},
             {"NOME", nome},
             {"DTINCLUSAO", TDateTime::EncodeDate(2010, 1, 4)}});
  for (const auto& [codigo, nome] : kProdutosDosBens)
    Inserir(bd, "Z8_PROD",
            {{"ID", proximo++}, {"IDF_EMPRESA", empresa}, {"CODPROD", codigo}, {"NMPROD", nome}});
  return proximo;
}

int64_t ConstruirCIAPDemo(TpbBD& bd, const ResultadoDemo& demo) {
  return TCIAPDemo(bd, demo).Construir();
}

}  // namespace efd::erp
