// What the tests of block D share: block 0's fixture (company, branch 10 in
// São Paulo, products and units) with the models, standards, types and
// series of service documents, participants, and a builder of transport and
// communication documents with their items.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "tests/registers/bloco0_teste.h"

namespace efd::teste {

// An item of a service document: CFOP (2401 5.353, 2402 1.353, 2403 1.303),
// ICMS tributary class ("" for none), value and rate; `outras` is the part
// of the value outside the base.
struct TItemD {
  int cfop = 2401;
  std::string tributacao = "00";
  double valor = 100, aliquota = 12, outras = 0;
  int seq = 1;
  // The PIS/COFINS CST letter: "K" (50) or "A" (01) at 1,65 % and 7,6 % of
  // the value, another ("2", 70) without base; empty for none.
  std::string letra_pis{};
  std::string natureza{};  // of a revenue without the contributions
  int servico = 2501;      // the service of a service item
};

// A service document of branch 10: by default a CT-e the branch rendered to
// participant 301 on 2024-03-10, own series 1.
struct TDocumentoD {
  int id = 0;
  int tipo = 2101;   // 2101 CT-e out, 2102 CT-e in, 2103 model 63 out, 2104 model 07 out,
                     // 2105 model 08 out, 2106 model 21 in, 2107 model 22 in, 2108 model 62 in,
                     // 2109 goods entry, 2110 complementary model 21 in, 2121 CT-e in of a
                     // type without a transport parameter, 2122 CT-e in of standard 42,
                     // 2123 CT-e in of a fiscal expense with a part of expenses, 2124 CT-e
                     // in of freight with a part of freight bills
  int serie = 1201;  // 1201 own, 1202 third party, 1203 own electronic, 1204 special regime 890
  std::string numero = "1";
  int participante = 301;
  std::string emissao = "2024-03-10", entrada = "2024-03-10";
  std::string situacao_nf = "0", situacao_nfe{};
  std::vector<TItemD> itens{TItemD{}};
  // Service items (by default of the telecommunication service "TELEF",
  // 2501), after the goods; their PIS/COFINS as the goods'.
  std::vector<TItemD> servicos{};
  std::string chave{};
  // Its record in the books: value supplied, not taxed, of third parties,
  // expenses; none when empty.
  std::vector<double> livro{};
};

// A model-21 communication bill received from participant 302: a taxed
// item of 100 at 25% and an untaxed one of 20.
inline TDocumentoD ContaDeComunicacao() {
  TDocumentoD conta{.id = 3001,
                    .tipo = 2106,
                    .serie = 1202,
                    .numero = "50",
                    .participante = 302,
                    .emissao = "2024-03-05",
                    .entrada = "2024-03-06"};
  conta.itens = {TItemD{.cfop = 2403, .valor = 100, .aliquota = 25},
                 TItemD{.cfop = 2403, .tributacao = "40", .valor = 20, .aliquota = 0, .seq = 2}};
  return conta;
}

// A freight bill typed on a goods entry (document tipo 2109).
struct TFreteD {
  int id = 0, documento = 0;
  int serie = 1202;
  std::string numero = "900";
  std::string emissao = "2024-03-05", entrada = "2024-03-06";
  double valor = 200, base = 200, aliquota = 12, icms = 24, isentas = 0;
  int tributacao = 0;    // 0 none, else a class id (1311 "00")
  int transportado = 0;  // the invoice it names as carried, 0 none
};

// The access key of a CT-e of branch 10's CNPJ, series and number.
inline std::string Chave(const std::string& modelo, int serie, int numero) {
  return fmt::format("352403112223330001{}{}{:03d}{:09d}1{:08d}0", "81", modelo, serie, numero,
                     numero);
}

// The lines of a D100 of that number and the lines under it.
inline std::vector<std::string> Documento(const std::vector<std::string>& bloco,
                                          const std::string& numero) {
  std::vector<std::string> r;
  bool dentro = false;
  for (const auto& l : bloco) {
    if (l.starts_with("|D100|"))
      dentro = Dividir(l.substr(1), '|')[8] == numero;
    else if (!l.starts_with("|D1"))
      dentro = false;
    if (dentro) r.push_back(l);
  }
  return r;
}

class TBlocoD : public TBloco0 {
 protected:
  void SetUp() override {
    TBloco0::SetUp();
    if (IsSkipped()) return;
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(kCadastrosD);
  }

