#pragma once
// The update window: names the release (a folder, or the zip as DATASUS
// publishes it) or fetches the newest one from DATASUS, shows which
// competência it is, asks for confirmation, and loads the release into the
// main window's database off the GUI thread, through an attachment of the
// run's own (the main window's connection stays on the GUI thread), while
// the window takes no input and its two bars show how far it is.

#include "update/download.h"
#include "update/updaterun.h"

#include <QDialog>
#include <QString>

#include <exception>
#include <functional>
#include <string>

class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace kdb { class Connection; }

// The field's chooser unless another is set: a menu offering a folder or a
// zip, then the dialog that picks it.
QString chooseFolderOrZip(QWidget* parent, const QString& current);

class TfrmAtualizar : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAtualizar(kdb::Connection& dtbDados, QWidget* parent = nullptr);
    ~TfrmAtualizar() override;

    QLabel* Panel1 = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* lblCaminho = nullptr;
    QLineEdit* edtCaminho = nullptr;
    QToolButton* btnImportar = nullptr;
    QGroupBox* gbTabela = nullptr;
    QLabel* lblTabela = nullptr;
    QProgressBar* pbTabela = nullptr;
    QGroupBox* gbProgresso = nullptr;
    QProgressBar* pbProgresso = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* btnBaixar = nullptr;
    QLabel* lblVersao = nullptr;     // the competência of the release the field names
    QPushButton* BitBtn1 = nullptr;

    bool running() const { return running_; }

    // The chooser behind the folder field's button: given the field's text,
    // returns the folder or zip picked, or an empty text when none was.
    std::function<QString(QWidget* parent, const QString& current)> chooseFolder;
    // Passed to the run (tests watch the steps through it).
    korvane::UpdateHooks runHooks;
    // Where BAIXAR DA INTERNET looks and what it keeps: the settings' folder
    // (DATASUS's by default) and the releases folder beside the database.
    korvane::DownloadOptions downloadOptions;

public slots:
    void btnImportarClick();
    void BitBtn1Click();
    void edtCaminhoButtonClick();
    void btnBaixarClick();
    // Shows at once what the field names (it otherwise follows typing after a pause).
    void showReleaseInfo();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's bands, top to bottom under the banner.
    QFrame* buildFolderBand();
    QGroupBox* buildTableBox();
    QGroupBox* buildProgressBox();
    QFrame* buildExitBand();

    bool FormKeyPress(QKeyEvent* event);
    void showProgress();
    void showDownload();
    void run(const QString& folder);
    // Runs work on a thread of its own while this thread paints through
    // show every 50 ms and the window takes no input; the work's exception,
    // if it threw one.
    std::exception_ptr runAside(const std::function<void()>& work, const std::function<void()>& show);

    kdb::Connection& dtbDados_;
    korvane::UpdateProgress progress_;
    korvane::DownloadProgress download_;
    QTimer* infoDelay_ = nullptr;
    bool running_ = false;
};
