#include "erp/demo_servicos.h"

#include <fmt/format.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/xberros.h"

namespace efd::erp {
namespace {

using TValores = std::vector<std::pair<std::string, TVariant>>;

// An item of a service document: CFOP, ICMS tributary class ("" for none),
// value and rate; a service item names its service (by default the
// telephony's).
struct TItemServico {
  const char* cfop;
  const char* tributacao;
  double valor;
  double aliquota;
  const char* servico = nullptr;
};

// The families of the services: their class on communication bills, and
// the ICMS class of their tax rules in the head office (of the lowest rule,
// the one that applies) and in the other branches; "" for none.
struct TFamiliaServico {
  const char* codigo;
  const char* nome;
  const char* classe;
  std::vector<const char*> regras_matriz;
  const char* regra_filiais;
};
const std::vector<TFamiliaServico> kFamiliasServico = {
    {"TELEFONIA", "Telefonia", "0301", {"00"}, "00"},
    // Data services are exempt in the head office's state; a later rule of
    // the head office, and the rule of the other branches, tax them.
    {"DADOS", "Comunicação de dados", "0104", {"40", "00"}, "90"},
    {"DIVERSOS", "Serviços diversos", "", {}, ""}};

// The services of communication bills: code, name, family.
struct TServicoComunicacao {
  const char* codigo;
  const char* nome;
  const char* familia;
};
const std::vector<TServicoComunicacao> kServicosComunicacao = {
    {"TELEF", "Serviço de telecomunicação", "TELEFONIA"},
    {"INTERNET", "Acesso à internet", "DADOS"},
    {"TAXA", "Taxa de serviço", "DIVERSOS"}};

// A service document of the head office.
struct TServico {
  const char* modelo;
  int padrao;    // internal code of the standard: 1 output, 13 entry
  bool propria;  // own issue (series type 1) or the participant's (2)
  const char* numero;
  int dia;
  bool cancelado;
  std::vector<TItemServico> itens;
  // Items that are services of telecommunication, after the goods.
  std::vector<TItemServico> servicos{};
  // The code of its document type, when not the model's of its standard.
  const char* tipo = nullptr;
};

class TServicosDemo {
 public:
  TServicosDemo(TpbBD& bd, int64_t proximo, int64_t empresa, int64_t filial)
      : bd_(bd), proximo_(proximo), empresa_(empresa), filial_(filial) {}

  // The master data: models, fiscal operations, document types and series,
  // the service item, and the freight model of the goods entries' type.
  int64_t Cadastros() {
    CriarCadastros();
    return proximo_;
  }