  void Carregar(const std::vector<TDocumentoD>& documentos,
                const std::vector<TFreteD>& fretes = {}) {
    nlohmann::json f = nlohmann::json::object();
    int proximo = 7000;
    for (const TDocumentoD& d : documentos) {
      double total = 0;
      for (const TItemD& i : d.itens) total += i.valor;
      for (const TItemD& i : d.servicos) total += i.valor;
      f["Z8_DOCTO"].push_back(
          {{"ID", d.id},
           {"FD", "Docto"},
           {"IDF_FILIAL", 10},
           {"IDF_TPDOCTO", d.tipo},
           {"IDF_SERIEDOCTO", d.serie},
           {"IDF_IDENT", d.participante},
           {"NRODOCTO", d.numero},
           {"DATAEMI", d.emissao},
           {"DTENTSAI", d.entrada},
           {"SITUACAO", "1"},
           {"SITUACAONF", d.situacao_nf},
           {"SITUACAONFE",
            d.situacao_nfe.empty() ? nlohmann::json() : nlohmann::json(d.situacao_nfe)},
           {"VALTOTALNF", total},
           {"VALSERVICOS", total}});
      // Goods and services: a service names its service instead of a
      // product and unit, and its taxes have no origin or exempt values.
      auto item_do_documento = [&](const TItemD& i, bool servico) {
        const int item = proximo++;
        f["Z8_PARTEDOCTO"].push_back({{"ID", item}, {"FD", "ItemDocto"}, {"IDF_DOCTO", d.id}});
        nlohmann::json di = {{"ID", item},
                             {"IDA", item},
                             {"SEQITEM", i.seq},
                             {"IDF_CFOP", i.cfop},
                             {"QDADE", 1},
                             {"VALBRUTO", i.valor},
                             {"VALLIQUIDO", i.valor},
                             {"VALLIQUIDONF", i.valor}};
        if (servico)
          di["IDF_SERVICO"] = i.servico;
        else
          di.update({{"IDF_PROD", 70}, {"IDF_UNPROD", 80}});
        f["Z8_DOCTOITEM"].push_back(di);
        f["Z8_TRIBITEM"].push_back({{"ID", item},
                                    {"FD", servico ? "TribItemServ" : "TribItemProd"},
                                    {"IDF_DOCTOITEM", item}});
        const double base = i.aliquota > 0 ? i.valor - i.outras : 0;
        nlohmann::json t = {{"ID", item},
                            {"IDA", item},
                            {"ICMSBASE", base},
                            {"ICMSALIQ", i.aliquota},
                            {"ICMSVALOR", base * i.aliquota / 100},
                            {"PISVALOR", i.letra_pis == "2" ? 0 : i.valor * 0.0165},
                            {"COFINSVALOR", i.letra_pis == "2" ? 0 : i.valor * 0.076}};
        if (!servico)
          t.update({{"IDF_CLAORIGEM", 1301},
                    {"ICMSVALORISENTO", i.aliquota > 0 ? 0 : i.valor},
                    {"ICMSVALOROUTRAS", i.outras}});
        const bool tributado = i.letra_pis == "K" || i.letra_pis == "A";
        if (!i.letra_pis.empty())
          t.update({{"CLATRIBPIS", i.letra_pis},
                    {"PISBASE", tributado ? i.valor : 0},
                    {"PISALIQ", tributado ? 1.65 : 0},
                    {"CLATRIBCOFINS", i.letra_pis},
                    {"COFINSBASE", tributado ? i.valor : 0},
                    {"COFINSALIQ", tributado ? 7.6 : 0}});
        if (!servico && !i.natureza.empty()) t["NATRECPISCOFINS"] = i.natureza;
        if (!i.tributacao.empty())
          t["IDF_CLATRIBICMS"] = i.tributacao == "00" ? 1311 : i.tributacao == "20" ? 1312 : 1313;
        f[servico ? "Z8_TRIITEMSER" : "Z8_TRIITEMPRO"].push_back(t);
      };
      for (const TItemD& i : d.itens) item_do_documento(i, false);
      for (const TItemD& i : d.servicos) item_do_documento(i, true);
      if (!d.livro.empty())
        f["Z8_REGLIVRO"].push_back({{"ID", proximo++},
                                    {"IDF_DOCTO", d.id},
                                    {"VALFORNECCONSUM", d.livro.at(0)},
                                    {"VALSERVNAOTRIB", d.livro.at(1)},
                                    {"VALNOMETERC", d.livro.at(2)},
                                    {"VALDESPACES", d.livro.at(3)}});
      if (!d.chave.empty()) {
        const int parte = proximo++;
        f["Z8_PARTEDOCTO"].push_back(
            {{"ID", parte}, {"FD", "OutrosDadosDocto"}, {"IDF_DOCTO", d.id}});
        f["Z8_OUTDADOSDO"].push_back({{"ID", parte}, {"IDA", parte}, {"CHAVENFE", d.chave}});
      }
    }
    for (const TFreteD& fr : fretes) {
      f["Z8_PARTEDOCTO"].push_back(
          {{"ID", fr.id}, {"FD", "ParteDoctoConheceFrete"}, {"IDF_DOCTO", fr.documento}});
      nlohmann::json p = {{"ID", fr.id},
                          {"IDA", fr.id},
                          {"IDF_SERIEDOCTO", fr.serie},
                          {"NUMEROCONHECIMENTO", fr.numero},
                          {"IDF_TRANSPORTADORA", 302},
                          {"DATAEMISSAO", fr.emissao},
                          {"DATAENTRADA", fr.entrada},
                          {"FRETECIF", "F"},
                          {"VALORFRETE", fr.valor},
                          {"BASECALCICMSFRETE", fr.base},
                          {"ALIQUOTAICMS", fr.aliquota},
                          {"VALORICMS", fr.icms},
                          {"ISENTASICMS", fr.isentas},
                          {"OUTROSICMS", 0},
                          {"IDF_CFOP", 2402}};
      if (fr.tributacao) p["IDF_CLATRIBUT"] = fr.tributacao;
      if (fr.transportado) p["IDF_DOCUMENTO"] = fr.transportado;
      f["Z8_PARDCCOFRE"].push_back(p);
    }
    erp::TxbCarregadorJSON(*sessao_).CarregarTexto(f.dump());
  }

