#pragma once
// A data set: a query with its current row, field titles and formats,
// calculated fields, and signals for the controls bound to it.

#include "db/query.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kdb {
class Connection;
class Transaction;
}

namespace kui {

enum class DisplayFormat { Plain, Money };

struct FieldDef {
    QString name;           // field name as the result names it (upper case)
    QString title;          // column title where a grid shows it
    int width = -1;         // pixels; -1 lets the field's size decide
    DisplayFormat format = DisplayFormat::Plain;
};

class DataSet : public QObject {
    Q_OBJECT
public:
    DataSet(const QString& name, kdb::Connection& connection, kdb::Transaction& transaction,
            QObject* parent = nullptr);
    ~DataSet() override;

    kdb::Query& query() { return *query_; }
    const kdb::Query& query() const { return *query_; }

    void setSql(std::string sql);
    const std::string& sql() const { return query_->sql(); }
    void setParam(std::string_view name, kdb::Value value) { query_->setParam(name, std::move(value)); }

    void open();
    void close();
    bool isOpen() const { return query_->isOpen(); }

    bool isEmpty() const { return query_->isEmpty(); }
    std::size_t recordCount() const { return query_->rowCount(); }   // rows fetched so far
    bool allFetched() const { return query_->allFetched(); }
    std::size_t fetchMore(std::size_t rows);
    void fetchAll();

    long currentRow() const { return query_->current(); }
    bool first();
    bool last();
    bool next();
    bool prior();
    bool moveTo(std::size_t row);

    // Field values by name, calculated fields included. Outside the result
    // (no such field) they throw; with no current row they are NULL.
    kdb::Value value(std::size_t row, const QString& field) const;
    kdb::Value field(const QString& name) const;
    // The value as a bound control shows it (display format applied).
    QString displayText(std::size_t row, const QString& field) const;
    QString currentText(const QString& field) const;
    bool hasField(const QString& name) const;

    void setFieldDef(FieldDef def);
    const FieldDef* fieldDef(const QString& name) const;
    using Calculation = std::function<kdb::Value(const DataSet&, std::size_t row)>;
    void addCalculatedField(const QString& name, Calculation calc);

    // While disabled, no signal reaches bound controls or handlers; enabling
    // again tells the views to re-read if rows changed meanwhile.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disabled_ > 0; }

signals:
    void currentChanged();                        // the current row moved, or the set opened or closed
    void rowsReset();                             // the rows were replaced
    void rowsAppended(std::size_t first, std::size_t last);

private:
    void notifyCurrent();
    void notifyReset();
    void notifyAppended(std::size_t before);

    std::unique_ptr<kdb::Query> query_;
    std::map<QString, FieldDef> defs_;
    std::vector<std::pair<QString, Calculation>> calculated_;
    int disabled_ = 0;
    bool missedReset_ = false;
};

// Displays one value with a display format.
QString formatValue(const kdb::Value& value, DisplayFormat format);

} // namespace kui
