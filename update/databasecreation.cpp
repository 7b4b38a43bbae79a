#include "databasecreation.h"

#include "core/settingpath.h"
#include "core/termination.h"
#include "core/text.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/schema.h"
#include "db/transaction.h"
#include "korvane_config.h"
#include "update/history.h"
#include "update/releasefile.h"
#include "update/releasesource.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace korvane {
namespace {

// Field cut by position (1-based), trimmed; an empty text is NULL.
kdb::Value cut(std::string_view line, std::size_t start, std::size_t length)
{
    if (line.size() < start) return {};
    const std::string_view t = trimmed(line.substr(start - 1, length));
    return t.empty() ? kdb::Value() : kdb::Value(std::string(t));
}

// A column of the table and where its field lies in the file's lines.
struct Field {
    const char* column;
    const char* type;
    std::size_t start, length;
};

// Row r's parameter for field c in the execute block.
std::string blockParam(std::size_t r, std::size_t c)
{
    std::string name = "R";
    name += std::to_string(r);
    name += '_';
    name += std::to_string(c);
    return name;
}

// The insert of `rows` lines: one statement, or an execute block of them.
std::string insertOf(const std::string& table, const std::vector<Field>& fields, std::size_t rows)
{
    std::string columns;
    for (const Field& f : fields) columns += (columns.empty() ? "" : ", ") + std::string(f.column);
    if (rows == 1) {
        std::string values;
        for (const Field& f : fields) values += (values.empty() ? ":" : ", :") + std::string(f.column);
        return "insert into " + table + " (" + columns + ") values (" + values + ")";
    }
    std::string params, body;
    for (std::size_t r = 0; r < rows; ++r) {
        std::string values;
        for (std::size_t c = 0; c < fields.size(); ++c) {
            const std::string name = blockParam(r, c);
            params += (params.empty() ? "" : ", ") + name + " " + fields[c].type + " = :" + name;
            values += (values.empty() ? "::" : ", ::") + name;
        }
        body += "insert into " + table + " (" + columns + ") values (" + values + "); ";
    }
    return "execute block (" + params + ") as begin " + body + "end";
}

// The file's lines into the table, sixteen to a statement: a statement a
// line was four fifths of a creation's time. A block the engine refuses is
// tried again line by line, so that the error names its line.
std::size_t fill(kdb::Connection& db, kdb::Transaction& tr, const std::string& table, const std::vector<Field>& fields,
                 const ReleaseFile& file)
{
    constexpr std::size_t kRows = 16;
    kdb::Query one(db, tr), block(db, tr);
    one.setSql(insertOf(table, fields, 1));
    const auto single = [&](std::size_t n) {
        try {
            for (const Field& f : fields) one.setParam(f.column, cut(file.lines[n], f.start, f.length));
            one.run();
        } catch (const std::exception& e) {
            throw std::runtime_error(std::string(e.what()) + "\n" + file.path + ", line " + std::to_string(n + 1));
        }
    };
    std::vector<int> at;   // the block's parameters, row by row
    std::size_t n = 0;
    for (; n + kRows <= file.lines.size(); n += kRows) {
        if (stopRequested()) throw std::runtime_error("Criação interrompida: nenhum banco foi feito.");
        if (n == 0) {
            block.setSql(insertOf(table, fields, kRows));
            for (std::size_t r = 0; r < kRows; ++r)
                for (std::size_t c = 0; c < fields.size(); ++c) at.push_back(block.paramIndex(blockParam(r, c)));
        }
        for (std::size_t r = 0; r < kRows; ++r)
            for (std::size_t c = 0; c < fields.size(); ++c)
                block.setParam(at[r * fields.size() + c], cut(file.lines[n + r], fields[c].start, fields[c].length));
        try {
            block.run();
        } catch (const std::exception&) {
            for (std::size_t r = 0; r < kRows; ++r) single(n + r);
            throw;
        }
    }
    for (; n < file.lines.size(); ++n) single(n);
    return file.lines.size();
}

} // namespace

