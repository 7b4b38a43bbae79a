#pragma once
// Text functions the release loader applies to fields of the SIGTAP files.
// Both work on single-byte Windows-1252 text: one byte is one character.

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

// Accented Latin letters become their plain letter, case kept; every other
// byte passes unchanged. The result has the length of the text.
std::string FoldAccents(std::string_view text);

// The value in decimal, padded on the left with zeros to width; the width
// in asterisks when the digits do not fit. A sign gets no special place:
// -5 to width 3 is "0-5".
std::string ZeroPad(std::int32_t value, int width);

// FoldAccents in place; the second also raises a-z to A-Z (only those 26
// letters).
void foldAccentsInPlace(char* begin, char* end);
void foldAccentsUpperInPlace(char* begin, char* end);

} // namespace korvane
