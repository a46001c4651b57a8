#include "registers/piscofins/detalhesm.h"

#include <fmt/format.h>

#include "control/linhasregistros.h"
#include "framework/xbformato.h"
#include "framework/xbsession.h"

namespace efd {
namespace {

// C170 spells the COFINS quantity base its own way.
std::string ItensC170(const std::string& t) {
  return fmt::format(
      "SELECT C.INDOPER, A.CFOP, A.CST_{0}, A.ALIQ{0}PERC, A.ALIQ{0}REAIS, "
      "SUM(A.VALTOTITEM - COALESCE(A.VALDESC, 0)), SUM(A.BASECALC{0}), SUM(A.{1}), CAST(NULL AS "
      "VARCHAR(2)) "
      "FROM Z8_REGEFDC170 A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "INNER JOIN Z8_REGEFDC100 C ON C.ID = A.IDF_REGEFDC100 "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO "
      "GROUP BY C.INDOPER, A.CFOP, A.CST_{0}, A.ALIQ{0}PERC, A.ALIQ{0}REAIS",
      t, t == "COFINS" ? "QTDBASECALCCOFINS" : "QTDEBASECALCPIS");
}

// C175 keeps the money rates apart from the percentages.
std::string ConsolidadosC175(const std::string& t) {
  return fmt::format(
      "SELECT C.INDOPER, A.CFOP, A.CST{0}, A.ALIQ{0}, A.ALIQ{0}REAIS, "
      "SUM(A.VALOPERA - COALESCE(A.VALDESC, 0)), SUM(A.BASECALC{0}), SUM(A.BASECALCQTDE{0}), "
      "CAST(NULL AS VARCHAR(2)) "
      "FROM Z8_REGEFDC175 A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "INNER JOIN Z8_REGEFDC100 C ON C.ID = A.IDF_REGEDFC100 "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO "
      "GROUP BY C.INDOPER, A.CFOP, A.CST{0}, A.ALIQ{0}, A.ALIQ{0}REAIS",
      t);
}

// The services an establishment took and the utility bills it acquired
// state their nature of the credit's base and have no CFOP: D101/D105 under
// D100, D501/D505 under D500, C501/C505 under C500.
std::string ComplementosDocumento(const std::string& t, const char* pis, const char* cofins,
                                  const char* base_pis, const char* documento, const char* operacao,
                                  const char* natureza_pis = "NAT_BC_CRED") {
  const bool c = t == "COFINS";
  return fmt::format(
      "SELECT C.{4}, CAST(NULL AS VARCHAR(4)), A.CST_{0}, A.ALIQ_{0}, CAST(NULL AS DOUBLE "
      "PRECISION), SUM(A.VL_ITEM), SUM(A.{1}), CAST(NULL AS DOUBLE PRECISION), A.{5} "
      "FROM Z8_REGEF{2} A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "INNER JOIN Z8_REGEF{3} C ON C.ID = A.IDF_REGEF{3} "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO "
      "GROUP BY C.{4}, A.CST_{0}, A.ALIQ_{0}, A.{5}",
      t, c ? "VL_BC_COFINS" : base_pis, c ? cofins : pis, documento, operacao,
      c ? "NAT_BC_CRED" : natureza_pis);
}

std::string ServicosTransporte(const std::string& t) {
  return ComplementosDocumento(t, "DD101", "DD105", "VL_BC_CRED", "DD100", "INDOPER");
}

std::string ServicosComunicacao(const std::string& t) {
  return ComplementosDocumento(t, "DD501", "DD505", "VL_BC_PIS", "DD500", "INDOPERA");
}

// C501 spells its nature of the credit's base short.
std::string ContasDeConsumo(const std::string& t) {
  return ComplementosDocumento(t, "DC501", "DC505", "VL_BC_PIS", "DC500", "INDOPERA", "NAT_BC_CRE");
}

// The printers' sales, outputs in value or in quantity: of a closing by
// CST, rate and item without CFOP (C481/C485), or of the period by item,
// CST, CFOP and rate (C491/C495).
std::string SomasECF(const std::string& t, const char* pis, const char* cofins, bool por_cfop) {
  return fmt::format(
      "SELECT '1', {2}, A.CST_{0}, A.ALIQ_{0}, A.ALIQ_{0}_QUANT, "
      "SUM(A.VL_ITEM), SUM(A.VL_BC_{0}), SUM(A.QUANT_BC_{0}), CAST(NULL AS VARCHAR(2)) "
      "FROM Z8_REGEFD{1} A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO "
      "GROUP BY {3}A.CST_{0}, A.ALIQ_{0}, A.ALIQ_{0}_QUANT",
      t, t == "COFINS" ? cofins : pis, por_cfop ? "A.CFOP" : "CAST(NULL AS VARCHAR(4))",
      por_cfop ? "A.CFOP, " : "");
}

std::string VendasECF(const std::string& t) {
  return SomasECF(t, "C481", "C485", false);
}

std::string VendasECFConsolidadas(const std::string& t) {
  return SomasECF(t, "C491", "C495", true);
}

// A170 names its fields after the contribution; an entry states the nature
// of its credit's base.
std::string ItensA170(const std::string& t) {
  return fmt::format(
      "SELECT C.IND_OPER, CAST(NULL AS VARCHAR(4)), A.CST_{0}, A.ALIQ_{0}, 0, "
      "SUM(A.VL_ITEM - COALESCE(A.VAL_DESC, 0)), SUM(A.VL_BC_{0}), 0, A.NAT_BC_CRED "
      "FROM Z8_REGEFDA170 A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "INNER JOIN Z8_REGEFDA100 C ON C.ID = A.IDF_REGEFDA100 "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO "
      "GROUP BY C.IND_OPER, A.CST_{0}, A.ALIQ_{0}, A.NAT_BC_CRED",
      t);
}

// F100 tells a credit (0) from the two kinds of revenue (1 and 2).
std::string OperacoesF100(const std::string& t) {
  return fmt::format(
      "SELECT CASE WHEN A.IND_OPER = '0' THEN '0' ELSE '1' END, CAST(NULL AS VARCHAR(4)), "
      "A.CST_{0}, A.ALIQ_{0}, 0, SUM(A.VL_OPER), SUM(A.VL_BC_{0}), 0, A.NAT_BC_CRED "
      "FROM Z8_REGEFDF100 A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO "
      "GROUP BY A.IND_OPER, A.CST_{0}, A.ALIQ_{0}, A.NAT_BC_CRED",
      t);
}

// The services an establishment rendered, consolidated, are outputs: D201/
// D205 under D200 by its CFOP, D601/D605 under D600 net of their discount.
std::string ConsolidacoesServico(const std::string& t, const char* pis, const char* cofins,
                                 const char* consolidacao, bool por_cfop, const char* receita) {
  return fmt::format(
      "SELECT '1', {3}, A.CST_{0}, A.ALIQ_{0}, CAST(NULL AS DOUBLE PRECISION), SUM({4}), "
      "SUM(A.VL_BC_{0}), CAST(NULL AS DOUBLE PRECISION), CAST(NULL AS VARCHAR(2)) "
      "FROM Z8_REGEF{1} A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "INNER JOIN Z8_REGEF{2} C ON C.ID = A.IDF_REGEF{2} "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO "
      "GROUP BY {5}A.CST_{0}, A.ALIQ_{0}",
      t, t == "COFINS" ? cofins : pis, consolidacao,
      por_cfop ? "C.CFOP" : "CAST(NULL AS VARCHAR(4))", receita, por_cfop ? "C.CFOP, " : "");
}

std::string TransportePrestado(const std::string& t) {
  return ConsolidacoesServico(t, "DD201", "DD205", "DD200", true, "A.VL_ITEM");
}

std::string ComunicacaoPrestada(const std::string& t) {
  return ConsolidacoesServico(t, "DD601", "DD605", "DD600", false,
                              "A.VL_ITEM - COALESCE(A.VL_DESC, 0)");
}

// The presumed-profit consolidations are revenues, with a base in value
// (F500, F550) or in quantity (F510, F560).
std::string Consolidacao(const std::string& t, const char* registro, const char* receita,
                         bool quantidade) {
  return fmt::format(
      "SELECT '1', A.CFOP, A.CST_{0}, {3}, {4}, SUM(A.{2}), {5}, {6}, CAST(NULL AS VARCHAR(2)) "
      "FROM Z8_REGEFD{1} A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO GROUP BY A.CFOP, A.CST_{0}, {7}",
      t, registro, receita, quantidade ? "0" : "A.ALIQ_" + t,
      quantidade ? "A.ALIQ_" + t + "_QUANT" : "0", quantidade ? "0" : "SUM(A.VL_BC_" + t + ")",
      quantidade ? "SUM(A.QUANT_BC_" + t + ")" : "0",
      quantidade ? "A.ALIQ_" + t + "_QUANT" : "A.ALIQ_" + t);
}
std::string ReceitasF500(const std::string& t) {
  return Consolidacao(t, "F500", "VL_REC_CAIXA", false);
}
std::string ReceitasF510(const std::string& t) {
  return Consolidacao(t, "F510", "VL_REC_CAIXA", true);
}
std::string ReceitasF550(const std::string& t) {
  return Consolidacao(t, "F550", "VL_REC_COMP", false);
}
std::string ReceitasF560(const std::string& t) {
  return Consolidacao(t, "F560", "VL_REC_COMP", true);
}

// The credits of fixed assets (F120 on depreciation, F130 on acquisition)
// state their nature; an imported asset's credit is an import's, as an
// entry of a CFOP 3xxx would be.
std::string CreditosDeBens(const std::string& t, const char* registro, const char* valor) {
  return fmt::format(
      "SELECT CAST('0' AS VARCHAR(1)), CASE WHEN A.IND_ORIG_CRED = '1' THEN '3000' END, "
      "A.CST_{0}, A.ALIQ_{0}, 0, SUM(A.{2}), SUM(A.VL_BC_{0}), 0, A.NAT_BC_CRED "
      "FROM Z8_REGEFD{1} A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO "
      "GROUP BY A.IND_ORIG_CRED, A.CST_{0}, A.ALIQ_{0}, A.NAT_BC_CRED",
      t, registro, valor);
}

std::string BensDepreciacaoF120(const std::string& t) {
  return CreditosDeBens(t, "F120", "VL_OPER_DEP");
}

std::string BensAquisicaoF130(const std::string& t) {
  return CreditosDeBens(t, "F130", "VL_OPER_AQUIS");
}

// The electronic invoices consolidated by item: the sales (C181/C185 under
// C180) are outputs, the acquisitions (C191/C195 under C190) entries whose
// CFOP tells the nature of the credit's base. C195 spells its values apart.
std::string NotasConsolidadas(const std::string& t, const char* operacao, const char* pis,
                              const char* cofins, const char* valores) {
  return fmt::format(
      "SELECT '{1}', A.CFOP, A.CST_{0}, A.ALIQ_{0}, A.ALIQ_{0}_QUANT, "
      "SUM(A.{3}_ITEM - COALESCE(A.{3}_DESC, 0)), SUM(A.VL_BC_{0}), SUM(A.QUANT_BC_{0}), "
      "CAST(NULL AS VARCHAR(2)) "
      "FROM Z8_REGEFD{2} A INNER JOIN Z8_REGEFD B ON B.ID = A.IDA "
      "WHERE B.IDF_BLOCOSEFD = :BLOCO "
      "GROUP BY A.CFOP, A.CST_{0}, A.ALIQ_{0}, A.ALIQ_{0}_QUANT",
      t, operacao, t == "COFINS" ? cofins : pis, t == "COFINS" ? valores : "VL");
}

std::string VendasConsolidadas(const std::string& t) {
  return NotasConsolidadas(t, "1", "C181", "C185", "VL");
}

std::string AquisicoesConsolidadas(const std::string& t) {
  return NotasConsolidadas(t, "0", "C191", "C195", "VAL");
}

struct TFonteDetalhes {
  const char* bloco;
  TConsultaDetalhes consulta;
};
constexpr TFonteDetalhes kFontes[] = {
    {"Bloco C", ItensC170},
    {"Bloco C", ConsolidadosC175},
    {"Bloco C", VendasECF},
    {"Bloco C", ContasDeConsumo},
    {"Bloco D", ServicosTransporte},
    {"Bloco D", ServicosComunicacao},
    {"Bloco A", ItensA170},
    {"Bloco F", OperacoesF100},
    {"Bloco D", TransportePrestado},
    {"Bloco D", ComunicacaoPrestada},
    {"Bloco F", ReceitasF500},
    {"Bloco F", ReceitasF510},
    {"Bloco F", ReceitasF550},
    {"Bloco F", ReceitasF560},
    {"Bloco F", BensDepreciacaoF120},
    {"Bloco F", BensAquisicaoF130},
    {"Bloco C", VendasConsolidadas},
    {"Bloco C", AquisicoesConsolidadas},
    {"Bloco C", VendasECFConsolidadas},
};

}  // namespace

std::vector<TDetalhe> LerDetalhes(TxbSession& sessao, int id_efd, bool cofins) {
  auto d = [](const TVariant& v) { return v.AsFloat(); };
  auto s = [](const TVariant& v) { return Trim(v.AsString()); };
  std::vector<TDetalhe> detalhes;
  for (const TFonteDetalhes& fonte : kFontes) {
    const int bloco = IdBlocoDaGeracao(sessao, id_efd, fonte.bloco);
    if (bloco == 0) continue;
    TxbResultado r =
        sessao.Consultar(fonte.consulta(cofins ? "COFINS" : "PIS"), {{"BLOCO", bloco}});
    for (const auto& l : r.linhas)
      detalhes.push_back(
          {s(l[0]), s(l[1]), s(l[2]), d(l[3]), d(l[4]), d(l[5]), d(l[6]), d(l[7]), s(l[8])});
  }
  return detalhes;
}

}  // namespace efd
