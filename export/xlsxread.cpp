// Reading a workbook's first sheet: the zip read in place with libzip, its
// parts with Qt's XML reader. Only what a list of codes needs: cell texts
// and whether a cell is a number.

#include "xlsx.h"

#include <QXmlStreamReader>

#include <zip.h>

#include <map>
#include <memory>
#include <stdexcept>

namespace kexport {
namespace {

[[noreturn]] void unreadable(const QString& path, const QString& why)
{
    throw std::runtime_error(QStringLiteral("não foi possível ler %1: %2").arg(path, why).toStdString());
}

class Package {
public:
    explicit Package(const QString& path) : path_(path)
    {
        int code = 0;
        zip_ = zip_open(path.toLocal8Bit().constData(), ZIP_RDONLY, &code);
        if (!zip_) unreadable(path, QStringLiteral("não é uma planilha XLSX"));
    }
    ~Package() { zip_discard(zip_); }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // A part's bytes; empty when the package has no such part.
    QByteArray part(const QString& name) const
    {
        zip_stat_t st;
        const QByteArray n = name.toUtf8();
        if (zip_stat(zip_, n.constData(), 0, &st) != 0) return {};
        zip_file_t* f = zip_fopen(zip_, n.constData(), 0);
        if (!f) unreadable(path_, QStringLiteral("parte %1 ilegível").arg(name));
        QByteArray out(static_cast<qsizetype>(st.size), Qt::Uninitialized);
        const zip_int64_t got = zip_fread(f, out.data(), st.size);
        zip_fclose(f);
        if (got != static_cast<zip_int64_t>(st.size)) unreadable(path_, QStringLiteral("parte %1 ilegível").arg(name));
        return out;
    }

private:
    QString path_;
    zip_t* zip_ = nullptr;
};

// The text inside an element, all its <t> pieces joined (rich text runs).
QString textsUntilEnd(QXmlStreamReader& xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("t")) {
                text += xml.readElementText();
                continue;
            }
            ++depth;
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    return text;
}

std::vector<QString> sharedStrings(const QByteArray& bytes)
{
    std::vector<QString> out;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
            out.push_back(textsUntilEnd(xml));
    return out;
}

// The part of the first sheet, as the workbook and its relations name it.
QString firstSheetPart(const Package& pkg)
{
    QString id;
    QXmlStreamReader book(pkg.part(QStringLiteral("xl/workbook.xml")));
    while (!book.atEnd() && id.isEmpty())
        if (book.readNext() == QXmlStreamReader::StartElement && book.name() == QLatin1String("sheet"))
            for (const auto& a : book.attributes())
                if (a.name() == QLatin1String("id")) id = a.value().toString();
    QXmlStreamReader rels(pkg.part(QStringLiteral("xl/_rels/workbook.xml.rels")));
    while (!id.isEmpty() && !rels.atEnd())
        if (rels.readNext() == QXmlStreamReader::StartElement && rels.attributes().value(QLatin1String("Id")) == id) {
            QString target = rels.attributes().value(QLatin1String("Target")).toString();
            if (target.startsWith(QLatin1Char('/'))) return target.mid(1);
            return QStringLiteral("xl/") + target;
        }
    return QStringLiteral("xl/worksheets/sheet1.xml");
}

// "C12" → column 2 (from 0); -1 without letters.
int columnOf(QStringView ref)
{
    int col = 0, letters = 0;
    for (QChar c : ref) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z')) break;
        col = col * 26 + (c.unicode() - 'A' + 1);
        ++letters;
    }
    return letters ? col - 1 : -1;
}

SheetCell cellAt(QXmlStreamReader& xml, const std::vector<QString>& shared)
{
    const QString type = xml.attributes().value(QLatin1String("t")).toString();
    SheetCell cell;
    QString value;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("v")) value = xml.readElementText();
            else if (xml.name() == QLatin1String("is")) cell.text = textsUntilEnd(xml);
            else ++depth;
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    if (type == QLatin1String("s")) {
        const auto i = static_cast<std::size_t>(value.toLongLong());
        if (i < shared.size()) cell.text = shared[i];
    } else if (type != QLatin1String("inlineStr")) {
        cell.text = value;
        cell.number = type.isEmpty() || type == QLatin1String("n");
    }
    return cell;
}

} // namespace

std::vector<std::vector<SheetCell>> readXlsx(const QString& path)
{
    Package pkg(path);
    const std::vector<QString> shared = sharedStrings(pkg.part(QStringLiteral("xl/sharedStrings.xml")));
    const QByteArray sheet = pkg.part(firstSheetPart(pkg));
    if (sheet.isEmpty()) unreadable(path, QStringLiteral("a planilha não tem folhas"));
    std::vector<std::vector<SheetCell>> rows;
    QXmlStreamReader xml(sheet);
    std::vector<SheetCell>* row = nullptr;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("row")) {
            const long n = xml.attributes().value(QLatin1String("r")).toLong();
            const std::size_t index = n > 0 ? static_cast<std::size_t>(n - 1) : rows.size();
            if (rows.size() <= index) rows.resize(index + 1);
            row = &rows[index];
        } else if (xml.name() == QLatin1String("c") && row) {
            int col = columnOf(xml.attributes().value(QLatin1String("r")));
            if (col < 0) col = static_cast<int>(row->size());
            SheetCell cell = cellAt(xml, shared);
            if (row->size() <= static_cast<std::size_t>(col)) row->resize(static_cast<std::size_t>(col) + 1);
            (*row)[static_cast<std::size_t>(col)] = std::move(cell);
        }
    }
    if (xml.hasError()) unreadable(path, xml.errorString());
    return rows;
}

} // namespace kexport
