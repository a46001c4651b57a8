#include "registers/block0/uh5registroefd0450.h"

#include "framework/xberros.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {

std::string TextoInformacao0450(const std::string& texto) {
  return SubstituirTodos(SubstituirTodos(texto, "\r\n", " "), "|", " ");
}

int Th5RegistroEFD0450::Inserir(int id_efd, int bloco, int tipo, const std::string& texto,
                                int codigo, int id_0140) {
  const std::string limpo = TextoInformacao0450(texto);
  const std::string juncao =
      "FROM Z8_RegEFD0450 A "
      "INNER JOIN Z8_RegEFD B "
      " on B.ID = A.IDA "
      "INNER JOIN Z8_BlocosEFD C "
      " on C.ID = B.IDF_BlocosEFD "
      "WHERE C.IDF_EFD = :IDF_EFD ";
  const std::string estabelecimento =
      id_0140 > 0 ? " AND A.IDF_RegEFD0140 = :aIDRegistro0140 " : "";
  TParametros parametros{{"IDF_EFD", id_efd}};
  if (id_0140 > 0) parametros.emplace_back("aIDRegistro0140", id_0140);

  TParametros com_texto = parametros;
  com_texto.emplace_back("TEXTO", CopiarUtf8(limpo, 100) + "%");
  TxbResultado igual = GetSession().Consultar(
      "SELECT A.CODINF " + juncao + "AND A.Texto like :TEXTO " + estabelecimento + "ORDER BY A.ID",
      com_texto);
  if (!igual.Vazio())
    return static_cast<int>(TextoParaInteiroDef(Trim(igual.linhas[0][0].AsString()), 0));

  if (codigo <= 0) {
    TxbResultado contagem =
        GetSession().Consultar(" SELECT COUNT(*) UltCod " + juncao + estabelecimento, parametros);
    codigo = (contagem.Vazio() ? 0 : contagem.linhas[0][0].AsInteger()) + 1;
  }
  const int linha_bloco = bloco > 0 ? bloco : IdBloco0(GetSession(), id_efd);
  if (linha_bloco <= 0) throw EErro("Necessário selecionar o bloco 0 !!");
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsEDC01");
  IncluirRegistro();
  Campo("RegEFD_IDF_TipoRegEFD")
      .SetAsInteger(tipo > 0 ? tipo : IdTipoRegistro(GetSession(), linha_bloco, "0450"));
  Campo("RegEFD_IDF_BlocosEFD").SetAsInteger(linha_bloco);
  Campo("RegEFD_Registro").SetAsString("0450");
  Campo("RegEFD0450_CodInf").SetAsString(std::to_string(codigo));
  Campo("RegEFD0450_Texto").SetAsString(limpo);
  if (id_0140 > 0) Campo("RegEFD0450_IDF_RegEFD0140").SetAsInteger(id_0140);
  ConfirmarRegistro();
  return codigo;
}

int Th5RegistroEFD0450::INTERNO_IncluirNovo(int id_efd, int bloco, int tipo,
                                            const std::string& texto, int id_0140) {
  return Inserir(id_efd, bloco, tipo, texto, 0, id_0140);
}

int Th5RegistroEFD0450::INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& texto,
                                        int codigo, int id_0140) {
  return Inserir(id_efd, bloco, tipo, texto, codigo, id_0140);
}

std::string Th5RegistroEFD0450::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 0450");
  if (GetSession().Valor("ModeloEFD") == "2") return "";
  TxbLinhasEFD linhas(GetSession());
  if (AbrirParaEscrita(id_efd, "Bloco 0")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    if (!cds.IsEmpty() && LerContador("QtdeLinhasBloco_0") <= 1) linhas.AdicionarPronta("|0001|0|");
    for (cds.First(); !cds.Eof(); cds.Next()) {
      AtualizarAvanco(id_efd, "0450", cds.RecNo(), cds.RecordCount());
      const std::string texto = TextoNumaLinha(Campo("RegEFD0450_Texto").AsString());
      linhas.Adicionar(Texto("RegEFD_Registro"), {Campo("RegEFD0450_CodInf").AsString(), texto});
    }
  }
  SomarContador("QtdeLinhasBloco_0", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
