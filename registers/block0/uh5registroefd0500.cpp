#include "registers/block0/uh5registroefd0500.h"

#include <map>

#include "framework/xbaplicacao.h"
#include "framework/xbsession.h"

namespace efd {

std::string NaturezaDaConta(const std::string& digito) {
  static const std::map<std::string, std::string> kNaturezas = {
      {"1", "01"}, {"2", "02"}, {"3", "03"}, {"4", "04"}, {"5", "05"}, {"9", "99"}};
  auto it = kNaturezas.find(Trim(digito));
  return it == kNaturezas.end() ? Trim(digito) : it->second;
}

int Th5RegistroEFD0500::INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& conta,
                                        const std::string& nome, const std::string& nivel, int,
                                        const std::string& natureza, const std::string& indicador,
                                        const std::string& conta_referencial, bool) {
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsEDC01");
  ThbClientDataSet& h = cabecalho.GetCDS();
  // The account as the chart knows it, included up to the end of the period.
  std::string nome_conta = nome;
  TDateTime inclusao;
  if (Aplicacao().ChecarFamiliaRegistrada("ContaContabil")) {
    auto contas = Aplicacao().Criar("ContaContabil", GetSession());
    TxbObjetoTemporario liberar(contas);
    T2bDados& dados = contas->GetDados();
    dados.GetFiltros()
        .Adicionar("Flt")
        .IncluirConstante("Classe_Codigo", TOperador::Igual, conta)
        .IncluirConstante("Classe_DtInclusao", TOperador::MenorIgual,
                          h.FieldByName("EFD_DataFim").AsDateTime());
    dados.AtivarDataSet("VsEDC01");
    if (!dados.GetCDS().IsEmpty()) {
      inclusao = dados.GetCDS().FieldByName("Classe_DtInclusao").AsDateTime();
      if (nome_conta.empty()) nome_conta = dados.GetCDS().FieldByName("Classe_Nome").AsString();
    }
  }
  const std::string data =
      FormatarData(inclusao.EhDataZero() ? h.FieldByName("EFD_DataInicio").AsDateTime() : inclusao);
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (!cds.Active()) {
    GetDados().GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD",
                                                              TOperador::Igual, bloco);
    GetDados().AtivarDataSet("VsEDC01");
  }
  if (cds.Locate("RegEFD0500_CodConta;RegEFD0500_DataIncAlt", {TVariant(conta), TVariant(data)}))
    return cds.FieldByName("RegEFD0500_ID").AsInteger();
  IncluirLinha(tipo, bloco, "0500");
  Campo("RegEFD0500_DataIncAlt").SetAsString(data);
  Campo("RegEFD0500_CodNatConta").SetAsString(NaturezaDaConta(natureza));
  Campo("RegEFD0500_IndTpConta").SetAsString(indicador);
  Campo("RegEFD0500_NivelConta").SetAsString(nivel);
  Campo("RegEFD0500_CodConta").SetAsString(conta);
  Campo("RegEFD0500_NomeConta").SetAsString(nome_conta);
  Campo("RegEFD0500_CodCtaRef").SetAsString(conta_referencial);
  ConfirmarRegistro();
  return Campo("RegEFD0500_ID").AsInteger();
}

std::string Th5RegistroEFD0500::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0500");
  TxbLinhasEFD linhas(GetSession());
  if (AbrirParaEscrita(id_efd, "Bloco 0")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (!cds.IsEmpty() && LerContador("QtdeLinhasBloco_0") == 0) linhas.AdicionarPronta("|0001|0|");
    const bool pis_cofins = GetSession().Valor("ModeloEFD") == "2";
    for (cds.First(); !cds.Eof(); cds.Next()) {
      AtualizarAvanco(id_efd, "0500", cds.RecNo(), cds.RecordCount());
      std::string linha = "|0500|" + Texto("RegEFD0500_DataIncAlt") + "|" +
                          Texto("RegEFD0500_CodNatConta") + "|" + Texto("RegEFD0500_IndTpConta") +
                          "|" + Texto("RegEFD0500_NivelConta") + "|" +
                          Texto("RegEFD0500_CodConta") + "|" + Texto("RegEFD0500_NomeConta") + "|";
      // The PIS/COFINS layout adds the referenced account and the
      // establishment's CNPJ, left empty.
      if (pis_cofins) linha += Texto("RegEFD0500_CodCtaRef") + "||";
      linhas.AdicionarPronta(linha);
    }
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
