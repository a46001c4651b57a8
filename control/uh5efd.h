// The EFD header: one generation request (branch, period, model, purpose and
// the declarant's indicators). Creating it fills its defaults; storing it
// starts the generation through GerarEFD.
#pragma once

#include <string>

#include "uh0efd.h"

namespace efd {

// The default period of a new header: the month before the one of today.
TDateTime InicioDoMesAnterior(TDateTime hoje);

class Th5EFD : public Th0EFD {
 public:
  void CreateKLV() override;
  std::set<int> EventosCDS() const override { return {0, 3}; }

  void AfterIncluirRegistroCDS() override;
  void BeforeConfirmarRegistroCDS() override;
  void AfterConfirmarRegistroCDS() override;
  void GerarEFD(ThbObjetoNegocio& remetente) override;
  // For the current row: looks for earlier headers of the same branch and
  // period, deletes them (option 6) or drops this one (option 5, false).
  bool VerificarGeracaoAnterior();
  // For the current row: the zero inventory date is stored as none.
  void AnularDataInventarioZero();

  // Loads the default indicators from the company's or the branch's
  // parameters valid today, once per branch: the header's branch, or the
  // session's while the new row has none.
  void CarregarParametrosDaEmpresa();
  // Company whose parameters are loaded; 0 means the session's company.
  void DefinirEmpresaDosParametros(int empresa) { empresa_parametros_ = empresa; }
  bool GeracaoSuprimida() const { return geracao_suprimida_; }
  void SuprimirGeracao(bool suprimir) { geracao_suprimida_ = suprimir; }

  // Generates a whole ICMS/IPI file of a branch and period in one call: a
  // header is created and stored, the register types the catalogue marks are
  // generated in an explicit transaction, the file is written at caminho and
  // its text returned. On a client it runs on the server ("GerarEFD_PAF").
  std::string GerarEFDPAF(int filial, TDateTime inicio, TDateTime fim,
                          const std::string& finalidade, const std::string& perfil,
                          const std::string& atividade, const std::string& caminho);
  // The server side answers "GerarEFD_PAF" and "23" here, the rest in the
  // generated dispatcher.
  TVariant ExecutarMetodo(const std::string& metodo, TArrayVariant& parametros,
                          void* thread) override;

 private:
  void OnChangeDataInicio(TxbCampo& campo);
  void CarregarParametrosDaFilial(int filial);
  void CarregarParametrosContabeis(int empresa);
  int ModeloNumerico();
  int FilialDosParametros();

  struct TPadroes {
    std::string perfil = "A", atividade = "0", sit_esp = "9", inc_trib = "1", met_aprop = "1",
                tp_contrib = "1", nat_pj = "0", tipo_geracao = "2", regime_apura = "9",
                clas_estab_ind = "0", indicador_ativ;
  } padroes_;
  int empresa_parametros_ = 0;
  int filial_parametros_ = 0;  // branch of the row being included; 0: as above
  bool parametros_carregados_ = false;
  int filial_carregada_ = 0;  // branch whose parameters are loaded
  bool geracao_suprimida_ = false;
};

}  // namespace efd
