// What the tests of block 0's reference tables share: a database per engine
// with the catalogue and an ERP fixture of one branch, and a stand-in for the
// document generators that call the insertions during a generation.
#pragma once

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/banco.h"
#include "app/geracao.h"
#include "control/catalogo.h"
#include "control/modulo.h"
#include "control/uh5registrosefd.h"
#include "erp/carregador.h"
#include "erp/erp.h"
#include "framework/xbaplicacao.h"
#include "framework/xbmetadados.h"
#include "framework/xbsession.h"
#include "tests/testutil.h"
#include "uh0tiporegefd.h"

namespace efd::teste {

// The insertions a test makes where the document generators will make
// them: inside the generation, after block 0's generators and before block
// 9's, which ends the generation's caches.
using TInsercoes = std::function<void(TxsSessionZ8& sessao, int id_efd)>;

inline TInsercoes& InsercoesDoTeste() {
  static TInsercoes insercoes;
  return insercoes;
}

// A register of block C that only the tests catalogue: its generator runs
// the test's insertions; it has no rows and writes nothing.
class TDocumentosDeTeste : public Th5RegistrosEFD {
 public:
  int INTERNO_GerarRegistro(int id_efd, int, int, const std::string&,
                            std::shared_ptr<ThbObjetoNegocio>&) override {
    if (InsercoesDoTeste()) InsercoesDoTeste()(GetSessionZ8(), id_efd);
    return 0;
  }
};

inline constexpr const char* kDocumentosDeTeste = "RegistroEFDCT99";

// UTF-8 text as the file holds it (ISO-8859-1).
inline std::string Latin1(const std::string& utf8) {
  std::string r;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c == 0xC3 && i + 1 < utf8.size())
      r += static_cast<char>(static_cast<unsigned char>(utf8[++i]) + 0x40);
    else if (c == 0xC2 && i + 1 < utf8.size())
      r += utf8[++i];
    else
      r += utf8[i];
  }
  return r;
}

