// The pass over the month's goods documents that stores the C100 family
// (see Th5RegistroEFDC100).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "control/linhasregistros.h"
#include "framework/xbaplicacao.h"
#include "registers/block0/referencias.h"
#include "registers/blockC/complementosc110.h"
#include "registers/blockC/consolidacoesc.h"
#include "registers/blockC/documentosc100.h"
#include "registers/blockC/uh5registroefdc170.h"
#include "registers/blockC/uh5registroefdc176.h"
#include "registers/blockC/uh5registroefdc190.h"

namespace efd {

class TxbSession;
class Th5RegistroEFD0150;
class Th5RegistroEFD0190;
class Th5RegistroEFD0200;
class Th5RegistroEFD0400;
class Th5RegistroEFD0450;
class Th5RegistroEFD0460;
class Th5RegistroEFD0500;

// The establishment whose documents a PIS/COFINS generation stores: its
// branch, the 0140 row its block-0 rows stand under and the C010 row its
// documents stand under; and where each output item's revenue without the
// contribution goes (CST of PIS, of COFINS, nature of revenue, account,
// amount).
struct TEstabelecimentoC100 {
  int filial = 0;
  int id_0140 = 0;
  int64_t id_c010 = 0;
  TReceitaSemContribuicao receita_sem_contribuicao;
  bool consolidada = false;  // electronic invoices consolidated by item (C180, C190)
};

// Runs, for an establishment, a generation of block C that works through its
// register's object (TGeracao built from the object, the EFD, the register
// type, the block row, the register list and the establishment); what the
// generation returns.
template <typename TRegistro, typename TGeracao>
int GerarDoEstabelecimento(TxbSession& sessao, const std::string& codigo, int id_efd, int bloco,
                           const std::string& registros,
                           const TEstabelecimentoC100& estabelecimento) {
  auto registro = Aplicacao().CriarComo<TRegistro>("RegistroEFD" + codigo, sessao);
  TxbObjetoTemporario liberar(registro);
  return TGeracao(*registro, id_efd, IdTipoRegistro(sessao, bloco, codigo), bloco, registros,
                  estabelecimento)
      .Executar();
}

// An adjustment of a document's ICMS under one of its observations (C197).
struct TAjusteC197 {
  std::string codigo, descricao, item;
  double base = 0, aliquota = 0, icms = 0, outros = 0;
};

// One generation of the C100 family for an EFD and its block-C row: the
// branch's documents for the ICMS/IPI model, or, given an establishment, the
// establishment's for the PIS/COFINS model (C100 with C110/C111, C120, C170
// and, for consumer invoices, C175).
class TGeracaoC100 {
 public:
  TGeracaoC100(TxbSession& sessao, int id_efd, int tipo_c100, int bloco,
               const std::string& registros,
               std::optional<TEstabelecimentoC100> estabelecimento = std::nullopt);
  ~TGeracaoC100();
  // Stores every document of the period; the number of C100 rows.
  int Executar();

 private:
  struct TDocumentoMontado;
  void LerParametros();
  void Pagina(const std::vector<int64_t>& ids, std::vector<TDocumentoC100>& digitados,
              size_t& proximo_digitado);
  void Documento(const TDocumentoC100& d, const TPaginaC100& p);
  std::string Participante(int64_t ident, int64_t local_entrega);
  void Itens(const TDocumentoC100& d, const TPaginaC100& p, TDocumentoMontado& m);
  void Textos(const TDocumentoC100& d, const TPaginaC100& p, TDocumentoMontado& m);
  // The document's C110 of a text (its 0450 code), added when new.
  struct TTextoMontado;
  TTextoMontado& Texto(TDocumentoMontado& m, const std::string& linha);
  // Referenced documents, collection documents, coupons and the delivery
  // place, each under its text.
  void Complementos(const TDocumentoC100& d, TDocumentoMontado& m);
  void Ajustes(const TDocumentoC100& d, const TPaginaC100& p, TDocumentoMontado& m);
  // A Santa Catarina branch notes its interstate ST outputs and its exempt
  // and untaxed items under fixed observations.
  void NotasSantaCatarina(const TDocumentoC100& d, const TPaginaC100& p, TDocumentoMontado& m);
  // The document's observation (0460 code, text), added when new, with the
  // adjustment under it, when given: one of the same code, item and
  // description sums the values.
  void Observacao(TDocumentoMontado& m, const std::string& codigo, const std::string& texto,
                  std::optional<TAjusteC197> ajuste);
  // The PIS/COFINS model's share of an item: the consumer invoice's C175
  // and the output's revenue without the contribution.
  void Contribuicoes(const TDocumentoC100& d, const TItemDocumentoC100& i, const TItemC170& c,
                     TDocumentoMontado& m);
  // A consolidated establishment's document goes into its consolidations.
  TDestinoConsolidacao Destino(const TDocumentoC100& d, const TPaginaC100& p,
                               const std::string& operacao, const std::string& ind_emit) const;
  void Consolidar(const TDocumentoC100& d, const TPaginaC100& p, TDocumentoMontado& m);
  void EntregarReceitas(const TDocumentoMontado& m);
  std::string CodigoItem(const TItemDocumentoC100& i);
  // The refund of an output item on its product's last entry, when it has one.
  std::optional<TRessarcimentoC176> Ressarcimento(const TDocumentoC100& d,
                                                  const TItemDocumentoC100& i,
                                                  const std::string& operacao);
  std::string Conta(int64_t tipo_documento);
  // The item's account when the branch books items on their financial
  // account: its code, declared in 0500 the first time.
  std::string ContaFinanceira(int64_t conta);
  // The financial accounts of the page's items not met before.
  void CarregarContasFinanceiras(const TPaginaC100& p);
  void Gravar(TDocumentoMontado& m);
  void GravarFilhos(TDocumentoMontado& m, int64_t c100);
  // A row of C112 to C115 or C173 (its fields in the line's order) under
  // its parent.
  void GravarComplemento(const std::string& codigo, std::vector<TVariant> valores,
                         const char* vinculo, int64_t pai);
  // Whether the C100 row stores the document's duplicate key.
  bool MesmoDocumento(int64_t c100, const TDocumentoMontado& m);
  // Removes a stored document with everything under it.
  void ExcluirDocumento(int64_t c100);
  bool Selecionado(const std::string& codigo) const;
  int Tipo(const std::string& codigo);
  TxbInsercaoRegistro& Insercao(const std::string& codigo, std::vector<std::string> campos);

