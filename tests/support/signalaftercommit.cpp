// korvane_signal_after_commit --database DB FOLDER: korvane-update, with
// what a clerk's Ctrl-C right after the commit brings: SIGINT, and every
// attachment of the process shut down (what the database client does on
// SIGINT when it gets to handle it), so that the statistics and the detach
// that follow the commit fail.

#include "cli/release.h"
#include "core/termination.h"
#include "tools/folderargs.h"

#include <ibase.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

int main(int argc, char** argv)
{
    korvane::takeTerminationSignals();
    cli::Context context;
    std::string folder;
    if (!korvane::parseDatabaseAndFolder(argc, argv, context.database, folder) || context.database.empty()) {
        std::fprintf(stderr, "usage: korvane_signal_after_commit --database DB FOLDER\n");
        return 2;
    }
    korvane::UpdateHooks hooks;
    hooks.afterCommit = [] {
        ::kill(getpid(), SIGINT);
        // The signal is taken on another thread; let it arrive.
        for (int i = 0; i < 200 && !korvane::stopRequested(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        fb_shutdown(0, fb_shutrsn_signal);
    };
    return cli::runUpdate(context, folder, "korvane-update", hooks);
}
