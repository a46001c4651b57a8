// Block G of Th5RegistroEFDG110 from one customer's imported CIAP table instead of the ERP's
// assets.
#include "registers/blockG/uh5registroefdg110.h"

#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control/linharegistroefd.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/block0/uh5registroefd0300.h"
#include "registers/block0/uh5registroefd0305.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/block0/uh5registroefd0600.h"
#include "registers/blockG/geracaog.h"

namespace efd {
namespace {

// One customer's imported CIAP: the movements of the period, asset by
// asset, each with its asset and purchase document item. The branch is
// told by its CNPJ, compared without punctuation.
constexpr const char* kImportado =
    "SELECT A.CNPJFILIAL, A.NUMEROBEM, A.TIPOMOVIMENTO, A.DATAAQUISICAO, A.DATACREDITO, "
    "A.VALORICMSPROPRIO, A.VALORICMSST, A.VALORICMSFRETE, A.VALORICMSDIFALIQ, "
    "A.NUMEROPARCELA, A.NUMEROTOTALPARC, A.VALORCREDPARC, A.VALORCREDUTILIZPARC, "
    "A.NUMERODOCUMENTO, A.CHAVENFECOMPRA, A.CPFCNPJEMITENTE, A.CODIGOMODELO, "
    "A.SERIEDOCUMENTO, A.DATADOCUMENTO, A.SEQITEMNOTA, A.CODIGOBEMNOTA, A.QTDITEMNOTA, "
    "A.UNIDITEMNOTA, A.TIPOMERCADORIA, A.CODIGOCTACONTABIL, A.DESCRICAOBEM, "
    "A.NUMEROBEMPRINCIPAL, A.CODIGOCCUSTO, A.DESCRICAOFUNCAO, A.MESESVIDAUTIL "
    "FROM TIMU_BLOCOG A, Z8_FILIAL D "
    "WHERE D.ID = :FILIAL AND A.DATACREDITO BETWEEN :INICIO AND :FIM "
    "ORDER BY D.ID, A.NUMEROBEM, A.DATADOCUMENTO, A.SEQITEMNOTA";
enum TColunaImportada {
  kImpCNPJFilial,
  kImpBem,
  kImpTipoMov,
  kImpAquisicao,
  kImpDataCredito,
  kImpICMSProprio,
  kImpICMSST,
  kImpICMSFrete,
  kImpICMSDifAliq,
  kImpParcela,
  kImpTotalParcelas,
  kImpValorParcela,
  kImpValorUtilizado,
  kImpNumeroDocto,
  kImpChave,
  kImpEmitente,
  kImpModelo,
  kImpSerie,
  kImpDataDocto,
  kImpSeqItem,
  kImpCodItem,
  kImpQtdeItem,
  kImpUnidade,
  kImpTipoMerc,
  kImpConta,
  kImpDescricao,
  kImpPrincipal,
  kImpCentro,
  kImpFuncao,
  kImpVidaUtil
};

}  // namespace

int Th5RegistroEFDG110::GerarBlocoG_CiaValtero(int id_efd, int tipo, int bloco,
                                               const std::string& lista,
                                               std::shared_ptr<ThbObjetoNegocio>&) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 300, "BLOCO G - Cia Valtero");
  TGeracao g;
  if (!IniciarGeracao(g, id_efd, bloco)) return 0;
  AtualizarMensagem(id_efd, "BLOCO G - Cia Valtero");
  const TFaturamento faturamento = LerFaturamento(g);
  TxbResultado cnpj = sessao.Consultar(
      "SELECT I.CPFCNPJ FROM Z8_FILIAL D INNER JOIN KLVG_PAPELREL R ON R.ID = D.IDF_PAPELREL "
      "INNER JOIN KLVG_IDENT I ON I.ID = R.IDF_IDENT WHERE D.ID = :FILIAL",
      {{"FILIAL", g.cabecalho.filial}});
  const std::string da_filial = cnpj.Vazio() ? "" : Digitos(cnpj.linhas[0][0].AsString());
  g.cnpj_filial = da_filial;
  TxbResultado linhas = sessao.Consultar(kImportado, {{"FILIAL", g.cabecalho.filial},
                                                      {"INICIO", g.cabecalho.inicio.DateOf()},
                                                      {"FIM", g.cabecalho.fim.DateOf()}});
  std::erase_if(linhas.linhas, [&da_filial](const std::vector<TVariant>& l) {
    return da_filial.empty() || Digitos(l[kImpCNPJFilial].AsString()) != da_filial;
  });
  if (!faturamento.existe && linhas.Vazio()) return 0;
  IncluirG110(g, tipo, faturamento);
  if (!linhas.Vazio() && NaLista(lista, "G125")) {
    InicializarBlocoG(g, lista);
    TSomas somas;
    for (const auto& l : linhas.linhas) {
      auto valor = [&l](TColunaImportada c) { return l[c].AsFloat(); };
      auto inteiro = [&l](TColunaImportada c) { return l[c].AsInteger(); };
      const std::string codigo = Trim(l[kImpBem].AsString());
      if (codigo.empty())
        throw EErro("Bloco G: linha importada sem código do bem (TIMU_BLOCOG.NUMEROBEM)");
      IncluirBemImportado(g, l);
      const std::string tipo_mov = TipoMovimentoCIAP(
          Trim(l[kImpTipoMov].AsString()), l[kImpAquisicao].AsDateTime(), g.cabecalho.inicio);
      const TDateTime data = l[kImpDataCredito].AsDateTime();
      const int n = inteiro(kImpTotalParcelas), numero = inteiro(kImpParcela);
      const double icms[4] = {valor(kImpICMSProprio), valor(kImpICMSST), valor(kImpICMSFrete),
                              valor(kImpICMSDifAliq)};
      if (numero == 0) {
        // The entry of the credit, its ICMS as recorded.
        const int id_g125 = IncluirG125(g, codigo, FormatarData(data), tipo_mov, icms, 0,
                                        valor(kImpValorParcela), valor(kImpValorUtilizado));
        if (g.com_g130) IncluirDocumentoImportado(g, l, id_g125, icms);
        continue;
      }
      IncluirApropriacao(g, codigo, tipo_mov, data, icms, numero, n, valor(kImpValorParcela),
                         valor(kImpValorUtilizado), somas,
                         [&](int id_g125, const double(&em_48)[4]) {
                           IncluirDocumentoImportado(g, l, id_g125, em_48);
                         });
    }
    FecharG110(g, faturamento, somas);
  }
  return 1;
}

