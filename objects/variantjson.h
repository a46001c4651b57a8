// Values of remote calls as JSON: null, integers as JSON integers, reals as
// JSON reals, texts as strings, booleans, and dates as {"data": days since
// the zero date}. A variant array is null or a JSON array of such values.
#pragma once

#include <nlohmann/json.hpp>

#include "framework/xbremoto.h"
#include "framework/xbvariant.h"

namespace efd {

nlohmann::json VariantParaJson(const TVariant& valor);
// Raises EErro on a JSON value that is not one of the forms above.
TVariant JsonParaVariant(const nlohmann::json& valor);
nlohmann::json ArrayParaJson(const TArrayVariant& array);
TArrayVariant JsonParaArray(const nlohmann::json& valor);

}  // namespace efd
