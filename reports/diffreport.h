#pragma once
// The printed comparison of two competências: the changes the "O QUE MUDOU"
// window shows, under a line that names the competências and the filter.

#include "model/diffmodel.h"

#include <QObject>

#include <functional>

namespace kreports {

class TRvProject;

class DiffReport : public QObject {
    Q_OBJECT
public:
    using Present = std::function<void(TRvProject&)>;

    explicit DiffReport(korvane::DiffModel& diff, QObject* parent = nullptr);

    // The changes of the last run of the model, titled.
    void run(const QString& title, const QString& summary, const Present& present);
    TRvProject* RvMudancas() const { return project_; }

private:
    korvane::DiffModel& diff_;
    kdata::MemoryTable* titulo_;
    TRvProject* project_;
};

} // namespace kreports
