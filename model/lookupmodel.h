#pragma once
// A lookup without widgets: a code/name table searched as the user types,
// the procedures tied to its current code (narrowed by their own text), and
// the procedure to hand back to the browser's search. The CBO and CID-10
// windows are views over it.

#include "data/dataset.h"
#include "data/rowtable.h"
#include "model/lookupsearch.h"
#include "model/textindex.h"

#include "db/transaction.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace kdb { class Connection; }

namespace korvane {

enum class LookupKind { Cbos, Cid10 };

struct LookupDefinition {
    QString codesName;            // "qryCbos"
    const char* codesSql;         // the statement when the lookup opens
    LookupTable codes;
    QString codeField;            // "CBO_COD"
    std::vector<kdata::FieldDef> codeColumns;   // shown, in order
    QString proceduresName;       // "qryProcsCbosGeral"
    LookupProcedures procedures;
    QString procedureField;       // "PCBO_PROC"
    std::vector<kdata::FieldDef> procedureColumns;
    bool closeProceduresOnClose;
};

const LookupDefinition& lookupDefinition(LookupKind kind);

class LookupModel : public QObject {
    Q_OBJECT
public:
    // Reads over the browser's connection, in transactions of its own.
    LookupModel(LookupKind kind, kdb::Connection& connection, QObject* parent = nullptr);
    ~LookupModel() override;

    const LookupDefinition& definition() const { return definition_; }
    kdata::Selection* codes() const { return codes_; }
    kdata::DataSet* procedures() const { return procedures_; }

    // Every code, in the engine's own order.
    void open();
    // The upper list answers from memory: the table is read once, when the
    // lookup opens.
    // The upper box changed: by code first, by name when no code holds it.
    void search(const QString& text);
    // The lower box changed: the current code's procedures by procedure code
    // first, by procedure name when no code holds it.
    void searchProcedures(const QString& text);
    // The procedure of the lower list's current row; empty without one.
    QString chosenProcedure() const;
    void close();

signals:
    // The procedure list could not follow a move of the codes.
    void failed(std::exception_ptr error);

private:
    void codesMoved();
    void runProcedures(const BoundStatement& s);
    std::string currentCode() const;
    const TextIndex& index();

    const LookupDefinition& definition_;
    kdb::Connection& connection_;
    std::unique_ptr<kdb::Transaction> codesTransaction_, proceduresTransaction_;
    kdata::Selection* codes_ = nullptr;
    kdata::DataSet* procedures_ = nullptr;
    bool closed_ = false;
    std::optional<TextIndex> index_;   // the upper table, read at opening
};

} // namespace korvane
