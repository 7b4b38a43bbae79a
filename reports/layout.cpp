#include "layout.h"
#include "layoutengine.h"

#include "connection.h"

namespace kreports {
namespace layout {

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

namespace {

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

} // namespace

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

namespace {

// Text of a group's key field in the row given.
QString groupKey(const kdata::RecordSet& s, std::size_t row, const Band& band)
{
    QString key = s.displayText(row, band.groupField);
    return band.groupLength > 0 ? key.left(band.groupLength) : key;
}

} // namespace

Document Layout::run()
{
    visitConnections();
    startPage();
    for (const Section& sec : r_.sections) runSection(sec);
    placeNew(r_.band(Band::Kind::Summary));
    finishPage();
    resolveDeferred();
    visits_.clear();   // hands the data sets back before anyone sees the pages
    return std::move(doc_);
}

void Layout::runSection(const Section& sec)
{
    kdata::RecordSet& s = set(sec.connection);
    DataSetVisit& visit = *byName_.at(sec.connection.toUpper());
    if (!sec.filter.isEmpty()) visit.setFilter(expand(sec.filter, true));
    else visit.clearFilter();
    if (sec.skipEmpty && s.isEmpty()) return;
    if (sec.newPage && bodyHasContent_) startPage();
    count_ = 0;
    running_ = &sec;

    const Band* title = sec.band(Band::Kind::Title);
    const Band* header = sec.band(Band::Kind::ColumnHeader);
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
        if (const Band* groupHeader = sec.band(Band::Kind::GroupHeader)) opening += prepare(*groupHeader).height;
        opening += prepare(*sec.band(Band::Kind::Detail), false).height;
    }
    keepTogether(opening);
    if (titleBand) place(*titleBand);
    section_ = &sec;
    if (headerBand) place(*headerBand);

    if (s.isEmpty()) placeNew(noData);
    else placeRows(sec, s);
    section_ = nullptr;
    placeNew(sec.band(Band::Kind::Summary));
    running_ = nullptr;
}

// The detail rows of a section, with its group bands around them.
void Layout::placeRows(const Section& sec, kdata::RecordSet& s)
{
    const Band* groupHeader = sec.band(Band::Kind::GroupHeader);
    const Band* groupFooter = sec.band(Band::Kind::GroupFooter);
    const Band* detail = sec.band(Band::Kind::Detail);
    const Band* summary = sec.band(Band::Kind::Summary);
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

} // namespace layout

Document layOut(const ReportDef& report, const QString& projectFile, const QLocale& locale, const QDateTime& printedAt)
{
    return layout::Layout(report, projectFile, locale, printedAt).run();
}

} // namespace kreports
