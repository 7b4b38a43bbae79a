#include "connection.h"

#include "fb.h"
#include "query.h"
#include "transaction.h"

#include <ibase.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

using namespace Firebird;

namespace kdb {

namespace fb {

IMaster* master()
{
    static IMaster* m = fb_get_master_interface();
    return m;
}

IUtil* util()
{
    static IUtil* u = master()->getUtilInterface();
    return u;
}

std::string statusText(IStatus* status)
{
    char buf[4096];
    util()->formatStatus(buf, sizeof buf, status);
    std::string s(buf);
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

} // namespace fb

namespace {

IXpbBuilder* dpbFor(fb::Status& st, const Credentials& c)
{
    IXpbBuilder* dpb = fb::util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&st, isc_dpb_user_name, c.user.c_str());
    dpb->insertString(&st, isc_dpb_password, c.password.c_str());
    return dpb;
}

} // namespace

Connection::~Connection()
{
    try {
        close();
    } catch (...) {
        // A destructor must not throw; the engine releases the rest.
    }
}

// Builds the parameter block, lets `extra` add what it needs, and attaches
// with `attach`; the block is freed however that ends.
template <class Extra, class Attach>
IAttachment* attachWith(const Credentials& credentials, Extra&& extra, Attach&& attach)
{
    IAttachment* attachment = nullptr;
    fb::call([&] {
        fb::Status st;
        IXpbBuilder* dpb = dpbFor(st, credentials);
        try {
            extra(st, dpb);
            IProvider* prov = fb::master()->getDispatcher();
            attachment = attach(st, prov, dpb);
            prov->release();
        } catch (...) {
            dpb->dispose();
            throw;
        }
        dpb->dispose();
    });
    return attachment;
}

void Connection::open(const std::string& path, const Credentials& credentials)
{
    if (attachment_) throw Error("connection is already open");
    attachment_ = attachWith(
        credentials, [](fb::Status&, IXpbBuilder*) {},
        [&](fb::Status& st, IProvider* prov, IXpbBuilder* dpb) {
            return prov->attachDatabase(&st, path.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
        });
    path_ = path;
    credentials_ = credentials;
}

void Connection::openBeside(const Connection& other)
{
    if (!other.attachment_) throw Error("the connection to open beside is not open");
    open(other.path_, other.credentials_);
}

void Connection::openDeferringWrites(const std::string& path, const Credentials& credentials)
{
    if (attachment_) throw Error("connection is already open");
    attachment_ = attachWith(
        credentials, [](fb::Status& st, IXpbBuilder* dpb) { dpb->insertInt(&st, isc_dpb_force_write, 0); },
        [&](fb::Status& st, IProvider* prov, IXpbBuilder* dpb) {
            return prov->attachDatabase(&st, path.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
        });
    path_ = path;
    credentials_ = credentials;
}

bool Connection::forcedWrites() const
{
    if (!attachment_) throw Error("connection is not open");
    const unsigned char items[] = {isc_info_forced_writes, isc_info_end};
    unsigned char buf[32] = {};
    fb::call([&] {
        fb::Status st;
        attachment_->getInfo(&st, sizeof items, items, sizeof buf, buf);
    });
    // The answer: the item, a two-byte length, then the value, low byte first.
    if (buf[0] != isc_info_forced_writes) throw Error("the engine did not say whether it forces its writes");
    const int length = buf[1] | (buf[2] << 8);
    if (length < 1 || length > 4) throw Error("the engine's answer on forced writes cannot be read");
    return isc_portable_integer(buf + 3, static_cast<short>(length)) != 0;
}

void Connection::create(const std::string& path, const Credentials& credentials, int pageSize,
                        const std::string& defaultCharset, bool forcedWrites)
{
    if (attachment_) throw Error("connection is already open");
    attachment_ = attachWith(
        credentials,
        [&](fb::Status& st, IXpbBuilder* dpb) {
            dpb->insertInt(&st, isc_dpb_page_size, pageSize);
            dpb->insertInt(&st, isc_dpb_sql_dialect, 3);
            if (!defaultCharset.empty()) dpb->insertString(&st, isc_dpb_set_db_charset, defaultCharset.c_str());
            if (!forcedWrites) dpb->insertInt(&st, isc_dpb_force_write, 0);
        },
        [&](fb::Status& st, IProvider* prov, IXpbBuilder* dpb) {
            return prov->createDatabase(&st, path.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
        });
    path_ = path;
    credentials_ = credentials;
}

void Connection::syncAndForceWrites(const std::string& path, const Credentials& credentials)
{
    // The engine wrote every page to the system as it detached; the system
    // may still hold them.
    const int fd = ::open(path.c_str(), O_RDWR);
    if (fd < 0) throw Error("cannot open \"" + path + "\" to write it to the disk: " + std::strerror(errno));
    const int synced = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (synced != 0) throw Error("cannot write \"" + path + "\" to the disk: " + std::strerror(err));
    Connection c;
    c.attachment_ = attachWith(
        credentials, [](fb::Status& st, IXpbBuilder* dpb) { dpb->insertInt(&st, isc_dpb_force_write, 1); },
        [&](fb::Status& st, IProvider* prov, IXpbBuilder* dpb) {
            return prov->attachDatabase(&st, path.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
        });
    c.path_ = path;
    c.close();
}

void Connection::close()
{
    if (!attachment_) return;
    std::vector<Query*> queries;
    std::vector<Transaction*> transactions;
    {
        std::lock_guard lock(registry_);
        queries = queries_;
        transactions = transactions_;
    }
    for (Query* q : queries) q->detachFromConnection();
    for (Transaction* t : transactions) t->releaseOnClose();
    IAttachment* a = attachment_;
    attachment_ = nullptr;
    fb::call([&] {
        fb::Status st;
        try {
            a->detach(&st);
        } catch (...) {
            a->release();
            throw;
        }
    });
}

void Connection::executeImmediate(const std::string& sql)
{
    if (!attachment_) throw Error("connection is not open");
    Transaction t(*this);
    fb::call([&] {
        fb::Status st;
        attachment_->execute(&st, t.handle(), 0, sql.c_str(), 3, nullptr, nullptr, nullptr, nullptr);
    });
    t.commit();
}

void Connection::attach(Transaction* t)
{
    std::lock_guard lock(registry_);
    transactions_.push_back(t);
}

void Connection::detach(Transaction* t)
{
    std::lock_guard lock(registry_);
    transactions_.erase(std::remove(transactions_.begin(), transactions_.end(), t), transactions_.end());
}

void Connection::attach(Query* q)
{
    std::lock_guard lock(registry_);
    queries_.push_back(q);
}

void Connection::detach(Query* q)
{
    std::lock_guard lock(registry_);
    queries_.erase(std::remove(queries_.begin(), queries_.end(), q), queries_.end());
}

} // namespace kdb
