#include "releasetext.h"

#include "core/text.h"

#include <array>
#include <cstdio>
#include <stdexcept>

namespace korvane {
namespace {

bool isBreak(char c) { return c == '\r' || c == '\n'; }
bool isPadding(char c) { return static_cast<unsigned char>(c) <= 0x20; }

[[noreturn]] void fail(const std::string& path, std::string_view content, std::size_t pos, const std::string& what)
{
    throw std::runtime_error("Arquivo \"" + path + "\", linha " + std::to_string(lineAt(content, pos)) + ": " + what);
}

// The length of the well-formed UTF-8 sequence at i and its code point; 0
// when the bytes there are no such sequence (Unicode's table 3-7).
std::size_t sequenceAt(std::string_view s, std::size_t i, char32_t& cp)
{
    const auto at = [&](std::size_t k) { return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u; };
    const unsigned lead = at(0);
    std::size_t n = 0;
    unsigned lo = 0x80, hi = 0xBF;   // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) n = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;   // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    cp = lead & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned b = at(k);
        if (b < (k == 1 ? lo : 0x80u) || b > (k == 1 ? hi : 0xBFu)) return 0;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    return n;
}

// The Windows-1252 byte of a character, as korvane::fromWin1252 reads it
// back; -1 when there is none.
int win1252Byte(char32_t cp)
{
    static const std::array<char16_t, 32> high = [] {
        std::array<char16_t, 32> h{};
        std::string bytes;
        for (int b = 0x80; b < 0xA0; ++b) bytes.push_back(static_cast<char>(b));
        const QString text = fromWin1252(bytes);
        for (std::size_t i = 0; i < h.size(); ++i) h[i] = text.at(static_cast<qsizetype>(i)).unicode();
        return h;
    }();
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (std::size_t i = 0; i < high.size(); ++i)
        if (high[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

} // namespace

std::size_t lineAt(std::string_view content, std::size_t pos)
{
    std::size_t i = 0;
    while (i < pos && isPadding(content[i])) ++i;   // the records start after the leading trim
    std::size_t line = 1;
    for (; i < pos; ++i) {
        if (!isBreak(content[i])) continue;
        if (content[i] == '\r' && i + 1 < pos && content[i + 1] == '\n') ++i;
        ++line;
    }
    return line;
}

void dropWhatFollowsTheEnd(std::string& content, const std::string& path)
{
    const std::size_t nul = content.find('\0');
    if (nul == std::string::npos) return;
    std::string_view tail(content);
    tail.remove_prefix(nul);
    while (!tail.empty() && isPadding(tail.back())) tail.remove_suffix(1);
    if (tail.find_first_of("\r\n") != std::string_view::npos)
        fail(path, content, nul, "um byte NUL no meio do arquivo, com mais linhas depois dele: o arquivo está "
                                 "cortado ou danificado; obtenha-o de novo");
    content.resize(nul);
}

bool convertFromUtf8(std::string& content, const std::string& path)
{
    const bool marked = content.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (marked) content.erase(0, 3);
    bool sequences = false;
    char32_t cp = 0;
    for (std::size_t i = 0; i < content.size();) {
        if (static_cast<unsigned char>(content[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = sequenceAt(content, i, cp);
        if (n == 0) {
            if (marked) fail(path, content, i, "começa com a marca de UTF-8, mas não é UTF-8 válido");
            return false;
        }
        sequences = true;
        i += n;
    }
    if (!sequences) return marked;
    std::size_t out = 0;
    for (std::size_t i = 0; i < content.size();) {
        const std::size_t n = static_cast<unsigned char>(content[i]) < 0x80 ? 1 : sequenceAt(content, i, cp);
        if (n == 1) {
            content[out++] = content[i++];
            continue;
        }
        const int b = win1252Byte(cp);
        if (b < 0) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
            // The line breaks before out are those of the file, converted or not.
            fail(path, content, out,
                 "o arquivo está em UTF-8 e o caractere '" + content.substr(i, n) + "' (" + code +
                     ") não existe em Windows-1252; use os arquivos como o DATASUS os publica");
        }
        content[out++] = static_cast<char>(b);
        i += n;
    }
    content.resize(out);
    return true;
}

} // namespace korvane
