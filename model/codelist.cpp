#include "codelist.h"

#include <QRegularExpression>

#include <optional>
#include <set>

namespace korvane {
namespace {

bool isMask(QChar c) { return c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('/'); }

// The piece as a code, or nothing when it is no code at all.
std::optional<GivenCode> asCode(const QString& piece)
{
    std::string digits;
    for (QChar c : piece) {
        if (c.isDigit() && c.unicode() < 128) digits.push_back(static_cast<char>(c.unicode()));
        else if (!isMask(c)) return std::nullopt;
    }
    if (digits.size() == 9) digits = "0" + digits;
    if (digits.size() == 10) return GivenCode{piece, digits};
    if (digits.size() >= 6) return GivenCode{piece, {}};
    return std::nullopt;
}

class Collector {
public:
    void piece(const QString& text)
    {
        const QString t = text.trimmed();
        if (t.isEmpty()) return;
        std::optional<GivenCode> c = asCode(t);
        if (!c) return;
        // A mistyped code is listed once for each way it was typed.
        const std::string key = c->code.empty() ? "?" + t.toStdString() : c->code;
        if (seen_.insert(key).second) out_.push_back(std::move(*c));
    }
    void text(const QString& text)
    {
        static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
        for (const QString& p : text.split(separators, Qt::SkipEmptyParts)) piece(p);
    }
    void cell(const QString& text)
    {
        // A value with a decimal comma is one number, not two pieces.
        static const QRegularExpression decimal(QStringLiteral("^-?[0-9.]*[0-9],[0-9]+$"));
        const QString t = text.trimmed();
        if (asCode(t)) piece(t);
        else if (!decimal.match(t).hasMatch()) this->text(t);
    }
    std::vector<GivenCode> take() { return std::move(out_); }

private:
    std::vector<GivenCode> out_;
    std::set<std::string> seen_;
};

} // namespace

std::vector<GivenCode> codesInText(const QString& text)
{
    Collector c;
    c.text(text);
    return c.take();
}

std::vector<GivenCode> codesInCells(const std::vector<std::vector<QString>>& rows)
{
    Collector c;
    for (const auto& row : rows)
        for (const QString& cell : row) c.cell(cell);
    return c.take();
}

} // namespace korvane
