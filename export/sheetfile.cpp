#include "sheetfile.h"

#include "csv.h"
#include "xlsx.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace kexport {

std::optional<FileType> fileTypeOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv")) return FileType::Csv;
    if (suffix == QLatin1String("xlsx")) return FileType::Xlsx;
    return std::nullopt;
}

QString withExtension(const QString& path, FileType type)
{
    if (fileTypeOf(path) == type) return path;
    return path + (type == FileType::Csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx"));
}

void writeTable(const kdata::Extract& table, const QString& path, FileType type, const QString& sheet)
{
    if (type == FileType::Xlsx) {
        writeXlsx(table, path, sheet);
        return;
    }
    // Whole or not at all: a file open in another program keeps what it had.
    QSaveFile f(path);
    const QByteArray bytes = csvFile(table);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw std::runtime_error(QStringLiteral("não foi possível gravar %1: %2").arg(path, f.errorString()).toStdString());
}

std::vector<std::vector<QString>> readTable(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("não foi possível ler %1: %2").arg(path, f.errorString()).toStdString());
    const QByteArray head = f.peek(4);
    if (head == QByteArray("PK\x03\x04", 4)) {
        f.close();
        std::vector<std::vector<QString>> rows;
        for (const auto& sheetRow : readXlsx(path)) {
            std::vector<QString> row;
            for (const SheetCell& c : sheetRow) row.push_back(c.text);
            rows.push_back(std::move(row));
        }
        return rows;
    }
    return parseCsv(f.readAll());
}

} // namespace kexport
