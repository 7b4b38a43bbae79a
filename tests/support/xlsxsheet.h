#pragma once
// An XLSX file as a test reads it back, apart from the program's own reader:
// the zip's members through libzip, the first sheet's cells (shared or
// inline texts) and the number formats of the styles picked out of the XML
// text.

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

#include <zip.h>

#include <map>
#include <vector>

namespace ktest {

struct XlsxCell {
    QString text;         // the value, shared strings resolved
    QString type;         // the t attribute: "s" or "inlineStr" for text, "n" (or empty) ...
    QString numFormat;    // the format code of the cell's style; empty for General
    bool isText() const { return type == QLatin1String("s") || type == QLatin1String("inlineStr"); }
};

struct XlsxSheet {
    bool opened = false;
    std::map<QString, QByteArray> members;
    std::vector<std::vector<XlsxCell>> rows;   // row 1 first
    QByteArray sheetXml;
};

inline QByteArray zipMember(zip_t* z, const char* name)
{
    zip_stat_t st;
    if (zip_stat(z, name, 0, &st) != 0) return {};
    zip_file_t* f = zip_fopen(z, name, 0);
    if (!f) return {};
    QByteArray out(static_cast<qsizetype>(st.size), '\0');
    zip_fread(f, out.data(), st.size);
    zip_fclose(f);
    return out;
}

inline QString xmlText(QString s)
{
    s.replace(QLatin1String("&lt;"), QLatin1String("<")).replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&quot;"), QLatin1String("\"")).replace(QLatin1String("&apos;"), QLatin1String("'"));
    return s.replace(QLatin1String("&amp;"), QLatin1String("&"));
}

// The format code of each cell style (cellXfs), in order.
inline std::vector<QString> styleFormats(const QString& styles)
{
    std::map<int, QString> custom;
    static const QRegularExpression numFmt(QStringLiteral("<numFmt numFmtId=\"(\\d+)\" formatCode=\"([^\"]*)\""));
    for (auto it = numFmt.globalMatch(styles); it.hasNext();) {
        const auto m = it.next();
        custom[m.captured(1).toInt()] = xmlText(m.captured(2));
    }
    std::vector<QString> out;
    const int start = styles.indexOf(QLatin1String("<cellXfs"));
    const int end = styles.indexOf(QLatin1String("</cellXfs>"));
    static const QRegularExpression xf(QStringLiteral("<xf [^>]*numFmtId=\"(\\d+)\""));
    for (auto it = xf.globalMatch(styles.mid(start, end - start)); it.hasNext();) {
        const int id = it.next().captured(1).toInt();
        // The format's own built-in numbers.
        static const std::map<int, QString> builtIn = {{1, QStringLiteral("0")}, {2, QStringLiteral("0.00")},
                                                      {3, QStringLiteral("#,##0")}, {4, QStringLiteral("#,##0.00")},
                                                      {49, QStringLiteral("@")}};
        if (custom.count(id)) out.push_back(custom[id]);
        else out.push_back(builtIn.count(id) ? builtIn.at(id) : QString());
    }
    return out;
}

inline XlsxSheet readXlsxSheet(const std::string& path)
{
    XlsxSheet sheet;
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!z) return sheet;
    sheet.opened = true;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        const char* name = zip_get_name(z, static_cast<zip_uint64_t>(i), 0);
        sheet.members[QString::fromUtf8(name)] = zipMember(z, name);
    }
    zip_discard(z);
    sheet.sheetXml = sheet.members[QStringLiteral("xl/worksheets/sheet1.xml")];
    std::vector<QString> shared;
    static const QRegularExpression si(QStringLiteral("<si>(.*?)</si>"), QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression t(QStringLiteral("<t[^>]*>(.*?)</t>"), QRegularExpression::DotMatchesEverythingOption);
    for (auto it = si.globalMatch(QString::fromUtf8(sheet.members[QStringLiteral("xl/sharedStrings.xml")])); it.hasNext();) {
        QString text;
        for (auto tt = t.globalMatch(it.next().captured(1)); tt.hasNext();) text += xmlText(tt.next().captured(1));
        shared.push_back(text);
    }
    const std::vector<QString> formats = styleFormats(QString::fromUtf8(sheet.members[QStringLiteral("xl/styles.xml")]));
    static const QRegularExpression row(QStringLiteral("<row r=\"(\\d+)\"[^>]*>(.*?)</row>"),
                                        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression cell(QStringLiteral("<c r=\"([A-Z]+)\\d+\"([^>]*?)(/>|>(.*?)</c>)"),
                                         QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression attr(QStringLiteral("(\\w+)=\"([^\"]*)\""));
    static const QRegularExpression v(QStringLiteral("<v>(.*?)</v>"));
    for (auto r = row.globalMatch(QString::fromUtf8(sheet.sheetXml)); r.hasNext();) {
        const auto rm = r.next();
        const auto index = static_cast<std::size_t>(rm.captured(1).toInt() - 1);
        if (sheet.rows.size() <= index) sheet.rows.resize(index + 1);
        for (auto c = cell.globalMatch(rm.captured(2)); c.hasNext();) {
            const auto cm = c.next();
            int col = 0;
            for (QChar ch : cm.captured(1)) col = col * 26 + (ch.unicode() - 'A' + 1);
            XlsxCell x;
            int style = 0;
            for (auto a = attr.globalMatch(cm.captured(2)); a.hasNext();) {
                const auto am = a.next();
                if (am.captured(1) == QLatin1String("t")) x.type = am.captured(2);
                if (am.captured(1) == QLatin1String("s")) style = am.captured(2).toInt();
            }
            const QString value = xmlText(v.match(cm.captured(4)).captured(1));
            if (x.type == QLatin1String("s")) x.text = shared.at(static_cast<std::size_t>(value.toInt()));
            else if (x.type == QLatin1String("inlineStr")) x.text = xmlText(t.match(cm.captured(4)).captured(1));
            else x.text = value;
            if (static_cast<std::size_t>(style) < formats.size()) x.numFormat = formats[static_cast<std::size_t>(style)];
            auto& cells = sheet.rows[index];
            if (cells.size() < static_cast<std::size_t>(col)) cells.resize(static_cast<std::size_t>(col));
            cells[static_cast<std::size_t>(col - 1)] = x;
        }
    }
    return sheet;
}

} // namespace ktest
