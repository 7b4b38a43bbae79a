#pragma once
// One attachment to a database. A path with a host part ("host:/path")
// reaches a Firebird server; a plain path opens the embedded engine.
//
// Threads: a Connection and everything made on it (its transactions and
// their queries) is used by one thread at a time, and opened and closed by
// the thread that owns it. Another thread that needs the database opens a
// Connection of its own on the same path; the embedded engine is one per
// process, so two attachments of one process to one file work side by side.

#include <mutex>
#include <string>
#include <vector>

namespace Firebird { class IAttachment; }

namespace kdb {

class Transaction;
class Query;

struct Credentials {
    std::string user = "SYSDBA";
    std::string password;
};

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // No character set is named: text travels as the stored bytes.
    void open(const std::string& path, const Credentials& credentials);
    // Opens another attachment to the database `other` is open on, as the
    // same user: work that may run beside this one on another thread.
    void openBeside(const Connection& other);
    // Opens a local database with its forced writes turned off, for every
    // attachment until syncAndForceWrites: the engine then leaves its pages
    // to the system to write, as a creation does. Only for a database whose
    // loss in a crash of the machine loses nothing (one that keeps no
    // release yet).
    void openDeferringWrites(const std::string& path, const Credentials& credentials);
    // Whether the engine writes each page through to the disk.
    bool forcedWrites() const;
    // Ends every transaction (rolled back) and frees every statement of the
    // transactions and queries made on this connection first.
    void close();
    bool isOpen() const { return attachment_ != nullptr; }
    const std::string& path() const { return path_; }

    // Makes a new, empty database file (dialect 3) and leaves it open. Without
    // forced writes the engine leaves its pages to the system to write when
    // it likes: much faster for a creation's many commits, and safe only
    // once the file is synced and forced writes set again (syncAndForceWrites).
    void create(const std::string& path, const Credentials& credentials, int pageSize,
                const std::string& defaultCharset, bool forcedWrites = true);

    // A local database file written whole to the disk, then set to forced
    // writes for every later attachment. Opens and closes it itself.
    static void syncAndForceWrites(const std::string& path, const Credentials& credentials);

    // Runs one statement outside any query, in its own transaction, committed
    // at once (DDL of a creation script, maintenance).
    void executeImmediate(const std::string& sql);

    Firebird::IAttachment* handle() const { return attachment_; }

private:
    friend class Transaction;
    friend class Query;
    void attach(Transaction* t);
    void detach(Transaction* t);
    void attach(Query* q);
    void detach(Query* q);

    Firebird::IAttachment* attachment_ = nullptr;
    std::string path_;
    Credentials credentials_;
    std::mutex registry_;
    std::vector<Transaction*> transactions_;
    std::vector<Query*> queries_;
};

} // namespace kdb
