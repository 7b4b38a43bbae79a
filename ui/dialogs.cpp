#include "dialogs.h"

#include "core/enginefailure.h"
#include "core/text.h"

#include <QMessageBox>
#include <QPushButton>

namespace kui {

void Dialogs::error(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, kApplicationTitle, text, QMessageBox::Ok);
}

void Dialogs::information(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, kApplicationTitle, text, QMessageBox::Ok);
}

bool Dialogs::confirm(QWidget* parent, const QString& caption, const QString& text)
{
    return QMessageBox::question(parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
}

namespace {
Dialogs defaultDialogs;
Dialogs* current = &defaultDialogs;
} // namespace

Dialogs& dialogs() { return *current; }

void setDialogs(Dialogs* d) { current = d ? d : &defaultDialogs; }

QString errorText(const std::exception& e)
{
    const std::string_view bytes(e.what());
    QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (text.contains(QChar::ReplacementCharacter)) text = korvane::fromWin1252(bytes);
    if (const char* sentence = korvane::engineFailureSentence(bytes))
        return QString::fromUtf8(sentence) + QLatin1Char('\n') + text;
    return text;
}

bool guarded(QWidget* parent, const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        dialogs().error(parent, errorText(e));
    } catch (...) {
        dialogs().error(parent, QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace kui
