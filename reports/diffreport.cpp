#include "diffreport.h"

#include "core/settingpath.h"
#include "core/text.h"
#include "korvane_config.h"
#include "reports/connection.h"
#include "reports/project.h"

namespace kreports {

DiffReport::DiffReport(korvane::DiffModel& diff, QObject* parent) : QObject(parent), diff_(diff)
{
    titulo_ = new kdata::MemoryTable(QStringLiteral("cdsMudancasTitulo"), {{"TITULO", 120}, {"RESUMO", 200}}, this);
    titulo_->createDataSet();
    new TRvDataSetConnection(QStringLiteral("RvDtsMudancasTitulo"), titulo_, this);
    new TRvDataSetConnection(QStringLiteral("RvDtsMudancas"), diff_.qryDiferencas(), this);
    project_ = new TRvProject(QStringLiteral("RvMudancas"), this);
    project_->setProjectFile(QString::fromStdString(korvane::settingPath(KORVANE_REPORTS_DIR)) + QStringLiteral("/Mudancas.rav"));
}

void DiffReport::run(const QString& title, const QString& summary, const Present& present)
{
    titulo_->emptyDataSet();
    titulo_->append();
    titulo_->set(QStringLiteral("TITULO"), kdb::Value(korvane::toWin1252(title)));
    titulo_->set(QStringLiteral("RESUMO"), kdb::Value(korvane::toWin1252(summary)));
    titulo_->post();
    titulo_->open();
    titulo_->first();
    diff_.qryDiferencas()->first();
    present(*project_);
}

} // namespace kreports
