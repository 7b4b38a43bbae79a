#include "uFuncoes.h"

#include "db/ascii.h"

#include <array>

namespace korvane {
namespace {

struct FoldTables {
    std::array<unsigned char, 256> fold{};
    std::array<unsigned char, 256> foldUpper{};

    constexpr FoldTables()
    {
        for (int b = 0; b < 256; ++b) fold[b] = static_cast<unsigned char>(b);
        auto span = [this](int from, int to, char letter) {
            for (int b = from; b <= to; ++b) fold[b] = static_cast<unsigned char>(letter);
        };
        span(0xC0, 0xC4, 'A');
        span(0xC7, 0xC7, 'C');
        span(0xC8, 0xCB, 'E');
        span(0xCC, 0xCF, 'I');
        span(0xD1, 0xD1, 'N');
        span(0xD2, 0xD6, 'O');
        span(0xD9, 0xDC, 'U');
        span(0xE0, 0xE4, 'a');
        span(0xE7, 0xE7, 'c');
        span(0xE8, 0xEB, 'e');
        span(0xEC, 0xEF, 'i');
        span(0xF1, 0xF1, 'n');
        span(0xF2, 0xF6, 'o');
        span(0xF9, 0xFC, 'u');
        for (int b = 0; b < 256; ++b) {
            foldUpper[b] = static_cast<unsigned char>(kdb::upperAscii(static_cast<char>(fold[b])));
        }
    }
};

constexpr FoldTables kTables;

} // namespace

void foldAccentsInPlace(char* begin, char* end)
{
    for (char* p = begin; p != end; ++p) *p = static_cast<char>(kTables.fold[static_cast<unsigned char>(*p)]);
}

void foldAccentsUpperInPlace(char* begin, char* end)
{
    for (char* p = begin; p != end; ++p) *p = static_cast<char>(kTables.foldUpper[static_cast<unsigned char>(*p)]);
}

std::string FoldAccents(std::string_view text)
{
    std::string out(text);
    foldAccentsInPlace(out.data(), out.data() + out.size());
    return out;
}

std::string ZeroPad(std::int32_t value, int width)
{
    std::string digits = std::to_string(value);
    char fill = '0';
    if (digits.size() > static_cast<std::size_t>(width < 0 ? 0 : width)) {
        digits.clear();
        fill = '*';
    }
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), fill);
    return digits;
}

} // namespace korvane
