#pragma once
// Internal to the database layer: what a Query holds of the engine (its
// statement and message buffers) and the conversion of values to and from
// the engine's messages. Only query*.cpp include this.

#include "fb.h"
#include "query.h"

#include <cstring>
#include <string>
#include <vector>

namespace kdb {

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

// The type of a column by its SQL_* code (without the null bit).
FieldInfo::Type fieldType(unsigned sqlType);

struct InputShape {
    unsigned type, length, charSet, subType;
    int scale;
    bool operator==(const InputShape&) const = default;
};

struct Query::Impl {
    Firebird::IStatement* statement = nullptr;
    std::string preparedSql;   // the text 'statement' was prepared from
    Firebird::IMessageMetadata* described = nullptr;   // input as the engine describes it
    Firebird::IMessageMetadata* input = nullptr;       // input as we send it
    // Asked of the metadata once, not at each execution: a call a parameter
    // each time was a fiftieth of a release's load.
    std::vector<InputShape> describedShape;            // of `described`
    std::vector<InputShape> inputShape;                // of `input`
    std::vector<unsigned> inOffsets, inNullOffsets;    // of `input`
    std::vector<unsigned char> inBuf;
    Firebird::IMessageMetadata* output = nullptr;
    std::vector<unsigned char> outBuf;
    std::vector<unsigned> outOffsets, outNullOffsets;
    unsigned statementType = 0;

    void bindInput(const std::vector<Value>& values, const std::vector<int>& markers, Firebird::IAttachment* att,
                   Firebird::ITransaction* tra);
    void layOut(const std::vector<InputShape>& shape);

    void releaseMetadata()
    {
        for (Firebird::IMessageMetadata** m : {&described, &input, &output})
            if (*m) {
                (*m)->release();
                *m = nullptr;
            }
        describedShape.clear();
        inputShape.clear();
    }
};

// The value of one column of a fetched row; p points at its data in the
// output message. Blobs are read whole.
Value readColumn(const FieldInfo& f, const unsigned char* p, Firebird::IAttachment* att, Firebird::ITransaction* tra);

} // namespace kdb
