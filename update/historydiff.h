#pragma once
// What changed between kept competências, read from the history: the rows a
// release file held in one competência and not in the other, paired by
// their key into changes of a field. A procedure's history is the same
// comparison, month after month, over that procedure's rows.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kdb {
class Connection;
class Transaction;
} // namespace kdb

namespace korvane {

enum class Mudanca { Incluido, Excluido, Alterado };

// One change, as `korvane-cli diff --csv` writes it. Texts are stored bytes
// (Windows-1252), trimmed.
struct RowChange {
    std::string arquivo;   // the release file without ".txt": "tb_procedimento"
    Mudanca mudanca = Mudanca::Alterado;
    std::string codigo;    // the procedure, or the table's own code
    std::string chave;     // the rest of the row's key ("A01" of a CID link), "/" between parts
    std::string campo;     // the field changed, as the release names it ("VL_SA")
    std::string antes, depois;
};

const char* mudancaName(Mudanca m);   // "incluido", "excluido", "alterado"

// Which rows take part: every row, or those of the procedures accepted.
struct ChangeFilter {
    // Receives a procedure code (10 digits); rows of tables without a
    // procedure always take part.
    std::function<bool(const std::string& procedure)> procedure;
};

// Between two kept competências (AAAAMM, either order: `from` is the one
// the changes start from): the procedures, then every other table in load
// order, each by code and key.
std::vector<RowChange> diffCompetencias(kdb::Connection& db, kdb::Transaction& tr, const std::string& from,
                                        const std::string& to, const ChangeFilter& filter = {});

// A procedure over the kept competências: runs of competências in which
// nothing of it changed.
struct HistoryRun {
    std::string first, last;                  // AAAAMM, the run's competências
    bool present = false;                     // the procedure is in the table in these
    std::vector<std::pair<std::string, std::string>> fields;   // release field → value, when present
    std::vector<std::pair<std::string, int>> counts;           // related file → rows
    std::vector<RowChange> changes;           // against the run before (none for the first)
};

std::vector<HistoryRun> procedureHistory(kdb::Connection& db, kdb::Transaction& tr, const std::string& code);

} // namespace korvane
