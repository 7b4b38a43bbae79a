#pragma once
// The main window on the fixture database, driven as a person would, for
// the tests of the browser and of its pages.

#include "model/procsearch.h"
#include "app/uKorvane.h"
#include "ui/dbgrid.h"
#include "ui/dblookup.h"
#include "ui/dbedit.h"
#include "support/fixture.h"
#include "support/searchoracle.h"
#include "support/tempdb.h"
#include "support/widgets.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QScreen>
#include <QLocale>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace ktest {

class Browser : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ktest::ensureApplication(); }

    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        path = ktest::createFixtureDatabase(dir);
        w = std::make_unique<TfrmKorvane>(path);
        w->resize(1366, 768);
        w->show();
        QApplication::setActiveWindow(w.get());
    }

    void TearDown() override
    {
        w.reset();
        QLocale::setDefault(QLocale::c());
    }

    template <class T = QWidget>
    T* child(const char* name)
    {
        auto* c = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(c) << name;
        return c;
    }

    void type(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        ktest::typeKeys(box, text);
    }

    // Picks an entry from the drop-down with the keyboard, as a person would.
    void choose(kui::DBLookupCombo* lookup, const QString& startsWith)
    {
        lookup->setFocus();
        QApplication::processEvents();
        lookup->showPopup();
        QAbstractItemView* view = lookup->view();
        const int row = lookup->findText(startsWith, Qt::MatchStartsWith);
        ASSERT_GE(row, 0) << startsWith.toStdString();
        view->setCurrentIndex(view->model()->index(row, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QApplication::processEvents();
        QApplication::setActiveWindow(w.get());
    }

    std::set<std::string> codes(kdata::RecordSet* ds, const char* field = "PROC_COD")
    {
        std::set<std::string> out;
        ds->fetchAll();
        for (std::size_t r = 0; r < ds->recordCount(); ++r)
            out.insert(ds->value(r, QString::fromLatin1(field)).toString());
        return out;
    }

    std::set<std::string> listed() { return codes(w->model().qryTbProc()); }

    void moveTo(const std::string& code)
    {
        kdata::RecordSet* list = w->model().qryTbProc();
        list->fetchAll();
        for (std::size_t r = 0; r < list->recordCount(); ++r)
            if (list->value(r, QStringLiteral("PROC_COD")).toString() == code) {
                // Click the row in the grid.
                ktest::control<kui::DBGrid>(*w, "dbgProcs")->scrollTo(ktest::control<kui::DBGrid>(*w, "dbgProcs")->model()->index(static_cast<int>(r), 0));
                const QRect rect = ktest::control<kui::DBGrid>(*w, "dbgProcs")->visualRect(ktest::control<kui::DBGrid>(*w, "dbgProcs")->model()->index(static_cast<int>(r), 0));
                QTest::mouseClick(ktest::control<kui::DBGrid>(*w, "dbgProcs")->viewport(), Qt::LeftButton, {}, rect.center());
                ASSERT_EQ(list->currentRow(), static_cast<long>(r));
                return;
            }
        FAIL() << code << " not listed";
    }

    ktest::TempDir dir;
    std::string path;
    ktest::RecordingDialogs dialogs;
    std::unique_ptr<TfrmKorvane> w;
};

const std::set<std::string> kAll = {"0211030100", "0301010030", "0301010072", "0301010099",
                                    "0301060010", "0303010037", "0303010045", "0401010015",
                                    "0401010023", "0702010016", "0702010024"};

} // namespace ktest
