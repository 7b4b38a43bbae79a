#pragma once
// A lookup window: a view over a lookup model. The code/name list searched
// as the user types, the procedures tied to the current code (narrowed by
// their own box), and the hand-back of one procedure to the main window.

#include "model/lookupmodel.h"
#include "ui/dbgrid.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

namespace kui {
class TypedSearch;
}

class LookupWindow : public QDialog {
    Q_OBJECT
public:
    struct Design {
        korvane::LookupKind kind;
        QString name;               // "frmCbos"
        QString banner;             // "CBOS"
        int fontPixels;             // the window's font
        int boxHeight;              // height of the two search boxes
        QString groupCaption;       // "  PROCEDIMENTOS  DO  CBO  "
    };

    // handBack receives the procedure code of a double click; the main
    // window puts it in its search box and searches.
    LookupWindow(const Design& design, kdb::Connection& connection, std::function<void(const QString&)> handBack,
                 QWidget* parent = nullptr);
    ~LookupWindow() override;

    korvane::LookupModel& model() { return model_; }
    kdata::Selection* codes() const { return model_.codes(); }
    kdata::DataSet* procedures() const { return model_.procedures(); }

    void DBGrid2DblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    QWidget* searchBand(const QString& name, QLineEdit*& box, int left, int top);
    QWidget* buildCodes();
    QWidget* buildProcedures();
    void connectModel();

    Design design_;
    korvane::LookupModel model_;
    std::function<void(const QString&)> handBack_;
    QLineEdit* edtPesquise = nullptr;
    QLineEdit* edtPesquiseProc = nullptr;
    kui::DBGrid* DBGrid1 = nullptr;
    kui::DBGrid* DBGrid2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    kui::TypedSearch* searches_[2] = {};
};
