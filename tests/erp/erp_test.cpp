// The ERP's declarations: every table, column and attribute that the module
// reads by name exists with that name, and the families register as classes.
#include "erp/erp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "erp/insercao.h"
#include "framework/xbaplicacao.h"
#include "framework/xberros.h"
#include "framework/xbformato.h"
#include "framework/xbmetadados.h"

namespace efd::erp {
namespace {

const TxbFamilia* FamiliaDoPrefixo(const std::string& prefixo) {
  for (const auto& nome : Familias()) {
    const TxbFamilia& f = TxbMetadados::Instancia().FamiliaObrigatoria(nome);
    if (UpperCase(f.prefixo) == UpperCase(prefixo)) return &f;
  }
  return nullptr;
}

TEST(DeclaracoesERP, AtributosLidosPeloNomeExistem) {
  const char* const atributos[] = {"IDENT_Nome",
                                   "IDENT_IDIdentFil",
                                   "IDENT_Fantasia",
                                   "IDENT_Numero",
                                   "IDENT_Complemento",
                                   "IDENT_TelefonePadrao",
                                   "IDENT_Codigo",
                                   "IDENT_Identificacao",
                                   "IDENT_InscricaoEst",
                                   "IDENT_CPFCNPJ",
                                   "PESJUR_ID",
                                   "PESJUR_CNPJ",
                                   "PESJUR_IE",
                                   "PESJUR_IM",
                                   "PESFIS_ID",
                                   "PESFIS_CPF",
                                   "CID_ID",
                                   "CID_GeoCodigo",
                                   "UF_Sigla",
                                   "PAIS_CodigoBaCen",
                                   "ENDER_CEP",
                                   "ENDER_Logradouro",
                                   "ENDER_Bairro",
                                   "ENDVIRT_Endereco",
                                   "FONE_Numero",
                                   "OcAltIdent_IDF_Ident",
                                   "OcAltIdent_DataAlt",
                                   "OcAltIdent_HoraAlt",
                                   "OcAltIdent_CampoAlterado",
                                   "OcAltIdent_ConteudoAnter",
                                   "Classe_Codigo",
                                   "Classe_Nome",
                                   "Classe_DtInclusao",
                                   "Filial_ID",
                                   "Filial_IDF_Empresa",
                                   "Filial_IDF_Contador",
                                   "Filial_CRCContador",
                                   "ParEmp_DataInicial",
                                   "ParEmp_DataFinal",
                                   "ParEmp_IDF_Empresa",
                                   "ParEmp_Situacao",
                                   "PEmpGeral_GrupoEmpresarial",
                                   "PEmpGeral_IndSitEspPadrao",
                                   "PEmpGeral_IndTpAtivPadrao",
                                   "PEmpGeral_IndIncTribPadrao",
                                   "PEmpGeral_IndMetApropPadrao",
                                   "PEmpGeral_IndTpContribPadrao",
                                   "PEmpGeral_IndPerFiscalPadrao",
                                   "PEmpGeral_IndNatPJPadrao",
                                   "PEmpGeral_RegimeApura",
                                   "PEmpGeral_TipoGeracaoPadrao",
                                   "PEmpGeral_ClasEstabInd",
                                   "PEmpGeral_GerarC140eC141TdsMod",
                                   "ParEmpCTB_IndAtiv",
                                   "ParamFil_DataInicial",
                                   "ParamFil_DataFinal",
                                   "ParamFil_IDF_Filial",
                                   "ParamFil_Situacao",
                                   "ParFilGer_IndSitEspPadrao",
                                   "ParFilGer_IndTpAtivPadrao",
                                   "ParFilGer_IndIncTribPadrao",
                                   "ParFilGer_IndMetApropPadrao",
                                   "ParFilGer_IndTpContribPadrao",
                                   "ParFilGer_IndPerFiscalPadrao",
                                   "ParFilGer_IndNatPJPadrao",
                                   "ParFilGer_RegimeApura",
                                   "ParFilGer_TipoGeracaoPadrao",
                                   "ParFilGer_UfExGC110C120IPICMS",
                                   "ParFilGer_PrioVlrUnit",
                                   "ParFilGer_GrCtaCblCtaFinItLanc",
                                   "ParTribCli_InscricaoSuframa",
                                   "Prod_CodProd",
                                   "Prod_NmProd",
                                   "UnProd_IDF_Prod",
                                   "UnProd_UnidadePadraoEst",
                                   "OcoAltProd_TipoAlteracao",
                                   "CodProdANP_COD_COMB",
                                   "CodFisOpe_Codigo",
                                   "Docto_ID",
                                   "Docto_IDF_Filial",
                                   "Docto_IDF_TpDocto",
                                   "Docto_DtEntSai",
                                   "Docto_DataEmi",
                                   "Docto_NroDocto",
                                   "SerieDocto_Codigo",
                                   "SerieDocto_Tipo",
                                   "ModeloDoct_CodModelo",
                                   "PadraoDoc_CodInterno",
                                   "ParteDocto_IDF_Docto",
                                   "ParteTpDoc_IDF_TipDoc",
                                   "OutDadComp_ChaveNfe",
                                   "OutDadComp_TextoFiscal",
                                   "OutDadosDo_ChaveNFe",
                                   "OutDadosDo_TextoFiscal",
                                   "OutDadFin_ChaveNFe",
                                   "LocEntCli_TributacaoLocEntrega",
                                   "LocEntCli_CNPJ",
                                   "LocEntCli_InscEst",
                                   "LocEntCli_NumEndereco",
                                   "LocEntCli_Complemento",
                                   "DocCanSped_REG",
                                   "DocCanSped_Ser",
                                   "DocCanSped_DT_DOC",
                                   "DocCanSped_COD_MOD",
                                   "DocCanSped_COD_SIT",
                                   "DocCanSped_NUM_DOC",
                                   "EntregaDoc_FreteAPagar",
                                   "Imposto_ID",
                                   "Imposto_CodReceita",
                                   "Imposto_Tipo",
                                   "CupFiscal_ID",
                                   "CupFiscal_NumSerieECF",
                                   "CupFiscal_SituacaoCF",
                                   "CupFiscal_COOCupom",
                                   "CupFiscal_ValLiquido",
                                   "CupFiscal_ValBruto",
                                   "CupFiscal_CPF_CNPJCliente",
                                   "CupFiscal_NomeCliente"};
  for (const std::string atributo : atributos) {
    const auto sep = atributo.find('_');
    const TxbFamilia* f = FamiliaDoPrefixo(atributo.substr(0, sep));
    ASSERT_NE(f, nullptr) << atributo;
    const std::string campo = atributo.substr(sep + 1);
    EXPECT_TRUE(campo == "ID" || f->Atributo(campo)) << atributo << " in " << f->nome;
  }
}

TEST(DeclaracoesERP, TabelasEColunasDoSQLExistem) {
  Registrar();
  const std::pair<const char*, const char*> tabelas[] = {
      {"Z8_TRIBUFICMS",
       "ID IDF_FILIAL IDF_UF INSCICMSSTDIFAL IDF_INSTPUBICMSSTDIFAL NAOPINSCICMSSTDIFAL "
       "FORMACALCDIFAL IDF_ICMSDIFAL IDF_ICMSFCP DATAINICIO DATAFINAL INATIVO"},
      {"KLVG_UF", "ID SIGLA"},
      {"Z8_PERCSUBSTR", "INSCRICAO IDF_TRIBUFICMS"},
      {"KLVG_OCALTIDENT", "IDF_IDENT DATAALT CAMPOALTERADO CONTEUDOANTER"},
      {"Z8_OCOALTPROD", "IDF_PRODUTO CODANT DESCRICAOANT DATAINI DATAFIM TIPOALTERACAO"},
      {"Z8_UNPROD", "ID IDF_PROD IDF_UNIDADE UNIDADEPADRAOEST"},
      {"Z8_UNIDADE", "ID CODIGO NOME TPCALCULO"},
      {"Z8_PROD", "ID CODIGONCM"},
      {"Z8_EMPRESA", "ID"},
      {"Z8_FILIAL", "ID"},
      {"Z8_ALIQICMS", "ALIQVENDACONTRIB ALIQVENDANAOCONTRIB ALIQCOMPRA IDF_TPALIQICMS"},
      {"Z8_TPALIQICMS", "ID"},
      {"Z8_PAREMP", "ID IDF_EMPRESA DATAINICIAL DATAFINAL SITUACAO FD"},
      {"Z8_PEMPGERAL", "IDA GERARPRODSEMPREFIXO ORICODCTACTB SUBSTRIBCOMERCIO"},
      {"Z8_PAREMPCTB", "IDA"},
      {"Z8_PAREMPPATR", "IDA UTILIZAFILIALCIAP"},
      {"Z8_PARAMFIL", "ID FD IDF_FILIAL DATAINICIAL DATAFINAL"},
      {"Z8_PARFILGER", "IDA NAOINTEGRAFISCAL"},
      {"KLVG_SINTETICO", "ID IDF_SINTETICO"},
      {"Z8_NCCTBSPED", "IDF_SINTETICO NATUREZACTCTB"},
      {"Z8_VISCNTCTB", "ID IDA"},
      {"KLVG_PLVISUAL", "ID"},
      {"KLVG_CLASSEVIS", "ID NIVEL IDF_PLANOVISUAL MASCARA"},
      {"KLVG_ANALITICO", "IDF_SINTETICO"},
      {"KLVG_CLASSE", "ID CODIGO NOME"},
      {"Z8_CTACTB", "ID IDA"},
      {"Z8_CTAFINAN", "ID IDA"},
      {"Z8_DOCTO",
       "ID IDF_TPDOCTO NRODOCTO IDF_IDENT DATAEMI DTENTSAI IDF_SERIEDOCTO SITUACAONF SITUACAONFE "
       "FD SIGLASISTORIGEM OBSFISCAL IDF_FILIAL IDF_MODELODOCTO SITUACAO DOCTODIGITADO "
       "IDF_LOCENTCLI IDF_PROCESSOIMP"},
      {"Z8_PARTETPDOC", "ID IDF_TIPDOC"},
      {"Z8_TPDOCTOGER", "IDA IDF_MODELODOCT IDF_CTACTB"},
      {"Z8_MODELODOCT", "ID CODMODELO"},
      {"Z8_TIPDOC", "ID"},
      {"Z8_PADRAODOC", "CODINTERNO"},
      {"Z8_SERIEDOCTO", "REGIMEESPECIAL SERIENFE TIPO CODIGO"},
      {"Z8_DOCCANSPED", "REG DT_DOC NUM_DOC SER COD_SIT COD_MOD IND_EMIT"},
      {"Z8_OUTDADOSDO", "CHAVENFE"},
      {"Z8_OUTDADCOMP", "CHAVENFE"},
      {"Z8_OUTDADFIN", "CHAVENFE"},
      {"Z8_OUTDADEST", "IDA"},
      {"Z8_OCODOCTO", "IDF_DOCUMENTO"},
      {"Z8_OCODOCELET", "CHAVEACESSO"},
      {"Z8_INTEGRA", "ID"},
      {"Z8_INTEGRAFIS", "IDA"},
      {"Z8_PARTEDOCTO", "ID IDF_DOCTO FD"},
      {"Z8_DOCTOITEM", "ID IDA QDADE SEQITEM VALLIQUIDONF"},
      {"Z8_TRIBITEM", "ID"},
      {"Z8_TRIITEMPRO",
       "IDA IPIBASE IPIVALOR CLATRIBIPI ICMSRETBASE ICMSRETBASEOBSERV ICMSBASE ICMSBASEOBS "
       "ICMSALIQ ICMSVALOROBS ICMSVALOR ICMSRETALIQ ICMSVALINTERUFREMET ICMSVALINTERUFDEST "
       "ICMSVALFCPUFDEST"},
      {"Z8_TRIITEMSER", "IDA"},
      {"Z8_AJTRIBITDO", "IDF_TRIBITEM TIPOAJUSTE BASE ALIQUOTA VALOR IDF_IMPOSTO IDF_TABCODREC"},
      {"Z8_TABAJVPRDF", "CODAJUSTE DESCRICAODET"},
      {"Z8_IMPOSTO", "TIPO"},
      {"Z8_CODFISOPE", "ID CODIGO TIPOMOV"},
      {"Z8_CLATIPI", "CODIGONBM ENVBLOCOH020SPED"},
  };
  for (const auto& [tabela, colunas] : tabelas) {
    const TxbFamilia* f = TxbMetadados::Instancia().FamiliaPorTabela(tabela);
    ASSERT_NE(f, nullptr) << tabela;
    for (const auto& coluna : Dividir(colunas, ' '))
      EXPECT_TRUE(ColunaDaTabela(*f, coluna).has_value()) << tabela << "." << coluna;
  }
}

TEST(DeclaracoesERP, NomesDeCampoUnicosNaCadeiaEReferenciasConhecidas) {
  for (const auto& nome : Familias()) {
    std::set<std::string> campos;
    for (const TxbFamilia* f : TxbMetadados::Instancia().Cadeia(nome))
      for (const auto& a : f->atributos) {
        EXPECT_TRUE(campos.insert(UpperCase(f->NomeAtributo(a))).second)
            << nome << ": " << f->NomeAtributo(a) << " twice";
        if (!a.referencia.empty()) {
          EXPECT_NE(TxbMetadados::Instancia().Familia(a.referencia), nullptr)
              << f->NomeAtributo(a) << " refers to " << a.referencia;
        }
        // A column that holds another row's id says whose, but for the few
        // whose family this ERP does not have.
        if (a.coluna.rfind("IDF_", 0) == 0 && a.coluna != "IDF_INSTPUBICMSSTDIFAL" &&
            a.coluna != "IDF_PROCESSOIMP" && a.coluna != "IDF_TABCODREC") {
          EXPECT_FALSE(a.referencia.empty()) << f->NomeAtributo(a);
        }
      }
    // Views join families that exist, on attributes of the families before them.
    const TxbFamilia& f = TxbMetadados::Instancia().FamiliaObrigatoria(nome);
    for (const auto& v : f.visoes)
      for (const auto& j : v.juncoes)
        EXPECT_NE(TxbMetadados::Instancia().Familia(j.familia), nullptr) << nome << "." << v.nome;
  }
}

TEST(RegistroERP, FamiliasOpcionaisSoQuandoPedidas) {
  Registrar();
  TxbAplicacao& app = Aplicacao();
  for (const char* f :
       {"Filial", "PessoaJuridica", "Docto", "ItemDocto", "ParEmpGeral", "ParamFilialGeral",
        "OcoAlteracaoIdent", "ContaContabil", "Telefone", "ParEmpContabilidade"})
    EXPECT_TRUE(app.ChecarFamiliaRegistrada(f)) << f;
  for (const char* f :
       {"MovCtb", "OcoDocumentoElet", "DoctoCupFiscal", "DoctoCancelSped", "IntegracaoFIS"}) {
    EXPECT_FALSE(app.ChecarFamiliaRegistrada(f)) << f;
    // Their tables exist all the same.
    EXPECT_NE(TxbMetadados::Instancia().Familia(f), nullptr) << f;
  }
  EXPECT_THROW(Registrar({"Inexistente"}), ENomeDesconhecido);
  // Classes are never removed: the one asked for is registered in a process
  // of its own, so that the other tests keep the defaults.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Registrar({"MovCtb"});
        std::exit(app.ChecarFamiliaRegistrada("MovCtb") &&
                          !app.ChecarFamiliaRegistrada("OcoDocumentoElet")
                      ? 0
                      : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace efd::erp
