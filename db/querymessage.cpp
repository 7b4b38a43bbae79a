#include "querymessage.h"

#include <algorithm>
#include <cstdio>

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

// The message as it is sent, laid out again for a new shape of the values.
void Query::Impl::layOut(const std::vector<InputShape>& shape)
{
    fb::Status st;
    const auto n = static_cast<unsigned>(shape.size());
    IMetadataBuilder* b = described->getBuilder(&st);
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
        if (input) input->release();
        input = m;
    } catch (...) {
        b->release();
        throw;
    }
    inputShape = shape;
    inBuf.assign(input->getMessageLength(&st), 0);
    inOffsets.resize(n);
    inNullOffsets.resize(n);
    for (unsigned i = 0; i < n; ++i) {
        inOffsets[i] = input->getOffset(&st, i);
        inNullOffsets[i] = input->getNullOffset(&st, i);
    }
}

// Builds the input message: each value goes in a type of its own kind and the
// engine converts it to the parameter's type, so texts of any length and
// numbers of any scale reach it unchanged.
void Query::Impl::bindInput(const std::vector<Value>& values, const std::vector<int>& markers, IAttachment* att,
                            ITransaction* tra)
{
    Impl& impl = *this;
    fb::Status st;
    if (impl.describedShape.empty()) {
        IMessageMetadata* d = impl.described;
        const unsigned count = d->getCount(&st);
        impl.describedShape.reserve(count);
        for (unsigned i = 0; i < count; ++i)
            impl.describedShape.push_back({d->getType(&st, i) & ~1u, d->getLength(&st, i), d->getCharSet(&st, i),
                                           static_cast<unsigned>(d->getSubType(&st, i)), d->getScale(&st, i)});
    }
    const auto n = static_cast<unsigned>(impl.describedShape.size());
    if (n != markers.size()) throw Error("parameter count does not match the statement");
    std::vector<InputShape> shape(n);
    for (unsigned i = 0; i < n; ++i) {
        const Value& v = values[static_cast<std::size_t>(markers[i])];
        InputShape s = impl.describedShape[i];
        const unsigned dt = s.type;
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
    if (!impl.input || shape != impl.inputShape) layOut(shape);
    unsigned char* buf = impl.inBuf.data();
    for (unsigned i = 0; i < n; ++i) {
        const Value& v = values[static_cast<std::size_t>(markers[i])];
        unsigned char* p = buf + impl.inOffsets[i];
        writeAt<short>(buf + impl.inNullOffsets[i], v.isNull() ? -1 : 0);
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

Value readColumn(const FieldInfo& f, const unsigned char* p, IAttachment* att, ITransaction* tra)
{
    switch (f.sqlType) {
    case SQL_TEXT: {
        std::string s(reinterpret_cast<const char*>(p), f.length);
        const unsigned bpc = bytesPerChar(f.charSet);
        if (bpc > 1) {
            const std::size_t width = f.length / bpc;
            while (!s.empty() && s.back() == ' ' && utf8Length(s) > width) s.pop_back();
        }
        return Value(std::move(s));
    }
    case SQL_VARYING: {
        const auto len = readAt<unsigned short>(p);
        return Value(std::string(reinterpret_cast<const char*>(p + 2), len));
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
        std::int64_t v = f.sqlType == SQL_SHORT ? readAt<short>(p)
                         : f.sqlType == SQL_LONG ? readAt<int>(p)
                                                 : readAt<std::int64_t>(p);
        if (f.scale > 0) return Value(Decimal(v, f.scale));
        return Value(v);
    }
    case SQL_FLOAT: return Value(static_cast<double>(readAt<float>(p)));
    case SQL_DOUBLE: return Value(readAt<double>(p));
    case SQL_BOOLEAN: return Value(static_cast<std::int64_t>(*p ? 1 : 0));
    case SQL_BLOB: return Value(readBlob(att, tra, readAt<ISC_QUAD>(p)));
    case SQL_TYPE_DATE: {
        unsigned y, m, d;
        fb::util()->decodeDate(readAt<ISC_DATE>(p), &y, &m, &d);
        char b[16];
        std::snprintf(b, sizeof b, "%04u-%02u-%02u", y, m, d);
        return Value(std::string(b));
    }
    case SQL_TIMESTAMP: {
        const auto ts = readAt<ISC_TIMESTAMP>(p);
        unsigned y, mo, d, h, mi, s, frac;
        fb::util()->decodeDate(ts.timestamp_date, &y, &mo, &d);
        fb::util()->decodeTime(ts.timestamp_time, &h, &mi, &s, &frac);
        char b[32];
        std::snprintf(b, sizeof b, "%04u-%02u-%02u %02u:%02u:%02u", y, mo, d, h, mi, s);
        return Value(std::string(b));
    }
    case SQL_TYPE_TIME: {
        unsigned h, mi, s, frac;
        fb::util()->decodeTime(readAt<ISC_TIME>(p), &h, &mi, &s, &frac);
        char b[16];
        std::snprintf(b, sizeof b, "%02u:%02u:%02u", h, mi, s);
        return Value(std::string(b));
    }
    default: throw Error("unsupported column type in field " + f.name);
    }
}

} // namespace kdb