namespace {

const kdb::Credentials kOwner{KORVANE_DB_USER, KORVANE_DB_PASSWORD};

// The schema, then its release tables as history, without forced writes:
// a creation's many commits are left to the system.
void makeEmpty(kdb::Connection& db, const std::string& path, bool& created)
{
    kdb::createDatabase(db, path, kOwner, false);
    created = true;
    convertToHistory(db);
}

// A copy of the template, opened; false, with nothing left behind, when
// there is none or this engine cannot open it (a template of another
// engine's format: the schema makes the database instead).
bool openCopy(kdb::Connection& db, const std::string& templatePath, const std::string& path)
{
    std::error_code ec;
    if (templatePath.empty() || !std::filesystem::is_regular_file(templatePath, ec)) return false;
    // Never over a file: one that appeared since the check stays as it was;
    // a copy cut short (a full disk) goes.
    if (!std::filesystem::copy_file(templatePath, path, ec)) {
        if (ec != std::errc::file_exists) std::filesystem::remove(path, ec);
        return false;
    }
    // An installed template is the system's, read only; the copy is the user's.
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
    try {
        db.openDeferringWrites(path, kOwner);
        return true;
    } catch (const std::exception&) {
        std::filesystem::remove(path, ec);
        return false;
    }
}

} // namespace

std::string configuredTemplate()
{
    const std::string configured = KORVANE_TEMPLATE_DATABASE;
    return configured.empty() ? std::string() : settingPath(configured);
}

void makeTemplateDatabase(const std::string& path)
{
    if (std::filesystem::exists(path)) throw std::runtime_error("Database \"" + path + "\" already exists");
    kdb::Connection db;
    bool created = false;
    try {
        makeEmpty(db, path, created);
        db.close();
        kdb::Connection::syncAndForceWrites(path, kOwner);
    } catch (...) {
        try {
            db.close();
        } catch (...) {
        }
        if (created) std::filesystem::remove(path);
        throw;
    }
}

CreationCounts createKorvaneDatabase(const std::string& databasePath, const std::string& releaseFolder)
{
    return createKorvaneDatabase(databasePath, releaseFolder, configuredTemplate());
}

CreationCounts createKorvaneDatabase(const std::string& databasePath, const std::string& releaseFolder,
                                     const std::string& templatePath)
{
    if (databasePath.find(':') == std::string::npos && std::filesystem::exists(databasePath))
        throw std::runtime_error("Database \"" + databasePath + "\" already exists");
    // Read both files before anything is made, so a bad release leaves nothing behind.
    const std::unique_ptr<ReleaseSource> release = openReleaseSource(releaseFolder);
    const ReleaseFile cid = release->read("tb_cid.txt");
    const ReleaseFile financ = release->read("tb_financiamento.txt");

    CreationCounts counts;
    kdb::Connection db;
    // A file of this machine is made without forced writes, its many commits
    // left to the system, and written to the disk once at the end; a crash
    // before that leaves a file as unfinished as it would be anyway.
    const bool local = databasePath.find(':') == std::string::npos;
    bool created = false;
    try {
        if (local && openCopy(db, templatePath, databasePath)) {
            created = true;
        } else if (local) {
            makeEmpty(db, databasePath, created);
        } else {
            kdb::createDatabase(db, databasePath, kOwner, true);
            created = true;
            convertToHistory(db);
        }
        kdb::Transaction tr(db);
        counts.cid = fill(db, tr, "TB_CID",
                          {{"CID_COD", "char(4)", 1, 4}, {"CID_DESCR", "varchar(100)", 5, 100},
                           {"CID_RESTRSEXO", "char(1)", 106, 1}},
                          cid);
        counts.financiamento = fill(db, tr, "TB_FINANCIAMENTO",
                                    {{"FINANC_COD", "char(2)", 1, 2}, {"FINANC_DESCR", "varchar(100)", 3, 100}}, financ);
        tr.commit();
        db.close();
        if (local) kdb::Connection::syncAndForceWrites(databasePath, kOwner);
    } catch (...) {
        const bool made = db.isOpen() || created;
        try {
            db.close();
        } catch (...) {
        }
        if (made && local) std::filesystem::remove(databasePath);
        throw;
    }
    return counts;
}

} // namespace korvane
