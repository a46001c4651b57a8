#include "registers/blockD/uh5registroefdd500.h"

#include <fmt/format.h>

#include <algorithm>

#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/blockD/consolidacoesd.h"
#include "registers/blockD/contribuicoesd.h"
#include "registers/blockD/escritad.h"
#include "registers/blockD/insercaosomada.h"
#include "registers/blockD/referenciasd.h"
#include "registers/blockD/uh5registroefdd590.h"

namespace efd {
namespace {

const std::vector<std::string> kCamposD500 = {
    "IndOpera", "IndEmit",       "CodPart",     "CodModel",   "CodSit",       "Serie",
    "SubSerie", "NroDocto",      "DataEmi",     "DataEntSai", "ValDocto",     "ValDesc",
    "ValServ",  "ValServNTICMS", "ValNomeTerc", "ValOutDesp", "BaseCalcICMS", "ValICMS",
    "CodInf",   "ValorPIS",      "ValorCOFINS", "CodCtaCtb",  "TipoAssin"};
const std::vector<std::string> kCamposD510 = {
    "NroItem",   "CodItem",   "CodClass",       "Qtde",        "Unidade",
    "ValorItem", "ValorDesc", "CSTICMS",        "CFOP",        "BaseCalcICMS",
    "AliqICMS",  "ValorICMS", "BaseCalcICMSST", "ValorICMSST", "IndReceita",
    "CodPart",   "ValorPIS",  "ValorCOFINS",    "CodCtaCtb"};

double Arred(double v) {
  return Arredondar(v, 2);
}

// The class a communication item is written with: its family's, else the
// first of goods ("0101") or of services ("0601").
std::string ClasseDoItem(const TServicoD& s, const TItemDocumentoC100& i, bool servico) {
  auto classe = s.classes.find(i.id);
  return classe != s.classes.end() ? classe->second : servico ? "0601" : "0101";
}
// The CST of a service that neither its taxes nor its family's tax rule give
// an ICMS class: origin 0 and class 0, in the class's two digits.
constexpr const char* kCSTServicoSemClasse = "000";

// One generation of the D500 family for an EFD and its block-D row.
class TGeracaoD500 {
 public:
  TGeracaoD500(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
               std::optional<TEstabelecimentoD> estabelecimento)
      : sessao_(sessao), refs_(sessao, id_efd, bloco, registros, estabelecimento) {
    if (estabelecimento) {
      contribuicoes_ = std::make_unique<TContribuicoesD>(sessao_, refs_, "D500");
      consolidacoes_ = std::make_unique<TConsolidacoesD>(refs_);
    }
    if (refs_.Selecionado("D590"))
      d590_ = Aplicacao().CriarComo<Th5RegistroEFDD590>("RegistroEFDD590", sessao_);
  }
  ~TGeracaoD500() {
    if (d590_) Aplicacao().Destruir(d590_);
  }

  int Executar() {
    PercorrerServicosD(sessao_, refs_, "'21','22'", [this](const TServicoD& s) { Conta(s); });
    if (consolidacoes_) linhas_ += consolidacoes_->Gravar();
    return linhas_;
  }

