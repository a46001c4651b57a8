#include "registers/block0/uh5registroefd0015.h"

#include "framework/xbsession.h"

namespace efd {

int Th5RegistroEFD0015::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string&,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsEDC01");
  ExcluirRegistroEFD(id_efd);
  ThbClientDataSet& h = cabecalho.GetCDS();
  TxbResultado r = GetSession().Consultar(
      "SELECT B.ID,"
      "       B.IDF_FILIAL,"
      "       C.SIGLA,"
      "       B.INSCICMSSTDIFAL,"
      "       B.IDF_INSTPUBICMSSTDIFAL,"
      "       B.NAOPINSCICMSSTDIFAL,"
      "       B.FORMACALCDIFAL,"
      "       B.IDF_ICMSDIFAL,"
      "       B.IDF_ICMSFCP,"
      "       A.INSCRICAO INSCRICAOST"
      "  FROM Z8_TRIBUFICMS B"
      " INNER JOIN KLVG_UF C "
      " ON C.ID = B.IDF_UF"
      "  LEFT JOIN Z8_PERCSUBSTR A "
      " ON B.ID = A.IDF_TRIBUFICMS"
      " WHERE (B.IDF_FILIAL = :FILIAL)"
      "   AND (B.DATAFINAL >= :DATA)"
      "   AND ((B.INATIVO IS NULL) OR (B.INATIVO = 'F'))"
      "   AND ((NOT (A.INSCRICAO IS NULL))"
      "        OR (NOT (B.INSCICMSSTDIFAL IS NULL)))",
      {{"FILIAL", h.FieldByName("EFD_IDF_Filial").Value()},
       {"DATA", h.FieldByName("EFD_DataInicio").AsDateTime()}});
  GetDados().Isolar(0, "VsEDC01");
  ThbClientDataSet& cds = GetDados().GetCDS();
  int inseridas = 0;
  for (size_t i = 0; i < r.linhas.size(); ++i) {
    AtualizarAvanco(id_efd, "0015", i + 1, r.linhas.size());
    const std::string uf = Trim(r.Valor(i, "SIGLA").AsString());
    if (cds.Locate("RegEFD_IDF_BlocosEFD;RegEFD0015_UF_Subs", {TVariant(bloco), TVariant(uf)}))
      continue;
    std::string inscricao = Trim(r.Valor(i, "INSCRICAOST").AsString());
    if (inscricao.empty()) inscricao = r.Valor(i, "INSCICMSSTDIFAL").AsString();
    IncluirLinha(tipo, bloco, "0015");
    Campo("RegEFD0015_UF_Subs").SetAsString(uf);
    Campo("RegEFD0015_IE_Subs").SetAsString(AcertarConteudo(inscricao, 0, "S", 0));
    ConfirmarRegistro();
    ++inseridas;
  }
  SetpQtdeLinBloco0(GetpQtdeLinBloco0() + inseridas);
  return inseridas;
}

std::string Th5RegistroEFD0015::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0015");
  TxbLinhasEFD linhas(GetSession());
  if (AbrirParaEscrita(id_efd, "Bloco 0")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    for (cds.First(); !cds.Eof(); cds.Next())
      linhas.Adicionar(Texto("RegEFD_Registro"),
                       {Texto("RegEFD0015_UF_Subs"), Texto("RegEFD0015_IE_Subs")});
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

int Th5RegistroEFD0015::INTERNO_RetornarQtdReg(int id_efd) {
  if (!AbrirParaEscrita(id_efd, "Bloco 0")) return 0;
  return GetDados().GetCDS().RecordCount();
}

}  // namespace efd
