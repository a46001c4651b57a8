#include "registers/block0/uh5registroefd0205.h"

#include "framework/xberros.h"
#include "framework/xbsession.h"

namespace efd {

bool Th5RegistroEFD0205::JaInformado(const std::string& codigo, int filial, int meses) {
  // Earlier files of the branch and model whose period started up to that
  // many months before this one.
  int ano = cabecalho_.inicio.Ano(), mes = cabecalho_.inicio.Mes() - (meses > 0 ? meses : 12);
  while (mes < 1) {
    mes += 12;
    --ano;
  }
  TxbResultado r = GetSession().Consultar(
      "SELECT 1 FROM Z8_REGEFD0205 A "
      "INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "INNER JOIN Z8_BLOCOSEFD C ON C.ID = B.IDF_BLOCOSEFD "
      "INNER JOIN Z8_EFD D ON D.ID = C.IDF_EFD "
      "WHERE A.CODANTITEM = :CODANT AND D.IDF_FILIAL = :FILIAL AND D.MODELO = :MODELO "
      "AND D.DATAINICIO < :DTINI AND D.DATAINICIO >= :DTLIMITE",
      {{"CODANT", codigo},
       {"FILIAL", filial},
       {"MODELO", cabecalho_.modelo},
       {"DTINI", cabecalho_.inicio.DateOf()},
       {"DTLIMITE", TDateTime::EncodeDate(ano, mes, 1)}});
  return !r.Vazio();
}

int Th5RegistroEFD0205::INTERNO_IncluirNovo(int id_efd, int bloco, int filial, int meses,
                                            const std::string& codigo_anterior,
                                            const std::string& descricao_anterior, TDateTime inicio,
                                            TDateTime fim, int id_0200, bool sem_prefixo) {
  std::string codigo = Trim(codigo_anterior);
  const std::string descricao = Trim(descricao_anterior);
  if (codigo.empty() && descricao.empty()) return 0;
  if (cabecalho_.id != id_efd) cabecalho_ = LerCabecalhoEFD(GetSession(), id_efd);
  if (!codigo.empty()) {
    if (!sem_prefixo) codigo = "P" + codigo;
    if (filial > 0 && JaInformado(codigo, filial, meses)) {
      if (descricao.empty()) return 0;
      codigo.clear();
    }
  }
  const int linha_bloco = bloco > 0 ? bloco : IdBloco0(GetSession(), id_efd);
  if (linha_bloco <= 0) throw EErro("Necessário selecionar o bloco 0 !!");
  if (!GetDados().GetCDS().Active()) GetDados().Isolar(0, "VsEDC01");
  IncluirRegistro();
  Campo("RegEFD_IDF_TipoRegEFD")
      .SetAsInteger(IdTipoRegistroDaSessao(GetSession(), linha_bloco, "0205"));
  Campo("RegEFD_IDF_BlocosEFD").SetAsInteger(linha_bloco);
  Campo("RegEFD_Registro").SetAsString("0205");
  Campo("RegEFD0205_IDF_RegEFD0200").SetAsInteger(id_0200);
  Campo("RegEFD0205_DescAnt").SetAsString(descricao);
  Campo("RegEFD0205_DataIni").SetAsString(FormatarData(inicio));
  Campo("RegEFD0205_DataFim").SetAsString(FormatarData(fim));
  Campo("RegEFD0205_CodAntItem").SetAsString(codigo);
  ConfirmarRegistro();
  return Campo("RegEFD0205_ID").AsInteger();
}

}  // namespace efd
