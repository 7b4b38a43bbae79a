#pragma once
// What a person typed into a search box, read the way every search reads
// it: accents and case do not matter, every word must be found in any
// order, and a code may be typed as it is printed ("03.01.01.007-2",
// "J18.9").

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct SearchText {
    std::string trimmed;              // as typed, Windows-1252, trimmed
    std::string code;                 // as a code: a printed code without its separators
    std::vector<std::string> words;   // folded, in capitals, in the order typed

    static SearchText parse(const QString& typed);
    static SearchText parse(std::string_view typedBytes);
};

// Accents folded and letters in capitals (the plain ASCII ones and the
// Latin-1 ones no fold takes away), so that names compare as a person reads
// them.
std::string searchFolded(std::string_view text);

// Every word inside the folded name; no words is true.
bool holdsEveryWord(std::string_view foldedName, const std::vector<std::string>& words);

// A code of a CHAR column holds the text as the engine's "containing" sees
// it: in capitals, the code padded with blanks to its width.
bool codeHolds(std::string_view code, std::size_t width, std::string_view text);

} // namespace korvane
