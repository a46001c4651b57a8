#include "control/uh5efd.h"

#include <fmt/format.h>

#include <fstream>
#include <optional>
#include <sstream>

#include "control/arquivoefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "uh0registrosefd.h"
#include "uh0tiporegefd.h"

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

int Th5EFD::FilialDosParametros() {
  if (filial_parametros_ > 0) return filial_parametros_;
  ThbClientDataSet& cds = GetDados().GetCDS();
  const int filial = cds.Active() && !cds.IsEmpty() ? Campo("EFD_IDF_Filial").AsInteger() : 0;
  return filial > 0 ? filial : GetSessionZ8().RetornarIDFFilialSessao();
}

void Th5EFD::CarregarParametrosDaEmpresa() {
  const int filial = FilialDosParametros();
  if (parametros_carregados_ && filial == filial_carregada_) return;
  padroes_ = TPadroes{};
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
        CarregarParametrosDaFilial(filial);
      }
    }
  }
  CarregarParametrosContabeis(empresa);
  parametros_carregados_ = true;
  filial_carregada_ = filial;
}

void Th5EFD::CarregarParametrosDaFilial(int filial) {
  auto parametros = GetParamFilialGeral();
  if (!parametros) return;
  T2bDados& dados = parametros->GetDados();
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
    GetTransacao().Adicionar("GerarEFD",
                             [this](ThbObjetoNegocio& remetente) { GerarEFD(remetente); });
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
  // The values every branch's row takes from this one. Profile and activity
  // left at this branch's defaults are defaults: each branch takes its own.
  struct TCopiado {
    const char* atributo;
    std::string TPadroes::*padrao = nullptr;
  };
  static const TCopiado kCopiados[] = {{"EFD_DataEmissao"},
                                       {"EFD_DataInicio"},
                                       {"EFD_DataFim"},
                                       {"EFD_CodFinArq"},
                                       {"EFD_IndPerfilFis", &TPadroes::perfil},
                                       {"EFD_IndAtiv", &TPadroes::atividade},
                                       {"EFD_IndOper"},
                                       {"EFD_DataInventEst"},
                                       {"EFD_aGerC170NFeProp"},
                                       {"EFD_MotivInvent"},
                                       {"EFD_TipoInventario"}};
  std::vector<std::optional<std::string>> valores;
  for (const auto& copiado : kCopiados) {
    std::string valor = Campo(copiado.atributo).AsString();
    if (copiado.padrao && valor == padroes_.*copiado.padrao)
      valores.emplace_back();
    else
      valores.emplace_back(std::move(valor));
  }
  for (const auto& filial : filiais) {
    filial_parametros_ = static_cast<int>(TextoParaInteiro(filial));
    IncluirRegistro();
    Campo("EFD_IDF_Filial").SetAsInteger(filial_parametros_);
    for (size_t i = 0; i < valores.size(); ++i) {
      if (!valores[i]) continue;
      if (valores[i]->empty())
        Campo(kCopiados[i].atributo).Clear();
      else
        Campo(kCopiados[i].atributo).SetAsString(*valores[i]);
    }
    ConfirmarRegistro();
  }
  filial_parametros_ = 0;
}

bool Th5EFD::VerificarGeracaoAnterior() {
  TxbSession& sessao = GetSession();
  ThbClientDataSet& cds = GetDados().GetCDS();
  const int id = cds.FieldByName("EFD_ID").AsInteger();
  std::string anteriores;
  {
    TxbObjetoTemporario verificador(Aplicacao().Criar("EFD", sessao));
    TxbResultado r =
        sessao.Consultar("SELECT A.ID FROM Z8_EFD A " + Aplicacao().FragmentoSQL(sessao.GetBD()) +
                             "WHERE A.IDF_FILIAL = :FILIAL" + "  AND A.DATAINICIO = :DTINICIO" +
                             "  AND A.DATAFIM = :DTFIM" + "  AND A.ID <> :IDATUAL",
                         {{"FILIAL", cds.FieldByName("EFD_IDF_Filial").Value()},
                          {"DTINICIO", cds.FieldByName("EFD_DataInicio").AsDateTime()},
                          {"DTFIM", cds.FieldByName("EFD_DataFim").AsDateTime()},
                          {"IDATUAL", id}});
    for (const auto& linha : r.linhas)
      anteriores += (anteriores.empty() ? "" : ",") + linha[0].AsString();
  }
  const bool gerar = anteriores.empty() || GetbOpcaoGeracao() != 5;
  if (GetbOpcaoGeracao() == 6) ExcluirRegistrosAntigos(anteriores);
  if (!gerar) sessao.ExecutarDiretoNoBD("DELETE FROM Z8_EFD WHERE ID = " + std::to_string(id));
  return gerar;
}

void Th5EFD::AnularDataInventarioZero() {
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (cds.FieldByName("EFD_DataInventEst").AsDateTime().Formatar("DD/MM/YYYY") == "30/12/1899")
    GetSession().ExecutarDiretoNoBD("UPDATE Z8_EFD SET DATAINVENTEST = NULL WHERE ID = " +
                                    std::to_string(cds.FieldByName("EFD_ID").AsInteger()));
}

void Th5EFD::GerarEFD(ThbObjetoNegocio&) {
  int geradas = 0;
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (ModeloNumerico() == kModeloIPI_ICMS()) {
    for (cds.First(); !cds.Eof(); cds.Next()) {
      if (!VerificarGeracaoAnterior()) continue;
      GerarRegistros(cds.FieldByName("EFD_ID").AsInteger(), GetFiliaisSelecionadas(), GetListaReg(),
                     GetModeloEFD(), GetpCaminhoArquivoImportacao(), false);
      ++geradas;
      AnularDataInventarioZero();
    }
  } else {
    GerarRegistros(cds.IsEmpty() ? 0 : cds.FieldByName("EFD_ID").AsInteger(),
                   GetFiliaisSelecionadas(), GetListaReg(), GetModeloEFD(),
                   GetpCaminhoArquivoImportacao(), false);
  }
  GetSession().DefinirValor("RegistrosGerados", std::to_string(geradas));
}

