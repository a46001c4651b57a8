#include "registers/block0/uh5registroefd0300.h"

#include "framework/xbaplicacao.h"
#include "framework/xbsession.h"

namespace efd {

int Th5RegistroEFD0300::INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& codigo,
                                        const std::string& indicador, const std::string& descricao,
                                        const std::string& principal, const std::string& conta,
                                        int parcelas) {
  if (id_efd < 1 || bloco < 1) return 0;
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (!cds.Active()) {
    GetDados().GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD",
                                                              TOperador::Igual, bloco);
    GetDados().AtivarDataSet("VsEDC01");
    cds.SetIndexFieldNames("RegEFD0300_CodIndBem");
  }
  if (cds.FindKey({TVariant(codigo)})) return cds.FieldByName("RegEFD0300_ID").AsInteger();
  IncluirLinha(tipo, bloco, "0300");
  Campo("RegEFD0300_CodIndBem").SetAsString(codigo);
  Campo("RegEFD0300_IdentMerc").SetAsString(indicador);
  Campo("RegEFD0300_DescItem").SetAsString(descricao);
  Campo("RegEFD0300_CodPrincipal").SetAsString(principal);
  Campo("RegEFD0300_CodCtaAnal").SetAsString(conta);
  Campo("RegEFD0300_NumTotParc").SetAsInteger(parcelas);
  ConfirmarRegistro();
  return Campo("RegEFD0300_ID").AsInteger();
}

std::string Th5RegistroEFD0300::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro 0300");
  TxbLinhasEFD linhas(sessao);
  const int contador = LerContador("QtdeLinhasBloco_0");
  const int bloco = IdBloco(id_efd, "Bloco 0");
  ThbClientDataSet& bens = GetDados().GetCDS();
  if (bloco > 0 && AbrirParaEscrita(id_efd, "Bloco 0") && !bens.IsEmpty()) {
    if (contador == 0) linhas.AdicionarPronta("|0001|0|");
    auto usos = Aplicacao().Criar("RegistroEFD0305", sessao);
    TxbObjetoTemporario liberar(usos);
    T2bDados& dados = usos->GetDados();
    dados.GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD", TOperador::Igual,
                                                         bloco);
    dados.AtivarDataSet("VsEDC01");
    ThbClientDataSet& uso = dados.GetCDS();
    uso.SetIndexFieldNames("RegEFD0305_IDF_RegEFD0300");
    auto t = [](ThbClientDataSet& c, const char* a) { return Trim(c.FieldByName(a).AsString()); };
    for (bens.First(); !bens.Eof(); bens.Next()) {
      AtualizarAvanco(id_efd, "0300", bens.RecNo(), bens.RecordCount());
      linhas.Adicionar("0300",
                       {t(bens, "RegEFD0300_CodIndBem"), t(bens, "RegEFD0300_IdentMerc"),
                        t(bens, "RegEFD0300_DescItem"), t(bens, "RegEFD0300_CodPrincipal"),
                        t(bens, "RegEFD0300_CodCtaAnal"), t(bens, "RegEFD0300_NumTotParc")});
      const int id = bens.FieldByName("RegEFD0300_ID").AsInteger();
      for (bool achou = uso.FindKey({TVariant(id)});
           achou && !uso.Eof() && uso.FieldByName("RegEFD0305_IDF_RegEFD0300").AsInteger() == id;
           uso.Next())
        linhas.Adicionar("0305", {t(uso, "RegEFD0305_CodCCusto"), t(uso, "RegEFD0305_Func"),
                                  t(uso, "RegEFD0305_VidaUtil")});
    }
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
