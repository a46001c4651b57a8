#include "erp/demo_outrasoperacoes.h"

#include <cmath>
#include <string>

#include "erp/insercao.h"

namespace efd::erp {
namespace {

double Aplicar(double valor, double aliquota) {
  return std::round(valor * aliquota) / 100;
}

// The PIS/COFINS credits of the month of two of the head office's assets:
// the lathe's on its depreciation charges, which a process lets it take, and
// the month's new asset's on its acquisition value, in 12 instalments.
int64_t CreditosDosBens(TpbBD& bd, const ResultadoDemo& demo, int64_t proximo,
                        const TVariant& conta) {
  struct TCreditoBem {
    const char* bem;
    const char* base;  // 1 depreciation, 2 acquisition
    const char* natureza;
    const char* identificacao;
    double valor, base_credito;
    const char* parcelas;
    const char* processo;
  };
  const TCreditoBem creditos[] = {
      {"BEM0002", "1", "09", "04", 1500.0, 1500.0, "", "00123456720234036100"},
      {"BEM0001", "2", "10", "05", 12000.0, 1000.0, "2", ""},
  };
  for (const TCreditoBem& c : creditos) {
    const TxbResultado bem =
        bd.Consultar("SELECT ID FROM Z8_PROPAPPTR WHERE NUMITEM = :BEM AND IDF_FILIAL = :F",
                     {{"BEM", std::string(c.bem)}, {"F", demo.filiais.front()}});
    if (bem.Vazio()) continue;
    const bool aquisicao = *c.base == '2';
    InserirValores(bd, "Z8_CREPCBEM",
                   {{"ID", proximo++},
                    {"IDF_PROPAPPTR", bem.linhas[0][0]},
                    {"DATA", demo.inicio},
                    {"BASE", std::string(c.base)},
                    {"NATBCCRED", std::string(c.natureza)},
                    {"IDENTBEM", std::string(c.identificacao)},
                    {"ORIGCRED", std::string("0")},
                    {"UTILIZACAO", std::string("1")},
                    {"VALOR", c.valor},
                    {"PARCNAOCRED", 0.0},
                    {"BASECREDAQUIS", aquisicao ? TVariant(c.valor) : TVariant()},
                    {"NRPARCELAS", aquisicao ? TVariant(std::string(c.parcelas)) : TVariant()},
                    {"CLATRIBPIS", std::string("K")},
                    {"PISBASE", c.base_credito},
                    {"PISALIQ", 1.65},
                    {"PISVALOR", Aplicar(c.base_credito, 1.65)},
                    {"CLATRIBCOFINS", std::string("K")},
                    {"COFINSBASE", c.base_credito},
                    {"COFINSALIQ", 7.6},
                    {"COFINSVALOR", Aplicar(c.base_credito, 7.6)},
                    {"IDF_CTACTB", conta},
                    {"NUMPROCESSO", *c.processo ? TVariant(std::string(c.processo)) : TVariant()},
                    {"INDPROCESSO", *c.processo ? TVariant(std::string("1")) : TVariant()}});
  }
  return proximo;
}

}  // namespace

int64_t ConstruirOutrasOperacoesDemo(TpbBD& bd, const ResultadoDemo& demo) {
  int64_t proximo = demo.maior_id + 1;
  const int64_t filial = demo.filiais.front();
  const TxbResultado participantes = bd.Consultar(
      "SELECT DISTINCT IDF_IDENT FROM Z8_DOCTO WHERE IDF_FILIAL = :F AND IDF_IDENT IS NOT NULL "
      "ORDER BY IDF_IDENT",
      {{"F", filial}});
  const TxbResultado contas =
      bd.Consultar("SELECT IDF_CTACTB FROM Z8_TPDOCTOGER WHERE IDF_CTACTB IS NOT NULL ORDER BY ID");
  // A month without documents has no operations either.
  if (participantes.Vazio() || contas.Vazio()) return proximo - 1;
  const TVariant conta = contas.linhas[0][0];
  const auto dia = [&demo](int d) { return TDateTime(demo.inicio.dias + d - 1); };
  struct TOperacao {
    const char* ind_oper;
    int dia;
    double valor;
    const char* letra;     // PIS/COFINS taxation letter
    const char* natureza;  // of the credit's base, or of a revenue without the contribution
    const char* descricao;
    const char* processo;
  };
  // The rent's credit follows an administrative process.
  const TOperacao operacoes[] = {
      {"0", 10, 4500, "K", "05", "Aluguel do galpão de armazenagem", "10880.720001/2023-11"},
      {"1", 28, 1250.4, "A", "", "Receita de locação de espaço publicitário", ""},
      {"2", 29, 820.0, "E", "121", "Receita de operação com alíquota zero", ""},
      // Costs common to the kinds of revenue, whose credit block M apportions:
      // the electricity serves every sale (CST 56), the forklifts the
      // domestic ones, taxed or not (CST 53).
      {"0", 15, 3200.0, "Q", "04", "Energia elétrica do estabelecimento", ""},
      {"0", 18, 1800.0, "N", "06", "Aluguel de empilhadeiras", ""},
  };
  for (const TOperacao& o : operacoes) {
    const bool credito = *o.ind_oper == '0', tributada = *o.ind_oper == '1';
    const double aliquota_pis = credito || tributada ? 1.65 : 0.0;
    const double aliquota_cofins = credito || tributada ? 7.6 : 0.0;
    const auto aplicar = [&o](double aliquota) { return Aplicar(o.valor, aliquota); };
    const auto texto = [](const char* t) { return *t ? TVariant(std::string(t)) : TVariant(); };
    InserirValores(bd, "Z8_OPEPISCOF",
                   {{"ID", proximo++},
                    {"IDF_FILIAL", filial},
                    {"DATA", dia(o.dia)},
                    {"INDOPER", std::string(o.ind_oper)},
                    {"IDF_IDENT", participantes.linhas[0][0]},
                    {"VALOR", o.valor},
                    {"CLATRIBPIS", std::string(o.letra)},
                    {"PISBASE", o.valor},
                    {"PISALIQ", aliquota_pis},
                    {"PISVALOR", aplicar(aliquota_pis)},
                    {"CLATRIBCOFINS", std::string(o.letra)},
                    {"COFINSBASE", o.valor},
                    {"COFINSALIQ", aliquota_cofins},
                    {"COFINSVALOR", aplicar(aliquota_cofins)},
                    {"NATBCCRED", credito ? texto(o.natureza) : TVariant()},
                    {"NATRECEITA", credito ? TVariant() : texto(o.natureza)},
                    {"NUMPROCESSO", texto(o.processo)},
                    {"INDPROCESSO", texto(*o.processo ? "3" : "")},
                    {"IDF_CTACTB", conta},
                    {"DESCRICAO", std::string(o.descricao)}});
  }
  proximo = CreditosDosBens(bd, demo, proximo, conta);
  // A presumed credit deducted from the non-cumulative contribution.
  InserirValores(bd, "Z8_DEDPISCOF",
                 {{"ID", proximo++},
                  {"IDF_FILIAL", filial},
                  {"DATA", dia(25)},
                  {"ORIGEM", std::string("99")},
                  {"NATUREZA", std::string("0")},
                  {"VALORPIS", 12.5},
                  {"VALORCOFINS", 57.6},
                  {"BASEOPERACAO", 760.0},
                  {"COMPLEMENTO", std::string("Crédito presumido do mês")}});
  InserirValores(bd, "Z8_RETPISCOF",
                 {{"ID", proximo++},
                  {"IDF_FILIAL", filial},
                  {"DATA", dia(20)},
                  {"NATUREZA", std::string("1")},
                  {"BASE", 10000.0},
                  {"VALOR", 365.0},
                  {"CODRECEITA", std::string("6147")},
                  {"NATRECEITA", std::string("0")},
                  {"CNPJFONTE", std::string("00394460000141")},
                  {"VALORPIS", 65.0},
                  {"VALORCOFINS", 300.0},
                  {"INDDECLARANTE", std::string("0")}});
  return proximo - 1;
}

}  // namespace efd::erp
