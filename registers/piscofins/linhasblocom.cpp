#include "registers/piscofins/linhasblocom.h"

#include <fmt/format.h>

#include <map>

#include "control/linhaefd.h"
#include "control/linhasregistros.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {
namespace {

constexpr const char* kContador = "QtdeLinhasBloco_M";

struct TLinhaM {
  int64_t id = 0;
  std::vector<TVariant> valores;
};
using TLinhasPorPai = std::map<int64_t, std::vector<TLinhaM>>;

std::string CampoM(const TVariant& v, const TCampoM& c) {
  switch (c.formato) {
    case TFormatoM::Valor:
    case TFormatoM::Positivo:
      return ValorBlocoM(v.AsFloat(), c.decimais, c.formato == TFormatoM::Positivo);
    case TFormatoM::Data:
      return v.IsNull() ? "" : FormatarData(v.AsDateTime());
    case TFormatoM::Codigo2:
    case TFormatoM::Codigo3: {
      const std::string codigo = Trim(v.AsString());
      return codigo.empty()
                 ? ""
                 : PreencherZerosEsquerda(codigo, c.formato == TFormatoM::Codigo2 ? 2 : 3);
    }
    case TFormatoM::Texto:
      break;
  }
  return Trim(v.AsString());
}

// Every row of the register in the block, by parent (0 for the block's own).
TLinhasPorPai LerLinhas(TxbSession& sessao, int bloco, const TRegistroM& r) {
  const TxbFamilia& familia =
      TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD" + r.codigo);
  auto coluna = [&familia](const std::string& atributo) {
    const TxbAtributo* a = familia.Atributo(atributo);
    if (!a) throw ENomeDesconhecido(familia.prefixo + "_" + atributo);
    return "A." + a->coluna;
  };
  std::string colunas = "A.ID, " + (r.vinculo.empty() ? std::string("0") : coluna(r.vinculo));
  for (const TCampoM& c : r.campos) colunas += ", " + coluna(c.atributo);
  TxbResultado resultado = sessao.Consultar(
      "SELECT " + colunas + " FROM " + familia.tabela +
          " A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA WHERE B.IDF_BLOCOSEFD = :BLOCO ORDER BY A.ID",
      {{"BLOCO", bloco}});
  TLinhasPorPai linhas;
  for (auto& l : resultado.linhas)
    linhas[l[1].AsInt64()].push_back(
        {l[0].AsInt64(), std::vector<TVariant>(std::make_move_iterator(l.begin() + 2),
                                               std::make_move_iterator(l.end()))});
  return linhas;
}

void Escrever(TxbSession& sessao, TxbLinhasEFD& saida, int bloco, const TRegistroM& r,
              const std::vector<TLinhaM>& linhas) {
  std::vector<TLinhasPorPai> filhos;
  for (const TRegistroM& f : r.filhos) filhos.push_back(LerLinhas(sessao, bloco, f));
  for (const TLinhaM& l : linhas) {
    std::string texto = "|" + r.codigo + "|";
    for (size_t i = 0; i < r.campos.size(); ++i) texto += CampoM(l.valores[i], r.campos[i]) + "|";
    saida.AdicionarPronta(texto);
    for (size_t i = 0; i < r.filhos.size(); ++i) {
      // A child without a link stands, all its rows, under each row of its parent.
      auto it = filhos[i].find(r.filhos[i].vinculo.empty() ? 0 : l.id);
      if (it != filhos[i].end()) Escrever(sessao, saida, bloco, r.filhos[i], it->second);
    }
  }
}

}  // namespace

std::string ValorBlocoM(double valor, int decimais, bool vazio_se_nao_positivo) {
  if (vazio_se_nao_positivo && valor <= 0) return "";
  return FormatarMascara(valor, decimais == 0 ? "0" : "0." + std::string(decimais, '0'));
}

int BlocoMDaGeracao(TxbSession& sessao, int id_efd) {
  const TxbCabecalhoEFD cabecalho = LerCabecalhoEFD(sessao, id_efd);
  if (Trim(cabecalho.modelo) != "2") return 0;
  return IdBlocoDaGeracao(sessao, id_efd, "Bloco M");
}

bool TemLinhasM(TxbSession& sessao, int bloco, const std::string& codigo) {
  TxbResultado r = sessao.Consultar(
      "SELECT COUNT(*) FROM Z8_REGEFD WHERE IDF_BLOCOSEFD = :BLOCO AND REGISTRO = :REGISTRO",
      {{"BLOCO", bloco}, {"REGISTRO", codigo}});
  return !r.Vazio() && r.linhas[0][0].AsInteger() > 0;
}

void EscreverRegistroM(TxbSession& sessao, TxbLinhasEFD& linhas, int bloco,
                       const TRegistroM& registro) {
  const TLinhasPorPai raiz = LerLinhas(sessao, bloco, registro);
  auto it = raiz.find(0);
  if (it != raiz.end()) Escrever(sessao, linhas, bloco, registro, it->second);
}

