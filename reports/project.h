#pragma once
// A report project bound to its file. Its one operation runs the project's
// default report and hands the pages to the report output (a preview,
// unless another output is installed).

#include "definition.h"
#include "document.h"

#include <QObject>

#include <functional>
#include <memory>

namespace kreports {

class TRvProject : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString ProjectFile READ projectFile WRITE setProjectFile)
public:
    explicit TRvProject(const QString& name, QObject* parent = nullptr);

    QString projectFile() const { return projectFile_; }
    // A new file is read at the next run.
    void setProjectFile(const QString& path);

    // The file is read at the first run and kept; when it cannot be read
    // the run fails naming it and the next run tries again.
    bool isLoaded() const { return project_ != nullptr; }
    void load();
    // The project as read (loading it first).
    const ProjectDef& definition()
    {
        load();
        return *project_;
    }

    // Lays out the default report over the connections. Showing the pages
    // belongs to the windows (kui::runReport).
    Document render();
    // What a run also hands on as a table (Document::table); none by default.
    void setTableSource(std::function<kdata::Extract()> source) { tableSource_ = std::move(source); }
    void renderToPdf(const QString& path);

private:
    QString projectFile_;
    std::shared_ptr<const ProjectDef> project_;
    std::function<kdata::Extract()> tableSource_;
};

} // namespace kreports
