#include "releasenotice.h"

#include "update/download.h"
#include "update/releaseinfo.h"

#include <QLabel>

namespace {

// The whole look, listing included, and the connection within it.
constexpr long kLookMs = 1000;

} // namespace

ReleaseNotice::ReleaseNotice(QLabel* label, QObject* parent) : QObject(parent), label_(label)
{
    label_->hide();
}

ReleaseNotice::~ReleaseNotice()
{
    if (worker_.joinable()) worker_.join();
}

void ReleaseNotice::start(const std::string& address, const QString& loaded)
{
    if (worker_.joinable()) return;
    loaded_ = korvane::competenciaOfVersao(loaded.toStdString());
    worker_ = std::jthread([this, address] {
        std::string newest;
        try {
            if (auto r = korvane::chooseRelease(korvane::listPublished(address, kLookMs, kLookMs))) newest = r->competencia;
        } catch (const std::exception&) {
            // No network, or no folder there: nothing to say.
        }
        // Back on the window's thread; this object outlives the look (its
        // destructor waits), so the call always finds it.
        QMetaObject::invokeMethod(
            this,
            [this, newest] {
                newest_ = newest;
                show();
                emit checked();
            },
            Qt::QueuedConnection);
    });
}

void ReleaseNotice::loadedIs(const QString& loaded)
{
    loaded_ = korvane::competenciaOfVersao(loaded.toStdString());
    show();
}

void ReleaseNotice::show()
{
    // Both are AAAAMM, which sorts as text; an unknown loaded one is older than any.
    if (newest_.empty() || newest_ <= loaded_) {
        label_->clear();
        label_->hide();
        return;
    }
    label_->setText(QStringLiteral(" COMPETÊNCIA %1 PUBLICADA NO DATASUS ")
                        .arg(QString::fromStdString(korvane::competenciaShown(newest_))));
    label_->setToolTip(QStringLiteral("Botão direito nesta barra, ATUALIZAÇÃO TABELAS, BAIXAR DA INTERNET"));
    // The publisher's panel beside it stretches; this one keeps its words whole.
    label_->setMinimumWidth(label_->sizeHint().width());
    label_->show();
}
