#include "gridexport.h"

#include "dbgrid.h"

#include <QDir>
#include <QFileDialog>

namespace kui {
namespace {

const QString kXlsxFilter = QStringLiteral("Planilha do Excel (*.xlsx)");
const QString kCsvFilter = QStringLiteral("CSV separado por ponto e vírgula (*.csv)");

ExportDialogs defaultDialogs;
ExportDialogs* currentDialogs = &defaultDialogs;

} // namespace

kdata::Extract gridTable(DBGrid& grid)
{
    DataSetModel* model = grid.dataModel();
    if (!model || !model->dataSet()) return {};
    std::vector<QString> fields;
    for (const Column& c : model->columns()) fields.push_back(c.field);
    kdata::Extract table = kdata::extract(*model->dataSet(), fields);
    // The grid's own titles where it gives one.
    for (std::size_t i = 0; i < table.columns.size(); ++i) table.columns[i].title = model->columnTitle(static_cast<int>(i));
    return table;
}

QString ExportDialogs::chooseExportFile(QWidget* parent, const QString& suggestion, kexport::FileType& type)
{
    QString filter = kXlsxFilter;
    const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Exportar"), suggestion,
                                                      kXlsxFilter + QStringLiteral(";;") + kCsvFilter, &filter);
    if (path.isEmpty()) return {};
    type = filter == kCsvFilter ? kexport::FileType::Csv : kexport::FileType::Xlsx;
    return kexport::withExtension(path, type);
}

ExportDialogs& exportDialogs() { return *currentDialogs; }
void setExportDialogs(ExportDialogs* dialogs) { currentDialogs = dialogs ? dialogs : &defaultDialogs; }

bool exportTable(const kdata::Extract& table, QWidget* parent, const QString& name)
{
    kexport::FileType type = kexport::FileType::Xlsx;
    QString file = name;
    file.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QLatin1Char('\\'), QLatin1Char('-'));
    const QString suggestion = QDir::home().filePath(file.simplified() + QStringLiteral(".xlsx"));
    const QString path = exportDialogs().chooseExportFile(parent, suggestion, type);
    if (path.isEmpty()) return false;
    kexport::writeTable(table, path, type, name);
    return true;
}

bool exportGrid(DBGrid& grid, const QString& name) { return exportTable(gridTable(grid), &grid, name); }

} // namespace kui