 private:
  void Conta(const TServicoD& s) {
    const TDocumentoC100& d = s.documento;
    const TPaginaC100& p = s.pagina;
    const std::string& operacao = s.operacao;
    // The PIS/COFINS model's D500 are the services the establishment took;
    // the bills it rendered, save the cancelled ones, are consolidated by
    // period.
    if (consolidacoes_ && operacao == "1") {
      if (Trim(d.situacao_nf) != "1") Consolidar(s);
      return;
    }
    const TxbCabecalhoEFD& c = refs_.Cabecalho();
    const std::string situacao = s.complementar ? "08" : Trim(d.situacao_nf) == "1" ? "02" : "00";
    const bool cancelado = situacao == "02";
    // A complementary bill carries no values of its own.
    const bool valores = situacao == "00";
    const std::string cod_part = cancelado ? "" : refs_.Participante(d.ident);
    const std::string conta = valores ? refs_.Conta(d.tipo_documento) : "";
    double base = 0, icms = 0, pis = 0, cofins = 0;
    TAnaliticosD analiticos;
    struct TItemD510 {
      std::vector<TVariant> valores;
    };
    std::vector<TItemD510> itens;
    std::vector<const TItemDocumentoC100*> contribuicoes;
    // An item's class is its family's, else the first of goods or the class
    // of services.
    auto item = [&](const TItemDocumentoC100& i, const std::string* codigo_servico) {
      TAnaliticoD a = AnaliticoDoItemD(i);
      if (codigo_servico && Trim(i.tributacao).empty()) a.cst = kCSTServicoSemClasse;
      // Only a taxed item has a reduced base.
      if (i.icms_base > 0 && i.liquido > i.icms_base) a.reducao = Arred(i.liquido - i.icms_base);
      analiticos.Somar(a);
      base = Arred(base + i.icms_base);
      icms = Arred(icms + i.icms_valor);
      pis = Arred(pis + i.pis_valor);
      cofins = Arred(cofins + i.cofins_valor);
      contribuicoes.push_back(&i);
      if (!refs_.Selecionado("D510")) return;
      const std::string cod_class = ClasseDoItem(s, i, codigo_servico != nullptr);
      std::string unidade;
      const std::string cod_item = refs_.Item(i, codigo_servico, &unidade);
      // The first value, the D500's identifier, is known once it is stored.
      itens.push_back({{TVariant(),
                        std::to_string(i.seq),
                        cod_item,
                        cod_class,
                        i.quantidade,
                        unidade,
                        Arred(i.liquido),
                        Arred(i.desconto),
                        a.cst,
                        a.cfop,
                        Arred(i.icms_base),
                        i.icms_aliq,
                        Arred(i.icms_valor),
                        Arred(i.st_base),
                        Arred(i.st_valor),
                        "0",
                        cod_part,
                        Arred(i.pis_valor),
                        Arred(i.cofins_valor),
                        conta}});
    };
    if (valores) PercorrerItensDoDocumento(p.itens, s.servicos, d.id, item);
    const TVariant nada;
    auto v = [&](double x) { return valores ? TVariant(Arred(x)) : nada; };
    const TValoresD livro = ValoresD(d, s.livro);
    const int64_t id = refs_.Inserir(
        "D500", {"IDDocto",     "IndOpera",    "IndEmit",      "CodPart",   "CodModel",
                 "CodSit",      "Serie",       "SubSerie",     "NroDocto",  "DataEmi",
                 "DataEntSai",  "ValDocto",    "ValDesc",      "ValServ",   "ValServNTICMS",
                 "ValNomeTerc", "ValOutDesp",  "BaseCalcICMS", "ValICMS",   "CodInf",
                 "ValorPIS",    "ValorCOFINS", "CodCtaCtb",    "TipoAssin", "IDF_RegEFDD010"},
        {d.id,
         operacao,
         static_cast<int64_t>(EmitenteDaSerie(d.tipo_serie)),
         cod_part,
         d.modelo,
         situacao,
         Trim(d.serie),
         "",
         NumeroDocumentoD(d.numero),
         cancelado ? "" : FormatarData(d.emissao),
         cancelado ? "" : FormatarData(operacao == "0" ? d.entrada_saida : d.emissao),
         v(livro.documento),
         v(d.desconto),
         v(livro.servico),
         v(livro.nao_tributado),
         v(livro.terceiros),
         v(livro.despesas),
         v(base),
         v(icms),
         "",
         v(pis),
         v(cofins),
         conta,
         "",
         refs_.IdD010()});
    ++linhas_;
    if (contribuicoes_)
      for (const TItemDocumentoC100* i : contribuicoes) contribuicoes_->Incluir(id, *i, conta);
    sessao_.Progresso(fmt::format("RegistroEFD [D500] - {}", linhas_));
    for (auto& i : itens) {
      i.valores[0] = id;
      refs_.Inserir(
          "D510",
          [] {
            std::vector<std::string> campos{"IDF_RegEFDD500"};
            campos.insert(campos.end(), kCamposD510.begin(), kCamposD510.end());
            return campos;
          }(),
          i.valores);
    }
    if (d590_)
      for (const TAnaliticoD& t : analiticos.Totais())
        d590_->Incluir(refs_.Bloco(), refs_.Tipo("D590"), id, c.id, t, "");
  }

