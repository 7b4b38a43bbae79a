#pragma once
// A procedure as one competência of the table has it, for the list of codes,
// and what changed in it between two competências. Where the rows of a
// competência come from is behind CompetenceRows: today the release loaded
// in the database (one competência); a database that keeps every release it
// loaded answers for each of them through the same interface.

#include "db/value.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace kdb {
class Connection;
class Query;
class Transaction;
}

namespace korvane {

struct CodeRow {
    std::string code;       // ten digits
    bool found = false;     // false: no such procedure in the competência
    QString name;
    kdb::Value sa, sh, sp, total;   // exact, or NULL
    QString financing;
    QString complexity;     // "MÉDIA COMPLEXIDADE"
    QString instruments;    // the instruments of registration, " / " between them
};

// What differs from earlier to now, one text each, in the list's column
// order: "Valor SH: de 12,00 para 13,50". A code only now found gives "incluído";
// one no longer found, "excluído". Nothing when they agree.
std::vector<QString> rowChanges(const CodeRow& earlier, const CodeRow& now);

// "202606" → "06/2026", and back; other texts pass unchanged.
QString competenciaShown(const QString& aaaamm);
QString competenciaOf(const QString& shown);

class CompetenceRows {
public:
    virtual ~CompetenceRows() = default;
    // The competências that can be read (AAAAMM), newest first; the first is
    // the one consulted.
    virtual std::vector<QString> competencias() = 0;
    // One row for each code, in the order given; a code the competência does
    // not have comes back not found. A competência not kept throws.
    virtual std::vector<CodeRow> rows(const QString& competencia, const std::vector<std::string>& codes) = 0;
};

// The competências the database keeps, over a connection the caller keeps
// open (one, the one VERSAO names, for a database without history); another
// than the one consulted is consulted while its rows are read. The procedure, its
// financing and its instruments are read with the statements the browser
// and the sheet use.
class LoadedRelease : public CompetenceRows {
public:
    explicit LoadedRelease(kdb::Connection& connection);
    ~LoadedRelease() override;
    std::vector<QString> competencias() override;
    std::vector<CodeRow> rows(const QString& competencia, const std::vector<std::string>& codes) override;

private:
    CodeRow read(const std::string& code);

    kdb::Connection& connection_;
    std::unique_ptr<kdb::Transaction> transaction_;
    std::unique_ptr<kdb::Query> procedure_, instruments_, versao_;
};

} // namespace korvane
