#include "layout.h"

#include "connection.h"
#include "datasetvisit.h"

#include "core/money.h"
#include "core/text.h"

#include <QFontMetricsF>

#include <map>
#include <memory>
#include <stdexcept>

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

namespace {

// Where "{pages}" goes until the page count is known.
const QChar kPagesMark(0xE000);

[[noreturn]] void failAt(const QString& file, int line, const QString& message)
{
    throw std::runtime_error(
        QStringLiteral("Report project \"%1\", line %2: %3").arg(file).arg(line).arg(message).toStdString());
}

// A band made ready for placing: its drawing relative to its top-left
// corner and the height it takes.
struct PreparedBand {
    double height = 0;
    std::vector<DrawOp> ops;
    struct Deferred {
        const Item* item;
        QString text;
    };
    std::vector<Deferred> deferred;
};

class Layout {
public:
    Layout(const ReportDef& report, const QString& file, const QLocale& locale, const QDateTime& printedAt)
        : r_(report), file_(file), locale_(locale)
    {
        doc_.title = report.title;
        doc_.pageSize = report.pageSize;
        doc_.orientation = report.orientation;
        doc_.printedAt = printedAt;
        const QSizeF size = QPageSize(report.pageSize).size(QPageSize::Millimeter);
        doc_.paperMm = report.orientation == QPageLayout::Landscape ? size.transposed() : size;
        contentWidth_ = doc_.paperMm.width() - report.marginLeft - report.marginRight;
        date_ = locale.toString(printedAt.date(), QLocale::ShortFormat);
        time_ = locale.toString(printedAt.time(), QStringLiteral("HH:mm"));
    }

    Document run();

private:
    // Connections.
    void visitConnections();
    void collect(const Template& t, int line, std::vector<std::pair<QString, int>>& names) const;
    void checkFields(const Template& t, int line) const;
    kdata::RecordSet& set(const QString& connection) const;

    // Text.
    // For a filter, quotes in field values are doubled so that they stay text.
    QString expand(const Template& t, bool forFilter = false) const;
    QString fieldText(const TemplatePart& p) const;
    int fontIndex(const Style& style);
    int fontIndex(const Item& item);
    void emitText(const Item& item, const QString& text, std::vector<DrawOp>& out, double& bottom);

    // Bands and pages.
    PreparedBand prepare(const Band& band, bool shaded = false);
    void place(const PreparedBand& band);
    void placeNew(const Band* band) { if (band) place(prepare(*band)); }
    void keepTogether(double height);
    void startPage();
    void finishPage();
    void resolveDeferred();

    const ReportDef& r_;
    QString file_;
    QLocale locale_;
    Document doc_;
    QString date_, time_;
    double contentWidth_ = 0;

    std::vector<std::unique_ptr<DataSetVisit>> visits_;
    std::map<QString, DataSetVisit*> byName_;   // upper-case names

    std::map<QString, int> fonts_;
    std::map<const Item*, int> itemFonts_;
    std::vector<QFontMetricsF> metrics_;

    bool pageOpen_ = false;
    double y_ = 0;
    double bodyBottom_ = 0;
    bool bodyHasContent_ = false;
    const Section* section_ = nullptr;   // whose column header repeats
    const Section* running_ = nullptr;   // whose rows {count} counts
    long count_ = 0;                      // detail rows of the section so far
    long total_ = 0;                      // of the whole report

