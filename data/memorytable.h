#pragma once
// A data set held only in memory: made from a column list, filled row by
// row (append, set columns, post). Never stored anywhere.

#include "recordset.h"

#include <vector>

namespace kdata {

class MemoryTable : public RecordSet {
    Q_OBJECT
public:
    struct ColumnDef {
        QString name;
        int size = 0;   // characters
    };

    MemoryTable(const QString& name, std::vector<ColumnDef> columns, QObject* parent = nullptr);

    // Makes the table anew from its column list, without rows.
    void createDataSet();
    void emptyDataSet();
    bool isOpen() const override { return open_; }
    void open() override;
    void close() override;

    // Append starts a new row (all columns NULL); set fills it; post keeps it.
    void append();
    void set(const QString& column, kdb::Value value);
    void post();
    bool editing() const { return editing_; }

    const std::vector<ColumnDef>& columns() const { return columns_; }
    std::vector<QString> storedFields() const override;
    int displayChars(const QString& name) const override;

protected:
    std::size_t storedCount() const override { return rows_.size(); }
    int storedIndex(const QString& upperName) const override;
    kdb::Value storedValue(std::size_t row, int index) const override;

private:
    std::vector<ColumnDef> columns_;
    std::vector<std::vector<kdb::Value>> rows_;
    std::vector<kdb::Value> pending_;
    bool open_ = false;
    bool editing_ = false;
};

} // namespace kdata
