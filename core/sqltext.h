#pragma once
// SQL text built at run time: a typed text goes in as a literal with its
// quotes doubled, so it is searched as typed and never changes the statement.

#include <string>
#include <string_view>

namespace korvane {

// 'text' with every ' inside doubled.
std::string sqlQuoted(std::string_view text);

// A statement stored as several lines, on one line: each line break, with
// the blanks before it, becomes one blank.
std::string oneLine(std::string_view sql);

} // namespace korvane
