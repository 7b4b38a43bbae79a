#pragma once
// The update window: names the release folder, asks for confirmation, and
// loads the release into the main window's database off the GUI thread,
// through an attachment of the run's own (the main window's connection
// stays on the GUI thread), while the window takes no input and its two
// bars show how far it is.

#include "update/updaterun.h"

#include <QDialog>
#include <QString>

#include <functional>

class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace kdb { class Connection; }

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
    QPushButton* BitBtn1 = nullptr;

    bool running() const { return running_; }

    // The folder chooser behind the folder field's button: given the field's
    // text, returns the folder picked, or an empty text when none was.
    std::function<QString(QWidget* parent, const QString& current)> chooseFolder;
    // Passed to the run (tests watch the steps through it).
    korvane::UpdateHooks runHooks;

public slots:
    void btnImportarClick();
    void BitBtn1Click();
    void edtCaminhoButtonClick();

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
    void run(const QString& folder);

    kdb::Connection& dtbDados_;
    korvane::UpdateProgress progress_;
    bool running_ = false;
};
