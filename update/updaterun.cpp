#include "updaterun.h"

#include "core/settingpath.h"
#include "core/termination.h"
#include "db/schema.h"

#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/firstload.h"
#include "update/history.h"
#include "update/historydigest.h"
#include "update/historyindexes.h"
#include "update/historystore.h"
#include "update/loadheap.h"
#include "update/releasecheck.h"
#include "update/releaseinfo.h"
#include "update/rowbuilder.h"
#include "update/schemaupgrade.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <map>
#include <optional>
#include <utility>

namespace korvane {

void UpdateProgress::reset()
{
    step = 0;
    tableDone = 0;
    tableTotal = 0;
    runDone = 0;
    runTotal = 0;
    filesRead = false;
}

namespace {

// A request to end the process ends the run before its commit; the
// transaction is rolled back as the run unwinds.
void throwIfStopped()
{
    if (stopRequested()) throw UpdateError("Atualização interrompida: a versão anterior continua no banco.");
}

// Where the release's competência stands among those kept. A competência
// kept already is replaced by a later publication of it, never by an older
// one: the history then depends on what was published, not on the order of
// the loads.
CompetenciaPlace placeOf(kdb::Connection& db, kdb::Transaction& tr, const ReleaseInfo& info)
{
    CompetenciaPlace place;
    place.current = info.competencia;
    for (const KeptRelease& k : keptReleases(db, tr)) {
        if (k.competencia < info.competencia) place.previous = k.competencia;
        else if (k.competencia > info.competencia && place.next.empty()) place.next = k.competencia;
        else if (k.competencia == info.competencia) place.kept = true;
        if (k.competencia == info.competencia && !k.stamp.empty() && !info.published.empty() && k.stamp > info.published)
            throw UpdateError("A competência " + competenciaShown(k.competencia) + " já está carregada numa publicação mais "
                              "nova (" + publishedShown(k.stamp) + ") do que esta (" + publishedShown(info.published) + ")");
    }
    return place;
}

// The engine picks its indexes by their statistics; a month that changes a
// few rows of a table in a hundred leaves them as true as they were.
bool reshapes(const StoreCounts& c, std::size_t lines)
{
    const std::size_t written = c.inserted + c.ended + c.extended + c.removed;
    return written > 0 && written * 10 >= lines;
}

void keepRelease(kdb::Connection& db, kdb::Transaction& tr, const ReleaseInfo& info, const std::string& origin)
{
    kdb::Query q(db, tr);
    q.setSql("update or insert into HIST_RELEASE (CMPT, VERSAO, PUBLICACAO, ORIGEM, CARREGADA) "
             "values (:c, :v, :p, :o, current_timestamp) matching (CMPT)");
    q.setParam("c", info.competencia);
    q.setParam("v", competenciaShown(info.competencia));
    q.setParam("p", info.published.empty() ? kdb::Value() : kdb::Value(info.published));
    q.setParam("o", origin.substr(0, 500));
    q.execute();
}

// Each history table's rows in the release.
std::map<std::string, std::size_t> rowsToCome(const CheckedRelease& release)
{
    std::map<std::string, std::size_t> rows;
    for (const CheckedRelease::Entry& entry : release.entries()) rows[historyTable(*entry.layout.layout)] = entry.lines;
    return rows;
}

UpdateError located(const std::exception& e, const CheckedRelease::Entry& entry, std::size_t lineNo)
{
    std::string where = "\n" + entry.path;
    if (lineNo > 0) where += ", line " + std::to_string(lineNo);
    return UpdateError(e.what() + where);
}

StoreCounts storeEntry(kdb::Connection& db, kdb::Transaction& tr, const CheckedRelease& release,
                       const CheckedRelease::Entry& entry, const CompetenciaPlace& place, const KeyBuckets* open,
                       const std::function<void(std::size_t done)>& lineDone, std::size_t& lineNo)
{
    ReleaseFile read;
    const ReleaseFile& file = entry.kept ? *entry.kept : (read = release.reread(entry));
    if (entry.kept && release.source().changed(entry.layout.layout->fileName, entry.stamp))
        throw UpdateError("File \"" + file.path + "\" changed while the update was running");
    return storeTable(db, tr, entry.layout, file, place, open, lineDone, lineNo);
}

// The largest table of a first load (a quarter of its rows and more), stored
// on the second attachment, the one that builds the indexes beside the
// load, while the run's stores the rest; committed there, its indexes are
// then built like any other's.
class TableBeside {
public:
    TableBeside(const CheckedRelease& release, const CheckedRelease::Entry& entry, const CompetenciaPlace& place,
                IndexesAside& aside, UpdateProgress& progress)
    {
        auto done = std::make_shared<std::promise<void>>();
        done_ = done->get_future();
        const bool runs = aside.runBeside([this, done, &release, &entry, &place, &aside, &progress](kdb::Connection& db) {
            std::size_t lineNo = 0;
            try {
                kdb::Transaction tr(db);
                counts_ = storeEntry(db, tr, release, entry, place, nullptr, [&](std::size_t) {
                    progress.runDone.fetch_add(1, std::memory_order_relaxed);
                    if (cancelled_.load(std::memory_order_relaxed)) throw UpdateError("cancelled");
                    throwIfStopped();
                }, lineNo);
                tr.commit();
                aside.committed(historyTable(*entry.layout.layout));
                done->set_value();
            } catch (const UpdateError&) {
                done->set_exception(std::current_exception());
            } catch (const std::exception& e) {
                done->set_exception(std::make_exception_ptr(located(e, entry, lineNo)));
            }
        });
        if (!runs) throw kdb::Error("no second attachment");
    }
    // The run failed: the table's transaction goes back.
    ~TableBeside()
    {
        cancelled_.store(true);
        if (done_.valid()) done_.wait();
    }
    TableBeside(const TableBeside&) = delete;
    TableBeside& operator=(const TableBeside&) = delete;