// One branch (10) of a company in São Paulo with ICMS rates for SP (18%
// normal, 12% reduced) and RJ (20%), products with units, conversions,
// earlier codes and names and a fuel code, and registration changes of
// three participants (101 in Brazil, 102 abroad, 103 with an empty
// previous complement).
inline const char* kFixturaBloco0 = R"({
  "KLVG_PAIS": [{"ID": 1, "NOME": "Brasil", "CODIGOBACEN": "1058"},
                {"ID": 2, "NOME": "Argentina", "CODIGOBACEN": "639"}],
  "KLVG_UF": [{"ID": 1, "SIGLA": "SP", "NOME": "São Paulo", "IDF_PAIS": 1},
              {"ID": 2, "SIGLA": "RJ", "NOME": "Rio de Janeiro", "IDF_PAIS": 1}],
  "KLVG_CID": [{"ID": 1, "NOME": "São Paulo", "GEOCODIGO": "3550308", "IDF_UF": 1}],
  "KLVG_ENDER": [{"ID": 1, "CEP": "01310-100", "LOGRADOURO": "Avenida Paulista", "BAIRRO": "Bela Vista", "IDF_CID": 1}],
  "KLVG_IDENT": [{"ID": 5, "FD": "PessoaJuridica", "CODIGO": "E1", "NOME": "Açúcar & Cia Ltda",
                  "IDF_ENDER": 1, "NUMERO": "1000", "IDF_PAIS": 1, "IDIDENTFIL": 5},
                 {"ID": 101, "FD": "Identificacao", "CODIGO": "0000200001", "NOME": "Mercado Bom Preço Ltda"},
                 {"ID": 102, "FD": "Identificacao", "CODIGO": "0000200002", "NOME": "Importadora Rioplatense S.A."},
                 {"ID": 103, "FD": "Identificacao", "CODIGO": "0000200003", "NOME": "Ana Lima"}],
  "KLVG_PESJUR": [{"ID": 5, "IDA": 5, "CNPJ": "12.345.678/0001-95", "IE": "123.456.789.110"}],
  "KLVG_PAPELREL": [{"ID": 7, "IDF_IDENT": 5, "PAPEL": "FIL"}],
  "Z8_EMPRESA": [{"ID": 1, "CODIGO": "1", "NOME": "Açúcar & Cia", "IDF_IDENT": 5}],
  "Z8_FILIAL": [{"ID": 10, "IDF_EMPRESA": 1, "CODIGO": "1", "NOME": "Matriz", "IDF_PAPELREL": 7}],
  "Z8_PAREMP": [{"ID": 40, "FD": "ParEmpGeral", "IDF_EMPRESA": 1, "DATAINICIAL": "2010-01-01",
                 "DATAFINAL": "2099-12-31", "SITUACAO": "1"}],
  "Z8_PEMPGERAL": [{"ID": 40, "IDA": 40, "GRUPOEMPRESARIAL": false, "INDPERFISCALPADRAO": "A",
                    "INDTPATIVPADRAO": "0", "GERARPRODSEMPREFIXO": false}],
  "Z8_TPALIQICMS": [{"ID": 50, "DESCRICAO": "Normal"}, {"ID": 51, "DESCRICAO": "Reduzida"}],
  "Z8_TRIBUFICMS": [{"ID": 52, "IDF_FILIAL": 10, "IDF_UF": 1, "DATAINICIO": "2015-01-01", "DATAFINAL": "2099-12-31"},
                    {"ID": 53, "IDF_FILIAL": 10, "IDF_UF": 2, "DATAINICIO": "2015-01-01", "DATAFINAL": "2099-12-31"}],
  "Z8_ALIQICMS": [{"ID": 54, "IDF_TRIBUFICMS": 52, "IDF_TPALIQICMS": 51, "ALIQVENDACONTRIB": 12.0},
                  {"ID": 55, "IDF_TRIBUFICMS": 52, "IDF_TPALIQICMS": 50, "ALIQVENDACONTRIB": 18.0},
                  {"ID": 56, "IDF_TRIBUFICMS": 53, "IDF_TPALIQICMS": 50, "ALIQVENDACONTRIB": 20.0}],
  "Z8_UNIDADE": [{"ID": 60, "CODIGO": "UN", "NOME": "Unidade", "TPCALCULO": "M"},
                 {"ID": 61, "CODIGO": "CX", "NOME": "Caixa", "TPCALCULO": "M"},
                 {"ID": 62, "CODIGO": "FD", "NOME": "Fardo", "TPCALCULO": "D"},
                 {"ID": 63, "CODIGO": "LT", "NOME": "Litro", "TPCALCULO": "M"}],
  "Z8_PROD": [{"ID": 70, "IDF_EMPRESA": 1, "CODPROD": "10001", "NMPROD": "Arroz"},
              {"ID": 71, "IDF_EMPRESA": 1, "CODPROD": "10002", "NMPROD": "Feijão"},
              {"ID": 72, "IDF_EMPRESA": 1, "CODPROD": "20001", "NMPROD": "Gasolina comum"},
              {"ID": 73, "IDF_EMPRESA": 1, "CODPROD": "30001", "NMPROD": "Sem unidade"},
              {"ID": 74, "IDF_EMPRESA": 1, "CODPROD": "KIT|01", "NMPROD": "Kit promocional"}],
  "Z8_UNPROD": [{"ID": 80, "IDF_PROD": 70, "IDF_UNIDADE": 60, "UNIDADEPADRAOEST": true, "FATORCONV": 1.0},
                {"ID": 81, "IDF_PROD": 70, "IDF_UNIDADE": 61, "UNIDADEPADRAOEST": false, "FATORCONV": 12.0,
                 "CODBARRAS": "17891234567895"},
                {"ID": 82, "IDF_PROD": 70, "IDF_UNIDADE": 62, "UNIDADEPADRAOEST": false, "FATORCONV": 4.0},
                {"ID": 83, "IDF_PROD": 71, "IDF_UNIDADE": 60, "UNIDADEPADRAOEST": true, "FATORCONV": 1.0},
                {"ID": 84, "IDF_PROD": 72, "IDF_UNIDADE": 63, "UNIDADEPADRAOEST": true, "FATORCONV": 1.0},
                {"ID": 85, "IDF_PROD": 73, "IDF_UNIDADE": 61, "UNIDADEPADRAOEST": false, "FATORCONV": 6.0},
                {"ID": 86, "IDF_PROD": 74, "IDF_UNIDADE": 60, "UNIDADEPADRAOEST": true, "FATORCONV": 1.0}],
  "Z8_CODPRODANP": [{"ID": 90, "IDF_PRODUTO": 72, "COD_COMB": "320102001"}],
  "Z8_OCOALTPROD": [
    {"ID": 91, "IDF_PRODUTO": 70, "CODANT": "09001", "DESCRICAOANT": null, "DATAINI": "2022-03-01", "DATAFIM": "2024-03-10", "TIPOALTERACAO": "C"},
    {"ID": 92, "IDF_PRODUTO": 71, "CODANT": null, "DESCRICAOANT": "Feijão carioca", "DATAINI": "2022-03-01", "DATAFIM": "2024-03-16", "TIPOALTERACAO": "D"},
    {"ID": 93, "IDF_PRODUTO": 71, "CODANT": "09002", "DESCRICAOANT": "Feijão tipo 1", "DATAINI": "2023-01-01", "DATAFIM": "2024-03-31", "TIPOALTERACAO": "B"},
    {"ID": 94, "IDF_PRODUTO": 71, "CODANT": "09003", "DESCRICAOANT": "Inclusão", "DATAINI": "2023-01-01", "DATAFIM": "2024-03-06", "TIPOALTERACAO": "I"},
    {"ID": 95, "IDF_PRODUTO": 71, "CODANT": null, "DESCRICAOANT": "Outro dado", "DATAINI": "2023-01-01", "DATAFIM": "2024-03-08", "TIPOALTERACAO": "A"},
    {"ID": 96, "IDF_PRODUTO": 71, "CODANT": null, "DESCRICAOANT": "Copia de Feijão", "DATAINI": "2023-01-01", "DATAFIM": "2024-03-12", "TIPOALTERACAO": "D"},
    {"ID": 97, "IDF_PRODUTO": 71, "CODANT": "09004", "DESCRICAOANT": null, "DATAINI": "2023-01-01", "DATAFIM": "2024-02-29", "TIPOALTERACAO": "C"},
    {"ID": 98, "IDF_PRODUTO": 71, "CODANT": "09005", "DESCRICAOANT": null, "DATAINI": "2023-01-01", "DATAFIM": "2024-04-01", "TIPOALTERACAO": "C"},
    {"ID": 99, "IDF_PRODUTO": 71, "CODANT": "09004", "DESCRICAOANT": "Feijão antigo", "DATAINI": "2024-03-01", "DATAFIM": "2024-03-20", "TIPOALTERACAO": "B"}],
  "KLVG_OCALTIDENT": [
    {"ID": 110, "IDF_IDENT": 101, "DATAALT": "2024-03-05", "CAMPOALTERADO": "7", "CONTEUDOANTER": "Rua Antiga do Comércio"},
    {"ID": 111, "IDF_IDENT": 101, "DATAALT": "2024-03-05", "CAMPOALTERADO": "8", "CONTEUDOANTER": "12"},
    {"ID": 112, "IDF_IDENT": 101, "DATAALT": "2024-02-20", "CAMPOALTERADO": "7", "CONTEUDOANTER": "Travessa Velha"},
    {"ID": 113, "IDF_IDENT": 101, "DATAALT": "2024-03-07", "CAMPOALTERADO": "4", "CONTEUDOANTER": "111.222.333.444"},
    {"ID": 114, "IDF_IDENT": 101, "DATAALT": "2024-03-08", "CAMPOALTERADO": "0", "CONTEUDOANTER": "isento Comércio Ltda"},
    {"ID": 115, "IDF_IDENT": 101, "DATAALT": "2024-03-20", "CAMPOALTERADO": "2", "CONTEUDOANTER": "12.345.678/0009-95"},
    {"ID": 116, "IDF_IDENT": 102, "DATAALT": "2024-03-03", "CAMPOALTERADO": "2", "CONTEUDOANTER": "30-70000000-1"},
    {"ID": 117, "IDF_IDENT": 102, "DATAALT": "2024-03-04", "CAMPOALTERADO": "9", "CONTEUDOANTER": "Piso 2"},
    {"ID": 118, "IDF_IDENT": 103, "DATAALT": "2024-03-31", "CAMPOALTERADO": "9", "CONTEUDOANTER": ""},
    {"ID": 119, "IDF_IDENT": 101, "DATAALT": "2024-04-02", "CAMPOALTERADO": "A", "CONTEUDOANTER": "Vila Operária"}]
})";