  int64_t Construir(const ResultadoDemo& demo) {
    inicio_ = demo.inicio;
    fim_ = demo.fim;
    LerCadastros();
    // The services are bought from and rendered to the goods documents'
    // participants: a month without documents has none.
    if (Participantes().Vazio()) return proximo_ - 1;
    const int64_t fornecedor = Participante(13), cliente = Participante(1);
    // Contracted CT-e, one of them from another state; rendered ones.
    Documento({"57", 13, false, "4512", 3, false, {{"1.353", "00", 350, 12}}}, fornecedor);
    Documento({"57", 13, false, "4590", 12, false, {{"2.353", "00", 820.5, 7}}}, fornecedor);
    const int64_t cte =
        Documento({"57", 1, true, "101", 8, false, {{"5.353", "00", 1200, 12}}}, cliente);
    Inserir("Z8_PARTEDOCTO", {{"ID", proximo_}, {"FD", "DadosTransporte"}, {"IDF_DOCTO", cte}});
    Inserir("Z8_DADOSTRANS", {{"ID", proximo_},
                              {"IDA", proximo_},
                              {"IDF_MUNINI", Cidade(0)},
                              {"IDF_MUNTER", Cidade(1)}});
    ++proximo_;
    Documento({"57", 1, true, "102", 9, true, {{"5.353", "00", 300, 12}}}, cliente);
    // A model 07 bill of two services, one of them exempt.
    Documento({"07", 1, true, "77", 15, false, {{"5.353", "00", 180, 12}, {"5.353", "40", 60, 0}}},
              cliente);
    // A model 08 bill whose freight a carrier took.
    const int64_t rodoviario =
        Documento({"08", 1, true, "808", 16, false, {{"5.353", "00", 540, 12}}}, cliente);
    Inserir("Z8_PARTEDOCTO", {{"ID", proximo_}, {"FD", "DadosEntDoc"}, {"IDF_DOCTO", rodoviario}});
    Inserir("Z8_ENTREGADOC", {{"ID", proximo_},
                              {"IDA", proximo_},
                              {"TIPOFRETE", "C"},
                              {"FRETEAPAGAR", "F"},
                              {"RESPONSAVEL", "2"},
                              {"IDF_TRANSP", fornecedor},
                              {"PLACAVEICULO", "DEF2G34"},
                              {"UFVEICULO", "SP"}});
    ++proximo_;
    Frete(fornecedor);
    // Communication bills of models 21 and 22, and an NFCom whose goods
    // have two classes and none, and services: one of a class of its own,
    // one of its family's rule, one of neither.
    Documento({"21", 13, false, "3301", 5, false, {{"1.303", "00", 259.9, 25}}}, fornecedor);
    Documento(
        {"22", 13, false, "88123", 6, false, {{"1.303", "00", 149.9, 25}, {"1.303", "40", 30, 0}}},
        fornecedor);
    Documento(
        {"62",
         13,
         false,
         "56001",
         7,
         false,
         {{"1.303", "00", 300, 25}, {"1.303", "20", 100, 25}, {"1.303", "", 45, 0}},
         {{"1.303", "00", 40, 25}, {"1.303", "", 30, 0, "INTERNET"}, {"1.303", "", 12, 0, "TAXA"}}},
        fornecedor);
    // A telephone bill of a device, the service of telecommunication and
    // the access to the internet, which its family's rule exempts.
    Documento({"22",
               13,
               false,
               "88124",
               8,
               false,
               {{"1.303", "00", 99.9, 25}},
               {{"1.303", "00", 60, 25}, {"1.303", "", 15, 0, "INTERNET"}}},
              fornecedor);
    // CT-e taken of types parameterised as fiscal expenses: the books take
    // the one whose type posts no expense of its own.
    Documento(
        {"57", 13, false, "4601", 14, false, {{"1.353", "00", 130, 12}}, {}, kTipoDespesaFiscal},
        fornecedor);
    Documento({"57", 13, false, "4602", 14, false, {{"1.353", "00", 70, 12}}, {}, kTipoDespesa},
              fornecedor);
    // Communication services rendered: two bills of model 21 and a cancelled one.
    Documento({"21", 1, true, "501", 4, false, {{"5.303", "00", 480, 25}}}, cliente);
    Documento({"21", 1, true, "502", 18, false, {{"5.303", "00", 220, 25}}}, cliente);
    Documento({"21", 1, true, "503", 19, true, {{"5.303", "00", 90, 25}}}, cliente);
    return proximo_ - 1;
  }

 private:
  void Inserir(const std::string& tabela, const TValores& v) {
    std::string colunas, valores;
    TParametros parametros;
    for (const auto& [coluna, valor] : v) {
      colunas += (colunas.empty() ? "" : ", ") + coluna;
      valores += (valores.empty() ? ":" : ", :") + coluna;
      parametros.emplace_back(coluna, valor);
    }
    bd_.Executar("INSERT INTO " + tabela + " (" + colunas + ") VALUES (" + valores + ")",
                 parametros);
  }

  int64_t Um(const std::string& sql, const TParametros& p = {}) {
    TxbResultado r = bd_.Consultar(sql, p);
    if (r.Vazio()) throw EErro("Demo: nada encontrado por " + sql);
    return r.linhas[0][0].AsInt64();
  }

  TxbResultado Participantes() {
    return bd_.Consultar(
        "SELECT DISTINCT IDF_IDENT FROM Z8_DOCTO WHERE IDF_FILIAL = :F AND IDF_IDENT IS NOT NULL "
        "ORDER BY IDF_IDENT",
        {{"F", filial_}});
  }

  // The n-th distinct participant of the head office's documents.
  int64_t Participante(int n) {
    const TxbResultado r = Participantes();
    return r.linhas.at(static_cast<size_t>(n) % r.linhas.size())[0].AsInt64();
  }

  int64_t Cidade(int n) {
    return bd_.Consultar("SELECT ID FROM KLVG_CID ORDER BY ID")
        .linhas.at(static_cast<size_t>(n))[0]
        .AsInt64();
  }

