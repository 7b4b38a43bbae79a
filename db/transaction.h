#pragma once
// A read-committed, record-version transaction that starts when first used.
// It belongs to its connection's thread (see connection.h).

#include <mutex>
#include <vector>

namespace Firebird { class ITransaction; }

namespace kdb {

class Connection;
class Query;

class Transaction {
public:
    enum class Access { ReadWrite, ReadOnly };
    // Whether a lock another attachment holds is waited for, or fails the
    // statement (or the commit, for definitions) at once.
    enum class Locks { Wait, NoWait };

    explicit Transaction(Connection& connection, Access access = Access::ReadWrite, Locks locks = Locks::Wait);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    Connection& connection() const { return connection_; }
    bool active() const { return handle_ != nullptr; }
    void start();   // no-op when already active

    // A commit or rollback closes every result still open in the transaction.
    void commit();
    void commitRetaining();
    void rollback();

    Firebird::ITransaction* handle();   // starts it when needed

private:
    friend class Query;
    friend class Connection;
    void attach(Query* q);
    void detach(Query* q);
    void closeResults();
    void releaseOnClose();   // connection going away: roll back quietly

    Connection& connection_;
    Access access_;
    Locks locks_;
    Firebird::ITransaction* handle_ = nullptr;
    std::mutex registry_;
    std::vector<Query*> queries_;
};

} // namespace kdb
