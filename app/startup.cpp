#include "startup.h"

#include "uKorvane.h"
#include "core/termination.h"
#include "ui/application.h"
#include "ui/dialogs.h"
#include "update/firststart.h"
#include "update/updaterun.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

std::unique_ptr<TfrmKorvane> startMainWindow(const std::string& databasePath)
{
    try {
        return std::make_unique<TfrmKorvane>(databasePath);
    } catch (const std::exception& e) {
        kui::dialogs().error(nullptr, kui::errorText(e));
        return nullptr;
    }
}

namespace {

// The first start loads a whole release: on a thread of its own, as every
// update runs, with a box that shows it going so the first minute is not a
// blank screen. A stop asked meanwhile ends the wait, and the run, seeing the
// request, rolls back and leaves no file.
bool firstStart(const ProgramStart& start)
{
    korvane::UpdateProgress progress;
    std::exception_ptr failure;
    std::atomic<bool> done{false};
    std::jthread worker([&] {
        try {
            korvane::makeFirstDatabase(start.database, start.shippedRelease, progress);
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true, std::memory_order_release);
    });

    QProgressDialog box(QStringLiteral("PREPARANDO O BANCO DE DADOS PARA O PRIMEIRO USO..."), QString(), 0, 100);
    box.setWindowTitle(kui::kApplicationTitle);
    box.setMinimumDuration(0);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        const auto total = progress.runTotal.load(std::memory_order_relaxed);
        if (total > 0) box.setValue(static_cast<int>(progress.runDone.load(std::memory_order_relaxed) * 100 / total));
        if (done.load(std::memory_order_acquire)) loop.quit();
    });
    poll.start();
    box.show();
    loop.exec();
    worker.join();
    box.hide();
    if (korvane::stopRequested()) return false;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            kui::dialogs().error(nullptr, QStringLiteral("NÃO FOI POSSÍVEL PREPARAR O BANCO DE DADOS.\n") + kui::errorText(e));
        }
        return false;
    }
    return true;
}

} // namespace

int runProgram(int argc, char** argv, const ProgramStart& start)
{
    korvane::takeTerminationSignals();
    kui::Application app(argc, argv);
    kui::loadBundledFonts();

    std::unique_ptr<TfrmKorvane> frmKorvane;
    // Before the main window exists a stop ends the loop the start is in
    // (a message box, the first start's wait); the start then fails.
    QSocketNotifier stop(korvane::stopDescriptor(), QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [&] {
        stop.setEnabled(false);
        if (frmKorvane) frmKorvane->close();
        else QCoreApplication::exit(1);
    });

    if (korvane::needsFirstDatabase(start.database, start.shippedRelease) && !firstStart(start)) return 1;
    frmKorvane = startMainWindow(start.database);
    if (!frmKorvane) return 1;
    frmKorvane->showMaximized();
    if (start.shown) start.shown(*frmKorvane);
    return app.exec();
}
