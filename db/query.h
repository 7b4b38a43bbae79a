#pragma once
// A statement with named parameters, its own transaction, the rows fetched
// so far and a current row. Rows are fetched on demand, so opening a large
// result costs only what is looked at. It belongs to its connection's thread
// (see connection.h).

#include "value.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kdb {

class Connection;
class Transaction;

struct FieldInfo {
    enum class Type { Char, VarChar, SmallInt, Integer, BigInt, Float, Blob, Date, Time, Timestamp, Boolean, Other };

    std::string name;       // the alias, upper case as the engine reports it
    Type type = Type::Other;
    std::string relation;   // table the column comes from, when it is one
    int sqlType = 0;        // Firebird SQL_* code without the null bit
    int subType = 0;
    int scale = 0;          // 0, or the number of decimals
    unsigned length = 0;    // bytes in the message (CHAR/VARCHAR: width)
    unsigned charSet = 0;
    bool nullable = true;
};

class Query {
public:
    Query(Connection& connection, Transaction& transaction);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Connection& connection() const { return connection_; }
    Transaction& transaction() const { return transaction_; }

    // Replaces the statement text whole; closes the result first. Parameter
    // values of names that the new text keeps are kept.
    void setSql(std::string sql);
    const std::string& sql() const { return sql_; }

    // Parameters, case-insensitive. Setting an unknown name throws.
    void setParam(std::string_view name, Value value);
    const Value& param(std::string_view name) const;
    const std::vector<std::string>& paramNames() const { return paramNames_; }
    int paramIndex(std::string_view name) const;          // -1 when absent
    void setParam(int index, Value value);                // by paramIndex
    // The value of a parameter by index, for binding in place (no copy of
    // texts). Valid until the next setSql.
    Value& paramAt(int index) { return paramValues_.at(static_cast<std::size_t>(index)); }

    // The engine chooses a statement's plan when it is prepared; after a load
    // changes the tables' statistics, the next open prepares it again.
    void replanOnNextOpen() { replan_ = true; }

    // Select statements: open runs it and fetches the first row.
    void open();
    void close();
    bool isOpen() const { return open_; }

    // Any other statement: runs it and returns the number of rows it touched.
    std::uint64_t execute();
    // The same without asking the engine for that number, for statements
    // run by the thousand (a release's inserts: the question was a
    // two-hundredth of a load).
    void run();

    // Fetching. rowCount() counts the rows fetched so far: non-zero exactly
    // when the result has a row.
    std::size_t fetchMore(std::size_t rows);   // returns the rows added
    // Reads a select statement forward once, handing each row over as it
    // comes and keeping none: a large result costs no memory beyond one row.
    // Stops early when `each` returns false; returns the rows handed over.
    std::size_t stream(const std::function<bool(const std::vector<Value>&)>& each);
    void fetchAll();
    bool allFetched() const { return cursor_ == nullptr; }
    std::size_t rowCount() const { return rows_.size(); }
    bool isEmpty() const { return rows_.empty(); }

    // Navigation; current() is -1 when there is no row.
    long current() const { return current_; }
    bool first();
    bool last();                  // fetches everything
    bool next();                  // false at the end (fetching as needed)
    bool prior();
    bool moveTo(std::size_t row); // fetches up to that row; false beyond the end
    bool atEnd() const;           // on the last row and nothing more to fetch

    // Fields of the result (valid while open).
    std::size_t fieldCount() const { return fields_.size(); }
    const FieldInfo& fieldInfo(std::size_t index) const { return fields_.at(index); }
    int fieldIndex(std::string_view name) const;     // -1 when absent
    const Value& value(std::size_t row, std::size_t field) const;
    // Value in the current row; NULL when there is no current row. Throws
    // when the name is not a field of the result.
    const Value& field(std::string_view name) const;
    const Value& field(std::size_t index) const;

private:
    struct Impl;
    void prepare();
    std::uint64_t runCounting(bool counted);
    void releaseStatement();
    void detachFromConnection();
    friend class Connection;
    friend class Transaction;
    void closeByTransaction();

    Connection& connection_;
    Transaction& transaction_;
    std::string sql_;
    std::vector<std::string> paramNames_;        // unique, upper case, first-seen order
    std::vector<Value> paramValues_;             // one per unique name
    std::vector<int> markerToParam_;             // for each '?', its unique param
    std::vector<FieldInfo> fields_;
    std::vector<std::vector<Value>> rows_;
    long current_ = -1;
    bool open_ = false;
    bool replan_ = false;
    void* cursor_ = nullptr;                     // Firebird::IResultSet*
    std::unique_ptr<Impl> impl_;
};

} // namespace kdb
