// What the tests of block C's goods documents share: block 0's fixture
// (company, branch 10 in São Paulo, products and units) with document
// models, standards, types, series, fiscal operations, participants and a
// builder of documents with their items, texts and instalments.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "tests/registers/bloco0_teste.h"

namespace efd::teste {

// A product item of a test document.
struct TItemTeste {
  int produto = 70;  // Arroz (UN); 74 is the kit whose code holds a "|"
  int seq = 1;
  std::string cfop = "5.102", origem = "0", tributacao = "00";
  double quantidade = 1, valor = 100, aliquota = 18, ipi = 0, fcp_st = 0, st = 0;
  std::string letra_ipi{}, letra_pis = "A";
  double pis_fixo = 0;
  std::string natureza_receita{};                         // of a revenue without PIS/COFINS
  std::vector<std::pair<std::string, double>> tanques{};  // fuel entries: tank, quantity
};

// A test document: by default a sale on model 01 of branch 10, own series
// "1", to customer 201, issued and gone out on 2024-03-10.
struct TDocumentoTeste {
  int id = 0;
  std::string tipo = "venda01";  // venda01, vendanfe, compranfe, complementar
  std::string serie = "1";       // 1 own model 01, 2 own NF-e, 3 third party, 890, X bad type
  std::string numero = "1";
  int participante = 201;
  std::string emissao = "2024-03-10", entrada_saida = "2024-03-10";
  std::string situacao_nf = "0", situacao_nfe{};
  std::vector<TItemTeste> itens{TItemTeste{}};
  std::string texto_fiscal{}, chave{};
  std::vector<std::string> vencimentos{};  // one instalment per due date
  int processo = 0;                        // 1501: the import declaration of the fixture
  int filial = 10;
};

class TDocumentos : public TBloco0 {
 protected:
  void SetUp() override {
    TBloco0::SetUp();
    if (IsSkipped()) return;
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kCadastros);
  }

