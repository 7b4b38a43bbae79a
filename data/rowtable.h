#pragma once
// Rows of one statement held in memory, and record sets that show some of
// them. A table is read once and shared; a search picks row numbers from it
// without asking the engine, and the picked rows are shown through a
// Selection as any other record set.

#include "recordset.h"

#include "db/query.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kdb {
class Connection;
class Transaction;
}

namespace kdata {

class RowTable {
public:
    // Every row the statement gives, in the engine's order.
    static std::shared_ptr<const RowTable> read(kdb::Connection& connection, kdb::Transaction& transaction,
                                                const std::string& sql);

    std::size_t size() const { return rows_.size(); }
    const std::vector<kdb::FieldInfo>& fields() const { return fields_; }
    int fieldIndex(std::string_view upperName) const;   // -1 when absent
    const kdb::Value& value(std::size_t row, std::size_t field) const { return rows_[row][field]; }

private:
    std::vector<kdb::FieldInfo> fields_;
    std::vector<std::vector<kdb::Value>> rows_;
};

// The characters a field of the given kind takes on screen.
int displayCharsOf(const kdb::FieldInfo& field);

class Selection : public RecordSet {
    Q_OBJECT
public:
    explicit Selection(const QString& name, QObject* parent = nullptr);

    // A new table closes the selection.
    void setTable(std::shared_ptr<const RowTable> table);
    const std::shared_ptr<const RowTable>& table() const { return table_; }

    // Shows these rows of the table, in this order, from the first.
    void show(std::vector<std::size_t> rows);
    const std::vector<std::size_t>& rows() const { return rows_; }
    // The table's row behind a row shown; the row must be shown.
    std::size_t tableRow(std::size_t row) const;

    bool isOpen() const override { return open_; }
    // Opens on the rows last shown.
    void open() override;
    void close() override;

    std::vector<QString> storedFields() const override;
    int displayChars(const QString& name) const override;

protected:
    std::size_t storedCount() const override { return open_ ? rows_.size() : 0; }
    int storedIndex(const QString& upperName) const override;
    kdb::Value storedValue(std::size_t row, int index) const override;

private:
    std::shared_ptr<const RowTable> table_;
    std::vector<std::size_t> rows_;
    bool open_ = false;
};

} // namespace kdata
