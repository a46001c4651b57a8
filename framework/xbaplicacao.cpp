#include "framework/xbaplicacao.h"

#include "framework/hbobjetonegocio.h"
#include "framework/pbbd.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"

namespace efd {

double TxbSuporte::Arredondar(double valor, int casas) const {
  return efd::Arredondar(valor, casas);
}

std::string TxbSuporte::PreencherZeros(const std::string& texto, int largura) const {
  return PreencherZerosEsquerda(texto, static_cast<size_t>(largura));
}

std::string TxbSuporte::TratarTexto(const std::string& texto) const {
  std::string r;
  r.reserve(texto.size());
  for (char c : texto) {
    if (c == '\r') continue;
    r += c == '|' ? ' ' : c == '\n' ? ' ' : c;
  }
  return Trim(r);
}

void TxbAplicacao::RegistrarClasse(const std::string& familia, TFabricaObjeto fabrica) {
  fabricas_[familia] = std::move(fabrica);
}

bool TxbAplicacao::ChecarFamiliaRegistrada(const std::string& familia) const {
  return fabricas_.count(familia) > 0;
}

std::shared_ptr<ThbObjetoNegocio> TxbAplicacao::Criar(const std::string& familia,
                                                      TxbSession& sessao) const {
  auto it = fabricas_.find(familia);
  if (it == fabricas_.end()) throw ENomeDesconhecido("Família não registrada: " + familia);
  std::shared_ptr<ThbObjetoNegocio> objeto = it->second();
  objeto->Inicializar(sessao, familia);
  objeto->CreateKLV();
  return objeto;
}

void TxbAplicacao::Destruir(const std::shared_ptr<ThbObjetoNegocio>& objeto) const {
  if (objeto) objeto->DestroyKLV();
}

void TxbAplicacao::RegistrarImplementacao(const std::string& familia, const std::string& membro,
                                          TImplementacaoExterna implementacao) {
  externas_[familia + "." + membro] = std::move(implementacao);
}

TVariant TxbAplicacao::ExecutarExterno(ThbObjetoNegocio& objeto, const std::string& membro,
                                       std::vector<TVariant> argumentos) const {
  for (const TxbFamilia* f : TxbMetadados::Instancia().Cadeia(objeto.Familia())) {
    auto it = externas_.find(f->nome + "." + membro);
    if (it != externas_.end()) return it->second(objeto, argumentos);
  }
  throw EErro("O membro " + membro + " de " + objeto.Familia() + " não tem implementação");
}

bool TxbAplicacao::TestaPresencaParamStr(const std::string& parametro) const {
  const std::string procurado = UpperCase(parametro);
  for (const auto& p : parametros_)
    if (UpperCase(p) == procurado) return true;
  return false;
}

std::string TxbAplicacao::ObterTexto(int numero) const {
  auto it = textos_.find(numero);
  return it == textos_.end() ? std::string() : it->second;
}

std::string TxbAplicacao::FragmentoSQL(const TpbBD& bd) const {
  return bd.FragmentoAposAlias();
}

TxbAplicacao& Aplicacao() {
  static TxbAplicacao aplicacao;
  return aplicacao;
}

}  // namespace efd
