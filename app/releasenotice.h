#pragma once
// The start-up look for a newer release: the download folder is listed on a
// thread of its own, for a second at most, so the window never waits for
// the network; when it publishes a competência newer than the loaded one, a
// label of the status bar says so. No answer, or a failure, says nothing.

#include <QObject>
#include <QString>

#include <string>
#include <thread>

class QLabel;

class ReleaseNotice : public QObject {
    Q_OBJECT
public:
    explicit ReleaseNotice(QLabel* label, QObject* parent = nullptr);
    // Waits for a look still under way (a second at most).
    ~ReleaseNotice() override;

    // Lists the folder at address; loaded is the database's VERSAO ("06/2026").
    void start(const std::string& address, const QString& loaded);
    // After a load: the label follows the competência now in the database.
    void loadedIs(const QString& loaded);

    // The newest competência the folder published (AAAAMM), empty until known.
    const std::string& newest() const { return newest_; }

signals:
    // The look ended, whatever it found.
    void checked();

private:
    void show();

    QLabel* label_;
    std::string newest_, loaded_;
    std::jthread worker_;
};
