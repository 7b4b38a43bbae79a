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
            {"CBO_COD", "CBO_DESCR", 6},
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
            {"CID_COD", "CID_DESCR", 4},
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
    codes_ = new kdata::Selection(definition_.codesName, this);
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
    delete procedures_;
}

const TextIndex& LookupModel::index()
{
    if (!index_)
        index_.emplace(kdata::RowTable::read(connection_, *codesTransaction_, definition_.codesSql),
                       definition_.codes.codeField, definition_.codes.codeWidth, definition_.codes.nameField,
                       TextIndex::Order::ByColumn);
    return *index_;
}

void LookupModel::open()
{
    // Every code in the order the engine reads the table.
    const TextIndex& i = index();
    codes_->setTable(i.table());
    std::vector<std::size_t> all(i.size());
    for (std::size_t r = 0; r < all.size(); ++r) all[r] = r;
    codes_->show(std::move(all));
}

void LookupModel::runProcedures(const BoundStatement& s)
{
    procedures_->close();
    procedures_->setSql(s.sql);
    procedures_->setParam(definition_.procedures.statement.param, currentCode());
    for (const auto& [name, value] : s.params) procedures_->setParam(name, value);
    procedures_->open();
}

std::string LookupModel::currentCode() const
{
    return codes_->currentRow() < 0 ? std::string() : codes_->field(definition_.codeField).toString();
}

void LookupModel::search(const QString& text)
{
    // By code ordered by code; by name ordered by name when no code holds it.
    codes_->show(index().search(SearchText::parse(text)));
}

void LookupModel::searchProcedures(const QString& text)
{
    const SearchText t = SearchText::parse(text);
    // The procedures of one code are few: their codes are not worth holding.
    if (t.code.size() <= definition_.procedures.codeWidth) {
        runProcedures(lookupProceduresStatement(definition_.procedures, false, t));
        if (!procedures_->isEmpty()) return;
    }
    runProcedures(lookupProceduresStatement(definition_.procedures, true, t));
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