  void CriarCadastros() {
    for (const auto& [codigo, nome] : std::vector<std::pair<const char*, const char*>>{
             {"07", "Nota Fiscal de Serviço de Transporte"},
             {"08", "Conhecimento de Transporte Rodoviário de Cargas"},
             {"21", "Nota Fiscal de Serviço de Comunicação"},
             {"22", "Nota Fiscal de Serviço de Telecomunicação"},
             {"62", "NFCom - Nota Fiscal Fatura Eletrônica de Comunicação"}}) {
      modelos_[codigo] = proximo_;
      Inserir("Z8_MODELODOCT", {{"ID", proximo_++}, {"CODMODELO", codigo}, {"DESCRICAO", nome}});
    }
    modelos_["57"] = Um("SELECT ID FROM Z8_MODELODOCT WHERE CODMODELO = '57'");
    for (const auto& [codigo, nome] : std::vector<std::pair<const char*, const char*>>{
             {"1.303", "Aquisição de serviço de comunicação por estabelecimento comercial"},
             {"1.353", "Aquisição de serviço de transporte por estabelecimento comercial"},
             {"2.353", "Aquisição de serviço de transporte por estabelecimento comercial"},
             {"5.353", "Prestação de serviço de transporte a estabelecimento comercial"},
             {"5.303", "Prestação de serviço de comunicação a estabelecimento comercial"}}) {
      cfops_[codigo] = proximo_;
      Inserir("Z8_CODFISOPE", {{"ID", proximo_++},
                               {"CODIGO", codigo},
                               {"NOME", nome},
                               {"TIPOMOV", codigo[0] == '5' ? "2" : "1"}});
    }
    conta_ = Um("SELECT IDF_CTACTB FROM Z8_TPDOCTOGER WHERE IDF_CTACTB IS NOT NULL ORDER BY ID");
    for (const int padrao : {1, 13}) {
      const int64_t p = Um("SELECT ID FROM Z8_PADRAODOC WHERE CODINTERNO = :C", {{"C", padrao}});
      for (const auto& [modelo, id] : modelos_) {
        const int64_t tipo = proximo_++;
        tipos_[{modelo, padrao}] = tipo;
        Inserir("Z8_TIPDOC", {{"ID", tipo},
                              {"CODIGO", fmt::format("SRV{}-{}", modelo, padrao)},
                              {"DESCRICAO", fmt::format("Serviço modelo {}", modelo)},
                              {"IDF_PADRAODOC", p},
                              {"NFCOMPLEMENTAR", TVariant(false)}});
        Inserir("Z8_PARTETPDOC",
                {{"ID", proximo_}, {"FD", "TipoDoctoGeral"}, {"IDF_TIPDOC", tipo}});
        Inserir(
            "Z8_TPDOCTOGER",
            {{"ID", proximo_}, {"IDA", proximo_}, {"IDF_MODELODOCT", id}, {"IDF_CTACTB", conta_}});
        ++proximo_;
        // The books take the transport documents of the types parameterised
        // as freights.
        if (Transporte(modelo)) {
          Inserir("Z8_PARTETPDOC",
                  {{"ID", proximo_}, {"FD", "ParamTpDoctoFrete"}, {"IDF_TIPDOC", tipo}});
          Inserir("Z8_PARTPDCFRE", {{"ID", proximo_}, {"IDA", proximo_}});
          ++proximo_;
        }
      }
    }
    for (const bool propria : {true, false}) {
      series_[propria] = proximo_;
      Inserir("Z8_SERIEDOCTO", {{"ID", proximo_++},
                                {"IDF_FILIAL", filial_},
                                {"CODIGO", "1"},
                                {"DESCRICAO", DescricaoSerie(propria)},
                                {"TIPO", propria ? "1" : "2"},
                                {"SERIENFE", TVariant(false)},
                                {"REGIMEESPECIAL", TVariant(false)}});
    }
    origem_ = Um("SELECT ID FROM Z8_CLAORIGEM WHERE CODIGO = '0'");
    for (const char* t : {"00", "20", "40"})
      tributacoes_[t] = Um("SELECT ID FROM Z8_CLATRIBUT WHERE CODIGO = :C", {{"C", t}});
    // The service the documents carry, an item of kind "service".
    produto_ = proximo_++;
    Inserir("Z8_PROD", {{"ID", produto_},
                        {"IDF_EMPRESA", empresa_},
                        {"CODPROD", "SRV001"},
                        {"NMPROD", "Prestação de serviço de transporte e comunicação"},
                        {"IDF_FAMILIA", Um("SELECT ID FROM Z8_FAMILIA WHERE TIPOITEM = 'J'")}});
    Servicos();
    TiposDeDespesa();
    // The goods entries' freight bills are CT-e.
    const int64_t compra = Um("SELECT ID FROM Z8_TIPDOC WHERE CODIGO = 'COMPRA-NFE'");
    Inserir("Z8_PARTETPDOC", {{"ID", proximo_}, {"FD", "TpDocConFrete"}, {"IDF_TIPDOC", compra}});
    Inserir("Z8_TPDOCCONFR", {{"ID", proximo_},
                              {"IDA", proximo_},
                              {"IDF_MODELODOCT", modelos_.at("57")},
                              {"NTRIBSPED", TVariant(false)},
                              {"TIPOCTE", "0"}});
    ++proximo_;
    unidade_ = proximo_++;
    Inserir("Z8_UNPROD", {{"ID", unidade_},
                          {"IDF_PROD", produto_},
                          {"IDF_UNIDADE", Um("SELECT ID FROM Z8_UNIDADE WHERE CODIGO = 'UN'")},
                          {"UNIDADEPADRAOEST", TVariant(true)},
                          {"FATORCONV", TVariant(1.0)}});
  }

