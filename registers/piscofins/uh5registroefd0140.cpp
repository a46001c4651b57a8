#include "registers/piscofins/uh5registroefd0140.h"

#include "control/linhaefd.h"
#include "control/linhasregistros.h"
#include "framework/xbsession.h"

namespace efd {

int Th5RegistroEFD0140::INTERNO_Incluir(int, int bloco, int tipo, const std::string& codigo,
                                        const std::string& nome, const std::string& cnpj,
                                        const std::string& uf, int, const std::string& ie,
                                        const std::string& municipio, const std::string& im,
                                        const std::string& suframa, int, int) {
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (bloco_aberto_ != bloco) {
    AbrirRegistrosDoBloco(bloco, "2");
    cds.SetIndexFieldNames("RegEFD0140_CodEst");
    bloco_aberto_ = bloco;
  }
  if (cds.FindKey({TVariant(Trim(codigo))})) return cds.FieldByName("RegEFD0140_ID").AsInteger();
  IncluirLinha(tipo, bloco, "0140");
  Campo("RegEFD0140_CodEst").SetAsString(Trim(codigo));
  Campo("RegEFD0140_Nome").SetAsString(nome);
  Campo("RegEFD0140_CNPJ").SetAsString(cnpj);
  Campo("RegEFD0140_UF").SetAsString(uf);
  Campo("RegEFD0140_IE").SetAsString(LimparConteudo(ie));
  Campo("RegEFD0140_CodMun").SetAsString(municipio);
  Campo("RegEFD0140_IM").SetAsString(im);
  Campo("RegEFD0140_Suframa").SetAsString(suframa);
  ConfirmarRegistro();
  return Campo("RegEFD0140_ID").AsInteger();
}

std::string Th5RegistroEFD0140::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro 0140 e Filhos");
  TxbLinhasEFD linhas(sessao);
  if (sessao.Valor("ModeloEFD") != "2" || !AbrirParaEscrita(id_efd, "Bloco 0")) return "";
  const int bloco = IdBloco(id_efd, "Bloco 0");
  TxbRegistroFilho r0205{"0205", "IDF_RegEFD0200", {"DescAnt", "DataIni", "DataFim", "CodAntItem"}};
  TxbRegistroFilho r0206{"0206", "IDF_RegEFD0200", {"CodComb"}};
  TxbRegistroFilho r0150{"0150",
                         "IDF_RegEFD0140",
                         {"Codigo", "Nome", "CodPais", "CNPJ", "CPF", "IE", "CodMun", "Suframa",
                          "Logradouro", "Numero", "Complemento", "Bairro"}};
  TxbRegistroFilho r0190{"0190", "IDF_RegEFD0140", {"CodUnid", "DescUnid"}};
  TxbRegistroFilho r0200{"0200",
                         "IDF_RegEFD0140",
                         {"Codigo", "Descricao", "CodBarras", "CodAnt", "CodUnid", "TipoItem",
                          "NCM", "CodTIPI", "CodGen", "CodServ", "AliqICMS"},
                         {&r0205, &r0206}};
  TxbRegistroFilho r0400{"0400", "IDF_RegEFD0140", {"CodNat", "DescNat"}};
  TxbRegistroFilho r0450{"0450", "IDF_RegEFD0140", {"CodInf", "Texto"}};
  r0450.ajustar = [](std::vector<TVariant>& v) { v[1] = TextoNumaLinha(Trim(v[1].AsString())); };
  TxbRegistroFilho* filhos[] = {&r0150, &r0190, &r0200, &r0400, &r0450};

  ThbClientDataSet& cds = GetDados().GetCDS();
  for (cds.First(); !cds.Eof(); cds.Next()) {
    AtualizarAvanco(id_efd, "0140", cds.RecNo(), cds.RecordCount());
    const std::string ie = Texto("RegEFD0140_IE");
    linhas.Adicionar("0140", {Texto("RegEFD0140_CodEst"), Texto("RegEFD0140_Nome"),
                              LimparConteudo(Texto("RegEFD0140_CNPJ")), Texto("RegEFD0140_UF"),
                              UpperCase(ie).find("ISENT") == std::string::npos ? ie : "",
                              Texto("RegEFD0140_CodMun"), LimparConteudo(Texto("RegEFD0140_IM")),
                              AcertarConteudo(Texto("RegEFD0140_Suframa"), 9, "N", 0)});
    const int id = Campo("RegEFD0140_ID").AsInteger();
    // An establishment's participants and items grow with the month: read
    // a page at a time, as the other writers of block 0 do.
    for (TxbRegistroFilho* f : filhos) f->EscreverPorPaginas(sessao, linhas, bloco, id, [] {});
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