  void Consolidar(const TServicoD& servico) {
    const TDocumentoC100& d = servico.documento;
    // The terminals billed lie in the participant's municipality, else in
    // the branch's: a participant abroad has none of the IBGE table.
    std::string municipio = refs_.NoExterior(d.ident) ? "" : refs_.MunicipioDe(d.ident);
    if (municipio.empty()) municipio = refs_.MunicipioDaFilial();
    const TPrestacaoD s{d.modelo,      "",
                        Trim(d.serie), NumeroDocumentoD(d.numero),
                        municipio,     refs_.Conta(d.tipo_documento),
                        d.emissao,     d.total,
                        d.desconto,    d.servicos};
    std::vector<TConsolidacoesD::TItemClassificado> itens;
    PercorrerItensDoDocumento(
        servico.pagina.itens, servico.servicos, d.id,
        [&](const TItemDocumentoC100& i, const std::string* codigo_servico) {
          itens.push_back({&i, ClasseDoItem(servico, i, codigo_servico != nullptr)});
        });
    consolidacoes_->Comunicacao(s, itens);
  }

  TxbSession& sessao_;
  TReferenciasD refs_;
  int linhas_ = 0;
  std::shared_ptr<Th5RegistroEFDD590> d590_;
  std::unique_ptr<TContribuicoesD> contribuicoes_;
  std::unique_ptr<TConsolidacoesD> consolidacoes_;
};

}  // namespace

int GerarD500(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
              std::optional<TEstabelecimentoD> estabelecimento) {
  return TGeracaoD500(sessao, id_efd, bloco, registros, estabelecimento).Executar();
}

bool EFDComD700(TxbSession& sessao, int id_efd) {
  return !sessao
              .Consultar(
                  " select a.NomeBloco from Z8_BlocosEFD A  INNER JOIN Z8_TpRegEFD B  ON "
                  "A.IDF_TIPOBLOCOEFD = B.IDF_tipoblocoefd  WHERE  (A.IDF_EFD = :IDFEFD)  "
                  "and (B.NOME = 'Registro D700') ",
                  {{"IDFEFD", id_efd}})
              .Vazio();
}

int Th5RegistroEFDD500::INTERNO_GerarRegistro(int id_efd, int, int bloco,
                                              const std::string& registros,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [D500]");
  if (bloco <= 0 || LerModeloEFD(GetSession(), id_efd).modelo != "1") return 0;
  return GerarD500(GetSession(), id_efd, bloco, registros, std::nullopt);
}

int Th5RegistroEFDD500::INTERNO_RetornarQtdReg(int id_efd) {
  return ContarRegistrosD(GetSession(), id_efd, "D500");
}

std::string Th5RegistroEFDD500::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro D500");
  if (LerModeloEFD(sessao, id_efd).modelo != "1") return "";
  const int bloco = IdBloco(id_efd, "Bloco D");
  if (bloco == 0) return "";
  const int total = INTERNO_RetornarQtdReg(id_efd);
  TxbLinhasEFD linhas(sessao);
  TFilhoD d510{"D510", "IDF_RegEFDD500", kCamposD510, {}, {}};
  TFilhoD d530{"D530",
               "IDF_RegEFDD500",
               {"IndServ", "DataInicio", "DataFim", "PeriodoFiscal", "CodArea", "Terminal"},
               {},
               {}};
  TFilhoD d590{"D590",
               "IDF_RegEFDD500",
               {"CSTICMS", "CFOP", "AliqICMS", "ValOpera", "BaseCalcICMS", "ValorICMS",
                "BaseCalcICMSST", "ValICMSST", "ValRedBC", "CodObs"},
               {},
               {}};
  // The electronic invoices' writer comes after this one and closes the block.
  const int contador = EscreverFamiliaNoFimD(
      sessao, bloco, total, {"D500", kCamposD500, {&d510, &d530, &d590}, nullptr}, linhas,
      LerContador(kContadorBlocoD), !EFDComD700(sessao, id_efd), [&](int feitos) {
        AtualizarAvanco(id_efd, "D500", static_cast<size_t>(feitos), static_cast<size_t>(total));
      });
  GravarContador(kContadorBlocoD, contador);
  return linhas.Extrair();
}

}  // namespace efd