  // The master data again, by its codes.
  void LerCadastros() {
    for (const char* codigo : {"07", "08", "21", "22", "57", "62"})
      modelos_[codigo] =
          Um("SELECT ID FROM Z8_MODELODOCT WHERE CODMODELO = :C", {{"C", std::string(codigo)}});
    for (const char* codigo : {"1.303", "1.353", "2.353", "5.353", "5.303"})
      cfops_[codigo] =
          Um("SELECT ID FROM Z8_CODFISOPE WHERE CODIGO = :C", {{"C", std::string(codigo)}});
    for (const int padrao : {1, 13})
      for (const auto& [modelo, id] : modelos_)
        tipos_[{modelo, padrao}] = Um("SELECT ID FROM Z8_TIPDOC WHERE CODIGO = :C",
                                      {{"C", fmt::format("SRV{}-{}", modelo, padrao)}});
    for (const bool propria : {true, false})
      series_[propria] = Um("SELECT ID FROM Z8_SERIEDOCTO WHERE IDF_FILIAL = :F AND DESCRICAO = :D",
                            {{"F", filial_}, {"D", std::string(DescricaoSerie(propria))}});
    origem_ = Um("SELECT ID FROM Z8_CLAORIGEM WHERE CODIGO = '0'");
    for (const char* t : {"00", "20", "40"})
      tributacoes_[t] =
          Um("SELECT ID FROM Z8_CLATRIBUT WHERE CODIGO = :C", {{"C", std::string(t)}});
    produto_ = Um("SELECT ID FROM Z8_PROD WHERE CODPROD = 'SRV001'");
    for (const TServicoComunicacao& sv : kServicosComunicacao)
      servicos_[sv.codigo] =
          Um("SELECT ID FROM Z8_SERVICO WHERE CODIGO = :C", {{"C", std::string(sv.codigo)}});
    for (const char* codigo : {kTipoDespesaFiscal, kTipoDespesa})
      tipos_por_codigo_[codigo] =
          Um("SELECT ID FROM Z8_TIPDOC WHERE CODIGO = :C", {{"C", std::string(codigo)}});
    unidade_ = Um("SELECT ID FROM Z8_UNPROD WHERE IDF_PROD = :P", {{"P", produto_}});
  }