  TxbSession& sessao_;
  TxbCabecalhoEFD cabecalho_;
  std::optional<TEstabelecimentoC100> estabelecimento_;
  int id_0140_ = 0;  // the establishment's 0140 row, 0 for the ICMS/IPI model
  int tipo_c100_, bloco_, bloco0_ = 0;
  std::set<std::string> registros_;  // codes chosen ("C170"); empty: all
  std::string lista_bloco0_;         // the choice as block 0's insertions take it
  // Parameters of the generation.
  std::string ind_oper_, ind_ativ_, gerar_c170_propria_, uf_filial_;
  bool subst_tributaria_ = false, c140_todos_modelos_ = false, sem_prefixo_ = false,
       uf_c110_c120_ = false, desconto_proprio_ = false, conta_financeira_ = false;
  int64_t tipos_ = 0;

  std::map<int64_t, TParticipanteC100> participantes_;
  TComplementosC110 complementos_;                          // of the page of documents in hand
  std::map<int64_t, std::vector<TLoteC173>> lotes_;         // of its items
  std::map<int64_t, TUltimaEntradaC176> ultimas_entradas_;  // of its output items
  // Delivery places taxed by their own registration: CNPJ, state
  // registration, number, complement; empty for the others.
  std::map<int64_t, std::vector<std::string>> locais_entrega_;
  TTiposRegistro tipos_registro_{sessao_};
  std::set<std::string> naturezas_, unidades_;
  std::map<std::string, std::string> codigos_0450_;  // text -> code
  std::map<std::string, std::string> codigos_0460_;
  std::set<std::string> notas_0460_;       // fixed codes declared
  std::map<int64_t, std::string> contas_;  // document type -> account code
  // Financial account -> its code and name, and whether 0500 has it.
  struct TContaFinanceira {
    std::string codigo, nome;
    bool declarada = false;
  };
  std::map<int64_t, TContaFinanceira> contas_financeiras_;
  // The stored documents' C100 rows by a hash of their duplicate key: a
  // month holds hundreds of thousands of them, and the keys themselves would
  // take several times the memory. A row found by the hash is the same
  // document only when its stored key matches (MesmoDocumento).
  std::unordered_multimap<uint64_t, int64_t> ja_gravados_;
  std::map<std::string, std::unique_ptr<TxbInsercaoRegistro>> insercoes_;
  int linhas_c100_ = 0;

  std::shared_ptr<Th5RegistroEFD0150> r0150_;
  std::shared_ptr<Th5RegistroEFD0190> r0190_;
  std::shared_ptr<Th5RegistroEFD0200> r0200_;
  std::shared_ptr<Th5RegistroEFD0400> r0400_;
  std::shared_ptr<Th5RegistroEFD0450> r0450_;
  std::shared_ptr<Th5RegistroEFD0460> r0460_;
  std::shared_ptr<Th5RegistroEFD0500> r0500_;
  std::shared_ptr<Th5RegistroEFDC170> c170_;
  std::shared_ptr<Th5RegistroEFDC176> c176_;
  std::shared_ptr<Th5RegistroEFDC190> c190_;
  std::unique_ptr<TConsolidacoesC> consolidacoes_;
};

}  // namespace efd
