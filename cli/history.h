#pragma once
// The kept competências from a terminal: a procedure's history and what
// changed between two competências.

#include "cli/consult.h"

namespace cli {

int history(const Context& context, const QStringList& args);
int diff(const Context& context, const QStringList& args);
int competencias(const Context& context, const QStringList& args);

} // namespace cli