  // The families of the services, with their tax rules in every branch of
  // the company, and the services of communication bills.
  void Servicos() {
    std::vector<int64_t> outras;
    for (const auto& l : bd_.Consultar("SELECT ID FROM Z8_FILIAL WHERE IDF_EMPRESA = :E AND ID <> "
                                       ":F ORDER BY ID",
                                       {{"E", empresa_}, {"F", filial_}})
                             .linhas)
      outras.push_back(l[0].AsInt64());
    std::map<std::string, int64_t> familias;
    int regras = 0;
    for (const TFamiliaServico& f : kFamiliasServico) {
      const int64_t familia = familias[f.codigo] = proximo_++;
      Inserir("Z8_FAMSERVICO",
              {{"ID", familia},
               {"CODIGO", std::string(f.codigo)},
               {"NOME", std::string(f.nome)},
               {"CODCLASSPEDD510", *f.classe ? TVariant(std::string(f.classe)) : TVariant()}});
      // The other branches' rule comes first: its lower identifier must not
      // reach the head office.
      auto regra = [&](const char* classe, const std::vector<int64_t>& filiais) {
        if (filiais.empty()) return;
        const int64_t id = proximo_++;
        Inserir("Z8_TRIBSERV", {{"ID", id},
                                {"CODIGO", fmt::format("TS{:03d}", ++regras)},
                                {"DESCRICAO", fmt::format("{}: ICMS {}", f.nome, classe)},
                                {"CODCLATRI", std::string(classe)}});
        for (const int64_t filial : filiais)
          Inserir("Z8_TRIBFAMSER", {{"ID", proximo_++},
                                    {"IDF_TRIBSERV", id},
                                    {"IDF_FAMSERVICO", familia},
                                    {"IDF_FILIAL", filial}});
      };
      if (*f.regra_filiais) regra(f.regra_filiais, outras);
      for (const char* classe : f.regras_matriz) regra(classe, {filial_});
    }
    for (const TServicoComunicacao& sv : kServicosComunicacao) {
      servicos_[sv.codigo] = proximo_;
      Inserir("Z8_SERVICO", {{"ID", proximo_++},
                             {"IDF_EMPRESA", empresa_},
                             {"CODIGO", std::string(sv.codigo)},
                             {"NOME", std::string(sv.nome)},
                             {"IDF_FAMSERVICO", familias.at(sv.familia)}});
    }
  }

  static const char* ServicoDe(const TItemServico& i) { return i.servico ? i.servico : "TELEF"; }

  // The ICMS class of a service item: its own, or that of its service
  // family's rule in the head office.
  static std::string Tributacao(const TItemServico& i) {
    if (*i.tributacao) return i.tributacao;
    for (const TServicoComunicacao& sv : kServicosComunicacao)
      if (std::string(sv.codigo) == ServicoDe(i))
        for (const TFamiliaServico& f : kFamiliasServico)
          if (std::string(f.codigo) == sv.familia && !f.regras_matriz.empty())
            return f.regras_matriz.front();
    return "";
  }

  // CT-e types of a fiscal expense: one posts the expense of its own.
  static constexpr const char* kTipoDespesaFiscal = "SRVDESPFIS";
  static constexpr const char* kTipoDespesa = "SRVDESPESA";

  static bool Transporte(const std::string& modelo) {
    return modelo == "07" || modelo == "08" || modelo == "57";
  }

  static const char* DescricaoSerie(bool propria) {
    return propria ? "Serviços próprios" : "Serviços de terceiros";
  }

  // Two CT-e types taken as fiscal expenses, one of them with a part of
  // expenses.
  void TiposDeDespesa() {
    const int64_t entrada = Um("SELECT ID FROM Z8_PADRAODOC WHERE CODINTERNO = 13");
    for (const char* codigo : {kTipoDespesaFiscal, kTipoDespesa}) {
      const int64_t tipo = proximo_++;
      tipos_por_codigo_[codigo] = tipo;
      Inserir("Z8_TIPDOC", {{"ID", tipo},
                            {"CODIGO", std::string(codigo)},
                            {"DESCRICAO", "CT-e de despesa fiscal"},
                            {"IDF_PADRAODOC", entrada},
                            {"NFCOMPLEMENTAR", TVariant(false)}});
      auto parte = [&](const char* familia, const char* tabela, TValores colunas) {
        Inserir("Z8_PARTETPDOC", {{"ID", proximo_}, {"FD", familia}, {"IDF_TIPDOC", tipo}});
        colunas.insert(colunas.begin(), {{"ID", proximo_}, {"IDA", proximo_}});
        Inserir(tabela, colunas);
        ++proximo_;
      };
      parte("TipoDoctoGeral", "Z8_TPDOCTOGER",
            {{"IDF_MODELODOCT", modelos_.at("57")}, {"IDF_CTACTB", conta_}});
      parte("ParamTpDoctoDespFis", "Z8_PARTPDCDFI", {});
      if (std::string(codigo) == kTipoDespesa) parte("TpDocDespesa", "Z8_TPDOCDESP", {});
    }
  }

  TDateTime Dia(int dia) const { return TDateTime(inicio_.dias + dia - 1); }

