#pragma once
// What the report engine's tests share: a fixture with a temporary folder,
// in-memory tables and their connections, and the texts of a laid-out
// document.

#include "reports/connection.h"
#include "reports/layout.h"
#include "reports/project.h"

#include "support/tempdb.h"
#include "support/widgets.h"
#include "data/memorytable.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ktest::engine {

using kreports::Document;
using kreports::TextOp;
using kreports::TRvDataSetConnection;
using kreports::TRvProject;

inline const char* const kHead = "korvane-report 1\n";

class EngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ktest::ensureApplication();
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    }
    static void TearDownTestSuite() { QLocale::setDefault(QLocale::c()); }

    QString write(const std::string& text, const char* name = "test.rav")
    {
        ktest::writeFile(dir.path() / name, text);
        return QString::fromStdString(dir.file(name));
    }

    Document run(const std::string& text)
    {
        TRvProject p(QStringLiteral("RvTest"));
        p.setProjectFile(write(kHead + text));
        return p.render();
    }

    // A table T with CODE, NAME, SEX, VALUE and the given rows.
    kdata::MemoryTable& table(const QString& name, int rows)
    {
        tables.push_back(std::make_unique<kdata::MemoryTable>(
            name, std::vector<kdata::MemoryTable::ColumnDef>{{"CODE", 6}, {"NAME", 250}, {"SEX", 1}, {"VALUE", 12}}));
        kdata::MemoryTable& t = *tables.back();
        t.createDataSet();
        for (int i = 0; i < rows; ++i) {
            t.append();
            t.set(QStringLiteral("CODE"), QStringLiteral("R%1").arg(i, 3, 10, QLatin1Char('0')).toStdString());
            t.set(QStringLiteral("NAME"), "NAME " + std::to_string(i));
            t.set(QStringLiteral("SEX"), i % 2 ? "F" : "M");
            t.set(QStringLiteral("VALUE"), kdb::Decimal(i * 100 + 5, 2));
            t.post();
        }
        t.first();
        connections.push_back(std::make_unique<TRvDataSetConnection>(QStringLiteral("Rv") + name, &t));
        return t;
    }

    ktest::TempDir dir;
    std::vector<std::unique_ptr<kdata::MemoryTable>> tables;
    std::vector<std::unique_ptr<TRvDataSetConnection>> connections;
};

inline std::vector<const TextOp*> texts(const Document& doc, int page)
{
    std::vector<const TextOp*> out;
    for (const auto& op : doc.pages.at(static_cast<std::size_t>(page)).ops)
        if (const auto* t = std::get_if<TextOp>(&op)) out.push_back(t);
    return out;
}

inline QStringList words(const Document& doc, int page)
{
    QStringList out;
    for (const TextOp* t : texts(doc, page)) out << t->text;
    return out;
}

inline QStringList allWords(const Document& doc)
{
    QStringList out;
    for (int p = 0; p < doc.pageCount(); ++p) out += words(doc, p);
    return out;
}

inline std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace ktest::engine