void Th5RegistroEFDG110::IncluirBemImportado(TGeracao& g, const std::vector<TVariant>& l) {
  auto texto = [&l](TColunaImportada c) { return Trim(l[c].AsString()); };
  const std::string codigo = texto(kImpBem);
  if (!g.r0300 || !g.bens_importados.insert(codigo).second) return;
  AtualizarMensagem(g.cabecalho.id, "Incluindo Registro 0300 - Bem: [" + codigo + "]");
  std::string conta;
  if (!texto(kImpConta).empty()) {
    std::string natureza;
    g.o0500->Incluir(g.cabecalho.id, g.bloco0, g.tipo_0500, texto(kImpConta), "", "", 0, natureza,
                     "A", "", false);
    conta = Trim(g.o0500->Campo("RegEFD0500_CodConta").AsString());
  }
  const bool componente = texto(kImpTipoMerc) == "2";
  const int id_0300 = g.o0300->Incluir(
      g.cabecalho.id, g.bloco0, g.tipo_0300, codigo, componente ? "2" : "1", texto(kImpDescricao),
      componente ? texto(kImpPrincipal) : "", conta, l[kImpTotalParcelas].AsInteger());
  if (!g.r0305 || texto(kImpCentro).empty()) return;
  TxbResultado centro =
      GetSession().Consultar("SELECT NOME, DTINCLUSAO FROM Z8_CCUSTO WHERE CODIGO = :CODIGO",
                             {{"CODIGO", texto(kImpCentro)}});
  if (centro.Vazio())
    throw EErro(
        fmt::format("Bloco G: o centro de custo {} do bem {} não existe "
                    "(TIMU_BLOCOG.CODIGOCCUSTO)",
                    texto(kImpCentro), codigo));
  g.o0600->Incluir(g.cabecalho.id, g.bloco0, g.tipo_0600, centro.linhas[0][1].AsDateTime(),
                   texto(kImpCentro), centro.linhas[0][0].AsString());
  g.o0305->Incluir(g.cabecalho.id, g.bloco0, g.tipo_0305, id_0300, texto(kImpCentro),
                   texto(kImpFuncao).empty() ? texto(kImpDescricao) : texto(kImpFuncao),
                   l[kImpVidaUtil].AsInteger());
}

