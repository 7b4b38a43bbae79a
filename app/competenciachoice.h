#pragma once
// The competência the window shows, chosen in the status bar: a list of the
// kept competências, newest last, and the caption that names the one shown.

#include <QObject>
#include <QString>

class QComboBox;
class QMainWindow;

namespace korvane {
class BrowserModel;
}

class CompetenciaChoice : public QObject {
    Q_OBJECT
public:
    // caption: what the window's title says before the competência.
    CompetenciaChoice(QMainWindow& window, korvane::BrowserModel& model, QString caption);

    QComboBox* box() const { return box_; }
    // Reads the kept competências again (after a load) and shows the one
    // consulted, in the list and in the caption.
    void reload();
    // Makes the window show a kept competência (AAAAMM).
    void choose(const QString& competencia);

signals:
    // Every list of the window now shows another competência.
    void chosen();

private:
    void showCaption();

    QMainWindow& window_;
    korvane::BrowserModel& model_;
    QString caption_;
    QComboBox* box_ = nullptr;
    bool filling_ = false;
};
