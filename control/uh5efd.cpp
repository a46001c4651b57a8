#include "control/uh5efd.h"

#include <fmt/format.h>

#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

// The validity filter of the parameter objects: the row valid today.
void FiltrarVigente(T2bDados& dados, const std::string& prefixo, const std::string& chave,
                    int valor_chave) {
  const TDateTime hoje = TDateTime::Today();
  dados.GetFiltros().Limpar();
  dados.GetFiltros()
      .Adicionar("Flt")
      .IncluirConstante(prefixo + "_DataInicial", TOperador::MenorIgual, hoje)
      .IncluirConstante(prefixo + "_DataFinal", TOperador::MaiorIgual, hoje)
      .IncluirConstante(prefixo + "_" + chave, TOperador::Igual, valor_chave)
      .IncluirConstante(prefixo + "_Situacao", TOperador::Igual, "1");
}

// Replaces the default when the parameter, trimmed, is not empty.
void Tomar(std::string& padrao, ThbClientDataSet& cds, const std::string& atributo) {
  TxbCampo* campo = cds.FindField(atributo);
  if (!campo) return;
  std::string valor = Trim(campo->AsString());
  if (!valor.empty()) padrao = valor;
}

}  // namespace

TDateTime InicioDoMesAnterior(TDateTime hoje) {
  // The first day of the month that holds the day before the first of this month.
  const TDateTime inicio_mes = PrimeiroDiaDoMes(hoje.DateOf());
  return PrimeiroDiaDoMes(TDateTime(inicio_mes.dias - 1));
}

void Th5EFD::CreateKLV() {
  Th0EFD::CreateKLV();
  padroes_ = TPadroes{};
  geracao_suprimida_ = false;
}

int Th5EFD::ModeloNumerico() {
  return static_cast<int>(TextoParaInteiroDef(GetModeloEFD(), 0));
}

void Th5EFD::CarregarParametrosDaEmpresa() {
  if (parametros_carregados_) return;
  const int empresa =
      empresa_parametros_ > 0 ? empresa_parametros_ : GetSessionZ8().RetornarIDFEmpresaSessao();
  if (auto parametros = GetParEmpGeral()) {
    T2bDados& dados = parametros->GetDados();
    FiltrarVigente(dados, "ParEmp", "IDF_Empresa", empresa);
    dados.AtivarDataSet("VsEDC");
    ThbClientDataSet& cds = dados.GetCDS();
    if (!cds.IsEmpty()) {
      if (!cds.FieldByName("PEmpGeral_GrupoEmpresarial").AsBoolean()) {
        Tomar(padroes_.sit_esp, cds, "PEmpGeral_IndSitEspPadrao");
        Tomar(padroes_.atividade, cds, "PEmpGeral_IndTpAtivPadrao");
        Tomar(padroes_.inc_trib, cds, "PEmpGeral_IndIncTribPadrao");
        Tomar(padroes_.met_aprop, cds, "PEmpGeral_IndMetApropPadrao");
        Tomar(padroes_.tp_contrib, cds, "PEmpGeral_IndTpContribPadrao");
        Tomar(padroes_.perfil, cds, "PEmpGeral_IndPerFiscalPadrao");
        Tomar(padroes_.nat_pj, cds, "PEmpGeral_IndNatPJPadrao");
        Tomar(padroes_.regime_apura, cds, "PEmpGeral_RegimeApura");
        Tomar(padroes_.tipo_geracao, cds, "PEmpGeral_TipoGeracaoPadrao");
        Tomar(padroes_.clas_estab_ind, cds, "PEmpGeral_ClasEstabInd");
      } else {
        CarregarParametrosDaFilial();
      }
    }
  }
  CarregarParametrosContabeis(empresa);
  parametros_carregados_ = true;
}

void Th5EFD::CarregarParametrosDaFilial() {
  auto parametros = GetParamFilialGeral();
  if (!parametros) return;
  T2bDados& dados = parametros->GetDados();
  const int filial = GetDados().GetCDS().Active() ? Campo("EFD_IDF_Filial").AsInteger() : 0;
  FiltrarVigente(dados, "ParamFil", "IDF_Filial", filial);
  dados.AtivarDataSet("VsEDC01");
  ThbClientDataSet& cds = dados.GetCDS();
  if (cds.IsEmpty()) return;
  Tomar(padroes_.sit_esp, cds, "ParFilGer_IndSitEspPadrao");
  Tomar(padroes_.atividade, cds, "ParFilGer_IndTpAtivPadrao");
  Tomar(padroes_.inc_trib, cds, "ParFilGer_IndIncTribPadrao");
  Tomar(padroes_.met_aprop, cds, "ParFilGer_IndMetApropPadrao");
  Tomar(padroes_.tp_contrib, cds, "ParFilGer_IndTpContribPadrao");
  Tomar(padroes_.perfil, cds, "ParFilGer_IndPerFiscalPadrao");
  Tomar(padroes_.nat_pj, cds, "ParFilGer_IndNatPJPadrao");
  Tomar(padroes_.regime_apura, cds, "ParFilGer_RegimeApura");
  Tomar(padroes_.tipo_geracao, cds, "ParFilGer_TipoGeracaoPadrao");
}