// A database of one engine with the catalogue of both models (with the
// stand-in register in block C) and the fixture above.
class TBloco0 : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!MotorDisponivel(GetParam())) GTEST_SKIP() << GetParam() << " indisponível";
    RegistrarModulo();
    erp::Registrar();
    TxbFamilia f;
    f.nome = kDocumentosDeTeste;
    f.prefixo = "RegEFDCT99";
    f.tabela = "Z8_REGEFDCT99";
    f.ancestral = "RegistrosEFD";
    TxbMetadados::Instancia().Registrar(f);
    Aplicacao().RegistrarClasse(kDocumentosDeTeste,
                                [] { return std::make_shared<TDocumentosDeTeste>(); });
    InsercoesDoTeste() = nullptr;

    sessao_ = app::AbrirBanco(NovaUrlComEsquema(GetParam()));
    CarregarCatalogo(*sessao_);
    auto tipos = Aplicacao().CriarComo<Th0TipoRegEFD>("TipoRegEFD", *sessao_);
    TxbObjetoTemporario liberar(tipos);
    for (const auto& linha :
         sessao_->Consultar("SELECT ID FROM Z8_TPBLOCOEFD WHERE NOME = 'Bloco C'").linhas)
      tipos->Incluir(linha[0].AsInteger(), "Registro CT99", kDocumentosDeTeste, 2, false, "",
                     "Documentos de teste");
    sessao_->ConfirmarImplicita();
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kFixturaBloco0);
  }

  void TearDown() override { InsercoesDoTeste() = nullptr; }

  struct TArquivo {
    int id_efd = 0;
    std::vector<std::string> linhas;  // without CRLF, as written (ISO-8859-1)
    std::vector<std::string> problemas;
  };

  // The request of branch 10's file of a month, written to a temporary folder.
  static app::OpcoesGeracao OpcoesDoMes(int modelo, int ano, int mes) {
    app::OpcoesGeracao o;
    o.modelo = modelo;
    o.filiais = {10};
    o.inicio = TDateTime::EncodeDate(ano, mes, 1);
    o.saida = DiretorioTemporario();
    return o;
  }

  // The declarant's profile and the layout option of the files the test
  // generates; empty keeps the defaults.
  std::string perfil_, leiaute_;

  // Generates the branch's file of the month with the insertions made during
  // the generation. Checks what every file must hold whatever the
  // registers: block 0 opened once, its 0990 counting its lines.
  TArquivo Gerar(int modelo, int ano, int mes, TInsercoes insercoes) {
    InsercoesDoTeste() = std::move(insercoes);
    app::OpcoesGeracao opcoes = OpcoesDoMes(modelo, ano, mes);
    opcoes.perfil = perfil_;
    opcoes.layout = leiaute_;
    auto arquivos = app::Gerar(*sessao_, opcoes);
    InsercoesDoTeste() = nullptr;
    TArquivo a;
    if (arquivos.size() != 1) {
      ADD_FAILURE() << arquivos.size() << " arquivos gerados";
      return a;
    }
    a.id_efd = arquivos[0].id_efd;
    a.problemas = arquivos[0].resumo.problemas;
    std::ifstream in(arquivos[0].caminho, std::ios::binary);
    for (std::string l; std::getline(in, l);) a.linhas.push_back(l.substr(0, l.size() - 1));
    const auto bloco0 = std::count_if(a.linhas.begin(), a.linhas.end(),
                                      [](const std::string& l) { return l.starts_with("|0"); });
    EXPECT_EQ(Linhas(a, "0001").size(), 1u);
    EXPECT_EQ(Linhas(a, "0990"), std::vector<std::string>{fmt::format("|0990|{}|", bloco0)});
    return a;
  }

  // The lines of a register code, in file order.
  static std::vector<std::string> Linhas(const TArquivo& a, const std::string& codigo) {
    std::vector<std::string> r;
    for (const auto& l : a.linhas)
      if (l.starts_with("|" + codigo + "|")) r.push_back(l);
    return r;
  }

  // The lines of the block-0 registers from the first line of that code up
  // to the first line of another code not in `filhos`.
  static std::vector<std::string> Trecho(const TArquivo& a, const std::string& codigo,
                                         const std::vector<std::string>& filhos) {
    std::vector<std::string> r;
    bool dentro = false;
    for (const auto& l : a.linhas) {
      const std::string c = l.substr(1, 4);
      if (c == codigo) dentro = true;
      if (!dentro) continue;
      if (c != codigo && std::find(filhos.begin(), filhos.end(), c) == filhos.end()) break;
      r.push_back(l);
    }
    return r;
  }

  int Contar(const std::string& sql) { return sessao_->Consultar(sql).linhas[0][0].AsInteger(); }

  std::unique_ptr<TxsSessionZ8> sessao_;
};

}  // namespace efd::teste
