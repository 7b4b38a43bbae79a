#pragma once
// The procedure browser without widgets: the state of one consultation and
// the operations on it. It owns the program's connection and every result
// set of the browser: the hierarchy lists and the choices made in them, the
// procedure list and its search text, the result sets tied to the current
// procedure and the page searches that narrow nine of them. The
// main window is a view over it; the command line drives the same object.
//
// Every operation runs on the thread that made the model. An engine error
// ends the operation where it stands and reaches the caller as kdb::Error;
// what was opened before that step stays open.

#include "data/dataset.h"
#include "data/rowtable.h"
#include "model/lookupchoice.h"
#include "model/procsearch.h"
#include "model/reportdata.h"
#include "model/textindex.h"
#include "update/history.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"

#include <QObject>
#include <QString>

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

enum class Level { Grupo, SubGrupo, Fo };

// One related list of the current procedure as a page shows it.
struct BrowserPage {
    const char* key;                // "cid10": how scripts name it
    const char* caption;            // "Cid10 do Proc."
    const char* grid;               // the grid's control name
    kdata::DataSet* dataSet;
    std::vector<QString> columns;   // fields shown, in order
    // Pages with a search box of their own: its control name and search.
    const char* searchBox = nullptr;
    std::optional<PageSearch> search;
};

// One value of the current procedure as the detail panel shows it.
struct DetailValue {
    const char* box;     // the box's control name
    const char* label;   // "Sexo:"
    const char* field;   // a field of the procedure list
};

class BrowserModel : public QObject {
    Q_OBJECT
public:
    // Attaches to the database at path before anything else; a connection
    // that cannot be made throws kdb::Error with the client library's text.
    explicit BrowserModel(const std::string& databasePath, QObject* parent = nullptr);
    ~BrowserModel() override;

    kdb::Connection& connection() { return connection_; }
    // The transaction the model's own reads run in (read committed).
    kdb::Transaction& readTransaction() { return qryVersao_->query().transaction(); }

    // --- result sets, named as the windows and the reports name them -------
    kdata::DataSet* qryVersao() const { return qryVersao_; }
    kdata::DataSet* qryGrupo() const { return qryGrupo_; }
    kdata::DataSet* qrySubGrupo() const { return qrySubGrupo_; }
    kdata::DataSet* qryFo() const { return qryFo_; }
    kdata::Selection* qryTbProc() const { return qryTbProc_; }
    kdata::DataSet* qryProccid10() const { return related_[kCid10]; }
    kdata::DataSet* qryProccbos() const { return related_[kCbos]; }
    kdata::DataSet* qryProcespecialidades() const { return related_[kEspecialidades]; }
    kdata::DataSet* qryProcopm() const { return related_[kOpm]; }
    kdata::DataSet* qryProcmodalidade() const { return related_[kModalidade]; }
    kdata::DataSet* qryProcregistro() const { return related_[kRegistro]; }
    kdata::DataSet* qryAtributoComplentar() const { return related_[kAtributo]; }
    kdata::DataSet* qryProcdetalhe() const { return related_[kDetalhe]; }
    kdata::DataSet* qryProchabilitacao() const { return related_[kIncremento]; }
    kdata::DataSet* qryProcsDaOpm() const { return related_[kDaOpm]; }
    kdata::DataSet* qryProc_Habilitacao() const { return related_[kHabilitacao]; }
    kdata::DataSet* qryProcServicoClassificacao() const { return related_[kServico]; }
    kdata::DataSet* qryDescricoes() const { return related_[kDescricoes]; }
    kdata::DataSet* qryProcTuss() const { return related_[kTuss]; }
    kdata::DataSet* qryProcRenases() const { return related_[kRenases]; }
    kdata::DataSet* qryProcRedes() const { return related_[kRedes]; }
    kdata::DataSet* qryProcOrigem() const { return related_[kOrigem]; }
    kdata::DataSet* qryProcRegrasCond() const { return related_[kRegras]; }
    kdata::DataSet* qryProcExcecoes() const { return related_[kExcecoes]; }
    kdata::DataSet* qryCid10Geral() const { return qryCid10Geral_; }
    kdata::DataSet* qryProcsCid10Geral() const { return qryProcsCid10Geral_; }
    kdata::DataSet* qryCbosGeral() const { return qryCbosGeral_; }

    // The choice of each hierarchy lookup.
    LookupChoice& choice(Level level) const { return *choices_[static_cast<int>(level)]; }
    // The pages, in order: the twelve first, then those of the later
    // release files.
    const std::vector<BrowserPage>& pages() const { return pages_; }
    // The columns of the procedure list, in order.
    static const std::vector<QString>& listColumns();
    // The values of the detail panel, in order.
    static const std::vector<DetailValue>& detailValues();
    // What the financing box shows for the current procedure: the mark of
    // high complexity, or the financing name.
    QString financingShown() const;

