// The demo company's stock: warehouses, the products' warehouses, the tax
// rules of the product families and a month of stock balance movements of
// the head office and the second branch.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/pbbd.h"

namespace efd::erp {

// Writes the stock of the demo company's products (already written, with
// its people and tax classes) in the caller's transaction, ids from novo_id.
// The branches' balances are those of the month that starts at inicio; the
// first two branches get them. Every product
// has a warehouse: the company's own, except one kept at a supplier and one
// of a supplier kept by the company. Both branches end the month with stock
// of most products (one sold out, a revaluation and a movement after the
// month that the inventory leaves out); the families' tax rules give CST 000,
// and "090" to packaging. The head office sent goods to the supplier and
// received goods of it, by documents before the month, partly returned.
// Each family has a stock account; the head office's first product has an
// account of its own.
void ConstruirEstoqueDemo(TpbBD& bd, int64_t empresa, const std::vector<int64_t>& filiais,
                          TDateTime inicio, const std::function<int64_t()>& novo_id);

}  // namespace efd::erp
