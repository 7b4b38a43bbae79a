#pragma once
// What the print menu runs, without widgets: the data sets of the two
// procedure lists and of the procedure sheet, the named connections the two
// report projects read, and the projects themselves. Each run prepares its
// data sets from the browser's state at that moment and hands the project to
// whoever shows it (a preview, a PDF file).

#include "model/browser.h"
#include "model/reportdata.h"
#include "model/statements.h"

#include "data/dataset.h"
#include "data/extract.h"
#include "data/memorytable.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kreports {

class TRvProject;

class ProcedureReports : public QObject {
    Q_OBJECT
public:
    using Present = std::function<void(TRvProject&)>;

    explicit ProcedureReports(korvane::BrowserModel& browser, QObject* parent = nullptr);
    ~ProcedureReports() override;

    // "Sintético Alfabético" and "Sintético Numérico": every procedure of the
    // part of the hierarchy chosen.
    void runList(korvane::ListOrder order, const Present& present);
    // The same list as a table for a sheet: its rows in the order asked,
    // the columns the report prints under the report's titles.
    kdata::Extract listTable(korvane::ListOrder order);
    // "Analítico": the sheet of one procedure, code as typed (trimmed).
    // False, and nothing prepared, when the code is empty.
    bool runSheet(const std::string& code, const Present& present);

    kdata::DataSet* qryImpProcGeral() const { return qryImpProcGeral_; }
    kdata::DataSet* qryImpProcIndi() const { return qryImpProcIndi_; }
    kdata::MemoryTable* cdsCid10() const { return cdsCid10_; }
    kdata::MemoryTable* cdsCbos() const { return cdsCbos_; }
    TRvProject* RvTabelaGeral() const { return RvTabelaGeral_; }
    TRvProject* RvTabelaAnalitica() const { return RvTabelaAnalitica_; }

private:
    kdata::DataSet* makeQuery(const QString& name, const std::string& sql);
    void openList(korvane::ListOrder order);
    kdata::Extract openListTable();
    void makeSheetData();
    void makeConnections();

    korvane::BrowserModel& browser_;
    std::vector<std::unique_ptr<kdb::Transaction>> transactions_;
    std::vector<kdata::DataSet*> dataSets_;
    kdata::DataSet* qryImpProcGeral_ = nullptr;
    kdata::DataSet* qryImpProcIndi_ = nullptr;
    kdata::DataSet* qryCid10DoCodigo_ = nullptr;   // the sheet's codes of a typed code not selected
    kdata::DataSet* qryCbosDoCodigo_ = nullptr;
    kdata::DataSet* qryCadastroDetalhes_ = nullptr;
    kdata::DataSet* qryFinanciamento_ = nullptr;
    // The sheet's lists of the later release files, whole and in code order.
    std::vector<std::pair<kdata::DataSet*, const korvane::statements::Bound*>> laterLists_;
    kdata::MemoryTable* cdsCid10_ = nullptr;
    kdata::MemoryTable* cdsCbos_ = nullptr;
    TRvProject* RvTabelaGeral_ = nullptr;
    TRvProject* RvTabelaAnalitica_ = nullptr;
};

} // namespace kreports
