// What the three document families of block D (transport D100,
// communication D500, electronic communication D700) share while they are
// generated: the chosen registers, the register types, the insertions of
// their rows, and the block-0 references their documents name.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "control/linhasregistros.h"
#include "registers/block0/referencias.h"
#include "registers/blockC/documentosc100.h"
#include "registers/blockC/itensservico.h"
#include "registers/blockD/insercaosomada.h"

namespace efd {

class TxbSession;
class Th5RegistroEFD0150;
class Th5RegistroEFD0190;
class Th5RegistroEFD0200;
class Th5RegistroEFD0450;
class Th5RegistroEFD0460;
class Th5RegistroEFD0500;

// "0" for the document standards that are entries (contracted or acquired
// services), "1" otherwise; the three families share the first six codes,
// the transport documents add 12 and 134.
std::string OperacaoDoPadraoD(int codigo_interno, bool transporte);
// Whether a document of operation `operacao` is kept under the header's
// IND_OPER filter ("0" all, "1" only entries, "2" only outputs).
bool OperacaoNoFiltro(const std::string& ind_oper, const std::string& operacao);
// IND_EMIT of a series type: the type's number minus 1 (own issue 1 gives
// 0, issued by others 2 gives 1), 0 without a series or a number.
int EmitenteDaSerie(const std::string& tipo_serie);
// A document number of the file: digits zero-filled to nine.
std::string NumeroDocumentoD(const std::string& numero);

// A CFOP of the file: its first four digits.
std::string CfopD(const std::string& cfop);
// What a communication item adds to its bill's analytic totals: by its
// CST, CFOP and rate, its net value, its ICMS and ICMS-ST bases and values.
TAnaliticoD AnaliticoDoItemD(const TItemDocumentoC100& item);

// A document's record in the fiscal books: the values the books took of it.
struct TLivroD {
  double fornecimento = 0, nao_tributado = 0, terceiros = 0, despesas = 0;
};
// The book records of a page of documents, by document.
std::map<int64_t, TLivroD> CarregarLivrosD(TxbSession& sessao, const std::vector<int64_t>& ids);
// The record of a document in the books; null when the books have none.
const TLivroD* LivroDe(const std::map<int64_t, TLivroD>& livros, int64_t documento);

// The values of a document of block D: those of its record in the books
// (document and service at the value supplied), or, without one, the
// document's own totals and nothing not taxed, of third parties or of
// expenses.
struct TValoresD {
  double documento = 0, servico = 0, nao_tributado = 0, terceiros = 0, despesas = 0;
};
TValoresD ValoresD(const TDocumentoC100& documento, const TLivroD* livro);

// The establishment whose service documents a PIS/COFINS generation stores:
// its branch, the 0140 row its block-0 rows stand under and the D010 row its
// documents stand under, which d010 stores with the first of them and
// returns then on: an establishment whose documents the month or the
// header's filter all leave out gets none.
struct TEstabelecimentoD {
  int filial = 0;
  int id_0140 = 0;
  std::function<int64_t()> d010;
  TReceitaSemContribuicao receita_sem_contribuicao;
};

class TReferenciasD {
 public:
  // registros: the driver's list of register-type names ("Registro D190"),
  // one a line; empty chooses every register. Given an establishment, the
  // documents are its branch's and only the PIS/COFINS registers of block D
  // are chosen.
  TReferenciasD(TxbSession& sessao, int id_efd, int bloco, const std::string& registros,
                std::optional<TEstabelecimentoD> estabelecimento = std::nullopt);
  ~TReferenciasD();
  TReferenciasD(const TReferenciasD&) = delete;
  TReferenciasD& operator=(const TReferenciasD&) = delete;

  const TxbCabecalhoEFD& Cabecalho() const { return cabecalho_; }
  // The header's operation filter (EFD_IndOper).
  const std::string& IndOper() const { return ind_oper_; }
  int Bloco() const { return bloco_; }
  const std::optional<TEstabelecimentoD>& Estabelecimento() const { return estabelecimento_; }
  // The D010 row the documents stand under: null for the ICMS/IPI model.
  TVariant IdD010();
  bool Selecionado(const std::string& codigo) const;
  // The register type of a code of block 0 or D.
  int Tipo(const std::string& codigo);
  // Stores a row of a register of block D (fields without the prefix).
  int64_t Inserir(const std::string& codigo, const std::vector<std::string>& campos,
                  const std::vector<TVariant>& valores);

  // Reads the participants of a page of documents at once.
  void CarregarParticipantes(const std::vector<int64_t>& idents);
  // The 0150 code of an ERP identity, inserted on first use; empty for none.
  std::string Participante(int64_t ident);
  // The 0200 code of an item (with its unit in 0190), inserted on first use;
  // a service is given with its code of the service list. unidade, when
  // given, receives the unit the item is counted in.
  std::string Item(const TItemDocumentoC100& item, const std::string* codigo_servico = nullptr,
                   std::string* unidade = nullptr);
  // The 0450 code of a text, the 0460 code of an observation.
  std::string Informacao(const std::string& texto);
  std::string Observacao(const std::string& texto);
  // The account (0500) of a document type; empty when it has none.
  std::string Conta(int64_t tipo_documento);
  // The IBGE code of a branch's or an identity's municipality.
  std::string MunicipioDaFilial();
  std::string MunicipioDe(int64_t ident);
  // Whether an identity lies outside Brazil (its country is another).
  bool NoExterior(int64_t ident);

 private:
  TxbSession& sessao_;
  TxbCabecalhoEFD cabecalho_;
  std::optional<TEstabelecimentoD> estabelecimento_;
  int bloco_, bloco0_ = 0, id_0140_ = 0;
  std::set<std::string> registros_;
  std::string lista_bloco0_, ind_oper_;
  bool sem_prefixo_ = false;
  TTiposRegistro tipos_{sessao_};
  std::map<std::string, std::unique_ptr<TxbInsercaoRegistro>> insercoes_;
  std::map<int64_t, TParticipanteC100> participantes_;
  std::map<int64_t, std::string> codigos_participantes_, contas_;
  std::map<std::string, std::string> informacoes_, observacoes_;
  std::set<std::string> unidades_;
  std::string municipio_filial_;
  std::shared_ptr<Th5RegistroEFD0150> r0150_;
  std::shared_ptr<Th5RegistroEFD0190> r0190_;
  std::shared_ptr<Th5RegistroEFD0200> r0200_;
  std::shared_ptr<Th5RegistroEFD0450> r0450_;
  std::shared_ptr<Th5RegistroEFD0460> r0460_;
  std::shared_ptr<Th5RegistroEFD0500> r0500_;
};

// The communication bills of the generation's branch whose model is one of
// `modelos` ("'21','22'"), issued or entered in the period, by issue date
// and identifier, read a page at a time: f(bill) for each bill that the
// header's operation filter and the month keep (an output by its issue, an
// entry by its entry date).
struct TServicoD {
  const TDocumentoC100& documento;
  const TPaginaC100& pagina;
  std::string operacao;
  bool complementar;     // its type complements another document
  const TLivroD* livro;  // its record in the books, null without one
  // The class its items' product or service families give communication
  // items, by item; absent when the family gives none.
  const std::map<int64_t, std::string>& classes;
  // The page's service items; one without an ICMS class of its own has the
  // class of its family's tax rule in the branch.
  const TItensServico& servicos;
};
void PercorrerServicosD(TxbSession& sessao, TReferenciasD& refs, const std::string& modelos,
                        const std::function<void(const TServicoD&)>& f);

}  // namespace efd