void Th5EFD::CarregarParametrosContabeis(int empresa) {
  if (!Aplicacao().ChecarFamiliaRegistrada("ParEmpContabilidade")) return;
  auto objeto = Aplicacao().Criar("ParEmpContabilidade", GetSession());
  TxbObjetoTemporario liberar(objeto);
  T2bDados& dados = objeto->GetDados();
  FiltrarVigente(dados, "ParEmp", "IDF_Empresa", empresa);
  dados.AtivarDataSet("VsEDC");
  ThbClientDataSet& cds = dados.GetCDS();
  if (!cds.IsEmpty()) Tomar(padroes_.indicador_ativ, cds, "ParEmpCTB_IndAtiv");
}

void Th5EFD::AfterIncluirRegistroCDS() {
  Th0EFD::AfterIncluirRegistroCDS();
  CarregarParametrosDaEmpresa();
  Campo("EFD_IDF_Empresa")
      .SetAsInteger(empresa_parametros_ > 0 ? empresa_parametros_
                                            : GetSessionZ8().RetornarIDFEmpresaSessao());
  Campo("EFD_Modelo").SetAsString(GetModeloEFD());
  const TDateTime agora = TDateTime::Now();
  Campo("EFD_DataEmissao").SetAsDateTime(agora.DateOf());
  Campo("EFD_Hora").SetAsDateTime(TDateTime(agora.dias - agora.DateOf().dias));
  SetOnChange("EFD_DataInicio", [this](TxbCampo& campo) { OnChangeDataInicio(campo); });
  Campo("EFD_DataInicio").SetAsDateTime(InicioDoMesAnterior(agora));
  Campo("EFD_IndOper").SetAsString("0");
  Campo("EFD_CodFinArq").SetAsString("0");
  const int modelo = ModeloNumerico();
  if (modelo == kModeloIPI_ICMS()) {
    if (padroes_.atividade != "0") padroes_.atividade = "1";
    Campo("EFD_IndPerfilFis").SetAsString(padroes_.perfil);
    Campo("EFD_IndAtiv").SetAsString(padroes_.atividade);
    if (Campo("EFD_IndAtiv").AsString() == "0")
      Campo("EFD_ClasEstabInd").SetAsString(padroes_.clas_estab_ind);
    Campo("EFD_LayOutBlocoK").SetAsString("2");
  } else if (modelo == kModeloPIS_COFINS()) {
    Campo("EFD_IndAtiv").SetAsString(padroes_.atividade);
    Campo("EFD_IndSitEsp").SetAsString(padroes_.sit_esp);
    Campo("EFD_IndIncTrib").SetAsString(padroes_.inc_trib);
    Campo("EFD_IndMetAprop").SetAsString(padroes_.met_aprop);
    Campo("EFD_IndTpContrib").SetAsString(padroes_.tp_contrib);
    Campo("EFD_IndNatPJ").SetAsString(padroes_.nat_pj);
    Campo("EFD_TipoGeracao").SetAsString(padroes_.tipo_geracao);
    Campo("EFD_RegimeApura").SetAsString(padroes_.regime_apura);
    Campo("EFD_IndicadorAtiv").SetAsString(padroes_.indicador_ativ);
  }
  if (!geracao_suprimida_)
    GetTransacao().Adicionar([this](ThbObjetoNegocio& remetente) { GerarEFD(remetente); });
}

void Th5EFD::OnChangeDataInicio(TxbCampo& campo) {
  Campo("EFD_DataFim").SetAsDateTime(UltimoDiaDoMes(campo.AsDateTime()).DateOf());
}

