#pragma once
// The rules of a check as the VERIFICAR window's grid shows them: one row
// per rule, with its verdict as shown, the reason and the table.

#include "data/memorytable.h"
#include "model/check.h"

#include <memory>

namespace korvane {

// Columns REGRA, VEREDITO, MOTIVO and TABELA, titled for the grid, and
// DETALHE, the whole of a row for the memo under it.
std::unique_ptr<kdata::MemoryTable> makeRulesTable(QObject* parent = nullptr);
// Replaces the rows with the result's rules and stands on the first.
void fillRules(kdata::MemoryTable& table, const CheckResult& result);

} // namespace korvane
