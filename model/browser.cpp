// The operations of a consultation: the hierarchy steps, the procedure
// search, the refresh of everything tied to the current procedure, and the
// page searches.

#include "browser.h"

#include "core/text.h"
#include "model/statements.h"

namespace korvane {
namespace {

namespace st = statements;

// A flag set for a scope and put back however the scope ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = was_; }

private:
    bool& flag_;
    bool was_;
};

// A field of the current row as stored; the empty text when there is no row.
std::string textOf(const kdata::RecordSet* ds, const char* field)
{
    if (!ds->isOpen() || ds->currentRow() < 0) return {};
    return ds->field(QString::fromLatin1(field)).toString();
}

void reopen(kdata::DataSet* ds, const st::Bound& statement, const std::string& code)
{
    ds->close();
    ds->setParam(statement.param, code);
    ds->open();
}

} // namespace

// --- start and end -------------------------------------------------------------

void BrowserModel::open()
{
    qryCbosGeral_->open();
    qryCid10Geral_->open();
    qryTbProc_->open();
    qryGrupo_->open();
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
    procedureCodes_.reset();
}

void BrowserModel::close()
{
    if (closed_) return;
    closed_ = true;
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

bool BrowserModel::runProcedureStatement(const std::string& sql)
{
    qryTbProc_->close();
    qryTbProc_->setSql(sql);
    qryTbProc_->open();
    return !qryTbProc_->isEmpty();
}

bool BrowserModel::codesMayContain(const std::string& T)
{
    // The code scan is the slowest part of a keystroke, and most texts typed
    // are in no code at all.
    if (!procedureCodes_)
        procedureCodes_ = CodeSet::read(connection_, qryTbProc_->query().transaction(), "TB_PROC", "PROC_COD", 10);
    return procedureCodes_->mayContain(T);
}

void BrowserModel::search()
{
    const std::string T = trimmedCopy(toWin1252(searchText_));
    bool found = false;
    if (codesMayContain(T)) {
        // A first statement that finds nothing is replaced at once; only the
        // list that stays gets the detail refresh.
        FlagScope quiet(suppressDetail_);
        found = runProcedureStatement(procedureSearchSql(shownCode(Level::Grupo), shownCode(Level::SubGrupo),
                                                         shownCode(Level::Fo), SearchColumn::Code, T));
    }
    if (found) {
        detailRefresh();
        return;
    }
    runProcedureStatement(procedureSearchSql(shownCode(Level::Grupo), shownCode(Level::SubGrupo),
                                             shownCode(Level::Fo), SearchColumn::Description, T));
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
    for (PageSearch page : {PageSearch::Cid10, PageSearch::Cbos}) {
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

ListLevel BrowserModel::listLevel(Level level) const
{
    static const char* const codeFields[] = {"CODIGO", "SUBGRUPO", "FO"};
    const LookupChoice& c = choice(level);
    // Only a chosen entry narrows the list: a lookup emptied by Delete or by
    // the clear button shows nothing and filters nothing, as in the search.
    ListLevel out;
    out.holdsValue = c.state() == LookupChoice::State::Entry;
    if (c.list()->isOpen() && c.list()->currentRow() >= 0)
        out.code = trimmedCopy(textOf(c.list(), codeFields[static_cast<int>(level)]));
    return out;
}

// --- the current procedure -----------------------------------------------------------

bool BrowserModel::highComplexity() const
{
    return qryTbProc_->isOpen() && qryTbProc_->currentRow() >= 0 &&
           trimmed(textOf(qryTbProc_, "PROC_COMPLEX")) == std::string_view("3");
}

void BrowserModel::detailRefresh()
{
    // A closed list (a failed search) refreshes nothing: the pages keep what they showed.
    if (suppressDetail_ || !qryTbProc_->isOpen()) return;
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
    static const Related sets[] = {kCid10, kCbos, kOpm};
    kdata::DataSet* dataSet = related_[sets[static_cast<int>(page)]];
    const std::string T = trimmedCopy(toWin1252(pageText(page)));
    const std::string C = currentProcedureCode();
    for (bool second : {false, true}) {
        dataSet->close();
        dataSet->setSql(pageSearchSql(page, second, T));
        dataSet->setParam(pageSearchParam(page), C);
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
