// What the goods documents of block C read from the ERP: the month's
// documents of a branch, and, a page of documents at a time, their items
// with taxes, other data, instalments, delivery data and adjustments.
//
// Each page costs one statement per kind of record, whatever the number of
// documents, items or participants in it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/xbvariant.h"

namespace efd {

class TxbSession;

// A document as the selection gives it, with its values.
struct TDocumentoC100 {
  int64_t id = 0;  // 0: a number typed in the cancelled-document table
  int64_t tipo_documento = 0;
  int64_t ident = 0, local_entrega = 0, processo_importacao = 0;
  std::string numero, situacao_nf, situacao_nfe, modelo, obs_fiscal;
  int codigo_interno = 0;
  TDateTime emissao, entrada_saida;
  std::string serie, tipo_serie, ind_emit;  // ind_emit: typed with a cancelled number
  std::string ind_importacao, declaracao_importacao, drawback;  // the import process
  bool regime_especial = false;
  double total = 0, mercadorias = 0, servicos = 0, desconto = 0, suframa = 0, frete = 0, seguro = 0,
         outras_prod = 0, outras_serv = 0, aduaneiras = 0, imposto_importacao = 0,
         pis_importacao = 0, cofins_importacao = 0;
};

// A product item with its tax record and its product.
struct TItemDocumentoC100 {
  int64_t id = 0, produto = 0, conta_financeira = 0;
  int seq = 0;
  std::string nao_gerar_val_fin;
  double quantidade = 0, bruto = 0, desconto = 0, desconto_prop = 0, desconto_suframa = 0,
         liquido = 0, liquido_nf = 0, funrural = 0, desconto_simples = 0;
  std::string cfop, nome_cfop, origem, tributacao, unidade;
  double icms_base = 0, icms_aliq = 0, icms_valor = 0, reducao = 0, isento = 0, outras = 0,
         st_base = 0, st_aliq = 0, st_valor = 0, fcp_st = 0, difal_dest = 0, difal_remet = 0,
         fcp_dest = 0;
  std::string cst_ipi, enq_ipi, cst_pis, cst_cofins;
  double ipi_base = 0, ipi_aliq = 0, ipi_valor = 0, pis_base = 0, pis_aliq = 0, pis_fixo = 0,
         pis_valor = 0, cofins_base = 0, cofins_aliq = 0, cofins_fixo = 0, cofins_valor = 0,
         pis_aliq_imp = 0, cofins_aliq_imp = 0, pis_recup_imp = 0, cofins_recup_imp = 0;
  std::string natureza_receita;  // of a revenue without PIS/COFINS
  // The product.
  std::string cod_prod, nome_prod, cod_barras, ncm, ex_tipi, cest, genero, tipo_item;
  bool estoque = true;
};

// Whether an output of this CST of PIS or COFINS is a revenue without the
// contribution, which the establishment reports by its nature.
bool CSTSemContribuicao(const std::string& cst);
// Whether an entry of this CST of PIS or COFINS gives a credit (50 to 66).
bool CSTComCredito(const std::string& cst);
// The nature of a credit's base by the entry's CFOP (four digits); a CFOP
// the table does not name is "13" (other operations with a right to credit).
std::string NaturezaBaseCredito(const std::string& cfop);
// Where an output's revenue without the contribution goes (CST of PIS, of
// COFINS, nature of revenue, account, amount): M400/M410 and M800/M810.
using TReceitaSemContribuicao = std::function<void(const std::string&, const std::string&,
                                                   const std::string&, const std::string&, double)>;

// A service item: counted in the document's ISS complement.
struct TServicoDocumentoC100 {
  double valor = 0, iss_base = 0, iss_valor = 0;
};

// An adjustment of an item's ICMS, with its code of the state's table.
struct TAjusteC100 {
  int64_t item = 0;
  std::string codigo, descricao, descricao_det, descricao_red, complemento, tipo;
  double base = 0, aliquota = 0, valor = 0, outros = 0;
};

struct TOutrosDadosC100 {
  std::string chave, texto_fiscal, observacao, texto_pad_1, texto_pad_2, texto_pad_3, processo,
      ind_processo;
};

struct TParcelaC100 {
  std::string numero;
  TDateTime vencimento;
  double valor = 0;
};

struct TEntregaC100 {
  std::string tipo_frete, frete_a_pagar, responsavel, placa, uf_veiculo;
  int64_t transportador = 0;
  double volumes = 0, peso_bruto = 0, peso_liquido = 0;
  bool tem_volumes = false;
};

// A participant (customer, supplier, carrier) as 0150 takes it.
struct TParticipanteC100 {
  std::string codigo, nome, pais, documento, ie, municipio, suframa, logradouro, numero,
      complemento, bairro, uf;
  bool contribuinte = true;
};

struct TTanqueC100 {
  std::string tanque;
  double quantidade = 0;
};

// What a page of documents carries, by document identifier (tanks by item).
struct TPaginaC100 {
  std::map<int64_t, std::vector<TTanqueC100>> tanques;
  std::map<int64_t, TDocumentoC100> documentos;
  std::map<int64_t, std::vector<TItemDocumentoC100>> itens;
  std::map<int64_t, std::vector<TServicoDocumentoC100>> servicos;
  std::map<int64_t, std::vector<TAjusteC100>> ajustes;  // by item
  std::map<int64_t, TOutrosDadosC100> outros;
  std::map<int64_t, std::vector<TParcelaC100>> parcelas;
  std::map<int64_t, TEntregaC100> entregas;
};

// The month's documents of the branch in the order they are bookkept (by
// emission date, then identifier), with the numbers typed as cancelled
// (identifier 0) among them. Only documents are returned whole; the others
// come by page.
struct TSelecaoC100 {
  std::vector<int64_t> ids;               // ERP documents, in order; 0 marks a typed number
  std::vector<TDocumentoC100> digitados;  // the typed numbers, in the order of their 0s
};

TSelecaoC100 SelecionarDocumentosC100(TxbSession& sessao, int filial, TDateTime inicio,
                                      TDateTime fim);
// Whether the selection above would return anything, asking for one row only.
bool HaDocumentosC100(TxbSession& sessao, int filial, TDateTime inicio, TDateTime fim);
// The documents of ids (ERP identifiers) with everything they carry.
TPaginaC100 CarregarPaginaC100(TxbSession& sessao, const std::vector<int64_t>& ids);
// A participant's code as 0150 and the documents carry it: the ERP code
// without spaces and punctuation, "0" when nothing is left.
std::string CodigoParticipanteC100(const std::string& codigo);
// Participants by identity, read once each: those of ids missing from
// conhecidos are added.
void CarregarParticipantesC100(TxbSession& sessao, const std::vector<int64_t>& ids,
                               std::map<int64_t, TParticipanteC100>& conhecidos);

}  // namespace efd
