#include "registers/block0/uh5registroefd0190.h"

#include "framework/xberros.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {

int Th5RegistroEFD0190::INTERNO_IncluirNovo(int, int bloco, int tipo, const std::string& codigo,
                                            const std::string& descricao, int id_0140) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 330, "Th5RegistroEFD0190._INTERNO_Incluir");
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (bloco_aberto_ != bloco) {
    GetDados().GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD",
                                                              TOperador::Igual, bloco);
    GetDados().AtivarDataSet("VsEDCPisCofins");
    if (bloco_aberto_ == 0)
      cds.AddIndex("idx_0190", "RegEFD0190_IDF_RegEFD0140;RegEFD0190_CodUnid");
    cds.SetIndexName("idx_0190");
    bloco_aberto_ = bloco;
  }
  const std::string unidade = Trim(codigo);
  // No establishment is stored as null, and found as null.
  const TVariant estabelecimento = id_0140 > 0 ? TVariant(id_0140) : TVariant();
  if (cds.FindKey({estabelecimento, TVariant(unidade)}))
    return cds.FieldByName("RegEFD0190_ID").AsInteger();
  IncluirLinha(tipo, bloco, "0190");
  Campo("RegEFD0190_CodUnid").SetAsString(unidade);
  Campo("RegEFD0190_DescUnid").SetAsString(descricao);
  if (id_0140 > 0) Campo("RegEFD0190_IDF_RegEFD0140").SetAsInteger(id_0140);
  ConfirmarRegistro();
  return Campo("RegEFD0190_ID").AsInteger();
}

int Th5RegistroEFD0190::INTERNO_Incluir(int id_efd, const std::string& codigo,
                                        const std::string& descricao, int id_0140) {
  const int bloco = IdBloco0(GetSession(), id_efd);
  if (bloco <= 0) throw EErro("Necessário selecionar o bloco 0 !!");
  return INTERNO_IncluirNovo(id_efd, bloco, IdTipoRegistro(GetSession(), bloco, "0190"), codigo,
                             descricao, id_0140);
}

std::string Th5RegistroEFD0190::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0190");
  if (GetSession().Valor("ModeloEFD") == "2") return "";
  TxbLinhasEFD linhas(GetSession());
  if (AbrirParaEscrita(id_efd, "Bloco 0")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    for (cds.First(); !cds.Eof(); cds.Next()) {
      AtualizarAvanco(id_efd, "0190", cds.RecNo(), cds.RecordCount());
      linhas.Adicionar(Texto("RegEFD_Registro"), {Campo("RegEFD0190_CodUnid").AsString(),
                                                  Campo("RegEFD0190_DescUnid").AsString()});
    }
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
