// Tests of the files of the demo company's month, on every engine: the
// database with the demo company and the lines of a generated file.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/banco.h"
#include "app/geracao.h"
#include "control/catalogo.h"
#include "erp/demo.h"
#include "framework/xbformato.h"
#include "tests/testutil.h"

namespace efd::teste {

// A file's lines, each split at "|" (the first and last fields are empty).
using TLinhas = std::vector<std::vector<std::string>>;

inline TLinhas LinhasDoArquivo(const std::string& caminho) {
  std::ifstream in(caminho, std::ios::binary);
  TLinhas linhas;
  for (std::string l; std::getline(in, l);)
    linhas.push_back(Dividir(l.substr(0, l.size() - 1), '|'));
  return linhas;
}

// The lines of one register, in file order.
inline TLinhas Registros(const TLinhas& linhas, const std::string& codigo) {
  TLinhas achados;
  for (const auto& l : linhas)
    if (l.size() > 1 && l[1] == codigo) achados.push_back(l);
  return achados;
}

// A fixture whose parameter is the engine: a new database with the
// catalogue and the demo company of November 2026.
class TesteDoDemo : public ::testing::TestWithParam<std::string> {
 protected:
  // False when the engine is not available here.
  bool ConstruirDemo(int documentos) {
    if (!MotorDisponivel(GetParam())) return false;
    sessao_ = app::AbrirBanco(NovaUrlComEsquema(GetParam()), app::TCriacaoBanco::Criar);
    CarregarCatalogo(*sessao_);
    erp::OpcoesDemo opcoes;
    opcoes.documentos = documentos;
    opcoes.mes = TDateTime::EncodeDate(2026, 11, 1);
    demo_ = erp::ConstruirEmpresaDemo(*sessao_, opcoes);
    return true;
  }

  // The lines of the one file of a request, which must come out without
  // problems.
  TLinhas GerarArquivo(app::OpcoesGeracao o) {
    o.saida = DiretorioTemporario();
    const auto arquivos = app::Gerar(*sessao_, o);
    EXPECT_EQ(arquivos.size(), 1u);
    EXPECT_TRUE(arquivos.at(0).resumo.problemas.empty())
        << ::testing::PrintToString(arquivos[0].resumo.problemas);
    return LinhasDoArquivo(arquivos[0].caminho);
  }

  std::unique_ptr<TxsSessionZ8> sessao_;
  erp::ResultadoDemo demo_;
};

}  // namespace efd::teste
