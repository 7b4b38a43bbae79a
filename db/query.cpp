#include "query.h"

#include "ascii.h"
#include "connection.h"
#include "params.h"
#include "querymessage.h"
#include "transaction.h"

#include <algorithm>

using namespace Firebird;

namespace kdb {

Query::Query(Connection& connection, Transaction& transaction)
    : connection_(connection), transaction_(transaction), impl_(std::make_unique<Impl>())
{
    connection_.attach(this);
    transaction_.attach(this);
}

Query::~Query()
{
    try {
        close();
    } catch (...) {
    }
    releaseStatement();
    transaction_.detach(this);
    connection_.detach(this);
}

void Query::setSql(std::string sql)
{
    close();
    ParsedSql parsed = parseNamedParams(sql);
    std::vector<std::string> names;
    std::vector<Value> values;
    std::vector<int> markers;
    for (const std::string& n : parsed.names) {
        auto it = std::find(names.begin(), names.end(), n);
        if (it == names.end()) {
            names.push_back(n);
            const int old = paramIndex(n);
            values.push_back(old >= 0 ? paramValues_[static_cast<std::size_t>(old)] : Value());
            markers.push_back(static_cast<int>(names.size() - 1));
        } else {
            markers.push_back(static_cast<int>(it - names.begin()));
        }
    }
    paramNames_ = std::move(names);
    paramValues_ = std::move(values);
    markerToParam_ = std::move(markers);
    sql_ = std::move(sql);
    if (impl_->preparedSql != parsed.positional) {
        releaseStatement();
        impl_->preparedSql = std::move(parsed.positional);
    }
}

int Query::paramIndex(std::string_view name) const
{
    const std::string up = upperAscii(name);
    for (std::size_t i = 0; i < paramNames_.size(); ++i)
        if (paramNames_[i] == up) return static_cast<int>(i);
    return -1;
}

void Query::setParam(std::string_view name, Value value)
{
    const int i = paramIndex(name);
    if (i < 0) throw Error("parameter '" + std::string(name) + "' not found");
    paramValues_[static_cast<std::size_t>(i)] = std::move(value);
}

void Query::setParam(int index, Value value)
{
    if (index < 0 || static_cast<std::size_t>(index) >= paramValues_.size()) throw Error("parameter index out of range");
    paramValues_[static_cast<std::size_t>(index)] = std::move(value);
}

const Value& Query::param(std::string_view name) const
{
    const int i = paramIndex(name);
    if (i < 0) throw Error("parameter '" + std::string(name) + "' not found");
    return paramValues_[static_cast<std::size_t>(i)];
}

void Query::releaseStatement()
{
    if (impl_->statement) {
        try {
            fb::Status st;
            impl_->statement->free(&st);
        } catch (const FbException&) {
            impl_->statement->release();
        }
        impl_->statement = nullptr;
    }
    impl_->releaseMetadata();
}

void Query::prepare()
{
    if (impl_->statement) return;
    if (!connection_.handle()) throw Error("connection is not open");
    if (sql_.empty()) throw Error("statement text is empty");
    fb::call([&] {
        fb::Status st;
        impl_->statement = connection_.handle()->prepare(&st, transaction_.handle(), 0, impl_->preparedSql.c_str(), 3,
                                                        IStatement::PREPARE_PREFETCH_METADATA);
        impl_->statementType = impl_->statement->getType(&st);
        impl_->described = impl_->statement->getInputMetadata(&st);
        impl_->output = impl_->statement->getOutputMetadata(&st);
        IMessageMetadata* out = impl_->output;
        const unsigned n = out->getCount(&st);
        impl_->outBuf.assign(out->getMessageLength(&st), 0);
        impl_->outOffsets.resize(n);
        impl_->outNullOffsets.resize(n);
        fields_.clear();
        fields_.reserve(n);
        for (unsigned i = 0; i < n; ++i) {
            FieldInfo f;
            f.name = out->getAlias(&st, i);
            if (f.name.empty()) f.name = out->getField(&st, i);
            f.relation = out->getRelation(&st, i);
            const unsigned t = out->getType(&st, i);
            f.sqlType = static_cast<int>(t & ~1u);
            f.type = fieldType(t & ~1u);
            f.nullable = out->isNullable(&st, i);
            f.subType = out->getSubType(&st, i);
            f.scale = -out->getScale(&st, i);
            f.length = out->getLength(&st, i);
            f.charSet = out->getCharSet(&st, i);
            impl_->outOffsets[i] = out->getOffset(&st, i);
            impl_->outNullOffsets[i] = out->getNullOffset(&st, i);
            fields_.push_back(std::move(f));
        }
    });
}

void Query::open()
{
    if (open_) close();
    if (replan_) {
        releaseStatement();
        replan_ = false;
    }
    prepare();
    fb::call([&] {
        fb::Status st;
        ITransaction* tra = transaction_.handle();
        impl_->bindInput(paramValues_, markerToParam_, connection_.handle(), tra);
        cursor_ = impl_->statement->openCursor(&st, tra, impl_->input, impl_->inBuf.data(), impl_->output, 0);
    });
    open_ = true;
    rows_.clear();
    current_ = -1;
    fetchMore(1);
    if (!rows_.empty()) current_ = 0;
}

void Query::close()
{
    if (cursor_) {
        auto* rs = static_cast<IResultSet*>(cursor_);
        cursor_ = nullptr;
        try {
            fb::Status st;
            rs->close(&st);
        } catch (const FbException&) {
            rs->release();
        }
    }
    open_ = false;
    rows_.clear();
    current_ = -1;
}

void Query::closeByTransaction() { close(); }

void Query::detachFromConnection()
{
    close();
    releaseStatement();
}

std::uint64_t Query::runCounting(bool counted)
{
    if (open_) close();
    prepare();
    return fb::call([&]() -> std::uint64_t {
        fb::Status st;
        ITransaction* tra = transaction_.handle();
        impl_->bindInput(paramValues_, markerToParam_, connection_.handle(), tra);
        impl_->statement->execute(&st, tra, impl_->input, impl_->inBuf.data(), impl_->output,
                                  impl_->outBuf.empty() ? nullptr : impl_->outBuf.data());
        return counted ? impl_->statement->getAffectedRecords(&st) : 0;
    });
}

std::uint64_t Query::execute() { return runCounting(true); }

void Query::run() { runCounting(false); }

std::size_t Query::fetchMore(std::size_t count)
{
    if (!cursor_) return 0;
    auto* rs = static_cast<IResultSet*>(cursor_);
    std::size_t added = 0;
    fb::call([&] {
        fb::Status st;
        IAttachment* att = connection_.handle();
        ITransaction* tra = transaction_.handle();
        const unsigned char* buf = impl_->outBuf.data();
        while (added < count) {
            if (rs->fetchNext(&st, impl_->outBuf.data()) != IStatus::RESULT_OK) {
                cursor_ = nullptr;
                rs->close(&st);
                break;
            }
            std::vector<Value> row;
            row.reserve(fields_.size());
            for (std::size_t i = 0; i < fields_.size(); ++i) {
                if (readAt<short>(buf + impl_->outNullOffsets[i])) row.emplace_back();
                else row.push_back(readColumn(fields_[i], buf + impl_->outOffsets[i], att, tra));
            }
            rows_.push_back(std::move(row));
            ++added;
        }
    });
    return added;
}

std::size_t Query::stream(const std::function<bool(const std::vector<Value>&)>& each)
{
    if (open_) close();
    prepare();
    std::size_t handed = 0;
    fb::call([&] {
        fb::Status st;
        IAttachment* att = connection_.handle();
        ITransaction* tra = transaction_.handle();
        impl_->bindInput(paramValues_, markerToParam_, att, tra);
        IResultSet* rs = impl_->statement->openCursor(&st, tra, impl_->input, impl_->inBuf.data(), impl_->output, 0);
        const unsigned char* buf = impl_->outBuf.data();
        std::vector<Value> row(fields_.size());
        try {
            while (rs->fetchNext(&st, impl_->outBuf.data()) == IStatus::RESULT_OK) {
                for (std::size_t i = 0; i < fields_.size(); ++i)
                    row[i] = readAt<short>(buf + impl_->outNullOffsets[i])
                                 ? Value()
                                 : readColumn(fields_[i], buf + impl_->outOffsets[i], att, tra);
                ++handed;
                if (!each(row)) break;
            }
        } catch (...) {
            rs->release();
            throw;
        }
        rs->close(&st);
    });
    return handed;
}

void Query::fetchAll()
{
    while (cursor_) fetchMore(256);
}

bool Query::first()
{
    if (rows_.empty()) return false;
    current_ = 0;
    return true;
}

bool Query::last()
{
    fetchAll();
    if (rows_.empty()) return false;
    current_ = static_cast<long>(rows_.size()) - 1;
    return true;
}

bool Query::next()
{
    if (current_ < 0) return false;
    return moveTo(static_cast<std::size_t>(current_) + 1);
}

bool Query::prior()
{
    if (current_ <= 0) return false;
    --current_;
    return true;
}

bool Query::moveTo(std::size_t row)
{
    if (row >= rows_.size()) fetchMore(row + 1 - rows_.size());
    if (row >= rows_.size()) return false;
    current_ = static_cast<long>(row);
    return true;
}

bool Query::atEnd() const
{
    return rows_.empty() || (!cursor_ && current_ == static_cast<long>(rows_.size()) - 1);
}

int Query::fieldIndex(std::string_view name) const
{
    const std::string up = upperAscii(name);
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].name == up) return static_cast<int>(i);
    return -1;
}

const Value& Query::value(std::size_t row, std::size_t field) const { return rows_.at(row).at(field); }

const Value& Query::field(std::size_t index) const
{
    static const Value nullValue;
    if (index >= fields_.size()) throw Error("field index out of range");
    if (current_ < 0) return nullValue;
    return rows_[static_cast<std::size_t>(current_)][index];
}

const Value& Query::field(std::string_view name) const
{
    const int i = fieldIndex(name);
    if (i < 0) throw Error("Field '" + std::string(name) + "' not found");
    return field(static_cast<std::size_t>(i));
}

} // namespace kdb