  // Loads the documents into the ERP.
  void Carregar(const std::vector<TDocumentoTeste>& documentos) {
    nlohmann::json f = nlohmann::json::object();
    int proximo = 5000;
    for (const TDocumentoTeste& d : documentos) {
      const int tipo = d.tipo == "venda01"     ? 1101
                       : d.tipo == "vendanfe"  ? 1102
                       : d.tipo == "compranfe" ? 1103
                                               : 1104;
      const int serie = d.serie == "1"     ? 1201
                        : d.serie == "2"   ? 1202
                        : d.serie == "3"   ? 1203
                        : d.serie == "890" ? 1204
                                           : 1205;
      double total = 0;
      for (const TItemTeste& i : d.itens) total += i.valor + i.ipi + i.st + i.fcp_st;
      f["Z8_DOCTO"].push_back(
          {{"ID", d.id},
           {"FD", "Docto"},
           {"IDF_FILIAL", d.filial},
           {"IDF_TPDOCTO", tipo},
           {"IDF_SERIEDOCTO", serie},
           {"IDF_IDENT", d.participante > 0 ? nlohmann::json(d.participante) : nlohmann::json()},
           {"NRODOCTO", d.numero},
           {"IDF_PROCESSOIMP", d.processo ? nlohmann::json(d.processo) : nlohmann::json()},
           {"DATAEMI", d.emissao},
           {"DTENTSAI", d.entrada_saida},
           {"SITUACAO", "1"},
           {"SITUACAONF", d.situacao_nf},
           {"SITUACAONFE",
            d.situacao_nfe.empty() ? nlohmann::json() : nlohmann::json(d.situacao_nfe)},
           {"VALTOTALNF", total},
           {"VALMERCADORIAS", total}});
      for (const TItemTeste& i : d.itens) {
        const int item = proximo++;
        f["Z8_PARTEDOCTO"].push_back({{"ID", item}, {"FD", "ItemDocto"}, {"IDF_DOCTO", d.id}});
        f["Z8_DOCTOITEM"].push_back({{"ID", item},
                                     {"IDA", item},
                                     {"SEQITEM", i.seq},
                                     {"IDF_PROD", i.produto},
                                     {"IDF_CFOP", Cfop(i.cfop)},
                                     {"QDADE", i.quantidade},
                                     {"VALBRUTO", i.valor},
                                     {"VALLIQUIDO", i.valor},
                                     {"VALLIQUIDONF", i.valor + i.ipi + i.st + i.fcp_st}});
        f["Z8_TRIBITEM"].push_back({{"ID", item}, {"FD", "TribItemProd"}, {"IDF_DOCTOITEM", item}});
        for (const auto& [tanque, quantidade] : i.tanques)
          f["Z8_ARMAZCOMB"].push_back({{"ID", proximo++},
                                       {"DOCTOITEM_ID", item},
                                       {"NUM_TANQUE", tanque},
                                       {"QTDE", quantidade}});
        const double base = i.aliquota > 0 ? i.valor : 0;
        f["Z8_TRIITEMPRO"].push_back(
            {{"ID", item},
             {"IDA", item},
             {"IDF_CLAORIGEM", i.origem == "1" ? 1302 : 1301},
             {"IDF_CLATRIBICMS", i.tributacao == "00"   ? 1311
                                 : i.tributacao == "10" ? 1312
                                                        : 1313},
             {"ICMSBASE", base},
             {"ICMSALIQ", i.aliquota},
             {"ICMSVALOR", base * i.aliquota / 100},
             {"ICMSRETBASE", i.st > 0 ? i.valor * 1.4 : 0},
             {"ICMSRETALIQ", i.st > 0 ? 18.0 : 0},
             {"ICMSRETVALOR", i.st},
             {"ICMSVALFCPSTUFDEST", i.fcp_st},
             {"CLATRIBIPI", i.letra_ipi.empty() ? nlohmann::json() : nlohmann::json(i.letra_ipi)},
             {"IPIBASE", i.ipi > 0 ? i.valor : 0},
             {"IPIALIQ", i.ipi > 0 ? 10.0 : 0},
             {"IPIVALOR", i.ipi},
             {"CLATRIBPIS", i.letra_pis},
             {"PISBASE", i.pis_fixo > 0 || i.letra_pis == "C" ? i.quantidade : i.valor},
             {"PISALIQ", i.pis_fixo > 0 ? 0 : 1.65},
             {"VALFIXOPIS", i.pis_fixo},
             {"PISVALOR", i.pis_fixo > 0 ? i.quantidade * i.pis_fixo : i.valor * 0.0165},
             {"CLATRIBCOFINS", i.letra_pis},
             {"COFINSBASE", i.valor},
             {"COFINSALIQ", 7.6},
             {"COFINSVALOR", i.valor * 0.076},
             {"NATRECPISCOFINS",
              i.natureza_receita.empty() ? nlohmann::json() : nlohmann::json(i.natureza_receita)}});
      }
      if (!d.texto_fiscal.empty() || !d.chave.empty()) {
        const int parte = proximo++;
        const bool propria = d.serie != "3";
        f["Z8_PARTEDOCTO"].push_back({{"ID", parte},
                                      {"FD", propria ? "OutrosDadosDocto" : "OutrosDadosCompras"},
                                      {"IDF_DOCTO", d.id}});
        nlohmann::json outros = {{"ID", parte}, {"IDA", parte}, {"CHAVENFE", d.chave}};
        if (!d.texto_fiscal.empty()) outros["TEXTOFISCAL"] = d.texto_fiscal;
        f[propria ? "Z8_OUTDADOSDO" : "Z8_OUTDADCOMP"].push_back(outros);
      }
      for (size_t k = 0; k < d.vencimentos.size(); ++k) {
        const int parte = proximo++;
        f["Z8_PARTEDOCTO"].push_back({{"ID", parte}, {"FD", "ParcelDocto"}, {"IDF_DOCTO", d.id}});
        f["Z8_PARCDOCTO"].push_back(
            {{"ID", parte},
             {"IDA", parte},
             {"IDENTPARCELA", fmt::format("{}/{}", k + 1, d.vencimentos.size())},
             {"DATAVENCTO", d.vencimentos[k]},
             {"VALORPARCELA", total / static_cast<double>(d.vencimentos.size())}});
      }
    }
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(f.dump());
  }

  // The file of March 2024 (or of the month given) with the documents.
  TArquivo GerarMes(int ano = 2024, int mes = 3) { return Gerar(1, ano, mes, nullptr); }

  // The fields of a line (the code first).
  static std::vector<std::string> Campos(const std::string& linha) {
    return Dividir(linha.substr(1, linha.size() - 2), '|');
  }

  // The numbers of the C100 lines, in file order.
  static std::vector<std::string> Numeros(const TArquivo& a) {
    std::vector<std::string> r;
    for (const auto& l : a.linhas)
      if (l.starts_with("|C100|")) r.push_back(Campos(l)[7]);
    return r;
  }

  // The lines of a C100 of that number and the lines under it.
  static std::vector<std::string> Documento(const TArquivo& a, const std::string& numero) {
    std::vector<std::string> r;
    bool dentro = false;
    for (const auto& l : a.linhas) {
      if (l.starts_with("|C100|"))
        dentro = Campos(l)[7] == numero;
      else if (!l.starts_with("|C1"))
        dentro = false;
      if (dentro) r.push_back(l);
    }
    return r;
  }

