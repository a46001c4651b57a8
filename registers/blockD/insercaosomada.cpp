#include "registers/blockD/insercaosomada.h"

#include "framework/xbformato.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

std::vector<std::string> Juntos(std::vector<std::string> a, const std::vector<std::string>& b,
                                const std::vector<std::string>& c) {
  a.insert(a.end(), b.begin(), b.end());
  a.insert(a.end(), c.begin(), c.end());
  return a;
}

}  // namespace

TInsercaoSomada::TInsercaoSomada(TxbSession& sessao, const std::string& codigo,
                                 std::vector<std::string> chave, std::vector<std::string> somas,
                                 std::vector<std::string> outros, bool atualizar_outros)
    : sessao_(sessao),
      n_somas_(somas.size()),
      atualizar_outros_(atualizar_outros),
      insercao_(sessao, codigo, Juntos(chave, somas, outros)) {
  const TxbFamilia& f = TxbMetadados::Instancia().FamiliaObrigatoria("RegistroEFD" + codigo);
  std::string sets;
  for (size_t i = 0; i < somas.size() + outros.size(); ++i) {
    const std::string coluna =
        f.Atributo(i < somas.size() ? somas[i] : outros[i - somas.size()])->coluna;
    if (i >= somas.size() && !atualizar_outros) continue;
    const std::string p = ":P" + std::to_string(i);
    sets += (sets.empty() ? "" : ", ") + coluna + " = " +
            (i < somas.size() ? "COALESCE(" + coluna + ", 0) + " + p : p);
  }
  atualizacao_ = "UPDATE " + f.tabela + " SET " + sets + " WHERE ID = :ID";
}

int64_t TInsercaoSomada::Incluir(int bloco, int tipo, const std::vector<TVariant>& chave,
                                 const std::vector<double>& somas,
                                 const std::vector<TVariant>& outros) {
  std::string k;
  for (const TVariant& v : chave) k += TextoDoCampo(v) + "|";
  auto it = linhas_.find(k);
  if (it == linhas_.end()) {
    std::vector<TVariant> valores = chave;
    for (double s : somas) valores.emplace_back(Arredondar(s, 2));
    valores.insert(valores.end(), outros.begin(), outros.end());
    return linhas_[k] = insercao_.Inserir(bloco, tipo, valores);
  }
  TParametros p;
  for (size_t i = 0; i < somas.size(); ++i)
    p.emplace_back("P" + std::to_string(i), Arredondar(somas[i], 2));
  if (atualizar_outros_)
    for (size_t i = 0; i < outros.size(); ++i)
      p.emplace_back("P" + std::to_string(n_somas_ + i), outros[i]);
  p.emplace_back("ID", it->second);
  sessao_.ExecutarDiretoNoBD(atualizacao_, p);
  return it->second;
}

}  // namespace efd
