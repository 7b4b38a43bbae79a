#pragma once
// The print button's menu beside the main window: its three items run the
// two procedure lists and the procedure sheet over the report data, and
// show the pages in the report output.

#include "reports/procedurereports.h"

#include <QObject>

class QMenu;
class TfrmKorvane;

class ReportMenu : public QObject {
    Q_OBJECT
public:
    ReportMenu(TfrmKorvane& window, korvane::BrowserModel& browser);

    QMenu* pmImpressao() const { return pmImpressao_; }
    kreports::ProcedureReports& data() { return data_; }
    kdata::DataSet* qryImpProcGeral() const { return data_.qryImpProcGeral(); }
    kdata::DataSet* qryImpProcIndi() const { return data_.qryImpProcIndi(); }
    kdata::MemoryTable* cdsCid10() const { return data_.cdsCid10(); }
    kdata::MemoryTable* cdsCbos() const { return data_.cdsCbos(); }
    kreports::TRvProject* RvTabelaGeral() const { return data_.RvTabelaGeral(); }
    kreports::TRvProject* RvTabelaAnalitica() const { return data_.RvTabelaAnalitica(); }

public slots:
    void btnFichaClick();
    void RelatrioSinttico1Click();
    void SintticoNumrico1Click();
    void Analtico1Click();

private:
    void present(kreports::TRvProject& project);

    TfrmKorvane& window_;
    kreports::ProcedureReports data_;
    QMenu* pmImpressao_ = nullptr;
};
