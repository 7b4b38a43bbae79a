#include "searchtext.h"

#include "core/text.h"
#include "update/uFuncoes.h"

#include <algorithm>

namespace korvane {
namespace {

bool isSeparator(char c) { return c == '.' || c == '-' || c == '/'; }

bool isCodeChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || isSeparator(c);
}

// A code as printed: letters and digits with at least one of the
// separators of a printed code, and no blank.
std::string asCode(const std::string& t)
{
    const bool printed = std::any_of(t.begin(), t.end(), isSeparator) && std::all_of(t.begin(), t.end(), isCodeChar);
    if (!printed) return t;
    std::string code;
    for (char c : t)
        if (!isSeparator(c)) code.push_back(c);
    return code;
}

char capital(char c)
{
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 'a' + 'A');
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
    return c;
}

} // namespace

std::string searchFolded(std::string_view text)
{
    std::string out(text);
    foldAccentsUpperInPlace(out.data(), out.data() + out.size());
    for (char& c : out) c = capital(c);
    return out;
}

SearchText SearchText::parse(std::string_view typedBytes)
{
    SearchText s;
    s.trimmed = trimmedCopy(typedBytes);
    s.code = asCode(s.trimmed);
    const std::string folded = searchFolded(s.trimmed);
    std::size_t i = 0;
    while (i < folded.size()) {
        while (i < folded.size() && static_cast<unsigned char>(folded[i]) <= 0x20) ++i;
        std::size_t j = i;
        while (j < folded.size() && static_cast<unsigned char>(folded[j]) > 0x20) ++j;
        if (j > i) s.words.push_back(folded.substr(i, j - i));
        i = j;
    }
    return s;
}

SearchText SearchText::parse(const QString& typed) { return parse(toWin1252(typed)); }

bool holdsEveryWord(std::string_view foldedName, const std::vector<std::string>& words)
{
    return std::all_of(words.begin(), words.end(),
                       [&](const std::string& w) { return foldedName.find(w) != std::string_view::npos; });
}

bool codeHolds(std::string_view code, std::size_t width, std::string_view text)
{
    if (text.size() > width) return false;
    std::string padded = searchFolded(code);
    if (padded.size() < width) padded.resize(width, ' ');
    return padded.find(searchFolded(text)) != std::string::npos;
}

} // namespace korvane
