#pragma once
// A release of competência 06/2026 written straight into a schema database,
// made so that each rule of a check both accepts and refuses:
//
//   0303010045  F only, ages 216-722 months, at most 1, AIH principal (03);
//               CIDs A00 (may be principal) and A01 (not principal)
//   0301010072  either sex, no age or quantity limit (9999), BPA (01, 02);
//               CBOs 225125 and 225170
//   0401010023  M only, up to 1200 months, at most 2; AIH principal (03)
//   0406010013  habilitação 3802 alone, or group 0001 (0801 and 0803);
//               AIH principal (03); compatible with the OPMs 0702010016
//               (up to 2) and 0702010024 (up to 10)
//   0303010037  AIH principal (03); compatible with both OPMs (up to 5);
//               excludes 0401010015; concomitant (3) with 0401010023
//   0702010016, 0702010024  OPMs (04), incompatible with each other, which
//               an exception lifts when 0406010013 is in the record
//   0211030100  BPA (01, 02); services 121/001 and 135/003; conditioned
//               rule 0001 (when the tables are there)
//   0401010015  AIH principal (03)
//   09000000NN  one per instrument NN (01 to 10), registered there alone
//   0301060010  ages not stored in months (a database loaded before)

#include "support/tempdb.h"

#include <string>

namespace ktest {

struct CheckFixture {
    // The tables of the exceptions and of the conditioned rules, with the
    // release's own names, as a load of every file makes them.
    bool laterTables = true;
};

// Creates dir/KORVANE.GDB and returns its path.
std::string createCheckDatabase(const TempDir& dir, const CheckFixture& options = {});

} // namespace ktest
