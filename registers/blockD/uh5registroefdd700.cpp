#include "registers/blockD/uh5registroefdd700.h"

#include <fmt/format.h>

#include <algorithm>

#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/blockD/escritad.h"
#include "registers/blockD/insercaosomada.h"
#include "registers/blockD/referenciasd.h"
#include "registers/blockD/uh5registroefdd730.h"

namespace efd {
namespace {

const std::vector<std::string> kCamposD700 = {
    "IndOpera",      "IndEmit",     "CodPart",    "CodModel",     "CodSit",       "Serie",
    "NroDocto",      "DataEmi",     "DataEntSai", "ValDocto",     "ValDesc",      "ValServ",
    "ValServNTICMS", "VL_TERC",     "VlDespAce",  "BaseCalcICMS", "ValICMS",      "CodInf",
    "ValorPIS",      "ValorCOFINS", "ChNtFisc",   "FinEmi",       "TipFat",       "CodModRef",
    "ChNtRef",       "HashDoc",     "SerDocRef",  "NumDocRef",    "MesAnoDocRef", "CodIBGEDes",
    "Deducoes"};

double Arred(double v) {
  return Arredondar(v, 2);
}

class TGeracaoD700 {
 public:
  TGeracaoD700(TxbSession& sessao, int id_efd, int bloco, const std::string& registros)
      : sessao_(sessao), refs_(sessao, id_efd, bloco, registros) {
    if (refs_.Selecionado("D730"))
      d730_ = Aplicacao().CriarComo<Th5RegistroEFDD730>("RegistroEFDD730", sessao_);
  }
  ~TGeracaoD700() {
    if (d730_) Aplicacao().Destruir(d730_);
  }

  int Executar() {
    PercorrerServicosD(sessao_, refs_, "'62'", [this](const TServicoD& s) { Nota(s); });
    return linhas_;
  }

 private:
  void Nota(const TServicoD& s) {
    const TDocumentoC100& d = s.documento;
    const TPaginaC100& p = s.pagina;
    const std::string& operacao = s.operacao;
    const TxbCabecalhoEFD& c = refs_.Cabecalho();
    const bool cancelado = Trim(d.situacao_nf) == "1";
    double base = 0, icms = 0, pis = 0, cofins = 0;
    // Goods and services alike (a service's origin is "0", its class its
    // taxes' or its family's rule's): the items of an ICMS tributary class
    // make the analytic totals and the invoice's ICMS, PIS and COFINS; the
    // others count in none.
    TAnaliticosD analiticos;
    if (!cancelado)
      PercorrerItensDoDocumento(p.itens, s.servicos, d.id,
                                [&](const TItemDocumentoC100& i, const std::string*) {
                                  if (Trim(i.tributacao).empty()) return;
                                  analiticos.Somar(AnaliticoDoItemD(i));
                                  base = Arred(base + i.icms_base);
                                  icms = Arred(icms + i.icms_valor);
                                  pis = Arred(pis + i.pis_valor);
                                  cofins = Arred(cofins + i.cofins_valor);
                                });
    auto outros = p.outros.find(d.id);
    const std::string chave = outros == p.outros.end() ? "" : Digitos(outros->second.chave);
    const TVariant nada;
    auto v = [&](double x) { return cancelado ? nada : TVariant(Arred(x)); };
    const TValoresD livro = ValoresD(d, s.livro);
    const int64_t id = refs_.Inserir(
        "D700", {"IDDocto",     "IndOpera",     "IndEmit",  "CodPart",       "CodModel",
                 "CodSit",      "Serie",        "NroDocto", "DataEmi",       "DataEntSai",
                 "ValDocto",    "ValDesc",      "ValServ",  "ValServNTICMS", "VL_TERC",
                 "VlDespAce",   "BaseCalcICMS", "ValICMS",  "CodInf",        "ValorPIS",
                 "ValorCOFINS", "ChNtFisc",     "FinEmi",   "TipFat",        "Deducoes"},
        {d.id, operacao, static_cast<int64_t>(EmitenteDaSerie(d.tipo_serie)),
         cancelado ? "" : refs_.Participante(d.ident), d.modelo, cancelado ? "02" : "00",
         Trim(d.serie), NumeroDocumentoD(d.numero), FormatarData(d.emissao),
         cancelado ? "" : FormatarData(operacao == "0" ? d.entrada_saida : d.emissao),
         v(livro.documento), v(d.desconto), v(livro.servico), v(livro.nao_tributado),
         v(livro.terceiros), v(livro.despesas), v(base), v(icms), "", v(pis), v(cofins), chave,
         // A normal invoice of a normal billing: the ERP keeps no other.
         cancelado ? "" : "0", cancelado ? "" : "0", nada});
    ++linhas_;
    if (d730_)
      for (const TAnaliticoD& t : analiticos.Totais())
        d730_->Incluir(refs_.Bloco(), refs_.Tipo("D730"), id, c.id, t.cst, t.cfop, t.aliquota,
                       t.operacao, t.base, t.icms, 0, "");
  }

  TxbSession& sessao_;
  TReferenciasD refs_;
  int linhas_ = 0;
  std::shared_ptr<Th5RegistroEFDD730> d730_;
};

}  // namespace

int Th5RegistroEFDD700::INTERNO_GerarRegistro(int id_efd, int, int bloco,
                                              const std::string& registros,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [D700]");
  if (bloco <= 0 || LerModeloEFD(GetSession(), id_efd).modelo != "1") return 0;
  return TGeracaoD700(GetSession(), id_efd, bloco, registros).Executar();
}

int Th5RegistroEFDD700::INTERNO_RetornarQtdReg(int id_efd) {
  return ContarRegistrosD(GetSession(), id_efd, "D700");
}

std::string Th5RegistroEFDD700::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro D700");
  if (LerModeloEFD(sessao, id_efd).modelo != "1") return "";
  const int bloco = IdBloco(id_efd, "Bloco D");
  if (bloco == 0) return "";
  const int total = INTERNO_RetornarQtdReg(id_efd);
  TxbLinhasEFD linhas(sessao);
  TFilhoD d730{
      "D730",
      "IDF_RegEFDD700",
      {"CST_ICMS", "CFOP", "ALIQ_ICMS", "VL_OPR", "VL_BC_ICMS", "VL_ICMS", "VL_RED_BC", "COD_OBS"},
      {},
      {}};
  const int contador = EscreverFamiliaNoFimD(
      sessao, bloco, total, {"D700", kCamposD700, {&d730}, nullptr}, linhas,
      LerContador(kContadorBlocoD), true, [&](int feitos) {
        AtualizarAvanco(id_efd, "D700", static_cast<size_t>(feitos), static_cast<size_t>(total));
      });
  GravarContador(kContadorBlocoD, contador);
  return linhas.Extrair();
}

}  // namespace efd
