#pragma once
// The main window: the procedure browser and owner of the program's only
// database connection.

#include "model/procsearch.h"
#include "core/codeset.h"
#include "db/connection.h"
#include "model/reportdata.h"
#include "db/transaction.h"
#include "data/dataset.h"
#include "ui/dbedit.h"
#include "ui/dbgrid.h"
#include "ui/dblookup.h"
#include "ui/dbmemo.h"
#include "data/memorytable.h"
#include "ui/upperedit.h"

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <memory>
#include "core/codeset.h"

#include <optional>
#include <string>
#include <vector>

namespace kreports {
class TRvProject;
}

class TfrmKorvane : public QMainWindow {
    Q_OBJECT
public:
    // Connects to the database at path before anything else; a connection
    // that cannot be made throws kdb::Error with the client library's text.
    explicit TfrmKorvane(const std::string& databasePath, QWidget* parent = nullptr);
    ~TfrmKorvane() override;

    kdb::Connection& dtbDados() { return dtbDados_; }

    // Controls other windows and the reports use.
    QLineEdit* edtPesquise = nullptr;
    kui::DBLookupCombo* dblGrupo = nullptr;
    kui::DBLookupCombo* dblSubGrupo = nullptr;
    kui::DBLookupCombo* dblFo = nullptr;
    kui::DBGrid* dbgProcs = nullptr;
    kui::DBEdit* DBEdit10 = nullptr;   // financing, or the high-complexity mark
    kui::DBEdit* DBEdit11 = nullptr;   // total
    QTabWidget* PageControl1 = nullptr;
    QLineEdit* edtPesquiseCid = nullptr;
    QLineEdit* edtPesquiseCbo = nullptr;
    QLineEdit* edtPesquiseCompa = nullptr;
    kui::DBGrid* DBGrid3 = nullptr;    // "Compatível"

    // Result sets (each also findable by its objectName).
    kdata::DataSet* qryVersao = nullptr;
    kdata::DataSet* qryGrupo = nullptr;
    kdata::DataSet* qrySubGrupo = nullptr;
    kdata::DataSet* qryFo = nullptr;
    kdata::DataSet* qryTbProc = nullptr;
    kdata::DataSet* qryProccid10 = nullptr;
    kdata::DataSet* qryProccbos = nullptr;
    kdata::DataSet* qryProcespecialidades = nullptr;
    kdata::DataSet* qryProcopm = nullptr;
    kdata::DataSet* qryProcmodalidade = nullptr;
    kdata::DataSet* qryProcregistro = nullptr;
    kdata::DataSet* qryAtributoComplentar = nullptr;
    kdata::DataSet* qryProcdetalhe = nullptr;
    kdata::DataSet* qryProchabilitacao = nullptr;
    kdata::DataSet* qryProcsDaOpm = nullptr;
    kdata::DataSet* qryProc_Habilitacao = nullptr;
    kdata::DataSet* qryProcServicoClassificacao = nullptr;
    kdata::DataSet* qryDescricoes = nullptr;
    kdata::DataSet* qryCid10Geral = nullptr;
    kdata::DataSet* qryProcsCid10Geral = nullptr;
    kdata::DataSet* qryCbosGeral = nullptr;
    kdata::DataSet* qryCadastroDetalhes = nullptr;
    kdata::DataSet* qryFinanciamento = nullptr;
    kdata::DataSet* qryImpProcIndi = nullptr;
    kdata::DataSet* qryImpProcGeral = nullptr;
    kdata::MemoryTable* cdsCid10 = nullptr;
    kdata::MemoryTable* cdsCbos = nullptr;
    kdata::DataSet* qryCid10DoCodigo = nullptr;   // the sheet's codes of a typed code not selected
    kdata::DataSet* qryCbosDoCodigo = nullptr;
    kreports::TRvProject* RvTabelaGeral = nullptr;
    kreports::TRvProject* RvTabelaAnalitica = nullptr;
    QMenu* pmImpressao = nullptr;

public slots:
    // Procedure filter and search.
    void edtPesquiseChange();
    void dblGrupoClick();
    void dblSubGrupoClick();
    void dblFoClick();
    void dblGrupoEnter();
    void dblSubGrupoEnter();
    void dblFoEnter();
    void btnLimparClick();
    // Detail of the current procedure.
    void dtsTbProcDataChange();
    void dtsCid10GeralDataChange();
    // Related-table pages.
    void edtPesquiseCidChange();
    void edtPesquiseCboChange();
    void edtPesquiseCompaChange();
    void DBGrid3DblClick();
    void TabSheet4Show();

    void FormCreate();
    void FormShow();
    void Timer1Timer();
    void btnCbosClick();
    void btnCid10Click();
    void ATUALIZAOTABELAS1Click();
    void btnFichaClick();
    // Reports.
    void RelatrioSinttico1Click();
    void SintticoNumrico1Click();
    void Analtico1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool FormKeyPress(QKeyEvent* event);
    void FormClose();

    // The search itself, without the error report: callers inside another
    // handler let a failure end that handler.
    void procedureSearch();
    bool codesMayContain(const std::string& text);
    void handBack(const QString& code);
    bool runProcedureStatement(const std::string& sql);
    void setSearchText(const QString& text);
    std::string shownCode(kui::DBLookupCombo* lookup) const;
    std::string currentProcedureCode() const;
    void pageSearch(korvane::PageSearch page, kdata::DataSet* dataSet, QLineEdit* box);
    void connectBrowser();
    QWidget* buildSearchStrip(QLineEdit*& box, const QString& name, int width);
    kui::DBGrid* addGrid(QWidget* page, const QString& name, kdata::DataSet* dataSet, std::vector<kui::Column> columns);

    kdata::DataSet* makeQuery(const QString& name, const std::string& sql, kdb::Transaction* shared = nullptr);
    void buildReports();
    korvane::ListLevel listLevel(kui::DBLookupCombo* lookup, kdata::DataSet* list, const char* codeField) const;
    void runProcedureList(korvane::ListOrder order);
    void buildLayout();
    QWidget* buildTopPanel();
    QWidget* buildDetailPanel();
    void buildTabs();
    void buildStatusBar();
    void setTabOrder();

    kdb::Connection dtbDados_;
    std::vector<std::unique_ptr<kdb::Transaction>> transactions_;
    std::vector<kdata::RecordSet*> resultSets_;

    QToolButton* btnLimpar = nullptr;
    QToolButton* btnCbos = nullptr;
    QToolButton* btnCid10 = nullptr;
    QToolButton* btnFicha = nullptr;
    kui::DBMemo* dbmDescricoes = nullptr;
    QLabel* statusDate_ = nullptr;
    QLabel* statusTime_ = nullptr;
    QLabel* statusPublisher_ = nullptr;
    QMenu* PopupActionBar1 = nullptr;
    QAction* ATUALIZAOTABELAS1 = nullptr;
    QTimer* Timer1 = nullptr;
    bool closing_ = false;
    bool suppressDetail_ = false;   // while a search tries its first statement
    std::optional<korvane::CodeSet> procedureCodes_;   // read again after an update
};
