#pragma once
// How the command line writes what it found: for a person (aligned columns,
// the values as the windows show them), as CSV (a header row, ';' between
// fields, UTF-8) or as JSON, for scripts.

#include "data/extract.h"

#include <QString>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace cli {

enum class Format { Human, Csv, Json };

// One named value of a record, in the order it is written.
struct Field {
    QString key;      // for JSON
    QString label;    // for a person and the CSV header
    QString shown;    // as the windows show it
    kdb::Value value; // as stored, for JSON numbers
};

class Writer {
public:
    Writer(Format format, std::FILE* out) : format_(format), out_(out) {}

    // A list: every row of the extract.
    void list(const kdata::Extract& table);
    // One record and, after it, named lists (the procedure and its pages).
    void record(const std::vector<Field>& fields, const std::vector<std::pair<QString, kdata::Extract>>& lists = {});

private:
    void line(const QString& text);
    Format format_;
    std::FILE* out_;
};

// The pieces, for tests and other writers.
QString csvField(const QString& text);   // kexport::csvQuoted
QString jsonString(const QString& text);
QString jsonValue(const kdb::Value& value, kdata::ExtractColumn::Kind kind, const QString& shown);

} // namespace cli
