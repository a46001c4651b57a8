#include "registers/block0/uh5registroefd0175.h"

#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {

std::string CampoAlterado0150(const std::string& campo_erp) {
  static const std::string kCodigos = "0123456789A";
  const std::string c = Trim(campo_erp);
  const size_t p = c.size() == 1 ? kCodigos.find(c[0]) : std::string::npos;
  if (p == std::string::npos) return "";
  // NOME is field 03 of 0150; the ERP's codes follow the fields in order.
  return PreencherZerosEsquerda(std::to_string(p + 3), 2);
}

int Th5RegistroEFD0175::INTERNO_IncluirNovo(int id_efd, int bloco, int id_0150, TDateTime data,
                                            const std::string& campo, const std::string& anterior,
                                            int) {
  const std::string numero = CampoAlterado0150(campo);
  if (numero.empty()) return 0;
  ThbClientDataSet& cds = GetDados().GetCDS();
  if (!indexado_) {
    GetDados().Isolar(0, "VsEDC01");
    cds.AddIndex("idx_0175", "RegEFD0175_IDF_RegEFD0150;RegEFD0175_NroCampoAlt");
    cds.SetIndexName("idx_0175");
    indexado_ = true;
  }
  const std::string quando = FormatarData(data);
  // The same field changed on the same day is one line of the file.
  for (bool achou = cds.FindKey({TVariant(id_0150), TVariant(numero)});
       achou && !cds.Eof() && cds.FieldByName("RegEFD0175_IDF_RegEFD0150").AsInteger() == id_0150 &&
       cds.FieldByName("RegEFD0175_NroCampoAlt").AsString() == numero;
       cds.Next())
    if (cds.FieldByName("RegEFD0175_DataAlt").AsString() == quando) return 0;

  // CNPJ, CPF and state registration are written the way 0150 writes them.
  std::string conteudo = anterior;
  if (numero == "05")
    conteudo = AcertarConteudo(anterior, 14, "N", 0);
  else if (numero == "06")
    conteudo = AcertarConteudo(anterior, 11, "N", 0);
  else if (numero == "07")
    conteudo = LimparConteudo(anterior);
  conteudo = Trim(conteudo);
  if (conteudo.empty()) conteudo = "Conteúdo Inexistente";

  const int linha_bloco = bloco > 0 ? bloco : IdBloco0(GetSession(), id_efd);
  IncluirRegistro();
  Campo("RegEFD_IDF_TipoRegEFD")
      .SetAsInteger(IdTipoRegistroDaSessao(GetSession(), linha_bloco, "0175"));
  Campo("RegEFD_IDF_BlocosEFD").SetAsInteger(linha_bloco);
  Campo("RegEFD_Registro").SetAsString("0175");
  Campo("RegEFD0175_IDF_RegEFD0150").SetAsInteger(id_0150);
  Campo("RegEFD0175_DataAlt").SetAsString(quando);
  Campo("RegEFD0175_NroCampoAlt").SetAsString(numero);
  Campo("RegEFD0175_ContAntCampo").SetAsString(conteudo);
  ConfirmarRegistro();
  return Campo("RegEFD0175_ID").AsInteger();
}

int Th5RegistroEFD0175::INTERNO_Incluir(int id_efd, int bloco, int id_0150, TDateTime data,
                                        const std::string& campo, const std::string& anterior,
                                        int n) {
  return INTERNO_IncluirNovo(id_efd, bloco, id_0150, data, campo, anterior, n);
}

}  // namespace efd
