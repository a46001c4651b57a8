#include "registers/piscofins/rateiocreditos.h"

#include <string_view>

#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "registers/block0/referencias.h"

namespace efd {
namespace {

struct TVinculoCST {
  const char* cst;
  const char* grupos;  // the kinds of revenue, in the order they take their parts
};
constexpr TVinculoCST kVinculos[] = {{"50", "1"},  {"51", "2"},  {"52", "3"},  {"53", "12"},
                                     {"54", "13"}, {"55", "23"}, {"56", "123"}};

std::string_view GruposDoCST(const std::string& cst) {
  for (const TVinculoCST& v : kVinculos)
    if (cst == v.cst) return v.grupos;
  return "1";
}

double ReceitaDoGrupo(const TReceitasBrutas& r, char grupo) {
  return grupo == '1' ? r.tributada : grupo == '2' ? r.nao_tributada : r.exportacao;
}

// A share of a value, rounded to the decimals the file writes it with.
double Parte(double valor, double peso, double total, int casas) {
  return total > 0 ? Arredondar(valor * peso / total, casas) : 0;
}

}  // namespace

TRateioCredito RatearCredito(const std::string& cst, double base, double quantidade,
                             const TReceitasBrutas& receitas, bool com_cumulativa) {
  TRateioCredito r;
  if (com_cumulativa) {
    r.base_cumulativa = Parte(base, receitas.cumulativa, receitas.Total(), 2);
    r.quantidade_cumulativa = Parte(quantidade, receitas.cumulativa, receitas.Total(), 3);
  }
  double base_resto = Arredondar(base - r.base_cumulativa, 2);
  double quantidade_resto = Arredondar(quantidade - r.quantidade_cumulativa, 3);
  std::string com_receita;
  double total = 0;
  for (char g : GruposDoCST(cst))
    if (ReceitaDoGrupo(receitas, g) > 0) {
      com_receita += g;
      total += ReceitaDoGrupo(receitas, g);
    }
  if (com_receita.empty()) com_receita.push_back(GruposDoCST(cst).front());
  // Each kind takes its share, the last what the others left: the parts add up to the whole.
  for (size_t i = 0; i < com_receita.size(); ++i) {
    TParcelaCredito p{com_receita[i], base_resto, quantidade_resto};
    if (i + 1 < com_receita.size()) {
      const double peso = ReceitaDoGrupo(receitas, com_receita[i]);
      p.base = Parte(base_resto, peso, total, 2);
      p.quantidade = Parte(quantidade_resto, peso, total, 3);
      base_resto = Arredondar(base_resto - p.base, 2);
      quantidade_resto = Arredondar(quantidade_resto - p.quantidade, 3);
      total -= peso;
    }
    r.parcelas.push_back(p);
  }
  return r;
}

std::optional<TReceitasBrutas> ReceitasDo0111(TxbSession& sessao, int id_efd) {
  const int bloco0 = IdBloco0(sessao, id_efd);
  if (bloco0 == 0) return std::nullopt;
  TxbResultado r = sessao.Consultar(
      "SELECT A.RECBRUNCUMTRIBMI, A.RECBRUNCUMNTMI, A.RECBRUNCUMEXP, A.RECBRUCUM "
      "FROM Z8_REGEFD0111 A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO",
      {{"BLOCO", bloco0}});
  if (r.Vazio()) return std::nullopt;
  const auto& l = r.linhas[0];
  return TReceitasBrutas{l[0].AsFloat(), l[1].AsFloat(), l[2].AsFloat(), l[3].AsFloat()};
}

}  // namespace efd
