// The state of one generation of block G, shared by its sources (the ERP's
// assets and one customer's imported CIAP).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "framework/xbaplicacao.h"
#include "registers/block0/referencias.h"
#include "registers/block0/uh5registroefd0150.h"
#include "registers/block0/uh5registroefd0190.h"
#include "registers/block0/uh5registroefd0200.h"
#include "registers/block0/uh5registroefd0300.h"
#include "registers/block0/uh5registroefd0305.h"
#include "registers/block0/uh5registroefd0500.h"
#include "registers/block0/uh5registroefd0600.h"
#include "registers/blockC/documentosc100.h"
#include "registers/blockG/uh5registroefdg110.h"

namespace efd {

struct Th5RegistroEFDG110::TBem {
  int id = 0, documento = 0, produto = 0, principal = 0, vida_util = 0;
  std::string codigo, tipo_erp, tipo_merc, funcao, descricao;
  std::string centro, nome_centro;
  TDateTime aquisicao, inclusao_centro;
};

struct Th5RegistroEFDG110::TGeracao {
  TxbCabecalhoEFD cabecalho;
  int bloco = 0, bloco0 = 0, id_g110 = 0;
  int tipo_g125 = 0, tipo_g126 = 0, tipo_g130 = 0, tipo_g140 = 0;
  int tipo_0190 = 0, tipo_0300 = 0, tipo_0305 = 0, tipo_0500 = 0, tipo_0600 = 0;
  bool com_g126 = false, com_g130 = false, com_g140 = false;
  bool r0150 = false, r0300 = false, r0305 = false;
  bool sem_prefixo = false, conta_lida = false;
  std::string conta;  // the fixed-asset account, as 0500 carries it
  std::map<int, TBem> bens;
  std::set<int> bens_gerados;             // assets given their G125 rows
  std::map<int, int> bens_no_0300;        // asset -> its 0300 row
  std::set<std::string> bens_importados;  // imported assets given their 0300
  std::string cnpj_filial;                // digits only
  std::set<std::string> unidades;
  std::map<int64_t, TParticipanteC100> participantes;
  std::shared_ptr<ThbObjetoNegocio> g125, g126, g130, g140;
  std::shared_ptr<Th5RegistroEFD0150> o0150;
  std::shared_ptr<Th5RegistroEFD0190> o0190;
  std::shared_ptr<Th5RegistroEFD0200> o0200;
  std::shared_ptr<Th5RegistroEFD0300> o0300;
  std::shared_ptr<Th5RegistroEFD0305> o0305;
  std::shared_ptr<Th5RegistroEFD0500> o0500;
  std::shared_ptr<Th5RegistroEFD0600> o0600;

  ~TGeracao() { Liberar(g125, g126, g130, g140, o0150, o0190, o0200, o0300, o0305, o0500, o0600); }
  template <class... T>
  static void Liberar(const std::shared_ptr<T>&... objetos) {
    ((objetos ? Aplicacao().Destruir(objetos) : void()), ...);
  }
};

}  // namespace efd
