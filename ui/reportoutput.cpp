#include "ui/reportoutput.h"

#include "ui/reportpreview.h"

#include "reports/project.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

namespace kui {

void ReportOutput::present(std::shared_ptr<const kreports::Document> doc, QWidget* parent)
{
    PreviewDialog preview(std::move(doc), parent);
    preview.exec();
}

namespace {
ReportOutput defaultOutput;
ReportOutput* currentOutput = &defaultOutput;
OutputDialogs defaultDialogs;
OutputDialogs* currentDialogs = &defaultDialogs;
} // namespace

ReportOutput& reportOutput() { return *currentOutput; }

void runReport(kreports::TRvProject& project, QWidget* parent)
{
    auto doc = std::make_shared<const kreports::Document>(project.render());
    reportOutput().present(std::move(doc), parent ? parent : QApplication::activeWindow());
}

void setReportOutput(ReportOutput* output) { currentOutput = output ? output : &defaultOutput; }

void ModelessPreviewOutput::present(std::shared_ptr<const kreports::Document> doc, QWidget* parent)
{
    auto* preview = new PreviewDialog(std::move(doc), parent);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->show();
    last_ = preview;
    ++shown_;
}

PreviewDialog* ModelessPreviewOutput::last() const { return last_.data(); }

void PdfFileOutput::present(std::shared_ptr<const kreports::Document> doc, QWidget*)
{
    kreports::writePdf(*doc, path_);
    last_ = std::move(doc);
}

bool OutputDialogs::choosePrinter(QPrinter& printer, int pageCount, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, std::max(pageCount, 1));
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    return dialog.exec() == QDialog::Accepted;
}

QString OutputDialogs::choosePdfFile(QWidget* parent, const QString& suggestion)
{
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Salvar PDF"), suggestion,
                                                QStringLiteral("Documento PDF (*.pdf)"));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
    return path;
}

OutputDialogs& outputDialogs() { return *currentDialogs; }
void setOutputDialogs(OutputDialogs* dialogs) { currentDialogs = dialogs ? dialogs : &defaultDialogs; }

} // namespace kui
