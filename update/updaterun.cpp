#include "updaterun.h"

#include "db/schema.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/releasecheck.h"
#include "update/rowbuilder.h"
#include "update/schemaupgrade.h"

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

CheckedRelease CheckedRelease::read(std::string_view path)
{
    return read(std::shared_ptr<const ReleaseSource>(openReleaseSource(path)));
}

CheckedRelease CheckedRelease::read(std::shared_ptr<const ReleaseSource> source)
{
    source->verify();
    CheckedRelease r;
    r.source_ = std::move(source);
    r.entries_.reserve(releaseLayouts().size());
    ReleaseChecks checks;
    for (const TableLayout& layout : releaseLayouts()) {
        Entry e;
        e.layout = resolveLayout(layout, *r.source_);
        const ReleaseFile file = r.source_->read(layout.fileName);
        checks.check(e.layout, file);
        e.path = file.path;
        e.lines = file.lines.size();
        e.bytes = file.content.size();
        e.stamp = r.source_->stamp(layout.fileName);
        r.entries_.push_back(std::move(e));
    }
    return r;
}

ReleaseFile CheckedRelease::reread(const Entry& entry) const
{
    ReleaseFile file = source_->read(entry.layout.layout->fileName);
    if (file.lines.size() != entry.lines || !(source_->stamp(entry.layout.layout->fileName) == entry.stamp))
        throw UpdateError("File \"" + file.path + "\" changed while the update was running");
    return file;
}

std::int64_t CheckedRelease::totalLines() const
{
    std::int64_t n = 0;
    for (const Entry& e : entries_) n += static_cast<std::int64_t>(e.lines);
    return n;
}

std::size_t CheckedRelease::totalBytes() const
{
    std::size_t n = 0;
    for (const Entry& e : entries_) n += e.bytes;
    return n;
}

namespace {

// VERSAO holds one row; a NULL there cannot be matched by "=", so it is
// found by "is null" instead.
void writeVersao(kdb::Connection& db, kdb::Transaction& tr, const std::string& competencia)
{
    const kdb::Value text = competencia.empty() ? kdb::Value() : kdb::Value(competencia);
    kdb::Query qryVersao(db, tr);
    qryVersao.setSql("select * from VERSAO");
    qryVersao.open();
    kdb::Query write(db, tr);
    if (qryVersao.isEmpty()) {
        write.setSql("insert into VERSAO (VERSAO) values (:VERSAO)");
    } else {
        const kdb::Value old = qryVersao.field("VERSAO");
        if (old.isNull()) {
            write.setSql("update VERSAO set VERSAO = :VERSAO where VERSAO is null");
        } else {
            write.setSql("update VERSAO set VERSAO = :VERSAO where VERSAO = :OLD_VERSAO");
            write.setParam("OLD_VERSAO", old);
        }
    }
    qryVersao.close();
    write.setParam("VERSAO", text);
    write.execute();
}

} // namespace

void loadRelease(kdb::Connection& db, const CheckedRelease& release, UpdateProgress& progress, const UpdateHooks& hooks)
{
    progress.runTotal.store(release.totalLines());
    progress.runDone.store(0);
    progress.filesRead.store(true);

    kdb::Transaction tr(db);
    refuseEmptiedLinks(db, tr, release);
    std::int64_t runDone = 0;
    for (const CheckedRelease::Entry& entry : release.entries()) {
        const TableLayout& layout = *entry.layout.layout;
        const std::string& path = entry.path;
        std::size_t lineNo = 0;
        try {
            const ReleaseFile file = release.reread(entry);
            const auto& lines = file.lines;

            kdb::Query emptying(db, tr);
            emptying.setSql(layout.emptying);
            emptying.execute();

            progress.tableTotal.store(static_cast<std::int64_t>(lines.size()), std::memory_order_relaxed);
            progress.tableDone.store(0, std::memory_order_relaxed);
            progress.step.store(layout.step, std::memory_order_release);
            if (hooks.beforeStep) hooks.beforeStep(layout.step);

            kdb::Query insert(db, tr);
            insert.setSql(layout.insertStatement());
            RowBuilder builder(entry.layout);
            std::vector<kdb::Value>& row = builder.values();
            const int columns = static_cast<int>(row.size());
            for (std::string_view line : lines) {
                ++lineNo;
                builder.build(line);
                // Swapping hands the query this row's buffers and the builder
                // the last row's, so texts are copied once.
                for (int c = 0; c < columns; ++c) std::swap(insert.paramAt(c), row[static_cast<std::size_t>(c)]);
                insert.execute();
                progress.tableDone.store(static_cast<std::int64_t>(lineNo), std::memory_order_relaxed);
                progress.runDone.store(++runDone, std::memory_order_relaxed);
            }
            lineNo = 0;
            if (hooks.afterStep) hooks.afterStep(layout.step);
            if (layout.step == kProcedureStep) {
                const std::string competencia = lines.empty() ? std::string() : builder.competencia(lines.back());
                writeVersao(db, tr, competencia);
            }
        } catch (const UpdateError&) {
            throw;
        } catch (const std::exception& e) {
            std::string where = "\n" + path;
            if (lineNo > 0) where += ", line " + std::to_string(lineNo);
            throw UpdateError(e.what() + where);
        }
    }
    tr.commit();
    // The release is in. Fresh statistics keep the browser's joins on their
    // indexes; a failure here costs only speed, so it must not turn a loaded
    // release into a reported failure.
    try {
        kdb::refreshIndexStatistics(db);
    } catch (const std::exception&) {
    }
}

void updateTables(kdb::Connection& db, std::string_view folder, UpdateProgress& progress, const UpdateHooks& hooks)
{
    const CheckedRelease release = CheckedRelease::read(folder);
    // A database of an earlier version gets the columns this release fills.
    upgradeSchema(db);
    loadRelease(db, release, progress, hooks);
}

void updateDatabase(const std::string& path, const kdb::Credentials& credentials, std::string_view folder,
                    UpdateProgress& progress, const UpdateHooks& hooks)
{
    kdb::Connection db;
    db.open(path, credentials);
    updateTables(db, folder, progress, hooks);
    db.close();
}

} // namespace korvane
