#include "lookupmodel.h"

#include "core/text.h"

namespace korvane {
namespace {

namespace st = statements;
using kdata::FieldDef;

LookupDefinition cbos()
{
    return {QStringLiteral("qryCbos"),
            st::kCbosGeral,
            {"TB_CBO", "cbo_cod", "cbo_descr", 6},
            QStringLiteral("CBO_COD"),
            {FieldDef{QStringLiteral("CBO_COD"), QStringLiteral("CBO")},
             FieldDef{QStringLiteral("CBO_DESCR"), QStringLiteral("Descrição"), 656}},
            QStringLiteral("qryProcsCbosGeral"),
            {st::kProcsCbosGeral, "pcbo_proc", 10},
            QStringLiteral("PCBO_PROC"),
            {FieldDef{QStringLiteral("PCBO_PROC"), QStringLiteral("Procedimento")},
             FieldDef{QStringLiteral("DESC_PROC"), QStringLiteral("Descrição"), 621}},
            true};
}

LookupDefinition cid10()
{
    return {QStringLiteral("qryCid10"),
            st::kCid10Geral,
            {"TB_CID", "cid_cod", "cid_descr", 4},
            QStringLiteral("CID_COD"),
            {FieldDef{QStringLiteral("CID_COD"), QStringLiteral("CID10")},
             FieldDef{QStringLiteral("CID_DESCR"), QStringLiteral("Descrição"), 619},
             FieldDef{QStringLiteral("CID_RESTRSEXO"), QStringLiteral("Sexo")}},
            QStringLiteral("qryProcsCid10Geral"),
            {st::kProcsCid10Geral, "cp_proc", 10},
            QStringLiteral("CP_PROC"),
            {FieldDef{QStringLiteral("CP_PROC"), QStringLiteral("Procedimento")},
             FieldDef{QStringLiteral("DESC_PROC"), QStringLiteral("Descrição"), 605}},
            // Closing the CID-10 lookup closes only the diagnosis list.
            false};
}

} // namespace

const LookupDefinition& lookupDefinition(LookupKind kind)
{
    static const LookupDefinition definitions[] = {cbos(), cid10()};
    return definitions[static_cast<int>(kind)];
}

LookupModel::LookupModel(LookupKind kind, kdb::Connection& connection, QObject* parent)
    : QObject(parent), definition_(lookupDefinition(kind)), connection_(connection)
{
    using Access = kdb::Transaction::Access;
    codesTransaction_ = std::make_unique<kdb::Transaction>(connection, Access::ReadOnly);
    proceduresTransaction_ = std::make_unique<kdb::Transaction>(connection, Access::ReadOnly);
    codes_ = new kdata::DataSet(definition_.codesName, connection, *codesTransaction_, this);
    codes_->setSql(definition_.codesSql);
    procedures_ = new kdata::DataSet(definition_.proceduresName, connection, *proceduresTransaction_, this);
    procedures_->setSql(definition_.procedures.statement.sql);
    for (const FieldDef& d : definition_.codeColumns) codes_->setFieldDef(d);
    for (const FieldDef& d : definition_.procedureColumns) procedures_->setFieldDef(d);
    connect(codes_, &kdata::RecordSet::currentChanged, this, [this] {
        try {
            codesMoved();
        } catch (...) {
            emit failed(std::current_exception());
        }
    });
}

LookupModel::~LookupModel()
{
    close();
    // The data sets before the transactions their queries run in.
    delete codes_;
    delete procedures_;
}

void LookupModel::open() { codes_->open(); }

void LookupModel::run(kdata::DataSet* ds, const std::string& sql, bool bind)
{
    ds->close();
    ds->setSql(sql);
    if (bind) ds->setParam(definition_.procedures.statement.param, currentCode());
    ds->open();
}

std::string LookupModel::currentCode() const
{
    return codes_->currentRow() < 0 ? std::string() : codes_->field(definition_.codeField).toString();
}

void LookupModel::search(const QString& text)
{
    const std::string T = trimmedCopy(toWin1252(text));
    if (someCodeMayContain(T)) {
        run(codes_, lookupSearchSql(definition_.codes, false, T), false);
        if (!codes_->isEmpty()) return;
    }
    run(codes_, lookupSearchSql(definition_.codes, true, T), false);
}

bool LookupModel::someCodeMayContain(const std::string& T)
{
    // Read at the first search: the tables do not change while a lookup is open.
    if (!knownCodes_)
        knownCodes_ = CodeSet::read(connection_, *codesTransaction_, definition_.codes.table,
                                    definition_.codes.codeColumn, definition_.codes.codeWidth);
    return knownCodes_->mayContain(T);
}

void LookupModel::searchProcedures(const QString& text)
{
    const std::string T = trimmedCopy(toWin1252(text));
    // The procedures of one code are few: their codes are not worth holding.
    if (CodeSet::fitsWidth(definition_.procedures.codeWidth, T)) {
        run(procedures_, lookupProceduresSql(definition_.procedures, false, T), true);
        if (!procedures_->isEmpty()) return;
    }
    run(procedures_, lookupProceduresSql(definition_.procedures, true, T), true);
}

void LookupModel::codesMoved()
{
    // Only a list that is open moves; a closed one (a rejected search) leaves
    // the procedures as they were.
    if (!codes_->isOpen()) return;
    procedures_->close();
    procedures_->setParam(definition_.procedures.statement.param, currentCode());
    procedures_->open();
}

QString LookupModel::chosenProcedure() const
{
    if (procedures_->currentRow() < 0) return {};
    return fromWin1252(procedures_->field(definition_.procedureField).toString());
}

void LookupModel::close()
{
    if (closed_) return;
    closed_ = true;
    codes_->close();
    if (definition_.closeProceduresOnClose) procedures_->close();
}

} // namespace korvane
