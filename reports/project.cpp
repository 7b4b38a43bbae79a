#include "project.h"

#include "layout.h"

namespace kreports {

TRvProject::TRvProject(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }

void TRvProject::setProjectFile(const QString& path)
{
    if (path == projectFile_) return;
    projectFile_ = path;
    project_.reset();
}

void TRvProject::load()
{
    if (!project_) project_ = loadProject(projectFile_);
}

Document TRvProject::render()
{
    load();
    Document doc = layOut(project_->defaultReport(), projectFile_);
    if (tableSource_) doc.table = std::make_shared<const kdata::Extract>(tableSource_());
    return doc;
}

void TRvProject::renderToPdf(const QString& path) { writePdf(render(), path); }

} // namespace kreports
