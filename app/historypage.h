#pragma once
// The "Histórico" page: the current procedure over every kept competência.
// It reads only while shown, so moving through the list stays as fast as
// without it.

#include <QWidget>

#include <memory>

namespace korvane {
class BrowserModel;
class HistoryModel;
} // namespace korvane

namespace kui {
class DBGrid;
}

class HistoryPage : public QWidget {
    Q_OBJECT
public:
    explicit HistoryPage(korvane::BrowserModel& model, QWidget* parent = nullptr);
    ~HistoryPage() override;

    korvane::HistoryModel& history() const { return *history_; }
    // Shows the current procedure's history when the page is on screen and
    // the procedure is another than the one shown.
    void follow();
    // After a load: what was read is stale; read again when shown.
    void releaseLoaded();

protected:
    void showEvent(QShowEvent* event) override;

private:
    korvane::BrowserModel& model_;
    std::unique_ptr<korvane::HistoryModel> history_;
    kui::DBGrid* dbgHistorico = nullptr;
    kui::DBGrid* dbgMudancas = nullptr;
};
