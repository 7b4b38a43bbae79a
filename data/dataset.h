#pragma once
// A data set over a query: its statement, parameters and fetched rows.

#include "recordset.h"

#include "db/query.h"

#include <memory>
#include <string>

namespace kdb {
class Connection;
class Transaction;
}

namespace kdata {

class DataSet : public RecordSet {
    Q_OBJECT
public:
    DataSet(const QString& name, kdb::Connection& connection, kdb::Transaction& transaction,
            QObject* parent = nullptr);
    ~DataSet() override;

    kdb::Query& query() { return *query_; }
    const kdb::Query& query() const { return *query_; }

    // Replacing the text closes the set.
    void setSql(std::string sql);
    const std::string& sql() const { return query_->sql(); }
    void setParam(std::string_view name, kdb::Value value) { query_->setParam(name, std::move(value)); }

    bool isOpen() const override { return query_->isOpen(); }
    // Runs the statement and positions on the first row. A failed open
    // leaves the set closed and empty.
    void open() override;
    void close() override;
    bool allFetched() const override { return query_->allFetched(); }

    std::vector<QString> storedFields() const override;
    int displayChars(const QString& name) const override;

protected:
    std::size_t storedCount() const override { return query_->rowCount(); }
    std::size_t fetchRows(std::size_t rows) override { return query_->fetchMore(rows); }
    int storedIndex(const QString& upperName) const override;
    kdb::Value storedValue(std::size_t row, int index) const override;

private:
    std::unique_ptr<kdb::Query> query_;
};

} // namespace kdata