void Th5EFD::BeforeConfirmarRegistroCDS() {
  Th0EFD::BeforeConfirmarRegistroCDS();
  if (ModeloNumerico() != kModeloIPI_ICMS() || GetFiliaisSelecionadas().empty()) return;
  std::vector<std::string> filiais = Dividir(GetFiliaisSelecionadas(), ',');
  Campo("EFD_IDF_Filial").SetAsInteger(TextoParaInteiro(filiais.front()));
  filiais.erase(filiais.begin());
  std::string resto;
  for (const auto& f : filiais) resto += (resto.empty() ? "" : ",") + f;
  SetFiliaisSelecionadas(resto);
}

void Th5EFD::AfterConfirmarRegistroCDS() {
  Th0EFD::AfterConfirmarRegistroCDS();
  if (ModeloNumerico() != kModeloIPI_ICMS() || GetFiliaisSelecionadas().empty()) return;
  const std::vector<std::string> filiais = Dividir(GetFiliaisSelecionadas(), ',');
  SetFiliaisSelecionadas("");
  static const char* kCopiados[] = {"EFD_DataEmissao", "EFD_DataInicio",    "EFD_DataFim",
                                    "EFD_CodFinArq",   "EFD_IndPerfilFis",  "EFD_IndAtiv",
                                    "EFD_IndOper",     "EFD_DataInventEst", "EFD_aGerC170NFeProp",
                                    "EFD_MotivInvent", "EFD_TipoInventario"};
  std::vector<std::string> valores;
  for (const char* atributo : kCopiados) valores.push_back(Campo(atributo).AsString());
  for (const auto& filial : filiais) {
    IncluirRegistro();
    Campo("EFD_IDF_Filial").SetAsInteger(TextoParaInteiro(filial));
    for (size_t i = 0; i < valores.size(); ++i) {
      if (valores[i].empty())
        Campo(kCopiados[i]).Clear();
      else
        Campo(kCopiados[i]).SetAsString(valores[i]);
    }
    ConfirmarRegistro();
  }
}

void Th5EFD::GerarEFD(ThbObjetoNegocio&) {
  int geradas = 0;
  TxbSession& sessao = GetSession();
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (ModeloNumerico() == kModeloIPI_ICMS()) {
    const std::string sql = "SELECT A.ID FROM Z8_EFD A " +
                            Aplicacao().FragmentoSQL(sessao.GetBD()) +
                            "WHERE A.IDF_FILIAL = :FILIAL" + "  AND A.DATAINICIO = :DTINICIO" +
                            "  AND A.DATAFIM = :DTFIM" + "  AND A.ID <> :IDATUAL";
    for (cds.First(); !cds.Eof(); cds.Next()) {
      const int id = cds.FieldByName("EFD_ID").AsInteger();
      std::vector<std::string> anteriores;
      {
        TxbObjetoTemporario verificador(Aplicacao().Criar("EFD", sessao));
        TxbResultado r =
            sessao.Consultar(sql, {{"FILIAL", cds.FieldByName("EFD_IDF_Filial").Value()},
                                   {"DTINICIO", cds.FieldByName("EFD_DataInicio").AsDateTime()},
                                   {"DTFIM", cds.FieldByName("EFD_DataFim").AsDateTime()},
                                   {"IDATUAL", id}});
        for (const auto& linha : r.linhas) anteriores.push_back(linha[0].AsString());
      }
      const bool gerar = anteriores.empty() || GetbOpcaoGeracao() != 5;
      if (GetbOpcaoGeracao() == 6) {
        std::string lista;
        for (const auto& a : anteriores) lista += (lista.empty() ? "" : ",") + a;
        ExcluirRegistrosAntigos(lista);
      }
      if (gerar) {
        GerarRegistros(id, GetFiliaisSelecionadas(), GetListaReg(), GetModeloEFD(),
                       GetpCaminhoArquivoImportacao(), false);
        ++geradas;
        if (cds.FieldByName("EFD_DataInventEst").AsDateTime().Formatar("DD/MM/YYYY") ==
            "30/12/1899")
          sessao.ExecutarDiretoNoBD("UPDATE Z8_EFD SET DATAINVENTEST = NULL WHERE ID = " +
                                    std::to_string(id));
      } else {
        sessao.ExecutarDiretoNoBD("DELETE FROM Z8_EFD WHERE ID = " + std::to_string(id));
      }
    }
  } else {
    GerarRegistros(cds.IsEmpty() ? 0 : cds.FieldByName("EFD_ID").AsInteger(),
                   GetFiliaisSelecionadas(), GetListaReg(), GetModeloEFD(),
                   GetpCaminhoArquivoImportacao(), false);
  }
  sessao.DefinirValor("RegistrosGerados", std::to_string(geradas));
}

}  // namespace efd
