#include "rowbuilder.h"

#include "core/text.h"
#include "update/uFuncoes.h"

#include <QString>

#include <charconv>
#include <cstring>

namespace korvane {
namespace {

std::string_view cut(std::string_view line, FieldCut c)
{
    if (c.offset >= line.size()) return {};
    return line.substr(c.offset, c.length);
}

// A text longer than its column would be stored cut: a name a clerk reads
// differs from the release's. The run stops there instead.
void checkWidth(std::size_t size, std::uint16_t width, const char* column)
{
    if (width != 0 && size > width)
        throw RowError("a text of " + std::to_string(size) + " characters does not fit field '" + column + "' (" +
                       std::to_string(width) + ")");
}

// Release bytes inside our messages travel as UTF-8 like the rest of the
// text; control bytes (a NUL would end the message) show as '?'.
std::string shown(std::string_view releaseBytes)
{
    std::string bytes(releaseBytes);
    for (char& c : bytes)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    return fromWin1252(bytes).toStdString();
}

// A decimal integer with an optional sign, in the 32-bit range.
bool parseInteger(std::string_view s, std::int64_t& out)
{
    if (s.empty()) return false;
    std::size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
    if (i == s.size()) return false;
    std::int64_t v = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
        if (v > 2147483648LL) return false;
    }
    if (s[0] == '-') v = -v;
    if (v > 2147483647LL) return false;
    out = v;
    return true;
}

// Hundredths, read as a number: digits with an optional sign and point.
bool parseMoney(std::string_view s, kdb::Decimal& out)
{
    const std::optional<kdb::Decimal> d = kdb::Decimal::parse(s);
    if (!d) return false;
    try {
        // Four decimals, divided by 100 and kept to four, then the column's two.
        const kdb::Decimal four = d->rescaled(4);
        const kdb::Decimal quotient = kdb::Decimal(four.units(), 6).rescaled(4);
        out = quotient.rescaled(2);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace

std::int64_t monthsToYears(std::int64_t months)
{
    return months >= 0 ? (months + 6) / 12 : -((-months + 6) / 12);
}

RowBuilder::RowBuilder(const ResolvedLayout& resolved) : layout_(resolved.layout)
{
    const TableLayout& l = *layout_;
    values_.resize(l.insertColumns.size());
    std::vector<bool> named(l.insertColumns.size(), false);
    for (std::size_t i = 0; i < l.fields.size(); ++i) {
        const FieldSpec& f = l.fields[i];
        Op op{resolved.cuts[i], f.treatment, f.width, f.required, l.insertIndex(f.column), -1, f.column};
        if (op.param < 0) throw std::logic_error(std::string("column ") + f.column + " is not inserted");
        named[static_cast<std::size_t>(op.param)] = true;
        if (f.prefixColumn) {
            op.prefixParam = l.insertIndex(f.prefixColumn);
            bool before = false;
            for (const Op& o : ops_) before = before || o.param == op.prefixParam;
            if (!before) throw std::logic_error(std::string("prefix ") + f.prefixColumn + " comes after its use");
        }
        if (f.treatment == Treatment::Age) (ageMin_ < 0 ? ageMin_ : ageMax_) = op.param;
        ops_.push_back(op);
    }
    for (std::size_t i = 0; i < named.size(); ++i)
        if (!named[i]) unnamed_.push_back(static_cast<int>(i));
    if (ageMin_ >= 0) procCode_ = l.insertIndex("PROC_COD");
    competenciaOffset_ = resolved.competenciaOffset;
}

void RowBuilder::integerField(const Op& op, std::string_view text)
{
    kdb::Value& v = values_[static_cast<std::size_t>(op.param)];
    if (text.empty()) {
        v = kdb::Value();
        return;
    }
    std::int64_t n = 0;
    if (!parseInteger(text, n))
        throw RowError("'" + shown(text) + "' is not a valid integer value for field '" + op.column + "'");
    v = kdb::Value(n);
}

void RowBuilder::build(std::string_view line)
{
    for (int i : unnamed_) values_[static_cast<std::size_t>(i)] = kdb::Value();
    for (const Op& op : ops_) {
        kdb::Value& v = values_[static_cast<std::size_t>(op.param)];
        const std::string_view text = trimmed(cut(line, op.cut));
        switch (op.treatment) {
        case Treatment::CodeText:
        case Treatment::NameText:
        case Treatment::UpperNameText: {
            // Folding never makes or removes a byte <= 0x20, so trimming
            // first gives the same text as folding first.
            if (op.prefixParam >= 0) {
                const kdb::Value& code = values_[static_cast<std::size_t>(op.prefixParam)];
                const std::string& prefix = code.isNull() ? std::string() : code.asText();
                v.setText(prefix);
                std::string& s = v.textRef();
                s.append(" - ");
                const std::size_t nameAt = s.size();
                s.append(text);
                foldAccentsInPlace(s.data() + nameAt, s.data() + s.size());
                checkWidth(s.size(), op.width, op.column);
                break;
            }
            checkWidth(text.size(), op.width, op.column);
            const std::string_view stored = text;
            if (stored.empty()) {
                v = kdb::Value();
                break;
            }
            v.setText(stored);
            std::string& s = v.textRef();
            if (op.treatment == Treatment::NameText) foldAccentsInPlace(s.data(), s.data() + s.size());
            else if (op.treatment == Treatment::UpperNameText) foldAccentsUpperInPlace(s.data(), s.data() + s.size());
            break;
        }
        case Treatment::Integer:
        case Treatment::Age: integerField(op, text); break;
        case Treatment::Money: {
            kdb::Decimal d(0, 2);
            if (!text.empty() && !parseMoney(text, d))
                throw RowError("'" + shown(text) + "' is not a valid floating point value for field '" + op.column +
                               "'");
            v = kdb::Value(d);
            break;
        }
        case Treatment::TwoDigitCode: {
            std::int64_t n = 0;
            if (!parseInteger(text, n)) throw RowError("'" + shown(text) + "' is not a valid integer value");
            char buf[16];
            const std::string padded = ZeroPad(static_cast<std::int32_t>(n), 2);
            const std::size_t len = std::min<std::size_t>(padded.size(), op.width ? op.width : padded.size());
            std::memcpy(buf, padded.data(), len);
            v.setText(std::string_view(buf, len));
            break;
        }
        }
    }
    if (ageMin_ >= 0) {
        kdb::Value& lo = values_[static_cast<std::size_t>(ageMin_)];
        kdb::Value& hi = values_[static_cast<std::size_t>(ageMax_)];
        const kdb::Value& code = values_[static_cast<std::size_t>(procCode_)];
        if (!code.isNull() && code.asText().compare(0, 2, "07") == 0 && code.asText().size() >= 2) {
            lo = kdb::Value(std::int64_t{0});
            hi = kdb::Value(std::int64_t{130});
        } else {
            lo = kdb::Value(monthsToYears(lo.isNull() ? 0 : lo.asInteger()));
            hi = kdb::Value(monthsToYears(hi.isNull() ? 0 : hi.asInteger()));
        }
    }
    for (const Op& op : ops_)
        if (op.required && values_[static_cast<std::size_t>(op.param)].isNull())
            throw RowError(std::string("Field '") + op.column + "' must have a value");
}

std::string RowBuilder::competencia(std::string_view line) const
{
    const std::string_view year = trimmed(cut(line, {competenciaOffset_, 4}));
    const std::string_view month = trimmed(cut(line, {competenciaOffset_ + 4, 2}));
    std::string r(month);
    r.push_back('/');
    r.append(year);
    return r;
}

} // namespace korvane
