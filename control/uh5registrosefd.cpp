#include "control/uh5registrosefd.h"

#include <fmt/format.h>

#include "control/linharegistroefd.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"
#include "uh0blocosefd.h"
#include "uh0efd.h"
#include "uh0tiporegefd.h"

namespace efd {

void Th5RegistrosEFD::CreateKLV() {
  Th0RegistrosEFD::CreateKLV();
  SetIgnorarFiltrosPorSessao(true);
}

std::string Th5RegistrosEFD::INTERNO_AcertarConteudo(const std::string& valor, int largura,
                                                     const std::string& tipo, int decimais) {
  std::string r = Trim(valor);
  if (tipo != "N") {
    size_t n = TamanhoUtf8(r);
    if (n < static_cast<size_t>(largura)) r.append(static_cast<size_t>(largura) - n, ' ');
    return r;
  }
  if (r.empty()) r = "0";
  if (decimais > 0) r = FormatarMascara(TextoParaReal(r), "0." + std::string(decimais, '0'));
  return PreencherZerosEsquerda(LimparConteudo(r), static_cast<size_t>(std::max(largura, 0)));
}

std::string Th5RegistrosEFD::INTERNO_LimparConteudo(const std::string& valor) {
  std::string r;
  for (char c : Trim(valor)) {
    switch (c) {
      case ' ':
      case '(':
      case ')':
      case ',':
      case '-':
      case '.':
      case '/':
      case '\\':
        break;
      default:
        r += c;
    }
  }
  return r;
}

void Th5RegistrosEFD::INTERNO_CriarTabelaTemporaria(const std::string& nome) {
  GetSession().GetBD().CriarTabelaTemporaria(nome);
}

void Th5RegistrosEFD::INTERNO_IncluirValorTabelaTemporaria(const std::string& nome,
                                                           const std::string& valor) {
  GetSession().ExecutarDiretoNoBD("insert into " + nome + " (ID) values (" + valor + ")");
}

void Th5RegistrosEFD::INTERNO_ChecarReg(const std::string& registro) {
  if (auto tipo = std::dynamic_pointer_cast<Th0TipoRegEFD>(GetTipoRegEFD()))
    tipo->ChecarRegLivroElet(registro);
}

void Th5RegistrosEFD::INTERNO_ZerarChecagemReg() {
  if (auto tipo = std::dynamic_pointer_cast<Th0TipoRegEFD>(GetTipoRegEFD())) tipo->ZerarChecagem();
}

int Th5RegistrosEFD::IdBloco(int id_efd, const std::string& nome_bloco) {
  auto blocos = GetBlocosEFD();
  if (!blocos) return 0;
  T2bDados& dados = blocos->GetDados();
  dados.GetFiltros()
      .Adicionar("FltBloco")
      .IncluirConstante("BlocosEFD_IDF_EFD", TOperador::Igual, id_efd)
      .IncluirConstante("BlocosEFD_NomeBloco", TOperador::Igual, nome_bloco);
  dados.AtivarDataSet("VsEDC01");
  dados.GetFiltros().Remover("FltBloco");
  ThbClientDataSet& cds = dados.GetCDS();
  return cds.IsEmpty() ? 0 : cds.FieldByName("BlocosEFD_ID").AsInteger();
}

void Th5RegistrosEFD::AbrirRegistrosDoBloco(int id_bloco, const std::string& modelo) {
  T2bDados& dados = GetDados();
  dados.GetFiltros().Adicionar("Flt").IncluirConstante("RegEFD_IDF_BlocosEFD", TOperador::Igual,
                                                       id_bloco);
  dados.AtivarDataSet(Trim(modelo) == "2" ? "VsEDCPisCofins" : "VsEDC01");
}

bool Th5RegistrosEFD::AbrirParaEscrita(int id_efd, const std::string& nome_bloco) {
  const int bloco = IdBloco(id_efd, nome_bloco);
  if (bloco == 0) return false;
  AbrirRegistrosDoBloco(bloco, GetSession().Valor("ModeloEFD"));
  return true;
}

int Th5RegistrosEFD::LerContador(const std::string& nome) const {
  return static_cast<int>(TextoParaInteiroDef(GetSession().Valor(nome), 0));
}

void Th5RegistrosEFD::GravarContador(const std::string& nome, int valor) const {
  GetSession().DefinirValor(nome, std::to_string(valor));
}

void Th5RegistrosEFD::SomarContador(const std::string& nome, int linhas) const {
  GravarContador(nome, LerContador(nome) + linhas);
}

void Th5RegistrosEFD::AtualizarMensagem(int, const std::string& texto) {
  if (auto efd = std::dynamic_pointer_cast<Th0EFD>(GetEFD())) efd->AtualizarMensagem(texto);
}

void Th5RegistrosEFD::AtualizarAvanco(int id_efd, const std::string& registro, size_t atual,
                                      size_t total) {
  AtualizarMensagem(id_efd, fmt::format("RegistroEFD [{}] - {}/{}", registro, atual, total));
}

void IncluirLinhaDeRegistro(ThbObjetoNegocio& registro, int tipo, int bloco,
                            const std::string& codigo) {
  registro.IncluirRegistro();
  registro.Campo("RegEFD_IDF_TipoRegEFD").SetAsInteger(tipo);
  registro.Campo("RegEFD_IDF_BlocosEFD").SetAsInteger(bloco);
  registro.Campo("RegEFD_Registro").SetAsString(codigo);
}

void Th5RegistrosEFD::IncluirLinha(int tipo, int bloco, const std::string& registro) {
  IncluirLinhaDeRegistro(*this, tipo, bloco, registro);
}

ThbClientDataSet& Th5RegistrosEFD::AbrirFilialDoCabecalho(int id_efd) {
  T2bDados& cabecalho = GetEFD()->GetDados();
  cabecalho.Isolar(id_efd, "VsEDC01");
  T2bDados& filial = GetFilial()->GetDados();
  filial.Isolar(cabecalho.GetCDS().FieldByName("EFD_IDF_Filial").AsInteger(), "VsLKPComboFil");
  return filial.GetCDS();
}

}  // namespace efd
