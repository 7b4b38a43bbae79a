#pragma once
// Text crosses from stored bytes (Windows-1252) to QString once, here.

#include <QString>

#include <string>
#include <string_view>

namespace korvane {

QString fromWin1252(std::string_view bytes);
// Characters outside Windows-1252 become '?'.
std::string toWin1252(const QString& text);

// Removes bytes of value 0x20 or less at both ends (blanks and control
// characters), as every trimming of the program does.
std::string_view trimmed(std::string_view s);
std::string trimmedCopy(std::string_view s);
// The same for what the user typed.
QString trimmedText(const QString& s);

} // namespace korvane
