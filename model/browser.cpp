// The operations of a consultation: the hierarchy steps, the procedure
// search, the refresh of everything tied to the current procedure, and the
// page searches.

#include "browser.h"

#include "core/text.h"
#include "db/error.h"
#include "model/statements.h"

#include <unordered_map>

namespace korvane {
namespace {

namespace st = statements;

// A field of the current row as stored; the empty text when there is no row.
std::string textOf(const kdata::RecordSet* ds, const char* field)
{
    if (!ds->isOpen() || ds->currentRow() < 0) return {};
    return ds->field(QString::fromLatin1(field)).toString();
}

void reopen(kdata::DataSet* ds, const st::Bound& statement, const std::string& code)
{
    // Closed and opened again, the set reaches its grid or memo once.
    const kdata::RecordSet::Quiet quiet(*ds);
    ds->close();
    ds->setParam(statement.param, code);
    ds->open();
}

} // namespace

// --- start and end -------------------------------------------------------------

void BrowserModel::open()
{
    opened_ = true;
    stamp_ = releaseStamp();
    qryCbosGeral_->open();
    qryCid10Geral_->open();
    qryTbProc_->setTable(procedures().table());
    qryTbProc_->show(initialRows());
    qryGrupo_->open();
}

const TextIndex& BrowserModel::procedures()
{
    if (!procedures_) {
        kdb::Transaction& tr = qryVersao_->query().transaction();
        procedures_.emplace(kdata::RowTable::read(connection_, tr, st::kProcedureWithFinancing), "PROC_COD", 10,
                            "PROC_DESCR", TextIndex::Order::AsRead);
    }
    return *procedures_;
}

// The seats of an office share one database, and another program may have
// loaded a release since the procedures were read: the next search reads
// them again, as it does after a load of this program's own.
void BrowserModel::followRelease()
{
    std::string stamp = releaseStamp();
    if (stamp == stamp_) return;
    releaseLoaded();
    stamp_ = std::move(stamp);
}

std::string BrowserModel::releaseStamp()
{
    if (!stampQuery_) {
        stampQuery_ = std::make_unique<kdb::Query>(connection_, qryVersao_->query().transaction());
        stampQuery_->setSql(st::kReleaseStamp);
    }
    // A database whose VERSAO cannot be read is still browsed (the caption
    // says nothing then); only another load is not noticed.
    try {
        stampQuery_->open();
        std::string stamp = stampQuery_->isEmpty() ? std::string("none") : stampQuery_->field(0).toString();
        stampQuery_->close();
        return stamp;
    } catch (const kdb::Error&) {
        return "unread";
    }
}

std::vector<std::size_t> BrowserModel::initialRows()
{
    // Every procedure that has a financing row, in the order the engine
    // gives that statement (the join may drive from the financing table).
    const TextIndex& index = procedures();
    std::unordered_map<std::string, std::size_t> rowOf;
    for (std::size_t r = 0; r < index.size(); ++r) rowOf.emplace(index.storedCode(r), r);
    kdb::Query q(connection_, qryVersao_->query().transaction());
    q.setSql(st::kTbProcInitial);
    q.open();
    q.fetchAll();
    const int code = q.fieldIndex("PROC_COD");
    std::vector<std::size_t> rows;
    rows.reserve(q.rowCount());
    for (std::size_t r = 0; r < q.rowCount(); ++r)
        if (auto it = rowOf.find(q.value(r, static_cast<std::size_t>(code)).toString()); it != rowOf.end())
            rows.push_back(it->second);
    return rows;
}

QString BrowserModel::versao()
{
    qryVersao_->close();
    qryVersao_->open();
    qryVersao_->first();
    return fromWin1252(qryVersao_->field(QStringLiteral("VERSAO")).toString());
}

void BrowserModel::releaseLoaded()
{
    for (kdata::DataSet* ds : dataSets_) ds->query().replanOnNextOpen();
    procedures_.reset();
}

void BrowserModel::close()
{
    if (closed_) return;
    closed_ = true;
    qryTbProc_->close();
    for (kdata::DataSet* ds : dataSets_) ds->close();
    for (auto& t : transactions_) t->rollback();
    connection_.close();
}

// --- the procedure search --------------------------------------------------------

std::string BrowserModel::shownCode(Level level) const
{
    return trimmedCopy(toWin1252(choice(level).shownText()));
}

std::string BrowserModel::currentProcedureCode() const { return textOf(qryTbProc_, "PROC_COD"); }

void BrowserModel::setSearchText(const QString& text)
{
    if (text == searchText_) return;
    searchText_ = text;
    emit searchTextChanged(text);
    search();
}

void BrowserModel::handBack(const QString& code)
{
    if (searchText_ == code) search();
    else setSearchText(code);
}

void BrowserModel::search()
{
    followRelease();
    const SearchText text = SearchText::parse(searchText_);
    const HierarchyFilter filter = hierarchyFilter();
    const TextIndex& index = procedures();
    if (qryTbProc_->table() != index.table()) qryTbProc_->setTable(index.table());
    const auto within = [&](std::size_t row) { return filter.accepts(index.storedCode(row)); };
    qryTbProc_->show(index.search(text, within));
}

// --- the hierarchy -----------------------------------------------------------------

void BrowserModel::reopenSubGrupos()
{
    qrySubGrupo_->close();
    qrySubGrupo_->setParam(st::kSubGrupo.param, qryGrupo_->field(QStringLiteral("GRUPO_COD_GR")));
    qrySubGrupo_->open();
    choice(Level::SubGrupo).fetchAllRows();
}

void BrowserModel::reopenFormas()
{
    qryFo_->close();
    qryFo_->setParam(st::kFoGrupoParam, textOf(qryGrupo_, "CODIGO"));
    qryFo_->setParam(st::kFoSubGrupoParam, textOf(qrySubGrupo_, "SUBGRUPO"));
    qryFo_->open();
    choice(Level::Fo).fetchAllRows();
}

void BrowserModel::levelStep(Level level)
{
    if (shownCode(level).empty()) return;
    std::string code = textOf(qryGrupo_, "CODIGO");
    if (level == Level::Grupo) {
        // A subgroup or form chosen under the previous group would keep
        // filtering the new group's list on their positions: empty them first.
        choice(Level::SubGrupo).clearValue();
        choice(Level::Fo).clearValue();
        qryFo_->close();
    } else {
        if (level == Level::SubGrupo) choice(Level::Fo).clearValue();
        code += textOf(qrySubGrupo_, "SUBGRUPO");
        if (level == Level::Fo) code += textOf(qryFo_, "FO");
    }
    setSearchText(QString());
    setSearchText(fromWin1252(code));
    search();
    if (level == Level::Grupo) reopenSubGrupos();
    if (level == Level::SubGrupo) reopenFormas();
}

void BrowserModel::enterLevel(Level level)
{
    if (level == Level::Grupo) {
        choice(level).fetchAllRows();
        return;
    }
    if (!shownCode(Level::Grupo).empty() && choice(level).list()->isOpen()) choice(level).fetchAllRows();
}

void BrowserModel::emptyLevel(Level level) { choice(level).setEmptyText(); }

void BrowserModel::clear()
{
    // Clearing a box is a change of its text even when it was empty already:
    // its search runs again either way.
    for (PageSearch page : {PageSearch::Cid10, PageSearch::Cbos, PageSearch::Tuss, PageSearch::Renases,
                            PageSearch::Redes, PageSearch::Origem, PageSearch::RegrasCondicionadas,
                            PageSearch::Excecoes}) {
        if (pageText(page).isEmpty()) pageSearch(page);
        else setPageText(page, QString());
    }
    choice(Level::Grupo).setEmptyText();
    choice(Level::SubGrupo).setEmptyText();
    qrySubGrupo_->close();
    choice(Level::Fo).setEmptyText();
    qryFo_->close();
    if (searchText_.isEmpty()) search();
    else setSearchText(QString());
}

HierarchyFilter BrowserModel::hierarchyFilter() const
{
    HierarchyFilter f;
    const long g = choice(Level::Grupo).shownRow();
    if (g < 0) return f;
    const auto at = [](const kdata::RecordSet* ds, long row, const char* field) {
        return trimmedCopy(ds->value(static_cast<std::size_t>(row), QString::fromLatin1(field)).toString());
    };
    f.grupo = at(qryGrupo_, g, "CODIGO");
    // A lower list read for another branch than the one shown above filters nothing.
    const long s = choice(Level::SubGrupo).shownRow();
    const kdb::Value& readFor = qrySubGrupo_->query().param(st::kSubGrupo.param);
    if (s < 0 || readFor.isNull() || readFor.toString() != at(qryGrupo_, g, "GRUPO_COD_GR")) return f;
    f.subgrupo = at(qrySubGrupo_, s, "SUBGRUPO");
    const long fo = choice(Level::Fo).shownRow();
    if (fo < 0 || trimmedCopy(qryFo_->query().param(st::kFoGrupoParam).toString()) != f.grupo ||
        trimmedCopy(qryFo_->query().param(st::kFoSubGrupoParam).toString()) != f.subgrupo)
        return f;
    f.fo = at(qryFo_, fo, "FO");
    return f;
}

// --- the current procedure -----------------------------------------------------------

bool BrowserModel::highComplexity() const
{
    return qryTbProc_->isOpen() && qryTbProc_->currentRow() >= 0 &&
           trimmed(textOf(qryTbProc_, "PROC_COMPLEX")) == std::string_view("3");
}

QString BrowserModel::financingShown() const
{
    if (highComplexity()) return kHighComplexityMark;
    return qryTbProc_->currentText(QStringLiteral("FINANC_DESCR"));
}

void BrowserModel::detailRefresh()
{
    // A closed list refreshes nothing: the pages keep what they showed.
    if (!qryTbProc_->isOpen()) return;
    const std::string C = currentProcedureCode();
    if (C.compare(0, 2, "07") == 0) reopen(qryProcsDaOpm(), st::kProcsDaOpm, C);
    else qryProcsDaOpm()->close();
    reopen(qryProchabilitacao(), st::kProchabilitacao, C);
    reopen(qryProcmodalidade(), st::kProcmodalidade, C);
    reopen(qryProcdetalhe(), st::kProcdetalhe, C);
    reopen(qryProcregistro(), st::kProcregistro, C);
    reopen(qryProcopm(), st::kProcopm, C);
    reopen(qryProcespecialidades(), st::kProcespecialidades, C);
    reopen(qryProccbos(), st::kProccbos, C);
    reopen(qryProccid10(), st::kProccid10, C);
    reopen(qryProc_Habilitacao(), st::kProc_Habilitacao, C);
    reopen(qryProcServicoClassificacao(), st::kProcServicoClassificacao, C);
    reopen(qryDescricoes(), st::kDescricoes, C);
    reopen(qryAtributoComplentar(), st::kAtributoComplentar, C);
    reopen(qryProcTuss(), st::kProcTuss, C);
    reopen(qryProcRenases(), st::kProcRenases, C);
    reopen(qryProcRedes(), st::kProcRedes, C);
    reopen(qryProcOrigem(), st::kProcOrigem, C);
    reopen(qryProcRegrasCond(), st::kProcRegrasCond, C);
    reopen(qryProcExcecoes(), st::kProcExcecoes, C);
}

void BrowserModel::cid10GeralRefresh()
{
    if (!qryCid10Geral_->isOpen()) return;
    reopen(qryProcsCid10Geral_, st::kProcsCid10Geral, textOf(qryCid10Geral_, "CID_COD"));
}

// --- the pages -----------------------------------------------------------------------

void BrowserModel::setPageText(PageSearch page, const QString& text)
{
    QString& held = pageTexts_[static_cast<int>(page)];
    if (text == held) return;
    held = text;
    emit pageTextChanged(page, text);
    pageSearch(page);
}

void BrowserModel::pageSearch(PageSearch page)
{
    static const Related sets[] = {kCid10, kCbos, kOpm, kTuss, kRenases, kRedes, kOrigem, kRegras, kExcecoes};
    static_assert(sizeof sets / sizeof sets[0] == kPageSearchCount);
    kdata::DataSet* dataSet = related_[sets[static_cast<int>(page)]];
    const SearchText text = SearchText::parse(pageText(page));
    const std::string C = currentProcedureCode();
    for (bool second : {false, true}) {
        const BoundStatement s = pageSearchStatement(page, second, text);
        dataSet->close();
        dataSet->setSql(s.sql);
        dataSet->setParam(pageSearchParam(page), C);
        for (const auto& [name, value] : s.params) dataSet->setParam(name, value);
        dataSet->open();
        if (!dataSet->isEmpty()) return;
    }
}

void BrowserModel::jumpToCompatible()
{
    const QString code = fromWin1252(textOf(qryProcopm(), "PC_PROC_SEC"));
    setSearchText(QString());
    setSearchText(code);
    search();
}

} // namespace korvane