    StoreCounts join()
    {
        done_.get();
        return counts_;
    }

private:
    std::atomic<bool> cancelled_{false};
    StoreCounts counts_;
    std::future<void> done_;
};

// The entry a first load stores beside, if one is worth it.
const CheckedRelease::Entry* largestOf(const CheckedRelease& release)
{
    const CheckedRelease::Entry* largest = nullptr;
    for (const CheckedRelease::Entry& entry : release.entries())
        if (!largest || entry.lines > largest->lines) largest = &entry;
    return largest && largest->lines * 4 >= static_cast<std::size_t>(release.totalLines()) ? largest : nullptr;
}

struct Stored {
    std::vector<std::pair<std::string, KeyBuckets>> summaries;
    std::vector<std::string> reshaped;
};

// The release's rows, table by table, in `tr`, and the release kept; with
// `tableByTable` (a first load), each table committed as it ends and its
// indexes handed to be built beside the load, and the largest table
// stored beside. Returns the tables changed much.
std::vector<std::string> storeRelease(kdb::Connection& db, kdb::Transaction& tr, const CheckedRelease& release,
                                      const ReleaseInfo& info, const CompetenciaPlace& place, IndexesAside& aside,
                                      UpdateProgress& progress, const UpdateHooks& hooks, bool tableByTable)
{
    // After every kept competência, what each table holds in the newest
    // is known by its summary; a month loaded among the kept ones leaves
    // the summaries to the next load of the newest.
    const bool newest = place.next.empty();
    const std::map<std::string, KeyBuckets> open = newest && !place.kept && !place.previous.empty()
                                                       ? readDigests(db, tr, place.previous)
                                                       : std::map<std::string, KeyBuckets>();
    if (!newest) clearDigests(db, tr);
    Stored out;
    // A table whose indexes are built anew after the load has their
    // statistics with them.
    const std::vector<std::string>& rebuilt = aside.tables();
    const auto stored = [&](const CheckedRelease::Entry& entry, const StoreCounts& counts) {
        const std::string table = historyTable(*entry.layout.layout);
        if (newest) out.summaries.emplace_back(table, counts.held);
        if (reshapes(counts, entry.lines) && std::find(rebuilt.begin(), rebuilt.end(), table) == rebuilt.end())
            out.reshaped.push_back(table);
        if (hooks.afterStep) hooks.afterStep(entry.layout.layout->step);
    };
    // The largest table begins at once on the second attachment, which
    // builds no index before it is stored.
    const CheckedRelease::Entry* largest = tableByTable ? largestOf(release) : nullptr;
    std::unique_ptr<TableBeside> beside;
    if (largest) {
        try {
            beside = std::make_unique<TableBeside>(release, *largest, place, aside, progress);
        } catch (const kdb::Error&) {
            // No second attachment: this one stores it.
        }
    }
    for (const CheckedRelease::Entry& entry : release.entries()) {
        const TableLayout& layout = *entry.layout.layout;
        std::size_t lineNo = 0;
        try {
            progress.tableTotal.store(static_cast<std::int64_t>(entry.lines), std::memory_order_relaxed);
            progress.tableDone.store(0, std::memory_order_relaxed);
            progress.step.store(layout.step, std::memory_order_release);
            if (hooks.beforeStep) hooks.beforeStep(layout.step);
            if (beside && &entry == largest) continue;
            const std::string table = historyTable(layout);
            const auto summary = open.find(table);
            stored(entry, storeEntry(db, tr, release, entry, place, summary == open.end() ? nullptr : &summary->second,
                                     [&](std::size_t done) {
                                         progress.tableDone.store(static_cast<std::int64_t>(done), std::memory_order_relaxed);
                                         progress.runDone.fetch_add(1, std::memory_order_relaxed);
                                         throwIfStopped();
                                     }, lineNo));
            if (tableByTable) {
                tr.commit();
                aside.committed(table);
            }
        } catch (const UpdateError&) {
            throw;
        } catch (const std::exception& e) {
            throw located(e, entry, lineNo);
        }
    }
    if (beside) {
        // The indexes are built before the release is kept, this attachment
        // taking its share once its tables are in; what cannot be built now
        // is left to the next opening.
        try {
            aside.restore();
        } catch (const std::exception&) {
        }
        stored(*largest, beside->join());
    }
    if (tableByTable) unmarkFirstLoad(db, tr);
    keepRelease(db, tr, info, release.folder());
    for (const auto& [table, buckets] : out.summaries) writeDigest(db, tr, table, place.current, buckets);
    return out.reshaped;
}

// The release to load: read already, or still read on threads of its own
// while the database is readied for it, and then waited for; what the
// reading threw is thrown by the call.
using ReleaseToCome = std::function<const CheckedRelease&()>;

// Readies the database for the release still read; should that fail, what
// the reading found wrong is said first, as when the release was read
// before anything.
template <class F>
void readying(const ReleaseToCome& toCome, F&& ready)
{
    try {
        ready();
    } catch (...) {
        toCome();
        throw;
    }
}

void loadReleaseAs(kdb::Connection& db, const ReleaseToCome& toCome, UpdateProgress& progress,
                   const UpdateHooks& hooks, bool tableByTable)
{
    // A first load's indexes are set aside, its second attachment opened
    // and its mark set while the release is still read.
    std::optional<IndexesAside> aside;
    readying(toCome, [&] {
        aside.emplace(db);
        if (!tableByTable) return;
        aside->openBeside();
        markFirstLoad(db);
    });
    std::vector<std::string> reshaped;
    try {
        const CheckedRelease& release = toCome();
        progress.runTotal.store(release.totalLines());
        progress.runDone.store(0);
        progress.filesRead.store(true);
        const ReleaseInfo info = describeRelease(release.source());
        // Every competência kept is a month of the history: a release that
        // does not say its own cannot take a place in it.
        if (competenciaShown(info.competencia).empty())
            throw UpdateError("Esta versão não diz a sua competência (tb_procedimento.txt vazio e o nome da pasta ou do "
                              "zip sem ela): a versão anterior continua no banco.");
        aside->expect(rowsToCome(release));
        kdb::Transaction tr(db);
        const CompetenciaPlace place = placeOf(db, tr, info);
        refuseEmptiedLinks(db, tr, release, place);
        reshaped = storeRelease(db, tr, release, info, place, *aside, progress, hooks, tableByTable);
        throwIfStopped();
        tr.commit();
    } catch (...) {
        // What the first load committed goes again; should that fail too,
        // its mark leaves it to the next load.
        if (tableByTable) {
            aside->abandon();
            try {
                discardFirstLoad(db);
            } catch (...) {
            }
        }
        throw;
    }
    // The release is in, and that is the outcome whatever follows. Fresh
    // statistics of the tables it changed much keep the browser's joins on
    // their indexes; a failure here (the attachment shut down under us, a
    // table another attachment holds while its indexes are built) costs
    // only speed until the next opening.
    try {
        if (hooks.afterCommit) hooks.afterCommit();
        aside->restore();
        kdb::refreshIndexStatistics(db, reshaped);
    } catch (...) {
    }
}

} // namespace

void loadRelease(kdb::Connection& db, const CheckedRelease& release, UpdateProgress& progress, const UpdateHooks& hooks)
{
    loadReleaseAs(db, [&]() -> const CheckedRelease& { return release; }, progress, hooks, false);
}

void updateTables(kdb::Connection& db, std::string_view folder, UpdateProgress& progress, const UpdateHooks& hooks)
{
    const CheckedRelease release = CheckedRelease::read(folder);
    // A database of an earlier version gets the columns this release fills
    // and keeps its releases from now on.
    upgradeSchema(db);
    convertToHistory(db);
    loadRelease(db, release, progress, hooks);
}

namespace {

// The first load of a local database that keeps no release yet: a crash of
// the machine during it loses nothing that was there, so the engine leaves
// its pages to the system (a quarter of the load's time went to writing
// each page through), and the file is written to the disk once at the end,
// with forced writes set again, however the load ends.
void loadFirstRelease(kdb::Connection& db, const kdb::Credentials& credentials, const ReleaseToCome& toCome,
                      UpdateProgress& progress, const UpdateHooks& hooks)
{
    const std::string path = db.path();
    readying(toCome, [&] {
        db.close();
        db.openDeferringWrites(path, credentials);
    });
    try {
        loadReleaseAs(db, toCome, progress, hooks, true);
    } catch (...) {
        try {
            db.close();
            kdb::Connection::syncAndForceWrites(path, credentials);
        } catch (...) {
        }
        throw;
    }
    // Committed: a detach that fails now cannot take the release back out.
    try {
        db.close();
    } catch (...) {
    }
    kdb::Connection::syncAndForceWrites(path, credentials);
}

} // namespace

void updateDatabase(const std::string& path, const kdb::Credentials& credentials, std::string_view folder,
                    UpdateProgress& progress, const UpdateHooks& hooks)
{
    const LoadHeap heap;
    // The release is read and checked on threads of its own while this one
    // opens the database and readies it.
    const std::shared_future<CheckedRelease> reading =
        std::async(std::launch::async, [f = std::string(folder)] { return CheckedRelease::read(f); }).share();
    const ReleaseToCome toCome = [&]() -> const CheckedRelease& { return reading.get(); };
    kdb::Connection db;
    db.open(path, credentials);
    const bool local = isLocalDatabase(path);
    bool first = false;
    readying(toCome, [&] {
        upgradeSchema(db);
        convertToHistory(db);
        // A first load cut short by a crash left its rows out of sight.
        if (unfinishedFirstLoad(db)) discardFirstLoad(db);
        first = local && !keepsAnyRelease(db);
    });
    if (first) return loadFirstRelease(db, credentials, toCome, progress, hooks);
    // A first load cut short by a crash of the machine left its forced
    // writes off; every later load writes its pages through.
    readying(toCome, [&] {
        if (!local || db.forcedWrites()) return;
        db.close();
        try {
            kdb::Connection::syncAndForceWrites(path, credentials);
        } catch (...) {
        }
        db.open(path, credentials);
    });
    loadReleaseAs(db, toCome, progress, hooks, false);
    // Committed: a detach that fails now cannot take the release back out.
    try {
        db.close();
    } catch (...) {
    }
}

} // namespace korvane