  // A document with its items; returns its id.
  int64_t Documento(const TServico& s, int64_t participante) {
    const int64_t id = proximo_++;
    double total = 0;
    for (const auto& i : s.itens) total += i.valor;
    for (const auto& i : s.servicos) total += i.valor;
    const TDateTime dia = Dia(s.dia);
    Inserir("Z8_DOCTO", {{"ID", id},
                         {"FD", "Docto"},
                         {"IDF_FILIAL", filial_},
                         {"IDF_TPDOCTO",
                          s.tipo ? tipos_por_codigo_.at(s.tipo) : tipos_.at({s.modelo, s.padrao})},
                         {"IDF_SERIEDOCTO", series_.at(s.propria)},
                         {"IDF_IDENT", participante},
                         {"NRODOCTO", s.numero},
                         {"DATAEMI", dia},
                         {"DTENTSAI", s.padrao == 13 ? Dia(s.dia + 1) : dia},
                         {"SITUACAO", "1"},
                         {"SITUACAONF", s.cancelado ? "1" : "0"},
                         {"VALTOTALNF", total},
                         {"VALSERVICOS", total}});
    // The books take the value supplied, its part outside the ICMS apart.
    double nao_tributado = 0;
    auto nao_tributavel = [](const std::string& tributacao) {
      return tributacao != "00" && tributacao != "20";
    };
    for (const auto& i : s.itens)
      if (nao_tributavel(i.tributacao)) nao_tributado += i.valor;
    for (const auto& i : s.servicos)
      if (nao_tributavel(Tributacao(i))) nao_tributado += i.valor;
    if (!s.cancelado)
      Inserir("Z8_REGLIVRO", {{"ID", proximo_++},
                              {"IDF_DOCTO", id},
                              {"VALFORNECCONSUM", total},
                              {"VALSERVNAOTRIB", nao_tributado},
                              {"VALNOMETERC", 0.0},
                              {"VALDESPACES", 0.0}});
    // Electronic documents carry their access key.
    const std::string modelo = s.modelo;
    if (modelo == "57" || modelo == "62") {
      const std::string chave =
          fmt::format("3524{:02d}11222333000181{}001{:09d}1{:08d}0", inicio_.Mes(), modelo,
                      std::stoi(s.numero), std::stoi(s.numero));
      Inserir("Z8_PARTEDOCTO", {{"ID", proximo_},
                                {"FD", s.propria ? "OutrosDadosDocto" : "OutrosDadosCompras"},
                                {"IDF_DOCTO", id}});
      Inserir(s.propria ? "Z8_OUTDADOSDO" : "Z8_OUTDADCOMP",
              {{"ID", proximo_}, {"IDA", proximo_}, {"CHAVENFE", chave.substr(0, 44)}});
      ++proximo_;
    }
    int seq = 1;
    for (const auto& i : s.itens) {
      const int64_t item = proximo_++;
      const bool tributado = std::string(i.tributacao) == "00" || std::string(i.tributacao) == "20";
      // Class 20 taxes 60 % of the value.
      const double base = !tributado                          ? 0
                          : std::string(i.tributacao) == "20" ? i.valor * 0.6
                                                              : i.valor;
      ItemDoDocumento(id, item, seq++, i, {{"IDF_PROD", produto_}, {"IDF_UNPROD", unidade_}},
                      "TribItemProd");
      TValores t = {{"ID", item},
                    {"IDA", item},
                    {"IDF_CLAORIGEM", origem_},
                    {"ICMSBASE", base},
                    {"ICMSALIQ", i.aliquota},
                    {"ICMSVALOR", std::round(base * i.aliquota) / 100},
                    {"ICMSVALORISENTO", tributado ? 0.0 : i.valor},
                    {"ICMSVALOROUTRAS", tributado ? i.valor - base : 0.0},
                    {"PISVALOR", std::round(i.valor * 1.65) / 100},
                    {"COFINSVALOR", std::round(i.valor * 7.6) / 100},
                    // Services taken give credit (CST 50), rendered ones are taxed (01).
                    {"CLATRIBPIS", s.padrao == 13 ? "K" : "A"},
                    {"PISBASE", i.valor},
                    {"PISALIQ", 1.65},
                    {"CLATRIBCOFINS", s.padrao == 13 ? "K" : "A"},
                    {"COFINSBASE", i.valor},
                    {"COFINSALIQ", 7.6}};
      if (*i.tributacao) t.emplace_back("IDF_CLATRIBICMS", tributacoes_.at(i.tributacao));
      Inserir("Z8_TRIITEMPRO", t);
    }
    for (const auto& i : s.servicos) ItemDeServico(id, seq++, i);
    return id;
  }

