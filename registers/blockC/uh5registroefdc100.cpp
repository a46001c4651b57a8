#include "registers/blockC/uh5registroefdc100.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <map>

#include "control/linhaefd.h"
#include "control/linhasregistros.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "registers/blockC/complementosc110.h"
#include "registers/blockC/geracaoc100.h"
#include "registers/blockC/uh5registroefdc170.h"
#include "registers/blockC/uh5registroefdc176.h"
#include "registers/blockC/uh5registroefdc190.h"

namespace efd {
namespace {

// Internal codes of the document standards that are entries.
constexpr int kEntradas[] = {13, 32, 42, 55, 118, 119, 122, 138, 320, 512};
// Internal codes of the complementary documents.
constexpr int kComplementares[] = {121, 122, 135, 320, 410};

struct TFrete {
  const char* letra;
  const char* ate_2012;
  const char* ate_2018;
  const char* depois;
};
// Freight letters of the ERP by period; "F" and "T" depend on the
// operation and are handled apart.
constexpr TFrete kFretes[] = {
    {"A", "0", "2", "2"}, {"B", "9", "9", "9"}, {"C", "1", "0", "3"}, {"D", "1", "1", "4"}};

const std::vector<std::string> kCamposC100 = {
    "IndOper",     "IndEmit",          "CodPart",         "CodModelo",     "CodSit",
    "Serie",       "NroDocto",         "ChaveNFe",        "DataEmi",       "DataEntSai",
    "ValTotDocto", "IndTpPAgto",       "ValTotDesc",      "ValAbatNT",     "ValMerc",
    "IndFrete",    "ValFrete",         "ValSeguro",       "ValOutrasDesp", "BaseCalcICMS",
    "ValICMS",     "BsCalICMSSubTrib", "ValICMSSubTrib",  "ValIPI",        "ValPIS",
    "ValCOFINS",   "ValPISSubTrib",    "ValCOFINSSubTrib"};
// The first value field of C100: a voided number has every field from
// there on empty.
constexpr size_t kPrimeiroValorC100 = 10;

}  // namespace

void Th5RegistroEFDC100::AjustarValoresC100(std::vector<TVariant>& c100) {
  if (Trim(c100[4].AsString()) == "05")
    for (size_t i = kPrimeiroValorC100; i < c100.size(); ++i) c100[i] = TVariant();
}

TxbRegistroFilho Th5RegistroEFDC100::RegistroC110(TxbRegistroFilho& c111) {
  TxbRegistroFilho c110{"C110", "IDF_RegEFDC100", {"Codigo", "Texto"}, {&c111}};
  c110.ajustar = [](std::vector<TVariant>& v) { v[1] = TextoNumaLinha(Trim(v[1].AsString())); };
  return c110;
}

TxbRegistroFilho Th5RegistroEFDC100::RegistroC120() {
  return {"C120",
          "IDF_RegEFDC100",
          {"CodDocImp", "NroDocImp", "ValPISImp", "ValCOFINSImp", "NrpRegDrawback"}};
}

const std::vector<std::string>& Th5RegistroEFDC100::CamposDaLinhaC100() {
  return kCamposC100;
}

std::string Th5RegistroEFDC100::OperacaoDoCodigoInterno(int codigo) {
  return std::find(std::begin(kEntradas), std::end(kEntradas), codigo) != std::end(kEntradas) ? "0"
                                                                                              : "1";
}

std::string Th5RegistroEFDC100::RetornarIndicadorFrete(const std::string& letra,
                                                       const std::string& operacao,
                                                       TDateTime inicio) {
  const bool depois_2018 = inicio > TDateTime::EncodeDate(2018, 1, 1);
  const bool depois_2012 = inicio > TDateTime::EncodeDate(2012, 1, 1);
  const std::string l = UpperCase(Trim(letra));
  const bool saida = operacao == "1";
  if (l == "F") return depois_2012 ? (saida ? "0" : "1") : (saida ? "1" : "2");
  if (l == "T") return depois_2012 ? (saida ? "1" : "0") : (saida ? "2" : "1");
  for (const TFrete& f : kFretes)
    if (l == f.letra) return depois_2018 ? f.depois : depois_2012 ? f.ate_2018 : f.ate_2012;
  return "1";
}

std::string Th5RegistroEFDC100::RetornarSituacaoTribIPI(const std::string& letra) {
  static const std::map<std::string, std::string> kIPI = {
      {"0", "99"}, {"A", "00"}, {"B", "01"}, {"C", "02"}, {"D", "03"}, {"E", "04"}, {"F", "05"},
      {"G", "49"}, {"H", "50"}, {"I", "51"}, {"J", "52"}, {"L", "53"}, {"M", "54"}, {"N", "55"}};
  auto it = kIPI.find(Trim(letra));
  return it == kIPI.end() ? "" : it->second;
}

std::string Th5RegistroEFDC100::RetornarSituacaoTribPIS_COFINS(const std::string& letra) {
  static const std::map<std::string, std::string> kPisCofins = {
      {"1", "67"}, {"2", "70"}, {"3", "71"}, {"4", "72"}, {"5", "73"}, {"6", "74"}, {"7", "75"},
      {"A", "01"}, {"B", "02"}, {"C", "03"}, {"D", "04"}, {"E", "06"}, {"F", "07"}, {"G", "08"},
      {"H", "09"}, {"I", "05"}, {"J", "49"}, {"K", "50"}, {"L", "51"}, {"M", "52"}, {"N", "53"},
      {"O", "54"}, {"P", "55"}, {"Q", "56"}, {"R", "60"}, {"S", "61"}, {"T", "62"}, {"U", "63"},
      {"V", "64"}, {"W", "65"}, {"X", "66"}, {"Y", "98"}, {"Z", "99"}};
  auto it = kPisCofins.find(Trim(letra));
  return it == kPisCofins.end() ? "" : it->second;
}

std::string Th5RegistroEFDC100::RetornarIndicadorMedicao(const std::string& letra) {
  const std::string l = Trim(letra);
  if (l.size() != 1 || l[0] < 'A' || l[0] > 'F') return "";
  return std::string(1, static_cast<char>('0' + (l[0] - 'A')));
}

std::string Th5RegistroEFDC100::SituacaoDocumento(const std::string& situacao_nf,
                                                  const std::string& situacao_nfe,
                                                  int codigo_interno, bool regime_especial,
                                                  const std::string& serie) {
  std::string situacao;
  if (Trim(situacao_nf) != "1") {
    situacao = "00";
    if (std::find(std::begin(kComplementares), std::end(kComplementares), codigo_interno) !=
        std::end(kComplementares))
      situacao = "06";
    if (regime_especial) situacao = "08";
  } else {
    const std::string nfe = Trim(situacao_nfe);
    situacao = nfe == "05" ? "05" : (nfe == "9" || nfe == "04") ? "04" : "02";
  }
  // Series 890 to 899 are the special-regime (avulsa) series.
  const std::string s = Trim(serie);
  if (TextoEhInteiro(s)) {
    const int64_t n = TextoParaInteiro(s);
    if (n >= 890 && n <= 899) situacao = "08";
  }
  return situacao;
}

std::string Th5RegistroEFDC100::IndicadorPagamento(int parcelas, bool a_vista, TDateTime inicio) {
  if (parcelas == 0) return inicio >= TDateTime::EncodeDate(2012, 7, 1) ? "2" : "9";
  return parcelas == 1 && a_vista ? "0" : "1";
}

std::string Th5RegistroEFDC100::IndicadorEmitente(const std::string& tipo_serie,
                                                  const std::string& documento) {
  const std::string t = UpperCase(Trim(tipo_serie));
  if (t == "P") return "0";
  if (t == "T") return "1";
  if (TextoEhInteiro(t)) return std::to_string(TextoParaInteiro(t) - 1);
  throw EErro(fmt::format(
      "Registro C100, {}: o tipo da série (SerieDocto_Tipo) \"{}\" não é um número, P nem T",
      documento, tipo_serie));
}

int Th5RegistroEFDC100::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco,
                                              const std::string& registros,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [C100]");
  if (bloco <= 0) return 0;
  // The PIS/COFINS model's documents are stored by the ERP's components.
  TxbResultado modelo =
      GetSession().Consultar("SELECT MODELO FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  if (modelo.Vazio() || Trim(modelo.linhas[0][0].AsString()) != "1") return 0;
  GetSession().DefinirValor("IDF_Bloco_C", std::to_string(bloco));
  TGeracaoC100 geracao(GetSession(), id_efd, tipo, bloco, registros);
  return geracao.Executar();
}

int Th5RegistroEFDC100::INTERNO_RetornarQtdReg(int id_efd) {
  const int bloco = IdBloco(id_efd, "Bloco C");
  return bloco == 0 ? 0 : LinhasDoBloco(GetSession(), bloco, "C100");
}

std::string Th5RegistroEFDC100::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro C100");
  TxbResultado efd =
      sessao.Consultar("SELECT MODELO, DATAINICIO FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  if (efd.Vazio() || Trim(efd.linhas[0][0].AsString()) != "1") return "";
  const TDateTime inicio = efd.linhas[0][1].AsDateTime();
  const int bloco = IdBloco(id_efd, "Bloco C");
  const int total = bloco == 0 ? 0 : INTERNO_RetornarQtdReg(id_efd);
  if (total == 0) return "";

  TxbLinhasEFD linhas(sessao);
  linhas.AdicionarPronta("|C001|0|");
  const std::vector<std::string> campos_c170 = Th5RegistroEFDC170::CamposDaLinha(inicio);
  const bool com_c191 = inicio.Ano() >= 2019;
  // Children in the order they are written, each with its fields and its
  // own children.
  TxbRegistroFilho c111{"C111", "IDF_RegEFDC110", {"NumProc", "IndProc"}};
  TxbRegistroFilho c141{"C141", "IDF_RegEFDC140", {"NumParc", "DataVencto", "ValParc"}};
  TxbRegistroFilho c171{"C171", "IDF_RegistroEFDC170", {"NumTq", "QTDE"}};
  TxbRegistroFilho c191{"C191", "IDF_RegEFDC190", {"VL_FCP_OP", "VL_FCP_ST", "VL_FCP_RET"}};
  TxbRegistroFilho c197{
      "C197",
      "IDF_RegEFDC195",
      {"CodAjuste", "DescAjuste", "CodItem", "BaseCalcICMS", "AliqICMS", "ValICMS", "ValOutros"}};
  TxbRegistroFilho c101{"C101", "IDF_RegEFDC100", {"VL_UF_DEST", "VL_ICMS_DEST", "VL_ICMS_REM"}};
  TxbRegistroFilho c110 = Th5RegistroEFDC100::RegistroC110(c111);
  // The access key of a referenced document exists from the 2016 layout.
  std::vector<std::string> campos_c113 = CamposDoComplementoC110("C113");
  if (inicio.Ano() < 2016) campos_c113.pop_back();
  TxbRegistroFilho c112{"C112", "IDF_RegEFDC110", CamposDoComplementoC110("C112")};
  TxbRegistroFilho c113{"C113", "IDF_RegEFDC110", campos_c113};
  TxbRegistroFilho c114{"C114", "IDF_RegEFDC110", CamposDoComplementoC110("C114")};
  TxbRegistroFilho c115{"C115", "IDF_RegEFDC110", CamposDoComplementoC110("C115")};
  c110.filhos.insert(c110.filhos.end(), {&c112, &c113, &c114, &c115});
  TxbRegistroFilho c120 = Th5RegistroEFDC100::RegistroC120();
  TxbRegistroFilho c130{"C130",
                        "IDF_RegEFDC100",
                        {"ValServNT", "BaseCalcISSQN", "ValISSQN", "BaseCalcIRRF", "ValIRRF",
                         "BaseCalcPrevSoc", "ValPrevSocial"}};
  TxbRegistroFilho c140{
      "C140",
      "IDF_RegEFDC100",
      {"IndEmit", "IndTitulo", "DescTitulo", "NumTitulo", "QtdeParc", "ValOriTitulo"},
      {&c141}};
  TxbRegistroFilho c160{"C160",
                        "IDF_RegEFDC100",
                        {"CodPart", "PlacaVeic", "QtdeVol", "PesoBruto", "PesoLiq", "UFVeiculo"}};
  TxbRegistroFilho c173{"C173", "IDF_RegEFDC170", CamposDoComplementoC110("C173")};
  TxbRegistroFilho c176{"C176", "IDF_RegEFDC170", Th5RegistroEFDC176::CamposDaLinha(inicio)};
  TxbRegistroFilho c170{"C170", "IDF_RegEFDC100", campos_c170, {&c171, &c173, &c176}, "NUMITEM"};
  c170.ajustar = Th5RegistroEFDC170::AjustarNumeroItem;
  TxbRegistroFilho c190{"C190", "IDF_RegEFDC100", Th5RegistroEFDC190::CamposDaLinha()};
  if (com_c191) c190.filhos.push_back(&c191);
  TxbRegistroFilho c195{"C195", "IDF_RegEFDC100", {"Codigo", "Texto"}, {&c197}};
  TxbRegistroFilho c100{"C100",
                        "IDF_RegEFDC010",
                        kCamposC100,
                        {&c101, &c110, &c120, &c130, &c140, &c160, &c170, &c190, &c195}};
  c100.ajustar = AjustarValoresC100;

  size_t feitos = 0;
  c100.EscreverPorPaginas(sessao, linhas, bloco, 0, [&] {
    AtualizarAvanco(id_efd, "C100", ++feitos, static_cast<size_t>(total));
  });
  SomarContador("QtdeLinhasBloco_C", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
