#include "transaction.h"

#include "connection.h"
#include "fb.h"
#include "query.h"

#include <ibase.h>

#include <algorithm>

using namespace Firebird;

namespace kdb {

Transaction::Transaction(Connection& connection, Access access, Locks locks)
    : connection_(connection), access_(access), locks_(locks)
{
    connection_.attach(this);
}

Transaction::~Transaction()
{
    closeResults();
    releaseOnClose();
    connection_.detach(this);
}

void Transaction::start()
{
    if (handle_) return;
    if (!connection_.handle()) throw Error("connection is not open");
    // Readers see the latest committed rows at every open and never wait for
    // a writer. A read-only reader does not hold back garbage collection.
    const unsigned char tpb[] = {
        isc_tpb_version3,
        static_cast<unsigned char>(access_ == Access::ReadOnly ? isc_tpb_read : isc_tpb_write),
        isc_tpb_read_committed,
        isc_tpb_rec_version,
        static_cast<unsigned char>(locks_ == Locks::Wait ? isc_tpb_wait : isc_tpb_nowait),
    };
    fb::call([&] {
        fb::Status st;
        handle_ = connection_.handle()->startTransaction(&st, sizeof tpb, tpb);
    });
}

ITransaction* Transaction::handle()
{
    start();
    return handle_;
}

void Transaction::commit()
{
    if (!handle_) return;
    closeResults();
    fb::call([&] {
        fb::Status st;
        handle_->commit(&st);
    });
    handle_ = nullptr;
}

void Transaction::commitRetaining()
{
    if (!handle_) return;
    fb::call([&] {
        fb::Status st;
        handle_->commitRetaining(&st);
    });
}

void Transaction::rollback()
{
    if (!handle_) return;
    closeResults();
    fb::call([&] {
        fb::Status st;
        handle_->rollback(&st);
    });
    handle_ = nullptr;
}

void Transaction::releaseOnClose()
{
    if (!handle_) return;
    ITransaction* h = handle_;
    handle_ = nullptr;
    try {
        fb::Status st;
        h->rollback(&st);
    } catch (const FbException&) {
        h->release();
    }
}

void Transaction::closeResults()
{
    std::vector<Query*> queries;
    {
        std::lock_guard lock(registry_);
        queries = queries_;
    }
    for (Query* q : queries) q->closeByTransaction();
}

void Transaction::attach(Query* q)
{
    std::lock_guard lock(registry_);
    queries_.push_back(q);
}

void Transaction::detach(Query* q)
{
    std::lock_guard lock(registry_);
    queries_.erase(std::remove(queries_.begin(), queries_.end(), q), queries_.end());
}

} // namespace kdb