    struct PageDeferred {
        int page;
        QPointF origin;
        const Item* item;
        QString text;
    };
    std::vector<PageDeferred> deferred_;
};

// --- connections -------------------------------------------------------------

void Layout::collect(const Template& t, int line, std::vector<std::pair<QString, int>>& names) const
{
    for (const TemplatePart& p : t.parts)
        if (p.kind == TemplatePart::Kind::Field) names.emplace_back(p.connection, line);
}

void Layout::visitConnections()
{
    // Every connection the report reads, in the order it first names them.
    std::vector<std::pair<QString, int>> names;
    auto bands = [&](const std::vector<Band>& list) {
        for (const Band& b : list) {
            for (const Item& i : b.items) collect(i.text, i.line, names);
        }
    };
    bands(r_.bands);
    for (const Section& s : r_.sections) {
        names.emplace_back(s.connection, s.line);
        collect(s.filter, s.line, names);
        bands(s.bands);
    }
    for (const auto& [name, line] : names) {
        const QString key = name.toUpper();
        if (byName_.count(key)) continue;
        TRvDataSetConnection* c = findConnection(name);
        if (!c) failAt(file_, line, QStringLiteral("there is no data connection named \"%1\"").arg(name));
        if (!c->dataSet()) failAt(file_, line, QStringLiteral("the data connection \"%1\" has no data set").arg(name));
        visits_.push_back(std::make_unique<DataSetVisit>(*c->dataSet()));
        byName_[key] = visits_.back().get();
    }
    auto checkBands = [&](const std::vector<Band>& list, const Section* s) {
        for (const Band& b : list) {
            for (const Item& i : b.items) checkFields(i.text, i.line);
            if (!b.groupField.isEmpty() && s && !set(s->connection).hasField(b.groupField))
                failAt(file_, b.line,
                       QStringLiteral("the data connection \"%1\" has no field \"%2\"").arg(s->connection, b.groupField));
        }
    };
    checkBands(r_.bands, nullptr);
    for (const Section& s : r_.sections) {
        checkFields(s.filter, s.line);
        checkBands(s.bands, &s);
    }
}

void Layout::checkFields(const Template& t, int line) const
{
    for (const TemplatePart& p : t.parts)
        if (p.kind == TemplatePart::Kind::Field && !set(p.connection).hasField(p.field))
            failAt(file_, line, QStringLiteral("the data connection \"%1\" has no field \"%2\"").arg(p.connection, p.field));
}

kdata::RecordSet& Layout::set(const QString& connection) const
{
    return byName_.at(connection.toUpper())->set();
}

// --- text ----------------------------------------------------------------------

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

// --- bands and pages -----------------------------------------------------------

PreparedBand Layout::prepare(const Band& band, bool shaded)
{
    PreparedBand p;
    std::vector<DrawOp> ops;
    double bottom = band.height;
    std::vector<std::size_t> stretched;
    for (const Item& item : band.items) {
        switch (item.kind) {
        case Item::Kind::Text:
        case Item::Kind::Field: {
            const QString text = expand(item.text);
            if (text.contains(kPagesMark)) {
                p.deferred.push_back({&item, text});
                bottom = std::max(bottom, item.y + item.h);
            } else {
                emitText(item, text, ops, bottom);
            }
            break;
        }
        case Item::Kind::Line:
            if (item.stretch) stretched.push_back(ops.size());
            ops.push_back(LineOp{QPointF(item.x, item.y), QPointF(item.x + item.w, item.y + item.h), item.penWidth,
                                 item.penColor});
            break;
        case Item::Kind::Box:
            if (item.stretch) stretched.push_back(ops.size());
            ops.push_back(BoxOp{QRectF(item.x, item.y, item.w, item.h), item.penWidth, item.penColor, item.fill});
            bottom = std::max(bottom, item.y + item.h);
            break;
        }
    }
    // A grown band keeps a little air under its last line.
    p.height = bottom > band.height ? bottom + 0.4 : band.height;
    const double grown = p.height - band.height;
    for (std::size_t i : stretched) {
        if (auto* l = std::get_if<LineOp>(&ops[i])) l->to.ry() += grown;
        else if (auto* b = std::get_if<BoxOp>(&ops[i])) b->rect.setHeight(b->rect.height() + grown);
    }
    if (shaded && band.stripe.isValid()) p.ops.push_back(BoxOp{QRectF(0, 0, contentWidth_, p.height), 0, {}, band.stripe});
    p.ops.insert(p.ops.end(), ops.begin(), ops.end());
    if (band.rule.isValid())
        p.ops.push_back(LineOp{QPointF(0, p.height), QPointF(contentWidth_, p.height), band.ruleWidth, band.rule});
    return p;
}

void translate(DrawOp& op, QPointF by)
{
    std::visit(
        [&](auto& o) {
            using T = std::decay_t<decltype(o)>;
            if constexpr (std::is_same_v<T, LineOp>) {
                o.from += by;
                o.to += by;
            } else {
                o.rect.translate(by);
                if constexpr (std::is_same_v<T, TextOp>) o.baseline += by;
            }
        },
        op);
}

void Layout::keepTogether(double height)
{
    if (bodyHasContent_ && y_ + height > bodyBottom_ + 1e-6) startPage();
}

void Layout::place(const PreparedBand& band)
{
    keepTogether(band.height);
    const QPointF origin(r_.marginLeft, y_);
    Page& page = doc_.pages.back();
    for (DrawOp op : band.ops) {
        translate(op, origin);
        page.ops.push_back(std::move(op));
    }
    for (const auto& d : band.deferred) deferred_.push_back({doc_.pageCount() - 1, origin, d.item, d.text});
    y_ += band.height;
    bodyHasContent_ = true;
}

void Layout::startPage()
{
    if (pageOpen_) finishPage();
    doc_.pages.emplace_back();
    pageOpen_ = true;
    y_ = r_.marginTop;
    const Band* footer = r_.band(Band::Kind::PageFooter);
    bodyBottom_ = doc_.paperMm.height() - r_.marginBottom - (footer ? footer->height : 0);
    placeNew(r_.band(Band::Kind::PageHeader));
    if (doc_.pageCount() == 1) placeNew(r_.band(Band::Kind::Title));
    if (section_) placeNew(section_->band(Band::Kind::ColumnHeader));
    // What repeats at the top is no content: a band too tall for an empty
    // page is placed there anyway instead of breaking again and again.
    bodyHasContent_ = false;
}

void Layout::finishPage()
{
    if (const Band* footer = r_.band(Band::Kind::PageFooter)) {
        y_ = doc_.paperMm.height() - r_.marginBottom - footer->height;
        const bool had = bodyHasContent_;
        bodyHasContent_ = false;   // the footer always goes on its own page
        place(prepare(*footer));
        bodyHasContent_ = had;
    }
    pageOpen_ = false;
}

void Layout::resolveDeferred()
{
    const QString pages = QString::number(doc_.pageCount());
    for (const PageDeferred& d : deferred_) {
        std::vector<DrawOp> ops;
        double bottom = 0;
        QString text = d.text;
        text.replace(kPagesMark, pages);
        emitText(*d.item, text, ops, bottom);
        Page& page = doc_.pages[static_cast<std::size_t>(d.page)];
        for (DrawOp& op : ops) {
            translate(op, d.origin);
            page.ops.push_back(std::move(op));
        }
    }
}

// Text of a group's key field in the row given.
QString groupKey(const kdata::RecordSet& s, std::size_t row, const Band& band)
{
    QString key = s.displayText(row, band.groupField);
    return band.groupLength > 0 ? key.left(band.groupLength) : key;
}

Document Layout::run()
{
    visitConnections();
    startPage();
    for (const Section& sec : r_.sections) {
        kdata::RecordSet& s = set(sec.connection);
        DataSetVisit& visit = *byName_.at(sec.connection.toUpper());
        if (!sec.filter.isEmpty()) visit.setFilter(expand(sec.filter, true));
        else visit.clearFilter();
        if (sec.skipEmpty && s.isEmpty()) continue;
        if (sec.newPage && bodyHasContent_) startPage();
        count_ = 0;
        running_ = &sec;

        const Band* title = sec.band(Band::Kind::Title);
        const Band* header = sec.band(Band::Kind::ColumnHeader);
        const Band* groupHeader = sec.band(Band::Kind::GroupHeader);
        const Band* groupFooter = sec.band(Band::Kind::GroupFooter);
        const Band* detail = sec.band(Band::Kind::Detail);
        const Band* summary = sec.band(Band::Kind::Summary);
        const Band* noData = sec.band(Band::Kind::NoData);

        // A heading never stays alone at the foot of a page: it goes with
        // the first row under it.
        double opening = 0;
        std::optional<PreparedBand> titleBand, headerBand;
        if (title) opening += (titleBand = prepare(*title))->height;
        if (header) opening += (headerBand = prepare(*header))->height;
        if (s.isEmpty()) {
            if (noData) opening += prepare(*noData).height;
        } else {
            if (groupHeader) opening += prepare(*groupHeader).height;
            opening += prepare(*detail, false).height;
        }
        keepTogether(opening);
        if (titleBand) place(*titleBand);
        section_ = &sec;
        if (headerBand) place(*headerBand);

        if (s.isEmpty()) {
            placeNew(noData);
        } else {
            QString key;
            bool inGroup = false;
            for (;;) {
                const std::size_t row = static_cast<std::size_t>(s.currentRow());
                if (groupHeader && (!inGroup || groupKey(s, row, *groupHeader) != key)) {
                    key = groupKey(s, row, *groupHeader);
                    PreparedBand gh = prepare(*groupHeader);
                    keepTogether(gh.height + prepare(*detail).height);
                    place(gh);
                    inGroup = true;
                }
                ++count_;
                ++total_;
                const PreparedBand band = prepare(*detail, count_ % 2 == 0);
                // Fetch the next row before deciding whether a group ends.
                if (row + 1 >= s.recordCount() && !s.allFetched()) s.fetchMore(64);
                const bool more = row + 1 < s.recordCount();
                const bool groupEnds =
                    groupFooter && (!more || groupKey(s, row + 1, *groupFooter) != groupKey(s, row, *groupFooter));
                // Nor does a summary or a group footer stand alone at the top
                // of a page: the last row goes over with it.
                double closing = groupEnds ? prepare(*groupFooter).height : 0;
                if (!more && summary) closing += prepare(*summary).height;
                if (closing > 0) keepTogether(band.height + closing);
                place(band);
                if (groupEnds) placeNew(groupFooter);
                if (!more || !s.next()) break;
            }
        }
        section_ = nullptr;
        placeNew(summary);
        running_ = nullptr;
    }
    placeNew(r_.band(Band::Kind::Summary));
    finishPage();
    resolveDeferred();
    visits_.clear();   // hands the data sets back before anyone sees the pages
    return std::move(doc_);
}

} // namespace

Document layOut(const ReportDef& report, const QString& projectFile, const QLocale& locale, const QDateTime& printedAt)
{
    return Layout(report, projectFile, locale, printedAt).run();
}

} // namespace kreports
