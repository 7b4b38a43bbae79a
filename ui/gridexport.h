#pragma once
// A grid's "Exportar…": what the grid shows (its data set's rows under the
// search and filters of the moment, the grid's columns with its titles, in
// its order) written to CSV or XLSX, the type chosen by the file type of
// the save dialog. The dialog is behind a seam so that tests can stand in
// for the user.

#include "data/extract.h"
#include "export/sheetfile.h"

#include <QString>

class QWidget;

namespace kui {

class DBGrid;

// The table as the grid shows it: every row of its data set (fetched to the
// end), the grid's columns and titles.
kdata::Extract gridTable(DBGrid& grid);

class ExportDialogs {
public:
    virtual ~ExportDialogs() = default;
    // A file to write and its type, from the save dialog's name and filter;
    // an empty name when the user gave up.
    virtual QString chooseExportFile(QWidget* parent, const QString& suggestion, kexport::FileType& type);
};

ExportDialogs& exportDialogs();
// Installs other dialogs; nullptr restores the system's.
void setExportDialogs(ExportDialogs* dialogs);

// Asks for the file and writes the table; false when the user gave up. A
// file that cannot be written throws, naming it.
bool exportTable(const kdata::Extract& table, QWidget* parent, const QString& name);
// The same for what a grid shows.
bool exportGrid(DBGrid& grid, const QString& name);

} // namespace kui