  // The item (a unit of the given value) with what names it (a product and
  // its unit, or a service) and its tax part of the given family.
  template <typename TItem>
  void ItemDoDocumento(int64_t documento, int64_t item, int seq, const TItem& i,
                       TValores identificacao, const char* tributos) {
    Inserir("Z8_PARTEDOCTO", {{"ID", item}, {"FD", "ItemDocto"}, {"IDF_DOCTO", documento}});
    TValores valores = {{"ID", item}, {"IDA", item}, {"SEQITEM", seq}};
    valores.insert(valores.end(), identificacao.begin(), identificacao.end());
    valores.insert(valores.end(), {{"IDF_CFOP", cfops_.at(i.cfop)},
                                   {"QDADE", 1.0},
                                   {"VALUNITARIO", i.valor},
                                   {"VALBRUTO", i.valor},
                                   {"VALLIQUIDO", i.valor},
                                   {"VALLIQUIDONF", i.valor}});
    Inserir("Z8_DOCTOITEM", valores);
    Inserir("Z8_TRIBITEM", {{"ID", item}, {"FD", tributos}, {"IDF_DOCTOITEM", item}});
  }

  // A service item of a bill taken, its ICMS and PIS/COFINS of credit; the
  // ICMS of its own class or of its family's.
  void ItemDeServico(int64_t documento, int seq, const TItemServico& i) {
    const int64_t item = proximo_++;
    const double base = Tributacao(i) == "00" ? i.valor : 0;
    ItemDoDocumento(documento, item, seq, i, {{"IDF_SERVICO", servicos_.at(ServicoDe(i))}},
                    "TribItemServ");
    Inserir(
        "Z8_TRIITEMSER",
        {{"ID", item},
         {"IDA", item},
         {"IDF_CLATRIBICMS", *i.tributacao ? TVariant(tributacoes_.at(i.tributacao)) : TVariant()},
         {"ICMSBASE", base},
         {"ICMSALIQ", i.aliquota},
         {"ICMSVALOR", std::round(base * i.aliquota) / 100},
         {"CLATRIBPIS", "K"},
         {"PISBASE", i.valor},
         {"PISALIQ", 1.65},
         {"PISVALOR", std::round(i.valor * 1.65) / 100},
         {"CLATRIBCOFINS", "K"},
         {"COFINSBASE", i.valor},
         {"COFINSALIQ", 7.6},
         {"COFINSVALOR", std::round(i.valor * 7.6) / 100}});
  }

