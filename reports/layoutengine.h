#pragma once
// The banded layout's working state, for layout*.cpp: one run of one report
// over its connections, page by page.

#include "datasetvisit.h"
#include "definition.h"
#include "document.h"

#include <QFontMetricsF>
#include <QLocale>

#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace kreports::layout {

// Where "{pages}" goes until the page count is known.
inline const QChar kPagesMark(0xE000);

[[noreturn]] inline void failAt(const QString& file, int line, const QString& message)
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
    void runSection(const Section& section);
    void placeRows(const Section& section, kdata::RecordSet& set);

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

} // namespace kreports::layout
