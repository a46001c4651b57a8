// Oracle: the dialect only. No SOCI backend for Oracle is built here, so
// opening a connection raises EBancoDados.
#include <fmt/format.h>

#include "framework/pbbd_kinds.h"
#include "framework/xberros.h"

namespace efd::bd {
namespace {

class TpbBDOracle final : public TpbBD {
 public:
  std::string ClassName() const override { return "TpbBDOracle"; }

  std::string LiteralData(TDateTime data) const override {
    return "TO_DATE('" + data.Formatar("DD/MM/YYYY HH:NN:SS") + "', 'DD/MM/YYYY HH24:MI:SS')";
  }

  std::string LimitarLinhas(const std::string& select, int n) const override {
    return "SELECT * FROM (" + select + ") WHERE ROWNUM <= " + std::to_string(n);
  }

  std::string ConverterTexto(const std::string& expressao) const override {
    return "dbms_lob.substr(" + expressao + ", 4000, 1)";
  }

  // A table that cannot be created exists already: it is emptied instead.
  void CriarTabelaTemporaria(const std::string& nome) override {
    try {
      Executar("Create GLOBAL TEMPORARY TABLE " + nome + " (ID INT) ON COMMIT DELETE ROWS");
      Executar("CREATE INDEX " + nome + "_IDX1 ON " + nome + " (ID)");
      Executar("Commit");
    } catch (const EBancoDados&) {
      Executar("DELETE FROM " + nome);
    }
  }

  const TTiposColuna& TiposColuna() const override {
    // Inteiro, Texto, Real, Data, Hora, DataHora, Logico, Memo.
    static const TTiposColuna kTipos = {"INTEGER", "VARCHAR2({})", "BINARY_DOUBLE", "DATE",
                                        "DATE",    "DATE",         "VARCHAR2(1)",   "CLOB"};
    return kTipos;
  }

 protected:
  int64_t ReservarBlocoIDs(int64_t) override {
    throw EBancoDados("TpbBDOracle: sem conexão com o banco de dados");
  }

  std::vector<std::string> ListarColunas(const std::string& tabela) override {
    const TxbResultado r = Consultar(
        "SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME = UPPER(:T) ORDER BY COLUMN_ID",
        {{"T", tabela}});
    std::vector<std::string> colunas;
    for (const auto& linha : r.linhas) colunas.push_back(linha[0].AsString());
    return colunas;
  }

  std::string SqlColunasDasTabelas() const override {
    return "SELECT TABLE_NAME, COLUMN_NAME FROM USER_TAB_COLUMNS ORDER BY TABLE_NAME, COLUMN_ID";
  }

  bool ExisteTabela(const std::string& tabela) override {
    return PrimeiroInteiro(Consultar(
               "SELECT COUNT(*) FROM USER_TABLES WHERE TABLE_NAME = UPPER(:T)", {{"T", tabela}})) >
           0;
  }

  void CriarSequenciaSeAusente() override {
    if (PrimeiroInteiro(Consultar(fmt::format(
            "SELECT COUNT(*) FROM USER_SEQUENCES WHERE SEQUENCE_NAME = '{}'", kSequenciaIDs))) == 0)
      Executar(fmt::format("CREATE SEQUENCE {}", kSequenciaIDs));
  }
};

}  // namespace

std::unique_ptr<TpbBD> NovoOracle() {
  return std::make_unique<TpbBDOracle>();
}

std::unique_ptr<TpbBD> ConectarOracle(const std::string&) {
  throw EBancoDados(
      "TpbBDOracle: esta instalação não se conecta a Oracle (não há driver SOCI para Oracle); só "
      "os textos do dialeto Oracle estão disponíveis");
}

}  // namespace efd::bd
