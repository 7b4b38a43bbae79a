#include "upperedit.h"

#include <QValidator>

namespace kui {
namespace {

// A validator may rewrite what the user puts in before the box takes it, so
// the text changes once, already in capitals.
class UpperCase : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

UpperCaseEdit::UpperCaseEdit(const QString& name, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(name);
    setValidator(new UpperCase(this));
}

} // namespace kui
