#include "registers/blockE/apuracao.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "control/linhaefd.h"
#include "framework/hbclientdataset.h"
#include "framework/t2bdados.h"
#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"

namespace efd {

bool RegistroPedido(const std::string& lista, const std::string& nome) {
  if (Trim(lista).empty()) return true;
  for (const auto& linha : Dividir(lista, '\n'))
    if (Trim(linha) == nome) return true;
  return false;
}

int IdImpostoDoTipo(TxbSession& sessao, const std::string& tipo) {
  TxbResultado r = sessao.Consultar("SELECT ID FROM Z8_IMPOSTO WHERE TIPO = :TIPO ORDER BY ID",
                                    {{"TIPO", tipo}});
  return r.Vazio() ? 0 : r.linhas[0][0].AsInteger();
}

TEmpresaDaFilial EmpresaDaFilial(TxbSession& sessao, int id_filial) {
  TxbResultado r = sessao.Consultar(
      "SELECT B.ID, B.NOME FROM Z8_FILIAL A INNER JOIN Z8_EMPRESA B ON B.ID = A.IDF_EMPRESA "
      "WHERE A.ID = :FILIAL",
      {{"FILIAL", id_filial}});
  if (r.Vazio()) return {};
  return {r.linhas[0][0].AsInteger(), Trim(r.linhas[0][1].AsString())};
}

int IdImpostoConfigurado(TxbSession& sessao, int id_empresa, const std::string& tipo,
                         TDateTime data) {
  if (FamiliasRegistradas({"CfgApuracaoImposto"})) {
    TxbResultado r = sessao.Consultar(
        "SELECT B.ID FROM Z8_CfgApuImp A INNER JOIN Z8_IMPOSTO B ON B.ID = A.IDF_IMPOSTO "
        "WHERE (B.TIPO = :TIPO) AND (A.IDF_EMPRESA = :IDEMPRESA) "
        "AND (A.DTINIVIGENCIA <= :DATAVIGENCIA) ORDER BY A.DTINIVIGENCIA DESC ",
        {{"TIPO", tipo}, {"IDEMPRESA", id_empresa}, {"DATAVIGENCIA", data}});
    if (!r.Vazio()) return r.linhas[0][0].AsInteger();
  }
  return IdImpostoDoTipo(sessao, tipo);
}

bool FamiliasRegistradas(std::initializer_list<const char*> familias) {
  for (const char* f : familias)
    if (!Aplicacao().ChecarFamiliaRegistrada(f)) return false;
  return true;
}

std::vector<TApuracao> ApuracoesDoPeriodo(TxbSession& sessao, int id_filial, int id_imposto,
                                          TDateTime inicio, TDateTime fim) {
  TxbResultado r = sessao.Consultar(
      "SELECT A.ID, A.PERINICIAL, A.PERFINAL, A.IDF_DOCTO, A.IDF_UF FROM Z8_APUIMPOSTO A "
      "WHERE (A.IDF_FILIAL = :FILIAL) AND (A.IDF_IMPOSTO = :IMPOSTO) "
      "AND (A.PERINICIAL >= :INICIO) AND (A.PERFINAL <= :FIM) ORDER BY A.PERINICIAL, A.ID",
      {{"FILIAL", id_filial},
       {"IMPOSTO", id_imposto},
       {"INICIO", inicio.DateOf()},
       {"FIM", fim.DateOf()}});
  std::vector<TApuracao> apuracoes;
  for (const auto& l : r.linhas)
    apuracoes.push_back({l[0].AsInteger(), l[1].AsDateTime(), l[2].AsDateTime(), l[3].AsInteger(),
                         l[4].AsInteger()});
  return apuracoes;
}

bool LerParteApuracao(TxbSession& sessao, int id_docto, TParteApuracao& p) {
  if (id_docto == 0) return false;
  TxbResultado r = sessao.Consultar(
      "SELECT B.DEBITOS, B.OUTROSDEBITOS, B.ESTORNOSCREDITOS, B.CREDITOS, B.OUTROSCREDITOS, "
      "B.ESTORNOSDEBITOS, B.SALDOANTERIOR, B.DEDUCOES, B.IMPOSTORECOLHERTTD, B.VALORDEVOL, "
      "B.VALORRESSARC, B.IMPOSTOTRANSPORTAR, B.IMPOSTORECOLHER FROM Z8_PARTEDOCTO A "
      "INNER JOIN Z8_PARTEDFAPU B ON B.IDA = A.ID WHERE (A.IDF_DOCTO = :DOCTO) ORDER BY A.ID",
      {{"DOCTO", id_docto}});
  if (r.Vazio()) return false;
  const auto& l = r.linhas[0];
  double* campos[] = {&p.debitos,         &p.outros_debitos,  &p.estornos_creditos,
                      &p.creditos,        &p.outros_creditos, &p.estornos_debitos,
                      &p.saldo_anterior,  &p.deducoes,        &p.imposto_recolher_ttd,
                      &p.valor_devol,     &p.valor_ressarc,   &p.imposto_transportar,
                      &p.imposto_recolher};
  for (size_t i = 0; i < std::size(campos); ++i) *campos[i] = l[i].AsFloat();
  return true;
}

void FecharSaldos(TValoresE110& v, bool rj) {
  const double saldo = (v.tot_debitos + v.aj_debitos_doc + v.tot_aj_debitos + v.estornos_cred) -
                       (v.tot_creditos + v.aj_creditos_doc + v.tot_aj_creditos + v.estornos_deb +
                        v.saldo_credor_ant);
  const double credor = saldo > 0 ? 0 : std::fabs(saldo);
  v.saldo_apurado = saldo > 0 ? saldo : 0;
  const double a_recolher = v.saldo_apurado - v.tot_deducoes;
  if (a_recolher >= 0) {
    v.saldo_credor_transportar = credor;
    v.icms_recolher = a_recolher;
  } else {
    v.saldo_credor_transportar =
        rj && credor != 0 ? std::fabs(v.tot_deducoes + credor) : std::fabs(a_recolher);
    v.icms_recolher = 0;
  }
}

char SomaDoAjusteDeDocumento(const std::string& codigo, const std::string& origem) {
  const std::string c = Trim(codigo);
  if (c.size() != 10) return 0;
  if (c[3] != '0' && c[3] != '3' && c[3] != '4' && c[3] != '5') return 0;
  if (c[2] == '0' || c[2] == '1' || c[2] == '2') return 'A';
  if (c[2] == '3' || c[2] == '4' || c[2] == '5') return origem == "DOC" ? 'D' : 'O';
  return 0;
}

TDateTime PrimeiroDiaUtilDoMesSeguinte(TxbSession& sessao, TDateTime data) {
  TDateTime dia(UltimoDiaDoMes(data).DateOf().dias + 1);
  std::set<double> feriados;
  if (FamiliasRegistradas({"DatasFeriados"}))
    for (const auto& l :
         sessao
             .Consultar("SELECT DATA FROM KLVG_DATASFERIADOS WHERE (TIPOFERIADO = '1') "
                        "AND (DATA BETWEEN :INICIO AND :FIM)",
                        {{"INICIO", dia}, {"FIM", TDateTime(dia.dias + 40)}})
             .linhas)
      feriados.insert(l[0].AsDateTime().DateOf().dias);
  for (;;) {
    // Day 0 of the calendar (30/12/1899) was a Saturday.
    const int semana = (static_cast<int>(dia.dias) + 6) % 7;  // 0 Sunday .. 6 Saturday
    if (semana != 0 && semana != 6 && !feriados.count(dia.dias)) return dia;
    dia.dias += 1;
  }
}

TDateTime DiaDoMes(TDateTime mes, const std::string& dia) {
  const int ultimo = DiasNoMes(mes.Ano(), mes.Mes());
  const int numero = std::min(static_cast<int>(TextoParaInteiroDef(dia, 1)), ultimo);
  return TDateTime::EncodeDate(mes.Ano(), mes.Mes(), numero);
}

std::string SiglaDoEstado(TxbSession& sessao, int id_uf) {
  TxbResultado r = sessao.Consultar("SELECT SIGLA FROM KLVG_UF WHERE ID = :ID", {{"ID", id_uf}});
  return r.Vazio() ? "" : Trim(r.linhas[0][0].AsString());
}

double SomaDosAjustesC197(TxbSession& sessao, int id_efd,
                          std::initializer_list<std::string> padroes) {
  const TxbFamilia* c197 = TxbMetadados::Instancia().Familia("RegistroEFDC197");
  if (!c197 || !Aplicacao().ChecarFamiliaRegistrada(c197->nome)) return 0;
  const TxbAtributo* codigo = c197->Atributo("CodAjuste");
  const TxbAtributo* icms = c197->Atributo("ValICMS");
  if (!codigo || !icms) return 0;
  std::string condicao;
  TParametros parametros{{"ID_EFD", id_efd}};
  for (const std::string& padrao : padroes) {
    const std::string nome = "P" + std::to_string(parametros.size());
    condicao +=
        (condicao.empty() ? "" : " OR ") + fmt::format("(A.{} LIKE :{})", codigo->coluna, nome);
    parametros.emplace_back(nome, padrao);
  }
  TxbResultado r = sessao.Consultar(
      fmt::format("SELECT SUM(A.{}) FROM {} A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
                  "INNER JOIN Z8_BLOCOSEFD C ON C.ID = B.IDF_BLOCOSEFD WHERE (C.IDF_EFD = :ID_EFD) "
                  "AND ({})",
                  icms->coluna, c197->tabela, condicao),
      parametros);
  return r.Vazio() ? 0 : r.linhas[0][0].AsFloat();
}

double Centavos(double valor) {
  return std::round(valor * 100.0) / 100.0;
}

int IncluirFilho(ThbObjetoNegocio& filho, int tipo, int bloco, const std::string& registro,
                 const std::string& pai, int id_pai, const std::function<void()>& campos) {
  const std::string prefixo = "RegEFD" + registro;
  if (!filho.Ativo()) filho.GetDados().Isolar(0, "VsEDC01");
  filho.IncluirRegistro();
  filho.Campo("RegEFD_IDF_TipoRegEFD").SetAsInteger(tipo);
  filho.Campo("RegEFD_IDF_BlocosEFD").SetAsInteger(bloco);
  filho.Campo("RegEFD_Registro").SetAsString(registro);
  filho.Campo(prefixo + "_IDF_RegEFD" + pai).SetAsInteger(id_pai);
  campos();
  filho.ConfirmarRegistro();
  return filho.Campo(prefixo + "_ID").AsInteger();
}

TxbFilhosDoBloco::TxbFilhosDoBloco(TxbSession& sessao, const std::string& registro,
                                   const std::string& pai, int bloco)
    : objeto_(Aplicacao().Criar("RegistroEFD" + registro, sessao)),
      prefixo_("RegEFD" + registro + "_"),
      ligacao_("RegEFD" + registro + "_IDF_RegEFD" + pai) {
  T2bDados& dados = objeto_->GetDados();
  dados.GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD", TOperador::Igual,
                                                       bloco);
  dados.AtivarDataSet("VsEDC01");
  dados.GetCDS().SetIndexFieldNames(ligacao_);
}

TxbFilhosDoBloco::~TxbFilhosDoBloco() {
  Aplicacao().Destruir(objeto_);
}

void TxbFilhosDoBloco::ParaCada(int id_pai, const std::function<void()>& linha) {
  ThbClientDataSet& cds = objeto_->GetDados().GetCDS();
  for (bool achou = cds.FindKey({TVariant(id_pai)});
       achou && !cds.Eof() && cds.FieldByName(ligacao_).AsInteger() == id_pai; cds.Next())
    linha();
}

std::string TxbFilhosDoBloco::Texto(const std::string& campo) {
  return Trim(objeto_->Campo(prefixo_ + campo).AsString());
}

double TxbFilhosDoBloco::Valor(const std::string& campo) {
  return objeto_->Campo(prefixo_ + campo).AsFloat();
}

int TxbFilhosDoBloco::Id() {
  return objeto_->Campo(prefixo_ + "ID").AsInteger();
}

}  // namespace efd
