#pragma once
// A one-line edit box whose typed (or pasted) letters become upper case.
// Texts the program sets are kept as they are.

#include <QLineEdit>

namespace kui {

class UpperCaseEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit UpperCaseEdit(const QString& name, QWidget* parent = nullptr);
};

} // namespace kui
