// The update window's ways to a release besides typing: the chooser of a
// folder or a zip, the competência of what the field names, and BAIXAR DA
// INTERNET, which fetches the newest release and then loads it as
// ATUALIZAR does.

#include "uAtualizar.h"

#include "core/text.h"
#include "ui/dialogs.h"
#include "update/releaseinfo.h"

#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QStringList>
#include <QTimer>

namespace {

const QString kChooserCaption = QStringLiteral("CAMINHO  DOS  ARQs   .TXT  PARA  IMPORTAÇÃO");

void setBytes(QProgressBar* b, std::int64_t done, std::int64_t total)
{
    // Kilobytes keep a release of any size within the bar's int range.
    const int max = static_cast<int>(std::max<std::int64_t>(total / 1024, 1));
    if (b->maximum() != max || b->minimum() != 0) b->setRange(0, max);
    b->setValue(static_cast<int>(std::min<std::int64_t>(done / 1024, max)));
}

// "COMPETÊNCIA 06/2026", and under it when it was published, or the time
// of its files when no name says.
QString infoText(const korvane::ReleaseInfo& info)
{
    QString text = QStringLiteral("COMPETÊNCIA ") + QString::fromStdString(korvane::competenciaShown(info.competencia));
    const QString when = QString::fromStdString(korvane::publishedShown(info.published));
    if (!when.isEmpty())
        text += (info.publishedFromName ? QStringLiteral("\nPUBLICADA EM ") : QStringLiteral("\nARQUIVOS DE ")) + when;
    // An older release: the load goes on without the files it lacks.
    if (!info.absent.empty())
        text += QStringLiteral("\nSEM %1 ARQUIVO(S) DAS TABELAS NOVAS: FICAM VAZIAS").arg(info.absent.size());
    return text;
}

// The files the release lacks, one a line, for the label's tip.
QString absentText(const korvane::ReleaseInfo& info)
{
    QStringList names;
    for (const korvane::TableLayout* l : info.absent) names << QString::fromLatin1(l->fileName);
    return names.join(QLatin1Char('\n'));
}

} // namespace

QString chooseFolderOrZip(QWidget* parent, const QString& current)
{
    QMenu menu(parent);
    QAction* folder = menu.addAction(QStringLiteral("PASTA COM OS ARQUIVOS . TXT . . ."));
    QAction* zip = menu.addAction(QStringLiteral("ZIP DA TABELA UNIFICADA . . ."));
    QAction* picked = menu.exec(QCursor::pos());
    if (picked == folder) return QFileDialog::getExistingDirectory(parent, kChooserCaption, current);
    if (picked == zip)
        return QFileDialog::getOpenFileName(parent, kChooserCaption, current,
                                            QStringLiteral("Tabela Unificada (*.zip *.ZIP);;Todos os arquivos (*)"));
    return {};
}

void TfrmAtualizar::showReleaseInfo()
{
    infoDelay_->stop();
    const QString text = korvane::trimmedText(edtCaminho->text());
    QString shown, tip;
    if (!text.isEmpty()) {
        try {
            const std::unique_ptr<korvane::ReleaseSource> source =
                korvane::openReleaseSource(QFile::encodeName(text).toStdString());
            const korvane::ReleaseInfo info = korvane::describeRelease(*source);
            shown = infoText(info);
            tip = absentText(info);
        } catch (const std::exception&) {
            // Not (yet) a release: ATUALIZAR says why if it is pressed.
        }
    }
    lblVersao->setText(shown);
    lblVersao->setToolTip(tip);
}

void TfrmAtualizar::showDownload()
{
    if (download_.phase.load() < korvane::DownloadProgress::Transferring) return;
    const std::int64_t done = download_.done.load(), total = download_.total.load();
    setBytes(pbTabela, done, total);
    setBytes(pbProgresso, done, total);
}

// The download runs aside as the load does; what it brings goes into the
// field and through ATUALIZAR's own confirmation.
void TfrmAtualizar::btnBaixarClick()
{
    if (running_) return;
    lblTabela->setText(QStringLiteral("BAIXANDO  DA  INTERNET . . ."));
    lblTabela->repaint();
    download_.reset();
    korvane::DownloadResult result;
    const korvane::DownloadOptions options = downloadOptions;
    const std::exception_ptr failure =
        runAside([&] { result = korvane::downloadRelease(options, download_); }, [this] { showDownload(); });
    lblTabela->clear();
    if (failure) {
        kui::guarded(this, [&] { std::rethrow_exception(failure); });
        return;
    }
    edtCaminho->setText(QFile::decodeName(QByteArray::fromStdString(result.path)));
    showReleaseInfo();
    btnImportarClick();
}
