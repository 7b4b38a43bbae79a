#pragma once
// Made-up procedures for tests and benchmarks: distinct ten-digit codes,
// upper-case names without accents of every length up to 250, values with
// cents. The same seed gives the same rows.

#include "db/connection.h"
#include "db/decimal.h"

#include <string>
#include <vector>

namespace ktest {

struct SyntheticProc {
    std::string code;
    std::string name;
    std::string complexity;   // "0" to "3"
    std::string sex;          // M, F, I or N
    int qtdMax, days, points, ageMin, ageMax;
    kdb::Decimal sa, sh, sp;
    std::string financing;    // "01" to "06"
};

std::vector<SyntheticProc> makeSyntheticProcs(int count, unsigned seed = 1);

// Inserts the rows into TB_PROC, and TB_FINANCIAMENTO's rows for the codes
// they use when that table is empty; commits.
void insertSyntheticProcs(kdb::Connection& db, const std::vector<SyntheticProc>& procs);

} // namespace ktest
