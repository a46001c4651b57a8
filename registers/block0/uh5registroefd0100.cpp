#include "registers/block0/uh5registroefd0100.h"

#include "framework/xbsession.h"
#include "registers/block0/identificacao.h"

namespace efd {

int Th5RegistroEFD0100::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string&,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  ThbClientDataSet& f = AbrirFilialDoCabecalho(id_efd);
  ExcluirRegistroEFD(id_efd);
  if (f.IsEmpty() || f.FieldByName("Filial_IDF_Contador").IsNull()) return 0;

  GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo, bloco, "0100");
  if (!PreencherContador(f.FieldByName("Filial_IDF_Contador").AsInteger())) {
    CancelarRegistro();
    return 0;
  }
  const std::string crc = Trim(f.FieldByName("Filial_CRCContador").AsString());
  Campo("RegEFD0100_CRC").SetAsString(crc.empty() ? "" : AcertarConteudo(crc, 0, "N", 0));
  ConfirmarRegistro();
  SetpQtdeLinBloco0(GetpQtdeLinBloco0() + 1);
  return 1;
}

bool Th5RegistroEFD0100::PreencherContador(int contador) {
  T2bDados* pessoa = &GetPesFis()->GetDados();
  pessoa->Isolar(contador, "VsPRCLivroElet");
  const bool fisica = !pessoa->GetCDS().IsEmpty();
  if (!fisica) {
    pessoa = &GetPesJur()->GetDados();
    pessoa->Isolar(contador, "VsEDC01");
    if (pessoa->GetCDS().IsEmpty()) return false;
  }
  ThbClientDataSet& p = pessoa->GetCDS();
  auto c = [&p](const char* atributo) { return Trim(p.FieldByName(atributo).AsString()); };
  auto numerico = [this](const std::string& v) {
    return v.empty() ? v : AcertarConteudo(v, 0, "N", 0);
  };
  const int identidade = p.FieldByName("IDENT_ID").AsInteger();
  Campo("RegEFD0100_Nome").SetAsString(c("IDENT_Nome"));
  Campo("RegEFD0100_CPF").SetAsString(fisica ? c("PESFIS_CPF") : "");
  Campo("RegEFD0100_CNPJ").SetAsString(fisica ? "" : c("PESJUR_CNPJ"));
  Campo("RegEFD0100_Email").SetAsString(EmailDaIdentidade(GetSession(), identidade));
  Campo("RegEFD0100_CEP").SetAsString(numerico(c("ENDER_CEP")));
  Campo("RegEFD0100_Logradouro").SetAsString(c("ENDER_Logradouro"));
  Campo("RegEFD0100_NumImovel").SetAsString(c("IDENT_Numero"));
  Campo("RegEFD0100_Complemento").SetAsString(c("IDENT_Complemento"));
  Campo("RegEFD0100_Bairro").SetAsString(c("ENDER_Bairro"));
  Campo("RegEFD0100_Fone").SetAsString(numerico(c("IDENT_TelefonePadrao")));
  Campo("RegEFD0100_Fax").SetAsString(numerico(TelefoneDoTipo(GetSession(), identidade, "2")));
  T2bDados& cidade = GetCidade()->GetDados();
  cidade.Isolar(p.FieldByName("CID_ID").AsInteger(), "VsPRCDWH01");
  Campo("RegEFD0100_CodMun")
      .SetAsString(
          AcertarConteudo(cidade.GetCDS().FieldByName("CID_GeoCodigo").AsString(), 7, "N", 0));
  return true;
}

std::string Th5RegistroEFD0100::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0100");
  TxbLinhasEFD linhas(GetSession());
  // Where no 0005 precedes (the PIS/COFINS model), 0100 opens block 0.
  if (LerContador("QtdeLinhasBloco_0") == 1) linhas.AdicionarPronta("|0001|0|");
  if (AbrirParaEscrita(id_efd, "Bloco 0")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    auto numerico = [this](const std::string& v) {
      return v.empty() ? v : AcertarConteudo(v, 0, "N", 0);
    };
    for (cds.First(); !cds.Eof(); cds.Next())
      linhas.Adicionar(
          Texto("RegEFD_Registro"),
          {Texto("RegEFD0100_Nome"), numerico(Texto("RegEFD0100_CPF")), Texto("RegEFD0100_CRC"),
           numerico(Texto("RegEFD0100_CNPJ")), Texto("RegEFD0100_CEP"),
           Texto("RegEFD0100_Logradouro"), Texto("RegEFD0100_NumImovel"),
           Texto("RegEFD0100_Complemento"), Texto("RegEFD0100_Bairro"), Texto("RegEFD0100_Fone"),
           Texto("RegEFD0100_Fax"), Texto("RegEFD0100_Email"), Texto("RegEFD0100_CodMun")});
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