std::string Th5EFD::GerarEFDPAF(int filial, TDateTime inicio, TDateTime fim,
                                const std::string& finalidade, const std::string& perfil,
                                const std::string& atividade, const std::string& caminho) {
  if (!GetLocal())
    return Executar(GetIdRemoto(), "GerarEFD_PAF",
                    std::vector<TVariant>{filial, inicio.dias, fim.dias, finalidade, perfil,
                                          atividade, caminho},
                    false)
        .AsString();
  struct TSupressao {
    Th5EFD& efd;
    std::shared_ptr<ThbObjetoNegocio> tipos;
    ~TSupressao() {
      if (tipos) Aplicacao().Destruir(tipos);
      efd.SuprimirGeracao(false);
    }
  } supressao{*this, nullptr};
  SuprimirGeracao(true);
  SetModeloEFD(std::to_string(kModeloIPI_ICMS()));
  SetFiliaisSelecionadas(std::to_string(filial));

  // The company whose parameters give the defaults: the branch's.
  if (Aplicacao().ChecarFamiliaRegistrada("Filial")) {
    auto objeto = Aplicacao().Criar("Filial", GetSession());
    TxbObjetoTemporario liberar(objeto);
    objeto->GetDados().Isolar(filial);
    ThbClientDataSet& cds = objeto->GetDados().GetCDS();
    if (cds.Locate("Filial_ID", {TVariant(filial)}))
      DefinirEmpresaDosParametros(cds.FieldByName("Filial_IDF_Empresa").AsInteger());
  }

  GetDados().Isolar(0, "VsEDCIpiIcms");
  IncluirRegistro();
  Campo("EFD_IDF_Filial").SetAsInteger(filial);
  Campo("EFD_DataInicio").SetAsDateTime(inicio);
  Campo("EFD_DataFim").SetAsDateTime(fim);
  Campo("EFD_CodFinArq").SetAsString(finalidade);
  Campo("EFD_IndPerfilFis").SetAsString(perfil);
  Campo("EFD_IndAtiv").SetAsString(atividade);
  Campo("EFD_IndOper").SetAsString("0");
  Campo("EFD_DataInventEst").SetAsDateTime(TDateTime::Today());
  ConfirmarRegistro();
  Confirmar();
  const int id = Campo("EFD_ID").AsInteger();

  // The register types the last check marked, in catalogue order.
  supressao.tipos = Aplicacao().Criar("TipoRegEFD", GetSession());
  T2bDados& catalogo = supressao.tipos->GetDados();
  catalogo.GetFiltros()
      .Adicionar("FltGerarPis")
      .IncluirConstante("TpBlocoEFD_ModeloEFD", TOperador::Igual, kModeloIPI_ICMS());
  catalogo.GetOrdenacoes().Adicionar("TpBlocoEFD_Ordem");
  catalogo.GetOrdenacoes().Adicionar("TpRegEFD_Familia");
  catalogo.AtivarDataSet("VsESPGerarEFD");
  std::string lista;
  ThbClientDataSet& tipos = catalogo.GetCDS();
  for (tipos.First(); !tipos.Eof(); tipos.Next())
    if (tipos.FieldByName("TpRegEFD_Gerar").AsBoolean())
      lista += tipos.FieldByName("TpRegEFD_ID").AsString() + "\r\n";

  TxbSession& sessao = GetSession();
  sessao.StartTransactionExplicito();
  try {
    GerarRegistros(id, std::to_string(filial), lista, GetModeloEFD(),
                   GetpCaminhoArquivoImportacao(), false);
    sessao.CommitExplicito();
  } catch (...) {
    sessao.RollBackExplicito();
    throw;
  }

  auto registros = std::dynamic_pointer_cast<Th0RegistrosEFD>(GetRegEFD());
  if (!registros) throw EErro("RegistrosEFD não está registrado");
  registros->GerarArquivos(id, caminho);
  std::ifstream arquivo(caminho, std::ios::binary);
  if (!arquivo) throw EErro("não foi possível ler " + caminho);
  std::ostringstream texto;
  texto << arquivo.rdbuf();
  // The file is ISO-8859-1; our texts are UTF-8.
  std::string utf8;
  for (unsigned char c : texto.str()) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

TVariant Th5EFD::ExecutarMetodo(const std::string& metodo, TArrayVariant& parametros,
                                void* thread) {
  auto p = [&](size_t i) -> const TVariant& { return ElementoArray(parametros, i); };
  if (metodo == "GerarEFD_PAF")
    return TVariant(GerarEFDPAF(p(0).AsInteger(), TDateTime(p(1).AsFloat()),
                                TDateTime(p(2).AsFloat()), p(3).AsString(), p(4).AsString(),
                                p(5).AsString(), p(6).AsString()));
  if (metodo == "23") {
    // A null element is an empty text, or the zero date for the date.
    GerarEFDIPI_ICMS(p(0).AsString(), p(1).AsString(), p(2).AsString(), p(3).AsString(),
                     p(4).AsString(), p(5).AsString(), TDateTime(p(6).AsFloat()), p(7).AsString(),
                     p(8).AsString(), p(9).AsString());
    return TVariant();
  }
  return Th0EFD::ExecutarMetodo(metodo, parametros, thread);
}

}  // namespace efd
