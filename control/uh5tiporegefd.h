// Register types of the catalogue: name "Registro " + code, the family that
// implements it ("RegistroEFD" + code, also the order within the block),
// interface, level and description.
#pragma once

#include "uh0tiporegefd.h"

namespace efd {

class Th5TipoRegEFD : public Th0TipoRegEFD {
 public:
  void CreateKLV() override;
  int INTERNO_Incluir(int bloco, const std::string& nome, const std::string& familia, int nivel,
                      bool flag, const std::string& interface,
                      const std::string& descricao) override;
  bool INTERNO_Atualizar(int bloco, const std::string& nome, const std::string& familia, int nivel,
                         const std::string& interface, const std::string& descricao) override;
  bool INTERNO_Selecionar(int bloco, const std::string& nome, const std::string& visao) override;
  void INTERNO_ChecarRegLivroElet(const std::string& nome) override;
  void INTERNO_ZerarChecagem() override;
  // Also answers the name "Publicar".
  TVariant ExecutarMetodo(const std::string& metodo, TArrayVariant& parametros,
                          void* thread) override;

 private:
  void Preencher(int bloco, const std::string& nome, const std::string& familia, int nivel,
                 const std::string& interface, const std::string& descricao);
};

}  // namespace efd
