#pragma once
// The preview window: one page at a time, page navigation, zoom, and from
// there the system's print dialog or a PDF file. Every control carries an
// object name so that tests drive it as a user would.

#include "reports/document.h"

#include <QDialog>
#include <QStyle>

#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace kui {

// The paper of one page, drawn at a given scale on a grey desk.
class PageView : public QWidget {
    Q_OBJECT
public:
    explicit PageView(std::shared_ptr<const kreports::Document> doc, QWidget* parent = nullptr);
    void setPage(int page);
    int page() const { return page_; }
    void setPixelsPerMm(double scale);
    double pixelsPerMm() const { return scale_; }
    QSize sizeHint() const override;

    static constexpr int kDesk = 12;   // pixels of grey around the paper

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<const kreports::Document> doc_;
    int page_ = 0;
    double scale_ = 1;
};

class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    enum class ZoomMode { FitWidth, FitPage, Percent };

    PreviewDialog(std::shared_ptr<const kreports::Document> doc, QWidget* parent = nullptr);

    const kreports::Document& document() const { return *doc_; }
    int pageCount() const { return doc_->pageCount(); }
    int currentPage() const { return page_; }   // 0-based
    void setPage(int page);
    void first() { setPage(0); }
    void prior() { setPage(page_ - 1); }
    void next() { setPage(page_ + 1); }
    void last() { setPage(pageCount() - 1); }

    ZoomMode zoomMode() const { return mode_; }
    void setZoomMode(ZoomMode mode);
    // Percent of the paper's real size on the screen; sets the Percent mode.
    void setZoomPercent(int percent);
    int zoomPercent() const;   // what is shown now, in every mode
    void zoomIn();
    void zoomOut();

    void print();
    void savePdf();
    // The report's rows to a sheet, when it has them (Document::table).
    void saveSheet();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The constructor's steps, in this order.
    void buildPageControls();
    void buildZoomControls();
    void buildOutputButtons();
    void buildPageArea();
    void layOutControls();
    void connectControls();
    void sizeToScreen();
    QToolButton* toolButton(const char* name, QStyle::StandardPixmap icon, const QString& tip);

    void applyZoom();
    void updateControls();
    double realSizePixelsPerMm() const;

    std::shared_ptr<const kreports::Document> doc_;
    int page_ = 0;
    ZoomMode mode_ = ZoomMode::FitWidth;
    int percent_ = 100;

    QToolButton* btnFirst_;
    QToolButton* btnPrior_;
    QSpinBox* spnPage_;
    QLabel* lblPageCount_;
    QToolButton* btnNext_;
    QToolButton* btnLast_;
    QComboBox* cmbZoom_;
    QToolButton* btnZoomOut_;
    QToolButton* btnZoomIn_;
    QPushButton* btnPrint_;
    QPushButton* btnSavePdf_;
    QPushButton* btnSaveXlsx_;
    QPushButton* btnClose_;
    QLabel* lblPage_;
    QScrollArea* scrPreview_;
    PageView* pgvPage_;
};

} // namespace kui