  // The file of the month with the header's operation filter.
  TArquivo GerarD(int ano = 2024, int mes = 3, const std::string& operacoes = "0") {
    app::OpcoesGeracao o = OpcoesDoMes(1, ano, mes);
    o.operacoes = operacoes;
    auto arquivos = app::Gerar(*sessao_, o);
    TArquivo a;
    if (arquivos.size() != 1) {
      ADD_FAILURE() << arquivos.size() << " arquivos gerados";
      return a;
    }
    a.id_efd = arquivos[0].id_efd;
    a.problemas = arquivos[0].resumo.problemas;
    std::ifstream in(arquivos[0].caminho, std::ios::binary);
    for (std::string l; std::getline(in, l);) a.linhas.push_back(l.substr(0, l.size() - 1));
    return a;
  }

  // The lines of block D, in file order.
  static std::vector<std::string> LinhasD(const TArquivo& a) {
    std::vector<std::string> r;
    for (const auto& l : a.linhas)
      if (l.starts_with("|D")) r.push_back(l);
    return r;
  }

  static std::vector<std::string> Campos(const std::string& linha) {
    return Dividir(linha.substr(1, linha.size() - 2), '|');
  }

 private:
  static constexpr const char* kCadastrosD = R"({
    "Z8_MODELODOCT": [{"ID": 1001, "CODMODELO": "57"}, {"ID": 1002, "CODMODELO": "63"},
                      {"ID": 1003, "CODMODELO": "07"}, {"ID": 1004, "CODMODELO": "08"},
                      {"ID": 1005, "CODMODELO": "21"}, {"ID": 1006, "CODMODELO": "22"},
                      {"ID": 1007, "CODMODELO": "62"}, {"ID": 1008, "CODMODELO": "55"}],
    "Z8_PADRAODOC": [{"ID": 1011, "CODINTERNO": 1, "DESCRICAO": "Prestação"},
                     {"ID": 1012, "CODINTERNO": 13, "DESCRICAO": "Aquisição"},
                     {"ID": 1013, "CODINTERNO": 42, "DESCRICAO": "Conhecimento de frete"}],
    "Z8_TIPDOC": [{"ID": 2101, "CODIGO": "CTES", "IDF_PADRAODOC": 1011},
                  {"ID": 2102, "CODIGO": "CTEE", "IDF_PADRAODOC": 1012},
                  {"ID": 2103, "CODIGO": "M63", "IDF_PADRAODOC": 1011},
                  {"ID": 2104, "CODIGO": "M07", "IDF_PADRAODOC": 1011},
                  {"ID": 2105, "CODIGO": "M08", "IDF_PADRAODOC": 1011},
                  {"ID": 2106, "CODIGO": "M21", "IDF_PADRAODOC": 1012},
                  {"ID": 2107, "CODIGO": "M22", "IDF_PADRAODOC": 1012},
                  {"ID": 2108, "CODIGO": "M62", "IDF_PADRAODOC": 1012},
                  {"ID": 2109, "CODIGO": "COMPRA", "IDF_PADRAODOC": 1012},
                  {"ID": 2110, "CODIGO": "M21C", "IDF_PADRAODOC": 1012, "NFCOMPLEMENTAR": true},
                  {"ID": 2121, "CODIGO": "CTESEMPAR", "IDF_PADRAODOC": 1012},
                  {"ID": 2122, "CODIGO": "CTE42", "IDF_PADRAODOC": 1013},
                  {"ID": 2123, "CODIGO": "CTEDESP", "IDF_PADRAODOC": 1012},
                  {"ID": 2124, "CODIGO": "CTEFRETE", "IDF_PADRAODOC": 1012}],
    "Z8_PARTETPDOC": [{"ID": 2201, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2101},
                      {"ID": 2202, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2102},
                      {"ID": 2203, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2103},
                      {"ID": 2204, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2104},
                      {"ID": 2205, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2105},
                      {"ID": 2206, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2106},
                      {"ID": 2207, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2107},
                      {"ID": 2208, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2108},
                      {"ID": 2209, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2109},
                      {"ID": 2210, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2110},
                      {"ID": 2219, "FD": "TpDocConFrete", "IDF_TIPDOC": 2109},
                      {"ID": 2231, "FD": "ParamTpDoctoFrete", "IDF_TIPDOC": 2101},
                      {"ID": 2232, "FD": "ParamTpDoctoDespFis", "IDF_TIPDOC": 2102},
                      {"ID": 2233, "FD": "ParamTpDoctoFrete", "IDF_TIPDOC": 2103},
                      {"ID": 2234, "FD": "ParamTpDoctoFin", "IDF_TIPDOC": 2104},
                      {"ID": 2235, "FD": "ParamTpDoctoFrete", "IDF_TIPDOC": 2105},
                      {"ID": 2221, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2121},
                      {"ID": 2222, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2122},
                      {"ID": 2223, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2123},
                      {"ID": 2236, "FD": "ParamTpDoctoDespFis", "IDF_TIPDOC": 2123},
                      {"ID": 2241, "FD": "TpDocDespesa", "IDF_TIPDOC": 2123},
                      {"ID": 2224, "FD": "TipoDoctoGeral", "IDF_TIPDOC": 2124},
                      {"ID": 2237, "FD": "ParamTpDoctoFrete", "IDF_TIPDOC": 2124},
                      {"ID": 2242, "FD": "TpDocConFrete", "IDF_TIPDOC": 2124}],
    "Z8_TPDOCTOGER": [{"ID": 2201, "IDA": 2201, "IDF_MODELODOCT": 1001},
                      {"ID": 2202, "IDA": 2202, "IDF_MODELODOCT": 1001},
                      {"ID": 2203, "IDA": 2203, "IDF_MODELODOCT": 1002},
                      {"ID": 2204, "IDA": 2204, "IDF_MODELODOCT": 1003},
                      {"ID": 2205, "IDA": 2205, "IDF_MODELODOCT": 1004},
                      {"ID": 2206, "IDA": 2206, "IDF_MODELODOCT": 1005},
                      {"ID": 2207, "IDA": 2207, "IDF_MODELODOCT": 1006},
                      {"ID": 2208, "IDA": 2208, "IDF_MODELODOCT": 1007},
                      {"ID": 2209, "IDA": 2209, "IDF_MODELODOCT": 1008},
                      {"ID": 2210, "IDA": 2210, "IDF_MODELODOCT": 1005},
                      {"ID": 2221, "IDA": 2221, "IDF_MODELODOCT": 1001},
                      {"ID": 2222, "IDA": 2222, "IDF_MODELODOCT": 1001},
                      {"ID": 2223, "IDA": 2223, "IDF_MODELODOCT": 1001},
                      {"ID": 2224, "IDA": 2224, "IDF_MODELODOCT": 1001}],
    "Z8_PARTPDCFRE": [{"ID": 2231, "IDA": 2231}, {"ID": 2233, "IDA": 2233}, {"ID": 2235, "IDA": 2235},
                      {"ID": 2237, "IDA": 2237}],
    "Z8_PARTPDCDFI": [{"ID": 2232, "IDA": 2232}, {"ID": 2236, "IDA": 2236}],
    "Z8_TPDOCDESP": [{"ID": 2241, "IDA": 2241}],
    "Z8_PARTPDCFIN": [{"ID": 2234, "IDA": 2234}],
    "Z8_TPDOCCONFR": [{"ID": 2219, "IDA": 2219, "IDF_MODELODOCT": 1001, "TIPOCTE": "0"},
                      {"ID": 2242, "IDA": 2242, "IDF_MODELODOCT": 1001, "TIPOCTE": "0"}],
    "Z8_SERVICO": [{"ID": 2501, "IDF_EMPRESA": 1, "CODIGO": "TELEF", "NOME": "Telefonia"}],
    "Z8_SERIEDOCTO": [{"ID": 1201, "IDF_FILIAL": 10, "CODIGO": "1", "TIPO": "1", "SERIENFE": false},
                      {"ID": 1202, "IDF_FILIAL": 10, "CODIGO": "2", "TIPO": "2", "SERIENFE": false},
                      {"ID": 1203, "IDF_FILIAL": 10, "CODIGO": "3", "TIPO": "1", "SERIENFE": true},
                      {"ID": 1204, "IDF_FILIAL": 10, "CODIGO": "890", "TIPO": "2", "SERIENFE": false}],
    "Z8_CLAORIGEM": [{"ID": 1301, "CODIGO": "0"}],
    "Z8_CLATRIBUT": [{"ID": 1311, "CODIGO": "00"}, {"ID": 1312, "CODIGO": "20"},
                     {"ID": 1313, "CODIGO": "40"}],
    "Z8_CODFISOPE": [{"ID": 2401, "CODIGO": "5.353", "NOME": "Prestação de transporte"},
                     {"ID": 2402, "CODIGO": "1.353", "NOME": "Aquisição de transporte"},
                     {"ID": 2403, "CODIGO": "1.303", "NOME": "Aquisição de comunicação"}],
    "KLVG_IDENT": [{"ID": 301, "FD": "Identificacao", "CODIGO": "4501", "NOME": "Cliente do Frete Ltda",
                    "CPFCNPJ": "11222333000181", "INSCRICAOEST": "123456789", "IDF_ENDER": 1,
                    "NUMERO": "10", "IDF_PAIS": 1},
                   {"ID": 302, "FD": "Identificacao", "CODIGO": "4502", "NOME": "Transportadora S.A.",
                    "CPFCNPJ": "44555666000172", "INSCRICAOEST": "111222333444", "IDF_ENDER": 1,
                    "NUMERO": "20", "IDF_PAIS": 1},
                   {"ID": 304, "FD": "Identificacao", "CODIGO": "4504", "NOME": "Exportadora del Plata S.A.",
                    "NUMERO": "40", "IDF_PAIS": 2}]
  })";
};

}  // namespace efd::teste