 private:
  static int Cfop(const std::string& codigo) {
    static const std::map<std::string, int> kCfops = {
        {"5.102", 1401}, {"1.102", 1402}, {"5.929", 1403}, {"6.108", 1404}, {"5.405", 1405}};
    return kCfops.at(codigo);
  }

  static constexpr const char* kCadastros = R"({
    "Z8_MODELODOCT": [{"ID": 1001, "CODMODELO": "01", "DESCRICAO": "Nota fiscal"},
                      {"ID": 1002, "CODMODELO": "55", "DESCRICAO": "NF-e"}],
    "Z8_PADRAODOC": [{"ID": 1011, "CODINTERNO": 1, "DESCRICAO": "Venda"},
                     {"ID": 1012, "CODINTERNO": 13, "DESCRICAO": "Compra"},
                     {"ID": 1013, "CODINTERNO": 121, "DESCRICAO": "Complemento de preço"}],
    "Z8_TIPDOC": [{"ID": 1101, "CODIGO": "V01", "DESCRICAO": "Venda modelo 1", "IDF_PADRAODOC": 1011},
                  {"ID": 1102, "CODIGO": "VNFE", "DESCRICAO": "Venda NF-e", "IDF_PADRAODOC": 1011},
                  {"ID": 1103, "CODIGO": "CNFE", "DESCRICAO": "Compra NF-e", "IDF_PADRAODOC": 1012},
                  {"ID": 1104, "CODIGO": "COMPL", "DESCRICAO": "Complemento", "IDF_PADRAODOC": 1013}],
    "Z8_PARTETPDOC": [{"ID": 1111, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 1101},
                      {"ID": 1112, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 1102},
                      {"ID": 1113, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 1103},
                      {"ID": 1114, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 1104}],
    "Z8_TPDOCTOGER": [{"ID": 1111, "IDA": 1111, "IDF_MODELODOCT": 1001},
                      {"ID": 1112, "IDA": 1112, "IDF_MODELODOCT": 1002},
                      {"ID": 1113, "IDA": 1113, "IDF_MODELODOCT": 1002},
                      {"ID": 1114, "IDA": 1114, "IDF_MODELODOCT": 1002}],
    "Z8_SERIEDOCTO": [{"ID": 1201, "IDF_FILIAL": 10, "CODIGO": "1", "TIPO": "1", "SERIENFE": false},
                      {"ID": 1202, "IDF_FILIAL": 10, "CODIGO": "2", "TIPO": "1", "SERIENFE": true},
                      {"ID": 1203, "IDF_FILIAL": 10, "CODIGO": "3", "TIPO": "2", "SERIENFE": true},
                      {"ID": 1204, "IDF_FILIAL": 10, "CODIGO": "890", "TIPO": "P", "SERIENFE": false},
                      {"ID": 1205, "IDF_FILIAL": 10, "CODIGO": "9", "TIPO": "X", "SERIENFE": false}],
    "Z8_PROCIMPOR": [{"ID": 1501, "INDIMPORT": "1", "NUMDI": "24/1234567-89012345"}],
    "Z8_CLAORIGEM": [{"ID": 1301, "CODIGO": "0"}, {"ID": 1302, "CODIGO": "1"}],
    "Z8_CLATRIBUT": [{"ID": 1311, "CODIGO": "00"}, {"ID": 1312, "CODIGO": "10"},
                     {"ID": 1313, "CODIGO": "60"}],
    "Z8_CODFISOPE": [{"ID": 1401, "CODIGO": "5.102", "NOME": "Venda de mercadoria"},
                     {"ID": 1402, "CODIGO": "1.102", "NOME": "Compra para comercialização"},
                     {"ID": 1403, "CODIGO": "5.929", "NOME": "Lançamento em ECF"},
                     {"ID": 1404, "CODIGO": "6.108", "NOME": "Venda a não contribuinte"},
                     {"ID": 1405, "CODIGO": "5.405", "NOME": "Venda com ST"}],
    "KLVG_IDENT": [{"ID": 201, "FD": "Identificacao", "CODIGO": "300201", "NOME": "Cliente Um Ltda",
                    "CPFCNPJ": "11222333000181", "INSCRICAOEST": "ISENTO", "IDF_ENDER": 1,
                    "NUMERO": "10", "IDF_PAIS": 1},
                   {"ID": 202, "FD": "Identificacao", "CODIGO": "300202", "NOME": "Fornecedor Dois S.A.",
                    "CPFCNPJ": "44555666000172", "INSCRICAOEST": "111222333444", "IDF_ENDER": 1,
                    "NUMERO": "20", "IDF_PAIS": 1}]
  })";
};

}  // namespace efd::teste
