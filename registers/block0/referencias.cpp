#include "registers/block0/referencias.h"

#include <fmt/format.h>

#include <string_view>

#include "control/linhasregistros.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {

TxbCabecalhoEFD LerCabecalhoEFD(TxbSession& sessao, int id_efd) {
  TxbResultado r = sessao.Consultar(
      "SELECT IDF_FILIAL, IDF_EMPRESA, MODELO, DATAINICIO, DATAFIM, DRCST FROM Z8_EFD "
      "WHERE ID = :ID",
      {{"ID", id_efd}});
  if (r.Vazio()) throw EErro(fmt::format("EFD {} não encontrada", id_efd));
  const auto& l = r.linhas[0];
  TxbCabecalhoEFD c;
  c.id = id_efd;
  c.filial = l[0].AsInteger();
  c.empresa = l[1].AsInteger();
  c.modelo = Trim(l[2].AsString());
  c.inicio = l[3].AsDateTime();
  c.fim = l[4].AsDateTime();
  const std::string drcst = UpperCase(Trim(l[5].AsString()));
  c.drcst = drcst == "T" || drcst == "S" || drcst == "1";
  return c;
}

namespace {

constexpr std::string_view kBrancos = " \t\r\n";

std::string_view Aparar(std::string_view s) {
  const size_t inicio = s.find_first_not_of(kBrancos);
  if (inicio == std::string_view::npos) return {};
  return s.substr(inicio, s.find_last_not_of(kBrancos) - inicio + 1);
}

}  // namespace

// Read for every register of every document: scans the list in place instead of splitting it.
int RetornarValorLista(const std::string& texto, const std::string& nome) {
  std::string_view resto = texto;
  while (!resto.empty()) {
    const size_t fim = resto.find('\n');
    const std::string_view linha = resto.substr(0, fim);
    resto = fim == std::string_view::npos ? std::string_view() : resto.substr(fim + 1);
    const size_t igual = linha.find('=');
    if (igual == std::string_view::npos || Aparar(linha.substr(0, igual)) != nome) continue;
    return static_cast<int>(TextoParaInteiroDef(std::string(Aparar(linha.substr(igual + 1))), 0));
  }
  return 0;
}

bool RegistroNaLista(const std::string& lista, const std::string& familia) {
  return Aparar(lista).empty() || RetornarValorLista(lista, familia) > 0;
}

int IdBloco0(TxbSession& sessao, int id_efd) {
  const int guardado = static_cast<int>(TextoParaInteiroDef(sessao.Valor("ID_Bloco0"), 0));
  if (guardado > 0) return guardado;
  const int bloco = IdBlocoDaGeracao(sessao, id_efd, "Bloco 0");
  if (bloco == 0) return 0;
  sessao.DefinirValor("ID_Bloco0", std::to_string(bloco));
  return bloco;
}

int IdTipoRegistro(TxbSession& sessao, int bloco, const std::string& codigo) {
  TxbResultado r = sessao.Consultar(
      "SELECT A.ID FROM Z8_TPREGEFD A INNER JOIN Z8_BLOCOSEFD B "
      "ON B.IDF_TIPOBLOCOEFD = A.IDF_TIPOBLOCOEFD WHERE B.ID = :BLOCO AND A.NOME = :NOME",
      {{"BLOCO", bloco}, {"NOME", "Registro " + codigo}});
  return r.Vazio() ? 0 : r.linhas[0][0].AsInteger();
}

int IdTipoRegistroDaSessao(TxbSession& sessao, int bloco, const std::string& codigo) {
  const std::string nome = "IDF_Registro_" + codigo;
  const int guardado = static_cast<int>(TextoParaInteiroDef(sessao.Valor(nome), 0));
  if (guardado > 0) return guardado;
  const int tipo = IdTipoRegistro(sessao, bloco, codigo);
  if (tipo > 0) sessao.DefinirValor(nome, std::to_string(tipo));
  return tipo;
}

int TTiposRegistro::operator()(int bloco, const std::string& codigo) {
  std::pair<int, std::string> chave{bloco, codigo};
  auto it = tipos_.find(chave);
  if (it != tipos_.end()) return it->second;
  const int tipo = IdTipoRegistro(sessao_, bloco, codigo);
  tipos_.emplace(std::move(chave), tipo);
  return tipo;
}

}  // namespace efd
