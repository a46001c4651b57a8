// Items (0200) with their units (0190), earlier codes and names (0205), fuel
// codes (0206), components (0210) and conversions (0220), on every engine.
#include "framework/xberros.h"
#include "registers/block0/uh5registroefd0200.h"
#include "tests/registers/bloco0_teste.h"

namespace efd::teste {
namespace {

// A document's item: the data the generators pass, with defaults.
struct TItemDoc {
  std::string codigo = "P10001";
  int produto = 70;
  std::string descricao = "Arroz";
  std::string barras;
  std::string tipo = "A";
  std::string unidade;  // the document's
  std::string ncm = "10063021";
  std::string genero;
  std::string servico;
  std::string cest;
  double aliquota = 0;
  int id_0140 = 0;
  int filial = 0;
};

class Itens : public TBloco0 {
 protected:
  std::shared_ptr<Th5RegistroEFD0200> Registro(TxsSessionZ8& sessao) {
    auto r = Aplicacao().CriarComo<Th5RegistroEFD0200>("RegistroEFD0200", sessao);
    objetos_.push_back(r);
    return r;
  }
  // Inserts; the item's unit comes back in unidade.
  static int Incluir(Th5RegistroEFD0200& r, int id_efd, const TItemDoc& i, std::string& unidade,
                     TDateTime inicio, bool antiga = false) {
    unidade = i.unidade;
    const TDateTime fim = UltimoDiaDoMes(inicio);
    if (antiga)
      return r.Incluir(id_efd, 0, i.codigo, i.produto, i.descricao, i.barras, "", i.tipo, unidade,
                       i.ncm, "", i.genero, i.servico, i.cest, i.aliquota, inicio, fim, i.id_0140,
                       i.filial);
    return r.IncluirNovo(id_efd, 0, i.codigo, i.produto, i.descricao, i.barras, "", i.tipo, unidade,
                         i.ncm, "", i.genero, i.servico, i.cest, i.aliquota, inicio, fim, i.id_0140,
                         i.filial);
  }
  void TearDown() override {
    for (auto& o : objetos_) Aplicacao().Destruir(o);
    TBloco0::TearDown();
  }
  std::vector<std::shared_ptr<ThbObjetoNegocio>> objetos_;
};

// Functions, not constants: dates are not to be made before main.
TDateTime Marco() {
  return TDateTime::EncodeDate(2024, 3, 1);
}

TEST_P(Itens, CamposDoItemESeusFilhosEm2024) {
  std::vector<int> ids;
  std::vector<std::string> unidades;
  const auto a = Gerar(1, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    auto r = Registro(sessao);
    auto incluir = [&](const TItemDoc& i) {
      std::string unidade;
      ids.push_back(Incluir(*r, id_efd, i, unidade, Marco()));
      unidades.push_back(unidade);
      EXPECT_EQ(sessao.Valor("CodUnidade_Reg0200"), unidade);
    };
    TItemDoc arroz;
    arroz.barras = "7891234567895";
    arroz.genero = "10";
    arroz.cest = "1234567";
    arroz.unidade = "UN";
    incluir(arroz);
    arroz.unidade = "CX";  // met again in boxes: one item, a conversion
    incluir(arroz);
    arroz.unidade = "FD";  // a unit that divides
    incluir(arroz);
    arroz.unidade = "CX";
    incluir(arroz);
    // A component of the item, as block K's generation would store it.
    auto componentes = Aplicacao().Criar("RegistroEFD0210", sessao);
    objetos_.push_back(componentes);
    componentes->GetDados().Isolar(0, "VsEDC01");
    componentes->IncluirRegistro();
    componentes->Campo("RegEFD_IDF_BlocosEFD").SetAsInteger(IdBloco0(sessao, id_efd));
    componentes->Campo("RegEFD_Registro").SetAsString("0210");
    componentes->Campo("RegEFD0210_IDF_RegEFD0200").SetAsInteger(ids[0]);
    componentes->Campo("RegEFD0210_CodItemComp").SetAsString("P10002");
    componentes->Campo("RegEFD0210_QTD_COMP").SetAsFloat(2.5);
    componentes->Campo("RegEFD0210_Perda").SetAsFloat(1);
    componentes->ConfirmarRegistro();

    TItemDoc feijao;
    feijao.codigo = "P10002";
    feijao.produto = 71;
    feijao.descricao = "Feijão";
    feijao.tipo = "K";
    feijao.ncm = "99999999";
    feijao.aliquota = 12;
    incluir(feijao);
    TItemDoc servico;
    servico.codigo = "S501";
    servico.produto = 9001;
    servico.descricao = "Frete";
    servico.tipo = "j";
    servico.ncm = "";
    servico.servico = "0107";
    servico.aliquota = 18;
    incluir(servico);
    servico.codigo = "S502";
    servico.servico = "0000";
    incluir(servico);
    servico.codigo = "S503";
    servico.servico = "0";
    incluir(servico);
    servico.codigo = "S504";
    servico.servico = "14.01";  // separators do not count
    incluir(servico);
    TItemDoc gasolina;
    gasolina.codigo = "P20001";
    gasolina.produto = 72;
    gasolina.descricao = "Gasolina comum";
    gasolina.filial = 10;  // the internal rate of SP
    gasolina.aliquota = 25;
    incluir(gasolina);
    TItemDoc kit;
    kit.codigo = "KIT|01";
    kit.produto = 74;
    kit.descricao = "Kit promocional";
    kit.tipo = "Z";
    incluir(kit);
    kit.codigo = "P74";
    kit.tipo = "";
    incluir(kit);
  });
  EXPECT_TRUE(a.problemas.empty()) << ::testing::PrintToString(a.problemas);
  ASSERT_EQ(ids.size(), 12u);
  for (int i : {1, 2, 3}) EXPECT_EQ(ids[i], ids[0]);
  EXPECT_EQ(unidades, (std::vector<std::string>{"UN", "UN", "UN", "UN", "UN", "Serv", "Serv",
                                                "Serv", "Serv", "LT", "UN", "UN"}));
  EXPECT_EQ(
      Trecho(a, "0190", {"0200", "0205", "0206", "0210", "0220"}),
      (std::vector<std::string>{
          "|0190|UN|Unidade|", "|0190|CX|Caixa|", "|0190|FD|Fardo|", Latin1("|0190|Serv|Serviço|"),
          "|0190|LT|Litro|",
          // The code is the document's; 17,00 without a rate; the
          // conversions in the order met, with the box's bar code.
          "|0200|P10001|Arroz|7891234567895||UN|00|10063021||10||17,00|1234567|",
          "|0205||01032022|10032024|P09001|", "|0210|P10002|2,5|1|", "|0220|CX|12|17891234567895|",
          "|0220|FD|0,25||",
          // NCM 99999999 is written 00000000; earlier names and codes
          // by the day they ended, up to the last day of the month.
          Latin1("|0200|P10002|Feijão|||UN|10|00000000||||12,00||"),
          Latin1("|0205|Feijão carioca|01032022|16032024||"), "|0205||01032024|20032024|P09004|",
          Latin1("|0205|Feijão antigo|01032024|20032024||"), "|0205||01012023|31032024|P09002|",
          Latin1("|0205|Feijão tipo 1|01012023|31032024||"),
          // Services: unit Serv, no rate; the list code without zeros.
          "|0200|S501|Frete|||Serv|09||||107|||", "|0200|S502|Frete|||Serv|09|||||||",
          "|0200|S503|Frete|||Serv|09|||||||", "|0200|S504|Frete|||Serv|09||||1401|||",
          "|0200|P20001|Gasolina comum|||LT|00|10063021||||18,00||", "|0206|320102001|",
          "|0200|KIT(PIPE)01|Kit promocional|||UN|99|10063021||||17,00||",
          "|0200|P74|Kit promocional|||UN||10063021||||17,00||"}));
}

// 12 fields before 2017, 13 (with the CEST) from 2017, when line breaks
// leave the description; the bar code of 0220 from 2022, except DRCST.
TEST_P(Itens, LeiauteMudaEm2017EEm2022) {
  auto gerar = [&](int ano, const std::string& descricao, bool drcst) {
    return Gerar(1, ano, 3, [&, ano](TxsSessionZ8& sessao, int id_efd) {
      if (drcst)
        sessao.ExecutarDiretoNoBD("UPDATE Z8_EFD SET DRCST = 'T' WHERE ID = :ID", {{"ID", id_efd}});
      TItemDoc arroz;
      arroz.descricao = descricao;
      arroz.cest = "1234567";
      arroz.unidade = "CX";
      std::string unidade;
      Incluir(*Registro(sessao), id_efd, arroz, unidade, TDateTime::EncodeDate(ano, 3, 1));
    });
  };
  const auto a2016 = gerar(2016, "Arroz tipo 1", false);
  EXPECT_TRUE(a2016.problemas.empty()) << ::testing::PrintToString(a2016.problemas);
  EXPECT_EQ(Trecho(a2016, "0200", {"0220"}),
            (std::vector<std::string>{"|0200|P10001|Arroz tipo 1|||UN|00|10063021||||17,00|",
                                      "|0220|CX|12|"}));
  const auto a2017 = gerar(2017, "Arroz\r\ntipo 1 ", false);
  EXPECT_TRUE(a2017.problemas.empty()) << ::testing::PrintToString(a2017.problemas);
  EXPECT_EQ(
      Linhas(a2017, "0200"),
      std::vector<std::string>{"|0200|P10001|Arroz - tipo 1|||UN|00|10063021||||17,00|1234567|"});
  EXPECT_EQ(Linhas(a2017, "0220"), std::vector<std::string>{"|0220|CX|12|"});
  EXPECT_EQ(Linhas(gerar(2021, "Arroz", false), "0220"), std::vector<std::string>{"|0220|CX|12|"});
  EXPECT_EQ(Linhas(gerar(2022, "Arroz", false), "0220"),
            std::vector<std::string>{"|0220|CX|12|17891234567895|"});
  EXPECT_EQ(Linhas(gerar(2022, "Arroz", true), "0220"), std::vector<std::string>{"|0220|CX|12|"});
}

// Outside a generation (after it), by the block row that the EFD keeps.
TEST_P(Itens, FormaAntigaDeixaOsResultadosNaSessao) {
  const auto a = Gerar(1, 2024, 3, nullptr);
  auto r = Registro(*sessao_);
  TItemDoc arroz;
  arroz.unidade = "CX";
  std::string unidade;
  const int id = Incluir(*r, a.id_efd, arroz, unidade, Marco(), true);
  EXPECT_GT(id, 0);
  EXPECT_EQ(unidade, "UN");
  EXPECT_EQ(sessao_->Valor("CodUnidade_Reg0200"), "UN");
  EXPECT_EQ(sessao_->Valor("AliqICMS_Reg0200"), "17,00");
  EXPECT_EQ(sessao_->Valor("TipoItem_Reg0200"), "00");
  EXPECT_EQ(sessao_->Valor("FatorConv_Reg0200"), "12,0000");
  arroz.unidade = "UN";
  EXPECT_EQ(Incluir(*r, a.id_efd, arroz, unidade, Marco(), true), id);
  EXPECT_EQ(sessao_->Valor("FatorConv_Reg0200"), "");
  arroz.unidade = "FD";
  EXPECT_EQ(Incluir(*r, a.id_efd, arroz, unidade, Marco(), true), id);
  EXPECT_EQ(sessao_->Valor("FatorConv_Reg0200"), "0,2500");
  // The newer form finds what the older one stored, and the other way round.
  EXPECT_EQ(Incluir(*Registro(*sessao_), a.id_efd, arroz, unidade, Marco()), id);
  TItemDoc gasolina;
  gasolina.codigo = "P20001";
  gasolina.produto = 72;
  const int id_gasolina = Incluir(*r, a.id_efd, gasolina, unidade, Marco());
  EXPECT_EQ(Incluir(*r, a.id_efd, gasolina, unidade, Marco(), true), id_gasolina);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD0200"), 2);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD0206"), 1);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD0220"), 2);
  // The same code under an establishment is another item.
  arroz.id_0140 = 5;
  EXPECT_NE(Incluir(*r, a.id_efd, arroz, unidade, Marco()), id);
}

