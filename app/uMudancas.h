#pragma once
// "O QUE MUDOU": what changed between two kept competências, narrowed to a
// part of the hierarchy or to a list of codes, on screen and on paper.

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace korvane {
class BrowserModel;
class DiffModel;
} // namespace korvane
namespace kreports {
class DiffReport;
}
namespace kui {
class DBGrid;
}

class TfrmMudancas : public QDialog {
    Q_OBJECT
public:
    // Starts from the competência before the one consulted to the one
    // consulted, narrowed to the part of the hierarchy the main window shows.
    explicit TfrmMudancas(korvane::BrowserModel& browser, QWidget* parent = nullptr);
    ~TfrmMudancas() override;

    korvane::DiffModel& diff() const { return *diff_; }
    kreports::DiffReport& report() const { return *report_; }
    void btnCompararClick();
    void btnImprimirClick();

private:
    QWidget* buildChoices();
    QString title() const;

    korvane::BrowserModel& browser_;
    std::unique_ptr<korvane::DiffModel> diff_;
    kreports::DiffReport* report_ = nullptr;
    QComboBox* cmbDe = nullptr;
    QComboBox* cmbPara = nullptr;
    QLineEdit* edtNivel = nullptr;
    QPlainTextEdit* edtCodigos = nullptr;
    QPushButton* btnComparar = nullptr;
    QPushButton* btnImprimir = nullptr;
    QLabel* lblResumo = nullptr;
    kui::DBGrid* dbgMudancas = nullptr;
};
