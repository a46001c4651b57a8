#include "registers/blockC/uh5registroefdc400.h"

#include <cmath>
#include <utility>
#include <vector>

#include "control/linhaefd.h"
#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/blockC/geracaoc400.h"

namespace efd {
namespace {

std::string Unido(const std::vector<TVariant>& linha) {
  std::string r;
  for (const TVariant& v : linha) r += TextoDoCampo(v) + "|";
  return r;
}

// A register under the closing, with its fields and the register under it.
struct TFilhoC405 {
  TFilhoC405(const char* c, const char* v, std::vector<std::string> cs, TFilhoC405* n = nullptr)
      : codigo(c), vinculo(v), campos(std::move(cs)), neto(n) {}
  const char* codigo;
  const char* vinculo;
  std::vector<std::string> campos;
  TFilhoC405* neto;
  TxbFilhosPorPai linhas;
};

}  // namespace

std::string Th5RegistroEFDC400::CodigoTotalizadorICMS(double aliquota) {
  return "01T" + AcertarConteudo(FormatarValor(aliquota), 4, "N", 2);
}

std::string Th5RegistroEFDC400::SituacaoCupom(const std::string& situacao_cf) {
  return Trim(situacao_cf) == "1" ? "02" : "00";
}

double Th5RegistroEFDC400::AcertoDeArredondamento(double total_reducao, double total_c490) {
  if (total_reducao == 0 || total_c490 == 0) return 0;
  const double diferenca = Arredondar(total_reducao - total_c490, 2);
  const double absoluta = std::fabs(diferenca);
  return absoluta >= 0.01 - 1e-9 && absoluta <= 0.05 + 1e-9 ? diferenca : 0;
}

int Th5RegistroEFDC400::INTERNO_GerarRegistro(int id_efd, int tipo, int bloco,
                                              const std::string& registros,
                                              std::shared_ptr<ThbObjetoNegocio>&) {
  AtualizarMensagem(id_efd, "RegistroEFD [C400]");
  if (bloco <= 0) return 0;
  // The PIS/COFINS model's printers are stored by the ERP's components.
  TxbResultado modelo =
      GetSession().Consultar("SELECT MODELO FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  if (modelo.Vazio() || Trim(modelo.linhas[0][0].AsString()) != "1") return 0;
  return TGeracaoC400(*this, id_efd, tipo, bloco, registros).Executar();
}

int GerarC400(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
              const TEstabelecimentoC100& estabelecimento) {
  return GerarDoEstabelecimento<Th5RegistroEFDC400, TGeracaoC400>(sessao, "C400", id_efd, bloco,
                                                                  registros, estabelecimento);
}

int Th5RegistroEFDC400::INTERNO_RetornarQtdReg(int id_efd) {
  const int bloco = IdBloco(id_efd, "Bloco C");
  return bloco == 0 ? 0 : LinhasDoBloco(GetSession(), bloco, "C400");
}

std::string Th5RegistroEFDC400::INTERNO_GerarArquivo(int id_efd) {
  TxbSession& sessao = GetSession();
  TxbBlocoMonitorado monitor(sessao.Monitor(), 310, "Gerando Arquivo - Registro C400");
  TxbResultado efd = sessao.Consultar("SELECT MODELO FROM Z8_EFD WHERE ID = :ID", {{"ID", id_efd}});
  if (efd.Vazio() || Trim(efd.linhas[0][0].AsString()) != "1") return "";
  const int bloco = IdBloco(id_efd, "Bloco C");
  const int total = bloco == 0 ? 0 : INTERNO_RetornarQtdReg(id_efd);
  if (total == 0) return "";

  TxbLinhasEFD linhas(sessao);
  if (LerContador("QtdeLinhasBloco_C") == 0) linhas.AdicionarPronta("|C001|0|");
  TFilhoC405 c425{"C425",
                  "IDF_RegEFDC420",
                  {"CodigoItem", "Qtde", "Unidade", "ValorItem", "ValorPIS", "ValorCOFINS"}};
  TFilhoC405 c470{"C470",
                  "IDF_RegEFDC460",
                  {"CodItem", "Qtde", "QtdeCanc", "Unidade", "ValorItem", "CSTICMS", "CFOP",
                   "Aliquota", "ValorPIS", "ValorCOFINS"}};
  TFilhoC405 c410{"C410", "IDF_RegEFDC405", {"ValorPIS", "ValorCOFINS"}};
  TFilhoC405 c420{
      "C420", "IDF_RegEFDC405", {"CodTot", "ValAcumTot", "NumTot", "DescSitTot"}, &c425};
  TFilhoC405 c460{"C460",
                  "IDF_RegEFDC405",
                  {"CodModelo", "CodSit", "NumDocCOO", "DataEmi", "ValDoc", "ValorPIS",
                   "ValorCOFINS", "CPFCNPJ", "NomeAdq"},
                  &c470};
  TFilhoC405 c490{"C490",
                  "IDF_RegEFDC405",
                  {"CSTICMS", "CFOP", "Aliquota", "ValOper", "BaseCalcICMS", "ValICMS", "CodObs"}};
  TFilhoC405* sob_c405[] = {&c410, &c420, &c460, &c490};

  TxbResultado impressoras = sessao.Consultar(
      "SELECT A.ID, A.CODMODEL, A.MODELOEQUIP, A.NUMSERIE, A.NUMCAIXA FROM Z8_REGEFDC400 A "
      "INNER JOIN Z8_REGEFD B ON B.ID = A.IDA WHERE B.IDF_BLOCOSEFD = :BLOCO ORDER BY A.ID",
      {{"BLOCO", bloco}});
  int feitas = 0;
  for (const auto& impressora : impressoras.linhas) {
    AtualizarAvanco(id_efd, "C400", static_cast<size_t>(++feitas), static_cast<size_t>(total));
    linhas.AdicionarPronta("|C400|" +
                           Unido(std::vector<TVariant>(impressora.begin() + 1, impressora.end())));
    // A printer's closings, one at a time with what hangs under them.
    TxbResultado reducoes = sessao.Consultar(
        "SELECT A.ID, A.DATAMOV, A.CRO, A.CRZ, A.COO, A.VALGRANDETOT, A.VALORBRUTO FROM "
        "Z8_REGEFDC405 A WHERE A.IDF_REGEFDC400 = :C400 ORDER BY A.ID",
        {{"C400", impressora[0].AsInt64()}});
    for (const auto& z : reducoes.linhas) {
      const int64_t c405 = z[0].AsInt64();
      linhas.AdicionarPronta("|C405|" + Unido(std::vector<TVariant>(z.begin() + 1, z.end())));
      for (TFilhoC405* f : sob_c405) {
        f->linhas.Carregar(sessao, bloco, f->codigo, f->vinculo, c405, c405, f->campos);
        const auto& filhos = f->linhas.De(c405);
        if (f->neto && !filhos.empty())
          f->neto->linhas.Carregar(sessao, bloco, f->neto->codigo, f->neto->vinculo,
                                   filhos.front().id, filhos.back().id, f->neto->campos);
        for (const auto& filho : filhos) {
          linhas.AdicionarPronta(std::string("|") + f->codigo + "|" + Unido(filho.valores));
          if (f->neto)
            for (const auto& neto : f->neto->linhas.De(filho.id))
              linhas.AdicionarPronta(std::string("|") + f->neto->codigo + "|" +
                                     Unido(neto.valores));
        }
      }
    }
  }
  SomarContador("QtdeLinhasBloco_C", linhas.Quantidade());
  return linhas.Extrair();
}

}  // namespace efd
