// The ancestor of every register: the text functions with which writers
// format fields, the temporary key tables, the register-type check, and the
// writer's common steps (block row, rows of the register, block counters).
#pragma once

#include <string>
#include <vector>

#include "control/linhaefd.h"
#include "framework/xbformato.h"
#include "uh0registrosefd.h"

namespace efd {

class Th5RegistrosEFD : public Th0RegistrosEFD {
 public:
  void CreateKLV() override;

  std::string INTERNO_AcertarConteudo(const std::string& valor, int largura,
                                      const std::string& tipo, int decimais) override;
  std::string INTERNO_LimparConteudo(const std::string& valor) override;
  void INTERNO_CriarTabelaTemporaria(const std::string& nome) override;
  void INTERNO_IncluirValorTabelaTemporaria(const std::string& nome,
                                            const std::string& valor) override;
  void INTERNO_ChecarReg(const std::string& registro) override;
  void INTERNO_ZerarChecagemReg() override;

 protected:
  // The block row ("Bloco 0", "Bloco C") of a generation, 0 when absent.
  int IdBloco(int id_efd, const std::string& nome_bloco);
  // Opens this register's rows of a block row (the view by the model).
  void AbrirRegistrosDoBloco(int id_bloco, const std::string& modelo);
  // Opens this register's rows of a block of the generation for its writer,
  // under the model the 0000 writer left in the session; false when the
  // generation has no such block.
  bool AbrirParaEscrita(int id_efd, const std::string& nome_bloco);
  // Includes a row of this register with the attributes every row carries.
  void IncluirLinha(int tipo, int bloco, const std::string& registro);
  // Isolates the generation's header (view "VsEDC01") and its branch (view
  // "VsLKPComboFil", with the branch's identity); returns the branch's rows.
  ThbClientDataSet& AbrirFilialDoCabecalho(int id_efd);
  // A field of the current row, trimmed.
  std::string Texto(const std::string& atributo) { return Trim(Campo(atributo).AsString()); }
  // Counters of the session value list: the value as an integer, 0 when
  // absent or not a number.
  int LerContador(const std::string& nome) const;
  void GravarContador(const std::string& nome, int valor) const;
  void SomarContador(const std::string& nome, int linhas) const;
  // Reports progress through the header's message.
  void AtualizarMensagem(int id_efd, const std::string& texto);
  // "RegistroEFD [code] - n/total": the row a writer or generator is at.
  void AtualizarAvanco(int id_efd, const std::string& registro, size_t atual, size_t total);
};

}  // namespace efd
