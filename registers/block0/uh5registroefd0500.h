// Register 0500 of block 0 (see the class comment).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

#include "control/uh5registrosefd.h"
#include "registers/block0/referencias.h"
#include "uh0registroefd0500.h"

namespace efd {

// 0500: the accounting accounts that other registers cite, inserted on
// demand, once per account and date of inclusion.
//
// What the caller passes is completed from the ERP: the account's name and
// dates from "ContaContabil"; when the accounting module is present (family
// "MovCtb"), level, name and nature from the company's visual chart of
// accounts; in the PIS/COFINS model, the referenced account from the
// referential chart of the company's accounting parameters. The company
// parameter ORICODCTACTB says which code of the account the files carry:
// "2" its short code (CtaCtb_CodReduzido), anything else its code
// (Classe_Codigo).
class Th5RegistroEFD0500 : public Th0RegistroEFD0500 {
 public:
  // EFD, block row, register type, account code as the citing register
  // writes it (may be empty when the account's identifier is given), name,
  // level, the ERP account's identifier (0: found by its code), nature (the
  // ERP digit or the file's code; receives the code stored),
  // synthetic/analytic indicator, referenced account, whether the date is
  // the account's last change rather than its inclusion -> the row
  // identifier.
  int INTERNO_Incluir(int id_efd, int bloco, int tipo, const std::string& conta,
                      const std::string& nome, const std::string& nivel, int id_conta,
                      std::string& natureza, const std::string& indicador,
                      const std::string& conta_referencial, bool data_da_alteracao) override;
  std::string INTERNO_GerarArquivo(int id_efd) override;
  // The account of a document type's general part, inserted as an analytic
  // account: its code as the documents cite it, empty when the type names
  // none.
  std::string IncluirContaDoTipoDocumento(int id_efd, int bloco, int tipo, int64_t tipo_documento);

 private:
  // An ERP account as the generation sees it.
  struct TContaERP {
    std::string codigo;         // as the files carry it
    std::string codigo_classe;  // Classe_Codigo, the key of the charts
    std::string nome;
    TDateTime inclusao, alteracao;
  };
  // An analytic account of the company's visual chart.
  struct TContaDoPlano {
    std::string nivel, nome, natureza;
  };
  // What one generation reads once.
  struct TGeracao {
    TxbCabecalhoEFD cabecalho;
    bool codigo_reduzido = false;
    bool plano_carregado = false;
    std::unordered_map<std::string, TContaDoPlano> plano;  // by Classe_Codigo
    std::map<std::pair<int, std::string>, TContaERP> contas;
  };

  TGeracao& Geracao(int id_efd);
  const TContaERP& LerConta(TGeracao& g, int id_conta, const std::string& codigo);
  const TContaDoPlano* ContaDoPlano(TGeracao& g, const std::string& codigo_classe);
  std::string ContaReferencial(const TGeracao& g, const std::string& codigo_classe);

  TGeracao geracao_;
};

// The accounts of the document types a generation cites: each declared in
// 0500 the first time, when the generation declares 0500, and then answered
// from memory; empty for a type that names none, or without 0500.
class TContasDosTiposDocumento {
 public:
  TContasDosTiposDocumento(TxbSession& sessao, int id_efd, int bloco0, bool declarar);
  ~TContasDosTiposDocumento();
  std::string operator()(int64_t tipo_documento);

 private:
  TxbSession& sessao_;
  int id_efd_, bloco0_;
  bool declarar_;
  std::map<int64_t, std::string> contas_;
  std::shared_ptr<Th5RegistroEFD0500> r0500_;
};

// The file's nature code of an ERP nature digit ("1" -> "01", "9" -> "99").
std::string NaturezaDaConta(const std::string& digito);

}  // namespace efd
