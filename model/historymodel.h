#pragma once
// A procedure over the kept competências, as the "Histórico" page and
// `korvane-cli history` show it: one row per run of competências in which
// nothing of it changed, and the changes that start each run.

#include "data/memorytable.h"
#include "update/historydiff.h"

#include <QObject>

#include <string>
#include <vector>

namespace kdb {
class Connection;
class Transaction;
} // namespace kdb

namespace korvane {

// The related lists counted on each run, by release file.
struct CountedList {
    const char* arquivo;   // "rl_procedimento_cid"
    const char* column;    // the runs table's column
    const char* title;     // what a grid's title says
};
const std::vector<CountedList>& countedLists();

class HistoryModel : public QObject {
    Q_OBJECT
public:
    HistoryModel(kdb::Connection& db, kdb::Transaction& tr, QObject* parent = nullptr);

    // Reads the procedure's history (a code of 10 digits; empty empties both tables).
    void show(const std::string& code);
    const std::string& code() const { return code_; }
    const std::vector<HistoryRun>& runs() const { return history_; }

    // COMPETENCIAS, SITUACAO, PROC_DESCR, VL_SA, VL_SH, VL_SP, VL_TOTAL,
    // FINANCIAMENTO, COMPLEXIDADE, SEXO, IDADE_MINIMA, IDADE_MAXIMA, QT_MAXIMA,
    // then one count per counted list.
    kdata::MemoryTable* qryHistorico() const { return runsTable_; }
    // COMPETENCIA, ARQUIVO, MUDANCA, CHAVE, CAMPO, ANTES, DEPOIS.
    kdata::MemoryTable* qryMudancas() const { return changesTable_; }

private:
    void fill();

    kdb::Connection& db_;
    kdb::Transaction& tr_;
    std::string code_;
    std::vector<HistoryRun> history_;
    kdata::MemoryTable* runsTable_;
    kdata::MemoryTable* changesTable_;
};

// "06/2026" or "03/2026 a 06/2026".
std::string runShown(const HistoryRun& run);
// What a run says of the procedure: "incluído", "excluído", "voltou",
// "alterado", "sem mudança", or "não existe" for a first run without it.
std::string situacaoOf(const std::vector<HistoryRun>& runs, std::size_t index);
// A release value as a person reads it: money with a comma, months as an age.
QString valueShown(const std::string& campo, const std::string& value);

} // namespace korvane
