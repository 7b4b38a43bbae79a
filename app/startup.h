#pragma once

#include <functional>
#include <memory>
#include <string>

class TfrmKorvane;

// Builds the main window on the database at path. When the database cannot
// be opened, the client library's text goes to a message box and nothing is
// shown; the caller then ends the program with a failure status.
std::unique_ptr<TfrmKorvane> startMainWindow(const std::string& databasePath);

struct ProgramStart {
    std::string database;         // the database the program opens
    std::string shippedRelease;   // what a first start makes it from; empty when none ships
    std::function<void(TfrmKorvane&)> shown;   // once the main window is shown
};

// The whole program: a first start when the user has no database yet, the
// main window, the event loop. Takes SIGTERM, SIGINT and SIGHUP first
// (korvane::takeTerminationSignals), so call it before any thread exists; a
// signal closes the main window as its close button does. Returns the exit
// status: 0 once the main window has closed, 1 when the start failed.
int runProgram(int argc, char** argv, const ProgramStart& start);
