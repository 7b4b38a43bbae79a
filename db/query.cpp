#include "query.h"

#include "ascii.h"
#include "connection.h"
#include "fb.h"
#include "params.h"
#include "transaction.h"

#include <algorithm>
#include <cstring>

using namespace Firebird;

namespace kdb {

namespace {

unsigned bytesPerChar(unsigned charSet)
{
    switch (charSet) {
    case 3: return 3;   // UNICODE_FSS, the system tables' set
    case 4: return 4;   // UTF8
    default: return 1;
    }
}

// Counts UTF-8 characters; used only to trim the padding the engine adds to
// CHAR columns of multi-byte sets (widths there count bytes, not characters).
std::size_t utf8Length(const std::string& s)
{
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

template <class T>
T readAt(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T>
void writeAt(unsigned char* p, T v)
{
    std::memcpy(p, &v, sizeof v);
}

FieldInfo::Type fieldType(unsigned sqlType)
{
    using T = FieldInfo::Type;
    switch (sqlType) {
    case SQL_TEXT: return T::Char;
    case SQL_VARYING: return T::VarChar;
    case SQL_SHORT: return T::SmallInt;
    case SQL_LONG: return T::Integer;
    case SQL_INT64: return T::BigInt;
    case SQL_FLOAT:
    case SQL_DOUBLE: return T::Float;
    case SQL_BLOB: return T::Blob;
    case SQL_TYPE_DATE: return T::Date;
    case SQL_TYPE_TIME: return T::Time;
    case SQL_TIMESTAMP: return T::Timestamp;
    case SQL_BOOLEAN: return T::Boolean;
    default: return T::Other;
    }
}

struct InputShape {
    unsigned type, length, charSet, subType;
    int scale;
    bool operator==(const InputShape&) const = default;
};

} // namespace

struct Query::Impl {
    IStatement* statement = nullptr;
    std::string preparedSql;           // the text 'statement' was prepared from
    std::vector<std::string> markerNames;
    IMessageMetadata* described = nullptr;    // input as the engine describes it
    IMessageMetadata* input = nullptr;        // input as we send it
    std::vector<InputShape> inputShape;
    std::vector<unsigned char> inBuf;
    IMessageMetadata* output = nullptr;
    std::vector<unsigned char> outBuf;
    std::vector<unsigned> outOffsets, outNullOffsets;
    unsigned statementType = 0;

    void bindInput(const std::vector<Value>& values, const std::vector<int>& markers, IAttachment* att,
                   ITransaction* tra);

    void releaseMetadata()
    {
        for (IMessageMetadata** m : {&described, &input, &output})
            if (*m) {
                (*m)->release();
                *m = nullptr;
            }
        inputShape.clear();
    }
};

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

namespace {

std::string readBlob(IAttachment* att, ITransaction* tra, ISC_QUAD id)
{
    fb::Status st;
    IBlob* blob = att->openBlob(&st, tra, &id, 0, nullptr);
    std::string out;
    char buf[32768];
    try {
        for (;;) {
            unsigned got = 0;
            const int r = blob->getSegment(&st, sizeof buf, buf, &got);
            if (r == IStatus::RESULT_NO_DATA) break;
            out.append(buf, got);
        }
        blob->close(&st);
    } catch (...) {
        blob->release();
        throw;
    }
    return out;
}

ISC_QUAD writeBlob(IAttachment* att, ITransaction* tra, const std::string& data)
{
    fb::Status st;
    ISC_QUAD id;
    IBlob* blob = att->createBlob(&st, tra, &id, 0, nullptr);
    try {
        std::size_t pos = 0;
        while (pos < data.size()) {
            const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(data.size() - pos, 32767));
            blob->putSegment(&st, chunk, data.data() + pos);
            pos += chunk;
        }
        blob->close(&st);
    } catch (...) {
        blob->release();
        throw;
    }
    return id;
}

bool isTextType(unsigned t) { return t == SQL_TEXT || t == SQL_VARYING; }

} // namespace

// Builds the input message: each value goes in a type of its own kind and the
// engine converts it to the parameter's type, so texts of any length and
// numbers of any scale reach it unchanged.
void Query::Impl::bindInput(const std::vector<Value>& values, const std::vector<int>& markers, IAttachment* att,
                            ITransaction* tra)
{
    Impl& impl = *this;
    fb::Status st;
    IMessageMetadata* d = impl.described;
    const unsigned n = d->getCount(&st);
    if (n != markers.size()) throw Error("parameter count does not match the statement");
    std::vector<InputShape> shape(n);
    for (unsigned i = 0; i < n; ++i) {
        const Value& v = values[static_cast<std::size_t>(markers[i])];
        const unsigned dt = d->getType(&st, i) & ~1u;
        InputShape s{dt, d->getLength(&st, i), d->getCharSet(&st, i), static_cast<unsigned>(d->getSubType(&st, i)),
                     d->getScale(&st, i)};
        switch (v.kind()) {
        case Value::Kind::Null: break;
        case Value::Kind::Text:
            if (dt != SQL_BLOB) {
                s.type = SQL_VARYING;
                const unsigned len = static_cast<unsigned>(v.asText().size());
                s.length = std::max(isTextType(dt) ? s.length : 0u, std::max(len, 1u));
                if (!isTextType(dt)) s.charSet = 0;
                s.subType = 0;
                s.scale = 0;
            }
            break;
        case Value::Kind::Integer: s = {SQL_INT64, 8, 0, 0, 0}; break;
        case Value::Kind::Fixed: s = {SQL_INT64, 8, 0, 0, -v.asDecimal().scale()}; break;
        case Value::Kind::Float: s = {SQL_DOUBLE, 8, 0, 0, 0}; break;
        }
        shape[i] = s;
    }
    if (!impl.input || shape != impl.inputShape) {
        IMetadataBuilder* b = d->getBuilder(&st);
        try {
            for (unsigned i = 0; i < n; ++i) {
                b->setType(&st, i, shape[i].type | 1u);
                b->setLength(&st, i, shape[i].length);
                b->setCharSet(&st, i, shape[i].charSet);
                b->setSubType(&st, i, static_cast<int>(shape[i].subType));
                b->setScale(&st, i, shape[i].scale);
            }
            IMessageMetadata* m = b->getMetadata(&st);
            b->release();
            if (impl.input) impl.input->release();
            impl.input = m;
        } catch (...) {
            b->release();
            throw;
        }
        impl.inputShape = shape;
        impl.inBuf.assign(impl.input->getMessageLength(&st), 0);
    }
    IMessageMetadata* m = impl.input;
    unsigned char* buf = impl.inBuf.data();
    for (unsigned i = 0; i < n; ++i) {
        const Value& v = values[static_cast<std::size_t>(markers[i])];
        unsigned char* p = buf + m->getOffset(&st, i);
        writeAt<short>(buf + m->getNullOffset(&st, i), v.isNull() ? -1 : 0);
        if (v.isNull()) continue;
        switch (shape[i].type) {
        case SQL_VARYING: {
            const std::string& t = v.asText();
            writeAt<unsigned short>(p, static_cast<unsigned short>(t.size()));
            std::memcpy(p + 2, t.data(), t.size());
            break;
        }
        case SQL_BLOB: writeAt<ISC_QUAD>(p, writeBlob(att, tra, v.asText())); break;
        case SQL_INT64:
            writeAt<std::int64_t>(p, v.kind() == Value::Kind::Fixed ? v.asDecimal().units() : v.asInteger());
            break;
        case SQL_DOUBLE: writeAt<double>(p, v.asFloat()); break;
        default: throw Error("unsupported parameter type");
        }
    }
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

std::uint64_t Query::execute()
{
    if (open_) close();
    prepare();
    return fb::call([&]() -> std::uint64_t {
        fb::Status st;
        ITransaction* tra = transaction_.handle();
        impl_->bindInput(paramValues_, markerToParam_, connection_.handle(), tra);
        impl_->statement->execute(&st, tra, impl_->input, impl_->inBuf.data(), impl_->output,
                                  impl_->outBuf.empty() ? nullptr : impl_->outBuf.data());
        return impl_->statement->getAffectedRecords(&st);
    });
}

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
                const FieldInfo& f = fields_[i];
                if (readAt<short>(buf + impl_->outNullOffsets[i])) {
                    row.emplace_back();
                    continue;
                }
                const unsigned char* p = buf + impl_->outOffsets[i];
                switch (f.sqlType) {
                case SQL_TEXT: {
                    std::string s(reinterpret_cast<const char*>(p), f.length);
                    const unsigned bpc = bytesPerChar(f.charSet);
                    if (bpc > 1) {
                        const std::size_t width = f.length / bpc;
                        while (!s.empty() && s.back() == ' ' && utf8Length(s) > width) s.pop_back();
                    }
                    row.emplace_back(std::move(s));
                    break;
                }
                case SQL_VARYING: {
                    const auto len = readAt<unsigned short>(p);
                    row.emplace_back(std::string(reinterpret_cast<const char*>(p + 2), len));
                    break;
                }
                case SQL_SHORT:
                case SQL_LONG:
                case SQL_INT64: {
                    std::int64_t v = f.sqlType == SQL_SHORT ? readAt<short>(p)
                                     : f.sqlType == SQL_LONG ? readAt<int>(p)
                                                             : readAt<std::int64_t>(p);
                    if (f.scale > 0) row.emplace_back(Decimal(v, f.scale));
                    else row.emplace_back(v);
                    break;
                }
                case SQL_FLOAT: row.emplace_back(static_cast<double>(readAt<float>(p))); break;
                case SQL_DOUBLE: row.emplace_back(readAt<double>(p)); break;
                case SQL_BOOLEAN: row.emplace_back(static_cast<std::int64_t>(*p ? 1 : 0)); break;
                case SQL_BLOB: row.emplace_back(readBlob(att, tra, readAt<ISC_QUAD>(p))); break;
                case SQL_TYPE_DATE: {
                    unsigned y, m, d;
                    fb::util()->decodeDate(readAt<ISC_DATE>(p), &y, &m, &d);
                    char b[16];
                    std::snprintf(b, sizeof b, "%04u-%02u-%02u", y, m, d);
                    row.emplace_back(std::string(b));
                    break;
                }
                case SQL_TIMESTAMP: {
                    const auto ts = readAt<ISC_TIMESTAMP>(p);
                    unsigned y, mo, d, h, mi, s, frac;
                    fb::util()->decodeDate(ts.timestamp_date, &y, &mo, &d);
                    fb::util()->decodeTime(ts.timestamp_time, &h, &mi, &s, &frac);
                    char b[32];
                    std::snprintf(b, sizeof b, "%04u-%02u-%02u %02u:%02u:%02u", y, mo, d, h, mi, s);
                    row.emplace_back(std::string(b));
                    break;
                }
                case SQL_TYPE_TIME: {
                    unsigned h, mi, s, frac;
                    fb::util()->decodeTime(readAt<ISC_TIME>(p), &h, &mi, &s, &frac);
                    char b[16];
                    std::snprintf(b, sizeof b, "%02u:%02u:%02u", h, mi, s);
                    row.emplace_back(std::string(b));
                    break;
                }
                default: throw Error("unsupported column type in field " + f.name);
                }
            }
            rows_.push_back(std::move(row));
            ++added;
        }
    });
    return added;
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
