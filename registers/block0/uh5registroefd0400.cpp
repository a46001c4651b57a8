#include "registers/block0/uh5registroefd0400.h"

#include "framework/xbsession.h"

namespace efd {

int Th5RegistroEFD0400::INTERNO_IncluirNovo(int, int bloco, int tipo, const std::string& codigo,
                                            const std::string& descricao, int id_0140) {
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (bloco_aberto_ != bloco) {
    GetDados().GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD",
                                                              TOperador::Igual, bloco);
    GetDados().AtivarDataSet("VsEDCPisCofins");
    if (bloco_aberto_ == 0) cds.AddIndex("idx_0400", "RegEFD0400_IDF_RegEFD0140;RegEFD0400_CodNat");
    cds.SetIndexName("idx_0400");
    bloco_aberto_ = bloco;
  }
  const std::string natureza = Trim(codigo);
  const TVariant estabelecimento = id_0140 > 0 ? TVariant(id_0140) : TVariant();
  if (cds.FindKey({estabelecimento, TVariant(natureza)}))
    return cds.FieldByName("RegEFD0400_ID").AsInteger();
  IncluirLinha(tipo, bloco, "0400");
  Campo("RegEFD0400_CodNat").SetAsString(natureza);
  Campo("RegEFD0400_DescNat").SetAsString(Trim(descricao));
  if (id_0140 > 0) Campo("RegEFD0400_IDF_RegEFD0140").SetAsInteger(id_0140);
  ConfirmarRegistro();
  return Campo("RegEFD0400_ID").AsInteger();
}

int Th5RegistroEFD0400::INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& codigo,
                                        const std::string& descricao, int id_0140) {
  return INTERNO_IncluirNovo(id_efd, bloco, tipo, codigo, descricao, id_0140);
}

std::string Th5RegistroEFD0400::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0400");
  if (GetSession().Valor("ModeloEFD") == "2") return "";
  TxbLinhasEFD linhas(GetSession());
  if (AbrirParaEscrita(id_efd, "Bloco 0")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (!cds.IsEmpty() && LerContador("QtdeLinhasBloco_0") <= 1) linhas.AdicionarPronta("|0001|0|");
    for (cds.First(); !cds.Eof(); cds.Next()) {
      AtualizarAvanco(id_efd, "0400", cds.RecNo(), cds.RecordCount());
      linhas.Adicionar(Texto("RegEFD_Registro"), {Campo("RegEFD0400_CodNat").AsString(),
                                                  Campo("RegEFD0400_DescNat").AsString()});
    }
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
