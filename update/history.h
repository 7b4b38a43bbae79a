#pragma once
// Every release kept: the 24 release tables hold the rows of each kept
// competência. Each table T is stored as H_T, one row per version of a row
// with the run of kept competências it held in (HIST_INI to HIST_FIM; no
// HIST_FIM: up to the newest kept), and T itself is a view that shows the
// versions held in the competência the attachment consults. VERSAO shows
// that competência's VERSAO; HIST_RELEASE lists the kept ones.
//
// The consulted competência is the attachment's own (a context variable),
// so two seats of an office may look at two months at once; an attachment
// that names none sees the newest.

#include <cstdint>
#include <string>
#include <vector>

namespace kdb {
class Connection;
class Transaction;
} // namespace kdb

namespace korvane {

struct TableLayout;

// A kept release.
struct KeptRelease {
    std::string competencia;   // AAAAMM
    std::string versao;        // MM/AAAA, as VERSAO shows it
    std::string stamp;         // the publication (AAMMDDHHMM), empty when not known
};

// Oldest first.
std::vector<KeptRelease> keptReleases(kdb::Connection& db, kdb::Transaction& tr);

// A competência as typed ("06/2026" or "202606") among the kept ones, as
// AAAAMM; one not kept throws std::invalid_argument naming those kept.
std::string keptCompetencia(const std::vector<KeptRelease>& kept, const std::string& typed);

// The competência this attachment consults from now on (AAAAMM); an empty
// text goes back to the newest.
void consultCompetencia(kdb::Connection& db, const std::string& competencia);
// What the attachment consults: the one it named, else the newest; empty
// when nothing is kept.
std::string consultedCompetencia(kdb::Connection& db, kdb::Transaction& tr);

// A kept competência consulted for a while: the attachment may be the main
// window's, which goes on showing its own afterwards. A competência not kept,
// or the one consulted already, changes nothing.
class ConsultedFor {
public:
    ConsultedFor(kdb::Connection& db, const std::string& competencia);
    ~ConsultedFor();
    ConsultedFor(const ConsultedFor&) = delete;
    ConsultedFor& operator=(const ConsultedFor&) = delete;

private:
    kdb::Connection& db_;
    std::string restore_;
    bool changed_ = false;
};

// The history table of a release table ("H_TB_PROC").
std::string historyTable(const TableLayout& layout);

// Whether the database keeps its releases as history (a database made
// before keeps one release in plain tables).
bool keepsHistory(kdb::Connection& db);

// Turns the 24 release tables and VERSAO into history and views. Rows the
// tables hold become the competência VERSAO names (or are kept with no
// competência when there is none). Runs and commits on its own; a database
// that keeps history already is left alone, but for the indexes on HIST_INI
// and HIST_FIM that earlier databases had, which go. Returns whether it
// converted.
bool convertToHistory(kdb::Connection& db);

} // namespace korvane
