// The text of a laid-out report: numbers in their display formats, fields
// and templates expanded, fonts, and text cut or wrapped to its box.

#include "layout.h"
#include "layoutengine.h"

#include "core/money.h"
#include "core/text.h"

namespace kreports {

QString formatNumber(const kdb::Decimal& value, const NumberFormat& format, const QLocale& locale)
{
    if (format.grouped && format.decimals == 2) return korvane::formatMoney(value, locale);
    const std::int64_t units = value.rescaled(0).units();
    const QString digits = QString::number(units < 0 ? -units : units);
    QString out = format.grouped ? korvane::groupThousands(digits, locale) : digits;
    if (units < 0) out.prepend(locale.negativeSign());
    return out;
}

namespace layout {

QString Layout::fieldText(const TemplatePart& p) const
{
    const kdata::RecordSet& s = set(p.connection);
    if (s.currentRow() < 0) return {};
    if (p.format) {
        const kdb::Value v = s.field(p.field);
        if (v.kind() == kdb::Value::Kind::Integer || v.kind() == kdb::Value::Kind::Fixed)
            return formatNumber(v.asDecimal(), *p.format, locale_);
        return korvane::fromWin1252(korvane::trimmed(v.toString()));
    }
    return korvane::trimmedText(s.currentText(p.field));
}

QString Layout::expand(const Template& t, bool forFilter) const
{
    QString out;
    for (const TemplatePart& p : t.parts) {
        switch (p.kind) {
        case TemplatePart::Kind::Literal: out += p.text; break;
        case TemplatePart::Kind::Field:
            out += forFilter ? fieldText(p).replace(u'\'', QStringLiteral("''")) : fieldText(p);
            break;
        case TemplatePart::Kind::Page: out += QString::number(doc_.pageCount()); break;
        case TemplatePart::Kind::Pages: out += kPagesMark; break;
        case TemplatePart::Kind::Date: out += date_; break;
        case TemplatePart::Kind::Time: out += time_; break;
        case TemplatePart::Kind::Count: out += locale_.toString(running_ ? count_ : total_); break;
        }
    }
    return out;
}

int Layout::fontIndex(const Style& style)
{
    const QString key = QStringLiteral("%1|%2|%3|%4").arg(style.family).arg(style.size).arg(style.bold).arg(style.italic);
    if (const auto it = fonts_.find(key); it != fonts_.end()) return it->second;
    QFont f(style.family);
    f.setPixelSize(qRound(style.size * 25.4 / 72.0 * kUnitsPerMm));
    f.setBold(style.bold);
    f.setItalic(style.italic);
    // Metrics taken once must hold on the screen, the PDF and the printer.
    f.setHintingPreference(QFont::PreferNoHinting);
    doc_.fonts.push_back(f);
    metrics_.emplace_back(f);
    const int index = static_cast<int>(doc_.fonts.size()) - 1;
    fonts_[key] = index;
    return index;
}

int Layout::fontIndex(const Item& item)
{
    if (const auto it = itemFonts_.find(&item); it != itemFonts_.end()) return it->second;
    return itemFonts_[&item] = fontIndex(item.style);
}

namespace {

// Breaks text into lines no wider than `width` (font units), at blanks, and
// inside a word only when the word alone is too wide.
QStringList wrapText(const QString& text, const QFontMetricsF& fm, double width)
{
    if (fm.horizontalAdvance(text) <= width) return {text};
    QStringList lines;
    QString line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString candidate = line.isEmpty() ? word : line + u' ' + word;
        if (fm.horizontalAdvance(candidate) <= width) {
            line = candidate;
            continue;
        }
        if (!line.isEmpty()) lines << line;
        line.clear();
        QString rest = word;
        while (fm.horizontalAdvance(rest) > width && rest.size() > 1) {
            qsizetype n = 1;
            while (n < rest.size() && fm.horizontalAdvance(rest.left(n + 1)) <= width) ++n;
            lines << rest.left(n);
            rest = rest.mid(n);
        }
        line = rest;
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}

} // namespace

void Layout::emitText(const Item& item, const QString& rawText, std::vector<DrawOp>& out, double& bottom)
{
    // Blanks at the ends would push right-aligned text off its edge (an
    // empty field at the end of a template, CHAR padding).
    QString text = rawText.trimmed();
    if (!item.map.empty())
        if (const auto it = item.map.find(text); it != item.map.end()) text = it->second;
    if (text.isEmpty()) text = item.blank;
    const QRectF box(item.x, item.y, item.w, item.h);
    if (item.fill.isValid()) out.push_back(BoxOp{box, 0, {}, item.fill});
    bottom = std::max(bottom, box.bottom());
    if (text.isEmpty()) return;

    const int fi = fontIndex(item);
    const QFontMetricsF& fm = metrics_[static_cast<std::size_t>(fi)];
    const QRectF inner = box.adjusted(item.padding, 0, -item.padding, 0);
    const double width = inner.width() * kUnitsPerMm;
    auto line = [&](const QString& t, double advance, const QRectF& r) {
        const double w = advance / kUnitsPerMm;
        const double x = item.align == HAlign::Right ? r.right() - w
                         : item.align == HAlign::Center ? r.left() + (r.width() - w) / 2
                                                         : r.left();
        const double ascent = fm.ascent() / kUnitsPerMm, height = fm.height() / kUnitsPerMm;
        const double y = item.valign == VAlign::Top      ? r.top() + ascent
                         : item.valign == VAlign::Bottom ? r.bottom() - height + ascent
                                                         : r.top() + (r.height() - height) / 2 + ascent;
        out.push_back(TextOp{r, QPointF(x, y), fi, t, item.style.color});
    };

    if (!item.wrap) {
        double advance = fm.horizontalAdvance(text);
        if (advance > width) {
            text = fm.elidedText(text, Qt::ElideRight, width);
            advance = fm.horizontalAdvance(text);
        }
        line(text, advance, inner);
        return;
    }
    const QStringList lines = wrapText(text, fm, width);
    // The first line sits where a single line would, so that it stays level
    // with its neighbours; the others follow below and the band grows.
    const double lineHeight = fm.lineSpacing() / kUnitsPerMm;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRectF r = inner.translated(0, static_cast<double>(i) * lineHeight);
        line(lines[i], item.align == HAlign::Left ? 0 : fm.horizontalAdvance(lines[i]), r);
        bottom = std::max(bottom, r.bottom());
    }
}

} // namespace layout
} // namespace kreports
