// The PIS/COFINS model's complements of a service document that the
// establishment took: each item's PIS and COFINS totalled by CST and rate
// under the document (D101/D105 under D100, D501/D505 under D500).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "registers/blockC/documentosc100.h"

namespace efd {

class TxbSession;
class TReferenciasD;
class Th5RegistroEFDD101;
class Th5RegistroEFDD105;
class Th5RegistroEFDD501;
class Th5RegistroEFDD505;

// The nature of the credit's base of a service taken: a service used as an
// input ("03") for a CST of credit (50 to 66), none otherwise.
std::string NaturezaCreditoServico(const std::string& cst);

class TContribuicoesD {
 public:
  // documento: the parent register, "D100" or "D500".
  TContribuicoesD(TxbSession& sessao, TReferenciasD& refs, const std::string& documento);
  ~TContribuicoesD();
  TContribuicoesD(const TContribuicoesD&) = delete;
  TContribuicoesD& operator=(const TContribuicoesD&) = delete;

  // Adds an item's PIS and COFINS under the document's row; an item without
  // the CST of a contribution adds nothing to it.
  void Incluir(int64_t documento, const TItemDocumentoC100& item, const std::string& conta);

 private:
  TReferenciasD& refs_;
  std::shared_ptr<Th5RegistroEFDD101> d101_;
  std::shared_ptr<Th5RegistroEFDD105> d105_;
  std::shared_ptr<Th5RegistroEFDD501> d501_;
  std::shared_ptr<Th5RegistroEFDD505> d505_;
};

}  // namespace efd
