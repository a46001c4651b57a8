#include "control/uh5registroefd0000.h"

#include <fmt/format.h>

#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {

std::string VersaoLeiaute(TDateTime inicio) {
  static const char* kVersoes[] = {"002", "003", "004", nullptr, "007", "008", "009", "010",
                                   "011", "012", "013", "014",   "015", "016", "017", "018"};
  const int ano = inicio.Ano();
  if (ano < 2009) return "";
  if (ano == 2012) return inicio.Mes() <= 6 ? "005" : "006";
  if (ano <= 2024) return kVersoes[ano - 2009];
  return PreencherZerosEsquerda(std::to_string(ano - 2024 + 18), 3);
}

int Th5RegistroEFD0000::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string&,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  auto efd = GetEFD();
  T2bDados& cabecalho = efd->GetDados();
  cabecalho.Isolar(id_efd, "VsEDC01");
  AtualizarMensagem(id_efd, "RegistroEFD [0000]");
  ExcluirRegistroEFD(id_efd);

  GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo, bloco, "0000");
  ThbClientDataSet& h = cabecalho.GetCDS();
  Campo("RegEFD0000_CodVer")
      .SetAsString(VersaoLeiaute(h.FieldByName("EFD_DataInicio").AsDateTime()));
  Campo("RegEFD0000_CodFin").SetAsString(h.FieldByName("EFD_CodFinArq").AsString());
  Campo("RegEFD0000_IndPerfil").SetAsString(h.FieldByName("EFD_IndPerfilFis").AsString());
  Campo("RegEFD0000_IndAtiv").SetAsString(h.FieldByName("EFD_IndAtiv").AsString());
  if (Campo("RegEFD0000_IndAtiv").AsString() != "0") Campo("RegEFD0000_IndAtiv").SetAsString("1");
  Campo("RegEFD0000_DataIni")
      .SetAsString(FormatarData(h.FieldByName("EFD_DataInicio").AsDateTime()));
  Campo("RegEFD0000_DataFim").SetAsString(FormatarData(h.FieldByName("EFD_DataFim").AsDateTime()));
  PreencherDeclarante(cabecalho);
  Campo("RegEFD0000_Suframa").SetAsString(std::string(9, ' '));
  ConfirmarRegistro();
  return GetpQtdeLinBloco0();
}

void Th5RegistroEFD0000::PreencherDeclarante(T2bDados& efd) {
  T2bDados& filial = GetFilial()->GetDados();
  filial.Isolar(efd.GetCDS().FieldByName("EFD_IDF_Filial").AsInteger(), "VsLKPComboFil");
  T2bDados& pessoa = GetPesJur()->GetDados();
  pessoa.Isolar(filial.GetCDS().FieldByName("IDENT_IDIdentFil").AsInteger(), "VsEspSintegra");
  ThbClientDataSet& pj = pessoa.GetCDS();
  Campo("RegEFD0000_NomeEmp").SetAsString(pj.FieldByName("IDENT_Nome").AsString());
  const std::string numero = AcertarConteudo(pj.FieldByName("PESJUR_CNPJ").AsString(), 14, "N", 0);
  const bool cnpj = numero.size() == 14;
  Campo("RegEFD0000_CNPJ").SetAsString(cnpj ? numero : "");
  Campo("RegEFD0000_CPF").SetAsString(cnpj ? "" : numero);
  Campo("RegEFD0000_UF").SetAsString(pj.FieldByName("UF_Sigla").AsString());
  Campo("RegEFD0000_IE").SetAsString(LimparConteudo(pj.FieldByName("PESJUR_IE").AsString()));
  T2bDados& cidade = GetCidade()->GetDados();
  cidade.Isolar(pj.FieldByName("CID_ID").AsInteger(), "VsPRCDWH01");
  Campo("RegEFD0000_CodMun")
      .SetAsString(
          AcertarConteudo(cidade.GetCDS().FieldByName("CID_GeoCodigo").AsString(), 7, "N", 0));
  Campo("RegEFD0000_IM").SetAsString(LimparConteudo(pj.FieldByName("PESJUR_IM").AsString()));
}

std::string Th5RegistroEFD0000::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0000");
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsESPGeracao");
  const std::string modelo = cabecalho.GetCDS().FieldByName("EFD_Modelo").AsString();
  GetSession().DefinirValor("ModeloEFD", modelo);
  AbrirRegistrosDoBloco(IdBloco(id_efd, "Bloco 0"), modelo);
  TxbLinhasEFD linhas(GetSession());
  ThbClientDataSet& r = GetDados().GetCDS();
  if (!r.IsEmpty()) {
    r.First();
    auto c = [&r](const char* campo) { return r.FieldByName(campo).AsString(); };
    const std::string suframa = AcertarConteudo(Trim(c("RegEFD0000_Suframa")), 9, "N", 0);
    if (modelo == "2") {
      const std::string sit_esp = Trim(c("RegEFD0000_IndSitEsp"));
      linhas.Adicionar(c("RegEFD_Registro"),
                       {c("RegEFD0000_CodVer"), c("RegEFD0000_CodFin"),
                        sit_esp == "9" ? "" : sit_esp, c("RegEFD0000_NumRecAnt"),
                        c("RegEFD0000_DataIni"), c("RegEFD0000_DataFim"), c("RegEFD0000_NomeEmp"),
                        c("RegEFD0000_CNPJ"), c("RegEFD0000_UF"), c("RegEFD0000_CodMun"), suframa,
                        "0" + c("RegEFD0000_IndNatPJ"), c("RegEFD0000_IndAtiv")});
    } else {
      linhas.Adicionar(c("RegEFD_Registro"),
                       {c("RegEFD0000_CodVer"), c("RegEFD0000_CodFin"), c("RegEFD0000_DataIni"),
                        c("RegEFD0000_DataFim"), c("RegEFD0000_NomeEmp"), c("RegEFD0000_CNPJ"),
                        c("RegEFD0000_CPF"), c("RegEFD0000_UF"), c("RegEFD0000_IE"),
                        c("RegEFD0000_CodMun"), c("RegEFD0000_IM"), suframa,
                        c("RegEFD0000_IndPerfil"), c("RegEFD0000_IndAtiv") == "0" ? "0" : "1"});
    }
  }
  GravarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
