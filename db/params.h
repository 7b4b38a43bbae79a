#pragma once
// Named parameters (":name") turned into the engine's positional markers.

#include <string>
#include <string_view>
#include <vector>

namespace kdb {

struct ParsedSql {
    std::string positional;          // the text with each :name replaced by '?'
    std::vector<std::string> names;  // upper-cased name of each marker, in order
};

// Names are letters, digits, '_' and '$', starting with a letter or '_'.
// Quoted literals ('...', with '' inside), quoted identifiers ("...") and
// comments (-- to end of line, /* ... */) are copied unchanged. A doubled
// colon writes one colon and no marker: "::x" is the variable x of an
// execute block's body.
ParsedSql parseNamedParams(std::string_view sql);

} // namespace kdb