TEST_P(Itens, ProdutoSemUnidadePadraoParaAGeracao) {
  const auto a = Gerar(1, 2024, 3, nullptr);
  TItemDoc sem_unidade;
  sem_unidade.codigo = "P30001";
  sem_unidade.produto = 73;
  sem_unidade.descricao = "Sem unidade";
  std::string unidade;
  for (bool antiga : {false, true}) {
    const std::string erro = teste::Mensagem<EErro>(
        [&] { Incluir(*Registro(*sessao_), a.id_efd, sem_unidade, unidade, Marco(), antiga); });
    EXPECT_NE(erro.find(" Produto: P30001 - "), std::string::npos) << erro;
  }
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD0200"), 0);
}

// A generation that meets many new items reads the units of all the
// company's products at once, with the same results.
TEST_P(Itens, MuitosItensNovosLeemAsUnidadesDeUmaVez) {
  constexpr int kProdutos = 250;
  sessao_->ExecutarDiretoNoBD(
      "INSERT INTO Z8_EMPRESA (ID, CODIGO, NOME, IDF_IDENT) VALUES (2, '2', 'Outra', 5)");
  sessao_->ExecutarDiretoNoBD(
      "INSERT INTO Z8_PROD (ID, IDF_EMPRESA, CODPROD, NMPROD) VALUES (9000, 2, '9000', 'Outra')");
  sessao_->ExecutarDiretoNoBD(
      "INSERT INTO Z8_UNPROD (ID, IDF_PROD, IDF_UNIDADE, UNIDADEPADRAOEST) VALUES (9001, 9000, 60, "
      "'T')");
  for (int p = 0; p < kProdutos; ++p) {
    const TParametros id{{"ID", 10000 + 3 * p}};
    sessao_->ExecutarDiretoNoBD(
        "INSERT INTO Z8_PROD (ID, IDF_EMPRESA, CODPROD, NMPROD) VALUES (:ID, 1, 'X', 'X')", id);
    sessao_->ExecutarDiretoNoBD(
        "INSERT INTO Z8_UNPROD (ID, IDF_PROD, IDF_UNIDADE, UNIDADEPADRAOEST, FATORCONV) "
        "VALUES (:ID + 1, :ID, 60, 'T', 1)",
        id);
    sessao_->ExecutarDiretoNoBD(
        "INSERT INTO Z8_UNPROD (ID, IDF_PROD, IDF_UNIDADE, UNIDADEPADRAOEST, FATORCONV) "
        "VALUES (:ID + 2, :ID, 61, 'F', 6)",
        id);
  }
  sessao_->ConfirmarImplicita();
  const auto a = Gerar(1, 2024, 3, nullptr);
  auto r = Registro(*sessao_);
  const int64_t consultas = sessao_->ConsultasExecutadas();
  std::string unidade;
  for (int p = 0; p < kProdutos; ++p) {
    TItemDoc i;
    i.codigo = "P" + std::to_string(p);
    i.produto = 10000 + 3 * p;
    i.unidade = "CX";
    Incluir(*r, a.id_efd, i, unidade, Marco());
    EXPECT_EQ(unidade, "UN");
  }
  EXPECT_LT(sessao_->ConsultasExecutadas() - consultas, kProdutos);
  EXPECT_EQ(Contar("SELECT COUNT(*) FROM Z8_REGEFD0220 WHERE UNIDCONV = 'CX' AND FATORCONV = 6"),
            kProdutos);
  // A product without a standard unit, and one of another company.
  TItemDoc sem_unidade;
  sem_unidade.codigo = "P30001";
  sem_unidade.produto = 73;
  EXPECT_THROW(Incluir(*r, a.id_efd, sem_unidade, unidade, Marco()), EErro);
  TItemDoc outra;
  outra.codigo = "P9000";
  outra.produto = 9000;
  EXPECT_GT(Incluir(*r, a.id_efd, outra, unidade, Marco()), 0);
  EXPECT_EQ(unidade, "UN");
}

