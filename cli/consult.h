#pragma once
// The consultation from a terminal: the procedure list, one procedure with
// every related list, and the CID-10 and CBO lookups, over the same models
// as the windows.

#include "cli/output.h"
#include "model/lookupmodel.h"

#include <QStringList>

#include <map>

#include <stdexcept>
#include <string>

namespace cli {

struct Context {
    std::string database;
    std::string competencia;   // the one consulted (AAAAMM or MM/AAAA); empty: the newest kept
    Format format = Format::Human;
};

// A command line that does not say what to do: exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The words of a command: its positional words, and the values of the
// options it knows (an option it does not know is a UsageError).
struct Words {
    QStringList positional;
    std::map<QString, QString> options;
};
Words split(const QStringList& args, const QStringList& known);

// Each takes the words after its name and returns the exit status; a
// failure throws (UsageError, or any other exception for status 1).
int search(const Context& context, const QStringList& args);
int show(const Context& context, const QStringList& args);
int cid(const Context& context, const QStringList& args);
int cbo(const Context& context, const QStringList& args);
// A list of codes from a file (a sheet, a CSV, text; "-" for the standard
// input), one row each for the competência loaded.
int batch(const Context& context, const QStringList& args);
// Any of those lists to a file: export LIST ARGS --csv FILE | --xlsx FILE.
int exportList(const Context& context, const QStringList& args);

// The lists as the windows' grids show them, for the terminal and for files.
kdata::Extract searchTable(const Context& context, const QStringList& args);
kdata::Extract pageTable(const Context& context, const QStringList& args);   // show CODE --page PAGE
kdata::Extract lookupTable(const Context& context, const QStringList& args, korvane::LookupKind kind);
// `note` receives the competência and the count of codes not found.
kdata::Extract batchTable(const Context& context, const QStringList& args, QString* note = nullptr);

} // namespace cli
