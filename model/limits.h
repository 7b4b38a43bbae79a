#pragma once
// The age limits of a procedure as the release means them. The release
// gives them in months, 9999 meaning no limit; the stored years round them
// (6 months is 1 year, 9999 months 833 years), so what is shown comes from
// the months.

#include "data/recordset.h"
#include "db/value.h"

#include <QString>

namespace korvane {

inline constexpr std::int64_t kNoAgeLimit = 9999;

// "—" for no limit, "6 meses" under a year, "2 anos", "1 ano e 3 meses";
// from the years alone when the months are not stored (a database loaded
// before they were). Empty when neither is.
QString ageShown(const kdb::Value& months, const kdb::Value& years);

// Adds IDADE_MINIMA and IDADE_MAXIMA, the two limits as shown, to a record
// set of procedures.
void addAgeFields(kdata::RecordSet& procedures);

} // namespace korvane
