#pragma once
// check --competencia AAAAMM --instrumento CODE --procedimento CODE [...]:
// the verdict on one line of a record and every rule behind it.

#include "cli/consult.h"

namespace cli {

int check(const Context& context, const QStringList& args);

} // namespace cli
