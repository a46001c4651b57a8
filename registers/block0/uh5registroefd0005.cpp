#include "registers/block0/uh5registroefd0005.h"

#include "framework/xbsession.h"
#include "registers/block0/identificacao.h"

namespace efd {

int Th5RegistroEFD0005::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string&,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  ThbClientDataSet& f = AbrirFilialDoCabecalho(id_efd);
  ExcluirRegistroEFD(id_efd);
  const int identidade = f.FieldByName("IDENT_IDIdentFil").AsInteger();
  T2bDados& pessoa = GetPesJur()->GetDados();
  pessoa.Isolar(identidade, "VsEspSintegra");
  ThbClientDataSet& pj = pessoa.GetCDS();
  if (pj.IsEmpty()) return 0;
  auto c = [&pj](const char* atributo) { return Trim(pj.FieldByName(atributo).AsString()); };

  GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo, bloco, "0005");
  const std::string fantasia = c("IDENT_Fantasia");
  Campo("RegEFD0005_Fantasia").SetAsString(fantasia.empty() ? c("IDENT_Nome") : fantasia);
  Campo("RegEFD0005_CEP").SetAsString(AcertarConteudo(c("ENDER_CEP"), 8, "N", 0));
  Campo("RegEFD0005_Logradouro").SetAsString(c("ENDER_Logradouro"));
  Campo("RegEFD0005_Numero").SetAsString(c("IDENT_Numero"));
  Campo("RegEFD0005_Complemento").SetAsString(c("IDENT_Complemento"));
  Campo("RegEFD0005_Bairro").SetAsString(c("ENDER_Bairro"));
  const std::string fone = c("IDENT_TelefonePadrao");
  Campo("RegEFD0005_Fone").SetAsString(fone.empty() ? "" : AcertarConteudo(fone, 0, "N", 0));
  Campo("RegEFD0005_Fax").SetAsString(TelefoneDoTipo(GetSession(), identidade, "2"));
  Campo("RegEFD0005_Email").SetAsString(EmailDaIdentidade(GetSession(), identidade));
  ConfirmarRegistro();
  SetpQtdeLinBloco0(GetpQtdeLinBloco0() + 1);
  return 1;
}

std::string Th5RegistroEFD0005::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0005");
  TxbLinhasEFD linhas(GetSession());
  if (LerContador("QtdeLinhasBloco_0") == 1) linhas.AdicionarPronta("|0001|0|");
  if (AbrirParaEscrita(id_efd, "Bloco 0")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    for (cds.First(); !cds.Eof(); cds.Next()) {
      AtualizarAvanco(id_efd, "0005", cds.RecNo(), cds.RecordCount());
      const std::string fax = Texto("RegEFD0005_Fax");
      linhas.Adicionar(
          Texto("RegEFD_Registro"),
          {Texto("RegEFD0005_Fantasia"), Texto("RegEFD0005_CEP"), Texto("RegEFD0005_Logradouro"),
           Texto("RegEFD0005_Numero"), Texto("RegEFD0005_Complemento"), Texto("RegEFD0005_Bairro"),
           Texto("RegEFD0005_Fone"), fax.empty() ? "" : AcertarConteudo(fax, 0, "N", 0),
           Texto("RegEFD0005_Email")});
    }
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
