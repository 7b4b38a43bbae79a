#pragma once
// Where a run's pages go, and the two dialogs of the output (printer, file
// name), each behind a seam so that tests can stand in for the user.

#include "reports/document.h"

#include <QPointer>

#include <memory>

class QPrinter;
class QWidget;

namespace kreports { class TRvProject; }

namespace kui {

class PreviewDialog;

// Runs a report project and hands its pages to the output (the modal
// preview unless another output is installed).
void runReport(kreports::TRvProject& project, QWidget* parent = nullptr);

class ReportOutput {
public:
    virtual ~ReportOutput() = default;
    // The program's output: a modal preview, from which the user prints or
    // saves a PDF.
    virtual void present(std::shared_ptr<const kreports::Document> doc, QWidget* parent);
};

ReportOutput& reportOutput();
// Installs another output; nullptr restores the modal preview.
void setReportOutput(ReportOutput* output);

// A preview that does not block: the run returns with the window open.
class ModelessPreviewOutput : public ReportOutput {
public:
    void present(std::shared_ptr<const kreports::Document> doc, QWidget* parent) override;
    PreviewDialog* last() const;
    int shown() const { return shown_; }

private:
    QPointer<PreviewDialog> last_;
    int shown_ = 0;
};

// Straight to a PDF file, no window.
class PdfFileOutput : public ReportOutput {
public:
    explicit PdfFileOutput(QString path) : path_(std::move(path)) {}
    void present(std::shared_ptr<const kreports::Document> doc, QWidget* parent) override;
    const std::shared_ptr<const kreports::Document>& last() const { return last_; }

private:
    QString path_;
    std::shared_ptr<const kreports::Document> last_;
};

class OutputDialogs {
public:
    virtual ~OutputDialogs() = default;
    // The system's print dialog over `printer`; true when the user printed.
    virtual bool choosePrinter(QPrinter& printer, int pageCount, QWidget* parent);
    // A file name for a PDF, or empty when the user gave up.
    virtual QString choosePdfFile(QWidget* parent, const QString& suggestion);
};

OutputDialogs& outputDialogs();
void setOutputDialogs(OutputDialogs* dialogs);

} // namespace kui
