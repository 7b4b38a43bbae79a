#pragma once
// A lookup window: a code/name list searched as the user types, the
// procedures tied to the current code (narrowed by their own box), and the
// hand-back of one procedure to the main window's search.

#include "core/codeset.h"
#include "model/lookupsearch.h"
#include "db/connection.h"
#include "db/transaction.h"
#include "data/dataset.h"
#include "ui/dbgrid.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class LookupWindow : public QDialog {
    Q_OBJECT
public:
    struct Design {
        QString name;               // "frmCbos"
        QString banner;             // "CBOS"
        int fontPixels;             // the window's font
        int boxHeight;              // height of the two search boxes
        QString groupCaption;       // "  PROCEDIMENTOS  DO  CBO  "
        QString codesName;          // "qryCbos"
        std::string codesSql;       // the statement when the window opens
        korvane::LookupTable codes;
        QString codeField;          // "CBO_COD"
        std::vector<kdata::FieldDef> codeColumns;
        QString proceduresName;     // "qryProcsCbosGeral"
        std::string proceduresSql;
        korvane::LookupProcedures procedures;
        const char* codeParam;      // "pcbo_cbo"
        QString procedureField;     // "PCBO_PROC"
        std::vector<kdata::FieldDef> procedureColumns;
        bool closeProceduresOnClose;
    };

    // handBack receives the procedure code of a double click; the main
    // window puts it in its search box and searches.
    LookupWindow(const Design& design, kdb::Connection& connection, std::function<void(const QString&)> handBack,
                 QWidget* parent = nullptr);
    ~LookupWindow() override;

    QLineEdit* edtPesquise = nullptr;
    QLineEdit* edtPesquiseProc = nullptr;
    kui::DBGrid* DBGrid1 = nullptr;
    kui::DBGrid* DBGrid2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    kdata::DataSet* codes() const { return codes_; }
    kdata::DataSet* procedures() const { return procedures_; }

    void edtPesquiseChange();
    void edtPesquiseProcChange();
    void codesDataChange();
    void DBGrid2DblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void FormCreate();
    void FormClose();
    void run(kdata::DataSet* ds, const std::string& sql, bool bind);
    std::string currentCode() const;
    bool someCodeMayContain(const std::string& T);
    QWidget* searchBand(const QString& name, QLineEdit*& box, int left, int top);

    Design design_;
    std::unique_ptr<kdb::Transaction> codesTransaction_, proceduresTransaction_;
    kdata::DataSet* codes_ = nullptr;
    kdata::DataSet* procedures_ = nullptr;
    std::function<void(const QString&)> handBack_;
    bool closed_ = false;
    kdb::Connection& connection_;
    std::optional<korvane::CodeSet> knownCodes_;   // the upper table's codes
};
