#pragma once
// The main window: a view over the procedure browser. It builds the
// widgets, binds them to the browser's result sets and choices, and forwards
// what the user does to the browser; the browser decides what is searched
// and shown. Every control carries its name as its objectName.

#include "model/browser.h"

#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QTabWidget;
class QTimer;
class QToolButton;
class CompetenciaChoice;
class HistoryPage;
class ReleaseNotice;
class ReportMenu;

namespace kui {
class DBEdit;
class DBGrid;
class DBLookupCombo;
class DBMemo;
} // namespace kui

class TfrmKorvane : public QMainWindow {
    Q_OBJECT
public:
    // Opens the browser on the database at path before anything else; a
    // connection that cannot be made, or initial result sets that cannot be
    // read, throw kdb::Error with the client library's text.
    explicit TfrmKorvane(const std::string& databasePath, QWidget* parent = nullptr);
    ~TfrmKorvane() override;

    korvane::BrowserModel& model() { return *model_; }
    ReportMenu& reports() { return *reports_; }
    kdb::Connection& dtbDados() { return model_->connection(); }

    // What the print menu needs of the window.
    QString searchBoxText() const;
    void focusSearchBox();

    // Looks aside, for a second at most, whether the download folder of the
    // settings publishes a newer competência, and says so in the status
    // bar; nothing when the settings turn the notice off.
    void checkForNewRelease();
    ReleaseNotice& releaseNotice() { return *notice_; }

public slots:
    void FormCreate();
    void FormShow();
    void Timer1Timer();
    void btnCbosClick();
    void btnCid10Click();
    void ATUALIZAOTABELAS1Click();
    void VERIFICAR1Click();
    void mnuMudancasClick();
    void LISTADECODIGOS1Click();
    void btnLimparClick();
    void TabSheet4Show();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool FormKeyPress(QKeyEvent* event);
    void FormClose();
    void handBack(const QString& code);
    QString newestVersao();

    void buildLayout();
    QWidget* buildTopPanel();
    QWidget* buildLookups();
    QWidget* buildButtons();
    QWidget* buildDetailPanel();
    QWidget* buildValueBoxes();
    void buildTabs();
    QWidget* buildSearchStrip(QLineEdit*& box, const QString& name, int width);
    void buildStatusBar();
    void setTabOrder();
    void connectBrowser();
    void connectLookup(kui::DBLookupCombo* lookup, korvane::Level level);
    void connectPageBox(QLineEdit* box, korvane::PageSearch page);
    QLineEdit* pageBox(korvane::PageSearch page) const;

    std::unique_ptr<korvane::BrowserModel> model_;
    ReportMenu* reports_ = nullptr;

    QLineEdit* edtPesquise = nullptr;
    kui::DBLookupCombo* dblGrupo = nullptr;
    kui::DBLookupCombo* dblSubGrupo = nullptr;
    kui::DBLookupCombo* dblFo = nullptr;
    QToolButton* btnLimpar = nullptr;
    QToolButton* btnCbos = nullptr;
    QToolButton* btnCid10 = nullptr;
    QToolButton* btnFicha = nullptr;
    kui::DBGrid* dbgProcs = nullptr;
    kui::DBMemo* dbmDescricoes = nullptr;
    kui::DBEdit* DBEdit10 = nullptr;   // financing, or the high-complexity mark
    kui::DBEdit* DBEdit11 = nullptr;   // total
    QTabWidget* PageControl1 = nullptr;
    QLineEdit* edtPesquiseCid = nullptr;
    QLineEdit* edtPesquiseCbo = nullptr;
    QLineEdit* edtPesquiseCompa = nullptr;
    QLineEdit* pageBoxes_[korvane::kPageSearchCount] = {};   // every page's search box, by its search
    kui::DBGrid* DBGrid3 = nullptr;    // "Compatível"
    QLabel* statusDate_ = nullptr;
    QLabel* statusTime_ = nullptr;
    ReleaseNotice* notice_ = nullptr;
    CompetenciaChoice* competencia_ = nullptr;
    HistoryPage* historyPage_ = nullptr;
    QMenu* PopupActionBar1 = nullptr;
    QAction* ATUALIZAOTABELAS1 = nullptr;
    QAction* VERIFICAR1 = nullptr;   // also F9, anywhere in the window
    QAction* mnuMudancas = nullptr;
    QAction* LISTADECODIGOS1 = nullptr;
    QTimer* Timer1 = nullptr;
    bool closing_ = false;
};
