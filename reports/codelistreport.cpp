#include "codelistreport.h"

#include "connection.h"
#include "project.h"

#include "core/settingpath.h"
#include "korvane_config.h"

namespace kreports {

CodeListReport::CodeListReport(korvane::CodeBatch& batch, QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("codeListReport"));
    new TRvDataSetConnection(QStringLiteral("RvDtsListaCodigos"), batch.cdsCodigos(), this);
    const QString projects = QString::fromStdString(korvane::settingPath(KORVANE_REPORTS_DIR));
    RvListaCodigos_ = new TRvProject(QStringLiteral("RvListaCodigos"), this);
    RvListaCodigos_->setProjectFile(projects + QStringLiteral("/ListaCodigos.rav"));
    kdata::MemoryTable* rows = batch.cdsCodigos();
    RvListaCodigos_->setTableSource([rows] { return kdata::extract(*rows, korvane::CodeBatch::columns()); });
}

} // namespace kreports
