#include "competenciachoice.h"

#include "core/text.h"
#include "model/browser.h"
#include "ui/dialogs.h"
#include "update/releaseinfo.h"

#include <QComboBox>
#include <QMainWindow>

CompetenciaChoice::CompetenciaChoice(QMainWindow& window, korvane::BrowserModel& model, QString caption)
    : QObject(&window), window_(window), model_(model), caption_(std::move(caption))
{
    box_ = new QComboBox;
    box_->setObjectName(QStringLiteral("cmbCompetencia"));
    box_->setToolTip(QStringLiteral("COMPETÊNCIA CONSULTADA: cada competência carregada fica guardada no banco"));
    box_->setFocusPolicy(Qt::StrongFocus);
    box_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(box_, &QComboBox::activated, this, [this](int index) {
        if (filling_) return;
        kui::guarded(&window_, [&] { choose(box_->itemData(index).toString()); });
    });
}

void CompetenciaChoice::reload()
{
    filling_ = true;
    box_->clear();
    const std::vector<korvane::KeptRelease> kept = model_.competencias();
    const std::string shown = model_.competencia();
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
        QString text = QStringLiteral("COMPETÊNCIA ") + QString::fromStdString(korvane::competenciaShown(it->competencia));
        if (it == kept.rbegin()) text += QStringLiteral(" (MAIS NOVA)");
        box_->addItem(text, QString::fromStdString(it->competencia));
        if (it->competencia == shown) box_->setCurrentIndex(box_->count() - 1);
    }
    box_->setEnabled(kept.size() > 1);
    box_->setVisible(!kept.empty());
    filling_ = false;
    showCaption();
}

void CompetenciaChoice::choose(const QString& competencia)
{
    model_.setCompetencia(competencia.toStdString());
    reload();
    emit chosen();
}

void CompetenciaChoice::showCaption()
{
    QString title = caption_ + QStringLiteral("   -   ") + model_.versao();
    const std::vector<korvane::KeptRelease> kept = model_.competencias();
    if (!kept.empty() && model_.competencia() != kept.back().competencia)
        title += QStringLiteral("   (COMPETÊNCIA ANTERIOR; A MAIS NOVA É ") +
                 QString::fromStdString(korvane::competenciaShown(kept.back().competencia)) + QLatin1Char(')');
    window_.setWindowTitle(title);
}
