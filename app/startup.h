#pragma once

#include <memory>
#include <string>

class TfrmKorvane;

// Builds the main window on the database at path. When the database cannot
// be opened, the client library's text goes to a message box and nothing is
// shown; the caller then ends the program with a failure status.
std::unique_ptr<TfrmKorvane> startMainWindow(const std::string& databasePath);
