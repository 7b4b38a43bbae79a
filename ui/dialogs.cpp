#include "dialogs.h"

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
    const QByteArray bytes(e.what());
    const QString utf8 = QString::fromUtf8(bytes);
    if (!utf8.contains(QChar::ReplacementCharacter)) return utf8;
    return korvane::fromWin1252(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
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