int AbrirBlocoM(TxbSession& sessao, TxbLinhasEFD& linhas) {
  const int contadas = static_cast<int>(TextoParaInteiroDef(sessao.Valor(kContador), 0));
  if (contadas == 0) linhas.AdicionarPronta("|M001|0|");
  return contadas;
}

void ContarLinhasM(TxbSession& sessao, int linhas) {
  const int contadas = static_cast<int>(TextoParaInteiroDef(sessao.Valor(kContador), 0));
  sessao.DefinirValor(kContador, std::to_string(contadas + linhas));
}

}  // namespace efd

namespace efd {

namespace {

// An adjustment of a credit or a contribution with its details; the COFINS
// contribution's adjustment codes are zero-filled.
TRegistroM Ajustes(const std::string& codigo, const std::string& vinculo,
                   const std::string& detalhe, const std::string& t, bool codigo_numerico) {
  using F = TFormatoM;
  return {codigo,
          vinculo,
          {{"IND_AJ"},
           {"VL_AJ", F::Valor},
           {"COD_AJ", codigo_numerico ? F::Codigo2 : F::Texto},
           {"NUM_DOC"},
           {"DESCR_AJ"},
           {"DT_REF", F::Data}},
          {{detalhe,
            "IDF_RegEFD" + codigo,
            {{"DET_VALOR_AJ", F::Valor},
             {"CST_" + t, F::Codigo2},
             {"DET_BC_CRED", F::Positivo, 3},
             {"DET_ALIQ", F::Positivo, 4},
             {"DT_OPER_AJ", F::Data},
             {"DESC_AJ"},
             {"COD_CTA"},
             {"INFO_COMPL"}},
            {}}}};
}

}  // namespace

TApuracaoM RegistrosDaApuracao(bool cofins, TDateTime inicio) {
  using F = TFormatoM;
  const std::string t = cofins ? "COFINS" : "PIS";
  const std::string credito = cofins ? "M500" : "M100";
  const std::string contribuicao = cofins ? "M600" : "M200";
  TApuracaoM a;
  // The COFINS twins differ in the format of two fields and the name of one.
  // Quantities and money rates keep the layout's three and four decimals:
  // the validator multiplies them back into the contribution.
  a.credito = {credito,
               "",
               {{"COD_CRED"},
                {"IND_CRED_ORI"},
                {"VL_BC_" + t, F::Valor},
                {"ALIQ_" + t, F::Valor, 4},
                {"QUAN_BC_" + t, F::Valor, 3},
                {"ALIQ_" + t + "_QUANT", F::Positivo, 4},
                {"VL_CRED", F::Valor},
                {"VL_AJUS_ACRES", F::Valor},
                {"VL_AJUS_REDUC", F::Valor},
                {cofins ? "VL_CRED_DIFER" : "VL_CRED_DIF", F::Valor},
                {"VL_CRED_DISP", F::Valor},
                {"IND_DESC_CRED"},
                {"VL_CRED_DESC", cofins ? F::Positivo : F::Valor},
                {"SLD_CRED", F::Valor}},
               {}};
  a.credito.filhos.push_back({cofins ? "M505" : "M105",
                              "IDF_RegEFD" + credito,
                              {{"NAT_BC_CRED"},
                               {"CST_" + t, F::Codigo2},
                               {"VL_BC_" + t + "_TOT", F::Valor},
                               {"VL_BC_" + t + "_CUM", cofins ? F::Valor : F::Positivo},
                               {"VL_BC_" + t + "_NC", F::Valor},
                               {"VL_BC_" + t, F::Valor},
                               {"QUANT_BC_" + t + "_TOT", F::Positivo, 3},
                               {"QUANT_BC_" + t, F::Valor, 3},
                               {"DESC_CRED"}},
                              {}});
  a.credito.filhos.push_back(Ajustes(cofins ? "M510" : "M110", "IDF_RegEFD" + credito,
                                     cofins ? "M515" : "M115", t, false));
  a.contribuicao = {contribuicao, "", {}, {}};
  for (const char* campo :
       {"VL_TOT_CONT_NC_PER", "VL_TOT_CRED_DESC", "VL_TOT_CRED_DESC_ANT", "VL_TOT_CONT_NC_DEV",
        "VL_RET_NC", "VL_OUT_DED_NC", "VL_CONT_NC_REC", "VL_TOT_CONT_CUM_PER", "VL_RET_CUM",
        "VL_OUT_DED_CUM", "VL_CONT_CUM_REC", "VL_TOT_CONT_REC"})
    a.contribuicao.campos.push_back({campo, F::Valor});
  TRegistroM detalhe{cofins ? "M610" : "M210",
                     "IDF_RegEFD" + contribuicao,
                     {{"COD_CONT"}, {"VL_REC_BRT", F::Valor}, {"VL_BC_CONT", F::Valor}},
                     {}};
  // The adjustments of the base exist from 2019.
  if (inicio >= TDateTime::EncodeDate(2019, 1, 1))
    for (const std::string& campo :
         {"VL_AJUS_ACRES_BC_" + t, "VL_AJUS_REDUC_BC_" + t, std::string("VL_BC_CONT_AJUS")})
      detalhe.campos.push_back({campo, F::Valor});
  for (const TCampoM& campo :
       std::initializer_list<TCampoM>{{"ALIQ_" + t, F::Valor},
                                      {"QUANT_BC_" + t, F::Valor, 3},
                                      {"ALIQ_" + t + "_QUANT", F::Positivo, 4},
                                      {"VL_CONT_APUR", F::Valor},
                                      {"VL_AJUS_ACRES", F::Valor},
                                      {"VL_AJUS_REDUC", F::Valor},
                                      {"VL_CONT_DIFER", F::Valor},
                                      {"VL_CONT_DIFER_ANT", F::Valor},
                                      {"VL_CONT_PER", F::Valor}})
    detalhe.campos.push_back(campo);
  // The amounts to pay by revenue code are the block's, under its one consolidation.
  a.contribuicao.filhos.push_back(
      {cofins ? "M605" : "M205", "", {{"NUM_CAMPO"}, {"COD_REC"}, {"VL_DEBITO", F::Valor}}, {}});
  if (inicio >= TDateTime::EncodeDate(2019, 1, 1))
    detalhe.filhos.push_back({cofins ? "M615" : "M215",
                              "IDF_RegEFD" + detalhe.codigo,
                              {{"IND_AJ_BC"},
                               {"VL_AJ_BC", F::Valor},
                               {"COD_AJ_BC"},
                               {"NUM_DOC"},
                               {"DESCR_AJ_BC"},
                               {"DT_REF", F::Data},
                               {"COD_CTA"},
                               {"CNPJ"},
                               {"INFO_COMPL"}},
                              {}});
  const std::string ajuste = cofins ? "M620" : "M220";
  detalhe.filhos.push_back(
      Ajustes(ajuste, "IDF_RegEFD" + detalhe.codigo, cofins ? "M625" : "M225", t, cofins));
  // The details of a contribution's adjustment keep the family's spelling of their link.
  detalhe.filhos.back().filhos.back().vinculo = "IDF_RegistroEFD" + ajuste;
  a.contribuicao.filhos.push_back(std::move(detalhe));
  return a;
}

TRegistroM RegistrosDasReceitas(bool cofins) {
  const std::string pai = cofins ? "M800" : "M400";
  TRegistroM naturezas{
      cofins ? "M810" : "M410",
      "IDF_RegEFD" + pai,
      {{"NAT_REC", TFormatoM::Codigo3}, {"VL_REC", TFormatoM::Valor}, {"COD_CTA"}, {"DESC_COMPL"}},
      {}};
  return {pai,
          "",
          {{cofins ? "CST_COFINS" : "CST_PIS", TFormatoM::Codigo2},
           {cofins ? "VL_TOT_REC" : "VL_REC", TFormatoM::Valor},
           {"COD_CTA"},
           {"DESC_COMPL"}},
          {std::move(naturezas)}};
}

std::string EscreverApuracaoM(TxbSession& sessao, int id_efd, bool cofins) {
  const int bloco = BlocoMDaGeracao(sessao, id_efd);
  if (bloco == 0) return "";
  const TApuracaoM a = RegistrosDaApuracao(cofins, LerCabecalhoEFD(sessao, id_efd).inicio);
  if (!TemLinhasM(sessao, bloco, a.credito.codigo) &&
      !TemLinhasM(sessao, bloco, a.contribuicao.codigo))
    return "";
  TxbLinhasEFD linhas(sessao);
  AbrirBlocoM(sessao, linhas);
  EscreverRegistroM(sessao, linhas, bloco, a.credito);
  EscreverRegistroM(sessao, linhas, bloco, a.contribuicao);
  ContarLinhasM(sessao, linhas.Quantidade());
  return linhas.Extrair();
}

std::string EscreverReceitasM(TxbSession& sessao, int id_efd, bool cofins) {
  const int bloco = BlocoMDaGeracao(sessao, id_efd);
  if (bloco == 0) return "";
  const TRegistroM receitas = RegistrosDasReceitas(cofins);
  TxbLinhasEFD linhas(sessao);
  if (TemLinhasM(sessao, bloco, receitas.codigo)) {
    AbrirBlocoM(sessao, linhas);
    EscreverRegistroM(sessao, linhas, bloco, receitas);
  }
  if (cofins) {
    // The last writer of the block closes it, empty or not.
    const int antes = static_cast<int>(TextoParaInteiroDef(sessao.Valor(kContador), 0));
    if (antes + linhas.Quantidade() == 0) linhas.AdicionarPronta("|M001|1|");
    linhas.AdicionarPronta(fmt::format("|M990|{}|", antes + linhas.Quantidade() + 1));
  }
  ContarLinhasM(sessao, linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
