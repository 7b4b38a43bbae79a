#pragma once
// What changed between two kept competências, as the "O QUE MUDOU" window,
// its report and `korvane-cli diff` show it.

#include "data/extract.h"
#include "data/memorytable.h"
#include "update/historydiff.h"

#include <QObject>
#include <QString>

#include <string>
#include <vector>

namespace kdb {
class Connection;
class Transaction;
} // namespace kdb

namespace korvane {

struct DiffRequest {
    std::string from, to;              // AAAAMM (or MM/AAAA), both kept
    std::string prefix;                // group, subgroup or form: the first 2, 4 or 6 digits
    std::vector<std::string> codes;    // only these procedures, when any
    // Narrowed by procedure: tables without one (the CID-10, the groups…) then stay out.
    bool narrowed() const { return !prefix.empty() || !codes.empty(); }
};

// Procedure codes written in any mask ("03.01.01.001-3", "0301010013"), one
// per line or between spaces, commas or semicolons. What is not a code of
// ten digits is returned in `refused`.
std::vector<std::string> parseCodes(const QString& text, std::vector<QString>* refused = nullptr);

// Checks the request against the kept competências (std::invalid_argument
// with the reason) and reads the changes.
std::vector<RowChange> runDiff(kdb::Connection& db, kdb::Transaction& tr, const DiffRequest& request);

// The changes as the command line's CSV and JSON write them:
// arquivo;mudanca;codigo;chave;campo;antes;depois.
kdata::Extract changesExtract(const std::vector<RowChange>& changes);

class DiffModel : public QObject {
    Q_OBJECT
public:
    DiffModel(kdb::Connection& db, kdb::Transaction& tr, QObject* parent = nullptr);
    void run(const DiffRequest& request);
    const std::vector<RowChange>& changes() const { return changes_; }
    // ARQUIVO, MUDANCA, CODIGO, PROC_DESCR, CHAVE, CAMPO, ANTES, DEPOIS.
    kdata::MemoryTable* qryDiferencas() const { return table_; }
    // "12 procedimentos incluídos, 3 excluídos, 40 alterados; 310 linhas de listas…"
    QString summary() const;

private:
    kdb::Connection& db_;
    kdb::Transaction& tr_;
    std::vector<RowChange> changes_;
    kdata::MemoryTable* table_;
};

} // namespace korvane