  // A freight bill typed on one of the month's goods entries of the head
  // office, with an ICMS adjustment; the entries' type says its model.
  void Frete(int64_t transportadora) {
    TxbResultado r = bd_.Consultar(
        "SELECT A.ID FROM Z8_DOCTO A INNER JOIN Z8_TIPDOC T ON T.ID = "
        "A.IDF_TPDOCTO INNER JOIN Z8_PADRAODOC P ON P.ID = T.IDF_PADRAODOC WHERE A.IDF_FILIAL = :F "
        "AND T.CODIGO = 'COMPRA-NFE' AND (A.SITUACAONF IS NULL OR A.SITUACAONF <> '1') AND "
        "A.DTENTSAI "
        "BETWEEN :I AND :FIM "
        "ORDER BY A.ID",
        {{"F", filial_}, {"I", inicio_}, {"FIM", fim_}});
    if (r.Vazio()) return;
    const int64_t entrada = r.linhas[0][0].AsInt64();
    const int64_t frete = proximo_++;
    Inserir("Z8_PARTEDOCTO",
            {{"ID", frete}, {"FD", "ParteDoctoConheceFrete"}, {"IDF_DOCTO", entrada}});
    Inserir("Z8_PARDCCOFRE",
            {{"ID", frete},
             {"IDA", frete},
             {"IDF_SERIEDOCTO", series_.at(false)},
             {"NUMEROCONHECIMENTO", "77001"},
             {"IDF_TRANSPORTADORA", transportadora},
             {"CHAVECTE",
              fmt::format("3524{:02d}44555666000172570010000770011000770010", inicio_.Mes())},
             {"DATAEMISSAO", Dia(10)},
             {"DATAENTRADA", Dia(11)},
             {"FRETECIF", "F"},
             {"VALORFRETE", 210.0},
             {"BASECALCICMSFRETE", 210.0},
             {"ALIQUOTAICMS", 12.0},
             {"VALORICMS", 25.2},
             {"ISENTASICMS", 0.0},
             {"OUTROSICMS", 0.0},
             {"IDF_CFOP", cfops_.at("1.353")},
             {"IDF_CLATRIBUT", tributacoes_.at("00")},
             {"OBSFISCAL", "Frete da mercadoria da nota de entrada"},
             {"IDF_DOCUMENTO", entrada}});
    Inserir("Z8_AJTRIBCOFR",
            {{"ID", proximo_++},
             {"IDF_CONHFREDOC", frete},
             {"IDF_TABAJVPRDF", Um("SELECT ID FROM Z8_TABAJVPRDF WHERE CODAJUSTE = 'SP10090721'")},
             {"TIPOAJUSTE", "1"},
             {"BASE", 210.0},
             {"ALIQUOTA", 12.0},
             {"VALOR", 8.4},
             {"VLROUTROS", 0.0},
             {"DESCCOMPL", "Crédito outorgado sobre o frete"}});
    // The entry's goods were delivered to a place of its own.
    const TxbResultado entrega = bd_.Consultar(
        "SELECT P.ID FROM Z8_PARTEDOCTO P INNER JOIN Z8_ENTREGACOM E ON E.IDA = P.ID WHERE "
        "P.IDF_DOCTO = :D",
        {{"D", entrada}});
    if (!entrega.Vazio()) {
      const int64_t local = proximo_++;
      Inserir("Z8_LOCALENT", {{"ID", local},
                              {"NOME", "Depósito de recebimento"},
                              {"IDF_ENDER", Um("SELECT MAX(ID) FROM KLVG_ENDER")},
                              {"NUMENDERECO", "100"}});
      Inserir(
          "Z8_LOCENTCOMP",
          {{"ID", proximo_++}, {"IDF_ENTREGACOM", entrega.linhas[0][0]}, {"IDF_LOCALENT", local}});
    }
    // A second bill, not taxed, names the invoice it carried only by the
    // number of its note.
    if (r.linhas.size() < 2) return;
    const int64_t carregada = r.linhas[1][0].AsInt64();
    bd_.Executar("UPDATE Z8_DOCTO SET DOCTODIGITADO = NRODOCTO WHERE ID = :D", {{"D", carregada}});
    const int64_t segundo = proximo_++;
    Inserir("Z8_PARTEDOCTO",
            {{"ID", segundo}, {"FD", "ParteDoctoConheceFrete"}, {"IDF_DOCTO", entrada}});
    Inserir("Z8_PARDCCOFRE",
            {{"ID", segundo},
             {"IDA", segundo},
             {"IDF_SERIEDOCTO", series_.at(false)},
             {"NUMEROCONHECIMENTO", "77002"},
             {"IDF_TRANSPORTADORA", transportadora},
             {"CHAVECTE",
              fmt::format("3524{:02d}44555666000172570010000770021000770020", inicio_.Mes())},
             {"DATAEMISSAO", Dia(12)},
             {"DATAENTRADA", Dia(13)},
             {"FRETECIF", "F"},
             {"VALORFRETE", 95.0},
             {"BASECALCICMSFRETE", 0.0},
             {"ALIQUOTAICMS", 0.0},
             {"VALORICMS", 0.0},
             {"ISENTASICMS", 0.0},
             {"OUTROSICMS", 95.0},
             {"IDF_CFOP", cfops_.at("1.353")}});
    Inserir("Z8_NOTASCFRET",
            {{"ID", proximo_++},
             {"IDF_PARDCCOFRE", segundo},
             {"NRODOCTOTERC",
              bd_.Consultar("SELECT NRODOCTO FROM Z8_DOCTO WHERE ID = :D", {{"D", carregada}})
                  .linhas[0][0]}});
  }

  TpbBD& bd_;
  int64_t proximo_, empresa_, filial_;
  TDateTime inicio_, fim_;
  int64_t conta_ = 0, origem_ = 0, produto_ = 0, unidade_ = 0;
  std::map<std::string, int64_t> modelos_, cfops_, tributacoes_, servicos_;
  std::map<std::pair<std::string, int>, int64_t> tipos_;
  std::map<std::string, int64_t> tipos_por_codigo_;
  std::map<bool, int64_t> series_;
};

}  // namespace

int64_t CadastrosDosServicosDemo(TpbBD& bd, int64_t proximo, int64_t empresa, int64_t filial) {
  return TServicosDemo(bd, proximo, empresa, filial).Cadastros();
}

int64_t ConstruirServicosDemo(TpbBD& bd, const ResultadoDemo& demo) {
  return TServicosDemo(bd, demo.maior_id + 1, demo.empresa, demo.filiais.front()).Construir(demo);
}

}  // namespace efd::erp
