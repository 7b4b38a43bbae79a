#pragma once
// The VERIFICAR window: the clerk fills in one line of a record (competência,
// instrument, procedure, patient, CID-10, CBO, the unit's habilitações and
// services, the other procedures of the record) and sees whether it would be
// accepted, with every rule of the release behind the verdict. A view over
// the checker (model/check.h), which korvane-cli check asks as well.

#include "model/check.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kdata { class MemoryTable; }
namespace kui {
class DBGrid;
class DBMemo;
} // namespace kui

class TfrmVerificar : public QDialog {
    Q_OBJECT
public:
    // The procedure field starts with procedure (the main window's current one).
    TfrmVerificar(kdb::Connection& connection, const std::string& procedure, QWidget* parent = nullptr);
    ~TfrmVerificar() override;

    QLineEdit* edtCompetencia = nullptr;
    QComboBox* cbxInstrumento = nullptr;
    QLineEdit* edtProcedimento = nullptr;
    QLabel* lblProcedimento = nullptr;
    QLineEdit* edtQuantidade = nullptr;
    QLineEdit* edtIdade = nullptr;
    QComboBox* cbxSexo = nullptr;
    QLineEdit* edtCid = nullptr;
    QLineEdit* edtCidSecundarios = nullptr;
    QLineEdit* edtCbo = nullptr;
    QLineEdit* edtHabilitacoes = nullptr;
    QLineEdit* edtServicos = nullptr;
    QLineEdit* edtSecundarios = nullptr;
    QPushButton* btnVerificar = nullptr;
    QLabel* lblVeredito = nullptr;
    kui::DBGrid* dbgRegras = nullptr;
    kui::DBMemo* dbmMotivo = nullptr;

    kdata::MemoryTable* cdsRegras() const { return rules_.get(); }
    const korvane::CheckResult& result() const { return result_; }

    // What the fields say as a record; a field that cannot be read throws
    // std::runtime_error naming it.
    korvane::CheckRecord record() const;

public slots:
    void btnVerificarClick();

private:
    QWidget* buildFields();
    void showProcedureName();
    void showVerdict();

    korvane::Checker checker_;
    std::unique_ptr<kdata::MemoryTable> rules_;
    korvane::CheckResult result_;
};
