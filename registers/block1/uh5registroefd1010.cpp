#include "registers/block1/uh5registroefd1010.h"

#include "framework/xbsession.h"

namespace efd {
namespace {

// The questions in layout order, with the first period (YYYYMM) that asks
// each one.
struct TPergunta {
  const char* atributo;
  int desde;
};
constexpr TPergunta kPerguntas[] = {{"RegEFD1010_IndExp", 201301},
                                    {"RegEFD1010_IndCCRF", 201301},
                                    {"RegEFD1010_IndComb", 201301},
                                    {"RegEFD1010_IndUsina", 201301},
                                    {"RegEFD1010_IndVA", 201301},
                                    {"RegEFD1010_IndEE", 201301},
                                    {"RegEFD1010_IndCart", 201301},
                                    {"RegEFD1010_IndForm", 201301},
                                    {"RegEFD1010_IndAer", 201301},
                                    {"RegEFD1010_IndGIAF1", 201901},
                                    {"RegEFD1010_IndGIAF3", 201901},
                                    {"RegEFD1010_IndGIAF4", 201901},
                                    {"RegEFD1010_IndRestRessarcComplICMS", 202001}};

size_t PerguntasDoPeriodo(TDateTime inicio) {
  const int periodo = inicio.Ano() * 100 + inicio.Mes();
  size_t quantas = 0;
  for (const auto& pergunta : kPerguntas)
    if (periodo >= pergunta.desde) ++quantas;
  return quantas;
}

}  // namespace

int Th5RegistroEFD1010::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco, const std::string&,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsEDC01");
  ThbClientDataSet& h = cabecalho.GetCDS();
  ExcluirRegistroEFD(id_efd);
  if (Trim(h.FieldByName("EFD_Modelo").AsString()) != "1" ||
      PerguntasDoPeriodo(h.FieldByName("EFD_DataInicio").AsDateTime()) == 0)
    return 0;
  AtualizarMensagem(id_efd, "RegistroEFD [1010]");
  GetDados().Isolar(0, "VsEDC01");
  IncluirLinha(tipo, bloco, "1010");
  for (const auto& pergunta : kPerguntas) Campo(pergunta.atributo).SetAsString("N");
  ConfirmarRegistro();
  return 1;
}

std::string Th5RegistroEFD1010::INTERNO_GerarArquivo(int id_efd) {
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 310, "Gerando Arquivo - Registro 1010");
  TxbLinhasEFD linhas(GetSession());
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsESPGeracao");
  const size_t quantas =
      PerguntasDoPeriodo(cabecalho.GetCDS().FieldByName("EFD_DataInicio").AsDateTime());
  if (AbrirParaEscrita(id_efd, "Bloco 1")) {
    ThbClientDataSet& cds = GetDados().GetCDS();
    for (cds.First(); !cds.Eof(); cds.Next()) {
      if (LerContador("QtdeLinhasBloco_1") + linhas.Quantidade() == 0)
        linhas.AdicionarPronta("|1001|0|");
      linhas.Adicionar(
          Texto("RegEFD_Registro"),
          {Texto("RegEFD1010_IndExp"), Texto("RegEFD1010_IndCCRF"), Texto("RegEFD1010_IndComb"),
           Texto("RegEFD1010_IndUsina"), Texto("RegEFD1010_IndVA"), Texto("RegEFD1010_IndEE"),
           Texto("RegEFD1010_IndCart"), Texto("RegEFD1010_IndForm"), Texto("RegEFD1010_IndAer"),
           Texto("RegEFD1010_IndGIAF1"), Texto("RegEFD1010_IndGIAF3"), Texto("RegEFD1010_IndGIAF4"),
           Texto("RegEFD1010_IndRestRessarcComplICMS")},
          quantas);
    }
  }
  SomarContador("QtdeLinhasBloco_1", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
