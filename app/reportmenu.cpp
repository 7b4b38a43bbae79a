#include "reportmenu.h"

#include "app/uKorvane.h"
#include "core/text.h"
#include "reports/project.h"
#include "ui/dialogs.h"
#include "ui/reportoutput.h"

#include <QCursor>
#include <QMenu>
#include <QToolButton>

ReportMenu::ReportMenu(TfrmKorvane& window, korvane::BrowserModel& browser)
    : QObject(&window), window_(window), data_(browser)
{
    setObjectName(QStringLiteral("reportMenu"));
    pmImpressao_ = new QMenu(&window);
    pmImpressao_->setObjectName(QStringLiteral("pmImpressao"));
    const auto item = [this](const char* name, const char* caption, void (ReportMenu::*h)()) {
        QAction* a = pmImpressao_->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, kui::guardedSlot(&window_, [this, h] { (this->*h)(); }));
    };
    item("RelatrioSinttico1", "Sintético Alfabético", &ReportMenu::RelatrioSinttico1Click);
    item("SintticoNumrico1", "Sintético Numérico", &ReportMenu::SintticoNumrico1Click);
    pmImpressao_->addSeparator()->setObjectName(QStringLiteral("N1"));
    item("Analtico1", "Analítico", &ReportMenu::Analtico1Click);
    if (auto* button = window.findChild<QToolButton*>(QStringLiteral("btnFicha")))
        connect(button, &QToolButton::clicked, this, kui::guardedSlot(&window_, [this] { btnFichaClick(); }));
}

void ReportMenu::btnFichaClick() { pmImpressao_->popup(QCursor::pos()); }

void ReportMenu::present(kreports::TRvProject& project) { kui::runReport(project, &window_); }

void ReportMenu::RelatrioSinttico1Click()
{
    data_.runList(korvane::ListOrder::ByDescription, [this](kreports::TRvProject& p) { present(p); });
}

void ReportMenu::SintticoNumrico1Click()
{
    data_.runList(korvane::ListOrder::ByCode, [this](kreports::TRvProject& p) { present(p); });
}

void ReportMenu::Analtico1Click()
{
    const std::string code = korvane::trimmedCopy(korvane::toWin1252(window_.searchBoxText()));
    if (!data_.runSheet(code, [this](kreports::TRvProject& p) { present(p); })) {
        kui::dialogs().information(&window_,
                                   QStringLiteral("VOCÊ DEVE DIGITAR O CÓDIGO DO PROCEDIMENTO PARA PODER IMPRIMIR !"));
        window_.focusSearchBox();
    }
}
