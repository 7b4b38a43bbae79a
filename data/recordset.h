#pragma once
// What every data-aware control and the report engine see of a data set:
// rows of named fields, a current row, field titles and formats, calculated
// fields, and signals. A query result (DataSet) and an in-memory table
// (MemoryTable) are the two kinds.

#include "db/value.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <vector>

namespace kdata {

enum class DisplayFormat { Plain, Money };

struct FieldDef {
    QString name;           // field name as the set names it (upper case)
    QString title;          // column title where a grid shows it
    int width = -1;         // pixels; -1 lets the field's size decide
    DisplayFormat format = DisplayFormat::Plain;
};

class RecordSet : public QObject {
    Q_OBJECT
public:
    explicit RecordSet(const QString& name, QObject* parent = nullptr);

    virtual bool isOpen() const = 0;
    virtual void open() = 0;
    virtual void close() = 0;

    // Rows available so far; a query fetches more on demand. Under a filter
    // only the rows it accepts count, and row numbers count those rows.
    std::size_t recordCount() const;
    virtual bool allFetched() const { return true; }
    std::size_t fetchMore(std::size_t rows);
    void fetchAll();
    bool isEmpty() const { return recordCount() == 0; }

    long currentRow() const { return current_; }
    bool first();
    bool last();                  // fetches everything
    bool next();
    bool prior();
    bool moveTo(std::size_t row); // fetches up to the row; false beyond the end
    bool atLast() const;          // on the last row with nothing more to fetch

    // Stored fields, then calculated ones, by name (case-insensitive).
    virtual std::vector<QString> storedFields() const = 0;
    std::vector<QString> fieldNames() const;
    bool hasField(const QString& name) const;
    // Characters the field takes on screen when nothing else says.
    virtual int displayChars(const QString& name) const;

    // Values: outside the set's fields they throw; beyond the rows, or with
    // no current row, they are NULL.
    kdb::Value value(std::size_t row, const QString& field) const;
    kdb::Value field(const QString& name) const;
    QString displayText(std::size_t row, const QString& field) const;
    QString currentText(const QString& field) const;

    void setFieldDef(FieldDef def);
    const FieldDef* fieldDef(const QString& name) const;
    using Calculation = std::function<kdb::Value(const RecordSet&, std::size_t row)>;
    void addCalculatedField(const QString& name, Calculation calc);

    // A filter hides the rows that do not match it: "FIELD = 'text'",
    // "FIELD <> 12", conditions joined by "and"; CHAR padding is ignored.
    // An empty text shows every row. Setting one re-reads the rows and puts
    // the set on its first visible row. A malformed text throws and leaves
    // the filter as it was; a field the set does not have throws when rows
    // are read.
    void setFilter(const QString& expression);
    const QString& filter() const { return filterText_; }

    // While disabled, no signal reaches bound controls or handlers; enabling
    // again tells the views to re-read when rows changed meanwhile.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disabled_ > 0; }
    // Controls held off for a scope: a set closed and opened again inside
    // it reaches its views once, with the new rows (a reset, not a move:
    // handlers that follow the current row hear nothing).
    class Quiet {
    public:
        explicit Quiet(RecordSet& rs) : rs_(rs) { rs_.disableControls(); }
        ~Quiet() { rs_.enableControls(); }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

    private:
        RecordSet& rs_;
    };

signals:
    void currentChanged();   // the current row moved, or the set opened or closed
    void rowsReset();        // the rows were replaced
    void rowsAppended(std::size_t first, std::size_t last);

protected:
    // Rows held, filter or not.
    virtual std::size_t storedCount() const = 0;
    virtual std::size_t fetchRows(std::size_t rows) { (void)rows; return 0; }
    virtual int storedIndex(const QString& upperName) const = 0;
    virtual kdb::Value storedValue(std::size_t row, int index) const = 0;

    // For subclasses: after the rows were replaced (open, close, emptying),
    // or after rows were added behind the storedCount() given.
    void rowsReplaced();
    void rowsAdded(std::size_t storedBefore);
    void setCurrent(long row);   // tells bound controls when it changes
    // The visible row of a stored one; -1 when the filter hides it.
    long visibleRow(std::size_t storedRow) const;

private:
    struct Condition {
        QString field;   // upper case
        bool equal = true;
        kdb::Value literal;
    };
    std::size_t stored(std::size_t row) const { return filterOn_ ? visible_[row] : row; }
    void indexFrom(std::size_t storedBefore);
    void notifyAdded(std::size_t visibleBefore);
    bool accepts(std::size_t storedRow) const;

    QString filterText_;
    std::vector<Condition> conditions_;
    bool filterOn_ = false;
    std::vector<std::size_t> visible_;   // stored row of each visible row, under a filter

    long current_ = -1;
    std::map<QString, FieldDef> defs_;
    std::vector<std::pair<QString, Calculation>> calculated_;
    int disabled_ = 0;
    bool missedReset_ = false;
};

// Displays one value with a display format.
QString formatValue(const kdb::Value& value, DisplayFormat format);

} // namespace kdata