void Th5RegistroEFDG110::IncluirDocumentoImportado(TGeracao& g, const std::vector<TVariant>& l,
                                                   int id_g125, const double (&icms)[4]) {
  auto texto = [&l](TColunaImportada c) { return Trim(l[c].AsString()); };
  if (texto(kImpNumeroDocto).empty()) return;
  TxbSession& sessao = GetSession();
  // The issuer by its CNPJ or CPF: the branch, for its own documents, or
  // a participant.
  const std::string emitente = Digitos(texto(kImpEmitente));
  const bool propria = emitente == g.cnpj_filial;
  std::string participante;
  TxbResultado ident =
      sessao.Consultar("SELECT MIN(ID) FROM KLVG_IDENT WHERE CPFCNPJ = :DOC", {{"DOC", emitente}});
  if (ident.Vazio() || ident.linhas[0][0].IsNull())
    throw EErro(
        fmt::format("Bloco G: o emitente {} do documento {} do bem {} não existe "
                    "(TIMU_BLOCOG.CPFCNPJEMITENTE)",
                    texto(kImpEmitente), texto(kImpNumeroDocto), texto(kImpBem)));
  if (g.r0150 && !propria)
    participante = g.o0150->IncluirIdentidade(g.cabecalho.id, g.bloco0,
                                              static_cast<int>(ident.linhas[0][0].AsInteger()),
                                              g.cabecalho.inicio, g.cabecalho.fim);
  ThbObjetoNegocio& o = *g.g130;
  IncluirLinhaDeRegistro(o, g.tipo_g130, g.bloco, "G130");
  o.Campo("RegEFDG130_IDF_RegEFDG125").SetAsInteger(id_g125);
  o.Campo("RegEFDG130_IndEmit").SetAsString(propria ? "0" : "1");
  o.Campo("RegEFDG130_CodPart").SetAsString(participante);
  o.Campo("RegEFDG130_CodModelo").SetAsString(texto(kImpModelo));
  o.Campo("RegEFDG130_Serie").SetAsString(texto(kImpSerie));
  o.Campo("RegEFDG130_NumDocto").SetAsString(texto(kImpNumeroDocto));
  o.Campo("RegEFDG130_ChaveNFe").SetAsString(texto(kImpChave));
  o.Campo("RegEFDG130_DataEmi")
      .SetAsString(l[kImpDataDocto].IsNull() ? "" : FormatarData(l[kImpDataDocto].AsDateTime()));
  o.Campo("RegEFDG130_NUM_DA").SetAsString("");
  o.ConfirmarRegistro();
  if (!g.com_g140 || texto(kImpCodItem).empty()) return;

  TxbResultado p = sessao.Consultar(
      "SELECT P.ID, P.CODPROD, P.NMPROD, P.CODBARRAS, P.CODIGONCM, P.EXTIPI, P.CODGENERO, "
      "P.CODCEST, F.TIPOITEM FROM Z8_PROD P LEFT JOIN Z8_FAMILIA F ON F.ID = P.IDF_FAMILIA "
      "WHERE P.CODPROD = :CODIGO AND P.IDF_EMPRESA = :EMPRESA",
      {{"CODIGO", texto(kImpCodItem)}, {"EMPRESA", g.cabecalho.empresa}});
  if (p.Vazio())
    throw EErro(
        fmt::format("Bloco G: o item {} do documento {} não existe "
                    "(TIMU_BLOCOG.CODIGOBEMNOTA)",
                    texto(kImpCodItem), texto(kImpNumeroDocto)));
  const auto& produto = p.linhas[0];
  auto campo = [&produto](size_t i) { return Trim(produto[i].AsString()); };
  const std::string codigo = (g.sem_prefixo ? "" : "P") + campo(1);
  std::string unidade_produto;
  g.o0200->IncluirNovo(g.cabecalho.id, g.bloco0, codigo, static_cast<int>(produto[0].AsInteger()),
                       campo(2), campo(3), "", campo(8), unidade_produto, campo(4), campo(5),
                       campo(6), "", campo(7), 0, g.cabecalho.inicio, g.cabecalho.fim, 0,
                       g.cabecalho.filial);
  std::string unidade = texto(kImpUnidade);
  if (unidade.empty()) unidade = unidade_produto;
  IncluirG140(g, o.Campo("RegEFDG130_ID").AsInteger(),
              l[kImpSeqItem].IsNull() ? 1 : static_cast<int>(l[kImpSeqItem].AsInteger()), codigo,
              l[kImpQtdeItem].IsNull() ? 1 : l[kImpQtdeItem].AsFloat(), unidade, icms);
}

}  // namespace efd
