// Register 0150 of block 0 (see the class comment).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "control/uh5registrosefd.h"
#include "uh0registroefd0150.h"

namespace efd {

class Th5RegistroEFD0175;

// 0150: the participants that the documents name, inserted on demand once
// per code and address, each with the 0175 changes of its registration data
// inside the period.
//
// A code met again at another address gets a letter appended ("A" for the
// second address, "B" for the third) when it ends in a digit; the caller
// writes the code it gets back.
//
// Writer: every 0150 line of block 0, each followed by its 0175 lines, read
// a page of participants at a time, all added to "QtdeLinhasBloco_0"; it
// never writes "|0001|". In the PIS/COFINS model ("ModeloEFD" "2") it
// writes nothing: there 0140 writes the participants under the
// establishment.
class Th5RegistroEFD0150 : public Th0RegistroEFD0150 {
 public:
  void DestroyKLV() override;

  // Finds or inserts the participant of a document. registros: the caller's
  // register list as name=value lines; nothing is done (0 returned) unless
  // "RegistroEFD0150" is in it, and changes (0175) are inserted only when
  // "RegistroEFD0175" is too. bloco: the block-0 row, 0 to look it up.
  // id_ident: the participant in the ERP (KLVG_IDENT). codigo: the code in,
  // the code to write out. documento: CNPJ (14 characters) or CPF. pais: the
  // central-bank country code ("1058" Brazil). inicio, fim: the period, for
  // the changes. so_consulta: resolve the code and find the row, insert
  // nothing. id_0140: the establishment row (PIS/COFINS), 0 for none.
  // Result: the 0150 row (RegEFD0150_ID), 0 when none.
  // EErro "ID bloco 0 inválido na inclusão do registro 0150! " when the EFD
  // has no block 0.
  int IncluirNovo(int id_efd, int bloco, const std::string& registros, int id_ident,
                  std::string& codigo, const std::string& nome, const std::string& pais,
                  const std::string& documento, const std::string& ie, const std::string& municipio,
                  const std::string& suframa, const std::string& logradouro,
                  const std::string& numero, const std::string& complemento,
                  const std::string& bairro, TDateTime inicio, TDateTime fim, bool so_consulta,
                  int id_0140);
  // The older form: CNPJ and CPF apart, existing rows found by a query on
  // each call and changes read through the ERP's OcoAlteracaoIdent object.
  int Incluir(int id_efd, int bloco, const std::string& registros, int id_ident,
              std::string& codigo, const std::string& nome, const std::string& pais,
              const std::string& cnpj, const std::string& cpf, const std::string& ie,
              const std::string& municipio, const std::string& suframa,
              const std::string& logradouro, const std::string& numero,
              const std::string& complemento, const std::string& bairro, TDateTime inicio,
              TDateTime fim, int id_0140, bool so_consulta);

  // Finds or inserts the participant of an ERP identity (KLVG_IDENT) from
  // its registration: name, country, CNPJ or CPF, state registration,
  // municipality and address; under the establishment's 0140 row when given.
  // Returns the identity's code, the one the registers that name the
  // participant write; nothing is inserted for an empty code or "0".
  std::string IncluirIdentidade(int id_efd, int bloco, int id_ident, TDateTime inicio,
                                TDateTime fim, int id_0140 = 0);

  std::string INTERNO_GerarArquivo(int id_efd) override;
  // Number of 0150 rows in block 0 of the EFD.
  int INTERNO_RetornarQtdReg(int id_efd) override;

  // The registration changes of the period that 0175 reports (fields other
  // than the state registration), loaded once per generation and kept on
  // the session's company object as "OcoAlteracaoIdent" until block 9's
  // generator releases it. Fields IDF_IDENT, DATAALT, CAMPOALTERADO,
  // CONTEUDOANTER; ordered by participant, date and field.
  ThbClientDataSet& AtivarOcorrenciasAlteracao(TDateTime inicio, TDateTime fim);

 private:
  // A participant as stored, and as compared with the stored ones.
  struct TParticipante {
    int id = 0;
    int id_0140 = 0;
    std::string codigo, nome, pais, cnpj, cpf, ie, municipio, suframa, logradouro, numero,
        complemento, bairro;
  };
  struct TAlteracao {
    TDateTime data;
    std::string campo, anterior;
  };

  TParticipante Normalizar(const std::string& codigo, const std::string& nome,
                           const std::string& pais, const std::string& cnpj, const std::string& cpf,
                           const std::string& ie, const std::string& municipio,
                           const std::string& suframa, const std::string& logradouro,
                           const std::string& numero, const std::string& complemento,
                           const std::string& bairro, int id_0140);
  // Among the rows of the same code (or the code and a suffix), the one at
  // the participant's address; otherwise the participant's code gets the
  // suffix of the next address. Returns the row found, 0 for none.
  static int Resolver(const std::vector<const TParticipante*>& candidatos, TParticipante& p);
  int Inserir(int id_efd, int bloco, TParticipante& p);
  void InserirAlteracoes(int id_efd, int bloco, int id_0150, const std::string& pais,
                         const std::vector<TAlteracao>& alteracoes);
  void CarregarExistentes(int id_efd);
  std::vector<const TParticipante*> Candidatos(int id_0140, const std::string& codigo) const;

  // The 0150 rows of the EFD loaded by IncluirNovo, by (0140 row, code).
  std::map<std::pair<int, std::string>, TParticipante> linhas_;
  int efd_carregada_ = 0;
  std::shared_ptr<Th5RegistroEFD0175> alteracoes_;
};

}  // namespace efd
