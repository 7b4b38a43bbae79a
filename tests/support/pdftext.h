#pragma once
// The text of a PDF as pdftotext reads it, for tests of printed output.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace ktest {

// The text of a PDF laid out as on paper, pages separated by '\f'; empty
// when pdftotext is missing or fails.
inline QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), path,
                                          QStringLiteral("-")});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Pages of the PDF's text; pdftotext ends every page with '\f'.
inline QStringList pdfPages(const QString& path)
{
    QStringList pages = pdfText(path).split(u'\f');
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

} // namespace ktest
