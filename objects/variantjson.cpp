#include "objects/variantjson.h"

#include "framework/xberros.h"

namespace efd {

nlohmann::json VariantParaJson(const TVariant& valor) {
  struct Visitante {
    nlohmann::json operator()(std::monostate) const { return nullptr; }
    nlohmann::json operator()(int64_t v) const { return v; }
    nlohmann::json operator()(double v) const { return v; }
    nlohmann::json operator()(const std::string& v) const { return v; }
    nlohmann::json operator()(TDateTime v) const { return {{"data", v.dias}}; }
    nlohmann::json operator()(bool v) const { return v; }
  };
  return std::visit(Visitante{}, valor.valor());
}

TVariant JsonParaVariant(const nlohmann::json& valor) {
  switch (valor.type()) {
    case nlohmann::json::value_t::null:
      return TVariant();
    case nlohmann::json::value_t::boolean:
      return TVariant(valor.get<bool>());
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
      return TVariant(valor.get<int64_t>());
    case nlohmann::json::value_t::number_float:
      return TVariant(valor.get<double>());
    case nlohmann::json::value_t::string:
      return TVariant(valor.get<std::string>());
    case nlohmann::json::value_t::object:
      if (valor.size() == 1 && valor.contains("data") && valor.at("data").is_number())
        return TVariant(TDateTime(valor.at("data").get<double>()));
      break;
    default:
      break;
  }
  // The type only: the value itself may be large or nested without end.
  throw EErro(std::string("valor remoto inválido: ") + valor.type_name());
}

nlohmann::json ArrayParaJson(const TArrayVariant& array) {
  if (!array) return nullptr;
  nlohmann::json r = nlohmann::json::array();
  for (const auto& v : *array) r.push_back(VariantParaJson(v));
  return r;
}

TArrayVariant JsonParaArray(const nlohmann::json& valor) {
  if (valor.is_null()) return std::nullopt;
  if (!valor.is_array()) throw EErro("os parâmetros devem ser uma lista ou null");
  std::vector<TVariant> r;
  r.reserve(valor.size());
  for (const auto& v : valor) r.push_back(JsonParaVariant(v));
  return r;
}

}  // namespace efd
