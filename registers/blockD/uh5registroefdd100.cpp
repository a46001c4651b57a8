#include "registers/blockD/uh5registroefdd100.h"

#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/blockD/escritad.h"
#include "registers/blockD/geracaod100.h"

namespace efd {
namespace {

// IND_FRT by the ERP's freight letter: after 1 July 2012 for a contracted
// and for a rendered service, then on or before that day.
struct TFreteD100Letra {
  char letra;
  const char* depois_contratado;
  const char* depois_prestado;
  const char* antes_contratado;
  const char* antes_prestado;
};
constexpr TFreteD100Letra kFretes[] = {{'A', "2", "2", "0", "0"},
                                       {'B', "9", "9", "9", "9"},
                                       {'F', "1", "0", "2", "1"},
                                       {'T', "0", "1", "1", "2"}};

const std::vector<std::string> kCamposD100 = {
    "IndOper",     "IndEmit",    "CodPart",  "CodModelo", "CodSit",        "Serie",
    "SubSerie",    "NroDocto",   "ChaveCTE", "DataEmi",   "DataAquiPrest", "TipoCTe",
    "ChaveCTeRef", "ValDocto",   "ValDesc",  "IndFrete",  "ValServ",       "BaseCalcICMS",
    "ValICMS",     "ValNaoTrib", "CodInf",   "CodCtaAna", "CodMunOrig",    "CodMunDest"};

}  // namespace

std::string Th5RegistroEFDD100::RetornarIndicadorFrete(const std::string& letra,
                                                       const std::string& operacao,
                                                       TDateTime data) {
  const std::string l = UpperCase(Trim(letra));
  if (l.empty()) return "1";
  const bool depois = data > TDateTime::EncodeDate(2012, 7, 1);
  const bool contratado = operacao == "0";
  for (const TFreteD100Letra& f : kFretes)
    if (f.letra == l[0])
      return depois ? (contratado ? f.depois_contratado : f.depois_prestado)
                    : (contratado ? f.antes_contratado : f.antes_prestado);
  return "1";
}

std::string Th5RegistroEFDD100::SituacaoDocumento(const std::string& situacao_nf,
                                                  const std::string& situacao_nfe,
                                                  const std::string& operacao, int ind_emit) {
  const std::string nfe = Trim(situacao_nfe);
  // Own outputs of an electronic series that were never authorised.
  const bool nao_autorizado = operacao == "1" && ind_emit == 0 && !nfe.empty() && nfe != "3";
  if (Trim(situacao_nf) != "1" && !nao_autorizado) return "00";
  return nfe == "7" ? "05" : nfe == "9" ? "04" : "02";
}

int Th5RegistroEFDD100::INTERNO_GerarRegistro(int id_efd, int, int bloco,
                                              const std::string& registros,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [D100]");
  if (bloco <= 0) return 0;
  // The PIS/COFINS model's documents are stored by the ERP's components.
  if (LerModeloEFD(GetSession(), id_efd).modelo != "1") return 0;
  TxbBlocoMonitorado monitor(GetSession().Monitor(), 330, "REGISTRO D100");
  return TGeracaoD100(GetSession(), id_efd, bloco, registros).Executar();
}

int Th5RegistroEFDD100::INTERNO_RetornarQtdReg(int id_efd) {
  return ContarRegistrosD(GetSession(), id_efd, "D100");
}

std::string Th5RegistroEFDD100::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro D100");
  const TModeloEFD efd = LerModeloEFD(sessao, id_efd);
  if (efd.modelo != "1") return "";
  const int bloco = IdBloco(id_efd, "Bloco D");
  const int total = bloco == 0 ? 0 : INTERNO_RetornarQtdReg(id_efd);
  if (total == 0) return "";

  TxbLinhasEFD linhas(sessao);
  linhas.AdicionarPronta("|D001|0|");
  TFilhoD d101{"D101", "IDF_RegEFDD100", {"VL_FCP_DEST", "VL_ICMS_DEST", "VL_ICMS_REM"}, {}, {}};
  TFilhoD d110{"D110", "IDF_RegEFDD100", {"NroItem", "CodItem", "ValServ", "OutrosVal"}, {}, {}};
  TFilhoD d120{
      "D120", "IDF_RegEFDD100", {"CodMunOri", "CodMunDest", "Veiculo", "UFVeiculo"}, {}, {}};
  TFilhoD d162{"D162",
               "IDF_RegREFD160",
               {"CodModelo", "Serie", "NroDocto", "DataEmi", "ValTotDocto", "ValMerc", "QtdeVol",
                "PesoBruto", "PesoLiquido"},
               {},
               {}};
  TFilhoD d160{
      "D160",
      "IDF_RegEFDD100",
      {"Despacho", "CNPJCPF", "IERem", "CodMunOrig", "CNPJCPFDest", "IEDest", "CodMunDest"},
      {&d162},
      {}};
  TFilhoD d130{
      "D130",
      "IDF_RegEFDD100",
      {"CodPartCons", "CodPartRed", "IndFrete", "CodMunOri", "CodMunDest", "Veiculo", "ValLiqFrete",
       "SomaValSecCat", "ValDesp", "ValPedagio", "OutrosVal", "ValTotFrete", "UFVeiculo"},
      {},
      {}};
  TFilhoD d190{"D190",
               "IDF_RegEFDD100",
               {"CST_ICMS", "CFOP", "AliqICMS", "ValOpera", "BaseCalcICMS", "ValICMS",
                "ValRedBsCalc", "CodObs"},
               {},
               {}};
  TFilhoD d197{
      "D197",
      "IDF_RegEFDD195",
      {"COD_AJ", "DESCRCOMPLAJ", "COD_ITEM", "VL_BC_ICMS", "ALIQ_ICMS", "VL_ICMS", "VL_OUTROS"},
      {},
      {}};
  TFilhoD d195{"D195", "IDF_RegEFDD100", {"COD_OBS", "TXT_COMPL"}, {&d197}, {}};
  TFamiliaD familia{
      "D100", kCamposD100, {&d101, &d110, &d120, &d130, &d160, &d190, &d195}, nullptr};
  // The municipalities of the service are fields of the files from 2018.
  if (efd.inicio < TDateTime::EncodeDate(2018, 1, 1))
    familia.ajustar = [](std::vector<TVariant>& v) { v.resize(v.size() - 2); };
  EscreverFamiliaD(sessao, bloco, familia, linhas, [&](int feitos) {
    AtualizarAvanco(id_efd, "D100", static_cast<size_t>(feitos), static_cast<size_t>(total));
  });
  SomarContador(kContadorBlocoD, linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
