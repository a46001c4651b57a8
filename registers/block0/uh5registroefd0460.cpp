#include "registers/block0/uh5registroefd0460.h"

#include "framework/xberros.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {

int Th5RegistroEFD0460::INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& texto,
                                        int) {
  ThbClientDataSet& cds = GetDados().GetCDS();
  Abrir(id_efd);
  const std::string observacao = Trim(texto);
  if (cds.Locate("RegEFD0460_Texto", {TVariant(observacao)}))
    return static_cast<int>(
        TextoParaInteiroDef(Trim(cds.FieldByName("RegEFD0460_CodObs").AsString()), 0));

  const int codigo = LerContador("CODIGO_Registro_0460") + 1;
  Gravar(id_efd, bloco, tipo, std::to_string(codigo), observacao);
  GravarContador("CODIGO_Registro_0460", codigo);
  return codigo;
}

void Th5RegistroEFD0460::Abrir(int id_efd) {
  if (efd_carregada_ == id_efd) return;
  GetDados().GetFiltros().Adicionar("Flt").IncluirConstante("BlocosEFD_IDF_EFD", TOperador::Igual,
                                                            id_efd);
  GetDados().AtivarDataSet("VsPRC01");
  efd_carregada_ = id_efd;
}

void Th5RegistroEFD0460::IncluirComCodigo(int id_efd, int bloco, int tipo,
                                          const std::string& codigo, const std::string& texto) {
  Abrir(id_efd);
  if (!GetDados().GetCDS().Locate("RegEFD0460_CodObs", {TVariant(codigo)}))
    Gravar(id_efd, bloco, tipo, codigo, texto);
}

void Th5RegistroEFD0460::Gravar(int id_efd, int bloco, int tipo, const std::string& codigo,
                                const std::string& texto) {
  TxbSession& sessao = GetSession();
  const int linha_bloco = bloco > 0 ? bloco : IdBloco0(sessao, id_efd);
  if (linha_bloco <= 0) throw EErro("Necessário selecionar o bloco 0 !!");
  IncluirRegistro();
  Campo("RegEFD_IDF_TipoRegEFD")
      .SetAsInteger(tipo > 0 ? tipo : IdTipoRegistroDaSessao(sessao, linha_bloco, "0460"));
  Campo("RegEFD_IDF_BlocosEFD").SetAsInteger(linha_bloco);
  Campo("RegEFD_Registro").SetAsString("0460");
  Campo("RegEFD0460_CodObs").SetAsString(codigo);
  Campo("RegEFD0460_Texto").SetAsString(texto);
  ConfirmarRegistro();
}

std::string Th5RegistroEFD0460::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0460");
  GetSession().DefinirValor("QtdeLinhasBloco_0460_C595", "0");
  TxbLinhasEFD linhas(GetSession());
  if (AbrirParaEscrita(id_efd, "Bloco 0")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (!cds.IsEmpty() && LerContador("QtdeLinhasBloco_0") <= 1) linhas.AdicionarPronta("|0001|0|");
    for (cds.First(); !cds.Eof(); cds.Next()) {
      AtualizarAvanco(id_efd, "0460", cds.RecNo(), cds.RecordCount());
      linhas.Adicionar(Texto("RegEFD_Registro"),
                       {Texto("RegEFD0460_CodObs"), Texto("RegEFD0460_Texto")});
    }
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