    // --- start and end ---------------------------------------------------------
    // Opens the CBO and CID-10 lists, the procedure list on its initial
    // statement (which refreshes the detail for its first row) and the groups.
    void open();
    // The competência of the loaded release as VERSAO holds it, read afresh.
    QString versao();
    // After an update: nothing is re-read now, but the next runs plan their
    // statements against the new tables and read the codes again.
    void releaseLoaded();
    // Closes every result set and the connection.
    void close();

    // --- the competência consulted -----------------------------------------------
    // The kept competências, oldest first; none for a database that keeps one
    // release in plain tables.
    std::vector<KeptRelease> competencias();
    // The competência every result set shows (AAAAMM): the one chosen, else
    // the newest kept.
    std::string competencia();
    // Makes every result set show a kept competência (AAAAMM or MM/AAAA; empty:
    // the newest, following later loads). Before open() it only chooses; after
    // it the lists are read again, the hierarchy is emptied (its entries are
    // the competência's own) and the search runs again with its text. A
    // competência not kept throws std::invalid_argument and changes nothing.
    void setCompetencia(const std::string& competencia);

    // --- the procedure search ---------------------------------------------------
    const QString& searchText() const { return searchText_; }
    // A change of the search box: stores the text and, when it differs from
    // the one held, runs the search.
    void setSearchText(const QString& text);
    // Runs the search with the text held.
    void search();
    // A code handed back by another window: the search runs with it even
    // when the box held it already.
    void handBack(const QString& code);

    // --- the hierarchy ------------------------------------------------------------
    // An entry chosen in a lookup, or the focus leaving it.
    void levelStep(Level level);
    // The focus entering a lookup.
    void enterLevel(Level level);
    // Delete or Backspace in a lookup.
    void emptyLevel(Level level);
    // The clear button: the page boxes of CID-10 and CBO and those of the
    // later release files, the three lookups and the search box, searched
    // again.
    void clear();
    // The part of the hierarchy the list is narrowed to, on screen and on
    // paper alike: a level filters while its lookup shows an entry and every
    // level above shows the entry its list was read for.
    HierarchyFilter hierarchyFilter() const;

    // --- the current procedure ----------------------------------------------------
    std::string currentProcedureCode() const;
    // True when the current procedure is of high complexity: the financing
    // box then shows kHighComplexityMark instead of the financing name.
    bool highComplexity() const;
    static const QString kHighComplexityMark;

    // --- the pages ------------------------------------------------------------------
    const QString& pageText(PageSearch page) const { return pageTexts_[static_cast<int>(page)]; }
    void setPageText(PageSearch page, const QString& text);
    // The double click on the "Compatível" page: the main list jumps to the
    // compatible procedure of that page's current row.
    void jumpToCompatible();

signals:
    // The program changed a text the user may also type.
    void searchTextChanged(const QString& text);
    void pageTextChanged(korvane::PageSearch page, const QString& text);
    // A refresh that follows a move of a list (not one an operation ran
    // itself) failed; the operation that failed reaches its caller instead.
    void failed(std::exception_ptr error);

private:
    enum Related {
        kCid10, kCbos, kEspecialidades, kOpm, kModalidade, kRegistro, kAtributo, kDetalhe, kIncremento,
        kDaOpm, kHabilitacao, kServico, kDescricoes, kTuss, kRenases, kRedes, kOrigem, kRegras, kExcecoes,
        kRelatedCount
    };
    kdata::DataSet* makeQuery(const QString& name, const std::string& sql, kdb::Transaction* shared = nullptr);
    void makeResultSets();
    void describeFields();
    void describeLaterFields();
    void describePages();
    void connectRefreshes();

    void detailRefresh();
    void cid10GeralRefresh();
    void reportFailures(void (BrowserModel::*refresh)());
    void pageSearch(PageSearch page);
    const TextIndex& procedures();
    void followRelease();
    std::string releaseStamp();
    std::vector<std::size_t> initialRows();
    std::string shownCode(Level level) const;
    void reopenSubGrupos();
    void reopenFormas();

    kdb::Connection connection_;
    std::vector<std::unique_ptr<kdb::Transaction>> transactions_;
    std::vector<kdata::DataSet*> dataSets_;   // every result set, to close them all

    kdata::DataSet* qryVersao_ = nullptr;
    kdata::DataSet* qryGrupo_ = nullptr;
    kdata::DataSet* qrySubGrupo_ = nullptr;
    kdata::DataSet* qryFo_ = nullptr;
    kdata::Selection* qryTbProc_ = nullptr;
    kdata::DataSet* related_[kRelatedCount] = {};
    kdata::DataSet* qryCid10Geral_ = nullptr;
    kdata::DataSet* qryProcsCid10Geral_ = nullptr;
    kdata::DataSet* qryCbosGeral_ = nullptr;
    std::unique_ptr<LookupChoice> choices_[3];
    std::vector<BrowserPage> pages_;

    QString searchText_;
    QString pageTexts_[kPageSearchCount];
    bool closed_ = false;
    bool opened_ = false;
    std::optional<TextIndex> procedures_;   // read again after an update
    std::unique_ptr<kdb::Query> stampQuery_;
    std::string stamp_;                      // the load the procedures were read after
};

} // namespace korvane