TEST_P(Itens, CodigoAnteriorNaoSeRepeteDeArquivoAnteriorEPodeIrSemPrefixo) {
  auto feijao = [&](TDateTime inicio) {
    return [&, inicio](TxsSessionZ8& sessao, int id_efd) {
      TItemDoc i;
      i.codigo = "P10002";
      i.produto = 71;
      std::string unidade;
      Incluir(*Registro(sessao), id_efd, i, unidade, inicio);
    };
  };
  // February reports 09004, which ended on 29/02.
  const auto fevereiro = Gerar(1, 2024, 2, feijao(TDateTime::EncodeDate(2024, 2, 1)));
  EXPECT_EQ(Linhas(fevereiro, "0205"),
            std::vector<std::string>{"|0205||01012023|29022024|P09004|"});
  // March does not repeat it; its earlier name goes.
  const auto marco = Gerar(1, 2024, 3, feijao(Marco()));
  EXPECT_EQ(Linhas(marco, "0205"),
            (std::vector<std::string>{Latin1("|0205|Feijão carioca|01032022|16032024||"),
                                      Latin1("|0205|Feijão antigo|01032024|20032024||"),
                                      "|0205||01012023|31032024|P09002|",
                                      Latin1("|0205|Feijão tipo 1|01012023|31032024||")}));
  // A company that writes item codes without prefix.
  sessao_->ExecutarDiretoNoBD("UPDATE Z8_PEMPGERAL SET GERARPRODSEMPREFIXO = 'T'");
  sessao_->ConfirmarImplicita();
  const auto abril = Gerar(1, 2024, 4, feijao(TDateTime::EncodeDate(2024, 4, 1)));
  EXPECT_EQ(Linhas(abril, "0205"), std::vector<std::string>{"|0205||01012023|01042024|09005|"});
}

TEST_P(Itens, NoModeloPisCofinsUnidadesEItensNaoEscrevemNada) {
  const auto a = Gerar(2, 2024, 3, [&](TxsSessionZ8& sessao, int id_efd) {
    std::string unidade;
    EXPECT_GT(Incluir(*Registro(sessao), id_efd, TItemDoc{}, unidade, Marco()), 0);
  });
  EXPECT_TRUE(Linhas(a, "0190").empty());
  EXPECT_TRUE(Linhas(a, "0200").empty());
  EXPECT_TRUE(Linhas(a, "0205").empty());
}

INSTANTIATE_TEST_SUITE_P(Motores, Itens, ::testing::ValuesIn(MotoresDeTeste()));

}  // namespace
}  // namespace efd::teste
