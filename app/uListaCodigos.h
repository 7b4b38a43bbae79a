#pragma once
// "LISTA DE CÓDIGOS": a view over a code batch. Codes pasted into the box or
// opened from a file (a sheet, a CSV, text) become one row each for the
// competência consulted; the grid exports and the list prints like the
// other reports. A double click on a row hands its code to the main search.

#include "model/codebatch.h"
#include "reports/codelistreport.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kui { class DBGrid; }

class TfrmListaCodigos : public QDialog {
    Q_OBJECT
public:
    TfrmListaCodigos(kdb::Connection& connection, std::function<void(const QString&)> handBack,
                     QWidget* parent = nullptr);
    ~TfrmListaCodigos() override;

    korvane::CodeBatch& batch() { return batch_; }
    kreports::CodeListReport& report() { return report_; }

    void btnConsultarClick();
    void btnAbrirClick();
    void cmbCompararChange();
    void btnExportarClick();
    void btnImprimirClick();
    void dbgCodigosDblClick();

private:
    QWidget* buildEntry();
    QWidget* buildCompetencia();
    QWidget* buildButtons();
    void showCounts();

    korvane::CodeBatch batch_;
    kreports::CodeListReport report_;
    std::function<void(const QString&)> handBack_;
    QPlainTextEdit* memCodigos = nullptr;
    QPushButton* btnConsultar = nullptr;
    QPushButton* btnAbrir = nullptr;
    QLabel* lblCompetencia = nullptr;
    QComboBox* cmbComparar = nullptr;
    QLabel* lblComparacao = nullptr;
    kui::DBGrid* dbgCodigos = nullptr;
    QLabel* lblContagem = nullptr;
    QPushButton* btnExportar = nullptr;
    QPushButton* btnImprimir = nullptr;
    QPushButton* BitBtn1 = nullptr;
};
