#pragma once
// A report project as read from its file: reports made of bands, bands of
// items. Lengths are millimetres from the band's top-left corner (the page's
// for page bands' margins), font sizes points. FORMAT.md describes the file.

#include <QColor>
#include <QPageLayout>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace kreports {

// A display pattern for numbers: ",0.00" groups thousands and keeps two
// decimals; ",0" and "0" show whole numbers. Text values pass unchanged.
struct NumberFormat {
    bool grouped = false;
    int decimals = 0;
};

// One piece of a text template: literal text, a field, or a value the
// engine knows ({page}, {pages}, {date}, {time}, {count}).
struct TemplatePart {
    enum class Kind { Literal, Field, Page, Pages, Date, Time, Count };
    Kind kind = Kind::Literal;
    QString text;                         // literal text
    QString connection;                   // field: connection name
    QString field;                        // field: upper case
    std::optional<NumberFormat> format;   // field: pattern given in the file
};

struct Template {
    std::vector<TemplatePart> parts;
    bool usesPages() const;
    bool isEmpty() const { return parts.empty(); }
};

struct Style {
    QString family = QStringLiteral("Liberation Sans");
    double size = 8;
    bool bold = false;
    bool italic = false;
    QColor color = Qt::black;
};

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Middle, Bottom };

struct Item {
    enum class Kind { Text, Field, Line, Box };
    Kind kind = Kind::Text;
    int line = 0;                 // in the project file, for messages
    double x = 0, y = 0, w = 0, h = 0;   // line: from (x, y) to (x + w, y + h)
    // Text and field.
    Template text;
    Style style;
    HAlign align = HAlign::Left;
    VAlign valign = VAlign::Middle;
    bool wrap = false;            // break into lines (the band grows) instead of cutting with "…"
    double padding = 0.6;         // left and right, inside the box
    std::map<QString, QString> map;   // shown text for a value: "M" -> "MASCULINO"
    QString blank;                // shown when the value is empty
    // Lines and boxes; a box with fill paints behind text items after it.
    double penWidth = 0.2;        // 0: no outline
    QColor penColor = Qt::black;
    QColor fill;                  // invalid: none
    bool stretch = false;         // vertical extent follows a grown band
};

struct Band {
    enum class Kind { Title, PageHeader, PageFooter, ColumnHeader, GroupHeader, GroupFooter, Detail, Summary, NoData };
    Kind kind = Kind::Detail;
    int line = 0;
    double height = 5;
    QColor stripe;            // detail: fill of every second row
    QColor rule;              // a line under the band
    double ruleWidth = 0.1;
    QString groupField;       // group bands: the field whose change starts a group
    int groupLength = 0;      // compare only the first characters (0: all)
    std::vector<Item> items;
};

struct Section {
    int line = 0;
    QString connection;
    Template filter;          // applied to the data set while the section runs
    bool newPage = false;     // start on a fresh page
    bool skipEmpty = false;   // print nothing at all when there is no row
    std::vector<Band> bands;
    const Band* band(Band::Kind kind) const;
};

struct ReportDef {
    QString name;
    QString title;                    // the PDF's title and the preview's caption
    int line = 0;
    bool isDefault = false;
    QPageSize::PageSizeId pageSize = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double marginLeft = 10, marginTop = 10, marginRight = 10, marginBottom = 10;
    std::vector<Band> bands;          // title, page header, page footer, summary
    std::vector<Section> sections;
    const Band* band(Band::Kind kind) const;
};

struct ProjectDef {
    QString file;
    std::vector<ReportDef> reports;
    const ReportDef& defaultReport() const;
};

// Reads a project file. Throws std::runtime_error naming the file when it
// cannot be read, and naming file and line when its text is malformed.
std::shared_ptr<const ProjectDef> loadProject(const QString& path);
// The same from text in memory; `path` only names it in messages.
std::shared_ptr<const ProjectDef> parseProject(const QByteArray& text, const QString& path);

} // namespace kreports
