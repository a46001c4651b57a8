#include "registers/block0/uh5registroefd0600.h"

#include "framework/xbsession.h"

namespace efd {

int Th5RegistroEFD0600::INTERNO_Incluir(int, int bloco, int tipo, TDateTime data,
                                        const std::string& centro, const std::string& nome) {
  const std::string quando = FormatarData(data);
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (!cds.Active()) {
    GetDados().GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD",
                                                              TOperador::Igual, bloco);
    GetDados().AtivarDataSet("VsEDC01");
  }
  if (cds.Locate("RegEFD0600_DataIncAlt;RegEFD0600_CodCCusto",
                 {TVariant(quando), TVariant(centro)}))
    return cds.FieldByName("RegEFD0600_ID").AsInteger();
  IncluirLinha(tipo, bloco, "0600");
  Campo("RegEFD0600_DataIncAlt").SetAsString(quando);
  Campo("RegEFD0600_CodCCusto").SetAsString(centro);
  Campo("RegEFD0600_NomeCCusto").SetAsString(nome);
  ConfirmarRegistro();
  return Campo("RegEFD0600_ID").AsInteger();
}

std::string Th5RegistroEFD0600::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0600");
  TxbLinhasEFD linhas(GetSession());
  int contador = LerContador("QtdeLinhasBloco_0");
  if (AbrirParaEscrita(id_efd, "Bloco 0")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (!cds.IsEmpty() && contador == 0) linhas.AdicionarPronta("|0001|0|");
    for (cds.First(); !cds.Eof(); cds.Next()) {
      AtualizarAvanco(id_efd, "0600", cds.RecNo(), cds.RecordCount());
      linhas.Adicionar(Texto("RegEFD_Registro"),
                       {Texto("RegEFD0600_DataIncAlt"), Texto("RegEFD0600_CodCCusto"),
                        Texto("RegEFD0600_NomeCCusto")});
    }
  }
  contador += linhas.Quantidade();
  // The close of block 0.
  if (contador == 0) {
    linhas.AdicionarPronta("|0001|1|");
    ++contador;
  }
  ++contador;
  linhas.AdicionarPronta("|0990|" + std::to_string(contador) + "|");
  GravarContador("QtdeLinhasBloco_0", contador);
  return linhas.Extrair();
}

}  // namespace efd
