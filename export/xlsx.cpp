#include "xlsx.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace kexport {
namespace {

using Kind = kdata::ExtractColumn::Kind;

[[noreturn]] void fail(const QString& path, const QString& why)
{
    throw std::runtime_error(QStringLiteral("não foi possível gravar %1: %2").arg(path, why).toStdString());
}

void check(lxw_error e, const QString& path)
{
    if (e != LXW_NO_ERROR) fail(path, QString::fromUtf8(lxw_strerror(e)));
}

// XLSX holds numbers as doubles; the decimal's own text parses to the
// nearest one, which is what the sheet shows again with two decimals.
double numberOf(const kdb::Value& v) { return std::strtod(v.toString().c_str(), nullptr); }

struct Formats {
    lxw_format* header;
    lxw_format* money;
    lxw_format* text;
};

void writeRow(lxw_worksheet* ws, const kdata::Extract& t, std::size_t r, const Formats& f, const QString& path)
{
    const auto row = static_cast<lxw_row_t>(r + 1);
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const kdb::Value& v = t.values[r][i];
        const auto col = static_cast<lxw_col_t>(i);
        const bool number = v.kind() == kdb::Value::Kind::Integer || v.kind() == kdb::Value::Kind::Fixed;
        if (v.isNull()) continue;
        if (t.columns[i].kind != Kind::Text && number) {
            check(worksheet_write_number(ws, row, col, numberOf(v), t.columns[i].kind == Kind::Money ? f.money : nullptr),
                  path);
            continue;
        }
        const QByteArray text = t.shown[r][i].trimmed().toUtf8();
        if (!text.isEmpty()) check(worksheet_write_string(ws, row, col, text.constData(), f.text), path);
    }
}

} // namespace

QString sheetName(const QString& wanted)
{
    QString name;
    for (QChar c : wanted)
        if (!QStringLiteral("[]:*?/\\").contains(c)) name += c;
    name = name.trimmed().left(31);
    return name.isEmpty() ? QStringLiteral("Planilha1") : name;
}

std::vector<int> xlsxWidths(const kdata::Extract& t)
{
    std::vector<int> widths;
    for (const auto& c : t.columns) widths.push_back(static_cast<int>(c.title.size()));
    for (const auto& row : t.shown)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], static_cast<int>(row[i].trimmed().size()));
    // A little room beside the text, and no column wider than a screen.
    for (int& w : widths) w = std::clamp(w + 2, 6, 80);
    return widths;
}

void writeXlsx(const kdata::Extract& t, const QString& path, const QString& sheet)
{
    const QByteArray file = path.toLocal8Bit();
    // Rows go to the file as they are written, with their texts inline: no
    // table of shared strings to build and look up, which halves the time of
    // a large list. Widths and the frozen header do not need the rows kept.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    std::unique_ptr<lxw_workbook, void (*)(lxw_workbook*)> book(workbook_new_opt(file.constData(), &options), [](lxw_workbook* b) {
        if (b) lxw_workbook_free(b);
    });
    if (!book) fail(path, QStringLiteral("sem memória"));
    const QByteArray name = sheetName(sheet).toUtf8();
    lxw_worksheet* ws = workbook_add_worksheet(book.get(), name.constData());
    if (!ws) fail(path, QStringLiteral("nome de planilha recusado"));
    Formats f{workbook_add_format(book.get()), workbook_add_format(book.get()), workbook_add_format(book.get())};
    format_set_bold(f.header);
    format_set_num_format(f.money, "#,##0.00");
    // "@": a code typed over again in the sheet stays text too.
    format_set_num_format(f.text, "@");

    const std::vector<int> widths = xlsxWidths(t);
    for (std::size_t i = 0; i < widths.size(); ++i)
        check(worksheet_set_column(ws, static_cast<lxw_col_t>(i), static_cast<lxw_col_t>(i), widths[i], nullptr), path);
    worksheet_freeze_panes(ws, 1, 0);
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const QByteArray title = t.columns[i].title.toUtf8();
        check(worksheet_write_string(ws, 0, static_cast<lxw_col_t>(i), title.constData(), f.header), path);
    }
    for (std::size_t r = 0; r < t.values.size(); ++r) writeRow(ws, t, r, f, path);
    const lxw_error closed = workbook_close(book.release());
    if (closed != LXW_NO_ERROR) fail(path, QString::fromUtf8(lxw_strerror(closed)));
}

} // namespace kexport
